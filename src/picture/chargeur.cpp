#include "picture/chargeur.h"

#include "picture/contenu.h"
#include "picture/metafichier.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <memory>

namespace {

// Largest picture, in MB, that Qt's readers may allocate.
constexpr int limite_allocation_mo = 1024;

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
    case NatureContenu::Metafichier:
    case NatureContenu::Inconnue:
        break;
    }
    return false;
}

// One picture file being read: opened once, recognised from its first bytes, its header read once,
// then its pixels decoded by the same reader at the size asked for.
class Lecture {
public:
    explicit Lecture(const QString& chemin);
    Lecture(const Lecture&) = delete;
    Lecture& operator=(const Lecture&) = delete;

    // Natural size after the EXIF orientation; invalid when the file is not a picture we read.
    QSize taille() const { return taille_; }

    // The pixels stretched to `voulue` (a size after orientation), or at the natural size when
    // `voulue` is invalid. Null on failure. Called once per Lecture.
    QImage decoder(QSize voulue = {});

private:
    void preparer_matricielle(NatureContenu nature, QByteArrayView debut);
    void preparer_metafichier();

    // Raster pictures are decoded by Qt's reader; metafiles are drawn from their bytes, in metafichier_.
    QFile fichier_;
    QByteArray metafichier_;
    std::unique_ptr<QImageReader> lecteur_; // declared after fichier_, so destroyed before it
    QSize taille_;
    bool quart_de_tour_ = false; // the orientation turns the picture by 90°: width and height swap
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

    if (nature == NatureContenu::Dib) {
        // Without the "BM" header nothing in the content names the type: tell Qt.
        lecteur_ = std::make_unique<QImageReader>(&fichier_, QByteArrayLiteral("dib"));
    } else {
        lecteur_ = std::make_unique<QImageReader>(&fichier_);
        lecteur_->setDecideFormatFromContent(true);
    }
    lecteur_->setAutoTransform(true);
    if (!format_attendu(nature, lecteur_->format())) {
        lecteur_.reset();
        return;
    }

    if (nature == NatureContenu::Gif) {
        // Qt would scan every frame of the file to report this size; the header holds it.
        taille_brute = taille_ecran_gif(debut);
    } else if (nature != NatureContenu::Icone) {
        // Only the header is read here; a top-down BMP reports a negative height.
        const QSize lue = lecteur_->size();
        taille_brute = QSize(lue.width(), qAbs(lue.height()));
    }
    if (!dimensions_vraisemblables(taille_brute.width(), taille_brute.height())) {
        lecteur_.reset();
        return;
    }

    quart_de_tour_ = lecteur_->transformation().testFlag(QImageIOHandler::TransformationRotate90);
    taille_ = quart_de_tour_ ? taille_brute.transposed() : taille_brute;
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
}

QImage Lecture::decoder(QSize voulue)
{
    if (!metafichier_.isEmpty())
        return rendre_metafichier(metafichier_, voulue.isValid() ? voulue : taille_);
    if (!lecteur_)
        return {};
    if (index_icone_ > 0 && !lecteur_->jumpToImage(index_icone_))
        return {};
    // The reader scales the picture as stored, then turns it. Asking for the natural size costs
    // nothing, and holds the result to it when a header disagrees with the pixels (an icon's
    // directory, say).
    if (voulue.isValid())
        lecteur_->setScaledSize(quart_de_tour_ ? voulue.transposed() : voulue);
    return lecteur_->read();
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
    QImage image = lecture.decoder();
    const QSize taille = image.size(); // the pixels themselves are the final word on the natural size
    return resultat(std::move(image), taille);
}

ImageLue image_ajustee(const QString& chemin, QSize boite)
{
    if (boite.isEmpty())
        return {};
    Lecture lecture(chemin);
    if (!lecture.taille().isValid())
        return {};
    QImage image = lecture.decoder(taille_dans_boite(lecture.taille(), boite));
    return resultat(std::move(image), lecture.taille());
}
