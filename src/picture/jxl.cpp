#include "picture/jxl.h"

#include "picture/chargeur.h"
#include "picture/contenu.h"

#include <QColorSpace>
#include <QIODevice>
#include <QImage>
#include <QPointF>
#include <QThread>
#include <QVariant>

#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/encode.h>
#include <jxl/resizable_parallel_runner.h>
#include <jxl/resizable_parallel_runner_cxx.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

// The file is handed to the decoder in blocks that grow from the first (a header fits in it) to
// the last size, so that reading a header costs little and a whole picture few calls.
constexpr qint64 premier_bloc = 16 * 1024;
constexpr qint64 dernier_bloc = 4 * 1024 * 1024;
// Bytes read at most to find the basic information, which may come after metadata boxes.
constexpr qint64 octets_entete_maximaux = 64 * 1024 * 1024;
// Each call either takes a block of the file or moves the decoder on by one event: a decoder
// answering forever without either would stop here.
constexpr int appels_maximaux = 100'000;
// An ICC profile larger than this is not one a picture needs.
constexpr size_t profil_maximal = 4 * 1024 * 1024;

// Hands a file to a decoder block by block, keeping the bytes it has not used yet.
class Entree {
public:
    Entree(QIODevice* appareil, qint64 maximum)
        : appareil_(appareil)
        , maximum_(maximum)
    {
    }

    // Gives the decoder what it left of the last block followed by the next one. False when the
    // file has no more (the picture is cut short), cannot be read or exceeds the maximum.
    bool fournir(JxlDecoder* decodeur)
    {
        const size_t restant = JxlDecoderReleaseInput(decodeur);
        if (fin_ || restant > tampon_.size())
            return false;
        tampon_.erase(tampon_.begin(), tampon_.end() - std::ptrdiff_t(restant));
        const qint64 voulus = std::min(bloc_, maximum_ - lus_);
        if (voulus <= 0)
            return false;
        const size_t avant = tampon_.size();
        tampon_.resize(avant + size_t(voulus));
        const qint64 lus = appareil_->read(reinterpret_cast<char*>(tampon_.data() + avant), voulus);
        if (lus <= 0)
            return false;
        tampon_.resize(avant + size_t(lus));
        lus_ += lus;
        bloc_ = std::min(bloc_ * 2, dernier_bloc);
        fin_ = appareil_->atEnd();
        if (JxlDecoderSetInput(decodeur, tampon_.data(), tampon_.size()) != JXL_DEC_SUCCESS)
            return false;
        if (fin_)
            JxlDecoderCloseInput(decodeur);
        return true;
    }

private:
    QIODevice* appareil_;
    qint64 maximum_;
    std::vector<uint8_t> tampon_;
    qint64 lus_ = 0;
    qint64 bloc_ = premier_bloc;
    bool fin_ = false;
};

// Orientations 5 to 8 turn the picture by a quarter: its upright width is its stored height.
// (libjxl 0.7 gives the upright size itself, and orientation 1, unless told to keep the orientation.)
QSize taille_droite(const JxlBasicInfo& info)
{
    const bool quart = info.orientation >= JXL_ORIENT_TRANSPOSE;
    return quart ? QSize(int(info.ysize), int(info.xsize)) : QSize(int(info.xsize), int(info.ysize));
}

bool informations_vraisemblables(const JxlBasicInfo& info)
{
    return dimensions_vraisemblables(info.xsize, info.ysize) && info.num_color_channels >= 1;
}

// libjxl 0.7 holds far more for a lossy picture with extra channels (alpha, mostly) than for any
// other: about 44 bytes per pixel, against the budget's octets_par_pixel_jpeg_xl for the others.
constexpr qint64 octets_par_pixel_avec_canaux_en_plus = 44;

// Output of 16 bits per channel, for HDR pictures: libjxl 0.7 then holds the whole picture in
// floating point, about 21 bytes per pixel in all (23 with alpha).
constexpr qint64 octets_par_pixel_hdr_16_bits = 24;

// A picture kept in its original colour space (lossless, mostly) is decoded by libjxl 0.7's modular
// path, which holds up to about 19 bytes per pixel when the encoder applied whole-picture transforms;
// the header does not say whether it did. A JPEG file recompressed without loss keeps its original
// colours too, but is decoded as the lossy pictures are: its container holds the "jbrd" box that
// rebuilds the JPEG file, before the codestream.
constexpr qint64 octets_par_pixel_modulaire = 19;

bool jpeg_recompresse(QIODevice& appareil)
{
    return appareil.peek(4096).contains("jbrd");
}

// Whether decoding the whole picture stays within the memory budget of chargeur.h.
bool dans_le_budget(const JxlBasicInfo& info, bool jpeg)
{
    const bool lourde = !info.uses_original_profile && info.num_extra_channels > 0;
    const bool modulaire = info.uses_original_profile && !jpeg;
    const qint64 par_pixel = lourde      ? octets_par_pixel_avec_canaux_en_plus
                             : modulaire ? octets_par_pixel_modulaire
                                         : octets_par_pixel_jpeg_xl;
    return qint64(info.xsize) * info.ysize * par_pixel <= octets_lecture_maximaux;
}

// ---- Colours ----

using Matrice = std::array<std::array<double, 3>, 3>;

struct Primaires {
    QPointF rouge, vert, bleu, blanc;
};

const Primaires primaires_srgb{{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}, {0.3127, 0.3290}};

Primaires primaires_de(const JxlColorEncoding& codage)
{
    Primaires p = primaires_srgb;
    switch (codage.primaries) {
    case JXL_PRIMARIES_2100:
        p.rouge = {0.708, 0.292}, p.vert = {0.170, 0.797}, p.bleu = {0.131, 0.046};
        break;
    case JXL_PRIMARIES_P3:
        p.rouge = {0.680, 0.320}, p.vert = {0.265, 0.690}, p.bleu = {0.150, 0.060};
        break;
    case JXL_PRIMARIES_CUSTOM:
        p.rouge = {codage.primaries_red_xy[0], codage.primaries_red_xy[1]};
        p.vert = {codage.primaries_green_xy[0], codage.primaries_green_xy[1]};
        p.bleu = {codage.primaries_blue_xy[0], codage.primaries_blue_xy[1]};
        break;
    default:
        break;
    }
    switch (codage.white_point) {
    case JXL_WHITE_POINT_DCI:
        p.blanc = {0.314, 0.351};
        break;
    case JXL_WHITE_POINT_E:
        p.blanc = {1.0 / 3, 1.0 / 3};
        break;
    case JXL_WHITE_POINT_CUSTOM:
        p.blanc = {codage.white_point_xy[0], codage.white_point_xy[1]};
        break;
    default:
        break;
    }
    if (codage.color_space == JXL_COLOR_SPACE_GRAY) // grey pixels come as R = G = B
        p = {primaires_srgb.rouge, primaires_srgb.vert, primaires_srgb.bleu, p.blanc};
    return p;
}

bool est_srgb(const JxlColorEncoding& codage)
{
    return (codage.color_space == JXL_COLOR_SPACE_RGB || codage.color_space == JXL_COLOR_SPACE_GRAY)
        && codage.white_point == JXL_WHITE_POINT_D65
        && (codage.primaries == JXL_PRIMARIES_SRGB || codage.color_space == JXL_COLOR_SPACE_GRAY)
        && codage.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

bool est_hdr(const JxlColorEncoding& codage)
{
    return codage.transfer_function == JXL_TRANSFER_FUNCTION_PQ || codage.transfer_function == JXL_TRANSFER_FUNCTION_HLG;
}

// The colour space of pixels coded with `codage`, when Qt has its transfer function.
QColorSpace espace_de(const JxlColorEncoding& codage)
{
    if (codage.color_space != JXL_COLOR_SPACE_RGB && codage.color_space != JXL_COLOR_SPACE_GRAY)
        return {};
    QColorSpace::TransferFunction transfert = QColorSpace::TransferFunction::SRgb;
    float gamma = 0;
    switch (codage.transfer_function) {
    case JXL_TRANSFER_FUNCTION_SRGB:
        break;
    case JXL_TRANSFER_FUNCTION_LINEAR:
        transfert = QColorSpace::TransferFunction::Linear;
        break;
    case JXL_TRANSFER_FUNCTION_GAMMA:
        if (!(codage.gamma > 0.01 && codage.gamma <= 1))
            return {};
        transfert = QColorSpace::TransferFunction::Gamma;
        gamma = float(1 / codage.gamma); // stored as the exponent that codes linear light
        break;
    case JXL_TRANSFER_FUNCTION_DCI:
        transfert = QColorSpace::TransferFunction::Gamma;
        gamma = 2.6f;
        break;
    default:
        return {};
    }
    const Primaires p = primaires_de(codage);
    return QColorSpace(p.blanc, p.rouge, p.vert, p.bleu, transfert, gamma);
}

Matrice inverse(const Matrice& a)
{
    const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0])
        + a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    Matrice i{};
    i[0][0] = (a[1][1] * a[2][2] - a[1][2] * a[2][1]) / det;
    i[0][1] = (a[0][2] * a[2][1] - a[0][1] * a[2][2]) / det;
    i[0][2] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) / det;
    i[1][0] = (a[1][2] * a[2][0] - a[1][0] * a[2][2]) / det;
    i[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) / det;
    i[1][2] = (a[0][2] * a[1][0] - a[0][0] * a[1][2]) / det;
    i[2][0] = (a[1][0] * a[2][1] - a[1][1] * a[2][0]) / det;
    i[2][1] = (a[0][1] * a[2][0] - a[0][0] * a[2][1]) / det;
    i[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) / det;
    return i;
}

// RGB -> XYZ for these primaries (Y of white = 1).
Matrice vers_xyz(const Primaires& p)
{
    const auto colonne = [](QPointF xy) {
        return std::array<double, 3>{xy.x() / xy.y(), 1.0, (1 - xy.x() - xy.y()) / xy.y()};
    };
    const auto r = colonne(p.rouge), g = colonne(p.vert), b = colonne(p.bleu), w = colonne(p.blanc);
    Matrice m{{{r[0], g[0], b[0]}, {r[1], g[1], b[1]}, {r[2], g[2], b[2]}}};
    // Each primary scaled so that the three add up to the white.
    const Matrice i = inverse(m);
    for (int k = 0; k < 3; ++k) {
        const double s = i[k][0] * w[0] + i[k][1] * w[1] + i[k][2] * w[2];
        for (int l = 0; l < 3; ++l)
            m[l][k] *= s;
    }
    return m;
}

Matrice produit(const Matrice& a, const Matrice& b)
{
    Matrice c{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                c[i][j] += a[i][k] * b[k][j];
    return c;
}

// ---- HDR to SDR ----

// Luminance of SDR white, in nits, to which HDR pictures are brought.
constexpr double blanc_sdr = 203;
// Nominal peak of an HLG display, with the system gamma that goes with it.
constexpr double crete_hlg = 1000;
constexpr double gamma_hlg = 1.2;
// Relative luminances up to this (about 140 nits) are kept; brighter ones are rolled off
// smoothly towards white, which only infinite luminance reaches.
constexpr double genou = 0.7;

double courbe_tonale(double l)
{
    if (l <= genou)
        return l;
    const double x = l - genou, reste = 1 - genou;
    return genou + reste * x / (x + reste);
}

double eotf_pq(double e) // nits
{
    constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128, c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32,
                     c3 = 2392.0 / 4096 * 32;
    const double p = std::pow(e, 1 / m2);
    return 10000 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1 / m1);
}

double oetf_inverse_hlg(double e) // scene light, 0 to 1
{
    constexpr double a = 0.17883277, b = 0.28466892, c = 0.55991073;
    return e <= 0.5 ? e * e / 3 : (std::exp((e - c) / a) + b) / 12;
}

// Brings `pixels` pixels of `canaux` channels of type T (RGB or RGBA, 8 or 16 bits), coded with
// `codage` (PQ or HLG), to 8-bit sRGB premultiplied ARGB32 pixels, in place: pixel i ends as the 4 bytes at 4 i,
// read before they are written.
template <typename T>
void ramener_en_sdr(uchar* octets, qint64 pixels, int canaux, const JxlColorEncoding& codage)
{
    constexpr int plus_grande = std::numeric_limits<T>::max();
    const bool hlg = codage.transfer_function == JXL_TRANSFER_FUNCTION_HLG;
    // Coded value -> light relative to SDR white (HLG: scene light, its display light below).
    std::vector<float> lineaire(plus_grande + 1);
    for (int v = 0; v <= plus_grande; ++v) {
        const double e = double(v) / plus_grande;
        lineaire[size_t(v)] = float(hlg ? oetf_inverse_hlg(e) : eotf_pq(e) / blanc_sdr);
    }
    // Linear light 0-1 -> sRGB 8 bits.
    constexpr int pas = 16383;
    std::vector<uchar> srgb(pas + 1);
    for (int v = 0; v <= pas; ++v) {
        const double l = double(v) / pas;
        const double e = l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
        srgb[size_t(v)] = uchar(std::lround(std::clamp(e, 0.0, 1.0) * 255));
    }
    const auto en_srgb = [&srgb](double l) { return srgb[size_t(std::lround(std::clamp(l, 0.0, 1.0) * pas))]; };

    const Matrice source = vers_xyz(primaires_de(codage));
    const Matrice m = produit(inverse(vers_xyz(primaires_srgb)), source);
    const std::array<double, 3> y_source = source[1];
    constexpr std::array<double, 3> y_srgb{0.2126, 0.7152, 0.0722};

    for (qint64 i = 0; i < pixels; ++i) {
        T c[4];
        std::memcpy(c, octets + i * canaux * qint64(sizeof(T)), size_t(canaux) * sizeof(T));
        double r = lineaire[c[0]], g = lineaire[c[1]], b = lineaire[c[2]];
        if (hlg) { // the display's own gamma, on the scene's luminance
            const double ys = y_source[0] * r + y_source[1] * g + y_source[2] * b;
            const double f = ys > 0 ? crete_hlg / blanc_sdr * std::pow(ys, gamma_hlg - 1) : 0;
            r *= f, g *= f, b *= f;
        }
        double rs = m[0][0] * r + m[0][1] * g + m[0][2] * b;
        double gs = m[1][0] * r + m[1][1] * g + m[1][2] * b;
        double bs = m[2][0] * r + m[2][1] * g + m[2][2] * b;
        // Colours beyond the sRGB gamut lose saturation, keeping their luminance.
        rs = std::max(rs, 0.0), gs = std::max(gs, 0.0), bs = std::max(bs, 0.0);
        const double y = y_srgb[0] * rs + y_srgb[1] * gs + y_srgb[2] * bs;
        if (y > 0) {
            const double yt = courbe_tonale(y);
            const double s = yt / y;
            rs *= s, gs *= s, bs *= s;
            const double plus = std::max({rs, gs, bs});
            if (plus > 1) {
                const double t = (1 - yt) / (plus - yt);
                rs = yt + (rs - yt) * t, gs = yt + (gs - yt) * t, bs = yt + (bs - yt) * t;
            }
        }
        const int alpha = canaux == 4 ? (c[3] * 255 + plus_grande / 2) / plus_grande : 255;
        const QRgb pixel = qPremultiply(qRgba(en_srgb(rs), en_srgb(gs), en_srgb(bs), alpha));
        std::memcpy(octets + i * 4, &pixel, 4);
    }
}

// How the pixels come out of the decoder and what they are then.
struct Couleurs {
    bool hdr = false;
    JxlColorEncoding codage{}; // of an HDR picture's pixels
    QColorSpace espace;        // of an SDR picture's pixels, when not sRGB
};

// Chosen once the decoder knows the picture's colour encoding. Pictures coded in XYB (lossy ones,
// mostly) can be rendered in any encoding: libjxl brings them to sRGB itself, exactly, whatever
// their original space (wider gamuts are clipped as any conversion to sRGB clips them). HDR ones
// keep their own encoding, tone-mapped here. Other pictures come in their own space, given to Qt.
Couleurs choisir_couleurs(JxlDecoder* decodeur, const JxlBasicInfo& info)
{
    Couleurs couleurs;
    JxlColorEncoding origine{};
    const bool code = JxlDecoderGetColorAsEncodedProfile(decodeur, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL, &origine)
        == JXL_DEC_SUCCESS;
    if (!info.uses_original_profile && !(code && est_hdr(origine))) {
        JxlColorEncoding srgb{};
        JxlColorEncodingSetToSRGB(&srgb, info.num_color_channels == 1 ? JXL_TRUE : JXL_FALSE);
        JxlDecoderSetPreferredColorProfile(decodeur, &srgb);
    }
    JxlColorEncoding donnees{};
    if (JxlDecoderGetColorAsEncodedProfile(decodeur, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &donnees) == JXL_DEC_SUCCESS) {
        if (est_srgb(donnees))
            return couleurs;
        if (est_hdr(donnees)) {
            couleurs.hdr = true;
            couleurs.codage = donnees;
            return couleurs;
        }
        couleurs.espace = espace_de(donnees);
        if (couleurs.espace.isValid())
            return couleurs;
    }
    size_t taille = 0;
    if (JxlDecoderGetICCProfileSize(decodeur, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &taille) == JXL_DEC_SUCCESS
        && taille > 0 && taille <= profil_maximal) {
        QByteArray profil(qsizetype(taille), Qt::Uninitialized);
        if (JxlDecoderGetColorAsICCProfile(decodeur, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                           reinterpret_cast<uint8_t*>(profil.data()), taille)
            == JXL_DEC_SUCCESS)
            couleurs.espace = QColorSpace::fromIccProfile(profil); // invalid when Qt cannot apply it: shown as sRGB
    }
    return couleurs;
}

struct Liberer {
    void operator()(uchar* p) const { std::free(p); }
};

// The HDR picture's pixels made 8-bit sRGB in place, then the memory past them given back.
QImage image_sdr(std::unique_ptr<uchar, Liberer> octets, QSize taille, int canaux, bool seize_bits, bool alpha,
                 const JxlColorEncoding& codage)
{
    const qint64 pixels = qint64(taille.width()) * taille.height();
    if (seize_bits)
        ramener_en_sdr<quint16>(octets.get(), pixels, canaux, codage);
    else
        ramener_en_sdr<quint8>(octets.get(), pixels, canaux, codage);
    if (auto* reduits = static_cast<uchar*>(std::realloc(octets.get(), size_t(pixels) * 4)))
        (void)octets.release(), octets.reset(reduits);
    uchar* donnees = octets.release();
    return QImage(donnees, taille.width(), taille.height(), qsizetype(taille.width()) * 4,
                  alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32, [](void* p) { std::free(p); }, donnees);
}

} // namespace

bool jpeg_xl_dc_suffit(QSize naturelle, QSize voulue)
{
    return voulue.isValid() && !voulue.isEmpty() && qint64(voulue.width()) * 8 <= naturelle.width()
        && qint64(voulue.height()) * 8 <= naturelle.height();
}

bool LecteurJpegXl::canRead() const
{
    if (!device())
        return false;
    const QByteArray debut = device()->peek(12);
    const JxlSignature signature = JxlSignatureCheck(reinterpret_cast<const uint8_t*>(debut.constData()), size_t(debut.size()));
    return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

bool LecteurJpegXl::supportsOption(ImageOption option) const
{
    return option == Size || option == ScaledSize;
}

void LecteurJpegXl::setOption(ImageOption option, const QVariant& value)
{
    if (option == ScaledSize)
        taille_voulue_ = value.toSize().isEmpty() ? QSize() : value.toSize();
}

QVariant LecteurJpegXl::option(ImageOption option) const
{
    if (option == ScaledSize)
        return taille_voulue_;
    if (option != Size || !device())
        return {};
    QIODevice* appareil = device();
    const qint64 debut = appareil->pos();
    const bool jpeg = jpeg_recompresse(*appareil);
    const auto decodeur = JxlDecoderMake(nullptr);
    QSize taille;
    if (decodeur && JxlDecoderSubscribeEvents(decodeur.get(), JXL_DEC_BASIC_INFO) == JXL_DEC_SUCCESS) {
        Entree entree(appareil, octets_entete_maximaux);
        bool encore = entree.fournir(decodeur.get());
        for (int appel = 0; encore && appel < appels_maximaux; ++appel) {
            const JxlDecoderStatus etat = JxlDecoderProcessInput(decodeur.get());
            if (etat == JXL_DEC_NEED_MORE_INPUT) {
                encore = entree.fournir(decodeur.get());
                continue;
            }
            JxlBasicInfo info{};
            if (etat == JXL_DEC_BASIC_INFO && JxlDecoderGetBasicInfo(decodeur.get(), &info) == JXL_DEC_SUCCESS
                && informations_vraisemblables(info) && dans_le_budget(info, jpeg))
                taille = taille_droite(info);
            break;
        }
    }
    if (!appareil->isSequential())
        appareil->seek(debut);
    return taille;
}

bool LecteurJpegXl::read(QImage* image)
{
    QIODevice* appareil = device();
    if (!image || !appareil)
        return false;
    if (!appareil->isSequential() && appareil->size() - appareil->pos() > octets_lecture_maximaux)
        return false;
    const auto decodeur = JxlDecoderMake(nullptr);
    const auto fils = JxlResizableParallelRunnerMake(nullptr);
    if (!decodeur || !fils)
        return false;
    JxlDecoder* dec = decodeur.get();
    // The DC pass is asked for only when a reduced picture is: it is then rendered as soon as it
    // is whole, and the rest of the file left unread.
    const bool reduite_possible = taille_voulue_.isValid();
    if (JxlDecoderSubscribeEvents(dec, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE
                                           | (reduite_possible ? JXL_DEC_FRAME_PROGRESSION : 0))
            != JXL_DEC_SUCCESS
        || JxlDecoderSetParallelRunner(dec, JxlResizableParallelRunner, fils.get()) != JXL_DEC_SUCCESS
        || JxlDecoderSetUnpremultiplyAlpha(dec, JXL_TRUE) != JXL_DEC_SUCCESS
        || (reduite_possible && JxlDecoderSetProgressiveDetail(dec, kDC) != JXL_DEC_SUCCESS))
        return false;

    const bool jpeg = jpeg_recompresse(*appareil);
    Entree entree(appareil, octets_lecture_maximaux);
    if (!entree.fournir(dec))
        return false;
    JxlBasicInfo info{};
    QSize naturelle;
    Couleurs couleurs;
    bool alpha = false;
    int canaux = 4;
    bool seize_bits = false;
    QImage pixels;                              // SDR: 8-bit RGBA as the decoder writes them
    std::unique_ptr<uchar, Liberer> pixels_hdr; // HDR: 16-bit RGB or RGBA, or 8-bit RGBA
    bool fini = false;
    for (int appel = 0; !fini && appel < appels_maximaux; ++appel) {
        switch (JxlDecoderProcessInput(dec)) {
        case JXL_DEC_NEED_MORE_INPUT:
            if (!entree.fournir(dec))
                return false; // cut short or unreadable
            break;
        case JXL_DEC_BASIC_INFO: {
            if (JxlDecoderGetBasicInfo(dec, &info) != JXL_DEC_SUCCESS || !informations_vraisemblables(info)
                || !dans_le_budget(info, jpeg))
                return false;
            naturelle = taille_droite(info);
            alpha = info.alpha_bits > 0;
            const size_t suggeres = JxlResizableParallelRunnerSuggestThreads(info.xsize, info.ysize);
            JxlResizableParallelRunnerSetThreads(fils.get(), std::max<size_t>(1, std::min<size_t>(suggeres, size_t(QThread::idealThreadCount()))));
            break;
        }
        case JXL_DEC_COLOR_ENCODING:
            couleurs = choisir_couleurs(dec, info);
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            if (!naturelle.isValid())
                return false;
            const qint64 nombre = qint64(naturelle.width()) * naturelle.height();
            // 16 bits when the budget allows them: libjxl 0.7 holds the whole picture in floating
            // point for any output but 8 bits. Beyond, the HDR picture comes from its 8-bit code
            // values (some banding in smooth gradients rather than no picture).
            seize_bits = couleurs.hdr && nombre * octets_par_pixel_hdr_16_bits <= octets_lecture_maximaux;
            canaux = seize_bits && !alpha ? 3 : 4;
            const JxlPixelFormat format{uint32_t(canaux), seize_bits ? JXL_TYPE_UINT16 : JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
            size_t taille = 0;
            if (JxlDecoderImageOutBufferSize(dec, &format, &taille) != JXL_DEC_SUCCESS
                || qint64(taille) != nombre * canaux * (seize_bits ? 2 : 1) || qint64(taille) > octets_lecture_maximaux)
                return false;
            void* sortie = nullptr;
            if (couleurs.hdr) {
                pixels_hdr.reset(static_cast<uchar*>(std::malloc(taille)));
                sortie = pixels_hdr.get();
            } else if (QImageIOHandler::allocateImage(naturelle, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888, &pixels)
                       && pixels.sizeInBytes() == qsizetype(taille)) {
                sortie = pixels.bits();
            }
            if (!sortie || JxlDecoderSetImageOutBuffer(dec, &format, sortie, taille) != JXL_DEC_SUCCESS)
                return false;
            break;
        }
        case JXL_DEC_FRAME_PROGRESSION:
            // The alpha channel is not part of the DC pass: pictures with one are decoded whole.
            if (!alpha && JxlDecoderGetIntendedDownsamplingRatio(dec) <= 8 && jpeg_xl_dc_suffit(naturelle, taille_voulue_)
                && JxlDecoderFlushImage(dec) == JXL_DEC_SUCCESS)
                fini = true;
            break;
        case JXL_DEC_FULL_IMAGE: // the first frame: an animation's others are not read
            fini = true;
            break;
        default: // an error, or the end of the file before any frame
            return false;
        }
    }
    if (!fini)
        return false;

    QImage resultat;
    if (couleurs.hdr) {
        resultat = image_sdr(std::move(pixels_hdr), naturelle, canaux, seize_bits, alpha, couleurs.codage);
    } else {
        // In place. Premultiplied, as Qt scales and draws it without another copy.
        pixels.convertTo(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        if (couleurs.espace.isValid())
            pixels.setColorSpace(couleurs.espace);
        resultat = std::move(pixels);
    }
    if (taille_voulue_.isValid() && taille_voulue_ != resultat.size())
        resultat = resultat.scaled(taille_voulue_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    *image = std::move(resultat);
    return !image->isNull();
}
