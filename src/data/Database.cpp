#include "data/Database.h"

#include "data/Collation.h"
#include "data/Dialect.h"
#include "data/Recordset.h"
#include "data/RowSet.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>

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

} // namespace

const char* Database::textCollation() { return Collation::name(); }

Database::~Database() {
    if (m_db)
        sqlite3_close_v2(m_db);
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
    if (stmt && !sqlite3_stmt_readonly(stmt)) {
        // Record sets still reading their rows in slices read the rest
        // first: what they follow of a write is then always a whole set.
        const std::vector<Recordset*> sets = m_recordsets;
        for (Recordset* rs : sets)
            if (std::find(m_recordsets.begin(), m_recordsets.end(), rs) != m_recordsets.end())
                rs->readAllRows();
    }
    return stmt;
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
    sqlite3_stmt* stmt = prepare(sql);
    if (!stmt)
        return false;
    bool ok = bindAll(stmt, params);
    if (ok) {
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        ok = (rc == SQLITE_DONE);
        if (!ok)
            setEngineError();
    }
    sqlite3_finalize(stmt);
    afterStatement();
    return ok;
}

QVariant Database::scalar(const QString& sql, const QVariantList& params) {
    QVariant result;
    queryValue(sql, params, &result);
    return result;
}

bool QueryRow::isNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}
qint64 QueryRow::integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
double QueryRow::number(int column) const { return sqlite3_column_double(m_stmt, column); }

bool Database::forEachRow(const QString& sql, const QVariantList& params,
                          const std::function<void(const QueryRow&)>& row) {
    sqlite3_stmt* stmt = prepare(sql);
    if (!stmt)
        return false;
    bool ok = bindAll(stmt, params);
    if (ok) {
        const QueryRow current(stmt);
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            row(current);
        ok = rc == SQLITE_DONE;
        if (!ok)
            setEngineError();
    }
    sqlite3_finalize(stmt);
    afterStatement();
    return ok;
}

bool Database::queryValue(const QString& sql, const QVariantList& params, QVariant* value) {
    *value = QVariant();
    sqlite3_stmt* stmt = prepare(sql);
    if (!stmt)
        return false;
    bool ok = bindAll(stmt, params);
    if (ok) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            switch (sqlite3_column_type(stmt, 0)) {
            case SQLITE_INTEGER:
                *value = qlonglong(sqlite3_column_int64(stmt, 0));
                break;
            case SQLITE_FLOAT:
                *value = sqlite3_column_double(stmt, 0);
                break;
            case SQLITE_TEXT:
                *value =
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
                break;
            default:
                break;
            }
        } else if (rc != SQLITE_DONE) {
            setEngineError();
            ok = false;
        }
    }
    sqlite3_finalize(stmt);
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

bool Database::beginTransaction() { return execute(QStringLiteral("BEGIN IMMEDIATE")); }
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

bool Database::inTransaction() const { return m_db && !sqlite3_get_autocommit(m_db); }
int Database::changes() const { return sqlite3_changes(m_db); }

} // namespace valmir
