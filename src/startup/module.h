#pragma once

#include "forms/interaction.h"
#include "startup/parametres.h"

#include <QString>

#include <memory>

class LecteurSon;
class QWidget;

// The program-wide state: the variables the windows hand to one another, the settings store
// and the interaction seam. One instance lives for the whole process, reached through module().
struct Module {
    Module();
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    qint32 index_fichier = 0;   // loop index over the browser's file list, or the current picture
    std::unique_ptr<LecteurSon> lecteur_son; // the one sound player: made by the browser, released at quit
    QString fichier_son;        // sound file chosen in the options
    double duree_son = 0;       // length of the playing sound, in seconds
    QString mode_affichage;     // "diaporama", "veille", "veille auto" or "aperçu"
    bool boucle = false;        // loop the show
    QString fichier_demande;    // picture or folder named on the command line, opened by the browser
    quint64 demande_taille_reelle = 0; // the latest real-size view asked; an earlier one's late decoding is dropped

    Parametres parametres;
    std::unique_ptr<Interaction> interaction = std::make_unique<InteractionQt>();
};

Module& module();

// Folder of the running executable, always ending in "/".
QString dossier_application();

// The program's per-user data folder ($XDG_DATA_HOME/<exe>), created when missing, no final "/".
QString dossier_windows();

// True for an existing regular file whose name does not start with "."; folders never count.
// "*" and "?" in the last component act as patterns ("/photos/*.jpg").
bool fichier_existe(const QString& chemin);

// Run at log-on: 1 writes the autostart entry, 0 removes it, any other value does nothing.
// Returns false when registering failed; the user has then been told why, and the caller
// clears its "run at log-on" box.
bool demarrage_windows(int etat, QWidget* parent = nullptr);

// The same, for an executable given by its folder (ending in "/") and file name.
bool demarrage_windows(int etat, const QString& dossier, const QString& executable, QWidget* parent);

// Loads Qt's French translation, so Qt's own buttons and dialogs speak French ("Oui", "Non",
// "Annuler"). False when the translation is not installed.
bool charger_traduction_qt();

// Help keys of a window: F1 opens dossier_application()/aide/<page> in the desktop's viewer,
// or says the page is missing; F2 shows the about box. Other keys do nothing.
void ouvrir_aide(QWidget* fenetre, const QString& page, int touche);

// Gives the window its help keys: F1 and F2 work whichever of its controls has the focus.
void installer_touches_aide(QWidget* fenetre, const QString& page);
