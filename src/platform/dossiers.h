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

// $XDG_CACHE_HOME, or ~/.cache.
QString cache();

// True for a folder that belongs to this user and that nobody else may write into.
bool a_moi_seul(const QString& dossier);

// $XDG_RUNTIME_DIR when it is this user's own (see a_moi_seul), otherwise <cache>/<executable>/execution,
// made for this user only (0700, checked to be a real folder of theirs). Empty when neither can be had.
QString execution();

} // namespace dossiers
