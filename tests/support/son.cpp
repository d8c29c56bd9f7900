#include "son.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QThread>
#include <QtEndian>

#include <algorithm>
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

namespace {

QByteArray ton_pcm(double secondes, double hertz)
{
    QByteArray pcm(2 * int(std::lround(secondes * 22050)), Qt::Uninitialized);
    for (int i = 0; i < pcm.size() / 2; ++i)
        qToLittleEndian<qint16>(qint16(std::lround(12000 * std::sin(2 * M_PI * hertz * i / 22050))), pcm.data() + 2 * i);
    return pcm;
}

qint16 echantillon(const QByteArray& pcm, qint64 i)
{
    return qFromLittleEndian<qint16>(pcm.constData() + 2 * i);
}

// A span of a recording where a sound is heard: its first sample, and one past its last.
struct Passage {
    qint64 debut = 0;
    qint64 fin = 0;
};

// The spans of sound, a silence shorter than `silence_max` s not breaking a span.
QList<Passage> passages_sonores(const QByteArray& pcm, double silence_max = 0.05)
{
    // A sample counts as heard above a level far over the null output's silence (0) and far
    // under the tones' (12000, or 8485 when spread over two channels).
    constexpr int seuil = 1500;
    const qint64 trou = qint64(silence_max * Enregistreur::frequence);
    QList<Passage> passages;
    for (qint64 i = 0; i < pcm.size() / 2; ++i) {
        if (std::abs(int(echantillon(pcm, i))) < seuil)
            continue;
        if (!passages.isEmpty() && i - passages.last().fin <= trou)
            passages.last().fin = i + 1;
        else
            passages.append({i, i + 1});
    }
    return passages;
}

// Main frequency (Hz) of the samples [debut, debut + secondes), from their zero crossings.
double frequence_entendue(const QByteArray& pcm, qint64 debut, double secondes)
{
    const qint64 fin = std::min<qint64>(debut + qint64(secondes * Enregistreur::frequence), pcm.size() / 2);
    int passages_par_zero = 0;
    for (qint64 i = debut + 1; i < fin; ++i)
        passages_par_zero += (echantillon(pcm, i - 1) < 0) != (echantillon(pcm, i) < 0);
    return fin > debut ? passages_par_zero / 2.0 / (double(fin - debut) / Enregistreur::frequence) : 0.0;
}

} // namespace

QByteArray sinus_pcm(double secondes)
{
    return ton_pcm(secondes, 440);
}

const QByteArray format_pcm = champs_riff({1 | 1 << 16, 22050, 44100, 2 | 16 << 16});

QByteArray wav(double secondes)
{
    return morceau_riff("RIFF", "WAVE" + morceau_riff("fmt ", format_pcm) + morceau_riff("data", sinus_pcm(secondes)));
}

QByteArray wav_muet()
{
    return morceau_riff("RIFF", "WAVE" + morceau_riff("fmt ", format_pcm) + morceau_riff("data", QByteArray()));
}

QByteArray wav_deux_tons(double secondes)
{
    const QByteArray pcm = ton_pcm(secondes / 2, 440) + ton_pcm(secondes / 2, 880);
    return morceau_riff("RIFF", "WAVE" + morceau_riff("fmt ", format_pcm) + morceau_riff("data", pcm));
}

Enregistreur::~Enregistreur()
{
    arreter();
}

bool Enregistreur::demarrer()
{
    m_donnees.clear();
    m_parec.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_parec.start(QStringLiteral("parec"), QStringLiteral("--device=null.monitor --raw --format=s16le --channels=1 "
                                                          "--rate=22050 --latency-msec=10")
                                               .split(u' '));
    if (!m_parec.waitForStarted(10000))
        return false;
    // The sink plays silence as long as nothing else: data flows as soon as the stream is up.
    QElapsedTimer chrono;
    chrono.start();
    while (m_donnees.size() < 2 * frequence / 10 && chrono.elapsed() < 10000) {
        m_parec.waitForReadyRead(100);
        lire();
    }
    return m_donnees.size() >= 2 * frequence / 10;
}

void Enregistreur::lire()
{
    m_donnees += m_parec.readAllStandardOutput();
}

qint64 Enregistreur::maintenant()
{
    // Whatever the recorder has delivered up to now, without waiting for more than a pause in its
    // flow; a flow that never pauses (a backlog on a loaded machine) is cut after a quarter second.
    QElapsedTimer chrono;
    chrono.start();
    while (chrono.elapsed() < 250 && m_parec.waitForReadyRead(2))
        lire();
    lire();
    return m_donnees.size() / 2;
}

QByteArray Enregistreur::arreter()
{
    if (m_parec.state() != QProcess::NotRunning) {
        lire();
        m_parec.terminate();
        if (!m_parec.waitForFinished(5000))
            m_parec.kill();
        lire();
    }
    return m_donnees.left(m_donnees.size() & ~qsizetype(1));
}

int crete(const QByteArray& pcm)
{
    int maximum = 0;
    for (qint64 i = 0; i < pcm.size() / 2; ++i)
        maximum = std::max(maximum, std::abs(int(echantillon(pcm, i))));
    return maximum;
}

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
    e.longueur = double(p.fin - p.debut) / Enregistreur::frequence;
    e.debut_hz = frequence_entendue(pcm, p.debut, 0.1);
    e.fin_hz = frequence_entendue(pcm, p.fin - Enregistreur::frequence / 10, 0.1);
    return e;
}

bool Ecoute::deux_tons_entiers(double secondes) const
{
    return passages == 1 && retard >= 0 && retard <= 0.3 && std::abs(longueur - secondes) < 0.1
           && std::abs(debut_hz - 440) < 30 && std::abs(fin_hz - 880) < 30;
}

QByteArray Ecoute::dire() const
{
    return QStringLiteral("%1 span(s), first after %2 s, %3 s long, %4 Hz .. %5 Hz (%6 s recorded, peak %7)")
        .arg(passages).arg(retard, 0, 'f', 3).arg(longueur, 0, 'f', 3).arg(debut_hz, 0, 'f', 0).arg(fin_hz, 0, 'f', 0)
        .arg(enregistre, 0, 'f', 3).arg(niveau)
        .toUtf8();
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
