#pragma once

#include <QString>

// File operations that never lose a file: each one either happens whole or leaves every file
// as it was, and says why in French when it fails.
namespace fichiers {

// True when both paths lead to one file once links are followed (same device and inode): a copy
// of one onto the other would write the file onto itself.
bool meme_fichier(const QString& a, const QString& b);

// Copies `source` to `cible`. The copy is written beside the target under a temporary name and
// takes the target's name only once it is complete, so an existing target is replaced only by a
// whole copy. A target that is a symbolic link is replaced itself: the copy never writes through
// it. A target that is the source itself (through a link or a second name) is refused. The copy
// keeps the source's permissions and modification time.
bool copier(const QString& source, const QString& cible, QString* erreur);

// A name a file can be given: not empty, no "/", not "." or "..", no NUL.
bool nom_valide(const QString& nom);

enum class Renommage { Fait, NomInvalide, Existe, Echec };

// Gives `chemin` the name `nouveau_nom` in the same folder, never replacing an existing entry
// (file, folder or hidden file).
Renommage renommer(const QString& chemin, const QString& nouveau_nom, QString* erreur);

// Moves the file to the desktop's trash: the user's own trash ($XDG_DATA_HOME/Trash, whose folders
// are made when missing) for a file on the same disk, the disk's own trash otherwise. A file that
// cannot be trashed stays where it was, and *erreur says why.
bool mettre_a_la_corbeille(const QString& chemin, QString* erreur);

} // namespace fichiers
