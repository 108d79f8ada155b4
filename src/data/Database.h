#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace valmir {

class EngineQuery;
class PgConnection;
class Recordset;

// A row of a query being read by Database::forEachRow().
class QueryRow {
public:
    explicit QueryRow(const EngineQuery& query) : m_query(query) {}
    bool isNull(int column) const;
    qint64 integer(int column) const;
    double number(int column) const;
    QString text(int column) const;
    QDate date(int column) const; // none for Null or what is no date
    bool boolean(int column) const;

private:
    const EngineQuery& m_query;
};

// Kinds of record set, numbered as the rest of the program knows them.
enum class RecordsetKind { Table = 1, Dynaset = 2, Snapshot = 4 };

// One open database: a file (SQLite with SQLCipher) or the office's
// database on a PostgreSQL server. Statements are written in the program's
// own SQL dialect ("WHERE Izbrana", "SET Izbrana = False", "SET Povisek =
// Null", "rowid", see Dialect.h), which is translated for the engine; every
// value a caller supplies goes in as a bound parameter ("?").
//
// The open record sets of a database follow every statement run on it, and
// every rollback: see Recordset.h. On the server, triggers note the rows
// each statement of this connection writes (ServerSchema.h), and the
// record sets follow them as they follow the file's.
class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing file. An empty password opens an unkeyed file.
    // Returns null and sets *error when the file is missing, is not a
    // database, or the password does not fit.
    static std::unique_ptr<Database> open(const QString& path, const QString& password,
                                          QString* error, bool createIfMissing = false);

    // Connects to the office's database on a server (a libpq connection
    // string, see PgConnection.h). Null and *error (the server's or libpq's
    // words) when it cannot be reached or used.
    static std::unique_ptr<Database> connect(const QString& conninfo, QString* error);
    // The server's limits for such a session: how long a statement waits
    // for a row another session holds (then ServerMessages::Locked), and
    // how long a transaction may stand idle before the server ends it.
    static constexpr int LockTimeoutSeconds = 5;
    static constexpr int IdleInTransactionSeconds = 10;

    // The file's path; on a server, its database name.
    QString path() const { return m_path; }
    bool onServer() const { return m_pg != nullptr; }
    // The connection string this database was connected with (empty for a
    // file): a second connection to the same server.
    QString conninfo() const { return m_conninfo; }

    // Runs a statement that returns no rows (UPDATE, DELETE, INSERT, DDL).
    bool execute(const QString& sql, const QVariantList& params = {});

    // A record set over a table name (kind Table) or a SELECT (any kind).
    // Returns null on an engine error (see lastError()).
    std::unique_ptr<Recordset> openRecordset(const QString& source,
                                             RecordsetKind kind = RecordsetKind::Dynaset,
                                             const QVariantList& params = {});

    // First column of the first row of a query, or a null QVariant (for
    // no row and for an engine error alike).
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    // The same, telling an engine error (false, see lastError()) from a
    // query without rows (true, *value null).
    bool queryValue(const QString& sql, const QVariantList& params, QVariant* value);
    // Hands every row of a query to `row`, in the engine's own values, for
    // reading many rows without making a QVariant of each field; false on
    // an engine error (see lastError()).
    bool forEachRow(const QString& sql, const QVariantList& params,
                    const std::function<void(const QueryRow&)>& row);

    // Runs an INSERT and gives the key of the row it added.
    bool insert(const QString& sql, const QVariantList& params, qint64* key);

    // The rows of a statement, for the record sets and the calls above;
    // null on an engine error (see lastError()).
    std::unique_ptr<EngineQuery> query(const QString& sql, const QVariantList& params);
    // A column a table has on the server only, as its key (ServerSchema.h),
    // which no record set shows; empty on a file.
    QString hiddenKey(const QString& table) const;
    // Every column a table has on the server only: its hidden key and the
    // row version with who changed the row and when, and the identity of
    // the save that added an invoice (ServerSchema.h).
    QStringList hiddenColumns(const QString& table) const;

    // Brings the server's tables of version `from` up to this program's, in
    // the caller's transaction (ServerSchema::upgrade).
    bool upgradeServer(int from);

    // Changes other workstations made on the server, as its notices tell
    // them (ServerSchema.h): listen() asks for them on this connection,
    // noticeSocket() becomes readable when some may have come, and
    // takeNotices() hands them to the open record sets (rows changed,
    // added and deleted; a table changed wholesale is read again) and
    // gives which tables changed and how. A window that reads the rows
    // others added to a table itself (the main list, read in slices) names
    // the table in `readByCaller`: its record sets there only drop and
    // re-read rows. Nothing on a file.
    struct Notice {
        QString table;          // as the program spells it
        char kind = 'U';        // 'I', 'U' or 'D'
        bool wholesale = false; // more rows than their keys tell
    };
    bool listen();
    int noticeSocket() const;
    QList<Notice> takeNotices(const QStringList& readByCaller = {});

    bool beginTransaction();
    bool commit();
    bool rollback();
    bool inTransaction() const;

    // True when every named table exists; tells a database of this program
    // from an empty or foreign file.
    bool hasTables(const QStringList& names);

    QString lastError() const { return m_lastError; }
    int changes() const;
    sqlite3* handle() const { return m_db; }

    // For tests that need the engine to refuse a statement: while a
    // statement is prepared, the check sees each action SQLite's authorizer
    // is asked about (SQLITE_INSERT, SQLITE_READ, SQLITE_TRANSACTION ...)
    // with its two names (table and column; "COMMIT" for a commit). True
    // refuses the statement, as the engine refuses an unauthorized one.
    using StatementCheck =
        std::function<bool(int action, const QString& name1, const QString& name2)>;
    void setStatementCheck(StatementCheck check);

    void setError(const QString& text) { m_lastError = text; }
    void setEngineError();

    // Name of the collation of the program's text columns (see Collation.h).
    static const char* textCollation();

private:
    friend class Recordset;
    Database() = default;
    sqlite3_stmt* prepare(const QString& sql);
    bool bindAll(sqlite3_stmt* stmt, const QVariantList& params);
    std::unique_ptr<EngineQuery> serverQuery(const QString& sql, const QVariantList& params);
    bool followServerWrites();
    void readWholeSets();
    static void rowChangedHook(void* self, int op, const char* dbName, const char* table,
                               qint64 rowid);
    static void rolledBackHook(void* self);
    static int authorizeHook(void* self, int action, const char* name1, const char* name2,
                             const char* dbName, const char* trigger);
    void attach(Recordset* rs);
    void detach(Recordset* rs);
    void afterStatement();

    sqlite3* m_db = nullptr;
    std::unique_ptr<PgConnection> m_pg;
    std::vector<Recordset*> m_recordsets; // open record sets, told about row changes
    bool m_rolledBack = false;
    bool m_allowDrop = false;
    QString m_path;
    QString m_conninfo;
    QString m_lastError;
    StatementCheck m_statementCheck;
};

// Begins a transaction and rolls it back unless commit() is called.
class Transaction {
public:
    explicit Transaction(Database& db) : m_db(db) { m_active = m_db.beginTransaction(); }
    ~Transaction() {
        if (m_active)
            m_db.rollback();
    }
    bool active() const { return m_active; }
    // A commit that fails (the file is busy, the disk is full) leaves the
    // transaction open; it is rolled back, so that later writes do not
    // pile up in a transaction nobody will ever commit.
    bool commit() {
        if (!m_active)
            return false;
        m_active = false;
        if (m_db.commit())
            return true;
        const QString error = m_db.lastError();
        m_db.rollback();
        m_db.setError(error);
        return false;
    }

private:
    Database& m_db;
    bool m_active = false;
};

// Values stored for a field: QDate as ISO text, bool as 0/1, the rest as is.
QVariant toStorage(const QVariant& value);

} // namespace valmir
