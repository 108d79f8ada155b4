#include "invoice/StoredTotals.h"

#include "data/Database.h"
#include "data/Recordset.h"
#include "invoice/InvoiceFields.h"
#include "invoice/Pricing.h"
#include "text/Module1.h"

#include <QHash>

namespace valmir {

namespace {

// The lines of the invoices `where` keeps, each with the service and report
// flag of its operation as the tariff now stands, in the order the editor
// prices them. The lump-sum line (-1) sorts last; a line whose operation is
// gone counts as service 0, as the editor loads it. Lines without an
// operation come before the others of their place, on either engine.
QString linesSql(const QString& where) {
    return QStringLiteral(
               "SELECT l.ID_racun, l.Tocke, l.Kolicina, l.Povisek, l.znesek, t.\"70proc\", "
               "CASE WHEN l.ID_tarifa = -1 THEN 7777 ELSE ifnull(t.TS1, 0) END AS TS1, "
               "CASE WHEN l.ID_tarifa = -1 THEN 1 ELSE ifnull(t.TS2, 0) END AS TS2 "
               "FROM tblRacunTarife l LEFT JOIN tblTarife t ON t.ID = l.ID_tarifa AND "
               "l.ID_tarifa <> -1 ") +
           where +
           QStringLiteral(" ORDER BY l.ID_racun, 7, 8, l.ID_tarifa IS NOT NULL, l.ID_tarifa");
}

bool readLines(Database& db, const QString& sql, const QVariantList& params,
               QHash<qint64, QList<LineToPrice>>* out) {
    auto rs = db.openRecordset(sql, RecordsetKind::Snapshot, params);
    if (!rs)
        return false;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        LineToPrice l;
        l.ts1 = NumberOrZero(rs->field(QStringLiteral("TS1")));
        l.report = rs->field(QStringLiteral("70proc")).toBool();
        l.points = rs->field(QStringLiteral("Tocke"));
        l.quantity = rs->field(QStringLiteral("Kolicina"));
        l.surcharge = rs->field(QStringLiteral("Povisek"));
        l.amount = rs->field(QStringLiteral("znesek"));
        (*out)[rs->field(QStringLiteral("ID_racun")).toLongLong()].append(l);
    }
    if (rs->readFailed()) {
        db.setError(rs->lastError());
        return false;
    }
    return true;
}

// What the editor's pricing controls hold when it opens the invoice.
PricingInput inputOf(const Recordset& invoice, const QList<LineToPrice>& lines) {
    PricingInput in;
    in.pointValueText = numberBoxText(invoice.field(QStringLiteral("VrednostTocke")));
    in.percentText = numberBoxText(invoice.field(QStringLiteral("ProcentPavsala")));
    in.unifiedReport = invoice.field(QStringLiteral("EnotenElaborat")).toBool();
    in.vatPercent = invoiceVatPercent(invoice.field(QStringLiteral("StopnjaDDV")));
    for (const LineToPrice& l : lines)
        in.lumpSum = in.lumpSum || l.ts1 == LumpSumService;
    return in;
}

// Prices the invoices `invoicesSql` reads from the lines `linesSql` reads
// (both take `params`) and stores their totals.
bool storeTotals(Database& db, const QString& linesSql, const QString& invoicesSql,
                 const QVariantList& params) {
    QHash<qint64, QList<LineToPrice>> lines;
    if (!readLines(db, linesSql, params, &lines))
        return false;
    auto invoices = db.openRecordset(invoicesSql, RecordsetKind::Snapshot, params);
    if (!invoices)
        return false;
    for (invoices->moveFirst(); !invoices->eof(); invoices->moveNext()) {
        const qint64 id = invoices->field(QStringLiteral("ID")).toLongLong();
        const QList<LineToPrice> own = lines.value(id);
        const PricingInput input = inputOf(*invoices, own);
        if (invoices->readFailed())
            break;
        // The invoice's one set of totals (invoiceTotals), as the editor
        // shows them. An invoice whose amounts the editor would refuse to
        // price keeps none.
        const PricingResult priced = priceLines(own, input);
        const QVariantList values = priced.ok
                                        ? QVariantList{priced.total, priced.vat, priced.toPay, id}
                                        : QVariantList{QVariant(), QVariant(), QVariant(), id};
        if (!db.execute(QStringLiteral("UPDATE tblRacun SET Osnova = ?, DDV = ?, ZaPlacilo = ? "
                                       "WHERE ID = ?"),
                        values))
            return false;
    }
    if (invoices->readFailed()) {
        db.setError(invoices->lastError());
        return false;
    }
    return true;
}

const QString InvoicesToPrice = QStringLiteral(
    "SELECT ID, VrednostTocke, ProcentPavsala, EnotenElaborat, StopnjaDDV FROM tblRacun");

} // namespace

bool computeStoredTotals(Database& db) {
    return storeTotals(db, linesSql({}), InvoicesToPrice, {});
}

bool computeStoredTotalsOf(Database& db, qint64 invoiceId) {
    return storeTotals(db, linesSql(QStringLiteral("WHERE l.ID_racun = ?")),
                       InvoicesToPrice + QStringLiteral(" WHERE ID = ?"), {invoiceId});
}

} // namespace valmir
