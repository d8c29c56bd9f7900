// The search's walk on its own, without its window: what it hands over and how it ends; then the
// long texts of its messages in the program's real message boxes.

#include "arbre_profond.h"
#include "forms/interaction.h"
#include "forms/joker.h"
#include "forms/textes.h"
#include "modal.h"
#include "search/parcours.h"

#include <QPushButton>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <climits>

namespace {

// Everything one walk gave.
struct Releve {
    BilanParcours bilan;
    QList<LotResultats> lots;
    QStringList lignes;
};

// Walks `depart`; with `annuler`, the cancel flag is raised after the first batch.
Releve parcourir_tout(const QString& depart, const QString& motif, qsizetype taille_lot = 512,
                      qsizetype capacite = capacite_liste, bool annuler = false)
{
    CriteresParcours criteres{depart, motifs_de(motif), capacite, taille_lot};
    std::atomic<bool> annule{false};
    Releve r;
    r.bilan = parcourir(criteres, annule, [&](LotResultats&& lot) {
        r.lignes += lot.lignes;
        r.lots.append(std::move(lot));
        annule = annuler;
    });
    return r;
}

// A path of about `longueur` characters, with no blank in it.
QString long_chemin(int longueur)
{
    QString chemin = QStringLiteral("/début");
    for (int i = 0; chemin.size() < longueur; ++i)
        chemin += QStringLiteral("/dossier-%1").arg(i, 4, 10, QLatin1Char('0'));
    return chemin + QStringLiteral("/fin.jpg");
}

// What a real box (Qt's own, as the program uses it) showed of `m`; its details are opened, then
// its default button pressed.
struct Boite {
    QString texte, details;
    bool tient = false; // on the screen, details closed and opened
    Reponse reponse = Reponse::Annuler;
};
Boite montrer(const Message& m)
{
    Boite b;
    InteractionQt interaction;
    quand_modal([&b](QWidget* w) {
        auto* boite = qobject_cast<QMessageBox*>(w);
        if (!boite) {
            w->close();
            return;
        }
        const QRect ecran = boite->screen()->availableGeometry();
        b.tient = ecran.contains(boite->frameGeometry());
        b.texte = boite->text();
        b.details = boite->detailedText();
        for (QAbstractButton* bouton : boite->buttons()) {
            if (boite->buttonRole(bouton) == QMessageBox::ActionRole) { // "Afficher les détails..."
                const int avant = boite->frameGeometry().height();
                bouton->click();
                QCoreApplication::sendPostedEvents();
                b.tient = b.tient && ecran.contains(boite->frameGeometry()) && boite->frameGeometry().height() > avant;
            }
        }
        boite->defaultButton()->click();
    });
    b.reponse = interaction.message(nullptr, m);
    return b;
}

} // namespace

class TestParcours : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_racine;

    QStringList chemins(const QStringList& relatifs) const { return ::chemins(m_racine, relatifs); }

private Q_SLOTS:
    void init()
    {
        m_temp = std::make_unique<QTemporaryDir>();
        m_racine = m_temp->path();
    }

    void cleanup() { m_temp.reset(); }

    // Subfolders from the last to the first, depth first, a folder's own files after those of the
    // folders below it, names in the file lists' order; hidden files found, hidden folders and
    // links to folders not walked; batches in order, none larger than asked.
    void ordre_et_lots()
    {
        creer_tous(m_racine, {"racine.txt", "A/a.txt", "A/.secret.txt", "A/A1/a1.txt", "A/A2/a2.txt", "B/img10.TXT",
                              "B/img2.txt", "B/B2/b2.txt", "B/B10/b10.txt", "B/B10/B/fond.txt", ".cache/h.txt", "A/x.png"});
        QVERIFY(QFile::link("A", m_racine + "/lien_dossier.txt"));
        QVERIFY(QFile::link("racine.txt", m_racine + "/lien.txt"));
        const Releve r = parcourir_tout(m_racine, "*.txt", 3);
        QCOMPARE(r.lignes, chemins({"B/B10/B/fond.txt", "B/B10/b10.txt", "B/B2/b2.txt", "B/img2.txt", "B/img10.TXT",
                                    "A/A2/a2.txt", "A/A1/a1.txt", "A/.secret.txt", "A/a.txt", "lien.txt", "racine.txt"}));
        QVERIFY(r.lots.size() >= 4);
        for (const LotResultats& l : r.lots)
            QVERIFY(!l.lignes.isEmpty() && l.lignes.size() <= 3 && l.inexactes.isEmpty());
        QVERIFY(r.bilan.fin == FinParcours::Terminee);
        QCOMPARE(r.bilan.trouves, 11);
        QCOMPARE(r.bilan.dossiers_illisibles, 0);

        // Several patterns, letter case ignored; nothing found: no batch at all.
        QCOMPARE(parcourir_tout(m_racine, "*.PNG;fond.*").lignes, chemins({"B/B10/B/fond.txt", "A/x.png"}));
        const Releve rien = parcourir_tout(m_racine, "*.bmp");
        QVERIFY(rien.lots.isEmpty() && rien.bilan.fin == FinParcours::Terminee);

        // A folder's names come in the very order of the file lists.
        QStringList noms = {"a10.txt", "a9.txt", "A9.txt", "a09.txt", "É.txt", "e.txt", "f.txt", "a.txt", "a-1.txt",
                            "a_1.txt", "a1b.txt", "a001.txt", "a1.txt", "a01.txt", "Z.txt", "ä2.txt", "a 2.txt"};
        for (const QString& n : noms)
            creer(m_racine + "/N/" + n);
        std::sort(noms.begin(), noms.end(), [](const QString& a, const QString& b) { return comparer_noms(a, b) < 0; });
        QCOMPARE(parcourir_tout(m_racine + "/N", "*").lignes, ::chemins(m_racine + "/N", noms));
    }

    // The flag stops the walk soon after it is raised; what was found stays, in order.
    void annulation()
    {
        const QString depart = grand_arbre(m_racine);
        const QStringList toutes = parcourir_tout(depart, "*.txt").lignes;
        QCOMPARE(toutes.size(), 1000);
        const Releve r = parcourir_tout(depart, "*.txt", 10, capacite_liste, true);
        QVERIFY(r.bilan.fin == FinParcours::Annulee);
        QVERIFY(!r.lignes.isEmpty() && r.lignes.size() <= 100);
        QCOMPARE(r.lignes, toutes.mid(0, r.lignes.size()));
        QCOMPARE(r.bilan.trouves, r.lignes.size());
    }

    void liste_pleine()
    {
        creer_tous(m_racine, {"a.txt", "b.txt", "c.txt", "S/d.txt", "S/e.txt", "T/f.txt"});
        const Releve r = parcourir_tout(m_racine, "*.txt", 512, 4);
        QVERIFY(r.bilan.fin == FinParcours::ListePleine);
        QCOMPARE(r.lignes, chemins({"T/f.txt", "S/d.txt", "S/e.txt", "a.txt"}));
        // Exactly as many lines as allowed: the walk ends normally.
        QVERIFY(parcourir_tout(m_racine, "*.txt", 512, 6).bilan.fin == FinParcours::Terminee);
    }

    // A start folder that cannot be read says why, with the system's own error number.
    void depart_illisible()
    {
        creer(m_racine + "/fichier");
        QVERIFY(QFile::link("boucle", m_racine + "/boucle"));
        QString profond = m_racine;
        while (profond.size() <= PATH_MAX)
            profond += QStringLiteral("/dossier");
        const QList<QPair<QString, int>> cas = {{m_racine + "/absent", ENOENT}, {m_racine + "/fichier", ENOTDIR},
                                                {m_racine + "/boucle", ELOOP}, {m_racine + '/' + QString(300, u'n'), ENAMETOOLONG},
                                                {profond, ENAMETOOLONG}};
        for (const auto& [depart, erreur] : cas) {
            const Releve r = parcourir_tout(depart, "*");
            QVERIFY(r.bilan.fin == FinParcours::DepartIllisible);
            QCOMPARE(r.bilan.erreur_depart, erreur);
            QVERIFY(r.lots.isEmpty());
            QCOMPARE(erreur_ouverture_dossier(depart), erreur);
        }
        QCOMPARE(erreur_ouverture_dossier(m_racine), 0);
    }

    // Folders nested deeper than a path can reach: what can be read is found, the first folder
    // that cannot is told with its reason, and the walk goes on to its end.
    void dossier_trop_profond()
    {
        creer(m_racine + "/a.txt");
        const ArbreProfond arbre(m_racine, 25);
        QCOMPARE(arbre.niveaux, 25);
        const Releve r = parcourir_tout(m_racine, "*.txt");
        QVERIFY(r.bilan.fin == FinParcours::Terminee);
        QCOMPARE(r.bilan.dossiers_illisibles, 1);
        QCOMPARE(r.bilan.erreur_premier_illisible, ENAMETOOLONG);
        QVERIFY(QFile::encodeName(r.bilan.premier_illisible).size() >= PATH_MAX);
        QVERIFY(r.lignes.size() > 5);
        QCOMPARE(r.lignes.last(), m_racine + "/a.txt");
        QString attendu = m_racine;
        for (qsizetype i = r.lignes.size() - 2; i >= 0; --i) { // the deepest first, the start folder's last
            attendu += '/' + arbre.nom;
            QCOMPARE(r.lignes.at(i), attendu + "/f.txt");
        }
    }

    // A name that is not text is found, and marked: its line spells a look-alike. A folder of
    // such a name is not entered.
    void noms_qui_ne_sont_pas_du_texte()
    {
        NomsBruts noms;
        QVERIFY(noms_pas_du_texte(noms, m_racine));
        creer(m_racine + "/b.jpg");
        const Releve r = parcourir_tout(m_racine, "*.jpg");
        QCOMPARE(r.lignes, chemins({"a\uFFFD.jpg", "b.jpg"}));
        QCOMPARE(r.lots.size(), 1);
        QCOMPARE(r.lots.first().inexactes, chemins({"a\uFFFD.jpg"}));
    }

    void raisons_et_prefixes()
    {
        const QList<QPair<int, QString>> raisons = {{ENAMETOOLONG, "chemin trop long pour le système"},
                                                    {EACCES, "accès refusé"}, {EPERM, "accès refusé"},
                                                    {ENOENT, "dossier disparu"},
                                                    {ELOOP, "trop de liens symboliques dans le chemin"},
                                                    {ENOTDIR, "un élément du chemin n'est pas un dossier"},
                                                    {EMFILE, "trop de fichiers ouverts"},
                                                    {EIO, "erreur de lecture du support"},
                                                    {EXDEV, QStringLiteral("erreur du système n° %1").arg(EXDEV)}};
        for (const auto& [erreur, texte] : raisons)
            QCOMPARE(raison_erreur_systeme(erreur), texte);
        // No double separator after a folder's name.
        QCOMPARE(prefixe_dossier("/"), "/");
        QCOMPARE(prefixe_dossier("/home/moi"), "/home/moi/");
        QCOMPARE(prefixe_dossier("/media/cle/"), "/media/cle/");
    }

    // Long texts in a real box (a path of thousands of characters, as the message about a folder
    // nested too deep gives; hundreds of lines; one very long sentence): a box that fits on the
    // screen, the text's start and end shown, the whole text in its details. A text that fits is
    // shown as it is, without details.
    void messages_longs()
    {
        QStringList lignes;
        for (int i = 0; i < 300; ++i)
            lignes << QStringLiteral("Ligne %1 : le fichier photo-%1.jpg ne peut pas être copié.").arg(i);
        const QString chemin = " 1 dossier(s) n'ont pas pu être lus et n'ont pas été parcourus, dont:\n" + long_chemin(5000)
                               + "\n(chemin trop long pour le système)";
        const QList<std::tuple<QString, QString, QString, QString>> cas = { // text, its start, middle and end shown
            {chemin, " 1 dossier(s) n'ont pas pu être lus et n'ont pas été parcourus, dont:\n/début/dossier-0000", "…",
             "/fin.jpg\n(chemin trop long pour le système)"},
            {lignes.join(u'\n'), lignes.first() + u'\n', "\n…\n", u'\n' + lignes.last()},
            {QString("mot ").repeated(20000) + "dernier", "mot mot", "", ""}};
        for (const auto& [texte, debut, milieu, fin] : cas) {
            const Boite b = montrer({texte, "IMAGORA", Boutons::OuiNon, Icone::Question, 1});
            QVERIFY2(b.tient, qPrintable(debut));
            QVERIFY(b.texte.startsWith(debut) && b.texte.contains(milieu) && b.texte.endsWith(fin));
            QCOMPARE(b.details, texte);
        }
        const Boite b = montrer({"Le dossier /home/moi/Images n'existe plus.", "IMAGORA", Boutons::Ok, Icone::Critique});
        QVERIFY(b.tient && b.reponse == Reponse::Ok);
        QCOMPARE(b.texte, "Le dossier /home/moi/Images n'existe plus.");
        QVERIFY(b.details.isEmpty());
    }
};

QTEST_MAIN(TestParcours)
#include "tst_parcours.moc"
