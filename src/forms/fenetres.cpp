#include "forms/fenetres.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

QPoint position_centree(QSize ecran, QSize fenetre)
{
    const double gauche = (ecran.width() - fenetre.width()) / 2.0;
    const double haut = (ecran.height() - fenetre.height()) / 2.0;
    return {static_cast<int>(std::floor(gauche)), static_cast<int>(std::floor(haut))};
}

void centrer(QWidget* fenetre)
{
    const QScreen* ecran = fenetre->screen() ? fenetre->screen() : QGuiApplication::primaryScreen();
    if (!ecran)
        return;
    const QRect zone = ecran->geometry();
    QSize taille = fenetre->frameGeometry().size();
    if (!fenetre->isVisible())
        taille = fenetre->size(); // no frame yet: the window manager adds it around the same centre
    fenetre->move(zone.topLeft() + position_centree(zone.size(), taille));
}
