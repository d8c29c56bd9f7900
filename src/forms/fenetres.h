#pragma once

#include <QPoint>
#include <QSize>

class QWidget;

// Window geometry helpers. Lengths of the window layouts are given in twips, 15 to a pixel.

constexpr int twips_par_pixel = 15;

constexpr int px(int twips)
{
    return twips / twips_par_pixel;
}

constexpr int twips(int pixels)
{
    return pixels * twips_par_pixel;
}

// Top-left corner that centres a window of size `fenetre` on a screen of size `ecran`:
// left = (screen width - window width) / 2, top = (screen height - window height) / 2.
QPoint position_centree(QSize ecran, QSize fenetre);

// Moves the window so that its frame is centred on its screen.
void centrer(QWidget* fenetre);
