#include "browser/modelefichiers.h"

#include "browser/icones.h"
#include "forms/textes.h"

#include <QDateTime>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <array>

namespace {

// The thumbnails held at once: about 1,800 squares of 96 pixels; the others come back from the
// desktop's cache when their rows show again.
constexpr int vignettes_gardees_ko = 64 * 1024;

} // namespace

ModeleFichiers::ModeleFichiers(QObject* parent)
    : QAbstractTableModel(parent)
    , m_vignettes(vignettes_gardees_ko)
{
    for (int i = 1; i < static_cast<int>(m_icones.size()); ++i)
        m_icones[i] = icone_type(i);
}

void ModeleFichiers::remplir(QList<EntreeFichier> entrees)
{
    beginResetModel();
    m_entrees = std::move(entrees);
    m_vignettes.clear();
    m_illisibles.clear();
    m_voulues.clear();
    m_demandees.clear();
    indexer();
    endResetModel();
}

void ModeleFichiers::indexer()
{
    m_lignes.clear();
    m_lignes.reserve(m_entrees.size());
    for (int r = 0; r < m_entrees.size(); ++r)
        m_lignes.insert(m_entrees.at(r).octets, r);
}

void ModeleFichiers::retirer(int ligne)
{
    if (ligne < 0 || ligne >= m_entrees.size())
        return;
    beginRemoveRows({}, ligne, ligne);
    m_vignettes.remove(m_entrees.at(ligne).octets);
    m_entrees.removeAt(ligne);
    indexer();
    endRemoveRows();
}

int ModeleFichiers::ligne_de(const QByteArray& nom) const
{
    return m_lignes.value(nom, -1);
}

void ModeleFichiers::setVignettes(bool actives, int cote, qreal ratio)
{
    const int nouveau = actives ? cote : 0;
    if (nouveau == m_cote && ratio == m_ratio)
        return;
    m_cote = nouveau;
    m_ratio = ratio;
    m_vignettes.clear();
    m_illisibles.clear();
    m_voulues.clear();
    m_demandees.clear();
    for (int i = 0; i < static_cast<int>(m_cellules.size()); ++i)
        m_cellules[i] = m_cote > 0 && i > 0 ? cellule(m_icones[i].pixmap(QSize(32, 32), m_ratio).toImage()) : QPixmap();
    if (!m_entrees.isEmpty())
        Q_EMIT dataChanged(index(0, Fichier), index(rowCount() - 1, Fichier), {Qt::DecorationRole});
}

QPixmap ModeleFichiers::cellule(const QImage& image) const
{
    const int cote = qRound(m_cote * m_ratio);
    QPixmap carre(cote, cote);
    carre.fill(Qt::transparent);
    QImage dessin = image;
    if (dessin.width() > cote || dessin.height() > cote)
        dessin = dessin.scaled(cote, cote, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    {
        QPainter peintre(&carre);
        peintre.drawImage((cote - dessin.width()) / 2, (cote - dessin.height()) / 2, dessin);
    }
    carre.setDevicePixelRatio(m_ratio);
    return carre;
}

void ModeleFichiers::poser_vignette(const QByteArray& nom, const QImage& image)
{
    const int ligne = ligne_de(nom);
    if (m_cote <= 0 || ligne < 0)
        return;
    if (image.isNull()) {
        m_illisibles.insert(nom); // it keeps its type icon
        return;
    }
    // Once as many are held as the memory allows, only those that rows shown without theirs have
    // asked for are kept: the others, made ahead for the shared cache, would push the rows on
    // screen out.
    const qsizetype cout = std::max<qsizetype>(1, qsizetype(qRound(m_cote * m_ratio)) * qRound(m_cote * m_ratio) * 4 / 1024);
    const bool demandee = m_demandees.remove(nom);
    if (m_vignettes.totalCost() + cout > m_vignettes.maxCost() && !demandee)
        return;
    m_vignettes.insert(nom, new QPixmap(cellule(image)), cout);
    const QModelIndex i = index(ligne, Fichier);
    Q_EMIT dataChanged(i, i, {Qt::DecorationRole});
}

bool ModeleFichiers::vignette_venue(int ligne) const
{
    if (ligne < 0 || ligne >= m_entrees.size())
        return false;
    const QByteArray& nom = m_entrees.at(ligne).octets;
    return m_vignettes.contains(nom) || m_illisibles.contains(nom);
}

QList<QByteArray> ModeleFichiers::noms_sans_vignette() const
{
    QList<QByteArray> noms;
    for (const EntreeFichier& e : m_entrees) {
        if (!m_vignettes.contains(e.octets) && !m_illisibles.contains(e.octets))
            noms.append(e.octets);
    }
    return noms;
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
    if (role == Qt::DecorationRole && index.column() == Fichier) {
        const int numero = numero_icone(e.nom);
        if (m_cote <= 0)
            return m_icones.at(numero);
        if (const QPixmap* vignette = m_vignettes.object(e.octets))
            return *vignette;
        if (!m_illisibles.contains(e.octets)) {
            // Asked for all together once the view has painted: reading a row does not change the
            // model, it only notes what is wanted.
            if (m_voulues.isEmpty()) {
                auto* modele = const_cast<ModeleFichiers*>(this);
                QTimer::singleShot(0, modele, [modele] {
                    if (!modele->m_voulues.isEmpty() && modele->m_cote > 0)
                        Q_EMIT modele->vignettesVoulues(std::exchange(modele->m_voulues, {}));
                });
            }
            if (!m_voulues.contains(e.octets))
                m_voulues.append(e.octets);
            m_demandees.insert(e.octets);
        }
        return m_cellules.at(numero);
    }
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
    indexer();

    // Keep the selection and the current item on the same files.
    if (!avant.isEmpty()) {
        QModelIndexList apres;
        apres.reserve(avant.size());
        for (qsizetype k = 0; k < avant.size(); ++k)
            apres.append(index(ligne_de(noms.at(k)), avant.at(k).column()));
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
