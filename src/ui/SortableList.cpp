#include "ui/SortableList.h"

#include "text/Messages.h"
#include "ui/BoundGrid.h"
#include "ui/MessageBox.h"

#include <QHeaderView>

namespace valmir {

namespace {

QStringList fieldsOf(std::span<const SortableColumn> columns) {
    QStringList fields;
    for (const SortableColumn& c : columns)
        fields << c.field.toString();
    return fields;
}

} // namespace

SortableList::SortableList(BoundGrid* grid, Database* db, std::span<const SortableColumn> columns,
                           const QString& listSql, int sortColumn, bool sortAscending,
                           const QString& readError)
    : QObject(grid), m_grid(grid), m_sort(listSql, fieldsOf(columns), sortColumn, sortAscending),
      m_readError(readError) {
    QStringList plain;
    for (const SortableColumn& c : columns)
        plain << c.caption.toString();
    const QStringList marked = m_sort.markedCaptions(plain);
    QList<BoundColumn> bound;
    for (std::size_t i = 0; i < columns.size(); ++i)
        bound.append(
            {marked.at(int(i)), columns[i].field.toString(), columns[i].format.toString()});
    BoundListModel* model = m_grid->listModel();
    model->setColumns(bound);
    model->setDatabase(db);
    setColumnWidths(columns);
    m_grid->rememberColumns();
    connect(m_grid, &BoundGrid::headerClicked, this, &SortableList::sortByColumn);
    // The rest of a long list is read after its first rows are shown.
    connect(model, &BoundListModel::readFailed, this, &SortableList::tellReadFailure);
}

void SortableList::tellReadFailure(const QString& error) {
    Msg::critical(m_grid->window(), m_readError + u'\n' + error, Titles::Cannot);
}

void SortableList::setColumnWidths(std::span<const SortableColumn> columns) {
    // Room for the caption with its sort mark, or for the usual length of
    // the values; the rows themselves are never measured.
    const QFontMetrics header = m_grid->horizontalHeader()->fontMetrics();
    const int charWidth = m_grid->fontMetrics().averageCharWidth();
    const int padding = 18;
    int column = 0;
    for (const SortableColumn& c : columns) {
        const int forCaption =
            header.horizontalAdvance(ListSort::mark(false) + c.caption.toString());
        m_grid->setColumnWidth(column++, std::max(forCaption, charWidth * c.chars) + padding);
    }
}

void SortableList::setFilter(const QString& where, const QVariantList& params) {
    m_where = where;
    m_params = params;
}

bool SortableList::reload() {
    BoundListModel* model = m_grid->listModel();
    model->setRecordSource(m_where.isEmpty() ? m_sort.recordSource()
                                             : m_sort.listSql() + m_where + m_sort.listOrder() +
                                                   m_sort.sortDirection(),
                           m_params);
    if (m_grid->refresh())
        return true;
    tellReadFailure(model->lastError());
    return false;
}

void SortableList::sortByColumn(int column) {
    BoundListModel* model = m_grid->listModel();
    QStringList captions;
    for (int i = 0; i < model->columnCount(); ++i)
        captions << model->caption(i);
    if (!m_sort.click(column, captions))
        return;
    for (int i = 0; i < captions.size(); ++i) {
        if (captions.at(i) != model->caption(i))
            model->setCaption(i, captions.at(i));
    }
    reload();
}

} // namespace valmir
