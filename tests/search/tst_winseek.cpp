#include "arbre_profond.h"
#include "bac_a_sable.h"
#include "controles.h"
#include "forms/listedossiers.h"
#include "forms/textes.h"
#include "modal.h"
#include "search/winseek.h"
#include "startup/module.h"

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <climits>
#include <functional>
#include <memory>

namespace {

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
const Etat terminee{false, true, "&Réinitialiser", "&Quitter", "Recherche terminée.", false};

// Waits for the end of the search `fin` watches (it may have ended already).
void attendre_fin(QSignalSpy& fin)
{
    QTRY_COMPARE_WITH_TIMEOUT(fin.count(), 1, 30000);
}

// Types the pattern, presses "&Rechercher" and waits for the end of the search.
void rechercher(WinSeek* f, const QString& motif)
{
    QSignalSpy fin(f, &WinSeek::rechercheTerminee);
    enfant<QLineEdit>(f, "txtSearchSpec")->setText(motif);
    enfant<QPushButton>(f, "cmdSearch")->click();
    attendre_fin(fin);
}

// Runs `action` once, as soon as the list shows the search's first line. The walk hands its
// lines over one at a time and waits for each to be shown: it is still running then.
void pendant_recherche(WinSeek* f, std::function<void()> action)
{
    f->fixer_lots(1, 1);
    auto fait = std::make_shared<bool>(false);
    QObject::connect(f->findChild<QListView*>("lstFoundFiles")->model(), &QAbstractItemModel::rowsInserted, f,
                     [fait, action] {
                         if (!std::exchange(*fait, true))
                             action();
                     });
}

QString trop_profond(const QString& dossier)
{
    return " 1 dossier(s) n'ont pas pu être lus et n'ont pas été parcourus, dont:\n" + dossier;
}

} // namespace

class TestWinSeek : public QObject {
    Q_OBJECT

    std::optional<Essai> e;
    QString m_racine;
    QString m_precedent;

    InteractionTest& d() { return e->d(); }

    // A window opened on the tree's root, the process's current folder.
    static std::unique_ptr<WinSeek> ouvrir()
    {
        auto f = std::make_unique<WinSeek>();
        montrer(f.get());
        return f;
    }

    QStringList chemins(const QStringList& relatifs) const { return ::chemins(m_racine, relatifs); }

    void creer_tous(std::initializer_list<const char*> relatifs)
    {
        for (const char* r : relatifs)
            creer(m_racine + '/' + r);
    }

    // 1000 files in 40 folders, the process's current folder.
    void grand_arbre() { QDir::setCurrent(::grand_arbre(m_racine)); }

private Q_SLOTS:
    void init()
    {
        e.emplace();
        m_racine = e->dossier;
        m_precedent = QDir::currentPath();
        QDir::setCurrent(m_racine);
    }

    void cleanup()
    {
        QDir::setCurrent(m_precedent);
        e.reset();
    }

    void ordre_du_parcours()
    {
        creer_tous({"racine.txt", "A/a.txt", "A/.secret.txt", "A/A1/a1.txt", "A/A2/a2.txt", "B/img10.txt", "B/img2.txt",
                    "B/B2/b2.txt", "B/B10/b10.txt", "B/B10/B/fond.txt", ".cache/h.txt", "A/x.png", "d/e.txt"});
        auto f = ouvrir();
        QCOMPARE(enfant<DirListBox>(f.get(), "dirList")->Path(), m_racine);
        rechercher(f.get(), "*.TXT");
        // Subfolders from the last to the first, depth first, a folder's own files last; hidden
        // files are found, hidden folders are not walked; no double separator in a line.
        QCOMPARE(f->lignes_trouvees(), chemins({"d/e.txt", "B/B10/B/fond.txt", "B/B10/b10.txt", "B/B2/b2.txt", "B/img2.txt",
                                                "B/img10.txt", "A/A2/a2.txt", "A/A1/a1.txt", "A/.secret.txt", "A/a.txt",
                                                "racine.txt"}));
        QCOMPARE(texte(f.get(), "lblCount"), " 11");
        QCOMPARE(etat(f.get()), terminee);
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
        creer_tous({"un.GIF", "deux.jpg", "trois.Jpg", "quatre.png", "cinq.jpeg", ".six.gif", "S/sept.gIf"});
        auto f = ouvrir();
        rechercher(f.get(), "*.bmp");
        QCOMPARE(texte(f.get(), "lblCount"), "0"); // nothing found: the count is left as it was
        QCOMPARE(texte(f.get(), "lblRecherche"), "Recherche terminée.");
        enfant<QPushButton>(f.get(), "cmdSearch")->click(); // "&Réinitialiser"
        rechercher(f.get(), "*.gif;*.JPG");
        QCOMPARE(f->lignes_trouvees(), chemins({"S/sept.gIf", ".six.gif", "deux.jpg", "trois.Jpg", "un.GIF"}));
        QCOMPARE(texte(f.get(), "lblCount"), " 5");
    }

    void etats_et_reinitialisation()
    {
        creer_tous({"sous/image.txt", "sous/y/b.txt", "sous/z/a.txt"});
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
        grand_arbre();
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
        grand_arbre();
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
        grand_arbre();
        auto f = ouvrir();
        pendant_recherche(f.get(), [&] { f->close(); });
        rechercher(f.get(), "*.txt");
        QVERIFY(!f->isVisible());
        QVERIFY(f->lignes_trouvees().size() < 1000);
        QCOMPARE(texte(f.get(), "lblRecherche"), "Recherche annulée");
    }

    // The walk runs beside the window: "&Rechercher" returns at once, no event is handled inside
    // a handler (no click, key or close gets in while one runs), and what the user does during
    // the search is handled by the window's own event loop.
    void la_fenetre_repond_pendant_la_recherche()
    {
        grand_arbre();
        auto f = ouvrir();
        f->fixer_lots(1, 1);
        bool dans_un_gestionnaire = false;
        int evenements_dedans = 0;
        QTimer veille;
        veille.setInterval(0);
        connect(&veille, &QTimer::timeout, [&] { evenements_dedans += dans_un_gestionnaire ? 1 : 0; });
        veille.start();

        QSignalSpy fin(f.get(), &WinSeek::rechercheTerminee);
        enfant<QLineEdit>(f.get(), "txtSearchSpec")->setText("*.txt");
        dans_un_gestionnaire = true;
        enfant<QPushButton>(f.get(), "cmdSearch")->click();
        dans_un_gestionnaire = false;
        QCOMPARE(evenements_dedans, 0);
        QCOMPARE(etat(f.get()), en_cours);
        QVERIFY(f->en_recherche());

        // Meanwhile the lines come in with their count; Enter (the default button) starts no
        // second search inside the first.
        QTRY_VERIFY(f->lignes_trouvees().size() >= 2);
        QCOMPARE(texte(f.get(), "lblCount"), texte_nombre(f->lignes_trouvees().size()));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : f.get(), Qt::Key_Return);
        enfant<QPushButton>(f.get(), "cmdSearch")->click();
        QCOMPARE(etat(f.get()), en_cours);
        attendre_fin(fin);
        QCOMPARE(fin.first().first().toBool(), true);
        QCOMPARE(f->lignes_trouvees().size(), 1000);
        QCOMPARE(f->lignes_trouvees().constFirst(), m_racine + "/grand/d39/f0.txt");
        QCOMPARE(f->lignes_trouvees().constLast(), m_racine + "/grand/d0/f24.txt");
        QCOMPARE(texte(f.get(), "lblCount"), " 1000");
        QCOMPARE(evenements_dedans, 0);
        QVERIFY(f->lots() >= 1000);
    }

    // A search ended by closing the window: nothing more of it lands, not even in the next search.
    void fermer_puis_chercher_ailleurs()
    {
        grand_arbre();
        creer(m_racine + "/petit/p.txt");
        auto f = ouvrir();
        QSignalSpy fin(f.get(), &WinSeek::rechercheTerminee);
        // Closed as its first line comes, the window is opened again and searches elsewhere before
        // the first walk may send anything more.
        pendant_recherche(f.get(), [&] {
            f->close();
            QMetaObject::invokeMethod(
                f.get(),
                [&] {
                    f->show();
                    enfant<QPushButton>(f.get(), "cmdSearch")->click(); // "&Réinitialiser"
                    QVERIFY(f->rechercher_dans(m_racine + "/petit", "*.txt"));
                },
                Qt::QueuedConnection);
        });
        enfant<QLineEdit>(f.get(), "txtSearchSpec")->setText("*.txt");
        enfant<QPushButton>(f.get(), "cmdSearch")->click();
        QTRY_COMPARE_WITH_TIMEOUT(fin.count(), 2, 30000);
        QCOMPARE(fin.at(0).at(0).toBool(), false);
        QCOMPARE(fin.at(1).at(0).toBool(), true);
        QTest::qWait(100); // time for a late batch of the first walk to come, if it ever did
        QCOMPARE(f->lignes_trouvees(), chemins({"petit/p.txt"}));
        QCOMPARE(texte(f.get(), "lblCount"), " 1");
        QCOMPARE(texte(f.get(), "lblRecherche"), "Recherche terminée.");
    }

    // The window destroyed while its walk runs: the walk stops, nothing reaches the window.
    void fenetre_detruite_pendant_la_recherche()
    {
        grand_arbre();
        auto f = ouvrir();
        f->fixer_lots(1, 1);
        enfant<QLineEdit>(f.get(), "txtSearchSpec")->setText("*.txt");
        enfant<QPushButton>(f.get(), "cmdSearch")->click();
        QTRY_VERIFY(!f->lignes_trouvees().isEmpty());
        f.reset();
        QTest::qWait(100);
        // And a new window searches as usual.
        f = ouvrir();
        rechercher(f.get(), "*.txt");
        QCOMPARE(f->lignes_trouvees().size(), 1000);
    }

    void liste_pleine()
    {
        creer_tous({"a.txt", "b.txt", "c.txt", "S/d.txt", "S/e.txt", "T/f.txt"});
        auto f = ouvrir();
        f->fixer_capacite(4);
        rechercher(f.get(), "*.txt");
        QCOMPARE(d().messages, (QList<Message>{{" La zone de liste est pleine. Recherche abandonnée...", "Imagora"}}));
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
        creer_tous({"racine.txt", "A/a.txt", "A/A1/y.txt", "B/b.txt", "B/B1/x.txt"});
        auto f = ouvrir();
        // The start folder is read, B is walked: A goes before the walk reaches it.
        pendant_recherche(f.get(), [&] { QDir(m_racine + "/A").removeRecursively(); });
        rechercher(f.get(), "*.txt");
        QCOMPARE(f->lignes_trouvees(), chemins({"B/B1/x.txt", "B/b.txt", "racine.txt"}));
        QCOMPARE(texte(f.get(), "lblRecherche"), "Recherche terminée.");
        QCOMPARE(d().messages, (QList<Message>{{trop_profond(m_racine) + "/A\n(dossier disparu)", "Imagora", Boutons::Ok,
                                               Icone::Exclamation}}));
    }

    // Folders nested deeper than the system's longest path: the message gives that reason, and
    // the folders that could be read are searched.
    void dossier_trop_profond()
    {
        creer(m_racine + "/a.txt");
        const ArbreProfond arbre(m_racine, 25);
        QCOMPARE(arbre.niveaux(), 25);
        auto f = ouvrir();
        rechercher(f.get(), "*.txt");
        QCOMPARE(texte(f.get(), "lblRecherche"), "Recherche terminée.");
        const QStringList lignes = f->lignes_trouvees();
        QVERIFY(lignes.size() > 5);
        QCOMPARE(lignes.last(), m_racine + "/a.txt");
        QCOMPARE(texte(f.get(), "lblCount"), texte_nombre(lignes.size()));
        QCOMPARE(d().messages.size(), 1);
        const QString message = d().messages.first().texte;
        QVERIFY2(message.startsWith(trop_profond(m_racine) + '/' + arbre.nom() + '/'), qPrintable(message.left(200)));
        QVERIFY2(message.endsWith(arbre.nom() + "\n(chemin trop long pour le système)"), qPrintable(message.right(200)));
        QVERIFY(!message.contains("accès refusé"));

        // Started from the deepest folder a path reaches: its one file is found, the folder below is not.
        d().messages.clear();
        enfant<QPushButton>(f.get(), "cmdSearch")->click(); // "&Réinitialiser"
        QString profond = m_racine;
        while (QFile::encodeName(profond + '/' + arbre.nom()).size() < PATH_MAX)
            profond += '/' + arbre.nom();
        QSignalSpy fin(f.get(), &WinSeek::rechercheTerminee);
        QVERIFY(f->rechercher_dans(profond, "*.txt"));
        attendre_fin(fin);
        QCOMPARE(f->lignes_trouvees(), QStringList{profond + "/f.txt"});
        QCOMPARE(d().messages.size(), 1);
        QCOMPARE(d().messages.first().texte, trop_profond(profond) + '/' + arbre.nom() + "\n(chemin trop long pour le système)");
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

    // Only a picture previews, from the button or a double click; a name that is not text is
    // found, but its line (which spells a look-alike) never opens a picture, and a folder of such
    // a name is not entered.
    void apercu_et_noms_qui_ne_sont_pas_du_texte()
    {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(m_racine + "/photo.JPEG", "JPG"));
        creer(m_racine + "/dessin.txt");
        auto f = ouvrir();
        rechercher(f.get(), "*.*");
        QCOMPARE(f->lignes_trouvees(), chemins({"dessin.txt", "photo.JPEG"}));
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
        for (const auto& geste : {std::function<void()>([&] { apercu->click(); }),
                                  std::function<void()>([&] { QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, point(1)); })}) {
            QString titre;
            quand_modal([&](QWidget* w) {
                titre = w->windowTitle();
                w->close();
            });
            geste();
            QTRY_COMPARE(titre, "Aperçu de: " + m_racine + "/photo.JPEG"); // once the picture is decoded
            QCOMPARE(module().mode_affichage, "aperçu");
        }
        QVERIFY(d().messages.isEmpty());

        f.reset();
        NomsBruts noms;
        QVERIFY(noms_pas_du_texte(noms, m_racine));
        QVERIFY(image.save(m_racine + "/a\uFFFD.jpg", "JPG"));
        QDir().mkpath(m_racine + "/d\uFFFD");
        f = ouvrir();
        rechercher(f.get(), "*.jpg");
        QCOMPARE(f->lignes_trouvees(), chemins({"a\uFFFD.jpg", "a\uFFFD.jpg"}));
        liste = enfant<QListView>(f.get(), "lstFoundFiles");
        for (int ligne : {0, 1}) {
            QPointer<QTimer> guet = quand_modal([](QWidget* w) { w->close(); QFAIL("a picture was opened"); });
            QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, point(ligne));
            QVERIFY(!enfant<QPushButton>(f.get(), "cmdApercu")->isEnabled());
            QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, point(ligne));
            QTest::qWait(50);
            delete guet;
        }
    }

    void dossier_surligne_puis_recherche()
    {
        creer_tous({"sous/a.txt", "b.txt"});
        auto f = ouvrir();
        auto* dir = enfant<DirListBox>(f.get(), "dirList");
        auto* bouton = enfant<QPushButton>(f.get(), "cmdSearch");
        QSignalSpy fin(f.get(), &WinSeek::rechercheTerminee);
        const auto surligner = [&] {
            dir->setFocus();
            dir->setCurrentIndex(dir->model()->index(dir->model()->rowCount() - 1, 0)); // "sous", highlighted only
        };
        surligner();
        QCOMPARE(dir->List(dir->ListIndex()), m_racine + "/sous");
        QTest::keyClick(dir, Qt::Key_Return);
        QCOMPARE(dir->Path(), m_racine + "/sous");
        QCOMPARE(etat(f.get()), criteres); // opened, not searched
        QTest::keyClick(dir, Qt::Key_Return);
        attendre_fin(fin);
        QCOMPARE(f->lignes_trouvees(), chemins({"sous/a.txt"}));

        // A click on the button: leaving the list opens the highlighted folder, then it is searched.
        bouton->click(); // "&Réinitialiser"
        surligner();
        fin.clear();
        QTest::mouseClick(bouton, Qt::LeftButton, {}, bouton->rect().center());
        attendre_fin(fin);
        QCOMPARE(f->lignes_trouvees(), chemins({"sous/a.txt"}));
    }

    void aide_f1_et_a_propos_f2()
    {
        auto f = ouvrir();
        enfant<QPushButton>(f.get(), "cmdAide")->click();
        QCOMPARE(d().documents.size(), 1);
        QVERIFY(d().documents.first().toLocalFile().endsWith("/aide/recherche.htm"));
        QTest::keyClick(enfant<QLineEdit>(f.get(), "txtSearchSpec"), Qt::Key_F1);
        QCOMPARE(d().documents.size(), 2);
        enfant<QLineEdit>(f.get(), "txtSearchSpec")->setFocus();
        QVERIFY(f2_ouvre_a_propos(f.get()));
    }
};

QTEST_MAIN(TestWinSeek)
#include "tst_winseek.moc"
