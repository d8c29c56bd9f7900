#pragma once

#include "actions/selection.h"
#include "picture/chargeur.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>

class frmDiaporama;

// The browser's action menu: what each of its eight labels does with the selected picture or
// with the list. It is handed the selection at each click and keeps nothing between two clicks
// but the launcher it may have opened and the wallpaper being prepared.
class ActionsFichier : public QObject {
    Q_OBJECT

public:
    ActionsFichier(Navigateur& navigateur, QObject* parent);

    // Runs the action of label `index` (0 to 7) on `selection`; any other index does nothing.
    void lblOption_Click(int index, const SelectionImage& selection);

    // The wallpaper file, in the program's data folder.
    static QString fichier_fond();

    // How a wallpaper request ended: `numero` 0 when the desktop took it, 1 when the picture could
    // not be read or the bitmap written, 2 when the desktop refused, 3 when the bitmap was gone.
    struct ResultatFond {
        int numero = 0;
        QString erreur;
    };

private:
    void fond_ecran(const SelectionImage& selection);
    void fond_pose();
    void editer(const SelectionImage& selection);
    void supprimer(const SelectionImage& selection);
    void copier_deplacer(const SelectionImage& selection);
    void renommer(const SelectionImage& selection);
    void erreur_generale(int numero, const QString& description);

    Navigateur& m_navigateur;
    QPointer<frmDiaporama> m_lanceur;
    // The wallpaper is decoded, written and handed to the desktop off the window's thread (its
    // commands may take seconds); only the latest request's answer is shown.
    QFutureWatcher<ResultatFond> m_fond;
};
