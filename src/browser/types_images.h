#pragma once

#include <QString>

#include <array>

// The nine picture types of the type filter. The position is also the value of the "type fichier"
// setting and the position in the options window's list.
struct TypeImage {
    QString libelle;
    QString motif; // ";"-separated wildcards given to the file list
};

inline const std::array<TypeImage, 9>& types_images()
{
    static const std::array<TypeImage, 9> types = {{
        {QStringLiteral("Tous les fichiers images"),
         QStringLiteral("*.bmp;*.BMP;*.dib;*.DIB;*.gif;*.GIF;*.jpg;*.JPG;*.jpeg;*.JPEG;*.wmf;*.WMF;*.emf;*.EMF;"
                        "*.cur;*.CUR;*.ico;*.ICO")},
        {QStringLiteral("Fichiers Bitmap (*.bmp)"), QStringLiteral("*.bmp;*.BMP")},
        {QStringLiteral("Fichiers DIB (*.dib)"), QStringLiteral("*.dib;*.DIB")},
        {QStringLiteral("Fichiers GIF (*.gif)"), QStringLiteral("*.gif;*.GIF")},
        {QStringLiteral("Fichiers JPG (*.jpg;*.jpeg)"), QStringLiteral("*.jpg;*.JPG;*.jpeg;*.JPEG")},
        {QStringLiteral("Fichiers Windows MétaFile (*.wmf)"), QStringLiteral("*.wmf;*.WMF")},
        {QStringLiteral("Fichiers Extended MétaFile (*.emf)"), QStringLiteral("*.emf;*.EMF")},
        {QStringLiteral("Fichiers Curseurs (*.cur)"), QStringLiteral("*.cur;*.CUR")},
        {QStringLiteral("Fichiers Icônes (*.ico)"), QStringLiteral("*.ico;*.ICO")},
    }};
    return types;
}
