#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

// The desktop around the program: its wallpaper and its choice of program for each file type.
namespace bureau {

enum class Bureau { Gnome, Cinnamon, Mate, Kde, Xfce, X11, Aucun };

// The desktop the session runs, from XDG_CURRENT_DESKTOP; a bare X11 session when it names none
// but there is a display; Aucun without either.
Bureau bureau_courant();

// Makes `image` (a picture file the desktop can read) the desktop's wallpaper, by the desktop's own
// mechanism. False with the reason in *erreur when the desktop refused or is not one we know.
bool fixe_fond_ecran(const QString& image, QString* erreur);

// The largest size a wallpaper is shown at: the largest screen's, in device pixels (a 4K
// screen's when Qt knows of none). A wallpaper file is written at most this size. Call it from
// the application's thread.
QSize taille_ecran();

// Bare X11: the root window's background, with the _XROOTPMAP_ID property that terminals and
// panels read for their transparency. The picture is stretched over the screen.
bool fond_racine_x11(const QImage& image, QString* erreur);

// Desktop file of the default application for the file's type (its MIME type, read from the
// content and the name), by the freedesktop rules: mimeapps.list files, then mimeinfo.cache.
// Empty when no application is associated with that type.
QString application_associee(const QString& fichier);

} // namespace bureau
