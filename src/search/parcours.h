#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// The file search's walk over a folder tree, without any window: it reads the folders straight
// from the system, so it can run on a worker thread while the search window stays responsive.

// Lines a search may find before it stops with the list-full message.
constexpr qsizetype capacite_liste = 1'000'000;

// What goes before a file name found in `dossier`: the folder itself when it already ends in "/"
// (the root), otherwise the folder and "/". Never a doubled separator.
QString prefixe_dossier(const QString& dossier);

// Why a folder could not be read, in French, from the system's error number: "accès refusé",
// "dossier disparu", "chemin trop long pour le système"...
QString raison_erreur_systeme(int erreur);

// The system's error number for a folder that cannot be opened and listed; 0 when it can.
int erreur_ouverture_dossier(const QString& dossier);

// What the walk asks for.
struct CriteresParcours {
    QString depart;           // the folder searched, with everything below it
    QStringList motifs;       // wildcards, as motifs_de gives them; letter case ignored
    qsizetype capacite = capacite_liste;
    qsizetype taille_lot = 512;   // lines handed over at once, at most
    int intervalle_lot_ms = 50;   // lines found are handed over at least this often
};

// Lines found, handed over in the order they were found.
struct LotResultats {
    QStringList lignes;
    // Those of the lines whose file name is not text: what they spell names another file or none.
    QStringList inexactes;
};

enum class FinParcours {
    Terminee,        // the whole tree was walked
    Annulee,         // the cancel flag was raised
    ListePleine,     // one more line than `capacite` was found
    DepartIllisible, // the start folder itself could not be read
    Erreur,          // an unexpected failure, told by `erreur`
};

struct BilanParcours {
    FinParcours fin = FinParcours::Terminee;
    qsizetype trouves = 0;            // lines handed over
    int erreur_depart = 0;            // system error number when the start folder could not be read
    int dossiers_illisibles = 0;      // folders below the start that could not be read, and were left
    QString premier_illisible;        // the first of them
    int erreur_premier_illisible = 0; // and its system error number
    QString erreur;                   // the text of an unexpected failure
};

// Walks `criteres.depart`: every subfolder first, from the last one in name order to the first,
// each with everything below it, then the folder's own files in name order. Hidden files are
// found; hidden folders and links to folders are not walked. Each matching file becomes the line
// folder + "/" + name; lines go to `livrer` in batches, in order, and the last batch goes before
// the function returns, whatever the end. The walk looks at `annule` every few entries.
// `livrer` runs on the caller's thread and may block (to wait for the lines to be shown).
BilanParcours parcourir(const CriteresParcours& criteres, const std::atomic<bool>& annule,
                        const std::function<void(LotResultats&&)>& livrer);
