#pragma once

#include <QStackedWidget>

class QAbstractItemModel;
class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QTreeView;

// A list view with four views over one model and one selection: large icons, small icons,
// list, and details (a table with column headers).
class ListView : public QStackedWidget {
    Q_OBJECT

public:
    enum Vue { GrandesIcones, PetitesIcones, Liste, Details };
    // Side of the large icons, in pixels: room for a picture's thumbnail, two cells across the
    // browser's list as with the type icons alone.
    static constexpr int cote_grandes_icones = 96;

    explicit ListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* modele);
    QItemSelectionModel* selectionModel() const;

    Vue View() const { return m_vue; }
    void setView(Vue vue);

    // Arrow shown on the column the list is sorted by; -1 for none.
    void setIndicateurTri(int colonne, Qt::SortOrder ordre);
    void setLargeurColonne(int colonne, int largeur);

    // First selected row, or -1.
    int ligneSelectionnee() const;
    void selectionnerLigne(int ligne);
    // Highlights that row alone (none for -1) and leaves the keyboard position where it is.
    void marquerLigne(int ligne);

    QAbstractItemView* vueActive() const;
    QListView* vueIcones() const { return m_icones; }
    QTreeView* vueDetails() const { return m_details; }

Q_SIGNALS:
    // A row chosen with the mouse (a click) or the keyboard (a key that moved to it); never a row
    // the view or the program made current by itself.
    void ItemClick(int ligne);
    void DblClick(int ligne);
    void ColumnClick(int colonne);

private:
    void brancher(QAbstractItemView* vue);

    QListView* m_icones;
    QTreeView* m_details;
    Vue m_vue = Details;
};
