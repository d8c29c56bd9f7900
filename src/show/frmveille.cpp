#include "show/frmveille.h"

#include "browser/types_images.h"
#include "show/deroulement.h"
#include "forms/listefichiers.h"
#include "show/lecteurson.h"
#include "startup/module.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>


namespace {

const QString texte_erreur = QStringLiteral("Erreur lors de la lecture du fichier");

} // namespace

// Hides the pointer for as long as it lives: however the screen saver ends, the pointer comes back.
class frmVeille::PointeurCache {
public:
    PointeurCache() { QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor)); }
    ~PointeurCache() { QGuiApplication::restoreOverrideCursor(); }
    PointeurCache(const PointeurCache&) = delete;
    PointeurCache& operator=(const PointeurCache&) = delete;
};

frmVeille::frmVeille(const SourceDiaporama* source, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_source(source ? std::optional<SourceDiaporama>(*source) : std::nullopt)
    , m_hasard(QRandomGenerator::global()->generate())
{
    setObjectName(QStringLiteral("frmVeille"));
    setWindowTitle(QStringLiteral("Imagora"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    txtInfo = creer_texte_info(QStringLiteral("PREPARATION DE L'ECRAN DE VEILLE..."), this);
    txtInfo->resize(320, 30);

    lblNomFichier = new QLabel(this);
    lblNomFichier->setObjectName(QStringLiteral("lblNomFichier"));
    lblNomFichier->setFont(QFont(QStringLiteral("Tahoma")));

    lblQuitter = new QLabel(QStringLiteral("Pour quitter, cliquez sur l'image, le fond de la fenêtre ou appuyez sur une "
                                           "touche de votre clavier"),
                            this);
    lblQuitter->setObjectName(QStringLiteral("lblQuitter"));
    lblQuitter->setAutoFillBackground(true);
    QPalette gris = lblQuitter->palette();
    gris.setColor(QPalette::Window, QColor(192, 192, 192));
    gris.setColor(QPalette::WindowText, Qt::black);
    lblQuitter->setPalette(gris);

    lblCopyright = new QLabel(QStringLiteral("Imagora 1.0.0 - visualiseur d'images - © 2026 l'équipe Imagora"), this);
    lblCopyright->setObjectName(QStringLiteral("lblCopyright"));
    lblCopyright->setFont(QFont(QStringLiteral("Times New Roman")));
    lblCopyright->setAutoFillBackground(true);
    QPalette blanc = lblCopyright->palette();
    blanc.setColor(QPalette::Window, Qt::white);
    blanc.setColor(QPalette::WindowText, Qt::black);
    lblCopyright->setPalette(blanc);

    for (QLabel* l : {txtInfo, lblNomFichier, lblQuitter, lblCopyright}) {
        l->setFocusPolicy(Qt::NoFocus);
        l->adjustSize();
    }
    txtInfo->resize(std::max(txtInfo->width() + 40, 320), txtInfo->height() + 16);

    // Owner of a video's picture, never shown.
    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(0, 0, 32, 32);
    Picture1->hide();

    filFichiers = new FileListBox(this);
    connect(&Timer1, &QTimer::timeout, this, &frmVeille::Timer1_Timer);
    connect(&m_prechargeur, &Prechargeur::termine, this, &frmVeille::image_prete);
}

frmVeille::~frmVeille()
{
    terminer();
}

bool frmVeille::preparer_ouverture()
{
    QString erreur;
    if (!Form_Load(&erreur)) {
        terminer();
        module().interaction->message(parentWidget(), {erreur, QStringLiteral("IMAGORA"), Boutons::Ok, Icone::Critique});
        return false;
    }
    setWindowState(Qt::WindowFullScreen);
    return true;
}

void frmVeille::executer()
{
    if (preparer_ouverture())
        exec();
}

bool frmVeille::lancer()
{
    if (!preparer_ouverture())
        return false;
    setWindowModality(Qt::ApplicationModal);
    show();
    return true;
}

bool frmVeille::Form_Load(QString* erreur)
{
    Module& m = module();
    m.duree_son = 0;
    indice_image = 0;
    nombre_images = 0;
    m_touches = 0;
    m_mouvements = 0;

    // The screen the browser is on.
    const QScreen* ecran = parentWidget() && parentWidget()->screen() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QRect zone = ecran ? ecran->geometry() : QRect(0, 0, 1024, 768);
    m_ecran = zone.size();
    setGeometry(zone);

    txtInfo->move((m_ecran.width() - txtInfo->width()) / 2, (m_ecran.height() - txtInfo->height()) / 2);

    Parametres& p = m.parametres;
    lblNomFichier->move(5, 5);
    lblNomFichier->clear();
    lblNomFichier->setVisible(p.nombre(QStringLiteral("chemin fichier")) != 0);
    const bool informations = p.nombre(QStringLiteral("informations")) != 0;
    lblCopyright->setVisible(informations);
    lblQuitter->setVisible(informations);
    lblCopyright->move(5, m_ecran.height() - 20);
    lblQuitter->move(m_ecran.width() - (lblQuitter->width() + 10), m_ecran.height() - 20);
    // A screen too narrow for both on one line: the notice goes up a line.
    if (lblQuitter->x() <= lblCopyright->geometry().right() + 10)
        lblQuitter->move(lblQuitter->x(), lblCopyright->y() - lblQuitter->height() - 2);

    QString dossier;
    if (m.mode_affichage == u"veille auto" || !m_source) {
        // Every number of the settings is checked here: a value the options never write must not
        // give the timer a negative or overflowing interval, nor pick a type outside the table.
        Timer1.setInterval(intervalle_reglage(p.nombre(QStringLiteral("secondes"))));
        const int nombre_types = static_cast<int>(types_images().size());
        const int type = indice_reglage(p.nombre(QStringLiteral("type fichier")), nombre_types).value_or(0);
        filFichiers->setPattern(types_images()[type].motif);
        dossier = p.lire(QStringLiteral("dossier demarrage"));
    } else {
        Timer1.setInterval(std::max(1, m_source->intervalle_ms));
        filFichiers->setPattern(m_source->motif);
        dossier = m_source->dossier;
    }
    if (!filFichiers->setPath(dossier)) {
        const QFileInfo info(dossier);
        *erreur = info.exists() && info.isDir()
                      ? QStringLiteral("Le dossier des images ne peut pas être lu : accès refusé.\n%1").arg(dossier)
                      : QStringLiteral("Le dossier des images est introuvable :\n%1").arg(dossier);
        return false;
    }

    m_pointeur = std::make_unique<PointeurCache>();

    // The sound is opened without waiting: it starts as soon as the player has loaded it, and its
    // length, which the restart after each picture needs, comes with the player's answer.
    const QString son = p.lire(QStringLiteral("son"));
    if (LecteurSon* lecteur = m.lecteur_son.get(); lecteur && LecteurSon::nombre_sorties_audio() > 0 && !son.isEmpty()) {
        m.fichier_son = son;
        connect(lecteur, &LecteurSon::charge, this, &frmVeille::son_charge, Qt::UniqueConnection);
        lecteur->Ouvrir(m.fichier_son, 0, 0, Picture1->width(), Picture1->height(), Picture1);
        m.duree_son = lecteur->obtient_duree();
        lecteur->jouer();
    }

    couleur_fond = p.lire(QStringLiteral("couleur fond"));
    nombre_images = filFichiers->ListCount();
    preparer(0, mode_taille_reglage(p.nombre(QStringLiteral("taille"))));
    Timer1.start();
    return true;
}

void frmVeille::son_charge()
{
    Module& m = module();
    if (m.lecteur_son && m.lecteur_son.get() == sender() && m_pointeur)
        m.duree_son = m.lecteur_son->obtient_duree();
}

QString frmVeille::chemin_de(qint64 indice) const
{
    return chemin_dans_liste(*filFichiers, indice);
}

QString frmVeille::cle_taille(int mode) const
{
    return QStringLiteral("%1 %2x%3").arg(mode).arg(m_ecran.width()).arg(m_ecran.height());
}

void frmVeille::preparer(qint64 indice, int mode)
{
    indice = image_suivante(indice, nombre_images, module().boucle);
    if (indice < 0)
        return;
    const QSize ecran = m_ecran;
    m_prechargeur.preparer(chemin_de(indice), cle_taille(mode),
                           [ecran, mode](const QString& chemin) { return image_pour_ecran(chemin, ecran, mode); });
}

void frmVeille::Timer1_Timer()
{
    m_tic.start();
    txtInfo->hide();
    if (indice_image >= nombre_images
        && !reprendre_ou_finir(this, Timer1, indice_image, nombre_images, QStringLiteral("Fin de l'écran de veille"))) {
        close();
        return;
    }
    // The size mode is read for every picture: a change saved meanwhile applies at once.
    const int mode = mode_taille_reglage(module().parametres.nombre(QStringLiteral("taille")));
    const QString chemin = chemin_de(indice_image);
    preparer(indice_image, mode);
    if (m_prechargeur.pret(chemin, cle_taille(mode))) {
        afficher(m_prechargeur.prendre());
        return;
    }
    m_attendue = chemin;
    m_mode_attendu = mode;
    Timer1.stop();
}

void frmVeille::image_prete()
{
    if (m_attendue.isEmpty() || !m_prechargeur.pret(m_attendue, cle_taille(m_mode_attendu)))
        return;
    m_attendue.clear();
    afficher(m_prechargeur.prendre());
    if (isVisible())
        Timer1.start();
}

void frmVeille::afficher(const ImageMontree& montree)
{
    const ImageLue& lue = montree;
    Module& m = module();
    const QString chemin = chemin_de(indice_image);
    const int mode = mode_taille_reglage(m.parametres.nombre(QStringLiteral("taille")));
    bool erreur = !lue.ok();
    if (!erreur) {
        m_image = lue.image;
        const QSizeF taille = taille_affichee(lue.taille_naturelle, m_ecran, mode);
        m_rect_image = QRectF((m_ecran.width() - taille.width()) / 2, (m_ecran.height() - taille.height()) / 2,
                              taille.width(), taille.height());
        m_rect_tenu = m_rect_image;
        if (!montree.entiere()) {
            const double kx = m_rect_image.width() / montree.taille.width(), ky = m_rect_image.height() / montree.taille.height();
            const QRect& p = montree.partie;
            m_rect_tenu = QRectF(m_rect_image.x() + p.x() * kx, m_rect_image.y() + p.y() * ky, p.width() * kx, p.height() * ky);
        }
    }
    lblNomFichier->setText(chemin);
    lblNomFichier->adjustSize();
    if (!erreur)
        m_affichee_a_dire = chemin;
    if (const auto fond = couleur_de_fond(couleur_fond, m_hasard)) {
        m_fond = couleur_de_valeur(*fond);
        QPalette p = lblNomFichier->palette();
        p.setColor(QPalette::WindowText, couleur_de_valeur(couleur_du_texte(*fond)));
        lblNomFichier->setPalette(p);
    } else {
        erreur = true;
    }
    if (erreur) {
        // The previous picture stays on screen with the error text; the show goes on.
        txtInfo->setText(texte_erreur);
        txtInfo->show();
        txtInfo->raise();
    }
    update();
    ++indice_image;
    preparer(indice_image, mode);

    // The background sound starts again once it has played to its end.
    if (m.duree_son > 0 && m.lecteur_son && m.lecteur_son->obtient_position() >= m.duree_son) {
        double debut = 0;
        m.lecteur_son->fixe_position(debut);
        m.lecteur_son->jouer();
    }
}

void frmVeille::paintEvent(QPaintEvent*)
{
    QPainter peintre(this);
    peintre.fillRect(rect(), m_fond.isValid() ? m_fond : palette().color(QPalette::Window));
    if (!m_image.isNull()) {
        peintre.setRenderHint(QPainter::SmoothPixmapTransform);
        peintre.drawImage(m_rect_tenu, m_image);
    }
    // Told on the next turn of the event loop, once the painted window has reached the screen.
    if (!m_affichee_a_dire.isEmpty() && m_tic.isValid()) {
        QMetaObject::invokeMethod(this, [this, chemin = std::exchange(m_affichee_a_dire, {})] {
            Q_EMIT imageAffichee(chemin, m_tic.nsecsElapsed() / 1e6);
        }, Qt::QueuedConnection);
    }
}

void frmVeille::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    if (++m_touches > 5)
        close();
}

void frmVeille::mouseMoveEvent(QMouseEvent* event)
{
    // Only movements over the background count, not over the picture or the labels.
    const QPointF ou = event->position();
    if (childAt(ou.toPoint()) || (!m_image.isNull() && m_rect_image.contains(ou)))
        return;
    if (++m_mouvements > 5)
        close();
}

void frmVeille::mousePressEvent(QMouseEvent* event)
{
    if (!m_image.isNull() && m_rect_image.contains(event->position()))
        close();
}

void frmVeille::closeEvent(QCloseEvent* event)
{
    terminer();
    QDialog::closeEvent(event);
}

void frmVeille::terminer()
{
    Timer1.stop();
    m_attendue.clear();
    m_pointeur.reset();
    if (LecteurSon* lecteur = module().lecteur_son.get())
        lecteur->nettoyer();
}
