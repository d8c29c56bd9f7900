#pragma once

#include <QString>

#include <array>

// The picture types of the type filter. The position is also the value of the "type fichier"
// setting and the position in the options window's list: the first nine keep their places, the
// types read since come after them.
struct TypeImage {
    QString libelle;
    QString motif; // ";"-separated wildcards given to the file list
};

inline const std::array<TypeImage, 15>& types_images()
{
    static const std::array<TypeImage, 15> types = {{
        {QStringLiteral("Tous les fichiers images"),
         QStringLiteral("*.bmp;*.BMP;*.dib;*.DIB;*.gif;*.GIF;*.jpg;*.JPG;*.jpeg;*.JPEG;*.wmf;*.WMF;*.emf;*.EMF;"
                        "*.cur;*.CUR;*.ico;*.ICO;*.png;*.PNG;*.tif;*.TIF;*.tiff;*.TIFF;*.webp;*.WEBP;"
                        "*.heic;*.HEIC;*.heif;*.HEIF;*.avif;*.AVIF;*.jxl;*.JXL;*.svg;*.SVG;*.svgz;*.SVGZ")},
        {QStringLiteral("Fichiers Bitmap (*.bmp)"), QStringLiteral("*.bmp;*.BMP")},
        {QStringLiteral("Fichiers DIB (*.dib)"), QStringLiteral("*.dib;*.DIB")},
        {QStringLiteral("Fichiers GIF (*.gif)"), QStringLiteral("*.gif;*.GIF")},
        {QStringLiteral("Fichiers JPG (*.jpg;*.jpeg)"), QStringLiteral("*.jpg;*.JPG;*.jpeg;*.JPEG")},
        {QStringLiteral("Fichiers Windows MétaFile (*.wmf)"), QStringLiteral("*.wmf;*.WMF")},
        {QStringLiteral("Fichiers Extended MétaFile (*.emf)"), QStringLiteral("*.emf;*.EMF")},
        {QStringLiteral("Fichiers Curseurs (*.cur)"), QStringLiteral("*.cur;*.CUR")},
        {QStringLiteral("Fichiers Icônes (*.ico)"), QStringLiteral("*.ico;*.ICO")},
        {QStringLiteral("PNG (*.png)"), QStringLiteral("*.png;*.PNG")},
        {QStringLiteral("TIFF (*.tif;*.tiff)"), QStringLiteral("*.tif;*.TIF;*.tiff;*.TIFF")},
        {QStringLiteral("WebP (*.webp)"), QStringLiteral("*.webp;*.WEBP")},
        {QStringLiteral("HEIF et AVIF (*.heic;*.heif;*.avif)"), QStringLiteral("*.heic;*.HEIC;*.heif;*.HEIF;*.avif;*.AVIF")},
        {QStringLiteral("JPEG XL (*.jxl)"), QStringLiteral("*.jxl;*.JXL")},
        {QStringLiteral("SVG (*.svg;*.svgz)"), QStringLiteral("*.svg;*.SVG;*.svgz;*.SVGZ")},
    }};
    return types;
}
