#include "show/lecteurson.h"
#include "son.h"

#include <QApplication>
#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>

#include <sys/prctl.h>

namespace {

quint32 code(const char (&nom)[5]) { return qFromLittleEndian<quint32>(nom); }
QByteArray liste(const char (&nom)[5], const QByteArray& octets) { return morceau_riff("LIST", QByteArray(nom, 4) + octets); }

QByteArray avi()
{
    const QByteArray image(16 * 16 * 3, '\x7f'), son = sinus_pcm(1.0);
    const QByteArray images = morceau_riff("00db", image).repeated(8);
    const QByteArray flux_image = liste("strl", morceau_riff("strh", champs_riff({code("vids"), code("DIB "), 0, 0, 0, 1, 8, 0, 8,
                                                                        768, ~0u, 0, 0, 16 | 16 << 16}))
                                                    + morceau_riff("strf", champs_riff({40, 16, 16, 1 | 24 << 16, 0, 768, 0, 0, 0, 0})));
    const QByteArray flux_son = liste("strl", morceau_riff("strh", champs_riff({code("auds"), 0, 0, 0, 0, 1, 22050, 0, 22050,
                                                                      44100, ~0u, 2, 0, 0}))
                                                  + morceau_riff("strf", format_pcm));
    const QByteArray entete = morceau_riff("avih", champs_riff({125000, 0, 0, 0, 8, 0, 2, 44100, 16, 16, 0, 0, 0, 0}));
    return morceau_riff("RIFF", "AVI " + liste("hdrl", entete + flux_image + flux_son)
                               + liste("movi", images + morceau_riff("01wb", son)));
}

QString ecrire(const QTemporaryDir& dossier, const QString& nom, const QByteArray& octets)
{
    QFile fichier(dossier.filePath(nom));
    return fichier.open(QIODevice::WriteOnly) && fichier.write(octets) == octets.size() ? fichier.fileName() : QString();
}

// Highest level of recorded 16-bit samples.
int crete(const QByteArray& pcm)
{
    int maximum = 0;
    for (int i = 0; i + 1 < pcm.size(); i += 2)
        maximum = std::max(maximum, std::abs(int(qFromLittleEndian<qint16>(pcm.constData() + i))));
    return maximum;
}

const char* backend() // the Qt Multimedia backend this process loaded
{
    QFile cartes(QStringLiteral("/proc/self/maps"));
    const QByteArray texte = cartes.open(QIODevice::ReadOnly) ? cartes.readAll() : QByteArray();
    return texte.contains("libgstreamermediaplugin") ? "gstreamer" : texte.contains("libffmpegmediaplugin") ? "ffmpeg" : "?";
}

bool proche(double a, double b, double ecart = 0.05) { return std::abs(a - b) < ecart; }

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
    QString m_long, m_court, m_film;

private slots:
    void initTestCase()
    {
        m_long = ecrire(m_dossier, QStringLiteral("la.wav"), wav(1.0));
        m_court = ecrire(m_dossier, QStringLiteral("bref.wav"), wav(0.3));
        m_film = ecrire(m_dossier, QStringLiteral("film.avi"), avi());
        QVERIFY(!m_long.isEmpty() && !m_court.isEmpty() && !m_film.isEmpty());
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
        lecteur.nettoyer();
        lecteur.nettoyer();
        verifier_vide();
        ecrire(m_dossier, QStringLiteral("notes.wav"), QByteArray("Ceci n'est pas un son.\n").repeated(50));
        ecrire(m_dossier, QStringLiteral("coupe.wav"), wav(1.0).left(20));
        for (const QString& nom : {QStringLiteral("absent.wav"), QStringLiteral("notes.wav"), QStringLiteral("coupe.wav"),
                                   QString()}) {
            lecteur.Ouvrir(m_long, 0, 0, 100, 100, nullptr); // the next file replaces it
            QVERIFY(proche(lecteur.obtient_duree(), 1.0));
            lecteur.Ouvrir(nom.isEmpty() ? nom : m_dossier.filePath(nom), 0, 0, 100, 100, nullptr);
            verifier_vide();
        }
    }

    void duree_et_position()
    {
        LecteurSon lecteur;
        lecteur.Ouvrir(m_long, 0, 0, 640, 480, nullptr);
        qInfo("Qt Multimedia backend: %s", backend());
        QVERIFY(proche(lecteur.obtient_duree(), 1.0));
        QCOMPARE(lecteur.obtient_position(), 0.0);
        double p = -3;
        lecteur.fixe_position(p);
        QCOMPARE(p, 0.0);
        QCOMPARE(lecteur.obtient_position(), 0.0);
        lecteur.fixe_position(p = 0.6);
        QCOMPARE(p, 0.6);
        QTRY_VERIFY(proche(lecteur.obtient_position(), 0.6, 0.03));
        p = 42;
        lecteur.fixe_position(p);
        QCOMPARE(p, lecteur.obtient_duree());
        QTRY_VERIFY(lecteur.obtient_position() > 0.9);

        lecteur.Ouvrir(m_court, 0, 0, 640, 480, nullptr); // a new file starts at 0
        QVERIFY(proche(lecteur.obtient_duree(), 0.3));
        QCOMPARE(lecteur.obtient_position(), 0.0);
        lecteur.nettoyer();
        lecteur.nettoyer();
        QCOMPARE(lecteur.obtient_duree() + lecteur.obtient_position(), 0.0);
    }

    void lecture_arret_reprise()
    {
        LecteurSon lecteur;
        lecteur.Ouvrir(m_long, 0, 0, 640, 480, nullptr);
        // The sine really reaches the null output, not attenuated, as time goes by: its peak is 12000,
        // or 8485 (-3 dB) where the backend spreads the mono sound over two channels itself.
        QProcess enregistreur;
        enregistreur.start(QStringLiteral("parec"), QStringLiteral("--device=null.monitor --raw --format=s16le "
                                                                   "--channels=1 --rate=22050 --latency-msec=20").split(u' '));
        QVERIFY(enregistreur.waitForStarted());
        lecteur.jouer();
        QTRY_VERIFY_WITH_TIMEOUT(lecteur.obtient_position() > 0.6, 20000);
        enregistreur.terminate();
        QVERIFY(enregistreur.waitForFinished());
        const int niveau = crete(enregistreur.readAllStandardOutput());
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
        lecteur.Ouvrir(secondes > 0.5 ? m_long : m_court, 0, 0, 640, 480, nullptr);
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

    void film_sans_image()
    {
        QWidget fenetre;
        fenetre.show();
        const auto fenetres = QGuiApplication::topLevelWindows().size();
        LecteurSon lecteur;
        lecteur.Ouvrir(m_film, 10, 10, 320, 240, &fenetre);
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
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + vide.filePath(QStringLiteral("rien")));
        env.insert(QStringLiteral("PULSE_CLIENTCONFIG"), ecrire(vide, QStringLiteral("client.conf"), "autospawn = no\n"));
        QProcess enfant;
        enfant.setProcessEnvironment(env);
        enfant.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--sorties")});
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
