#include "show/lecteurson.h"
#include "son.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTimer>
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

// Opens a file and waits for the player's answer; true when it is loaded.
bool ouvrir(LecteurSon& lecteur, const QString& fichier, QWidget* fenetre = nullptr)
{
    QSignalSpy charge(&lecteur, &LecteurSon::charge), echec(&lecteur, &LecteurSon::echec);
    lecteur.Ouvrir(fichier, 0, 0, 640, 480, fenetre);
    if (!QTest::qWaitFor([&] { return charge.size() + echec.size() > 0; }, 20000))
        return qWarning("no answer about %s", qPrintable(fichier)), false;
    return charge.size() == 1 && echec.isEmpty() && lecteur.etat() == LecteurSon::Etat::Pret;
}

// Where the sound of a play is heard in a recording, `demande` being the sample at which it was asked.
struct Ecoute {
    double retard = -1;    // seconds from the request to the first sound
    double longueur = 0;   // seconds of sound heard in one go
    double debut_hz = 0;   // tone of its first tenth of a second
    double fin_hz = 0;     // tone of its last tenth of a second
    int passages = 0;      // separate spans of sound
    double enregistre = 0; // seconds recorded from the request on
    int niveau = 0;        // highest level recorded
};

Ecoute ecouter(const QByteArray& pcm, qint64 demande)
{
    const QList<Passage> passages = passages_sonores(pcm);
    Ecoute e;
    e.passages = int(passages.size());
    e.enregistre = double(pcm.size() / 2 - demande) / Enregistreur::frequence;
    e.niveau = crete(pcm);
    if (passages.isEmpty())
        return e;
    const Passage& p = passages.first();
    e.retard = double(p.debut - demande) / Enregistreur::frequence;
    e.longueur = p.secondes();
    e.debut_hz = frequence_entendue(pcm, p.debut, 0.1);
    e.fin_hz = frequence_entendue(pcm, p.fin - Enregistreur::frequence / 10, 0.1);
    return e;
}

QByteArray dire(const Ecoute& e)
{
    return QStringLiteral("%1 span(s), first after %2 s, %3 s long, %4 Hz .. %5 Hz (%6 s recorded, peak %7)")
        .arg(e.passages).arg(e.retard, 0, 'f', 3).arg(e.longueur, 0, 'f', 3).arg(e.debut_hz, 0, 'f', 0).arg(e.fin_hz, 0, 'f', 0)
        .arg(e.enregistre, 0, 'f', 3).arg(e.niveau)
        .toUtf8();
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
        QCOMPARE(lecteur.etat(), LecteurSon::Etat::Vide);
        lecteur.nettoyer();
        lecteur.nettoyer();
        verifier_vide();
        ecrire(m_dossier, QStringLiteral("notes.wav"), QByteArray("Ceci n'est pas un son.\n").repeated(50));
        ecrire(m_dossier, QStringLiteral("coupe.wav"), wav(1.0).left(20));
        ecrire(m_dossier, QStringLiteral("rien.wav"), QByteArray());
        // A header and no sample at all.
        ecrire(m_dossier, QStringLiteral("muet.wav"),
               morceau_riff("RIFF", "WAVE" + morceau_riff("fmt ", format_pcm) + morceau_riff("data", QByteArray())));
        QImage photo(64, 48, QImage::Format_RGB32);
        photo.fill(Qt::darkGreen);
        QVERIFY(photo.save(m_dossier.filePath(QStringLiteral("photo.jpg")), "JPG"));
        QDir(m_dossier.path()).mkdir(QStringLiteral("dossier.wav"));
        const QList<std::pair<QString, QString>> refuses = {
            {QStringLiteral("absent.wav"), QStringLiteral("Le fichier son « absent.wav » est introuvable.")},
            {QStringLiteral("notes.wav"),
             QStringLiteral("Le fichier « notes.wav » n'est pas un son lisible : format non reconnu ou détérioré.")},
            {QStringLiteral("coupe.wav"),
             QStringLiteral("Le fichier « coupe.wav » n'est pas un son lisible : format non reconnu ou détérioré.")},
            {QStringLiteral("rien.wav"), QStringLiteral("Le fichier son « rien.wav » est vide : il ne contient aucun son.")},
            {QStringLiteral("muet.wav"), QStringLiteral("Le fichier son « muet.wav » est vide : il ne contient aucun son.")},
            {QStringLiteral("photo.jpg"), QStringLiteral("Le fichier « photo.jpg » ne contient pas de son.")},
            {QStringLiteral("dossier.wav"), QStringLiteral("« dossier.wav » n'est pas un fichier son.")},
        };
        for (const auto& [nom, raison] : refuses) {
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

    void lecture_entiere_des_le_debut()
    {
        // A 3 s sound, its first half at 440 Hz and its second at 880 Hz, played after it has stood
        // loaded as long as a user takes to press "Jouer", then again after its end and after a
        // stop: each time it is heard from its start, whole, soon after the request.
        const QString tons = ecrire(m_dossier, QStringLiteral("tons.wav"), wav_deux_tons(3.0));
        LecteurSon lecteur;
        lecteur.Ouvrir(tons, 0, 0, 640, 480, nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(proche(lecteur.obtient_duree(), 3.0), 15000);
        Enregistreur enregistreur;
        for (const char* cas : {"first play, 2 s after the load", "again, 1.5 s after its end", "after a stop, 1.5 s later"}) {
            if (qstrcmp(cas, "after a stop, 1.5 s later") == 0) {
                lecteur.jouer();
                QTRY_VERIFY_WITH_TIMEOUT(lecteur.obtient_position() > 0.5, 10000);
                lecteur.arret();
                QTest::qWait(1500);
            } else {
                QTest::qWait(qstrcmp(cas, "again, 1.5 s after its end") == 0 ? 1500 : 2000);
            }
            QVERIFY(enregistreur.demarrer());
            const qint64 demande = enregistreur.maintenant();
            lecteur.jouer();
            QVERIFY(QTest::qWaitFor([&] { return lecteur.obtient_position() >= 2.95; }, 20000));
            QTest::qWait(600); // the end of the sound reaches the recording
            const Ecoute e = ecouter(enregistreur.arreter(), demande);
            qInfo("%s: %s", cas, dire(e).constData());
            QVERIFY2(e.passages == 1, cas);
            QVERIFY2(e.retard >= 0 && e.retard <= 0.3, cas); // started within 300 ms of the request
            QVERIFY2(proche(e.longueur, 3.0, 0.1), cas);    // whole
            QVERIFY2(proche(e.debut_hz, 440, 30), cas);      // from its start
            QVERIFY2(proche(e.fin_hz, 880, 30), cas);        // to its end
        }
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
