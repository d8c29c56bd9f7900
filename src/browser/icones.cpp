#include "browser/icones.h"

#include <QFont>
#include <QFontMetricsF>
#include <QIconEngine>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <utility>

namespace {

// Every picture is designed on a 32 x 32 grid and drawn into a square of any side.
constexpr qreal unites = 32.0;

// Maps grid units onto a square of `cote` device pixels. Straight edges are snapped to whole
// pixels so that outlines stay sharp at 16, 24, 48 px and beyond, not only at 32 px.
class Grille {
public:
    explicit Grille(qreal cote)
        : cote_(cote)
        , k_(cote / unites)
    {
    }

    qreal cote() const { return cote_; }
    // A free coordinate, for curves.
    qreal operator()(qreal u) const { return u * k_; }
    // A coordinate snapped to the nearest pixel boundary, for straight edges.
    qreal net(qreal u) const { return std::round(u * k_); }
    // A rectangle whose four edges lie on pixel boundaries.
    QRectF rect(qreal x, qreal y, qreal l, qreal h) const
    {
        return QRectF(QPointF(net(x), net(y)), QPointF(net(x + l), net(y + h)));
    }
    // A line width in whole pixels, never thinner than `mini`.
    qreal trait(qreal u, qreal mini = 1.0) const { return std::max(mini, std::round(u * k_)); }

private:
    qreal cote_;
    qreal k_;
};

using Dessin = std::function<void(QPainter&, qreal cote)>;

QColor melange(const QColor& a, const QColor& b, qreal part_b)
{
    const qreal part_a = 1.0 - part_b;
    return QColor::fromRgbF(static_cast<float>(a.redF() * part_a + b.redF() * part_b),
                            static_cast<float>(a.greenF() * part_a + b.greenF() * part_b),
                            static_cast<float>(a.blueF() * part_a + b.blueF() * part_b),
                            static_cast<float>(a.alphaF() * part_a + b.alphaF() * part_b));
}

QColor plus_clair(const QColor& c, qreal part) { return melange(c, Qt::white, part); }
QColor plus_sombre(const QColor& c, qreal part) { return melange(c, Qt::black, part); }

QPen plume(const QColor& couleur, qreal largeur, Qt::PenJoinStyle jointure = Qt::MiterJoin,
           Qt::PenCapStyle bout = Qt::SquareCap)
{
    QPen p(couleur, largeur, Qt::SolidLine, bout, jointure);
    p.setMiterLimit(3);
    return p;
}

// Greys a picture out for the disabled state: colourless, lighter and half transparent.
QImage eteinte(QImage image)
{
    image = std::move(image).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = ligne[x];
            const int gris = 96 + qGray(c) * 5 / 8;
            ligne[x] = qRgba(gris, gris, gris, qAlpha(c) * 11 / 20);
        }
    }
    return image;
}

// Paints one picture at whatever size is asked, and keeps the results in Qt's pixmap cache.
class MoteurDessine final : public QIconEngine {
public:
    MoteurDessine(QString nom, Dessin dessin)
        : nom_(std::move(nom))
        , dessin_(std::move(dessin))
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const int cote = std::min(rect.width(), rect.height());
        if (cote <= 0)
            return;
        // Drawn one to one in device pixels: the logical target is `cote`, the source `cote * ratio`.
        const int physique = static_cast<int>(std::lround(cote * ratio));
        const QPixmap image = pixmap(QSize(physique, physique), mode, state);
        const QRectF cible(rect.x() + (rect.width() - cote) / 2.0, rect.y() + (rect.height() - cote) / 2.0,
                           cote, cote);
        painter->drawPixmap(cible, image, QRectF(image.rect()));
    }

    QSize actualSize(const QSize& taille, QIcon::Mode, QIcon::State) override
    {
        const int cote = std::min(taille.width(), taille.height());
        return {cote, cote};
    }

    QPixmap pixmap(const QSize& taille, QIcon::Mode mode, QIcon::State) override
    {
        const int cote = std::min(taille.width(), taille.height());
        if (cote <= 0)
            return {};
        const bool grise = mode == QIcon::Disabled;
        const QString cle = QStringLiteral("imagora/%1/%2/%3").arg(nom_).arg(cote).arg(grise ? 'd' : 'n');
        QPixmap resultat;
        if (QPixmapCache::find(cle, &resultat))
            return resultat;

        QImage image(cote, cote, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            dessin_(p, cote);
        }
        resultat = QPixmap::fromImage(grise ? eteinte(std::move(image)) : std::move(image));
        QPixmapCache::insert(cle, resultat);
        return resultat;
    }

    QIconEngine* clone() const override { return new MoteurDessine(*this); }
    QString key() const override { return QStringLiteral("MoteurDessine"); }
    bool isNull() override { return !dessin_; }

private:
    MoteurDessine(const MoteurDessine&) = default;

    QString nom_;
    Dessin dessin_;
};

QIcon icone_dessinee(const QString& nom, Dessin dessin)
{
    return QIcon(new MoteurDessine(nom, std::move(dessin))); // QIcon owns its engine
}

// ---------------------------------------------------------------------------------------------
// Small glyphs placed on the picture-type pages. Each fills the given zone (device pixels).

void glyphe_pixels(QPainter& p, const QRectF& zone, const QColor& couleur)
{
    // A 4 x 4 block of enlarged pixels in four shades; framed when the cells are big enough.
    constexpr int n = 4;
    const qreal cote = std::min(zone.width(), zone.height());
    const qreal bord = cote >= 14 ? std::max(1.0, std::round(cote / 24)) : 0.0;
    const qreal case_ = std::floor((cote - 2 * bord) / n);
    if (case_ < 1)
        return;
    const qreal total = case_ * n + 2 * bord;
    const qreal x0 = std::round(zone.center().x() - total / 2);
    const qreal y0 = std::round(zone.center().y() - total / 2);
    const std::array<QColor, 4> teintes{plus_clair(couleur, 0.85), plus_clair(couleur, 0.45), couleur,
                                        plus_sombre(couleur, 0.45)};
    static constexpr std::array<int, n * n> motif{0, 1, 2, 3, 1, 0, 3, 2, 2, 3, 0, 1, 3, 2, 1, 0};
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    if (bord > 0)
        p.fillRect(QRectF(x0, y0, total, total), plus_sombre(couleur, 0.5));
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            const QColor& teinte = teintes[static_cast<std::size_t>(motif[static_cast<std::size_t>(r * n + c)])];
            p.fillRect(QRectF(x0 + bord + c * case_, y0 + bord + r * case_, case_, case_), teinte);
        }
    }
    p.restore();
}

void glyphe_paysage(QPainter& p, const QRectF& zone, const QColor& couleur)
{
    // A little photograph: sky, sun and hills, 4:3.
    qreal l = zone.width();
    qreal h = std::round(l * 3 / 4);
    if (h > zone.height()) {
        h = zone.height();
        l = std::round(h * 4 / 3);
    }
    const QRectF photo(std::round(zone.center().x() - l / 2), std::round(zone.center().y() - h / 2), l, h);
    const qreal trait = std::max(1.0, std::round(l / 16));

    p.save();
    p.setClipRect(photo);
    QLinearGradient ciel(photo.topLeft(), photo.bottomLeft());
    ciel.setColorAt(0, QColor(0x4f, 0x9d, 0xe8));
    ciel.setColorAt(1, QColor(0xc4, 0xe4, 0xfb));
    p.fillRect(photo, ciel);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xcc, 0x33));
    const qreal rayon = std::max(1.2, h * 0.16);
    p.drawEllipse(QPointF(photo.left() + l * 0.72, photo.top() + h * 0.3), rayon, rayon);
    QPainterPath loin;
    loin.moveTo(photo.left(), photo.bottom());
    loin.lineTo(photo.left() + l * 0.3, photo.top() + h * 0.35);
    loin.lineTo(photo.left() + l * 0.62, photo.bottom() - h * 0.1);
    loin.lineTo(photo.left(), photo.bottom());
    p.setBrush(QColor(0x2f, 0x8a, 0x3e));
    p.drawPath(loin);
    QPainterPath pres;
    pres.moveTo(photo.left() + l * 0.3, photo.bottom());
    pres.lineTo(photo.left() + l * 0.68, photo.top() + h * 0.55);
    pres.lineTo(photo.right(), photo.top() + h * 0.8);
    pres.lineTo(photo.right(), photo.bottom());
    pres.closeSubpath();
    p.setBrush(QColor(0x5c, 0xb8, 0x4a));
    p.drawPath(pres);
    p.setClipping(false);
    p.setBrush(Qt::NoBrush);
    p.setPen(plume(plus_sombre(couleur, 0.45), trait));
    p.drawRect(photo.adjusted(trait / 2, trait / 2, -trait / 2, -trait / 2));
    p.restore();
}

void glyphe_film(QPainter& p, const QRectF& zone, const QColor& couleur)
{
    // A strip of film with a play triangle: a moving picture.
    qreal l = std::round(std::min(zone.width(), zone.height() * 1.25));
    qreal h = std::round(std::min(zone.height(), l * 0.85));
    const QRectF film(std::round(zone.center().x() - l / 2), std::round(zone.center().y() - h / 2), l, h);
    const qreal bande = std::max(1.0, std::round(h * 0.2));
    const QColor sombre(0x2a, 0x2e, 0x36);

    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(film, sombre);
    const QRectF vue = film.adjusted(0, bande, 0, -bande);
    p.fillRect(vue, plus_clair(couleur, 0.25));
    // Sprocket holes along both strips.
    const int trous = l >= 14 ? 5 : 3;
    const qreal pas = l / trous;
    const qreal trou = std::max(1.0, std::round(pas * 0.45));
    const qreal haut_trou = std::max(1.0, bande - (bande >= 3 ? 2 : 1));
    for (int i = 0; i < trous; ++i) {
        const qreal x = std::round(film.left() + pas * (i + 0.5) - trou / 2);
        const qreal marge = std::round((bande - haut_trou) / 2);
        p.fillRect(QRectF(x, film.top() + marge, trou, haut_trou), QColor(0xf4, 0xf4, 0xf4));
        p.fillRect(QRectF(x, film.bottom() - bande + marge, trou, haut_trou), QColor(0xf4, 0xf4, 0xf4));
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal t = vue.height() * 0.8;
    const QPointF c = vue.center();
    const std::array<QPointF, 3> triangle{QPointF(c.x() - t * 0.38, c.y() - t / 2), QPointF(c.x() + t * 0.5, c.y()),
                                          QPointF(c.x() - t * 0.38, c.y() + t / 2)};
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(triangle.data(), static_cast<int>(triangle.size()));
    p.restore();
}

void glyphe_vecteur(QPainter& p, const QRectF& zone, const QColor& couleur, bool enrichi)
{
    // A curved arch between two square nodes, with its tangent handles when there is room.
    const qreal s = std::min(zone.width(), zone.height());
    const qreal l = std::min(zone.width(), s * 1.2);
    const QRectF z(zone.center().x() - l / 2, zone.center().y() - s / 2, l, s);
    const qreal noeud = std::max(3.0, std::round(s * 0.24));
    const qreal trait = std::max(1.0, s / 10);
    const QPointF a(z.left() + noeud / 2, z.bottom() - noeud / 2);
    const QPointF b(z.right() - noeud / 2, z.bottom() - noeud / 2);
    const qreal rp = std::max(1.3, noeud * 0.3);
    const QPointF ca(z.left() + l * 0.2, z.top() + rp);
    const QPointF cb(z.right() - l * 0.2, z.top() + rp);
    const QColor sombre = plus_sombre(couleur, 0.35);
    QPainterPath courbe(a);
    courbe.cubicTo(ca, cb, b);

    p.save();
    if (enrichi) {
        // The enhanced format also carries filled shapes: the arch is filled.
        p.setPen(Qt::NoPen);
        p.setBrush(plus_clair(couleur, 0.45));
        p.drawPath(courbe);
    }
    if (s >= 10) {
        p.setPen(plume(couleur, std::max(1.0, std::round(trait * 0.6)), Qt::RoundJoin, Qt::FlatCap));
        p.drawLine(a, ca);
        p.drawLine(b, cb);
        p.setPen(Qt::NoPen);
        p.setBrush(couleur);
        p.drawEllipse(ca, rp, rp);
        p.drawEllipse(cb, rp, rp);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(plume(sombre, trait, Qt::RoundJoin, Qt::RoundCap));
    p.drawPath(courbe);
    const qreal tn = std::max(1.0, std::round(noeud / 4));
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const QPointF& n : {a, b}) {
        const QRectF carre(std::round(n.x() - noeud / 2), std::round(n.y() - noeud / 2), noeud, noeud);
        p.fillRect(carre, sombre);
        p.fillRect(carre.adjusted(tn, tn, -tn, -tn), Qt::white);
    }
    p.restore();
}

void glyphe_fleche(QPainter& p, const QRectF& zone, const QColor&)
{
    // The classic arrow pointer, 11 x 18 in its own units.
    static constexpr std::array<std::pair<qreal, qreal>, 7> forme{
        {{0, 0}, {0, 15}, {3.6, 11.6}, {6.2, 17.4}, {8.4, 16.4}, {5.9, 10.8}, {10.6, 10.8}}};
    const qreal k = std::min(zone.height() / 18.0, zone.width() / 11.0);
    const QPointF origine(zone.center().x() - 5.6 * k, zone.center().y() - 8.8 * k);
    QPolygonF fleche;
    for (const auto& [x, y] : forme)
        fleche << origine + QPointF(x * k, y * k);
    p.save();
    p.setPen(plume(Qt::white, std::max(1.0, k * 1.1), Qt::MiterJoin));
    p.setBrush(QColor(0x1b, 0x1f, 0x26));
    p.drawPolygon(fleche);
    p.restore();
}

void etoile(QPainter& p, const QPointF& centre, qreal rayon, const QColor& couleur)
{
    QPolygonF points;
    for (int i = 0; i < 10; ++i) {
        const qreal r = (i % 2 == 0) ? rayon : rayon * 0.45;
        const qreal angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        points << centre + QPointF(r * std::cos(angle), r * std::sin(angle));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(couleur);
    p.drawPolygon(points);
}

void glyphe_tuile(QPainter& p, const QRectF& zone, const QColor& couleur)
{
    // A small application icon: a rounded tile with a star.
    const qreal s = std::round(std::min(zone.width(), zone.height()));
    const QRectF tuile(std::round(zone.center().x() - s / 2), std::round(zone.center().y() - s / 2), s, s);
    const qreal trait = std::max(1.0, std::round(s / 14));
    QLinearGradient fond(tuile.topLeft(), tuile.bottomLeft());
    fond.setColorAt(0, plus_clair(couleur, 0.3));
    fond.setColorAt(1, plus_sombre(couleur, 0.15));
    p.save();
    p.setPen(plume(plus_sombre(couleur, 0.5), trait, Qt::RoundJoin));
    p.setBrush(fond);
    const qreal r = s * 0.22;
    p.drawRoundedRect(tuile.adjusted(trait / 2, trait / 2, -trait / 2, -trait / 2), r, r);
    etoile(p, tuile.center() + QPointF(0, s * 0.04), s * 0.36, QColor(0xff, 0xe0, 0x4a));
    p.restore();
}

// ---------------------------------------------------------------------------------------------
// Picture-type pages.

enum class Glyphe { Pixels, Vecteur, VecteurEnrichi, Paysage, Film, Fleche, Tuile };

struct TypeImage {
    const char* sigle;
    QRgb couleur;
    Glyphe glyphe;
};

constexpr std::array<TypeImage, 15> types{{
    {"BMP", 0x2560c8, Glyphe::Pixels},
    {"WMF", 0x3a9a2c, Glyphe::Vecteur},
    {"JPG", 0xe37b16, Glyphe::Paysage},
    {"EMF", 0x7d48c4, Glyphe::VecteurEnrichi},
    {"GIF", 0xd2337e, Glyphe::Film},
    {"CUR", 0x4c5666, Glyphe::Fleche},
    {"DIB", 0xcc2e2e, Glyphe::Pixels},
    {"ICO", 0x0d8fa0, Glyphe::Tuile},
    {"PNG", 0x5b8c1a, Glyphe::Pixels},
    {"TIF", 0x8d5b34, Glyphe::Paysage},
    {"WEBP", 0x3f51b5, Glyphe::Paysage},
    {"HEIC", 0xc99a06, Glyphe::Paysage},
    {"AVIF", 0x00897b, Glyphe::Paysage},
    {"JXL", 0xb0304f, Glyphe::Paysage},
    {"SVG", 0xe64a19, Glyphe::Vecteur},
}};

void dessiner_glyphe(QPainter& p, Glyphe g, const QRectF& zone, const QColor& couleur)
{
    switch (g) {
    case Glyphe::Pixels: glyphe_pixels(p, zone, couleur); break;
    case Glyphe::Vecteur: glyphe_vecteur(p, zone, couleur, false); break;
    case Glyphe::VecteurEnrichi: glyphe_vecteur(p, zone, couleur, true); break;
    case Glyphe::Paysage: glyphe_paysage(p, zone, couleur); break;
    case Glyphe::Film: glyphe_film(p, zone, couleur); break;
    case Glyphe::Fleche: glyphe_fleche(p, zone, couleur); break;
    case Glyphe::Tuile: glyphe_tuile(p, zone, couleur); break;
    }
}

// Writes `texte` in bold capitals whose height fills `zone`, centred, and squeezed to its width if need be.
void ecrire_sigle(QPainter& p, const QRectF& zone, const QString& texte, const QColor& couleur)
{
    QFont police(QStringLiteral("DejaVu Sans"));
    police.setStyleHint(QFont::SansSerif);
    police.setWeight(QFont::Bold);
    police.setHintingPreference(QFont::PreferVerticalHinting);
    // All labels share one size and one baseline, measured on plain capitals (the J of JPG dips lower).
    const QString capitales = QStringLiteral("HXE");
    // Hinting makes the height of capitals jump from one pixel size to the next: take the largest
    // size whose ink still fits, starting from capitals about three quarters of the em.
    int taille = std::max(4, static_cast<int>(std::ceil(zone.height() / 0.7)) + 1);
    for (; taille > 4; --taille) {
        police.setPixelSize(taille);
        if (QFontMetricsF(police).tightBoundingRect(capitales).height() <= zone.height() + 0.25)
            break;
    }
    police.setPixelSize(taille);
    const QFontMetricsF mesures(police);
    const QRectF encre = mesures.tightBoundingRect(texte);
    const QRectF reference = mesures.tightBoundingRect(capitales);
    const qreal echelle = encre.width() > zone.width() ? zone.width() / encre.width() : 1.0;
    p.save();
    p.setFont(police);
    p.setPen(couleur);
    p.translate(zone.center().x(), std::round(zone.center().y() - reference.center().y()));
    p.scale(echelle, 1.0);
    p.drawText(QPointF(-encre.center().x(), 0), texte);
    p.restore();
}

void dessiner_page(QPainter& p, qreal cote, const TypeImage& type)
{
    const Grille g(cote);
    const QColor couleur(type.couleur);
    const bool avec_sigle = cote >= 30;
    const qreal t = g.trait(1.0);
    const qreal d = t / 2;

    const qreal gauche = g.net(avec_sigle ? 5 : 4);
    const qreal droite = g.net(avec_sigle ? 27 : 28);
    const qreal haut = g.net(1);
    const qreal bas = g.net(31);
    const qreal pli = g.net(avec_sigle ? 7 : 8);

    QPainterPath page;
    page.moveTo(gauche + d, haut + d);
    page.lineTo(droite - pli, haut + d);
    page.lineTo(droite - d, haut + pli);
    page.lineTo(droite - d, bas - d);
    page.lineTo(gauche + d, bas - d);
    page.closeSubpath();

    QLinearGradient fond(0, haut, 0, bas);
    fond.setColorAt(0, Qt::white);
    fond.setColorAt(1, plus_clair(couleur, 0.82));
    p.setPen(plume(plus_sombre(couleur, 0.3), t, Qt::MiterJoin));
    p.setBrush(fond);
    p.drawPath(page);

    // The folded corner.
    QPainterPath coin;
    coin.moveTo(droite - pli, haut + d);
    coin.lineTo(droite - pli, haut + pli);
    coin.lineTo(droite - d, haut + pli);
    coin.closeSubpath();
    p.setPen(plume(plus_sombre(couleur, 0.3), t, Qt::MiterJoin));
    p.setBrush(plus_clair(couleur, 0.35));
    p.drawPath(coin);

    if (avec_sigle) {
        const QRectF zone(QPointF(g.net(8), g.net(8)), QPointF(g.net(24), g.net(21)));
        dessiner_glyphe(p, type.glyphe, zone, couleur);

        const QRectF bande(QPointF(g.net(1), g.net(22)), QPointF(droite, g.net(30)));
        QLinearGradient teinte(bande.topLeft(), bande.bottomLeft());
        teinte.setColorAt(0, plus_clair(couleur, 0.12));
        teinte.setColorAt(1, plus_sombre(couleur, 0.12));
        p.setPen(Qt::NoPen);
        p.setBrush(teinte);
        p.drawRoundedRect(bande, g(1.2), g(1.2));
        ecrire_sigle(p, bande.adjusted(g(1.5), g(1.1), -g(1.5), -g(1.1)), QString::fromLatin1(type.sigle), Qt::white);
    } else {
        // Inside the page, below the fold, one pixel clear of the outline.
        const QRectF zone(QPointF(gauche + t + 1, g.net(10)), QPointF(droite - t - 1, bas - t - 1));
        dessiner_glyphe(p, type.glyphe, zone, couleur);
    }
}

// ---------------------------------------------------------------------------------------------
// View and sort buttons: dark pictograms for a light button face.

constexpr QRgb encre_bouton = 0x27303b;

void bouton_grandes_icones(QPainter& p, qreal cote)
{
    const Grille g(cote);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const qreal y : {3.0, 17.0}) {
        for (const qreal x : {3.0, 17.0}) {
            const QRectF carre = g.rect(x, y, 12, 12);
            p.fillRect(carre, QColor(encre_bouton));
            const qreal t = g.trait(2.0);
            if (carre.width() > 2 * t + 1)
                p.fillRect(carre.adjusted(t, t, -t, -t), QColor(0x7f, 0xa8, 0xd8));
        }
    }
}

void bouton_petites_icones(QPainter& p, qreal cote)
{
    // Two columns of small icons, each followed by its short name.
    const Grille g(cote);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const qreal y : {4.0, 14.0, 24.0}) {
        for (const qreal x : {2.0, 17.0}) {
            p.fillRect(g.rect(x, y, 6, 6), QColor(encre_bouton));
            p.fillRect(g.rect(x + 8, y + 2, 5, 2), QColor(encre_bouton));
        }
    }
}

void bouton_liste(QPainter& p, qreal cote)
{
    const Grille g(cote);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const qreal y : {3.0, 10.5, 18.0, 25.5}) {
        p.fillRect(g.rect(3, y, 4, 4), QColor(encre_bouton));
        p.fillRect(g.rect(10, y + 1, 19, 2), QColor(encre_bouton));
    }
}

void bouton_details(QPainter& p, qreal cote)
{
    const Grille g(cote);
    p.setRenderHint(QPainter::Antialiasing, false);
    const qreal t = g.trait(1.5);
    const QRectF cadre = g.rect(2, 3, 28, 26);
    p.fillRect(cadre, QColor(encre_bouton));
    p.fillRect(cadre.adjusted(t, t, -t, -t), Qt::white);
    // Header row.
    p.fillRect(g.rect(2, 3, 28, 6.5), QColor(encre_bouton));
    // Column separator.
    const qreal colonne = g.net(13);
    p.fillRect(QRectF(colonne, cadre.top(), t, cadre.height()), QColor(encre_bouton));
    // Rows of text.
    for (const qreal y : {13.0, 18.5, 24.0}) {
        p.fillRect(g.rect(5, y, 5.5, 2), QColor(encre_bouton));
        p.fillRect(g.rect(16, y, 11, 2), QColor(encre_bouton));
    }
}

// Draws a capital A or Z in the box (x, y, l, h) of the grid; horizontal strokes are pixel-snapped.
void lettre(QPainter& p, const Grille& g, QChar c, qreal x, qreal y, qreal l, qreal h)
{
    const QColor encre(encre_bouton);
    const qreal t = g.trait(2.2);
    const qreal gauche = g.net(x);
    const qreal droite = g.net(x + l);
    const qreal haut = g.net(y);
    const qreal bas = g.net(y + h);
    QPainterPath trace;
    if (c == u'A') {
        const qreal milieu = (gauche + droite) / 2;
        trace.moveTo(gauche + t * 0.55, bas);
        trace.lineTo(milieu, haut + t * 0.55);
        trace.lineTo(droite - t * 0.55, bas);
        p.setBrush(Qt::NoBrush);
        p.setPen(plume(encre, t * 1.1, Qt::MiterJoin, Qt::FlatCap));
        p.drawPath(trace);
        const qreal barre = std::round(haut + (bas - haut) * 0.62);
        const qreal retrait = (droite - gauche) * 0.22;
        p.fillRect(QRectF(QPointF(std::round(gauche + retrait), barre), QPointF(std::round(droite - retrait), barre + t)),
                   encre);
    } else {
        p.fillRect(QRectF(QPointF(gauche, haut), QPointF(droite, haut + t)), encre);
        p.fillRect(QRectF(QPointF(gauche, bas - t), QPointF(droite, bas)), encre);
        trace.moveTo(droite - t * 0.5, haut + t);
        trace.lineTo(gauche + t * 0.5, bas - t);
        p.setBrush(Qt::NoBrush);
        p.setPen(plume(encre, t * 1.2, Qt::MiterJoin, Qt::FlatCap));
        p.drawPath(trace);
    }
}

void bouton_tri(QPainter& p, qreal cote, bool croissant)
{
    const Grille g(cote);
    lettre(p, g, croissant ? u'A' : u'Z', 2, 2, 12, 12);
    lettre(p, g, croissant ? u'Z' : u'A', 2, 18, 12, 12);
    // The arrow points down, in reading order: from the first letter to the last.
    const qreal t = g.trait(2.5);
    const qreal x = g.net(23) + ((static_cast<int>(t) % 2) ? 0.5 : 0.0);
    p.setPen(plume(QColor(encre_bouton), t, Qt::MiterJoin, Qt::FlatCap));
    p.drawLine(QPointF(x, g.net(2)), QPointF(x, g.net(22)));
    const std::array<QPointF, 3> pointe{QPointF(x - g(6.5), g.net(20)), QPointF(x + g(6.5), g.net(20)),
                                        QPointF(x, g.net(30))};
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(encre_bouton));
    p.drawPolygon(pointe.data(), static_cast<int>(pointe.size()));
}

// ---------------------------------------------------------------------------------------------
// Folders.

constexpr QRgb dossier_trait = 0xa06c12;
constexpr QRgb dossier_fond = 0xe8a82c;

void dossier_dos(QPainter& p, const Grille& g, qreal t)
{
    const qreal d = t / 2;
    QPainterPath dos;
    dos.moveTo(g.net(2) + d, g.net(5) + d);
    dos.lineTo(g.net(11), g.net(5) + d);
    dos.lineTo(g.net(14), g.net(8) + d);
    dos.lineTo(g.net(30) - d, g.net(8) + d);
    dos.lineTo(g.net(30) - d, g.net(28) - d);
    dos.lineTo(g.net(2) + d, g.net(28) - d);
    dos.closeSubpath();
    p.setPen(plume(QColor(dossier_trait), t, Qt::RoundJoin));
    p.setBrush(QColor(dossier_fond));
    p.drawPath(dos);
}

void dossier_ferme(QPainter& p, qreal cote)
{
    const Grille g(cote);
    const qreal t = g.trait(1.0);
    const qreal d = t / 2;
    dossier_dos(p, g, t);
    const QRectF face = g.rect(2, 11, 28, 17).adjusted(d, d, -d, -d);
    QLinearGradient teinte(face.topLeft(), face.bottomLeft());
    teinte.setColorAt(0, QColor(0xff, 0xe0, 0x7a));
    teinte.setColorAt(1, QColor(0xf6, 0xbd, 0x3e));
    p.setPen(plume(QColor(dossier_trait), t, Qt::RoundJoin));
    p.setBrush(teinte);
    p.drawRoundedRect(face, g(0.8), g(0.8));
    if (cote >= 24) {
        p.setPen(plume(QColor(255, 255, 255, 150), t));
        p.drawLine(QPointF(face.left() + t, face.top() + t * 1.5), QPointF(face.right() - t, face.top() + t * 1.5));
    }
}

void dossier_ouvert(QPainter& p, qreal cote)
{
    const Grille g(cote);
    const qreal t = g.trait(1.0);
    const qreal d = t / 2;
    dossier_dos(p, g, t);
    // A sheet of paper inside.
    const QRectF feuille = g.rect(5, 10, 21, 12).adjusted(d, d, -d, -d);
    p.setPen(plume(QColor(0x9a, 0x9a, 0x9a), t));
    p.setBrush(Qt::white);
    p.drawRect(feuille);
    // The front flap, tilted open.
    QPainterPath rabat;
    rabat.moveTo(g.net(7) + d, g.net(15) + d);
    rabat.lineTo(g.net(31.5) - d, g.net(15) + d);
    rabat.lineTo(g.net(27) - d, g.net(28) - d);
    rabat.lineTo(g.net(2) + d, g.net(28) - d);
    rabat.closeSubpath();
    QLinearGradient teinte(0, g(15), 0, g(28));
    teinte.setColorAt(0, QColor(0xff, 0xe4, 0x86));
    teinte.setColorAt(1, QColor(0xf6, 0xbd, 0x3e));
    p.setPen(plume(QColor(dossier_trait), t, Qt::RoundJoin));
    p.setBrush(teinte);
    p.drawPath(rabat);
}

// ---------------------------------------------------------------------------------------------
// Drives.

// A flat box seen slightly from above: top face, front face, and a light on the front.
void boitier(QPainter& p, const Grille& g, qreal haut, qreal profondeur, const QColor& couleur)
{
    const qreal t = g.trait(1.0);
    const qreal d = t / 2;
    const QColor trait = plus_sombre(couleur, 0.55);
    const qreal milieu = g.net(haut + profondeur);
    const qreal bas = g.net(29);

    QPainterPath dessus;
    dessus.moveTo(g.net(7) + d, g.net(haut) + d);
    dessus.lineTo(g.net(25) - d, g.net(haut) + d);
    dessus.lineTo(g.net(30) - d, milieu);
    dessus.lineTo(g.net(2) + d, milieu);
    dessus.closeSubpath();
    QLinearGradient clair(0, g(haut), 0, milieu);
    clair.setColorAt(0, plus_clair(couleur, 0.7));
    clair.setColorAt(1, plus_clair(couleur, 0.35));
    p.setPen(plume(trait, t, Qt::RoundJoin));
    p.setBrush(clair);
    p.drawPath(dessus);

    const QRectF face(QPointF(g.net(2) + d, milieu), QPointF(g.net(30) - d, bas - d));
    QLinearGradient teinte(face.topLeft(), face.bottomLeft());
    teinte.setColorAt(0, couleur);
    teinte.setColorAt(1, plus_sombre(couleur, 0.25));
    p.setBrush(teinte);
    p.drawRoundedRect(face, g(1.2), g(1.2));

    // Ventilation slots and the activity light.
    const qreal y = std::round(face.center().y());
    if (g.cote() >= 24) {
        p.setPen(plume(plus_sombre(couleur, 0.45), t, Qt::MiterJoin, Qt::FlatCap));
        for (const qreal x : {5.0, 8.0, 11.0}) {
            const qreal xn = g.net(x) + d;
            p.drawLine(QPointF(xn, y - g(2)), QPointF(xn, y + g(2)));
        }
    }
    {
        const qreal r = std::max(1.2, g(2));
        QRadialGradient lumiere(QPointF(g(25), y), r);
        lumiere.setColorAt(0, QColor(0xb8, 0xff, 0x9a));
        lumiere.setColorAt(1, QColor(0x2e, 0xb8, 0x2e));
        p.setPen(Qt::NoPen);
        p.setBrush(lumiere);
        p.drawEllipse(QPointF(g(25), y), r, r);
    }
}

void lecteur_racine(QPainter& p, qreal cote)
{
    const Grille g(cote);
    boitier(p, g, 9, 7, QColor(0x8c, 0x96, 0xa3));
}

void lecteur_volume(QPainter& p, qreal cote)
{
    const Grille g(cote);
    boitier(p, g, 16, 5, QColor(0x3f, 0x7f, 0xc4));
    // The eject sign above the box: this one can be removed.
    const QColor encre(encre_bouton);
    const qreal base = g.net(9);
    const std::array<QPointF, 3> triangle{QPointF(g(16), g(0.5)), QPointF(g.net(25), base), QPointF(g.net(7), base)};
    p.setPen(Qt::NoPen);
    p.setBrush(encre);
    p.drawPolygon(triangle.data(), static_cast<int>(triangle.size()));
    const qreal barre = g.net(11);
    p.fillRect(QRectF(QPointF(g.net(7), barre), QPointF(g.net(25), barre + g.trait(3))), encre);
}

void lecteur_personnel(QPainter& p, qreal cote)
{
    const Grille g(cote);
    const qreal t = g.trait(1.0);
    const qreal d = t / 2;
    const QColor trait(0x5a, 0x3a, 0x22);

    // Walls.
    const QRectF murs = g.rect(6, 14, 20, 16).adjusted(d, d, -d, -d);
    QLinearGradient crepi(murs.topLeft(), murs.bottomLeft());
    crepi.setColorAt(0, QColor(0xfb, 0xf1, 0xdc));
    crepi.setColorAt(1, QColor(0xea, 0xd6, 0xae));
    p.setPen(plume(trait, t));
    p.setBrush(crepi);
    p.drawRect(murs);
    // Chimney, then the roof over it.
    p.setBrush(QColor(0xa8, 0x4a, 0x2e));
    p.drawRect(g.rect(21, 4, 4, 8).adjusted(d, d, -d, -d));
    QPainterPath toit;
    toit.moveTo(g(16), g(2));
    toit.lineTo(g(31), g(16));
    toit.lineTo(g(1), g(16));
    toit.closeSubpath();
    QLinearGradient tuiles(0, g(2), 0, g(16));
    tuiles.setColorAt(0, QColor(0xe8, 0x5a, 0x3a));
    tuiles.setColorAt(1, QColor(0xc0, 0x3a, 0x22));
    p.setPen(plume(QColor(0x7a, 0x22, 0x12), t, Qt::RoundJoin));
    p.setBrush(tuiles);
    p.drawPath(toit);
    // Door.
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRectF porte(QPointF(g.net(13.5), g.net(20)), QPointF(g.net(18.5), murs.bottom() + d - t));
    p.fillRect(porte, QColor(0x7a, 0x4a, 0x26));
    // Window.
    if (cote >= 24) {
        const QRectF fenetre = g.rect(20.5, 19, 4, 4);
        p.fillRect(fenetre, QColor(0x5a, 0xa8, 0xe8));
    }
}

// ---------------------------------------------------------------------------------------------
// The program's icon: a gilded frame around a landscape.

QPainterPath nuage(const QPointF& centre, qreal largeur)
{
    const qreal u = largeur / 10;
    QPainterPath forme;
    forme.addRoundedRect(QRectF(centre.x() - 5 * u, centre.y(), 10 * u, 2.6 * u), 1.3 * u, 1.3 * u);
    QPainterPath bosse;
    bosse.addEllipse(QPointF(centre.x() - 1.6 * u, centre.y() + 0.4 * u), 2.2 * u, 2.2 * u);
    bosse.addEllipse(QPointF(centre.x() + 1.6 * u, centre.y() + 0.6 * u), 1.7 * u, 1.7 * u);
    return forme.united(bosse.simplified());
}

void dessiner_programme(QPainter& p, qreal cote)
{
    const Grille g(cote);
    const bool grand = cote >= 48;
    const bool tres_grand = cote >= 96;
    const QRectF cadre = g.rect(1, 3, 30, 26);
    const qreal bord = std::max(2.0, std::round(g(3.5)));
    const qreal r = g(1.6);

    if (grand) {
        // A soft shadow under the frame.
        p.setPen(Qt::NoPen);
        for (int i = 3; i >= 1; --i) {
            p.setBrush(QColor(0, 0, 0, 16));
            p.drawRoundedRect(cadre.translated(0, g(0.3) * i).adjusted(-g(0.15) * i, 0, g(0.15) * i, 0), r, r);
        }
    }

    // The gilded frame, lit from the top left.
    QLinearGradient or_(cadre.topLeft(), cadre.bottomRight());
    or_.setColorAt(0, QColor(0xfb, 0xdc, 0x7a));
    or_.setColorAt(0.35, QColor(0xe0, 0xa4, 0x38));
    or_.setColorAt(0.7, QColor(0xb8, 0x76, 0x1c));
    or_.setColorAt(1, QColor(0x8a, 0x52, 0x10));
    p.setPen(Qt::NoPen);
    p.setBrush(or_);
    p.drawRoundedRect(cadre, r, r);

    const QRectF tableau = cadre.adjusted(bord, bord, -bord, -bord);
    if (grand) {
        // Moulding: a raised ridge along the middle of the frame, then the bevel down to the picture.
        if (cote >= 64) {
            const qreal m = bord * 0.42;
            const QRectF arete = cadre.adjusted(m, m, -m, -m);
            p.setBrush(Qt::NoBrush);
            p.setPen(plume(QColor(255, 244, 200, 170), std::max(1.0, g(0.45)), Qt::RoundJoin));
            p.drawRoundedRect(arete.translated(-g(0.15), -g(0.15)), r * 0.5, r * 0.5);
            p.setPen(plume(QColor(110, 60, 10, 140), std::max(1.0, g(0.3)), Qt::RoundJoin));
            p.drawRoundedRect(arete.translated(g(0.2), g(0.2)), r * 0.5, r * 0.5);
        }

        const qreal biseau = std::max(1.0, bord * 0.28);
        const QRectF exterieur = tableau.adjusted(-biseau, -biseau, biseau, biseau);
        // Top and left faces of the bevel are in shade, bottom and right catch the light.
        QPainterPath ombre;
        ombre.moveTo(exterieur.bottomLeft());
        ombre.lineTo(exterieur.topLeft());
        ombre.lineTo(exterieur.topRight());
        ombre.lineTo(tableau.topRight());
        ombre.lineTo(tableau.topLeft());
        ombre.lineTo(tableau.bottomLeft());
        ombre.closeSubpath();
        QPainterPath lumiere;
        lumiere.moveTo(exterieur.topRight());
        lumiere.lineTo(exterieur.bottomRight());
        lumiere.lineTo(exterieur.bottomLeft());
        lumiere.lineTo(tableau.bottomLeft());
        lumiere.lineTo(tableau.bottomRight());
        lumiere.lineTo(tableau.topRight());
        lumiere.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x7a, 0x46, 0x0c));
        p.drawPath(ombre);
        p.setBrush(QColor(0xf6, 0xd0, 0x78));
        p.drawPath(lumiere);
    }

    p.save();
    p.setClipRect(tableau);
    QLinearGradient ciel(tableau.topLeft(), tableau.bottomLeft());
    ciel.setColorAt(0, QColor(0x2f, 0x80, 0xd8));
    ciel.setColorAt(0.65, QColor(0xb4, 0xdc, 0xfa));
    ciel.setColorAt(1, QColor(0xe6, 0xf4, 0xff));
    p.fillRect(tableau, ciel);

    const qreal l = tableau.width();
    const qreal h = tableau.height();
    const auto en = [&](qreal fx, qreal fy) { return QPointF(tableau.left() + l * fx, tableau.top() + h * fy); };

    // The sun with its glow.
    const QPointF soleil = en(0.74, 0.3);
    const qreal rs = h * 0.15;
    p.setPen(Qt::NoPen);
    if (grand) {
        QRadialGradient halo(soleil, rs * 2.8);
        halo.setColorAt(0, QColor(255, 250, 215, 210));
        halo.setColorAt(1, QColor(255, 250, 215, 0));
        p.setBrush(halo);
        p.drawEllipse(soleil, rs * 2.8, rs * 2.8);
    }
    QRadialGradient disque(soleil - QPointF(rs * 0.3, rs * 0.3), rs * 1.3);
    disque.setColorAt(0, QColor(0xff, 0xf0, 0x80));
    disque.setColorAt(1, QColor(0xff, 0xc2, 0x20));
    p.setBrush(disque);
    p.drawEllipse(soleil, rs, rs);

    if (tres_grand) {
        p.setBrush(QColor(255, 255, 255, 230));
        p.drawPath(nuage(en(0.3, 0.13), l * 0.22));
        p.setBrush(QColor(255, 255, 255, 190));
        p.drawPath(nuage(en(0.9, 0.5), l * 0.14));
    }

    // Distant mountains, then the green hills in front.
    QPainterPath montagnes;
    montagnes.moveTo(en(-0.05, 1));
    montagnes.lineTo(en(0.3, 0.3));
    montagnes.lineTo(en(0.45, 0.55));
    montagnes.lineTo(en(0.58, 0.4));
    montagnes.lineTo(en(0.95, 1));
    montagnes.closeSubpath();
    QLinearGradient roche(en(0, 0.3), en(0, 1));
    roche.setColorAt(0, QColor(0x5e, 0x72, 0xa6));
    roche.setColorAt(1, QColor(0x3a, 0x4a, 0x7c));
    p.setBrush(roche);
    p.drawPath(montagnes);
    if (grand) {
        // Shaded east faces and snow on the peaks.
        QPainterPath versant;
        versant.moveTo(en(0.3, 0.3));
        versant.lineTo(en(0.45, 0.55));
        versant.lineTo(en(0.4, 0.75));
        versant.closeSubpath();
        versant.moveTo(en(0.58, 0.4));
        versant.lineTo(en(0.95, 1));
        versant.lineTo(en(0.6, 0.8));
        versant.closeSubpath();
        p.setBrush(QColor(0x2a, 0x36, 0x62, 110));
        p.drawPath(versant);
        QPainterPath neige;
        neige.moveTo(en(0.3, 0.3));
        neige.lineTo(en(0.365, 0.4));
        neige.lineTo(en(0.33, 0.39));
        neige.lineTo(en(0.305, 0.43));
        neige.lineTo(en(0.275, 0.39));
        neige.lineTo(en(0.245, 0.41));
        neige.closeSubpath();
        neige.moveTo(en(0.58, 0.4));
        neige.lineTo(en(0.625, 0.47));
        neige.lineTo(en(0.595, 0.46));
        neige.lineTo(en(0.565, 0.49));
        neige.lineTo(en(0.545, 0.455));
        neige.closeSubpath();
        p.setBrush(QColor(0xf6, 0xf9, 0xff));
        p.drawPath(neige);
    }
    if (grand) {
        QPainterPath fond;
        fond.moveTo(en(0.2, 1.05));
        fond.cubicTo(en(0.5, 0.62), en(0.75, 0.6), en(1.05, 0.66));
        fond.lineTo(en(1.05, 1.05));
        fond.closeSubpath();
        p.setBrush(QColor(0x4e, 0x9e, 0x3c));
        p.drawPath(fond);
    }
    QPainterPath colline;
    colline.moveTo(en(-0.05, 1.05));
    colline.lineTo(en(-0.05, 0.76));
    colline.cubicTo(en(0.3, 0.62), en(0.6, 0.7), en(1.05, 0.74));
    colline.lineTo(en(1.05, 1.05));
    colline.closeSubpath();
    QLinearGradient herbe(en(0, 0.62), en(0, 1));
    herbe.setColorAt(0, QColor(0x86, 0xd2, 0x52));
    herbe.setColorAt(1, QColor(0x2f, 0x85, 0x2e));
    p.setBrush(herbe);
    p.drawPath(colline);
    if (tres_grand) {
        // A path winding down the hill.
        QPainterPath chemin;
        chemin.moveTo(en(0.5, 0.69));
        chemin.cubicTo(en(0.62, 0.78), en(0.3, 0.86), en(0.42, 1.02));
        chemin.lineTo(en(0.54, 1.02));
        chemin.cubicTo(en(0.42, 0.86), en(0.7, 0.78), en(0.52, 0.69));
        chemin.closeSubpath();
        p.setBrush(QColor(0xe8, 0xd6, 0x9a));
        p.drawPath(chemin);
    }
    p.restore();

    // A thin dark line where the picture meets the frame gives it depth.
    const qreal t = std::max(1.0, std::round(g(0.5)));
    p.setPen(plume(QColor(0x5a, 0x32, 0x06), t));
    p.setBrush(Qt::NoBrush);
    p.drawRect(tableau.adjusted(-t / 2, -t / 2, t / 2, t / 2));
    if (grand) {
        p.setPen(plume(QColor(0x6a, 0x3c, 0x0a), std::max(1.0, g(0.35)), Qt::RoundJoin));
        p.drawRoundedRect(cadre.adjusted(g(0.18), g(0.18), -g(0.18), -g(0.18)), r, r);
    }
}

// ---------------------------------------------------------------------------------------------
// Cursors.

constexpr int cote_curseur = 32;

QPixmap toile_curseur(const std::function<void(QPainter&)>& dessin)
{
    QImage image(cote_curseur, cote_curseur, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        dessin(p);
    }
    return QPixmap::fromImage(std::move(image));
}

void dessiner_loupe(QPainter& p)
{
    const QPointF centre(12.5, 12.5); // the middle of pixel (12, 12): the hot spot
    const qreal rayon = 8.5;
    const QPointF debut_manche = centre + QPointF(rayon + 0.5, rayon + 0.5) * 0.7071;
    const QPointF fin_manche(28.5, 28.5);
    const QColor noir(0x1b, 0x1f, 0x26);

    // White halo first so the pointer shows on dark pictures too.
    p.setBrush(Qt::NoBrush);
    p.setPen(plume(Qt::white, 8.5, Qt::RoundJoin, Qt::RoundCap));
    p.drawLine(debut_manche, fin_manche);
    p.setPen(plume(Qt::white, 5.5));
    p.drawEllipse(centre, rayon, rayon);
    // The glass.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd8, 0xec, 0xff, 150));
    p.drawEllipse(centre, rayon, rayon);
    // Handle and rim.
    p.setPen(plume(noir, 5, Qt::RoundJoin, Qt::RoundCap));
    p.drawLine(debut_manche, fin_manche);
    p.setPen(plume(noir, 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, rayon, rayon);
    // A glint on the glass.
    p.setPen(plume(QColor(255, 255, 255, 230), 1.5, Qt::RoundJoin, Qt::RoundCap));
    p.drawArc(QRectF(centre.x() - 5.5, centre.y() - 5.5, 11, 11), 100 * 16, 60 * 16);
    // A plus sign marks the exact point.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(9, 12, 7, 1), noir);
    p.fillRect(QRect(12, 9, 1, 7), noir);
}

void dessiner_main(QPainter& p)
{
    // A right hand pointing up; the tip of the index finger is the hot spot. Edges sit on pixel
    // centres so that the one-pixel outline stays sharp.
    const auto doigt = [](qreal gauche, qreal haut, qreal droite) {
        QPainterPath d;
        const qreal r = (droite - gauche) / 2;
        d.addRoundedRect(QRectF(QPointF(gauche, haut), QPointF(droite, 24)), r, r);
        return d;
    };
    QPainterPath main = doigt(9.5, 0.5, 14.5);
    main = main.united(doigt(14.5, 9.5, 19.5));
    main = main.united(doigt(19.5, 11.5, 24));
    main = main.united(doigt(24, 14.5, 27.5));
    QPainterPath paume;
    paume.moveTo(9.5, 16);
    paume.lineTo(27.5, 18);
    paume.lineTo(27.5, 23);
    paume.cubicTo(27.5, 26, 25.5, 28.5, 24.5, 30.5);
    paume.lineTo(13.5, 30.5);
    paume.cubicTo(12.5, 28.5, 11, 27, 9.5, 25.5);
    paume.closeSubpath();
    main = main.united(paume);
    // The thumb, lying along the palm and pointing up and out.
    QPainterPath pouce;
    pouce.addRoundedRect(QRectF(0, -2.25, 10.5, 4.5), 2.25, 2.25);
    QTransform pose;
    pose.translate(11.5, 25);
    pose.rotate(-130);
    main = main.united(pose.map(pouce));

    const QColor noir(0x1b, 0x1f, 0x26);
    p.setPen(plume(noir, 1.0, Qt::RoundJoin, Qt::RoundCap));
    p.setBrush(Qt::white);
    p.drawPath(main);
    // Creases between the folded fingers.
    p.drawLine(QPointF(14.5, 12.5), QPointF(14.5, 17.5));
    p.drawLine(QPointF(19.5, 14), QPointF(19.5, 18.5));
    p.drawLine(QPointF(24, 16.5), QPointF(24, 19.5));
}

} // namespace

QIcon icone_type(int numero)
{
    if (numero < 1 || numero > static_cast<int>(types.size()))
        return {};
    const TypeImage type = types[static_cast<std::size_t>(numero - 1)];
    return icone_dessinee(QStringLiteral("type-%1").arg(numero),
                          [type](QPainter& p, qreal cote) { dessiner_page(p, cote, type); });
}

QIcon icone_affichage(int index)
{
    switch (index) {
    case 0: return icone_dessinee(QStringLiteral("vue-grandes-icones"), bouton_grandes_icones);
    case 1: return icone_dessinee(QStringLiteral("vue-petites-icones"), bouton_petites_icones);
    case 2: return icone_dessinee(QStringLiteral("vue-liste"), bouton_liste);
    case 3: return icone_dessinee(QStringLiteral("vue-details"), bouton_details);
    case 4: return icone_dessinee(QStringLiteral("tri-croissant"), [](QPainter& p, qreal c) { bouton_tri(p, c, true); });
    case 5: return icone_dessinee(QStringLiteral("tri-decroissant"), [](QPainter& p, qreal c) { bouton_tri(p, c, false); });
    default: return {};
    }
}

QIcon icone_dossier(bool ouvert)
{
    return ouvert ? icone_dessinee(QStringLiteral("dossier-ouvert"), dossier_ouvert)
                  : icone_dessinee(QStringLiteral("dossier-ferme"), dossier_ferme);
}

QIcon icone_lecteur(TypeLecteur type)
{
    switch (type) {
    case TypeLecteur::Racine: return icone_dessinee(QStringLiteral("lecteur-racine"), lecteur_racine);
    case TypeLecteur::Personnel: return icone_dessinee(QStringLiteral("lecteur-personnel"), lecteur_personnel);
    case TypeLecteur::Volume: return icone_dessinee(QStringLiteral("lecteur-volume"), lecteur_volume);
    }
    return {};
}

QIcon icone_programme()
{
    return icone_dessinee(QStringLiteral("programme"), dessiner_programme);
}

QCursor curseur_apercu()
{
    return QCursor(toile_curseur(dessiner_loupe), 12, 12);
}

QCursor curseur_option()
{
    return QCursor(toile_curseur(dessiner_main), 12, 0);
}
