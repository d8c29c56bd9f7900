#include "picture/contenu.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <vector>

namespace {

quint16 mot(QByteArrayView octets, qsizetype position)
{
    return qFromLittleEndian<quint16>(octets.data() + position);
}

quint32 double_mot(QByteArrayView octets, qsizetype position)
{
    return qFromLittleEndian<quint32>(octets.data() + position);
}

qint32 double_mot_signe(QByteArrayView octets, qsizetype position)
{
    return qFromLittleEndian<qint32>(octets.data() + position);
}

bool profondeur_bmp(quint16 bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// A BITMAPINFOHEADER (or one of its older or longer variants) at the very start of the file.
// Only its first field is a signature of sorts, so the following fields must make sense too.
bool est_dib_sans_entete(QByteArrayView debut)
{
    if (debut.size() < 16)
        return false;
    const quint32 taille_entete = double_mot(debut, 0);
    if (taille_entete == 12) { // OS/2 1.x: 16-bit width and height
        return mot(debut, 4) > 0 && mot(debut, 6) > 0 && mot(debut, 8) == 1
            && profondeur_bmp(mot(debut, 10));
    }
    constexpr std::array tailles_connues{40u, 52u, 56u, 64u, 108u, 124u};
    if (std::find(tailles_connues.begin(), tailles_connues.end(), taille_entete) == tailles_connues.end()
        || debut.size() < 20)
        return false;
    return double_mot_signe(debut, 4) > 0 && double_mot_signe(debut, 8) != 0 && mot(debut, 12) == 1
        && profondeur_bmp(mot(debut, 14)) && double_mot(debut, 16) <= 6;
}

bool est_wmf(QByteArrayView debut)
{
    if (debut.startsWith(QByteArrayView("\xD7\xCD\xC6\x9A", 4))) // Aldus placeable header
        return true;
    if (debut.size() < 6)
        return false;
    const quint16 type = mot(debut, 0);
    const quint16 version = mot(debut, 4);
    return (type == 1 || type == 2) && mot(debut, 2) == 9 && (version == 0x0100 || version == 0x0300);
}

bool est_emf(QByteArrayView debut)
{
    // The first record is EMR_HEADER, whose signature " EMF" sits at offset 40.
    return debut.size() >= 44 && double_mot(debut, 0) == 1 && debut.sliced(40, 4) == QByteArrayView(" EMF");
}

bool est_icone(QByteArrayView debut)
{
    if (debut.size() < 6)
        return false;
    const quint16 type = mot(debut, 2);
    return mot(debut, 0) == 0 && (type == 1 || type == 2) && mot(debut, 4) > 0;
}

// Size and depth of one picture of an icon file, from the header at the start of its data.
std::optional<ImageIcone> lire_image_icone(QIODevice& fichier, quint32 position)
{
    if (!fichier.seek(position))
        return std::nullopt;
    const QByteArray entete = fichier.read(24);
    if (entete.startsWith("\x89PNG\r\n\x1a\n")) {
        if (entete.size() < 24 || entete.sliced(12, 4) != "IHDR")
            return std::nullopt;
        const quint32 largeur = qFromBigEndian<quint32>(entete.constData() + 16);
        const quint32 hauteur = qFromBigEndian<quint32>(entete.constData() + 20);
        if (!dimensions_vraisemblables(largeur, hauteur))
            return std::nullopt;
        return ImageIcone{0, QSize(int(largeur), int(hauteur)), 32};
    }
    if (entete.size() < 16)
        return std::nullopt;
    qint64 largeur = 0;
    qint64 hauteur = 0; // the stored height covers the colour picture and the mask below it
    int profondeur = 0;
    if (double_mot(entete, 0) == 12) {
        largeur = mot(entete, 4);
        hauteur = mot(entete, 6) / 2;
        profondeur = mot(entete, 10);
    } else if (double_mot(entete, 0) >= 40) {
        largeur = double_mot_signe(entete, 4);
        hauteur = qAbs(qint64(double_mot_signe(entete, 8))) / 2;
        profondeur = mot(entete, 14);
    }
    if (!dimensions_vraisemblables(largeur, hauteur))
        return std::nullopt;
    return ImageIcone{0, QSize(int(largeur), int(hauteur)), profondeur};
}

// An ISO base media file whose first box is "ftyp" naming a brand of HEIF still pictures.
bool est_heif(QByteArrayView debut)
{
    if (debut.size() < 16 || debut.sliced(4, 4) != QByteArrayView("ftyp"))
        return false;
    const qsizetype fin = std::min<qsizetype>(debut.size(), qFromBigEndian<quint32>(debut.data()));
    static constexpr std::array<const char*, 12> marques{"heic", "heix", "heim", "heis", "hevc", "hevx",
                                                         "hevm", "hevs", "mif1", "msf1", "avif", "avis"};
    const auto connue = [&](qsizetype position) {
        const QByteArrayView marque = debut.sliced(position, 4);
        return std::any_of(marques.begin(), marques.end(), [&](const char* m) { return marque == QByteArrayView(m, 4); });
    };
    if (connue(8)) // the major brand
        return true;
    for (qsizetype position = 16; position + 4 <= fin; position += 4) // the compatible brands
        if (connue(position))
            return true;
    return false;
}

// An SVG document: XML text (after an optional byte order mark and blanks) whose <svg> element
// starts within the bytes given; or a gzip stream, which is how SVGZ files are stored.
bool est_svg(QByteArrayView debut)
{
    if (debut.startsWith("\x1F\x8B"))
        return true;
    QByteArrayView texte = debut;
    if (texte.startsWith("\xEF\xBB\xBF"))
        texte = texte.sliced(3);
    while (!texte.isEmpty() && (texte.front() == ' ' || texte.front() == '\t' || texte.front() == '\r' || texte.front() == '\n'))
        texte = texte.sliced(1);
    if (!texte.startsWith("<"))
        return false;
    return texte.startsWith("<svg") || (texte.indexOf("<svg") > 0 && (texte.startsWith("<?xml") || texte.startsWith("<!")));
}

} // namespace

NatureContenu nature_du_contenu(QByteArrayView debut)
{
    if (debut.startsWith("BM"))
        return NatureContenu::Bmp;
    if (debut.startsWith("GIF87a") || debut.startsWith("GIF89a"))
        return NatureContenu::Gif;
    if (debut.startsWith("\xFF\xD8"))
        return NatureContenu::Jpeg;
    if (debut.startsWith("\x89PNG\r\n\x1A\n"))
        return NatureContenu::Png;
    // Signatures holding a zero byte are given with their length.
    const auto commence = [&](const char* signature, qsizetype longueur) {
        return debut.startsWith(QByteArrayView(signature, longueur));
    };
    if (commence("II*\0", 4) || commence("MM\0*", 4) || commence("II+\0", 4) || commence("MM\0+", 4))
        return NatureContenu::Tiff;
    if (debut.size() >= 12 && debut.startsWith("RIFF") && debut.sliced(8, 4) == QByteArrayView("WEBP"))
        return NatureContenu::WebP;
    if (debut.startsWith("\xFF\x0A") || commence("\0\0\0\x0CJXL \r\n\x87\n", 12))
        return NatureContenu::JpegXl;
    if (est_heif(debut))
        return NatureContenu::Heif;
    if (est_wmf(debut) || est_emf(debut))
        return NatureContenu::Metafichier;
    if (est_icone(debut))
        return NatureContenu::Icone;
    if (est_dib_sans_entete(debut))
        return NatureContenu::Dib;
    if (est_svg(debut))
        return NatureContenu::Svg;
    return NatureContenu::Inconnue;
}

bool dimensions_vraisemblables(qint64 largeur, qint64 hauteur)
{
    return largeur > 0 && hauteur > 0 && largeur <= cote_maximal && hauteur <= cote_maximal
        && largeur * hauteur <= pixels_maximaux;
}

QSize taille_ecran_gif(QByteArrayView debut)
{
    if (debut.size() < 10)
        return {};
    return QSize(mot(debut, 6), mot(debut, 8));
}

std::optional<EnteteJpeg> lire_entete_jpeg(QIODevice& fichier)
{
    const auto octet = [&fichier](int& valeur) {
        char c;
        if (!fichier.getChar(&c))
            return false;
        valeur = quint8(c);
        return true;
    };
    // The next marker's code: bytes before its 0xFF are skipped (a bounded number of them), then
    // fill bytes; 0xFF 0x00 is no marker. False at the end of the file.
    qint64 sautes = 0;
    const auto marqueur = [&](int& code) {
        for (;;) {
            do {
                if (!octet(code) || ++sautes > 1'000'000)
                    return false;
            } while (code != 0xFF);
            do {
                if (!octet(code))
                    return false;
            } while (code == 0xFF);
            if (code != 0x00)
                return true;
        }
    };

    struct Composante {
        int h = 1, v = 1; // sampling factors
    };
    std::optional<EnteteJpeg> entete;
    std::vector<Composante> composantes;
    bool progressif = false, plusieurs_passes = false;
    int code = 0;
    if (fichier.seek(0) && octet(code) && code == 0xFF && octet(code) && code == 0xD8) {
        // A bounded walk: a file of nothing but empty segments ends it without reaching a scan.
        for (int n = 0; n < 100'000 && marqueur(code) && code != 0xD9; ++n) { // up to EOI
            if ((code >= 0xD0 && code <= 0xD8) || code == 0x01) // RSTn, SOI, TEM: no length
                continue;
            int fort, faible;
            if (!octet(fort) || !octet(faible) || (fort << 8 | faible) < 2)
                break;
            const qint64 suite = fichier.pos() + (fort << 8 | faible) - 2;
            const bool sof = code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
            if (sof && !entete) {
                const QByteArray f = fichier.read(6); // precision, height, width, components
                const int nombre = f.size() == 6 ? quint8(f[5]) : 0;
                const QByteArray detail = fichier.read(3 * qint64(nombre));
                if (nombre == 0 || detail.size() < 3 * nombre)
                    break;
                for (int i = 0; i < nombre; ++i) {
                    const int hv = quint8(detail[3 * i + 1]);
                    composantes.push_back({std::clamp(hv >> 4, 1, 4), std::clamp(hv & 0xF, 1, 4)});
                }
                entete = EnteteJpeg{QSize(quint8(f[3]) << 8 | quint8(f[4]), quint8(f[1]) << 8 | quint8(f[2])), nombre, 0};
                progressif = code == 0xC2 || code == 0xC6 || code == 0xCA || code == 0xCE;
            } else if (code == 0xDA) { // SOS: the first scan says how many components it holds
                int dans_la_passe = 0;
                if (entete && octet(dans_la_passe))
                    plusieurs_passes = dans_la_passe < entete->composantes;
                break;
            }
            if (!fichier.seek(suite))
                break;
        }
    }
    fichier.seek(0);
    if (entete && (progressif || plusieurs_passes)) {
        int h_max = 1, v_max = 1;
        for (const Composante& k : composantes) {
            h_max = std::max(h_max, k.h);
            v_max = std::max(v_max, k.v);
        }
        // As libjpeg sizes its buffers: the blocks of each component, rounded up to whole MCUs.
        const auto blocs = [](qint64 cote, int facteur, int maximum) {
            const qint64 n = (cote * facteur + 8 * maximum - 1) / (8 * maximum);
            return (n + facteur - 1) / facteur * facteur;
        };
        for (const Composante& k : composantes)
            entete->octets_coefficients += blocs(entete->taille.width(), k.h, h_max)
                * blocs(entete->taille.height(), k.v, v_max) * 64 * 2;
    }
    return entete;
}

std::optional<ImageIcone> plus_grande_icone(QIODevice& fichier)
{
    std::optional<ImageIcone> meilleure;
    if (fichier.seek(0)) {
        const QByteArray entete = fichier.read(6);
        const int nombre = entete.size() == 6 ? mot(entete, 4) : 0;
        const QByteArray repertoire = fichier.read(qint64(nombre) * 16);
        for (int i = 0; i < nombre && (i + 1) * 16 <= repertoire.size(); ++i) {
            auto image = lire_image_icone(fichier, double_mot(repertoire, i * 16 + 12));
            if (!image)
                continue;
            image->index = i;
            const auto surface = [](const ImageIcone& icone) {
                return qint64(icone.taille.width()) * icone.taille.height();
            };
            if (!meilleure || surface(*image) > surface(*meilleure)
                || (surface(*image) == surface(*meilleure) && image->profondeur > meilleure->profondeur))
                meilleure = image;
        }
    }
    fichier.seek(0);
    return meilleure;
}

bool png_anime(QByteArrayView debut)
{
    if (nature_du_contenu(debut) != NatureContenu::Png)
        return false;
    for (qsizetype position = 8; position <= debut.size() - 8;) {
        const qint64 longueur = qFromBigEndian<quint32>(debut.data() + position);
        const QByteArrayView type = debut.sliced(position + 4, 4);
        if (type == QByteArrayView("acTL"))
            return true;
        if (type == QByteArrayView("IDAT") || type == QByteArrayView("IEND") || longueur > 0x7FFF'FFFF)
            return false;
        if (longueur + 12 > debut.size() - position)
            return false;
        position += qsizetype(longueur) + 12;
    }
    return false;
}

bool webp_anime(QByteArrayView debut)
{
    // RIFF header, then the first chunk: "VP8X", its size, then its flags, animation being bit 1.
    return nature_du_contenu(debut) == NatureContenu::WebP && debut.size() >= 21
        && debut.sliced(12, 4) == QByteArrayView("VP8X") && (quint8(debut[20]) & 0x02) != 0;
}
