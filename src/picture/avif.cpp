#include "picture/avif.h"

#include "picture/bandes.h"

#include <QThread>

#include <avif/avif.h>

#include <algorithm>
#include <memory>

namespace {

struct LibererDecodeur {
    void operator()(avifDecoder* d) const { avifDecoderDestroy(d); }
};

// Luma weights of the YCbCr matrices this path converts (H.273 matrix coefficients).
struct Matrice {
    double kr = 0, kb = 0;
    bool identite = false; // GBR: Y holds green, Cb blue, Cr red
};

std::optional<Matrice> matrice(int code)
{
    switch (code) {
    case 0:
        return Matrice{0, 0, true};
    case 1:
        return Matrice{0.2126, 0.0722};
    case 2: // unspecified: taken as BT.601, as libavif does
    case 5:
    case 6:
        return Matrice{0.299, 0.114};
    case 9:
    case 10:
        return Matrice{0.2627, 0.0593};
    default:
        return std::nullopt;
    }
}

// The mean of the block [x0, x1) x [y0, y1) of an 8-bit plane.
double moyenne(const uint8_t* plan, uint32_t pas, int x0, int x1, int y0, int y1)
{
    quint64 somme = 0;
    for (int y = y0; y < y1; ++y) {
        const uint8_t* ligne = plan + qsizetype(y) * pas;
        for (int x = x0; x < x1; ++x)
            somme += ligne[x];
    }
    return double(somme) / (qint64(x1 - x0) * (y1 - y0));
}

int octet(double v)
{
    return std::clamp(int(v * 255.0 + 0.5), 0, 255);
}

} // namespace

std::optional<ApercuAvif> apercu_avif(QByteArrayView fichier, QSize naturelle, QSize voulue)
{
    if (naturelle.isEmpty() || voulue.isEmpty())
        return std::nullopt;
    const int facteur = std::min(naturelle.width() / voulue.width(), naturelle.height() / voulue.height());
    if (facteur < 2)
        return std::nullopt;

    const std::unique_ptr<avifDecoder, LibererDecodeur> decodeur(avifDecoderCreate());
    if (!decodeur)
        return std::nullopt;
    avifDecoder* d = decodeur.get();
    d->maxThreads = std::max(1, QThread::idealThreadCount());
    d->ignoreExif = AVIF_TRUE;
    d->ignoreXMP = AVIF_TRUE;
    d->imageSizeLimit = uint32_t(qint64(naturelle.width()) * naturelle.height());
    if (avifDecoderSetIOMemory(d, reinterpret_cast<const uint8_t*>(fichier.data()), size_t(fichier.size())) != AVIF_RESULT_OK
        || avifDecoderParse(d) != AVIF_RESULT_OK)
        return std::nullopt;
    const avifImage* entete = d->image;
    // libavif leaves rotation, mirroring and cropping to its caller: the other path applies them.
    if (entete->transformFlags & (AVIF_TRANSFORM_CLAP | AVIF_TRANSFORM_IROT | AVIF_TRANSFORM_IMIR) || d->alphaPresent
        || entete->depth != 8 || int(entete->width) != naturelle.width() || int(entete->height) != naturelle.height())
        return std::nullopt;
    if (avifDecoderNextImage(d) != AVIF_RESULT_OK)
        return std::nullopt;
    const avifImage* i = d->image;
    const std::optional<Matrice> m = matrice(i->matrixCoefficients);
    if (!m || i->depth != 8 || int(i->width) != naturelle.width() || int(i->height) != naturelle.height() || !i->yuvPlanes[AVIF_CHAN_Y])
        return std::nullopt;
    const bool gris = i->yuvFormat == AVIF_PIXEL_FORMAT_YUV400;
    if (!gris && (!i->yuvPlanes[AVIF_CHAN_U] || !i->yuvPlanes[AVIF_CHAN_V]))
        return std::nullopt;
    avifPixelFormatInfo info;
    avifGetPixelFormatInfo(i->yuvFormat, &info);
    const int dx = gris ? 0 : info.chromaShiftX, dy = gris ? 0 : info.chromaShiftY;

    ApercuAvif apercu;
    const int largeur = (naturelle.width() + facteur - 1) / facteur, hauteur = (naturelle.height() + facteur - 1) / facteur;
    apercu.image = QImage(largeur, hauteur, QImage::Format_RGB32);
    if (apercu.image.isNull())
        return std::nullopt;
    const bool pleine = i->yuvRange == AVIF_RANGE_FULL;
    const double kg = 1 - m->kr - m->kb;
    const int w = naturelle.width(), h = naturelle.height();
    par_bandes(hauteur, true, [&](int Y) {
        QRgb* sortie = reinterpret_cast<QRgb*>(apercu.image.scanLine(Y));
        const int y0 = Y * facteur, y1 = std::min(h, y0 + facteur);
        for (int X = 0; X < largeur; ++X) {
            const int x0 = X * facteur, x1 = std::min(w, x0 + facteur);
            // Averaging before converting gives the mean of the converted colours: the conversion
            // is affine.
            const double luma = moyenne(i->yuvPlanes[AVIF_CHAN_Y], i->yuvRowBytes[AVIF_CHAN_Y], x0, x1, y0, y1);
            const double yp = pleine ? luma / 255.0 : (luma - 16) / 219.0;
            if (gris) {
                const int v = octet(yp);
                sortie[X] = qRgb(v, v, v);
                continue;
            }
            const int cx0 = x0 >> dx, cx1 = ((x1 - 1) >> dx) + 1, cy0 = y0 >> dy, cy1 = ((y1 - 1) >> dy) + 1;
            const double u = moyenne(i->yuvPlanes[AVIF_CHAN_U], i->yuvRowBytes[AVIF_CHAN_U], cx0, cx1, cy0, cy1);
            const double v = moyenne(i->yuvPlanes[AVIF_CHAN_V], i->yuvRowBytes[AVIF_CHAN_V], cx0, cx1, cy0, cy1);
            const double cb = pleine ? (u - 128) / 255.0 : (u - 128) / 224.0;
            const double cr = pleine ? (v - 128) / 255.0 : (v - 128) / 224.0;
            if (m->identite) {
                const double g = pleine ? luma / 255.0 : yp, b = pleine ? u / 255.0 : (u - 16) / 219.0,
                             r = pleine ? v / 255.0 : (v - 16) / 219.0;
                sortie[X] = qRgb(octet(r), octet(g), octet(b));
                continue;
            }
            const double r = yp + 2 * (1 - m->kr) * cr;
            const double b = yp + 2 * (1 - m->kb) * cb;
            const double g = (yp - m->kr * r - m->kb * b) / kg;
            sortie[X] = qRgb(octet(r), octet(g), octet(b));
        }
    });
    apercu.primaires = i->colorPrimaries;
    apercu.transfert = i->transferCharacteristics;
    if (i->icc.size > 0 && i->icc.size < 4 * 1024 * 1024)
        apercu.icc = QByteArray(reinterpret_cast<const char*>(i->icc.data), qsizetype(i->icc.size));
    return apercu;
}
