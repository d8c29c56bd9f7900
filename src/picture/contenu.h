#pragma once

// Inside the picture library only: recognising a file's type from its first bytes, and the few
// header fields the loaders read themselves before handing the file to a decoder.

#include <QByteArrayView>
#include <QSize>

#include <optional>

class QIODevice;

// What a file holds, judged from its content alone.
enum class NatureContenu {
    Inconnue,
    Bmp,         // "BM" bitmap file
    Dib,         // device-independent bitmap without the "BM" file header (clipboard dumps)
    Gif,
    Jpeg,
    Icone,       // ICO or CUR: a directory of several pictures
    Metafichier, // WMF or EMF drawing
    Png,         // PNG, animated (APNG) or not
    Tiff,        // TIFF or BigTIFF, either byte order
    WebP,
    Heif,        // HEIF container: HEIC (HEVC) or AVIF (AV1) pictures
    JpegXl,      // bare codestream or ISO container
    Svg,         // SVG drawing, plain text or gzip-compressed (SVGZ)
};

// How many leading bytes nature_du_contenu() needs to decide: an SVG file may hold an XML
// declaration, comments and a document type before its <svg> element.
inline constexpr qsizetype octets_pour_reconnaitre = 4096;

NatureContenu nature_du_contenu(QByteArrayView debut);

// Pictures beyond these bounds are refused from their header, before any pixel is decoded.
inline constexpr qint64 cote_maximal = 40'000;
inline constexpr qint64 pixels_maximaux = 400'000'000;

bool dimensions_vraisemblables(qint64 largeur, qint64 hauteur);

// The logical screen of a GIF file, which its first frame fills; invalid when the header is short.
QSize taille_ecran_gif(QByteArrayView debut);

// What libjpeg will hold to decode a JPEG file, read from the markers before its first scan.
struct EnteteJpeg {
    QSize taille;                    // as stored
    int composantes = 0;
    // libjpeg keeps the whole picture's DCT coefficients (2 bytes each, 64 per 8x8 block of each
    // component) for a progressive file or one whose first scan holds only some of the components,
    // whatever the size it decodes at; 0 when it decodes row by row.
    qint64 octets_coefficients = 0;
};

// The frame header of a JPEG file and what it implies. nullopt when no frame header comes before
// the first scan. Skips stray bytes between markers as libjpeg does. Leaves `fichier` at its start.
std::optional<EnteteJpeg> lire_entete_jpeg(QIODevice& fichier);

struct ImageIcone {
    int index = 0;      // position in the file's directory
    QSize taille;       // as the picture's own header gives it
    int profondeur = 0; // bits per pixel
};

// The largest picture of an ICO or CUR file (the deepest one among equals), judged from each
// picture's own header (BMP or PNG) rather than from the directory, which may lie. Pictures whose
// header is unreadable or whose size is not plausible are left out; nullopt when none remains.
// Leaves `fichier` at its start.
std::optional<ImageIcone> plus_grande_icone(QIODevice& fichier);

// Whether a PNG file is animated (APNG): an acTL chunk comes before its first IDAT. `debut` holds the
// file's first bytes; false when they end before either chunk.
bool png_anime(QByteArrayView debut);

// Whether a WebP file is animated: its extended header (VP8X) says so.
bool webp_anime(QByteArrayView debut);
