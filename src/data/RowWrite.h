#pragma once

#include "data/Recordset.h"

#include <QString>
#include <QVariantMap>

#include <optional>

namespace valmir {

// Writing one row of a table by its key (its rowid: the ID of the
// program's code lists), for rules that hold a row they read earlier
// rather than a record set standing on it. The write goes through a record
// set over that row, so that it is checked as every record set's write is:
// on the server only a row that still has the version it was read with
// (`version`) is written or deleted; a row another workstation changed or
// deleted since is left as it is, and the result says who and when (the
// error is Messages::RowChangedMeanwhile); a row held without its version
// is not written there at all. On a file, which one workstation uses, the
// version is 0 and only a row gone is refused.
struct RowWritten {
    bool ok = false; // written; else the database's lastError() says why
    std::optional<Recordset::Conflict> conflict; // refused: changed or deleted meanwhile
    // The row's version now: after the write, or the other workstation's
    // change that refused it; 0 for a row not there and on a file.
    qint64 version = 0;
};

// Sets `fields` (by name) of the row; nothing when it is refused.
RowWritten updateRow(Database& db, const QString& table, qint64 key, qint64 version,
                     const QVariantMap& fields);
RowWritten deleteRow(Database& db, const QString& table, qint64 key, qint64 version);

} // namespace valmir
