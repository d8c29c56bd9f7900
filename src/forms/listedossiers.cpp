#include "forms/listedossiers.h"

#include "browser/icones.h"
#include "forms/textes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyledItemDelegate>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>

namespace {

constexpr int retrait_par_niveau = 10;

QString nom_affiche(const QString& chemin)
{
    return chemin == u"/" ? chemin : QFileInfo(chemin).fileName();
}

// Indents each entry by its depth in the tree.
class DelegueRetrait final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->rect.adjust(index.data(Qt::UserRole).toInt() * retrait_par_niveau, 0, 0, 0);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize taille = QStyledItemDelegate::sizeHint(option, index);
        taille.rwidth() += index.data(Qt::UserRole).toInt() * retrait_par_niveau;
        return taille;
    }
};

} // namespace

class DirListBox::Modele final : public QAbstractListModel {
public:
    explicit Modele(DirListBox* liste) : QAbstractListModel(liste), m_liste(liste) { }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_liste->m_ancetres.size() + m_liste->m_sous_dossiers.size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const int ligne = index.row();
        const int nb_ancetres = static_cast<int>(m_liste->m_ancetres.size());
        const bool ancetre = ligne < nb_ancetres;
        switch (role) {
        case Qt::DisplayRole: return nom_affiche(m_liste->chemin_ligne(ligne));
        case Qt::DecorationRole: return icone_dossier(ancetre);
        case Qt::ToolTipRole: return m_liste->chemin_ligne(ligne);
        case Qt::UserRole: return ancetre ? ligne : nb_ancetres;
        default: return {};
        }
    }

    void recharger()
    {
        beginResetModel();
        endResetModel();
    }

private:
    DirListBox* m_liste;
};

DirListBox::DirListBox(QWidget* parent)
    : QListView(parent)
    , m_modele(new Modele(this))
{
    setModel(m_modele);
    setItemDelegate(new DelegueRetrait(this));
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QAbstractItemView::doubleClicked, this, &DirListBox::ouvrir);
}

void DirListBox::keyPressEvent(QKeyEvent* event)
{
    // Enter opens the highlighted folder and stops there; on the folder already open it is left
    // to the window (its default button).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const QModelIndex i = currentIndex();
        if (i.isValid() && QDir::cleanPath(chemin_ligne(i.row())) != m_chemin) {
            ouvrir(i);
            event->accept();
        } else {
            event->ignore();
        }
        return;
    }
    QListView::keyPressEvent(event);
}

bool DirListBox::setPath(const QString& chemin)
{
    const QFileInfo info(chemin);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;
    const QString propre = QDir::cleanPath(info.absoluteFilePath());
    if (propre == m_chemin)
        return true;
    m_chemin = propre;
    remplir();
    Q_EMIT Change();
    return true;
}

void DirListBox::Refresh()
{
    if (!m_chemin.isEmpty())
        remplir();
}

void DirListBox::remplir()
{
    m_ancetres.clear();
    for (QString c = m_chemin;; c = QFileInfo(c).path()) {
        m_ancetres.prepend(c);
        if (c == u"/" || QFileInfo(c).path() == c)
            break;
    }

    // Subfolders are read with their names' bytes, so that a name that is not text is known.
    struct SousDossier {
        QString nom;
        bool exact;
    };
    QList<SousDossier> trouves;
    if (DIR* flux = ::opendir(QFile::encodeName(m_chemin).constData())) {
        const int fd = ::dirfd(flux);
        while (const dirent* e = ::readdir(flux)) {
            if (e->d_name[0] == '.')
                continue; // ".", ".." and hidden folders
            bool dossier = e->d_type == DT_DIR;
            if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
                struct stat infos {};
                dossier = ::fstatat(fd, e->d_name, &infos, 0) == 0 && S_ISDIR(infos.st_mode);
            }
            if (!dossier)
                continue;
            const QString nom = QFile::decodeName(e->d_name);
            trouves.append({nom, QFile::encodeName(nom) == QByteArray(e->d_name)});
        }
        ::closedir(flux);
    }
    std::sort(trouves.begin(), trouves.end(), [](const SousDossier& a, const SousDossier& b) {
        const int c = comparer_noms(a.nom, b.nom);
        return c != 0 ? c < 0 : a.exact > b.exact;
    });
    m_sous_dossiers.clear();
    m_exacts.clear();
    const QString prefixe = m_chemin.endsWith(u'/') ? m_chemin : m_chemin + u'/';
    for (const SousDossier& d : std::as_const(trouves)) {
        m_sous_dossiers.append(prefixe + d.nom);
        m_exacts.append(d.exact);
    }

    m_modele->recharger();
    setCurrentIndex(m_modele->index(static_cast<int>(m_ancetres.size()) - 1));
}

QString DirListBox::chemin_ligne(int ligne) const
{
    if (ligne < 0)
        return {};
    if (ligne < m_ancetres.size())
        return m_ancetres.at(ligne);
    ligne -= static_cast<int>(m_ancetres.size());
    return ligne < m_sous_dossiers.size() ? m_sous_dossiers.at(ligne) : QString();
}

QString DirListBox::List(int index) const
{
    if (index >= 0)
        return index < m_sous_dossiers.size() ? m_sous_dossiers.at(index) : QString();
    const qsizetype ligne = m_ancetres.size() + index; // -1: current folder, the last ancestor
    return ligne >= 0 ? m_ancetres.at(ligne) : QString();
}

int DirListBox::ListIndex() const
{
    const int ligne = currentIndex().isValid() ? currentIndex().row() : static_cast<int>(m_ancetres.size()) - 1;
    return ligne - static_cast<int>(m_ancetres.size());
}

void DirListBox::ouvrir(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const qsizetype sous_dossier = index.row() - m_ancetres.size();
    if (sous_dossier >= 0 && sous_dossier < m_exacts.size() && !m_exacts.at(sous_dossier)) {
        Q_EMIT DossierIllisible(nom_affiche(chemin_ligne(index.row())));
        return;
    }
    setPath(chemin_ligne(index.row()));
}

QString message_dossier_illisible(const QString& nom)
{
    return QStringLiteral("Le nom du dossier \"%1\" contient des caractères que le programme ne sait pas lire : il ne peut pas "
                          "l'ouvrir. Renommez-le avec le gestionnaire de fichiers.")
        .arg(nom);
}
