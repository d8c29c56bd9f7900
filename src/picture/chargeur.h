#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Reading pictures from files, for every window that shows one. All functions here open the
// file themselves, recognise its type from its content (never from its extension) and honour
// the EXIF orientation. A file that cannot be read as a picture gives a null image and an
// invalid size: never an exception, a crash or an unbounded allocation.

struct ImageLue {
    QImage image;            // null on failure
    QSize taille_naturelle;  // natural size in pixels (after the EXIF orientation), invalid when unknown
    bool ok() const { return !image.isNull(); }
};

// Natural size of the picture in pixels, read from the file's header without decoding the pixels;
// EXIF orientations 5-8 swap width and height. Invalid QSize when the file cannot be read as a picture.
QSize taille_image(const QString& chemin);

// The picture decoded straight at `cible` (stretched to exactly that size, aspect ratio NOT kept:
// the caller shows it in a fixed square), decoding at reduced size where the format allows
// (QImageReader::setScaledSize; libjpeg scales by 1/2, 1/4, 1/8 during the DCT), never full size then
// scaled. Fills taille_naturelle. Safe to call from any thread.
ImageLue image_apercu(const QString& chemin, QSize cible);

// The whole picture at its natural size (real-size view, wallpaper). Safe to call from any thread.
ImageLue image_complete(const QString& chemin);

// The same, decoded so that it fits inside `boite` (keeping its aspect ratio, never enlarged beyond
// its natural size); used for full-screen shows. Safe to call from any thread.
ImageLue image_ajustee(const QString& chemin, QSize boite);
