#include "app/ServerTransfer.h"

#include "app/Globals.h"
#include "app/Startup.h"
#include "data/Database.h"
#include "data/PgConnection.h"
#include "data/Recordset.h"
#include "data/Schema.h"
#include "data/ServerBackup.h"
#include "data/ServerSchema.h"
#include "text/Messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <limits>
#include <memory>

namespace valmir::ServerTransfer {

namespace {

// Rows read from the file and sent to the server at a time: few enough to
// keep the memory small, many enough that each COPY is worth starting.
constexpr int RowsPerSlice = 20000;

// One table, in slices along the file's rowid. Where the table has no key
// of its own in the file, its rowid becomes the server's key, so that the
// rows keep their order. A date that is none goes as Null, counted in
// *datesEmptied. False on a failure (*error) and on a cancel (*cancelled).
bool copyTable(Database& file, PgConnection& server, const QString& table, Step* step,
               const Progress& progress, bool* cancelled, QString* error, qint64* datesEmptied) {
    const QString key = ServerSchema::rowKey(table);
    QVariant after = std::numeric_limits<qint64>::min();
    for (;;) {
        // The table's name is the program's own.
        auto rs = file.openRecordset(
            QStringLiteral("SELECT rowid, * FROM %1 WHERE rowid > ? ORDER BY rowid LIMIT ?")
                .arg(table),
            RecordsetKind::Snapshot, {after, RowsPerSlice});
        if (!rs || rs->readFailed()) {
            *error = file.lastError();
            return false;
        }
        const int count = rs->recordCount();
        if (count == 0)
            return true;
        // Field 0 is the rowid: the key, or left out where the table's
        // own ID is it.
        QStringList columns;
        if (!key.isEmpty())
            columns << key;
        const int first = key.isEmpty() ? 1 : 0, fields = int(rs->fieldNames().size());
        // What an invoice owes is the payments': the server works it out
        // once they are there.
        QList<int> sent;
        for (int c = first; c < fields; ++c)
            if (!(table == u"tblRacun" && rs->fieldNames().at(c) == u"Odprto")) {
                sent << c;
                if (c > 0)
                    columns << rs->fieldNames().at(c);
            }
        QList<QVariantList> rows;
        rows.reserve(count);
        for (int p = 0; p < count; ++p) {
            QVariantList row;
            row.reserve(columns.size());
            for (int c : std::as_const(sent))
                row << (rs->fieldType(c) == Recordset::FieldType::Date
                            ? ServerBackup::dateForServer(rs->value(p, c), datesEmptied)
                            : rs->value(p, c));
            rows << row;
        }
        if (!server.copyRows(table, columns, rows)) {
            *error = server.lastError();
            return false;
        }
        step->rowsSent += count;
        if (progress && !progress(*step)) {
            *cancelled = true;
            return false;
        }
        if (count < RowsPerSlice)
            return true;
        after = rs->value(count - 1, 0);
    }
}

// The rows of the file's copied tables, for telling how far a copy is.
bool countFileRows(Database& file, qint64* rows) {
    *rows = 0;
    for (const QString& table : ServerSchema::copiedTables()) {
        QVariant n;
        if (!file.queryValue(QStringLiteral("SELECT count(*) FROM %1").arg(table), {}, &n))
            return false;
        *rows += n.toLongLong();
    }
    return true;
}

bool countRows(PgConnection& server, QList<QPair<QString, qint64>>* counts) {
    for (const QString& table : ServerSchema::copiedTables()) {
        QVariant n;
        if (!server.queryValue(QStringLiteral("SELECT count(*) FROM %1").arg(table), {}, &n))
            return false;
        counts->append({table, n.toLongLong()});
    }
    return true;
}

int told(FILE* stream, const QString& text, int exitCode) {
    std::fputs((text + u'\n').toUtf8().constData(), stream);
    std::fflush(stream);
    return exitCode;
}

} // namespace

QString refusal(PgConnection& server) {
    QStringList found;
    if (!ServerSchema::existingTables(server, &found))
        return ServerMessages::Failed.text.arg(server.lastError());
    if (!found.isEmpty())
        return ServerMessages::NotEmpty.text.arg(server.databaseName(),
                                                 found.join(QStringLiteral(", ")));
    return {};
}

Result copyToServer(Database& file, PgConnection& server, const Progress& progress) {
    Result result;
    const auto failed = [&result](const QString& why) {
        result.error = ServerMessages::Failed.text.arg(why);
        return result;
    };
    const auto cancelled = [&result] {
        result.cancelled = true;
        result.error = ServerMessages::Cancelled.text;
        return result;
    };
    const std::optional<int> version = Schema::schemaVersion(file);
    if (!version)
        return failed(file.lastError());
    if (*version != ServerSchema::FileVersion) {
        result.error =
            ServerMessages::OtherVersion.text.arg(*version).arg(ServerSchema::FileVersion);
        return result;
    }
    PgTransaction onServer(server);
    if (!onServer.active())
        return failed(server.lastError());
    // Asked again inside the transaction: a table made in between makes
    // the tables' creation fail rather than mix two offices' data.
    if (const QString refused = refusal(server); !refused.isEmpty()) {
        result.error = refused;
        return result;
    }
    if (!ServerSchema::prepare(server) || !ServerSchema::createTables(server))
        return failed(server.lastError());
    {
        // The file's rows as they are at one moment: nobody writes them
        // while they are read. Nothing is written, so it is rolled back.
        Transaction reading(file);
        if (!reading.active())
            return failed(file.lastError());
        Step step;
        if (progress && !countFileRows(file, &step.rowsAll))
            return failed(file.lastError());
        QString error;
        bool stopped = false;
        for (const QString& table : ServerSchema::copiedTables()) {
            step.table = table;
            if (progress && !progress(step))
                return cancelled();
            if (!copyTable(file, server, table, &step, progress, &stopped, &error,
                           &result.datesEmptied))
                return stopped ? cancelled() : failed(QStringLiteral("%1: %2").arg(table, error));
        }
        step.table.clear();
        if (progress && !progress(step))
            return cancelled();
    }
    if (!ServerSchema::completeTables(server) || !ServerSchema::advanceLaterKeys(server) ||
        !countRows(server, &result.counts) || !onServer.commit())
        return failed(server.lastError());
    result.ok = true;
    return result;
}

int run(const QString& dataDir, const QString& conninfo) {
    constexpr int Failed = 1;
    const std::unique_ptr<QCoreApplication> core = headlessApplication();
    // No start that would create an empty database to move.
    const QString folder = dataDir.isEmpty() ? defaultDataFolder() : dataDir;
    const QString data = QDir(folder).filePath(DataFileName);
    if (!QFileInfo(data).isFile())
        return told(stderr, ServerMessages::NoData.text.arg(QDir::toNativeSeparators(data)),
                    Failed);
    if (PgConnection::passwordGiven(conninfo, nullptr))
        return told(stderr, ServerMessages::PasswordGiven.text, Failed);
    QString error;
    const std::unique_ptr<PgConnection> server = PgConnection::connect(conninfo, &error);
    if (!server)
        return told(stderr, ServerMessages::NotConnected.text.arg(error), Failed);
    // Asked before the file is opened: a refused move leaves even a file
    // of an older version as it was.
    if (const QString refused = refusal(*server); !refused.isEmpty())
        return told(stderr, refused, Failed);

    QTemporaryDir scratch;
    if (!scratch.isValid())
        return told(stderr, scratch.errorString(), Failed);
    const StartupResult started = startUp({folder, scratch.path()});
    if (!started.ok)
        return told(stderr, started.message, Failed);
    if (!started.keptBeforeUpgrade.isEmpty())
        told(stdout,
             BackupMessages::KeptBeforeUpgrade.text.arg(
                 QDir::toNativeSeparators(started.keptBeforeUpgrade)),
             0);
    const Result moved = copyToServer(*Db, *server);
    shutDown();
    if (!moved.ok)
        return told(stderr, moved.error, Failed);
    for (const auto& [table, rows] : moved.counts)
        told(stdout, ServerMessages::TableRows.text.arg(table).arg(rows), 0);
    if (moved.datesEmptied > 0)
        told(stdout, ServerMessages::DatesEmptied.text.arg(moved.datesEmptied), 0);
    return told(stdout, ServerMessages::Done.text.arg(server->databaseName()), 0);
}

} // namespace valmir::ServerTransfer
