// The key set: the row ids of the rows, read at once or, for a dynaset
// ordered by one field, in slices along the field's index.

#include "data/RecordsetShared.h"
#include "text/Messages.h"

#include <QElapsedTimer>

#include <algorithm>
#include <utility>

namespace valmir {

using namespace recordset;

QString Recordset::orderClause() const {
    QStringList cols;
    // Directions written out: the server then puts Null first, as the file.
    for (const QString& c : m_indexColumns)
        cols << quoted(c) + QStringLiteral(" ASC");
    cols << QStringLiteral("rowid ASC");
    return QStringLiteral(" ORDER BY ") + cols.join(QStringLiteral(", "));
}

// Rows of the ordered query that meet a condition, in an order, up to a
// limit; the last row read becomes where reading goes on.
bool Recordset::readOrdered(QVector<qint64>* keys, const QString& condition,
                            const QVariantList& values, const QString& order, int limit) const {
    QStringList where;
    if (!m_order->where.isEmpty())
        where << u'(' + m_order->where + u')';
    if (!condition.isEmpty())
        where << condition;
    const QString sql =
        QStringLiteral("SELECT rowid, ") + m_order->field + QStringLiteral(" FROM ") +
        quoted(m_table) +
        (where.isEmpty() ? QString()
                         : QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "))) +
        QStringLiteral(" ORDER BY ") + order + QStringLiteral(" LIMIT ?");
    const std::unique_ptr<EngineQuery> q =
        m_db.query(sql, m_params + values + QVariantList{limit});
    if (!q)
        return readFailure();
    const int first = int(keys->size());
    while (q->next())
        *keys << q->integer(0);
    if (q->failed())
        return readFailure();
    // The value of the last row only, read again by its row id: cheaper
    // than taking every row's value out of the ordered statement. Another
    // workstation may have deleted it since; then the row before it tells
    // where reading goes on (the rows deleted are gaps, as after a notice).
    for (int i = int(keys->size()) - 1; i >= first; --i) {
        const std::unique_ptr<EngineQuery> value =
            m_db.query(QStringLiteral("SELECT ") + m_order->field + QStringLiteral(" FROM ") +
                           quoted(m_table) + QStringLiteral(" WHERE rowid = ?"),
                       {keys->at(i)});
        if (!value)
            return readFailure();
        if (value->next()) {
            m_order->lastValue = value->stored(0);
            m_order->lastRow = keys->at(i);
            m_order->begun = true;
            return true;
        }
        if (value->failed())
            return readFailure();
    }
    if (int(keys->size()) > first) {
        m_db.setError(QStringLiteral("Zapis je bil medtem izbrisan."));
        return readFailure();
    }
    return true;
}

// The next rows of the ordered query, up to `wanted`, after the last row
// read. The order is the field's, ties by row id, with Null before every
// value (ascending) or after (descending), as the field's index holds
// them; each part below is a range of that index.
bool Recordset::readSlice(QVector<qint64>* keys, int wanted) const {
    SliceOrder& o = *m_order;
    const QString dir = o.descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    const QString fieldOrder = o.field + dir + QStringLiteral(", rowid") + dir;
    const QString rowOrder = QStringLiteral("rowid") + dir;
    const QString afterRow =
        o.descending ? QStringLiteral(" AND rowid < ?") : QStringLiteral(" AND rowid > ?");
    auto rest = [&] { return wanted == AllRows ? AllRows : wanted - int(keys->size()); };
    if (!o.begun)
        return readOrdered(keys, {}, {}, fieldOrder, wanted);
    const QVariant value = o.lastValue;
    const qint64 row = o.lastRow;
    if (value.isNull()) {
        // The rest of the Nulls; ascending, the values after them.
        if (!readOrdered(keys, o.field + QStringLiteral(" IS NULL") + afterRow, {row}, rowOrder,
                         rest()))
            return false;
        if (!o.descending && rest() > 0)
            return readOrdered(keys, o.field + QStringLiteral(" IS NOT NULL"), {}, fieldOrder,
                               rest());
        return true;
    }
    // The rest of the rows with the last value, then the values beyond it;
    // descending, the Nulls last.
    if (!readOrdered(keys, o.field + QStringLiteral(" = ?") + afterRow, {value, row}, rowOrder,
                     rest()))
        return false;
    if (rest() > 0 &&
        !readOrdered(keys,
                     o.field + (o.descending ? QStringLiteral(" < ?") : QStringLiteral(" > ?")),
                     {value}, fieldOrder, rest()))
        return false;
    if (o.descending && rest() > 0)
        return readOrdered(keys, o.field + QStringLiteral(" IS NULL"), {}, rowOrder, rest());
    return true;
}

bool Recordset::readMoreRows() const {
    QElapsedTimer took;
    took.start();
    m_sliceRows = std::clamp(m_sliceRows, FewestRowsPerSlice, MostRowsPerSlice);
    const bool ok = appendRows(m_sliceRows);
    const qint64 ms = took.elapsed();
    if (ms < SliceMilliseconds / 2)
        m_sliceRows = std::min(m_sliceRows * 2, MostRowsPerSlice);
    else if (ms > SliceMilliseconds * 2)
        m_sliceRows = std::max(m_sliceRows / 2, FewestRowsPerSlice);
    return ok;
}

bool Recordset::readAllRows() const { return appendRows(AllRows); }

bool Recordset::appendRows(int wanted) const {
    if (!m_moreRows)
        return true;
    QVector<qint64> keys;
    const bool ok = readSlice(&keys, wanted);
    // A slice that is not full was the last one; after a failure nothing
    // more is read.
    m_moreRows = ok && wanted != AllRows && keys.size() == wanted;
    if (keys.isEmpty())
        return ok;
    const int first = m_keys.size();
    m_keys.append(keys);
    if (m_observer)
        m_observer->rowsAppended(first, m_keys.size() - 1);
    return ok;
}

// Reads on until the position is among the rows read, if there is such a
// row.
bool Recordset::haveRow(int position) const {
    while (position >= m_keys.size() && m_moreRows)
        if (!readMoreRows())
            break;
    return position < m_keys.size();
}

bool Recordset::readKeys(QVector<qint64>* keys) {
    if (m_order) {
        m_order->begun = false;
        if (readSlice(keys, AllRows))
            return true;
        keys->clear();
        return false;
    }
    QString sql = m_selectSql;
    if (m_kind == RecordsetKind::Table)
        sql = QStringLiteral("SELECT rowid FROM ") + quoted(m_table) + orderClause();
    const std::unique_ptr<EngineQuery> q = m_db.query(sql, m_params);
    if (!q)
        return readFailure();
    while (q->next())
        *keys << q->integer(0);
    if (q->failed()) {
        keys->clear();
        return readFailure();
    }
    return true;
}

// Reads the key set again; the values of the rows are read afresh when
// asked for. Rows that cannot be read leave the set empty.
bool Recordset::reload(Reload how) {
    QVector<qint64> keys;
    bool ok;
    if (how == Reload::Fresh && m_order) {
        m_order->begun = false;
        m_sliceRows = FirstRows;
        ok = readSlice(&keys, FirstRows);
        m_moreRows = ok && keys.size() == FirstRows;
        if (!ok)
            keys.clear();
    } else {
        ok = readKeys(&keys);
        m_moreRows = false;
    }
    m_cache.clear();
    if (how == Reload::Fresh)
        m_keys.assign(std::move(keys));
    else
        m_keys.replace(std::move(keys), how == Reload::AfterRollback);
    return ok;
}

qint64 Recordset::rowVersionAt(int position) const {
    if (!m_versioned || position < 0 || !haveRow(position))
        return 0;
    const QVariantList* row = rowAt(position);
    return row ? row->value(m_fieldNames.size()).toLongLong() : 0;
}

// Asked of the engine, not of the rows read: another workstation's change
// may not have been told yet.
bool Recordset::rowAsRead(qint64 bookmark, qint64 version) {
    m_conflict.reset();
    const auto deleted = [this] {
        m_conflict = Conflict{true, {}};
        m_db.setError(Messages::RowChangedMeanwhile.text.arg(Messages::RowDeletedBy));
        return false;
    };
    if (bookmark == 0)
        return deleted();
    if (!m_versioned) {
        const std::optional<bool> exists = rowExists(bookmark);
        return exists && (*exists || deleted());
    }
    QVariant stored;
    if (!m_db.queryValue(QStringLiteral("SELECT verzija FROM ") + quoted(m_table) +
                             QStringLiteral(" WHERE rowid = ?"),
                         {bookmark}, &stored)) {
        readFailure();
        return false;
    }
    if (!stored.isNull() && (version == 0 || stored.toLongLong() == version))
        return true;
    return refuseChanged(bookmark);
}

bool Recordset::requery() {
    const bool ok = m_kind == RecordsetKind::Snapshot ? loadSnapshot() : reload(Reload::Fresh);
    if (ok)
        m_readFailed = false;
    notifyReset();
    return ok;
}

} // namespace valmir
