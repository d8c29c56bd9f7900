#pragma once

#include "forms/listefichiers.h"

#include <QAbstractTableModel>
#include <QCache>
#include <QHash>
#include <QIcon>
#include <QLocale>
#include <QPixmap>
#include <QSet>

#include <array>

// The browser's file list: one row per file, four columns "Fichier", "Taille (Octets)", "Date",
// "Heure". Texts are made when a view asks for them, so a folder of 100,000 files costs only
// what its visible rows show.
class ModeleFichiers : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Colonne { Fichier, Taille, Date, Heure, NombreColonnes };

    explicit ModeleFichiers(QObject* parent = nullptr);

    void remplir(QList<EntreeFichier> entrees);
    void retirer(int ligne);
    const EntreeFichier& entree(int ligne) const { return m_entrees.at(ligne); }
    // Row of the file whose name has these bytes, or -1.
    int ligne_de(const QByteArray& nom) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Names by file-name order, sizes by bytes, dates and times by time stamp; ties by name.
    void sort(int colonne, Qt::SortOrder ordre = Qt::AscendingOrder) override;

    // The large-icon view's pictures: each file's thumbnail, centred in a square of `cote` pixels
    // (`ratio` device pixels each), in place of its type icon, once it has come; the type icon
    // until then, and for good when the picture cannot be read. Off, the type icons alone.
    // Only so many thumbnails are held: one let go of is asked for again when its row shows.
    void setVignettes(bool actives, int cote, qreal ratio);
    bool vignettesActives() const { return m_cote > 0; }
    // The thumbnail of `nom` (null: the picture cannot be read).
    void poser_vignette(const QByteArray& nom, const QImage& image);
    // The files that have no thumbnail yet, in list order.
    QList<QByteArray> noms_sans_vignette() const;
    // True when the row's thumbnail has come (or its picture is known to be unreadable).
    bool vignette_venue(int ligne) const;

    // Icon number of a file name by its extension after the last dot: 1 bmp, 2 wmf, 3 jpg/jpeg,
    // 4 emf, 5 gif, 6 cur, 7 dib, 8 ico; 0 for no icon.
    static int numero_icone(QStringView nom);

Q_SIGNALS:
    // These rows were shown in the large-icon view without their thumbnail.
    void vignettesVoulues(const QList<QByteArray>& noms);

private:
    void indexer();
    QPixmap cellule(const QImage& image) const;

    QList<EntreeFichier> m_entrees;
    QHash<QByteArray, int> m_lignes; // row of each file, by its name's bytes
    QLocale m_locale = QLocale::system();
    std::array<QIcon, 16> m_icones;

    int m_cote = 0; // side of the thumbnails' squares; 0 when off
    qreal m_ratio = 1;
    std::array<QPixmap, 16> m_cellules;     // the type icons, centred in such squares
    QCache<QByteArray, QPixmap> m_vignettes; // cost in kilobytes
    QSet<QByteArray> m_illisibles;
    mutable QList<QByteArray> m_voulues;     // shown without thumbnail since the last request
    mutable QSet<QByteArray> m_demandees;    // shown without thumbnail, not come since
};
