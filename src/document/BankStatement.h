#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

namespace valmir {

// A bank's account statement as ISO 20022 XML, "Bank to Customer
// Statement" camt.053 in the versions .001.02 (Halcom's Hal E-Bank, most
// Slovenian banks), .001.04 and .001.08, told apart by the namespace.

// One movement of the account: a transaction of an entry (Ntry/NtryDtls/
// TxDtls), or the entry itself when it tells none.
struct StatementMovement {
    bool credit = false;   // CdtDbtInd CRDT: money came in
    bool reversal = false; // RvslInd true: it undoes an earlier movement
    QDate booked;          // BookgDt
    double amount = 0;     // the transaction's own, else the entry's
    QString reference;     // RmtInf/Strd/CdtrRefInf/Ref, blanks taken out
    QString text;          // RmtInf/Ustrd
    QString payer;         // RltdPties/Dbtr/Nm (.08: Dbtr/Pty/Nm)
};

struct BankStatement {
    QString version; // "02", "04" or "08"
    QString iban;    // Stmt/Acct/Id/IBAN as written
    QString id;      // Stmt/Id
    QDate from, to;  // Stmt/FrToDt; empty when the statement gives none
    QList<StatementMovement> movements;
};

// Reads a statement. False with a Slovenian *error that says what is
// wrong: not well-formed XML, not a camt.053 statement of a version read
// here, or an item missing or unreadable (with the line).
bool readBankStatement(const QByteArray& xml, BankStatement* out, QString* error);

// An account number as compared: without blanks, in capitals.
QString compactIban(const QString& iban);

} // namespace valmir
