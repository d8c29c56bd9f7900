#pragma once

#include "picture/chargeur.h"
#include "show/ajustement.h"
#include "show/frmapercu.h"
#include "show/prechargeur.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QTimer>

#include <memory>
#include <optional>

class FileListBox;
class QLabel;

// The full-screen screen saver: one picture per interval, centred on a fixed or random background
// colour, sized by the "taille" setting, with the file name and the two information labels as the
// settings ask, and the background sound playing behind. The pointer is hidden while it runs.
// The sixth key press, the sixth pointer movement over the background, or a click on the picture
// ends it.
class frmVeille : public QDialog {
    Q_OBJECT

public:
    // `source` gives folder, pattern and interval when the launcher opens it ("veille"); without
    // it ("veille auto") they come from the settings. The window keeps its own copy.
    explicit frmVeille(const SourceDiaporama* source, QWidget* parent = nullptr);
    ~frmVeille() override;

    // Sets the window up and runs it modally, returning when it has closed. When the set-up
    // fails the user is told why and the window does not open.
    void executer();
    // The same without waiting: the window opens modally over the others and this returns at
    // once; finished() tells when it has closed. False (after telling the user why) when the
    // set-up failed and the window did not open.
    bool lancer();

    // Pacing of the pictures, in milliseconds.
    int intervalle_ms() const { return Timer1.interval(); }

    // For a repeatable colour sequence.
    void fixer_graine(quint32 graine) { m_hasard.seed(graine); }

    const FileListBox& fichiers() const { return *filFichiers; }
    // Where the picture is drawn, whole (past the screen's edges when it is larger).
    QRectF rect_image() const { return m_rect_image; }
    // The pixels held for it: the whole picture, or only the part of it inside the screen.
    const QImage& image_tenue() const { return m_image; }
    QColor couleur_fond_actuelle() const { return m_fond; }

Q_SIGNALS:
    // The picture of `chemin` has been painted on the screen, `ms` milliseconds after the tick
    // that asked for it.
    void imageAffichee(const QString& chemin, double ms);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class PointeurCache;

    bool Form_Load(QString* erreur);
    bool preparer_ouverture();
    void son_charge();
    void Timer1_Timer();
    void image_prete();
    void afficher(const ImageMontree& montree);
    QString chemin_de(qint64 indice) const;
    QString cle_taille(int mode) const;
    void preparer(qint64 indice, int mode);
    void terminer();

    std::optional<SourceDiaporama> m_source;
    QLabel* txtInfo;
    QLabel* lblNomFichier;
    QLabel* lblQuitter;
    QLabel* lblCopyright;
    QWidget* Picture1;
    FileListBox* filFichiers;
    QTimer Timer1;
    Prechargeur m_prechargeur;
    std::unique_ptr<PointeurCache> m_pointeur;
    QRandomGenerator m_hasard;

    qint64 indice_image = 0;
    qint64 nombre_images = 0;
    QSize m_ecran;
    QString couleur_fond;
    int m_touches = 0;
    int m_mouvements = 0;
    QString m_attendue;
    int m_mode_attendu = 0;

    QImage m_image;      // the picture on screen, decoded at the size it is drawn: whole, or the part inside the screen
    QRectF m_rect_image; // where the whole picture is drawn
    QRectF m_rect_tenu;  // where m_image is drawn
    QColor m_fond;

    QElapsedTimer m_tic;         // since the tick that asked for the picture being put on screen
    QString m_affichee_a_dire;   // that picture, until it has been painted
};
