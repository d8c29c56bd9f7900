#pragma once

// Small helpers the picture tests share: files written into a temporary folder, read back whole,
// and pictures compared.

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace essai {

// Writes `octets` to `nom` inside `dossier`; its path, or an empty string when it cannot be written.
inline QString ecrire(const QTemporaryDir& dossier, const QString& nom, const QByteArray& octets)
{
    const QString chemin = dossier.filePath(nom);
    QFile sortie(chemin);
    if (!sortie.open(QIODevice::WriteOnly) || sortie.write(octets) != octets.size())
        return {};
    return chemin;
}

// The whole file, or an empty array when it cannot be read.
inline QByteArray lire(const QString& chemin)
{
    QFile entree(chemin);
    return entree.open(QIODevice::ReadOnly) ? entree.readAll() : QByteArray();
}

// Mean difference per channel between two pictures of the same size, 0 to 255.
inline double ecart_moyen(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double somme = 0;
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            somme += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    return somme / (3.0 * x.width() * x.height());
}

} // namespace essai
