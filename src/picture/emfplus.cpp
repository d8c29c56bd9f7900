// EMF+ records, drawn only for files that hold no GDI drawing beside them (where both exist, the
// GDI twins are drawn and the EMF+ comments skipped). Objects: brushes (solid, hatch, texture,
// linear and path gradients), pens, paths, regions, images (bitmaps, compressed pictures and
// metafiles) and fonts; records: rectangles, polygons, lines, ellipses, arcs, pies, paths, regions,
// Béziers, images, strings, world and page transforms, clipping, save and restore, containers.
// Offsets are checked by Octets as everywhere else.

#include "picture/emfplus.h"

#include "picture/contenu.h"
#include "picture/metafichier.h"
#include "picture/symboles.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImageReader>
#include <QLinearGradient>
#include <QtMath>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace emfplus {

namespace {

struct Eventail;

// A brush, and whether its pattern is laid on the device's pixels (hatches) rather than on the
// world's units (textures and gradients).
struct Brosse {
    Brosse(QBrush b = {}, bool sur_appareil = false) : qt(std::move(b)), appareil(sur_appareil) {}
    QBrush qt;
    bool appareil = false;
    std::optional<QPainterPath> limite; // world units; a path gradient paints nothing outside it
    // A path gradient with colours around its boundary, drawn at the size it is painted at.
    std::shared_ptr<const Eventail> eventail;
    QTransform matrice_eventail;
};

struct Plume {
    QPen pen;
    double largeur = 1; // world units
    Brosse brosse;
};

// A picture object: a bitmap, or a metafile drawn when it is used.
struct ImageObjet {
    QImage bitmap;
    QByteArray metafichier;
    QSize taille; // pixels
};

// A region: inside its outline or, when inverse, everywhere outside it (the whole plane is an
// inverse region with no outline).
struct Region {
    QPainterPath chemin;
    bool inverse = false;
};

using Objet = std::variant<std::monostate, Brosse, Plume, QPainterPath, QFont, ImageObjet, Region>;

QColor argb(quint32 v) { return QColor(qRed(v), qGreen(v), qBlue(v), qAlpha(v)); }

QPolygonF lire_points(const Octets& o, qint64 p, qint64 n, bool compresses);
QPainterPath lire_chemin(const Octets& o, qint64 p);

// Limits on what one file's objects may hold.
constexpr qint64 pixels_images_maximaux = 64'000'000;
constexpr int profondeur_region_maximale = 64;
constexpr int noeuds_region_maximaux = 1024;
constexpr int profondeur_metafichiers_maximale = 1; // a metafile drawn inside a metafile draws none

// What reading objects needs beyond their bytes: the pixels the file's images hold so far, bounded,
// and how deep this metafile is drawn inside others.
struct Lecture_objets {
    qint64 pixels_images = 0;
    int profondeur = 0;
};

// The 53 hatch patterns, 8 x 8 pixels, one byte per row, the leftmost pixel in the high bit.
// Patterns 6 to 17 are shades of 5 to 90 percent, made by ordered dithering.
using Motif = std::array<quint8, 8>;

constexpr quint8 tourner_droite(quint8 v, int n) { return quint8((v >> (n & 7)) | (v << ((8 - n) & 7))); }
constexpr quint8 tourner_gauche(quint8 v, int n) { return quint8((v << (n & 7)) | (v >> ((8 - n) & 7))); }

Motif motif_diagonal(quint8 premiere, bool descendant)
{
    Motif m{};
    for (int i = 0; i < 8; ++i)
        m[size_t(i)] = descendant ? tourner_droite(premiere, i) : tourner_gauche(premiere, i);
    return m;
}

Motif motif_teinte(int pour_cent)
{
    static constexpr int bayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                        {12, 44, 4, 36, 14, 46, 6, 38},  {60, 28, 52, 20, 62, 30, 54, 22},
                                        {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
                                        {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};
    const int allumes = (pour_cent * 64 + 50) / 100;
    Motif m{};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (bayer[y][x] < allumes)
                m[size_t(y)] |= quint8(0x80 >> x);
    return m;
}

Motif motif_hachure(quint32 style)
{
    static constexpr int teintes[] = {5, 10, 20, 25, 30, 40, 50, 60, 70, 75, 80, 90};
    if (style >= 6 && style <= 17)
        return motif_teinte(teintes[style - 6]);
    switch (style) {
    case 0: return {0xFF, 0, 0, 0, 0, 0, 0, 0};                          // horizontal
    case 1: return {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};     // vertical
    case 2: return motif_diagonal(0x80, true);                            // forward diagonal
    case 3: return motif_diagonal(0x01, false);                           // backward diagonal
    case 4: return {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};     // cross
    case 5: { // diagonal cross
        Motif m{};
        for (int i = 0; i < 8; ++i)
            m[size_t(i)] = quint8((0x80 >> i) | (0x01 << i));
        return m;
    }
    case 18: return motif_diagonal(0x88, true);                           // light downward diagonal
    case 19: return motif_diagonal(0x11, false);                          // light upward diagonal
    case 20: return motif_diagonal(0xCC, true);                           // dark downward diagonal
    case 21: return motif_diagonal(0x33, false);                          // dark upward diagonal
    case 22: return motif_diagonal(0xE0, true);                           // wide downward diagonal
    case 23: return motif_diagonal(0x07, false);                          // wide upward diagonal
    case 24: return {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88};     // light vertical
    case 25: return {0xFF, 0, 0, 0, 0xFF, 0, 0, 0};                       // light horizontal
    case 26: return {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};     // narrow vertical
    case 27: return {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0};                 // narrow horizontal
    case 28: return {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC};     // dark vertical
    case 29: return {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};                 // dark horizontal
    case 30: return {0, 0, 0, 0, 0x88, 0x44, 0x22, 0x11};                 // dashed downward diagonal
    case 31: return {0, 0, 0, 0, 0x11, 0x22, 0x44, 0x88};                 // dashed upward diagonal
    case 32: return {0xF0, 0, 0, 0, 0x0F, 0, 0, 0};                       // dashed horizontal
    case 33: return {0x80, 0x80, 0x80, 0x80, 0x08, 0x08, 0x08, 0x08};     // dashed vertical
    case 34: return {0x80, 0x10, 0x02, 0x20, 0x01, 0x08, 0x40, 0x04};     // small confetti
    case 35: return {0xB1, 0x30, 0x03, 0x1B, 0xD8, 0xC0, 0x0C, 0x8D};     // large confetti
    case 36: return {0x81, 0x42, 0x24, 0x18, 0x81, 0x42, 0x24, 0x18};     // zigzag
    case 37: return {0, 0x18, 0xA4, 0x03, 0, 0x18, 0xA4, 0x03};           // wave
    case 38: return {0x01, 0x02, 0x04, 0x08, 0x18, 0x24, 0x42, 0x81};     // diagonal brick
    case 39: return {0xFF, 0x80, 0x80, 0x80, 0xFF, 0x08, 0x08, 0x08};     // horizontal brick
    case 40: return {0x88, 0x54, 0x22, 0x45, 0x88, 0x14, 0x22, 0x51};     // weave
    case 41: return {0xAA, 0x55, 0xAA, 0x55, 0xF0, 0xF0, 0xF0, 0xF0};     // plaid
    case 42: return {0, 0x10, 0x08, 0x10, 0, 0x01, 0x80, 0x01};           // divot
    case 43: return {0xAA, 0, 0x80, 0, 0x80, 0, 0x80, 0};                 // dotted grid
    case 44: return {0x80, 0, 0x22, 0, 0x08, 0, 0x22, 0};                 // dotted diamond
    case 45: return {0x03, 0x84, 0x48, 0x30, 0x0C, 0x02, 0x01, 0x01};     // shingle
    case 46: return {0xFF, 0x66, 0xFF, 0x99, 0xFF, 0x66, 0xFF, 0x99};     // trellis
    case 47: return {0x77, 0x89, 0x8F, 0x8F, 0x77, 0x98, 0xF8, 0xF8};     // sphere
    case 48: return {0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88, 0x88, 0x88};     // small grid
    case 49: return {0x99, 0x66, 0x66, 0x99, 0x99, 0x66, 0x66, 0x99};     // small checker board
    case 50: return {0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F};     // large checker board
    case 51: return {0x82, 0x44, 0x28, 0x10, 0x28, 0x44, 0x82, 0x01};     // outlined diamond
    case 52: return {0x10, 0x38, 0x7C, 0xFE, 0x7C, 0x38, 0x10, 0};        // solid diamond
    default: return {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    }
}

Brosse hachure(quint32 style, QColor devant, QColor fond)
{
    const Motif m = motif_hachure(style);
    QImage image(8, 8, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixelColor(x, y, (m[size_t(y)] & (0x80 >> x)) ? devant : fond);
    return {QBrush(image), true};
}

// The transform of a brush's optional data: six floats.
QTransform lire_matrice(const Octets& o, qint64 p)
{
    return QTransform(o.f32(p), o.f32(p + 4), o.f32(p + 8), o.f32(p + 12), o.f32(p + 16), o.f32(p + 20));
}

// The colour a share `f` of the way from `a` to `b`.
QColor entre(const QColor& a, const QColor& b, double f)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * f), float(a.greenF() + (b.greenF() - a.greenF()) * f),
                            float(a.blueF() + (b.blueF() - a.blueF()) * f), float(a.alphaF() + (b.alphaF() - a.alphaF()) * f));
}

// Blend data (BlendColors or BlendFactors) read into gradient stops, from `depart` at position 0 to
// `arrivee` at 1; `p` moves past it. Null when the count does not fit.
std::optional<QGradientStops> lire_melange(const Octets& o, qint64& p, bool couleurs, QColor depart, QColor arrivee)
{
    const qint64 n = o.u32(p);
    if (n < 1 || n > 4096 || !o.contient(p + 4, n * 8))
        return std::nullopt;
    QGradientStops arrets;
    for (qint64 i = 0; i < n; ++i) {
        const double position = std::clamp(o.f32(p + 4 + 4 * i), 0.0, 1.0);
        QColor c;
        if (couleurs) {
            c = argb(o.u32(p + 4 + 4 * n + 4 * i));
        } else {
            c = entre(depart, arrivee, std::clamp(o.f32(p + 4 + 4 * n + 4 * i), 0.0, 1.0));
        }
        if (!arrets.isEmpty() && position < arrets.last().first)
            continue; // positions go up; one that goes back is dropped
        arrets.append({position, c});
    }
    p += 4 + n * 8;
    return arrets;
}

QGradient::Spread etalement(quint32 mode)
{
    return mode == 4 ? QGradient::PadSpread : mode == 0 ? QGradient::RepeatSpread : QGradient::ReflectSpread;
}

// A path gradient drawn as GDI+ does: a fan of triangles from the centre point to each side of
// the boundary, each shaded from the colours of its two boundary points along the side to the
// centre colour at the centre (`melange` gives the share of the centre colour, as alpha, from the
// boundary, 0, to the centre, 1). It is drawn when painted, into a picture of the boundary's box
// at the size the box takes on the picture (at most `cote_eventail_maximal` pixels a side).
struct Eventail {
    QPolygonF bord;
    QList<QColor> couleurs;
    QPointF c;
    QColor centre;
    QGradientStops melange;
    QRectF boite;
};

constexpr int cote_eventail_maximal = 512;

// The brush of `e`, for a box that takes `cote` pixels on its longest side.
QBrush dessiner_eventail(const Eventail& e, double cote)
{
    const double echelle = (std::isfinite(cote) ? std::clamp(cote, 2.0, double(cote_eventail_maximal)) : 2.0)
        / std::max(e.boite.width(), e.boite.height());
    const QSize taille(std::max(1, int(std::ceil(e.boite.width() * echelle))), std::max(1, int(std::ceil(e.boite.height() * echelle))));
    QImage image(taille, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter peintre(&image);
    peintre.setPen(Qt::NoPen); // no antialiasing: the triangles meet without seams
    peintre.scale(echelle, echelle);
    peintre.translate(-e.boite.topLeft());
    const auto couleur = [&](qsizetype i) { return e.couleurs[std::min(i, e.couleurs.size() - 1)]; };
    for (qsizetype i = 0; i < e.bord.size(); ++i) {
        const QPointF a = e.bord[i], b = e.bord[(i + 1) % e.bord.size()];
        QPainterPath triangle;
        triangle.addPolygon(QPolygonF{e.c, a, b});
        triangle.closeSubpath();
        // Along the side, from one point's colour to the other's.
        QLinearGradient cote_a_cote(a, b);
        cote_a_cote.setColorAt(0, couleur(i));
        cote_a_cote.setColorAt(1, couleur((i + 1) % e.bord.size()));
        peintre.fillPath(triangle, cote_a_cote);
        // Over it, the centre colour from the centre (fully) to the side (not at all).
        const QPointF d = b - a;
        const double l2 = QPointF::dotProduct(d, d);
        if (!(l2 > 0))
            continue;
        QLinearGradient vers_cote(e.c, a + QPointF::dotProduct(e.c - a, d) / l2 * d);
        for (const auto& [position, part] : e.melange) {
            QColor c = e.centre;
            c.setAlphaF(e.centre.alphaF() * part.alphaF());
            vers_cote.setColorAt(1 - position, c);
        }
        peintre.fillPath(triangle, vers_cote);
    }
    peintre.end();
    QBrush brosse(image);
    brosse.setTransform(QTransform::fromScale(1 / echelle, 1 / echelle) * QTransform::fromTranslate(e.boite.left(), e.boite.top()));
    return brosse;
}

// A path gradient: the centre colour at its centre point, the surrounding colours at the boundary
// (its points, or its path), the blend and the focus scales between. Nothing is painted outside
// the boundary.
Brosse degrade_de_chemin(const Octets& o, qint64 p)
{
    const quint32 drapeaux = o.u32(p + 8);
    const QColor centre = argb(o.u32(p + 16));
    const QPointF c(o.f32(p + 20), o.f32(p + 24));
    const qint64 n = o.u32(p + 28);
    if (n < 1 || n > 100'000 || !o.contient(p + 32, n * 4))
        return {QBrush(centre)};
    QList<QColor> couleurs;
    double r = 0, g = 0, b = 0, a = 0;
    for (qint64 i = 0; i < n; ++i) {
        const QColor s = argb(o.u32(p + 32 + 4 * i));
        couleurs << s;
        r += s.red(), g += s.green(), b += s.blue(), a += s.alpha();
    }
    const QColor autour(int(r / n), int(g / n), int(b / n), int(a / n));
    qint64 q = p + 32 + n * 4;
    QPolygonF bord;
    if (drapeaux & 0x01) {
        bord = lire_chemin(o, q + 4).toFillPolygon();
        q += 4 + std::min<qint64>(o.u32(q), 1 << 28);
    } else {
        const qint64 points = o.u32(q);
        bord = lire_points(o, q + 4, points, false);
        q += 4 + std::min<qint64>(points, 1 << 26) * 8;
    }
    if (bord.size() > 1 && bord.first() == bord.last())
        bord.removeLast();
    double rayon = 0;
    for (const QPointF& point : std::as_const(bord))
        rayon = std::max(rayon, std::hypot(point.x() - c.x(), point.y() - c.y()));
    const QRectF boite = bord.boundingRect();
    if (!(rayon > 0) || !std::isfinite(rayon) || !(boite.width() > 0) || !(boite.height() > 0))
        return {QBrush(centre)};
    QTransform matrice;
    if (drapeaux & 0x02) {
        matrice = lire_matrice(o, q);
        q += 24;
    }
    // The share of the centre colour, from the boundary (0) to the centre (1); or, with preset
    // colours, the colours themselves.
    const bool couleurs_donnees = drapeaux & 0x04;
    QGradientStops melange{{0, QColor(0, 0, 0, 0)}, {1, QColor(0, 0, 0, 255)}};
    if (drapeaux & 0x0C)
        if (const auto m = lire_melange(o, q, couleurs_donnees, QColor(0, 0, 0, 0), QColor(0, 0, 0, 255)))
            melange = *m;
    double foyer = 0;
    if ((drapeaux & 0x40) && o.u32(q) == 2)
        foyer = std::clamp((o.f32(q + 4) + o.f32(q + 8)) / 2, 0.0, 0.99);
    if (foyer > 0) // the centre colour spreads over the focus part
        for (auto& [position, part] : melange)
            position *= 1 - foyer;
    if (foyer > 0)
        melange.append({1, melange.last().second});
    Brosse brosse;
    if (!couleurs_donnees && bord.size() >= 3 && bord.size() <= 4096) {
        brosse.eventail = std::make_shared<const Eventail>(Eventail{bord, couleurs, c, centre, melange, boite});
    } else {
        QRadialGradient degrade(c, rayon);
        for (const auto& [position, couleur] : std::as_const(melange)) {
            QColor mixte = couleur;
            if (!couleurs_donnees) // the mean surrounding colour to the centre colour
                mixte = entre(autour, centre, couleur.alphaF());
            degrade.setColorAt(1 - position, mixte);
        }
        brosse.qt = QBrush(degrade);
    }
    if (bord.size() >= 3) {
        QPainterPath limite;
        limite.addPolygon(bord);
        limite.closeSubpath();
        brosse.limite = limite;
    }
    if (matrice.isInvertible() && !matrice.isIdentity()) {
        brosse.qt.setTransform(brosse.qt.transform() * matrice);
        brosse.matrice_eventail = matrice;
        if (brosse.limite)
            brosse.limite = matrice.map(*brosse.limite);
    }
    return brosse;
}

Brosse lire_brosse(const Octets& o, qint64 p, Lecture_objets& ctx);
ImageObjet lire_image(const Octets& o, qint64 p, Lecture_objets& ctx);

// A texture: the picture repeated over the world (one pixel per world unit), flipped at every
// other tile for the flip wrap modes; the clamp mode is drawn as tiles too.
Brosse texture(const Octets& o, qint64 p, Lecture_objets& ctx)
{
    const quint32 drapeaux = o.u32(p + 8), mode = o.u32(p + 12);
    qint64 q = p + 16;
    QTransform matrice;
    if (drapeaux & 0x02) {
        matrice = lire_matrice(o, q);
        q += 24;
    }
    const ImageObjet image = lire_image(o, q, ctx);
    QImage motif = image.bitmap;
    if (motif.isNull() && !image.metafichier.isEmpty() && ctx.profondeur < profondeur_metafichiers_maximale)
        motif = rendre_metafichier_transparent(image.metafichier, image.taille, ctx.profondeur + 1);
    if (motif.isNull())
        return {QBrush(Qt::gray)};
    if (mode >= 1 && mode <= 3 && qint64(motif.width()) * motif.height() * 4 <= pixels_images_maximaux) {
        const bool x = mode != 2, y = mode != 1;
        QImage mosaique(motif.width() * (x ? 2 : 1), motif.height() * (y ? 2 : 1), QImage::Format_ARGB32_Premultiplied);
        QPainter peintre(&mosaique);
        peintre.setCompositionMode(QPainter::CompositionMode_Source);
        peintre.drawImage(0, 0, motif);
        if (x)
            peintre.drawImage(motif.width(), 0, motif.mirrored(true, false));
        if (y)
            peintre.drawImage(0, motif.height(), motif.mirrored(false, true));
        if (x && y)
            peintre.drawImage(motif.width(), motif.height(), motif.mirrored(true, true));
        peintre.end();
        motif = mosaique;
    }
    QBrush brosse(motif);
    if (matrice.isInvertible())
        brosse.setTransform(matrice);
    return {brosse};
}

// A bitmap of pixels as the record stores them: rows from the top, `pas` bytes apart, in one of the
// pixel formats below (indexed ones after their palette). Null for another format or a size that
// does not fit.
QImage lire_pixels(const Octets& o, qint64 p, int largeur, int hauteur, qint64 pas, quint32 format)
{
    QList<QRgb> palette;
    const bool indexe = format & 0x00010000;
    if (indexe) {
        const qint64 n = o.u32(p + 4);
        if (n < 1 || n > 256 || !o.contient(p + 8, n * 4))
            return {};
        for (qint64 i = 0; i < n; ++i)
            palette << o.u32(p + 8 + 4 * i); // ARGB, as QRgb
        p += 8 + n * 4;
    }
    const int bits = (format >> 8) & 0xFF;
    if (bits == 0 || pas < (qint64(largeur) * bits + 7) / 8 || !o.contient(p, pas * hauteur))
        return {};
    QImage image(largeur, hauteur, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < hauteur; ++y) {
        const qint64 ligne = p + y * pas;
        QRgb* sortie = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < largeur; ++x) {
            QRgb v = 0;
            switch (format) {
            case 0x00030101: case 0x00030402: case 0x00030803: { // 1, 4 and 8 bits, indexed
                const qint64 bit = qint64(x) * bits;
                const int indice = (o.u8(ligne + bit / 8) >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
                v = indice < palette.size() ? palette[indice] : 0xFF000000;
                break;
            }
            case 0x00101004: { // 16-bit grey
                const int g = o.u16(ligne + 2 * x) >> 8;
                v = qRgb(g, g, g);
                break;
            }
            case 0x00021005: case 0x00061007: { // 5-5-5, with or without its alpha bit
                const quint16 m = o.u16(ligne + 2 * x);
                v = qRgba(((m >> 10) & 31) * 255 / 31, ((m >> 5) & 31) * 255 / 31, (m & 31) * 255 / 31,
                          format == 0x00061007 && !(m & 0x8000) ? 0 : 255);
                break;
            }
            case 0x00021006: { // 5-6-5
                const quint16 m = o.u16(ligne + 2 * x);
                v = qRgb(((m >> 11) & 31) * 255 / 31, ((m >> 5) & 63) * 255 / 63, (m & 31) * 255 / 31);
                break;
            }
            case 0x00021808: // 24 bits: blue, green, red
                v = qRgb(o.u8(ligne + 3 * x + 2), o.u8(ligne + 3 * x + 1), o.u8(ligne + 3 * x));
                break;
            case 0x00022009: v = o.u32(ligne + 4 * x) | 0xFF000000; break;
            case 0x0026200A: v = o.u32(ligne + 4 * x); break;
            case 0x000E200B: { // premultiplied
                const QRgb m = o.u32(ligne + 4 * x);
                v = qUnpremultiply(qRgba(std::min(qRed(m), qAlpha(m)), std::min(qGreen(m), qAlpha(m)),
                                         std::min(qBlue(m), qAlpha(m)), qAlpha(m)));
                break;
            }
            default: return {};
            }
            sortie[x] = v;
        }
    }
    return image;
}

// An image object at `p`: a bitmap (pixels, or a compressed picture that Qt's image readers take)
// or a metafile. `ctx` counts the pixels the file's images hold, and stops them past a bound.
ImageObjet lire_image(const Octets& o, qint64 p, Lecture_objets& ctx)
{
    ImageObjet image;
    const quint32 type = o.u32(p + 4);
    if (type == 1) {
        const qint64 largeur = o.i32(p + 8), hauteur = o.i32(p + 12), pas = o.i32(p + 16);
        const quint32 format = o.u32(p + 20);
        if (o.u32(p + 24) == 1) { // compressed: a PNG, JPEG, GIF, BMP... file
            const Octets donnees = o.sous(p + 28, o.taille() - p - 28);
            QByteArray octets = donnees.vue().toByteArray();
            QBuffer tampon(&octets);
            QImageReader lecteur(&tampon);
            const QSize taille = lecteur.size();
            if (!taille.isValid() || !dimensions_vraisemblables(taille.width(), taille.height())
                || ctx.pixels_images + qint64(taille.width()) * taille.height() > pixels_images_maximaux)
                return image;
            image.bitmap = lecteur.read();
        } else if (largeur > 0 && hauteur > 0 && largeur <= 1 << 16 && hauteur <= 1 << 16
                   && ctx.pixels_images + largeur * hauteur <= pixels_images_maximaux) {
            image.bitmap = lire_pixels(o, p + 28, int(largeur), int(hauteur), pas, format);
        }
        ctx.pixels_images += qint64(image.bitmap.width()) * image.bitmap.height();
        image.taille = image.bitmap.size();
    } else if (type == 2) { // metafile: its type, its size, then the file
        const qint64 n = o.u32(p + 12);
        const Octets donnees = o.sous(p + 16, n);
        if (donnees.taille() > 0) {
            const QSize taille = taille_metafichier(donnees.vue());
            if (taille.isValid()) {
                image.metafichier = donnees.vue().toByteArray();
                image.taille = taille;
            }
        }
    }
    return image;
}

Brosse lire_brosse(const Octets& o, qint64 p, Lecture_objets& ctx)
{
    const quint32 type = o.u32(p + 4);
    switch (type) {
    case 0: return {QBrush(argb(o.u32(p + 8)))};
    case 1: return hachure(o.u32(p + 8), argb(o.u32(p + 12)), argb(o.u32(p + 16)));
    case 2: return texture(o, p, ctx);
    case 3: return degrade_de_chemin(o, p);
    case 4: { // linear gradient: flags, wrap, rectangle, start and end colours, then optional data
        const quint32 drapeaux = o.u32(p + 8);
        const QRectF r(o.f32(p + 16), o.f32(p + 20), o.f32(p + 24), o.f32(p + 28));
        const QColor depart = argb(o.u32(p + 32)), arrivee = argb(o.u32(p + 36));
        QLinearGradient g(r.topLeft(), r.topRight());
        g.setSpread(etalement(o.u32(p + 12)));
        qint64 q = p + 48;
        QTransform matrice;
        if (drapeaux & 0x02) {
            matrice = lire_matrice(o, q);
            q += 24;
        }
        QGradientStops arrets{{0, depart}, {1, arrivee}};
        if (drapeaux & 0x0C)
            if (const auto m = lire_melange(o, q, drapeaux & 0x04, depart, arrivee))
                arrets = *m;
        g.setStops(arrets);
        QBrush brosse(g);
        if (matrice.isInvertible())
            brosse.setTransform(matrice);
        return {brosse};
    }
    default: return {QBrush(Qt::gray)};
    }
}

Plume lire_plume(const Octets& o, qint64 p, Lecture_objets& ctx)
{
    Plume plume;
    const quint32 drapeaux = o.u32(p + 8);
    plume.largeur = o.f32(p + 16);
    qint64 q = p + 20;
    QPen& pen = plume.pen;
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    if (drapeaux & 0x01) q += 24;
    if (drapeaux & 0x02) { pen.setCapStyle(o.i32(q) == 2 ? Qt::RoundCap : o.i32(q) == 1 ? Qt::SquareCap : Qt::FlatCap); q += 4; }
    if (drapeaux & 0x04) q += 4;
    if (drapeaux & 0x08) { const quint32 j = o.u32(q); pen.setJoinStyle(j == 1 ? Qt::BevelJoin : j == 2 ? Qt::RoundJoin : Qt::MiterJoin); q += 4; }
    if (drapeaux & 0x10) { pen.setMiterLimit(std::clamp(o.f32(q), 1.0, 100.0)); q += 4; }
    if (drapeaux & 0x20) {
        static constexpr Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine};
        const quint32 s = o.u32(q);
        pen.setStyle(s < 5 ? styles[s] : Qt::SolidLine);
        q += 4;
    }
    if (drapeaux & 0x40) q += 4;
    if (drapeaux & 0x80) q += 4;
    if (drapeaux & 0x100) {
        const qint64 n = o.u32(q);
        if (n > 0 && n <= 64 && o.contient(q + 4, n * 4)) {
            QList<qreal> tirets;
            for (qint64 i = 0; i < n; ++i)
                tirets << std::max(o.f32(q + 4 + 4 * i), 0.1);
            if (tirets.size() % 2)
                tirets.append(tirets);
            pen.setDashPattern(tirets);
        }
        q += 4 + std::min<qint64>(n, 1 << 20) * 4;
    }
    if (drapeaux & 0x200) q += 4;
    if (drapeaux & 0x400) q += 4 + std::min<qint64>(o.u32(q), 1 << 20) * 4;
    if (drapeaux & 0x800) q += 4 + std::min<qint64>(o.u32(q), 1 << 24);
    if (drapeaux & 0x1000) q += 4 + std::min<qint64>(o.u32(q), 1 << 24);
    plume.brosse = lire_brosse(o, q, ctx);
    return plume;
}

// Points of a record: float pairs, or 16-bit integer pairs when compressed.
QPolygonF lire_points(const Octets& o, qint64 p, qint64 n, bool compresses)
{
    const qint64 pas = compresses ? 4 : 8;
    if (n <= 0 || n > 1'000'000 || !o.contient(p, n * pas))
        return {};
    QPolygonF points;
    points.reserve(n);
    for (qint64 i = 0; i < n; ++i)
        points << (compresses ? QPointF(o.i16(p + 4 * i), o.i16(p + 4 * i + 2)) : QPointF(o.f32(p + 8 * i), o.f32(p + 8 * i + 4)));
    return points;
}

QPainterPath lire_chemin(const Octets& o, qint64 p)
{
    const qint64 n = o.u32(p + 4);
    const quint32 drapeaux = o.u32(p + 8);
    const bool compresses = drapeaux & 0x4000;
    const QPolygonF points = lire_points(o, p + 12, n, compresses);
    const qint64 types = p + 12 + n * (compresses ? 4 : 8);
    QPainterPath chemin;
    if (points.isEmpty() || (drapeaux & 0x0800) || !o.contient(types, n))
        return chemin;
    for (qint64 i = 0; i < n; ++i) {
        const quint8 t = o.u8(types + i);
        switch (t & 0x07) {
        case 0: chemin.moveTo(points[i]); break;
        case 3:
            if (i + 2 < n) {
                chemin.cubicTo(points[i], points[i + 1], points[i + 2]);
                i += 2;
            }
            break;
        default: chemin.lineTo(points[i]); break;
        }
        if (o.u8(types + std::min(i, n - 1)) & 0x80)
            chemin.closeSubpath();
    }
    return chemin;
}

Region non(Region r)
{
    r.inverse = !r.inverse;
    return r;
}

Region et(const Region& a, const Region& b)
{
    if (a.inverse && b.inverse)
        return {a.chemin.united(b.chemin), true};
    if (a.inverse)
        return {b.chemin.subtracted(a.chemin), false};
    if (b.inverse)
        return {a.chemin.subtracted(b.chemin), false};
    return {a.chemin.intersected(b.chemin), false};
}

Region ou(const Region& a, const Region& b) { return non(et(non(a), non(b))); }

// One node of a region and, for a combining node, its two children after it; `p` moves past them.
Region lire_noeud(const Octets& o, qint64& p, int profondeur, int& noeuds)
{
    Region r;
    if (++noeuds > noeuds_region_maximaux) {
        p = o.taille();
        return r;
    }
    const quint32 type = o.u32(p);
    p += 4;
    switch (type) {
    case 0x10000000: // rectangle
        r.chemin.addRect(QRectF(o.f32(p), o.f32(p + 4), o.f32(p + 8), o.f32(p + 12)));
        p += 16;
        return r;
    case 0x10000001: { // path, after its size
        const qint64 n = o.u32(p);
        r.chemin = lire_chemin(o.sous(p + 4, n), 0);
        p += 4 + std::min<qint64>(n, o.taille());
        return r;
    }
    case 0x10000002: return r; // empty
    case 0x10000003: return non(r); // the whole plane
    default: break;
    }
    if (type < 1 || type > 5 || profondeur >= profondeur_region_maximale || !o.contient(p, 4)) {
        p = o.taille(); // nothing after an unknown node can be trusted
        return r;
    }
    const Region a = lire_noeud(o, p, profondeur + 1, noeuds), b = lire_noeud(o, p, profondeur + 1, noeuds);
    switch (type) {
    case 1: return et(a, b);
    case 2: return ou(a, b);
    case 3: return ou(et(a, non(b)), et(b, non(a))); // exclusive or
    case 4: return et(a, non(b));                    // exclude: the first less the second
    default: return et(b, non(a));                   // complement: the second less the first
    }
}

QFont lire_police(const Octets& o, qint64 p, double& taille, quint32& unite)
{
    taille = o.f32(p + 4);
    unite = o.u32(p + 8);
    const quint32 style = o.u32(p + 12);
    const qint64 n = std::min<qint64>(o.u32(p + 20), 64);
    QString nom;
    for (qint64 i = 0; i < n && o.contient(p + 24 + 2 * i, 2); ++i)
        nom.append(QChar(o.u16(p + 24 + 2 * i)));
    QFont f;
    // A family that is not installed falls back on the desktop's sans-serif font, not on whatever
    // font the system would offer first.
    f.setFamilies({nom, gdi::chasse_fixe(nom) ? QStringLiteral("monospace") : QStringLiteral("sans-serif")});
    f.setStyleHint(QFont::SansSerif);
    f.setBold(style & 1);
    f.setItalic(style & 2);
    f.setUnderline(style & 4);
    f.setStrikeOut(style & 8);
    return f;
}

struct PoliceEmfPlus {
    QFont police;
    double taille = 12;
    quint32 unite = 3;
};

class Lecteur {
public:
    Lecteur(gdi::Dessin& dessin, double ppp, int profondeur) : d_(dessin), ppp_(ppp > 0 ? ppp : 96)
    {
        objets_lus_.profondeur = profondeur;
    }

    void enregistrement(const Octets& o, quint16 type, quint16 drapeaux);

private:
    double facteur(quint32 unite) const
    {
        switch (unite) {
        case 3: return ppp_ / 72;
        case 4: return ppp_;
        case 5: return ppp_ / 300;
        case 6: return ppp_ / 25.4;
        default: return 1;
        }
    }
    QTransform complete() const
    {
        const double f = facteur(unite_page_) * echelle_page_;
        return monde_ * QTransform::fromScale(f, f) * d_.appareil();
    }
    bool raisonnable(const QRectF& r) const
    {
        constexpr double m = 4'000'000;
        return std::isfinite(r.left()) && std::isfinite(r.right()) && std::isfinite(r.top()) && std::isfinite(r.bottom())
            && r.left() > -m && r.top() > -m && r.right() < m && r.bottom() < m;
    }
    // One device pixel, in the picture's pixels.
    double pixel_appareil() const { return std::sqrt(std::abs(d_.appareil().determinant())); }
    template <typename T>
    const T* objet(quint32 id) const
    {
        const auto it = objets_.find(id & 0xFF);
        return it == objets_.end() ? nullptr : std::get_if<T>(&it->second);
    }
    // The brush to paint with under the transform `t`. A hatch keeps to the device's pixels, and
    // to the picture's where the device's are finer: its pattern then stays a pattern, not a blur.
    QBrush a_peindre(const Brosse& b, const QTransform& t) const
    {
        if (b.eventail) {
            const QRectF boite = (b.matrice_eventail * t).mapRect(b.eventail->boite);
            QBrush qt = dessiner_eventail(*b.eventail, std::max(boite.width(), boite.height()));
            qt.setTransform(qt.transform() * b.matrice_eventail);
            return qt;
        }
        if (!b.appareil || !t.isInvertible())
            return b.qt;
        QBrush qt = b.qt;
        const double un = std::max(pixel_appareil(), 1.0);
        qt.setTransform(QTransform::fromScale(un, un) * t.inverted());
        return qt;
    }
    Brosse brosse(quint32 valeur, bool couleur) const
    {
        if (couleur)
            return {QBrush(argb(valeur))};
        if (const auto* b = objet<Brosse>(valeur))
            return *b;
        return {QBrush(Qt::black)};
    }
    // A region as a path in world units: an inverse one is cut out of a rectangle that covers the
    // picture under the transform `t`.
    QPainterPath chemin_de(const Region& r, const QTransform& t) const
    {
        if (!r.inverse)
            return r.chemin;
        if (!t.isInvertible())
            return {};
        const QSize taille = d_.taille_image();
        QPainterPath plan;
        plan.addRect(t.inverted().mapRect(QRectF(-taille.width(), -taille.height(), 3.0 * taille.width(), 3.0 * taille.height())));
        return plan.subtracted(r.chemin);
    }
    void remplir(const QPainterPath& c, const Brosse& b)
    {
        const QTransform t = complete();
        if (!raisonnable(t.mapRect(c.controlPointRect())))
            return;
        QPainter& p = d_.peintre();
        p.setTransform(t);
        p.fillPath(b.limite ? c.intersected(*b.limite) : c, a_peindre(b, t));
    }
    void tracer(const QPainterPath& c, quint32 id_plume)
    {
        const auto* plume = objet<Plume>(id_plume);
        if (!plume)
            return;
        const QTransform t = complete();
        if (!raisonnable(t.mapRect(c.controlPointRect())))
            return;
        QPen pen = plume->pen;
        const double echelle = std::sqrt(std::abs(t.determinant()));
        const double largeur = plume->largeur * echelle;
        QBrush b = a_peindre(plume->brosse, t);
        if (!(largeur >= 1) && b.style() == Qt::SolidPattern) {
            // A line thinner than a pixel is drawn one pixel wide and as much fainter, down to a
            // fifth, so that a hairline of a fine device is neither lost nor made bold.
            QColor couleur = b.color();
            couleur.setAlphaF(couleur.alphaF() * float(std::clamp(largeur, 0.2, 1.0)));
            b.setColor(couleur);
        }
        pen.setBrush(b);
        pen.setWidthF(std::clamp(largeur, 1.0, 2.0 * (d_.taille_image().width() + d_.taille_image().height())));
        pen.setCosmetic(true);
        QPainter& p = d_.peintre();
        p.setTransform(t);
        p.strokePath(c, pen);
    }
    // Combines `c` with the clip as the record's mode says: 0 replace, 1 intersect, 2 union,
    // 3 exclusive or, 4 exclude (the clip less `c`), 5 complement (`c` less the clip). With no
    // clip, the clip is the whole plane.
    void decouper(const QPainterPath& c, quint32 mode)
    {
        QPainter& p = d_.peintre();
        const QTransform t = complete();
        if (!raisonnable(t.mapRect(c.controlPointRect())))
            return;
        if (mode <= 1) {
            p.setTransform(t);
            p.setClipPath(c, mode == 0 ? Qt::ReplaceClip : Qt::IntersectClip);
            return;
        }
        if (mode > 5)
            return;
        // The other modes, worked out on the device's pixels.
        const QPainterPath nouveau = t.map(c);
        QPainterPath plan;
        plan.addRect(QRectF(-4'000'000, -4'000'000, 8'000'000, 8'000'000));
        const bool decoupe = p.hasClipping();
        const QPainterPath actuel = decoupe ? p.transform().map(p.clipPath()) : plan;
        QPainterPath zone;
        switch (mode) {
        case 2: zone = decoupe ? actuel.united(nouveau) : plan; break;
        case 3: zone = actuel.united(nouveau).subtracted(actuel.intersected(nouveau)); break;
        case 4: zone = actuel.subtracted(nouveau); break;
        default: zone = nouveau.subtracted(actuel); break;
        }
        p.setTransform(QTransform());
        p.setClipPath(zone);
    }
    // The font of object `id` at its size in pixels; `echelle` is the world's scale on the picture.
    std::optional<QFont> police_a(quint32 id, double echelle) const;
    void texte(const Octets& o, quint16 drapeaux);
    void caracteres_places(const Octets& o, quint16 drapeaux);
    void objet_recu(const Octets& o, quint16 drapeaux);
    // Draws image `id`'s part `source` (in `unite`) onto the parallelogram of `coins` (its top-left,
    // top-right and bottom-left corners, in world units).
    void image(quint32 id, quint32 unite, QRectF source, const QPolygonF& coins);

    // What Save and BeginContainer keep, for Restore and EndContainer.
    struct Etat {
        QTransform monde;
        quint32 unite_page;
        double echelle_page;
        std::optional<QPainterPath> decoupe; // picture pixels; none = no clip
    };
    Etat etat() const
    {
        const QPainter& p = d_.peintre();
        return {monde_, unite_page_, echelle_page_,
                p.hasClipping() ? std::optional(p.transform().map(p.clipPath())) : std::nullopt};
    }
    void retablir(const Etat& e)
    {
        monde_ = e.monde;
        unite_page_ = e.unite_page;
        echelle_page_ = e.echelle_page;
        QPainter& p = d_.peintre();
        if (e.decoupe) {
            p.setTransform(QTransform());
            p.setClipPath(*e.decoupe);
        } else {
            p.setClipping(false);
        }
    }

    gdi::Dessin& d_;
    double ppp_;
    QTransform monde_;
    quint32 unite_page_ = 2;
    double echelle_page_ = 1;
    bool lisse_ = true;              // images drawn smoothly unless the file asks for the nearest pixel
    std::map<quint32, Objet> objets_;
    std::map<quint32, PoliceEmfPlus> polices_;
    std::vector<std::pair<quint32, Etat>> sauvegardes_; // in the order they were kept
    Lecture_objets objets_lus_;
    // An object too large for one record arrives in several: its bytes gather here until whole.
    QByteArray suite_;
    quint32 suite_id_ = 0;
    qint64 suite_attendue_ = 0;
};

void Lecteur::objet_recu(const Octets& o, quint16 drapeaux)
{
    const quint32 id = drapeaux & 0xFF, genre = (drapeaux >> 8) & 0x7F;
    Octets donnees = o;
    QByteArray entier; // the object gathered from several records
    if (drapeaux & 0x8000) {
        // Continued: the whole size, then this record's part; the parts follow one another.
        const qint64 total = o.u32(12);
        if (id != suite_id_ || suite_.isEmpty()) {
            suite_.clear();
            suite_id_ = id;
            suite_attendue_ = total > 0 && total <= (64 << 20) ? total : 0;
        }
        if (suite_attendue_ == 0)
            return;
        suite_.append(o.vue().sliced(std::min<qint64>(16, o.taille())).first(
            std::min<qint64>(std::max<qint64>(o.taille() - 16, 0), suite_attendue_ - suite_.size())));
        if (suite_.size() < suite_attendue_)
            return;
        entier = QByteArray(12, '\0') + std::exchange(suite_, {}); // read as if from one record
        donnees = Octets(entier);
    } else if (!suite_.isEmpty() && id == suite_id_) {
        // The last part of a continued object may come without the size before it.
        suite_.append(o.vue().sliced(std::min<qint64>(12, o.taille())).first(
            std::min<qint64>(std::max<qint64>(o.taille() - 12, 0), suite_attendue_ - suite_.size())));
        if (suite_.size() < suite_attendue_) {
            suite_.clear();
            return;
        }
        entier = QByteArray(12, '\0') + std::exchange(suite_, {});
        donnees = Octets(entier);
    } else {
        suite_.clear();
    }
    switch (genre) {
    case 1: objets_[id] = lire_brosse(donnees, 12, objets_lus_); break;
    case 2: objets_[id] = lire_plume(donnees, 12, objets_lus_); break;
    case 3: objets_[id] = lire_chemin(donnees, 12); break;
    case 4: {
        qint64 p = 20;
        int noeuds = 0;
        objets_[id] = lire_noeud(donnees, p, 0, noeuds);
        break;
    }
    case 5: objets_[id] = lire_image(donnees, 12, objets_lus_); break;
    case 6: {
        PoliceEmfPlus pe;
        pe.police = lire_police(donnees, 12, pe.taille, pe.unite);
        polices_[id] = pe;
        objets_[id] = pe.police;
        break;
    }
    default: objets_[id] = std::monostate{}; break;
    }
}

void Lecteur::image(quint32 id, quint32 unite, QRectF source, const QPolygonF& coins)
{
    const auto* img = objet<ImageObjet>(id);
    if (!img || img->taille.isEmpty() || coins.size() != 3 || source.width() == 0 || source.height() == 0)
        return;
    // The source rectangle in the picture's pixels (96 per inch where a unit needs it).
    const double pixels[] = {1, 1, 1, 96.0 / 72, 96, 96.0 / 300, 96 / 25.4};
    const double f = unite < 7 ? pixels[unite] : 1;
    source = QRectF(source.left() * f, source.top() * f, source.width() * f, source.height() * f);
    // Source pixels onto the parallelogram, then onto the picture.
    const QPointF o = coins[0], x = coins[1] - coins[0], y = coins[2] - coins[0];
    const QTransform vers_monde(x.x() / source.width(), x.y() / source.width(), y.x() / source.height(),
                                y.y() / source.height(), 0, 0);
    const QPointF decalage = o - vers_monde.map(source.topLeft());
    const QTransform t = vers_monde * QTransform::fromTranslate(decalage.x(), decalage.y()) * complete();
    if (!raisonnable(t.mapRect(source)) || !t.isInvertible())
        return;
    QImage dessin = img->bitmap;
    QRectF partie = source;
    if (dessin.isNull()) {
        // A metafile: drawn at the size it takes on the picture, at most a few times the picture.
        if (objets_lus_.profondeur >= profondeur_metafichiers_maximale)
            return;
        const QRectF cible = t.mapRect(source);
        const double echelle = std::min(std::max(cible.width() / source.width(), cible.height() / source.height()),
                                        4.0 * (d_.taille_image().width() + d_.taille_image().height())
                                            / std::max(img->taille.width(), img->taille.height()));
        const QSize taille(gdi::entier_borne(img->taille.width() * echelle, 1, 1 << 14),
                           gdi::entier_borne(img->taille.height() * echelle, 1, 1 << 14));
        dessin = rendre_metafichier_transparent(img->metafichier, taille, objets_lus_.profondeur + 1);
        if (dessin.isNull())
            return;
        const double sx = double(taille.width()) / img->taille.width(), sy = double(taille.height()) / img->taille.height();
        partie = QRectF(source.left() * sx, source.top() * sy, source.width() * sx, source.height() * sy);
    }
    QPainter& p = d_.peintre();
    p.setTransform(t);
    p.setRenderHint(QPainter::SmoothPixmapTransform, lisse_);
    p.drawImage(source, dessin, partie);
}

// Text in a symbol font (Symbol, Wingdings...) turned into the characters its codes stand for, and
// the fonts that draw them. Characters above U+FFFF come out as a pair of units: a string placed
// character by character keeps one unit per code (those become U+25A1, a white square).
void symboliser(QFont& police, QString& s, bool un_par_code = false)
{
    const symboles::Jeu jeu = symboles::jeu(police.family());
    if (jeu == symboles::Jeu::Aucun)
        return;
    if (un_par_code) {
        for (QChar& c : s) {
            const char32_t u = symboles::unicode(jeu, c.unicode());
            c = u > 0xFFFF ? QChar(0x25A1) : QChar(char16_t(u));
        }
    } else {
        s = symboles::texte(jeu, s);
    }
    police.setFamilies(symboles::familles_dessin());
}

std::optional<QFont> Lecteur::police_a(quint32 id, double echelle) const
{
    const auto it = polices_.find(id & 0xFF);
    if (it == polices_.end())
        return std::nullopt;
    // The font size counts in its own unit, under the world transform for world units.
    const PoliceEmfPlus& pe = it->second;
    const double px = pe.unite == 0 ? pe.taille * echelle : pe.taille * facteur(pe.unite) * pixel_appareil();
    if (!std::isfinite(px) || px < 0.3 || px > 4.0 * (d_.taille_image().width() + d_.taille_image().height()))
        return std::nullopt;
    QFont police = pe.police;
    police.setPixelSize(gdi::entier_borne(px, 1, 1 << 20));
    return police;
}

// Text from the top-left corner of its layout rectangle.
void Lecteur::texte(const Octets& o, quint16 drapeaux)
{
    const qint64 n = o.u32(20);
    const QRectF cadre(o.f32(24), o.f32(28), o.f32(32), o.f32(36));
    if (n <= 0 || n > 100000 || !o.contient(40, n * 2))
        return;
    QString s;
    for (qint64 i = 0; i < n; ++i)
        s.append(QChar(o.u16(40 + 2 * i)));
    const QTransform t = complete();
    const QPointF origine = t.map(cadre.topLeft());
    const QPointF ux = t.map(cadre.topLeft() + QPointF(1, 0)) - origine;
    auto police = police_a(drapeaux, std::hypot(ux.x(), ux.y()));
    if (!police || !raisonnable(QRectF(origine, QSizeF(1, 1))))
        return;
    symboliser(*police, s);
    QPainter& p = d_.peintre();
    QTransform position;
    position.translate(origine.x(), origine.y());
    position.rotate(qRadiansToDegrees(std::atan2(ux.y(), ux.x())));
    p.setTransform(position);
    p.setFont(*police);
    QPen pen;
    pen.setBrush(brosse(o.u32(12), drapeaux & 0x8000).qt);
    p.setPen(pen);
    const QFontMetricsF m(*police);
    p.drawText(QPointF(0, m.ascent()), s);
}

// Characters each at its own baseline point (DrawDriverString). Codes that are the font's glyph
// numbers rather than characters cannot be drawn without that very font: they are skipped.
void Lecteur::caracteres_places(const Octets& o, quint16 drapeaux)
{
    const quint32 options = o.u32(16);
    const qint64 n = o.u32(24);
    if (!(options & 0x01) || n <= 0 || n > 100000 || !o.contient(28, n * 10))
        return;
    const QPolygonF positions = lire_points(o, 28 + n * 2, n, false);
    QTransform t = complete();
    if (o.u32(20) && o.contient(28 + n * 10, 24)) { // a transform of the text's own
        const QTransform propre = lire_matrice(o, 28 + n * 10);
        if (propre.isInvertible())
            t = propre * t;
    }
    const QPointF ux = t.map(QPointF(1, 0)) - t.map(QPointF(0, 0));
    auto police = police_a(drapeaux, std::hypot(ux.x(), ux.y()));
    if (!police || positions.size() != n || !raisonnable(t.mapRect(positions.boundingRect())))
        return;
    QString s;
    for (qint64 i = 0; i < n; ++i)
        s.append(QChar(o.u16(28 + 2 * i)));
    symboliser(*police, s, true);
    QPainter& p = d_.peintre();
    p.setFont(*police);
    QPen pen;
    pen.setBrush(brosse(o.u32(12), drapeaux & 0x8000).qt);
    p.setPen(pen);
    const QFontMetricsF m(*police);
    QPointF point = positions.value(0);
    for (qint64 i = 0; i < n; ++i) {
        const QString c(s[i]);
        if (!(options & 0x04) || i == 0) // with realized advances, only the first point is given
            point = positions[i];
        const QPointF ici = t.map(point);
        QTransform position = QTransform::fromTranslate(ici.x(), ici.y());
        position.rotate(qRadiansToDegrees(std::atan2(ux.y(), ux.x())));
        p.setTransform(position);
        p.drawText(QPointF(0, 0), c);
        point += QPointF(m.horizontalAdvance(c) / std::max(std::hypot(ux.x(), ux.y()), 1e-9), 0);
    }
}

void Lecteur::enregistrement(const Octets& o, quint16 type, quint16 drapeaux)
{
    const bool compresses = drapeaux & 0x4000;
    const bool couleur = drapeaux & 0x8000;
    switch (type) {
    case 0x4001: // header: the reference device's dots per inch
        if (o.u32(20) > 0 && o.u32(20) < 100000)
            ppp_ = o.u32(20);
        break;
    case 0x4008: objet_recu(o, drapeaux); break;
    case 0x400A: case 0x400B: { // FillRects, DrawRects
        const qint64 base = type == 0x400A ? 16 : 12;
        const qint64 n = o.u32(base), pas = compresses ? 8 : 16;
        if (n <= 0 || n > 1'000'000 || !o.contient(base + 4, n * pas))
            break;
        QPainterPath c;
        for (qint64 i = 0; i < n; ++i) {
            const qint64 q = base + 4 + i * pas;
            c.addRect(compresses ? QRectF(o.i16(q), o.i16(q + 2), o.i16(q + 4), o.i16(q + 6))
                                 : QRectF(o.f32(q), o.f32(q + 4), o.f32(q + 8), o.f32(q + 12)));
        }
        if (type == 0x400A)
            remplir(c, brosse(o.u32(12), couleur));
        else
            tracer(c, drapeaux);
        break;
    }
    case 0x400C: { // FillPolygon
        const QPolygonF points = lire_points(o, 20, o.u32(16), compresses);
        QPainterPath c;
        c.addPolygon(points);
        c.closeSubpath();
        remplir(c, brosse(o.u32(12), couleur));
        break;
    }
    case 0x400D: case 0x4019: case 0x4018: { // DrawLines, DrawBeziers, DrawCurve (as lines)
        const qint64 base = type == 0x4018 ? 24 : 12;
        const QPolygonF points = lire_points(o, base + 4, o.u32(base), compresses);
        if (points.size() < 2)
            break;
        QPainterPath c(points[0]);
        if (type == 0x4019) {
            for (qsizetype i = 1; i + 2 < points.size(); i += 3)
                c.cubicTo(points[i], points[i + 1], points[i + 2]);
        } else {
            for (qsizetype i = 1; i < points.size(); ++i)
                c.lineTo(points[i]);
            if (type == 0x400D && (drapeaux & 0x2000))
                c.closeSubpath();
        }
        tracer(c, drapeaux);
        break;
    }
    case 0x4016: case 0x4017: { // FillClosedCurve, DrawClosedCurve (as polygons)
        const qint64 base = type == 0x4016 ? 20 : 16;
        QPainterPath c;
        c.addPolygon(lire_points(o, base + 4, o.u32(base), compresses));
        c.closeSubpath();
        if (type == 0x4016)
            remplir(c, brosse(o.u32(12), couleur));
        else
            tracer(c, drapeaux);
        break;
    }
    case 0x400E: case 0x400F: { // FillEllipse, DrawEllipse
        const qint64 q = type == 0x400E ? 16 : 12;
        const QRectF r = compresses ? QRectF(o.i16(q), o.i16(q + 2), o.i16(q + 4), o.i16(q + 6))
                                    : QRectF(o.f32(q), o.f32(q + 4), o.f32(q + 8), o.f32(q + 12));
        QPainterPath c;
        c.addEllipse(r);
        if (type == 0x400E)
            remplir(c, brosse(o.u32(12), couleur));
        else
            tracer(c, drapeaux);
        break;
    }
    case 0x4010: case 0x4011: case 0x4012: { // FillPie, DrawPie, DrawArc
        const qint64 q = type == 0x4010 ? 16 : 12;
        const double debut = o.f32(q), balayage = std::clamp(o.f32(q + 4), -3600.0, 3600.0);
        const qint64 rq = q + 8;
        const QRectF r = compresses ? QRectF(o.i16(rq), o.i16(rq + 2), o.i16(rq + 4), o.i16(rq + 6))
                                    : QRectF(o.f32(rq), o.f32(rq + 4), o.f32(rq + 8), o.f32(rq + 12));
        QPainterPath c;
        // EMF+ angles turn clockwise, Qt's anticlockwise.
        if (type == 0x4012) {
            c.arcMoveTo(r, -debut);
            c.arcTo(r, -debut, -balayage);
            tracer(c, drapeaux);
        } else {
            c.moveTo(r.center());
            c.arcTo(r, -debut, -balayage);
            c.closeSubpath();
            if (type == 0x4010)
                remplir(c, brosse(o.u32(12), couleur));
            else
                tracer(c, drapeaux);
        }
        break;
    }
    case 0x4014: case 0x4015: { // FillPath, DrawPath
        const auto it = objets_.find(drapeaux & 0xFF);
        if (it == objets_.end() || !std::holds_alternative<QPainterPath>(it->second))
            break;
        const QPainterPath& c = std::get<QPainterPath>(it->second);
        if (type == 0x4014)
            remplir(c, brosse(o.u32(12), couleur));
        else
            tracer(c, o.u32(12));
        break;
    }
    case 0x4013: // FillRegion
        if (const auto* r = objet<Region>(drapeaux))
            remplir(chemin_de(*r, complete()), brosse(o.u32(12), couleur));
        break;
    case 0x401A: case 0x401B: { // DrawImage, DrawImagePoints: attributes, source unit and rectangle
        const QRectF source(o.f32(20), o.f32(24), o.f32(28), o.f32(32));
        QPolygonF coins;
        if (type == 0x401A) {
            const QRectF r = compresses ? QRectF(o.i16(36), o.i16(38), o.i16(40), o.i16(42))
                                        : QRectF(o.f32(36), o.f32(40), o.f32(44), o.f32(48));
            coins << r.topLeft() << r.topRight() << r.bottomLeft();
        } else if (o.u32(36) == 3 && !(drapeaux & 0x0800)) { // three points; relative ones are not read
            coins = lire_points(o, 40, 3, compresses);
        }
        if (coins.size() == 3)
            image(drapeaux, o.u32(16), source, coins);
        break;
    }
    case 0x401C: texte(o, drapeaux); break;
    case 0x4036: caracteres_places(o, drapeaux); break;

    // Transforms.
    case 0x4030: // SetPageTransform
        unite_page_ = drapeaux & 0xFF;
        echelle_page_ = o.f32(12) > 0 ? o.f32(12) : 1;
        break;
    case 0x402A: case 0x402C: {
        const QTransform t(o.f32(12), o.f32(16), o.f32(20), o.f32(24), o.f32(28), o.f32(32));
        if (type == 0x402A)
            monde_ = t;
        else
            monde_ = (drapeaux & 0x2000) ? monde_ * t : t * monde_;
        break;
    }
    case 0x402B: monde_ = QTransform(); break;
    case 0x402D: case 0x402E: case 0x402F: {
        QTransform t;
        if (type == 0x402D)
            t.translate(o.f32(12), o.f32(16));
        else if (type == 0x402E)
            t.scale(o.f32(12), o.f32(16));
        else
            t.rotate(o.f32(12));
        monde_ = (drapeaux & 0x2000) ? monde_ * t : t * monde_;
        break;
    }
    case 0x4021: lisse_ = (drapeaux & 0xFF) != 5; break; // SetInterpolationMode: 5 is the nearest pixel
    case 0x4025: case 0x4027: case 0x4028: { // Save, BeginContainer, BeginContainerNoParams
        if (sauvegardes_.size() >= 10000)
            break;
        sauvegardes_.emplace_back(o.u32(type == 0x4027 ? 44 : 12), etat());
        if (type == 0x4027) { // the container's source rectangle falls on its destination rectangle
            const QRectF cible(o.f32(12), o.f32(16), o.f32(20), o.f32(24)), source(o.f32(28), o.f32(32), o.f32(36), o.f32(40));
            if (source.width() != 0 && source.height() != 0)
                monde_ = QTransform::fromTranslate(-source.left(), -source.top())
                    * QTransform::fromScale(cible.width() / source.width(), cible.height() / source.height())
                    * QTransform::fromTranslate(cible.left(), cible.top()) * monde_;
        }
        break;
    }
    case 0x4026: case 0x4029: { // Restore, EndContainer: the states kept after that one go too
        const quint32 indice = o.u32(12);
        const auto it = std::find_if(sauvegardes_.rbegin(), sauvegardes_.rend(), [&](const auto& e) { return e.first == indice; });
        if (it != sauvegardes_.rend()) {
            retablir(it->second);
            sauvegardes_.erase(std::prev(it.base()), sauvegardes_.end());
        }
        break;
    }

    // Clipping.
    case 0x4031: d_.peintre().setClipping(false); break; // ResetClip
    case 0x4032: { // SetClipRect
        QPainterPath c;
        c.addRect(QRectF(o.f32(12), o.f32(16), o.f32(20), o.f32(24)));
        decouper(c, (drapeaux >> 8) & 0xF);
        break;
    }
    case 0x4033: { // SetClipPath
        const auto it = objets_.find(drapeaux & 0xFF);
        if (it != objets_.end() && std::holds_alternative<QPainterPath>(it->second))
            decouper(std::get<QPainterPath>(it->second), (drapeaux >> 8) & 0xF);
        break;
    }
    case 0x4034: // SetClipRegion
        if (const auto* r = objet<Region>(drapeaux))
            decouper(chemin_de(*r, complete()), (drapeaux >> 8) & 0xF);
        break;
    case 0x4035: { // OffsetClip, in world units
        QPainter& p = d_.peintre();
        if (p.hasClipping()) {
            const QTransform t = complete();
            const QPointF d = t.map(QPointF(o.f32(12), o.f32(16))) - t.map(QPointF(0, 0));
            if (std::isfinite(d.x()) && std::isfinite(d.y()) && std::abs(d.x()) < 1e6 && std::abs(d.y()) < 1e6) {
                const QPainterPath zone = p.transform().map(p.clipPath()).translated(d);
                p.setTransform(QTransform());
                p.setClipPath(zone);
            }
        }
        break;
    }
    default: break;
    }
    // Keep the world transforms sane: a degenerate or huge one stops nothing but draws nothing.
    const double m[] = {monde_.m11(), monde_.m12(), monde_.m21(), monde_.m22(), monde_.dx(), monde_.dy()};
    for (double v : m)
        if (!std::isfinite(v) || std::abs(v) > 1e9) {
            monde_ = QTransform();
            break;
        }
}

} // namespace

struct Lecture::Detail {
    std::unique_ptr<Lecteur> lecteur;
};

Lecture::Lecture(gdi::Dessin& dessin, int profondeur) : detail_(std::make_unique<Detail>())
{
    detail_->lecteur = std::make_unique<Lecteur>(dessin, 96, profondeur);
}

Lecture::~Lecture() = default;

void Lecture::commentaire(const Octets& r)
{
    // EMR_COMMENT: size of the data, then "EMF+", then the EMF+ records.
    const qint64 taille = r.u32(8);
    if (!r.contient(12, taille) || taille < 4 || r.u32(12) != 0x2B464D45)
        return;
    const Octets donnees = r.sous(16, taille - 4);
    qint64 p = 0;
    while (donnees.contient(p, 12)) {
        const quint16 type = donnees.u16(p), drapeaux = donnees.u16(p + 2);
        const qint64 longueur = donnees.u32(p + 4);
        if (longueur < 12 || !donnees.contient(p, longueur))
            break;
        detail_->lecteur->enregistrement(donnees.sous(p, longueur), type, drapeaux);
        p += longueur;
    }
}

bool seulement_emfplus(const Octets& f)
{
    // An EMF+ header in a comment, and no GDI record that draws or sets up drawing.
    bool emfplus = false;
    qint64 p = f.u32(4);
    while (f.contient(p, 8)) {
        const quint32 type = f.u32(p), taille = f.u32(p + 4);
        if (taille < 8 || !f.contient(p, taille))
            break;
        if (type == 70 && f.u32(p + 12) == 0x2B464D45)
            emfplus = true;
        else if (type != 70 && type != 14 && type != 17 && type != 98 && type != 115 && type != 33 && type != 34
                 && type != 9 && type != 10 && type != 11 && type != 12 && type != 35 && type != 36 && type != 58
                 && type != 18 && type != 19 && type != 21 && type != 22 && type != 24 && type != 25)
            return false;
        p += taille;
    }
    return emfplus;
}

} // namespace emfplus
