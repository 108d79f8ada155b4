#include "invoice/InvoiceDeletion.h"

#include "data/Recordset.h"

namespace valmir {

namespace {

InvoiceDeletionResult failed(const QString& error) { return {false, error}; }

// The record set forgets a row as soon as its own DELETE has run; when the
// transaction is rolled back after that, the row is back in the table and
// the record set must read its key set again to show it.
void restoreRow(Recordset& invoices, qint64 bookmark) {
    invoices.requery();
    if (!invoices.moveToBookmark(bookmark))
        invoices.moveFirst();
}

} // namespace

InvoiceDeletionResult deleteCurrentInvoice(Recordset& invoices) {
    if (invoices.recordCount() == 0 || invoices.eof() || invoices.bof())
        return failed(QStringLiteral("Ni izbranega računa."));
    const QVariant id = invoices.field(QStringLiteral("ID"));
    const qint64 bookmark = invoices.bookmark();
    if (id.isNull())
        return failed(QStringLiteral("Ni izbranega računa."));

    Database& db = invoices.database();
    Transaction transaction(db);
    if (!transaction.active())
        return failed(db.lastError());
    if (!db.execute(QStringLiteral("DELETE FROM tblRacunTarife WHERE ID_racun=?"), {id}))
        return failed(db.lastError());
    if (!invoices.deleteCurrent())
        return failed(db.lastError());
    if (!transaction.commit()) {
        QString error = db.lastError();
        db.rollback();
        restoreRow(invoices, bookmark);
        return failed(error);
    }

    invoices.moveNext();
    if (invoices.eof())
        invoices.moveLast();
    return {true, {}};
}

} // namespace valmir
