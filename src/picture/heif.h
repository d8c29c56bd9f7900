#pragma once

#include <QImageIOHandler>
#include <QSize>

#include <optional>

// Peak bytes held per pixel of the natural size while a whole picture is decoded (the decoder's
// planes, libheif's planar RGB and our 32-bit picture, with the file), for the memory budget of
// chargeur.h. Measured with sonde_memoire on 24-megapixel pictures coded in 8 bits with 4:2:0
// chroma, as cameras and phones write them: 7.1 for HEIC and for AVIF. Other codings cost more
// (10 or 12 bits, 4:2:2 and 4:4:4 chroma, transparency: up to 26 for 12-bit 4:4:4 AVIF); the
// reader reads the coding from the file and refuses, before decoding, a picture that would
// exceed the budget at its own cost.
inline constexpr qint64 octets_par_pixel_heif = 8;

// HEIF pictures (HEIC and AVIF) through libheif. The size is the primary picture's, after its
// rotation and mirroring (irot, imir), which the pixels returned already have. With a scaled size
// set, an embedded thumbnail at least that large, turned alike, is decoded instead of the primary
// picture. Colours come with the picture's colour space set (ICC profile, or nclx primaries and
// transfer), or as sRGB; HDR pictures (PQ or HLG transfer) are tone-mapped to sRGB here.
class LecteurHeif : public QImageIOHandler {
public:
    bool canRead() const override;
    bool read(QImage* image) override;
    QVariant option(ImageOption option) const override;
    void setOption(ImageOption option, const QVariant& value) override;
    bool supportsOption(ImageOption option) const override;

private:
    QSize taille_voulue_;                 // ScaledSize, invalid for the natural size
    mutable std::optional<QSize> taille_; // the header's, once read
};
