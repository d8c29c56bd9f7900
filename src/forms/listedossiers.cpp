#include "forms/listedossiers.h"

#include "browser/icones.h"
#include "forms/textes.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyledItemDelegate>

#include <algorithm>

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

    m_sous_dossiers.clear();
    const QFileInfoList dossiers = QDir(m_chemin).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& d : dossiers)
        m_sous_dossiers.append(d.absoluteFilePath());
    std::sort(m_sous_dossiers.begin(), m_sous_dossiers.end(), [](const QString& a, const QString& b) {
        return comparer_noms(QFileInfo(a).fileName(), QFileInfo(b).fileName()) < 0;
    });

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
    if (index.isValid())
        setPath(chemin_ligne(index.row()));
}
