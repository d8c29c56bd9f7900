#pragma once

#include <QImage>
#include <QRect>
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

// The size image_complete() gives the picture, from its header alone: its natural size, or less for a
// drawing or a JPEG beyond the memory budget (see above). Invalid when image_complete() would fail
// from the header already. `naturelle`, when given, receives the natural size. Safe on any thread.
QSize taille_complete(const QString& chemin, QSize* naturelle = nullptr);

// The part `zone` of the picture (in pixels of its natural size, after the EXIF orientation)
// decoded at `cible` (stretched to exactly that size): what a window needs when only part of a
// large picture can be seen. Only that part is held where the format's reader can cut it while
// decoding (JPEG: libjpeg still decodes every row down to the part's last one, one at a time, and
// keeps the part's pixels of each, at 1/2, 1/4 or 1/8 of the size when `cible` is that much
// smaller; SVG draws just the part at the right scale); other raster types are decoded whole, the
// part copied out, then dropped. A WMF or EMF drawing is drawn whole at the part's scale and the
// part copied out. A zone reaching past the picture is cut to it (the image is then the part
// inside, at the same scale); a zone wholly outside it, or an empty `cible`, gives a null image.
// Beyond the memory budget a JPEG or a drawing comes smaller than `cible` (halved until it fits);
// other types give a null image. Fills taille_naturelle. Safe to call from any thread.
ImageLue image_partie(const QString& chemin, QRect zone, QSize cible);

// The same, decoded so that it fits inside `boite` (keeping its aspect ratio, never enlarged beyond
// its natural size); used for full-screen shows and the wallpaper. A JPEG beyond the memory budget
// at that size comes smaller, as above. Safe to call from any thread.
ImageLue image_ajustee(const QString& chemin, QSize boite);
