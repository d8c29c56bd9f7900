#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

// The desktop's shared thumbnail cache, as file managers and viewers keep it: one PNG per picture
// under $XDG_CACHE_HOME/thumbnails, named after the MD5 of the picture's file:// URI, and holding
// that URI and the picture's time stamp in its text keys. A thumbnail whose time stamp is not the
// picture's is stale. Pictures that cannot be read are recorded under fail/imagora-1.0, so that
// they are not tried again until they change. Every function here is safe on any thread.
namespace vignettes {

// The two sizes of the cache: "normal" (128 pixels) and "large" (256, for dense screens).
inline constexpr int taille_normale = 128;
inline constexpr int taille_grande = 256;

// The URI of an absolute path: "file://" then the path, every byte outside letters, digits and
// -_.!~*'()/:@&=+$, percent-encoded in capitals, as the desktop's own file managers write it.
QByteArray uri_de(const QByteArray& chemin_absolu);

// The thumbnail folder: $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails.
QString dossier_cache();

// A picture as the cache knows it: its canonical path's URI and its state on disk.
struct Source {
    QString chemin;      // canonical path
    QByteArray uri;
    qint64 mtime = 0;    // seconds since the epoch
    qint64 taille = 0;   // bytes
};

// The picture at `chemin`, or nothing when it is not a regular file, or when its thumbnails are
// not to be kept: a picture inside the cache folder itself, or on removable media.
std::optional<Source> source_de(const QString& chemin);

// Where the thumbnail of that size (taille_normale or taille_grande) is kept, and where a failure is recorded.
QString chemin_vignette(const Source& source, int taille);
QString chemin_echec(const Source& source);

// The cached thumbnail, whoever made it; null when there is none, or when it is stale or not this
// picture's.
QImage lire(const Source& source, int taille);

// True when the cache records that this very version of the picture could not be read.
bool echec_connu(const Source& source);

// Keeps `vignette` (at most `taille` pixels on its longer side) for the picture whose natural size
// is `naturelle`: written whole to a temporary file beside its place, readable by the user alone,
// then renamed into it, so that another program never reads half of it. False when the cache
// cannot be written (no right, full disk): nothing is left behind.
bool ecrire(const Source& source, const QImage& vignette, QSize naturelle, int taille);

// Records that the picture could not be read, in the same way.
bool noter_echec(const Source& source);

} // namespace vignettes
