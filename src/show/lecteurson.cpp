#include "show/lecteurson.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Longest wait for the media backend to say whether a file can be played.
constexpr int attente_chargement_ms = 10000;
// A file loaded with a sound track but no length yet: how long its length may take to come.
constexpr int attente_duree_ms = 1000;
// A play whose position has not moved for this many looks, one a second, has stalled.
constexpr int regard_ms = 1000;
constexpr int regards_avant_relance = 2;

double en_secondes(qint64 millisecondes) { return static_cast<double>(millisecondes) / 1000.0; }

bool statut_charge(QMediaPlayer::MediaStatus statut)
{
    return statut == QMediaPlayer::LoadedMedia || statut == QMediaPlayer::BufferingMedia
           || statut == QMediaPlayer::BufferedMedia;
}

} // namespace

LecteurSon::LecteurSon(QObject* parent) : QObject(parent)
{
    // The first media player of the process makes the media backend load its elements, which
    // takes a good fraction of a second. That is done here, when the program makes its sound
    // player, and not when a show asks for its sound and would start late; later players cost
    // next to nothing.
    { const QMediaPlayer amorce; }
    m_delai.setSingleShot(true);
    connect(&m_delai, &QTimer::timeout, this, &LecteurSon::delai_depasse);
    m_garde.setInterval(regard_ms);
    connect(&m_garde, &QTimer::timeout, this, &LecteurSon::surveiller);
}

LecteurSon::~LecteurSon()
{
    ++m_generation;
    liberer_lecteur(Liberation::Immediate);
}

void LecteurSon::liberer_lecteur(Liberation quand)
{
    m_delai.stop();
    if (!m_lecteur)
        return;
    QMediaPlayer* lecteur = std::exchange(m_lecteur, nullptr);
    lecteur->disconnect(this);
    lecteur->stop();
    if (quand == Liberation::Differee)
        lecteur->deleteLater(); // it may be the player's own signal that got here
    else
        delete lecteur; // its audio output goes with it
}

void LecteurSon::nettoyer()
{
    ++m_generation; // an answer on its way about the file closed is dropped
    liberer_lecteur(Liberation::Immediate);
    m_etat = Etat::Vide;
    m_raison.clear();
    m_source.clear();
    oublier_lecture();
}

void LecteurSon::oublier_lecture()
{
    m_duree_ms = 0;
    m_position_ms = 0;
    m_attente_duree = false;
    m_jouer_une_fois_charge = false;
    m_relance = false;
    m_depart_ms.reset();
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
    if (fichier.isEmpty())
        return;
    const QFileInfo info(fichier);
    m_nom = info.fileName().isEmpty() ? fichier : info.fileName();
    m_etat = Etat::Chargement;
    if (!info.exists()) {
        echouer(QStringLiteral("Le fichier son « %1 » est introuvable.").arg(m_nom));
        return;
    }
    if (!info.isFile()) {
        echouer(QStringLiteral("« %1 » n'est pas un fichier son.").arg(m_nom));
        return;
    }
    if (!info.isReadable()) {
        echouer(QStringLiteral("Le fichier son « %1 » ne peut pas être lu : accès refusé.").arg(m_nom));
        return;
    }
    if (info.size() == 0) {
        echouer(QStringLiteral("Le fichier son « %1 » est vide : il ne contient aucun son.").arg(m_nom));
        return;
    }

    m_source = QUrl::fromLocalFile(info.absoluteFilePath());
    charger();
}

void LecteurSon::charger()
{
    m_lecteur = new QMediaPlayer;
    auto* sortie = new QAudioOutput(m_lecteur);
    sortie->setVolume(1.0f); // full volume; Qt Multimedia has no balance, the sound stays centred
    m_lecteur->setAudioOutput(sortie);
    m_lecteur->setPlaybackRate(1.0);
    connect(m_lecteur, &QMediaPlayer::mediaStatusChanged, this, &LecteurSon::statut_change);
    connect(m_lecteur, &QMediaPlayer::durationChanged, this, &LecteurSon::statut_change);
    connect(m_lecteur, &QMediaPlayer::errorOccurred, this, &LecteurSon::erreur_lecteur);
    m_delai.start(attente_chargement_ms);
    m_lecteur->setSource(m_source); // the backend may answer from inside, or later
}

QString LecteurSon::illisible() const
{
    return QStringLiteral("Le fichier « %1 » n'est pas un son lisible : format non reconnu ou détérioré.").arg(m_nom);
}

void LecteurSon::echouer(const QString& raison)
{
    liberer_lecteur(Liberation::Differee);
    m_etat = Etat::Echec;
    m_raison = raison;
    oublier_lecture();
    // Never from inside Ouvrir or a backend's signal: whoever listens may open another file at once.
    QMetaObject::invokeMethod(
        this,
        [this, generation = m_generation, raison] {
            if (generation == m_generation)
                Q_EMIT echec(raison);
        },
        Qt::QueuedConnection);
}

void LecteurSon::erreur_lecteur()
{
    if (!m_lecteur || m_lecteur->error() == QMediaPlayer::NoError)
        return;
    if (m_etat == Etat::Pret && !QFileInfo::exists(m_source.toLocalFile()))
        echouer(QStringLiteral("Le fichier son « %1 » est introuvable.").arg(m_nom));
    else
        echouer(illisible());
}

void LecteurSon::delai_depasse()
{
    if (m_etat == Etat::Chargement && m_attente_duree)
        echouer(QStringLiteral("Le fichier son « %1 » est vide : il ne contient aucun son.").arg(m_nom));
    else if (m_etat == Etat::Chargement || (m_etat == Etat::Pret && m_relance))
        echouer(QStringLiteral("Le fichier son « %1 » n'a pas pu être ouvert : le lecteur ne répond pas.").arg(m_nom));
}

void LecteurSon::statut_change()
{
    if (!m_lecteur)
        return;
    const QMediaPlayer::MediaStatus statut = m_lecteur->mediaStatus();
    if (m_lecteur->error() != QMediaPlayer::NoError || statut == QMediaPlayer::InvalidMedia) {
        if (m_etat == Etat::Chargement || m_relance)
            echouer(illisible());
        return;
    }
    if (m_etat == Etat::Chargement) {
        if (statut_charge(statut))
            conclure_chargement();
        else if (statut == QMediaPlayer::EndOfMedia) { // played, asked during the load, to its end already
            conclure_chargement();
            if (m_etat == Etat::Pret)
                m_position_ms = m_duree_ms;
        }
        return;
    }
    if (m_etat != Etat::Pret)
        return;
    if (m_relance) {
        if (statut == QMediaPlayer::EndOfMedia) { // a short sound may end before its load is said
            m_relance = false;
            m_delai.stop();
            m_depart_ms.reset();
            m_position_ms = m_duree_ms;
            return;
        }
        if (!statut_charge(statut) || m_lecteur->source() != m_source)
            return;
        m_relance = false;
        m_delai.stop();
        if (m_depart_ms) {
            const qint64 depart = *m_depart_ms;
            m_depart_ms.reset();
            if (depart > 0)
                m_lecteur->setPosition(depart);
            m_lecteur->play();
        }
        return;
    }
    if (statut == QMediaPlayer::EndOfMedia)
        m_position_ms = m_duree_ms; // played to its end: it stays there until moved or played again
}

void LecteurSon::conclure_chargement()
{
    if (!m_lecteur->hasAudio()) {
        echouer(QStringLiteral("Le fichier « %1 » ne contient pas de son.").arg(m_nom));
        return;
    }
    if (m_lecteur->duration() <= 0) {
        // Its length may still come; a file with no sound at all ends up here too.
        if (!m_attente_duree) {
            m_attente_duree = true;
            m_delai.start(attente_duree_ms);
        }
        return;
    }
    m_delai.stop();
    m_attente_duree = false;
    m_duree_ms = m_lecteur->duration();
    m_position_ms = 0;
    m_etat = Etat::Pret;
    QMetaObject::invokeMethod(
        this,
        [this, generation = m_generation] {
            if (generation == m_generation)
                Q_EMIT charge();
        },
        Qt::QueuedConnection);
    // A play asked during the load has started the pipeline already; a stop asked since is
    // done now that the player takes it as a stop.
    const bool jouer_demande = std::exchange(m_jouer_une_fois_charge, false);
    if (jouer_demande)
        m_garde.start();
    if (jouer_demande && !en_lecture())
        m_lecteur->play();
    else if (!jouer_demande && en_lecture())
        m_lecteur->stop();
}

bool LecteurSon::en_lecture() const
{
    return m_lecteur && m_lecteur->playbackState() == QMediaPlayer::PlayingState;
}

// Every play starts on a media player made for it. The sound output of the media backend
// calibrates its clock against the system's when its pipeline starts; a pipeline that stands
// loaded and paused for a while, even when given the file again, then starts as late as it has
// waited and drops as much of the beginning of the sound while it catches up. A new player told
// to play while it loads goes straight on to playing and plays the sound whole: its start does
// not hang on how soon the window's event loop hears that the file is loaded.
void LecteurSon::relancer(qint64 depuis_ms)
{
    if (!QFileInfo::exists(m_source.toLocalFile())) {
        echouer(QStringLiteral("Le fichier son « %1 » est introuvable.").arg(m_nom));
        return;
    }
    liberer_lecteur(Liberation::Immediate);
    m_relance = true;
    m_garde.start();
    m_position_ms = depuis_ms;
    m_depart_ms = depuis_ms; // moved there first when it is not the start, once loaded
    charger();
    if (depuis_ms == 0 && m_lecteur && m_relance) {
        m_depart_ms.reset();
        m_lecteur->play();
    }
}

// The media backend may stop moving the position of a play and stay so, silent, while it still
// says it plays (seen on a busy machine, a few hundredths of a second into the sound). A play whose
// position stands still for two looks in a row goes on from there on a new player.
void LecteurSon::surveiller()
{
    if (m_etat != Etat::Pret || !m_lecteur || (!m_relance && !en_lecture())) {
        m_garde.stop(); // nothing plays: no more looks until the next play
        m_position_vue_ms = -1;
        m_regards_immobiles = 0;
        return;
    }
    const qint64 ici = m_relance ? -1 : m_lecteur->position();
    if (ici < 0 || ici != m_position_vue_ms || ici >= m_duree_ms) {
        m_position_vue_ms = ici;
        m_regards_immobiles = 0;
        return;
    }
    if (++m_regards_immobiles < regards_avant_relance)
        return;
    m_position_vue_ms = -1;
    m_regards_immobiles = 0;
    relancer(std::clamp<qint64>(ici, 0, m_duree_ms));
}

void LecteurSon::jouer()
{
    if (m_etat == Etat::Chargement) {
        m_jouer_une_fois_charge = true;
        if (m_lecteur && !en_lecture())
            m_lecteur->play();
        return;
    }
    if (m_etat != Etat::Pret || !m_lecteur)
        return;
    if (m_relance) {
        // A play on its way already, unless arret() stopped it since.
        if (en_lecture() || m_depart_ms)
            return;
        if (m_position_ms == 0)
            m_lecteur->play();
        else
            m_depart_ms = m_position_ms;
        return;
    }
    const bool en_cours = en_lecture();
    const qint64 ici = en_cours ? std::clamp<qint64>(m_lecteur->position(), 0, m_duree_ms) : m_position_ms;
    // Played to its end (even when the backend has not said so yet): start again from the
    // beginning. Otherwise a sound that plays goes on.
    const bool au_bout = std::llround(en_secondes(ici)) == std::llround(en_secondes(m_duree_ms));
    if (en_cours && !au_bout)
        return;
    relancer(au_bout ? 0 : ici);
}

void LecteurSon::arret()
{
    if (m_etat == Etat::Chargement) {
        m_jouer_une_fois_charge = false; // a play already started is stopped once loaded
        return;
    }
    if (m_etat != Etat::Pret || !m_lecteur)
        return;
    m_depart_ms.reset();
    m_lecteur->stop();
    m_position_ms = 0;
}

void LecteurSon::fixe_position(double& nouvelle_position)
{
    if (m_etat != Etat::Pret || !m_lecteur)
        return;
    if (!(nouvelle_position >= 0)) // also turns a NaN into 0
        nouvelle_position = 0;
    nouvelle_position = std::min(nouvelle_position, en_secondes(m_duree_ms));
    const qint64 ms = std::llround(nouvelle_position * 1000.0);
    if (m_relance) {
        m_position_ms = ms;
        if (m_depart_ms || en_lecture())
            m_depart_ms = ms; // where the play asked starts, once loaded
    } else if (en_lecture()) {
        m_lecteur->setPosition(ms);
    } else {
        m_position_ms = ms;
    }
}

double LecteurSon::obtient_duree() const
{
    return m_etat == Etat::Pret ? en_secondes(m_duree_ms) : 0.0;
}

double LecteurSon::obtient_position() const
{
    if (m_etat != Etat::Pret || !m_lecteur)
        return 0.0;
    if (m_relance)
        return en_secondes(m_depart_ms ? *m_depart_ms : m_position_ms);
    if (en_lecture())
        return en_secondes(std::clamp<qint64>(m_lecteur->position(), 0, m_duree_ms));
    return en_secondes(m_position_ms);
}

int LecteurSon::nombre_sorties_audio()
{
    return static_cast<int>(QMediaDevices::audioOutputs().size());
}
