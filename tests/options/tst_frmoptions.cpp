#include "bac_a_sable.h"
#include "controles.h"
#include "modal.h"
#include "son.h"
#include "options/frmoptions.h"
#include "platform/autostart.h"
#include "show/lecteurson.h"
#include "startup/module.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

class TestOptions : public QObject {
    Q_OBJECT

    std::optional<Essai> e;
    QString m_images;

    InteractionTest& d() { return e->d(); }
    static QPushButton* bouton(const QWidget& o, const char* nom) { return enfant<QPushButton>(&o, nom); }
    // The sound file `nom` of the sandbox, holding `octets`.
    QString son_ecrit(const QString& nom, const QByteArray& octets)
    {
        const QString chemin = e->bac.chemin(nom);
        ecrire(chemin, octets);
        return chemin;
    }

private Q_SLOTS:
    void init()
    {
        e.emplace();
        m_images = e->bac.chemin("images");
        ecrire(m_images + "/a.gif", "GIF89a");
        ecrire(m_images + "/b.JPG", "x");
        QDir().mkpath(e->bac.chemin("vide"));
    }

    void cleanup()
    {
        module().lecteur_son.reset();
        e.reset();
    }

    // Empty settings: the first of each list, every box unticked, nothing to save.
    void reglages_vides()
    {
        frmOptions o;
        QCOMPARE(enfant<QComboBox>(&o, "cboTemps")->currentText(), QString(" 1"));
        QCOMPARE(enfant<QListWidget>(&o, "lstFiltres")->currentItem()->text(), QString("Tous les fichiers images"));
        QCOMPARE(enfant<QListWidget>(&o, "lstTaille")->currentItem()->text(), QString("Normale"));
        for (const char* c : {"chkVeille", "chkDemarrage", "chkNomFichier", "chkInfos", "chkSon"})
            QVERIFY2(!enfant<QCheckBox>(&o, c)->isChecked(), c);
        QVERIFY(enfant<QRadioButton>(&o, "optCouleur0")->isChecked());
        QVERIFY(!enfant<QLabel>(&o, "lblCouleur")->isEnabled());
        QVERIFY(!enfant<QPushButton>(&o, "cmdEnregistrer")->isEnabled());
        QVERIFY(d().messages.isEmpty());
    }

    void aller_retour_de_tous_les_reglages()
    {
        Parametres& p = module().parametres;
        p.sauver("dossier demarrage", m_images);
        p.sauver("type fichier", "0");
        const QString entree = autostart::chemin_entree();
        {
            frmOptions o;
            auto* enregistrer = enfant<QPushButton>(&o, "cmdEnregistrer");
            QVERIFY(enfant<QCheckBox>(&o, "chkVeille")->isEnabled()); // the folder has pictures
            enfant<QCheckBox>(&o, "chkVeille")->click();
            QVERIFY(enregistrer->isEnabled());
            enfant<QComboBox>(&o, "cboTemps")->setCurrentIndex(11);
            enfant<QListWidget>(&o, "lstFiltres")->setCurrentRow(3);
            for (const char* c : {"chkDemarrage", "chkNomFichier", "chkInfos"})
                enfant<QCheckBox>(&o, c)->click();
            enfant<QListWidget>(&o, "lstTaille")->setCurrentRow(2);
            enfant<QRadioButton>(&o, "optCouleur1")->click();
            d().reponses_couleur = {QColor(0x12, 0x34, 0x56)};
            QTest::mouseClick(enfant<QLabel>(&o, "lblCouleur"), Qt::LeftButton);
            QCOMPARE(enfant<QLabel>(&o, "lblCouleur")->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56));
            enregistrer->click();
            QVERIFY(!enregistrer->isEnabled());
        }
        const QList<QPair<QString, QString>> attendus = {
            {"demarrage OS", "1"}, {"informations", "1"}, {"secondes", "11"}, {"dossier demarrage", m_images},
            {"veille", "1"}, {"type fichier", "3"}, {"couleur fond", QString::number(0x563412)},
            {"chemin fichier", "1"}, {"taille", "2"}, {"son", ""}};
        for (const auto& [cle, valeur] : attendus)
            QCOMPARE(dans_le_fichier(cle), valeur);
        QVERIFY(QFile::exists(entree));

        // Reopened, the window shows what was saved; "Aléatoire" then writes the empty text and
        // unticking the log-on box removes the autostart entry.
        frmOptions o;
        QCOMPARE(enfant<QComboBox>(&o, "cboTemps")->currentText(), QString(" 12"));
        QCOMPARE(enfant<QListWidget>(&o, "lstFiltres")->currentRow(), 3);
        QVERIFY(enfant<QRadioButton>(&o, "optCouleur1")->isChecked());
        QVERIFY(enfant<QLabel>(&o, "lblCouleur")->isEnabled());
        QVERIFY(enfant<QCheckBox>(&o, "chkDemarrage")->isChecked());
        enfant<QRadioButton>(&o, "optCouleur0")->click();
        enfant<QCheckBox>(&o, "chkDemarrage")->click();
        o.show();
        QTest::keyClick(&o, Qt::Key_Return); // the default button
        QCOMPARE(dans_le_fichier("couleur fond"), QString());
        QCOMPARE(dans_le_fichier("demarrage OS"), QString("0"));
        QVERIFY(!QFile::exists(entree));
        QVERIFY(d().messages.isEmpty());
    }

    // A value stored before the newer types came (0 to 8) names the same type as it did; each type
    // chosen here is stored under its place in the list and read back so. (The window stores a
    // type only for a folder holding pictures of it.)
    void type_fichier_relu_et_enregistre()
    {
        const QStringList libelles = {"Tous les fichiers images", "Fichiers Bitmap (*.bmp)", "Fichiers DIB (*.dib)",
                                      "Fichiers GIF (*.gif)", "Fichiers JPG (*.jpg;*.jpeg)",
                                      "Fichiers Windows MétaFile (*.wmf)", "Fichiers Extended MétaFile (*.emf)",
                                      "Fichiers Curseurs (*.cur)", "Fichiers Icônes (*.ico)", "PNG (*.png)",
                                      "TIFF (*.tif;*.tiff)", "WebP (*.webp)", "HEIF et AVIF (*.heic;*.heif;*.avif)",
                                      "JPEG XL (*.jxl)", "SVG (*.svg;*.svgz)"};
        for (const char* extension : {"bmp", "dib", "gif", "jpg", "wmf", "emf", "cur", "ico", "png", "tif", "webp", "heic", "jxl", "svg"})
            ecrire(m_images + "/image." + extension, "");
        Parametres& p = module().parametres;
        p.sauver("dossier demarrage", m_images);
        for (int type = 0; type < libelles.size(); ++type) {
            p.sauver("type fichier", QString::number(type));
            {
                frmOptions o;
                QCOMPARE(enfant<QListWidget>(&o, "lstFiltres")->currentItem()->text(), libelles[type]);
            }
            p.sauver("type fichier", type == 0 ? "14" : "0");
            frmOptions o;
            enfant<QListWidget>(&o, "lstFiltres")->setCurrentRow(type);
            bouton(o, "cmdEnregistrer")->click();
            QCOMPARE(dans_le_fichier("type fichier"), QString::number(type));
        }
        QVERIFY(d().messages.isEmpty());
    }

    void dossier_invalide_ou_sans_images()
    {
        module().parametres.sauver("dossier demarrage", m_images);
        frmOptions o;
        o.show();
        auto* dossier = enfant<QLineEdit>(&o, "txtDossier");
        auto* enregistrer = enfant<QPushButton>(&o, "cmdEnregistrer");
        auto* veille = enfant<QCheckBox>(&o, "chkVeille");
        auto* temps = enfant<QComboBox>(&o, "cboTemps");

        // A folder without pictures of the type.
        dossier->setText(e->bac.chemin("vide"));
        QCOMPARE(d().messages, (QList<Message>{{"Aucun fichier, du type souhaité, trouvé dans le dossier spécifié.", "Information",
                                                Boutons::Ok, Icone::Information}}));
        QVERIFY(!enregistrer->isEnabled());
        QVERIFY(!veille->isChecked() && !veille->isEnabled());

        // Typed letter by letter: names that lead nowhere grey the boxes, the folder brings them back.
        dossier->clear();
        QTest::keyClicks(dossier, m_images + "/");
        QVERIFY(veille->isEnabled() && veille->isChecked() && temps->isEnabled() && enregistrer->isEnabled());

        // A name that names nothing cannot be saved.
        dossier->setText(e->bac.chemin("nulle/part"));
        QVERIFY(!temps->isEnabled() && !veille->isEnabled());
        enfant<QCheckBox>(&o, "chkInfos")->click();
        d().messages.clear();
        enregistrer->click();
        QCOMPARE(d().messages, (QList<Message>{{"Le dossier à afficher au démarrage ne semble pas un dossier valide.",
                                                "Dossier de démarrage...", Boutons::Ok, Icone::Information}}));
        QCOMPARE(dossier->selectedText(), dossier->text());
        QVERIFY(enregistrer->isEnabled());
        QCOMPARE(dans_le_fichier("informations"), QString("<absent>"));
    }

    // Numbers of any size outside the lists, as a hand-edited settings file may hold them: one
    // message each, and an entry of the list shown instead.
    void valeurs_hors_liste_et_parcourir()
    {
        Parametres& p = module().parametres;
        p.sauver("type fichier", "99999999999999999999");
        p.sauver("secondes", "-99999999999999999999");
        p.sauver("taille", "1e30"); // reads as 1, a size of the list
        {
            frmOptions o;
            QCOMPARE(d().messages.size(), 2);
            QCOMPARE(enfant<QListWidget>(&o, "lstFiltres")->currentRow(), 0);
            QCOMPARE(enfant<QComboBox>(&o, "cboTemps")->currentText(), QString(" 5"));
            QCOMPARE(enfant<QListWidget>(&o, "lstTaille")->currentRow(), 1);
        }
        d().messages.clear();
        p.sauver("type fichier", "0");
        p.sauver("secondes", "75");
        p.sauver("taille", "9");
        p.sauver("couleur fond", "rouge");
        frmOptions o;
        QCOMPARE(d().messages.size(), 3);
        for (const Message& m : std::as_const(d().messages))
            QVERIFY(m.titre == "Imagora" && m.icone == Icone::Exclamation);
        QCOMPARE(enfant<QComboBox>(&o, "cboTemps")->currentText(), QString(" 5"));
        QCOMPARE(enfant<QListWidget>(&o, "lstTaille")->currentRow(), 0);
        QVERIFY(enfant<QRadioButton>(&o, "optCouleur1")->isChecked());
        enfant<QCheckBox>(&o, "chkInfos")->click();
        enfant<QPushButton>(&o, "cmdEnregistrer")->click();
        QCOMPARE(dans_le_fichier("secondes"), QString("4"));
        QCOMPARE(dans_le_fichier("taille"), QString("0"));

        // Browsing: the folder gets a final "/".
        d().reponses_dossier = {m_images};
        enfant<QPushButton>(&o, "cmdParcourir")->click();
        QCOMPARE(d().titres_dossier.last(), QString("Sélectionnez un dossier de démarrage"));
        QCOMPARE(enfant<QLineEdit>(&o, "txtDossier")->text(), m_images + "/");
    }

    void section_son()
    {
        if (LecteurSon::nombre_sorties_audio() < 1) {
            // No audio output: the section is off and the stored sound is forgotten at once.
            module().parametres.sauver("son", "/musique/fond.wav");
            frmOptions o;
            QVERIFY(!enfant<QCheckBox>(&o, "chkSon")->isEnabled() && !enfant<QCheckBox>(&o, "chkSon")->isChecked());
            for (const char* b : {"cmdOuvrirSon", "cmdJouer", "cmdStopSon"})
                QVERIFY2(!enfant<QPushButton>(&o, b)->isEnabled(), b);
            QCOMPARE(dans_le_fichier("son"), QString());
            QVERIFY(module().fichier_son.isEmpty());
            return;
        }
        const QString premier = son_ecrit("premier.wav", wav(1.0)), second = son_ecrit("second.wav", wav(0.5));
        module().parametres.sauver("son", premier);
        frmOptions o;
        auto* son = enfant<QCheckBox>(&o, "chkSon");
        auto *ouvrir = bouton(o, "cmdOuvrirSon"), *jouer = bouton(o, "cmdJouer"), *stop = bouton(o, "cmdStopSon");
        auto* enregistrer = bouton(o, "cmdEnregistrer");
        auto* etat = enfant<QLabel>(&o, "lblEtatSon");
        const auto etats = [&] {
            return QList<bool>{son->isChecked(), ouvrir->isEnabled(), jouer->isEnabled(), stop->isEnabled()};
        };
        const QList<bool> pret{true, true, true, false};
        QCOMPARE(etats(), pret); // sound on, file opened
        QCOMPARE(module().fichier_son, premier);
        // The window does not wait for the player: the section says the sound is opening, then ready.
        QCOMPARE(etat->text(), QString("Ouverture du son « premier.wav »..."));
        QTRY_COMPARE_WITH_TIMEOUT(etat->text(), QString("Son prêt : « premier.wav »"), 15000);
        QVERIFY(qAbs(module().lecteur_son->obtient_duree() - 1.0) < 0.1);

        jouer->click();
        QCOMPARE(etats(), (QList<bool>{true, true, false, true})); // playing
        QTRY_VERIFY_WITH_TIMEOUT(module().lecteur_son->obtient_position() > 0.1, 10000);
        stop->click();
        QCOMPARE(etats(), pret);
        QCOMPARE(module().lecteur_son->obtient_position(), 0.0);

        son->click();
        QCOMPARE(etats(), (QList<bool>{false, false, false, false})); // sound off
        QVERIFY(enregistrer->isEnabled());
        son->click(); // the saved file comes back
        QCOMPARE(etats(), pret);

        // Choosing another file: the dialog's title, filter and starting folder.
        d().reponses_fichier = {second};
        ouvrir->click();
        const ChoixFichier& choix = d().choix_fichier.last();
        QCOMPARE(choix.titre, QString("Sélection d'un fichier multimédia..."));
        QCOMPARE(choix.index_filtre, 2);
        QVERIFY(choix.filtre.split(";;").at(2).startsWith("Fichiers Audio (*.wav;*.snd;*.ai;*.aifc;*.aiff) (*.wav *.snd"));
        QCOMPARE(choix.dossier, dossier_windows());
        QCOMPARE(module().fichier_son, second);
        QTRY_COMPARE_WITH_TIMEOUT(etat->text(), QString("Son prêt : « second.wav »"), 15000);
        QVERIFY(qAbs(module().lecteur_son->obtient_duree() - 0.5) < 0.1);
        enregistrer->click();
        QCOMPARE(dans_le_fichier("son"), second);

        // Sound off saves the empty text, even with a file chosen.
        son->click();
        enregistrer->click();
        QCOMPARE(dans_le_fichier("son"), QString());
    }

    void son_illisible_sans_attente()
    {
        if (LecteurSon::nombre_sorties_audio() < 1)
            return; // without an audio output no sound is opened at all (section_son)
        const QString illisible = "n'est pas un son lisible : format non reconnu ou détérioré.";
        const QList<std::tuple<QString, QByteArray, QString>> cas = {
            {"muet.wav", wav_muet(), "Le fichier son « muet.wav » est vide : il ne contient aucun son."},
            {"rien.wav", QByteArray(), "Le fichier son « rien.wav » est vide : il ne contient aucun son."},
            {"notes.wav", QByteArray("Pas un son.\n").repeated(40), "Le fichier « notes.wav » " + illisible},
            {"photo.mp3", contenu(echantillon("hopper.jpg")), "Le fichier « photo.mp3 » ne contient pas de son."},
            {"parti.wav", QByteArray(), "Le fichier son « parti.wav » est introuvable."},
        };
        for (const auto& [nom, octets, raison] : cas) {
            const QString chemin = e->bac.chemin(nom);
            if (nom != "parti.wav")
                ecrire(chemin, octets);
            module().parametres.sauver("son", chemin);
            // The window is built at once: nothing else runs while it is made, so a second click
            // on the browser's button cannot build a second one inside it.
            bool autre_chose = false;
            QTimer::singleShot(0, this, [&] { autre_chose = true; });
            frmOptions o;
            QVERIFY2(!autre_chose, qPrintable(nom));
            QVERIFY(enfant<QCheckBox>(&o, "chkSon")->isChecked());
            QCOMPARE(module().fichier_son, chemin);
            // The section says why, once the player has answered; there is nothing to play, and no
            // box at each opening.
            auto* etat = enfant<QLabel>(&o, "lblEtatSon");
            QTRY_COMPARE_WITH_TIMEOUT(etat->text(), raison, 15000);
            QCOMPARE(etat->toolTip(), chemin);
            QCOMPARE((QList<bool>{bouton(o, "cmdJouer")->isEnabled(), bouton(o, "cmdStopSon")->isEnabled(),
                                  bouton(o, "cmdOuvrirSon")->isEnabled(), bouton(o, "cmdEnregistrer")->isEnabled()}),
                     (QList<bool>{false, false, true, false}));
            QVERIFY(d().messages.isEmpty());
        }

        // Chosen in the dialog, a file that is no sound says so too; a good one then plays, even
        // when "Jouer" is pressed before its load has ended.
        son_ecrit("bon.wav", wav(1.0));
        frmOptions o;
        auto* etat = enfant<QLabel>(&o, "lblEtatSon");
        QTRY_VERIFY_WITH_TIMEOUT(etat->text().contains("introuvable"), 15000);
        d().reponses_fichier = {e->bac.chemin("notes.wav"), e->bac.chemin("bon.wav")};
        enfant<QPushButton>(&o, "cmdOuvrirSon")->click();
        QTRY_COMPARE_WITH_TIMEOUT(etat->text(), "Le fichier « notes.wav » " + illisible, 15000);
        QVERIFY(!enfant<QPushButton>(&o, "cmdJouer")->isEnabled());
        enfant<QPushButton>(&o, "cmdOuvrirSon")->click();
        enfant<QPushButton>(&o, "cmdJouer")->click();
        QTRY_VERIFY_WITH_TIMEOUT(module().lecteur_son->obtient_position() > 0.1, 15000);
        QCOMPARE(etat->text(), QString("Son prêt : « bon.wav »"));
        QVERIFY(d().messages.isEmpty());
    }

    // "Jouer" pressed a while after the window opened: the sound, 440 Hz then 880 Hz over 3 s, is
    // heard from its start, whole, within 300 ms.
    void jouer_entier_des_le_debut()
    {
        if (LecteurSon::nombre_sorties_audio() < 1)
            return;
        module().parametres.sauver("son", son_ecrit("tons.wav", wav_deux_tons(3.0)));
        frmOptions o;
        o.show();
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(module().lecteur_son->obtient_duree() - 3.0) < 0.1, 15000); // loaded
        QTest::qWait(2000);
        Enregistreur enregistreur;
        QVERIFY(enregistreur.demarrer());
        const qint64 demande = enregistreur.maintenant();
        enfant<QPushButton>(&o, "cmdJouer")->click();
        QTRY_VERIFY_WITH_TIMEOUT(module().lecteur_son->obtient_position() >= 2.95, 20000);
        QTest::qWait(600);
        const Ecoute ecoute = ecouter(enregistreur.arreter(), demande);
        QVERIFY2(ecoute.deux_tons_entiers(3.0), ecoute.dire());
    }

    // A start folder that is there but may not be read: access refused, not "missing"; one that
    // is not there, and a file where a folder is expected, each with its own message.
    void dossier_sans_droit_de_lecture()
    {
        const QString ferme = e->bac.chemin("ferme");
        ecrire(ferme + "/a.gif", "GIF89a");
        module().parametres.sauver("dossier demarrage", ferme);
        {
            SansDroitsDeRoot utilisateur;
            QVERIFY(QFile::setPermissions(ferme, QFile::WriteOwner));
            frmOptions o;
            QFile::setPermissions(ferme, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QVERIFY(!enfant<QCheckBox>(&o, "chkVeille")->isEnabled());
        }
        for (const QString& dossier : {e->bac.chemin("parti"), ferme + "/a.gif"}) {
            module().parametres.sauver("dossier demarrage", dossier);
            frmOptions o;
        }
        QStringList textes;
        for (const Message& m : std::as_const(d().messages))
            textes << m.titre + ": " + m.texte;
        QCOMPARE(textes, (QStringList{"Imagora: Le dossier « " + ferme + " » ne peut pas être lu : accès refusé.",
                                      "Imagora: Le dossier « " + e->bac.chemin("parti") + " » est introuvable.",
                                      "Imagora: « " + ferme + "/a.gif » n'est pas un dossier."}));
    }

    void aide_a_propos_et_echap()
    {
        frmOptions o;
        QCOMPARE(enfant<QPushButton>(&o, "cmdEcrans")->isEnabled(), !frmOptions::programme_ecrans().isEmpty());
        enfant<QPushButton>(&o, "cmdAide")->click();
        QCOMPARE(d().documents.size(), 1);
        QVERIFY(d().documents.first().toLocalFile().endsWith("/aide/options.htm"));
        QVERIFY(f2_ouvre_a_propos(&o));
        QTest::keyClick(&o, Qt::Key_Escape);
        QVERIFY(!o.isVisible());
    }
};

// With a private sound server (the section then has an audio output), unless the test is asked
// to run without one.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("IMAGORA_SANS_SON")) {
        QApplication application(argc, argv);
        TestOptions test;
        return QTest::qExec(&test, argc, argv);
    }
    return executer_avec_serveur_son<TestOptions, QApplication>(argc, argv);
}
#include "tst_frmoptions.moc"
