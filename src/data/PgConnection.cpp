#include "data/PgConnection.h"

#include "data/EngineQuery.h"
#include "text/Messages.h"

#include <QDate>

#include <libpq-fe.h>

#include <poll.h>

#include <cerrno>
#include <cmath>
#include <utility>
#include <vector>

#include <sys/socket.h>

namespace valmir {

namespace {

// Type numbers of the server's built-in types (pg_type.oid), fixed since
// forever.
enum : Oid {
    BoolOid = 16,
    ByteaOid = 17,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    OidOid = 26,
    Float4Oid = 700,
    Float8Oid = 701,
    DateOid = 1082,
    NumericOid = 1700,
};

struct ResultFree {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultFree>;

QString trimmed(const char* message) { return QString::fromUtf8(message).trimmed(); }

QString errorOf(PGconn* conn, const PGresult* result) {
    // The server's own sentence, without the "ERROR:" and the context
    // lines of libpq's whole report.
    QString text =
        result ? trimmed(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)) : QString();
    if (text.isEmpty())
        text = trimmed(PQerrorMessage(conn));
    return text.isEmpty() ? QStringLiteral("unknown error of the server connection") : text;
}

// Server notices ("extension already exists, skipping") are no errors; the
// default would print them on the console.
void ignoreNotice(void*, const char*) {}

QByteArray doubleText(double d) {
    if (std::isnan(d))
        return QByteArrayLiteral("NaN");
    if (std::isinf(d))
        return d > 0 ? QByteArrayLiteral("Infinity") : QByteArrayLiteral("-Infinity");
    // The shortest text that reads back as the same double: money stays
    // exactly what the file held.
    return QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
}

// A value as the server reads it in text form, and the type it is sent
// as (0: the server takes the type the statement needs, so that text goes
// into a date or a number column as well). False for Null.
bool textOf(const QVariant& v, QByteArray* text, Oid* type) {
    *type = 0;
    if (!v.isValid() || v.isNull())
        return false;
    switch (v.metaType().id()) {
    case QMetaType::Bool:
        *type = BoolOid;
        *text = v.toBool() ? "t" : "f";
        return true;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        *type = Int8Oid;
        *text = QByteArray::number(v.toLongLong());
        return true;
    case QMetaType::Double:
    case QMetaType::Float:
        *type = Float8Oid;
        *text = doubleText(v.toDouble());
        return true;
    case QMetaType::QDate: {
        const QDate d = v.toDate();
        if (!d.isValid())
            return false;
        *type = DateOid;
        *text = d.toString(Qt::ISODate).toLatin1();
        return true;
    }
    case QMetaType::QByteArray:
        *type = ByteaOid;
        *text = "\\x" + v.toByteArray().toHex();
        return true;
    default:
        *text = v.toString().toUtf8();
        return true;
    }
}

// The same as text only, its type left for the server to take from the
// value's place; Yes/No as 1 and 0, which read as a number, too.
bool untypedTextOf(const QVariant& v, QByteArray* text, Oid* type) {
    if (v.metaType().id() == QMetaType::Bool) {
        *type = 0;
        *text = v.toBool() ? "1" : "0";
        return true;
    }
    const bool given = textOf(v, text, type);
    *type = 0;
    return given;
}

double doubleOf(const QByteArray& text) {
    if (text == "NaN")
        return std::nan("");
    if (text == "Infinity")
        return HUGE_VAL;
    if (text == "-Infinity")
        return -HUGE_VAL;
    return text.toDouble();
}

QVariant valueOf(const PGresult* r, int row, int column) {
    if (PQgetisnull(r, row, column))
        return {};
    const QByteArray text(PQgetvalue(r, row, column), PQgetlength(r, row, column));
    switch (PQftype(r, column)) {
    case BoolOid:
        return text == "t";
    case Int2Oid:
    case Int4Oid:
    case Int8Oid:
    case OidOid:
        return text.toLongLong();
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return doubleOf(text);
    case DateOid: {
        const QDate d = QDate::fromString(QString::fromLatin1(text), Qt::ISODate);
        return d.isValid() ? QVariant(d) : QVariant(QString::fromLatin1(text));
    }
    case ByteaOid: {
        size_t length = 0;
        unsigned char* bytes =
            PQunescapeBytea(reinterpret_cast<const unsigned char*>(text.constData()), &length);
        if (!bytes)
            return {};
        QByteArray out(reinterpret_cast<const char*>(bytes), qsizetype(length));
        PQfreemem(bytes);
        return out;
    }
    default:
        return QString::fromUtf8(text);
    }
}

Recordset::FieldType fieldTypeOf(Oid type) {
    switch (type) {
    case BoolOid:
        return Recordset::FieldType::YesNo;
    case DateOid:
        return Recordset::FieldType::Date;
    case Int2Oid:
    case Int4Oid:
    case Int8Oid:
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return Recordset::FieldType::Number;
    default:
        return Recordset::FieldType::Other;
    }
}

// A result of the server, held whole, read row by row.
class PgRows final : public EngineQuery {
public:
    PgRows(Result result, const QHash<QString, QString>& spellings)
        : m_result(std::move(result)), m_rows(PQntuples(m_result.get())),
          m_spellings(spellings) {}

    bool next() override { return ++m_row < m_rows; }
    bool failed() const override { return false; }
    int columnCount() const override { return PQnfields(m_result.get()); }
    QString columnName(int c) const override {
        // Columns of expressions without a name are all "?column?" on the
        // server, and two sums both "sum": one field each, by position.
        const char* name = PQfname(m_result.get(), c);
        bool repeated = qstrcmp(name, "?column?") == 0;
        for (int before = 0; before < c && !repeated; ++before)
            repeated = qstrcmp(PQfname(m_result.get(), before), name) == 0;
        const QString text = QString::fromUtf8(name);
        if (repeated)
            return text + QString::number(c + 1);
        return m_spellings.value(text, text);
    }
    Recordset::FieldType columnType(int c) const override {
        return fieldTypeOf(PQftype(m_result.get(), c));
    }
    bool isNull(int c) const override { return PQgetisnull(m_result.get(), m_row, c); }
    qint64 integer(int c) const override {
        const char* text = PQgetvalue(m_result.get(), m_row, c);
        return *text == 't' ? 1 : *text == 'f' ? 0 : qint64(std::strtod(text, nullptr));
    }
    double number(int c) const override {
        return doubleOf(QByteArray(PQgetvalue(m_result.get(), m_row, c)));
    }
    QVariant stored(int c) const override { return valueOf(m_result.get(), m_row, c); }
    QVariant field(int c, Recordset::FieldType type) const override {
        const QVariant v = valueOf(m_result.get(), m_row, c);
        if (type == Recordset::FieldType::YesNo && !v.isNull() &&
            v.metaType().id() != QMetaType::Bool)
            return v.toDouble() != 0;
        return v;
    }

private:
    Result m_result;
    int m_row = -1;
    int m_rows;
    const QHash<QString, QString>& m_spellings;
};

QString quotedName(const QString& name) {
    // Unquoted names fold to lower case on the server; the tables are made
    // so, and the program writes its names in any case.
    return u'"' + name.toLower().replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// One field of COPY's text format.
void appendCopyField(QByteArray& out, const QVariant& v) {
    QByteArray text;
    Oid type;
    if (!textOf(v, &text, &type)) {
        out += "\\N";
        return;
    }
    for (char c : std::as_const(text)) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

// PgConnection::loseNextCommitForTest: the link cut, the COMMIT sent
// first or not at all, its answer never read.
void commitLostForTest(PGconn* conn, bool serverGotIt) {
    if (serverGotIt)
        PQclear(PQexec(conn, "COMMIT"));
    shutdown(PQsocket(conn), SHUT_RDWR);
    PQconsumeInput(conn); // libpq finds the connection closed
}

using Clock = std::chrono::steady_clock;

int msUntil(Clock::time_point when) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now());
    return int(std::max<qint64>(0, left.count()));
}

// Waits for the socket to become readable (or writable) for at most `ms`;
// > 0 when it did, 0 on the timeout, < 0 on an error.
int waitSocket(int socket, bool write, int ms) {
    if (socket < 0)
        return -1;
    pollfd p{socket, short(write ? POLLOUT : POLLIN), 0};
    int r;
    do
        r = ::poll(&p, 1, ms);
    while (r < 0 && errno == EINTR);
    return r;
}

// A connection with the settings every connection of the program has.
// Those the string may set come before it, so that the string's win; the
// encoding and the name come after it, as every text here is UTF-8.
PGconn* openConnection(const QByteArray& info, int timeoutSeconds, const char* application) {
    const QByteArray timeout = QByteArray::number(timeoutSeconds);
    const QByteArray idle = QByteArray::number(PgConnection::KeepaliveIdleSeconds);
    const QByteArray interval = QByteArray::number(PgConnection::KeepaliveIntervalSeconds);
    const QByteArray count = QByteArray::number(PgConnection::KeepaliveCount);
    const QByteArray userTimeout = QByteArray::number(PgConnection::TcpUserTimeoutMs);
    const char* keywords[] = {"connect_timeout",  "keepalives",
                              "keepalives_idle",  "keepalives_interval",
                              "keepalives_count", "tcp_user_timeout",
                              "dbname",           "client_encoding",
                              "application_name", nullptr};
    const char* values[] = {timeout.constData(), "1",
                            idle.constData(),    interval.constData(),
                            count.constData(),   userTimeout.constData(),
                            info.constData(),    "UTF8",
                            application,         nullptr};
    return PQconnectdbParams(keywords, values, 1);
}

// The answer to the statement sent on `conn`, waited for no longer than
// `ms`; all its results are read. Null on the timeout (the connection
// is then of no further use).
Result answerWithin(PGconn* conn, int ms) {
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
    Result kept;
    for (;;) {
        while (!PQisBusy(conn)) {
            PGresult* r = PQgetResult(conn);
            if (!r)
                return kept;
            if (!kept || PQresultStatus(kept.get()) != PGRES_FATAL_ERROR)
                kept.reset(r);
            else
                PQclear(r);
        }
        const int left = msUntil(until);
        if (left == 0 || waitSocket(PQsocket(conn), false, left) <= 0 || !PQconsumeInput(conn))
            return nullptr;
    }
}

PgConnection::WaitHook& waitHook() {
    static PgConnection::WaitHook hook;
    return hook;
}

} // namespace

void PgConnection::setWaitHook(WaitHook hook) { waitHook() = std::move(hook); }

PgConnection::~PgConnection() {
    if (m_conn)
        PQfinish(m_conn);
}

bool PgConnection::passwordGiven(const QString& conninfo, QString* error) {
    char* message = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.toUtf8().constData(), &message);
    if (!options) {
        if (error)
            *error = message ? trimmed(message) : QStringLiteral("out of memory");
        PQfreemem(message);
        return false;
    }
    bool given = false;
    for (PQconninfoOption* o = options; o->keyword; ++o)
        if (qstrcmp(o->keyword, "password") == 0 && o->val && *o->val)
            given = true;
    PQconninfoFree(options);
    return given;
}

std::unique_ptr<PgConnection> PgConnection::connect(const QString& conninfo, QString* error) {
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return std::unique_ptr<PgConnection>();
    };
    QString unreadable;
    if (passwordGiven(conninfo, &unreadable))
        return fail(ServerMessages::PasswordGiven.text);
    if (!unreadable.isEmpty())
        return fail(unreadable);

    std::unique_ptr<PgConnection> db(new PgConnection);
    db->m_info = conninfo.toUtf8();
    db->m_conn = openConnection(db->m_info, ConnectTimeoutSeconds, "valmir");
    if (!db->m_conn)
        return fail(QStringLiteral("out of memory"));
    if (PQstatus(db->m_conn) != CONNECTION_OK)
        return fail(errorOf(db->m_conn, nullptr));
    PQsetNoticeProcessor(db->m_conn, ignoreNotice, nullptr);
    // Dates in ISO form and doubles to the last digit, whatever the
    // server's defaults are.
    if (!db->setUpSession(QStringLiteral("SET datestyle = 'ISO, YMD'")) ||
        !db->setUpSession(QStringLiteral("SET extra_float_digits = 3")))
        return fail(db->lastError());
    return db;
}

bool PgConnection::setUpSession(const QString& sql, const QVariantList& params) {
    if (!execute(sql, params))
        return false;
    m_session.append({sql, params});
    return true;
}

int PgConnection::socket() const { return connected() ? PQsocket(m_conn) : -1; }

bool PgConnection::connected() const {
    return m_conn && !m_lost && !m_resetting && PQstatus(m_conn) == CONNECTION_OK;
}

bool PgConnection::connectionLost() const { return !connected(); }

QStringList PgConnection::takeNotifications(const QString& channel) {
    QStringList payloads;
    if (!m_conn)
        return payloads;
    if (!connected()) {
        // Made anew between transactions only; a step at a time.
        if (m_wasInTransaction || !reconnect(0))
            return payloads;
    }
    PQconsumeInput(m_conn);
    const int own = PQbackendPID(m_conn);
    const QByteArray wanted = channel.toUtf8();
    while (PGnotify* n = PQnotifies(m_conn)) {
        if (n->be_pid != own && wanted == n->relname)
            payloads << QString::fromUtf8(n->extra);
        PQfreemem(n);
    }
    return payloads;
}

// Whether a statement may be sent: a connection found lost is made anew
// first when no transaction was open on it (the server rolls back any that
// was, and only its ROLLBACK goes ahead, see send()).
bool PgConnection::ready() {
    // Reads, without waiting, what the server may have sent meanwhile: the
    // notice of its shutdown, and with a second read the closed connection.
    for (int read = 0; read < 2 && !m_wasInTransaction && connected(); ++read)
        PQconsumeInput(m_conn);
    if (connected())
        return true;
    if (m_wasInTransaction) {
        m_lastError = ServerMessages::LinkLost;
        return false;
    }
    return reconnect(ReconnectSeconds * 1000);
}

// Makes the connection anew, waiting for it at most `waitMs` (0: only a
// step of what is ready now); an attempt not done goes on at the next call,
// and one that failed is not repeated before a few seconds have passed.
bool PgConnection::reconnect(int waitMs) {
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(waitMs);
    if (!m_resetting) {
        if (Clock::now() < m_retryAt) {
            m_lastError = ServerMessages::LinkLost;
            return false;
        }
        m_lost = false;
        if (!PQresetStart(m_conn)) {
            m_lastError = errorOf(m_conn, nullptr);
            m_retryAt = Clock::now() + std::chrono::seconds(ReconnectSeconds);
            return false;
        }
        m_resetting = true;
        m_resetStarted = Clock::now();
        m_resetWaits = PGRES_POLLING_WRITING;
    }
    for (;;) {
        if (m_resetWaits == PGRES_POLLING_OK)
            break;
        const bool timedOut =
            Clock::now() - m_resetStarted >= std::chrono::seconds(ConnectTimeoutSeconds);
        if (m_resetWaits == PGRES_POLLING_FAILED || timedOut) {
            m_lastError = timedOut ? ServerMessages::LinkLost : errorOf(m_conn, nullptr);
            m_resetting = false;
            m_lost = true; // dropped at the next attempt
            m_retryAt = Clock::now() + std::chrono::seconds(ReconnectSeconds);
            return false;
        }
        const int ready =
            waitSocket(PQsocket(m_conn), m_resetWaits == PGRES_POLLING_WRITING, msUntil(until));
        if (ready == 0) {
            m_lastError = ServerMessages::LinkLost;
            return false; // goes on at the next call
        }
        m_resetWaits = PQresetPoll(m_conn);
    }
    m_resetting = false;
    PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
    for (const auto& [sql, params] : std::as_const(m_session)) {
        Result r(send(sql, params));
        if (!r)
            return false;
    }
    m_reconnected = true;
    return true;
}

// The outcome of the statement just sent, waited for as long as the server
// is heard or is seen working on it (see the class's comment).
PGresult* PgConnection::awaitResult() {
    const Clock::time_point started = Clock::now();
    Clock::time_point heard = started;
    bool shown = false;
    Result kept;
    auto done = [&](PGresult* r) {
        if (shown && waitHook())
            waitHook()(false);
        return r;
    };
    for (;;) {
        while (!PQisBusy(m_conn)) {
            PGresult* r = PQgetResult(m_conn);
            if (!r)
                return done(kept ? kept.release() : PQmakeEmptyPGresult(m_conn, PGRES_FATAL_ERROR));
            // As PQexec gives it: the last result, or the error.
            if (!kept || PQresultStatus(kept.get()) != PGRES_FATAL_ERROR)
                kept.reset(r);
            else
                PQclear(r);
        }
        const Clock::time_point showAt = started + std::chrono::milliseconds(WaitShownMs);
        const Clock::time_point askAt = heard + std::chrono::seconds(SilenceSeconds);
        const int waitMs = msUntil(shown || !waitHook() ? askAt : std::min(showAt, askAt));
        const int ready = waitSocket(PQsocket(m_conn), false, waitMs);
        if (ready > 0 && PQconsumeInput(m_conn)) {
            heard = Clock::now();
            continue;
        }
        if (ready != 0) {
            if (PQstatus(m_conn) == CONNECTION_OK)
                break; // the socket cannot be read
            // Found closed: PQgetResult tells it at once, the socket gone.
            while (PGresult* r = PQgetResult(m_conn))
                if (!kept || PQresultStatus(kept.get()) != PGRES_FATAL_ERROR)
                    kept.reset(r);
                else
                    PQclear(r);
            return done(kept ? kept.release() : PQmakeEmptyPGresult(m_conn, PGRES_FATAL_ERROR));
        }
        if (!shown && waitHook() && Clock::now() >= showAt) {
            shown = true;
            waitHook()(true);
        }
        if (Clock::now() >= askAt) {
            if (!serverWorking())
                break;
            heard = Clock::now();
        }
    }
    // Given up: nothing more is read on this connection, and the line just
    // found dead is not tried again at once by the statements that follow
    // (the rollback's, the list's), each waiting for it.
    m_lost = true;
    m_retryAt = Clock::now() + std::chrono::seconds(ReconnectSeconds);
    m_lastError = ServerMessages::LinkLost;
    return done(nullptr);
}

// Whether the server is still working on this connection's statement, as
// a second connection finds it; false when that cannot be made either.
bool PgConnection::serverWorking() {
    const QByteArray pid = QByteArray::number(PQbackendPID(m_conn));
    PGconn* probe = openConnection(m_info, ProbeSeconds, "valmir-proba");
    bool working = false;
    if (probe && PQstatus(probe) == CONNECTION_OK) {
        const char* values[] = {pid.constData()};
        if (PQsendQueryParams(probe, "SELECT state FROM pg_stat_activity WHERE pid = $1::integer",
                              1, nullptr, values, nullptr, nullptr, 0)) {
            Result r = answerWithin(probe, ProbeSeconds * 1000);
            working = r && PQresultStatus(r.get()) == PGRES_TUPLES_OK && PQntuples(r.get()) == 1 &&
                      qstrcmp(PQgetvalue(r.get(), 0, 0), "active") == 0;
        }
    }
    PQfinish(probe);
    return working;
}

// Runs a statement; its result when it went well, else null and the
// error in lastError().
PGresult* PgConnection::send(const QString& sql, const QVariantList& params) {
    m_affected = 0;
    if (sql == u"ROLLBACK" && m_wasInTransaction && !connected()) {
        // The server rolls the transaction back itself, when it finds the
        // connection gone or the transaction idle too long: nothing to wait
        // for. The connection is made anew for the next statement.
        m_wasInTransaction = false;
        m_lost = true;
        return PQmakeEmptyPGresult(m_conn, PGRES_COMMAND_OK);
    }
    if (!ready())
        return nullptr;
    const int n = int(params.size());
    std::vector<QByteArray> texts(n);
    std::vector<Oid> types(n);
    std::vector<const char*> values(n, nullptr);
    for (int i = 0; i < n; ++i)
        if (m_untyped ? untypedTextOf(params.at(i), &texts[i], &types[i])
                      : textOf(params.at(i), &texts[i], &types[i]))
            values[i] = texts[i].constData();
    // The test hook of loseNextCommitForTest.
    if (const LostCommit lost =
            sql == u"COMMIT" ? std::exchange(s_lostCommit, LostCommit::No) : LostCommit::No;
        lost != LostCommit::No) {
        commitLostForTest(m_conn, lost == LostCommit::AfterServer);
        m_lastError = ServerMessages::LinkLost;
        return nullptr; // the connection lost, m_wasInTransaction as it was
    }
    if (!PQsendQueryParams(m_conn, sql.toUtf8().constData(), n, types.data(), values.data(),
                           nullptr, nullptr, 0)) {
        m_lastError = errorOf(m_conn, nullptr);
        return nullptr;
    }
    Result r(awaitResult());
    if (!r)
        return nullptr; // the connection lost, m_wasInTransaction as it was
    const ExecStatusType status = PQresultStatus(r.get());
    if (PQstatus(m_conn) == CONNECTION_OK)
        m_wasInTransaction = PQtransactionStatus(m_conn) != PQTRANS_IDLE;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        // Held longer than the session's lock_timeout by another session.
        if (qstrcmp(PQresultErrorField(r.get(), PG_DIAG_SQLSTATE), "55P03") == 0)
            m_lastError = ServerMessages::Locked;
        else if (PQstatus(m_conn) != CONNECTION_OK && m_wasInTransaction)
            m_lastError = ServerMessages::LinkLost;
        else
            m_lastError = errorOf(m_conn, r.get());
        return nullptr;
    }
    m_affected = QByteArray(PQcmdTuples(r.get())).toLongLong();
    // A COMMIT of a transaction the server had to give up answers
    // "ROLLBACK" without an error.
    m_commitRolledBack = false;
    if (sql == u"COMMIT" && qstrcmp(PQcmdStatus(r.get()), "COMMIT") != 0) {
        m_commitRolledBack = true;
        m_lastError = QStringLiteral("the server rolled the transaction back");
        return nullptr;
    }
    return r.release();
}

std::unique_ptr<EngineQuery> PgConnection::rows(const QString& sql, const QVariantList& params) {
    Result r(send(sql, params));
    if (!r)
        return nullptr;
    return std::make_unique<PgRows>(std::move(r), m_spellings);
}

bool PgConnection::inTransaction() const {
    return m_conn &&
           (connected() ? PQtransactionStatus(m_conn) != PQTRANS_IDLE : m_wasInTransaction);
}

bool PgConnection::run(const QString& sql, const QVariantList& params, QList<QVariantList>* rows) {
    Result r(send(sql, params));
    if (!r)
        return false;
    if (rows) {
        rows->clear();
        const int count = PQntuples(r.get()), columns = PQnfields(r.get());
        rows->reserve(count);
        for (int row = 0; row < count; ++row) {
            QVariantList fields;
            fields.reserve(columns);
            for (int c = 0; c < columns; ++c)
                fields << valueOf(r.get(), row, c);
            rows->append(std::move(fields));
        }
    }
    return true;
}

bool PgConnection::execute(const QString& sql, const QVariantList& params) {
    return run(sql, params, nullptr);
}

bool PgConnection::query(const QString& sql, const QVariantList& params,
                         QList<QVariantList>* rows) {
    return run(sql, params, rows);
}

bool PgConnection::queryValue(const QString& sql, const QVariantList& params, QVariant* value) {
    QList<QVariantList> rows;
    if (!run(sql, params, &rows))
        return false;
    *value = rows.isEmpty() || rows.first().isEmpty() ? QVariant() : rows.first().first();
    return true;
}

bool PgConnection::copyRows(const QString& table, const QStringList& columns,
                            const QList<QVariantList>& rows) {
    QStringList names;
    for (const QString& c : columns)
        names << quotedName(c);
    const QString sql = QStringLiteral("COPY %1 (%2) FROM STDIN")
                            .arg(quotedName(table), names.join(QStringLiteral(", ")));
    if (!ready())
        return false;
    Result started(PQexec(m_conn, sql.toUtf8().constData()));
    if (!started || PQresultStatus(started.get()) != PGRES_COPY_IN) {
        m_lastError = errorOf(m_conn, started.get());
        return false;
    }
    // Sent in pieces of about a megabyte: the whole table never sits in
    // memory twice.
    constexpr qsizetype Piece = 1 << 20;
    QByteArray buffer;
    buffer.reserve(Piece + 4096);
    const char* abandoned = nullptr;
    bool sent = true;
    for (const QVariantList& row : rows) {
        if (row.size() != columns.size()) {
            abandoned = "a row with the wrong number of fields";
            break;
        }
        for (int i = 0; i < row.size(); ++i) {
            if (i)
                buffer += '\t';
            appendCopyField(buffer, row.at(i));
        }
        buffer += '\n';
        if (buffer.size() >= Piece) {
            sent = PQputCopyData(m_conn, buffer.constData(), int(buffer.size())) == 1;
            buffer.clear();
            if (!sent)
                break;
        }
    }
    if (sent && !abandoned && !buffer.isEmpty())
        sent = PQputCopyData(m_conn, buffer.constData(), int(buffer.size())) == 1;
    const QString sendError = sent ? QString() : errorOf(m_conn, nullptr);
    PQputCopyEnd(m_conn, sent ? abandoned : "sending failed");
    // The outcome of COPY, then nothing: every result is read, or the
    // connection would not take the next statement.
    bool ok = sent && !abandoned;
    QString error = sent ? QString() : sendError;
    while (PGresult* raw = PQgetResult(m_conn)) {
        Result r(raw);
        if (PQresultStatus(raw) != PGRES_COMMAND_OK && error.isEmpty()) {
            ok = false;
            error = errorOf(m_conn, raw);
        }
    }
    if (!ok)
        m_lastError = error.isEmpty() ? QString::fromUtf8(abandoned) : error;
    return ok;
}

bool PgConnection::beginTransaction() { return execute(QStringLiteral("BEGIN")); }
bool PgConnection::commit() { return execute(QStringLiteral("COMMIT")); }
bool PgConnection::rollback() { return execute(QStringLiteral("ROLLBACK")); }

QString PgConnection::databaseName() const { return QString::fromUtf8(PQdb(m_conn)); }

} // namespace valmir
