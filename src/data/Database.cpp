#include "data/Database.h"

#include "data/Collation.h"
#include "data/Dialect.h"
#include "data/EngineQuery.h"
#include "data/PgConnection.h"
#include "data/Recordset.h"
#include "data/RowSet.h"
#include "data/ServerSchema.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QSysInfo>

#include <sqlite3.h>

namespace valmir {

namespace {

QString engineMessage(sqlite3* db) {
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

// Statements are run with a retry when another connection holds the file
// for a moment.
constexpr int BusyTimeoutMs = 2000;

bool startsWithWord(const QString& sql, QStringView word) {
    return QStringView(sql).trimmed().startsWith(word, Qt::CaseInsensitive);
}

bool writes(const QString& sql) {
    for (const char16_t* word : {u"INSERT", u"UPDATE", u"DELETE"})
        if (startsWithWord(sql, word))
            return true;
    return false;
}

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

// A statement of the file, read as it is stepped through.
class SqliteQuery final : public EngineQuery {
public:
    SqliteQuery(Database& db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}
    ~SqliteQuery() override { sqlite3_finalize(m_stmt); }

    bool next() override {
        if (m_done)
            return false;
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        m_done = true;
        if (rc != SQLITE_DONE) {
            m_failed = true;
            m_db.setEngineError();
        }
        return false;
    }
    bool failed() const override { return m_failed; }
    int columnCount() const override { return sqlite3_column_count(m_stmt); }
    QString columnName(int c) const override {
        return QString::fromUtf8(sqlite3_column_name(m_stmt, c));
    }
    Recordset::FieldType columnType(int c) const override {
        return fieldTypeOf(sqlite3_column_decltype(m_stmt, c));
    }
    bool isNull(int c) const override { return sqlite3_column_type(m_stmt, c) == SQLITE_NULL; }
    qint64 integer(int c) const override { return sqlite3_column_int64(m_stmt, c); }
    double number(int c) const override { return sqlite3_column_double(m_stmt, c); }

    QVariant stored(int c) const override {
        switch (sqlite3_column_type(m_stmt, c)) {
        case SQLITE_INTEGER:
            return qlonglong(sqlite3_column_int64(m_stmt, c));
        case SQLITE_FLOAT:
            return sqlite3_column_double(m_stmt, c);
        case SQLITE_TEXT:
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, c)),
                                     sqlite3_column_bytes(m_stmt, c));
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, c)),
                              sqlite3_column_bytes(m_stmt, c));
        default:
            return {};
        }
    }

    QVariant field(int c, Recordset::FieldType type) const override {
        using FieldType = Recordset::FieldType;
        switch (sqlite3_column_type(m_stmt, c)) {
        case SQLITE_INTEGER:
            if (type == FieldType::YesNo)
                return sqlite3_column_int64(m_stmt, c) != 0;
            return qlonglong(sqlite3_column_int64(m_stmt, c));
        case SQLITE_FLOAT:
            if (type == FieldType::YesNo)
                return sqlite3_column_double(m_stmt, c) != 0;
            return sqlite3_column_double(m_stmt, c);
        case SQLITE_TEXT:
            if (type == FieldType::Date) {
                const QVariant text = stored(c);
                const QDate d = QDate::fromString(text.toString(), Qt::ISODate);
                return d.isValid() ? QVariant(d) : text;
            }
            return stored(c);
        default:
            return stored(c);
        }
    }

private:
    Database& m_db;
    sqlite3_stmt* m_stmt;
    bool m_done = false;
    bool m_failed = false;
};

} // namespace

const char* Database::textCollation() { return Collation::name(); }

Database::~Database() {
    if (m_db)
        sqlite3_close_v2(m_db);
}

std::unique_ptr<Database> Database::connect(const QString& conninfo, QString* error) {
    std::unique_ptr<Database> db(new Database);
    db->m_pg = PgConnection::connect(conninfo, error);
    if (!db->m_pg)
        return nullptr;
    PgConnection& pg = *db->m_pg;
    pg.setUntypedValues(true);
    pg.setSpellings(ServerSchema::columnNames());
    // What the triggers note of this connection's writes (see
    // followServerWrites); a table of the session, gone with it.
    if (!pg.setUpSession(QStringLiteral("CREATE TEMP TABLE valmir_spremembe "
                                        "(tabela text, kljuc bigint, vrsta text)")) ||
        !pg.setUpSession(QStringLiteral("SET valmir.sledi = 'da'")) ||
        // A row another workstation holds is waited for a few seconds, not
        // until it lets go; a transaction left idle (its workstation gone
        // in the middle of a save) is ended by the server, and with it
        // what it holds. The program never leaves a transaction open while
        // a window waits for the user.
        !pg.setUpSession(QStringLiteral("SELECT set_config('lock_timeout', $1, false), "
                                        "set_config('idle_in_transaction_session_timeout', $2, "
                                        "false)"),
                         {QStringLiteral("%1s").arg(LockTimeoutSeconds),
                          QStringLiteral("%1s").arg(IdleInTransactionSeconds)}) ||
        // Who changed a row, as another workstation is told of it.
        !pg.setUpSession(QStringLiteral("SELECT set_config('valmir.postaja', $1, false)"),
                         {QSysInfo::machineHostName()})) {
        if (error)
            *error = pg.lastError();
        return nullptr;
    }
    db->m_path = pg.databaseName();
    db->m_conninfo = conninfo;
    return db;
}

QString Database::hiddenKey(const QString& table) const {
    return m_pg ? ServerSchema::rowKey(table) : QString();
}

QStringList Database::hiddenColumns(const QString& table) const {
    QStringList hidden;
    if (!m_pg)
        return hidden;
    if (const QString key = ServerSchema::rowKey(table); !key.isEmpty())
        hidden << key;
    if (ServerSchema::versionedTables().contains(table, Qt::CaseInsensitive))
        hidden << QStringLiteral("verzija") << QStringLiteral("spremenil")
               << QStringLiteral("spremenjeno");
    if (table.compare(u"tblRacun", Qt::CaseInsensitive) == 0)
        hidden << ServerSchema::SaveKeyColumn;
    return hidden;
}

bool Database::upgradeServer(int from) {
    if (!m_pg)
        return false;
    if (ServerSchema::upgrade(*m_pg, from))
        return true;
    m_lastError = m_pg->lastError();
    return false;
}

bool Database::listen() {
    if (!m_pg)
        return false;
    if (m_pg->setUpSession(QStringLiteral("LISTEN valmir")))
        return true;
    m_lastError = m_pg->lastError();
    return false;
}

int Database::noticeSocket() const { return m_pg ? m_pg->socket() : -1; }

QList<Database::Notice> Database::takeNotices(const QStringList& readByCaller) {
    QList<Notice> notices;
    if (!m_pg || m_pg->inTransaction())
        return notices; // told after the transaction, with what it wrote itself
    const QStringList tables = ServerSchema::copiedTables();
    QStringList payloads = m_pg->takeNotifications(QStringLiteral("valmir"));
    // What others wrote while the connection was lost was told to nobody:
    // every table counts as changed.
    if (m_pg->takeReconnected())
        for (const QString& table : tables)
            payloads << table + QStringLiteral(" U *");
    for (const QString& payload : std::as_const(payloads)) {
        // "<table> <I|U|D> <key,key...>" or "<table> <I|U|D> *".
        const QStringList parts = payload.split(u' ');
        if (parts.size() != 3 || parts.at(1).size() != 1)
            continue;
        Notice n;
        for (const QString& t : tables)
            if (t.compare(parts.at(0), Qt::CaseInsensitive) == 0)
                n.table = t;
        if (n.table.isEmpty())
            continue;
        n.kind = parts.at(1).at(0).toLatin1();
        n.wholesale = parts.at(2) == u"*";
        const QByteArray table = n.table.toUtf8();
        const auto change = n.kind == 'I'   ? Recordset::RowChange::Added
                            : n.kind == 'D' ? Recordset::RowChange::Deleted
                                            : Recordset::RowChange::Updated;
        const std::vector<Recordset*> sets = m_recordsets;
        const bool callerReads = readByCaller.contains(n.table, Qt::CaseInsensitive);
        for (Recordset* rs : sets) {
            // An observer told before may have closed it.
            if (std::find(m_recordsets.begin(), m_recordsets.end(), rs) == m_recordsets.end() ||
                !rs->overTable(table.constData()))
                continue;
            // A dynaset shows rows added by others only when its query runs
            // again, as it does for every change of many rows.
            if (n.wholesale || (n.kind == 'I' && rs->kind() == RecordsetKind::Dynaset)) {
                if (!callerReads)
                    rs->resyncAfterRollback();
                continue;
            }
            for (QStringView key : QStringView(parts.at(2)).split(u','))
                rs->rowChangedInEngine(change, key.toLongLong());
        }
        notices << n;
    }
    if (!notices.isEmpty())
        afterStatement();
    return notices;
}

std::unique_ptr<Database> Database::open(const QString& path, const QString& password,
                                         QString* error, bool createIfMissing) {
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return std::unique_ptr<Database>();
    };
    if (!createIfMissing && !QFileInfo(path).isFile())
        return fail(QStringLiteral("datoteka ne obstaja"));

    std::unique_ptr<Database> db(new Database);
    db->m_path = path;
    int flags = SQLITE_OPEN_READWRITE | (createIfMissing ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db->m_db, flags, nullptr);
    if (rc != SQLITE_OK)
        return fail(engineMessage(db->m_db));
    sqlite3_busy_timeout(db->m_db, BusyTimeoutMs);
    sqlite3_extended_result_codes(db->m_db, 1);
    if (!Collation::install(db->m_db) || !RowSets::install(db->m_db))
        return fail(engineMessage(db->m_db));
    sqlite3_set_authorizer(db->m_db, authorizeHook, db.get());
    sqlite3_update_hook(db->m_db, rowChangedHook, db.get());
    sqlite3_rollback_hook(db->m_db, rolledBackHook, db.get());

    if (!password.isEmpty()) {
        QByteArray key = password.toUtf8();
        if (sqlite3_key(db->m_db, key.constData(), key.size()) != SQLITE_OK)
            return fail(engineMessage(db->m_db));
    }
    // A wrong key or a file that is no database shows only when the first
    // page is read; read it now, before anybody relies on the handle.
    char* msg = nullptr;
    rc = sqlite3_exec(db->m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &msg);
    if (rc != SQLITE_OK) {
        // The user reads this one: say it in Slovenian.
        QString text = (rc & 0xff) == SQLITE_NOTADB
                           ? QStringLiteral("datoteka ni podatkovna baza ali je zaklenjena z "
                                            "drugim geslom")
                           : (msg ? QString::fromUtf8(msg) : engineMessage(db->m_db));
        sqlite3_free(msg);
        return fail(text);
    }
    return db;
}

// SQLite asks about every action of a statement while preparing it.
int Database::authorizeHook(void* self, int action, const char* name1, const char* name2,
                            const char*, const char*) {
    auto* db = static_cast<Database*>(self);
    if (db->m_statementCheck &&
        db->m_statementCheck(action, QString::fromUtf8(name1), QString::fromUtf8(name2)))
        return SQLITE_DENY;
    // A DELETE without WHERE may empty a table in one step, and the update
    // hook would not hear of its rows. Record sets over the table must, so
    // such deletes go row by row; only DROP may delete schema rows as it likes.
    return (action == SQLITE_DELETE && !db->m_allowDrop) ? SQLITE_IGNORE : SQLITE_OK;
}

void Database::setStatementCheck(StatementCheck check) {
    m_statementCheck = std::move(check);
    if (!m_db)
        return; // the server asks nobody
    // Registering again expires statements prepared under the old check.
    sqlite3_set_authorizer(m_db, authorizeHook, this);
}

sqlite3_stmt* Database::prepare(const QString& sql) {
    QString text = Dialect::translate(sql);
    sqlite3_stmt* stmt = nullptr;
    QByteArray utf8 = text.toUtf8();
    m_allowDrop = startsWithWord(text, u"DROP");
    const int rc = sqlite3_prepare_v2(m_db, utf8.constData(), utf8.size(), &stmt, nullptr);
    m_allowDrop = false;
    if (rc != SQLITE_OK) {
        setEngineError();
        sqlite3_finalize(stmt);
        return nullptr;
    }
    if (stmt && !sqlite3_stmt_readonly(stmt))
        readWholeSets();
    return stmt;
}

// Record sets still reading their rows in slices read the rest before a
// write: what they follow of it is then always a whole set.
void Database::readWholeSets() {
    const std::vector<Recordset*> sets = m_recordsets;
    for (Recordset* rs : sets)
        if (std::find(m_recordsets.begin(), m_recordsets.end(), rs) != m_recordsets.end())
            rs->readAllRows();
}

std::unique_ptr<EngineQuery> Database::query(const QString& sql, const QVariantList& params) {
    if (m_pg)
        return serverQuery(sql, params);
    sqlite3_stmt* stmt = prepare(sql);
    if (!stmt)
        return nullptr;
    if (!bindAll(stmt, params)) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    return std::make_unique<SqliteQuery>(*this, stmt);
}

std::unique_ptr<EngineQuery> Database::serverQuery(const QString& sql, const QVariantList& params) {
    const bool write = writes(sql);
    if (write)
        readWholeSets();
    QVariantList values;
    values.reserve(params.size());
    for (const QVariant& p : params) {
        // A set of rows goes as the server's array.
        if (p.metaType() == QMetaType::fromType<RowSetValue>()) {
            const RowSetValue set = p.value<RowSetValue>();
            QStringList ids;
            if (set)
                for (qint64 id : set->ids())
                    ids << QString::number(id);
            values << u'{' + ids.join(u',') + u'}';
        } else if (p.typeId() == QMetaType::QDate && !p.toDate().isValid()) {
            values << QVariant(); // the file keeps it as empty text; a date column has Null
        } else {
            values << toStorage(p);
        }
    }
    const QString text = Dialect::forServer(sql, [](const QString& table) {
        const QString key = ServerSchema::rowKey(table);
        return key.isEmpty() ? QStringLiteral("ID") : key;
    });
    const QString command = QStringView(sql).trimmed().toString().toUpper();
    std::unique_ptr<EngineQuery> rows = m_pg->rows(text, values);
    if (!rows) {
        m_lastError = m_pg->lastError();
        // A failed COMMIT means the server gave the transaction up.
        if (command == u"COMMIT" || command == u"ROLLBACK")
            m_rolledBack = true;
        return nullptr;
    }
    if (command == u"ROLLBACK")
        m_rolledBack = true;
    if (write && !followServerWrites()) {
        m_lastError = m_pg->lastError();
        return nullptr;
    }
    return rows;
}

// Tells the record sets what the last statement wrote, as the file's
// update hook does: the rows the triggers noted, taken out of the note.
bool Database::followServerWrites() {
    QList<QVariantList> changes;
    if (!m_pg->query(QStringLiteral("DELETE FROM valmir_spremembe RETURNING tabela, kljuc, vrsta"),
                     {}, &changes))
        return false;
    for (const QVariantList& change : changes) {
        const QByteArray table = change.value(0).toString().toUtf8();
        const QString kind = change.value(2).toString();
        const auto what = kind == u"I"   ? Recordset::RowChange::Added
                          : kind == u"D" ? Recordset::RowChange::Deleted
                                         : Recordset::RowChange::Updated;
        for (Recordset* rs : m_recordsets)
            if (rs->overTable(table.constData()))
                rs->rowChangedInEngine(what, change.value(1).toLongLong());
    }
    return true;
}

QVariant toStorage(const QVariant& value) {
    if (value.isNull() || !value.isValid())
        return QVariant();
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime:
        return value.toDateTime().date().toString(Qt::ISODate);
    default:
        return value;
    }
}

bool Database::bindAll(sqlite3_stmt* stmt, const QVariantList& params) {
    if (sqlite3_bind_parameter_count(stmt) != params.size()) {
        m_lastError = QStringLiteral("Število parametrov se ne ujema s stavkom.");
        return false;
    }
    for (int i = 0; i < params.size(); ++i) {
        QVariant v = toStorage(params.at(i));
        int rc;
        int n = i + 1;
        if (RowSets::bind(stmt, n, v, &rc)) {
            // a set of rows (RowSet.h), bound as its number
        } else if (v.isNull()) {
            rc = sqlite3_bind_null(stmt, n);
        } else {
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::Long:
            case QMetaType::LongLong:
            case QMetaType::Short:
            case QMetaType::ULongLong:
                rc = sqlite3_bind_int64(stmt, n, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(stmt, n, v.toDouble());
                break;
            case QMetaType::QByteArray: {
                QByteArray b = v.toByteArray();
                rc = sqlite3_bind_blob(stmt, n, b.constData(), b.size(), SQLITE_TRANSIENT);
                break;
            }
            default: {
                QByteArray s = v.toString().toUtf8();
                rc = sqlite3_bind_text(stmt, n, s.constData(), s.size(), SQLITE_TRANSIENT);
            }
            }
        }
        if (rc != SQLITE_OK) {
            setEngineError();
            return false;
        }
    }
    return true;
}

void Database::setEngineError() { m_lastError = engineMessage(m_db); }

bool Database::execute(const QString& sql, const QVariantList& params) {
    std::unique_ptr<EngineQuery> q = query(sql, params);
    bool ok = q != nullptr;
    if (q) {
        while (q->next()) {
        }
        ok = !q->failed();
    }
    q.reset();
    afterStatement();
    return ok;
}

bool Database::insert(const QString& sql, const QVariantList& params, qint64* key) {
    // An INSERT ... SELECT whose rows are gone adds nothing: there is no key
    // to give (the file's last one is of an earlier row), and the caller
    // must not go on as if there were.
    bool added = false;
    if (!m_pg) {
        if (!execute(sql, params))
            return false;
        added = sqlite3_changes(m_db) > 0;
        *key = added ? sqlite3_last_insert_rowid(m_db) : 0;
    } else {
        QVariant value;
        if (!queryValue(sql + QStringLiteral(" RETURNING rowid"), params, &value))
            return false;
        added = !value.isNull();
        *key = value.toLongLong();
    }
    if (!added)
        m_lastError = QStringLiteral("Nobena vrstica ni bila dodana.");
    return added;
}

QVariant Database::scalar(const QString& sql, const QVariantList& params) {
    QVariant result;
    queryValue(sql, params, &result);
    return result;
}

bool QueryRow::isNull(int column) const { return m_query.isNull(column); }
qint64 QueryRow::integer(int column) const { return m_query.integer(column); }
double QueryRow::number(int column) const { return m_query.number(column); }
QString QueryRow::text(int column) const {
    return m_query.field(column, Recordset::FieldType::Other).toString();
}
QDate QueryRow::date(int column) const {
    return m_query.field(column, Recordset::FieldType::Date).toDate();
}
bool QueryRow::boolean(int column) const {
    return m_query.field(column, Recordset::FieldType::YesNo).toBool();
}

bool Database::forEachRow(const QString& sql, const QVariantList& params,
                          const std::function<void(const QueryRow&)>& row) {
    std::unique_ptr<EngineQuery> q = query(sql, params);
    bool ok = q != nullptr;
    if (q) {
        const QueryRow current(*q);
        while (q->next())
            row(current);
        ok = !q->failed();
    }
    q.reset();
    afterStatement();
    return ok;
}

bool Database::queryValue(const QString& sql, const QVariantList& params, QVariant* value) {
    *value = QVariant();
    std::unique_ptr<EngineQuery> q = query(sql, params);
    bool ok = q != nullptr;
    if (q) {
        if (q->next())
            *value = q->stored(0);
        else
            ok = !q->failed();
    }
    q.reset();
    afterStatement();
    return ok;
}

std::unique_ptr<Recordset> Database::openRecordset(const QString& source, RecordsetKind kind,
                                                   const QVariantList& params) {
    std::unique_ptr<Recordset> rs(new Recordset(*this, kind));
    if (!rs->init(source, params))
        return nullptr;
    return rs;
}

bool Database::beginTransaction() {
    return execute(m_pg ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
}
bool Database::commit() { return execute(QStringLiteral("COMMIT")); }
bool Database::rollback() {
    if (inTransaction())
        return execute(QStringLiteral("ROLLBACK"));
    // The engine may have rolled the transaction back by itself when one of
    // the record sets' own reads failed; they follow it now at the latest.
    afterStatement();
    return true;
}
bool Database::hasTables(const QStringList& names) {
    if (m_pg) {
        QStringList found;
        if (!ServerSchema::existingTables(*m_pg, &found)) {
            m_lastError = m_pg->lastError();
            return false;
        }
        for (const QString& name : names)
            if (!found.contains(name, Qt::CaseInsensitive)) {
                m_lastError = QStringLiteral("manjka tabela %1").arg(name);
                return false;
            }
        return true;
    }
    for (const QString& name : names) {
        QVariant n = scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' "
                                           "AND name=? COLLATE NOCASE"),
                            {name});
        if (n.toLongLong() != 1) {
            if (n.isValid())
                m_lastError = QStringLiteral("manjka tabela %1").arg(name);
            return false;
        }
    }
    return true;
}

void Database::attach(Recordset* rs) { m_recordsets.push_back(rs); }

void Database::detach(Recordset* rs) { std::erase(m_recordsets, rs); }

void Database::rowChangedHook(void* self, int op, const char*, const char* table, qint64 rowid) {
    // Runs in the middle of a statement: only note the row; the record sets
    // follow and tell their lists when the statement is done.
    auto* db = static_cast<Database*>(self);
    const auto change = op == SQLITE_INSERT   ? Recordset::RowChange::Added
                        : op == SQLITE_DELETE ? Recordset::RowChange::Deleted
                                              : Recordset::RowChange::Updated;
    for (Recordset* rs : db->m_recordsets)
        if (rs->overTable(table))
            rs->rowChangedInEngine(change, rowid);
}

void Database::rolledBackHook(void* self) { static_cast<Database*>(self)->m_rolledBack = true; }

void Database::afterStatement() {
    // Copy: an observer may open or close record sets while it is told.
    const std::vector<Recordset*> sets = m_recordsets;
    if (m_rolledBack) {
        // Rows written since the transaction began are gone again, and rows
        // deleted are back: every record set reads its rows afresh.
        m_rolledBack = false;
        for (Recordset* rs : sets)
            if (std::find(m_recordsets.begin(), m_recordsets.end(), rs) != m_recordsets.end())
                rs->resyncAfterRollback();
        return;
    }
    for (Recordset* rs : sets)
        if (std::find(m_recordsets.begin(), m_recordsets.end(), rs) != m_recordsets.end())
            rs->flushEngineChanges();
}

bool Database::inTransaction() const {
    if (m_pg)
        return m_pg->inTransaction();
    return m_db && !sqlite3_get_autocommit(m_db);
}
int Database::changes() const { return m_pg ? int(m_pg->affectedRows()) : sqlite3_changes(m_db); }

} // namespace valmir
