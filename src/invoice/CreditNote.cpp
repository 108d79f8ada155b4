#include "invoice/CreditNote.h"

#include "data/Database.h"
#include "data/Recordset.h"
#include "invoice/InvoiceSaver.h"
#include "invoice/Numbering.h"
#include "invoice/StoredTotals.h"

namespace valmir {

namespace {

// Everything of the invoice that the credit note repeats as it was.
const QString CopiedFields = QStringLiteral(
    "Ime, Naslov, PST, Posta, Telefon, KontaktnaOseba, Opombe, Faks, Email, Delovisce, Zadeva, "
    "Davcna, Veljavnost, TRR, Sestavljavec, EnotenElaborat, ProcentPavsala, VrednostTocke, "
    "StopnjaDDV");

CreditNoteResult failed(Database& db) {
    CreditNoteResult r;
    r.outcome = CreditNoteOutcome::EngineError;
    r.error = db.lastError();
    return r;
}

} // namespace

CreditNoteResult makeCreditNote(Database& db, qint64 invoiceId, const QDate& today) {
    Transaction tx(db);
    if (!tx.active() || !holdCounter(db))
        return failed(db);
    // The invoice is taken before anything of it is read. The file's write
    // transaction holds the whole file; on the server the invoice's row is
    // locked, and a save, delete or purge of it takes that row before its
    // lines, so that the header and the lines copied below are of one state
    // and the invoice cannot go away meanwhile. One deleted before is refused.
    const QString check = QStringLiteral(
        "SELECT CASE WHEN ifnull(Ponudba, False) THEN 2 WHEN ifnull(Dobropis, False) THEN 1 "
        "ELSE 0 END FROM tblRacun WHERE ID = ?");
    QVariant marked;
    if (!db.queryValue(db.onServer() ? check + QStringLiteral(" FOR UPDATE") : check, {invoiceId},
                       &marked))
        return failed(db);
    CreditNoteResult result;
    if (marked.isNull()) {
        result.outcome = CreditNoteOutcome::NotFound;
        return result;
    }
    if (marked.toInt() == 2) {
        result.outcome = CreditNoteOutcome::IsQuote;
        return result;
    }
    if (marked.toInt() == 1) {
        result.outcome = CreditNoteOutcome::IsCreditNote;
        return result;
    }

    // The counter's number, as the editor proposes it for a new invoice, or
    // the next one that no invoice carries yet.
    QVariant counter;
    if (!db.queryValue(QStringLiteral("SELECT ifnull(StRacuna, 0) FROM tblNastavitve "
                                      "ORDER BY rowid LIMIT 1"),
                       {}, &counter))
        return failed(db);
    if (counter.isNull()) {
        result.outcome = CreditNoteOutcome::NoSettings;
        return result;
    }
    QVariant restart;
    double next = 0;
    if (!db.queryValue(QStringLiteral("SELECT ifnull(LetniStevec, False) FROM tblNastavitve "
                                      "ORDER BY rowid LIMIT 1"),
                       {}, &restart) ||
        !counterForNewDocument(db, counter.toDouble(), restart.toBool(), today.year(), &next))
        return failed(db);
    if (!firstFreeNumber(db, today.year(), next, &result.number))
        return failed(db);

    if (!db.insert(QStringLiteral("INSERT INTO tblRacun (StevilkaRacuna, Datum, Placan, Dobropis, "
                                  "IzvirniID, IzvirniRacun, IzvirniDatum, ") +
                       CopiedFields +
                       QStringLiteral(") SELECT ?, ?, ?, ?, ID, StevilkaRacuna, Datum, ") +
                       CopiedFields + QStringLiteral(" FROM tblRacun WHERE ID = ?"),
                   {result.number, today, false, true, invoiceId}, &result.id))
        return failed(db);
    if (!db.execute(QStringLiteral("INSERT INTO tblRacunTarife (ID_racun, ID_tarifa, Tocke, "
                                   "Kolicina, Povisek, znesek) SELECT ?, ID_tarifa, Tocke, "
                                   "Kolicina, Povisek, znesek FROM tblRacunTarife "
                                   "WHERE ID_racun = ?"),
                    {result.id, invoiceId}))
        return failed(db);
    // Its totals are those of its own lines, priced as the editor prices
    // them (the invoice's stored ones may be of an older version), and
    // count against the books.
    if (!computeStoredTotalsOf(db, result.id) ||
        !db.execute(QStringLiteral("UPDATE tblRacun SET Osnova = -Osnova, DDV = -DDV, "
                                   "ZaPlacilo = -ZaPlacilo WHERE ID = ?"),
                    {result.id}) ||
        !advanceCounter(db, result.number))
        return failed(db);
    if (!tx.commit())
        return failed(db);
    return result;
}

std::optional<QStringList> creditNotesOf(Database& db, qint64 invoiceId) {
    QStringList numbers;
    auto rs = db.openRecordset(
        QStringLiteral(
            "SELECT StevilkaRacuna FROM tblRacun WHERE IzvirniID = ? AND Dobropis ORDER BY ID"),
        RecordsetKind::Snapshot, {invoiceId});
    if (!rs || rs->readFailed())
        return std::nullopt;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        numbers << rs->field(QStringLiteral("StevilkaRacuna")).toString();
    if (rs->readFailed())
        return std::nullopt;
    return numbers;
}

QString creditedInvoiceText(const QString& number, const QDate& date) {
    QString text = QStringLiteral("k računu ") + number;
    if (date.isValid())
        text +=
            QStringLiteral(" z dne %1. %2. %3").arg(date.day()).arg(date.month()).arg(date.year());
    return text;
}

} // namespace valmir
