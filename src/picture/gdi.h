#pragma once

// Playback of Windows GDI drawing calls onto a QImage with QPainter, shared by the WMF and EMF
// readers: the device context (mapping mode, window and viewport, world transform, selected pen,
// brush and font, colours, clipping, path bracket, SaveDC stack), the object table, and one method
// per kind of drawing. Coordinates handed in are logical units; the readers have already checked
// every size and count against their records.

#include "picture/octets.h"

#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <optional>
#include <variant>
#include <vector>

namespace gdi {

// Stock-object, mode and flag values of GDI, as stored in metafiles.
enum : quint32 {
    MM_TEXT = 1, MM_LOMETRIC, MM_HIMETRIC, MM_LOENGLISH, MM_HIENGLISH, MM_TWIPS, MM_ISOTROPIC, MM_ANISOTROPIC,
};
enum : quint32 { TRANSPARENT = 1, OPAQUE = 2 };
enum : quint32 { ALTERNATE = 1, WINDING = 2 };
enum : quint32 { RGN_AND = 1, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY };
enum : quint32 { ETO_OPAQUE = 2, ETO_CLIPPED = 4 };

struct Stylo {
    quint32 style = 0;        // PS_* with end cap, join and type bits
    double largeur = 0;       // logical units; 0 = one device pixel
    QColor couleur = Qt::black;
    std::vector<double> tirets; // PS_USERSTYLE lengths, logical units
    bool nul() const { return (style & 0xF) == 5; }
};

struct Pinceau {
    enum class Genre { Plein, Nul, Hachure, Motif } genre = Genre::Plein;
    QColor couleur = Qt::white;
    quint32 hachure = 0;
    QImage motif;
};

struct Police {
    double hauteur = 0; // lfHeight: negative = em height, positive = cell height, 0 = default
    double largeur = 0;
    double echappement = 0; // tenths of degree, anticlockwise
    int graisse = 400;
    bool italique = false, souligne = false, barre = false;
    quint8 jeu = 0, famille = 0;
    QString nom;
};

struct Autre {}; // palette, region or anything else that only holds a slot of the table

using Objet = std::variant<std::monostate, Stylo, Pinceau, Police, Autre>;

struct EtatDC {
    Stylo stylo;
    Pinceau pinceau;
    Police police;
    QColor couleur_texte = Qt::black, couleur_fond = Qt::white;
    quint32 mode_fond = OPAQUE, alignement = 0, remplissage = ALTERNATE, mode_map = MM_TEXT;
    quint32 sens_arc = 1; // 1 anticlockwise, 2 clockwise
    quint32 rop2 = 13;    // R2_COPYPEN
    QPointF org_fenetre, org_vue;
    QSizeF ext_fenetre{1, 1}, ext_vue{1, 1};
    bool fenetre_posee = false;
    QTransform monde;
    QPointF position;
    double limite_onglet = 10;
    std::optional<QPainterPath> decoupe; // image coordinates; none = the whole picture
};

// `v` rounded, within [minimum, maximum] (NaN gives minimum).
int entier_borne(double v, int minimum, int maximum);

// Whether family `nom`, or the stand-in the desktop's font configuration gives for it, has a
// fixed pitch.
bool chasse_fixe(const QString& nom);

// A bitmap source as the records describe it: the BITMAPINFO and the pixel bits.
QImage lire_dib(Octets info, Octets bits, bool alpha = false);
// A packed DIB (BITMAPINFO then the bits, as WMF records hold it).
QImage lire_dib_compact(Octets dib);

class Dessin {
public:
    // `appareil_vers_image` maps device units to the pixels of `image`. For WMF, device units are the
    // picture's natural pixels (`wmf_taille`), which `wmf_cadre`, a logical rectangle, fills until the
    // file sets its window. `pixels_par_mm` are the device pixels per millimetre (fixed mapping modes).
    Dessin(QImage& image, QTransform appareil_vers_image, QSizeF pixels_par_mm, std::optional<QRectF> wmf_cadre,
           QSizeF wmf_taille, qint64 budget_ms);
    ~Dessin();
    Dessin(const Dessin&) = delete;
    Dessin& operator=(const Dessin&) = delete;

    bool temps_ecoule() const { return chrono_.hasExpired(budget_ms_); }
    // For the EMF+ records of files that have no GDI drawing beside them.
    QPainter& peintre() { return peintre_; }
    const QTransform& appareil() const { return appareil_; }
    QSize taille_image() const { return image_.size(); }
    EtatDC& etat() { return etat_; }
    QTransform complete() const; // logical -> image

    // Device context.
    void sauver();
    void restaurer(int combien); // RestoreDC: negative = relative, positive = absolute level
    bool poser_monde(const QTransform& t);
    void modifier_monde(const QTransform& t, quint32 mode);

    // Objects. EMF names the slot; WMF takes the lowest free one.
    void creer(quint32 index, Objet objet);
    void creer_wmf(Objet objet);
    void selectionner(quint32 index, bool wmf);
    void supprimer(quint32 index);
    void taille_table(quint32 n) { table_.assign(std::min<quint32>(n, 65535), {}); }

    // Lines from LineTo records gather into one path until another record comes: call this then.
    void vider_traits();

    // Figures, in logical units.
    void deplacer(QPointF p);
    void ligne_vers(QPointF p);
    void polyligne(const QPolygonF& points, bool depuis_position);
    void polygone(const QPolygonF& points);
    void polypolygone(const std::vector<QPolygonF>& polygones);
    void polypolyligne(const std::vector<QPolygonF>& polylignes);
    void beziers(const QPolygonF& points, bool depuis_position);
    void polydraw(const QPolygonF& points, const std::vector<quint8>& types);
    void rectangle(QRectF r);
    void rectangle_arrondi(QRectF r, QSizeF coin);
    void ellipse(QRectF r);
    enum class Arc { Arc, ArcVers, Corde, Secteur };
    void arc(QRectF r, QPointF debut, QPointF fin, Arc genre);
    void arc_angle(QPointF centre, double rayon, double depart, double balayage);
    void pixel(QPointF p, QColor c);
    void remplir_rectangle(QRectF logique, const QBrush& b); // PatBlt-like fill, no outline
    void motif_blt(QRectF logique, quint32 rop);

    // Paths.
    void debut_chemin();
    void fin_chemin() { chemin_actif_ = false; }
    void abandon_chemin() { chemin_actif_ = false; chemin_ = {}; }
    void fermer_figure();
    void dessiner_chemin(bool remplir, bool tracer);
    void decouper_chemin(quint32 mode);

    // Clipping.
    void decouper_rectangle(QRectF logique, bool exclure);
    void decouper_region(const QPainterPath& appareil, quint32 mode); // device units (EMF)
    void decouper_region_logique(const QPainterPath& logique, quint32 mode);
    void decaler_decoupe(QPointF logique);
    void remplir_region(const QPainterPath& logique, const QBrush& b);
    void encadrer_region(const QPainterPath& logique, const QBrush& b, QSizeF trait);

    // Text: `avance` holds per-character advances in logical units (may be empty).
    void texte(QPointF reference, const QString& chaine, const std::vector<double>& avance, quint32 options,
               std::optional<QRectF> cadre);

    // Bitmaps: `source` in the bitmap's pixels, `cible` in logical units.
    void image(QRectF cible, const QImage& img, QRectF source, quint32 rop, int alpha_constant = -1);

    QBrush brosse(const Pinceau& p) const { return brosse(p, complete()); }
    // The brush of table slot `index` (or a stock brush); the selected one when there is none.
    QBrush brosse_objet(quint32 index) const;
    QBrush brosse(const Pinceau& p, const QTransform& t) const;
    static QColor couleur(quint32 colorref) { return QColor(colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF); }

private:
    QTransform page() const;
    double pixel_appareil() const; // one device pixel, in image pixels
    QPen plume(const QTransform& t) const;
    void appliquer_decoupe();
    void combiner_decoupe(const QPainterPath& image, quint32 mode);
    bool raisonnable(const QRectF& image) const;
    // Draws (or adds to the open path) a figure given in logical units.
    void figure(const QPainterPath& logique, bool remplir, bool tracer);
    // A line from the current position to the start of the arc in `r`, then the arc.
    void arc_depuis_position(const QRectF& r, double depart, double balayage);
    void peindre(const QPainterPath& chemin, const QTransform& t, bool remplir, bool tracer);
    void borner_motif(Objet& objet);
    void assurer_figure();

    QImage& image_;
    QPainter peintre_;
    QTransform appareil_;
    QSizeF pixels_par_mm_;
    std::optional<QRectF> cadre_wmf_;
    QSizeF taille_wmf_;
    EtatDC etat_;
    std::vector<EtatDC> pile_;
    std::vector<Objet> table_;
    QPainterPath chemin_; // device units (world and page transforms applied)
    bool chemin_actif_ = false;
    qint64 pixels_motifs_ = 0; // held by pattern brushes of the table, bounded
    QPainterPath traits_; // pending LineTo lines, logical units
    QPointF fin_traits_;
    bool figure_ouverte_ = false;
    QElapsedTimer chrono_;
    qint64 budget_ms_;
};

} // namespace gdi
