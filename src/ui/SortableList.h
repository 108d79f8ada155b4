#pragma once

#include "ui/ListSort.h"

#include <QObject>
#include <QStringView>
#include <QVariantList>

#include <span>

namespace valmir {

class BoundGrid;
class Database;

// A column of a sortable list: its caption without a sort mark, the field
// it shows, the display format ("", "General Date", "Yes/No", "Currency")
// and the number of average characters its cells get, so that widths never
// depend on reading the rows.
struct SortableColumn {
    QStringView caption;
    QStringView field;
    QStringView format;
    int chars;
};

// A bound list that sorts by a click on a column header, as every list
// window of the program does: it puts the columns with the sort mark on the
// grid and sizes them, turns a header click into ListSort's rule and reads
// the list again. It belongs to the grid.
class SortableList : public QObject {
    Q_OBJECT
public:
    // listSql: the base query ("SELECT * FROM tblRacun "); readError: what a
    // failed reading says in front of the engine's text ("Seznama računov ni
    // mogoče prebrati:"). The list is not read until reload().
    SortableList(BoundGrid* grid, Database* db, std::span<const SortableColumn> columns,
                 const QString& listSql, int sortColumn, bool sortAscending,
                 const QString& readError);

    const ListSort& sort() const { return m_sort; }

    // A condition on the rows (" WHERE ..." with values for its "?"), put
    // between the base query and the order; empty shows every row. Takes
    // effect with the next reload().
    void setFilter(const QString& where, const QVariantList& params);

    // Reads the list in the current order; the first row becomes current.
    // A failure leaves the list empty and is told in one critical box.
    bool reload();

private:
    void setColumnWidths(std::span<const SortableColumn> columns);
    void sortByColumn(int column);
    void tellReadFailure(const QString& error);

    BoundGrid* m_grid;
    ListSort m_sort;
    QString m_readError;
    QString m_where;
    QVariantList m_params;
};

} // namespace valmir
