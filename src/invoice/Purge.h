#pragma once

#include <QDate>
#include <QString>

namespace valmir {

class Database;

struct PurgeResult {
    bool ok;
    int invoices;  // how many invoices were deleted
    QString error; // the engine's text when nothing was deleted
};

// Deletes every invoice dated before the cut-off day together with its
// lines, in one transaction: the invoices' rows are taken (on a server,
// locked) before their lines, as a save takes them, then the lines of
// exactly those invoices are deleted, then the invoices. An invoice
// dated on the cut-off day stays, and so does one without a date. When any
// step fails everything is rolled back and the engine's error is returned.
PurgeResult purgeInvoicesBefore(Database& db, const QDate& cutOff);

} // namespace valmir
