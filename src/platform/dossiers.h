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

// $XDG_RUNTIME_DIR when it is usable, otherwise the temporary folder.
QString execution();

} // namespace dossiers
