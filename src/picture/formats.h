#pragma once

// The picture readers the program brings itself, beside Qt's: HEIF (HEIC and AVIF) through libheif,
// JPEG XL through libjxl, and the frames of animated PNG files. They are Qt image handlers of a
// plugin linked into the program, so a QImageReader or a QMovie reads them as it reads any type,
// but only under the names below: a reader never picks them on its own, and they never stand in
// for another plugin installed on the machine.

#include <QByteArray>

inline const QByteArray format_heif = QByteArrayLiteral("imagora-heif");
inline const QByteArray format_jpeg_xl = QByteArrayLiteral("imagora-jxl");
inline const QByteArray format_apng = QByteArrayLiteral("imagora-apng");
