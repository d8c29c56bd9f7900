#pragma once

#include <QImageIOHandler>
#include <QSize>

// Peak bytes held per pixel of the natural size while a whole picture is decoded (the decoder's
// planes, its output and ours), for the memory budget of chargeur.h. Measured on 24-megapixel
// pictures: about 7 for a lossy or lossless 8-bit one, about 9 for a 16-bit HDR one (its 16-bit
// output is brought to 8 bits in place), the file's bytes the decoder still waits on included.
inline constexpr qint64 octets_par_pixel_jpeg_xl = 10;

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
