#include "document/Payments.h"

#include "data/Database.h"
#include "data/EngineQuery.h"
#include "document/UpnQr.h"
#include "text/Messages.h"
#include "text/TextForms.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <cmath>

namespace valmir {

namespace {

const QString FromStatement = QStringLiteral("izpisek");
const QString ByHand = QStringLiteral("ročno");

double cents2(double v) { return std::round(v * 100) / 100; }

QVariant noKey() { return QVariant(QMetaType::fromType<qint64>()); }

// An invoice number as the free text of a payment gives it: "2026-004" is
// "2026/004".
QString numberKey(const QString& number) {
    QString key = number.trimmed();
    key.replace(u'-', u'/');
    return key;
}

struct Invoice {
    QString number;
    double open = 0;
    bool creditNote = false;
};

// What the matching looks an invoice up by: its payment reference (the
// one the UPN QR code carries) and its number; a key two invoices share
// finds none of them.
struct Invoices {
    QHash<QString, qint64> byReference, byNumber;
    QHash<qint64, Invoice> rows;

    bool read(Database& db) {
        return db.forEachRow(
            // A quote is no invoice: nothing is paid to it.
            QStringLiteral("SELECT ID, StevilkaRacuna, ifnull(Dobropis, False), Odprto "
                           "FROM tblRacun WHERE ifnull(Ponudba, False) = False"),
            {}, [this](const QueryRow& row) {
                const qint64 id = row.integer(0);
                Invoice inv{row.text(1), row.isNull(3) ? 0 : row.number(3), row.boolean(2)};
                rows.insert(id, inv);
                const auto add = [id](QHash<QString, qint64>& hash, const QString& key) {
                    if (key.isEmpty())
                        return;
                    auto it = hash.find(key);
                    if (it == hash.end())
                        hash.insert(key, id);
                    else
                        *it = -1;
                };
                const UpnReference ref = upnReference(inv.number);
                if (!ref.reference.isEmpty())
                    add(byReference, ref.field());
                add(byNumber, numberKey(inv.number));
            });
    }

    qint64 find(const StatementMovement& m) const {
        if (!m.reference.isEmpty())
            if (const qint64 id = byReference.value(m.reference); id > 0)
                return id;
        // "P2026/001" is a quote's number, not the invoice 2026/001's.
        static const QRegularExpression number(
            QStringLiteral(R"((?<![\dPp])(\d{4})\s*[/-]\s*(\d+)(?!\d))"));
        for (auto it = number.globalMatch(m.text); it.hasNext();) {
            const auto found = it.next();
            const qint64 id = byNumber.value(found.captured(1) + u'/' + found.captured(2));
            if (id > 0)
                return id;
        }
        return 0;
    }
};

// A payment to be written, or one of the statement's that a later
// reversal of it took back before it was.
struct Planned {
    qint64 invoiceId = 0;
    const StatementMovement* movement = nullptr;
    qint64 line = 0; // its PaymentLine
    bool reversed = false;
};

StatementImport refused(StatementImport import, const QString& error) {
    import.ok = false;
    import.error = error;
    return import;
}

} // namespace

int StatementImport::count(PaymentOutcome outcome) const {
    int n = 0;
    for (const PaymentLine& line : lines)
        n += line.outcome == outcome;
    return n;
}

StatementImport importStatement(Database& db, const QByteArray& xml, const QDate& today) {
    StatementImport result;
    QString error;
    if (!readBankStatement(xml, &result.statement, &error))
        return refused(result, error);
    const BankStatement& st = result.statement;
    const QString iban = compactIban(st.iban);
    const QString oznaka = st.id.trimmed();
    const auto alreadyRead = [&]() -> std::optional<QString> {
        std::optional<QString> when;
        if (!db.forEachRow(QStringLiteral("SELECT Uvozen FROM tblIzpiski WHERE IBAN = ? AND "
                                          "Oznaka = ?"),
                           {iban, oznaka},
                           [&when](const QueryRow& row) { when = dateText(row.date(0)); }))
            return std::nullopt;
        return when ? when : std::optional<QString>(QString());
    };

    Transaction tx(db);
    if (!tx.active())
        return refused(result, PaymentMessages::Failed.arg(db.lastError()));
    QVariant office;
    if (!db.queryValue(QStringLiteral("SELECT TRR FROM tblNastavitve ORDER BY rowid LIMIT 1"), {},
                       &office))
        return refused(result, PaymentMessages::Failed.arg(db.lastError()));
    if (compactIban(office.toString()).isEmpty())
        return refused(result, PaymentMessages::NoOfficeAccount.arg(st.iban));
    if (compactIban(office.toString()) != iban)
        return refused(result, PaymentMessages::OtherAccount.arg(st.iban, office.toString()));
    {
        const std::optional<QString> when = alreadyRead();
        if (!when)
            return refused(result, PaymentMessages::Failed.arg(db.lastError()));
        if (!when->isEmpty())
            return refused(result, PaymentMessages::AlreadyRead.arg(oznaka, st.iban, *when));
    }

    // Everything read first; then the statement's row, which a second
    // reading of the same statement at this moment waits for and is then
    // refused by (the unique index), and the payments.
    Invoices invoices;
    if (!invoices.read(db))
        return refused(result, PaymentMessages::Failed.arg(db.lastError()));
    QList<Planned> planned;
    QList<qint64> removed; // payments of earlier statements a reversal takes back
    QSet<qint64> claimed;
    for (const StatementMovement& m : st.movements) {
        PaymentLine line;
        line.date = m.booked;
        line.amount = m.amount;
        line.reference = m.reference;
        line.text = m.text;
        line.payer = m.payer;
        if (m.credit && !m.reversal) {
            qint64 id = invoices.find(m);
            if (id > 0 && invoices.rows.value(id).creditNote)
                id = 0; // a credit note is never paid
            if (id > 0) {
                Invoice& inv = invoices.rows[id];
                inv.open = cents2(inv.open - m.amount);
                line.invoiceId = id;
                line.invoiceNumber = inv.number;
                line.openAfter = inv.open;
                line.outcome = inv.open > 0   ? PaymentOutcome::Part
                               : inv.open < 0 ? PaymentOutcome::Over
                                              : PaymentOutcome::Full;
            } else {
                line.outcome = PaymentOutcome::Unplaced;
            }
            planned << Planned{id, &m, qint64(result.lines.size())};
        } else if (!m.credit && m.reversal) {
            // The credit it undoes: of this statement, else the latest of
            // an earlier one with the same amount and reference or text.
            line.outcome = PaymentOutcome::Debit;
            for (auto p = planned.rbegin(); p != planned.rend(); ++p)
                if (!p->reversed && p->movement->amount == m.amount &&
                    p->movement->reference == m.reference &&
                    (!m.reference.isEmpty() || p->movement->text == m.text)) {
                    p->reversed = true;
                    line.outcome = PaymentOutcome::Reversed;
                    line.invoiceId = p->invoiceId;
                    break;
                }
            if (line.outcome != PaymentOutcome::Reversed) {
                qint64 found = 0, invoiceId = 0;
                if (!db.forEachRow(
                        QStringLiteral("SELECT ID, RacunID FROM tblPlacila WHERE Vir = ? AND "
                                       "Znesek = ? AND ifnull(Referenca, '') = ? AND "
                                       "(? <> '' OR ifnull(Opis, '') = ?) ORDER BY ID DESC"),
                        {FromStatement, m.amount, m.reference, m.reference, m.text},
                        [&](const QueryRow& row) {
                            if (found == 0 && !claimed.contains(row.integer(0))) {
                                found = row.integer(0);
                                invoiceId = row.isNull(1) ? 0 : row.integer(1);
                            }
                        }))
                    return refused(result, PaymentMessages::Failed.arg(db.lastError()));
                if (found > 0) {
                    claimed << found;
                    removed << found;
                    line.outcome = PaymentOutcome::Reversed;
                    line.invoiceId = invoiceId;
                }
            }
            if (line.outcome == PaymentOutcome::Reversed && line.invoiceId > 0) {
                Invoice& inv = invoices.rows[line.invoiceId];
                inv.open = cents2(inv.open + m.amount);
                line.invoiceNumber = inv.number;
                line.openAfter = inv.open;
            }
        } else {
            line.outcome = PaymentOutcome::Debit; // charges, our own payments
        }
        result.lines << line;
    }
    // A payment this statement brought and took back is none.
    int credits = 0, placed = 0;
    for (const Planned& p : std::as_const(planned)) {
        if (p.reversed) {
            result.lines[p.line].outcome = PaymentOutcome::Reversed;
            continue;
        }
        ++credits;
        placed += p.invoiceId > 0;
    }
    qint64 statementId = 0;
    // "Do" is a word of the server's SQL: quoted.
    if (!db.insert(QStringLiteral("INSERT INTO tblIzpiski (IBAN, Oznaka, Od, \"do\", Uvozen, "
                                  "Prilivov, Razporejenih, Nerazporejenih, Bremenitev) "
                                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                   {iban, oznaka,
                    st.from.isValid() ? QVariant(st.from) : QVariant(QMetaType::fromType<QDate>()),
                    st.to.isValid() ? QVariant(st.to) : QVariant(QMetaType::fromType<QDate>()),
                    today, credits, placed, credits - placed, result.count(PaymentOutcome::Debit)},
                   &statementId)) {
        const QString why = db.lastError();
        db.rollback();
        // Another workstation read it at the same moment.
        const std::optional<QString> when = alreadyRead();
        if (when && !when->isEmpty())
            return refused(result, PaymentMessages::AlreadyRead.arg(oznaka, st.iban, *when));
        return refused(result, PaymentMessages::Failed.arg(why));
    }
    for (const qint64 id : std::as_const(removed))
        if (!db.execute(QStringLiteral("DELETE FROM tblPlacila WHERE ID = ? AND Vir = ?"),
                        {id, FromStatement}))
            return refused(result, PaymentMessages::Failed.arg(db.lastError()));
    for (const Planned& p : std::as_const(planned)) {
        if (p.reversed)
            continue;
        const StatementMovement& m = *p.movement;
        qint64 key = 0;
        if (!db.insert(QStringLiteral("INSERT INTO tblPlacila (RacunID, Datum, Znesek, Vir, "
                                      "IzpisekID, Referenca, Placnik, Opis) "
                                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                       {p.invoiceId > 0 ? QVariant(p.invoiceId) : noKey(), m.booked, m.amount,
                        FromStatement, statementId, m.reference, m.payer, m.text},
                       &key))
            return refused(result, PaymentMessages::Failed.arg(db.lastError()));
        result.lines[p.line].paymentId = key;
    }
    if (!tx.commit()) {
        const QString why = db.lastError();
        const std::optional<QString> when = alreadyRead();
        if (when && !when->isEmpty())
            return refused(result, PaymentMessages::AlreadyRead.arg(oznaka, st.iban, *when));
        return refused(result, PaymentMessages::Failed.arg(why));
    }
    result.statementId = statementId;
    result.ok = true;
    return result;
}

QString importSummary(const QString& file, const StatementImport& import) {
    const int credits = import.count(PaymentOutcome::Full) + import.count(PaymentOutcome::Part) +
                        import.count(PaymentOutcome::Over) + import.count(PaymentOutcome::Unplaced);
    return PaymentMessages::Summary.arg(file, import.statement.id)
        .arg(credits)
        .arg(import.count(PaymentOutcome::Full))
        .arg(import.count(PaymentOutcome::Part))
        .arg(import.count(PaymentOutcome::Over))
        .arg(import.count(PaymentOutcome::Unplaced))
        .arg(import.count(PaymentOutcome::Reversed))
        .arg(import.count(PaymentOutcome::Debit));
}

bool readPayments(Database& db, qint64 invoiceId, QList<Payment>* out) {
    out->clear();
    return db.forEachRow(
        QStringLiteral("SELECT ID, Datum, Znesek, Vir FROM tblPlacila "
                       "WHERE RacunID = ? ORDER BY Datum, ID"),
        {invoiceId}, [out](const QueryRow& row) {
            *out << Payment{row.integer(0), row.date(1), row.number(2), row.text(3)};
        });
}

namespace {

// False, with the engine's error or the refusal, for a credit note (it
// is never paid) and for a quote (no invoice).
bool payable(Database& db, qint64 invoiceId) {
    bool refused = false;
    if (!db.forEachRow(QStringLiteral("SELECT ifnull(Dobropis, False), ifnull(Ponudba, False), "
                                      "StevilkaRacuna FROM tblRacun WHERE ID = ?"),
                       {invoiceId}, [&](const QueryRow& row) {
                           if (row.boolean(0))
                               db.setError(PaymentMessages::CreditNoteNotPaid);
                           else if (row.boolean(1))
                               db.setError(QuoteMessages::NoPayment.arg(row.text(2)));
                           refused = row.boolean(0) || row.boolean(1);
                       }))
        return false;
    return !refused;
}

} // namespace

bool bookPayment(Database& db, qint64 invoiceId, const QDate& date, double amount) {
    if (!payable(db, invoiceId))
        return false;
    qint64 key = 0;
    return db.insert(QStringLiteral("INSERT INTO tblPlacila (RacunID, Datum, Znesek, Vir) "
                                    "VALUES (?, ?, ?, ?)"),
                     {invoiceId, date, cents2(amount), ByHand}, &key);
}

bool removeHandPayments(Database& db, qint64 invoiceId) {
    return db.execute(QStringLiteral("DELETE FROM tblPlacila WHERE RacunID = ? AND Vir <> ?"),
                      {invoiceId, FromStatement});
}

bool openAmount(Database& db, qint64 invoiceId, double* open) {
    QVariant v;
    if (!db.queryValue(QStringLiteral("SELECT Odprto FROM tblRacun WHERE ID = ?"), {invoiceId}, &v))
        return false;
    *open = v.toDouble();
    return true;
}

bool placePayment(Database& db, qint64 paymentId, qint64 invoiceId) {
    if (!payable(db, invoiceId))
        return false;
    Transaction tx(db);
    if (!tx.active() ||
        !db.execute(QStringLiteral("UPDATE tblPlacila SET RacunID = ? WHERE ID = ? AND "
                                   "RacunID IS NULL"),
                    {invoiceId, paymentId}))
        return false;
    QVariant now;
    if (!db.queryValue(QStringLiteral("SELECT RacunID FROM tblPlacila WHERE ID = ?"), {paymentId},
                       &now))
        return false;
    if (now.toLongLong() != invoiceId) {
        db.setError(PaymentMessages::PlacedMeanwhile);
        return false;
    }
    return tx.commit();
}

} // namespace valmir
