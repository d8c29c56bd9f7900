#include "son.h"

#include <QFile>
#include <QThread>
#include <QtEndian>

#include <cmath>
#include <csignal>

#include <sys/prctl.h>

QByteArray champs_riff(std::initializer_list<quint32> valeurs)
{
    QByteArray octets(int(4 * valeurs.size()), Qt::Uninitialized);
    qToLittleEndian<quint32>(valeurs.begin(), qsizetype(valeurs.size()), octets.data());
    return octets;
}

QByteArray morceau_riff(const char (&nom)[5], const QByteArray& octets)
{
    return QByteArray(nom, 4) + champs_riff({quint32(octets.size())}) + octets + QByteArray(octets.size() % 2, '\0');
}

QByteArray sinus_pcm(double secondes)
{
    QByteArray pcm(2 * int(std::lround(secondes * 22050)), Qt::Uninitialized);
    for (int i = 0; i < pcm.size() / 2; ++i)
        qToLittleEndian<qint16>(qint16(std::lround(12000 * std::sin(2 * M_PI * 440 * i / 22050))), pcm.data() + 2 * i);
    return pcm;
}

const QByteArray format_pcm = champs_riff({1 | 1 << 16, 22050, 44100, 2 | 16 << 16});

QByteArray wav(double secondes)
{
    return morceau_riff("RIFF", "WAVE" + morceau_riff("fmt ", format_pcm) + morceau_riff("data", sinus_pcm(secondes)));
}

ServeurSon::ServeurSon()
{
    const QString socket = m_dossier.filePath(QStringLiteral("pulse/native"));
    for (const char* nom : {"HOME", "XDG_RUNTIME_DIR"})
        qputenv(nom, QFile::encodeName(m_dossier.path()));
    qputenv("PULSE_RUNTIME_PATH", QFile::encodeName(m_dossier.filePath(QStringLiteral("pulse"))));
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(socket));
    m_serveur.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_serveur.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); }); // never outlives the test
    m_serveur.start(QStringLiteral("pulseaudio"),
                    QStringLiteral("-n --daemonize=no --exit-idle-time=-1 --disable-shm=yes --use-pid-file=no "
                                   "--log-target=stderr --log-level=error -L module-null-sink -L module-native-protocol-unix")
                        .split(u' '));
    for (int i = 0; m_serveur.waitForStarted(10000) && !QFile::exists(socket) && i < 200; ++i)
        QThread::msleep(50);
    m_pret = QFile::exists(socket);
}

ServeurSon::~ServeurSon()
{
    m_serveur.terminate();
    if (!m_serveur.waitForFinished(5000))
        m_serveur.kill();
}
