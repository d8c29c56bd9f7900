#include "../picture/fichiers_essai.h"
#include "bac_a_sable.h"
#include "controles.h"
#include "browser/frmvisualiseur.h"
#include "forms/listefichiers.h"
#include "modal.h"
#include "son.h"
#include "show/frmapercu.h"
#include "show/frmdiaporama.h"
#include "show/frmveille.h"
#include "show/lecteurson.h"
#include "startup/module.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {

using essai::ecart_moyen;

// The 32x32 square around `centre`.
QRect carre_autour(QPoint centre)
{
    return QRect(centre - QPoint(16, 16), QSize(32, 32));
}

bool tient_dans(QSize taille, QSize ecran)
{
    return taille.width() <= ecran.width() && taille.height() <= ecran.height();
}

// A 3000x2000 JPEG whose pixels tell where they are, written to `chemin`; the picture as read whole.
QImage grande_image(const QString& chemin)
{
    return essai::reperee(QSize(3000, 2000)).save(chemin, "JPEG", 95) ? image_complete(chemin).image : QImage();
}

// The settings given, then the show's mode and loop, as the launcher or the start leave them.
void regler(std::initializer_list<std::pair<const char*, QString>> reglages, const char* mode = "veille", bool boucle = true)
{
    for (const auto& [cle, valeur] : reglages)
        module().parametres.sauver(cle, valeur);
    module().mode_affichage = mode;
    module().boucle = boucle;
}

// The one box that ends a show of `n` pictures.
QList<Message> fin(int n, const char* titre)
{
    return {{QString::number(n) + " image(s) visionnée(s).", titre, Boutons::Ok, Icone::Information}};
}

} // namespace

class TestSpectacles : public QObject {
    Q_OBJECT

    std::optional<Essai> e;
    QString m_dossier;
    FileListBox m_fichiers;

    InteractionTest& d() { return e->d(); }
    QString copier(const QString& source, const QString& nom) { return e->copier(source, nom); }
    void deux_images() { copier("hopper.bmp", "a.bmp"), copier("chi.gif", "b.gif"); } // 128 x 128, 320 x 240

    // The background sound `octets`, named `nom`, and the player the program makes for it.
    QString avec_son(const QString& nom, const QByteArray& octets)
    {
        const QString son = e->bac.chemin(nom);
        ecrire(son, octets);
        module().parametres.sauver("son", son);
        module().lecteur_son = std::make_unique<LecteurSon>();
        return son;
    }

    // `regarder` on the modal window once it opens; the window then closes, even when a check fails.
    static void regarder_puis_fermer(std::function<void(QWidget*)> regarder)
    {
        quand_modal([regarder](QWidget* w) { const auto fermer = qScopeGuard([w] { w->close(); }); regarder(w); });
    }

    // The launcher as the browser opens it, on the pictures of the folder that match `motif`
    // (deleted on close).
    QPointer<frmDiaporama> ouvrir_lanceur(const QString& motif)
    {
        m_fichiers.setPattern(motif);
        m_fichiers.setPath(m_dossier);
        QPointer<frmDiaporama> l = new frmDiaporama(m_fichiers);
        l->setAttribute(Qt::WA_DeleteOnClose);
        return montrer(l.get());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(LecteurSon::nombre_sorties_audio() >= 1, "the test's sound server gives no audio output");
    }

    void init()
    {
        e.emplace();
        m_dossier = e->dossier;
        module().boucle = false;
        module().mode_affichage.clear();
    }

    void cleanup()
    {
        QVERIFY2(!QGuiApplication::overrideCursor(), "the pointer must be visible again");
        module().lecteur_son.reset();
        e.reset();
    }

    void lanceur()
    {
        regler({{"secondes", "4"}, {"veille", "1"}});
        FileListBox fichiers;
        {
            frmDiaporama lanceur(fichiers);
            QCOMPARE(lanceur.windowTitle(), QString("Diaporama/Veille"));
            auto* temps = enfant<QComboBox>(&lanceur, "cboTemps");
            auto* veille = enfant<QCheckBox>(&lanceur, "chkVeille");
            auto* boucle = enfant<QCheckBox>(&lanceur, "chkBoucle");
            QCOMPARE((QStringList{QString::number(temps->count()), temps->itemText(59), temps->currentText()}), (QStringList{"60", " 60", " 5"}));
            QCOMPARE(lanceur.intervalle_ms(), 5000);
            QVERIFY(veille->isChecked() && boucle->isChecked());
            // A time is saved the moment it is picked.
            temps->setCurrentIndex(11);
            QCOMPARE(module().parametres.lire("secondes"), QString("11"));
            QCOMPARE(lanceur.intervalle_ms(), 12000);
            // Unticking the screen saver leaves the loop; ticking it ticks the loop.
            veille->click();
            QVERIFY(!veille->isChecked() && boucle->isChecked());
            boucle->click();
            veille->click();
            QVERIFY(veille->isChecked() && boucle->isChecked());
            QVERIFY(f2_ouvre_a_propos(&lanceur));
        }
        regler({{"veille", "0"}, {"secondes", "77"}}); // outside the list
        frmDiaporama lanceur(fichiers);
        QVERIFY(!enfant<QCheckBox>(&lanceur, "chkVeille")->isChecked() && !enfant<QCheckBox>(&lanceur, "chkBoucle")->isChecked());
        QCOMPARE(enfant<QComboBox>(&lanceur, "cboTemps")->currentText(), QString(" 5"));
        QCOMPARE(module().parametres.lire("secondes"), QString("4"));
    }

    void diaporama_jusqu_au_bout()
    {
        copier("hopper.bmp", "a.bmp"); // 128 x 128
        copier("iptc.jpg", "b.jpg");   // 640 x 480
        copier("chi.gif", "c.gif");    // 320 x 240
        module().mode_affichage = "diaporama";
        frmApercu diaporama({m_dossier, "*.bmp;*.jpg;*.gif", 150});
        QCOMPARE(diaporama.windowTitle(), QString("DIAPORAMA:"));
        QVERIFY(diaporama.findChild<QLabel*>("txtInfo")->isVisibleTo(&diaporama));
        diaporama.show();
        QStringList vus;
        QList<QSize> tailles;
        connect(&diaporama, &QWidget::windowTitleChanged, this, [&](const QString& t) {
            vus.append(t);
            tailles.append(diaporama.size());
        });
        QTRY_VERIFY_WITH_TIMEOUT(!diaporama.isVisible(), 10000);
        const QString t = "DIAPORAMA: " + m_dossier;
        QCOMPARE(vus, (QStringList{t + "/a.bmp", t + "/b.jpg", t + "/c.gif"}));
        QCOMPARE(tailles, (QList<QSize>{{128, 128}, {640, 480}, {320, 240}}));
        QCOMPARE(d().messages, fin(3, "Fin du diaporama"));
    }

    void diaporama_en_boucle_avec_une_image_abimee()
    {
        copier("hopper.bmp", "a.bmp");
        ecrire(m_dossier + "/b.bmp", "abîmé");
        copier("chi.gif", "c.bmp");
        regler({}, "diaporama");
        frmApercu diaporama({m_dossier, "*.bmp", 300});
        diaporama.show();
        auto* info = diaporama.findChild<QLabel*>("txtInfo");
        const QString titre = "DIAPORAMA: " + m_dossier;
        // The previous picture stays, with the error text over it; the next one clears it; then round again.
        QTRY_COMPARE_WITH_TIMEOUT(diaporama.windowTitle(), titre + "/b.bmp", 5000);
        QVERIFY(info->isVisible() && diaporama.size() == QSize(128, 128));
        QCOMPARE(info->text(), QString("Erreur lors de la lecture du fichier"));
        QTRY_COMPARE_WITH_TIMEOUT(diaporama.windowTitle(), titre + "/c.bmp", 5000);
        QVERIFY(!info->isVisible() && diaporama.size() == QSize(320, 240));
        QTRY_COMPARE_WITH_TIMEOUT(diaporama.windowTitle(), titre + "/a.bmp", 5000);
        QTest::keyClick(&diaporama, Qt::Key_Space);
        QVERIFY(!diaporama.isVisible());
        QVERIFY(d().messages.isEmpty());
    }

    void vue_taille_reelle()
    {
        const QString photo = copier("iptc.jpg", "photo.jpg"), abimee = m_dossier + "/abime.jpg";
        ecrire(abimee, "x");
        QString titre;
        QSize interieur;
        bool modale = false;
        quand_modal([&](QWidget* w) {
            titre = w->windowTitle();
            interieur = w->size();
            modale = w->isModal();
            QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(10, 10));
        });
        // Nothing waits for the decoding: the call returns before anything else has run.
        bool autre_chose = false;
        QTimer::singleShot(0, this, [&] { autre_chose = true; });
        frmApercu::voir_taille_reelle(nullptr, photo);
        QVERIFY(!autre_chose);
        QTRY_COMPARE_WITH_TIMEOUT(titre, "Aperçu de: " + photo, 10000);
        QVERIFY(modale && interieur == QSize(640, 480));
        QCOMPARE(module().mode_affichage, QString("aperçu"));
        QTRY_VERIFY(!QApplication::activeModalWidget());

        frmApercu::voir_taille_reelle(nullptr, abimee);
        QTRY_COMPARE(d().messages, (QList<Message>{{"Lecture du fichier impossible: format non reconnu ou détérioré.",
                                                     "Information", Boutons::Ok, Icone::Information}}));
        // The window that asked closes before the picture is ready: nothing opens, nothing is said.
        auto* demandeur = new QWidget;
        demandeur->show();
        frmApercu::voir_taille_reelle(demandeur, photo);
        frmApercu::voir_taille_reelle(demandeur, abimee);
        delete demandeur;
        // A later request replaces an earlier one that has not opened yet.
        QString vue;
        quand_modal([&](QWidget* w) {
            vue = w->windowTitle();
            w->close();
        });
        frmApercu::voir_taille_reelle(nullptr, abimee);
        frmApercu::voir_taille_reelle(nullptr, photo);
        QTRY_COMPARE_WITH_TIMEOUT(vue, "Aperçu de: " + photo, 10000);
        QTest::qWait(300);
        QCOMPARE(d().messages.size(), 1);
    }

    void image_plus_grande_que_l_ecran()
    {
        // The slide show's window is as large as the picture, centred on the screen; only what the
        // screen shows is held, in its place, and what comes into view when it moves is read then.
        const QSize ecran = QGuiApplication::primaryScreen()->geometry().size(), naturelle(3000, 2000);
        QVERIFY(!tient_dans(naturelle, ecran));
        const QString chemin = m_dossier + "/grande.jpg";
        const QImage complete = grande_image(chemin);
        const QRect coin(0, 0, 32, 32), centre = carre_autour(QPoint(1500, 1000));
        const auto ecart = [&](QWidget* w, QRect r) { return ecart_moyen(w->grab(r).toImage(), complete.copy(r)); };

        module().mode_affichage = "diaporama";
        frmApercu diaporama({m_dossier, "*.jpg", 3000});
        diaporama.show();
        QTRY_COMPARE_WITH_TIMEOUT(diaporama.windowTitle(), "DIAPORAMA: " + chemin, 10000);
        QCOMPARE(diaporama.size(), naturelle);
        QVERIFY(ecart(&diaporama, centre) < 1);
        QVERIFY(ecart(&diaporama, coin) > 20); // not on screen, not read
        diaporama.move(0, 0);
        QTRY_VERIFY(ecart(&diaporama, coin) < 1);
        QVERIFY(tient_dans(enfant<QLabel>(&diaporama, "Image1")->pixmap().size(), ecran));
        QTest::keyClick(&diaporama, Qt::Key_Space);
        QVERIFY(!diaporama.isVisible());

        // The real-size view does the same.
        QSize tenue;
        double ecart_centre = 255, ecart_coin = 255;
        regarder_puis_fermer([&](QWidget* w) {
            QTRY_COMPARE_WITH_TIMEOUT(w->size(), naturelle, 10000);
            ecart_centre = ecart(w, centre);
            w->move(0, 0);
            QTRY_VERIFY((ecart_coin = ecart(w, coin)) < 1);
            tenue = enfant<QLabel>(w, "Image1")->pixmap().size();
        });
        frmApercu::voir_taille_reelle(nullptr, chemin);
        QTRY_VERIFY_WITH_TIMEOUT(tenue.isValid(), 10000);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(tient_dans(tenue, ecran) && ecart_centre < 1 && ecart_coin < 1);

        // The screen saver, at the natural size: the screen's centre shows the picture's centre,
        // its corner the picture where it falls, and only the part inside the screen is held.
        regler({{"chemin fichier", "0"}, {"informations", "0"}, {"couleur fond", "0"}, {"taille", "0"}});
        const SourceDiaporama source{m_dossier, "*.jpg", 100};
        frmVeille veille(&source);
        QRectF rect;
        QImage vu;
        regarder_puis_fermer([&](QWidget* w) {
            QTRY_VERIFY_WITH_TIMEOUT(!veille.rect_image().isEmpty(), 10000);
            rect = veille.rect_image();
            tenue = veille.image_tenue().size();
            vu = w->grab().toImage();
        });
        veille.executer();
        QCOMPARE(rect.size(), QSizeF(naturelle));
        QVERIFY(tient_dans(tenue, vu.size()));
        QVERIFY(ecart_moyen(vu.copy(carre_autour(vu.rect().center())), complete.copy(carre_autour(complete.rect().center()))) < 1);
        const QPoint decalage((naturelle.width() - vu.width()) / 2, (naturelle.height() - vu.height()) / 2);
        QVERIFY(ecart_moyen(vu.copy(coin), complete.copy(QRect(decalage, QSize(32, 32)))) < 1);
    }

    void ecran_de_veille_et_ses_sorties()
    {
        deux_images();
        regler({{"chemin fichier", "1"}, {"informations", "0"}, {"couleur fond", "255"}, {"taille", "0"}});
        const SourceDiaporama source{m_dossier, "*.bmp;*.gif", 100};
        // Five keys leave it running, the sixth ends it.
        bool cache = false, nom = false, quitter = true;
        QColor fond;
        QRectF rect;
        int touches = 0;
        frmVeille veille(&source);
        quand_modal([&](QWidget* w) {
            QTRY_VERIFY(!veille.rect_image().isEmpty());
            cache = QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::BlankCursor;
            nom = w->findChild<QLabel*>("lblNomFichier")->isVisible();
            quitter = w->findChild<QLabel*>("lblQuitter")->isVisible();
            fond = veille.couleur_fond_actuelle();
            rect = veille.rect_image();
            while (w->isVisible() && touches < 7) {
                QTest::keyClick(w, Qt::Key_A);
                ++touches;
            }
        });
        veille.executer();
        QVERIFY(cache && nom && !quitter);
        QCOMPARE(fond, QColor(255, 0, 0));
        QCOMPARE(touches, 6);
        QVERIFY(rect.width() == 128 || rect.width() == 320);
        QVERIFY(d().messages.isEmpty());

        // A click on the picture ends it at once.
        module().parametres.sauver("informations", "1");
        frmVeille encore(&source);
        bool informations = false;
        quand_modal([&](QWidget* w) {
            QTRY_VERIFY(!encore.rect_image().isEmpty());
            informations = w->findChild<QLabel*>("lblQuitter")->isVisible() && w->findChild<QLabel*>("lblCopyright")->isVisible();
            QTest::mouseClick(w, Qt::LeftButton, {}, encore.rect_image().center().toPoint());
        });
        encore.executer();
        QVERIFY(informations && !encore.isVisible());
    }

    void ecran_de_veille_sans_boucle_et_mode_ajuste()
    {
        copier("hopper.bmp", "a.bmp");
        copier("iptc.jpg", "b.jpg");
        regler({{"taille", "2"}}, "veille", false);
        const SourceDiaporama source{m_dossier, "*.bmp;*.jpg", 80};
        frmVeille veille(&source);
        QSize ecran;
        QList<QRectF> rects;
        quand_modal([&](QWidget* w) { ecran = w->size(); });
        auto* espion = new QTimer(&veille);
        connect(espion, &QTimer::timeout, this, [&] {
            if (const QRectF r = veille.rect_image(); !r.isEmpty() && (rects.isEmpty() || rects.last() != r))
                rects.append(r);
        });
        espion->start(10);
        veille.executer();
        QCOMPARE(d().messages, fin(2, "Fin de l'écran de veille"));
        // Every picture is fitted to the screen and centred.
        QVERIFY(!rects.isEmpty());
        for (const QRectF& r : std::as_const(rects))
            QVERIFY(qAbs(r.center().x() - ecran.width() / 2.0) < 1 && qAbs(r.center().y() - ecran.height() / 2.0) < 1
                    && (qAbs(r.height() - ecran.height()) < 1 || qAbs(r.width() - ecran.width()) < 1));
    }

    void son_de_fond_relance()
    {
        deux_images();
        const QString son = avec_son("court.wav", wav(0.3));
        regler({});
        const SourceDiaporama source{m_dossier, "*.bmp;*.gif", 400};
        frmVeille veille(&source);
        double duree = 0;
        bool relance = false;
        quand_modal([&](QWidget* w) {
            // The length comes with the player's answer, once the sound is loaded.
            QTRY_VERIFY(module().duree_son > 0);
            duree = module().duree_son;
            // Long after its end, the short sound is heard again: it starts over at each picture.
            QTest::qWait(3000);
            const auto en_cours = [&] { return qAbs(module().lecteur_son->obtient_position() - duree / 2) < duree / 2 - 0.01; };
            relance = QTest::qWaitFor(en_cours, 3000);
            w->close();
        });
        veille.executer();
        QCOMPARE(module().fichier_son, son);
        QVERIFY(qAbs(duree - 0.3) < 0.1 && relance);
        QCOMPARE(module().lecteur_son->obtient_duree(), 0.0); // closing stops the sound
    }

    void echap_pendant_que_la_veille_demarre()
    {
        // The launcher as the browser opens it, a sound of no sample at all, and Esc pressed on
        // the launcher just after "Visionner".
        copier("hopper.bmp", "a.bmp");
        avec_son("muet.wav", wav_muet());
        module().parametres.sauver("veille", "1");
        QPointer<frmDiaporama> fenetre = ouvrir_lanceur("*.bmp");
        QVERIFY(QTest::qWaitForWindowActive(fenetre));
        QWindow* fenetre_lanceur = fenetre->windowHandle();
        // Whatever happens, no window stays open past the test.
        QTimer::singleShot(15000, fenetre, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });

        bool autre_chose = false;
        QTimer::singleShot(0, this, [&] { autre_chose = true; });
        QTimer::singleShot(200, fenetre, [fenetre_lanceur] { QTest::keyClick(fenetre_lanceur, Qt::Key_Escape); });
        enfant<QPushButton>(fenetre, "cmdVisionner")->click();
        QVERIFY(!autre_chose && fenetre); // the click came back at once, with nothing run meanwhile
        QPointer<frmVeille> veille = fenetre->findChild<frmVeille*>();
        QVERIFY(veille && veille->isVisible() && veille->isModal());

        // The key reaches the launcher behind the modal screen saver, which goes on.
        QTest::qWait(600);
        QVERIFY(fenetre && veille && veille->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!veille->rect_image().isEmpty(), 10000);
        QTRY_COMPARE(module().lecteur_son->raison_echec(), QString("Le fichier son « muet.wav » est vide : il ne contient aucun son."));
        QCOMPARE(module().duree_son, 0.0);
        for (int i = 0; i < 6 && veille; ++i)
            QTest::keyClick(veille, Qt::Key_A);
        // The screen saver has ended: the launcher goes with it (the pointer comes back: cleanup()).
        QTRY_VERIFY(!fenetre && !veille);
        QVERIFY(d().messages.isEmpty());
    }

    void diaporama_depuis_le_lanceur()
    {
        deux_images();
        module().parametres.sauver("veille", "0");
        QPointer<frmDiaporama> fenetre = ouvrir_lanceur("*.bmp;*.gif");
        enfant<QComboBox>(fenetre, "cboTemps")->setCurrentIndex(0); // 1 s
        enfant<QPushButton>(fenetre, "cmdVisionner")->click();
        QPointer<frmApercu> diaporama = fenetre->findChild<frmApercu*>();
        QVERIFY(diaporama && diaporama->isVisible() && diaporama->isModal());
        QCOMPARE(module().mode_affichage, QString("diaporama"));
        enfant<QPushButton>(fenetre, "cmdVisionner")->click(); // one show at a time
        QCOMPARE(fenetre->findChildren<frmApercu*>().size(), 1);
        // Two pictures, then the end message; the slide show closes and the launcher with it.
        QTRY_VERIFY_WITH_TIMEOUT(!fenetre && !diaporama, 10000);
        QCOMPARE(d().messages, fin(2, "Fin du diaporama"));
    }

    void reglages_hors_limites()
    {
        // Numbers no window writes, in the settings the screen saver started with the program
        // reads: each falls back to what a first run has.
        deux_images();
        const QList<std::tuple<QString, QString, QString, int, int>> cas = {
            // secondes, type fichier, taille; interval and pictures listed (type 1: bitmaps only,
            // an odd type: every picture)
            {"0", "1", "0", 1000, 1},
            {"59", "1", "0", 60000, 1},
            {"99999999999999", "99999999999999", "99999999999999", 5000, 2},
            {"-3", "-1", "-2", 5000, 2},
            {"60", "15", "3", 5000, 2},
            {"4.9", "1.7", "2.5", 5000, 1},
        };
        for (const auto& [secondes, type, taille, intervalle, images] : cas) {
            regler({{"dossier demarrage", m_dossier}, {"informations", "0"}, {"couleur fond", "0"},
                    {"secondes", secondes}, {"type fichier", type}, {"taille", taille}}, "veille auto");
            frmVeille veille(nullptr);
            int vu = -1, fichiers = -1;
            quand_modal([&](QWidget* w) {
                vu = veille.intervalle_ms();
                fichiers = veille.fichiers().ListCount();
                w->close();
            });
            veille.executer();
            QCOMPARE(vu, intervalle);
            QCOMPARE(fichiers, images);
        }

        // With a huge "secondes" the first picture comes after the first-run 5 s, at its own size.
        regler({{"secondes", "99999999999999"}, {"taille", "99999999999999"}, {"type fichier", "1"}}, "veille auto");
        frmVeille veille(nullptr);
        QRectF rect;
        regarder_puis_fermer([&](QWidget*) {
            QTRY_VERIFY_WITH_TIMEOUT(!veille.rect_image().isEmpty(), 10000);
            rect = veille.rect_image();
        });
        veille.executer();
        QCOMPARE(rect.size(), QSizeF(128, 128));
        QVERIFY(d().messages.isEmpty());
    }

    void son_entier_des_l_ouverture()
    {
        // The screen saver's sound, a 3 s one (440 Hz then 880 Hz), is heard whole from its start.
        copier("hopper.bmp", "a.bmp");
        avec_son("tons.wav", wav_deux_tons(3.0));
        regler({});
        // The first picture comes after 4.5 s, once the sound has ended: it starts again only then.
        const SourceDiaporama source{m_dossier, "*.bmp", 4500};
        Enregistreur enregistreur;
        QVERIFY(enregistreur.demarrer());
        frmVeille veille(&source);
        regarder_puis_fermer([&](QWidget*) {
            QTRY_VERIFY_WITH_TIMEOUT(module().lecteur_son->obtient_position() >= 2.95, 20000);
            QTest::qWait(600);
        });
        const qint64 demande = enregistreur.maintenant();
        veille.executer();
        const Ecoute ecoute = ecouter(enregistreur.arreter(), demande);
        QVERIFY2(ecoute.deux_tons_entiers(3.0), ecoute.dire()); // within 300 ms of the screen saver's opening
    }

    void ecran_de_veille_impossible()
    {
        regler({{"dossier demarrage", e->bac.chemin("parti")}}, "veille auto");
        frmVeille(nullptr).executer();
        QCOMPARE(d().messages.size(), 1);
        const Message& m = d().messages.first();
        QVERIFY(m.titre == "IMAGORA" && m.icone == Icone::Critique && m.texte.contains(e->bac.chemin("parti")));
    }

    void veille_au_demarrage()
    {
        regler({{"dossier demarrage", m_dossier}, {"type fichier", "1"}, {"veille", "1"}, {"secondes", "0"}}, "", false);
        {
            // No picture: the message, then the browser.
            frmVisualiseur f;
            QCOMPARE(d().messages, (QList<Message>{{"Aucune image à visionner", "Information", Boutons::Ok, Icone::Information}}));
        }
        deux_images(); // b.gif is not a bitmap: left out by "type fichier" = 1
        QString vu; // mode, loop, pictures listed
        quand_modal([&](QWidget* w) {
            vu = QString("%1 %2 %3").arg(module().mode_affichage).arg(module().boucle).arg(static_cast<frmVeille*>(w)->fichiers().ListCount());
            for (int i = 0; i < 6; ++i)
                QTest::keyClick(w, Qt::Key_Escape);
        });
        frmVisualiseur f;
        QCOMPARE(vu, QString("veille auto 1 1"));
        QCOMPARE(d().messages.size(), 1);
    }
};

// With a private sound server, for the screen saver's background sound.
int main(int argc, char** argv)
{
    return executer_avec_serveur_son<TestSpectacles, QApplication>(argc, argv);
}
#include "tst_spectacles.moc"
