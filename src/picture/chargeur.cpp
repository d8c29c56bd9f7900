#include "picture/chargeur.h"

#include "picture/contenu.h"
#include "picture/formats.h"
#include "picture/heif.h"
#include "picture/jxl.h"
#include "picture/metafichier.h"
#include "picture/svg.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTransform>
#include <QtPlugin>

#include <algorithm>
#include <cmath>
#include <memory>

// Our own readers (formats.h), linked into every program that reads pictures through this file.
Q_IMPORT_PLUGIN(FormatsImagora)

namespace {

// Largest picture, in MB, that Qt's readers may allocate: a second guard behind the estimates below.
constexpr int limite_allocation_mo = int(octets_lecture_maximaux / (1024 * 1024));

// Qt's readers and the metafile renderer give 32-bit pixels (8-bit ones are counted as 32 too).
qint64 octets(QSize taille)
{
    return qint64(taille.width()) * taille.height() * 4;
}

// Metafiles are read whole before drawing; none of a sane size comes near this.
constexpr qint64 taille_metafichier_maximale = qint64(256) * 1024 * 1024;

void poser_limite_allocation()
{
    // Qt keeps this limit for the whole process: set it once, before the first reader runs.
    static const bool posee = [] {
        QImageReader::setAllocationLimit(limite_allocation_mo);
        return true;
    }();
    Q_UNUSED(posee);
}

// The name Qt gives the reader it picked from the content must match what the first bytes said:
// a file that only one of Qt's other readers accepts is not a picture type the program shows.
bool format_attendu(NatureContenu nature, const QByteArray& format)
{
    switch (nature) {
    case NatureContenu::Bmp:
        return format == "bmp";
    case NatureContenu::Dib:
        return format == "dib";
    case NatureContenu::Gif:
        return format == "gif";
    case NatureContenu::Jpeg:
        return format == "jpeg";
    case NatureContenu::Icone:
        return format == "ico" || format == "cur";
    default:
        break;
    }
    return false;
}

// The reader named for the types recognised beyond the first nine: no other reader is tried.
QByteArray format_nomme(NatureContenu nature)
{
    switch (nature) {
    case NatureContenu::Png:
        return QByteArrayLiteral("png");
    case NatureContenu::Tiff:
        return QByteArrayLiteral("tiff");
    case NatureContenu::WebP:
        return QByteArrayLiteral("webp");
    case NatureContenu::Heif:
        return format_heif;
    case NatureContenu::JpegXl:
        return format_jpeg_xl;
    case NatureContenu::Svg:
        return QByteArrayLiteral("svg");
    default:
        return {};
    }
}

// Peak bytes per pixel of the natural size while a whole picture is decoded: a PNG of 16 bits per
// channel (its header says) and any TIFF may take 8; our HEIF and JPEG XL readers say their own.
qint64 octets_par_pixel(NatureContenu nature, QByteArrayView debut)
{
    switch (nature) {
    case NatureContenu::Heif:
        return octets_par_pixel_heif;
    case NatureContenu::JpegXl:
        return octets_par_pixel_jpeg_xl;
    case NatureContenu::Png: // the bit depth follows the signature, the chunk's length and type, the size
        return debut.size() > 24 && debut[24] == 16 ? 8 : 4;
    case NatureContenu::Tiff:
        return 8;
    default:
        return 4;
    }
}

// Pixels as the windows show them: 8 bits per channel, colours converted to sRGB from the picture's
// own colour space (an embedded ICC profile, a wide-gamut phone picture) so they are not washed out.
QImage en_srgb(QImage image)
{
    if (image.depth() > 32)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const QColorSpace espace = image.colorSpace();
    if (espace.isValid() && espace != QColorSpace(QColorSpace::SRgb))
        image.convertToColorSpace(QColorSpace::SRgb);
    return image;
}

// One picture file being read: opened once, recognised from its first bytes, its header read once,
// then its pixels decoded by the same reader at the size asked for.
class Lecture {
public:
    explicit Lecture(const QString& chemin);
    Lecture(const Lecture&) = delete;
    Lecture& operator=(const Lecture&) = delete;

    // Natural size after the EXIF orientation; invalid when the file is not a picture we read,
    // or one that no decoding keeps within the memory budget.
    QSize taille() const { return taille_; }
    bool dessin() const { return nature_ == NatureContenu::Metafichier || nature_ == NatureContenu::Svg; }

    // `voulue` (a size after orientation) when decoding at that size stays within the budget;
    // otherwise, for a JPEG or a drawing, the first of its halvings that does; invalid when none does.
    QSize taille_permise(QSize voulue) const;

    // The pixels stretched to `voulue` (a size after orientation), or at the natural size when
    // `voulue` is invalid. Null on failure or beyond the budget. Called once per Lecture.
    QImage decoder(QSize voulue = {});

    // For the part `zone` (inside the picture, after orientation, not the whole of it): `voulue`
    // when decoding it at that size stays within the budget; otherwise, for a JPEG or a drawing,
    // the first of its halvings that does; invalid when none does.
    QSize taille_permise(QRect zone, QSize voulue) const;
    // The part `zone` stretched to `voulue` (both after orientation). Null on failure or beyond the
    // budget. Called once per Lecture, instead of decoder().
    QImage decoder_partie(QRect zone, QSize voulue);

private:
    void preparer_matricielle(NatureContenu nature, QByteArrayView debut);
    void preparer_metafichier();
    void choisir_page_reduite(QSize voulue);
    // Bytes held at the peak of decoding at `voulue` (a size after orientation).
    qint64 memoire(QSize voulue) const;
    // Bytes held at the peak of decoding the part `zone` at `voulue` (both after orientation).
    qint64 memoire(QRect zone, QSize voulue) const;
    // The same pixels as the file stores them, before the orientation turns them.
    QRect stockee(QRect zone) const;
    QImage orienter(QImage image) const;
    // Whether Qt's reader for this type cuts a part out while decoding (JPEG and SVG); others decode
    // the whole picture.
    bool decoupe_en_lisant() const
    {
        return (nature_ == NatureContenu::Jpeg || nature_ == NatureContenu::Svg) && lecteur_
            && lecteur_->supportsOption(QImageIOHandler::ClipRect);
    }

    // Raster pictures are decoded by Qt's reader; metafiles are drawn from their bytes, in metafichier_.
    QFile fichier_;
    QByteArray metafichier_;
    QBuffer svg_; // an SVG drawing made self-contained (svg.h), which Qt's reader reads in place of the file
    std::unique_ptr<QImageReader> lecteur_; // declared after fichier_, so destroyed before it
    NatureContenu nature_ = NatureContenu::Inconnue;
    QSize taille_;
    QSize taille_brute_;         // as stored, before the orientation
    bool quart_de_tour_ = false; // the orientation turns the picture by 90°: width and height swap
    bool tournee_ = false;       // the orientation turns or mirrors the picture: one more copy
    QImageIOHandler::Transformations transformation_ = QImageIOHandler::TransformationNone;
    qint64 coefficients_jpeg_ = 0;
    qint64 octets_par_pixel_ = 4; // the newer types: see octets_par_pixel()
    int index_icone_ = 0;
};

Lecture::Lecture(const QString& chemin)
    : fichier_(chemin)
{
    // Folders, pipes and devices are not pictures; reading some of them would never end.
    if (chemin.isEmpty() || !QFileInfo(chemin).isFile() || !fichier_.open(QIODevice::ReadOnly))
        return;
    const QByteArray debut = fichier_.peek(octets_pour_reconnaitre);

    // The one place where a file is routed to what draws it.
    switch (const NatureContenu nature = nature_du_contenu(debut)) {
    case NatureContenu::Bmp:
    case NatureContenu::Dib:
    case NatureContenu::Gif:
    case NatureContenu::Jpeg:
    case NatureContenu::Icone:
    case NatureContenu::Png:
    case NatureContenu::Tiff:
    case NatureContenu::WebP:
    case NatureContenu::Heif:
    case NatureContenu::JpegXl:
    case NatureContenu::Svg: // read by Qt SVG's reader, which draws at the size asked for
        preparer_matricielle(nature, debut);
        break;
    case NatureContenu::Metafichier: // WMF and EMF drawings, drawn at the size asked for
        preparer_metafichier();
        break;
    case NatureContenu::Inconnue:
        break;
    }
}

void Lecture::preparer_matricielle(NatureContenu nature, QByteArrayView debut)
{
    poser_limite_allocation();

    QSize taille_brute; // as stored, before the orientation
    if (nature == NatureContenu::Icone) {
        // Qt reads the first picture of the directory; the program shows the largest one.
        const auto icone = plus_grande_icone(fichier_);
        if (!icone)
            return;
        index_icone_ = icone->index;
        taille_brute = icone->taille;
    }
    // What libjpeg will hold comes from the markers before the first scan, read before Qt's
    // reader starts on the file.
    const std::optional<EnteteJpeg> jpeg = nature == NatureContenu::Jpeg ? lire_entete_jpeg(fichier_) : std::nullopt;

    const QByteArray format = format_nomme(nature);
    if (nature == NatureContenu::Svg) {
        svg_.setData(svg_autonome(fichier_));
        if (svg_.data().isEmpty() || !svg_.open(QIODevice::ReadOnly))
            return;
        lecteur_ = std::make_unique<QImageReader>(&svg_, format);
    } else if (!format.isEmpty()) {
        lecteur_ = std::make_unique<QImageReader>(&fichier_, format);
    } else if (nature == NatureContenu::Dib) {
        // Without the "BM" header nothing in the content names the type: tell Qt.
        lecteur_ = std::make_unique<QImageReader>(&fichier_, QByteArrayLiteral("dib"));
    } else {
        lecteur_ = std::make_unique<QImageReader>(&fichier_);
        lecteur_->setDecideFormatFromContent(true);
    }
    lecteur_->setAutoTransform(true);
    if (format.isEmpty() && !format_attendu(nature, lecteur_->format())) {
        lecteur_.reset();
        return;
    }

    qint64 largeur = taille_brute.width(), hauteur = taille_brute.height();
    if (nature == NatureContenu::Gif) {
        // Qt would scan every frame of the file to report this size; the header holds it.
        const QSize ecran = taille_ecran_gif(debut);
        largeur = ecran.width();
        hauteur = ecran.height();
    } else if (nature != NatureContenu::Icone) {
        // Only the header is read here; a top-down BMP reports a negative height.
        const QSize lue = lecteur_->size();
        largeur = lue.width();
        hauteur = qAbs(qint64(lue.height()));
    }
    if (!dimensions_vraisemblables(largeur, hauteur)) {
        lecteur_.reset();
        return;
    }
    taille_brute = QSize(int(largeur), int(hauteur));

    nature_ = nature;
    taille_brute_ = taille_brute;
    octets_par_pixel_ = octets_par_pixel(nature, debut);
    // Without a frame header of our own reading the worst is assumed: three components kept whole.
    if (nature == NatureContenu::Jpeg)
        coefficients_jpeg_ = jpeg ? jpeg->octets_coefficients : largeur * hauteur * 3 * 2;
    transformation_ = lecteur_->transformation();
    quart_de_tour_ = transformation_.testFlag(QImageIOHandler::TransformationRotate90);
    tournee_ = transformation_ != QImageIOHandler::TransformationNone;
    taille_ = quart_de_tour_ ? taille_brute.transposed() : taille_brute;
    // Refused from its header when even the smallest decoding would exceed the budget.
    if (memoire(QSize(1, 1)) > octets_lecture_maximaux) {
        lecteur_.reset();
        taille_ = {};
    }
}

void Lecture::preparer_metafichier()
{
    poser_limite_allocation(); // pictures embedded in the records go through Qt's readers
    if (fichier_.size() > taille_metafichier_maximale)
        return;
    metafichier_ = fichier_.readAll();
    taille_ = taille_metafichier(metafichier_);
    if (!taille_.isValid())
        metafichier_.clear();
    nature_ = NatureContenu::Metafichier;
    taille_brute_ = taille_;
}

qint64 Lecture::memoire(QSize voulue) const
{
    const QSize s = quart_de_tour_ ? voulue.transposed() : voulue; // as stored
    switch (nature_) {
    case NatureContenu::Metafichier: // drawn straight at that size
    case NatureContenu::Svg:
        return octets(s);
    case NatureContenu::Png:
    case NatureContenu::Tiff:
    case NatureContenu::WebP:
    case NatureContenu::Heif:
    case NatureContenu::JpegXl:
        // The whole picture decoded, then scaled on a copy when another size is asked; one more copy
        // may bring it to 8 bits per channel.
        return octets(taille_brute_) / 4 * octets_par_pixel_ + (s != taille_brute_ ? 2 : 1) * octets(s);
    case NatureContenu::Jpeg: {
        // Qt has libjpeg decode at M/8 of the size (M from 1 to 8, the least that reaches the size
        // asked), then scales that to the size asked on a copy; the orientation turns a copy.
        const QSize n = taille_brute_;
        const double f = std::min(double(n.width()) / s.width(), double(n.height()) / s.height());
        const qint64 m = std::clamp<qint64>(qint64(std::ceil(8 / f)), 1, 8);
        const QSize decodee(int((n.width() * m + 7) / 8), int((n.height() * m + 7) / 8));
        qint64 total = coefficients_jpeg_ + octets(decodee);
        if (decodee != s)
            total += octets(decodee) + octets(s);
        if (tournee_)
            total += octets(s);
        return total;
    }
    default:
        // Qt's other readers decode the whole picture; a smaller size is then scaled from a copy.
        return octets(taille_brute_) + (s != taille_brute_ ? octets(taille_brute_) + octets(s) : 0);
    }
}

// The reduction Qt's JPEG reader picks when it cuts `clip` (as stored) out at `voulue`: a power of
// two up to 8, no more than the part over the size asked, that divides the part's place and size
// (so that the reduced part has exact pixel bounds).
int reduction_jpeg(QRect clip, QSize voulue)
{
    if (voulue == clip.size() || voulue.isEmpty())
        return 1;
    const int rapport = std::min(clip.width() / voulue.width(), clip.height() / voulue.height());
    int d = rapport >= 8 ? 8 : rapport >= 4 ? 4 : rapport >= 2 ? 2 : 1;
    while (d > 1 && (clip.x() % d || clip.y() % d || clip.width() % d || clip.height() % d))
        d /= 2;
    return d;
}

// Size of the whole drawing at the scale that brings `zone` to `voulue`.
QSize taille_entiere(QSize naturelle, QRect zone, QSize voulue)
{
    const double sx = double(voulue.width()) / zone.width(), sy = double(voulue.height()) / zone.height();
    return QSize(std::max(1, int(std::ceil(naturelle.width() * sx))), std::max(1, int(std::ceil(naturelle.height() * sy))));
}

qint64 Lecture::memoire(QRect zone, QSize voulue) const
{
    const QRect clip = stockee(zone);
    const QSize s = quart_de_tour_ ? voulue.transposed() : voulue; // as stored
    const qint64 tour = tournee_ ? octets(s) : 0;                  // the part turned on a copy
    switch (nature_) {
    case NatureContenu::Metafichier: // drawn whole at the part's scale, the part copied out, maybe stretched
        return octets(taille_entiere(taille_, zone, voulue)) + 2 * octets(voulue);
    case NatureContenu::Svg: // drawn straight: only the part
        return octets(s);
    case NatureContenu::Jpeg: {
        // libjpeg's coefficients (a progressive file), one decoded row of the whole width, the part
        // at the reduction Qt picks, its scaling to the size asked on a copy, and the turned copy.
        const int d = reduction_jpeg(clip, s);
        const QSize decodee(clip.width() / d, clip.height() / d);
        const qint64 ligne = qint64(taille_brute_.width() + 7) / 8 * 8 * 4;
        return coefficients_jpeg_ + ligne + octets(decodee) + (decodee != s ? octets(s) : 0) + tour;
    }
    case NatureContenu::Png:
    case NatureContenu::Tiff:
    case NatureContenu::WebP:
    case NatureContenu::Heif:
    case NatureContenu::JpegXl:
        // Decoded whole, the part copied out, then stretched on a copy; one more copy may bring it
        // to 8 bits per channel.
        return octets(taille_brute_) / 4 * octets_par_pixel_ + octets(clip.size()) / 4 * octets_par_pixel_
            + (s != clip.size() ? 1 : 0) * octets(s) + octets(s) + tour;
    default:
        return octets(taille_brute_) + octets(clip.size()) + (s != clip.size() ? octets(s) : 0) + tour;
    }
}

QRect Lecture::stockee(QRect zone) const
{
    // Qt mirrors and flips the picture as stored, then turns it a quarter clockwise: that mapping
    // of the stored pixels onto the oriented ones, undone.
    const qreal l = taille_brute_.width(), h = taille_brute_.height();
    QTransform vers_orientee;
    if (transformation_.testFlag(QImageIOHandler::TransformationMirror))
        vers_orientee *= QTransform(-1, 0, 0, 1, l, 0);
    if (transformation_.testFlag(QImageIOHandler::TransformationFlip))
        vers_orientee *= QTransform(1, 0, 0, -1, 0, h);
    if (transformation_.testFlag(QImageIOHandler::TransformationRotate90))
        vers_orientee *= QTransform(0, 1, -1, 0, h, 0);
    return vers_orientee.inverted().mapRect(QRectF(zone)).toAlignedRect();
}

QImage Lecture::orienter(QImage image) const
{
    // As Qt's reader does it for a whole picture: mirrored and flipped, then turned.
    if (transformation_ & (QImageIOHandler::TransformationMirror | QImageIOHandler::TransformationFlip))
        image = image.mirrored(transformation_.testFlag(QImageIOHandler::TransformationMirror),
                               transformation_.testFlag(QImageIOHandler::TransformationFlip));
    if (quart_de_tour_)
        image = image.transformed(QTransform().rotate(90));
    return image;
}

QSize Lecture::taille_permise(QRect zone, QSize voulue) const
{
    if (!taille_.isValid() || voulue.isEmpty())
        return {};
    if (memoire(zone, voulue) <= octets_lecture_maximaux)
        return voulue;
    if (nature_ != NatureContenu::Jpeg && !dessin())
        return {};
    for (QSize s = voulue; s.width() > 1 || s.height() > 1;) {
        s = QSize((s.width() + 1) / 2, (s.height() + 1) / 2);
        if (memoire(zone, s) <= octets_lecture_maximaux)
            return s;
    }
    return {};
}

QSize Lecture::taille_permise(QSize voulue) const
{
    if (!taille_.isValid() || voulue.isEmpty())
        return {};
    if (memoire(voulue) <= octets_lecture_maximaux)
        return voulue;
    if (nature_ != NatureContenu::Jpeg && !dessin())
        return {};
    // Halvings of a JPEG's natural size come to libjpeg's own reductions (1/2, 1/4, 1/8), give or
    // take a pixel; past 1/8 its smallest decoding is scaled down further.
    for (QSize s = voulue; s.width() > 1 || s.height() > 1;) {
        s = QSize((s.width() + 1) / 2, (s.height() + 1) / 2);
        if (memoire(s) <= octets_lecture_maximaux)
            return s;
    }
    return {};
}

QImage Lecture::decoder(QSize voulue)
{
    if (!taille_.isValid() || memoire(voulue.isValid() ? voulue : taille_) > octets_lecture_maximaux)
        return {};
    if (!metafichier_.isEmpty())
        return rendre_metafichier(metafichier_, voulue.isValid() ? voulue : taille_);
    if (!lecteur_)
        return {};
    if (index_icone_ > 0 && !lecteur_->jumpToImage(index_icone_))
        return {};
    // The reader scales the picture as stored, then turns it. Asking for the natural size costs
    // nothing, and holds the result to it when a header disagrees with the pixels (an icon's
    // directory, say).
    if (voulue.isValid()) {
        if (nature_ == NatureContenu::Tiff)
            choisir_page_reduite(voulue);
        lecteur_->setScaledSize(quart_de_tour_ ? voulue.transposed() : voulue);
    }
    return en_srgb(lecteur_->read());
}

QImage Lecture::decoder_partie(QRect zone, QSize voulue)
{
    if (!taille_.isValid() || zone.isEmpty() || voulue.isEmpty() || memoire(zone, voulue) > octets_lecture_maximaux)
        return {};
    if (!metafichier_.isEmpty()) {
        // No reader of ours draws a part alone: the whole at the part's scale, and the part cut out.
        const QSize entiere = taille_entiere(taille_, zone, voulue);
        const QImage tout = rendre_metafichier(metafichier_, entiere);
        if (tout.isNull())
            return {};
        const double sx = double(entiere.width()) / taille_.width(), sy = double(entiere.height()) / taille_.height();
        const QRect dedans = QRectF(zone.x() * sx, zone.y() * sy, zone.width() * sx, zone.height() * sy).toAlignedRect() & tout.rect();
        QImage partie = tout.copy(dedans);
        if (partie.size() != voulue)
            partie = partie.scaled(voulue, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return partie;
    }
    if (!lecteur_)
        return {};
    if (index_icone_ > 0 && !lecteur_->jumpToImage(index_icone_))
        return {};
    // The part is cut from the pixels as stored and turned here, on its own.
    lecteur_->setAutoTransform(false);
    const QRect clip = stockee(zone);
    const QSize s = quart_de_tour_ ? voulue.transposed() : voulue;
    QImage image;
    if (decoupe_en_lisant()) {
        lecteur_->setClipRect(clip);
        if (s != clip.size())
            lecteur_->setScaledSize(s);
        image = lecteur_->read();
    } else {
        // The reader decodes the whole picture: the part is copied out and the whole dropped at once.
        image = lecteur_->read();
        if (!image.isNull())
            image = image.copy(clip);
    }
    if (image.isNull())
        return {};
    if (image.size() != s)
        image = image.scaled(s, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return en_srgb(orienter(std::move(image)));
}

void Lecture::choisir_page_reduite(QSize voulue)
{
    // A scanner's TIFF may hold the same picture again at reduced resolutions in later pages: the
    // smallest one still as large as the size asked, and of the same shape, decodes for less.
    // Qt's TIFF reader reads each page's header from where the file stands: bring it back first.
    fichier_.seek(0);
    const int pages = std::min(lecteur_->imageCount(), 16);
    const QSize pleine = quart_de_tour_ ? taille_brute_.transposed() : taille_brute_;
    int choisie = 0;
    QSize taille_choisie = pleine;
    for (int page = 1; page < pages && lecteur_->jumpToImage(page); ++page) {
        fichier_.seek(0);
        const QSize s = lecteur_->size();
        const QSize orientee = quart_de_tour_ ? s.transposed() : s;
        const bool meme_forme = std::abs(qint64(orientee.width()) * pleine.height() - qint64(orientee.height()) * pleine.width())
            <= qint64(pleine.width()) * pleine.height() / 100;
        if (meme_forme && orientee.width() >= voulue.width() && orientee.height() >= voulue.height()
            && orientee.width() < taille_choisie.width())
            choisie = page, taille_choisie = orientee;
    }
    lecteur_->jumpToImage(choisie);
    fichier_.seek(0);
}

ImageLue resultat(QImage image, QSize taille)
{
    if (image.isNull())
        return {};
    return {std::move(image), taille};
}

QSize taille_dans_boite(QSize naturelle, QSize boite)
{
    if (naturelle.width() <= boite.width() && naturelle.height() <= boite.height())
        return naturelle;
    return naturelle.scaled(boite, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// The size image_complete() decodes the picture at.
QSize taille_complete(const Lecture& lecture)
{
    const QSize naturelle = lecture.taille();
    return lecture.taille_permise(lecture.dessin() ? taille_dans_boite(naturelle, boite_dessin_naturel) : naturelle);
}

} // namespace

QSize taille_image(const QString& chemin)
{
    return Lecture(chemin).taille();
}

ImageLue image_apercu(const QString& chemin, QSize cible)
{
    if (cible.isEmpty())
        return {};
    Lecture lecture(chemin);
    QImage image = lecture.decoder(cible);
    return resultat(std::move(image), lecture.taille());
}

ImageLue image_complete(const QString& chemin)
{
    Lecture lecture(chemin);
    const QSize naturelle = lecture.taille();
    const QSize voulue = taille_complete(lecture);
    if (!voulue.isValid())
        return {};
    if (voulue == naturelle && !lecture.dessin()) {
        QImage image = lecture.decoder();
        const QSize taille = image.size(); // the pixels themselves are the final word on the natural size
        return resultat(std::move(image), taille);
    }
    return resultat(lecture.decoder(voulue), naturelle);
}

ImageLue image_ajustee(const QString& chemin, QSize boite)
{
    if (boite.isEmpty())
        return {};
    Lecture lecture(chemin);
    const QSize voulue = lecture.taille_permise(taille_dans_boite(lecture.taille(), boite));
    if (!voulue.isValid())
        return {};
    return resultat(lecture.decoder(voulue), lecture.taille());
}

QSize taille_complete(const QString& chemin, QSize* naturelle)
{
    const Lecture lecture(chemin);
    if (naturelle)
        *naturelle = lecture.taille();
    return taille_complete(lecture);
}

ImageLue image_partie(const QString& chemin, QRect zone, QSize cible)
{
    if (zone.isEmpty() || cible.isEmpty())
        return {};
    Lecture lecture(chemin);
    const QSize naturelle = lecture.taille();
    const QRect dedans = zone & QRect(QPoint(), naturelle);
    if (dedans.isEmpty())
        return {};
    // What is cut off past the picture's edges keeps the scale asked for.
    QSize voulue = cible;
    if (dedans != zone) {
        const double sx = double(cible.width()) / zone.width(), sy = double(cible.height()) / zone.height();
        voulue = QSize(std::max(1, int(std::lround(dedans.width() * sx))), std::max(1, int(std::lround(dedans.height() * sy))));
    }
    if (dedans == QRect(QPoint(), naturelle)) {
        voulue = lecture.taille_permise(voulue);
        return voulue.isValid() ? resultat(lecture.decoder(voulue), naturelle) : ImageLue{};
    }
    voulue = lecture.taille_permise(dedans, voulue);
    if (!voulue.isValid())
        return {};
    return resultat(lecture.decoder_partie(dedans, voulue), naturelle);
}
