#include "invoice/InvoiceCopy.h"

#include "data/Database.h"
#include "data/Recordset.h"
#include "invoice/InvoiceFields.h"
#include "invoice/Pricing.h"
#include "invoice/WorkingTable.h"
#include "text/Messages.h"
#include "text/Module1.h"
#include "text/TextForms.h"

#include <QHash>

namespace valmir {

namespace {

constexpr int ServiceTitleBox = 11;
constexpr int CaseNumberBox = 12;

// The customer's boxes and the remark go with the customer; the service
// title and the case number name the work that is done again.
bool copiedBox(const HeaderField& f) {
    return f.customer || f.box == ServiceTitleBox || f.box == CaseNumberBox;
}

QString numberOrDash(const QVariant& v) {
    return v.isNull() ? QStringLiteral("–") : localeNumberText(NumberOrZero(v));
}

// A line without its operation is known only by what the invoice stored.
QString leftOutText(const Recordset& line) {
    const QVariant amount = line.field(QStringLiteral("znesek"));
    return CopyMessages::LeftOutLine.arg(numberOrDash(line.field(QStringLiteral("Tocke"))),
                                         numberOrDash(line.field(QStringLiteral("Kolicina"))),
                                         amount.isNull() ? QStringLiteral("–")
                                                         : currencyText(NumberOrZero(amount)));
}

// The points each operation of the invoice has in the tariff now; an
// operation that is gone has no entry.
bool currentPoints(Database& db, qint64 invoiceId, QHash<qint64, QVariant>* out) {
    auto tariff = db.openRecordset(
        QStringLiteral("SELECT ID, Tocke FROM tblTarife WHERE ID IN "
                       "(SELECT ID_tarifa FROM tblRacunTarife WHERE ID_racun = ?)"),
        RecordsetKind::Snapshot, {invoiceId});
    if (!tariff)
        return false;
    for (tariff->moveFirst(); !tariff->eof(); tariff->moveNext())
        out->insert(tariff->field(QStringLiteral("ID")).toLongLong(),
                    tariff->field(QStringLiteral("Tocke")));
    return !tariff->readFailed();
}

bool readHeader(Database& db, qint64 invoiceId, InvoiceCopy* copy) {
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM tblRacun WHERE ID = ?"),
                               RecordsetKind::Snapshot, {invoiceId});
    if (!rs)
        return false;
    rs->moveFirst();
    if (rs->eof()) {
        copy->found = false;
        return !rs->readFailed();
    }
    for (const HeaderField& f : HeaderFields)
        if (copiedBox(f))
            copy->boxes.append({f.box, boxText(rs->field(QString::fromUtf16(f.field)), f.form)});
    copy->pointValueText = numberBoxText(rs->field(QStringLiteral("VrednostTocke")));
    copy->percentText = numberBoxText(rs->field(QStringLiteral("ProcentPavsala")));
    copy->unifiedReport = rs->field(QStringLiteral("EnotenElaborat")).toBool();
    return !rs->readFailed();
}

// The working table as LoadLines left it, brought to the tariff of now:
// a line whose operation is gone is taken out, the others get its points.
bool followTariff(Database& db, Database& work, qint64 invoiceId, InvoiceCopy* copy) {
    QHash<qint64, QVariant> points;
    auto stored = db.openRecordset(
        QStringLiteral("SELECT * FROM tblRacunTarife WHERE ID_racun = ? ORDER BY rowid"),
        RecordsetKind::Snapshot, {invoiceId});
    if (!stored || !currentPoints(db, invoiceId, &points)) {
        work.setError(db.lastError());
        return false;
    }
    Transaction tx(work);
    if (!tx.active())
        return false;
    for (stored->moveFirst(); !stored->eof(); stored->moveNext()) {
        const QVariant tariffId = stored->field(QStringLiteral("ID_tarifa"));
        const qint64 id = tariffId.toLongLong();
        if (!tariffId.isNull() && id == LumpSumTariffId)
            continue; // no operation: it follows its percentage
        if (!tariffId.isNull() && points.contains(id)) {
            if (!work.execute(QStringLiteral("UPDATE tblTarifePregled SET Tocke = ? "
                                             "WHERE ID_tarifa = ?"),
                              {points.value(id), id}))
                return false;
            continue;
        }
        copy->leftOut << leftOutText(*stored);
        if (!work.execute(
                tariffId.isNull()
                    ? QStringLiteral("DELETE FROM tblTarifePregled WHERE ID_tarifa IS NULL")
                    : QStringLiteral("DELETE FROM tblTarifePregled WHERE ID_tarifa = ?"),
                tariffId.isNull() ? QVariantList() : QVariantList{id}))
            return false;
    }
    if (stored->readFailed()) {
        work.setError(db.lastError());
        return false;
    }
    QVariant count;
    if (!work.queryValue(QStringLiteral("SELECT count(*) FROM tblTarifePregled"), {}, &count))
        return false;
    copy->lines = count.toInt();
    return tx.commit();
}

} // namespace

InvoiceCopy copyInvoice(Database& db, Database& work, qint64 invoiceId, bool asStored) {
    InvoiceCopy copy;
    auto failed = [](const QString& error, Database& work) {
        // No half-copied lines stay behind for a save to pick up.
        emptyWorkingTable(work);
        InvoiceCopy r;
        r.ok = false;
        r.error = error;
        return r;
    };
    if (!emptyWorkingTable(work))
        return failed(work.lastError(), work);
    if (!readHeader(db, invoiceId, &copy))
        return failed(db.lastError(), work);
    if (!copy.found)
        return copy;
    const LoadLinesResult loaded = LoadLines(db, work, invoiceId, copy.percentText);
    if (!loaded.ok)
        return failed(loaded.error, work);
    copy.hasLumpSumLine = loaded.hasLumpSumLine;
    copy.lines = loaded.lines;
    if (!asStored && !followTariff(db, work, invoiceId, &copy))
        return failed(work.lastError(), work);
    // A line of expenses that was left out no longer locks the lump sum.
    const std::optional<bool> expenses = hasExpenseLines(work);
    if (!expenses)
        return failed(work.lastError(), work);
    copy.hasExpenseLine = *expenses;
    return copy;
}

} // namespace valmir
