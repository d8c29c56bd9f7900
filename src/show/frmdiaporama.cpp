#include "show/frmdiaporama.h"

#include "browser/icones.h"
#include "forms/fenetres.h"
#include "forms/listefichiers.h"
#include "forms/textes.h"
#include "show/frmapercu.h"
#include "show/frmveille.h"
#include "show/deroulement.h"
#include "show/lecteurson.h"
#include "startup/module.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmDiaporama::frmDiaporama(const FileListBox& fichiers, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_fichiers(fichiers)
{
    setObjectName(QStringLiteral("frmDiaporama"));
    setWindowTitle(QStringLiteral("Diaporama/Veille"));
    setWindowIcon(icone_programme());

    auto* Frame1 = new QFrame(this);
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    cboTemps = new QComboBox(Frame1);
    cboTemps->setObjectName(QStringLiteral("cboTemps"));
    cboTemps->setToolTip(QStringLiteral("Temps d'affichage des images"));
    chkVeille = new QCheckBox(QStringLiteral("Ecran de veille"), Frame1);
    chkVeille->setObjectName(QStringLiteral("chkVeille"));
    chkVeille->setToolTip(QStringLiteral("Visionner les images en écran de veille"));
    chkBoucle = new QCheckBox(QStringLiteral("En boucle"), Frame1);
    chkBoucle->setObjectName(QStringLiteral("chkBoucle"));
    chkBoucle->setToolTip(QStringLiteral("Visionner les images en boucle"));
    cmdVisionner = new QPushButton(icone_programme(), QStringLiteral("&Visionner"), Frame1);
    cmdVisionner->setObjectName(QStringLiteral("cmdVisionner"));
    cmdVisionner->setToolTip(QStringLiteral("Visionner le diaporama/écran de veille"));
    cmdVisionner->setIconSize(QSize(24, 24));
    cmdVisionner->setDefault(true);
    auto* aide = new QLabel(QStringLiteral("Pour l'aide, appuyez sur la touche F1..."), Frame1);
    aide->setToolTip(QStringLiteral("Appuyez sur F1 pour afficher l'aide..."));

    auto* grille = new QGridLayout(Frame1);
    grille->addWidget(new QLabel(QStringLiteral("Temps "), Frame1), 0, 0);
    grille->addWidget(cboTemps, 0, 1);
    grille->addWidget(new QLabel(QStringLiteral("(en sec.)"), Frame1), 0, 2);
    grille->addWidget(chkVeille, 1, 0, 1, 3);
    grille->addWidget(chkBoucle, 2, 0, 1, 3);
    grille->addWidget(cmdVisionner, 0, 3, 3, 1);
    grille->addWidget(aide, 3, 0, 1, 4);

    auto* quitter = new QLabel(QStringLiteral("Pour quitter, cliquez sur l'image, le fond de la fenêtre ou appuyez sur une "
                                              "touche de votre clavier"),
                               this);
    quitter->setWordWrap(true);
    quitter->setAutoFillBackground(true);
    quitter->setMargin(4);
    QPalette gris = quitter->palette();
    gris.setColor(QPalette::Window, QColor(192, 192, 192));
    gris.setColor(QPalette::WindowText, Qt::black);
    quitter->setPalette(gris);
    auto* auteurs = new QLabel(QStringLiteral("Imagora 1.0.0 - © 2026 l'équipe Imagora"), this);

    auto* colonne = new QVBoxLayout(this);
    colonne->addWidget(Frame1);
    colonne->addWidget(quitter);
    colonne->addWidget(auteurs);
    colonne->setSizeConstraint(QLayout::SetFixedSize);

    installer_touches_aide(this, QStringLiteral("diaporama.htm"));
    connect(cboTemps, &QComboBox::currentIndexChanged, this, &frmDiaporama::cboTemps_Click);
    connect(chkVeille, &QCheckBox::clicked, this, &frmDiaporama::chkVeille_Click);
    connect(cmdVisionner, &QPushButton::clicked, this, &frmDiaporama::cmdVisionner_Click);
    Form_Load();
}

frmDiaporama::~frmDiaporama()
{
    Form_Unload();
}

void frmDiaporama::Form_Load()
{
    adjustSize();
    centrer(this);
    Parametres& p = module().parametres;
    {
        const QSignalBlocker silence(cboTemps); // filling the list is not the user's choice
        for (int s = 1; s <= 60; ++s)
            cboTemps->addItem(texte_nombre(s));
        cboTemps->setCurrentIndex(-1);
    }
    // A stored time outside the list falls back to the first-run default (5 seconds).
    const int index = indice_reglage(p.nombre(QStringLiteral("secondes")), cboTemps->count()).value_or(4);
    cboTemps->setCurrentIndex(index); // writes "secondes" back, as a click would
    chkVeille->setChecked(p.nombre(QStringLiteral("veille")) == 1);
    chkBoucle->setChecked(chkVeille->isChecked());
}

int frmDiaporama::intervalle_ms() const
{
    return static_cast<int>(Parametres::valeur_numerique(cboTemps->currentText()) * 1000);
}

void frmDiaporama::cboTemps_Click()
{
    module().parametres.sauver(QStringLiteral("secondes"), QString::number(cboTemps->currentIndex()));
}

void frmDiaporama::chkVeille_Click()
{
    if (chkVeille->isChecked())
        chkBoucle->setChecked(true);
}

void frmDiaporama::cmdVisionner_Click()
{
    if (m_spectacle)
        return; // one show at a time
    Module& m = module();
    m.boucle = chkBoucle->isChecked();
    const SourceDiaporama source{m_fichiers.Path(), m_fichiers.Pattern(), intervalle_ms()};
    // The show opens modally over the launcher and this handler returns at once: the launcher
    // owns the show window and closes when it has finished. Nothing waits here, so nothing the
    // user does meanwhile can pull the launcher from under a running handler.
    if (chkVeille->isChecked()) {
        m.mode_affichage = QStringLiteral("veille");
        auto* veille = new frmVeille(&source, this);
        veille->setAttribute(Qt::WA_DeleteOnClose);
        m_spectacle = veille;
        connect(veille, &QDialog::finished, this, &QWidget::close);
        if (!veille->lancer()) {
            delete veille;
            close();
        }
    } else {
        m.mode_affichage = QStringLiteral("diaporama");
        auto* diaporama = new frmApercu(source, this);
        diaporama->setAttribute(Qt::WA_DeleteOnClose);
        m_spectacle = diaporama;
        connect(diaporama, &QDialog::finished, this, &QWidget::close);
        diaporama->setWindowModality(Qt::ApplicationModal);
        diaporama->show();
    }
}

void frmDiaporama::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    QDialog::closeEvent(event);
}

void frmDiaporama::Form_Unload()
{
    if (m_decharge)
        return;
    m_decharge = true;
    // No sound goes on after a show (the screen saver gives the pointer back itself).
    if (LecteurSon* lecteur = module().lecteur_son.get())
        lecteur->nettoyer();
}
