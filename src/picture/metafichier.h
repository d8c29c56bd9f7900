#pragma once

// WMF and EMF pictures, drawn as vectors with QPainter at whatever size is asked for. Every size,
// count, offset and object index of a record is checked against the record and the file before
// use; a record that is not drawn is skipped, and drawing stops at a record that does not fit the
// file (a partial picture). A render has a time budget.

#include <QByteArrayView>
#include <QImage>
#include <QSize>

// The picture's natural size in pixels at 96 dpi: from the EMF frame (0.01 mm), from the placeable
// WMF's bounding box and units per inch, or from a plain WMF's window. Invalid when the data is
// not a metafile we read or the size is not plausible.
QSize taille_metafichier(QByteArrayView donnees);

// The picture drawn at exactly `taille` pixels (stretched), on white. Null when the data is not a
// metafile we read or `taille` is empty or too large. Stops drawing after `budget_ms`.
QImage rendre_metafichier(QByteArrayView donnees, QSize taille, qint64 budget_ms = 4000);

// The picture drawn at `taille` on a transparent background, as a picture inside another metafile
// draws it; `profondeur` says how deep it is drawn inside others (metafiles drawn within it stop
// at a fixed depth).
QImage rendre_metafichier_transparent(QByteArrayView donnees, QSize taille, int profondeur, qint64 budget_ms = 1000);

// The two readers behind these functions.
class Octets;
namespace emf {
QSize taille(const Octets& fichier);
void jouer(const Octets& fichier, QImage& image, qint64 budget_ms, int profondeur = 0);
}
namespace wmf {
QSize taille(const Octets& fichier);
void jouer(const Octets& fichier, QImage& image, qint64 budget_ms);
}
