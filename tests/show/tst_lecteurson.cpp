#include "bac_a_sable.h"
#include "show/lecteurson.h"
#include "son.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDir>
#include <QImage>
#include <QMediaDevices>
#include <QSignalSpy>
#include <QTimer>
#include <QWidget>
#include <QtEndian>

namespace {

quint32 code(const char (&nom)[5]) { return qFromLittleEndian<quint32>(nom); }
QByteArray liste(const char (&nom)[5], const QByteArray& octets) { return morceau_riff("LIST", QByteArray(nom, 4) + octets); }

// A film of 8 pictures of 16 x 16 over 1 s, with 1 s of sound.
QByteArray avi()
{
    const QByteArray images = morceau_riff("00db", QByteArray(16 * 16 * 3, '\x7f')).repeated(8);
    const QByteArray flux_image = liste("strl", morceau_riff("strh", champs_riff({code("vids"), code("DIB "), 0, 0, 0, 1, 8, 0, 8,
                                                                        768, ~0u, 0, 0, 16 | 16 << 16}))
                                                    + morceau_riff("strf", champs_riff({40, 16, 16, 1 | 24 << 16, 0, 768, 0, 0, 0, 0})));
    const QByteArray flux_son = liste("strl", morceau_riff("strh", champs_riff({code("auds"), 0, 0, 0, 0, 1, 22050, 0, 22050,
                                                                      44100, ~0u, 2, 0, 0}))
                                                  + morceau_riff("strf", format_pcm));
    const QByteArray entete = morceau_riff("avih", champs_riff({125000, 0, 0, 0, 8, 0, 2, 44100, 16, 16, 0, 0, 0, 0}));
    return morceau_riff("RIFF", "AVI " + liste("hdrl", entete + flux_image + flux_son)
                               + liste("movi", images + morceau_riff("01wb", sinus_pcm(1.0))));
}

bool proche(double a, double b, double ecart = 0.05) { return std::abs(a - b) < ecart; }

// Opens a file and waits for the player's answer; true when it is loaded.
bool ouvrir(LecteurSon& lecteur, const QString& fichier, QWidget* fenetre = nullptr)
{
    QSignalSpy charge(&lecteur, &LecteurSon::charge), echec(&lecteur, &LecteurSon::echec);
    lecteur.Ouvrir(fichier, 0, 0, 640, 480, fenetre);
    if (!QTest::qWaitFor([&] { return charge.size() + echec.size() > 0; }, 20000))
        return qWarning("no answer about %s", qPrintable(fichier)), false;
    return charge.size() == 1 && echec.isEmpty() && lecteur.etat() == LecteurSon::Etat::Pret;
}

// Plays to the end: the position reaches the length and stays there.
bool jouer_jusqu_au_bout(LecteurSon& lecteur)
{
    lecteur.jouer();
    const double duree = lecteur.obtient_duree();
    if (!QTest::qWaitFor([&] { return lecteur.obtient_position() >= duree - 0.05; }, 20000))
        return qWarning("stalled at %.3f s of %.3f s", lecteur.obtient_position(), duree), false;
    QTest::qWait(300);
    return lecteur.obtient_position() >= duree - 0.05;
}

} // namespace

class TestLecteurSon : public QObject {
    Q_OBJECT

    QTemporaryDir m_dossier;
    QString m_long, m_court, m_film, m_tons;

    QString fichier(const QString& nom, const QByteArray& octets)
    {
        ecrire(m_dossier.filePath(nom), octets);
        return m_dossier.filePath(nom);
    }

private slots:
    void initTestCase()
    {
        m_long = fichier("la.wav", wav(1.0));
        m_court = fichier("bref.wav", wav(0.3));
        m_film = fichier("film.avi", avi());
        m_tons = fichier("tons.wav", wav_deux_tons(3.0));
        // The null sink of the test's own sound server is an output.
        QVERIFY(LecteurSon::nombre_sorties_audio() >= 1);
        QCOMPARE(LecteurSon::nombre_sorties_audio(), QMediaDevices::audioOutputs().size());
    }

    void vide_et_fichiers_refuses()
    {
        LecteurSon lecteur;
        const auto verifier_vide = [&] {
            QCOMPARE(lecteur.obtient_duree(), 0.0);
            QCOMPARE(lecteur.obtient_position(), 0.0);
            double p = 5;
            lecteur.fixe_position(p);
            QCOMPARE(p, 5.0); // nothing open: untouched
            lecteur.jouer();
            QTest::qWait(200);
            QCOMPARE(lecteur.obtient_position(), 0.0);
            lecteur.arret();
        };
        verifier_vide();
        QCOMPARE(lecteur.etat(), LecteurSon::Etat::Vide);
        lecteur.nettoyer();
        lecteur.nettoyer();
        verifier_vide();
        QImage photo(64, 48, QImage::Format_RGB32);
        photo.fill(Qt::darkGreen);
        QVERIFY(photo.save(m_dossier.filePath("photo.jpg"), "JPG"));
        QDir(m_dossier.path()).mkdir("dossier.wav");
        const QString illisible = "Le fichier « %1 » n'est pas un son lisible : format non reconnu ou détérioré.";
        const QString vide = "Le fichier son « %1 » est vide : il ne contient aucun son.";
        const QList<std::tuple<QString, QByteArray, QString>> refuses = {
            {"absent.wav", {}, "Le fichier son « absent.wav » est introuvable."},
            {"notes.wav", QByteArray("Ceci n'est pas un son.\n").repeated(50), illisible.arg("notes.wav")},
            {"coupe.wav", wav(1.0).left(20), illisible.arg("coupe.wav")},
            {"rien.wav", "", vide.arg("rien.wav")},
            {"muet.wav", wav_muet(), vide.arg("muet.wav")}, // a header and no sample at all
            {"photo.jpg", {}, "Le fichier « photo.jpg » ne contient pas de son."},
            {"dossier.wav", {}, "« dossier.wav » n'est pas un fichier son."},
        };
        for (const auto& [nom, octets, raison] : refuses) {
            if (!octets.isNull())
                fichier(nom, octets);
            QVERIFY(ouvrir(lecteur, m_long)); // the next file replaces it
            QVERIFY(proche(lecteur.obtient_duree(), 1.0));
            QSignalSpy charge(&lecteur, &LecteurSon::charge), echec(&lecteur, &LecteurSon::echec);
            lecteur.Ouvrir(m_dossier.filePath(nom), 0, 0, 100, 100, nullptr);
            // The answer always comes from the event loop, never from inside Ouvrir.
            QVERIFY(echec.isEmpty());
            verifier_vide();
            QTRY_COMPARE_WITH_TIMEOUT(echec.size(), 1, 15000);
            QCOMPARE(echec.first().first().toString(), raison);
            QCOMPARE(lecteur.raison_echec(), raison);
            QCOMPARE(lecteur.etat(), LecteurSon::Etat::Echec);
            QVERIFY(charge.isEmpty());
            verifier_vide();
        }
        lecteur.Ouvrir(QString(), 0, 0, 100, 100, nullptr); // no file: nothing open, nothing to say
        QCOMPARE(lecteur.etat(), LecteurSon::Etat::Vide);
        QVERIFY(lecteur.raison_echec().isEmpty());
        verifier_vide();
    }

    void ouverture_sans_attente()
    {
        // Ouvrir returns at once: nothing else runs meanwhile, so nothing the caller holds can go.
        LecteurSon lecteur;
        QSignalSpy charge(&lecteur, &LecteurSon::charge);
        bool autre_chose = false;
        QTimer::singleShot(0, this, [&] { autre_chose = true; });
        lecteur.Ouvrir(m_long, 0, 0, 640, 480, nullptr);
        QVERIFY(!autre_chose);
        QVERIFY(charge.isEmpty());
        QCOMPARE(lecteur.etat(), LecteurSon::Etat::Chargement);
        QCOMPARE(lecteur.obtient_duree(), 0.0);
        lecteur.jouer(); // asked before the file is loaded: it plays once loaded
        QTRY_COMPARE_WITH_TIMEOUT(charge.size(), 1, 15000);
        QVERIFY(proche(lecteur.obtient_duree(), 1.0));
        QTRY_VERIFY_WITH_TIMEOUT(lecteur.obtient_position() > 0.2, 15000);

        // A stop asked during the load forgets the play; closing during the load drops the answer.
        lecteur.Ouvrir(m_long, 0, 0, 640, 480, nullptr);
        lecteur.jouer();
        lecteur.arret();
        QTRY_COMPARE_WITH_TIMEOUT(charge.size(), 2, 15000);
        QTest::qWait(400);
        QCOMPARE(lecteur.obtient_position(), 0.0);
        lecteur.Ouvrir(m_long, 0, 0, 640, 480, nullptr);
        lecteur.nettoyer();
        QTest::qWait(400);
        QCOMPARE(charge.size(), 2);
        QCOMPARE(lecteur.etat(), LecteurSon::Etat::Vide);
    }

    void duree_et_position()
    {
        LecteurSon lecteur;
        QVERIFY(ouvrir(lecteur, m_long));
        QVERIFY(proche(lecteur.obtient_duree(), 1.0));
        QCOMPARE(lecteur.obtient_position(), 0.0);
        // A position outside the sound is brought inside it, and the caller told so.
        double p = -3;
        lecteur.fixe_position(p);
        QCOMPARE(p, 0.0);
        QCOMPARE(lecteur.obtient_position(), 0.0);
        lecteur.fixe_position(p = 0.6);
        QTRY_VERIFY(proche(lecteur.obtient_position(), 0.6, 0.03));
        lecteur.fixe_position(p = 42);
        QCOMPARE(p, lecteur.obtient_duree());
        QTRY_VERIFY(lecteur.obtient_position() > 0.9);

        QVERIFY(ouvrir(lecteur, m_court)); // a new file starts at 0
        QVERIFY(proche(lecteur.obtient_duree(), 0.3));
        QCOMPARE(lecteur.obtient_position(), 0.0);
        lecteur.nettoyer();
        lecteur.nettoyer();
        QCOMPARE(lecteur.obtient_duree() + lecteur.obtient_position(), 0.0);
    }

    void lecture_arret_reprise()
    {
        LecteurSon lecteur;
        QVERIFY(ouvrir(lecteur, m_long));
        // The sine really reaches the null output, not attenuated, as time goes by: its peak is 12000,
        // or 8485 (-3 dB) where the backend spreads the mono sound over two channels itself.
        Enregistreur enregistreur;
        QVERIFY(enregistreur.demarrer());
        lecteur.jouer();
        QTRY_VERIFY_WITH_TIMEOUT(lecteur.obtient_position() > 0.6, 20000);
        const int niveau = crete(enregistreur.arreter());
        QVERIFY2(niveau > 8000 && niveau < 14000, qPrintable(QString::number(niveau)));
        lecteur.arret();
        QCOMPARE(lecteur.obtient_position(), 0.0);
        QTest::qWait(300);
        QCOMPARE(lecteur.obtient_position(), 0.0); // and stays stopped

        double p = 0.2; // in the middle, jouer goes on from there
        lecteur.fixe_position(p);
        QTRY_VERIFY(proche(lecteur.obtient_position(), 0.2, 0.03));
        lecteur.jouer();
        QVERIFY(lecteur.obtient_position() >= 0.15);
        QTRY_VERIFY_WITH_TIMEOUT(lecteur.obtient_position() > 0.3, 20000);
    }

    void rejouer_apres_la_fin_data()
    {
        QTest::addColumn<double>("secondes");
        QTest::newRow("1 s") << 1.0;
        QTest::newRow("0.3 s") << 0.3;
    }
    void rejouer_apres_la_fin()
    {
        QFETCH(double, secondes);
        LecteurSon lecteur;
        QVERIFY(ouvrir(lecteur, secondes > 0.5 ? m_long : m_court));
        QVERIFY(proche(lecteur.obtient_duree(), secondes));
        QVERIFY(jouer_jusqu_au_bout(lecteur));
        for (int tour = 0; tour < 4; ++tour) { // again and again: the sound never stalls after its end
            lecteur.jouer(); // from the start again
            QTRY_VERIFY_WITH_TIMEOUT(lecteur.obtient_position() < secondes / 2, 5000);
            QVERIFY(jouer_jusqu_au_bout(lecteur));
            double p = secondes / 5; // moved after the end, it is no longer at the end
            lecteur.fixe_position(p);
            QTRY_VERIFY(proche(lecteur.obtient_position(), p, 0.03));
            lecteur.jouer(); // from there when it does not round to the end (the 0.3 s one always does)
            QVERIFY(lecteur.obtient_position() >= (secondes > 0.5 ? p - 0.05 : 0.0));
            QVERIFY(jouer_jusqu_au_bout(lecteur));
        }
        // Destroyed while open: everything is released without a crash.
    }

    // A 3 s sound, its first half at 440 Hz and its second at 880 Hz, played after it has stood
    // loaded as long as a user takes to press "Jouer", after its end, or after a stop: each time it
    // is heard from its start, whole, soon after the request.
    void lecture_entiere_des_le_debut_data()
    {
        QTest::addColumn<bool>("joue_jusqu_au_bout");
        QTest::addColumn<bool>("arrete");
        QTest::addColumn<int>("attente");
        QTest::newRow("first play, 2 s after the load") << false << false << 2000;
        QTest::newRow("again, 1.5 s after its end") << true << false << 1500;
        QTest::newRow("after a stop, 1.5 s later") << false << true << 1500;
    }
    void lecture_entiere_des_le_debut()
    {
        QFETCH(bool, joue_jusqu_au_bout);
        QFETCH(bool, arrete);
        QFETCH(int, attente);
        LecteurSon lecteur;
        lecteur.Ouvrir(m_tons, 0, 0, 640, 480, nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(proche(lecteur.obtient_duree(), 3.0), 15000);
        if (joue_jusqu_au_bout || arrete)
            lecteur.jouer();
        if (joue_jusqu_au_bout) {
            QVERIFY(QTest::qWaitFor([&] { return lecteur.obtient_position() >= 2.95; }, 20000));
            QTest::qWait(600);
        }
        if (arrete) {
            QTRY_VERIFY_WITH_TIMEOUT(lecteur.obtient_position() > 0.5, 10000);
            lecteur.arret();
        }
        QTest::qWait(attente);
        Enregistreur enregistreur;
        QVERIFY(enregistreur.demarrer());
        const qint64 demande = enregistreur.maintenant();
        lecteur.jouer();
        QVERIFY(QTest::qWaitFor([&] { return lecteur.obtient_position() >= 2.95; }, 20000));
        QTest::qWait(600); // the end of the sound reaches the recording
        const Ecoute e = ecouter(enregistreur.arreter(), demande);
        QVERIFY2(e.deux_tons_entiers(3.0), e.dire());
    }

    void film_sans_image()
    {
        QWidget fenetre;
        fenetre.show();
        const auto fenetres = QGuiApplication::topLevelWindows().size();
        LecteurSon lecteur;
        QVERIFY(ouvrir(lecteur, m_film, &fenetre));
        QVERIFY(proche(lecteur.obtient_duree(), 1.0, 0.15));
        QVERIFY(jouer_jusqu_au_bout(lecteur));
        lecteur.jouer(); // from the start again
        QTRY_VERIFY_WITH_TIMEOUT(lecteur.obtient_position() < 0.5, 5000);
        QCOMPARE(QGuiApplication::topLevelWindows().size(), fenetres); // no picture shown anywhere
        for (const QWidget* enfant : fenetre.findChildren<QWidget*>())
            QVERIFY(!enfant->isVisible());
    }

    void sans_serveur_de_son()
    {
        // The same program where no sound server can be reached has no audio output.
        QTemporaryDir vide;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PULSE_SERVER", "unix:" + vide.filePath("rien"));
        ecrire(vide.filePath("client.conf"), "autospawn = no\n");
        env.insert("PULSE_CLIENTCONFIG", vide.filePath("client.conf"));
        QProcess enfant;
        enfant.setProcessEnvironment(env);
        enfant.start(QCoreApplication::applicationFilePath(), {"--sorties"});
        QVERIFY(enfant.waitForFinished(60000));
        QCOMPARE(enfant.readAllStandardOutput().trimmed(), QByteArray("0"));
    }
};

// A private sound server with a null output, started before Qt looks for the audio devices.
int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--sorties") == 0) {
        QApplication app(argc, argv);
        return printf("%d\n", LecteurSon::nombre_sorties_audio()) > 0 ? 0 : 1;
    }
    return executer_avec_serveur_son<TestLecteurSon, QApplication>(argc, argv);
}

#include "tst_lecteurson.moc"
