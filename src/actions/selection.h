#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

class FileListBox;
class QWidget;

// The picture an action works on, taken from the browser at one instant: the file's path as the
// file system spells it, its name as the list shows it, and its row in the list at that instant.
// Every action reads the file through this one value, so the name a question shows and the file
// the action touches are always the same.
struct SelectionImage {
    QByteArray chemin;   // full path, bytes as the folder gave them
    QString nom;         // file name as listed
    int ligne = -1;      // row in the list when the value was taken

    bool vide() const { return chemin.isEmpty(); }
    // The path as text; exact, since only names that decode without loss can be selected.
    QString texte() const { return QFile::decodeName(chemin); }
    // The file name's bytes (the last component of the path).
    QByteArray nom_octets() const { return chemin.mid(chemin.lastIndexOf('/') + 1); }
};

// What the action menu needs of the window that shows the list, and nothing more.
class Navigateur {
public:
    virtual ~Navigateur() = default;

    // Owner of the action menu's questions and windows.
    virtual QWidget* fenetre() = 0;
    // The listed files: their folder (no final "/") and their count; the show launcher walks them.
    virtual const FileListBox& liste_fichiers() const = 0;
    // Reads the folder again and rebuilds the list; nothing is selected afterwards.
    virtual void relire_liste() = 0;
    // After the file of that name (bytes) left the folder: its row goes, the preview empties and
    // nothing is selected. Nothing changes when the file is still listed.
    virtual void fichier_parti(const QByteArray& nom) = 0;
    // Highlights the row of that file name (bytes), when it is listed.
    virtual void marquer_nom(const QByteArray& nom) = 0;
};
