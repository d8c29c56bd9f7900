#include "picture/apng.h"

#include "picture/chargeur.h"
#include "picture/contenu.h"

#include <QColorSpace>
#include <QImageReader>
#include <QPainter>
#include <QVariant>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

const QByteArray signature_png("\x89PNG\r\n\x1A\n", 8);

// Longest chunk the format allows.
constexpr qint64 longueur_maximale = 0x7FFF'FFFF;
// Chunks copied into every frame beyond this many bytes (an ICC profile, mostly) make the file damaged.
constexpr qsizetype auxiliaires_maximaux = 16 * 1024 * 1024;
// A file of more chunks than this is taken as damaged rather than walked on: a sane one, even of
// the most frames allowed, holds far fewer.
constexpr int chunks_maximaux = 4'000'000;

// The CRC-32 of the PNG format (ISO 3309), over a chunk's type and data.
class Crc {
public:
    Crc()
    {
        static const std::array<quint32, 256> table = [] {
            std::array<quint32, 256> t{};
            for (quint32 n = 0; n < 256; ++n) {
                quint32 c = n;
                for (int k = 0; k < 8; ++k)
                    c = c & 1 ? 0xEDB8'8320u ^ (c >> 1) : c >> 1;
                t[n] = c;
            }
            return t;
        }();
        table_ = &table;
    }
    Crc& operator<<(QByteArrayView octets)
    {
        for (char o : octets)
            valeur_ = (*table_)[(valeur_ ^ quint8(o)) & 0xFF] ^ (valeur_ >> 8);
        return *this;
    }
    quint32 valeur() const { return valeur_ ^ 0xFFFF'FFFFu; }

private:
    const std::array<quint32, 256>* table_;
    quint32 valeur_ = 0xFFFF'FFFFu;
};

quint32 gros_boutiste(QByteArrayView octets, qsizetype position)
{
    return qFromBigEndian<quint32>(octets.data() + position);
}

quint16 gros_boutiste16(QByteArrayView octets, qsizetype position)
{
    return qFromBigEndian<quint16>(octets.data() + position);
}

void ajouter32(QByteArray& octets, quint32 valeur)
{
    char o[4];
    qToBigEndian(valeur, o);
    octets.append(o, 4);
}

// Appends a whole chunk (length, type, data, CRC).
void ajouter_chunk(QByteArray& png, QByteArrayView type, QByteArrayView donnees)
{
    ajouter32(png, quint32(donnees.size()));
    png.append(type.data(), type.size());
    png.append(donnees.data(), donnees.size());
    ajouter32(png, (Crc() << type << donnees).valeur());
}

bool crc_juste(QByteArrayView type, QByteArrayView donnees_et_crc)
{
    const qsizetype n = donnees_et_crc.size() - 4;
    return n >= 0 && (Crc() << type << donnees_et_crc.first(n)).valeur() == gros_boutiste(donnees_et_crc, n);
}

// A frame's delay: delay_num / delay_den seconds, the denominator 0 meaning hundredths; shorter than
// 10 ms comes to 10 ms, as browsers play it.
int delai_ms(quint16 numerateur, quint16 denominateur)
{
    const double secondes = double(numerateur) / (denominateur == 0 ? 100 : denominateur);
    return std::max(10, int(std::lround(secondes * 1000)));
}

// Bytes of a frame's filtered rows: what its compressed data inflates to, give or take the extra
// filter bytes of interlacing.
qint64 octets_bruts(QByteArrayView ihdr, QSize taille)
{
    static constexpr std::array<int, 7> canaux{1, 0, 3, 1, 2, 0, 4};
    const int profondeur = quint8(ihdr[8]);
    const int type = quint8(ihdr[9]);
    const int bits = (type < int(canaux.size()) ? canaux[type] : 4) * std::min(profondeur, 16);
    return qint64(taille.height()) * ((qint64(taille.width()) * bits + 7) / 8 + 1);
}

} // namespace

LecteurApng::LecteurApng() = default;
LecteurApng::~LecteurApng() = default;

QIODevice* LecteurApng::source() const
{
    return copie_.isOpen() ? static_cast<QIODevice*>(&copie_) : device();
}

bool LecteurApng::analyser() const
{
    if (!analyse_) {
        analyse_ = true;
        valide_ = analyser_chunks();
        if (!valide_) {
            trames_.clear();
            anime_ = false;
        }
    }
    return valide_;
}

bool LecteurApng::analyser_chunks() const
{
    QIODevice* appareil = device();
    if (!appareil || !appareil->isReadable())
        return false;
    if (appareil->isSequential()) {
        // Walking the chunks and then each frame's data needs to go back: keep the bytes.
        QByteArray tout = appareil->read(octets_lecture_maximaux + 1);
        if (tout.size() > octets_lecture_maximaux)
            return false;
        copie_.setData(tout);
        copie_.open(QIODevice::ReadOnly);
        origine_ = 0;
    } else {
        origine_ = appareil->pos();
    }
    QIODevice& f = *source();
    const qint64 taille = f.size() - origine_;
    const auto lire = [&](qint64 position, qint64 n) {
        if (n < 0 || position < 0 || position > taille - n || !f.seek(origine_ + position))
            return QByteArray();
        QByteArray octets = f.read(n);
        return octets.size() == n ? octets : QByteArray();
    };
    if (lire(0, 8) != signature_png)
        return false;

    quint32 annoncees = 0;      // frames announced by acTL
    quint32 sequence = 0;       // the next sequence number of fcTL and fdAT
    bool idat_vu = false;
    bool donnees_ouvertes = false; // the last frame opened has data
    QByteArray type_precedent;
    const auto fermer_trame = [&] { return trames_.empty() || donnees_ouvertes; };

    for (qint64 position = 8, chunks = 0;; ++chunks) {
        const QByteArray entete = lire(position, 8);
        if (chunks >= chunks_maximaux)
            return false;
        if (entete.isEmpty())
            return false; // cut short, or no IEND
        const qint64 longueur = gros_boutiste(entete, 0);
        const QByteArray type = entete.sliced(4, 4);
        if (longueur > longueur_maximale || longueur + 12 > taille - position)
            return false;
        if (!std::all_of(type.begin(), type.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }))
            return false;
        if (ihdr_.isEmpty() && type != "IHDR")
            return false;
        const qint64 donnees = position + 8;
        const qint64 suivante = position + 12 + longueur;
        const auto lire_controle = [&]() { // the data of a chunk whose checksum is checked here
            const QByteArray octets = lire(donnees, longueur + 4);
            return crc_juste(type, octets) ? octets.first(longueur) : QByteArray();
        };

        if (type == "IHDR") {
            if (!ihdr_.isEmpty() || longueur != 13)
                return false;
            const QByteArray ihdr = lire_controle();
            if (ihdr.isEmpty())
                return false;
            const qint64 largeur = gros_boutiste(ihdr, 0), hauteur = gros_boutiste(ihdr, 4);
            if (!dimensions_vraisemblables(largeur, hauteur))
                return false;
            ihdr_ = ihdr;
            canevas_ = QSize(int(largeur), int(hauteur));
        } else if (type == "acTL" && !idat_vu) {
            // After the first IDAT it has no meaning: the file is a still picture then.
            if (anime_ || longueur != 8)
                return false;
            const QByteArray actl = lire_controle();
            if (actl.isEmpty())
                return false;
            annoncees = gros_boutiste(actl, 0);
            lectures_ = int(std::min<quint32>(gros_boutiste(actl, 4), 0x7FFF'FFFF));
            if (annoncees == 0 || annoncees > quint32(images_apng_maximales))
                return false;
            anime_ = true;
        } else if (type == "fcTL" && anime_) {
            if (longueur != 26 || !fermer_trame() || trames_.size() >= annoncees)
                return false;
            const QByteArray fctl = lire_controle();
            if (fctl.isEmpty() || gros_boutiste(fctl, 0) != sequence++)
                return false;
            const qint64 l = gros_boutiste(fctl, 4), h = gros_boutiste(fctl, 8);
            const qint64 x = gros_boutiste(fctl, 12), y = gros_boutiste(fctl, 16);
            const int disposition = quint8(fctl[24]), melange = quint8(fctl[25]);
            if (l <= 0 || h <= 0 || x > canevas_.width() - l || y > canevas_.height() - h || disposition > 2 || melange > 1)
                return false;
            Trame trame;
            trame.rect = QRect(int(x), int(y), int(l), int(h));
            trame.delai_ms = delai_ms(gros_boutiste16(fctl, 20), gros_boutiste16(fctl, 22));
            trame.disposition = disposition == 0 ? Disposition::Aucune : disposition == 1 ? Disposition::Fond : Disposition::Precedente;
            trame.superposer = melange == 1;
            if (!idat_vu) {
                // The default picture is the first frame: it fills the canvas.
                if (!trames_.empty() || trame.rect != QRect(QPoint(0, 0), canevas_))
                    return false;
                trame.idat = true;
            }
            // Nothing to go back to before the first frame.
            if (trames_.empty() && trame.disposition == Disposition::Precedente)
                trame.disposition = Disposition::Fond;
            trames_.push_back(trame);
            donnees_ouvertes = false;
        } else if (type == "IDAT") {
            if (idat_vu && type_precedent != "IDAT")
                return false; // IDAT chunks come in one run
            if (!idat_vu && !anime_)
                trames_.push_back(Trame{QRect(QPoint(0, 0), canevas_), 0, Disposition::Aucune, false, true});
            idat_vu = true;
            if (!trames_.empty() && trames_.back().idat) {
                Trame& trame = trames_.back();
                if (!donnees_ouvertes)
                    trame.debut = position;
                trame.fin = suivante;
                donnees_ouvertes = true;
            }
        } else if (type == "fdAT" && anime_) {
            if (!idat_vu || trames_.empty() || trames_.back().idat || longueur < 4)
                return false; // frame data before the default picture, or before any fcTL
            const QByteArray numero = lire(donnees, 4);
            if (numero.isEmpty() || gros_boutiste(numero, 0) != sequence++)
                return false;
            Trame& trame = trames_.back();
            if (!donnees_ouvertes)
                trame.debut = position;
            trame.fin = suivante;
            donnees_ouvertes = true;
        } else if (!idat_vu && (type == "PLTE" || type == "tRNS" || type == "gAMA" || type == "cHRM" || type == "sRGB" || type == "iCCP")) {
            if (auxiliaires_.size() + 12 + longueur > auxiliaires_maximaux)
                return false;
            const QByteArray chunk = lire(position, 12 + longueur);
            if (chunk.isEmpty())
                return false;
            auxiliaires_ += chunk; // its checksum is the PNG reader's to check
        } else if (type == "IEND") {
            break;
        }
        type_precedent = type;
        position = suivante;
    }
    return idat_vu && !trames_.empty() && donnees_ouvertes;
}

QImage LecteurApng::decoder_trame(const Trame& trame) const
{
    QIODevice& f = *source();
    const qint64 taille = f.size() - origine_;
    // Compressed data do not outgrow what they inflate to by more than zlib's few bytes per block.
    const qint64 compresses_maximaux = 2 * octets_bruts(ihdr_, trame.rect.size()) + 1024 * 1024;

    QByteArray png = signature_png;
    QByteArray ihdr = ihdr_;
    qToBigEndian(quint32(trame.rect.width()), ihdr.data());
    qToBigEndian(quint32(trame.rect.height()), ihdr.data() + 4);
    ajouter_chunk(png, "IHDR", ihdr);
    png += auxiliaires_;

    const QByteArrayView attendu = trame.idat ? "IDAT" : "fdAT";
    const qint64 saut = trame.idat ? 0 : 4; // the sequence number before an fdAT's data
    qint64 compresses = 0;
    for (qint64 position = trame.debut; position < trame.fin;) {
        if (position > taille - 12 || !f.seek(origine_ + position))
            return {};
        const QByteArray entete = f.read(8);
        if (entete.size() != 8)
            return {};
        const qint64 longueur = gros_boutiste(entete, 0);
        const QByteArrayView type = QByteArrayView(entete).sliced(4, 4);
        if (longueur > longueur_maximale || longueur + 12 > taille - position)
            return {}; // the file changed since its chunks were walked
        if (type == attendu) {
            compresses += longueur - saut;
            if (compresses > compresses_maximaux)
                return {};
            const QByteArray donnees = f.read(longueur + 4);
            if (donnees.size() != longueur + 4 || !crc_juste(type, donnees))
                return {};
            ajouter_chunk(png, "IDAT", QByteArrayView(donnees).sliced(saut, longueur - saut));
        }
        position += 12 + longueur;
    }
    ajouter_chunk(png, "IEND", {});

    QBuffer tampon(&png);
    tampon.open(QIODevice::ReadOnly);
    QImageReader lecteur(&tampon, QByteArrayLiteral("png"));
    QImage pixels;
    if (!lecteur.read(&pixels) || pixels.size() != trame.rect.size())
        return {};
    return pixels;
}

bool LecteurApng::canRead() const
{
    if (!analyse_) {
        if (!device())
            return false;
        return device()->peek(8) == signature_png;
    }
    return valide_ && !echec_ && courante_ + 1 < int(trames_.size());
}

bool LecteurApng::read(QImage* image)
{
    if (!analyser() || echec_ || courante_ + 1 >= int(trames_.size()))
        return false;
    const int n = courante_ + 1;
    const Trame& trame = trames_[n];
    const QImage pixels = decoder_trame(trame);
    if (pixels.isNull()) {
        echec_ = true;
        return false;
    }

    if (n == 0 || canevas_courant_.isNull()) {
        // Each play starts from a transparent black canvas.
        canevas_courant_ = QImage(canevas_, QImage::Format_ARGB32_Premultiplied);
        if (canevas_courant_.isNull()) {
            echec_ = true;
            return false;
        }
        canevas_courant_.fill(Qt::transparent);
        canevas_courant_.setColorSpace(pixels.colorSpace());
        sauvegarde_ = {};
    } else {
        // The previous frame goes as it said.
        const Trame& precedente = trames_[n - 1];
        QPainter peintre(&canevas_courant_);
        peintre.setCompositionMode(QPainter::CompositionMode_Source);
        if (precedente.disposition == Disposition::Fond)
            peintre.fillRect(precedente.rect, Qt::transparent);
        else if (precedente.disposition == Disposition::Precedente && !sauvegarde_.isNull())
            peintre.drawImage(precedente.rect.topLeft(), sauvegarde_);
        sauvegarde_ = {};
    }
    if (trame.disposition == Disposition::Precedente)
        sauvegarde_ = canevas_courant_.copy(trame.rect);

    QPainter peintre(&canevas_courant_);
    peintre.setCompositionMode(trame.superposer ? QPainter::CompositionMode_SourceOver : QPainter::CompositionMode_Source);
    peintre.drawImage(trame.rect.topLeft(), pixels);
    peintre.end();

    courante_ = n;
    if (image)
        *image = canevas_courant_;
    return true;
}

bool LecteurApng::supportsOption(ImageOption option) const
{
    return option == Size || option == Animation;
}

QVariant LecteurApng::option(ImageOption option) const
{
    if (!analyser())
        return {};
    if (option == Size)
        return canevas_;
    if (option == Animation)
        return anime_;
    return {};
}

int LecteurApng::imageCount() const
{
    return analyser() ? int(trames_.size()) : 0;
}

int LecteurApng::loopCount() const
{
    if (!analyser() || !anime_)
        return 0;
    return lectures_ == 0 ? -1 : lectures_ - 1;
}

int LecteurApng::nextImageDelay() const
{
    if (!analyser() || !anime_)
        return 0;
    return trames_[std::max(courante_, 0)].delai_ms;
}

int LecteurApng::currentImageNumber() const
{
    return courante_;
}

bool LecteurApng::jumpToNextImage()
{
    return read(nullptr);
}

bool LecteurApng::jumpToImage(int imageNumber)
{
    if (!analyser() || imageNumber < 0 || imageNumber >= int(trames_.size()))
        return false;
    if (imageNumber <= courante_)
        recommencer();
    // Each frame is drawn over the ones before it: they are composited again up to the one asked.
    while (courante_ + 1 < imageNumber)
        if (!read(nullptr))
            return false;
    return true;
}

void LecteurApng::recommencer()
{
    courante_ = -1;
    canevas_courant_ = {};
    sauvegarde_ = {};
}
