#pragma once

#include <QString>

// File operations that never lose a file: each one either happens whole or leaves every file
// as it was, and says why in French when it fails.
namespace fichiers {

// Copies `source` to `cible`. The copy is written beside the target under a temporary name and
// takes the target's name only once it is complete, so an existing target is replaced only by a
// whole copy. The copy keeps the source's permissions and modification time.
bool copier(const QString& source, const QString& cible, QString* erreur);

// A name a file can be given: not empty, no "/", not "." or "..", no NUL.
bool nom_valide(const QString& nom);

enum class Renommage { Fait, NomInvalide, Existe, Echec };

// Gives `chemin` the name `nouveau_nom` in the same folder, never replacing an existing entry
// (file, folder or hidden file).
Renommage renommer(const QString& chemin, const QString& nouveau_nom, QString* erreur);

// Moves the file to the desktop's trash (the freedesktop trash of the user's data folder).
bool mettre_a_la_corbeille(const QString& chemin, QString* erreur);

} // namespace fichiers
