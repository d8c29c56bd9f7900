#include "options/frmoptions.h"

#include "forms/fenetres.h"
#include "startup/module.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmOptions::frmOptions(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    auto* texte = new QLabel(QStringLiteral("Les réglages se font pour l'instant dans le fichier\n%1")
                                 .arg(Parametres::chemin_fichier()),
                             this);
    texte->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* boutons = new QDialogButtonBox(this);
    boutons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(boutons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(texte);
    disposition->addWidget(boutons);
    installer_touches_aide(this, QStringLiteral("options.htm"));
    centrer(this);
}
