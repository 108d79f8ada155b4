#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace valmir {

class PgConnection;

// The program's tables on a PostgreSQL server: the data database's tables
// at the version of the file (Schema.h) in the server's types. What the
// file keeps as REAL stays double precision (the same values to the last
// digit), DATE becomes date, BOOLEAN boolean, INTEGER bigint; text sorts
// in the Slovenian order of ICU ("sl-SI-x-icu"), so that Čatež comes after
// Celje there too. A table whose rows the file knows only by their rowid
// gets a key of its own (rowKey). The search table is folded with
// unaccent and lower case and searched through a pg_trgm index, and the
// status line's sums are kept by triggers, as the file's are.
//
// Errors are in the connection's lastError(): the server's words, or a
// Slovenian text where the server lacks what the tables need.
namespace ServerSchema {

// The version of the tables made here, kept on the server in the one-row
// table valmir_shema. The server's first tables (FirstVersion) were the
// file's of that version; later steps of the server's own (upgrade()) add
// what only several workstations need. FileVersion is the version of the
// file whose tables the server holds: a file of it moves to the server,
// and a backup of the server is one. A new step of Schema.cpp needs its
// server form here before files of its version can move to a server.
inline constexpr int FirstVersion = 7;
inline constexpr int Version = 12;
inline constexpr int FileVersion = 10;

// A statement that changes more rows than this is told to the other
// workstations as "*" (read the table again) rather than by its keys.
inline constexpr int NoticeKeys = 50;

// The tables whose rows come from the file, as the program names them.
QStringList copiedTables();
// The tables of copiedTables() the server's first version had, and those
// later steps than FirstVersion made (upgrade()). The later ones are made
// bare with the first (createTables) for a file of their version; their
// keys' next numbers follow once the tables are complete (advanceLaterKeys).
QStringList firstTables();
QStringList laterTables();
bool advanceLaterKeys(PgConnection& db);
// Every table the program makes on a server (the names fold to lower case
// there, as the program's unquoted names do).
QStringList allTables();

// The columns of the tables as the program spells them, by the lower
// case the server gives them in.
QHash<QString, QString> columnNames();

// The key column a table has on the server only ("ID_vrstica"), filled
// from the file's rowid when rows are moved there; empty for a table whose
// key is a column of the file (ID).
QString rowKey(const QString& table);

// The program's tables already on the server (in the schemas it
// searches); false on an engine error.
bool existingTables(PgConnection& db, QStringList* found);

// The program's tables in an empty database, at Version, in the caller's
// transaction where there is one. The same in three steps for filling
// them with many rows: prepare() makes sure of the collation and the
// extensions, createTables() makes the tables bare, completeTables()
// builds the search table and the sums from the rows there, then the
// indexes, the triggers, the keys' next numbers and the version row.
bool create(PgConnection& db, int version = Version);
bool prepare(PgConnection& db);
// The tables of a file of FileVersion (for `version` below 10, of an older
// server: without the file's columns of its step 8, which upgrade() adds;
// below 12 without those of its step 10).
bool createTables(PgConnection& db, int version = Version);
// The row of the status line's sums made from the search table, in one
// statement (after its row was deleted).
QString sumsFromSearch();
bool completeTables(PgConnection& db, int version = Version);

// Brings tables of version `from` (FirstVersion or later) to `to`, step by
// step, in the caller's transaction; the server refuses a user who does
// not own the tables (lastError() has its words).
bool upgrade(PgConnection& db, int from, int to = Version);

// The tables whose rows carry a version ("verzija"), who changed them
// ("spremenil": the workstation) and when ("spremenjeno"), all three the
// server's only (Database::hiddenColumns).
QStringList versionedTables();

// The column of tblRacun, the server's only, that keeps the identity of
// the save that added the invoice (a UUID the editor makes for a new
// invoice and keeps while it tries again), one invoice's at most: a save
// whose COMMIT went unanswered finds by it whether it landed. A save names
// it in its transaction as the setting SaveKeySetting; the rows added
// otherwise have none.
inline constexpr QLatin1StringView SaveKeyColumn("shranitev");
inline constexpr QLatin1StringView SaveKeySetting("valmir.shranitev");

} // namespace ServerSchema
} // namespace valmir
