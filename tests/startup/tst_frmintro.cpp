#include "bac_a_sable.h"
#include "controles.h"
#include "forms/listefichiers.h"
#include "navigateur.h"
#include "show/lecteurson.h"
#include "platform/instance.h"
#include "startup/frmintro.h"
#include "startup/module.h"
#include "startup/premier_demarrage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSysInfo>
#include <QTest>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Changes (or, with no value, removes) a setting in the file, as a hand edit would.
void modifier(const QString& cle, const std::optional<QString>& valeur = {})
{
    QSettings fichier(Parametres::chemin_fichier(), QSettings::IniFormat);
    if (valeur)
        fichier.setValue("parametres/" + cle, *valeur);
    else
        fichier.remove("parametres/" + cle);
}

bool demarrer(InstanceUnique& instance)
{
    frmIntro intro(instance);
    return intro.Form_Load();
}

} // namespace

class TestFrmIntro : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The first start writes the thirteen settings and starts from a clean state.
    void premier_demarrage_ecrit_les_treize_cles()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        InstanceUnique instance(bac.chemin("run/test.lock"));
        module().boucle = true;
        module().mode_affichage = "veille";
        module().duree_son = 12.5;
        QVERIFY(demarrer(instance));

        const QMap<QString, QString> v = fichier_parametres();
        QVERIFY(QRegularExpression("^\\d\\d/\\d\\d/\\d{4}$").match(v["date de debut"]).hasMatch());
        const QMap<QString, QString> attendu = {
            {"date de debut", texte_date_debut(QDate::currentDate(), QLocale::system())},
            {"dossier application", dossier_application()}, {"dossier demarrage", dossier_application()},
            {"etat", "actif"}, {"secondes", "4"}, {"veille", "0"}, {"type fichier", "0"}, {"demarrage OS", "0"},
            {"couleur fond", ""}, {"chemin fichier", "0"}, {"son", ""}, {"informations", "1"}, {"taille", "0"}};
        QCOMPARE(v, attendu);
        QVERIFY(!module().boucle && module().mode_affichage.isEmpty() && module().duree_son == 0.0);
        QVERIFY(dialogues->messages.isEmpty());
    }

    void demarrages_suivants()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        InstanceUnique instance(bac.chemin("run/test.lock"));
        QVERIFY(demarrer(instance));
        const QMap<QString, QString> premier = fichier_parametres();

        // The user's choices survive a second start; only "etat" is written again, and a missing
        // key is not restored while the start date exists.
        modifier("secondes", "9");
        modifier("dossier demarrage", "/srv/photos/");
        modifier("etat", "inactif");
        modifier("son");
        QVERIFY(demarrer(instance));
        QMap<QString, QString> attendu = premier;
        attendu.insert("secondes", "9");
        attendu.insert("dossier demarrage", "/srv/photos/");
        attendu.remove("son");
        QCOMPARE(fichier_parametres(), attendu);

        // Without the start date, all thirteen keys are written again.
        modifier("date de debut");
        QVERIFY(demarrer(instance));
        QCOMPARE(fichier_parametres(), premier);
    }

    // A second copy says so and changes nothing, nor creates a settings file that was not there.
    void deuxieme_copie_refusee_sans_rien_changer()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        const QString verrou = bac.chemin("run/Imagora.lock");
        InstanceUnique premiere(verrou);
        QVERIFY(demarrer(premiere));
        const QByteArray avant = contenu(Parametres::chemin_fichier());
        QVERIFY(!avant.isEmpty());

        InstanceUnique seconde(verrou);
        QVERIFY(!demarrer(seconde));
        QCOMPARE(dialogues->messages,
                 (QList<Message>{{"Programme déja en cours d'utilisation...", "Imagora", Boutons::Ok, Icone::Information}}));
        QCOMPARE(contenu(Parametres::chemin_fichier()), avant);
        QFile::remove(Parametres::chemin_fichier());
        QVERIFY(!demarrer(seconde));
        QVERIFY(!QFile::exists(Parametres::chemin_fichier()));
    }

    // Started with a picture while a copy runs: the path goes to that copy, made absolute, and
    // the later start ends without a word. With no copy listening, the usual message.
    void une_image_passe_a_la_copie_qui_tourne()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        const QString verrou = bac.chemin("run/Imagora.lock");
        QDir().mkpath(bac.chemin("run"));

        // The running copy, in a thread of its own so that it answers while this one waits.
        QThread fil;
        fil.start();
        auto* premiere = new InstanceUnique(verrou);
        premiere->moveToThread(&fil);
        bool tenu = false;
        QMetaObject::invokeMethod(premiere, [&] { tenu = premiere->acquerir(); }, Qt::BlockingQueuedConnection);
        QVERIFY(tenu);
        QStringList recus;
        connect(premiere, &InstanceUnique::demande, this, [&](const QString& c) { recus << c; });

        QVERIFY(QDir().mkpath(bac.chemin("photos d'été")));
        const QString ici = QDir::currentPath();
        QDir::setCurrent(bac.chemin("photos d'été"));
        module().fichier_demande = "été 1.jpg";
        InstanceUnique seconde(verrou);
        const bool demarre = demarrer(seconde);
        QDir::setCurrent(ici);
        QVERIFY(!demarre);
        QVERIFY(dialogues->messages.isEmpty());
        QTRY_COMPARE(recus, QStringList{bac.chemin("photos d'été/été 1.jpg")});

        // A second request on the same copy, as a URL.
        module().fichier_demande = "file://" + bac.chemin("photos d'été");
        QVERIFY(!demarrer(seconde));
        QTRY_COMPARE(recus.size(), 2);
        QCOMPARE(recus.last(), bac.chemin("photos d'été"));
        QVERIFY(dialogues->messages.isEmpty());

        // The running copy has gone but left its lock to a process that holds it without
        // listening: the later start is refused with the message.
        QMetaObject::invokeMethod(premiere, [premiere] { delete premiere; }, Qt::BlockingQueuedConnection);
        fil.quit();
        fil.wait();
        QLockFile autre(verrou);
        QVERIFY(autre.tryLock(0));
        module().fichier_demande = bac.chemin("photos d'été");
        QVERIFY(!demarrer(seconde));
        QCOMPARE(dialogues->messages.size(), 1);
        QCOMPARE(dialogues->messages.first().texte, QString("Programme déja en cours d'utilisation..."));
        module().fichier_demande.clear();
    }

    // The lock lives in a folder only this user can write to: the runtime folder when it is theirs,
    // otherwise a private one in their cache, never a shared place another user could take first.
    void le_verrou_reste_dans_un_dossier_prive()
    {
        BacASable bac;
        const Variable cache("XDG_CACHE_HOME", bac.chemin("home/.cache").toUtf8());
        const QString prive = bac.chemin("home/.cache/tst_frmintro/execution");
        const auto mode = [](const QString& chemin) {
            struct stat etat {};
            return ::lstat(QFile::encodeName(chemin).constData(), &etat) == 0 ? etat.st_mode & 07777 : 0u;
        };

        QCOMPARE(InstanceUnique::chemin_par_defaut(), bac.chemin("run/tst_frmintro.lock"));

        // No runtime folder, or one that others may write into: the private folder, made 0700.
        for (const char* runtime : {"", "partage"}) {
            if (*runtime) {
                QDir().mkpath(bac.chemin(runtime));
                ::chmod(QFile::encodeName(bac.chemin(runtime)).constData(), 01777);
                qputenv("XDG_RUNTIME_DIR", bac.chemin(runtime).toUtf8());
            } else {
                qunsetenv("XDG_RUNTIME_DIR");
            }
            QCOMPARE(InstanceUnique::chemin_par_defaut(), prive + "/tst_frmintro.lock");
            QCOMPARE(mode(prive), 0700u);
        }
        {
            InstanceUnique instance(InstanceUnique::chemin_par_defaut());
            QVERIFY(instance.acquerir());
            QVERIFY(QFile::exists(prive + "/tst_frmintro.lock"));
        }

        // A private folder left open by an old umask is closed again.
        ::chmod(QFile::encodeName(prive).constData(), 0755);
        QVERIFY(!InstanceUnique::chemin_par_defaut().isEmpty());
        QCOMPARE(mode(prive), 0700u);

        // Its name taken by a link elsewhere, or by a folder of another user: no lock at all
        // (the program still starts), and nothing is written through the link.
        QDir(prive).removeRecursively();
        QDir().mkpath(bac.chemin("ailleurs"));
        QVERIFY(QFile::link(bac.chemin("ailleurs"), prive));
        QCOMPARE(InstanceUnique::chemin_par_defaut(), QString());
        InstanceUnique sans_verrou(InstanceUnique::chemin_par_defaut());
        QVERIFY(sans_verrou.acquerir());
        QVERIFY(QDir(bac.chemin("ailleurs")).isEmpty());
        QVERIFY(!sans_verrou.transmettre("/photo.jpg", 100));
        if (::geteuid() == 0) {
            QFile::remove(prive);
            QVERIFY(QDir().mkpath(prive));
            QCOMPARE(::chown(QFile::encodeName(prive).constData(), 65534, 65534), 0);
            QCOMPARE(InstanceUnique::chemin_par_defaut(), QString());
        }
    }

    // The splash hands over to the browser once, at its second tick; a message during the load,
    // read for a while before OK, neither eats the splash's ticks nor closes it unseen.
    void la_fenetre_passe_la_main_au_second_tic_data()
    {
        QTest::addColumn<bool>("message");
        QTest::newRow("sans message") << false;
        QTest::newRow("message lu longuement pendant le chargement") << true;
    }

    void la_fenetre_passe_la_main_au_second_tic()
    {
        QFETCH(bool, message);
        BacASable bac;
        InteractionInstallee dialogues;
        if (message) {
            ecrire(Parametres::chemin_fichier(), QByteArray("[parametres]\n\0\x01\xff", 16));
            dialogues->pendant_message = [](const Message&) { QTest::qWait(2500); };
        }
        InstanceUnique instance(bac.chemin("run/test.lock"));
        frmIntro intro(instance);
        QElapsedTimer chrono; // the timer starts with the load sequence
        chrono.start();
        QVERIFY(intro.Form_Load());
        QCOMPARE(dialogues->messages.size(), message ? 1 : 0);
        if (message)
            QVERIFY(dialogues->messages.first().texte.startsWith("Le fichier des paramètres ne peut pas être lu"));
        QCOMPARE((QStringList{texte(&intro, "Label1"), texte(&intro, "lblVersion"), enfant<QLabel>(&intro, "lblVersion")->toolTip()}),
                 (QStringList{"IMAGORA", "Version 1.0.0", "Numéro de version"}));

        int passages = 0;
        connect(&intro, &frmIntro::Form_Unload, this, [&] { ++passages; });
        intro.demarrer();
        QVERIFY(QTest::qWaitForWindowExposed(&intro));
        QVERIFY(intro.isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(passages, 1, 10000);
        QVERIFY(!intro.isVisible());
        QVERIFY2(chrono.elapsed() >= 1800, "the splash stays for two ticks of one second");
        QTest::qWait(1200);
        QCOMPARE(passages, 1);
    }

    // Started to open a picture (the desktop's "Open with"): no splash, the browser at once; the
    // load sequence itself is the same.
    void ouvrir_avec_passe_l_ecran_d_accueil()
    {
        BacASable bac;
        InteractionInstallee dialogues;
        InstanceUnique instance(bac.chemin("run/test.lock"));
        QVERIFY(QDir().mkpath(bac.chemin("photos")));
        for (const char* nom : {"hopper.bmp", "chi.gif", "iptc.jpg"})
            QVERIFY(QFile::copy(echantillon(nom), bac.chemin(QString("photos/") + nom)));
        module().fichier_demande = bac.chemin("photos/iptc.jpg");
        frmIntro intro(instance);
        QVERIFY(intro.Form_Load());
        QCOMPARE(module().parametres.lire("etat"), QString("actif"));
        int passages = 0;
        connect(&intro, &frmIntro::Form_Unload, this, [&] { ++passages; });
        intro.demarrer();
        QCOMPARE(passages, 1);
        QTest::qWait(100);
        QVERIFY(!intro.isVisible());
        QCOMPARE(passages, 1);

        // The browser then opens on the picture's folder, read once, with the picture previewed
        // (the browser's tests check which); the sound player, slow to make, comes only once the
        // list and the preview are on screen.
        module().lecteur_son.reset();
        frmVisualiseur fenetre;
        QStringList ordre;
        connect(&fenetre, &frmVisualiseur::listeAffichee, this, [&](int n) { ordre << QString("liste %1").arg(n); });
        connect(&fenetre, &frmVisualiseur::apercuAffiche, this, [&](const QString& chemin) {
            ordre << "apercu " + QFileInfo(chemin).fileName() + (module().lecteur_son ? " avec son" : " sans son");
        });
        montrer(&fenetre);
        QTRY_VERIFY_WITH_TIMEOUT(module().lecteur_son != nullptr, 20000);
        QCOMPARE(ordre, (QStringList{"liste 3", "apercu iptc.jpg sans son"}));
        QCOMPARE(fenetre.fichiers()->lectures(), 1);
        module().fichier_demande.clear();
    }
};

QTEST_MAIN(TestFrmIntro)
#include "tst_frmintro.moc"
