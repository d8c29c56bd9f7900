#pragma once

#include <QString>

// Run at log-on through the freedesktop autostart folder:
// $XDG_CONFIG_HOME/autostart/<exe>.desktop, started by the desktop session at log-on.
namespace autostart {

QString chemin_entree();

// Text of the entry that starts `executable` (an absolute path).
QString contenu_entree(const QString& executable);

// Writes the entry atomically (a complete file or none). On failure, *erreur says why in French.
bool enregistrer(const QString& executable, QString* erreur = nullptr);

// Deletes the entry; nothing to delete is not an error.
bool retirer(QString* erreur = nullptr);

// Argument of Exec= for a path, quoted as desktop entries require when it holds special characters.
QString argument_exec(const QString& chemin);

} // namespace autostart
