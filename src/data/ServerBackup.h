#pragma once

#include <QString>

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

} // namespace ServerBackup
} // namespace valmir
