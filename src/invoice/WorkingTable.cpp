#include "invoice/WorkingTable.h"

#include "text/Module1.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "invoice/Pricing.h"


#include <QHash>
#include <QSet>

namespace valmir {

namespace {

const QString InsertLine = QStringLiteral(
    "INSERT INTO tblTarifePregled (ID_tarifa, Tocke, Kolicina, Povisek, znesek, TarifnaStevilka, "
    "TS1, TS2, \"70proc\", GeodetskaStoritev, Master) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");

// What a working row takes from the tariff: numbering, description and
// the report flag as the tariff now stands.
struct Operation {
    QVariant tariffNumber;
    QVariant ts1;
    QVariant ts2;
    bool report = false;
    QVariant description;
    bool master = false;
};

Operation lumpSumOperation(const QString& percentText) {
    return {QStringLiteral(""), LumpSumService, 1.0, false, lumpSumDescription(percentText), false};
}

Operation missingOperation() {
    return {QStringLiteral("??"), 0.0, 0.0, false, QStringLiteral("???"), false};
}

Operation operationOf(const Recordset& tariff) {
    return {tariff.field(QStringLiteral("TarifnaStevilka")),
            tariff.field(QStringLiteral("TS1")),
            tariff.field(QStringLiteral("TS2")),
            tariff.field(QStringLiteral("70proc")).toBool(),
            tariff.field(QStringLiteral("GeodetskaStoritev")),
            tariff.field(QStringLiteral("Master")).toBool()};
}

bool insertLine(Database& work, const QVariant& tariffId, const QVariant& points,
                const QVariant& quantity, const QVariant& surcharge, const QVariant& amount,
                const Operation& op) {
    return work.execute(InsertLine, {tariffId, points, quantity, surcharge, amount, op.tariffNumber,
                                     op.ts1, op.ts2, op.report, op.description, op.master});
}

bool isExpense(const QVariant& ts1) { return NumberOrZero(ts1) == ExpenseService; }

// The tariff rows behind an invoice's stored lines, read in one go: an
// invoice of hundreds of lines opens without a lookup per line.
bool tariffOfInvoice(Database& db, qint64 invoiceId, QHash<qint64, Operation>* out) {
    auto tariff =
        db.openRecordset(QStringLiteral("SELECT * FROM tblTarife WHERE ID IN "
                                        "(SELECT ID_tarifa FROM tblRacunTarife WHERE ID_racun=?)"),
                         RecordsetKind::Snapshot, {invoiceId});
    if (!tariff)
        return false;
    for (tariff->moveFirst(); !tariff->eof(); tariff->moveNext())
        out->insert(tariff->field(QStringLiteral("ID")).toLongLong(), operationOf(*tariff));
    return true;
}

// The operations already on the invoice being edited.
bool operationsOnInvoice(Database& work, QSet<qint64>* out) {
    auto lines = work.openRecordset(QStringLiteral("SELECT ID_tarifa FROM tblTarifePregled"),
                                    RecordsetKind::Snapshot);
    if (!lines)
        return false;
    for (lines->moveFirst(); !lines->eof(); lines->moveNext())
        out->insert(lines->field(QStringLiteral("ID_tarifa")).toLongLong());
    return true;
}

} // namespace

LoadLinesResult LoadLines(Database& db, Database& work, qint64 invoiceId,
                          const QString& percentText) {
    LoadLinesResult r;
    auto fail = [&r](const QString& error) {
        r.ok = false;
        r.error = error;
        r.lines = 0;
        r.hasLumpSumLine = r.hasExpenseLine = false;
        return r;
    };
    // Lines without an operation first, and lines of one operation in the
    // order they were stored, whichever engine sorts.
    auto stored =
        db.openRecordset(QStringLiteral("SELECT * FROM tblRacunTarife WHERE ID_racun=? "
                                        "ORDER BY ID_tarifa IS NOT NULL, ID_tarifa, rowid"),
                         RecordsetKind::Snapshot, {invoiceId});
    QHash<qint64, Operation> tariff;
    if (!stored || !tariffOfInvoice(db, invoiceId, &tariff))
        return fail(db.lastError());

    Transaction tx(work);
    if (!tx.active())
        return fail(work.lastError());
    for (stored->moveFirst(); !stored->eof(); stored->moveNext()) {
        const QVariant tariffId = stored->field(QStringLiteral("ID_tarifa"));
        Operation op;
        if (tariffId.toLongLong() == LumpSumTariffId && !tariffId.isNull()) {
            op = lumpSumOperation(percentText);
            r.hasLumpSumLine = true;
        } else {
            auto found = tariff.constFind(tariffId.toLongLong());
            op = (!tariffId.isNull() && found != tariff.constEnd()) ? *found : missingOperation();
            r.hasExpenseLine = r.hasExpenseLine || isExpense(op.ts1);
        }
        if (!insertLine(work, tariffId, stored->field(QStringLiteral("Tocke")),
                        stored->field(QStringLiteral("Kolicina")),
                        stored->field(QStringLiteral("Povisek")),
                        stored->field(QStringLiteral("znesek")), op))
            return fail(work.lastError());
        ++r.lines;
    }
    if (!tx.commit())
        return fail(work.lastError());
    return r;
}

namespace {

// Made on first use on each connection, and gone with it.
bool havePicks(Database& db) {
    return db.execute(QStringLiteral(
        "CREATE TEMP TABLE IF NOT EXISTS tblIzbranaOpravila (ID INTEGER PRIMARY KEY)"));
}

} // namespace

bool clearPicks(Database& db) {
    return havePicks(db) && db.execute(QStringLiteral("DELETE FROM tblIzbranaOpravila"));
}

bool setPicked(Database& db, const QVariant& operationId, bool picked) {
    if (!havePicks(db) ||
        !db.execute(QStringLiteral("DELETE FROM tblIzbranaOpravila WHERE ID = ?"), {operationId}))
        return false;
    return !picked || db.execute(QStringLiteral("INSERT INTO tblIzbranaOpravila (ID) VALUES (?)"),
                                 {operationId});
}

std::optional<QSet<qint64>> pickedOperations(Database& db) {
    QSet<qint64> ids;
    if (!havePicks(db) ||
        !db.forEachRow(QStringLiteral("SELECT ID FROM tblIzbranaOpravila"), {},
                       [&ids](const QueryRow& row) { ids.insert(row.integer(0)); }))
        return std::nullopt;
    return ids;
}

AddOperationsResult addPickedOperations(Database& db, Database& work, bool lumpSumTicked) {
    AddOperationsResult r;
    auto fail = [&r](const QString& error) {
        r.ok = false;
        r.error = error;
        r.added = 0;
        r.addedExpenseLine = false;
        return r;
    };
    if (!havePicks(db))
        return fail(db.lastError());
    auto picked = db.openRecordset(QStringLiteral("SELECT * FROM tblTarife WHERE ID IN (SELECT ID "
                                                  "FROM tblIzbranaOpravila) ORDER BY TS1,TS2"),
                                   RecordsetKind::Snapshot);
    if (!picked)
        return fail(db.lastError());
    QSet<qint64> present;
    if (!operationsOnInvoice(work, &present))
        return fail(work.lastError());

    Transaction tx(work);
    if (!tx.active())
        return fail(work.lastError());
    for (picked->moveFirst(); !picked->eof(); picked->moveNext()) {
        const Operation op = operationOf(*picked);
        if (lumpSumTicked && isExpense(op.ts1)) {
            // Expenses are already charged as the lump sum.
            r.stoppedAtExpense = true;
            break;
        }
        const QVariant id = picked->field(QStringLiteral("ID"));
        if (present.contains(id.toLongLong()))
            continue; // an operation stands on an invoice once; keep what was typed for it
        if (!insertLine(work, id, picked->field(QStringLiteral("Tocke")), QVariant(), QVariant(),
                        QVariant(), op))
            return fail(work.lastError());
        present.insert(id.toLongLong());
        ++r.added;
        r.addedExpenseLine = r.addedExpenseLine || isExpense(op.ts1);
    }
    if (!tx.commit())
        return fail(work.lastError());
    return r;
}

std::optional<bool> hasExpenseLines(Database& work) {
    const QVariant count = work.scalar(
        QStringLiteral("SELECT count(*) FROM tblTarifePregled WHERE TS1=?"), {ExpenseService});
    if (count.isNull())
        return std::nullopt;
    return count.toLongLong() > 0;
}

bool emptyWorkingTable(Database& work) {
    return work.execute(QStringLiteral("DELETE FROM tblTarifePregled"));
}

QString lumpSumDescription(const QString& percentText) {
    return QStringLiteral("Ostali stroški v pavšalni vrednosti ") + percentText +
           QStringLiteral(" % geodetske storitve");
}

bool toggleLumpSumLine(Database& work, double lumpSumAmount, const QString& percentText, bool* ok) {
    auto report = [&](bool success) {
        if (ok)
            *ok = success;
    };
    const QVariant count =
        work.scalar(QStringLiteral("SELECT count(*) FROM tblTarifePregled WHERE ID_tarifa=?"),
                    {LumpSumTariffId});
    if (count.isNull()) {
        report(false);
        return false;
    }
    if (count.toLongLong() > 0) {
        report(work.execute(QStringLiteral("DELETE FROM tblTarifePregled WHERE ID_tarifa=?"),
                            {LumpSumTariffId}));
        return false;
    }
    const bool added = insertLine(work, LumpSumTariffId, QVariant(), QVariant(), QVariant(),
                                  RoundCents(lumpSumAmount), lumpSumOperation(percentText));
    report(added);
    return added;
}

DeletedLine deleteCurrentLine(Recordset& lines) {
    DeletedLine r;
    lines.clearReadError();
    if (!lines.deleteCurrent())
        return r;
    lines.moveAfterDelete();
    r.returnTo = {lines.field(QStringLiteral("TS1")), lines.field(QStringLiteral("TS2"))};
    r.ok = !lines.readFailed();
    return r;
}

bool returnToLine(Recordset& lines, const QVariantList& returnTo) {
    if (lines.recordCount() == 0)
        return true;
    if (!lines.seek(QStringLiteral("="), returnTo))
        return false;
    if (lines.noMatch())
        lines.moveLast();
    return true;
}

bool readLines(Database& work, QList<WorkingLine>* out) {
    out->clear();
    auto rows = work.openRecordset(
        QStringLiteral("SELECT * FROM tblTarifePregled ORDER BY TS1, TS2, rowid"),
        RecordsetKind::Snapshot);
    if (!rows)
        return false;
    auto f = [&rows](const char* name) { return rows->field(QString::fromLatin1(name)); };
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        WorkingLine l;
        l.tariffId = f("ID_tarifa");
        l.tariffNumber = f("TarifnaStevilka");
        l.ts1 = f("TS1");
        l.ts2 = f("TS2");
        l.description = f("GeodetskaStoritev");
        l.points = f("Tocke");
        l.quantity = f("Kolicina");
        l.surcharge = f("Povisek");
        l.amount = f("znesek");
        l.report = f("70proc").toBool();
        l.master = f("Master").toBool();
        out->append(l);
    }
    return true;
}

} // namespace valmir
