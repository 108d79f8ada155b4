#pragma once

#include <QString>
#include <QVariant>

namespace valmir {

class Database;

// A backup copy of the office's data on the server: a data file of its
// own, of the current version and keyed as the data database is, which
// "Obnovi iz varnostne kopije" puts back into a file and "valmir --prenesi"
// moves to a server again. The copy is made on this computer, so that
// nobody needs the server's administrator for it.
namespace ServerBackup {

// Writes the data of `server` (a database on a server) into a new file
// keyed with `password`. The file gets the tables a new data database
// gets (Schema::createDataTables, with start-up's step work handed in),
// and every row of the tables moved to a server (ServerSchema::
// copiedTables) in one transaction on the file; the search table and the
// status line's sums are the file's own, made by its triggers. The server
// is only read, in one read-only snapshot, so that the copy is the data of
// one moment while others go on working. The file appears at `path` (or
// replaces the one there) only when the copy is complete; on any failure
// *error has the engine's words and `path` is as it was.
bool copyToFile(Database& server, const QString& path, const QString& password, QString* error);

// Puts a backup copy (a data file keyed with `password`, of this
// program's version: Schema::CurrentVersion) back on the server in place
// of all its data, in one transaction: every program table is locked
// against writing (the others read the data of before until the commit;
// their writes wait, and writes under way are waited for, at most half a
// minute), the rows of the copied tables are deleted, the file's rows go
// in with their keys (a keyless table's from the file's rowid), the
// search table follows by its triggers and the status line's sums are
// made once from it, and the keys' next numbers go past the highest. A
// file that is not a data file, or of another version, is refused; its
// integrity is the caller's to check first (Backup::refusal). On any
// failure nothing on the server has changed and *error has the engine's
// words. The restore runs on a connection of its own: the program's open
// record sets do not follow it. Unless `keepBefore` is empty, the data
// replaced are first written there (copyToFile, keyed with `password`),
// read once the lock is held: what others saved until the restore is in
// that copy or waited for. A date of the file that is none arrives as
// Null, counted in *datesEmptied (dateForServer).
bool restoreFromFile(Database& server, const QString& path, const QString& password,
                     const QString& keepBefore, QString* error, qint64* datesEmptied = nullptr);

// A field of a file's date column as a server's date column takes it: a
// date as it is, Null as Null, anything else (the empty text the file
// keeps for a date that was never valid, an impossible day) as Null,
// counted in *emptied.
QVariant dateForServer(const QVariant& value, qint64* emptied);

// How many other connections of the program (of any workstation) the
// server's database has now, this one left out.
bool otherConnections(Database& server, int* count, QString* error);

} // namespace ServerBackup
} // namespace valmir
