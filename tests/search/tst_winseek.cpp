// The search window's own part: its captions and states, its buttons and keys, its messages, and a
// walk that runs beside it (what the walk finds, and in what order, is tst_parcours's).

#include "arbre_profond.h"
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

#include <functional>
#include <memory>

namespace {

// The window's state: which panel shows, the two buttons' captions, the search's caption, the
// preview button.
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
const Etat annulee{false, true, "&Réinitialiser", "&Quitter", "Recherche annulée", false};

void attendre_fin(QSignalSpy& fin, int n = 1)
{
    QTRY_COMPARE_WITH_TIMEOUT(fin.count(), n, 30000);
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

} // namespace

class TestWinSeek : public QObject {
    Q_OBJECT

    std::optional<Essai> e;
    QString m_racine;
    QString m_precedent;

    InteractionTest& d() { return e->d(); }

    // A window opened on the tree's root, the process's current folder.
    static std::unique_ptr<WinSeek> ouvrir() { return std::unique_ptr<WinSeek>(montrer(new WinSeek)); }

    QStringList chemins(const QStringList& relatifs) const { return ::chemins(m_racine, relatifs); }

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

    void etats_et_reinitialisation()
    {
        creer_tous(m_racine, {"sous/image.txt", "sous/y/b.txt", "sous/z/a.txt"});
        auto f = ouvrir();
        QCOMPARE(f->windowTitle(), "Recherche de fichiers");
        QCOMPARE(etat(f.get()), criteres);
        QCOMPARE(enfant<QLineEdit>(f.get(), "txtSearchSpec")->text(), "*.*");
        auto* dir = enfant<DirListBox>(f.get(), "dirList");
        QCOMPARE(dir->Path(), m_racine);
        rechercher(f.get(), "*.bmp");
        QCOMPARE(etat(f.get()), terminee);
        QCOMPARE(texte(f.get(), "lblCount"), "0"); // nothing found: the count is left as it was
        enfant<QPushButton>(f.get(), "cmdSearch")->click(); // "&Réinitialiser"

        // Searched from the folder opened in the list, the lines as found, and their count.
        QVERIFY(dir->setPath(m_racine + "/sous"));
        Etat pendant;
        pendant_recherche(f.get(), [&] { pendant = etat(f.get()); });
        rechercher(f.get(), "*.TXT");
        QCOMPARE(pendant, en_cours);
        QCOMPARE(etat(f.get()), terminee);
        QCOMPARE(f->lignes_trouvees(), chemins({"sous/z/a.txt", "sous/y/b.txt", "sous/image.txt"}));
        QCOMPARE(texte(f.get(), "lblCount"), " 3");
        QVERIFY(d().messages.isEmpty());

        enfant<QPushButton>(f.get(), "cmdSearch")->click();
        QCOMPARE(etat(f.get()), criteres);
        QVERIFY(f->lignes_trouvees().isEmpty());
        QCOMPARE(texte(f.get(), "lblCount"), "0");
        QCOMPARE(dir->Path(), m_racine); // back on the process's current folder

        enfant<QPushButton>(f.get(), "cmdExit")->click(); // "&Quitter"
        QVERIFY(!f->isVisible());
    }

    // "Annuler", Escape (to the control with the focus, as a real key) or closing the window stop
    // the search; what was found stays. Escape during a search cancels, it does not close: a
    // second one does.
    void annuler_pendant_la_recherche_data()
    {
        QTest::addColumn<int>("geste");
        QTest::newRow("Annuler") << 0;
        QTest::newRow("Échap") << 1;
        QTest::newRow("fermeture") << 2;
    }

    void annuler_pendant_la_recherche()
    {
        QFETCH(int, geste);
        grand_arbre();
        auto f = ouvrir();
        Etat pendant;
        QWidget* touche = nullptr;
        pendant_recherche(f.get(), [&] {
            pendant = etat(f.get());
            if (geste == 0)
                enfant<QPushButton>(f.get(), "cmdExit")->click();
            else if (geste == 1)
                QTest::keyClick(touche = QApplication::focusWidget(), Qt::Key_Escape);
            else
                f->close();
        });
        rechercher(f.get(), "*.txt");
        QCOMPARE(pendant, en_cours);
        const QStringList gardees = f->lignes_trouvees();
        QVERIFY(!gardees.isEmpty() && gardees.size() < 1000);
        QCOMPARE(texte(f.get(), "lblCount"), texte_nombre(gardees.size()));
        QCOMPARE(texte(f.get(), "lblRecherche"), "Recherche annulée");
        QCOMPARE(f->isVisible(), geste != 2);
        if (geste != 2)
            QCOMPARE(etat(f.get()), annulee);
        if (geste == 1) {
            QVERIFY(touche && f->isAncestorOf(touche));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); // now "&Quitter"
            QVERIFY(!f->isVisible());
        }
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
        connect(&veille, &QTimer::timeout, [&] { evenements_dedans += dans_un_gestionnaire ? 1 : 0; });
        veille.start(0);

        QSignalSpy fin(f.get(), &WinSeek::rechercheTerminee);
        enfant<QLineEdit>(f.get(), "txtSearchSpec")->setText("*.txt");
        dans_un_gestionnaire = true;
        enfant<QPushButton>(f.get(), "cmdSearch")->click();
        dans_un_gestionnaire = false;
        QCOMPARE(evenements_dedans, 0);
        QCOMPARE(etat(f.get()), en_cours);

        // Meanwhile the lines come in with their count; Enter (the default button) starts no
        // second search inside the first.
        QTRY_VERIFY(f->lignes_trouvees().size() >= 2);
        QCOMPARE(texte(f.get(), "lblCount"), texte_nombre(f->lignes_trouvees().size()));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : f.get(), Qt::Key_Return);
        enfant<QPushButton>(f.get(), "cmdSearch")->click();
        QCOMPARE(etat(f.get()), en_cours);
        attendre_fin(fin);
        QCOMPARE(fin.first().first().toBool(), true);
        const QStringList l = f->lignes_trouvees();
        QCOMPARE((QStringList{QString::number(l.size()), l.constFirst(), l.constLast(), texte(f.get(), "lblCount")}),
                 (QStringList{"1000", m_racine + "/grand/d39/f0.txt", m_racine + "/grand/d0/f24.txt", " 1000"}));
        QVERIFY(evenements_dedans == 0 && f->lots() >= 1000);
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
            QMetaObject::invokeMethod(f.get(), [&] {
                f->show();
                enfant<QPushButton>(f.get(), "cmdSearch")->click(); // "&Réinitialiser"
                QVERIFY(f->rechercher_dans(m_racine + "/petit", "*.txt"));
            }, Qt::QueuedConnection);
        });
        enfant<QLineEdit>(f.get(), "txtSearchSpec")->setText("*.txt");
        enfant<QPushButton>(f.get(), "cmdSearch")->click();
        attendre_fin(fin, 2);
        QVERIFY(!fin.at(0).at(0).toBool() && fin.at(1).at(0).toBool()); // cancelled, then whole
        QTest::qWait(100); // time for a late batch of the first walk to come, if it ever did
        QCOMPARE(f->lignes_trouvees(), chemins({"petit/p.txt"}));
        QCOMPARE(texte(f.get(), "lblCount"), " 1");
        QCOMPARE(etat(f.get()), terminee);
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
        f = nullptr; // destroyed; a new window then searches as usual
        QTest::qWait(100);
        f = ouvrir();
        rechercher(f.get(), "*.txt");
        QCOMPARE(f->lignes_trouvees().size(), 1000);
    }

    // The ends that are told: a full list, a folder gone during the search (with the reason), the
    // start folder gone before it.
    void messages_de_fin()
    {
        creer_tous(m_racine, {"racine.txt", "A/a.txt", "A/A1/y.txt", "B/b.txt", "B/B1/x.txt", "parti/p.txt"});
        auto f = ouvrir();
        f->fixer_capacite(4);
        rechercher(f.get(), "*.txt");
        QCOMPARE(d().messages, (QList<Message>{{" La zone de liste est pleine. Recherche abandonnée...", "Imagora"}}));
        QCOMPARE(f->lignes_trouvees().size(), 4);
        QCOMPARE(etat(f.get()), annulee);
        QCOMPARE(texte(f.get(), "lblCount"), " 4");

        // The start folder is read, "parti" then B are walked: A goes before the walk reaches it.
        d().messages.clear();
        f->fixer_capacite(capacite_liste);
        enfant<QPushButton>(f.get(), "cmdSearch")->click();
        pendant_recherche(f.get(), [&] { QDir(m_racine + "/A").removeRecursively(); });
        rechercher(f.get(), "*.txt");
        QCOMPARE(f->lignes_trouvees(), chemins({"parti/p.txt", "B/B1/x.txt", "B/b.txt", "racine.txt"}));
        QCOMPARE(etat(f.get()), terminee);
        QCOMPARE(d().messages, (QList<Message>{{" 1 dossier(s) n'ont pas pu être lus et n'ont pas été parcourus, dont:\n"
                                                    + m_racine + "/A\n(dossier disparu)",
                                                "Imagora", Boutons::Ok, Icone::Exclamation}}));

        d().messages.clear();
        enfant<QPushButton>(f.get(), "cmdSearch")->click();
        QVERIFY(enfant<DirListBox>(f.get(), "dirList")->setPath(m_racine + "/parti"));
        QDir(m_racine + "/parti").removeRecursively();
        rechercher(f.get(), "*.txt");
        QVERIFY(f->lignes_trouvees().isEmpty());
        QCOMPARE(etat(f.get()), annulee);
        QCOMPARE(d().messages, (QList<Message>{{"Le dossier " + m_racine + "/parti n'existe plus.", "Imagora"}}));
        QVERIFY(f->isVisible());
    }

    // Only a picture previews, from the button or a double click.
    void apercu_d_une_image()
    {
        QVERIFY(QImage(echantillon("hopper.jpg")).save(m_racine + "/photo.JPEG", "JPG"));
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
        for (int double_clic : {0, 1}) {
            QString titre;
            quand_modal([&](QWidget* w) {
                titre = w->windowTitle();
                w->close();
            });
            if (double_clic)
                QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, point(1));
            else
                apercu->click();
            QTRY_COMPARE(titre, "Aperçu de: " + m_racine + "/photo.JPEG"); // once the picture is decoded
            QCOMPARE(module().mode_affichage, "aperçu");
        }
        QVERIFY(d().messages.isEmpty());
    }

    // A name that is not text is found, but its line (which spells a look-alike, here a real
    // picture of that very name) never opens a picture; a folder of such a name is not entered.
    void noms_qui_ne_sont_pas_du_texte()
    {
        NomsBruts noms;
        QVERIFY(noms_pas_du_texte(noms, m_racine));
        QVERIFY(QFile::copy(echantillon("hopper.jpg"), m_racine + "/a\uFFFD.jpg"));
        QDir().mkpath(m_racine + "/d\uFFFD");
        auto f = ouvrir();
        rechercher(f.get(), "*.jpg");
        QCOMPARE(f->lignes_trouvees(), chemins({"a\uFFFD.jpg", "a\uFFFD.jpg"}));
        auto* liste = enfant<QListView>(f.get(), "lstFoundFiles");
        for (int ligne : {0, 1}) {
            const QPoint point = liste->visualRect(liste->model()->index(ligne, 0)).center();
            QPointer<QTimer> guet = quand_modal([](QWidget* w) { w->close(); QFAIL("a picture was opened"); });
            QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, point);
            QVERIFY(!enfant<QPushButton>(f.get(), "cmdApercu")->isEnabled());
            QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, point);
            QTest::qWait(50);
            delete guet;
        }
    }

    // Return on a highlighted folder opens it, a second Return searches it; a click on the button
    // leaves the list, which opens the highlighted folder, then searches it.
    void dossier_surligne_puis_recherche()
    {
        creer_tous(m_racine, {"sous/a.txt", "b.txt"});
        auto f = ouvrir();
        auto* dir = enfant<DirListBox>(f.get(), "dirList");
        auto* bouton = enfant<QPushButton>(f.get(), "cmdSearch");
        QSignalSpy fin(f.get(), &WinSeek::rechercheTerminee);
        const auto surligner = [&] {
            dir->setFocus();
            dir->setCurrentIndex(dir->model()->index(dir->model()->rowCount() - 1, 0)); // "sous", highlighted only
            QCOMPARE(dir->List(dir->ListIndex()), m_racine + "/sous");
        };
        surligner();
        QTest::keyClick(dir, Qt::Key_Return);
        QCOMPARE(dir->Path(), m_racine + "/sous");
        QCOMPARE(etat(f.get()), criteres);
        QTest::keyClick(dir, Qt::Key_Return);
        attendre_fin(fin);
        QCOMPARE(f->lignes_trouvees(), chemins({"sous/a.txt"}));

        bouton->click(); // "&Réinitialiser"
        surligner();
        QTest::mouseClick(bouton, Qt::LeftButton, {}, bouton->rect().center());
        attendre_fin(fin, 2);
        QCOMPARE(f->lignes_trouvees(), chemins({"sous/a.txt"}));
    }

    void aide_f1_et_a_propos_f2()
    {
        auto f = ouvrir();
        enfant<QPushButton>(f.get(), "cmdAide")->click();
        QTest::keyClick(enfant<QLineEdit>(f.get(), "txtSearchSpec"), Qt::Key_F1);
        QCOMPARE(d().documents.size(), 2);
        QVERIFY(d().documents.first().toLocalFile().endsWith("/aide/recherche.htm") && d().documents.last() == d().documents.first());
        enfant<QLineEdit>(f.get(), "txtSearchSpec")->setFocus();
        QVERIFY(f2_ouvre_a_propos(f.get()));
    }
};

QTEST_MAIN(TestWinSeek)
#include "tst_winseek.moc"
