#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace valmir {

class Database;

// "Kopiraj račun": a new invoice made from a stored one, for the same work
// done again. It takes the customer, the service title, the case number,
// the remark, the point value, the lump-sum percentage, the unified-report
// choice and the lines, each line with the points its operation has in the
// tariff now. Number, date, validity and VAT rate are those of any new
// invoice; nothing is written to the data database.
struct InvoiceCopy {
    bool ok = true;
    QString error;                        // the engine's words
    bool found = true;                    // false: no stored invoice with that ID
    QList<std::pair<int, QString>> boxes; // header box Text1(box) and its text
    QString pointValueText;               // Text2
    QString percentText;                  // Text3
    bool unifiedReport = false;           // Check1
    bool hasLumpSumLine = false;          // tick the lump-sum option
    bool hasExpenseLine = false;          // the lump-sum option is locked
    int lines = 0;                        // lines in the working table
    // The lines left out, because their operation is no longer in the
    // tariff: what is known of each (points, quantity, amount).
    QStringList leftOut;
};

// Reads the stored invoice `invoiceId` and puts its lines into the emptied
// working table of `work`. On an engine error the working table is left
// empty. `asStored` (an invoice made from a quote) keeps every line with
// the points, quantity and surcharge it was stored with: the price that
// was promised, not the tariff of now.
InvoiceCopy copyInvoice(Database& db, Database& work, qint64 invoiceId, bool asStored = false);

} // namespace valmir
