#include "bac_a_sable.h"
#include "controles.h"
#include "forms/listedossiers.h"
#include "forms/textes.h"
#include "interaction_test.h"
#include "modal.h"
#include "search/winseek.h"
#include "startup/module.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString texte(QWidget* w, const QString& nom)
{
    if (auto* l = w->findChild<QLabel*>(nom))
        return l->text();
    return enfant<QPushButton>(w, nom)->text();
}

void creer(const QString& chemin)
{
    QDir().mkpath(QFileInfo(chemin).path());
    ecrire(chemin, "x");
}

// The window's state as the table of states describes it.
struct Etat {
    bool criteres, resultats;
    QString rechercher, quitter, recherche;
    bool apercu;
    bool operator==(const Etat&) const = default;
};

Etat etat(QWidget* f)
{
    auto* lbl = enfant<QLabel>(f, "lblRecherche");
    return {enfant<QWidget>(f, "Picture1")->isVisible(), enfant<QWidget>(f, "Picture2")->isVisible(),
            texte(f, "cmdSearch"), texte(f, "cmdExit"), lbl->isVisible() ? lbl->text() : QString(),
            enfant<QPushButton>(f, "cmdApercu")->isEnabled()};
}

const Etat criteres{true, false, "&Rechercher", "&Quitter", {}, false};
const Etat en_cours{false, true, "&Rechercher", "Annuler", "Recherche en cours...", false};

} // namespace

class TestWinSeek : public QObject {
    Q_OBJECT

    std::unique_ptr<BacASable> m_bac;
    std::unique_ptr<InteractionInstallee> m_dialogues;
    QString m_racine;
    QString m_precedent;

    InteractionTest& d() { return **m_dialogues; }

    // A window opened on the tree's root, the process's current folder.
    std::unique_ptr<WinSeek> ouvrir()
    {
        auto f = std::make_unique<WinSeek>();
        f->show();
        QApplication::setActiveWindow(f.get());
        if (!QTest::qWaitForWindowActive(f.get()))
            qWarning("window not active");
        return f;
    }

    static void rechercher(WinSeek* f, const QString& motif)
    {
        enfant<QLineEdit>(f, "txtSearchSpec")->setText(motif);
        enfant<QPushButton>(f, "cmdSearch")->click();
    }

    QStringList chemins(const QStringList& relatifs) const
    {
        QStringList c;
        for (const QString& r : relatifs)
            c.append(m_racine + '/' + r);
        return c;
    }

    // A folder of `dossiers` subfolders, each with `fichiers` files.
    void grand_arbre(int dossiers, int fichiers)
    {
        for (int i = 0; i < dossiers; ++i)
            for (int j = 0; j < fichiers; ++j)
                creer(QStringLiteral("%1/grand/d%2/f%3.txt").arg(m_racine).arg(i).arg(j));
        QDir::setCurrent(m_racine + "/grand");
    }

    // Runs `action` on the window at the first look at the events after a line was found.
    static void pendant_recherche(WinSeek* f, std::function<void()> action)
    {
        f->fixer_intervalle_cession(0);
        auto* guet = new QTimer(f);
        guet->setInterval(0);
        connect(guet, &QTimer::timeout, f, [f, guet, action] {
            if (f->findChild<QListView*>("lstFoundFiles")->model()->rowCount() > 0) {
                guet->stop();
                action();
            }
        });
        guet->start();
    }

private Q_SLOTS:
    void init()
    {
        m_bac = std::make_unique<BacASable>();
        m_dialogues = std::make_unique<InteractionInstallee>();
        m_racine = m_bac->chemin("arbre");
        QDir().mkpath(m_racine);
        m_precedent = QDir::currentPath();
        QDir::setCurrent(m_racine);
    }

    void cleanup()
    {
        QDir::setCurrent(m_precedent);
        m_dialogues.reset();
        m_bac.reset();
    }

    void ordre_du_parcours()
    {
        for (const char* r : {"racine.txt", "A/a.txt", "A/.secret.txt", "A/A1/a1.txt", "A/A2/a2.txt", "B/img10.txt",
                              "B/img2.txt", "B/B2/b2.txt", "B/B10/b10.txt", "B/B10/B/fond.txt", ".cache/h.txt", "A/x.png"})
            creer(m_racine + '/' + r);
        auto f = ouvrir();
        QCOMPARE(enfant<DirListBox>(f.get(), "dirList")->Path(), m_racine);
        rechercher(f.get(), "*.TXT");
        // Subfolders from the last to the first, depth first, a folder's own files last; hidden
        // files are found, hidden folders are not walked.
        const QStringList attendu = chemins({"B/B10/B/fond.txt", "B/B10/b10.txt", "B/B2/b2.txt", "B/img2.txt",
                                             "B/img10.txt", "A/A2/a2.txt", "A/A1/a1.txt", "A/.secret.txt", "A/a.txt",
                                             "racine.txt"});
        QCOMPARE(f->lignes_trouvees(), attendu);
        QCOMPARE(texte(f.get(), "lblCount"), " 10");
        QCOMPARE(etat(f.get()), (Etat{false, true, "&Réinitialiser", "&Quitter", "Recherche terminée.", false}));
        QVERIFY(d().messages.isEmpty());
    }

    void ordre_des_noms_comme_les_listes()
    {
        QStringList noms = {"a10.txt", "a9.txt", "A9.txt", "a09.txt", "É.txt", "e.txt", "f.txt", "a.txt", "a-1.txt",
                            "a_1.txt", "a1b.txt", "a001.txt", "a1.txt", "a01.txt", "Z.txt", "ä2.txt", "a 2.txt"};
        for (const QString& n : noms)
            creer(m_racine + '/' + n);
        std::sort(noms.begin(), noms.end(), [](const QString& a, const QString& b) { return comparer_noms(a, b) < 0; });
        auto f = ouvrir();
        rechercher(f.get(), "*");
        QCOMPARE(f->lignes_trouvees(), chemins(noms));
    }

    void motifs_multiples_sans_casse()
    {
        for (const char* r : {"un.GIF", "deux.jpg", "trois.Jpg", "quatre.png", "cinq.jpeg", ".six.gif", "S/sept.gIf"})
            creer(m_racine + '/' + r);
        auto f = ouvrir();
        rechercher(f.get(), "*.bmp");
        QCOMPARE(texte(f.get(), "lblCount"), "0"); // nothing found: the count is left as it was
        QCOMPARE(texte(f.get(), "lblRecherche"), "Recherche terminée.");
        enfant<QPushButton>(f.get(), "cmdSearch")->click(); // "&Réinitialiser"
        rechercher(f.get(), "*.gif;*.JPG");
        QCOMPARE(f->lignes_trouvees(), chemins({"S/sept.gIf", ".six.gif", "deux.jpg", "trois.Jpg", "un.GIF"}));
        QCOMPARE(texte(f.get(), "lblCount"), " 5");
    }

    void prefixe_sans_separateur_double()
    {
        QCOMPARE(prefixe_dossier("/"), "/");
        QCOMPARE(prefixe_dossier("/home/moi"), "/home/moi/");
        QCOMPARE(prefixe_dossier("/media/cle/"), "/media/cle/");
        creer(m_racine + "/d/e.txt");
        creer(m_racine + "/f.txt");
        auto f = ouvrir();
        rechercher(f.get(), "*.txt");
        QCOMPARE(f->lignes_trouvees(), chemins({"d/e.txt", "f.txt"}));
        for (const QString& ligne : f->lignes_trouvees())
            QVERIFY(!ligne.contains("//"));
    }

    void etats_et_reinitialisation()
    {
        for (const char* r : {"sous/image.txt", "sous/y/b.txt", "sous/z/a.txt"})
            creer(m_racine + '/' + r);
        auto f = ouvrir();
        QCOMPARE(f->windowTitle(), "Recherche de fichiers");
        QCOMPARE(etat(f.get()), criteres);
        QCOMPARE(enfant<QLineEdit>(f.get(), "txtSearchSpec")->text(), "*.*");
        auto* dir = enfant<DirListBox>(f.get(), "dirList");
        QVERIFY(dir->setPath(m_racine + "/sous"));

        Etat pendant;
        pendant_recherche(f.get(), [&] { pendant = etat(f.get()); });
        rechercher(f.get(), "*.txt");
        QCOMPARE(pendant, en_cours);
        QCOMPARE(f->lignes_trouvees(), chemins({"sous/z/a.txt", "sous/y/b.txt", "sous/image.txt"}));

        enfant<QPushButton>(f.get(), "cmdSearch")->click();
        QCOMPARE(etat(f.get()), criteres);
        QVERIFY(f->lignes_trouvees().isEmpty());
        QCOMPARE(texte(f.get(), "lblCount"), "0");
        QCOMPARE(dir->Path(), m_racine); // back on the process's current folder

        enfant<QPushButton>(f.get(), "cmdExit")->click(); // "&Quitter"
        QVERIFY(!f->isVisible());
    }

    void annuler_par_le_bouton()
    {
        grand_arbre(40, 25);
        auto f = ouvrir();
        rechercher(f.get(), "*.txt");
        const QStringList toutes = f->lignes_trouvees();
        QCOMPARE(toutes.size(), 1000);
        enfant<QPushButton>(f.get(), "cmdSearch")->click();

        Etat pendant;
        pendant_recherche(f.get(), [&] {
            pendant = etat(f.get());
            enfant<QPushButton>(f.get(), "cmdExit")->click(); // "Annuler"
        });
        rechercher(f.get(), "*.txt");
        QCOMPARE(pendant, en_cours);
        const QStringList gardees = f->lignes_trouvees();
        QVERIFY(!gardees.isEmpty());
        QVERIFY(gardees.size() < toutes.size());
        QCOMPARE(gardees, toutes.mid(0, gardees.size()));
        QCOMPARE(texte(f.get(), "lblCount"), QStringLiteral(" %1").arg(gardees.size()));
        QCOMPARE(etat(f.get()), (Etat{false, true, "&Réinitialiser", "&Quitter", "Recherche annulée", false}));
        QVERIFY(f->isVisible());
    }

    void annuler_par_echap_puis_quitter()
    {
        grand_arbre(40, 25);
        auto f = ouvrir();
        QWidget* touche = nullptr; // the key goes where a real one would: to the control with the focus
        pendant_recherche(f.get(), [&] {
            touche = QApplication::focusWidget();
            QTest::keyClick(touche ? touche : f.get(), Qt::Key_Escape);
        });
        rechercher(f.get(), "*.txt");
        QVERIFY(f->isVisible()); // Escape during a search cancels, it does not close
        QVERIFY(!f->lignes_trouvees().isEmpty());
        QVERIFY(f->lignes_trouvees().size() < 1000);
        QCOMPARE(texte(f.get(), "lblRecherche"), "Recherche annulée");
        QVERIFY(touche && f->isAncestorOf(touche));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); // now "&Quitter"
        QVERIFY(!f->isVisible());
    }

    void fermer_pendant_la_recherche()
    {
        grand_arbre(40, 25);
        auto f = ouvrir();
        pendant_recherche(f.get(), [&] { f->close(); });
        rechercher(f.get(), "*.txt");
        QVERIFY(!f->isVisible());
        QVERIFY(f->lignes_trouvees().size() < 1000);
        QCOMPARE(texte(f.get(), "lblRecherche"), "Recherche annulée");
    }

    void liste_pleine()
    {
        for (const char* r : {"a.txt", "b.txt", "c.txt", "S/d.txt", "S/e.txt", "T/f.txt"})
            creer(m_racine + '/' + r);
        auto f = ouvrir();
        f->fixer_capacite(4);
        rechercher(f.get(), "*.txt");
        QCOMPARE(d().messages.size(), 1);
        const Message m = d().messages.first();
        QCOMPARE(m.texte, " La zone de liste est pleine. Recherche abandonnée...");
        QCOMPARE(m.titre, "Imagora");
        QVERIFY(m.boutons == Boutons::Ok && m.icone == Icone::Aucune);
        QCOMPARE(f->lignes_trouvees(), chemins({"T/f.txt", "S/d.txt", "S/e.txt", "a.txt"}));
        QCOMPARE(texte(f.get(), "lblCount"), " 4");
        QCOMPARE(texte(f.get(), "lblRecherche"), "Recherche annulée");

        // Exactly as many lines as the list holds: no message.
        enfant<QPushButton>(f.get(), "cmdSearch")->click();
        f->fixer_capacite(6);
        rechercher(f.get(), "*.txt");
        QCOMPARE(d().messages.size(), 1);
        QCOMPARE(texte(f.get(), "lblRecherche"), "Recherche terminée.");
    }

    void dossier_disparu_pendant_la_recherche()
    {
        for (const char* r : {"racine.txt", "A/a.txt", "A/A1/y.txt", "B/b.txt", "B/B1/x.txt"})
            creer(m_racine + '/' + r);
        auto f = ouvrir();
        f->fixer_intervalle_cession(0);
        int passages = 0;
        QTimer guet;
        guet.setInterval(0);
        connect(&guet, &QTimer::timeout, [&] {
            if (++passages == 2) // the start folder is read: A goes before the walk reaches it
                QDir(m_racine + "/A").removeRecursively();
        });
        guet.start();
        rechercher(f.get(), "*.txt");
        QCOMPARE(f->lignes_trouvees(), chemins({"B/B1/x.txt", "B/b.txt", "racine.txt"}));
        QCOMPARE(texte(f.get(), "lblRecherche"), "Recherche terminée.");
        QCOMPARE(d().messages.size(), 1);
        QCOMPARE(d().messages.first().texte,
                 " 1 dossier(s) n'ont pas pu être lus (accès refusé ou dossier disparu) et n'ont pas été parcourus, dont:\n"
                     + m_racine + "/A");
    }

    void dossier_de_depart_disparu()
    {
        creer(m_racine + "/parti/a.txt");
        auto f = ouvrir();
        QVERIFY(enfant<DirListBox>(f.get(), "dirList")->setPath(m_racine + "/parti"));
        QDir(m_racine + "/parti").removeRecursively();
        rechercher(f.get(), "*.txt");
        QVERIFY(f->lignes_trouvees().isEmpty());
        QCOMPARE(texte(f.get(), "lblRecherche"), "Recherche annulée");
        QCOMPARE(d().messages.size(), 1);
        QCOMPARE(d().messages.first().texte, "Le dossier " + m_racine + "/parti n'existe plus.");
        QVERIFY(f->isVisible());
    }

    void image_et_apercu()
    {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(m_racine + "/photo.JPEG", "JPG"));
        creer(m_racine + "/dessin.png");
        auto f = ouvrir();
        rechercher(f.get(), "*.*");
        QCOMPARE(f->lignes_trouvees(), chemins({"dessin.png", "photo.JPEG"}));
        auto* liste = enfant<QListView>(f.get(), "lstFoundFiles");
        auto* apercu = enfant<QPushButton>(f.get(), "cmdApercu");
        const auto point = [&](int ligne) { return liste->visualRect(liste->model()->index(ligne, 0)).center(); };

        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, point(1));
        QVERIFY(apercu->isEnabled());
        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, point(0));
        QVERIFY(!apercu->isEnabled());
        QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, point(0));
        QVERIFY(!apercu->isEnabled());

        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, point(1));
        QString titre;
        quand_modal([&](QWidget* w) {
            titre = w->windowTitle();
            w->close();
        });
        apercu->click();
        QTRY_COMPARE(titre, "Aperçu de: " + m_racine + "/photo.JPEG"); // once the picture is decoded
        QCOMPARE(module().mode_affichage, "aperçu");

        titre.clear();
        quand_modal([&](QWidget* w) {
            titre = w->windowTitle();
            w->close();
        });
        QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, point(1));
        QTRY_COMPARE(titre, "Aperçu de: " + m_racine + "/photo.JPEG");
        QVERIFY(d().messages.isEmpty());
    }

    // A name that is not text is found, but its line (which spells a look-alike) never opens
    // a picture; a folder of such a name is not entered.
    void noms_qui_ne_sont_pas_du_texte()
    {
        const QByteArray racine = QFile::encodeName(m_racine);
        QVERIFY(::mkdir((racine + "/d\xff").constData(), 0700) == 0);
        for (const QByteArray& nom : {QByteArray("/a\xff.jpg"), QByteArray("/d\xff/b.jpg")}) {
            const int fd = ::open((racine + nom).constData(), O_WRONLY | O_CREAT, 0600);
            QVERIFY(fd >= 0);
            ::close(fd);
        }
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(m_racine + "/a\uFFFD.jpg", "JPG"));
        QDir().mkpath(m_racine + "/d\uFFFD");
        auto f = ouvrir();
        rechercher(f.get(), "*.jpg");
        QCOMPARE(f->lignes_trouvees(), chemins({"a\uFFFD.jpg", "a\uFFFD.jpg"}));
        auto* liste = enfant<QListView>(f.get(), "lstFoundFiles");
        for (int ligne : {0, 1}) {
            QPointer<QTimer> guet = quand_modal([](QWidget* w) { w->close(); QFAIL("a picture was opened"); });
            const QPoint point = liste->visualRect(liste->model()->index(ligne, 0)).center();
            QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, point);
            QVERIFY(!enfant<QPushButton>(f.get(), "cmdApercu")->isEnabled());
            QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, point);
            QTest::qWait(50);
            delete guet;
        }
        ::unlink((racine + "/d\xff/b.jpg").constData()); // Qt cannot name them to remove them
        ::rmdir((racine + "/d\xff").constData());
        ::unlink((racine + "/a\xff.jpg").constData());
    }

    void dossier_surligne_puis_recherche()
    {
        creer(m_racine + "/sous/a.txt");
        creer(m_racine + "/b.txt");
        auto f = ouvrir();
        auto* dir = enfant<DirListBox>(f.get(), "dirList");
        dir->setFocus();
        dir->setCurrentIndex(dir->model()->index(dir->model()->rowCount() - 1, 0)); // "sous", highlighted only
        QCOMPARE(dir->List(dir->ListIndex()), m_racine + "/sous");
        QTest::keyClick(dir, Qt::Key_Return);
        QCOMPARE(dir->Path(), m_racine + "/sous");
        QCOMPARE(etat(f.get()), criteres); // opened, not searched
        QTest::keyClick(dir, Qt::Key_Return);
        QCOMPARE(f->lignes_trouvees(), chemins({"sous/a.txt"}));

        // A click on the button: leaving the list opens the highlighted folder, then it is searched.
        enfant<QPushButton>(f.get(), "cmdSearch")->click(); // "&Réinitialiser"
        dir->setFocus();
        dir->setCurrentIndex(dir->model()->index(dir->model()->rowCount() - 1, 0));
        auto* bouton = enfant<QPushButton>(f.get(), "cmdSearch");
        QTest::mouseClick(bouton, Qt::LeftButton, {}, bouton->rect().center());
        QCOMPARE(f->lignes_trouvees(), chemins({"sous/a.txt"}));
    }

    void aide_f1()
    {
        auto f = ouvrir();
        enfant<QPushButton>(f.get(), "cmdAide")->click();
        QCOMPARE(d().documents.size(), 1);
        QVERIFY(d().documents.first().toLocalFile().endsWith("/aide/recherche.htm"));
        QTest::keyClick(enfant<QLineEdit>(f.get(), "txtSearchSpec"), Qt::Key_F1);
        QCOMPARE(d().documents.size(), 2);

        bool apropos = false;
        quand_modal([&](QWidget* w) {
            apropos = w != f.get();
            w->close();
        });
        QTest::keyClick(enfant<QLineEdit>(f.get(), "txtSearchSpec"), Qt::Key_F2);
        QVERIFY(apropos);
    }
};

QTEST_MAIN(TestWinSeek)
#include "tst_winseek.moc"
