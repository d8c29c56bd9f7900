#include "picture/heif.h"

#include "picture/avif.h"
#include "picture/bandes.h"
#include "picture/chargeur.h"
#include "picture/contenu.h"

#include <QColorSpace>
#include <QImage>
#include <QList>
#include <QThread>
#include <QVariant>
#include <QtEndian>

#include <libheif/heif.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

// ---- Owners of libheif's objects ----

struct LibererContexte {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct LibererPoignee {
    void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
};
struct LibererImage {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct LibererOptions {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
struct LibererNclx {
    void operator()(heif_color_profile_nclx* n) const { heif_nclx_color_profile_free(n); }
};
using Contexte = std::unique_ptr<heif_context, LibererContexte>;
using Poignee = std::unique_ptr<heif_image_handle, LibererPoignee>;
using ImageHeif = std::unique_ptr<heif_image, LibererImage>;
using Nclx = std::unique_ptr<heif_color_profile_nclx, LibererNclx>;

// A context bounded as the program bounds every picture, decoding tiles on the machine's cores.
Contexte nouveau_contexte()
{
    Contexte contexte(heif_context_alloc());
    if (contexte) {
        heif_context_set_maximum_image_size_limit(contexte.get(), int(cote_maximal));
        heif_context_set_max_decoding_threads(contexte.get(), std::max(1, QThread::idealThreadCount()));
    }
    return contexte;
}

// ---- The boxes of the file (ISO base media format), as far as this reader looks into them ----

struct Boite {
    QByteArrayView type;
    qint64 contenu = 0; // where its content starts
    qint64 fin = 0; // where it ends
};

// The boxes laid one after the other in [debut, fin) of `octets`, in order; stops at the first box
// whose header is short or whose size runs past `fin`.
std::vector<Boite> boites(QByteArrayView octets, qint64 debut, qint64 fin)
{
    std::vector<Boite> liste;
    fin = std::min<qint64>(fin, octets.size());
    qint64 position = debut;
    while (position >= 0 && fin - position >= 8 && liste.size() < 4096) {
        const qint64 taille32 = qFromBigEndian<quint32>(octets.data() + position);
        qint64 entete = 8, taille = taille32;
        if (taille32 == 1) {
            if (fin - position < 16)
                break;
            const quint64 grande = qFromBigEndian<quint64>(octets.data() + position + 8);
            if (grande > quint64(fin - position))
                break;
            entete = 16;
            taille = qint64(grande);
        } else if (taille32 == 0) {
            taille = fin - position;
        }
        if (taille < entete || taille > fin - position)
            break;
        liste.push_back({octets.sliced(position + 4, 4), position + entete, position + taille});
        position += taille;
    }
    return liste;
}

const Boite* trouver(const std::vector<Boite>& liste, const char* type)
{
    for (const Boite& b : liste)
        if (b.type == QByteArrayView(type, 4))
            return &b;
    return nullptr;
}

// What the meta box says of the items: their properties and which items a derived picture (a grid
// of tiles) is made from.
struct Meta {
    std::vector<Boite> proprietes; // the boxes of ipco, numbered from 1
    std::vector<std::pair<heif_item_id, int>> associations; // item, property number (ipma)
    std::vector<std::pair<heif_item_id, heif_item_id>> dimg; // derived item, its first source (iref)

    // The property boxes of `type` given to `id`, in the order of the associations.
    std::vector<const Boite*> de(heif_item_id id, const char* type) const
    {
        std::vector<const Boite*> trouvees;
        for (const auto& [element, numero] : associations)
            if (element == id && numero >= 1 && size_t(numero) <= proprietes.size()
                && proprietes[numero - 1].type == QByteArrayView(type, 4))
                trouvees.push_back(&proprietes[numero - 1]);
        return trouvees;
    }
};

// The meta box of a whole file held in `fichier` (which the boxes returned point into); nullopt
// when it cannot be read.
std::optional<Meta> lire_meta(QByteArrayView fichier)
{
    const auto haut = boites(fichier, 0, fichier.size());
    const Boite* meta = trouver(haut, "meta");
    if (!meta || meta->fin - meta->contenu < 4)
        return std::nullopt;
    const auto dans_meta = boites(fichier, meta->contenu + 4, meta->fin); // a full box: version and flags first
    const Boite* iprp = trouver(dans_meta, "iprp");
    if (!iprp)
        return std::nullopt;
    const auto dans_iprp = boites(fichier, iprp->contenu, iprp->fin);
    const Boite* ipco = trouver(dans_iprp, "ipco");
    if (!ipco)
        return std::nullopt;
    Meta m;
    m.proprietes = boites(fichier, ipco->contenu, ipco->fin);
    const auto octet = [&](qint64 p) { return quint8(fichier[p]); };
    const auto mot = [&](qint64 p, int octets) {
        return octets == 2 ? quint32(qFromBigEndian<quint16>(fichier.data() + p)) : qFromBigEndian<quint32>(fichier.data() + p);
    };

    for (const Boite& ipma : dans_iprp) {
        if (ipma.type != QByteArrayView("ipma", 4))
            continue;
        qint64 p = ipma.contenu;
        if (ipma.fin - p < 8)
            return std::nullopt;
        const int octets_id = octet(p) < 1 ? 2 : 4;
        const int octets_association = octet(p + 3) & 1 ? 2 : 1;
        const quint32 entrees = mot(p + 4, 4);
        p += 8;
        for (quint32 e = 0; e < entrees; ++e) {
            if (ipma.fin - p < octets_id + 1)
                return std::nullopt;
            const heif_item_id element = mot(p, octets_id);
            const int associations = octet(p + octets_id);
            p += octets_id + 1;
            if (ipma.fin - p < qint64(associations) * octets_association)
                return std::nullopt;
            for (int a = 0; a < associations; ++a, p += octets_association)
                m.associations.emplace_back(element, octets_association == 2 ? mot(p, 2) & 0x7FFF : octet(p) & 0x7F);
        }
    }

    if (const Boite* iref = trouver(dans_meta, "iref"); iref && iref->fin - iref->contenu >= 4) {
        const int octets_id = octet(iref->contenu) < 1 ? 2 : 4;
        for (const Boite& reference : boites(fichier, iref->contenu + 4, iref->fin))
            if (reference.type == QByteArrayView("dimg", 4) && reference.fin - reference.contenu >= 2 * octets_id + 2
                && mot(reference.contenu + octets_id, 2) > 0)
                m.dimg.emplace_back(mot(reference.contenu, octets_id), mot(reference.contenu + octets_id + 2, octets_id));
    }
    return m;
}

// The rotation (irot: quarter turns anticlockwise) and mirroring (imir: axis, -1 for none) of an item.
struct Retournement {
    int quarts = 0;
    int miroir = -1;
    bool operator==(const Retournement&) const = default;
};

Retournement retournement(QByteArrayView fichier, const Meta& meta, heif_item_id id)
{
    Retournement r;
    for (const Boite* irot : meta.de(id, "irot"))
        if (irot->fin > irot->contenu)
            r.quarts = quint8(fichier[irot->contenu]) & 3;
    for (const Boite* imir : meta.de(id, "imir"))
        if (imir->fin > imir->contenu)
            r.miroir = quint8(fichier[imir->contenu]) & 1;
    return r;
}

// How the pixels of an item are coded, from its decoder configuration (hvcC, av1C), or its first
// tile's for a grid: bits per sample, and chroma samples for each pixel, counted in quarters
// (0 for grey, 2 for 4:2:0, 4 for 4:2:2, 8 for 4:4:4).
struct Codage {
    int bits = 16;
    int quarts_chroma = 8;
    bool av1 = false; // AVIF: AV1 coding
};

std::optional<Codage> codage(QByteArrayView fichier, const Meta& meta, heif_item_id id)
{
    for (int profondeur = 0; profondeur < 4; ++profondeur) {
        for (const Boite* hvcc : meta.de(id, "hvcC")) {
            if (hvcc->fin - hvcc->contenu < 19)
                return std::nullopt;
            static constexpr int quarts[4] = {0, 2, 4, 8};
            return Codage {8 + (quint8(fichier[hvcc->contenu + 17]) & 7), quarts[quint8(fichier[hvcc->contenu + 16]) & 3]};
        }
        for (const Boite* av1c : meta.de(id, "av1C")) {
            if (av1c->fin - av1c->contenu < 3)
                return std::nullopt;
            const quint8 o = quint8(fichier[av1c->contenu + 2]);
            const int bits = o & 0x40 ? (o & 0x20 ? 12 : 10) : 8;
            const int quarts = o & 0x10 ? 0 : (o & 0x08) && (o & 0x04) ? 2 : (o & 0x08) ? 4 : 8;
            return Codage {bits, quarts, true};
        }
        const auto source = std::find_if(meta.dimg.begin(), meta.dimg.end(), [&](const auto& d) { return d.first == id; });
        if (source == meta.dimg.end())
            return std::nullopt;
        id = source->second;
    }
    return std::nullopt;
}

// ---- Reading the header only ----

// Hands libheif the file from the device, except the content of the media data boxes ('mdat'),
// which holds the coded pixels: libheif 1.15 reads the primary picture's coded data while it reads
// the header, and it is not needed for the sizes. Those bytes come as zeros, without reading them
// from the disk.
struct SourceEntete {
    QIODevice* appareil = nullptr;
    qint64 taille = 0;
    qint64 position = 0;
    std::vector<std::pair<qint64, qint64>> sautees; // [start, end) of each mdat box's content, in order
    bool echec = false; // the device failed: what was read is not the file

    // Reads [debut, fin) of the file into `sortie`.
    void lire(char* sortie, qint64 debut, qint64 fin)
    {
        if (!appareil->seek(debut) || appareil->read(sortie, fin - debut) != fin - debut)
            echec = true;
    }

    static int64_t position_courante(void* source) { return static_cast<SourceEntete*>(source)->position; }

    // libheif asserts that some reads succeed: one that fails, or runs past the end, gives zeros
    // instead, and the whole reading is then dropped.
    static int lire_rappel(void* donnees, size_t n, void* source)
    {
        auto* s = static_cast<SourceEntete*>(source);
        char* sortie = static_cast<char*>(donnees);
        if (n == 0) // libheif asks for nothing, at times into no buffer at all
            return 0;
        std::memset(sortie, 0, n);
        if (n > size_t(s->taille - s->position)) {
            s->echec = true;
            return 0;
        }
        const qint64 debut = s->position, fin = s->position + qint64(n);
        qint64 p = debut;
        for (const auto& [a, b] : s->sautees) {
            if (b <= p)
                continue;
            if (a >= fin)
                break;
            if (a > p && !s->echec)
                s->lire(sortie + (p - debut), p, a);
            p = std::min(b, fin);
        }
        if (p < fin && !s->echec)
            s->lire(sortie + (p - debut), p, fin);
        s->position = fin;
        return 0;
    }

    static int aller(int64_t position, void* source)
    {
        auto* s = static_cast<SourceEntete*>(source);
        if (position < 0 || position > s->taille)
            s->echec = true;
        s->position = std::clamp<qint64>(position, 0, s->taille);
        return 0;
    }

    static heif_reader_grow_status attendre(int64_t taille_voulue, void* source)
    {
        return taille_voulue > static_cast<SourceEntete*>(source)->taille ? heif_reader_grow_status_size_beyond_eof
                                                                          : heif_reader_grow_status_size_reached;
    }
};

// The size of the primary picture after its transformations, from the file's header; invalid when
// the file is not a HEIF picture we read.
QSize lire_taille(QIODevice* appareil)
{
    if (!appareil || !appareil->isReadable())
        return {};
    SourceEntete source;
    source.appareil = appareil;
    source.taille = appareil->size();
    if (source.taille <= 0 || source.taille > octets_lecture_maximaux)
        return {};
    // The top-level boxes, from their headers alone.
    qint64 position = 0;
    for (int n = 0; n < 4096 && source.taille - position >= 8; ++n) {
        char entete[16];
        const qint64 lus = appareil->seek(position) ? appareil->read(entete, 16) : -1;
        if (lus < 8)
            break;
        qint64 longueur = qFromBigEndian<quint32>(entete), taille_entete = 8;
        if (longueur == 1) {
            if (lus < 16)
                break;
            longueur = qint64(std::min<quint64>(qFromBigEndian<quint64>(entete + 8), quint64(source.taille)));
            taille_entete = 16;
        } else if (longueur == 0) {
            longueur = source.taille - position;
        }
        if (longueur < taille_entete)
            break;
        const qint64 fin = longueur > source.taille - position ? source.taille : position + longueur;
        if (QByteArrayView(entete + 4, 4) == QByteArrayView("mdat", 4))
            source.sautees.emplace_back(position + taille_entete, fin);
        position = fin;
    }

    const heif_reader lecteur {
        1, &SourceEntete::position_courante, &SourceEntete::lire_rappel, &SourceEntete::aller, &SourceEntete::attendre};
    QSize taille;
    const Contexte contexte = nouveau_contexte();
    if (contexte && heif_context_read_from_reader(contexte.get(), &lecteur, &source, nullptr).code == heif_error_Ok
        && !source.echec) {
        heif_image_handle* p = nullptr;
        if (heif_context_get_primary_image_handle(contexte.get(), &p).code == heif_error_Ok) {
            const Poignee primaire(p);
            const int largeur = heif_image_handle_get_width(primaire.get());
            const int hauteur = heif_image_handle_get_height(primaire.get());
            if (dimensions_vraisemblables(largeur, hauteur))
                taille = QSize(largeur, hauteur);
        }
    }
    appareil->seek(0);
    return taille;
}

// ---- Colours ----

using Matrice = std::array<std::array<double, 3>, 3>;

Matrice produit(const Matrice& a, const Matrice& b)
{
    Matrice m {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                m[i][j] += a[i][k] * b[k][j];
    return m;
}

Matrice inverse(const Matrice& m)
{
    const double d = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
        + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (std::abs(d) < 1e-12)
        return {};
    Matrice r;
    r[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / d;
    r[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / d;
    r[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / d;
    r[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / d;
    r[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / d;
    r[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / d;
    r[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / d;
    r[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / d;
    r[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / d;
    return r;
}

// Chromaticities of the red, green and blue primaries and of the white point (x, y).
struct Primaires {
    QPointF rouge, vert, bleu, blanc;
};

const QPointF d65(0.3127, 0.3290);
const Primaires primaires_bt709 {{0.640, 0.330}, {0.300, 0.600}, {0.150, 0.060}, d65};
const Primaires primaires_bt2020 {{0.708, 0.292}, {0.170, 0.797}, {0.131, 0.046}, d65};

// The colour primaries coded in an nclx box (ITU-T H.273); nullopt for unspecified or unknown ones.
std::optional<Primaires> primaires_nclx(int code)
{
    const QPointF c(0.310, 0.316);
    switch (code) {
    case 1:
        return primaires_bt709;
    case 4:
        return Primaires {{0.67, 0.33}, {0.21, 0.71}, {0.14, 0.08}, c};
    case 5:
        return Primaires {{0.64, 0.33}, {0.29, 0.60}, {0.15, 0.06}, d65};
    case 6:
    case 7:
        return Primaires {{0.630, 0.340}, {0.310, 0.595}, {0.155, 0.070}, d65};
    case 8:
        return Primaires {{0.681, 0.319}, {0.243, 0.692}, {0.145, 0.049}, c};
    case 9:
        return primaires_bt2020;
    case 11:
        return Primaires {{0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}, {0.314, 0.351}};
    case 12:
        return Primaires {{0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}, d65};
    case 22:
        return Primaires {{0.630, 0.340}, {0.295, 0.605}, {0.155, 0.077}, d65};
    default:
        return std::nullopt;
    }
}

Matrice rgb_vers_xyz(const Primaires& p)
{
    const auto xyz = [](QPointF c) { return std::array<double, 3> {c.x() / c.y(), 1.0, (1 - c.x() - c.y()) / c.y()}; };
    const auto r = xyz(p.rouge), v = xyz(p.vert), b = xyz(p.bleu), w = xyz(p.blanc);
    const Matrice colonnes {{{r[0], v[0], b[0]}, {r[1], v[1], b[1]}, {r[2], v[2], b[2]}}};
    const Matrice inv = inverse(colonnes);
    std::array<double, 3> s {};
    for (int i = 0; i < 3; ++i)
        s[i] = inv[i][0] * w[0] + inv[i][1] * w[1] + inv[i][2] * w[2];
    Matrice m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[i][j] = colonnes[i][j] * s[j];
    return m;
}

// Linear RGB of `source` to linear RGB of BT.709 / sRGB, the white point adapted (Bradford).
Matrice vers_bt709(const Primaires& source)
{
    const Matrice bradford {{{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}}};
    const auto cone = [&](QPointF c) {
        const double x = c.x() / c.y(), z = (1 - c.x() - c.y()) / c.y();
        return std::array<double, 3> {bradford[0][0] * x + bradford[0][1] + bradford[0][2] * z,
            bradford[1][0] * x + bradford[1][1] + bradford[1][2] * z, bradford[2][0] * x + bradford[2][1] + bradford[2][2] * z};
    };
    const auto de = cone(source.blanc), vers = cone(d65);
    const Matrice echelle {{{vers[0] / de[0], 0, 0}, {0, vers[1] / de[1], 0}, {0, 0, vers[2] / de[2]}}};
    const Matrice adaptation = produit(inverse(bradford), produit(echelle, bradford));
    return produit(inverse(rgb_vers_xyz(primaires_bt709)), produit(adaptation, rgb_vers_xyz(source)));
}

// Inverse of the BT.709 (and BT.601, BT.2020) camera curve, as a table for QColorSpace.
QList<uint16_t> table_bt709()
{
    QList<uint16_t> table(1024);
    for (int i = 0; i < table.size(); ++i) {
        const double v = double(i) / (table.size() - 1);
        const double l = v < 0.081 ? v / 4.5 : std::pow((v + 0.099) / 1.099, 1 / 0.45);
        table[i] = uint16_t(std::lround(l * 65535));
    }
    return table;
}

// The colour space an nclx box describes, for an SDR picture; invalid for plain sRGB.
QColorSpace espace_nclx(const heif_color_profile_nclx& nclx)
{
    const int transfert = nclx.transfer_characteristics;
    const std::optional<Primaires> primaires = primaires_nclx(nclx.color_primaries);
    const bool primaires_srgb = !primaires || nclx.color_primaries == 1;
    const bool transfert_srgb = transfert == 13 || transfert == 2 || transfert == 0 || transfert == 3 || transfert == 9
        || transfert == 10 || transfert > 18;
    if (primaires_srgb && transfert_srgb)
        return {};
    const Primaires p = primaires.value_or(primaires_bt709);
    QColorSpace espace(p.blanc, p.rouge, p.vert, p.bleu, QColorSpace::TransferFunction::SRgb);
    switch (transfert) {
    case 1:
    case 6:
    case 11:
    case 12:
    case 14:
    case 15:
        espace.setTransferFunction(table_bt709());
        break;
    case 4:
        espace.setTransferFunction(QColorSpace::TransferFunction::Gamma, 2.2f);
        break;
    case 5:
        espace.setTransferFunction(QColorSpace::TransferFunction::Gamma, 2.8f);
        break;
    case 8:
        espace.setTransferFunction(QColorSpace::TransferFunction::Linear);
        break;
    case 17:
        espace.setTransferFunction(QColorSpace::TransferFunction::Gamma, 2.6f);
        break;
    default:
        break;
    }
    return espace;
}

constexpr int transfert_pq = 16;
constexpr int transfert_hlg = 18;

// What the pixels' colours mean.
struct Couleurs {
    QColorSpace espace; // for an SDR picture; invalid for sRGB
    int transfert_hdr = 0; // transfert_pq or transfert_hlg, 0 for SDR
    Primaires primaires_hdr {}; // the primaries of an HDR picture
};

Couleurs couleurs(const heif_image_handle* poignee, const heif_image* image)
{
    Couleurs c;
    heif_color_profile_nclx* n = nullptr;
    if (heif_image_handle_get_nclx_color_profile(poignee, &n).code != heif_error_Ok && image)
        heif_image_get_nclx_color_profile(image, &n); // the coded stream's own, for an AVIF picture
    const Nclx nclx(n);
    if (nclx && (nclx->transfer_characteristics == transfert_pq || nclx->transfer_characteristics == transfert_hlg)) {
        c.transfert_hdr = nclx->transfer_characteristics;
        // HDR pictures come in BT.2020 when they do not say.
        c.primaires_hdr = primaires_nclx(nclx->color_primaries).value_or(primaires_bt2020);
        return c;
    }
    const size_t taille_icc = heif_image_handle_get_raw_color_profile_size(poignee);
    if (taille_icc > 0 && taille_icc < 4 * 1024 * 1024) {
        QByteArray icc(qsizetype(taille_icc), Qt::Uninitialized);
        if (heif_image_handle_get_raw_color_profile(poignee, icc.data()).code == heif_error_Ok) {
            c.espace = QColorSpace::fromIccProfile(icc);
            if (c.espace.isValid())
                return c;
        }
    }
    if (nclx)
        c.espace = espace_nclx(*nclx);
    return c;
}

// ---- Pixels to 8 bits ----

// The planes of a picture decoded as planar RGB (libheif's cheapest output in memory: its own
// interleaved outputs go through the planar one), 8 bits a sample or 16 in the host's order.
struct Plans {
    std::array<const uint8_t*, 4> plan {}; // red, green, blue, alpha (null without alpha)
    std::array<int, 4> pas {};
    int largeur = 0, hauteur = 0;
    int bits = 8; // significant bits of each sample
    bool seize = false; // 16-bit samples

    int maximum() const { return (1 << bits) - 1; }
    bool alpha() const { return plan[3] != nullptr; }
};

std::optional<Plans> plans(const heif_image* image)
{
    Plans p;
    const heif_channel canaux[4] = {heif_channel_R, heif_channel_G, heif_channel_B, heif_channel_Alpha};
    // libheif asserts when asked about a plane the picture lacks.
    for (int c = 0; c < 3; ++c)
        if (!heif_image_has_channel(image, canaux[c]))
            return std::nullopt;
    const bool alpha = heif_image_has_channel(image, heif_channel_Alpha);
    p.largeur = heif_image_get_width(image, heif_channel_R);
    p.hauteur = heif_image_get_height(image, heif_channel_R);
    p.bits = heif_image_get_bits_per_pixel_range(image, heif_channel_R);
    const int stockage = heif_image_get_bits_per_pixel(image, heif_channel_R);
    p.seize = stockage > 8;
    if (p.largeur <= 0 || p.hauteur <= 0 || p.bits < 1 || p.bits > 16 || (stockage != 8 && stockage != 16)
        || (!p.seize && p.bits > 8))
        return std::nullopt;
    for (int c = 0; c < (alpha ? 4 : 3); ++c) {
        // Every plane as large as the picture, with the same depth.
        if (heif_image_get_width(image, canaux[c]) != p.largeur || heif_image_get_height(image, canaux[c]) != p.hauteur
            || heif_image_get_bits_per_pixel(image, canaux[c]) != stockage
            || heif_image_get_bits_per_pixel_range(image, canaux[c]) != p.bits)
            return std::nullopt;
        p.plan[c] = heif_image_get_plane_readonly(image, canaux[c], &p.pas[c]);
        if (!p.plan[c] || p.pas[c] < p.largeur * (p.seize ? 2 : 1))
            return std::nullopt;
    }
    return p;
}

// From this many pixels, a picture is converted on several cores, and the memory the decoder
// freed is given back before converting.
constexpr qint64 grande_image = 1'000'000;

// Runs `ligne(y)` for every row: in bands on the machine's cores for a large picture.
template <typename F> void chaque_ligne(const Plans& p, F&& ligne)
{
    par_bandes(p.hauteur, qint64(p.largeur) * p.hauteur >= grande_image, std::forward<F>(ligne));
}

// Row `y` of plane `c`.
template <typename Echantillon> const Echantillon* ligne_plan(const Plans& p, int c, int y)
{
    return p.plan[c] ? reinterpret_cast<const Echantillon*>(p.plan[c] + qsizetype(y) * p.pas[c]) : nullptr;
}

// The QImage the pixels go into: premultiplied when the picture has transparency, as Qt paints
// and scales it without another copy.
QImage image_vide(const Plans& p)
{
    return QImage(p.largeur, p.hauteur, p.alpha() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

inline QRgb pixel_qt(int r, int g, int b, int a, bool premultipliee)
{
    const QRgb v = qRgba(r, g, b, a);
    return a == 255 || premultipliee ? v : qPremultiply(v);
}

// Each code value of `bits` bits rounded to 8 bits.
std::vector<uint8_t> table_8_bits(int maximum)
{
    std::vector<uint8_t> vers8(size_t(maximum) + 1);
    for (int v = 0; v <= maximum; ++v)
        vers8[v] = uint8_t((v * 255 + maximum / 2) / maximum);
    return vers8;
}

template <typename Echantillon>
void ligne_sdr(const Plans& p, int y, QRgb* sortie, const std::vector<uint8_t>& vers8, bool premultipliee)
{
    const Echantillon* r = ligne_plan<Echantillon>(p, 0, y);
    const Echantillon* g = ligne_plan<Echantillon>(p, 1, y);
    const Echantillon* b = ligne_plan<Echantillon>(p, 2, y);
    const Echantillon* a = ligne_plan<Echantillon>(p, 3, y);
    const int maximum = p.maximum();
    const uint8_t* t = vers8.data();
    const auto v = [&](const Echantillon* plan, int x) { return t[std::min<int>(plan[x], maximum)]; };
    if (!a) {
        for (int x = 0; x < p.largeur; ++x)
            sortie[x] = qRgb(v(r, x), v(g, x), v(b, x));
    } else {
        for (int x = 0; x < p.largeur; ++x)
            sortie[x] = pixel_qt(v(r, x), v(g, x), v(b, x), v(a, x), premultipliee);
    }
}

// SDR samples of any depth, rounded to 8 bits.
QImage image_sdr(const Plans& p, bool premultipliee)
{
    QImage sortie = image_vide(p);
    if (sortie.isNull())
        return {};
    const std::vector<uint8_t> vers8 = table_8_bits(p.maximum());
    uchar* debut = sortie.bits();
    const qsizetype pas = sortie.bytesPerLine();
    chaque_ligne(p, [&](int y) {
        QRgb* ligne = reinterpret_cast<QRgb*>(debut + y * pas);
        if (p.seize)
            ligne_sdr<uint16_t>(p, y, ligne, vers8, premultipliee);
        else
            ligne_sdr<uint8_t>(p, y, ligne, vers8, premultipliee);
    });
    return sortie;
}

// ---- HDR to SDR ----

// Nits at which HDR pictures put the white of an SDR picture (ITU-R BT.2408).
constexpr double blanc_sdr_nits = 203;
// Up to this fraction of SDR white, tones are kept as they are; above, they are compressed.
constexpr double genou = 0.75;
// HLG's display light for a 1000-nit screen (BT.2100's reference OOTF, system gamma 1.2).
constexpr double crete_hlg = 1000, gamma_hlg = 1.2;

// PQ signal (0 to 1) to nits (SMPTE ST 2084).
double pq_vers_nits(double e)
{
    constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128;
    constexpr double c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32, c3 = 2392.0 / 4096 * 32;
    const double p = std::pow(std::clamp(e, 0.0, 1.0), 1 / m2);
    return 10000 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1 / m1);
}

// HLG signal (0 to 1) to scene light (0 to 1) (ITU-R BT.2100).
double hlg_vers_scene(double e)
{
    constexpr double a = 0.17883277, b = 1 - 4 * a, c = 0.55991073;
    e = std::clamp(e, 0.0, 1.0);
    return e <= 0.5 ? e * e / 3 : (std::exp((e - c) / a) + b) / 12;
}

// Tones relative to SDR white, up to `crete`, brought under 1: kept below the knee, then rolled
// off smoothly (an extended Reinhard curve, continuous in slope at the knee) so that `crete`
// reaches 1.
float compresser(float x, float crete)
{
    if (crete <= 1 || x <= float(genou))
        return std::min(x, 1.0f);
    const float t = (x - float(genou)) / float(1 - genou), tm = (crete - float(genou)) / float(1 - genou);
    return std::min(1.0f, float(genou) + float(1 - genou) * t * (1 + t / (tm * tm)) / (1 + t));
}

// What turns an HDR picture's code values into 8-bit sRGB.
struct TonsHdr {
    bool hlg = false;
    std::vector<float> lumiere; // each code value's light: nits for PQ, scene light (0 to 1) for HLG
    std::vector<uint8_t> srgb; // 8-bit sRGB of linear light 0 to 1, in pas_srgb steps
    static constexpr int pas_srgb = 16383;
    std::array<std::array<float, 3>, 3> vers_bt709 {}; // source primaries to BT.709, divided by SDR white
    std::array<float, 3> luminance {}; // luminance of each source primary (HLG)
    float crete = 1; // the brightest light of the picture, SDR white being 1
};

template <typename Echantillon>
void ligne_hdr(const Plans& p, int y, QRgb* sortie, const TonsHdr& t, const std::vector<uint8_t>& vers8, bool premultipliee)
{
    const Echantillon* plans[4] = {ligne_plan<Echantillon>(p, 0, y), ligne_plan<Echantillon>(p, 1, y),
        ligne_plan<Echantillon>(p, 2, y), ligne_plan<Echantillon>(p, 3, y)};
    const int maximum = p.maximum();
    const auto& m = t.vers_bt709;
    for (int x = 0; x < p.largeur; ++x) {
        float l[3];
        for (int i = 0; i < 3; ++i)
            l[i] = t.lumiere[std::min<int>(plans[i][x], maximum)];
        if (t.hlg) {
            const float ys = t.luminance[0] * l[0] + t.luminance[1] * l[1] + t.luminance[2] * l[2];
            const float f = ys > 0 ? float(crete_hlg) * std::pow(ys, float(gamma_hlg - 1)) : 0.0f;
            l[0] *= f, l[1] *= f, l[2] *= f;
        }
        float c[3];
        for (int i = 0; i < 3; ++i)
            c[i] = std::max(0.0f, m[i][0] * l[0] + m[i][1] * l[1] + m[i][2] * l[2]);
        // On the largest component, so that hues keep and no component clips.
        const float plus_fort = std::max({c[0], c[1], c[2]});
        if (plus_fort > float(genou)) {
            const float f = compresser(plus_fort, t.crete) / plus_fort;
            c[0] *= f, c[1] *= f, c[2] *= f;
        }
        const auto code = [&](float v) { return t.srgb[size_t(std::min(v, 1.0f) * TonsHdr::pas_srgb + 0.5f)]; };
        const int a = plans[3] ? vers8[std::min<int>(plans[3][x], maximum)] : 255;
        sortie[x] = pixel_qt(code(c[0]), code(c[1]), code(c[2]), a, premultipliee);
    }
}

// An HDR picture (PQ or HLG) tone-mapped to 8-bit sRGB: its light in nits, brought to BT.709
// primaries, SDR white at 203 nits, the highlights compressed up to the brightest of the picture.
QImage image_hdr(const Plans& p, const Couleurs& couleurs, bool premultipliee)
{
    QImage sortie = image_vide(p);
    if (sortie.isNull())
        return {};
    const int maximum = p.maximum();
    TonsHdr t;
    t.hlg = couleurs.transfert_hdr == transfert_hlg;
    t.lumiere.resize(size_t(maximum) + 1);
    for (int v = 0; v <= maximum; ++v)
        t.lumiere[v] = float(t.hlg ? hlg_vers_scene(double(v) / maximum) : pq_vers_nits(double(v) / maximum));
    t.srgb.resize(TonsHdr::pas_srgb + 1);
    for (int i = 0; i <= TonsHdr::pas_srgb; ++i) {
        const double l = double(i) / TonsHdr::pas_srgb;
        t.srgb[i] = uint8_t(std::lround(255 * (l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055)));
    }
    const Matrice m = vers_bt709(couleurs.primaires_hdr);
    const Matrice xyz = rgb_vers_xyz(couleurs.primaires_hdr);
    for (int i = 0; i < 3; ++i) {
        t.luminance[i] = float(xyz[1][i]);
        for (int j = 0; j < 3; ++j)
            t.vers_bt709[i][j] = float(m[i][j] / blanc_sdr_nits);
    }
    const std::vector<uint8_t> vers8 = table_8_bits(maximum);

    // The brightest light of the picture sets how far the highlights are compressed.
    std::vector<int> plus_hauts(size_t(p.hauteur), 0);
    chaque_ligne(p, [&](int y) {
        int haut = 0;
        for (int c = 0; c < 3; ++c)
            for (int x = 0; x < p.largeur; ++x)
                haut = std::max<int>(haut, p.seize ? ligne_plan<uint16_t>(p, c, y)[x] : ligne_plan<uint8_t>(p, c, y)[x]);
        plus_hauts[y] = std::min(haut, maximum);
    });
    double crete = t.lumiere[*std::max_element(plus_hauts.begin(), plus_hauts.end())];
    if (t.hlg)
        crete = crete_hlg * std::pow(crete, gamma_hlg);
    t.crete = float(crete / blanc_sdr_nits);

    uchar* debut = sortie.bits();
    const qsizetype pas = sortie.bytesPerLine();
    chaque_ligne(p, [&](int y) {
        QRgb* ligne = reinterpret_cast<QRgb*>(debut + y * pas);
        if (p.seize)
            ligne_hdr<uint16_t>(p, y, ligne, t, vers8, premultipliee);
        else
            ligne_hdr<uint8_t>(p, y, ligne, t, vers8, premultipliee);
    });
    return sortie;
}

// ---- Decoding ----

// A picture as libheif decoded it, with what its pixels mean.
struct Decodee {
    ImageHeif image;
    std::optional<Plans> plans;
    Couleurs couleurs;
    bool premultipliee = false;
};

// The picture of `poignee`, upright (libheif applies its rotation and mirroring), as planar RGB.
std::optional<Decodee> decoder(const heif_image_handle* poignee)
{
    const std::unique_ptr<heif_decoding_options, LibererOptions> options(heif_decoding_options_alloc());
    if (!options)
        return std::nullopt;
    options->ignore_transformations = 0;
    heif_image* i = nullptr;
    if (heif_decode_image(poignee, &i, heif_colorspace_RGB, heif_chroma_444, options.get()).code != heif_error_Ok || !i)
        return std::nullopt;
    Decodee d;
    d.image.reset(i);
    d.plans = plans(i);
    if (!d.plans)
        return std::nullopt;
    d.couleurs = couleurs(poignee, i);
    d.premultipliee = d.plans->alpha() && heif_image_is_premultiplied_alpha(i);
    return d;
}

// The decoded picture in 8 bits per channel, with its colour space.
QImage convertir(const Decodee& d)
{
    QImage image
        = d.couleurs.transfert_hdr ? image_hdr(*d.plans, d.couleurs, d.premultipliee) : image_sdr(*d.plans, d.premultipliee);
    if (!image.isNull() && d.couleurs.espace.isValid())
        image.setColorSpace(d.couleurs.espace);
    return image;
}

// The HEVC decoder frees its working buffers into the C library's heap, which keeps them from the
// system; given back before our own picture is allocated, they do not add to the peak.
void rendre_memoire_liberee()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// How much larger than the size in its header a coded picture may be: HEVC and AV1 code whole
// blocks of up to 64 pixels a side, and a crop (clap) takes the rest away.
constexpr int marge_codage = 128;

// Peak bytes per pixel while a picture of this coding is decoded, as measured with sonde_memoire on
// HEIC (libde265) and AVIF (dav1d) pictures of 6 and 24 megapixels: the decoder's planes, libheif's
// copy of them and its planar RGB, then our 32-bit picture, with the file. 8-bit 4:2:0 (nearly
// every camera and phone picture): 7.1 to 7.8; 4:2:2: 10; 4:4:4: 9 (HEIC) to 13.2 (AVIF); twice
// as much for 10 and 12 bits; transparency adds up to 4 (AVIF) in 8 bits.
qint64 octets_par_pixel(const Codage& c, bool alpha)
{
    const qint64 base = c.quarts_chroma <= 2 ? octets_par_pixel_heif : c.quarts_chroma <= 4 ? 11 : 14;
    const qint64 echantillon = c.bits > 8 ? 2 : 1;
    return echantillon * (base + (alpha ? 5 : 0));
}

// The reduced AVIF picture of avif.h at exactly `voulue`, with its colour space; nullopt when that
// path does not apply (an HDR picture among others: its tones are mapped from the whole decode).
std::optional<QImage> apercu_avif_srgb(QByteArrayView fichier, const heif_image_handle* primaire, QSize naturelle, QSize voulue)
{
    Couleurs c = couleurs(primaire, nullptr);
    if (c.transfert_hdr != 0)
        return std::nullopt;
    std::optional<ApercuAvif> apercu = apercu_avif(fichier, naturelle, voulue);
    if (!apercu || apercu->transfert == transfert_pq || apercu->transfert == transfert_hlg)
        return std::nullopt;
    if (!c.espace.isValid() && !apercu->icc.isEmpty())
        c.espace = QColorSpace::fromIccProfile(apercu->icc);
    if (!c.espace.isValid()) { // the coded stream's own description, when the file has none
        const Nclx nclx(heif_nclx_color_profile_alloc());
        if (nclx) {
            nclx->color_primaries = heif_color_primaries(apercu->primaires);
            nclx->transfer_characteristics = heif_transfer_characteristics(apercu->transfert);
            c.espace = espace_nclx(*nclx);
        }
    }
    QImage image = apercu->image.scaled(voulue, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (image.isNull())
        return std::nullopt;
    if (c.espace.isValid())
        image.setColorSpace(c.espace);
    return image;
}

// Whether a thumbnail's shape matches the primary picture's, give or take its rounding.
bool meme_forme(QSize a, QSize b)
{
    return std::abs(qint64(a.width()) * b.height() - qint64(a.height()) * b.width())
        <= qint64(std::max(a.width(), b.width()) + std::max(a.height(), b.height())) * 2 + qint64(a.width()) * b.height() / 50;
}

} // namespace

bool LecteurHeif::canRead() const
{
    if (!device())
        return false;
    return nature_du_contenu(device()->peek(octets_pour_reconnaitre)) == NatureContenu::Heif;
}

bool LecteurHeif::supportsOption(ImageOption option) const
{
    return option == Size || option == ScaledSize;
}

QVariant LecteurHeif::option(ImageOption option) const
{
    if (option == Size) {
        if (!taille_)
            taille_ = lire_taille(device());
        return *taille_;
    }
    if (option == ScaledSize)
        return taille_voulue_;
    return {};
}

void LecteurHeif::setOption(ImageOption option, const QVariant& value)
{
    if (option == ScaledSize)
        taille_voulue_ = value.toSize();
}

bool LecteurHeif::read(QImage* image)
{
    QIODevice* appareil = device();
    if (!image || !appareil || !appareil->isReadable())
        return false;
    // libheif reads the whole file anyway: it is read once, into memory, within the budget.
    const qint64 taille_fichier = appareil->size();
    if (taille_fichier <= 0 || taille_fichier > octets_lecture_maximaux || !appareil->seek(0))
        return false;
    QByteArray fichier(qsizetype(taille_fichier), Qt::Uninitialized);
    if (appareil->read(fichier.data(), taille_fichier) != taille_fichier)
        return false;

    Contexte contexte = nouveau_contexte();
    if (!contexte
        || heif_context_read_from_memory_without_copy(contexte.get(), fichier.constData(), size_t(fichier.size()), nullptr).code
            != heif_error_Ok)
        return false;
    heif_image_handle* p = nullptr;
    if (heif_context_get_primary_image_handle(contexte.get(), &p).code != heif_error_Ok)
        return false;
    Poignee primaire(p);
    const QSize naturelle(heif_image_handle_get_width(primaire.get()), heif_image_handle_get_height(primaire.get()));
    if (!dimensions_vraisemblables(naturelle.width(), naturelle.height())
        || !dimensions_vraisemblables(
            heif_image_handle_get_ispe_width(primaire.get()), heif_image_handle_get_ispe_height(primaire.get())))
        return false;

    heif_item_id id_primaire = 0;
    if (heif_context_get_primary_image_ID(contexte.get(), &id_primaire).code != heif_error_Ok)
        return false;
    const std::optional<Meta> meta = lire_meta(fichier);

    // A thumbnail at least as large as the size asked, turned as the primary picture is, is enough.
    const QSize voulue = taille_voulue_.isValid() && !taille_voulue_.isEmpty() ? taille_voulue_ : QSize();
    Poignee source;
    heif_item_id id_source = id_primaire;
    if (voulue.isValid() && voulue != naturelle && meta) {
        std::array<heif_item_id, 16> ids {};
        const int vignettes = heif_image_handle_get_list_of_thumbnail_IDs(primaire.get(), ids.data(), int(ids.size()));
        const Retournement tournee = retournement(fichier, *meta, id_primaire);
        QSize plus_petite;
        for (int v = 0; v < vignettes; ++v) {
            heif_image_handle* t = nullptr;
            if (heif_image_handle_get_thumbnail(primaire.get(), ids[v], &t).code != heif_error_Ok)
                continue;
            Poignee vignette(t);
            const QSize taille(heif_image_handle_get_width(t), heif_image_handle_get_height(t));
            if (dimensions_vraisemblables(taille.width(), taille.height()) && taille.width() >= voulue.width()
                && taille.height() >= voulue.height() && meme_forme(taille, naturelle)
                && (plus_petite.isEmpty() || taille.width() < plus_petite.width())
                && retournement(fichier, *meta, ids[v]) == tournee) {
                plus_petite = taille;
                source = std::move(vignette);
                id_source = ids[v];
            }
        }
    }
    const heif_image_handle* choisie = source ? source.get() : primaire.get();

    // Held to the memory budget with what this coding costs to decode (an unknown one as the dearest).
    const QSize decodee_taille(heif_image_handle_get_width(choisie), heif_image_handle_get_height(choisie));
    const std::optional<Codage> c = meta ? codage(fichier, *meta, id_source) : std::nullopt;
    const qint64 pic = qint64(decodee_taille.width()) * decodee_taille.height()
            * octets_par_pixel(c.value_or(Codage {}), heif_image_handle_has_alpha_channel(choisie))
        + (voulue.isValid() ? 4 * qint64(voulue.width()) * voulue.height() : 0) // the scaled copy
        + 2 * taille_fichier; // the file, and libheif's copy of the coded data
    if (pic > octets_lecture_maximaux)
        return false;

    // A reduced AVIF preview: libavif decodes faster, and only the pixels shown are converted.
    if (!source && voulue.isValid() && c && c->av1 && c->bits == 8) {
        if (std::optional<QImage> apercu = apercu_avif_srgb(fichier, primaire.get(), naturelle, voulue)) {
            *image = std::move(*apercu);
            return true;
        }
    }

    // The coded pictures may claim another size than the header's: libheif refuses to decode one
    // larger on either side than the header says, give or take the coding's padding.
    const int cote = std::max({heif_image_handle_get_width(choisie), heif_image_handle_get_height(choisie),
        heif_image_handle_get_ispe_width(choisie), heif_image_handle_get_ispe_height(choisie)});
    heif_context_set_maximum_image_size_limit(contexte.get(), int(std::min<qint64>(cote + marge_codage, cote_maximal)));
    std::optional<Decodee> decodee = decoder(choisie);
    // Only the decoded planes are needed from here: the file and libheif's copies of it go first.
    source.reset();
    primaire.reset();
    contexte.reset();
    fichier = QByteArray();
    if (!decodee)
        return false;
    if (qint64(decodee->plans->largeur) * decodee->plans->hauteur >= grande_image)
        rendre_memoire_liberee();
    QImage resultat = convertir(*decodee);
    decodee.reset();
    if (resultat.isNull())
        return false;
    if (voulue.isValid() && resultat.size() != voulue) {
        const QColorSpace espace = resultat.colorSpace();
        resultat = resultat.scaled(voulue, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (resultat.isNull())
            return false;
        resultat.setColorSpace(espace);
    }
    *image = std::move(resultat);
    return true;
}
