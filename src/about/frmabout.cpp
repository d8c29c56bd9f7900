#include "about/frmabout.h"

#include "forms/fenetres.h"
#include "startup/premier_demarrage.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("À propos de..."));
    setModal(true);

    auto* titre = new QLabel(QStringLiteral("IMAGORA"), this);
    titre->setObjectName(QStringLiteral("lblTitle"));
    QFont police = titre->font();
    police.setBold(true);
    police.setPointSizeF(police.pointSizeF() * 1.5);
    titre->setFont(police);

    auto* version = new QLabel(texte_version(IMAGORA_VERSION_MAJEURE, IMAGORA_VERSION_MINEURE, IMAGORA_VERSION_REVISION), this);
    version->setObjectName(QStringLiteral("lblVersion"));

    auto* boutons = new QDialogButtonBox(this);
    QPushButton* ok = boutons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(boutons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(titre);
    disposition->addWidget(version);
    disposition->addWidget(boutons);
    setFixedSize(sizeHint());
    centrer(this);
}
