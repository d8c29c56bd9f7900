// EMF+ records, drawn only for files that hold no GDI drawing beside them (where both exist, the
// GDI twins are drawn and the EMF+ comments skipped). Objects: solid, hatch and linear-gradient
// brushes, pens, paths and fonts; records: rectangles, polygons, lines, ellipses, arcs, pies, paths,
// Béziers, strings, world and page transforms, clipping, save and restore. Images are skipped.
// Offsets are checked by Octets as everywhere else.

#include "picture/emfplus.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QtMath>

#include <cmath>
#include <map>
#include <variant>

namespace emfplus {

namespace {

struct Plume {
    QPen pen;
    double largeur = 1; // world units
    QBrush brosse;
};

using Objet = std::variant<std::monostate, QBrush, Plume, QPainterPath, QFont>;

QColor argb(quint32 v) { return QColor(qRed(v), qGreen(v), qBlue(v), qAlpha(v)); }

QPolygonF lire_points(const Octets& o, qint64 p, qint64 n, bool compresses);
QPainterPath lire_chemin(const Octets& o, qint64 p);

// A path gradient: the centre colour at its centre point, fading to the mean of the surrounding
// colours at the boundary (its points, or its path) farthest from the centre.
QBrush degrade_de_chemin(const Octets& o, qint64 p)
{
    const quint32 drapeaux = o.u32(p + 8);
    const QColor centre = argb(o.u32(p + 16));
    const QPointF c(o.f32(p + 20), o.f32(p + 24));
    const qint64 n = o.u32(p + 28);
    if (n < 1 || n > 100'000 || !o.contient(p + 32, n * 4) || !std::isfinite(c.x()) || !std::isfinite(c.y()))
        return QBrush(centre);
    double r = 0, g = 0, b = 0, a = 0;
    for (qint64 i = 0; i < n; ++i) {
        const QColor s = argb(o.u32(p + 32 + 4 * i));
        r += s.red(), g += s.green(), b += s.blue(), a += s.alpha();
    }
    const QColor autour(int(r / n), int(g / n), int(b / n), int(a / n));
    const qint64 q = p + 32 + n * 4;
    QPolygonF bord;
    if (drapeaux & 0x01)
        bord = lire_chemin(o, q + 4).toFillPolygon();
    else
        bord = lire_points(o, q + 4, o.u32(q), false);
    double rayon = 0;
    for (const QPointF& point : std::as_const(bord))
        rayon = std::max(rayon, std::hypot(point.x() - c.x(), point.y() - c.y()));
    if (!(rayon > 0) || !std::isfinite(rayon))
        return QBrush(centre);
    QRadialGradient degrade(c, rayon);
    degrade.setColorAt(0, centre);
    degrade.setColorAt(1, autour);
    return QBrush(degrade);
}

QBrush lire_brosse(const Octets& o, qint64 p)
{
    const quint32 type = o.u32(p + 4);
    switch (type) {
    case 0: return QBrush(argb(o.u32(p + 8)));
    case 1: return QBrush(argb(o.u32(p + 12)), Qt::DiagCrossPattern);
    case 4: { // linear gradient: flags, wrap, rectangle, start and end colours
        const QRectF r(o.f32(p + 16), o.f32(p + 20), o.f32(p + 24), o.f32(p + 28));
        QLinearGradient g(r.topLeft(), r.topRight());
        g.setColorAt(0, argb(o.u32(p + 32)));
        g.setColorAt(1, argb(o.u32(p + 36)));
        return QBrush(g);
    }
    case 3: return degrade_de_chemin(o, p);
    default: return QBrush(Qt::gray);
    }
}

Plume lire_plume(const Octets& o, qint64 p)
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
    plume.brosse = lire_brosse(o, q);
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

QFont lire_police(const Octets& o, qint64 p, double& taille, quint32& unite)
{
    taille = o.f32(p + 4);
    unite = o.u32(p + 8);
    const quint32 style = o.u32(p + 12);
    const qint64 n = std::min<qint64>(o.u32(p + 20), 64);
    QString nom;
    for (qint64 i = 0; i < n && o.contient(p + 24 + 2 * i, 2); ++i)
        nom.append(QChar(o.u16(p + 24 + 2 * i)));
    QFont f(nom);
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
    Lecteur(gdi::Dessin& dessin, double ppp) : d_(dessin), ppp_(ppp > 0 ? ppp : 96) {}

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
    QBrush brosse(quint32 valeur, bool couleur) const
    {
        if (couleur)
            return QBrush(argb(valeur));
        const auto it = objets_.find(valeur & 0xFF);
        if (it != objets_.end())
            if (const auto* b = std::get_if<QBrush>(&it->second))
                return *b;
        return QBrush(Qt::black);
    }
    void remplir(const QPainterPath& c, const QBrush& b)
    {
        const QTransform t = complete();
        if (!raisonnable(t.mapRect(c.controlPointRect())))
            return;
        QPainter& p = d_.peintre();
        p.setTransform(t);
        p.fillPath(c, b);
    }
    void tracer(const QPainterPath& c, quint32 id_plume)
    {
        const auto it = objets_.find(id_plume & 0xFF);
        if (it == objets_.end() || !std::holds_alternative<Plume>(it->second))
            return;
        const Plume& plume = std::get<Plume>(it->second);
        const QTransform t = complete();
        if (!raisonnable(t.mapRect(c.controlPointRect())))
            return;
        QPen pen = plume.pen;
        pen.setBrush(plume.brosse);
        const double echelle = std::sqrt(std::abs(t.determinant()));
        pen.setWidthF(std::clamp(plume.largeur * echelle, 1.0, 2.0 * (d_.taille_image().width() + d_.taille_image().height())));
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
    void texte(const Octets& o, quint16 drapeaux);

    gdi::Dessin& d_;
    double ppp_;
    QTransform monde_;
    quint32 unite_page_ = 2;
    double echelle_page_ = 1;
    std::map<quint32, Objet> objets_;
    std::map<quint32, PoliceEmfPlus> polices_;
    std::map<quint32, std::pair<QTransform, std::pair<quint32, double>>> sauvegardes_;
    // An object too large for one record arrives in several; those are skipped.
};

void Lecteur::texte(const Octets& o, quint16 drapeaux)
{
    const auto it = polices_.find(drapeaux & 0xFF);
    if (it == polices_.end())
        return;
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
    const double echelle = std::hypot(ux.x(), ux.y());
    // The font size counts in its own unit, under the world transform for world units.
    const PoliceEmfPlus& pe = it->second;
    const double px = pe.unite == 0 ? pe.taille * echelle
                                    : pe.taille * facteur(pe.unite) * std::sqrt(std::abs(d_.appareil().determinant()));
    if (!std::isfinite(px) || px < 0.3 || px > 4.0 * (d_.taille_image().width() + d_.taille_image().height())
        || !raisonnable(QRectF(origine, QSizeF(1, 1))))
        return;
    QFont police = pe.police;
    police.setPixelSize(gdi::entier_borne(px, 1, 1 << 20));
    QPainter& p = d_.peintre();
    QTransform position;
    position.translate(origine.x(), origine.y());
    position.rotate(qRadiansToDegrees(std::atan2(ux.y(), ux.x())));
    p.setTransform(position);
    p.setFont(police);
    QPen pen;
    pen.setBrush(brosse(o.u32(12), drapeaux & 0x8000));
    p.setPen(pen);
    const QFontMetricsF m(police);
    p.drawText(QPointF(0, m.ascent()), s);
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
    case 0x4008: { // object
        if (drapeaux & 0x8000) // continued over several records: not read
            break;
        const quint32 id = drapeaux & 0xFF;
        switch ((drapeaux >> 8) & 0x7F) {
        case 1: objets_[id] = lire_brosse(o, 12); break;
        case 2: objets_[id] = lire_plume(o, 12); break;
        case 3: objets_[id] = lire_chemin(o, 12); break;
        case 6: {
            PoliceEmfPlus pe;
            pe.police = lire_police(o, 12, pe.taille, pe.unite);
            polices_[id] = pe;
            objets_[id] = pe.police;
            break;
        }
        default: objets_[id] = std::monostate{}; break;
        }
        break;
    }
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
    case 0x401C: texte(o, drapeaux); break;

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
    case 0x4025: case 0x4027: case 0x4028: // Save, BeginContainer, BeginContainerNoParams
        if (sauvegardes_.size() < 10000)
            sauvegardes_[o.u32(type == 0x4027 ? 44 : 12)] = {monde_, {unite_page_, echelle_page_}};
        break;
    case 0x4026: case 0x4029: { // Restore, EndContainer
        const auto it = sauvegardes_.find(o.u32(12));
        if (it != sauvegardes_.end()) {
            monde_ = it->second.first;
            unite_page_ = it->second.second.first;
            echelle_page_ = it->second.second.second;
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

Lecture::Lecture(gdi::Dessin& dessin) : detail_(std::make_unique<Detail>())
{
    detail_->lecteur = std::make_unique<Lecteur>(dessin, 96);
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
