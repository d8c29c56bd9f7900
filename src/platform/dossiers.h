#pragma once

#include <QString>

// Where the program finds and keeps its files on a freedesktop system.
// Every function reads the environment when called, so a changed XDG variable takes effect at once.
namespace dossiers {

// Name of the running executable ("Imagora"); settings, data and autostart entry are named after it.
QString nom_executable();

// $XDG_CONFIG_HOME, or ~/.config.
QString configuration();

// $XDG_DATA_HOME, or ~/.local/share.
QString donnees();

// A folder for the files of the running program that only this user can enter: $XDG_RUNTIME_DIR
// when it is one (owned by the user, mode 0700), otherwise runtime-<user> in the temporary folder,
// made and checked the same way; the user's cache folder when neither can be had.
QString execution();

} // namespace dossiers
