#pragma once

#include <QImageIOHandler>
#include <QSize>

// Peak bytes held per pixel of the natural size while a whole picture is decoded (the decoder's
// planes, its output and ours), for the memory budget of chargeur.h. Measured with libjxl 0.7 on
// 24-megapixel photo-like pictures made by cjxl's defaults: 7.2 lossy, 5.0 lossless, 7.6 for a lossy
// HDR one beyond what its 16-bit output allows (the file's bytes not yet decoded included).
// Other cases hold more, which the reader checks itself: a lossy picture with alpha (44) is refused
// beyond the budget, and an HDR one takes 16-bit output (24) only within it. Lossless files with
// whole-picture transforms (up to 19 on noise), lossy modular and progressive lossless ones (up to
// 38) are not told apart from the header.
inline constexpr qint64 octets_par_pixel_jpeg_xl = 8;

// JPEG XL pictures (bare codestreams and ISO containers) through libjxl: the first frame of an
// animation, upright, alpha kept, in sRGB or carrying the colour space its pixels are in; HDR
// pictures (PQ or HLG) tone-mapped to SDR. A picture asked at an eighth of its natural size or
// less comes from its DC pass alone (an 8x8 average of the whole picture) where the file has one.
class LecteurJpegXl : public QImageIOHandler {
public:
    bool canRead() const override;
    bool read(QImage* image) override;
    bool supportsOption(ImageOption option) const override;
    QVariant option(ImageOption option) const override;
    void setOption(ImageOption option, const QVariant& value) override;

private:
    QSize taille_voulue_; // ScaledSize, upright; invalid: the natural size
};

// Whether the DC pass, an eighth of the natural size on each side, holds all the detail of a
// picture asked at `voulue` (both sizes upright).
bool jpeg_xl_dc_suffit(QSize naturelle, QSize voulue);
