#include "picture/gdi.h"

#include "picture/contenu.h"
#include "picture/symboles.h"

#include <QBuffer>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImageReader>
#include <QRegion>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <utility>

namespace gdi {

namespace {

// Embedded bitmaps: uncompressed ones are bounded by the record's own bytes and by the allocation
// limit; compressed ones (RLE, JPEG, PNG) can claim any size from a few bytes, so they get less.
constexpr qint64 octets_image_maximaux = qint64(1024) * 1024 * 1024;
constexpr qint64 pixels_compresses_maximaux = 50'000'000;

// Figures are skipped when they reach this far outside the picture, in pixels: no real drawing
// does, and the rasteriser's fixed-point coordinates would not hold them.
constexpr double etendue_maximale = 4'000'000;

// Paths with more elements than this are clipped against by their bounding box only.
constexpr int elements_decoupe_maximaux = 4000;

// Fills whose sides add up to more pixels than this are drawn without antialiasing: past it the
// antialiased rasterizer's time grows faster than the length (a few hundred ms at this bound).
constexpr double longueur_lissee_max = 200'000;

// Total length of a path's sides in device pixels, closing sides included (for curves, the
// control polygon, which is longer).
double longueur_des_cotes(const QPainterPath& chemin, const QTransform& t)
{
    double total = 0;
    QPointF debut;
    QPointF precedent;
    const auto cote = [&total](QPointF a, QPointF b) { total += std::abs(b.x() - a.x()) + std::abs(b.y() - a.y()); };
    for (int i = 0; i < chemin.elementCount(); ++i) {
        const QPainterPath::Element e = chemin.elementAt(i);
        const QPointF p = t.map(QPointF(e.x, e.y));
        if (e.isMoveTo()) {
            if (i > 0)
                cote(precedent, debut);
            debut = p;
        } else {
            cote(precedent, p);
        }
        precedent = p;
    }
    cote(precedent, debut);
    return total;
}

// Bits of one channel of a BI_BITFIELDS mask, spread to 0-255.
struct Canal {
    quint32 masque = 0;
    int decalage = 0;
    double echelle = 0;
    explicit Canal(quint32 m = 0) : masque(m)
    {
        if (!m)
            return;
        while (!((m >> decalage) & 1))
            ++decalage;
        const quint32 max = m >> decalage;
        echelle = 255.0 / double(max);
    }
    int valeur(quint32 p) const { return masque ? int(((p & masque) >> decalage) * echelle + 0.5) : 0; }
};

QImage dib_compresse(Octets info, Octets bits, quint32 compression, qint64 largeur, qint64 hauteur)
{
    if (largeur * hauteur > pixels_compresses_maximaux)
        return {};
    if (compression == 4 || compression == 5) { // JPEG or PNG stream
        QByteArray donnees = bits.vue().toByteArray();
        QBuffer tampon(&donnees);
        tampon.open(QIODevice::ReadOnly);
        QImageReader lecteur(&tampon);
        const QSize taille = lecteur.size();
        if (!taille.isValid() || qint64(taille.width()) * taille.height() > pixels_compresses_maximaux)
            return {};
        return lecteur.read();
    }
    // RLE4 and RLE8: Qt's BMP reader decodes them once the file header is put back.
    QByteArray fichier;
    const qint64 total = 14 + info.taille() + bits.taille();
    if (total > std::numeric_limits<qint32>::max())
        return {};
    fichier.reserve(total);
    fichier.append("BM", 2);
    const auto ajouter32 = [&](quint32 v) {
        char o[4];
        qToLittleEndian(v, o);
        fichier.append(o, 4);
    };
    ajouter32(quint32(total));
    ajouter32(0);
    ajouter32(quint32(14 + info.taille()));
    fichier.append(info.vue().data(), info.taille());
    fichier.append(bits.vue().data(), bits.taille());
    return QImage::fromData(fichier, "BMP");
}

} // namespace

int entier_borne(double v, int minimum, int maximum)
{
    // Clamped as floating point first: a huge or undefined value never reaches an int.
    if (!(v >= minimum))
        return minimum;
    if (!(v <= maximum))
        return maximum;
    return int(std::lround(v));
}

QImage lire_dib(Octets info, Octets bits, bool alpha)
{
    if (info.taille() < 12)
        return {};
    const quint32 taille_entete = info.u32(0);
    qint64 largeur, hauteur;
    quint32 profondeur, compression = 0, utilisees = 0, taille_entree;
    if (taille_entete == 12) {
        largeur = info.u16(4);
        hauteur = info.i16(6);
        profondeur = info.u16(10);
        taille_entree = 3;
    } else if (taille_entete >= 40 && info.contient(0, taille_entete)) {
        largeur = info.i32(4);
        hauteur = info.i32(8);
        profondeur = info.u16(14);
        compression = info.u32(16);
        utilisees = info.u32(32);
        taille_entree = 4;
    } else {
        return {};
    }
    const bool descendante = hauteur < 0;
    hauteur = std::abs(hauteur);
    if (largeur <= 0 || hauteur <= 0 || !dimensions_vraisemblables(largeur, hauteur))
        return {};
    if (compression == 1 || compression == 2 || compression == 4 || compression == 5)
        return dib_compresse(info, bits, compression, largeur, hauteur);
    if (compression != 0 && compression != 3 && compression != 6)
        return {};
    if (profondeur != 1 && profondeur != 4 && profondeur != 8 && profondeur != 16 && profondeur != 24
        && profondeur != 32)
        return {};
    if (largeur * hauteur * 4 > octets_image_maximaux)
        return {};

    const qint64 pas = ((largeur * profondeur + 31) / 32) * 4;
    // A short bitmap keeps the rows it has (the bottom ones, for a bottom-up bitmap).
    const qint64 lignes = std::min<qint64>(hauteur, bits.taille() / pas);
    if (lignes <= 0)
        return {};

    qint64 position_table = taille_entete;
    Canal rouge, vert, bleu, opacite;
    if (profondeur == 16 || profondeur == 32) {
        if (compression == 3 || compression == 6) {
            qint64 p = 40; // the masks follow a 40-byte header, or sit inside a longer one
            rouge = Canal(info.u32(p));
            vert = Canal(info.u32(p + 4));
            bleu = Canal(info.u32(p + 8));
            if (compression == 6 || taille_entete >= 56)
                opacite = Canal(info.u32(p + 12));
            if (taille_entete == 40)
                position_table += compression == 6 ? 16 : 12;
        } else if (profondeur == 16) {
            rouge = Canal(0x7C00), vert = Canal(0x03E0), bleu = Canal(0x001F);
        } else {
            rouge = Canal(0xFF0000), vert = Canal(0xFF00), bleu = Canal(0xFF);
            if (alpha)
                opacite = Canal(0xFF000000);
        }
    }
    QList<QRgb> palette;
    if (profondeur <= 8) {
        const qint64 n = utilisees && utilisees < (1u << profondeur) ? utilisees : (1u << profondeur);
        for (qint64 i = 0; i < n; ++i) {
            const qint64 p = position_table + i * taille_entree;
            if (info.contient(p, 3))
                palette.append(qRgb(info.u8(p + 2), info.u8(p + 1), info.u8(p)));
            else
                palette.append(profondeur == 1 ? (i ? qRgb(255, 255, 255) : qRgb(0, 0, 0)) : qRgb(i * 255 / n, i * 255 / n, i * 255 / n));
        }
        while (palette.size() < (1 << profondeur))
            palette.append(qRgb(0, 0, 0));
    }

    QImage image(int(largeur), int(hauteur), opacite.masque ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    bool opacite_nulle = true;
    const uchar* donnees = reinterpret_cast<const uchar*>(bits.vue().data());
    for (qint64 l = 0; l < lignes; ++l) {
        const qint64 y = descendante ? l : hauteur - 1 - l;
        const uchar* ligne = donnees + l * pas;
        QRgb* sortie = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        for (qint64 x = 0; x < largeur; ++x) {
            switch (profondeur) {
            case 1:
                sortie[x] = palette[(ligne[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 4:
                sortie[x] = palette[(ligne[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
                break;
            case 8:
                sortie[x] = palette[ligne[x]];
                break;
            case 24:
                sortie[x] = qRgb(ligne[3 * x + 2], ligne[3 * x + 1], ligne[3 * x]);
                break;
            default: {
                const quint32 p = profondeur == 16 ? qFromLittleEndian<quint16>(ligne + 2 * x)
                                                   : qFromLittleEndian<quint32>(ligne + 4 * x);
                const int a = opacite.masque ? opacite.valeur(p) : 255;
                if (a)
                    opacite_nulle = false;
                sortie[x] = qRgba(rouge.valeur(p), vert.valeur(p), bleu.valeur(p), a);
            }
            }
        }
    }
    // Many writers leave the alpha byte at zero: such a bitmap is opaque.
    if (opacite.masque && opacite_nulle)
        return image.convertToFormat(QImage::Format_RGB32);
    if (opacite.masque && alpha && taille_entete == 40 && compression == 0) {
        // AlphaBlend sources hold premultiplied colours.
        image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < image.height(); ++y) {
            QRgb* ligne = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = ligne[x];
                const int a = qAlpha(p);
                ligne[x] = qRgba(std::min(qRed(p), a), std::min(qGreen(p), a), std::min(qBlue(p), a), a);
            }
        }
    }
    return image;
}

QImage lire_dib_compact(Octets dib)
{
    const quint32 taille_entete = dib.u32(0);
    qint64 info;
    if (taille_entete == 12) {
        const quint32 profondeur = dib.u16(10);
        info = 12 + (profondeur <= 8 ? 3 * (qint64(1) << profondeur) : 0);
    } else if (taille_entete >= 40 && taille_entete <= 1024) {
        const quint32 profondeur = dib.u16(14), compression = dib.u32(16), utilisees = dib.u32(32);
        qint64 entrees = profondeur <= 8 ? (qint64(1) << profondeur) : 0;
        if (utilisees && utilisees < 65536)
            entrees = profondeur <= 8 ? std::min<qint64>(utilisees, entrees) : utilisees;
        info = taille_entete + 4 * entrees + (taille_entete == 40 && compression == 3 ? 12 : 0);
    } else {
        return {};
    }
    if (!dib.contient(0, info))
        return {};
    return lire_dib(dib.sous(0, info), dib.sous(info, dib.taille() - info));
}

Dessin::Dessin(QImage& image, QTransform appareil_vers_image, QSizeF pixels_par_mm, std::optional<QRectF> wmf_cadre,
               QSizeF wmf_taille, qint64 budget_ms)
    : image_(image)
    , peintre_(&image)
    , appareil_(appareil_vers_image)
    , pixels_par_mm_(pixels_par_mm)
    , cadre_wmf_(wmf_cadre)
    , taille_wmf_(wmf_taille)
    , budget_ms_(budget_ms)
{
    chrono_.start();
    peintre_.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    if (cadre_wmf_) {
        etat_.mode_map = MM_TEXT;
    }
}

Dessin::~Dessin() = default;

QTransform Dessin::page() const
{
    const EtatDC& e = etat_;
    if (cadre_wmf_) {
        // The player sets the viewport to the whole picture; the file's window maps onto it.
        QRectF fenetre = *cadre_wmf_;
        if ((e.mode_map == MM_ISOTROPIC || e.mode_map == MM_ANISOTROPIC) && e.fenetre_posee)
            fenetre = QRectF(e.org_fenetre, e.ext_fenetre);
        else if (e.fenetre_posee)
            fenetre.moveTopLeft(e.org_fenetre);
        if (fenetre.width() == 0 || fenetre.height() == 0)
            return QTransform();
        const double sx = taille_wmf_.width() / fenetre.width(), sy = taille_wmf_.height() / fenetre.height();
        return QTransform(sx, 0, 0, sy, -fenetre.left() * sx, -fenetre.top() * sy);
    }
    double sx = 1, sy = 1;
    const auto metrique = [&](double mm) {
        sx = mm * pixels_par_mm_.width();
        sy = -mm * pixels_par_mm_.height();
    };
    switch (e.mode_map) {
    case MM_LOMETRIC: metrique(0.1); break;
    case MM_HIMETRIC: metrique(0.01); break;
    case MM_LOENGLISH: metrique(0.254); break;
    case MM_HIENGLISH: metrique(0.0254); break;
    case MM_TWIPS: metrique(25.4 / 1440); break;
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC:
        if (e.ext_fenetre.width() != 0 && e.ext_fenetre.height() != 0) {
            sx = e.ext_vue.width() / e.ext_fenetre.width();
            sy = e.ext_vue.height() / e.ext_fenetre.height();
            if (e.mode_map == MM_ISOTROPIC) {
                const double m = std::min(std::abs(sx), std::abs(sy));
                sx = sx < 0 ? -m : m;
                sy = sy < 0 ? -m : m;
            }
        }
        break;
    default: break;
    }
    return QTransform(sx, 0, 0, sy, e.org_vue.x() - e.org_fenetre.x() * sx, e.org_vue.y() - e.org_fenetre.y() * sy);
}

QTransform Dessin::complete() const
{
    return etat_.monde * page() * appareil_;
}

double Dessin::pixel_appareil() const
{
    return std::sqrt(std::abs(appareil_.determinant()));
}

bool Dessin::raisonnable(const QRectF& r) const
{
    return std::isfinite(r.left()) && std::isfinite(r.right()) && std::isfinite(r.top()) && std::isfinite(r.bottom())
        && r.left() > -etendue_maximale && r.top() > -etendue_maximale && r.right() < etendue_maximale
        && r.bottom() < etendue_maximale;
}

QPen Dessin::plume(const QTransform& t) const
{
    const Stylo& s = etat_.stylo;
    // A device pixel, or one of the picture's pixels when the device is coarser than the picture.
    const double un = std::min(pixel_appareil(), 1.0);
    const double echelle = std::sqrt(std::abs(t.determinant()));
    double largeur = std::max(s.largeur * echelle, un);
    if (!std::isfinite(largeur))
        largeur = un;
    largeur = std::min(largeur, 2.0 * (image_.width() + image_.height()));
    QPen pen(s.couleur, std::max(largeur, 0.5));
    pen.setCosmetic(true); // the width is already in the picture's pixels
    const quint32 cap = s.style & 0xF00, joint = s.style & 0xF000;
    pen.setCapStyle(cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
    pen.setJoinStyle(joint == 0x1000 ? Qt::BevelJoin : joint == 0x2000 ? Qt::MiterJoin : Qt::RoundJoin);
    pen.setMiterLimit(etat_.limite_onglet);
    // Dashes of thin pens are fixed in device pixels; those of wide pens follow the width.
    const double unite = s.largeur * echelle > 1.5 * un ? 1.0 : pixel_appareil() / largeur;
    QList<qreal> tirets;
    switch (s.style & 0xF) {
    case 1: tirets = {18, 6}; break;
    case 2: tirets = {3, 3}; break;
    case 3: tirets = {9, 6, 3, 6}; break;
    case 4: tirets = {9, 3, 3, 3, 3, 3}; break;
    case 8: tirets = {1, 1}; break;
    case 7:
        for (double d : s.tirets)
            tirets.append(std::max(d * echelle / largeur, 0.1));
        if (tirets.size() % 2)
            tirets.append(tirets);
        break;
    default: break;
    }
    if (!tirets.isEmpty()) {
        if ((s.style & 0xF) != 7) {
            for (qreal& d : tirets)
                d *= s.largeur * echelle > 1.5 * un ? 1.0 / 3 : unite;
        }
        pen.setCapStyle(Qt::FlatCap);
        pen.setDashPattern(tirets);
    }
    return pen;
}

QBrush Dessin::brosse(const Pinceau& p, const QTransform& t) const
{
    switch (p.genre) {
    case Pinceau::Genre::Nul:
        return Qt::NoBrush;
    case Pinceau::Genre::Plein:
        return QBrush(p.couleur);
    case Pinceau::Genre::Hachure: {
        static constexpr Qt::BrushStyle styles[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                                    Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(p.couleur, p.hachure < 6 ? styles[p.hachure] : Qt::SolidPattern);
    }
    case Pinceau::Genre::Motif: {
        if (p.motif.isNull())
            return QBrush(p.couleur);
        QBrush b(p.motif);
        const double un = pixel_appareil();
        b.setTransform(QTransform::fromScale(un, un) * t.inverted());
        return b;
    }
    }
    return Qt::NoBrush;
}

void Dessin::peindre(const QPainterPath& chemin, const QTransform& t, bool remplir, bool tracer)
{
    if (!raisonnable(t.mapRect(chemin.controlPointRect())))
        return;
    peintre_.setTransform(t);
    // Binary raster operations of the pen and brush with what is already drawn.
    static constexpr QPainter::CompositionMode modes_rop2[] = {
        QPainter::RasterOp_ClearDestination, QPainter::RasterOp_NotSourceAndNotDestination,
        QPainter::RasterOp_NotSourceAndDestination, QPainter::RasterOp_NotSource,
        QPainter::RasterOp_SourceAndNotDestination, QPainter::RasterOp_NotDestination,
        QPainter::RasterOp_SourceXorDestination, QPainter::RasterOp_NotSourceOrNotDestination,
        QPainter::RasterOp_SourceAndDestination, QPainter::RasterOp_NotSourceXorDestination,
        QPainter::CompositionMode_Destination, QPainter::RasterOp_NotSourceOrDestination,
        QPainter::CompositionMode_SourceOver, QPainter::RasterOp_SourceOrNotDestination,
        QPainter::RasterOp_SourceOrDestination, QPainter::RasterOp_SetDestination};
    const quint32 rop2 = etat_.rop2 >= 1 && etat_.rop2 <= 16 ? etat_.rop2 : 13;
    if (rop2 == 11) // R2_NOP
        return;
    peintre_.setCompositionMode(modes_rop2[rop2 - 1]);
    // The antialiased rasterizer walks every cell the sides cross, and a figure of long crossing
    // sides can cost it seconds; such a figure is drawn with hard edges. A wide pen's outline is
    // filled the same way and runs along both sides of the figure.
    const double longueur = longueur_des_cotes(chemin, t);
    if (remplir && etat_.pinceau.genre != Pinceau::Genre::Nul) {
        QPainterPath p = chemin;
        p.setFillRule(etat_.remplissage == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        peintre_.setRenderHint(QPainter::Antialiasing, longueur <= longueur_lissee_max);
        if (etat_.pinceau.genre == Pinceau::Genre::Hachure && etat_.mode_fond == OPAQUE)
            peintre_.fillPath(p, etat_.couleur_fond);
        peintre_.fillPath(p, brosse(etat_.pinceau, t));
    }
    if (tracer && !etat_.stylo.nul()) {
        const QPen stylo = plume(t);
        peintre_.setRenderHint(QPainter::Antialiasing, stylo.widthF() <= 1 || 2 * longueur <= longueur_lissee_max);
        peintre_.strokePath(chemin, stylo);
    }
    peintre_.setRenderHint(QPainter::Antialiasing, true);
    peintre_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Dessin::assurer_figure()
{
    if (!figure_ouverte_) {
        chemin_.moveTo((etat_.monde * page()).map(etat_.position));
        figure_ouverte_ = true;
    }
}

void Dessin::figure(const QPainterPath& logique, bool remplir, bool tracer)
{
    if (chemin_actif_) {
        chemin_.addPath((etat_.monde * page()).map(logique));
        figure_ouverte_ = false;
        return;
    }
    peindre(logique, complete(), remplir, tracer);
}

void Dessin::sauver()
{
    if (pile_.size() < 10000)
        pile_.push_back(etat_);
}

void Dessin::restaurer(int combien)
{
    qint64 niveau = combien < 0 ? qint64(pile_.size()) + combien : qint64(combien) - 1;
    if (niveau < 0 || niveau >= qint64(pile_.size()))
        return;
    etat_ = pile_[size_t(niveau)];
    pile_.resize(size_t(niveau));
    appliquer_decoupe();
}

bool Dessin::poser_monde(const QTransform& t)
{
    const double m[] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
    for (double v : m)
        if (!std::isfinite(v) || std::abs(v) > 1e9)
            return false;
    if (std::abs(t.determinant()) < 1e-12)
        return false;
    etat_.monde = t;
    return true;
}

void Dessin::modifier_monde(const QTransform& t, quint32 mode)
{
    switch (mode) {
    case 1: etat_.monde = QTransform(); break;
    case 2: poser_monde(t * etat_.monde); break;
    case 3: poser_monde(etat_.monde * t); break;
    case 4: poser_monde(t); break;
    default: break;
    }
}

// Objects.

void Dessin::borner_motif(Objet& objet)
{
    // Pattern bitmaps stay small (a pattern repeats), and all of them together are bounded: a file
    // full of pattern brushes must not hold unbounded memory.
    constexpr int cote_motif = 256;
    constexpr qint64 pixels_motifs_maximaux = 16'000'000;
    auto* pinceau = std::get_if<Pinceau>(&objet);
    if (!pinceau || pinceau->motif.isNull())
        return;
    if (pinceau->motif.width() > cote_motif || pinceau->motif.height() > cote_motif)
        pinceau->motif = pinceau->motif.scaled(std::min(pinceau->motif.width(), cote_motif),
                                               std::min(pinceau->motif.height(), cote_motif));
    const qint64 pixels = qint64(pinceau->motif.width()) * pinceau->motif.height();
    if (pixels_motifs_ + pixels > pixels_motifs_maximaux) {
        pinceau->motif = QImage();
        pinceau->genre = Pinceau::Genre::Plein;
        pinceau->couleur = Qt::gray;
        return;
    }
    pixels_motifs_ += pixels;
}

void Dessin::creer(quint32 index, Objet objet)
{
    if (index == 0 || index >= 65535)
        return;
    borner_motif(objet);
    if (index >= table_.size())
        table_.resize(index + 1);
    table_[index] = std::move(objet);
}

void Dessin::creer_wmf(Objet objet)
{
    borner_motif(objet);
    const auto libre = std::find_if(table_.begin(), table_.end(), [](const Objet& o) { return o.index() == 0; });
    if (libre != table_.end())
        *libre = std::move(objet);
    else if (table_.size() < 65535)
        table_.push_back(std::move(objet));
}

void Dessin::selectionner(quint32 index, bool wmf)
{
    if (!wmf && (index & 0x80000000u)) {
        const quint32 n = index & 0x7FFFFFFF;
        EtatDC& e = etat_;
        switch (n) {
        case 0: case 1: case 2: case 3: case 4: case 18: {
            static constexpr int gris[] = {255, 192, 128, 64, 0};
            e.pinceau = Pinceau{Pinceau::Genre::Plein, n == 18 ? QColor(Qt::white) : QColor(gris[n], gris[n], gris[n]), 0, {}};
            break;
        }
        case 5: e.pinceau.genre = Pinceau::Genre::Nul; break;
        case 6: e.stylo = Stylo{0, 0, Qt::white, {}}; break;
        case 7: case 19: e.stylo = Stylo{0, 0, Qt::black, {}}; break;
        case 8: e.stylo = Stylo{5, 0, Qt::black, {}}; break;
        case 10: case 11: case 16: e.police = Police{}; e.police.famille = 0x31; break;
        case 12: case 13: case 14: case 17: e.police = Police{}; break;
        default: break;
        }
        return;
    }
    if (index >= table_.size())
        return;
    const Objet& o = table_[index];
    if (const auto* s = std::get_if<Stylo>(&o))
        etat_.stylo = *s;
    else if (const auto* p = std::get_if<Pinceau>(&o))
        etat_.pinceau = *p;
    else if (const auto* f = std::get_if<Police>(&o))
        etat_.police = *f;
}

QBrush Dessin::brosse_objet(quint32 index) const
{
    if (index & 0x80000000u) {
        static constexpr int gris[] = {255, 192, 128, 64, 0};
        const quint32 n = index & 0x7FFFFFFF;
        if (n <= 4)
            return QColor(gris[n], gris[n], gris[n]);
        if (n == 5)
            return Qt::NoBrush;
    } else if (index < table_.size()) {
        if (const auto* p = std::get_if<Pinceau>(&table_[index]))
            return brosse(*p);
    }
    return brosse(etat_.pinceau);
}

void Dessin::supprimer(quint32 index)
{
    if (index < table_.size())
        table_[index] = std::monostate{};
}

// Figures.

void Dessin::deplacer(QPointF p)
{
    etat_.position = p;
    if (chemin_actif_) {
        chemin_.moveTo((etat_.monde * page()).map(p));
        figure_ouverte_ = true;
    }
}

void Dessin::ligne_vers(QPointF p)
{
    if (chemin_actif_) {
        assurer_figure();
        chemin_.lineTo((etat_.monde * page()).map(p));
    } else {
        if (traits_.isEmpty() || fin_traits_ != etat_.position)
            traits_.moveTo(etat_.position);
        traits_.lineTo(p);
        fin_traits_ = p;
        if (traits_.elementCount() > 64)
            vider_traits();
    }
    etat_.position = p;
}

void Dessin::vider_traits()
{
    if (traits_.isEmpty())
        return;
    const QPainterPath c = std::exchange(traits_, QPainterPath());
    peindre(c, complete(), false, true);
}

void Dessin::polyligne(const QPolygonF& points, bool depuis_position)
{
    if (points.isEmpty())
        return;
    if (chemin_actif_) {
        const QTransform t = etat_.monde * page();
        if (depuis_position)
            assurer_figure();
        else {
            chemin_.moveTo(t.map(points.first()));
            figure_ouverte_ = true;
        }
        for (qsizetype i = depuis_position ? 0 : 1; i < points.size(); ++i)
            chemin_.lineTo(t.map(points[i]));
    } else {
        QPainterPath c(depuis_position ? etat_.position : points.first());
        for (qsizetype i = depuis_position ? 0 : 1; i < points.size(); ++i)
            c.lineTo(points[i]);
        peindre(c, complete(), false, true);
    }
    if (depuis_position)
        etat_.position = points.last();
}

void Dessin::polygone(const QPolygonF& points)
{
    if (points.size() < 2)
        return;
    QPainterPath c;
    c.addPolygon(points);
    c.closeSubpath();
    figure(c, true, true);
}

void Dessin::polypolygone(const std::vector<QPolygonF>& polygones)
{
    QPainterPath c;
    for (const QPolygonF& p : polygones) {
        if (p.size() < 2)
            continue;
        c.addPolygon(p);
        c.closeSubpath();
    }
    figure(c, true, true);
}

void Dessin::polypolyligne(const std::vector<QPolygonF>& polylignes)
{
    QPainterPath c;
    for (const QPolygonF& p : polylignes)
        if (!p.isEmpty())
            c.addPolygon(p);
    figure(c, false, true);
}

void Dessin::beziers(const QPolygonF& points, bool depuis_position)
{
    QPainterPath c;
    qsizetype i = 0;
    if (depuis_position) {
        c.moveTo(etat_.position);
    } else {
        if (points.isEmpty())
            return;
        c.moveTo(points[0]);
        i = 1;
    }
    for (; i + 2 < points.size(); i += 3)
        c.cubicTo(points[i], points[i + 1], points[i + 2]);
    if (depuis_position && c.elementCount() > 1)
        etat_.position = c.currentPosition();
    if (chemin_actif_) {
        const QPainterPath d = (etat_.monde * page()).map(c);
        if (depuis_position && figure_ouverte_) {
            for (int k = 1; k < d.elementCount(); k += 3)
                if (k + 2 < d.elementCount())
                    chemin_.cubicTo(d.elementAt(k), d.elementAt(k + 1), d.elementAt(k + 2));
        } else {
            chemin_.addPath(d);
        }
        figure_ouverte_ = true;
        return;
    }
    peindre(c, complete(), false, true);
}

void Dessin::polydraw(const QPolygonF& points, const std::vector<quint8>& types)
{
    QPainterPath c(etat_.position);
    for (qsizetype i = 0; i < points.size() && size_t(i) < types.size(); ++i) {
        const quint8 type = types[size_t(i)] & 0x06;
        if (type == 0x06) {
            c.moveTo(points[i]);
        } else if (type == 0x02) {
            c.lineTo(points[i]);
        } else if (type == 0x04 && i + 2 < points.size()) {
            c.cubicTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
        }
        if (types[size_t(std::min<qsizetype>(i, qsizetype(types.size()) - 1))] & 0x01)
            c.closeSubpath();
    }
    etat_.position = c.currentPosition();
    if (chemin_actif_) {
        chemin_.addPath((etat_.monde * page()).map(c));
        figure_ouverte_ = true;
        return;
    }
    peindre(c, complete(), false, true);
}

void Dessin::rectangle(QRectF r)
{
    QPainterPath c;
    c.addRect(r.normalized());
    figure(c, true, true);
}

void Dessin::rectangle_arrondi(QRectF r, QSizeF coin)
{
    QPainterPath c;
    c.addRoundedRect(r.normalized(), std::abs(coin.width()) / 2, std::abs(coin.height()) / 2);
    figure(c, true, true);
}

void Dessin::ellipse(QRectF r)
{
    QPainterPath c;
    c.addEllipse(r.normalized());
    figure(c, true, true);
}

void Dessin::arc(QRectF r, QPointF debut, QPointF fin, Arc genre)
{
    r = r.normalized();
    const QPointF c = r.center();
    const double rx = r.width() / 2, ry = r.height() / 2;
    if (rx <= 0 || ry <= 0)
        return;
    const auto angle = [&](QPointF p) { return qRadiansToDegrees(std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx)); };
    const double a0 = angle(debut), a1 = angle(fin);
    // Directions are seen on the device: a mapping that turns the y axis up reverses them here.
    const bool anti = (etat_.sens_arc != 2) != ((etat_.monde * page()).determinant() < 0);
    double balayage = a1 - a0;
    if (anti) {
        while (balayage <= 0)
            balayage += 360;
    } else {
        while (balayage >= 0)
            balayage -= 360;
    }
    QPainterPath p;
    switch (genre) {
    case Arc::Arc:
        p.arcMoveTo(r, a0);
        p.arcTo(r, a0, balayage);
        figure(p, false, true);
        break;
    case Arc::ArcVers:
        arc_depuis_position(r, a0, balayage);
        break;
    case Arc::Corde:
        p.arcMoveTo(r, a0);
        p.arcTo(r, a0, balayage);
        p.closeSubpath();
        figure(p, true, true);
        break;
    case Arc::Secteur:
        p.moveTo(c);
        p.arcTo(r, a0, balayage);
        p.closeSubpath();
        figure(p, true, true);
        break;
    }
}

void Dessin::arc_angle(QPointF centre, double rayon, double depart, double balayage)
{
    if (!std::isfinite(depart) || !std::isfinite(balayage) || rayon <= 0)
        return;
    balayage = std::clamp(balayage, -3600.0, 3600.0);
    arc_depuis_position(QRectF(centre.x() - rayon, centre.y() - rayon, 2 * rayon, 2 * rayon), depart, balayage);
}

void Dessin::arc_depuis_position(const QRectF& r, double depart, double balayage)
{
    // A line from the current position to the arc's start, then the arc; its end becomes the
    // current position.
    QPainterPath p(etat_.position);
    QPainterPath debut;
    debut.arcMoveTo(r, depart);
    p.lineTo(debut.currentPosition());
    p.arcTo(r, depart, balayage);
    etat_.position = p.currentPosition();
    if (chemin_actif_) {
        assurer_figure();
        chemin_.connectPath((etat_.monde * page()).map(p));
        return;
    }
    peindre(p, complete(), false, true);
}

void Dessin::pixel(QPointF p, QColor c)
{
    const QPointF i = complete().map(p);
    const double un = std::max(pixel_appareil(), 1.0);
    if (!raisonnable(QRectF(i, QSizeF(un, un))))
        return;
    peintre_.resetTransform();
    peintre_.fillRect(QRectF(i.x(), i.y(), un, un), c);
}

void Dessin::remplir_rectangle(QRectF logique, const QBrush& b)
{
    QPainterPath c;
    c.addRect(logique.normalized());
    const QTransform t = complete();
    if (!raisonnable(t.mapRect(c.controlPointRect())))
        return;
    peintre_.setTransform(t);
    peintre_.fillPath(c, b);
}

void Dessin::motif_blt(QRectF logique, quint32 rop)
{
    switch (rop) {
    case 0x00000042: remplir_rectangle(logique, Qt::black); break;
    case 0x00FF0062: remplir_rectangle(logique, Qt::white); break;
    case 0x00550009:
        peintre_.setCompositionMode(QPainter::RasterOp_NotDestination);
        remplir_rectangle(logique, Qt::black);
        peintre_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        break;
    case 0x005A0049:
        peintre_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        remplir_rectangle(logique, brosse(etat_.pinceau));
        peintre_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        break;
    case 0x00AA0029: break; // destination unchanged
    default: remplir_rectangle(logique, brosse(etat_.pinceau)); break;
    }
}

// Paths.

void Dessin::debut_chemin()
{
    chemin_ = {};
    chemin_actif_ = true;
    figure_ouverte_ = false;
}

void Dessin::fermer_figure()
{
    if (chemin_actif_) {
        chemin_.closeSubpath();
        figure_ouverte_ = false;
    }
}

void Dessin::dessiner_chemin(bool remplir, bool tracer)
{
    chemin_actif_ = false;
    // The path is kept in device units: draw it with the device transform, and the pen as the
    // current world and page transforms size it.
    const QTransform monde_page = etat_.monde * page();
    const double echelle = std::sqrt(std::abs(monde_page.determinant()));
    const Stylo stylo = etat_.stylo;
    etat_.stylo.largeur *= echelle;
    peindre(chemin_, appareil_, remplir, tracer);
    etat_.stylo = stylo;
    chemin_ = {};
}

void Dessin::decouper_chemin(quint32 mode)
{
    chemin_actif_ = false;
    QPainterPath c = appareil_.map(chemin_);
    c.setFillRule(etat_.remplissage == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    if (raisonnable(c.controlPointRect()))
        combiner_decoupe(c, mode);
    chemin_ = {};
}

// Clipping.

void Dessin::appliquer_decoupe()
{
    peintre_.resetTransform();
    if (etat_.decoupe) {
        // A plain rectangle clips much faster as one.
        const QRectF boite = etat_.decoupe->boundingRect();
        const QList<QPolygonF> polygones = etat_.decoupe->toSubpathPolygons();
        const bool rectangle = polygones.size() == 1 && polygones[0].size() <= 5
            && std::all_of(polygones[0].begin(), polygones[0].end(), [&](QPointF p) {
                   return (p.x() == boite.left() || p.x() == boite.right()) && (p.y() == boite.top() || p.y() == boite.bottom());
               });
        if (rectangle)
            peintre_.setClipRect(boite);
        else
            peintre_.setClipPath(*etat_.decoupe);
    } else
        peintre_.setClipping(false);
}

void Dessin::combiner_decoupe(const QPainterPath& nouvelle, quint32 mode)
{
    QPainterPath tout;
    tout.addRect(QRectF(image_.rect()).adjusted(-1, -1, 1, 1));
    QPainterPath actuelle = etat_.decoupe.value_or(tout);
    QPainterPath p = nouvelle;
    // Boolean operations grow with the number of elements: very detailed regions count by their box.
    if (p.elementCount() > elements_decoupe_maximaux) {
        QPainterPath boite;
        boite.addRect(p.boundingRect());
        p = boite;
    }
    if (actuelle.elementCount() > elements_decoupe_maximaux) {
        QPainterPath boite;
        boite.addRect(actuelle.boundingRect());
        actuelle = boite;
    }
    switch (mode) {
    case RGN_AND: actuelle = actuelle.intersected(p); break;
    case RGN_OR: actuelle = actuelle.united(p); break;
    case RGN_XOR: actuelle = actuelle.united(p).subtracted(actuelle.intersected(p)); break;
    case RGN_DIFF: actuelle = actuelle.subtracted(p); break;
    case RGN_COPY: actuelle = p; break;
    default: return;
    }
    etat_.decoupe = actuelle;
    appliquer_decoupe();
}

void Dessin::decouper_rectangle(QRectF logique, bool exclure)
{
    QPainterPath c;
    c.addRect(logique.normalized());
    c = complete().map(c);
    if (!raisonnable(c.controlPointRect()))
        return;
    combiner_decoupe(c, exclure ? RGN_DIFF : RGN_AND);
}

void Dessin::decouper_region(const QPainterPath& appareil, quint32 mode)
{
    if (mode == RGN_COPY && appareil.isEmpty()) {
        etat_.decoupe.reset();
        appliquer_decoupe();
        return;
    }
    const QPainterPath c = appareil_.map(appareil);
    if (raisonnable(c.controlPointRect()))
        combiner_decoupe(c, mode);
}

void Dessin::decouper_region_logique(const QPainterPath& logique, quint32 mode)
{
    if (mode == RGN_COPY && logique.isEmpty()) {
        etat_.decoupe.reset();
        appliquer_decoupe();
        return;
    }
    const QPainterPath c = complete().map(logique);
    if (raisonnable(c.controlPointRect()))
        combiner_decoupe(c, mode);
}

void Dessin::decaler_decoupe(QPointF logique)
{
    if (!etat_.decoupe)
        return;
    const QTransform t = complete();
    const QPointF d = t.map(logique) - t.map(QPointF(0, 0));
    if (!raisonnable(QRectF(d, QSizeF(1, 1))))
        return;
    etat_.decoupe->translate(d);
    appliquer_decoupe();
}

void Dessin::remplir_region(const QPainterPath& logique, const QBrush& b)
{
    const QTransform t = complete();
    if (!raisonnable(t.mapRect(logique.controlPointRect())))
        return;
    peintre_.setTransform(t);
    peintre_.fillPath(logique, b);
}

void Dessin::encadrer_region(const QPainterPath& logique, const QBrush& b, QSizeF trait)
{
    const QTransform t = complete();
    if (!raisonnable(t.mapRect(logique.controlPointRect())))
        return;
    // The frame's width in the picture's pixels, held to the picture's size like any pen.
    const double largeur = std::max(std::abs(trait.width()), std::abs(trait.height())) * std::sqrt(std::abs(t.determinant()));
    QPen pen(b, std::isfinite(largeur) ? std::clamp(largeur, 1.0, 2.0 * (image_.width() + image_.height())) : 1.0);
    pen.setCosmetic(true);
    peintre_.setTransform(t);
    peintre_.strokePath(logique.simplified(), pen);
}

// Text.

bool chasse_fixe(const QString& nom)
{
    // Asked without any style hint, which would turn every unknown name into the default font:
    // fontconfig then gives its own stand-in for a family that is not installed (Nimbus Mono PS
    // for Courier New, for instance).
    QFont demande;
    demande.setFamilies({nom});
    return QFontInfo(demande).fixedPitch();
}

void Dessin::texte(QPointF reference, const QString& chaine, const std::vector<double>& avance, quint32 options,
                   std::optional<QRectF> cadre)
{
    const QTransform t = complete();
    const bool suivre = etat_.alignement & 1; // TA_UPDATECP
    if (suivre)
        reference = etat_.position;
    const QPointF p = t.map(reference);
    QPointF ux = t.map(reference + QPointF(1, 0)) - p;
    const QPointF uy = t.map(reference + QPointF(0, 1)) - p;
    const double sx = std::hypot(ux.x(), ux.y()), sy = std::hypot(uy.x(), uy.y());
    if (!std::isfinite(sx) || !std::isfinite(sy) || sx <= 0 || sy <= 0 || !raisonnable(QRectF(p, QSizeF(1, 1))))
        return;

    if (cadre && (options & ETO_OPAQUE)) {
        QPainterPath c;
        c.addRect(cadre->normalized());
        if (raisonnable(t.mapRect(c.controlPointRect()))) {
            peintre_.setTransform(t);
            peintre_.fillPath(c, etat_.couleur_fond);
        }
    }
    if (chaine.isEmpty())
        return;

    const Police& f = etat_.police;
    double hauteur = f.hauteur == 0 ? 16 * pixel_appareil() : std::abs(f.hauteur) * sy;
    const double limite = 4.0 * (image_.width() + image_.height());
    if (!std::isfinite(hauteur) || hauteur < 0.3 || hauteur > limite)
        return;
    // Symbol fonts are drawn as the Unicode characters their codes stand for, with fonts that hold them.
    const symboles::Jeu jeu = symboles::jeu(f.nom, f.jeu == 2);
    QFont police;
    QStringList familles;
    if (jeu != symboles::Jeu::Aucun)
        familles = symboles::familles_dessin();
    else if (!f.nom.isEmpty())
        familles << f.nom;
    // A family of fixed pitch not installed is drawn in the desktop's fixed-pitch font.
    const bool fixe = jeu == symboles::Jeu::Aucun && !f.nom.isEmpty() && chasse_fixe(f.nom);
    switch (fixe ? 0x30 : f.famille & 0xF0) {
    case 0x10: police.setStyleHint(QFont::Serif); familles << QStringLiteral("serif"); break;
    case 0x30: police.setStyleHint(QFont::Monospace); familles << QStringLiteral("monospace"); break;
    case 0x40: police.setStyleHint(QFont::Cursive); break;
    default:
        if ((f.famille & 3) == 1) {
            police.setStyleHint(QFont::Monospace);
            familles << QStringLiteral("monospace");
        } else {
            police.setStyleHint(QFont::SansSerif);
            familles << QStringLiteral("sans-serif");
        }
    }
    police.setFamilies(familles);
    police.setWeight(QFont::Weight(std::clamp(f.graisse ? f.graisse : 400, 100, 900)));
    police.setItalic(f.italique);
    police.setUnderline(f.souligne);
    police.setStrikeOut(f.barre);
    police.setPixelSize(entier_borne(hauteur, 1, int(limite)));
    if (f.hauteur > 0) { // cell height: the em is smaller
        const QFontMetricsF m(police);
        if (m.height() > 0)
            police.setPixelSize(entier_borne(hauteur * hauteur / m.height(), 1, int(limite)));
    }
    if (f.largeur != 0) {
        const QFontMetricsF m(police);
        const double voulue = std::abs(f.largeur) * sx;
        if (m.averageCharWidth() > 0)
            police.setStretch(entier_borne(100 * voulue / m.averageCharWidth(), 10, 400));
    }
    const QFontMetricsF m(police);

    // The text drawn and, when the file gives them, the advances of its UTF-16 units: a character
    // of a symbol font that becomes two units keeps its advance on the first.
    const bool avec_avance = avance.size() >= size_t(chaine.size());
    QString texte;
    std::vector<double> pas;
    if (jeu != symboles::Jeu::Aucun) {
        texte.reserve(chaine.size());
        for (qsizetype i = 0; i < chaine.size(); ++i) {
            const QChar c = chaine[i];
            if (c.isSurrogate()) {
                texte += c;
            } else {
                const char32_t u = symboles::unicode(jeu, c.unicode());
                texte += QString::fromUcs4(&u, 1);
            }
            if (avec_avance) {
                pas.push_back(avance[size_t(i)]);
                pas.resize(size_t(texte.size()), 0.0);
            }
        }
    } else {
        texte = chaine;
        if (f.jeu == 2) // other symbol fonts: Windows maps their glyphs into the private use area
            for (QChar& c : texte)
                if (c.unicode() >= 0xF020 && c.unicode() <= 0xF0FF)
                    c = QChar(c.unicode() - 0xF000);
        if (avec_avance)
            pas.assign(avance.begin(), avance.begin() + texte.size());
    }

    double largeur = 0;
    if (avec_avance) {
        for (double a : pas)
            largeur += a * sx;
    } else {
        largeur = m.horizontalAdvance(texte);
    }
    if (!std::isfinite(largeur) || std::abs(largeur) > 1e7)
        return;

    const double det = t.determinant();
    if (det < 0 && ux.x() < 0)
        ux = -ux; // a mirrored x axis still writes left to right
    // The escapement turns anticlockwise in logical space: clockwise as seen when an axis is mirrored.
    const double angle = qRadiansToDegrees(std::atan2(ux.y(), ux.x())) + (det < 0 ? 1 : -1) * f.echappement / 10.0;
    double x0 = 0;
    switch (etat_.alignement & 6) {
    case 2: x0 = -largeur; break;
    case 6: x0 = -largeur / 2; break;
    default: break;
    }
    double y = 0;
    switch (etat_.alignement & 24) {
    case 0: y = m.ascent(); break;
    case 8: y = -m.descent(); break;
    default: break;
    }

    peintre_.save();
    if (cadre && (options & ETO_CLIPPED)) {
        QPainterPath c;
        c.addRect(cadre->normalized());
        peintre_.setTransform(t);
        if (raisonnable(t.mapRect(c.controlPointRect())))
            peintre_.setClipPath(c, Qt::IntersectClip);
    }
    QTransform position;
    position.translate(p.x(), p.y());
    position.rotate(angle);
    peintre_.setTransform(position);
    if (etat_.mode_fond == OPAQUE)
        peintre_.fillRect(QRectF(x0, y - m.ascent(), largeur, m.ascent() + m.descent()), etat_.couleur_fond);
    peintre_.setFont(police);
    peintre_.setPen(etat_.couleur_texte);
    // The advances were measured by the file's writer with the font it asked for. When another font
    // stands in for it, its glyphs placed at those advances look letter-spaced or overlap: the run
    // is drawn with its own advances instead, stretched or narrowed to the same overall width.
    // Symbols keep their places, each centred on its own advance.
    // A stand-in made to the same measures (as the desktop's fonts are for the common Windows ones)
    // fits the advances: its letters keep their places.
    const bool substitut = jeu == symboles::Jeu::Aucun
        && (f.nom.isEmpty() || QFontInfo(police).family().compare(f.nom, Qt::CaseInsensitive) != 0);
    const auto s_y_accorde = [&] {
        double ecart = 0;
        for (qsizetype i = 0; i < texte.size(); ++i)
            ecart += std::abs(pas[size_t(i)] * sx - m.horizontalAdvance(texte[i]));
        return ecart <= 0.06 * police.pixelSize() * double(texte.size());
    };
    const double naturelle = avec_avance && substitut && !s_y_accorde() ? m.horizontalAdvance(texte) : 0;
    // Within bounds: Qt's glyph cache fails on a glyph stretched hugely for a picture of that size.
    const double etirement = naturelle > 0 ? largeur / naturelle : 0;
    // Only a run the advances space out is drawn so: one they squeeze keeps each letter at its
    // advance, where a squeezed small glyph would blur.
    if (avec_avance && std::isfinite(etirement) && etirement > 1 && etirement <= 10
        && etirement * police.pixelSize() <= limite) {
        QTransform run = position;
        run.translate(x0, y);
        run.scale(etirement, 1);
        peintre_.setTransform(run);
        peintre_.drawText(QPointF(0, 0), texte);
    } else if (avec_avance) {
        double x = x0;
        for (qsizetype i = 0; i < texte.size(); ++i) {
            const qsizetype n = texte[i].isHighSurrogate() && i + 1 < texte.size() ? 2 : 1;
            const QString morceau = texte.mid(i, n);
            double cellule = 0;
            for (qsizetype k = 0; k < n; ++k)
                cellule += pas[size_t(i + k)] * sx;
            const double decalage = jeu == symboles::Jeu::Aucun ? 0 : (cellule - m.horizontalAdvance(morceau)) / 2;
            peintre_.drawText(QPointF(x + decalage, y), morceau);
            x += cellule;
            i += n - 1;
        }
    } else {
        peintre_.drawText(QPointF(x0, y), texte);
    }
    peintre_.restore();
    if (suivre)
        etat_.position = reference + QPointF(largeur / sx, 0);
}

// Bitmaps.

void Dessin::image(QRectF cible, const QImage& img, QRectF source, quint32 rop, int alpha_constant)
{
    if (img.isNull() || source.width() == 0 || source.height() == 0)
        return;
    const QTransform t = complete();
    if (!raisonnable(t.mapRect(cible)))
        return;
    // Only the part of the source inside the bitmap shows; a source rectangle far outside it
    // (coordinates near the 32-bit limits) must not reach the painter's integer arithmetic.
    const QRectF s = source.normalized().intersected(QRectF(img.rect()));
    if (s.isEmpty())
        return;
    // Source rectangle onto target rectangle, mirrored when a width or a height is negative.
    const QTransform ajuste(cible.width() / source.width(), 0, 0, cible.height() / source.height(),
                            cible.left() - source.left() * cible.width() / source.width(),
                            cible.top() - source.top() * cible.height() / source.height());
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
    case 0x00EE0086: mode = QPainter::RasterOp_SourceOrDestination; break;
    case 0x008800C6: mode = QPainter::RasterOp_SourceAndDestination; break;
    case 0x00660046: mode = QPainter::RasterOp_SourceXorDestination; break;
    case 0x00440328: mode = QPainter::RasterOp_SourceAndNotDestination; break;
    case 0x00330008: mode = QPainter::RasterOp_NotSource; break;
    case 0x001100A6: mode = QPainter::RasterOp_NotSourceAndNotDestination; break;
    case 0x00BB0226: mode = QPainter::RasterOp_NotSourceOrDestination; break;
    case 0x00AA0029: return;
    default: break;
    }
    const QImage src = mode == QPainter::CompositionMode_SourceOver || !img.hasAlphaChannel()
        ? img : img.convertToFormat(QImage::Format_RGB32);
    peintre_.save();
    peintre_.setTransform(ajuste * t);
    peintre_.setCompositionMode(mode);
    if (alpha_constant >= 0)
        peintre_.setOpacity(alpha_constant / 255.0);
    peintre_.drawImage(s, src, s);
    peintre_.restore();
}

} // namespace gdi
