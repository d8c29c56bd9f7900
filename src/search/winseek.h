#pragma once

#include "search/parcours.h"

#include <QDialog>
#include <QSet>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <memory>

class DirListBox;
class DriveListBox;
class FileListBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QStringListModel;

// True when the line names a picture by its last four characters, in lower case:
// ".bmp", ".dib", ".gif", ".jpg", "jpeg", ".emf", ".wmf", ".cur" or ".ico".
bool ligne_image(const QString& ligne);

// The file search window: a folder and everything below it searched for the names that match
// ";"-separated wildcards (letter case ignored). Every match is listed with its full path and
// counted; a picture among them can be seen at real size. The walk runs on a worker thread and
// hands its lines over in batches, so the window keeps painting and answering meanwhile;
// "Annuler", Escape or closing the window stop it.
class WinSeek : public QDialog {
    Q_OBJECT

public:
    explicit WinSeek(QWidget* parent = nullptr);
    ~WinSeek() override;

    // Lines the result list can hold; a search that finds one more stops with the list-full message.
    void fixer_capacite(qsizetype lignes) { m_capacite = lignes; }
    // How the walk hands its lines over: `lignes` at most in a batch, and `d_avance` batches at
    // most sent before the list has shown them (the walk waits meanwhile).
    void fixer_lots(qsizetype lignes, int d_avance)
    {
        m_taille_lot = std::max<qsizetype>(1, lignes);
        m_lots_d_avance = std::max(1, d_avance);
    }

    // A search as the user starts it: `dossier` opened in the folder list, `motif` typed,
    // "&Rechercher" pressed (after "&Réinitialiser" when results are shown). True when the search
    // started; rechercheTerminee tells its end.
    bool rechercher_dans(const QString& dossier, const QString& motif);
    bool en_recherche() const { return m_en_recherche; }

    // Result lines, in the order they were found.
    QStringList lignes_trouvees() const;
    // Batches of lines the last search has shown.
    qint64 lots() const { return m_lots; }

Q_SIGNALS:
    // A search has ended and all its lines are shown; `complete` when it ran to its end.
    void rechercheTerminee(bool complete);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* evenement) override;

public Q_SLOTS:
    void done(int resultat) override;

private:
    class ModeleResultats;
    struct Lien;
    struct Canal;

    void construire();
    void Form_Load();

    void drvList_Change();
    void dirList_Change();
    void dirList_LostFocus();
    void txtSearchSpec_Change();
    void txtSearchSpec_GotFocus();
    void filList_Change();

    void cmdSearch_Click();
    void cmdExit_Click();
    void cmdAide_Click();
    void cmdApercu_Click();
    void lstFoundFiles_Click();
    void lstFoundFiles_DblClick();

    void reinitialiser();
    bool ouvrir_dossier(const QString& dossier);
    QString ligne_selectionnee() const;

    // The search: the walk runs on a worker thread; its batches and its end come back here.
    void demarrer(const QString& depart);
    void recevoir(quint64 generation, LotResultats& lot);
    void terminer(quint64 generation, const BilanParcours& bilan);
    void afficher_fin(bool complete);
    void arreter_recherche();

    // Criteria panel.
    QFrame* Picture1;
    QLabel* Label1[3];
    DriveListBox* drvList;
    DirListBox* dirList;
    FileListBox* filList;
    QListView* vueFichiers;
    QStringListModel* m_noms_fichiers;
    QLabel* lblCriteria;
    QLineEdit* txtSearchSpec;

    // Results panel.
    QFrame* Picture2;
    QLabel* lblfound;
    QLabel* lblCount;
    QListView* lstFoundFiles;
    ModeleResultats* m_resultats;
    QPushButton* cmdApercu;
    QLabel* lblRecherche;

    QPushButton* cmdSearch;
    QPushButton* cmdExit;
    QPushButton* cmdAide;

    bool m_en_recherche = false;      // a search is running: no second one starts inside it
    qsizetype m_capacite = capacite_liste;
    qsizetype m_taille_lot = 512;
    int m_lots_d_avance = 8;
    QSet<QString> m_inexactes;        // lines whose file name is not text: they name another file or none
    qint64 m_lots = 0;
    bool m_liste_pleine = false;      // the list could not take a batch: the search stops
    QString m_depart;                 // the folder the running search walks
    // Each search has its number: a batch or an end of another number (a search cancelled by
    // closing the window, or gone before) never lands in the list.
    quint64 m_generation = 0;
    std::shared_ptr<Lien> m_lien;     // the way back to this window, shared with every walk
    std::shared_ptr<Canal> m_canal;   // the running search's cancel flag and batch count
};
