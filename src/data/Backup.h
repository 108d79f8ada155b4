#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace valmir {

class Database;

// Copies of the data database: the daily copy made on a normal exit, the
// copy the user saves where he likes, and putting a copy back.
//
// Copies go through SQLite's online backup, page by page from the open
// connection, so they are consistent even while the program holds the
// file, and they stay encrypted with the data password. Every copy is
// readable by its owner only.
namespace Backup {

// The folder of the daily copies inside the data folder ("varnostne-kopije/").
QString folderIn(const QString& dataFolder);

// The name of the daily copy of a day: "valmir2009-2026-12-06.db".
QString dailyName(const QDate& day);

// How many daily copies are kept.
constexpr int DailyCopiesKept = 14;

// Writes a copy of the open database to path, keyed with password. The
// file appears (or replaces the one there) only when the copy is complete.
bool copyTo(Database& db, const QString& path, const QString& password, QString* error);

// Makes the day's copy in folder unless it is there already, then deletes
// the oldest daily copies beyond `keep`, oldest by the time they were
// written, never the day's copy. Other files of the folder are left alone.
bool makeDailyCopy(Database& db, const QString& folder, const QString& password, const QDate& day,
                   int keep, QString* error);

// Why the file at path cannot be put back as the data database, or empty
// text when it can: it has to open with the password, pass SQLite's
// integrity check, hold the tables this program works with and not come
// from a newer version of the program.
QString refusal(const QString& path, const QString& password);

// Puts the copy at path back: checks it as refusal() does, keeps the
// current data as a copy in keepFolder first, brings a copy of an earlier
// version up to date (on a file of its own), then replaces the contents of
// the open database in one step. On any failure nothing has changed.
bool restore(Database& db, const QString& path, const QString& password, const QString& keepFolder,
             const QDateTime& now, QString* error);

// A daily copy that failed is told at the next start: the reason is kept
// in a file of the data folder until it is taken. False, with the reason
// in error, when the note cannot be written down to the disk: the failure
// has to be told at once then.
bool recordFailure(const QString& dataFolder, const QString& reason, QString* error);
QString takeFailure(const QString& dataFolder);

// The copy of the data as they were before an upgrade to a newer version
// of the tables: "valmir2009-pred-nadgradnjo-v3-2026-12-07.db", version 3
// being the file's. The daily copies' pruning leaves it alone.
QString upgradeName(int version, const QDate& day);

// Writes that copy of the open database into folder (made when missing);
// path gets its name.
bool keepBeforeUpgrade(Database& db, const QString& folder, const QString& password, int version,
                       const QDate& day, QString* path, QString* error);

} // namespace Backup
} // namespace valmir
