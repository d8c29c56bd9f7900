#include "about/frmabout.h"

#include "browser/icones.h"
#include "forms/fenetres.h"
#include "startup/module.h"
#include "startup/premier_demarrage.h"

#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

const QString titre_application = QStringLiteral("Imagora");
const QString texte_indisponible = QStringLiteral("Les informations système ne sont pas disponibles actuellement");

QFrame* separateur(QWidget* parent, int index)
{
    auto* ligne = new QFrame(parent);
    ligne->setObjectName(QStringLiteral("Line1_%1").arg(index));
    ligne->setFrameShape(QFrame::HLine);
    ligne->setFrameShadow(QFrame::Sunken);
    return ligne;
}

} // namespace

QStringList noms_infos_systeme()
{
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"), QStringLiteral("mate-system-monitor")};
}

QString programme_infos_systeme()
{
    // findExecutable reads PATH at each call and only returns files the user may execute.
    for (const QString& nom : noms_infos_systeme()) {
        const QString chemin = QStandardPaths::findExecutable(nom);
        if (!chemin.isEmpty())
            return chemin;
    }
    return {};
}

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setFixedSize(32, 32);
    picIcon->setPixmap(icone_programme().pixmap(QSize(32, 32)));

    lblTitle = new QLabel(QStringLiteral("Titre de l'application"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont police = lblTitle->font();
    police.setBold(true);
    police.setPointSizeF(police.pointSizeF() * 1.5);
    lblTitle->setFont(police);

    lblVersion = new QLabel(QStringLiteral("Version"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    const QString descriptions[2] = {
        QStringLiteral("Description de l'application"),
        QStringLiteral("Visionnez des images, afficher les sous forme de diaporama ou d'écran de veille")};
    const QString avertissements[2] = {
        QStringLiteral("Avertissement:"),
        QStringLiteral("Imagora est développé par l'équipe Imagora, qui en conserve les droits d'auteur. "
                       "Ce programme est fourni tel quel, sans aucune garantie : vous l'utilisez sous votre "
                       "propre responsabilité.")};
    for (int i = 0; i < 2; ++i) {
        lblDescription[i] = new QLabel(descriptions[i], this);
        lblDescription[i]->setObjectName(QStringLiteral("lblDescription%1").arg(i));
        lblDescription[i]->setWordWrap(true);
        lblAvertissement[i] = new QLabel(avertissements[i], this);
        lblAvertissement[i]->setObjectName(QStringLiteral("lblAvertissement%1").arg(i));
        lblAvertissement[i]->setWordWrap(true);
        Line1[i] = separateur(this, i);
    }

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    cmdSysInfo = new QPushButton(QStringLiteral("&Infos système..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    // Icon on the left of the title block, a line, the notice beside the two buttons.
    auto* textes = new QVBoxLayout;
    textes->addWidget(lblTitle);
    textes->addWidget(lblVersion);
    textes->addSpacing(8);
    textes->addWidget(lblDescription[0]);
    textes->addWidget(lblDescription[1]);

    auto* haut = new QHBoxLayout;
    haut->addWidget(picIcon, 0, Qt::AlignTop);
    haut->addSpacing(12);
    haut->addLayout(textes, 1);

    auto* notice = new QVBoxLayout;
    notice->addWidget(lblAvertissement[0]);
    notice->addWidget(lblAvertissement[1]);
    notice->addStretch();

    auto* boutons = new QVBoxLayout;
    boutons->addWidget(cmdOK);
    boutons->addWidget(cmdSysInfo);
    boutons->addStretch();

    auto* bas = new QHBoxLayout;
    bas->addLayout(notice, 1);
    bas->addSpacing(12);
    bas->addLayout(boutons);

    auto* disposition = new QVBoxLayout(this);
    disposition->addLayout(haut);
    disposition->addWidget(Line1[0]);
    disposition->addWidget(Line1[1]);
    disposition->addLayout(bas);

    // Loading: caption, version and title, then a fixed size centred on the screen.
    setWindowTitle(QStringLiteral("À propos de..."));
    lblVersion->setText(texte_version(IMAGORA_VERSION_MAJEURE, IMAGORA_VERSION_MINEURE, IMAGORA_VERSION_REVISION));
    lblTitle->setText(titre_application);

    setMinimumWidth(px(5730));
    setFixedSize(QSize(px(5730), disposition->heightForWidth(px(5730))).expandedTo(sizeHint()));
    cmdOK->setFocus();
    centrer(this);
}

void frmAbout::StartSysInfo()
{
    // Any failure, from no program installed to a program that would not start, ends in the
    // same message.
    const QString programme = programme_infos_systeme();
    if (!programme.isEmpty() && module().interaction->lancer(programme, {}))
        return;
    module().interaction->message(this, Message{texte_indisponible, titre_application, Boutons::Ok, Icone::Aucune});
}

void frmAbout::keyPressEvent(QKeyEvent* evenement)
{
    // "OK" is also the cancel button: Escape presses it.
    if (evenement->key() == Qt::Key_Escape && evenement->modifiers() == Qt::NoModifier) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(evenement);
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}
