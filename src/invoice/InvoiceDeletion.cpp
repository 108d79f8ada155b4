#include "invoice/InvoiceDeletion.h"

#include "data/Recordset.h"
#include "text/Messages.h"

namespace valmir {

namespace {

InvoiceDeletionResult failed(const QString& error) { return {false, error}; }

} // namespace

InvoiceDeletionResult deleteCurrentInvoice(Recordset& invoices) {
    if (invoices.recordCount() == 0 || invoices.eof() || invoices.bof())
        return failed(Messages::NoInvoiceSelected.text);
    const QVariant id = invoices.field(QStringLiteral("ID"));
    const qint64 bookmark = invoices.bookmark();
    if (id.isNull())
        return failed(Messages::NoInvoiceSelected.text);

    Database& db = invoices.database();
    Transaction transaction(db);
    if (!transaction.active())
        return failed(db.lastError());
    if (!db.execute(QStringLiteral("DELETE FROM tblRacunTarife WHERE ID_racun=?"), {id}))
        return failed(db.lastError());
    if (!invoices.deleteCurrent()) {
        // Another workstation changed or deleted it since the list read it.
        if (const auto& conflict = invoices.conflict())
            return failed(Messages::ChangedMeanwhile.text.arg(
                conflict->deleted ? Messages::DeletedBy : conflict->by));
        return failed(db.lastError());
    }
    if (!transaction.commit()) {
        // Rolled back: the engine has given the record set its row back.
        const QString error = db.lastError();
        if (!invoices.moveToBookmark(bookmark))
            invoices.moveFirst();
        return failed(error);
    }

    invoices.moveAfterDelete();
    return {true, {}};
}

} // namespace valmir
