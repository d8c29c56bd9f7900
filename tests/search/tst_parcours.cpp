// The search's walk on its own, without its window: what it hands over and how it ends; then the
// long texts of its messages in the program's real message boxes.

#include "arbre_profond.h"
#include "forms/interaction.h"
#include "forms/joker.h"
#include "modal.h"
#include "search/parcours.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QFontMetrics>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <cerrno>
#include <climits>

namespace {

// Everything one walk gave.
struct Releve {
    BilanParcours bilan;
    QList<LotResultats> lots;

    QStringList lignes() const
    {
        QStringList toutes;
        for (const LotResultats& l : lots)
            toutes += l.lignes;
        return toutes;
    }
};

// Walks `depart`; `apres_lot` runs after each batch (it may raise the cancel flag).
Releve parcourir_tout(const QString& depart, const QString& motif, qsizetype taille_lot = 512,
                      qsizetype capacite = capacite_liste, const std::function<void(std::atomic<bool>&)>& apres_lot = {})
{
    CriteresParcours criteres;
    criteres.depart = depart;
    criteres.motifs = motifs_de(motif);
    criteres.taille_lot = taille_lot;
    criteres.capacite = capacite;
    std::atomic<bool> annule{false};
    Releve r;
    r.bilan = parcourir(criteres, annule, [&](LotResultats&& lot) {
        r.lots.append(std::move(lot));
        if (apres_lot)
            apres_lot(annule);
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

// What a shown box was like.
struct Boite {
    QRect cadre;        // the box on the screen, frame included
    QRect cadre_ouvert; // the same with its details opened
    QRect ecran;        // the screen's available area
    QString texte;      // the text shown
    QString details;    // the detailed text
    bool vue = false;
    Reponse reponse = Reponse::Annuler;
};

// Shows `m` in a real box (Qt's own, as the program uses it), records it and presses its
// default button.
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
        b.vue = true;
        b.cadre = b.cadre_ouvert = boite->frameGeometry();
        b.ecran = boite->screen()->availableGeometry();
        b.texte = boite->text();
        b.details = boite->detailedText();
        for (QAbstractButton* bouton : boite->buttons()) {
            if (boite->buttonRole(bouton) == QMessageBox::ActionRole) { // "Afficher les détails..."
                bouton->click();
                QCoreApplication::sendPostedEvents();
                b.cadre_ouvert = boite->frameGeometry();
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
        QVERIFY(m_temp->isValid());
        m_racine = m_temp->path();
    }

    void cleanup() { m_temp.reset(); }

    // Subfolders from the last to the first, depth first, a folder's own files after those of the
    // folders below it, names in the file lists' order; batches in order, none larger than asked.
    void ordre_et_lots()
    {
        for (const char* r : {"racine.txt", "A/a.txt", "A/.secret.txt", "A/A1/a1.txt", "A/A2/a2.txt", "B/img10.TXT",
                              "B/img2.txt", "B/B2/b2.txt", "B/B10/b10.txt", "B/B10/B/fond.txt", ".cache/h.txt", "A/x.png"})
            creer(m_racine + '/' + r);
        QVERIFY(QFile::link("A", m_racine + "/lien_dossier.txt"));
        QVERIFY(QFile::link("racine.txt", m_racine + "/lien.txt"));
        const Releve r = parcourir_tout(m_racine, "*.txt", 3);
        QCOMPARE(r.lignes(), chemins({"B/B10/B/fond.txt", "B/B10/b10.txt", "B/B2/b2.txt", "B/img2.txt", "B/img10.TXT",
                                      "A/A2/a2.txt", "A/A1/a1.txt", "A/.secret.txt", "A/a.txt", "lien.txt", "racine.txt"}));
        QVERIFY(r.lots.size() >= 4);
        for (const LotResultats& l : r.lots) {
            QVERIFY(!l.lignes.isEmpty() && l.lignes.size() <= 3);
            QVERIFY(l.inexactes.isEmpty());
        }
        QVERIFY(r.bilan.fin == FinParcours::Terminee);
        QCOMPARE(r.bilan.trouves, 11);
        QCOMPARE(r.bilan.dossiers_illisibles, 0);

        // Several patterns, letter case ignored; nothing found: no batch at all.
        QCOMPARE(parcourir_tout(m_racine, "*.PNG;fond.*").lignes(), chemins({"B/B10/B/fond.txt", "A/x.png"}));
        const Releve rien = parcourir_tout(m_racine, "*.bmp");
        QVERIFY(rien.lots.isEmpty());
        QVERIFY(rien.bilan.fin == FinParcours::Terminee);
    }

    // The flag stops the walk soon after it is raised; what was found stays, in order.
    void annulation()
    {
        const QString depart = grand_arbre(m_racine);
        const QStringList toutes = parcourir_tout(depart, "*.txt").lignes();
        QCOMPARE(toutes.size(), 1000);
        const Releve r = parcourir_tout(depart, "*.txt", 10, capacite_liste, [](std::atomic<bool>& annule) { annule = true; });
        QVERIFY(r.bilan.fin == FinParcours::Annulee);
        const QStringList gardees = r.lignes();
        QVERIFY(!gardees.isEmpty());
        QVERIFY(gardees.size() <= 100);
        QCOMPARE(gardees, toutes.mid(0, gardees.size()));
        QCOMPARE(r.bilan.trouves, gardees.size());

        // Raised from another thread while the walk runs there.
        std::atomic<bool> annule{false};
        std::atomic<int> lots{0};
        CriteresParcours criteres;
        criteres.depart = depart;
        criteres.motifs = motifs_de(u"*.txt");
        criteres.taille_lot = 1;
        QFuture<BilanParcours> travail = QtConcurrent::run([&] {
            return parcourir(criteres, annule, [&](LotResultats&&) {
                ++lots;
                while (!annule)
                    QThread::msleep(1); // the walk waits for the list, as the window makes it
            });
        });
        QTRY_VERIFY_WITH_TIMEOUT(lots > 0, 10000);
        annule = true;
        QVERIFY(travail.result().fin == FinParcours::Annulee);
        QVERIFY(lots < 1000);
    }

    void liste_pleine()
    {
        for (const char* r : {"a.txt", "b.txt", "c.txt", "S/d.txt", "S/e.txt", "T/f.txt"})
            creer(m_racine + '/' + r);
        const Releve r = parcourir_tout(m_racine, "*.txt", 512, 4);
        QVERIFY(r.bilan.fin == FinParcours::ListePleine);
        QCOMPARE(r.lignes(), chemins({"T/f.txt", "S/d.txt", "S/e.txt", "a.txt"}));
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
        const QList<QPair<QString, int>> cas = {{m_racine + "/absent", ENOENT},
                                                {m_racine + "/fichier", ENOTDIR},
                                                {m_racine + "/boucle", ELOOP},
                                                {m_racine + '/' + QString(300, u'n'), ENAMETOOLONG},
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
        QCOMPARE(arbre.niveaux(), 25);
        const Releve r = parcourir_tout(m_racine, "*.txt");
        QVERIFY(r.bilan.fin == FinParcours::Terminee);
        QCOMPARE(r.bilan.dossiers_illisibles, 1);
        QCOMPARE(r.bilan.erreur_premier_illisible, ENAMETOOLONG);
        QVERIFY(QFile::encodeName(r.bilan.premier_illisible).size() >= PATH_MAX);
        const QStringList lignes = r.lignes();
        QVERIFY(lignes.size() > 5);
        QCOMPARE(lignes.last(), m_racine + "/a.txt");
        QString attendu = m_racine;
        for (qsizetype i = lignes.size() - 2; i >= 0; --i) { // the deepest first, the start folder's last
            attendu += '/' + arbre.nom();
            QCOMPARE(lignes.at(i), attendu + "/f.txt");
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
        QCOMPARE(r.lignes(), chemins({"a\uFFFD.jpg", "b.jpg"}));
        QCOMPARE(r.lots.size(), 1);
        QCOMPARE(r.lots.first().inexactes, chemins({"a\uFFFD.jpg"}));
    }

    void raisons_et_prefixes()
    {
        QCOMPARE(raison_erreur_systeme(ENAMETOOLONG), "chemin trop long pour le système");
        QCOMPARE(raison_erreur_systeme(EACCES), "accès refusé");
        QCOMPARE(raison_erreur_systeme(EPERM), "accès refusé");
        QCOMPARE(raison_erreur_systeme(ENOENT), "dossier disparu");
        QCOMPARE(raison_erreur_systeme(ELOOP), "trop de liens symboliques dans le chemin");
        QCOMPARE(raison_erreur_systeme(ENOTDIR), "un élément du chemin n'est pas un dossier");
        QCOMPARE(raison_erreur_systeme(EMFILE), "trop de fichiers ouverts");
        QCOMPARE(raison_erreur_systeme(EIO), "erreur de lecture du support");
        QCOMPARE(raison_erreur_systeme(EXDEV), QStringLiteral("erreur du système n° %1").arg(EXDEV));
        // No double separator after a folder's name.
        QCOMPARE(prefixe_dossier("/"), "/");
        QCOMPARE(prefixe_dossier("/home/moi"), "/home/moi/");
        QCOMPARE(prefixe_dossier("/media/cle/"), "/media/cle/");
    }

    // Long texts in a real box: a path of thousands of characters (the message about a folder
    // nested too deep), or hundreds of lines, give a box that fits on the screen, with the whole
    // text in its details; a text that fits is shown as it is, without details.
    void messages_longs()
    {
        const QString chemin = long_chemin(5000);
        const QString texte = " 1 dossier(s) n'ont pas pu être lus et n'ont pas été parcourus, dont:\n" + chemin
                              + "\n(chemin trop long pour le système)";
        Boite b = montrer({texte, "Imagora", Boutons::Ok, Icone::Exclamation});
        QVERIFY(b.vue);
        QVERIFY(b.reponse == Reponse::Ok);
        QVERIFY2(b.ecran.contains(b.cadre), qPrintable(QStringLiteral("box %1x%2 on a screen of %3x%4")
                                                           .arg(b.cadre.width()).arg(b.cadre.height())
                                                           .arg(b.ecran.width()).arg(b.ecran.height())));
        QVERIFY(b.ecran.contains(b.cadre_ouvert));
        QVERIFY(b.cadre_ouvert.height() > b.cadre.height());
        // The start and the end of the path are shown, the reason too.
        QVERIFY(b.texte.contains("/début/dossier-0000"));
        QVERIFY(b.texte.contains("/fin.jpg\n(chemin trop long pour le système)"));
        QVERIFY(b.texte.contains("…"));
        QVERIFY(b.texte.size() < 1000);
        QCOMPARE(b.details, texte);

        QStringList lignes;
        for (int i = 0; i < 300; ++i)
            lignes << QStringLiteral("Ligne %1 : le fichier photo-%1.jpg ne peut pas être copié.").arg(i);
        b = montrer({lignes.join(u'\n'), "IMAGORA", Boutons::OuiNon, Icone::Question, 1});
        QVERIFY(b.vue);
        QVERIFY(b.ecran.contains(b.cadre));
        QVERIFY(b.ecran.contains(b.cadre_ouvert));
        QVERIFY(b.texte.startsWith(lignes.first() + u'\n'));
        QVERIFY(b.texte.endsWith(u'\n' + lignes.last()));
        QVERIFY(b.texte.contains("\n…\n"));
        QCOMPARE(b.details, lignes.join(u'\n'));

        b = montrer({"Le dossier /home/moi/Images n'existe plus.", "IMAGORA", Boutons::Ok, Icone::Critique});
        QVERIFY(b.vue);
        QCOMPARE(b.texte, "Le dossier /home/moi/Images n'existe plus.");
        QVERIFY(b.details.isEmpty());
    }

    // The shortening itself, on any area: start and end kept, never wider or taller than asked.
    void ajustement()
    {
        const QFontMetrics fm(QApplication::font());
        const QString texte = "Le dossier " + long_chemin(5000) + " ne peut pas être lu.";
        for (const QSize zone : {QSize(200, 100), QSize(380, 440), QSize(1000, 40)}) {
            const QString ajuste = texte_ajuste(texte, fm, zone.width(), zone.height());
            const QRect place = fm.boundingRect(QRect(0, 0, zone.width(), 1 << 24), Qt::TextWordWrap, ajuste);
            QVERIFY(place.width() <= zone.width());
            QVERIFY(place.height() <= zone.height());
            QVERIFY(ajuste.startsWith("Le dossier /d"));
            QVERIFY(ajuste.endsWith("ne peut pas être lu.") || zone.height() < 3 * fm.lineSpacing());
        }
        // One very long sentence, blanks and all, is shortened too.
        const QString ajuste = texte_ajuste(QString("mot ").repeated(20000) + "dernier", fm, 300, 200);
        QVERIFY(fm.boundingRect(QRect(0, 0, 300, 1 << 24), Qt::TextWordWrap, ajuste).height() <= 200);
        QVERIFY(ajuste.startsWith("mot mot"));
        // Twenty thousand lines: the first and the last ones stay.
        QStringList lignes;
        for (int i = 0; i < 20000; ++i)
            lignes << QStringLiteral("ligne %1").arg(i);
        const QString court = texte_ajuste(lignes.join(u'\n'), fm, 300, 200);
        QVERIFY(fm.boundingRect(QRect(0, 0, 300, 1 << 24), Qt::TextWordWrap, court).height() <= 200);
        QVERIFY(court.startsWith("ligne 0\nligne 1\n"));
        QVERIFY(court.endsWith("\nligne 19998\nligne 19999"));
        // Nothing to do: the text comes back as it was.
        QCOMPARE(texte_ajuste("Court.\nDeux lignes.", fm, 300, 200), "Court.\nDeux lignes.");
    }
};

QTEST_MAIN(TestParcours)
#include "tst_parcours.moc"
