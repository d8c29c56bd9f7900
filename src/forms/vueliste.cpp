#include "forms/vueliste.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>
#include <functional>

namespace {

// A view that tells when a key press moved its current row: the user chose that row with the
// keyboard. A current row that Qt sets by itself (when the view takes the focus with none) is
// nobody's choice and says nothing.
template <typename Vue>
class VueAuClavier final : public Vue {
public:
    explicit VueAuClavier(QWidget* parent, std::function<void(int)> choisie)
        : Vue(parent)
        , m_choisie(std::move(choisie))
    {
    }

protected:
    void focusInEvent(QFocusEvent* evenement) override
    {
        // Qt makes the first row current when the view takes the focus with none: leave it
        // without one, so that the first arrow key chooses the first row.
        const bool aucune = !this->currentIndex().isValid();
        Vue::focusInEvent(evenement);
        if (aucune && this->currentIndex().isValid() && this->selectionModel())
            this->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }

    void keyPressEvent(QKeyEvent* evenement) override
    {
        const QPersistentModelIndex avant = this->currentIndex();
        Vue::keyPressEvent(evenement);
        const QModelIndex apres = this->currentIndex();
        if (apres.isValid() && apres != avant)
            m_choisie(apres.row());
    }

private:
    std::function<void(int)> m_choisie;
};

// Room between two cells of the icon views, in pixels.
constexpr int espacement = 4;

// Cells of the icon views: every cell as large as the grid, whatever its name, so that each name
// is laid out in the room the grid gives it (two lines for the icon views) rather than in the room
// the last name of the list happened to need. What still cannot fit is shortened with "…", and
// the model's tooltip gives the whole name.
class DelegueGrille final : public QStyledItemDelegate {
public:
    explicit DelegueGrille(QListView* vue) : QStyledItemDelegate(vue), m_vue(vue) { }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return m_vue->gridSize() - QSize(espacement, espacement);
    }

private:
    QListView* m_vue;
};

} // namespace

ListView::ListView(QWidget* parent)
    : QStackedWidget(parent)
    , m_icones(new VueAuClavier<QListView>(this, [this](int ligne) { Q_EMIT ItemClick(ligne); }))
    , m_details(new VueAuClavier<QTreeView>(this, [this](int ligne) { Q_EMIT ItemClick(ligne); }))
{
    m_icones->setUniformItemSizes(true);
    m_icones->setLayoutMode(QListView::Batched);
    m_icones->setBatchSize(2000);
    m_icones->setResizeMode(QListView::Adjust);
    m_icones->setMovement(QListView::Static);
    m_icones->setTextElideMode(Qt::ElideMiddle);
    m_icones->setItemDelegate(new DelegueGrille(m_icones));

    m_details->setRootIsDecorated(false);
    m_details->setUniformRowHeights(true);
    m_details->setItemsExpandable(false);
    m_details->setAllColumnsShowFocus(true);
    m_details->setIconSize(QSize(16, 16));
    m_details->header()->setSectionsClickable(true);
    m_details->header()->setSectionsMovable(false);
    m_details->header()->setStretchLastSection(false);
    connect(m_details->header(), &QHeaderView::sectionClicked, this, &ListView::ColumnClick);

    for (QAbstractItemView* vue : {static_cast<QAbstractItemView*>(m_icones), static_cast<QAbstractItemView*>(m_details)}) {
        vue->setSelectionMode(QAbstractItemView::SingleSelection);
        vue->setSelectionBehavior(QAbstractItemView::SelectRows);
        vue->setEditTriggers(QAbstractItemView::NoEditTriggers);
        addWidget(vue);
    }
    setView(Details);
}

void ListView::setModel(QAbstractItemModel* modele)
{
    m_icones->setModel(modele);
    m_details->setModel(modele);
    // One selection for both views, so changing view keeps the chosen file.
    QItemSelectionModel* ancienne = m_icones->selectionModel();
    m_icones->setSelectionModel(m_details->selectionModel());
    delete ancienne;
    brancher(m_icones);
    brancher(m_details);
}

void ListView::brancher(QAbstractItemView* vue)
{
    connect(vue, &QAbstractItemView::clicked, this, [this](const QModelIndex& i) { Q_EMIT ItemClick(i.row()); });
    connect(vue, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& i) { Q_EMIT DblClick(i.row()); });
}

QItemSelectionModel* ListView::selectionModel() const
{
    return m_details->selectionModel();
}

void ListView::setView(Vue vue)
{
    m_vue = vue;
    // Cells are sized by the font and the icons: the icon views hold names of about 18 and 16
    // characters on each of two lines (two columns in the browser), the list one line of about 24.
    const QFontMetrics fm = m_icones->fontMetrics();
    const int caractere = fm.averageCharWidth();
    const int ligne = fm.lineSpacing();
    const int marges = 2 * espacement + 4;
    switch (vue) {
    case GrandesIcones:
        m_icones->setViewMode(QListView::IconMode);
        m_icones->setIconSize(QSize(cote_grandes_icones, cote_grandes_icones));
        m_icones->setWordWrap(true);
        m_icones->setGridSize(QSize(std::max(cote_grandes_icones + marges, 18 * caractere + marges),
                                    cote_grandes_icones + 2 * ligne + marges + espacement));
        m_icones->setFlow(QListView::LeftToRight);
        m_icones->setWrapping(true);
        break;
    case PetitesIcones:
        m_icones->setViewMode(QListView::ListMode);
        m_icones->setIconSize(QSize(16, 16));
        m_icones->setWordWrap(true);
        m_icones->setGridSize(QSize(16 + 16 * caractere + marges, 2 * ligne + marges));
        m_icones->setFlow(QListView::LeftToRight);
        m_icones->setWrapping(true);
        break;
    case Liste:
        m_icones->setViewMode(QListView::ListMode);
        m_icones->setIconSize(QSize(16, 16));
        m_icones->setWordWrap(false);
        m_icones->setGridSize(QSize(16 + 24 * caractere + marges, std::max(20, ligne + marges)));
        m_icones->setFlow(QListView::TopToBottom);
        m_icones->setWrapping(true);
        break;
    case Details: break;
    }
    QAbstractItemView* active = vueActive();
    if (currentWidget() != active) {
        const bool focus = currentWidget() && currentWidget()->hasFocus();
        setCurrentWidget(active);
        if (focus)
            active->setFocus();
    }
    const QModelIndex courant = selectionModel() ? selectionModel()->currentIndex() : QModelIndex();
    if (courant.isValid())
        active->scrollTo(courant);
}

QAbstractItemView* ListView::vueActive() const
{
    return m_vue == Details ? static_cast<QAbstractItemView*>(m_details) : m_icones;
}

void ListView::setIndicateurTri(int colonne, Qt::SortOrder ordre)
{
    m_details->header()->setSortIndicatorShown(colonne >= 0);
    m_details->header()->setSortIndicator(colonne, ordre);
}

void ListView::setLargeurColonne(int colonne, int largeur)
{
    m_details->header()->resizeSection(colonne, largeur);
}

int ListView::ligneSelectionnee() const
{
    if (!selectionModel())
        return -1;
    const QModelIndexList lignes = selectionModel()->selectedRows();
    return lignes.isEmpty() ? -1 : lignes.constFirst().row();
}

void ListView::marquerLigne(int ligne)
{
    if (!selectionModel() || !m_details->model())
        return;
    const QModelIndex i = m_details->model()->index(ligne, 0);
    if (i.isValid())
        selectionModel()->select(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        selectionModel()->clearSelection();
}

void ListView::selectionnerLigne(int ligne)
{
    if (!selectionModel() || !m_details->model())
        return;
    const QModelIndex i = m_details->model()->index(ligne, 0);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    vueActive()->scrollTo(i);
}
