// The search's walk on its own: no window, no event loop; what it hands over and how it ends.

#include "arbre_profond.h"
#include "forms/joker.h"
#include "search/parcours.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void creer(const QString& chemin)
{
    QDir().mkpath(QFileInfo(chemin).path());
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

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

} // namespace

class TestParcours : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_racine;

    QStringList chemins(const QStringList& relatifs) const
    {
        QStringList c;
        for (const QString& r : relatifs)
            c.append(m_racine + '/' + r);
        return c;
    }

    // 40 folders of 25 files each, under "grand".
    QString grand_arbre()
    {
        for (int i = 0; i < 40; ++i)
            for (int j = 0; j < 25; ++j)
                creer(QStringLiteral("%1/grand/d%2/f%3.txt").arg(m_racine).arg(i).arg(j));
        return m_racine + "/grand";
    }

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
        QVERIFY(::symlink("A", QFile::encodeName(m_racine + "/lien_dossier.txt").constData()) == 0);
        QVERIFY(::symlink("racine.txt", QFile::encodeName(m_racine + "/lien.txt").constData()) == 0);
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
        const QString depart = grand_arbre();
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
        QVERIFY(::symlink("boucle", QFile::encodeName(m_racine + "/boucle").constData()) == 0);
        const QString trop_long = m_racine + '/' + QString(300, u'n');
        QString profond = m_racine;
        while (profond.size() <= PATH_MAX)
            profond += QStringLiteral("/dossier");
        const struct {
            QString depart;
            int erreur;
        } cas[] = {{m_racine + "/absent", ENOENT},
                   {m_racine + "/fichier", ENOTDIR},
                   {m_racine + "/boucle", ELOOP},
                   {trop_long, ENAMETOOLONG},
                   {profond, ENAMETOOLONG}};
        for (const auto& c : cas) {
            const Releve r = parcourir_tout(c.depart, "*");
            QVERIFY(r.bilan.fin == FinParcours::DepartIllisible);
            QCOMPARE(r.bilan.erreur_depart, c.erreur);
            QVERIFY(r.lots.isEmpty());
            QCOMPARE(erreur_ouverture_dossier(c.depart), c.erreur);
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
        const QByteArray racine = QFile::encodeName(m_racine);
        QVERIFY(::mkdir((racine + "/d\xff").constData(), 0700) == 0);
        for (const QByteArray& nom : {QByteArray("/a\xff.jpg"), QByteArray("/d\xff/b.jpg")}) {
            const int fd = ::open((racine + nom).constData(), O_WRONLY | O_CREAT, 0600);
            QVERIFY(fd >= 0);
            ::close(fd);
        }
        creer(m_racine + "/b.jpg");
        const Releve r = parcourir_tout(m_racine, "*.jpg");
        QCOMPARE(r.lignes(), chemins({"a\uFFFD.jpg", "b.jpg"}));
        QCOMPARE(r.lots.size(), 1);
        QCOMPARE(r.lots.first().inexactes, chemins({"a\uFFFD.jpg"}));
        ::unlink((racine + "/d\xff/b.jpg").constData());
        ::rmdir((racine + "/d\xff").constData());
        ::unlink((racine + "/a\xff.jpg").constData());
    }

    void raisons()
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
    }

    void prefixe_sans_separateur_double()
    {
        QCOMPARE(prefixe_dossier("/"), "/");
        QCOMPARE(prefixe_dossier("/home/moi"), "/home/moi/");
        QCOMPARE(prefixe_dossier("/media/cle/"), "/media/cle/");
    }
};

QTEST_GUILESS_MAIN(TestParcours)
#include "tst_parcours.moc"
