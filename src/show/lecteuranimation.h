#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

// Animated pictures (GIF, WebP, APNG) played frame by frame in the real-size view. The frames are
// decoded away from the window's thread, one ahead of the one on screen, by the file's own reader
// (each frame composited on the canvas as the file says); each stays on screen for its delay, and
// the animation loops as the file says.
//
// Memory: the player holds at most the frame on screen and the next one; with the reader's canvas
// and its saved copy, that makes images_tenues_animation frames of the canvas's size. An animation
// whose frames would exceed octets_lecture_maximaux (chargeur.h) is not played.

inline constexpr int images_tenues_animation = 4;

// The reader of one animated file: used by one worker at a time, the player handing it on.
class LectureAnimation;

// One frame as the window shows it (8 bits per channel, sRGB) and how long it stays, in ms.
// A null image ends the animation.
struct TrameAnimation {
    QImage image;
    int delai_ms = 0;
};

// An animated file opened for playing, its first frame decoded.
struct Animation {
    TrameAnimation premiere;
    std::shared_ptr<LectureAnimation> lecture; // the frames after the first one
    bool ok() const { return lecture != nullptr; }
};

// Opens `chemin` for playing when it is an animated GIF, WebP or PNG (more than one frame), known
// from its content, whose frames fit the memory budget, and decodes its first frame. Empty for any
// other file, or when that first frame cannot be read: the caller shows the still picture then.
// Safe to call from any thread.
Animation ouvrir_animation(const QString& chemin);

// Plays an animation whose first frame the caller shows: each next frame comes by image() once the
// frame before has had its delay. Stops by itself after the last play (its last frame stays), on
// a frame that cannot be read, or when told; a frame being decoded then is dropped, never shown.
class LecteurAnimation : public QObject {
    Q_OBJECT

public:
    // The first frame's delay starts now.
    explicit LecteurAnimation(Animation animation, QObject* parent = nullptr);
    ~LecteurAnimation() override;

    // Stops at once; nothing comes from this player afterwards.
    void arreter();
    bool en_marche() const { return m_en_marche; }
    // A frame is being decoded on a worker thread.
    bool decodage_en_cours() const { return m_veilleur != nullptr; }

Q_SIGNALS:
    void image(const QImage& image);

private:
    void demander();
    void echeance();
    void montrer_suivante();

    std::shared_ptr<LectureAnimation> m_lecture;
    QTimer m_minuterie;
    QFutureWatcher<TrameAnimation>* m_veilleur = nullptr; // the frame under way
    std::optional<TrameAnimation> m_suivante;              // the next frame, decoded
    bool m_echue = false;                                  // the frame on screen has had its time
    bool m_en_marche = false;
    quint64 m_generation = 0; // a frame asked under an earlier generation is dropped
};
