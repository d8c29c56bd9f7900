#pragma once

#include <QString>

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
