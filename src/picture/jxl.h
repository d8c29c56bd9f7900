#pragma once

#include <QImageIOHandler>

// Peak bytes held per pixel of the natural size while a whole picture is decoded (the decoder's
// planes, its output and ours), for the memory budget of chargeur.h.
inline constexpr qint64 octets_par_pixel_jpeg_xl = 16;

// JPEG XL pictures through libjxl.
class LecteurJpegXl : public QImageIOHandler {
public:
    bool canRead() const override;
    bool read(QImage* image) override;
};
