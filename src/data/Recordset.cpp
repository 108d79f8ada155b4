#include "data/Recordset.h"

#include "data/Schema.h"
#include "text/TextForms.h"

#include <QDate>
#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <numeric>
#include <utility>

#include <sqlite3.h>

namespace valmir {

namespace {

// Rows are read this many at a time when a list scrolls into them.
constexpr int FetchBlock = 128;
// Beyond this many cached rows the cache starts afresh.
constexpr int CacheLimit = 20000;
// Beyond this many rows added by one statement, reading the key set again
// is quicker than placing each row.
constexpr int PlaceOneByOne = 64;
// The rows of an ordered dynaset read when it opens: more than a screen
// shows, and all the rows of the program's smaller lists.
constexpr int FirstRows = 1024;
// The rows of each later slice: a few milliseconds of reading.
constexpr int RowsPerSlice = 16384;
// A LIMIT that is no limit.
constexpr int AllRows = std::numeric_limits<int>::max();

// A field's value as the engine holds it, to be bound again as it was.
QVariant storedValue(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, column);
    case SQLITE_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                                 sqlite3_column_bytes(stmt, column));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                          sqlite3_column_bytes(stmt, column));
    default:
        return {};
    }
}

QString quoted(const QString& identifier) {
    QString s = identifier;
    s.replace(u'"', QStringLiteral("\"\""));
    return u'"' + s + u'"';
}

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

// The kind of a field by the declared type of its column. Numbers go by
// the words the engine itself reads a numeric column from.
Recordset::FieldType fieldTypeOf(const char* declared) {
    const QString type = QString::fromUtf8(declared).toUpper();
    if (type == u"DATE")
        return Recordset::FieldType::Date;
    if (type == u"BOOLEAN")
        return Recordset::FieldType::YesNo;
    for (const char* word : {"INT", "REAL", "FLOA", "DOUB", "NUM", "DEC"})
        if (type.contains(QLatin1String(word)))
            return Recordset::FieldType::Number;
    return Recordset::FieldType::Other;
}

} // namespace

std::optional<QVariant> numberFieldValue(const QString& text) {
    if (text.trimmed().isEmpty())
        return QVariant();
    if (const std::optional<double> n = readNumber(text))
        return QVariant(*n);
    return std::nullopt;
}

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
    const QList<int> removed = m_keys.remove(gone);
    if (removed.isEmpty() || !m_observer)
        return;
    // A list counts its rows one change at a time; several rows gone at
    // once are a reset to it.
    if (removed.size() > 1)
        notifyReset();
    else
        m_observer->rowRemoved(removed.first());
}

void Recordset::takeInAddedRows(const QList<qint64>& added) {
    if (added.size() > PlaceOneByOne) {
        reload(Reload::AfterAdding);
        notifyReset();
        return;
    }
    for (qint64 row : added)
        if (rowExists(row).value_or(false))
            placeInOrder(row, true);
}

void Recordset::resyncAfterRollback() {
    if (m_kind == RecordsetKind::Snapshot)
        return; // a copy, which no write changed
    m_changedRows.clear();
    m_goneRows.clear();
    m_addedRows.clear();
    reload(Reload::AfterRollback);
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
        if (!st.stmt)
            return false;
        loadFieldInfo(st.stmt);
    }
    if (m_kind == RecordsetKind::Snapshot) {
        m_selectSql = QStringLiteral("SELECT * FROM ") + quoted(m_table) + rest;
        return loadSnapshot();
    }
    m_selectSql = QStringLiteral("SELECT rowid FROM ") + quoted(m_table) + rest;
    // An order by one field of the table can be read in slices.
    static const QRegularExpression orderedBy(
        QStringLiteral(R"(^\s*(?:WHERE\s+(.*?))?\s*ORDER\s+BY\s+(\w+)(?:\s+(ASC|DESC))?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    if (auto o = orderedBy.match(rest); o.hasMatch() && fieldIndex(o.captured(2)) >= 0) {
        SliceOrder order;
        order.field = quoted(m_fieldNames.at(fieldIndex(o.captured(2))));
        order.descending = o.captured(3).compare(u"DESC", Qt::CaseInsensitive) == 0;
        order.where = o.captured(1).trimmed();
        m_order = order;
    }
    return reload(Reload::Fresh);
}

void Recordset::loadFieldInfo(sqlite3_stmt* stmt) {
    m_fieldNames.clear();
    m_fieldTypes.clear();
    m_fieldByName.clear();
    const int n = sqlite3_column_count(stmt);
    for (int i = 0; i < n; ++i) {
        const QString name = QString::fromUtf8(sqlite3_column_name(stmt, i));
        m_fieldByName.insert(name.toLower(), m_fieldNames.size());
        m_fieldNames << name;
        m_fieldTypes << fieldTypeOf(sqlite3_column_decltype(stmt, i));
    }
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

QString Recordset::orderClause() const {
    QStringList cols;
    for (const QString& c : m_indexColumns)
        cols << quoted(c);
    cols << QStringLiteral("rowid");
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
    Statement st;
    st.stmt = m_db.prepare(sql);
    if (!st.stmt || !m_db.bindAll(st.stmt, m_params + values + QVariantList{limit}))
        return readFailure();
    int rc;
    qint64 last = 0;
    bool any = false;
    while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW) {
        last = sqlite3_column_int64(st.stmt, 0);
        *keys << last;
        any = true;
    }
    if (rc != SQLITE_DONE) {
        m_db.setEngineError();
        return readFailure();
    }
    if (any) {
        // The value of the last row only, read again by its row id: cheaper
        // than taking every row's value out of the ordered statement.
        Statement value;
        value.stmt =
            m_db.prepare(QStringLiteral("SELECT ") + m_order->field + QStringLiteral(" FROM ") +
                         quoted(m_table) + QStringLiteral(" WHERE rowid = ?"));
        if (!value.stmt || !m_db.bindAll(value.stmt, {last}))
            return readFailure();
        rc = sqlite3_step(value.stmt);
        if (rc != SQLITE_ROW) {
            m_db.setEngineError();
            return readFailure();
        }
        m_order->lastValue = storedValue(value.stmt, 0);
        m_order->lastRow = last;
        m_order->begun = true;
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

bool Recordset::readMoreRows() const { return appendRows(RowsPerSlice); }

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
    Statement st;
    st.stmt = m_db.prepare(sql);
    if (!st.stmt || !m_db.bindAll(st.stmt, m_params))
        return readFailure();
    int rc;
    while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW)
        *keys << sqlite3_column_int64(st.stmt, 0);
    if (rc != SQLITE_DONE) {
        m_db.setEngineError();
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

bool Recordset::requery() {
    const bool ok = m_kind == RecordsetKind::Snapshot ? loadSnapshot() : reload(Reload::Fresh);
    if (ok)
        m_readFailed = false;
    notifyReset();
    return ok;
}

void Recordset::notifyReset() {
    if (m_observer)
        m_observer->recordsetReset();
}

int Recordset::recordCount() const {
    readAllRows();
    return m_keys.size();
}

bool Recordset::eof() const {
    haveRow(m_keys.position());
    return m_keys.eof();
}

bool Recordset::bof() const {
    haveRow(0);
    return m_keys.bof();
}

void Recordset::moveFirst() { m_keys.moveFirst(); }

void Recordset::moveNext() {
    if (!m_keys.onGap())
        haveRow(m_keys.position() + 1);
    m_keys.moveNext();
}

void Recordset::movePrevious() { m_keys.movePrevious(); }

void Recordset::moveLast() {
    readAllRows();
    m_keys.moveLast();
}

bool Recordset::moveTo(int position) {
    haveRow(position);
    return m_keys.moveTo(position);
}

int Recordset::fieldIndex(const QString& name) const {
    return m_fieldByName.value(name.toLower(), -1);
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
    if (!m_keys.onRow()) {
        m_db.setError(QStringLiteral("Ni trenutnega zapisa."));
        return false;
    }
    const qint64 row = m_keys.at(m_keys.position());
    const std::optional<bool> exists = rowExists(row);
    if (!exists)
        return false;
    if (!*exists) {
        m_db.setError(QStringLiteral("Zapis je bil medtem izbrisan."));
        return false;
    }
    m_editMode = EditMode::Edit;
    m_editRow = row;
    m_buffer.clear();
    return true;
}

// Nothing when the engine could not tell.
std::optional<bool> Recordset::rowExists(qint64 row) const {
    QVariant found;
    if (!m_db.queryValue(QStringLiteral("SELECT 1 FROM ") + quoted(m_table) +
                             QStringLiteral(" WHERE rowid = ?"),
                         {row}, &found)) {
        readFailure();
        return std::nullopt;
    }
    return !found.isNull();
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
        QVariant value = it.value();
        // Text in a number field would count as 0 wherever it is priced.
        if (m_fieldTypes.at(idx) == FieldType::Number && value.typeId() == QMetaType::QString) {
            const std::optional<QVariant> number = numberFieldValue(value.toString());
            if (!number) {
                m_db.setError(QStringLiteral("»%1« ni število (polje %2).")
                                  .arg(value.toString(), m_fieldNames.at(idx)));
                return false;
            }
            value = *number;
        }
        cols << quoted(m_fieldNames.at(idx));
        values << value;
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
        m_keys.append(row);
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
    const int at =
        m_indexColumns.isEmpty()
            ? m_keys.placeInOrder(row, [](qint64 a, qint64 b) { return a < b; })
            : m_keys.placeInOrder(row, [this](qint64 a, qint64 b) { return sortsBefore(a, b); });
    if (!m_observer)
        return;
    if (added)
        m_observer->rowInserted(at);
    else
        notifyReset();
}

// Whether row a comes before row b in the index order; the engine compares,
// so that its collation and its place for Null decide as in the key set.
bool Recordset::sortsBefore(qint64 a, qint64 b) const {
    QVariant first;
    if (!m_db.queryValue(QStringLiteral("SELECT rowid FROM ") + quoted(m_table) +
                             QStringLiteral(" WHERE rowid IN (?, ?)") + orderClause() +
                             QStringLiteral(" LIMIT 1"),
                         {a, b}, &first))
        readFailure();
    return first.toLongLong() == a;
}

bool Recordset::deleteCurrent() {
    if (!updatable()) {
        m_db.setError(QStringLiteral("Zapis je samo za branje."));
        return false;
    }
    if (!m_keys.onRow()) {
        m_db.setError(QStringLiteral("Ni trenutnega zapisa."));
        return false;
    }
    const int p = m_keys.position();
    const qint64 row = m_keys.at(p);
    m_ownWrite = true;
    const bool ok = m_db.execute(QStringLiteral("DELETE FROM ") + quoted(m_table) +
                                     QStringLiteral(" WHERE rowid = ?"),
                                 {row});
    m_ownWrite = false;
    if (!ok)
        return false;
    m_keys.removeCurrent();
    m_cache.remove(row);
    if (m_observer)
        m_observer->rowRemoved(p);
    return true;
}

void Recordset::moveAfterDelete() {
    moveNext();
    if (eof())
        moveLast();
}

bool Recordset::setValueAt(int position, const QString& name, const QVariant& value) {
    if (!moveTo(position)) {
        m_db.setError(QStringLiteral("Ni zapisa na tem mestu."));
        return false;
    }
    if (!edit())
        return false;
    setField(name, value);
    if (update())
        return true;
    // The row keeps what it had; a half-done edit would show the refused
    // value as if it were stored.
    cancelUpdate();
    return false;
}

qint64 Recordset::bookmark() const { return bookmarkAt(m_keys.position()); }

qint64 Recordset::bookmarkAt(int position) const {
    if (m_kind == RecordsetKind::Snapshot || position < 0 || !haveRow(position))
        return 0;
    return m_keys.at(position);
}

int Recordset::positionOf(qint64 bookmark) const {
    if (m_kind == RecordsetKind::Snapshot)
        return -1;
    const int p = m_keys.positionOf(bookmark);
    if (p >= 0 || allRowsRead())
        return p;
    readAllRows();
    return m_keys.positionOf(bookmark);
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
    const bool ok = reload(Reload::Fresh);
    if (ok)
        m_readFailed = false;
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
    QVariant id;
    if (!m_db.queryValue(QStringLiteral("SELECT rowid FROM ") + quoted(m_table) +
                             QStringLiteral(" WHERE ") + where + orderClause() +
                             QStringLiteral(" LIMIT 1"),
                         params, &id))
        return readFailure();
    if (id.isNull())
        return true;
    const int p = positionOf(id.toLongLong());
    if (p < 0)
        return true; // added behind this record set's back
    m_noMatch = false;
    moveTo(p);
    return true;
}

} // namespace valmir
