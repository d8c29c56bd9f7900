#pragma once

#include "forms/listefichiers.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QLocale>

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

    // Icon number of a file name by its extension after the last dot: 1 bmp, 2 wmf, 3 jpg/jpeg,
    // 4 emf, 5 gif, 6 cur, 7 dib, 8 ico; 0 for no icon.
    static int numero_icone(QStringView nom);

private:
    QList<EntreeFichier> m_entrees;
    QLocale m_locale = QLocale::system();
    std::array<QIcon, 16> m_icones;
};
