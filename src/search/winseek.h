#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QSet>
#include <QStringList>

class DirListBox;
class DriveListBox;
class FileListBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QStringListModel;

// Lines of the result list a search may fill before it stops with the list-full message.
constexpr qsizetype capacite_liste = 1'000'000;

// Work a search does between two passes of the event loop, in milliseconds: well under the
// 50 ms the window may ever go without handling its events.
constexpr int intervalle_cession_ms = 10;

// What goes before a file name found in `dossier`: the folder itself when it already ends in "/"
// (the root), otherwise the folder and "/". Never a doubled separator.
QString prefixe_dossier(const QString& dossier);

// True when the line names a picture by its last four characters, in lower case:
// ".bmp", ".dib", ".gif", ".jpg", "jpeg", ".emf", ".wmf", ".cur" or ".ico".
bool ligne_image(const QString& ligne);

// The file search window: a folder and everything below it searched for the names that match
// ";"-separated wildcards (letter case ignored). Every match is listed with its full path and
// counted; a picture among them can be seen at real size. The search runs in the window's own
// thread and hands control to the event loop every few milliseconds, so the window keeps
// painting and "Annuler" or Escape stop it at once.
class WinSeek : public QDialog {
    Q_OBJECT

public:
    explicit WinSeek(QWidget* parent = nullptr);
    ~WinSeek() override;

    // Lines the result list can hold; a search that finds one more stops with the list-full message.
    void fixer_capacite(qsizetype lignes) { m_capacite = lignes; }
    // Longest stretch of work between two passes of the event loop (0: at every folder and
    // every few entries).
    void fixer_intervalle_cession(int ms) { m_intervalle_ms = ms; }

    // A whole search as the user makes it: `dossier` opened in the folder list, `motif` typed,
    // "&Rechercher" pressed (after "&Réinitialiser" when results are shown). True when the search
    // ran to its end.
    bool rechercher_dans(const QString& dossier, const QString& motif);

    // Result lines, in the order they were found.
    QStringList lignes_trouvees() const;
    // Passes of the event loop made by the last search.
    qint64 cessions() const { return m_cessions; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* evenement) override;

public Q_SLOTS:
    void done(int resultat) override;

private:
    class ModeleResultats;
    struct Dossier;

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

    // The walk; true when the search is to be abandoned.
    bool rechercher(const QString& depart);
    bool parcourir_dossier(const QString& dossier, int profondeur);
    bool lire(const QString& dossier, Dossier& contenu);
    bool trier(QStringList& noms);
    bool ajouter(const QString& prefixe, QStringList& noms);
    void publier();
    bool ceder();
    bool ceder_si_besoin()
    {
        if (m_intervalle_ms > 0 && m_depuis_cession.isValid() && !m_depuis_cession.hasExpired(m_intervalle_ms))
            return false;
        return ceder();
    }

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

    bool recherche_active = false;
    bool m_en_recherche = false;      // a search is running: no second one starts inside it
    qsizetype m_capacite = capacite_liste;
    int m_intervalle_ms = intervalle_cession_ms;
    QStringList m_motifs;
    QStringList m_en_attente;         // lines found since the list was last shown
    QSet<QString> m_inexactes;        // lines whose file name is not text: they name another file or none
    QElapsedTimer m_depuis_cession;
    qint64 m_cessions = 0;
    int m_dossiers_illisibles = 0;
    QString m_premier_illisible;
};
