#pragma once

#include <QObject>
#include <QPointer>

class frmDiaporama;
class frmVisualiseur;

// The browser's action menu: what each of its eight labels does with the selected picture or
// with the list. It keeps nothing between two clicks but the launcher it may have opened.
class ActionsFichier : public QObject {
    Q_OBJECT

public:
    explicit ActionsFichier(frmVisualiseur& visualiseur);

    // Runs the action of label `index` (0 to 7); any other index does nothing.
    void lblOption_Click(int index);

    // The wallpaper file, in the program's data folder.
    static QString fichier_fond();

private:
    void fond_ecran(const QString& image);
    void editer(const QString& image);
    void supprimer(const QString& image, int ligne);
    void copier_deplacer(const QString& image, const QString& nom);
    void renommer(const QString& image, const QString& nom);
    void erreur_generale(int numero, const QString& description);

    frmVisualiseur& m_visualiseur;
    QPointer<frmDiaporama> m_lanceur;
};
