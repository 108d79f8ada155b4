#include "data/Database.h"
#include "data/EngineQuery.h"
#include "data/PgConnection.h"
#include "data/Schema.h"
#include "data/ServerBackup.h"
#include "data/ServerSchema.h"
#include "text/Messages.h"

#include <QSysInfo>

#include <memory>

namespace valmir::ServerBackup {

namespace {

// Rows sent to the server in one COPY: few enough to keep the memory
// small, many enough that each COPY is worth starting.
constexpr int RowsPerSlice = 20000;

// Others' transactions that write are waited for this long before the
// restore gives up: their writes take moments, and meanwhile every other
// workstation that writes waits behind the restore.
const QString LockWait = QStringLiteral("30s");

// One table of the file, read in the order of its rowid and sent in
// slices. Where the table has no key of its own in the file, its rowid
// becomes the server's key (ServerSchema::rowKey), so that the rows keep
// their order; the server's columns the file does not have keep their
// defaults. A date that is none goes as Null, counted in *datesEmptied.
bool copyTable(Database& file, PgConnection& server, const QString& table, QString* error,
               qint64* datesEmptied) {
    const QString key = ServerSchema::rowKey(table);
    // The table's name is the program's own.
    auto rows = file.query(QStringLiteral("SELECT rowid, * FROM %1 ORDER BY rowid").arg(table), {});
    if (!rows) {
        *error = file.lastError();
        return false;
    }
    // Field 0 is the rowid: the key, or left out where the table's own ID
    // is it.
    const int first = key.isEmpty() ? 1 : 0, fields = rows->columnCount();
    QStringList columns = key.isEmpty() ? QStringList() : QStringList{key};
    QList<Recordset::FieldType> types;
    for (int c = 1; c < fields; ++c)
        columns << rows->columnName(c);
    for (int c = 0; c < fields; ++c)
        types << rows->columnType(c);
    QList<QVariantList> slice;
    slice.reserve(RowsPerSlice);
    const auto send = [&] {
        if (slice.isEmpty() || server.copyRows(table, columns, slice)) {
            slice.clear();
            return true;
        }
        *error = server.lastError();
        return false;
    };
    while (rows->next()) {
        QVariantList row;
        row.reserve(columns.size());
        // As a record set reads the file: a date as a date, Yes/No as a
        // truth value.
        for (int c = first; c < fields; ++c)
            row << (types.at(c) == Recordset::FieldType::Date
                        ? dateForServer(rows->field(c, types.at(c)), datesEmptied)
                        : rows->field(c, types.at(c)));
        slice << row;
        if (slice.size() == RowsPerSlice && !send())
            return false;
    }
    if (rows->failed()) {
        *error = file.lastError();
        return false;
    }
    return send();
}

// A data file of this program, of the version whose columns the server's
// tables hold (Schema::CurrentVersion) and of no other. Its integrity is
// the caller's to check (Backup::refusal reads every page of it, a while
// with many invoices); a page that cannot be read fails the restore.
bool fileFits(Database& file, QString* error) {
    if (!file.hasTables(Schema::dataTables())) {
        *error = file.lastError().isEmpty() ? ServerMessages::CopyNotData.text : file.lastError();
        return false;
    }
    const std::optional<int> version = Schema::schemaVersion(file);
    if (!version) {
        *error = file.lastError();
        return false;
    }
    if (*version != Schema::CurrentVersion) {
        *error = ServerMessages::CopyOtherVersion.text.arg(*version).arg(Schema::CurrentVersion);
        return false;
    }
    return true;
}

// Asked with the tables locked: a newer program may have upgraded the
// server since this one started.
bool serverVersionFits(PgConnection& server, QString* error) {
    QVariant onServer;
    if (!server.queryValue(QStringLiteral("SELECT verzija FROM valmir_shema"), {}, &onServer)) {
        *error = server.lastError();
        return false;
    }
    if (onServer.toInt() != ServerSchema::Version) {
        const Message& other = onServer.toInt() > ServerSchema::Version
                                   ? ServerMessages::NewerVersion
                                   : ServerMessages::OlderVersion;
        *error = other.text.arg(onServer.toInt()).arg(ServerSchema::Version);
        return false;
    }
    return true;
}

// Every program table is locked against writing for the rest of the
// transaction: the others read the data as they were until the commit and
// the restored data after it, and a write of theirs waits (or one under
// way is waited for).
bool lockTables(PgConnection& server) {
    // The names are the program's own; the setting's value is ours. The
    // rows put back are this workstation's change, as its own writes are.
    return server.execute(QStringLiteral("SET LOCAL lock_timeout = '%1'").arg(LockWait)) &&
           server.execute(QStringLiteral("SET LOCAL work_mem = '128MB'")) &&
           server.execute(QStringLiteral("SET LOCAL gin_pending_list_limit = '1GB'")) &&
           server.execute(QStringLiteral("SELECT set_config('valmir.postaja', $1, true)"),
                          {QSysInfo::machineHostName()}) &&
           server.execute(QStringLiteral("LOCK TABLE %1 IN EXCLUSIVE MODE")
                              .arg(ServerSchema::allTables().join(QStringLiteral(", "))));
}

// The payments go in before the invoices, so that an invoice's open
// amount is worked out once as it goes in, not again for every payment
// of it; they go out after them for the same reason.
QStringList restoreOrder() { return ServerSchema::laterTables() + ServerSchema::firstTables(); }

// The rows go out by DELETE, so that the triggers keep the search table
// as the invoices are. The row of the sums goes first and is made once
// from the search table at the end: kept, it would be updated by a
// trigger for every invoice deleted and every one copied, each update
// over all the versions of the row the transaction left before it.
bool deleteRows(PgConnection& server) {
    if (!server.execute(QStringLiteral("DELETE FROM tblIskanjeVsota")))
        return false;
    const QStringList tables = restoreOrder();
    for (auto table = tables.crbegin(); table != tables.crend(); ++table)
        if (!server.execute(QStringLiteral("DELETE FROM %1").arg(*table)))
            return false;
    return true;
}

// The search table's rows go into its trigram index's list of pending
// entries while the invoices go in (gin_pending_list_limit above), and
// into the index itself all at once here, by one more row version: a
// third less time than entering them one by one. Left pending, the first
// save of another workstation would enter them.
bool enterPendingSearch(PgConnection& server) {
    return server.execute(QStringLiteral("SET LOCAL gin_pending_list_limit TO DEFAULT")) &&
           server.execute(QStringLiteral("UPDATE tblIskanje SET Besedilo = Besedilo "
                                         "WHERE ID = (SELECT min(ID) FROM tblIskanje)"));
}

bool makeSums(PgConnection& server) { return server.execute(ServerSchema::sumsFromSearch()); }

// The next new row of every table takes a number past the restored rows'.
// The numbers only ever go forward: a sequence is not rolled back with
// the transaction, and one set back by a restore that then failed would
// hand out the keys of rows still there.
bool advanceKeys(PgConnection& server) {
    for (const QString& table : ServerSchema::copiedTables()) {
        const QString key = ServerSchema::rowKey(table).isEmpty() ? QStringLiteral("ID")
                                                                  : ServerSchema::rowKey(table);
        // The names are the program's own.
        if (!server.execute(QStringLiteral("SELECT setval(s, greatest(m + 1, nextval(s)), false) "
                                           "FROM (SELECT pg_get_serial_sequence($1, $2) AS s, "
                                           "coalesce(max(%2), 0) AS m FROM %1) AS highest")
                                .arg(table, key),
                            {table.toLower(), key.toLower()}))
            return false;
    }
    return true;
}

// Everything in one transaction on the server; the file is read in one
// transaction of its own. The data replaced are kept first, read on the
// program's connection once the lock is held: what others wrote until
// then is in the copy, and nobody writes after it until the commit.
bool replaceRows(Database& file, PgConnection& server, Database& program, const QString& password,
                 const QString& keepBefore, QString* error, qint64* datesEmptied) {
    PgTransaction onServer(server);
    if (!onServer.active() || !lockTables(server)) {
        *error = server.lastError();
        return false;
    }
    if (!serverVersionFits(server, error))
        return false;
    if (!keepBefore.isEmpty() && !copyToFile(program, keepBefore, password, error))
        return false;
    if (!deleteRows(server)) {
        *error = server.lastError();
        return false;
    }
    if (!file.execute(QStringLiteral("BEGIN"))) {
        *error = file.lastError();
        return false;
    }
    for (const QString& table : restoreOrder()) {
        QString why;
        if (!copyTable(file, server, table, &why, datesEmptied)) {
            file.rollback();
            *error = BackupMessages::TableNotCopied.text.arg(table, why);
            return false;
        }
    }
    file.rollback(); // nothing was written
    if (!enterPendingSearch(server) || !makeSums(server) || !advanceKeys(server) ||
        !onServer.commit()) {
        *error = server.lastError();
        return false;
    }
    return true;
}

} // namespace

bool restoreFromFile(Database& server, const QString& path, const QString& password,
                     const QString& keepBefore, QString* error, qint64* datesEmptied) {
    qint64 emptied = 0;
    if (!datesEmptied)
        datesEmptied = &emptied;
    *datesEmptied = 0;
    // A transaction open on the program's connection may hold locks the
    // restore would wait for: it is the caller's to end first.
    if (server.inTransaction()) {
        *error = BackupMessages::ServerBusy.text;
        return false;
    }
    auto file = Database::open(path, password, error);
    if (!file || !fileFits(*file, error))
        return false;
    // A connection of its own: its writes are not followed by the program's
    // record sets, which would note every row, and the restore's locks are
    // held by it alone.
    const std::unique_ptr<PgConnection> connection =
        PgConnection::connect(server.conninfo(), error);
    return connection &&
           replaceRows(*file, *connection, server, password, keepBefore, error, datesEmptied);
}

bool otherConnections(Database& server, int* count, QString* error) {
    QVariant n;
    if (!server.queryValue(QStringLiteral("SELECT count(*) FROM pg_stat_activity "
                                          "WHERE datname = current_database() AND "
                                          "application_name = ? AND pid <> pg_backend_pid()"),
                           {QStringLiteral("valmir")}, &n)) {
        *error = server.lastError();
        return false;
    }
    *count = n.toInt();
    return true;
}

} // namespace valmir::ServerBackup
