#pragma once

// A reduced AVIF picture for the previews, decoded by libavif: dav1d on the machine's cores, then
// the coded planes (Y, Cb, Cr) averaged down by whole blocks before their colours are converted,
// so that only the few pixels shown are converted, not the whole picture. libheif 1.15's own AV1
// path takes three times as long on the same file.

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSize>

#include <optional>

// The picture averaged down to at least `voulue` (a size smaller than the natural one by a factor
// of two or more on both sides), with what its colours mean: the coded stream's nclx description
// and the file's ICC profile, if any.
struct ApercuAvif {
    QImage image; // Format_RGB32, the picture's own colours (not converted)
    int primaires = 2, transfert = 2; // H.273 codes; 2: unspecified
    QByteArray icc;
};

// nullopt when this path does not apply, and the caller decodes the picture otherwise: a picture
// that is turned, mirrored, cropped, transparent, deeper than 8 bits or coded with a matrix other
// than BT.601, BT.709, BT.2020 or identity; one whose size is not `naturelle`; a damaged file.
std::optional<ApercuAvif> apercu_avif(QByteArrayView fichier, QSize naturelle, QSize voulue);
