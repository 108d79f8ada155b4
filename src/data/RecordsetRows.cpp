// The values of the rows: a snapshot's read all at once, a key set's in
// blocks into a cache as they are asked for.

#include "data/RecordsetShared.h"

#include <QDate>

#include <algorithm>
#include <numeric>
#include <utility>

namespace valmir {

using namespace recordset;

bool Recordset::readFailure() const {
    m_readFailed = true;
    return false;
}

bool Recordset::loadSnapshot() {
    m_rows.clear();
    m_keys.assign({});
    const std::unique_ptr<EngineQuery> q = m_db.query(m_selectSql, m_params);
    if (!q)
        return readFailure();
    // A query's own columns; over a table, the table's fields as read.
    if (m_table.isEmpty())
        loadFieldInfo(*q);
    QVector<QVariantList> rows;
    while (q->next()) {
        QVariantList row;
        row.reserve(m_fieldNames.size());
        for (int i = 0; i < m_fieldNames.size(); ++i)
            row << q->field(i, m_fieldTypes.at(i));
        rows << row;
    }
    if (q->failed())
        return readFailure();
    m_rows = std::move(rows);
    QVector<qint64> numbers(m_rows.size());
    std::iota(numbers.begin(), numbers.end(), 0);
    m_keys.assign(std::move(numbers));
    return true;
}

void Recordset::fetchBlock(int position) const {
    if (m_cache.size() > CacheLimit)
        m_cache.clear();
    const int end = std::min<int>(m_keys.size(), position + FetchBlock);
    QStringList marks;
    QVariantList ids;
    for (int p = position; p < end; ++p) {
        if (m_cache.contains(m_keys.at(p)))
            continue;
        marks << QStringLiteral("?");
        ids << m_keys.at(p);
    }
    if (ids.isEmpty())
        return;
    // A row's version comes after its fields.
    const std::unique_ptr<EngineQuery> q =
        m_db.query(QStringLiteral("SELECT rowid, ") + m_columns +
                       (m_versioned ? QStringLiteral(", verzija") : QString()) +
                       QStringLiteral(" FROM ") + quoted(m_table) +
                       QStringLiteral(" WHERE rowid IN (") + marks.join(u',') + QStringLiteral(")"),
                   ids);
    if (!q) {
        readFailure();
        return;
    }
    while (q->next()) {
        const qint64 id = q->integer(0);
        QVariantList row;
        row.reserve(m_fieldNames.size());
        for (int i = 0; i < m_fieldNames.size(); ++i)
            row << q->field(i + 1, m_fieldTypes.at(i));
        if (m_versioned)
            row << q->integer(int(m_fieldNames.size()) + 1);
        m_cache.insert(id, row);
    }
    if (q->failed())
        readFailure();
}

const QVariantList* Recordset::rowAt(int position) const {
    if (position < 0 || !haveRow(position))
        return nullptr;
    if (m_kind == RecordsetKind::Snapshot)
        return &m_rows.at(position);
    qint64 id = m_keys.at(position);
    auto it = m_cache.constFind(id);
    if (it == m_cache.constEnd()) {
        fetchBlock(position);
        it = m_cache.constFind(id);
        if (it == m_cache.constEnd())
            return nullptr; // not read, or deleted behind our back
    }
    return &it.value();
}

qint64 Recordset::rowVersion() const {
    if (!m_versioned || !m_keys.onRow())
        return 0;
    const QVariantList* row = rowAt(m_keys.position());
    return row ? row->value(m_fieldNames.size()).toLongLong() : 0;
}

QVariant Recordset::value(int position, int column) const {
    const QVariantList* row = rowAt(position);
    if (!row || column < 0 || column >= m_fieldNames.size() || column >= row->size())
        return {};
    return row->at(column);
}

QVariant Recordset::value(int position, const QString& name) const {
    return value(position, fieldIndex(name));
}

QVariant Recordset::field(const QString& name) const {
    if (m_editMode != EditMode::None) {
        auto it = m_buffer.constFind(name.toLower());
        if (it != m_buffer.constEnd())
            return it.value();
        if (m_editMode == EditMode::Add)
            return {};
    }
    if (m_keys.onGap())
        return {};
    return value(m_keys.position(), name);
}

} // namespace valmir
