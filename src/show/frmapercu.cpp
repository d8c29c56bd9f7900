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
#include <QPointer>
#include <QScreen>
#include <QtConcurrent/QtConcurrentRun>

namespace {

const QString texte_erreur = QStringLiteral("Erreur lors de la lecture du fichier");
const QString cle_naturelle = QStringLiteral("naturelle");

ImageLue decoder_naturelle(const QString& chemin)
{
    return image_complete(chemin);
}

// What the real-size view shows: an animation opened for playing, or the still picture.
struct VueTailleReelle {
    ImageLue lue;
    Animation animation;
};

VueTailleReelle decoder_vue(const QString& chemin)
{
    Animation animation = ouvrir_animation(chemin);
    if (animation.ok()) {
        const QImage premiere = animation.premiere.image;
        return {{premiere, premiere.size()}, std::move(animation)};
    }
    return {image_complete(chemin), {}};
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

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setToolTip(QStringLiteral("Image à la taille réelle"));
    Image1->setCursor(curseur_apercu());
    Image1->move(0, 0);
    // Clicks on the picture reach the window, which closes.
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Image1->installEventFilter(this);

    txtInfo = creer_texte_info(QStringLiteral("PREPARATION DU DIAPORAMA..."), this);
    txtInfo->resize(px(4200), px(450));
    txtInfo->move((width() - txtInfo->width()) / 2, (height() - txtInfo->height()) / 2);
    txtInfo->hide();

    filFichiers = new FileListBox(this);
    Timer1.setTimerType(Qt::PreciseTimer);
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
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatioF());
    Image1->setPixmap(pixmap);
    Image1->resize(pixmap.deviceIndependentSize().toSize());
    ajuster_fenetre(Image1->size());
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
    connect(lecture, &QFutureWatcher<VueTailleReelle>::finished, lecture, [lecture, demande, demandeur, sans_parent, chemin] {
        lecture->deleteLater();
        Module& m = module();
        if (demande != m.demande_taille_reelle || (!sans_parent && !demandeur))
            return;
        const VueTailleReelle vue = lecture->result();
        const ImageLue& lue = vue.lue;
        if (!lue.ok()) {
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
            fenetre->montrer(lue.image, QStringLiteral("Aperçu de: ") + chemin);
        fenetre->setWindowModality(Qt::ApplicationModal);
        fenetre->show();
    });
    lecture->setFuture(QtConcurrent::run(decoder_vue, chemin));
}

QString frmApercu::chemin_de(qint64 indice) const
{
    return chemin_dans_liste(*filFichiers, indice);
}

void frmApercu::preparer_suivante()
{
    const qint64 suivante = image_suivante(indice_image, nombre_images, module().boucle);
    if (suivante >= 0)
        m_prechargeur.preparer(chemin_de(suivante), cle_naturelle, decoder_naturelle);
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
    m_prechargeur.preparer(chemin, cle_naturelle, decoder_naturelle);
    if (m_prechargeur.pret(chemin, cle_naturelle)) {
        afficher(m_prechargeur.prendre());
        return;
    }
    // Not decoded yet: the show waits for it rather than skipping it.
    m_attendue = chemin;
    Timer1.stop();
}

void frmApercu::image_prete()
{
    if (m_attendue.isEmpty() || !m_prechargeur.pret(m_attendue, cle_naturelle))
        return;
    m_attendue.clear();
    afficher(m_prechargeur.prendre());
    if (isVisible())
        Timer1.start();
}

void frmApercu::afficher(const ImageLue& lue)
{
    const QString chemin = chemin_de(indice_image);
    if (lue.ok()) {
        poser_image(lue.image);
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

void frmApercu::closeEvent(QCloseEvent* event)
{
    Timer1.stop();
    if (m_animation)
        m_animation->arreter();
    m_attendue.clear();
    QDialog::closeEvent(event);
}
