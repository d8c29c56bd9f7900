#pragma once

#include <QImageIOHandler>

// Peak bytes held per pixel of the natural size while a whole picture is decoded (the decoder's
// planes, its output and ours), for the memory budget of chargeur.h.
inline constexpr qint64 octets_par_pixel_heif = 16;

// HEIF pictures (HEIC and AVIF) through libheif.
class LecteurHeif : public QImageIOHandler {
public:
    bool canRead() const override;
    bool read(QImage* image) override;
};
