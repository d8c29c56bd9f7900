#pragma once

#include <QFutureWatcher>
#include <QHash>
#include <QTimer>
#include <QWidget>

#include <array>

#include "actions/selection.h"
#include "picture/chargeur.h"

class DirListBox;
class ActionsFichier;
class FabriqueVignettes;
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
class frmVisualiseur : public QWidget, private Navigateur {
    Q_OBJECT

public:
    explicit frmVisualiseur(QWidget* parent = nullptr);
    ~frmVisualiseur() override;

    // The full path of the selected picture, or empty text when none is selected.
    QString image_selectionnee() const;

    // The current folder, ending in "/".
    QString dossier_courant() const;

    FileListBox* fichiers() const { return File1; }

    // The list's highlighted row, or -1, and the file name a row shows.
    int ligne_selectionnee() const;
    QString nom_ligne(int ligne) const;

    // Opens a picture or folder handed over by a later start of the program, as a start with it
    // would; waits while a modal window is open, then brings the browser to the front.
    void ouvrir_demande(const QString& argument);

Q_SIGNALS:
    // The user has confirmed quitting: the program ends now.
    void finDuProgramme();
    // The preview of `chemin` has been painted on the window.
    void apercuAffiche(const QString& chemin);
    // The list holds the files of a completed read of the folder, painted on the window.
    void listeAffichee(int nombre);

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
    void File1_LectureCommencee();
    void File1_PathChange();
    void cboFiltre_Click();
    void cmdAffichage_Click(int index);
    void ListView1_ColumnClick(int colonne);
    void ListView1_ItemClick(int ligne);
    void ListView1_DblClick();
    void Image1_DblClick();
    void lblOption_Click(int index);
    void Timer1_Timer();
    // Makes the sound player, when it is still to be made and nothing the user waits for is pending.
    void creer_son_si_libre();

    // What the action menu is handed: the selected picture with its name and row, taken now.
    SelectionImage selection() const;
    // Highlights the row of the selected picture again (none when it is not listed).
    void revenir_a_la_selection();
    int selectionner(const QByteArray& nom);
    // Highlights that file, and previews it with `apercu`; while the folder is being read, once
    // its files are listed.
    void choisir_nom(const QByteArray& nom, bool apercu);

    // Navigateur: the services the action menu uses.
    QWidget* fenetre() override { return this; }
    const FileListBox& liste_fichiers() const override { return *File1; }
    void relire_liste() override;
    void fichier_parti(const QByteArray& nom) override;
    void marquer_nom(const QByteArray& nom) override;
    void cmdOptions_Click();
    void cmdQuitter_Click();

    void reconstruire_liste();
    // Asks for the thumbnails of the listed files in the large-icon view; drops that work otherwise.
    void demander_vignettes();
    void vider_apercu();
    void apercu_charge();
    QSize taille_apercu() const; // the preview's size in device pixels
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
    FabriqueVignettes* m_vignettes;
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

    // The selected picture: the one the preview shows and panel 1 names, and the one every action
    // works on. Set only when its preview is made, emptied by every rebuild of the list.
    SelectionImage m_selection;

    // Preview decoding runs off the window's thread; only the latest request is shown.
    QFutureWatcher<ImageLue> m_chargement;
    SelectionImage m_en_cours;          // the picture whose preview is being made
    bool m_apercu_attendu = false;      // true from a choice in the list until its preview is made
    int m_action_en_attente = -1;       // an action asked for meanwhile: it runs on that picture
    quint64 m_generation = 0;
    quint64 m_generation_en_cours = 0;
    // The preview of the picture the program was started on, begun while its folder is read;
    // taken by the click that chooses it, if that is for the same file at the same size.
    QFuture<ImageLue> m_apercu_anticipe;
    QString m_chemin_anticipe;
    QSize m_taille_anticipee;

    // What waits for the folder being read: a file to highlight (and preview), an action that
    // needs the whole list. A change of folder by the user drops them.
    QByteArray m_nom_attendu;
    bool m_apercu_nom_attendu = false;
    int m_action_apres_lecture = -1;
    // Paints that still have to be told: the preview of this file, the list of a completed read.
    QString m_apercu_a_signaler;
    bool m_liste_a_signaler = false;
    bool m_son_a_creer = false;

    QHash<QObject*, QString> m_aides;   // hover text of each control
    QList<QObject*> m_effacent;         // controls whose hover removes the action highlight
};
