#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>

struct pg_conn;
struct pg_result;

namespace valmir {

class EngineQuery;

// One connection to a PostgreSQL server (the office database), a thin
// layer over libpq. Statements are written in the server's own SQL with
// $1, $2 ... for the values, and every value a caller supplies goes in as
// a bound parameter. Values come back as QVariant: Null as a null
// QVariant, integers as qlonglong, floating numbers as double, booleans
// as bool, dates as QDate, the rest as text.
//
// Every failure keeps the server's (or libpq's) own words in lastError().
//
// A connection lost between transactions (the server restarted, the
// network was down) is made anew before the next statement, once; one lost
// inside a transaction fails every statement but the ROLLBACK, so that
// nothing of the transaction's rest is written without its beginning.
//
// A statement's answer is waited for as long as the server works on it,
// never on a dead line: TCP keepalives and tcp_user_timeout let the system
// find a peer gone, and a statement that hears nothing for
// SilenceSeconds asks the server on a second connection whether it is
// still working on it (a long count, a restore). Unreachable, or done
// with it and the answer lost on the way: the connection counts as lost
// (ServerMessages::LinkLost). A slow but living server is waited for.
class PgConnection {
public:
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // How long a connection attempt may take before it is given up.
    static constexpr int ConnectTimeoutSeconds = 10;
    // How long a connection made anew for the next statement may take.
    static constexpr int ReconnectSeconds = 5;
    // Without a byte from the server this long the server is asked
    // whether it still works on the statement; the second connection that
    // asks may take ProbeSeconds to be made and to answer.
    static constexpr int SilenceSeconds = 10;
    static constexpr int ProbeSeconds = 3;
    // TCP keepalives (idle, interval, count) and tcp_user_timeout (ms),
    // unless the connection string sets them; libpq ignores them on a Unix
    // socket.
    static constexpr int KeepaliveIdleSeconds = 5;
    static constexpr int KeepaliveIntervalSeconds = 2;
    static constexpr int KeepaliveCount = 3;
    static constexpr int TcpUserTimeoutMs = 10000;

    // Told when a statement has waited WaitShownMs for its answer (true)
    // and when it ends (false), on the thread that runs it: the windows
    // show the busy cursor meanwhile. Set once, by the windows' layer.
    static constexpr int WaitShownMs = 500;
    using WaitHook = std::function<void(bool waiting)>;
    static void setWaitHook(WaitHook hook);

    // Connects with a libpq connection string ("host=... dbname=...",
    // "service=...", a postgresql:// address). The password, where one is
    // needed, comes from ~/.pgpass or pg_service.conf; a string that
    // carries one is refused (passwordGiven). Null and *error on failure.
    static std::unique_ptr<PgConnection> connect(const QString& conninfo, QString* error);

    // Whether a connection string names a password itself; a string libpq
    // cannot read is reported in *error.
    static bool passwordGiven(const QString& conninfo, QString* error);

    // A statement that returns no rows (or whose rows nobody reads).
    bool execute(const QString& sql, const QVariantList& params = {});
    // All rows of a query, each a list of its fields' values.
    bool query(const QString& sql, const QVariantList& params, QList<QVariantList>* rows);
    // The first field of the first row; a null QVariant for no row.
    bool queryValue(const QString& sql, const QVariantList& params, QVariant* value);

    // All rows of a statement, read as the record sets read a query (see
    // EngineQuery.h); null on an error.
    std::unique_ptr<EngineQuery> rows(const QString& sql, const QVariantList& params);

    // Values go to the server as text without a type, so that it reads
    // each as the type its place needs: 1 and 0 for a Yes/No column as
    // well as for a number (the program binds Yes/No as 1 and 0).
    void setUntypedValues(bool untyped) { m_untyped = untyped; }
    // Names of result columns as the program spells them (the server folds
    // unquoted names to lower case), by their lower-case form.
    void setSpellings(QHash<QString, QString> spellings) { m_spellings = std::move(spellings); }

    // Rows the last statement wrote; whether a transaction is open (or
    // failed and waiting for its rollback); whether the last COMMIT was
    // answered with a rollback.
    qint64 affectedRows() const { return m_affected; }
    bool inTransaction() const;
    bool lastCommitRolledBack() const { return m_commitRolledBack; }

    // Adds rows to a table with COPY, values in the columns' order; far
    // quicker than INSERT for many rows. The names are the program's own,
    // never the user's.
    bool copyRows(const QString& table, const QStringList& columns,
                  const QList<QVariantList>& rows);

    bool beginTransaction();
    // False also when the server rolled the transaction back instead.
    bool commit();
    bool rollback();

    // A statement run now and again each time the connection is made
    // anew (settings and temporary tables of the session).
    bool setUpSession(const QString& sql, const QVariantList& params = {});

    // The notices of LISTEN that other sessions sent (this session's own are
    // left out), read from what the server has sent so far without waiting;
    // the socket to watch for more (-1 when there is no connection).
    // A connection found lost between transactions is made anew here,
    // step by step without waiting (see connectionLost()).
    QStringList takeNotifications(const QString& channel);
    // Whether the connection is lost and not yet made anew.
    bool connectionLost() const;
    // Whether the connection was made anew since the last call: notices
    // sent meanwhile were lost with the old one.
    bool takeReconnected() { return std::exchange(m_reconnected, false); }
    int socket() const;

    // Tests only: the next COMMIT of any connection loses its link before
    // its answer is read, after the server got it (and committed) or
    // before; the connection is then lost as a dropped network leaves it.
    enum class LostCommit { No, AfterServer, BeforeServer };
    static void loseNextCommitForTest(LostCommit how) { s_lostCommit = how; }

    QString databaseName() const;
    QString lastError() const { return m_lastError; }
    void setError(const QString& text) { m_lastError = text; }

private:
    PgConnection() = default;
    bool run(const QString& sql, const QVariantList& params, QList<QVariantList>* rows);
    pg_result* send(const QString& sql, const QVariantList& params);
    bool ready();
    pg_result* awaitResult();
    bool serverWorking();
    bool reconnect(int waitMs);
    bool connected() const;

    pg_conn* m_conn = nullptr;
    QByteArray m_info; // the connection string, for the second connection
    // The answer of a statement did not come: the connection is dropped
    // when it is made anew.
    bool m_lost = false;
    // A connection being made anew (PQresetStart), since when, and what it
    // waits for; no new attempt before m_retryAt after one failed.
    bool m_resetting = false;
    int m_resetWaits = 0;
    std::chrono::steady_clock::time_point m_resetStarted;
    std::chrono::steady_clock::time_point m_retryAt;
    QString m_lastError;
    bool m_untyped = false;
    QHash<QString, QString> m_spellings;
    qint64 m_affected = 0;
    bool m_commitRolledBack = false;
    // As the server last told it: a connection lost since cannot tell.
    bool m_wasInTransaction = false;
    QList<std::pair<QString, QVariantList>> m_session;
    bool m_reconnected = false;
    static inline LostCommit s_lostCommit = LostCommit::No;
};

// Begins a transaction on the server and rolls it back unless commit() is
// called.
class PgTransaction {
public:
    explicit PgTransaction(PgConnection& db) : m_db(db) { m_active = m_db.beginTransaction(); }
    ~PgTransaction() {
        if (m_active) {
            const QString error = m_db.lastError();
            m_db.rollback();
            m_db.setError(error); // the reason for the rollback, not its outcome
        }
    }
    PgTransaction(const PgTransaction&) = delete;
    PgTransaction& operator=(const PgTransaction&) = delete;
    bool active() const { return m_active; }
    bool commit() {
        if (!m_active)
            return false;
        m_active = false;
        return m_db.commit();
    }

private:
    PgConnection& m_db;
    bool m_active = false;
};

} // namespace valmir
