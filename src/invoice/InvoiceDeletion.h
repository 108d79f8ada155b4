#pragma once

#include <QString>

namespace valmir {

class Recordset;

struct InvoiceDeletionResult {
    bool deleted = false;
    QString error; // the engine's text when nothing was deleted
};

// Deletes the invoice that is current in the invoice list together with
// its stored lines, in one transaction on the list's database, then makes
// the following invoice current, or the last one when the deleted invoice
// was the last. When any step fails nothing is deleted, the list still
// holds the invoice and stands on it, and the engine's error is returned.
InvoiceDeletionResult deleteCurrentInvoice(Recordset& invoices);

} // namespace valmir
