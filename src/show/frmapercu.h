#pragma once

#include "forms/listefichiers.h"
#include "picture/chargeur.h"
#include "show/prechargeur.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QFutureWatcher>
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
// A picture larger than the screen makes a window larger than the screen: only the part of it
// inside the screen(s) is decoded and held, placed where it falls in the window; when the window
// moves, the part that has come into view is decoded away from the window's thread, the part
// held staying on screen meanwhile.
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
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void construire();
    void Timer1_Timer();
    void image_prete();
    void afficher(const ImageMontree& montree);
    void montrer(const ImageMontree& montree, const QString& chemin, const QString& legende);
    void poser_image(const QImage& image);
    // Puts the picture (whole, or the part of it held) on screen, the window sized and centred
    // around the whole picture; other parts of `chemin` are read as the window moves.
    void poser(const ImageMontree& montree, const QString& chemin);
    void poser_partie(const ImageMontree& montree);
    // The part of the picture, in its pixels, that the screens show where the window stands now.
    QRect partie_visible() const;
    // Reads that part when it is not held yet.
    void revoir_partie();
    void partie_lue();
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
    QString m_cle_attendue; // where it is wanted
    LecteurAnimation* m_animation = nullptr; // the real-size view of an animated picture
    QElapsedTimer m_tic;                     // since the tick that asked for the picture being put on screen
    QString m_affichee_a_dire;               // that picture, until it has been painted

    // The still picture on screen, of which other parts may be read; empty when there is none.
    QString m_chemin_tenu;
    QSize m_taille_naturelle;
    QSize m_taille_montree;  // in pixels: the picture's size in the window
    QRect m_partie;          // the part of it held, in those pixels
    quint64 m_generation = 0; // counts the pictures put on screen: a part read for an earlier one is dropped
    QFutureWatcher<ImageMontree> m_lecture_partie;
    quint64 m_generation_lue = 0; // the picture the part being read belongs to
    bool m_partie_a_revoir = false; // the window moved again while a part was being read
};
