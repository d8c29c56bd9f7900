#pragma once

// Picture files made from scratch, for the memory tests and benchmarks: small files whose headers
// claim huge pictures, and big but real JPEGs of one flat colour that compress to almost nothing.

#include <QByteArray>
#include <QSize>
#include <QtEndian>

#include <initializer_list>

namespace fabrique {

inline void ajouter16(QByteArray& octets, quint16 valeur)
{
    char o[2];
    qToLittleEndian(valeur, o);
    octets.append(o, 2);
}

inline void ajouter32(QByteArray& octets, quint32 valeur)
{
    char o[4];
    qToLittleEndian(valeur, o);
    octets.append(o, 4);
}

inline QByteArray suite(std::initializer_list<int> valeurs)
{
    QByteArray octets;
    for (int v : valeurs)
        octets += char(v);
    return octets;
}

// A JPEG of one flat colour, every table cut down to a single code: each 8x8 block of each
// component costs one bit (no change of its mean) and, in a sequential file, one more (end of
// block). `donnees` cuts the scan to that many bytes (-1: the whole scan). Components are not
// subsampled; four make a CMYK picture.
inline QByteArray jpeg_uni(int largeur, int hauteur, int composantes, bool progressif, qint64 donnees = -1)
{
    QByteArray j("\xFF\xD8", 2);
    const auto segment = [&j](int marqueur, const QByteArray& contenu) {
        j += suite({0xFF, marqueur, int(contenu.size() + 2) >> 8, int(contenu.size() + 2) & 0xFF}) + contenu;
    };
    segment(0xDB, QByteArray(1, 0) + QByteArray(64, 1)); // quantisation table 0, all ones
    QByteArray trame = suite({8, hauteur >> 8, hauteur & 0xFF, largeur >> 8, largeur & 0xFF, composantes});
    for (int i = 0; i < composantes; ++i)
        trame += suite({i + 1, 0x11, 0});
    segment(progressif ? 0xC2 : 0xC0, trame);
    // One code of one bit, "0", per table: symbol 0 (no difference for DC, end of block for AC).
    const QByteArray un_code = QByteArray(1, 1) + QByteArray(15, 0) + QByteArray(1, 0);
    segment(0xC4, QByteArray(1, 0x00) + un_code);
    if (!progressif)
        segment(0xC4, QByteArray(1, 0x10) + un_code);
    QByteArray passe(1, char(composantes));
    for (int i = 0; i < composantes; ++i)
        passe += suite({i + 1, 0});
    passe += suite({0, progressif ? 0 : 63, 0}); // the DC first, or everything
    segment(0xDA, passe);
    const qint64 blocs = qint64((largeur + 7) / 8) * ((hauteur + 7) / 8) * composantes;
    j += QByteArray(donnees >= 0 ? donnees : (blocs * (progressif ? 1 : 2) + 7) / 8, '\0');
    j += "\xFF\xD9";
    return j;
}

// 37 bytes: a GIF whose screen and only frame claim `cote` x `cote` pixels, of which one is coded.
inline QByteArray gif_immense(quint16 cote)
{
    QByteArray g("GIF89a");
    ajouter16(g, cote);
    ajouter16(g, cote);
    g += QByteArray("\x80\0\0" "\0\0\0\xFF\xFF\xFF", 9); // two colours
    g += char(0x2C);
    ajouter32(g, 0);
    ajouter16(g, cote);
    ajouter16(g, cote);
    g += QByteArray("\0\x02\x04\x44\x01\0\0\0\x3B", 9); // clear, one pixel, end
    return g;
}

// 1,298 bytes: an 8-bit run-length BMP of `largeur` x `hauteur` whose few runs stop early.
inline QByteArray bmp_rle_immense(qint32 largeur, qint32 hauteur)
{
    QByteArray runs;
    for (int i = 0; i < 109; ++i)
        runs += QByteArray("\xFF\x01", 2);
    runs += QByteArray("\0\x01", 2); // end of bitmap
    QByteArray b("BM");
    ajouter32(b, quint32(14 + 40 + 1024 + runs.size()));
    ajouter32(b, 0);
    ajouter32(b, 14 + 40 + 1024);
    for (quint32 v : {40u, quint32(largeur), quint32(hauteur)})
        ajouter32(b, v);
    ajouter16(b, 1);
    ajouter16(b, 8);
    for (quint32 v : {1u, quint32(runs.size()), 2835u, 2835u, 256u, 0u})
        ajouter32(b, v);
    for (int i = 0; i < 256; ++i)
        ajouter32(b, quint32(i * 0x010101));
    return b + runs;
}

// 132 bytes: an EMF drawing of one rectangle whose frame makes `naturelle` pixels at 96 dpi.
inline QByteArray emf_rectangle(QSize naturelle)
{
    QByteArray e;
    for (quint32 v : {1u, 88u, 0u, 0u, quint32(naturelle.width() - 1), quint32(naturelle.height() - 1), 0u, 0u,
                      quint32(qRound(naturelle.width() * 2540.0 / 96)), quint32(qRound(naturelle.height() * 2540.0 / 96)),
                      0x464D4520u, 0x10000u, 132u, 3u})
        ajouter32(e, v);
    ajouter16(e, 1); // handles
    ajouter16(e, 0);
    for (quint32 v : {0u, 0u, 0u, 1920u, 1080u, 508u, 286u}) // no description or palette; device
        ajouter32(e, v);
    for (quint32 v : {43u, 24u, quint32(naturelle.width() / 10), quint32(naturelle.height() / 10),
                      quint32(naturelle.width() * 9 / 10), quint32(naturelle.height() * 9 / 10)}) // RECTANGLE
        ajouter32(e, v);
    for (quint32 v : {14u, 20u, 0u, 0u, 20u}) // EOF
        ajouter32(e, v);
    return e;
}

} // namespace fabrique
