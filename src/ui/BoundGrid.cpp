#include "ui/BoundGrid.h"

#include "ui/ColumnMemory.h"

#include "text/Messages.h"
#include "ui/MessageBox.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTimer>

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
    // While rows come and go the view and its selection move the current
    // index by themselves, in the numbering of before the change; the
    // record set keeps its own position (a deleted row leaves a gap there)
    // and the grid shows it again when the change is over.
    connect(m_model, &BoundListModel::rowsChanging, this, [this] { m_followView = false; });
    connect(m_model, &BoundListModel::rowsChanged, this, [this] {
        m_followView = true;
        syncFromRecordset();
    });
    connect(m_model, &BoundListModel::valueRefused, this, [this](const QString& text) {
        m_refused = true;
        showRefusedValue(text);
    });
}

// The box comes after the editor has handed in its text: shown at once it
// would take the focus from the editor, which would hand in the same text a
// second time. The editor stays open with the text behind the box.
void BoundGrid::showRefusedValue(const QString& text) {
    if (m_refusalPending)
        return;
    m_refusalPending = true;
    QTimer::singleShot(0, this, [this, text] {
        Msg::critical(this, Messages::NotANumber.text.arg(text.trimmed()),
                      Messages::NotANumber.title);
        m_refusalPending = false;
    });
}

bool BoundGrid::refresh() { return m_model->refresh(); }

void BoundGrid::rememberColumns() {
    if (!m_columnMemory)
        m_columnMemory = new ColumnMemory(this);
}

void BoundGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    if (!m_shown && m_columnMemory)
        m_columnMemory->restore();
    m_shown = true;
}

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
    const int rows = m_model->rowCount();
    if (!rs || rows == 0)
        return;
    int row = std::clamp(rs->position(), 0, rows - 1);
    int column = std::max(0, currentIndex().column());
    QModelIndex index = m_model->index(row, column);
    const bool follow = m_followView;
    m_followView = false;
    if (currentIndex() != index)
        setCurrentIndex(index);
    else
        selectRow(row);
    m_followView = follow;
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

// The rows on screen first, the rest of a long list after.
void BoundGrid::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    m_model->readRestLater();
}

QModelIndex BoundGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // Ctrl+End goes to the last row of the list, not of the rows read so far.
    if (action == MoveEnd && (modifiers & Qt::ControlModifier) && recordset())
        recordset()->readAllRows();
    return QTableView::moveCursor(action, modifiers);
}

void BoundGrid::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && state() != EditingState) {
        QModelIndex index = currentIndex();
        if (index.isValid() && !(index.flags() & Qt::ItemIsEditable)) {
            Q_EMIT rowActivated(index.row());
            event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

bool BoundGrid::atLastTypedCell(bool next) const {
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return true;
    const int rows = m_model->rowCount();
    const int columns = m_model->columnCount();
    const int step = next ? 1 : -1;
    for (int row = current.row(), column = current.column() + step; row >= 0 && row < rows;
         row += step, column = next ? 0 : columns - 1)
        for (; column >= 0 && column < columns; column += step)
            if (!isColumnHidden(column) &&
                (m_model->index(row, column).flags() & Qt::ItemIsEditable))
                return false;
    return true;
}

bool BoundGrid::focusNextPrevChild(bool next) {
    if (tabKeyNavigation() && atLastTypedCell(next))
        return QAbstractScrollArea::focusNextPrevChild(next);
    return QTableView::focusNextPrevChild(next);
}

void BoundGrid::commitData(QWidget* editor) {
    m_refused = false;
    QTableView::commitData(editor);
    m_heldEditor = m_refused ? editor : nullptr;
    m_refused = false;
}

void BoundGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // Enter, Tab or a click elsewhere after refused text: the text stays to
    // be corrected. Escape closes without handing anything in.
    if (editor && editor == m_heldEditor && hint != QAbstractItemDelegate::RevertModelCache) {
        m_heldEditor = nullptr;
        // The focus may be leaving for the message box; it comes back to the
        // text, not to the grid the delegate hands it to.
        QTimer::singleShot(0, editor, [editor] { editor->setFocus(); });
        return;
    }
    m_heldEditor = nullptr;
    const bool tab = hint == QAbstractItemDelegate::EditNextItem ||
                     hint == QAbstractItemDelegate::EditPreviousItem;
    const bool next = hint == QAbstractItemDelegate::EditNextItem;
    if (tab && atLastTypedCell(next)) {
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        QAbstractScrollArea::focusNextPrevChild(next);
        return;
    }
    QTableView::closeEditor(editor, hint);
    // Enter: the cell is written, the next row's cell of the column is next.
    if (hint == QAbstractItemDelegate::SubmitModelCache) {
        const QModelIndex current = currentIndex();
        if (current.isValid() && current.row() + 1 < m_model->rowCount())
            setCurrentIndex(m_model->index(current.row() + 1, current.column()));
    }
}

bool BoundGrid::commitEdit() {
    if (state() != QAbstractItemView::EditingState)
        return true;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
        return state() != QAbstractItemView::EditingState;
    }
    return true;
}

} // namespace valmir
