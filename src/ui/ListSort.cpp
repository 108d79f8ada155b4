#include "ui/ListSort.h"

namespace valmir {

namespace {

QString orderBy(const QString& field) { return QStringLiteral(" ORDER BY ") + field; }

QString direction(bool ascending) {
    return ascending ? QStringLiteral(" ASC") : QStringLiteral(" DESC");
}

// Only a caption that carries a mark loses its first three characters, so
// that a caption changed behind the list's back is not cut.
QString withoutMark(const QString& caption) {
    if (caption.startsWith(ListSort::mark(true)) || caption.startsWith(ListSort::mark(false)))
        return caption.mid(3);
    return caption;
}

} // namespace

ListSort::ListSort(const QString& listSql, const QStringList& fields, int sortColumn,
                   bool sortAscending)
    : m_listSql(listSql), m_fields(fields), m_sortColumn(sortColumn),
      m_sortAscending(sortAscending) {
    m_listOrder = orderBy(m_fields.value(m_sortColumn));
    m_sortDirection = direction(m_sortAscending);
}

QString ListSort::mark(bool ascending) {
    return ascending ? QStringLiteral("<< ") : QStringLiteral(">> ");
}

QStringList ListSort::markedCaptions(QStringList plainCaptions) const {
    if (m_sortColumn >= 0 && m_sortColumn < plainCaptions.size())
        plainCaptions[m_sortColumn].prepend(mark(m_sortAscending));
    return plainCaptions;
}

bool ListSort::click(int column, QStringList& captions) {
    if (column < 0 || column >= m_fields.size() || column >= captions.size())
        return false;
    if (m_sortColumn >= 0 && m_sortColumn < captions.size())
        captions[m_sortColumn] = withoutMark(captions.at(m_sortColumn));
    if (column == m_sortColumn) {
        m_sortAscending = !m_sortAscending;
    } else {
        m_sortColumn = column;
        m_sortAscending = true;
    }
    m_sortDirection = direction(m_sortAscending);
    captions[column].prepend(mark(m_sortAscending));
    m_listOrder = orderBy(m_fields.at(column));
    return true;
}

} // namespace valmir
