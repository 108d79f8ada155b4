// The values of the rows: a snapshot's read all at once, a key set's in
// blocks into a cache as they are asked for.

#include "data/RecordsetShared.h"

#include <QDate>

#include <algorithm>
#include <numeric>
#include <utility>

namespace valmir {

using namespace recordset;

QVariant Recordset::readColumn(sqlite3_stmt* stmt, int column, FieldType type) const {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER: {
        qlonglong v = sqlite3_column_int64(stmt, column);
        if (type == FieldType::YesNo)
            return v != 0;
        return v;
    }
    case SQLITE_FLOAT: {
        double v = sqlite3_column_double(stmt, column);
        if (type == FieldType::YesNo)
            return v != 0;
        return v;
    }
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                          sqlite3_column_bytes(stmt, column));
    default: {
        QString text =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                              sqlite3_column_bytes(stmt, column));
        if (type == FieldType::Date) {
            QDate d = QDate::fromString(text, Qt::ISODate);
            if (d.isValid())
                return d;
        }
        return text;
    }
    }
}

bool Recordset::readFailure() const {
    m_readFailed = true;
    return false;
}

bool Recordset::loadSnapshot() {
    m_rows.clear();
    m_keys.assign({});
    Statement st;
    st.stmt = m_db.prepare(m_selectSql);
    if (!st.stmt || !m_db.bindAll(st.stmt, m_params))
        return readFailure();
    loadFieldInfo(st.stmt);
    QVector<QVariantList> rows;
    int rc;
    while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW) {
        QVariantList row;
        row.reserve(m_fieldNames.size());
        for (int i = 0; i < m_fieldNames.size(); ++i)
            row << readColumn(st.stmt, i, m_fieldTypes.at(i));
        rows << row;
    }
    if (rc != SQLITE_DONE) {
        m_db.setEngineError();
        return readFailure();
    }
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
    Statement st;
    st.stmt =
        m_db.prepare(QStringLiteral("SELECT rowid, * FROM ") + quoted(m_table) +
                     QStringLiteral(" WHERE rowid IN (") + marks.join(u',') + QStringLiteral(")"));
    if (!st.stmt || !m_db.bindAll(st.stmt, ids)) {
        readFailure();
        return;
    }
    int rc;
    while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW) {
        qint64 id = sqlite3_column_int64(st.stmt, 0);
        QVariantList row;
        row.reserve(m_fieldNames.size());
        for (int i = 0; i < m_fieldNames.size(); ++i)
            row << readColumn(st.stmt, i + 1, m_fieldTypes.at(i));
        m_cache.insert(id, row);
    }
    if (rc != SQLITE_DONE) {
        m_db.setEngineError();
        readFailure();
    }
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

QVariant Recordset::value(int position, int column) const {
    const QVariantList* row = rowAt(position);
    if (!row || column < 0 || column >= row->size())
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
