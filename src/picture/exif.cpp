#include "picture/exif.h"

#include <QBuffer>
#include <QImageReader>
#include <QTransform>

#include <cstdint>
#include <optional>

namespace {

// The TIFF structure inside the EXIF block, in its own byte order; every read is bounded.
class Tiff {
public:
    explicit Tiff(QByteArrayView octets) : m_o(octets)
    {
        if (m_o.size() >= 8 && m_o.first(2) == QByteArrayView("II"))
            m_ok = mot(2) == 42, m_petit = true;
        else if (m_o.size() >= 8 && m_o.first(2) == QByteArrayView("MM"))
            m_ok = mot(2) == 42, m_petit = false;
    }
    bool ok() const { return m_ok; }

    std::optional<quint32> long_a(qsizetype position) const
    {
        if (position < 0 || position + 4 > m_o.size())
            return std::nullopt;
        const auto o = [&](qsizetype i) { return quint32(quint8(m_o[position + i])); };
        return m_petit ? o(0) | o(1) << 8 | o(2) << 16 | o(3) << 24 : o(3) | o(2) << 8 | o(1) << 16 | o(0) << 24;
    }
    quint16 mot(qsizetype position) const
    {
        if (position < 0 || position + 2 > m_o.size())
            return 0;
        const auto o = [&](qsizetype i) { return quint16(quint8(m_o[position + i])); };
        return m_petit ? quint16(o(0) | o(1) << 8) : quint16(o(1) | o(0) << 8);
    }

    // The value of `etiquette` in the directory at `ifd` (a SHORT or LONG held in the entry).
    std::optional<quint32> valeur(quint32 ifd, quint16 etiquette) const
    {
        const quint16 n = mot(ifd);
        for (quint32 i = 0; i < n; ++i) {
            const qsizetype entree = qsizetype(ifd) + 2 + 12 * qsizetype(i);
            if (entree + 12 > m_o.size())
                return std::nullopt;
            if (mot(entree) != etiquette)
                continue;
            return mot(entree + 2) == 3 ? std::optional<quint32>(mot(entree + 8)) : long_a(entree + 8);
        }
        return std::nullopt;
    }
    // The directory after the one at `ifd`.
    std::optional<quint32> suivant(quint32 ifd) const { return long_a(qsizetype(ifd) + 2 + 12 * qsizetype(mot(ifd))); }

    QByteArrayView octets() const { return m_o; }

private:
    QByteArrayView m_o;
    bool m_ok = false;
    bool m_petit = true;
};

// The TIFF data of the file's APP1 "Exif" segment, found among the markers before the frame.
QByteArrayView bloc_exif(const QByteArray& debut)
{
    if (debut.size() < 4 || quint8(debut[0]) != 0xFF || quint8(debut[1]) != 0xD8)
        return {};
    qsizetype p = 2;
    while (p + 4 <= debut.size() && quint8(debut[p]) == 0xFF) {
        const quint8 marqueur = quint8(debut[p + 1]);
        if (marqueur == 0xDA || marqueur == 0xD9)
            return {}; // the picture's data: no EXIF block came before it
        const qsizetype longueur = qsizetype(quint8(debut[p + 2])) << 8 | quint8(debut[p + 3]);
        if (longueur < 2)
            return {};
        if (marqueur == 0xE1 && longueur >= 8 && p + 2 + longueur <= debut.size()
            && QByteArrayView(debut).sliced(p + 4, 6) == QByteArrayView("Exif\0\0", 6))
            return QByteArrayView(debut).sliced(p + 10, longueur - 8);
        p += 2 + longueur;
    }
    return {};
}

QImage tournee(const QImage& image, quint32 orientation)
{
    QTransform t;
    switch (orientation) {
    case 2: return image.mirrored(true, false);
    case 3: t.rotate(180); break;
    case 4: return image.mirrored(false, true);
    case 5: return image.mirrored(true, false).transformed(QTransform().rotate(270));
    case 6: t.rotate(90); break;
    case 7: return image.mirrored(true, false).transformed(QTransform().rotate(90));
    case 8: t.rotate(270); break;
    default: return image;
    }
    return image.transformed(t);
}

} // namespace

QImage vignette_exif(const QByteArray& debut, QSize naturelle)
{
    const Tiff tiff(bloc_exif(debut));
    if (!tiff.ok() || naturelle.isEmpty())
        return {};
    const std::optional<quint32> ifd0 = tiff.long_a(4);
    if (!ifd0)
        return {};
    const quint32 orientation = tiff.valeur(*ifd0, 0x0112).value_or(1);
    const std::optional<quint32> ifd1 = tiff.suivant(*ifd0);
    if (!ifd1 || *ifd1 == 0)
        return {};
    const std::optional<quint32> debut_jpeg = tiff.valeur(*ifd1, 0x0201);
    const std::optional<quint32> longueur = tiff.valeur(*ifd1, 0x0202);
    if (!debut_jpeg || !longueur || *longueur < 4 || qint64(*debut_jpeg) + *longueur > tiff.octets().size())
        return {};
    QByteArray jpeg = tiff.octets().sliced(*debut_jpeg, *longueur).toByteArray();
    QBuffer tampon(&jpeg);
    QImageReader lecteur(&tampon, "jpeg");
    lecteur.setAutoTransform(false);
    const QSize taille = lecteur.size();
    if (taille.isEmpty() || taille.width() > 1024 || taille.height() > 1024)
        return {};
    const QImage image = tournee(lecteur.read(), orientation);
    if (image.isNull())
        return {};
    // The same shape as the photo, to a pixel of the thumbnail.
    const double l = image.width(), h = image.height();
    if (std::abs(l * naturelle.height() / naturelle.width() - h) > 1.5)
        return {};
    return image;
}
