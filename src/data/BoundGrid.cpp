#include "data/BoundGrid.h"

#include <QHeaderView>

namespace valmir {

BoundGrid::BoundGrid(QWidget* parent) : QTableView(parent), m_model(new BoundListModel(this)) {
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setSortingEnabled(false);
    setWordWrap(false);
    setAlternatingRowColors(true);
    // Fixed row heights keep a list of a hundred thousand rows quick: the
    // view never measures rows it does not show.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &BoundGrid::headerClicked);
    connect(this, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && !(index.flags() & Qt::ItemIsEditable))
            Q_EMIT rowActivated(index.row());
    });
    connect(this, &QTableView::clicked, this, [this](const QModelIndex&) { Q_EMIT gridClicked(); });
    connect(m_model, &BoundListModel::currentRowReset, this, &BoundGrid::syncFromRecordset);
    // While rows go away the view moves its current index by itself; the
    // record set keeps its own position (on the gap of a deleted row).
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this] { m_followView = false; });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] { m_followView = true; });
}

bool BoundGrid::refresh() { return m_model->refresh(); }

int BoundGrid::currentRow() const {
    Recordset* rs = recordset();
    if (!rs || rs->eof() || rs->bof())
        return -1;
    return rs->position();
}

void BoundGrid::moveToRow(int row) {
    Recordset* rs = recordset();
    if (!rs || !rs->moveTo(row))
        return;
    syncFromRecordset();
}

void BoundGrid::syncFromRecordset() {
    Recordset* rs = recordset();
    if (!rs || rs->recordCount() == 0)
        return;
    int row = std::clamp(rs->position(), 0, rs->recordCount() - 1);
    int column = std::max(0, currentIndex().column());
    QModelIndex index = m_model->index(row, column);
    if (currentIndex() != index)
        setCurrentIndex(index);
    else
        selectRow(row);
    scrollTo(index);
}

bool BoundGrid::moveToLastModified() {
    Recordset* rs = recordset();
    if (!rs || !rs->moveToBookmark(rs->lastModified()))
        return false;
    syncFromRecordset();
    return true;
}

void BoundGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    Recordset* rs = recordset();
    if (m_followView && rs && current.isValid() && rs->position() != current.row())
        rs->moveTo(current.row());
}

} // namespace valmir
