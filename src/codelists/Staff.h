#pragma once

#include "data/RowWrite.h"

#include <QString>

namespace valmir {

class Database;

// A name holds at most this many characters; a longer answer is cut.
inline constexpr int StaffNameLength = 50;

// The name to store for what was typed into the input box: cut to its
// first 50 characters. Empty when there is nothing to store (an empty
// answer or Cancel).
QString staffName(const QString& answer);

// What became of a write to the staff list.
struct StaffWrite {
    bool written = false; // a row was added, renamed or deleted
    bool ok = true;       // false: the engine refused, error tells why
    qint64 id = 0;        // the row added
    int invoices = 0;     // deleting: the invoices naming the person (then nothing is deleted)
    QString error;
    // Not ok because another workstation changed or deleted the person
    // since the list showed them (RowWrite.h); error says who and when, and
    // version is the row's version after that change.
    std::optional<Recordset::Conflict> conflict;
    qint64 version = 0;
};

// Adds a person named by the answer; an empty answer adds nothing.
StaffWrite addStaff(Database& db, const QString& answer);
// Renames the person with this ID, as read with `version` (the row's
// version on the server, 0 on a file); an empty answer changes nothing, so
// that a name cannot be emptied.
StaffWrite renameStaff(Database& db, qint64 id, qint64 version, const QString& answer);
// Deletes the person unless invoices name them as their compiler. The
// count and the delete run in one transaction, so that no invoice can
// come to name a person between the check and the delete.
StaffWrite deleteStaff(Database& db, qint64 id, qint64 version);

} // namespace valmir
