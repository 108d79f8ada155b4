#pragma once

#include <QString>
#include <QStringList>

namespace valmir {

// Where the program's data live for the account: the data file of the
// data folder, or the office's database on a PostgreSQL server. The choice
// is kept in the account's settings as a libpq connection string (empty
// for the file) and read at the next start; "--server" on the command
// line overrides it for one run.
namespace ServerChoice {

// The remembered connection string; empty for the file.
QString remembered();
// Keeps it for the next starts (empty: the file). False, with the reason
// in *error, when the settings cannot be written.
bool remember(const QString& conninfo, QString* error);

// Why a typed connection string cannot be used at all (none typed, it
// carries a password, libpq cannot read it), or empty text.
QString refusal(const QString& conninfo);

// What a connection to a server database finds there.
struct Probe {
    enum Found {
        Refused,     // the string itself is refused (refusal())
        Unreachable, // no connection: libpq's or the server's words in detail
        Empty,       // none of the program's tables: the data can be moved there
        Partial,     // some of the program's tables, not all: neither start nor move
        Ours,        // the program's data, of `version`
    };
    Found found = Unreachable;
    QString database; // the server's name of it
    int version = 0;  // for Ours
    QString detail;   // why it was refused or unreachable; the tables there for Partial

    // The program can start on it: its data, of this program's version.
    bool usable() const;
};

// Connects as a start does (Database::connect) and looks at what is there.
Probe probe(const QString& conninfo);

// What was found, in one Slovenian message; whether it is good news
// (a database to work on or to move the data into) is `fine`.
QString told(const Probe& probe, bool* fine = nullptr);

} // namespace ServerChoice
} // namespace valmir
