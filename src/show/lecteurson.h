#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QAudioOutput;
class QMediaPlayer;
class QUrl;
class QWidget;

// Plays one sound or music file at a time, behind the screen saver or as a try in the options.
// Every method is silent: a file that cannot be opened or played leaves the player empty, and the
// queries then answer 0. Times are in seconds.
class LecteurSon : public QObject {
    Q_OBJECT

public:
    explicit LecteurSon(QObject* parent = nullptr);
    ~LecteurSon() override;

    // Seeks; a value below 0 becomes 0, one past the end becomes the length, and the value actually
    // used is written back into `nouvelle_position`. Nothing happens when nothing is open.
    void fixe_position(double& nouvelle_position);
    // Length of the opened media, 0 when nothing is open.
    double obtient_duree() const;
    // Stops and closes whatever is open; harmless when nothing is.
    void nettoyer();
    // Opens a file, stopped at its start, at full volume and normal speed. A file with a picture
    // (a video) plays with its picture hidden; the rectangle and the window are kept for that picture.
    void Ouvrir(const QString& fichier, int haut, int gauche, int largeur, int hauteur, QWidget* fenetre);
    // Plays from the current position; from the start again when the media has played to its end.
    void jouer();
    // Current position, 0 when nothing is open.
    double obtient_position() const;
    // Stops and goes back to the start.
    void arret();

    // Number of audio outputs of the machine (0: no sound can be played).
    static int nombre_sorties_audio();

private:
    // Gives `source` to the player and waits until it is loaded; false (and the player emptied,
    // unless this object is gone) when it cannot be played.
    bool charger(const QUrl& source);
    // Loads the media again when it has played to its end, so that it can be moved and played anew.
    bool rembobiner_apres_la_fin();

    std::unique_ptr<QMediaPlayer> m_lecteur;
    std::unique_ptr<QAudioOutput> m_sortie;
};
