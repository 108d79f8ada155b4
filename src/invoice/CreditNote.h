#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace valmir {

class Database;

// A credit note (dobropis) takes back an invoice that has gone out: a
// stored document of its own, numbered from the same counter, that names
// the invoice it credits and whose totals count against the books.

enum class CreditNoteOutcome {
    Made,
    NotFound,     // no invoice with that ID (deleted meanwhile); nothing was written
    IsCreditNote, // a credit note is not credited again
    IsQuote,      // a quote is no invoice: nothing to take back
    NoSettings,   // no settings row, so no counter to number it from
    EngineError   // error holds the engine's words; nothing was written
};

struct CreditNoteResult {
    CreditNoteOutcome outcome = CreditNoteOutcome::Made;
    qint64 id = 0;  // the new credit note
    QString number; // and its number
    QString error;
};

// Makes the credit note of the stored invoice `invoiceId` in one
// transaction: today's date, the next free number of the settings' counter
// (which moves past it), the invoice's customer, header and lines, Dobropis
// set with the invoice's ID, number and date, unpaid, and the totals of its
// lines, priced as the editor prices them, stored negative.
CreditNoteResult makeCreditNote(Database& db, qint64 invoiceId, const QDate& today);

// The numbers of the credit notes that name the invoice; nothing on an
// engine error.
std::optional<QStringList> creditNotesOf(Database& db, qint64 invoiceId);

// "k računu 2026/007 z dne 5. 12. 2026": what a credit note's document
// says of the invoice it takes back.
QString creditedInvoiceText(const QString& number, const QDate& date);

} // namespace valmir
