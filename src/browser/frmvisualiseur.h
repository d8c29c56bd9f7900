#pragma once

#include <QFutureWatcher>
#include <QHash>
#include <QTimer>
#include <QWidget>

#include <array>

#include "picture/chargeur.h"

class DirListBox;
class ActionsFichier;
class DriveListBox;
class FileListBox;
class ListView;
class ModeleFichiers;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QToolButton;
class StatusBar;

// The browser: the program's main window from the end of start-up until the user quits.
// Drives and folders on the left, the type filter and the file list in the middle, the preview,
// the picture's size and the action menu on the right, a status bar with a clock below.
class frmVisualiseur : public QWidget {
    Q_OBJECT

public:
    explicit frmVisualiseur(QWidget* parent = nullptr);
    ~frmVisualiseur() override;

    // The full path of the selected picture, or empty text when none is selected.
    QString image_selectionnee() const;

    // The current folder, ending in "/".
    QString dossier_courant() const;

    FileListBox* fichiers() const { return File1; }

    // What the action menu works on: the list's selected row and its file name.
    int ligne_selectionnee() const;
    QString nom_ligne(int ligne) const;
    int nombre_lignes() const;
    // After a file was moved to the trash: its row goes, the preview empties, nothing is selected.
    void retirer_ligne(int ligne);
    // Reads the folder again and rebuilds the list.
    void relire_liste();
    // Selects the row of that file name, when it is listed, and returns it (-1 when it is not).
    int selectionner_nom(const QString& nom);
    // Row of that file name, or -1.
    int ligne_de(const QString& nom) const;
    // The file search window, modal.
    void ouvrir_recherche();
    // Opens a picture or folder handed over by a later start of the program, as a start with it
    // would; waits while a modal window is open, then brings the browser to the front.
    void ouvrir_demande(const QString& argument);

Q_SIGNALS:
    // The user has confirmed quitting: the program ends now.
    void finDuProgramme();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void construire();
    void Form_Load();
    void disposer();

    void Drive1_Change();
    void Dir1_Change();
    void File1_PathChange();
    void cboFiltre_Click();
    void cmdAffichage_Click(int index);
    void ListView1_ColumnClick(int colonne);
    void ListView1_ItemClick(int ligne);
    void ListView1_DblClick();
    void Image1_DblClick();
    void lblOption_Click(int index);
    void Timer1_Timer();
    void cmdOptions_Click();
    void cmdQuitter_Click();

    void reconstruire_liste();
    void vider_apercu();
    void apercu_charge();
    void trier();
    void survol(QObject* objet);
    void surligner_option(int index);
    void effacer_surlignage();
    bool confirmer_sortie();
    void terminer();

    // Controls, named as the window's design names them.
    DriveListBox* Drive1;
    DirListBox* Dir1;
    FileListBox* File1;
    QComboBox* cboFiltre;
    ListView* ListView1;
    ModeleFichiers* m_modele;
    std::array<QToolButton*, 6> cmdAffichage;
    QLabel* lblTotalFichiers;
    QFrame* Picture1;
    QLabel* Image1;
    QLabel* lblHauteur;
    QLabel* lblLargeur;
    QLabel* lblCreation;
    QLabel* Label2;
    std::array<QLabel*, 8> Label1;
    std::array<QLabel*, 8> lblOption;
    StatusBar* StatusBar1;
    QPushButton* cmdOptions;
    QPushButton* cmdQuitter;
    QPushButton* cmdOK;
    QPushButton* cmdAnnuler;
    QTimer Timer1;

    bool sortie_confirmee = false;
    ActionsFichier* m_actions;

    // Sorting of the list: off until the user asks, then by this column and order.
    bool m_tri_actif = false;
    int m_colonne_tri = 0;
    // A click on a column header turns the order around: starting from "descending" makes the
    // first click sort ascending.
    Qt::SortOrder m_ordre_tri = Qt::DescendingOrder;

    // Preview decoding runs off the window's thread; only the latest request is shown.
    QFutureWatcher<ImageLue> m_chargement;
    QString m_chemin_en_cours;
    quint64 m_generation = 0;
    quint64 m_generation_en_cours = 0;

    QHash<QObject*, QString> m_aides;   // hover text of each control
    QList<QObject*> m_effacent;         // controls whose hover removes the action highlight
};
