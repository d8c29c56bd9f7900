#pragma once

#include <QByteArray>
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
