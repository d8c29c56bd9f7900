#include "show/lecteurson.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QMediaDevices>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cmath>

namespace {

// Writes `secondes` of a 440 Hz sine as a WAV file, 16-bit PCM mono at 22050 Hz.
QString ecrire_wav(const QString& chemin, double secondes)
{
    constexpr quint32 frequence = 22050;
    const auto echantillons = static_cast<quint32>(std::lround(secondes * frequence));
    QByteArray octets;
    QDataStream flux(&octets, QIODevice::WriteOnly);
    flux.setByteOrder(QDataStream::LittleEndian);
    flux.writeRawData("RIFF", 4);
    flux << quint32(36 + 2 * echantillons);
    flux.writeRawData("WAVEfmt ", 8);
    flux << quint32(16) << quint16(1) << quint16(1) << frequence << quint32(2 * frequence) << quint16(2)
         << quint16(16);
    flux.writeRawData("data", 4);
    flux << quint32(2 * echantillons);
    for (quint32 i = 0; i < echantillons; ++i)
        flux << qint16(std::lround(12000 * std::sin(2 * M_PI * 440 * i / frequence)));
    QFile fichier(chemin);
    return fichier.open(QIODevice::WriteOnly) && fichier.write(octets) == octets.size() ? chemin : QString();
}

// The Qt Multimedia backend this process loaded.
QString backend()
{
    QFile cartes(QStringLiteral("/proc/self/maps"));
    const QByteArray texte = cartes.open(QIODevice::ReadOnly) ? cartes.readAll() : QByteArray();
    if (texte.contains("libgstreamermediaplugin"))
        return QStringLiteral("gstreamer");
    return texte.contains("libffmpegmediaplugin") ? QStringLiteral("ffmpeg") : QStringLiteral("?");
}

} // namespace

class TestLecteurSon : public QObject {
    Q_OBJECT

    QTemporaryDir m_dossier;
    QString m_long, m_court;

    // Plays `lecteur` to its end: its position reaches the length and stays there.
    static bool jouer_jusqu_au_bout(LecteurSon& lecteur)
    {
        lecteur.jouer();
        const double duree = lecteur.obtient_duree();
        if (!QTest::qWaitFor([&] { return lecteur.obtient_position() >= duree - 0.05; }, 20000))
            return false;
        QTest::qWait(300);
        return lecteur.obtient_position() >= duree - 0.05;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dossier.isValid());
        m_long = ecrire_wav(m_dossier.filePath(QStringLiteral("la.wav")), 1.0);
        m_court = ecrire_wav(m_dossier.filePath(QStringLiteral("bref.wav")), 0.3);
        QVERIFY(!m_long.isEmpty() && !m_court.isEmpty());
        // The null sink of the test's own sound server is an output.
        QVERIFY(LecteurSon::nombre_sorties_audio() >= 1);
        QCOMPARE(LecteurSon::nombre_sorties_audio(), QMediaDevices::audioOutputs().size());
        LecteurSon essai; // loads the media backend
        essai.Ouvrir(m_long, 0, 0, 100, 100, nullptr);
        qInfo("Qt Multimedia backend: %s", qPrintable(backend()));
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
            lecteur.arret();
            QTest::qWait(200);
            QCOMPARE(lecteur.obtient_position(), 0.0);
        };
        verifier_vide();
        lecteur.nettoyer();
        lecteur.nettoyer();
        verifier_vide();

        QFile texte(m_dossier.filePath(QStringLiteral("notes.wav")));
        QVERIFY(texte.open(QIODevice::WriteOnly));
        texte.write(QByteArray("Ceci n'est pas un son.\n").repeated(50));
        texte.close();
        QFile::copy(m_long, m_dossier.filePath(QStringLiteral("coupe.wav")));
        QFile coupe(m_dossier.filePath(QStringLiteral("coupe.wav")));
        QVERIFY(coupe.resize(20)); // header cut short
        for (const QString& nom : {QStringLiteral("absent.wav"), QStringLiteral("notes.wav"),
                                   QStringLiteral("coupe.wav"), QString()}) {
            lecteur.Ouvrir(m_long, 0, 0, 100, 100, nullptr); // the next file replaces it
            QVERIFY(lecteur.obtient_duree() > 0);
            lecteur.Ouvrir(nom.isEmpty() ? nom : m_dossier.filePath(nom), 0, 0, 100, 100, nullptr);
            verifier_vide();
        }
    }

    void duree_et_position()
    {
        LecteurSon lecteur;
        lecteur.Ouvrir(m_long, 0, 0, 640, 480, nullptr);
        QVERIFY(std::abs(lecteur.obtient_duree() - 1.0) < 0.05);
        QCOMPARE(lecteur.obtient_position(), 0.0);

        double p = -3;
        lecteur.fixe_position(p);
        QCOMPARE(p, 0.0);
        QCOMPARE(lecteur.obtient_position(), 0.0);
        p = 0.6;
        lecteur.fixe_position(p);
        QCOMPARE(p, 0.6);
        QTRY_VERIFY(std::abs(lecteur.obtient_position() - 0.6) < 0.03);
        p = 42;
        lecteur.fixe_position(p);
        QCOMPARE(p, lecteur.obtient_duree());
        QTRY_VERIFY(lecteur.obtient_position() > 0.9);

        lecteur.Ouvrir(m_court, 0, 0, 640, 480, nullptr); // a new file starts at 0
        QVERIFY(std::abs(lecteur.obtient_duree() - 0.3) < 0.05);
        QCOMPARE(lecteur.obtient_position(), 0.0);
        lecteur.nettoyer();
        lecteur.nettoyer();
        QCOMPARE(lecteur.obtient_duree(), 0.0);
        QCOMPARE(lecteur.obtient_position(), 0.0);
    }

    void lecture_arret_reprise()
    {
        LecteurSon lecteur;
        lecteur.Ouvrir(m_long, 0, 0, 640, 480, nullptr);
        lecteur.jouer();
        QTRY_VERIFY_WITH_TIMEOUT(lecteur.obtient_position() > 0.1, 20000); // it really plays
        lecteur.arret();
        QCOMPARE(lecteur.obtient_position(), 0.0);
        QTest::qWait(300);
        QCOMPARE(lecteur.obtient_position(), 0.0); // and stays stopped

        double p = 0.2; // in the middle, jouer goes on from there
        lecteur.fixe_position(p);
        QTRY_VERIFY(std::abs(lecteur.obtient_position() - 0.2) < 0.03);
        lecteur.jouer();
        QVERIFY(lecteur.obtient_position() >= 0.15);
        QTRY_VERIFY_WITH_TIMEOUT(lecteur.obtient_position() > 0.3, 20000);
        lecteur.arret();
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
        lecteur.Ouvrir(secondes > 0.5 ? m_long : m_court, 0, 0, 640, 480, nullptr);
        QVERIFY(std::abs(lecteur.obtient_duree() - secondes) < 0.05);
        QVERIFY(jouer_jusqu_au_bout(lecteur));
        lecteur.jouer(); // from the start again
        QTRY_VERIFY_WITH_TIMEOUT(lecteur.obtient_position() < secondes / 2, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(lecteur.obtient_position() > 0.05, 20000);
        QVERIFY(jouer_jusqu_au_bout(lecteur));
        double p = secondes / 5; // moved after the end, it is no longer at the end
        lecteur.fixe_position(p);
        QTRY_VERIFY(std::abs(lecteur.obtient_position() - p) < 0.03);
        lecteur.jouer(); // from there when it does not round to the end (the 0.3 s one always does)
        QVERIFY(lecteur.obtient_position() >= (secondes > 0.5 ? p - 0.05 : 0.0));
        QVERIFY(jouer_jusqu_au_bout(lecteur));
        // Destroyed while open: everything is released without a crash.
    }

    void sans_serveur_de_son()
    {
        // The same program, in an environment where no sound server can be reached.
        QTemporaryDir vide;
        QFile conf(vide.filePath(QStringLiteral("client.conf")));
        QVERIFY(conf.open(QIODevice::WriteOnly) && conf.write("autospawn = no\n") > 0);
        conf.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* nom : {"HOME", "XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH"})
            env.insert(QString::fromLatin1(nom), vide.path());
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + vide.filePath(QStringLiteral("rien")));
        env.insert(QStringLiteral("PULSE_CLIENTCONFIG"), conf.fileName());
        QProcess enfant;
        enfant.setProcessEnvironment(env);
        enfant.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--sorties")});
        QVERIFY(enfant.waitForFinished(60000));
        QCOMPARE(enfant.exitCode(), 0);
        QCOMPARE(enfant.readAllStandardOutput().trimmed(), QByteArray("0"));
    }
};

// A private sound server with a null output, started before Qt looks for the audio devices.
int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--sorties") == 0) {
        QApplication app(argc, argv);
        printf("%d\n", LecteurSon::nombre_sorties_audio());
        return 0;
    }
    QTemporaryDir dossier;
    const QString socket = dossier.filePath(QStringLiteral("pulse/native"));
    for (const char* nom : {"HOME", "XDG_RUNTIME_DIR"})
        qputenv(nom, QFile::encodeName(dossier.path()));
    qputenv("PULSE_RUNTIME_PATH", QFile::encodeName(dossier.filePath(QStringLiteral("pulse"))));
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(socket));
    QProcess serveur;
    serveur.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    serveur.start(QStringLiteral("pulseaudio"),
                  {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                   QStringLiteral("--disable-shm=yes"), QStringLiteral("--use-pid-file=no"),
                   QStringLiteral("--log-target=stderr"),
                   QStringLiteral("--log-level=error"), QStringLiteral("-L"), QStringLiteral("module-null-sink"),
                   QStringLiteral("-L"), QStringLiteral("module-native-protocol-unix")});
    serveur.waitForStarted(10000);
    for (int i = 0; i < 200 && serveur.state() != QProcess::NotRunning && !QFile::exists(socket); ++i)
        QThread::msleep(50);
    if (!QFile::exists(socket)) {
        fprintf(stderr, "FAIL: the sound server pulseaudio could not be started\n");
        return 1;
    }
    int resultat = 0;
    {
        QApplication app(argc, argv);
        TestLecteurSon test;
        resultat = QTest::qExec(&test, argc, argv);
    }
    serveur.terminate();
    if (!serveur.waitForFinished(5000))
        serveur.kill();
    serveur.waitForFinished(5000);
    return resultat;
}

#include "tst_lecteurson.moc"
