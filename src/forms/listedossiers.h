#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QStringList>

// The folder list: the current folder's ancestors from the root down, the current folder, then
// its subfolders (hidden ones left out), indented like a tree. A double click or Enter on an
// entry opens it. Setting Path from code raises Change, as the user's choice would.
class DirListBox : public QListView {
    Q_OBJECT

public:
    explicit DirListBox(QWidget* parent = nullptr);

    QString Path() const { return m_chemin; }
    // False, and nothing changes, when the folder does not exist or cannot be read.
    bool setPath(const QString& chemin);

    // Subfolders of the current folder: List(0) .. List(ListCount() - 1);
    // List(-1) is the current folder, List(-2) its parent, and so on up to the root.
    int ListCount() const { return static_cast<int>(m_sous_dossiers.size()); }
    QString List(int index) const;
    // Position of the highlighted entry in the same numbering.
    int ListIndex() const;

    // Reads the subfolders again.
    void Refresh();

    // Full path of the entry on that row of the view.
    QString chemin_ligne(int ligne) const;

Q_SIGNALS:
    void Change();
    // The user tried to open a subfolder whose name is not valid text (bytes of another
    // encoding): the name shown would lead to another folder or none, so it is not opened.
    void DossierIllisible(const QString& nom);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    class Modele;
    void ouvrir(const QModelIndex& index);
    void remplir();

    QString m_chemin;
    QStringList m_ancetres;      // root first, current folder last
    QStringList m_sous_dossiers; // full paths
    QList<bool> m_exacts;        // per subfolder: its shown name spells its real name
    Modele* m_modele;
};

// What a window tells the user when DossierIllisible is raised.
QString message_dossier_illisible(const QString& nom);
