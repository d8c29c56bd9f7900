#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <optional>

class QAudioOutput;
class QMediaPlayer;
class QWidget;

// Plays one sound or music file at a time, behind the screen saver or as a try in the options.
// Every method is silent: a file that cannot be opened or played leaves the player empty, and the
// queries then answer 0. Times are in seconds.
//
// Opening never waits: Ouvrir returns at once, and the player answers later with charge() or
// echec(), always from the event loop (never from inside Ouvrir). Until then the player is
// loading: its length reads 0, and a jouer() asked meanwhile plays as soon as the file is loaded.
class LecteurSon : public QObject {
    Q_OBJECT

public:
    enum class Etat {
        Vide,       // nothing opened, or closed
        Chargement, // Ouvrir is reading the file
        Pret,       // loaded: its length is known, it can be played
        Echec       // the file cannot be played; raison_echec() says why
    };

    explicit LecteurSon(QObject* parent = nullptr);
    ~LecteurSon() override;

    // Seeks; a value below 0 becomes 0, one past the end becomes the length, and the value actually
    // used is written back into `nouvelle_position`. Nothing happens unless a file is loaded.
    void fixe_position(double& nouvelle_position);
    // Length of the loaded media, 0 when nothing is loaded (yet).
    double obtient_duree() const;
    // Stops and closes whatever is open; harmless when nothing is. A load under way is dropped.
    void nettoyer();
    // Starts opening a file, stopped at its start, at full volume and normal speed, and returns at
    // once. A file with a picture (a video) plays with its picture hidden; the rectangle and the
    // window are kept for that picture.
    void Ouvrir(const QString& fichier, int haut, int gauche, int largeur, int hauteur, QWidget* fenetre);
    // Plays from the current position; from the start again when the media has played to its end.
    // While the file is still loading, it plays as soon as it is loaded.
    void jouer();
    // Current position, 0 when nothing is loaded.
    double obtient_position() const;
    // Stops and goes back to the start; a play asked during the load is forgotten.
    void arret();

    Etat etat() const { return m_etat; }
    // Why the last file opened cannot be played, for the user; empty unless etat() is Echec.
    QString raison_echec() const { return m_raison; }

    // Number of audio outputs of the machine (0: no sound can be played).
    static int nombre_sorties_audio();

Q_SIGNALS:
    // The file given to Ouvrir is loaded: obtient_duree() now gives its length.
    void charge();
    // The file given to Ouvrir cannot be played; `raison` says why, in French.
    void echec(const QString& raison);

private:
    void charger();
    void statut_change();
    void erreur_lecteur();
    void delai_depasse();
    void conclure_chargement();
    void echouer(const QString& raison);
    // Forgets the length, the position and any play asked or under way.
    void oublier_lecture();
    enum class Liberation { Immediate, Differee };
    void liberer_lecteur(Liberation quand);
    void relancer(qint64 depuis_ms);
    void surveiller();
    bool en_lecture() const;
    QString illisible() const;

    // The media player of the file opened, with its audio output as its child. A file found
    // unplayable drops it with deleteLater, since it is then the player's own signal that ends it.
    QMediaPlayer* m_lecteur = nullptr;
    QUrl m_source;
    QString m_nom;                    // file name, for the messages
    Etat m_etat = Etat::Vide;
    QString m_raison;
    quint64 m_generation = 0;         // answers meant for a file since closed are dropped
    QTimer m_delai;                   // gives up on a file the media backend never answers about
    bool m_attente_duree = false;     // loaded with sound but no length yet: waiting a little for it
    bool m_jouer_une_fois_charge = false; // jouer() asked during the load
    qint64 m_duree_ms = 0;
    qint64 m_position_ms = 0;         // where the media stands while it does not play
    bool m_relance = false;           // a new player is loading the file to play it
    std::optional<qint64> m_depart_ms; // a play to start once loaded, from there (none: started, or not asked)
    QTimer m_garde;                   // watches a play for a position that no longer moves
    qint64 m_position_vue_ms = -1;    // the playing position at the last look
    int m_regards_immobiles = 0;      // looks in a row that found it at the same place
};
