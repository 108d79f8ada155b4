#pragma once

#include <QString>

namespace valmir {

class Database;

// Computes the totals (Osnova, DDV, ZaPlacilo) of every invoice of the data
// database from its stored lines, its point value, lump-sum percentage,
// unified-report flag and VAT rate, as the editor prices an invoice it
// opens; writes them into tblRacun. Runs inside the caller's transaction.
// False on an engine error (db.lastError() tells why).
bool computeStoredTotals(Database& db);
// The same for the invoice with this ID only.
bool computeStoredTotalsOf(Database& db, qint64 invoiceId);

} // namespace valmir
