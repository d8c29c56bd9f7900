#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Reading pictures from files, for every window that shows one. All functions here open the
// file themselves, recognise its type from its content (never from its extension) and honour
// the EXIF orientation. A file that cannot be read as a picture gives a null image and an
// invalid size: never an exception, a crash or an unbounded allocation.
//
// Memory: reading one picture holds at most octets_lecture_maximaux (512 MB), judged from the
// file's header before any pixel is decoded: the decoder's own buffers (libjpeg keeps the whole
// picture's DCT coefficients for a progressive JPEG, whatever the size it decodes at), the pixels
// decoded, and the copies that scaling and turning make. A JPEG or a drawing too large for the
// budget at the size asked comes smaller where the function allows it (see each one); any other
// picture beyond the budget, and a JPEG whose coefficients alone exceed it, cannot be read.
inline constexpr qint64 octets_lecture_maximaux = qint64(512) * 1024 * 1024;

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
// scaled. Null when reading at that size would exceed the memory budget. Fills taille_naturelle.
// Safe to call from any thread.
ImageLue image_apercu(const QString& chemin, QSize cible);

// The whole picture at its natural size (real-size view). A WMF, EMF or SVG drawing, which has no
// pixels of its own, is drawn at most boite_dessin_naturel in size (aspect ratio kept); a JPEG
// beyond the memory budget at its natural size comes at half, a quarter or an eighth of it
// (libjpeg's own reductions), or smaller. taille_naturelle stays the natural size. Safe to call
// from any thread.
inline constexpr QSize boite_dessin_naturel(4096, 4096);
ImageLue image_complete(const QString& chemin);

// The same, decoded so that it fits inside `boite` (keeping its aspect ratio, never enlarged beyond
// its natural size); used for full-screen shows and the wallpaper. A JPEG beyond the memory budget
// at that size comes smaller, as above. Safe to call from any thread.
ImageLue image_ajustee(const QString& chemin, QSize boite);
