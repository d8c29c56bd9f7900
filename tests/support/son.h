#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <initializer_list>

// Sound for the tests: short WAV files made on the spot, and a private sound server with a null
// output so that Qt Multimedia has a real audio output to play to.

QByteArray champs_riff(std::initializer_list<quint32> valeurs); // little-endian 32-bit fields
QByteArray morceau_riff(const char (&nom)[5], const QByteArray& octets);
// `secondes` of a 440 Hz sine, 16-bit PCM mono at 22050 Hz.
QByteArray sinus_pcm(double secondes);
extern const QByteArray format_pcm;
QByteArray wav(double secondes);
// A WAV file with its header and no sample at all.
QByteArray wav_muet();
// Two tones one after the other, 16-bit PCM mono at 22050 Hz: `secondes` / 2 of 440 Hz, then
// the same of 880 Hz. Where each is heard tells whether a play started at the beginning.
QByteArray wav_deux_tons(double secondes);

// Records what the test's sound server plays (the monitor of its null output), 16-bit mono at
// 22050 Hz, from demarrer() to arreter().
class Enregistreur {
public:
    static constexpr int frequence = 22050;

    ~Enregistreur();
    // Starts recording and returns once sound data flows.
    bool demarrer();
    // Number of samples recorded up to now: the place of "now" in the recording.
    qint64 maintenant();
    // Stops and gives every sample recorded.
    QByteArray arreter();

private:
    void lire();
    QProcess m_parec;
    QByteArray m_donnees;
};

// Highest level of the recorded samples.
int crete(const QByteArray& pcm);

// Where the sound of a play is heard in a recording, `demande` being the sample at which it was asked.
struct Ecoute {
    double retard = -1;    // seconds from the request to the first sound
    double longueur = 0;   // seconds of sound heard in one go
    double debut_hz = 0;   // tone of its first tenth of a second
    double fin_hz = 0;     // tone of its last tenth of a second
    int passages = 0;      // separate spans of sound
    double enregistre = 0; // seconds recorded from the request on
    int niveau = 0;        // highest level recorded
    // The sound of wav_deux_tons(secondes) heard once, whole (from its start to its end), within
    // 300 ms of the request.
    bool deux_tons_entiers(double secondes) const;
    QByteArray dire() const;
};
Ecoute ecouter(const QByteArray& pcm, qint64 demande);

// A PulseAudio server with a null sink in a temporary folder, for the life of the object.
// PULSE_SERVER points at it, so it must be made before the QApplication.
class ServeurSon {
public:
    ServeurSon();
    ~ServeurSon();
    ServeurSon(const ServeurSon&) = delete;
    ServeurSon& operator=(const ServeurSon&) = delete;
    bool pret() const { return m_pret; }

private:
    QTemporaryDir m_dossier;
    QProcess m_serveur;
    bool m_pret = false;
};

// main() of a test that needs sound: the server first, then the application and the test object.
template <typename Test, typename Application>
int executer_avec_serveur_son(int argc, char** argv)
{
    ServeurSon serveur;
    if (!serveur.pret()) {
        std::fprintf(stderr, "FAIL: the sound server pulseaudio could not be started\n");
        return 1;
    }
    Application application(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}
