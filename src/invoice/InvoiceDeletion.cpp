#include "invoice/InvoiceDeletion.h"

#include "data/Recordset.h"
#include "invoice/InvoiceSaver.h"
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
    // The invoice's row before its lines, in the order a save writes them:
    // a save and a delete of one invoice on two workstations then wait for
    // each other instead of each holding what the other needs.
    if (!invoices.deleteCurrent()) {
        // Another workstation changed or deleted it since the list read it.
        if (invoices.conflict())
            return failed(Messages::DeleteChangedMeanwhile.arg(conflictText(invoices.conflict())));
        return failed(db.lastError());
    }
    if (!db.execute(QStringLiteral("DELETE FROM tblRacunTarife WHERE ID_racun=?"), {id}))
        return failed(db.lastError());
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
