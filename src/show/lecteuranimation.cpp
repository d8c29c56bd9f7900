#include "show/lecteuranimation.h"

#include "picture/chargeur.h"
#include "picture/contenu.h"
#include "picture/formats.h"

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>

namespace {

// Bytes read to find an APNG's acTL chunk: it comes before the first IDAT, after an ICC profile
// at worst.
constexpr qint64 octets_entete_png = 1024 * 1024;

// Pixels as still pictures are shown: 8 bits per channel, colours converted to sRGB; and in the
// format the screen takes as it is, so the window's thread only hands the frame over.
QImage pour_ecran(QImage image)
{
    const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != format)
        image = image.convertToFormat(format);
    const QColorSpace espace = image.colorSpace();
    if (espace.isValid() && espace != QColorSpace(QColorSpace::SRgb))
        image.convertToColorSpace(QColorSpace::SRgb);
    return image;
}

} // namespace

class LectureAnimation {
public:
    LectureAnimation(const QString& chemin, const QByteArray& format, QSize canevas)
        : chemin_(chemin)
        , format_(format)
        , canevas_(canevas)
        , delai_navigateur_(format != format_apng)
    {
        // Used from one worker thread after another, never by events.
        fichier_.moveToThread(nullptr);
    }

    // Opens the file at its first frame; the first opening also reads how many plays it asks for.
    bool ouvrir()
    {
        lecteur_.reset();
        fichier_.close();
        fichier_.setFileName(chemin_);
        if (!fichier_.open(QIODevice::ReadOnly))
            return false;
        lecteur_ = std::make_unique<QImageReader>(&fichier_, format_);
        lues_ = 0;
        if (!ouvert_) {
            ouvert_ = true;
            nombre_ = lecteur_->imageCount();
            tours_restants_ = lecteur_->loopCount();
        }
        return nombre_ > 1;
    }

    int nombre() const { return nombre_; }

    // The next frame, going back to the first at the end of a play when the file asks for another.
    TrameAnimation suivante()
    {
        if (arretee.load(std::memory_order_relaxed) || !lecteur_)
            return {};
        if (lues_ >= nombre_) {
            if (tours_restants_ == 0 || !ouvrir())
                return {};
            if (tours_restants_ > 0)
                --tours_restants_;
        }
        QImage image;
        if (!lecteur_->read(&image) || image.size() != canevas_) {
            lecteur_.reset(); // a damaged frame ends the animation
            return {};
        }
        ++lues_;
        int delai = lecteur_->nextImageDelay();
        // Browsers play GIF and WebP frames of 10 ms or less for 100 ms; our APNG reader brings
        // its own short delays to 10 ms.
        if (delai_navigateur_ && delai <= 10)
            delai = 100;
        return {pour_ecran(std::move(image)), std::max(delai, 10)};
    }

    std::atomic<bool> arretee{false}; // set by the player when it stops: no more decoding

private:
    const QString chemin_;
    const QByteArray format_;
    const QSize canevas_;
    const bool delai_navigateur_;
    QFile fichier_;
    std::unique_ptr<QImageReader> lecteur_; // declared after fichier_, so destroyed before it
    bool ouvert_ = false;
    int nombre_ = 0;         // frames in one play
    int lues_ = 0;           // frames read in this play
    int tours_restants_ = 0; // plays after this one, -1 for ever
};

Animation ouvrir_animation(const QString& chemin)
{
    QByteArray format;
    {
        QFile fichier(chemin);
        if (!QFileInfo(chemin).isFile() || !fichier.open(QIODevice::ReadOnly))
            return {};
        const QByteArray debut = fichier.peek(octets_pour_reconnaitre);
        switch (nature_du_contenu(debut)) {
        case NatureContenu::Gif:
            format = QByteArrayLiteral("gif");
            break;
        case NatureContenu::WebP:
            if (webp_anime(debut))
                format = QByteArrayLiteral("webp");
            break;
        case NatureContenu::Png:
            if (png_anime(fichier.peek(octets_entete_png)))
                format = format_apng;
            break;
        default:
            break;
        }
    }
    if (format.isEmpty())
        return {};

    // The natural size as every picture's is read; this also sets the process's limit on what
    // Qt's readers may allocate (chargeur.h).
    const QSize canevas = taille_image(chemin);
    if (!canevas.isValid()
        || qint64(canevas.width()) * canevas.height() * 4 * images_tenues_animation > octets_lecture_maximaux)
        return {};
    auto lecture = std::make_shared<LectureAnimation>(chemin, format, canevas);
    if (!lecture->ouvrir())
        return {};
    TrameAnimation premiere = lecture->suivante();
    if (premiere.image.isNull())
        return {};
    return {std::move(premiere), std::move(lecture)};
}

LecteurAnimation::LecteurAnimation(Animation animation, QObject* parent)
    : QObject(parent)
    , m_lecture(std::move(animation.lecture))
{
    m_minuterie.setSingleShot(true);
    m_minuterie.setTimerType(Qt::PreciseTimer);
    connect(&m_minuterie, &QTimer::timeout, this, &LecteurAnimation::echeance);
    if (!m_lecture)
        return;
    m_en_marche = true;
    m_minuterie.start(animation.premiere.delai_ms);
    demander();
}

LecteurAnimation::~LecteurAnimation()
{
    arreter();
}

void LecteurAnimation::arreter()
{
    if (!m_en_marche)
        return;
    m_en_marche = false;
    ++m_generation;
    m_minuterie.stop();
    m_echue = false;
    m_suivante.reset();
    // A decoding under way is not waited for: it ends on its worker, and its frame goes nowhere.
    if (m_lecture)
        m_lecture->arretee = true;
    m_lecture.reset();
    if (m_veilleur) {
        m_veilleur->disconnect(this);
        m_veilleur->deleteLater();
        m_veilleur = nullptr;
    }
}

void LecteurAnimation::demander()
{
    if (!m_en_marche || m_veilleur || m_suivante)
        return;
    auto* veilleur = new QFutureWatcher<TrameAnimation>(this);
    const quint64 generation = m_generation;
    connect(veilleur, &QFutureWatcherBase::finished, this, [this, veilleur, generation] {
        veilleur->deleteLater();
        if (generation != m_generation || veilleur != m_veilleur)
            return;
        m_veilleur = nullptr;
        m_suivante = veilleur->result();
        if (m_echue)
            montrer_suivante();
    });
    m_veilleur = veilleur;
    veilleur->setFuture(QtConcurrent::run([lecture = m_lecture] { return lecture->suivante(); }));
}

void LecteurAnimation::echeance()
{
    if (m_suivante)
        montrer_suivante();
    else
        m_echue = true; // shown as soon as it is decoded
}

void LecteurAnimation::montrer_suivante()
{
    m_echue = false;
    const TrameAnimation trame = std::move(*m_suivante);
    m_suivante.reset();
    if (trame.image.isNull()) {
        arreter(); // the last frame stays on screen
        return;
    }
    m_minuterie.start(trame.delai_ms);
    demander();
    emit image(trame.image);
}
