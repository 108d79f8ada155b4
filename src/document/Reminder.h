#pragma once

#include "document/InvoiceDocument.h"
#include "text/Messages.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace valmir {

class Database;
class RtfDocument;
struct DocumentBlocks;

// A reminder (opomin): the letter that asks a customer to pay an invoice
// that is overdue, with the amount still owed and the UPN QR code to pay
// it by. It is made from the stored invoice alone; the main list's
// "Opomin" draws it as a PDF and records it on the invoice.

// The stored invoice as a reminder needs it.
struct ReminderInvoice {
    QStringList text1; // the header boxes Text1(0..15) as the editor shows them
    QDate date;        // Datum
    QDate due;         // Zapade; none for a credit note
    bool paid = false;
    bool creditNote = false;
    bool quote = false;  // a quote is no invoice: never reminded of
    double total = 0;    // ZaPlacilo
    double credited = 0; // what its credit notes take back, a positive sum
    double payments = 0; // what was paid of it so far (tblPlacila)
    int reminders = 0;   // Opominov: how many were made before
    QString number() const { return text1.value(0); }
    double owed() const;
};

struct ReminderInput {
    ReminderInvoice invoice;
    DocumentSettings settings;
    QDate today; // the reminder's date
};

// Reads the invoice with this ID, what its credit notes take back, what
// was paid of it, and the settings. False with *error on an engine error or when there is no
// such invoice.
bool readReminder(Database& db, qint64 invoiceId, const QDate& today, ReminderInput* out,
                  QString* error);

// Who may get a reminder: a credit note is never due, a paid invoice or one
// its credit notes take back whole owes nothing, and an invoice is overdue
// only from the day after its due date. Checked in this order.
enum class ReminderRefusal { None, CreditNote, Paid, NothingOwed, NoDueDate, NotDue, Quote };
ReminderRefusal reminderRefusal(const ReminderInvoice& invoice, const QDate& today);
// The message that tells the user why, with the invoice's number and due
// date put in.
Message reminderRefusalMessage(ReminderRefusal refusal, const ReminderInvoice& invoice);

// Whole days from the due date to today; 0 when it is not overdue.
qint64 daysOverdue(const QDate& due, const QDate& today);

// The letter's text: the one stored in the settings, or the program's own
// when none is.
QString reminderText(const QString& stored);
QString defaultReminderText();

// "OPOMIN" for the first reminder, "2. OPOMIN" for the second, ...
QString reminderTitle(int ordinal);
// What the main list shows of an invoice's reminders: the date of the last
// one, and its number in front when more than one went out ("2. opomin
// 12.11.2026"); empty for none.
QString reminderMark(const QDate& last, int count);

// The payment order of the amount owed, with the invoice's own reference
// and the purpose "Opomin za račun <number>".
UpnQrInput reminderQrInput(const ReminderInput& in);

// The letter as its blocks, from the addresses to the UPN QR code. Returns
// why the code is missing, as upnQrBlocks does.
QString reminderBlocks(const ReminderInput& in, DocumentBlocks* out);
// The same written into an opened RtfDocument, its prolog first;
// CloseDocument is left to the caller.
QString writeReminderDocument(RtfDocument& doc, const ReminderInput& in);

// A reminder made today: its date in Opomin and one more in Opominov, in
// one statement, so both are written or neither. False with db.lastError().
bool recordReminder(Database& db, qint64 invoiceId, const QDate& today);

} // namespace valmir
