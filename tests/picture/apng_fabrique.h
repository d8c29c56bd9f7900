#pragma once

// Animated PNG files made from scratch for the tests: each frame is encoded by Qt's PNG writer, its
// IDAT data then re-chunked as fcTL and fdAT chunks of an APNG. The file is kept as a list of
// chunks, so that a test can damage one of them before writing it out (checksums are computed on
// writing).

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QtEndian>

namespace fabrique_apng {

struct Chunk {
    QByteArray type;
    QByteArray donnees;
};

inline quint32 crc(const QByteArray& type, const QByteArray& donnees)
{
    quint32 c = 0xFFFFFFFFu;
    for (const QByteArray* partie : {&type, &donnees})
        for (const char o : *partie) {
            c ^= quint8(o);
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
        }
    return ~c;
}

template <typename T>
QByteArray grand_boutiste(T valeur)
{
    QByteArray o(sizeof(T), '\0');
    qToBigEndian(valeur, o.data());
    return o;
}
inline QByteArray gb32(quint32 valeur) { return grand_boutiste(valeur); }

// The bytes of a PNG file made of `chunks`, with their lengths and checksums.
inline QByteArray ecrire(const QList<Chunk>& chunks)
{
    QByteArray png("\x89PNG\r\n\x1A\n", 8);
    for (const Chunk& c : chunks)
        png += gb32(quint32(c.donnees.size())) + c.type + c.donnees + gb32(crc(c.type, c.donnees));
    return png;
}

// The chunks of a well-formed PNG file.
inline QList<Chunk> lire(const QByteArray& png)
{
    QList<Chunk> chunks;
    for (qsizetype p = 8; p + 12 <= png.size();) {
        const qsizetype n = qFromBigEndian<quint32>(png.constData() + p);
        chunks.append(Chunk{png.mid(p + 4, 4), png.mid(p + 8, n)});
        p += n + 12;
    }
    return chunks;
}

inline QList<Chunk> encoder(const QImage& image)
{
    QByteArray png;
    QBuffer tampon(&png);
    tampon.open(QIODevice::WriteOnly);
    QImageWriter ecrivain(&tampon, "png");
    ecrivain.write(image);
    return lire(png);
}

inline QByteArray donnees_idat(const QList<Chunk>& chunks)
{
    QByteArray d;
    for (const Chunk& c : chunks)
        if (c.type == "IDAT")
            d += c.donnees;
    return d;
}

struct Trame {
    QImage image;
    QPoint position;
    quint16 numerateur = 1, denominateur = 10; // delay
    quint8 disposition = 0;                    // 0 NONE, 1 BACKGROUND, 2 PREVIOUS
    quint8 melange = 0;                        // 0 SOURCE, 1 OVER
};

// An animated PNG of the frames given (all of one pixel format), played `lectures` times (0: for
// ever). When `defaut` is null the first frame is the default picture (it must fill the canvas);
// otherwise `defaut` is, outside the animation. Frame data longer than a few bytes are split over
// two fdAT chunks.
inline QList<Chunk> apng(QSize canevas, const QList<Trame>& trames, quint32 lectures, const QImage& defaut = {})
{
    QList<Chunk> premiere = encoder(trames.first().image);
    QList<Chunk> sortie;
    Chunk ihdr = premiere.first();
    ihdr.donnees.replace(0, 8, gb32(quint32(canevas.width())) + gb32(quint32(canevas.height())));
    sortie.append(ihdr);
    for (const Chunk& c : premiere)
        if (c.type != "IHDR" && c.type != "IDAT" && c.type != "IEND")
            sortie.append(c);
    sortie.append(Chunk{"acTL", gb32(quint32(trames.size())) + gb32(lectures)});

    quint32 sequence = 0;
    const auto fctl = [&](const Trame& t) {
        return Chunk{"fcTL", gb32(sequence++) + gb32(quint32(t.image.width())) + gb32(quint32(t.image.height()))
                                 + gb32(quint32(t.position.x())) + gb32(quint32(t.position.y())) + grand_boutiste(t.numerateur)
                                 + grand_boutiste(t.denominateur) + QByteArray(1, char(t.disposition)) + QByteArray(1, char(t.melange))};
    };
    int i = 0;
    if (defaut.isNull()) {
        sortie.append(fctl(trames.first()));
        sortie.append(Chunk{"IDAT", donnees_idat(premiere)});
        i = 1;
    } else {
        sortie.append(Chunk{"IDAT", donnees_idat(encoder(defaut))});
    }
    for (; i < trames.size(); ++i) {
        sortie.append(fctl(trames[i]));
        const QByteArray d = donnees_idat(encoder(trames[i].image));
        const qsizetype moitie = d.size() > 8 ? d.size() / 2 : d.size();
        sortie.append(Chunk{"fdAT", gb32(sequence++) + d.left(moitie)});
        if (moitie < d.size())
            sortie.append(Chunk{"fdAT", gb32(sequence++) + d.mid(moitie)});
    }
    sortie.append(Chunk{"IEND", {}});
    return sortie;
}

// A picture of one colour.
inline QImage uni(QSize taille, QColor couleur, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(taille, format);
    image.fill(couleur);
    return image;
}

} // namespace fabrique_apng
