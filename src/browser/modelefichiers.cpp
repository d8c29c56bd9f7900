#include "browser/modelefichiers.h"

#include "browser/icones.h"
#include "forms/textes.h"

#include <QDateTime>

#include <algorithm>
#include <array>

ModeleFichiers::ModeleFichiers(QObject* parent)
    : QAbstractTableModel(parent)
{
    for (int i = 1; i < static_cast<int>(m_icones.size()); ++i)
        m_icones[i] = icone_type(i);
}

void ModeleFichiers::remplir(QList<EntreeFichier> entrees)
{
    beginResetModel();
    m_entrees = std::move(entrees);
    endResetModel();
}

void ModeleFichiers::retirer(int ligne)
{
    if (ligne < 0 || ligne >= m_entrees.size())
        return;
    beginRemoveRows({}, ligne, ligne);
    m_entrees.removeAt(ligne);
    endRemoveRows();
}

int ModeleFichiers::ligne_de(const QByteArray& nom) const
{
    for (int ligne = 0; ligne < m_entrees.size(); ++ligne) {
        if (m_entrees.at(ligne).octets == nom)
            return ligne;
    }
    return -1;
}

int ModeleFichiers::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entrees.size());
}

int ModeleFichiers::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : NombreColonnes;
}

QVariant ModeleFichiers::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entrees.size())
        return {};
    const EntreeFichier& e = m_entrees.at(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case Fichier: return e.nom;
        case Taille: return e.taille < 0 ? QString() : texte_nombre(e.taille);
        case Date:
        case Heure: {
            if (e.taille < 0)
                return QString();
            const QDateTime moment = QDateTime::fromMSecsSinceEpoch(e.modifie_ms);
            return index.column() == Date ? texte_date_courte(moment.date(), m_locale)
                                          : moment.time().toString(QStringLiteral("HH:mm"));
        }
        default: return {};
        }
    }
    if (role == Qt::DecorationRole && index.column() == Fichier)
        return m_icones.at(numero_icone(e.nom));
    // The whole name, for the views that have to shorten it.
    if (role == Qt::ToolTipRole && index.column() == Fichier)
        return e.nom;
    return {};
}

QVariant ModeleFichiers::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Fichier: return QStringLiteral("Fichier");
    case Taille: return QStringLiteral("Taille (Octets)");
    case Date: return QStringLiteral("Date");
    case Heure: return QStringLiteral("Heure");
    default: return {};
    }
}

void ModeleFichiers::sort(int colonne, Qt::SortOrder ordre)
{
    const auto par_nom = [](const EntreeFichier& a, const EntreeFichier& b) {
        const int c = comparer_noms(a.nom, b.nom);
        return c != 0 ? c : a.octets < b.octets ? -1 : a.octets == b.octets ? 0 : 1;
    };
    const auto comparer = [&](const EntreeFichier& a, const EntreeFichier& b) -> int {
        switch (colonne) {
        case Taille:
            if (a.taille != b.taille)
                return a.taille < b.taille ? -1 : 1;
            break;
        case Date:
        case Heure:
            if (a.modifie_ms != b.modifie_ms)
                return a.modifie_ms < b.modifie_ms ? -1 : 1;
            break;
        default: break;
        }
        return par_nom(a, b);
    };

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList avant = persistentIndexList();
    QList<QByteArray> noms;
    noms.reserve(avant.size());
    for (const QModelIndex& i : avant)
        noms.append(m_entrees.at(i.row()).octets);

    std::stable_sort(m_entrees.begin(), m_entrees.end(), [&](const EntreeFichier& a, const EntreeFichier& b) {
        const int c = comparer(a, b);
        return ordre == Qt::AscendingOrder ? c < 0 : c > 0;
    });

    // Keep the selection and the current item on the same files.
    if (!avant.isEmpty()) {
        QHash<QByteArray, int> lignes;
        lignes.reserve(m_entrees.size());
        for (int r = 0; r < m_entrees.size(); ++r)
            lignes.insert(m_entrees.at(r).octets, r);
        QModelIndexList apres;
        apres.reserve(avant.size());
        for (qsizetype k = 0; k < avant.size(); ++k)
            apres.append(index(lignes.value(noms.at(k)), avant.at(k).column()));
        changePersistentIndexList(avant, apres);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int ModeleFichiers::numero_icone(QStringView nom)
{
    const qsizetype point = nom.lastIndexOf(u'.');
    if (point < 0)
        return 0;
    const QString extension = nom.sliced(point + 1).toString().toLower();
    // In icone_type()'s order; the second name of a type comes after the fifteen.
    static const QStringList extensions = {
        QStringLiteral("bmp"), QStringLiteral("wmf"), QStringLiteral("jpg"),  QStringLiteral("emf"),
        QStringLiteral("gif"), QStringLiteral("cur"), QStringLiteral("dib"),  QStringLiteral("ico"),
        QStringLiteral("png"), QStringLiteral("tif"), QStringLiteral("webp"), QStringLiteral("heic"),
        QStringLiteral("avif"), QStringLiteral("jxl"), QStringLiteral("svg"),
        QStringLiteral("jpeg"), QStringLiteral("tiff"), QStringLiteral("heif"), QStringLiteral("svgz")};
    static constexpr std::array<int, 4> seconds_noms = {3, 10, 12, 15};
    const int position = static_cast<int>(extensions.indexOf(extension));
    if (position >= 15)
        return seconds_noms[static_cast<std::size_t>(position - 15)];
    return position + 1;
}
