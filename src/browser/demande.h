#pragma once

#include <QString>

// What the browser opens on when the program is started with a picture or a folder
// ("imagora ~/Images/photo.jpg", as the desktop's "Open with" does).
struct DemandeOuverture {
    QString dossier;     // folder to show; empty: the saved start folder
    QString nom;         // picture to select and preview in it; empty: none
    int type_image = -1; // position of the picture's type in the type filter, or -1
    QString message;     // what to tell the user first (a missing path, a file that is no picture)
};

// Reads the command-line argument: a path, relative to the current folder or absolute, or a
// "file:" URL. An empty argument asks for nothing.
DemandeOuverture demande_ouverture(const QString& argument);

// The argument as an absolute, clean path (empty for an empty argument), for handing it to a
// copy of the program that runs in another folder.
QString chemin_demande(const QString& argument);
