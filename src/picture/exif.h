#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// The small picture a camera stores in a JPEG's EXIF block beside the photo, turned as the EXIF
// orientation turns the photo. Null when the file has none, when it cannot be read, or when it
// is not the photo's shape (`naturelle`, the photo's size once turned; some cameras pad theirs
// with black bars). `debut` holds the start of the file, its first 64 KB at least: the block is
// read from there, never past it.
QImage vignette_exif(const QByteArray& debut, QSize naturelle);

// How much of a JPEG's start vignette_exif reads.
inline constexpr qsizetype octets_exif = 64 * 1024 + 32;
