#include "data/Recordset.h"

#include "data/Schema.h"

#include <QDate>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

#include <sqlite3.h>

namespace valmir {

namespace {

// Rows are read this many at a time when a list scrolls into them.
constexpr int FetchBlock = 128;
// Beyond this many cached rows the cache starts afresh.
constexpr int CacheLimit = 20000;

QString quoted(const QString& identifier) {
    QString s = identifier;
    s.replace(u'"', QStringLiteral("\"\""));
    return u'"' + s + u'"';
}

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

} // namespace

Recordset::Recordset(Database& db, RecordsetKind kind) : m_db(db), m_kind(kind) {
    m_db.attach(this);
}

Recordset::~Recordset() { m_db.detach(this); }

bool Recordset::overTable(const char* table) const {
    return m_kind != RecordsetKind::Snapshot && !m_tableUtf8.isEmpty() &&
           qstricmp(table, m_tableUtf8.constData()) == 0;
}

void Recordset::rowChangedInEngine(RowChange change, qint64 rowid) {
    m_cache.remove(rowid);
    if (m_ownWrite)
        return; // the record set places its own rows
    switch (change) {
    case RowChange::Deleted:
        m_goneRows.insert(rowid);
        break;
    case RowChange::Added:
        // A table record set shows every row of its table; a dynaset only
        // the rows of its query, read when it runs.
        if (m_kind == RecordsetKind::Table)
            m_addedRows << rowid;
        break;
    case RowChange::Updated:
        if (m_observer)
            m_changedRows << rowid;
        break;
    }
}

void Recordset::flushEngineChanges() {
    if (!m_goneRows.isEmpty())
        dropGoneRows(std::exchange(m_goneRows, {}));
    if (!m_addedRows.isEmpty())
        takeInAddedRows(std::exchange(m_addedRows, {}));
    if (m_changedRows.isEmpty())
        return;
    const QList<qint64> rows = std::exchange(m_changedRows, {});
    if (!m_observer)
        return;
    for (qint64 row : rows) {
        int p = positionOf(row);
        if (p >= 0)
            m_observer->rowChanged(p);
    }
}

// Rows deleted by a statement leave the key set in one pass, however many
// they are; the current row stays, or the gap of a deleted current row.
void Recordset::dropGoneRows(const QSet<qint64>& gone) {
    QVector<qint64> kept;
    kept.reserve(m_keys.size());
    QList<int> removed;
    int pos = m_pos;
    bool onGap = m_onGap;
    for (int i = 0; i < m_keys.size(); ++i) {
        if (!gone.contains(m_keys.at(i))) {
            kept << m_keys.at(i);
            continue;
        }
        removed << i;
        if (i < m_pos)
            --pos;
        else if (i == m_pos && !m_onGap)
            onGap = true;
    }
    if (removed.isEmpty())
        return;
    m_keys = std::move(kept);
    m_positionOf.clear();
    m_pos = pos;
    m_onGap = onGap;
    if (!m_observer)
        return;
    // A list counts its rows one change at a time; several rows gone at
    // once are a reset to it.
    if (removed.size() > 1)
        notifyReset();
    else
        m_observer->rowRemoved(removed.first());
}

void Recordset::takeInAddedRows(const QList<qint64>& added) {
    if (added.size() > 64) {
        // Many rows: reading the key set again is quicker than placing each.
        const bool current = !m_onGap && m_pos >= 0 && m_pos < m_keys.size();
        const qint64 key = current ? m_keys.at(m_pos) : 0;
        const bool atEnd = m_pos >= m_keys.size();
        loadKeyset();
        const int p = current ? positionOf(key) : -1;
        m_pos = p >= 0 ? p : (atEnd ? m_keys.size() : 0);
        notifyReset();
        return;
    }
    for (qint64 row : added)
        if (rowExists(row))
            placeInOrder(row, true);
}

void Recordset::resyncAfterRollback() {
    if (m_kind == RecordsetKind::Snapshot)
        return;
    m_changedRows.clear();
    m_goneRows.clear();
    m_addedRows.clear();
    const bool current = !m_onGap && m_pos >= 0 && m_pos < m_keys.size();
    const qint64 key = current ? m_keys.at(m_pos) : 0;
    const int oldPos = m_pos;
    if (!loadKeyset()) {
        m_keys.clear();
        m_cache.clear();
        m_positionOf.clear();
    }
    const int p = current ? positionOf(key) : -1;
    m_pos = p >= 0 ? p : std::clamp<int>(oldPos, 0, m_keys.size());
    notifyReset();
}

bool Recordset::init(const QString& source, const QVariantList& params) {
    m_params = params;
    static const QRegularExpression tableName(QStringLiteral(R"(^\s*(\w+)\s*$)"));
    static const QRegularExpression selectStar(
        QStringLiteral(R"(^\s*SELECT\s+\*\s+FROM\s+(\w+)\b(.*)$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);

    QString rest;
    if (auto m = tableName.match(source); m.hasMatch()) {
        m_table = m.captured(1);
        m_tableUtf8 = m_table.toUtf8();
    } else if (auto s = selectStar.match(source); s.hasMatch()) {
        m_table = s.captured(1);
        m_tableUtf8 = m_table.toUtf8();
        rest = s.captured(2);
        if (m_kind == RecordsetKind::Table) {
            m_db.setError(QStringLiteral("Tabelarni zapis mora biti nad tabelo."));
            return false;
        }
    } else if (m_kind == RecordsetKind::Snapshot) {
        m_selectSql = source;
        return loadSnapshot();
    } else {
        m_db.setError(QStringLiteral("Zapisa ni mogoče urejati: ") + source);
        return false;
    }

    // Field names and kinds come from the table itself.
    {
        Statement st;
        st.stmt = m_db.prepare(QStringLiteral("SELECT * FROM ") + quoted(m_table) +
                               QStringLiteral(" LIMIT 0"));
        if (!st.stmt || !loadFieldInfo(st.stmt, 0))
            return false;
    }
    if (m_kind == RecordsetKind::Snapshot) {
        m_selectSql = QStringLiteral("SELECT * FROM ") + quoted(m_table) + rest;
        return loadSnapshot();
    }
    m_selectSql = QStringLiteral("SELECT rowid FROM ") + quoted(m_table) + rest;
    return loadKeyset();
}

bool Recordset::loadFieldInfo(sqlite3_stmt* stmt, int firstColumn) {
    m_fieldNames.clear();
    m_fieldTypes.clear();
    m_fieldByName.clear();
    int n = sqlite3_column_count(stmt);
    for (int i = firstColumn; i < n; ++i) {
        QString name = QString::fromUtf8(sqlite3_column_name(stmt, i));
        const char* decl = sqlite3_column_decltype(stmt, i);
        QString type = decl ? QString::fromUtf8(decl).toUpper() : QString();
        FieldType ft = FieldType::Other;
        if (type == u"DATE")
            ft = FieldType::Date;
        else if (type == u"BOOLEAN")
            ft = FieldType::YesNo;
        m_fieldByName.insert(name.toLower(), m_fieldNames.size());
        m_fieldNames << name;
        m_fieldTypes << ft;
    }
    return true;
}

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

bool Recordset::loadSnapshot() {
    Statement st;
    st.stmt = m_db.prepare(m_selectSql);
    if (!st.stmt || !m_db.bindAll(st.stmt, m_params))
        return false;
    loadFieldInfo(st.stmt, 0);
    m_rows.clear();
    int rc;
    while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW) {
        QVariantList row;
        row.reserve(m_fieldNames.size());
        for (int i = 0; i < m_fieldNames.size(); ++i)
            row << readColumn(st.stmt, i, m_fieldTypes.at(i));
        m_rows << row;
    }
    if (rc != SQLITE_DONE) {
        m_db.setEngineError();
        return false;
    }
    m_pos = m_rows.isEmpty() ? 0 : 0;
    return true;
}

QString Recordset::orderClause() const {
    QStringList cols;
    for (const QString& c : m_indexColumns)
        cols << quoted(c);
    cols << QStringLiteral("rowid");
    return QStringLiteral(" ORDER BY ") + cols.join(QStringLiteral(", "));
}

bool Recordset::loadKeyset() {
    QString sql = m_selectSql;
    if (m_kind == RecordsetKind::Table)
        sql = QStringLiteral("SELECT rowid FROM ") + quoted(m_table) + orderClause();
    Statement st;
    st.stmt = m_db.prepare(sql);
    if (!st.stmt || !m_db.bindAll(st.stmt, m_params))
        return false;
    QVector<qint64> keys;
    int rc;
    while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW)
        keys << sqlite3_column_int64(st.stmt, 0);
    if (rc != SQLITE_DONE) {
        m_db.setEngineError();
        return false;
    }
    m_keys = std::move(keys);
    m_cache.clear();
    m_positionOf.clear();
    m_pos = 0;
    m_onGap = false;
    return true;
}

bool Recordset::requery() {
    bool ok = (m_kind == RecordsetKind::Snapshot) ? loadSnapshot() : loadKeyset();
    notifyReset();
    return ok;
}

void Recordset::notifyReset() {
    if (m_observer)
        m_observer->recordsetReset();
}

int Recordset::recordCount() const {
    return m_kind == RecordsetKind::Snapshot ? m_rows.size() : m_keys.size();
}

bool Recordset::eof() const { return m_pos >= recordCount() || recordCount() == 0; }
bool Recordset::bof() const { return m_pos < 0 || recordCount() == 0; }

void Recordset::moveFirst() {
    m_onGap = false;
    m_pos = 0;
}

void Recordset::moveNext() {
    if (m_onGap)
        m_onGap = false; // the row after the deleted one already stands here
    else if (m_pos < recordCount())
        ++m_pos;
}

void Recordset::movePrevious() {
    m_onGap = false;
    if (m_pos >= 0)
        --m_pos;
}

void Recordset::moveLast() {
    m_onGap = false;
    m_pos = recordCount() - 1;
    if (m_pos < 0)
        m_pos = 0;
}

bool Recordset::moveTo(int position) {
    if (position < 0 || position >= recordCount())
        return false;
    m_onGap = false;
    m_pos = position;
    return true;
}

int Recordset::fieldIndex(const QString& name) const {
    return m_fieldByName.value(name.toLower(), -1);
}

void Recordset::fetchBlock(int position) const {
    if (m_cache.size() > CacheLimit)
        m_cache.clear();
    int end = std::min<int>(m_keys.size(), position + FetchBlock);
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
    if (!st.stmt || !m_db.bindAll(st.stmt, ids))
        return;
    while (sqlite3_step(st.stmt) == SQLITE_ROW) {
        qint64 id = sqlite3_column_int64(st.stmt, 0);
        QVariantList row;
        row.reserve(m_fieldNames.size());
        for (int i = 0; i < m_fieldNames.size(); ++i)
            row << readColumn(st.stmt, i + 1, m_fieldTypes.at(i));
        m_cache.insert(id, row);
    }
}

const QVariantList* Recordset::rowAt(int position) const {
    if (position < 0 || position >= recordCount())
        return nullptr;
    if (m_kind == RecordsetKind::Snapshot)
        return &m_rows.at(position);
    qint64 id = m_keys.at(position);
    auto it = m_cache.constFind(id);
    if (it == m_cache.constEnd()) {
        fetchBlock(position);
        it = m_cache.constFind(id);
        if (it == m_cache.constEnd())
            return nullptr; // deleted behind our back
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
    if (m_onGap)
        return {};
    return value(m_pos, name);
}

bool Recordset::addNew() {
    if (!updatable()) {
        m_db.setError(QStringLiteral("Zapis je samo za branje."));
        return false;
    }
    m_editMode = EditMode::Add;
    m_buffer.clear();
    return true;
}

bool Recordset::edit() {
    if (!updatable()) {
        m_db.setError(QStringLiteral("Zapis je samo za branje."));
        return false;
    }
    if (m_onGap || eof() || bof()) {
        m_db.setError(QStringLiteral("Ni trenutnega zapisa."));
        return false;
    }
    if (!rowExists(m_keys.at(m_pos))) {
        m_db.setError(QStringLiteral("Zapis je bil medtem izbrisan."));
        return false;
    }
    m_editMode = EditMode::Edit;
    m_editRow = m_keys.at(m_pos);
    m_buffer.clear();
    return true;
}

bool Recordset::rowExists(qint64 row) const {
    return !m_db.scalar(QStringLiteral("SELECT 1 FROM ") + quoted(m_table) +
                            QStringLiteral(" WHERE rowid = ?"),
                        {row})
                .isNull();
}

void Recordset::setField(const QString& name, const QVariant& value) {
    if (m_editMode == EditMode::None)
        return;
    m_buffer.insert(name.toLower(), value);
}

void Recordset::cancelUpdate() {
    m_editMode = EditMode::None;
    m_buffer.clear();
}

bool Recordset::update() {
    if (m_editMode == EditMode::None) {
        m_db.setError(QStringLiteral("Zapis ni v urejanju."));
        return false;
    }
    QStringList cols;
    QVariantList values;
    for (auto it = m_buffer.constBegin(); it != m_buffer.constEnd(); ++it) {
        int idx = fieldIndex(it.key());
        if (idx < 0) {
            m_db.setError(QStringLiteral("Polje ne obstaja: ") + it.key());
            return false;
        }
        cols << quoted(m_fieldNames.at(idx));
        values << it.value();
    }
    const bool adding = m_editMode == EditMode::Add;
    qint64 row = 0;
    m_ownWrite = true;
    if (adding) {
        QString sql;
        if (cols.isEmpty()) {
            sql = QStringLiteral("INSERT INTO ") + quoted(m_table) +
                  QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList marks(cols.size(), QStringLiteral("?"));
            sql = QStringLiteral("INSERT INTO ") + quoted(m_table) + QStringLiteral(" (") +
                  cols.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                  marks.join(QStringLiteral(", ")) + QStringLiteral(")");
        }
        const bool ok = m_db.execute(sql, values);
        m_ownWrite = false;
        if (!ok)
            return false;
        row = sqlite3_last_insert_rowid(m_db.handle());
    } else {
        row = m_editRow;
        bool ok = true;
        if (!cols.isEmpty()) {
            QStringList sets;
            for (const QString& c : cols)
                sets << c + QStringLiteral(" = ?");
            values << row;
            ok = m_db.execute(QStringLiteral("UPDATE ") + quoted(m_table) +
                                  QStringLiteral(" SET ") + sets.join(QStringLiteral(", ")) +
                                  QStringLiteral(" WHERE rowid = ?"),
                              values);
            // A row deleted since edit() takes no update; that is no success.
            if (ok && m_db.changes() == 0) {
                m_db.setError(QStringLiteral("Zapis je bil medtem izbrisan."));
                ok = false;
            }
        }
        m_ownWrite = false;
        if (!ok)
            return false;
    }
    bool keyChanged = adding;
    for (const QString& c : m_indexColumns)
        keyChanged = keyChanged || m_buffer.contains(c.toLower());
    if (m_kind == RecordsetKind::Table && m_indexColumns.isEmpty() && !adding)
        keyChanged = false; // ordered by row id, which an edit keeps
    m_editMode = EditMode::None;
    m_buffer.clear();
    m_lastModified = row;
    m_cache.remove(row);

    if (m_kind == RecordsetKind::Table && keyChanged) {
        placeInOrder(row, adding);
    } else if (adding) {
        // A dynaset shows rows added through it at its end.
        m_keys << row;
        if (!m_positionOf.isEmpty())
            m_positionOf.insert(row, m_keys.size() - 1);
        if (m_observer)
            m_observer->rowInserted(m_keys.size() - 1);
    } else if (m_observer) {
        int p = positionOf(row);
        if (p >= 0)
            m_observer->rowChanged(p);
    }
    return true;
}

// A table record set keeps its index order: the written row goes to its
// place in the key set, and the current row (or the gap a delete left)
// stays what it was.
void Recordset::placeInOrder(qint64 row, bool added) {
    const bool inRange = m_pos >= 0 && m_pos < m_keys.size();
    const qint64 anchor = inRange ? m_keys.at(m_pos) : 0;
    const bool atEnd = m_pos >= m_keys.size();
    if (!added) {
        const int old = m_keys.indexOf(row);
        if (old >= 0)
            m_keys.remove(old);
    }
    const int at = insertionPoint(row);
    m_keys.insert(at, row);
    m_positionOf.clear();
    if (atEnd)
        m_pos = m_keys.size();
    else if (inRange)
        m_pos = positionOf(anchor);
    if (m_observer) {
        if (added)
            m_observer->rowInserted(at);
        else
            notifyReset();
    }
}

int Recordset::insertionPoint(qint64 row) const {
    if (m_indexColumns.isEmpty())
        return int(std::lower_bound(m_keys.begin(), m_keys.end(), row) - m_keys.begin());
    int lo = 0;
    int hi = m_keys.size();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (sortsBefore(m_keys.at(mid), row))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// Whether row a comes before row b in the index order; the engine compares,
// so that its collation and its place for Null decide as in the key set.
bool Recordset::sortsBefore(qint64 a, qint64 b) const {
    QVariant first = m_db.scalar(QStringLiteral("SELECT rowid FROM ") + quoted(m_table) +
                                     QStringLiteral(" WHERE rowid IN (?, ?)") + orderClause() +
                                     QStringLiteral(" LIMIT 1"),
                                 {a, b});
    return first.toLongLong() == a;
}

bool Recordset::deleteCurrent() {
    if (!updatable()) {
        m_db.setError(QStringLiteral("Zapis je samo za branje."));
        return false;
    }
    if (m_onGap || eof() || bof()) {
        m_db.setError(QStringLiteral("Ni trenutnega zapisa."));
        return false;
    }
    qint64 row = m_keys.at(m_pos);
    m_ownWrite = true;
    const bool ok = m_db.execute(QStringLiteral("DELETE FROM ") + quoted(m_table) +
                                     QStringLiteral(" WHERE rowid = ?"),
                                 {row});
    m_ownWrite = false;
    if (!ok)
        return false;
    int p = m_pos;
    m_keys.remove(p);
    m_cache.remove(row);
    m_positionOf.clear();
    m_onGap = true;
    if (m_observer)
        m_observer->rowRemoved(p);
    return true;
}

bool Recordset::setValueAt(int position, const QString& name, const QVariant& value) {
    if (!moveTo(position) || !edit())
        return false;
    setField(name, value);
    return update();
}

qint64 Recordset::bookmark() const { return bookmarkAt(m_pos); }

qint64 Recordset::bookmarkAt(int position) const {
    if (m_kind == RecordsetKind::Snapshot || position < 0 || position >= m_keys.size())
        return 0;
    return m_keys.at(position);
}

int Recordset::positionOf(qint64 bookmark) const {
    if (m_kind == RecordsetKind::Snapshot)
        return -1;
    if (m_positionOf.isEmpty() && !m_keys.isEmpty()) {
        m_positionOf.reserve(m_keys.size());
        for (int i = 0; i < m_keys.size(); ++i)
            m_positionOf.insert(m_keys.at(i), i);
    }
    return m_positionOf.value(bookmark, -1);
}

bool Recordset::moveToBookmark(qint64 bookmark) {
    int p = positionOf(bookmark);
    if (p < 0)
        return false;
    return moveTo(p);
}

bool Recordset::setIndex(const QString& indexName) {
    if (m_kind != RecordsetKind::Table) {
        m_db.setError(QStringLiteral("Indeks je mogoč le na tabeli."));
        return false;
    }
    QStringList cols = Schema::indexColumns(m_table, indexName);
    if (cols.isEmpty()) {
        m_db.setError(QStringLiteral("Indeks ne obstaja: ") + indexName);
        return false;
    }
    m_indexName = indexName;
    m_indexColumns = cols;
    bool ok = loadKeyset();
    notifyReset();
    return ok;
}

bool Recordset::seek(const QString& op, const QVariantList& keys) {
    m_noMatch = true;
    if (m_kind != RecordsetKind::Table || m_indexColumns.isEmpty() || keys.isEmpty() ||
        keys.size() > m_indexColumns.size()) {
        m_db.setError(QStringLiteral("Iskanje potrebuje tabelo z indeksom."));
        return false;
    }
    // Compare the leading columns of the index with the keys: all equal for
    // "=", lexicographically not smaller for ">=".
    QString where;
    QVariantList params;
    const int n = keys.size();
    if (op == u"=") {
        QStringList parts;
        for (int i = 0; i < n; ++i) {
            parts << quoted(m_indexColumns.at(i)) + QStringLiteral(" = ?");
            params << keys.at(i);
        }
        where = parts.join(QStringLiteral(" AND "));
    } else if (op == u">=") {
        QStringList alternatives;
        for (int i = 0; i < n; ++i) {
            QStringList parts;
            for (int j = 0; j < i; ++j) {
                parts << quoted(m_indexColumns.at(j)) + QStringLiteral(" = ?");
                params << keys.at(j);
            }
            parts << quoted(m_indexColumns.at(i)) +
                         (i == n - 1 ? QStringLiteral(" >= ?") : QStringLiteral(" > ?"));
            params << keys.at(i);
            alternatives << u'(' + parts.join(QStringLiteral(" AND ")) + u')';
        }
        where = alternatives.join(QStringLiteral(" OR "));
    } else {
        m_db.setError(QStringLiteral("Neznana primerjava: ") + op);
        return false;
    }
    QVariant id = m_db.scalar(QStringLiteral("SELECT rowid FROM ") + quoted(m_table) +
                                  QStringLiteral(" WHERE ") + where + orderClause() +
                                  QStringLiteral(" LIMIT 1"),
                              params);
    if (id.isNull())
        return true;
    int p = positionOf(id.toLongLong());
    if (p < 0)
        return true; // added behind this record set's back
    m_noMatch = false;
    moveTo(p);
    return true;
}

} // namespace valmir
