#include "show/frmapercu.h"

#include "show/deroulement.h"
#include "show/lecteuranimation.h"

#include "forms/fenetres.h"
#include "forms/textes.h"
#include "browser/icones.h"
#include "startup/module.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMoveEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QtConcurrent/QtConcurrentRun>

namespace {

const QString texte_erreur = QStringLiteral("Erreur lors de la lecture du fichier");
// Where a window showing a picture at its natural size will stand once ajuster_fenetre() has
// placed it: centred on this screen, with that frame around it, at that pixel ratio.
struct Placement {
    QRect ecran;
    QMargins cadre;
    qreal ratio = 1;

    // Pictures decoded for one screen do not suit another. The frame is left out: it is known only
    // once the window shows, and a part decoded without it is off by a few pixels, which the window
    // reads again once the picture is up (revoir_partie) rather than making the tick wait.
    QString cle() const
    {
        return QStringLiteral("%1,%2 %3x%4 %5")
            .arg(ecran.x()).arg(ecran.y()).arg(ecran.width()).arg(ecran.height())
            .arg(ratio);
    }
};

Placement placement_sur(const QScreen* ecran, qreal ratio, QMargins cadre = {})
{
    if (!ecran)
        ecran = QGuiApplication::primaryScreen();
    return {ecran ? ecran->geometry() : QRect(), cadre, ratio > 0 ? ratio : 1};
}

// The placement of the next picture of `fenetre`: on its screen, in its frame as it is now.
Placement placement_de(const QWidget* fenetre)
{
    QMargins cadre;
    if (fenetre->isVisible()) {
        const QRect dehors = fenetre->frameGeometry(), dedans = fenetre->geometry();
        cadre = QMargins(dedans.left() - dehors.left(), dedans.top() - dehors.top(), dehors.right() - dedans.right(),
                         dehors.bottom() - dedans.bottom());
    }
    return placement_sur(fenetre->screen(), fenetre->devicePixelRatioF(), cadre);
}

// Pixels of a picture and the window's own units, at a pixel ratio.
QSize taille_fenetre(QSize pixels, qreal ratio)
{
    return (QSizeF(pixels) / ratio).toSize().expandedTo(QSize(1, 1));
}

QRect en_pixels(QRect zone, qreal ratio)
{
    return QRectF(zone.x() * ratio, zone.y() * ratio, zone.width() * ratio, zone.height() * ratio).toAlignedRect();
}

// The part of a picture of `taille` pixels that the screen shows once the window is centred on it.
QRect partie_visible_a(QSize taille, const Placement& p)
{
    const QSize interieur = taille_fenetre(taille, p.ratio);
    const QSize exterieur = interieur + QSize(p.cadre.left() + p.cadre.right(), p.cadre.top() + p.cadre.bottom());
    const QPoint coin = p.ecran.topLeft() + position_centree(p.ecran.size(), exterieur) + QPoint(p.cadre.left(), p.cadre.top());
    const QRect visible = (QRect(coin, interieur) & p.ecran).translated(-coin);
    return en_pixels(visible, p.ratio) & QRect(QPoint(), taille);
}

// The picture at the size the window shows it (image_complete's), decoded whole when it fits on
// the screen, otherwise only the part the screen will show.
ImageMontree decoder_visible(const QString& chemin, const Placement& p)
{
    QSize naturelle;
    const QSize taille = taille_complete(chemin, &naturelle);
    if (!taille.isValid())
        return {};
    const QRect visible = partie_visible_a(taille, p);
    if (p.ecran.isEmpty() || visible.isEmpty() || visible == QRect(QPoint(), taille)) {
        ImageLue lue = image_complete(chemin);
        const QSize pixels = lue.image.size();
        return {std::move(lue), pixels, QRect(QPoint(), pixels)};
    }
    return image_partie_montree(chemin, naturelle, taille, visible);
}

// What the real-size view shows: an animation opened for playing, or the still picture.
struct VueTailleReelle {
    ImageMontree montree;
    Animation animation;
};

VueTailleReelle decoder_vue(const QString& chemin, const Placement& p)
{
    Animation animation = ouvrir_animation(chemin);
    if (animation.ok()) {
        const QImage premiere = animation.premiere.image;
        return {{{premiere, premiere.size()}, premiere.size(), premiere.rect()}, std::move(animation)};
    }
    return {decoder_visible(chemin, p), {}};
}

} // namespace

frmApercu::frmApercu(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    construire();
    centrer(this);
}

frmApercu::frmApercu(const SourceDiaporama& source, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    construire();
    centrer(this);
    if (module().mode_affichage != u"diaporama")
        return;

    setWindowTitle(QStringLiteral("DIAPORAMA:"));
    txtInfo->show();
    filFichiers->setPattern(source.motif);
    filFichiers->setPath(source.dossier);
    Timer1.setInterval(source.intervalle_ms);
    nombre_images = filFichiers->ListCount();
    connect(&Timer1, &QTimer::timeout, this, &frmApercu::Timer1_Timer);
    connect(&m_prechargeur, &Prechargeur::termine, this, &frmApercu::image_prete);
    preparer_suivante();
    Timer1.start();
}

frmApercu::~frmApercu() = default;

void frmApercu::construire()
{
    setObjectName(QStringLiteral("frmApercu"));
    setWindowTitle(QStringLiteral("Aperçu"));
    setWindowIcon(icone_programme());
    setFixedSize(px(4800), px(3600));
    // The background is painted by paintEvent, only where a screen shows the window: a window as
    // large as a 24-megapixel picture would otherwise have 96 MB of it painted at each show.
    setAttribute(Qt::WA_NoSystemBackground);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setToolTip(QStringLiteral("Image à la taille réelle"));
    Image1->setCursor(curseur_apercu());
    Image1->move(0, 0);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop); // a part of the picture sits at its margins
    // Clicks on the picture reach the window, which closes.
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Image1->installEventFilter(this);

    txtInfo = creer_texte_info(QStringLiteral("PREPARATION DU DIAPORAMA..."), this);
    txtInfo->resize(px(4200), px(450));
    txtInfo->move((width() - txtInfo->width()) / 2, (height() - txtInfo->height()) / 2);
    txtInfo->hide();

    filFichiers = new FileListBox(this);
    Timer1.setTimerType(Qt::PreciseTimer);
    connect(&m_lecture_partie, &QFutureWatcher<ImageMontree>::finished, this, &frmApercu::partie_lue);
}

void frmApercu::ajuster_fenetre(QSize interieur)
{
    // The window's inner area is exactly the picture; the window manager adds its frame around it.
    setFixedSize(interieur.expandedTo(QSize(1, 1)));
    const QScreen* ecran = screen() ? screen() : QGuiApplication::primaryScreen();
    if (ecran) {
        const QRect zone = ecran->geometry();
        const QSize cadre = isVisible() ? frameGeometry().size() - geometry().size() : QSize();
        move(zone.topLeft() + position_centree(zone.size(), size() + cadre));
    }
}

void frmApercu::montrer(const QImage& image, const QString& legende)
{
    poser_image(image);
    setWindowTitle(legende);
}

void frmApercu::montrer(const ImageMontree& montree, const QString& chemin, const QString& legende)
{
    poser(montree, chemin);
    setWindowTitle(legende);
}

void frmApercu::jouer(const Animation& animation, const QString& legende)
{
    montrer(animation.premiere.image, legende);
    delete m_animation;
    m_animation = new LecteurAnimation(animation, this);
    connect(m_animation, &LecteurAnimation::image, this, &frmApercu::poser_trame);
}

void frmApercu::poser_trame(const QImage& image)
{
    // Every frame has the canvas's size: the window stays as it is.
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatioF());
    Image1->setPixmap(pixmap);
}

void frmApercu::poser_image(const QImage& image)
{
    poser({{image, image.size()}, image.size(), image.rect()}, QString());
}

void frmApercu::poser(const ImageMontree& montree, const QString& chemin)
{
    // A part still being read for the previous picture is dropped when it lands.
    ++m_generation;
    m_partie_a_revoir = false;
    m_chemin_tenu = chemin;
    m_taille_naturelle = montree.taille_naturelle;
    m_taille_montree = montree.taille;
    Image1->resize(taille_fenetre(montree.taille, devicePixelRatioF()));
    poser_partie(montree);
    ajuster_fenetre(Image1->size());
    // The window may not stand where the part was foreseen for.
    revoir_partie();
}

void frmApercu::poser_partie(const ImageMontree& montree)
{
    // The label covers the whole picture; its margins put the part held where it falls in it. A
    // part decoded smaller than it shows (beyond the memory budget) is stretched by its pixel ratio.
    const qreal ratio = devicePixelRatioF();
    const QImage& image = montree.image;
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio * image.width() / std::max(1, montree.partie.width()));
    Image1->setPixmap(pixmap);
    const QRectF place(montree.partie.x() / ratio, montree.partie.y() / ratio, montree.partie.width() / ratio,
                       montree.partie.height() / ratio);
    const QSize taille = Image1->size();
    const int gauche = qRound(place.left()), haut = qRound(place.top());
    Image1->setContentsMargins(gauche, haut, std::max(0, taille.width() - gauche - qRound(place.width())),
                               std::max(0, taille.height() - haut - qRound(place.height())));
    m_partie = montree.partie;
}

QRect frmApercu::partie_visible() const
{
    // The window's inner area, on the desktop, wherever a screen shows it.
    const QRect fenetre = geometry();
    QRect visible;
    for (const QScreen* ecran : QGuiApplication::screens())
        visible |= fenetre & ecran->geometry();
    return en_pixels(visible.translated(-fenetre.topLeft()), devicePixelRatioF()) & QRect(QPoint(), m_taille_montree);
}

void frmApercu::revoir_partie()
{
    if (m_chemin_tenu.isEmpty())
        return;
    const QRect voulue = partie_visible();
    if (voulue.isEmpty() || m_partie.contains(voulue))
        return;
    // One read at a time: a window dragged across the screen asks again once the current one lands.
    if (m_lecture_partie.isRunning()) {
        m_partie_a_revoir = true;
        return;
    }
    m_generation_lue = m_generation;
    m_lecture_partie.setFuture(QtConcurrent::run(image_partie_montree, m_chemin_tenu, m_taille_naturelle, m_taille_montree, voulue));
}

void frmApercu::partie_lue()
{
    if (m_lecture_partie.future().resultCount() < 1)
        return; // the empty future set below
    const ImageMontree montree = m_lecture_partie.result();
    m_lecture_partie.setFuture(QFuture<ImageMontree>()); // its copy of the pixels goes at once
    if (m_generation_lue == m_generation && montree.ok() && !m_chemin_tenu.isEmpty())
        poser_partie(montree);
    if (std::exchange(m_partie_a_revoir, false))
        revoir_partie();
}

void frmApercu::voir_taille_reelle(QWidget* parent, const QString& chemin)
{
    // Only the latest request opens a view; a late decoding of an earlier one is dropped.
    const quint64 demande = ++module().demande_taille_reelle;

    // The decoding runs away from the window's thread and nothing waits for it: its watcher
    // belongs to the window that asked (it goes with it), or to the application.
    const QPointer<QWidget> demandeur(parent);
    const bool sans_parent = parent == nullptr;
    auto* lecture = new QFutureWatcher<VueTailleReelle>(parent ? static_cast<QObject*>(parent) : QCoreApplication::instance());
    // The view opens over `parent`, centred on its screen.
    const QScreen* ecran = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    const Placement placement = placement_sur(ecran, ecran ? ecran->devicePixelRatio() : 1);
    connect(lecture, &QFutureWatcher<VueTailleReelle>::finished, lecture, [lecture, demande, demandeur, sans_parent, chemin] {
        lecture->deleteLater();
        Module& m = module();
        if (demande != m.demande_taille_reelle || (!sans_parent && !demandeur))
            return;
        const VueTailleReelle vue = lecture->result();
        if (!vue.montree.ok()) {
            m.interaction->message(demandeur, {QStringLiteral("Lecture du fichier impossible: format non reconnu ou détérioré."),
                                               QStringLiteral("Information"), Boutons::Ok, Icone::Information});
            return;
        }
        m.mode_affichage = QStringLiteral("aperçu");
        auto* fenetre = new frmApercu(demandeur);
        fenetre->setAttribute(Qt::WA_DeleteOnClose);
        if (vue.animation.ok())
            fenetre->jouer(vue.animation, QStringLiteral("Aperçu de: ") + chemin);
        else
            fenetre->montrer(vue.montree, chemin, QStringLiteral("Aperçu de: ") + chemin);
        fenetre->setWindowModality(Qt::ApplicationModal);
        fenetre->show();
    });
    lecture->setFuture(QtConcurrent::run(decoder_vue, chemin, placement));
}

QString frmApercu::chemin_de(qint64 indice) const
{
    return chemin_dans_liste(*filFichiers, indice);
}

void frmApercu::preparer_suivante()
{
    const qint64 suivante = image_suivante(indice_image, nombre_images, module().boucle);
    if (suivante < 0)
        return;
    const Placement placement = placement_de(this);
    m_prechargeur.preparer(chemin_de(suivante), placement.cle(),
                           [placement](const QString& chemin) { return decoder_visible(chemin, placement); });
}

void frmApercu::Timer1_Timer()
{
    m_tic.start();
    txtInfo->hide();
    if (indice_image >= nombre_images
        && !reprendre_ou_finir(this, Timer1, indice_image, nombre_images, QStringLiteral("Fin du diaporama"))) {
        close();
        return;
    }
    const QString chemin = chemin_de(indice_image);
    // Decoded for where the window stands now: a picture prepared for another screen is read again.
    const Placement placement = placement_de(this);
    m_cle_attendue = placement.cle();
    m_prechargeur.preparer(chemin, m_cle_attendue, [placement](const QString& c) { return decoder_visible(c, placement); });
    if (m_prechargeur.pret(chemin, m_cle_attendue)) {
        afficher(m_prechargeur.prendre());
        return;
    }
    // Not decoded yet: the show waits for it rather than skipping it.
    m_attendue = chemin;
    Timer1.stop();
}

void frmApercu::image_prete()
{
    if (m_attendue.isEmpty() || !m_prechargeur.pret(m_attendue, m_cle_attendue))
        return;
    m_attendue.clear();
    afficher(m_prechargeur.prendre());
    if (isVisible())
        Timer1.start();
}

void frmApercu::afficher(const ImageMontree& montree)
{
    const QString chemin = chemin_de(indice_image);
    if (montree.ok()) {
        poser(montree, chemin);
        m_affichee_a_dire = chemin;
    } else {
        // The previous picture stays; the error text sits in the middle of it until the next tick.
        ajuster_fenetre(size());
        txtInfo->setText(texte_erreur);
        txtInfo->move((width() - txtInfo->width()) / 2, (height() - txtInfo->height()) / 2);
        txtInfo->show();
        txtInfo->raise();
    }
    setWindowTitle(QStringLiteral("DIAPORAMA: ") + chemin);
    ++indice_image;
    preparer_suivante();
}

bool frmApercu::eventFilter(QObject* objet, QEvent* evenement)
{
    // Told on the next turn of the event loop, once the painted window has reached the screen.
    if (objet == Image1 && evenement->type() == QEvent::Paint && !m_affichee_a_dire.isEmpty() && m_tic.isValid()) {
        QMetaObject::invokeMethod(this, [this, chemin = std::exchange(m_affichee_a_dire, {})] {
            Q_EMIT imageAffichee(chemin, m_tic.nsecsElapsed() / 1e6);
        }, Qt::QueuedConnection);
    }
    return QDialog::eventFilter(objet, evenement);
}

void frmApercu::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    close();
}

void frmApercu::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    close();
}

void frmApercu::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    revoir_partie();
}

void frmApercu::paintEvent(QPaintEvent* event)
{
    const QRect fenetre = geometry();
    QRegion a_l_ecran;
    for (const QScreen* ecran : QGuiApplication::screens())
        a_l_ecran |= (fenetre & ecran->geometry()).translated(-fenetre.topLeft());
    QPainter peintre(this);
    for (const QRect& zone : event->region() & a_l_ecran)
        peintre.fillRect(zone, palette().window());
}

void frmApercu::closeEvent(QCloseEvent* event)
{
    Timer1.stop();
    m_chemin_tenu.clear();
    ++m_generation;
    if (m_animation)
        m_animation->arreter();
    m_attendue.clear();
    QDialog::closeEvent(event);
}
