#pragma once

#include <QString>

#include <optional>

class FileListBox;
class QLabel;
class QTimer;
class QWidget;

// How the slide show and the screen saver walk through their file list.

// Full path of picture `indice` of the list; empty for a name that is not exact text, which the
// show then reports as a picture it cannot read.
QString chemin_dans_liste(const FileListBox& liste, qint64 indice);

// The picture to prepare once `indice` is on screen: the next, the first again when the show
// loops, -1 when there is none.
qint64 image_suivante(qint64 indice, qint64 nombre, bool boucle);

// At a tick past the last picture: when the show loops, `indice` goes back to 0 and the answer is
// true; otherwise the timer stops, the count is shown in a message titled `titre_fin`, and the
// answer is false (the window then closes).
bool reprendre_ou_finir(QWidget* fenetre, QTimer& minuterie, qint64& indice, qint64 nombre, const QString& titre_fin);

// The bold, framed text a show puts in the middle of its window: the preparation text before the
// first picture, then the error text of a picture that cannot be read.
QLabel* creer_texte_info(const QString& texte, QWidget* fenetre);

// A number read from the settings as the index of a list of `nombre` entries (display times,
// picture types, size modes), cut to a whole number as the lists read it: nullopt when it is
// not one of 0 to nombre - 1, however large, small or odd the stored text was.
std::optional<int> indice_reglage(double valeur, int nombre);

// Display time of the screen saver started with the program: the "secondes" setting is the
// index of the display-time list, 0 for 1 s to 59 for 60 s; any other value counts as the
// first-run 5 s. In milliseconds.
int intervalle_reglage(double secondes);

// Size mode of the "taille" setting; any value but 0, 1 and 2 keeps pictures at their size.
int mode_taille_reglage(double taille);
