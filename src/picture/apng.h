#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QRect>
#include <QSize>

#include <vector>

// Most frames an animated PNG may hold: a longer one is refused as damaged, so that the list of
// frames read from the chunks stays small whatever the file claims.
inline constexpr int images_apng_maximales = 100'000;

// The frames of an animated PNG (APNG) file, composited on the canvas as the file says, one per
// read(); a PNG without animation gives its one picture. Each frame is rebuilt as a standalone PNG
// in memory (the file's header with the frame's size, the chunks that affect decoding, the frame's
// data as IDAT) and decoded by Qt's own PNG reader. The chunks are walked once, on the first
// question asked; a file that is damaged anywhere (a chunk cut short or with a wrong checksum,
// frame data out of sequence, a frame outside the canvas, more frames than announced) reads as
// nothing: read() is false from the first frame on.
//
// Loops are the caller's: after the last frame read() is false; jumpToImage() goes back.
class LecteurApng : public QImageIOHandler {
public:
    LecteurApng();
    ~LecteurApng() override;

    bool canRead() const override;
    bool read(QImage* image) override;

    bool supportsOption(ImageOption option) const override;
    QVariant option(ImageOption option) const override;

    int imageCount() const override;
    // As Qt counts it: the number of times the animation repeats after its first play; -1 for ever.
    int loopCount() const override;
    // How long the frame last read stays on screen (the first frame's before any read), in ms.
    int nextImageDelay() const override;
    int currentImageNumber() const override;
    bool jumpToNextImage() override;
    bool jumpToImage(int imageNumber) override;

private:
    enum class Disposition { Aucune, Fond, Precedente };

    struct Trame {
        QRect rect;         // on the canvas
        int delai_ms = 0;
        Disposition disposition = Disposition::Aucune;
        bool superposer = false; // blend OVER rather than SOURCE
        bool idat = false;       // its data are the IDAT chunks rather than fdAT chunks
        qint64 debut = 0;        // the chunks between these offsets hold its data
        qint64 fin = 0;
    };

    // Walks the chunks once; false (and for good) when the file is damaged.
    bool analyser() const;
    bool analyser_chunks() const;
    QIODevice* source() const;
    // Frame `n`'s pixels as Qt's PNG reader decodes them; null on any fault.
    QImage decoder_trame(const Trame& trame) const;
    void recommencer();

    // What the chunks say, filled by analyser().
    mutable bool analyse_ = false;
    mutable bool valide_ = false;
    mutable bool anime_ = false;
    mutable QSize canevas_;
    mutable QByteArray ihdr_;       // the IHDR chunk's 13 bytes
    mutable QByteArray auxiliaires_; // PLTE, tRNS, gAMA, cHRM, sRGB, iCCP, whole, as in the file
    mutable std::vector<Trame> trames_;
    mutable int lectures_ = 0;       // num_plays of acTL
    mutable qint64 origine_ = 0;     // where the PNG signature starts in the device
    mutable QBuffer copie_;          // a sequential device's bytes, read once

    // The playing.
    QImage canevas_courant_;
    QImage sauvegarde_;              // the canvas under the frame shown, for its PREVIOUS disposal
    int courante_ = -1;              // frame last read
    bool echec_ = false;
};
