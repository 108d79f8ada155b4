#pragma once

#include "document/BankStatement.h"

#include <QDate>
#include <QList>
#include <QString>

namespace valmir {

class Database;

// Payments kept per invoice (tblPlacila), read from the bank's statements
// (tblIzpiski), booked by hand or brought over from the paid flag of
// before. What an invoice still owes, its open amount, and its paid flag
// follow from its payments and credit notes by the engine (Schema.cpp).

// What became of a movement of a statement.
enum class PaymentOutcome {
    Full,     // placed, nothing of the invoice is open
    Part,     // placed, some of it is still open
    Over,     // placed, more came than was open
    Unplaced, // no invoice found: kept without one
    Reversed, // a reversal that removed the payment it undoes
    Debit,    // a debit (charges, own payments): left out
};

struct PaymentLine {
    PaymentOutcome outcome = PaymentOutcome::Unplaced;
    QDate date;
    double amount = 0;
    QString reference, text, payer;
    qint64 invoiceId = 0;  // 0: none
    QString invoiceNumber; // of invoiceId
    double openAfter = 0;  // what the invoice owes after it
    qint64 paymentId = 0;  // the row of tblPlacila it made (0: none)
};

struct StatementImport {
    bool ok = false;
    QString error; // a refusal: nothing was written
    BankStatement statement;
    qint64 statementId = 0; // its row of tblIzpiski
    QList<PaymentLine> lines;
    int count(PaymentOutcome outcome) const;
};

// Reads the statement in `xml` and books it, all in one transaction: a
// refused statement (another account, read before, not a camt.053
// statement; the error says which) writes nothing. `today` is the day it
// was read (Uvozen).
StatementImport importStatement(Database& db, const QByteArray& xml, const QDate& today);

// The line of the command line's summary of one file.
QString importSummary(const QString& file, const StatementImport& import);

// An invoice's payment, as the editor lists it.
struct Payment {
    qint64 id = 0;
    QDate date;
    double amount = 0;
    QString source; // Vir: "izpisek", "ročno" or "prenos"
};
bool readPayments(Database& db, qint64 invoiceId, QList<Payment>* out);

// A payment booked by hand, of an invoice that is no credit note; false
// with db.lastError() on an engine error or a refusal.
bool bookPayment(Database& db, qint64 invoiceId, const QDate& date, double amount);
// Removes an invoice's payments booked by hand or brought over (not those
// of a statement).
bool removeHandPayments(Database& db, qint64 invoiceId);
// What the invoice owes now; false on an engine error.
bool openAmount(Database& db, qint64 invoiceId, double* open);
// Gives an unplaced payment to an invoice (no credit note); false on an
// engine error, or when the payment is placed meanwhile.
bool placePayment(Database& db, qint64 paymentId, qint64 invoiceId);

} // namespace valmir
