#pragma once

#include "forms/listefichiers.h"
#include "picture/chargeur.h"
#include "show/prechargeur.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

class QLabel;
class LecteurAnimation;
struct Animation;

// Where a show takes its pictures and how fast it goes.
struct SourceDiaporama {
    QString dossier;
    QString motif;          // ";"-separated wildcards, as the browser's type filter gives them
    int intervalle_ms = 0;  // display time of each picture
};

// A picture at its natural size in a window sized around it: the real-size view of one picture
// ("aperçu"), or the slide show of a folder ("diaporama"), one picture per interval, the window
// re-sizing and re-centring itself around each. Any key or click closes it.
class frmApercu : public QDialog {
    Q_OBJECT

public:
    // The real-size view: an empty window until montrer() gives it its picture.
    explicit frmApercu(QWidget* parent = nullptr);
    // The slide show of `source`; it starts one interval after the window opens.
    explicit frmApercu(const SourceDiaporama& source, QWidget* parent = nullptr);
    ~frmApercu() override;

    // Shows `image` at its natural size; the window's inner area is exactly the picture, centred on the screen.
    void montrer(const QImage& image, const QString& legende);
    // Shows the first frame of `animation` as montrer() does, then plays the others in turn, each
    // for its delay, looping as the file says. Closing the window stops it at once.
    void jouer(const Animation& animation, const QString& legende);

    // Opens the real-size view of a file, modally, without waiting: the picture is decoded away
    // from the window's thread and the view opens over `parent` once it is ready; this returns at
    // once. An animated GIF, WebP or PNG plays there. A file that cannot be read gives the
    // unreadable-file message instead. Nothing opens when `parent` has closed meanwhile, or when
    // another view was asked for since.
    static void voir_taille_reelle(QWidget* parent, const QString& chemin);

    // Folder and file count of the slide show.
    const FileListBox& fichiers() const { return *filFichiers; }

Q_SIGNALS:
    // In the slide show: the picture of `chemin` has been painted on the screen, `ms`
    // milliseconds after the tick that asked for it.
    void imageAffichee(const QString& chemin, double ms);

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void construire();
    void Timer1_Timer();
    void image_prete();
    void afficher(const ImageLue& lue);
    void poser_image(const QImage& image);
    void poser_trame(const QImage& image);
    QString chemin_de(qint64 indice) const;
    void preparer_suivante();
    void ajuster_fenetre(QSize interieur);

    QLabel* Image1;
    QLabel* txtInfo;
    FileListBox* filFichiers;
    QTimer Timer1;
    Prechargeur m_prechargeur;
    qint64 indice_image = 0;
    qint64 nombre_images = 0;
    QString m_attendue; // picture a tick is waiting for, empty when none
    LecteurAnimation* m_animation = nullptr; // the real-size view of an animated picture
    QElapsedTimer m_tic;                     // since the tick that asked for the picture being put on screen
    QString m_affichee_a_dire;               // that picture, until it has been painted
};
