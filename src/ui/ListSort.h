#pragma once

#include <QString>
#include <QStringList>

namespace valmir {

// The sort state of a list that sorts by a click on a column header. The
// sort column's caption carries ">> " (descending) or "<< " (ascending) in
// front; the record source is always ListSql & ListOrder & SortDirection.
class ListSort {
public:
    // listSql: the base query ("SELECT * FROM tblRacun "); fields: the field
    // each column shows, in column order.
    ListSort(const QString& listSql, const QStringList& fields, int sortColumn, bool sortAscending);

    QString listSql() const { return m_listSql; }
    QString listOrder() const { return m_listOrder; }
    int sortColumn() const { return m_sortColumn; }
    bool sortAscending() const { return m_sortAscending; }
    QString sortDirection() const { return m_sortDirection; }
    QString recordSource() const { return m_listSql + m_listOrder + m_sortDirection; }

    // The captions as the list shows them: the plain captions with the mark
    // of the current sort in front of the sort column's caption.
    QStringList markedCaptions(QStringList plainCaptions) const;

    // A click on the header of a column: the clicked column becomes the
    // sort column, ascending when it is newly chosen, the other way round
    // when it already was. Moves the mark in captions. A column that does
    // not exist changes nothing and gives false.
    bool click(int column, QStringList& captions);

    static QString mark(bool ascending);

private:
    QString m_listSql;
    QStringList m_fields;
    QString m_listOrder;
    int m_sortColumn = 0;
    bool m_sortAscending = false;
    QString m_sortDirection;
};

} // namespace valmir
