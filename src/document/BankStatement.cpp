#include "document/BankStatement.h"

#include "text/Messages.h"

#include <QStringList>
#include <QXmlStreamReader>

namespace valmir {

namespace {

const QString Namespace = QStringLiteral("urn:iso:std:iso:20022:tech:xsd:camt.053.001.");

// Where the reader stands, as the names from the statement down ("Ntry",
// "NtryDtls", "TxDtls", "Amt"); a path is matched by its end.
bool endsWith(const QStringList& path, std::initializer_list<const char*> tail) {
    if (path.size() < qsizetype(tail.size()))
        return false;
    qsizetype i = path.size() - qsizetype(tail.size());
    for (const char* name : tail)
        if (path.at(i++) != QLatin1String(name))
            return false;
    return true;
}

// "2026-12-08" or "2026-12-08T10:00:00", with or without a zone.
QDate dateOf(const QString& text) { return QDate::fromString(text.left(10), Qt::ISODate); }

// An entry as read: its own amount and date, and its transactions.
struct Entry {
    StatementMovement common;
    bool hasAmount = false, hasSign = false, hasDate = false;
    QList<StatementMovement> transactions;
    QList<bool> transactionAmounts; // whether each told its amount
    qint64 line = 0;
};

} // namespace

QString compactIban(const QString& iban) {
    QString out;
    for (QChar c : iban)
        if (!c.isSpace())
            out += c.toUpper();
    return out;
}

bool readBankStatement(const QByteArray& xml, BankStatement* out, QString* error) {
    *out = {};
    QXmlStreamReader r(xml);
    QStringList path;
    int statements = 0;
    bool inStatement = false, inAccount = false;
    Entry entry;
    bool inEntry = false, inTransaction = false;
    const auto refuse = [&](const QString& why) {
        *error = PaymentMessages::NotStatement.arg(why);
        return false;
    };
    while (!r.atEnd()) {
        const QXmlStreamReader::TokenType token = r.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QString name = r.name().toString();
            if (path.isEmpty()) {
                const QString ns = r.namespaceUri().toString();
                if (name != u"Document" || !ns.startsWith(Namespace))
                    return refuse(PaymentMessages::NotCamt053.arg(
                        ns.isEmpty() ? name : ns + QStringLiteral(" ") + name));
                out->version = ns.mid(Namespace.size());
                if (out->version != u"02" && out->version != u"04" && out->version != u"08")
                    return refuse(PaymentMessages::OtherCamtVersion.arg(ns));
            }
            path << name;
            if (endsWith(path, {"BkToCstmrStmt", "Stmt"})) {
                if (++statements > 1)
                    return refuse(PaymentMessages::SeveralStatements);
                inStatement = true;
            } else if (inStatement && endsWith(path, {"Stmt", "Acct"})) {
                inAccount = true;
            } else if (inStatement && endsWith(path, {"Stmt", "Ntry"})) {
                inEntry = true;
                entry = Entry();
                entry.line = r.lineNumber();
            } else if (inEntry && endsWith(path, {"NtryDtls", "TxDtls"})) {
                inTransaction = true;
                entry.transactions << StatementMovement();
                entry.transactionAmounts << false;
            }
            continue;
        }
        if (token == QXmlStreamReader::Characters && !r.isWhitespace() && !path.isEmpty()) {
            const QString text = r.text().toString().trimmed();
            if (inTransaction) {
                StatementMovement& t = entry.transactions.last();
                if (endsWith(path, {"TxDtls", "Amt"}) ||
                    endsWith(path, {"TxDtls", "AmtDtls", "TxAmt", "Amt"})) {
                    bool ok = false;
                    t.amount = text.toDouble(&ok);
                    if (!ok)
                        return refuse(PaymentMessages::BadAmount.arg(text).arg(r.lineNumber()));
                    entry.transactionAmounts.last() = true;
                } else if (endsWith(path, {"RmtInf", "Strd", "CdtrRefInf", "Ref"})) {
                    t.reference = compactIban(text);
                } else if (endsWith(path, {"RmtInf", "Ustrd"})) {
                    t.text = t.text.isEmpty() ? text : t.text + u' ' + text;
                } else if (endsWith(path, {"RltdPties", "Dbtr", "Nm"}) ||
                           endsWith(path, {"RltdPties", "Dbtr", "Pty", "Nm"})) {
                    t.payer = text;
                }
            } else if (inEntry) {
                if (endsWith(path, {"Ntry", "Amt"})) {
                    bool ok = false;
                    entry.common.amount = text.toDouble(&ok);
                    if (!ok)
                        return refuse(PaymentMessages::BadAmount.arg(text).arg(r.lineNumber()));
                    entry.hasAmount = true;
                } else if (endsWith(path, {"Ntry", "CdtDbtInd"})) {
                    if (text != u"CRDT" && text != u"DBIT")
                        return refuse(PaymentMessages::BadSign.arg(text).arg(r.lineNumber()));
                    entry.common.credit = text == u"CRDT";
                    entry.hasSign = true;
                } else if (endsWith(path, {"Ntry", "RvslInd"})) {
                    entry.common.reversal = text == u"true" || text == u"1";
                } else if (endsWith(path, {"Ntry", "BookgDt", "Dt"}) ||
                           endsWith(path, {"Ntry", "BookgDt", "DtTm"})) {
                    entry.common.booked = dateOf(text);
                    entry.hasDate = entry.common.booked.isValid();
                }
            } else if (inAccount && endsWith(path, {"Acct", "Id", "IBAN"})) {
                out->iban = text;
            } else if (inStatement && endsWith(path, {"Stmt", "Id"})) {
                out->id = text;
            } else if (inStatement && endsWith(path, {"Stmt", "FrToDt", "FrDtTm"})) {
                out->from = dateOf(text);
            } else if (inStatement && endsWith(path, {"Stmt", "FrToDt", "ToDtTm"})) {
                out->to = dateOf(text);
            }
            continue;
        }
        if (token == QXmlStreamReader::EndElement) {
            if (inTransaction && endsWith(path, {"NtryDtls", "TxDtls"})) {
                inTransaction = false;
            } else if (inEntry && endsWith(path, {"Stmt", "Ntry"})) {
                inEntry = false;
                if (!entry.hasAmount || !entry.hasSign || !entry.hasDate)
                    return refuse(PaymentMessages::EntryIncomplete.arg(entry.line));
                // One transaction takes the entry's amount when it tells
                // none; of several each must tell its own.
                if (entry.transactions.isEmpty()) {
                    out->movements << entry.common;
                } else {
                    for (qsizetype i = 0; i < entry.transactions.size(); ++i) {
                        StatementMovement m = entry.transactions.at(i);
                        if (!entry.transactionAmounts.at(i)) {
                            if (entry.transactions.size() > 1)
                                return refuse(
                                    PaymentMessages::TransactionWithoutAmount.arg(entry.line));
                            m.amount = entry.common.amount;
                        }
                        m.credit = entry.common.credit;
                        m.reversal = entry.common.reversal;
                        m.booked = entry.common.booked;
                        out->movements << m;
                    }
                }
            } else if (inAccount && endsWith(path, {"Stmt", "Acct"})) {
                inAccount = false;
            } else if (inStatement && endsWith(path, {"BkToCstmrStmt", "Stmt"})) {
                inStatement = false;
            }
            path.removeLast();
        }
    }
    if (r.hasError())
        return refuse(PaymentMessages::NotWellFormed.arg(r.errorString())
                          .arg(r.lineNumber())
                          .arg(r.columnNumber()));
    if (statements == 0)
        return refuse(PaymentMessages::NoStatement);
    if (out->iban.trimmed().isEmpty())
        return refuse(PaymentMessages::NoAccount);
    if (out->id.trimmed().isEmpty())
        return refuse(PaymentMessages::NoStatementId);
    return true;
}

} // namespace valmir
