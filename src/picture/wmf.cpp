// WMF records onto gdi::Dessin. A record is its size in 16-bit words, its function number, then
// its parameters from offset 6, most of them in reverse order of the GDI call. Every field read lies
// inside the record (Octets checks each read, and the decoders check sizes and counts first).

#include "picture/contenu.h"
#include "picture/gdi.h"
#include "picture/metafichier.h"

#include <cmath>

namespace wmf {

namespace {

using gdi::Dessin;

struct Entete {
    qint64 debut_enregistrements = 0;
    quint32 objets = 0;
    QRectF cadre; // logical units
    QSize naturelle;
};

constexpr quint32 cle_placable = 0x9AC6CDD7;

std::optional<Entete> lire_entete(const Octets& f)
{
    Entete e;
    const bool placable = f.u32(0) == cle_placable;
    const qint64 debut = placable ? 22 : 0;
    if (!f.contient(debut, 18) || f.u16(debut + 2) != 9)
        return std::nullopt;
    e.objets = f.u16(debut + 10);
    e.debut_enregistrements = debut + 18;
    double largeur, hauteur;
    if (placable) {
        const double g = f.i16(6), h = f.i16(8), d = f.i16(10), b = f.i16(12);
        const double pouce = f.u16(14) ? f.u16(14) : 1440;
        e.cadre = QRectF(QPointF(g, h), QPointF(d, b)).normalized();
        largeur = e.cadre.width() * 96 / pouce;
        hauteur = e.cadre.height() * 96 / pouce;
    } else {
        // No header gives the size: the first window the file sets frames the picture.
        std::optional<QPointF> org;
        std::optional<QSizeF> ext;
        qint64 p = e.debut_enregistrements;
        for (int n = 0; n < 1000 && f.contient(p, 6); ++n) {
            const qint64 taille = qint64(f.u32(p)) * 2;
            const quint16 fonction = f.u16(p + 4);
            if (taille < 6 || !f.contient(p, taille) || fonction == 0)
                break;
            if (fonction == 0x020B && !org)
                org = QPointF(f.i16(p + 8), f.i16(p + 6));
            else if (fonction == 0x020C && !ext)
                ext = QSizeF(f.i16(p + 8), f.i16(p + 6));
            if (org && ext)
                break;
            p += taille;
        }
        if (!ext || ext->width() == 0 || ext->height() == 0)
            return std::nullopt;
        e.cadre = QRectF(org.value_or(QPointF()), *ext).normalized();
        largeur = e.cadre.width();
        hauteur = e.cadre.height();
        // Units are not said: large windows are most likely twips or similar; keep it on a screen.
        const double plus_grand = std::max(largeur, hauteur);
        if (plus_grand > 2048) {
            largeur = largeur * 1024 / plus_grand;
            hauteur = hauteur * 1024 / plus_grand;
        }
    }
    if (!(largeur >= 0.5 && largeur <= cote_maximal) || !(hauteur >= 0.5 && hauteur <= cote_maximal)
        || !dimensions_vraisemblables(qRound64(largeur), qRound64(hauteur)))
        return std::nullopt;
    e.naturelle = QSize(qRound(largeur), qRound(hauteur));
    return e;
}

QPointF point_inverse(const Octets& r, qint64 p) { return QPointF(r.i16(p + 2), r.i16(p)); } // y then x
QRectF rect_inverse(const Octets& r, qint64 p) // bottom, right, top, left
{
    return QRectF(QPointF(r.i16(p + 6), r.i16(p + 4)), QPointF(r.i16(p + 2), r.i16(p)));
}

QPolygonF points(const Octets& r, qint64 p, qint64 n)
{
    if (n <= 0 || !r.contient(p, n * 4))
        return {};
    QPolygonF poly;
    poly.reserve(n);
    for (qint64 i = 0; i < n; ++i)
        poly.append(QPointF(r.i16(p + 4 * i), r.i16(p + 4 * i + 2)));
    return poly;
}

// A device-dependent Bitmap16 of the oldest records: 1, 24 or 32 bits per pixel, rows top down.
QImage bitmap16(const Octets& b)
{
    const qint64 largeur = b.i16(2), hauteur = b.i16(4), pas = b.i16(6);
    const int bits = b.u8(9);
    if (largeur <= 0 || hauteur <= 0 || (bits != 1 && bits != 24 && bits != 32) || pas < (largeur * bits + 7) / 8
        || !b.contient(10, pas * hauteur))
        return {};
    QImage image(int(largeur), int(hauteur), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (qint64 y = 0; y < hauteur; ++y) {
        const qint64 l = 10 + y * pas;
        for (qint64 x = 0; x < largeur; ++x) {
            QRgb p;
            if (bits == 1)
                p = (b.u8(l + x / 8) >> (7 - x % 8)) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            else {
                const qint64 o = l + x * (bits / 8);
                p = qRgb(b.u8(o + 2), b.u8(o + 1), b.u8(o));
            }
            image.setPixel(int(x), int(y), p);
        }
    }
    return image;
}

void texte(Dessin& d, const Octets& r, qint64 p_chaine, qint64 n, QPointF reference, quint32 options,
           std::optional<QRectF> cadre, qint64 p_dx)
{
    if (n < 0 || !r.contient(p_chaine, n))
        return;
    QString s = QString::fromLatin1(r.vue().data() + p_chaine, n);
    std::vector<double> avance;
    if (p_dx > 0 && r.contient(p_dx, n * 2)) {
        for (qint64 i = 0; i < n; ++i)
            avance.push_back(r.i16(p_dx + 2 * i));
    }
    while (!s.isEmpty() && s.back().isNull()) {
        s.chop(1);
        if (!avance.empty())
            avance.pop_back();
    }
    d.texte(reference, s, avance, options, cadre);
}

void enregistrement(Dessin& d, const Octets& r, quint16 fonction)
{
    gdi::EtatDC& e = d.etat();
    const qint64 taille = r.taille();
    switch (fonction) {
    // Device context.
    case 0x0201: e.couleur_fond = Dessin::couleur(r.u32(6)); break;
    case 0x0209: e.couleur_texte = Dessin::couleur(r.u32(6)); break;
    case 0x0102: e.mode_fond = r.u16(6); break;
    case 0x0103: e.mode_map = r.u16(6); break;
    case 0x0104: e.rop2 = r.u16(6); break;
    case 0x0106: e.remplissage = r.u16(6); break;
    case 0x012E: e.alignement = r.u16(6); break;
    case 0x020B: e.org_fenetre = point_inverse(r, 6); e.fenetre_posee = true; break;
    case 0x020C: e.ext_fenetre = QSizeF(r.i16(8), r.i16(6)); e.fenetre_posee = true; break;
    case 0x020D: e.org_vue = point_inverse(r, 6); break;
    case 0x020E: e.ext_vue = QSizeF(r.i16(8), r.i16(6)); break;
    case 0x020F: e.org_fenetre += point_inverse(r, 6); break;
    case 0x0211: e.org_vue += point_inverse(r, 6); break;
    case 0x0410: case 0x0412: { // SCALEWINDOWEXT, SCALEVIEWPORTEXT: yDenom, yNum, xDenom, xNum
        const double yd = r.i16(6), yn = r.i16(8), xd = r.i16(10), xn = r.i16(12);
        if (xd == 0 || yd == 0)
            break;
        QSizeF& ext = fonction == 0x0410 ? e.ext_fenetre : e.ext_vue;
        ext = QSizeF(ext.width() * xn / xd, ext.height() * yn / yd);
        break;
    }
    case 0x001E: d.sauver(); break;
    case 0x0127: d.restaurer(r.i16(6)); break;

    // Objects.
    case 0x012D: d.selectionner(r.u16(6), true); break;
    case 0x01F0: d.supprimer(r.u16(6)); break;
    case 0x02FA: { // CREATEPENINDIRECT
        gdi::Stylo s;
        s.style = r.u16(6);
        s.largeur = std::abs(r.i16(8));
        s.couleur = Dessin::couleur(r.u32(12));
        d.creer_wmf(s);
        break;
    }
    case 0x02FC: { // CREATEBRUSHINDIRECT
        gdi::Pinceau b;
        b.couleur = Dessin::couleur(r.u32(8));
        b.hachure = r.u16(12);
        const quint16 style = r.u16(6);
        b.genre = style == 1 ? gdi::Pinceau::Genre::Nul : style == 2 ? gdi::Pinceau::Genre::Hachure : gdi::Pinceau::Genre::Plein;
        d.creer_wmf(b);
        break;
    }
    case 0x0142: { // DIBCREATEPATTERNBRUSH
        gdi::Pinceau b;
        b.genre = gdi::Pinceau::Genre::Motif;
        if (taille > 10)
            b.motif = gdi::lire_dib_compact(r.sous(10, taille - 10));
        if (b.motif.isNull())
            b.genre = gdi::Pinceau::Genre::Plein, b.couleur = Qt::gray;
        d.creer_wmf(b);
        break;
    }
    case 0x01F9: { // CREATEPATTERNBRUSH (device-dependent bitmap): a grey stands in
        gdi::Pinceau b;
        b.couleur = Qt::gray;
        d.creer_wmf(b);
        break;
    }
    case 0x02FB: { // CREATEFONTINDIRECT
        gdi::Police f;
        f.hauteur = r.i16(6);
        f.largeur = r.i16(8);
        f.echappement = r.i16(10);
        f.graisse = r.i16(14);
        f.italique = r.u8(16);
        f.souligne = r.u8(17);
        f.barre = r.u8(18);
        f.jeu = r.u8(19);
        f.famille = r.u8(23);
        if (taille > 24) {
            const QByteArrayView nom = r.vue().sliced(24, std::min<qint64>(32, taille - 24));
            const qsizetype fin = nom.indexOf('\0');
            f.nom = QString::fromLatin1(fin < 0 ? nom : nom.first(fin));
        }
        d.creer_wmf(f);
        break;
    }
    case 0x00F7: case 0x06FF: // CREATEPALETTE, CREATEREGION: only take their slot
        d.creer_wmf(gdi::Autre{});
        break;

    // Figures.
    case 0x0214: d.deplacer(point_inverse(r, 6)); break;
    case 0x0213: d.ligne_vers(point_inverse(r, 6)); break;
    case 0x0324: d.polygone(points(r, 8, r.u16(6))); break;
    case 0x0325: d.polyligne(points(r, 8, r.u16(6)), false); break;
    case 0x0538: { // POLYPOLYGON
        const qint64 n = r.u16(6);
        if (!r.contient(8, n * 2))
            break;
        std::vector<QPolygonF> polys;
        qint64 p = 8 + n * 2;
        for (qint64 i = 0; i < n; ++i) {
            const qint64 c = r.u16(8 + 2 * i);
            if (!r.contient(p, c * 4))
                break;
            polys.push_back(points(r, p, c));
            p += c * 4;
        }
        d.polypolygone(polys);
        break;
    }
    case 0x041B: d.rectangle(rect_inverse(r, 6)); break;
    case 0x0418: d.ellipse(rect_inverse(r, 6)); break;
    case 0x061C: d.rectangle_arrondi(rect_inverse(r, 10), QSizeF(r.i16(8), r.i16(6))); break;
    case 0x0817: case 0x0830: case 0x081A: {
        const auto genre = fonction == 0x0817 ? Dessin::Arc::Arc : fonction == 0x0830 ? Dessin::Arc::Corde : Dessin::Arc::Secteur;
        d.arc(rect_inverse(r, 14), point_inverse(r, 10), point_inverse(r, 6), genre);
        break;
    }
    case 0x041F: d.pixel(point_inverse(r, 10), Dessin::couleur(r.u32(6))); break;
    case 0x061D: // PATBLT
        d.motif_blt(QRectF(r.i16(16), r.i16(14), r.i16(12), r.i16(10)), r.u32(6));
        break;

    // Clipping.
    case 0x0415: d.decouper_rectangle(rect_inverse(r, 6), true); break;
    case 0x0416: d.decouper_rectangle(rect_inverse(r, 6), false); break;
    case 0x0220: d.decaler_decoupe(point_inverse(r, 6)); break;

    // Text.
    case 0x0521: { // TEXTOUT: count, string padded to a word, y, x
        const qint64 n = r.u16(6);
        const qint64 apres = 8 + ((n + 1) & ~qint64(1));
        if (!r.contient(apres, 4))
            break;
        texte(d, r, 8, n, point_inverse(r, apres), 0, std::nullopt, 0);
        break;
    }
    case 0x0A32: { // EXTTEXTOUT: y, x, count, options, [rectangle], string, [advances]
        const qint64 n = r.u16(10);
        const quint16 options = r.u16(12);
        qint64 p = 14;
        std::optional<QRectF> cadre;
        if (options & (gdi::ETO_OPAQUE | gdi::ETO_CLIPPED)) {
            cadre = QRectF(QPointF(r.i16(14), r.i16(16)), QPointF(r.i16(18), r.i16(20)));
            p += 8;
        }
        const qint64 p_dx = p + ((n + 1) & ~qint64(1));
        texte(d, r, p, n, point_inverse(r, 6), options, cadre, p_dx);
        break;
    }

    // Bitmaps.
    case 0x0940: case 0x0922: { // DIBBITBLT, BITBLT
        if (taille == 24) { // no bitmap: rop, ySrc, xSrc, reserved, height, width, yDest, xDest
            d.motif_blt(QRectF(r.i16(22), r.i16(20), r.i16(18), r.i16(16)), r.u32(6));
            break;
        }
        const QImage img = fonction == 0x0940 ? gdi::lire_dib_compact(r.sous(22, taille - 22)) : bitmap16(r.sous(22, taille - 22));
        if (img.isNull())
            break;
        // A BitBlt that reaches past its bitmap shows all of it.
        const QRectF cible(r.i16(20), r.i16(18), r.i16(16), r.i16(14));
        const QRectF source(r.i16(12), r.i16(10), std::min(cible.width(), img.width() - double(r.i16(12))),
                            std::min(cible.height(), img.height() - double(r.i16(10))));
        d.image(cible, img, source, r.u32(6));
        break;
    }
    case 0x0B41: case 0x0B23: { // DIBSTRETCHBLT, STRETCHBLT
        if (taille == 28) {
            d.motif_blt(QRectF(r.i16(26), r.i16(24), r.i16(22), r.i16(20)), r.u32(6));
            break;
        }
        const QImage img = fonction == 0x0B41 ? gdi::lire_dib_compact(r.sous(26, taille - 26)) : bitmap16(r.sous(26, taille - 26));
        d.image(QRectF(r.i16(24), r.i16(22), r.i16(20), r.i16(18)), img,
                QRectF(r.i16(16), r.i16(14), r.i16(12), r.i16(10)), r.u32(6));
        break;
    }
    case 0x0F43: { // STRETCHDIB
        const QImage img = gdi::lire_dib_compact(r.sous(28, taille - 28));
        if (img.isNull())
            break;
        const double cy = r.i16(12), ys = r.i16(16);
        d.image(QRectF(r.i16(26), r.i16(24), r.i16(22), r.i16(20)), img,
                QRectF(r.i16(18), img.height() - ys - cy, r.i16(14), cy), r.u32(6));
        break;
    }
    case 0x0D33: { // SETDIBTODEV
        const QImage img = gdi::lire_dib_compact(r.sous(24, taille - 24));
        if (img.isNull())
            break;
        const double cx = r.i16(18), cy = r.i16(16);
        d.image(QRectF(r.i16(22), r.i16(20), cx, cy), img, QRectF(r.i16(14), img.height() - r.i16(12) - cy, cx, cy),
                0x00CC0020);
        break;
    }

    default:
        // Records that create objects we do not draw still take a slot, so that later indexes match.
        if ((fonction & 0xFF) >= 0xF0 && fonction != 0x01F0)
            d.creer_wmf(gdi::Autre{});
        break;
    }
}

} // namespace

QSize taille(const Octets& fichier)
{
    const auto e = lire_entete(fichier);
    return e ? e->naturelle : QSize();
}

void jouer(const Octets& f, QImage& image, qint64 budget_ms)
{
    const auto e = lire_entete(f);
    if (!e)
        return;
    const QTransform appareil = QTransform::fromScale(double(image.width()) / e->naturelle.width(),
                                                      double(image.height()) / e->naturelle.height());
    Dessin d(image, appareil, QSizeF(96 / 25.4, 96 / 25.4), e->cadre, QSizeF(e->naturelle), budget_ms);
    d.taille_table(e->objets);
    qint64 position = e->debut_enregistrements;
    while (f.contient(position, 6) && !d.temps_ecoule()) {
        const qint64 taille = qint64(f.u32(position)) * 2;
        const quint16 fonction = f.u16(position + 4);
        if (taille < 6 || !f.contient(position, taille) || fonction == 0)
            break;
        if (fonction != 0x0213 && fonction != 0x0214) // LINETO and MOVETO gather their lines
            d.vider_traits();
        enregistrement(d, f.sous(position, taille), fonction);
        position += taille;
    }
    d.vider_traits();
}

} // namespace wmf
