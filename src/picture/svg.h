#pragma once

// SVG drawings are handed to Qt SVG's reader only once made self-contained: Qt SVG 6.4 opens the
// local file named by an <image> element, so a drawing could make a reader wait forever on a pipe
// or a device, or read any picture of the disk into what it shows.

#include <QByteArray>

class QIODevice;

// A document larger than this, compressed or not, is refused.
inline constexpr qint64 octets_svg_maximaux = qint64(64) * 1024 * 1024;

// The SVG document in `fichier`, inflated when gzip-compressed (SVGZ), its entities expanded (within
// the XML reader's own limits), with every reference to something outside the document dropped:
// links that are not "#fragment" or "data:" URLs. Empty when the file is not well-formed XML, or too
// large once inflated.
QByteArray svg_autonome(QIODevice& fichier);
