#include "data/ServerBackup.h"

#include "data/Database.h"
#include "data/EngineQuery.h"
#include "data/Schema.h"
#include "data/ServerSchema.h"
#include "text/Messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

namespace valmir::ServerBackup {

namespace {

// Rows read from the server at a time: the server hands a result over
// whole, so a slice bounds the memory whatever the number of invoices.
constexpr int RowsPerSlice = 20000;

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString engineError(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

// One INSERT prepared once on the file and run for every row.
class RowInsert {
public:
    RowInsert(sqlite3* db, const QString& sql) {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_stmt, nullptr) !=
            SQLITE_OK) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
        }
    }
    ~RowInsert() { sqlite3_finalize(m_stmt); }
    RowInsert(const RowInsert&) = delete;
    RowInsert& operator=(const RowInsert&) = delete;

    bool prepared() const { return m_stmt != nullptr; }

    // The server's row from column `first` on, each value stored as the
    // program stores it in a file (toStorage: dates as ISO text, Yes/No
    // as 1 and 0).
    bool run(const EngineQuery& row, int first) {
        sqlite3_reset(m_stmt);
        for (int c = first; c < row.columnCount(); ++c)
            if (!bind(c - first + 1, toStorage(row.stored(c))))
                return false;
        return sqlite3_step(m_stmt) == SQLITE_DONE;
    }

private:
    bool bind(int n, const QVariant& v) {
        if (v.isNull())
            return sqlite3_bind_null(m_stmt, n) == SQLITE_OK;
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
            return sqlite3_bind_int64(m_stmt, n, v.toLongLong()) == SQLITE_OK;
        case QMetaType::Double:
            return sqlite3_bind_double(m_stmt, n, v.toDouble()) == SQLITE_OK;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            return sqlite3_bind_blob(m_stmt, n, b.constData(), int(b.size()), SQLITE_TRANSIENT) ==
                   SQLITE_OK;
        }
        default: {
            const QByteArray s = v.toString().toUtf8();
            return sqlite3_bind_text(m_stmt, n, s.constData(), int(s.size()), SQLITE_TRANSIENT) ==
                   SQLITE_OK;
        }
        }
    }

    sqlite3_stmt* m_stmt = nullptr;
};

// The columns of a table as the new file has them, quoted ("70proc").
bool fileColumns(Database& file, const QString& table, QStringList* columns) {
    // The table's name is the program's own.
    auto q = file.query(QStringLiteral("PRAGMA table_info(%1)").arg(table), {});
    if (!q)
        return false;
    while (q->next())
        *columns << u'"' + q->stored(1).toString() + u'"';
    return !q->failed() && !columns->isEmpty();
}

// One table, in slices along its key on the server. A table without a key
// of its own in the file gets the server's hidden key as its rowid, so
// that its rows keep their order.
bool copyTable(Database& server, Database& file, const QString& table, QString* error) {
    QStringList columns;
    if (!fileColumns(file, table, &columns)) {
        *error = file.lastError();
        return false;
    }
    const bool keyless = !server.hiddenKey(table).isEmpty();
    const int first = keyless ? 0 : 1; // where the table's own ID is the key, it is read once
    const QString listed = columns.join(QStringLiteral(", "));
    // On the server rowid is the table's key (Dialect::forServer).
    const QString read =
        QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid > ? ORDER BY rowid LIMIT ?")
            .arg(listed, table);
    QStringList marks(columns.size() + (keyless ? 1 : 0), QStringLiteral("?"));
    RowInsert insert(file.handle(), QStringLiteral("INSERT INTO %1 (%2%3) VALUES (%4)")
                                        .arg(table, keyless ? QStringLiteral("rowid, ") : QString(),
                                             listed, marks.join(QStringLiteral(", "))));
    if (!insert.prepared()) {
        *error = engineError(file.handle());
        return false;
    }
    qint64 after = std::numeric_limits<qint64>::min();
    for (;;) {
        auto rows = server.query(read, {after, RowsPerSlice});
        if (!rows) {
            *error = server.lastError();
            return false;
        }
        int count = 0;
        while (rows->next()) {
            if (!insert.run(*rows, first)) {
                *error = engineError(file.handle());
                return false;
            }
            after = rows->stored(0).toLongLong();
            ++count;
        }
        if (rows->failed()) {
            *error = server.lastError();
            return false;
        }
        if (count < RowsPerSlice)
            return true;
    }
}

// Every copied table, read from the snapshot the caller holds on the server.
bool copyRows(Database& server, Database& file, QString* error) {
    QVariant version;
    if (!server.queryValue(QStringLiteral("SELECT verzija FROM valmir_shema"), {}, &version)) {
        *error = server.lastError();
        return false;
    }
    // A newer program may have upgraded the server since this one started:
    // its rows would not fit this version's file. The server's own columns
    // (row versions) stay behind: the file has no place for them.
    static_assert(ServerSchema::FileVersion == Schema::CurrentVersion);
    if (version.toInt() != ServerSchema::Version) {
        const Message& other = version.toInt() > ServerSchema::Version
                                   ? ServerMessages::NewerVersion
                                   : ServerMessages::OlderVersion;
        *error = other.text.arg(version.toInt()).arg(ServerSchema::Version);
        return false;
    }
    for (const QString& table : ServerSchema::copiedTables()) {
        QString why;
        if (!copyTable(server, file, table, &why)) {
            *error = BackupMessages::TableNotCopied.text.arg(table, why);
            return false;
        }
    }
    return true;
}

// The server's data as they are at one moment, read only: rows others
// write meanwhile are not seen, and nothing is held up by the reading.
bool copyFromSnapshot(Database& server, Database& file, QString* error) {
    // A transaction already open is somebody else's: its COMMIT would be
    // ours, or ours theirs.
    if (server.inTransaction()) {
        // A lost connection looks the same from here: the server's words
        // tell it apart.
        QVariant alive;
        *error = server.queryValue(QStringLiteral("SELECT 1"), {}, &alive)
                     ? BackupMessages::ServerBusy.text
                     : server.lastError();
        return false;
    }
    if (!server.execute(
            QStringLiteral("BEGIN TRANSACTION ISOLATION LEVEL REPEATABLE READ READ ONLY"))) {
        *error = server.lastError();
        return false;
    }
    if (!copyRows(server, file, error)) {
        server.rollback(); // the reason stays the copy's
        return false;
    }
    if (!server.commit()) {
        *error = server.lastError();
        server.rollback();
        return false;
    }
    return true;
}

// The new file's indexes are set aside while the rows go in and made
// again afterwards from the file's own statements: an index built once
// from all its rows is written page by page, where one kept row by row is
// written all over, each time through the cipher.
bool setIndexesAside(Database& file, QStringList* statements) {
    QStringList names;
    {
        auto q = file.query(QStringLiteral("SELECT name, sql FROM sqlite_master "
                                           "WHERE type = 'index' AND sql IS NOT NULL"),
                            {});
        if (!q)
            return false;
        while (q->next()) {
            names << q->stored(0).toString();
            *statements << q->stored(1).toString();
        }
        if (q->failed())
            return false;
    }
    for (const QString& name : names)
        // The names are the file's own, made by Schema a moment ago.
        if (!file.execute(QStringLiteral("DROP INDEX \"%1\"").arg(name)))
            return false;
    return true;
}

bool makeIndexes(Database& file, const QStringList& statements) {
    for (const QString& sql : statements)
        if (!file.execute(sql))
            return false;
    return true;
}

// The new file's tables and every row, in one transaction on the file.
bool fill(Database& server, Database& file, QString* error) {
    Transaction writing(file);
    QStringList indexes;
    if (!writing.active() || !Schema::createDataTables(file) || !setIndexesAside(file, &indexes)) {
        *error = file.lastError();
        return false;
    }
    if (!copyFromSnapshot(server, file, error))
        return false;
    if (!makeIndexes(file, indexes) || !writing.commit()) {
        *error = file.lastError();
        return false;
    }
    return true;
}

} // namespace

QVariant dateForServer(const QVariant& value, qint64* emptied) {
    if (value.isNull() || (value.typeId() == QMetaType::QDate && value.toDate().isValid()))
        return value;
    ++*emptied;
    return {};
}

bool copyToFile(Database& server, const QString& path, const QString& password, QString* error) {
    // Written under a passing name beside the target and renamed over it
    // when complete, as the file's own copies are (Backup::copyTo).
    // QTemporaryFile makes the file for its owner only.
    const QString folder = QFileInfo(path).absolutePath();
    QTemporaryFile part(folder + QStringLiteral("/.valmir-kopija-XXXXXX"));
    if (!part.open()) {
        *error = BackupMessages::FolderNotWritable.text.arg(shown(folder), part.errorString());
        return false;
    }
    part.close();
    {
        // An empty file opens as an empty database, keyed with the password.
        auto file = Database::open(part.fileName(), password, error);
        if (!file || !fill(server, *file, error))
            return false;
    }
    if (std::rename(QFile::encodeName(part.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0) {
        *error = BackupMessages::FileNotWritten.text.arg(
            shown(path), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    part.setAutoRemove(false); // its name is gone with the rename
    return true;
}

} // namespace valmir::ServerBackup
