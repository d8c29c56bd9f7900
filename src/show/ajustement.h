#pragma once

#include <QColor>
#include <QRandomGenerator>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>

// How the screen saver sizes each picture and colours its screen.

// Size modes of the "taille" setting.
enum ModeTaille { TailleNormale = 0, AdapteeSiPlusGrande = 1, AdapteeToujours = 2 };

// Drawn size of a picture of natural size `image` on a screen of size `ecran`:
// mode 0 (and any unknown mode) keeps the natural size, even past the screen's edges;
// mode 1 fits only pictures larger than the screen; mode 2 fits every picture.
QSizeF taille_affichee(QSize image, QSize ecran, int mode);

// The fit rule: the picture's longer side over its shorter side, rounded to two decimals, gives
// the ratio r; the picture fills the screen's height (portrait, square) or width (landscape),
// and is brought back inside the other side when it overflows.
QSizeF taille_ajustee(QSize image, QSize ecran);

// A colour value as the settings store keeps it: red in the low byte, then green, then blue.
using ValeurCouleur = quint32;

QColor couleur_de_valeur(ValeurCouleur valeur);
ValeurCouleur valeur_de_couleur(const QColor& couleur);

// Background colour of the screen for one picture: a new random colour when the "couleur fond"
// setting is empty (three draws in [0, 1) for red, green and blue, in that order), otherwise the
// setting's whole number. nullopt when the setting is not a whole colour value.
std::optional<ValeurCouleur> couleur_de_fond(const QString& reglage, QRandomGenerator& hasard);

// The file-name label is white on a black screen and black on any other.
ValeurCouleur couleur_du_texte(ValeurCouleur fond);
