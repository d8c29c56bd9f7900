// EMF records onto gdi::Dessin. Offsets below are from the start of each record; every field read
// lies inside the record (Octets checks each read, and the decoders check sizes and counts first).

#include "picture/contenu.h"
#include "picture/emfplus.h"
#include "picture/gdi.h"
#include "picture/metafichier.h"

#include <QRegion>

#include <cmath>

namespace emf {

namespace {

using gdi::Dessin;

// The widest margin put around the frame for the strokes on its edges, as a share of its longer side.
constexpr double marge_maximale = 0.05;

struct Entete {
    QRectF cadre_appareil; // the frame, in device units
    QSizeF pixels_par_mm;
    quint32 objets = 0;
    QSize naturelle;
};

std::optional<Entete> lire_entete(const Octets& f)
{
    if (!f.contient(0, 88) || f.u32(0) != 1 || f.u32(40) != 0x464D4520)
        return std::nullopt;
    const quint32 taille = f.u32(4);
    if (taille < 88 || !f.contient(0, taille))
        return std::nullopt;
    Entete e;
    const QRectF bornes(QPointF(f.i32(8), f.i32(12)), QPointF(f.i32(16), f.i32(20)));
    const QRectF cadre(QPointF(f.i32(24), f.i32(28)), QPointF(f.i32(32), f.i32(36))); // 0.01 mm
    double mm_x = f.i32(80), mm_y = f.i32(84);
    // The header's later fields exist only where the description and pixel format leave room.
    const auto libre_jusqua = [&](qint64 fin) {
        return taille >= fin && (f.u32(60) == 0 || f.u32(64) >= fin) && (f.u32(88) == 0 || f.u32(92) >= fin);
    };
    if (libre_jusqua(108) && f.i32(100) > 0 && f.i32(104) > 0) { // micrometres, more precise
        mm_x = f.i32(100) / 1000.0;
        mm_y = f.i32(104) / 1000.0;
    }
    const double px_x = f.i32(72), px_y = f.i32(76);
    if (px_x > 0 && px_y > 0 && mm_x > 0 && mm_y > 0)
        e.pixels_par_mm = QSizeF(px_x / mm_x, px_y / mm_y);
    else
        e.pixels_par_mm = QSizeF(96 / 25.4, 96 / 25.4);
    e.objets = f.u16(56);
    double largeur, hauteur; // natural size at 96 dpi
    if (cadre.width() > 0 && cadre.height() > 0) {
        e.cadre_appareil = QRectF(cadre.left() * e.pixels_par_mm.width() / 100, cadre.top() * e.pixels_par_mm.height() / 100,
                                  cadre.width() * e.pixels_par_mm.width() / 100, cadre.height() * e.pixels_par_mm.height() / 100);
        largeur = cadre.width() * 96 / 2540;
        hauteur = cadre.height() * 96 / 2540;
    } else if (bornes.width() > 0 && bornes.height() > 0) {
        e.cadre_appareil = bornes.adjusted(0, 0, 1, 1);
        largeur = e.cadre_appareil.width() * 96 / 25.4 / e.pixels_par_mm.width();
        hauteur = e.cadre_appareil.height() * 96 / 25.4 / e.pixels_par_mm.height();
    } else {
        return std::nullopt;
    }
    // Checked as floating point first: a frame far beyond any size must not reach an integer.
    if (!(largeur >= 0.5 && largeur <= cote_maximal) || !(hauteur >= 0.5 && hauteur <= cote_maximal)
        || !dimensions_vraisemblables(qRound64(largeur), qRound64(hauteur)) || !(e.cadre_appareil.width() > 0)
        || !(e.cadre_appareil.height() > 0))
        return std::nullopt;
    e.naturelle = QSize(qRound(largeur), qRound(hauteur));
    return e;
}

QPointF point32(const Octets& r, qint64 p) { return QPointF(r.i32(p), r.i32(p + 4)); }
QPointF point16(const Octets& r, qint64 p) { return QPointF(r.i16(p), r.i16(p + 2)); }
QRectF rect32(const Octets& r, qint64 p) { return QRectF(point32(r, p), point32(r, p + 8)); }
QColor couleur(const Octets& r, qint64 p) { return Dessin::couleur(r.u32(p)); }

// `n` points from `p`, 32- or 16-bit; empty when they do not fit the record.
QPolygonF points(const Octets& r, qint64 p, qint64 n, bool court)
{
    const qint64 taille = court ? 4 : 8;
    if (n <= 0 || !r.contient(p, n * taille))
        return {};
    QPolygonF poly;
    poly.reserve(n);
    for (qint64 i = 0; i < n; ++i)
        poly.append(court ? point16(r, p + 4 * i) : point32(r, p + 8 * i));
    return poly;
}

// A RGNDATA structure of `taille` bytes at `p`, as a path.
QPainterPath region(const Octets& r, qint64 p, qint64 taille)
{
    QPainterPath chemin;
    if (taille < 32 || !r.contient(p, taille))
        return chemin;
    const qint64 n = std::min<qint64>({r.u32(p + 8), (taille - 32) / 16, 5000});
    QRegion reg;
    for (qint64 i = 0; i < n; ++i) {
        const qint64 q = p + 32 + 16 * i;
        const qint64 g = r.i32(q), h = r.i32(q + 4), d = r.i32(q + 8), b = r.i32(q + 12);
        if (d > g && b > h && d - g < (1 << 28) && b - h < (1 << 28))
            reg += QRect(int(g), int(h), int(d - g), int(b - h));
    }
    chemin.addRegion(reg);
    return chemin;
}

// The bitmap a record points to with (offBmi, cbBmi, offBits, cbBits) at `p`.
QImage bitmap(const Octets& r, qint64 p, bool alpha = false)
{
    const qint64 off_info = r.u32(p), taille_info = r.u32(p + 4), off_bits = r.u32(p + 8), taille_bits = r.u32(p + 12);
    if (!r.contient(off_info, taille_info) || !r.contient(off_bits, taille_bits) || taille_info == 0)
        return {};
    return gdi::lire_dib(r.sous(off_info, taille_info), r.sous(off_bits, taille_bits), alpha);
}

gdi::Stylo stylo_logpen(const Octets& r, qint64 p)
{
    gdi::Stylo s;
    s.style = r.u32(p);
    s.largeur = std::abs(double(r.i32(p + 4))); // as a double: -2147483648 has no opposite int
    s.couleur = couleur(r, p + 12);
    return s;
}

gdi::Pinceau pinceau_logbrush(quint32 style, QColor c, quint32 hachure)
{
    gdi::Pinceau b;
    b.couleur = c;
    b.hachure = hachure;
    switch (style) {
    case 1: b.genre = gdi::Pinceau::Genre::Nul; break;
    case 2: b.genre = gdi::Pinceau::Genre::Hachure; break;
    default: b.genre = gdi::Pinceau::Genre::Plein; break;
    }
    return b;
}

QString chaine16(const Octets& r, qint64 p, qint64 n)
{
    QString s;
    s.reserve(n);
    for (qint64 i = 0; i < n; ++i)
        s.append(QChar(r.u16(p + 2 * i)));
    return s;
}

QString chaine8(const Octets& r, qint64 p, qint64 n)
{
    return QString::fromLatin1(r.vue().data() + p, n);
}

void texte(Dessin& d, const Octets& r, bool unicode)
{
    if (!r.contient(0, 76))
        return;
    const QPointF reference = point32(r, 36);
    const qint64 n = r.u32(44), off = r.u32(48);
    const quint32 options = r.u32(52);
    const QRectF cadre = rect32(r, 56);
    const qint64 off_dx = r.u32(72);
    std::optional<QRectF> rect;
    if (options & (gdi::ETO_OPAQUE | gdi::ETO_CLIPPED))
        rect = cadre;
    if (n == 0 || n > 100000 || !r.contient(off, n * (unicode ? 2 : 1))) {
        d.texte(reference, {}, {}, options, rect);
        return;
    }
    QString s = unicode ? chaine16(r, off, n) : chaine8(r, off, n);
    std::vector<double> avance;
    const qint64 pas = (options & 0x2000) ? 8 : 4; // ETO_PDY: x and y advances
    if (off_dx && r.contient(off_dx, n * pas)) {
        avance.reserve(size_t(n));
        for (qint64 i = 0; i < n; ++i)
            avance.push_back(r.i32(off_dx + i * pas));
    }
    // Trailing NULs are padding some writers count.
    while (!s.isEmpty() && s.back().isNull()) {
        s.chop(1);
        if (!avance.empty())
            avance.pop_back();
    }
    d.texte(reference, s, avance, options, rect);
}

void gradient(Dessin& d, const Octets& r)
{
    const qint64 nv = r.u32(24), nt = r.u32(28);
    const quint32 mode = r.u32(32);
    if (!r.contient(36, nv * 16))
        return;
    const auto sommet = [&](qint64 i) { return point32(r, 36 + 16 * i); };
    const auto teinte = [&](qint64 i) {
        const qint64 p = 36 + 16 * i + 8;
        return QColor(r.u16(p) >> 8, r.u16(p + 2) >> 8, r.u16(p + 4) >> 8);
    };
    const qint64 base = 36 + nv * 16;
    const qint64 pas = mode == 2 ? 12 : 8;
    if (nt > 100000 || !r.contient(base, nt * pas))
        return;
    for (qint64 i = 0; i < nt; ++i) {
        const qint64 p = base + i * pas;
        const quint32 a = r.u32(p), b = r.u32(p + 4);
        if (a >= nv || b >= nv)
            continue;
        if (mode == 2) {
            const quint32 c = r.u32(p + 8);
            if (c >= nv)
                continue;
            const QColor ca = teinte(a), cb = teinte(b), cc = teinte(c);
            const QColor moyenne((ca.red() + cb.red() + cc.red()) / 3, (ca.green() + cb.green() + cc.green()) / 3,
                                 (ca.blue() + cb.blue() + cc.blue()) / 3);
            QPainterPath c3;
            c3.addPolygon(QPolygonF{sommet(a), sommet(b), sommet(c)});
            c3.closeSubpath();
            d.remplir_region(c3, moyenne);
        } else {
            const QRectF rect(sommet(a), sommet(b));
            QLinearGradient g(rect.topLeft(), mode == 1 ? rect.bottomLeft() : rect.topRight());
            g.setColorAt(0, teinte(a));
            g.setColorAt(1, teinte(b));
            d.remplir_rectangle(rect, g);
        }
    }
}

void enregistrement(Dessin& d, const Octets& r, quint32 type)
{
    gdi::EtatDC& e = d.etat();
    const qint64 taille = r.taille();
    switch (type) {
    // Device context.
    case 9: e.ext_fenetre = QSizeF(r.i32(8), r.i32(12)); e.fenetre_posee = true; break;
    case 10: e.org_fenetre = point32(r, 8); break;
    case 11: e.ext_vue = QSizeF(r.i32(8), r.i32(12)); break;
    case 12: e.org_vue = point32(r, 8); break;
    case 31: case 32: { // SCALEVIEWPORTEXTEX, SCALEWINDOWEXTEX
        const double xn = r.i32(8), xd = r.i32(12), yn = r.i32(16), yd = r.i32(20);
        if (xd == 0 || yd == 0)
            break;
        QSizeF& ext = type == 31 ? e.ext_vue : e.ext_fenetre;
        ext = QSizeF(ext.width() * xn / xd, ext.height() * yn / yd);
        break;
    }
    case 17: e.mode_map = r.u32(8); break;
    case 18: e.mode_fond = r.u32(8); break;
    case 19: e.remplissage = r.u32(8); break;
    case 20: e.rop2 = r.u32(8); break;
    case 22: e.alignement = r.u32(8); break;
    case 24: e.couleur_texte = couleur(r, 8); break;
    case 25: e.couleur_fond = couleur(r, 8); break;
    case 57: e.sens_arc = r.u32(8); break;
    case 58: e.limite_onglet = std::clamp(r.f32(8), 1.0, 100.0); break;
    case 33: d.sauver(); break;
    case 34: d.restaurer(r.i32(8)); break;
    case 35:
        if (taille >= 32)
            d.poser_monde(QTransform(r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28)));
        break;
    case 36:
        if (taille >= 36)
            d.modifier_monde(QTransform(r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28)), r.u32(32));
        break;

    // Objects.
    case 37: d.selectionner(r.u32(8), false); break;
    case 40: d.supprimer(r.u32(8)); break;
    case 38:
        if (taille >= 28)
            d.creer(r.u32(8), stylo_logpen(r, 12));
        break;
    case 95: { // EXTCREATEPEN
        if (taille < 52)
            break;
        gdi::Stylo s;
        s.style = r.u32(28);
        s.largeur = r.u32(32) > 0x7FFFFFFF ? 0 : r.u32(32);
        s.couleur = couleur(r, 40);
        if (r.u32(36) == 1) // BS_NULL brush
            s.style = (s.style & ~0xFu) | 5;
        const qint64 n = r.u32(48);
        if ((s.style & 0xF) == 7 && n > 0 && n <= 16 && r.contient(52, n * 4))
            for (qint64 i = 0; i < n; ++i)
                s.tirets.push_back(r.u32(52 + 4 * i));
        if (!(s.style & 0x10000)) // cosmetic: one device pixel
            s.largeur = 0;
        d.creer(r.u32(8), s);
        break;
    }
    case 39:
        if (taille >= 24)
            d.creer(r.u32(8), pinceau_logbrush(r.u32(12), couleur(r, 16), r.u32(20)));
        break;
    case 93: case 94: { // CREATEMONOBRUSH, CREATEDIBPATTERNBRUSHPT
        if (taille < 32)
            break;
        gdi::Pinceau b;
        b.genre = gdi::Pinceau::Genre::Motif;
        b.motif = bitmap(r, 16);
        if (b.motif.isNull())
            b.genre = gdi::Pinceau::Genre::Plein, b.couleur = Qt::gray;
        d.creer(r.u32(8), b);
        break;
    }
    case 82: { // EXTCREATEFONTINDIRECTW
        if (taille < 104)
            break;
        gdi::Police f;
        f.hauteur = r.i32(12);
        f.largeur = r.i32(16);
        f.echappement = r.i32(20);
        f.graisse = r.i32(28);
        f.italique = r.u8(32);
        f.souligne = r.u8(33);
        f.barre = r.u8(34);
        f.jeu = r.u8(35);
        f.famille = r.u8(39);
        f.nom = chaine16(r, 40, 32);
        f.nom.truncate(f.nom.indexOf(QChar(0)) < 0 ? f.nom.size() : f.nom.indexOf(QChar(0)));
        d.creer(r.u32(8), f);
        break;
    }
    case 49: // CREATEPALETTE: only takes its slot
        d.creer(r.u32(8), gdi::Autre{});
        break;

    // Figures.
    case 27: d.deplacer(point32(r, 8)); break;
    case 54: d.ligne_vers(point32(r, 8)); break;
    case 2: case 3: case 4: case 5: case 6: case 85: case 86: case 87: case 88: case 89: {
        const bool court = type >= 85;
        const quint32 genre = court ? type - 83 : type;
        const QPolygonF p = points(r, 28, r.u32(24), court);
        if (p.isEmpty())
            break;
        switch (genre) {
        case 2: d.beziers(p, false); break;
        case 3: d.polygone(p); break;
        case 4: d.polyligne(p, false); break;
        case 5: d.beziers(p, true); break;
        case 6: d.polyligne(p, true); break;
        }
        break;
    }
    case 7: case 8: case 90: case 91: { // POLYPOLYLINE, POLYPOLYGON and their 16-bit forms
        const bool court = type >= 90;
        const qint64 n = r.u32(24), total = r.u32(28);
        if (n == 0 || !r.contient(32, n * 4))
            break;
        const qint64 debut = 32 + n * 4;
        if (!r.contient(debut, total * (court ? 4 : 8)))
            break;
        std::vector<QPolygonF> polys;
        qint64 vus = 0;
        for (qint64 i = 0; i < n; ++i) {
            const qint64 c = r.u32(32 + 4 * i);
            if (c > total - vus)
                break;
            polys.push_back(points(r, debut + vus * (court ? 4 : 8), c, court));
            vus += c;
        }
        if (type == 8 || type == 91)
            d.polypolygone(polys);
        else
            d.polypolyligne(polys);
        break;
    }
    case 56: case 92: { // POLYDRAW, POLYDRAW16
        const bool court = type == 92;
        const qint64 n = r.u32(24);
        const QPolygonF p = points(r, 28, n, court);
        const qint64 off_types = 28 + n * (court ? 4 : 8);
        if (p.isEmpty() || !r.contient(off_types, n))
            break;
        std::vector<quint8> types(static_cast<size_t>(n), 0);
        for (qint64 i = 0; i < n; ++i)
            types[size_t(i)] = r.u8(off_types + i);
        d.polydraw(p, types);
        break;
    }
    case 42: d.ellipse(rect32(r, 8)); break;
    case 43: d.rectangle(rect32(r, 8)); break;
    case 44: d.rectangle_arrondi(rect32(r, 8), QSizeF(r.i32(24), r.i32(28))); break;
    case 45: case 46: case 47: case 55: {
        static constexpr Dessin::Arc genres[] = {Dessin::Arc::Arc, Dessin::Arc::Corde, Dessin::Arc::Secteur};
        d.arc(rect32(r, 8), point32(r, 24), point32(r, 32), type == 55 ? Dessin::Arc::ArcVers : genres[type - 45]);
        break;
    }
    case 41: d.arc_angle(point32(r, 8), r.u32(16), r.f32(20), r.f32(24)); break;
    case 15: d.pixel(point32(r, 8), couleur(r, 16)); break;

    // Paths.
    case 59: d.debut_chemin(); break;
    case 60: d.fin_chemin(); break;
    case 61: d.fermer_figure(); break;
    case 62: d.dessiner_chemin(true, false); break;
    case 63: d.dessiner_chemin(true, true); break;
    case 64: d.dessiner_chemin(false, true); break;
    case 67: d.decouper_chemin(r.u32(8)); break;
    case 68: d.abandon_chemin(); break;

    // Clipping and regions.
    case 29: d.decouper_rectangle(rect32(r, 8), true); break;
    case 30: d.decouper_rectangle(rect32(r, 8), false); break;
    case 26: d.decaler_decoupe(point32(r, 8)); break;
    case 75: d.decouper_region(region(r, 16, r.u32(8)), r.u32(12)); break;
    case 71: // FILLRGN
        d.remplir_region(region(r, 32, r.u32(24)), d.brosse_objet(r.u32(28)));
        break;
    case 72: // FRAMERGN
        d.encadrer_region(region(r, 40, r.u32(24)), d.brosse_objet(r.u32(28)), QSizeF(r.i32(32), r.i32(36)));
        break;
    case 74: d.remplir_region(region(r, 28, r.u32(24)), d.brosse(e.pinceau)); break;

    // Text.
    case 83: texte(d, r, false); break;
    case 84: texte(d, r, true); break;
    case 108: { // SMALLTEXTOUT
        if (taille < 36)
            break;
        const qint64 n = r.u32(16);
        const quint32 options = r.u32(20);
        qint64 p = 36;
        std::optional<QRectF> cadre;
        if (!(options & 0x100)) {
            cadre = rect32(r, 36);
            p += 16;
        }
        const bool petits = options & 0x200;
        if (n > 100000 || !r.contient(p, n * (petits ? 1 : 2)))
            break;
        d.texte(point32(r, 8), petits ? chaine8(r, p, n) : chaine16(r, p, n), {}, options, cadre);
        break;
    }

    // Bitmaps.
    case 76: case 77: { // BITBLT, STRETCHBLT
        if (taille < 100)
            break;
        const QRectF cible(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
        const quint32 rop = r.u32(40);
        if (r.u32(88) == 0) { // no source: a pattern operation
            d.motif_blt(cible, rop);
            break;
        }
        const QImage img = bitmap(r, 84);
        QSizeF taille_source = cible.size();
        if (type == 77 && taille >= 108)
            taille_source = QSizeF(r.i32(100), r.i32(104));
        else if (!img.isNull()) // a BitBlt that reaches past its bitmap shows all of it
            taille_source = QSizeF(std::min(taille_source.width(), img.width() - double(r.i32(44))),
                                   std::min(taille_source.height(), img.height() - double(r.i32(48))));
        // The source DC's transform takes the source rectangle to the bitmap's pixels.
        QRectF source(QPointF(r.i32(44), r.i32(48)), taille_source);
        const QTransform x(r.f32(52), r.f32(56), r.f32(60), r.f32(64), r.f32(68), r.f32(72));
        if (std::abs(x.determinant()) > 1e-9 && std::abs(x.m11()) < 1e6 && std::abs(x.m22()) < 1e6
            && std::abs(x.dx()) < 1e9 && std::abs(x.dy()) < 1e9)
            source = x.mapRect(source);
        d.image(cible, img, source, rop);
        break;
    }
    case 81: { // STRETCHDIBITS
        if (taille < 80)
            break;
        const QImage img = bitmap(r, 48);
        if (img.isNull())
            break;
        const double cy = r.i32(44), ys = r.i32(36);
        // The source rectangle counts rows from the bottom of a bottom-up bitmap.
        const qint64 entete = r.u32(48);
        const bool montante = r.contient(entete, 12) && r.i32(entete + 8) > 0;
        const double y = montante ? img.height() - ys - cy : ys;
        d.image(QRectF(r.i32(24), r.i32(28), r.i32(72), r.i32(76)), img, QRectF(r.i32(32), y, r.i32(40), cy), r.u32(68));
        break;
    }
    case 80: { // SETDIBITSTODEVICE
        if (taille < 76)
            break;
        const QImage img = bitmap(r, 48);
        if (img.isNull())
            break;
        const double cx = r.i32(40), cy = r.i32(44), ys = r.i32(36);
        d.image(QRectF(r.i32(24), r.i32(28), cx, cy), img, QRectF(r.i32(32), img.height() - ys - cy, cx, cy), 0x00CC0020);
        break;
    }
    case 114: case 116: { // ALPHABLEND, TRANSPARENTBLT
        if (taille < 108)
            break;
        const bool alpha = type == 114;
        QImage img = bitmap(r, 84, alpha && (r.u8(43) & 1));
        if (img.isNull())
            break;
        if (!alpha) { // the transparent colour becomes transparent
            const QRgb transparente = Dessin::couleur(r.u32(40)).rgb();
            img = img.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < img.height(); ++y) {
                QRgb* ligne = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < img.width(); ++x)
                    if ((ligne[x] | 0xFF000000) == (transparente | 0xFF000000))
                        ligne[x] = 0;
            }
        }
        d.image(QRectF(r.i32(24), r.i32(28), r.i32(32), r.i32(36)), img,
                QRectF(r.i32(44), r.i32(48), r.i32(100), r.i32(104)), 0x00CC0020, alpha ? r.u8(42) : -1);
        break;
    }
    case 118: gradient(d, r); break;

    default: break; // comments (EMF+ included: their GDI twins follow), palettes, colour management...
    }
}

// How far the strokes of figures drawn on the frame's edges reach past it, in device units: the
// outer half of their pens. Only the records that set up the device context and its pens are
// played, onto a one-pixel picture; each figure record is measured with the pen and the transform
// in force then. A figure whose own line already runs outside the frame is left out: the file cuts
// it on purpose.
double debordement_des_traits(const Octets& f, const Entete& e)
{
    QImage pixel(1, 1, QImage::Format_RGB32);
    Dessin d(pixel, QTransform(), e.pixels_par_mm, std::nullopt, {}, 250);
    d.taille_table(e.objets);
    const QRectF& cadre = e.cadre_appareil;
    const QRectF tolerance = cadre.adjusted(-1, -1, 1, 1); // the frame is given to a device unit or so
    QPointF position;
    double debord = 0;
    const auto mesurer = [&](const QPolygonF& logique) {
        const gdi::Stylo& s = d.etat().stylo;
        if (logique.isEmpty() || s.nul() || !(s.largeur > 0))
            return;
        const QTransform t = d.complete();
        const double demi = s.largeur * std::sqrt(std::abs(t.determinant())) / 2;
        const QRectF ligne = t.map(logique).boundingRect();
        if (!std::isfinite(demi) || !tolerance.contains(ligne.topLeft()) || !tolerance.contains(ligne.bottomRight()))
            return;
        debord = std::max({debord, cadre.left() - (ligne.left() - demi), cadre.top() - (ligne.top() - demi),
                           ligne.right() + demi - cadre.right(), ligne.bottom() + demi - cadre.bottom()});
    };
    const auto rectangle = [](const QRectF& r) { return QPolygonF(r.normalized()); };
    qint64 p = f.u32(4);
    while (f.contient(p, 8) && !d.temps_ecoule()) {
        const quint32 type = f.u32(p), taille = f.u32(p + 4);
        if (taille < 8 || !f.contient(p, taille) || type == 14)
            break;
        const Octets r = f.sous(p, taille);
        switch (type) {
        case 9: case 10: case 11: case 12: case 17: case 31: case 32: case 33: case 34: case 35: case 36: // mapping
        case 37: case 38: case 39: case 40: case 49: case 82: case 95: // objects
            enregistrement(d, r, type);
            break;
        case 27: position = point32(r, 8); break;
        case 54: mesurer(QPolygonF{position, point32(r, 8)}); position = point32(r, 8); break;
        case 2: case 3: case 4: case 5: case 6: case 56: case 85: case 86: case 87: case 88: case 89: case 92: {
            const bool court = type >= 85;
            QPolygonF trace = points(r, 28, r.u32(24), court);
            if (type == 5 || type == 6 || type == 88 || type == 89) // from the current position
                trace.prepend(position);
            mesurer(trace);
            if (!trace.isEmpty())
                position = trace.back();
            break;
        }
        case 7: case 8: case 90: case 91: { // every polygon of the record at once
            const bool court = type >= 90;
            const qint64 n = r.u32(24);
            if (n > 0 && r.contient(32, n * 4))
                mesurer(points(r, 32 + n * 4, r.u32(28), court));
            break;
        }
        case 42: case 43: case 44: case 45: case 46: case 47: case 55: mesurer(rectangle(rect32(r, 8))); break;
        case 41: { // ANGLEARC: the whole circle
            const double rayon = r.u32(16);
            const QPointF c = point32(r, 8);
            mesurer(rectangle(QRectF(c.x() - rayon, c.y() - rayon, 2 * rayon, 2 * rayon)));
            break;
        }
        default: break;
        }
        p += taille;
    }
    return debord;
}

// The header, its frame widened alike on every side by as much as the strokes on its edges reach
// past it (a small share of the frame at most), so that they are drawn whole. The drawing keeps its
// scale and its place within itself: the natural size grows by the margins.
std::optional<Entete> lire_entete_et_marges(const Octets& f)
{
    auto e = lire_entete(f);
    if (!e)
        return e;
    const double marge = std::min(debordement_des_traits(f, *e),
                                  marge_maximale * std::max(e->cadre_appareil.width(), e->cadre_appareil.height()));
    if (!(marge > 0))
        return e;
    const QRectF cadre = e->cadre_appareil.adjusted(-marge, -marge, marge, marge);
    const double largeur = cadre.width() * 96 / 25.4 / e->pixels_par_mm.width();
    const double hauteur = cadre.height() * 96 / 25.4 / e->pixels_par_mm.height();
    if (!(largeur <= cote_maximal && hauteur <= cote_maximal) || !dimensions_vraisemblables(qRound64(largeur), qRound64(hauteur)))
        return e;
    e->cadre_appareil = cadre;
    e->naturelle = QSize(qRound(largeur), qRound(hauteur));
    return e;
}

} // namespace

QSize taille(const Octets& fichier)
{
    const auto e = lire_entete_et_marges(fichier);
    return e ? e->naturelle : QSize();
}

void jouer(const Octets& f, QImage& image, qint64 budget_ms, int profondeur)
{
    const auto e = lire_entete_et_marges(f);
    if (!e)
        return;
    const QRectF& c = e->cadre_appareil;
    const QTransform appareil = QTransform::fromTranslate(-c.left(), -c.top())
        * QTransform::fromScale(image.width() / c.width(), image.height() / c.height());
    Dessin d(image, appareil, e->pixels_par_mm, std::nullopt, {}, budget_ms);
    d.taille_table(e->objets);
    // EMF+ records are drawn only where no GDI drawing stands beside them.
    std::optional<emfplus::Lecture> plus;
    if (emfplus::seulement_emfplus(f))
        plus.emplace(d, profondeur);
    qint64 position = f.u32(4);
    while (f.contient(position, 8) && !d.temps_ecoule()) {
        const quint32 type = f.u32(position), taille = f.u32(position + 4);
        if (taille < 8 || !f.contient(position, taille))
            break; // the rest of the file cannot be trusted: keep what is drawn
        if (type == 14) // EOF
            break;
        if (type != 27 && type != 54) // MOVETOEX and LINETO gather their lines
            d.vider_traits();
        if (type == 70 && plus)
            plus->commentaire(f.sous(position, taille));
        else
            enregistrement(d, f.sous(position, taille), type);
        position += taille;
    }
    d.vider_traits();
}

} // namespace emf
