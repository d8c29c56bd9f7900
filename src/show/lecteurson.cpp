#include "show/lecteurson.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

// Longest wait for a file to be loaded, so that its length is known when Ouvrir returns.
constexpr int attente_chargement_ms = 5000;

double en_secondes(qint64 millisecondes) { return static_cast<double>(millisecondes) / 1000.0; }

} // namespace

LecteurSon::LecteurSon(QObject* parent) : QObject(parent) { }

LecteurSon::~LecteurSon() { nettoyer(); }

void LecteurSon::nettoyer()
{
    // The player goes first: it still refers to its audio output until it is gone.
    if (m_lecteur) {
        m_lecteur->stop();
        m_lecteur->setAudioOutput(nullptr);
        m_lecteur.reset();
    }
    m_sortie.reset();
}

void LecteurSon::Ouvrir(const QString& fichier, int haut, int gauche, int largeur, int hauteur,
                        QWidget* fenetre)
{
    // The picture of a video is never shown: no video output is given to the player, which then
    // decodes the sound only. The rectangle and the window are therefore not needed.
    Q_UNUSED(haut)
    Q_UNUSED(gauche)
    Q_UNUSED(largeur)
    Q_UNUSED(hauteur)
    Q_UNUSED(fenetre)

    nettoyer();
    const QFileInfo info(fichier);
    if (fichier.isEmpty() || !info.isFile() || !info.isReadable())
        return;

    m_sortie = std::make_unique<QAudioOutput>();
    m_sortie->setVolume(1.0f); // full volume; Qt Multimedia has no balance, the sound stays centred
    m_lecteur = std::make_unique<QMediaPlayer>();
    m_lecteur->setAudioOutput(m_sortie.get());
    m_lecteur->setPlaybackRate(1.0);
    charger(QUrl::fromLocalFile(info.absoluteFilePath()));
}

bool LecteurSon::charger(const QUrl& source)
{
    QMediaPlayer* const lecteur = m_lecteur.get();
    const QPointer<QMediaPlayer> lecteur_vivant(lecteur);
    const QPointer<LecteurSon> moi_vivant(this);

    // Loading is asynchronous: wait here until the media is known (loaded, invalid or in error),
    // while the events keep being processed, but never longer than a few seconds.
    bool echec = false;
    QEventLoop boucle;
    const auto examiner = [&] {
        const auto etat = lecteur->mediaStatus();
        if (etat == QMediaPlayer::InvalidMedia || lecteur->error() != QMediaPlayer::NoError) {
            echec = true;
            boucle.quit();
        } else if (etat == QMediaPlayer::LoadedMedia && lecteur->duration() > 0) {
            boucle.quit();
        }
    };
    connect(lecteur, &QMediaPlayer::mediaStatusChanged, &boucle, examiner);
    connect(lecteur, &QMediaPlayer::durationChanged, &boucle, examiner);
    connect(lecteur, &QMediaPlayer::errorOccurred, &boucle, [&] {
        echec = true;
        boucle.quit();
    });
    connect(lecteur, &QObject::destroyed, &boucle, &QEventLoop::quit);
    QTimer::singleShot(attente_chargement_ms, &boucle, &QEventLoop::quit);

    lecteur->setSource(source);
    examiner(); // a backend may have answered at once
    if (!echec && !(lecteur->mediaStatus() == QMediaPlayer::LoadedMedia && lecteur->duration() > 0))
        boucle.exec();

    // The player itself, or the media, may have been closed or replaced while the events were processed.
    if (!moi_vivant || !lecteur_vivant || m_lecteur.get() != lecteur)
        return false;
    const auto etat = m_lecteur->mediaStatus();
    const bool charge = etat == QMediaPlayer::LoadedMedia || etat == QMediaPlayer::BufferedMedia
                        || etat == QMediaPlayer::BufferingMedia;
    if (echec || !charge || m_lecteur->error() != QMediaPlayer::NoError) {
        nettoyer();
        return false;
    }
    if (m_lecteur->position() != 0)
        m_lecteur->setPosition(0);
    return true;
}

bool LecteurSon::rembobiner_apres_la_fin()
{
    // Once a media has played to its end, GStreamer's sound output does not always take moving it
    // again: its clock may go wrong and the sound stall on the next play. Loading it again gives a
    // fresh pipeline at the start instead.
    if (m_lecteur->mediaStatus() != QMediaPlayer::EndOfMedia)
        return true;
    const QUrl source = m_lecteur->source();
    m_lecteur->setSource(QUrl());
    return charger(source);
}

void LecteurSon::jouer()
{
    if (!m_lecteur || !rembobiner_apres_la_fin())
        return;
    // Played to its end: start again from the beginning.
    if (std::lround(obtient_position()) == std::lround(obtient_duree()) && m_lecteur->position() != 0)
        m_lecteur->setPosition(0);
    m_lecteur->play();
}

void LecteurSon::arret()
{
    if (!m_lecteur || !rembobiner_apres_la_fin())
        return;
    m_lecteur->stop();
    if (m_lecteur->position() != 0)
        m_lecteur->setPosition(0);
}

void LecteurSon::fixe_position(double& nouvelle_position)
{
    if (!m_lecteur)
        return;
    const double duree = obtient_duree();
    if (!rembobiner_apres_la_fin())
        return;
    if (!(nouvelle_position >= 0)) // also turns a NaN into 0
        nouvelle_position = 0;
    nouvelle_position = std::min(nouvelle_position, duree);
    m_lecteur->setPosition(std::llround(nouvelle_position * 1000.0));
}

double LecteurSon::obtient_duree() const
{
    return m_lecteur ? en_secondes(std::max<qint64>(m_lecteur->duration(), 0)) : 0.0;
}

double LecteurSon::obtient_position() const
{
    if (!m_lecteur)
        return 0.0;
    // Once played to its end, the media stays at its end until it is moved, whatever position
    // the backend reports then (some go back to the last sound they heard of).
    if (m_lecteur->mediaStatus() == QMediaPlayer::EndOfMedia)
        return obtient_duree();
    const double position = en_secondes(std::max<qint64>(m_lecteur->position(), 0));
    const double duree = obtient_duree();
    return duree > 0 ? std::min(position, duree) : position;
}

int LecteurSon::nombre_sorties_audio()
{
    return static_cast<int>(QMediaDevices::audioOutputs().size());
}
