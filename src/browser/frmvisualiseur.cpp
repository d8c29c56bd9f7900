#include "browser/frmvisualiseur.h"

#include "forms/fenetres.h"
#include "startup/module.h"

frmVisualiseur::frmVisualiseur(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmVisualiseur"));
    setWindowTitle(QStringLiteral("[ IMAGORA ] - Visualiseur d'images"));
    setFixedSize(px(10560), px(6840));
    installer_touches_aide(this, QStringLiteral("aide.htm"));
    centrer(this);
}
