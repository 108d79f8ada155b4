#pragma once

#include "data/Recordset.h"
#include "invoice/Vat.h"
#include "text/Messages.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace valmir {

class Database;
class Recordset;

// The editor's header as typed.
struct InvoiceHeader {
    QStringList text1;                     // Text1(0) .. Text1(15), exactly 16 entries
    qint64 staffId = 0;                    // item data of the chosen staff entry, 0 for none
    bool unifiedReport = false;            // Check1
    bool paid = false;                     // Check3
    QString percentText;                   // Text3
    QString pointValueText;                // Text2
    double vatPercent = DefaultVatPercent; // the rate the invoice is priced with
    // A credit note: the invoice it takes back. Its totals are stored
    // negative, and its document says what it credits.
    struct Credited {
        QString number;
        QDate date;
    };
    std::optional<Credited> credits = std::nullopt;
    // A quote (Ponudba): numbered by its own counter, never due, and never
    // counted with the invoices. An invoice made from a quote names it
    // (fromQuote, its ID; 0 for none).
    bool quote = false;
    qint64 fromQuote = 0;
    // The number box holds the number the program proposed, untouched: when
    // another workstation has taken it meanwhile, the save takes the next
    // free one instead of refusing.
    bool numberProposed = false;
    // An invoice being changed (mode 1): the row version read with it, so
    // that a change by another workstation since is not overwritten. 0 on
    // the file, which one workstation uses.
    qint64 rowVersion = 0;
    // A new invoice on the server: the identity of its save, which the
    // editor makes (a UUID) and keeps while it tries again. A save whose
    // COMMIT went unanswered looks the invoice up by it, and a save again
    // of one that landed finds it instead of adding it twice. Empty for an
    // opened invoice and on the file, whose COMMIT lands or fails here.
    QString saveKey = QString();
};

enum class SaveOutcome {
    Saved,
    PointValueNotNumeric,
    PercentNotNumeric,
    DuplicateNumber,
    BadDate,
    NoCustomerName,   // an invoice names its buyer
    ChangedMeanwhile, // another workstation changed or deleted the invoice; error says who
    EngineError,      // error holds the engine's text; nothing was written
    OutcomeUnknown    // the COMMIT went unanswered and the server cannot be asked since
};

struct SaveResult {
    SaveOutcome outcome = SaveOutcome::Saved;
    QString error;
    qint64 invoiceId = 0;
    QString number; // the number the invoice was saved with
    // Saved by an earlier try of the same save (InvoiceHeader::saveKey),
    // as stored then; nothing was written now.
    bool savedBefore = false;
};

// The message box for a refused save.
Message saveMessage(SaveOutcome outcome);

// What a save or a delete refused for a change by another workstation
// tells in the message's brackets: who and when, or that it is deleted.
QString conflictText(const std::optional<Recordset::Conflict>& conflict);

// Moves the settings' counter past a new document's number ("2026/007"
// leaves 8, of the year 2026); a number without "/" leaves it alone. False
// on an engine error.
// A quote's number moves the quote counter (StPonudbe) instead.
bool advanceCounter(Database& db, const QString& number, bool quote = false);

// The counter a new document of `year` is numbered with (counterForYear),
// from the stored counter and the office's choice; reads the counter's
// year (and, not knowing it, the newest invoice's date) only when the
// counter starts again each year. The quote counter knows no year of its
// own: the newest quote's date tells. False on an engine error.
bool counterForNewDocument(Database& db, double storedCounter, bool restartEachYear, int year,
                           double* counter, bool quote = false);

// The counter of the next quote as stored (StPonudbe; 1 where none is) and
// the office's choice of starting again each year. False on an engine error.
bool storedQuoteCounter(Database& db, double* counter, bool* restartEachYear);

// Holds the settings row until the caller's transaction ends: workstations
// that number a new document wait here for one another, and each then sees
// the numbers the others took. False on an engine error.
bool holdCounter(Database& db);

// The first number from `counter` on (proposeNumber in `year`) that no
// invoice carries. False on an engine error.
bool firstFreeNumber(Database& db, int year, double counter, QString* number, bool quote = false);

// Whether the header may be saved without a customer's name: an invoice
// may not.
bool customerNameMissing(const InvoiceHeader& header);

// A new invoice dated `date` before the latest date of the stored invoices
// (credit notes included) breaks the order in which they are issued.
struct DateOrder {
    bool ok = true;              // false: error holds the engine's text
    std::optional<QDate> latest; // set when `date` is before it
    QString error;
};
DateOrder checkDateOrder(Database& db, const QDate& date);

// Saves an invoice: checks the header (point value, percentage, customer, unique
// number when it differs from originalNumber, date), then in one
// transaction of the data database writes the tblRacun row through `list`
// (the main list's record set: edits its current row for mode 1, adds a
// row otherwise) with the totals of the lines (Osnova, DDV, ZaPlacilo at
// the header's VAT rate; the caller has priced the lines), replaces the invoice's tblRacunTarife
// lines by the rows of `lines` (the working table in the order Red) and, for a new invoice whose
// number holds "/", advances the settings' counter. On success `list` stands on the saved row; on
// failure nothing is written and `list` stands where it stood. The lines are read from the file of
// `lines` in the order TS1, TS2, so its position is not disturbed; a cell still being typed must be
// written before the call. For mode 1 the number lookup ignores the invoice itself (a change of
// case of its own number is no clash). A new invoice with a save key whose COMMIT fails is looked
// up by the key on the connection made anew, once the lost transaction has ended on the server:
// found, it is Saved (with `list` read again and standing on it), else refused as EngineError;
// OutcomeUnknown when the server cannot be asked.
SaveResult saveInvoice(Database& db, Recordset& list, Recordset& lines, int mode,
                       const QString& originalNumber, const InvoiceHeader& header);

} // namespace valmir
