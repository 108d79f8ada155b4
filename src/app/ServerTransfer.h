#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <functional>

namespace valmir {

class Database;
class PgConnection;

// Moving the office's data from the file to a PostgreSQL server
// ("valmir --prenesi CONNINFO"): the program's tables are made in an empty
// server database and every row of the file's data tables is copied there,
// all in one transaction on the server, so that a failure leaves the
// server as it was. The file is only read.
namespace ServerTransfer {

struct Result {
    bool ok = false;
    bool cancelled = false;               // the progress asked to stop
    QString error;                        // Slovenian, with the server's words
    QList<QPair<QString, qint64>> counts; // each copied table's rows on the server
    qint64 datesEmptied = 0; // dates that were none, Null on the server (dateForServer)
};

// How far a copy is, told before each table and after each slice of rows
// sent; `table` is empty while the server completes the tables at the end.
struct Step {
    QString table;
    qint64 rowsSent = 0; // of all tables so far
    qint64 rowsAll = 0;  // of all tables in the file
};
// Answers whether to go on: false cancels the copy.
using Progress = std::function<bool(const Step&)>;

// Why the server database cannot take the data (it holds the program's
// tables already, or cannot be asked), or empty text when it can.
QString refusal(PgConnection& server);

// Copies the data of an open file of the current version to the server.
// A cancel, like a failure, rolls the server's transaction back: nothing
// of the copy remains there.
Result copyToServer(Database& file, PgConnection& server, const Progress& progress = {});

// The whole "--prenesi" run on the console: opens the data folder's file
// as a start does (an older file is upgraded first), connects, copies and
// prints each table's row count; the exit code (0, or 1 with the reason
// on the standard error). Nothing is done to the file when the server
// refuses.
int run(const QString& dataDir, const QString& conninfo);

} // namespace ServerTransfer
} // namespace valmir
