#include "invoice/Purge.h"

#include "data/Database.h"

namespace valmir {

PurgeResult purgeInvoicesBefore(Database& db, const QDate& cutOff) {
    // Dates are stored as ISO text, so "before the cut-off" compares as
    // text. An invoice without a date stays: a Null compares as nothing,
    // and an empty text, which the list also shows as no date, is left out.
    const QVariantList before{cutOff};
    Transaction transaction(db);
    if (!transaction.active())
        return {false, 0, db.lastError()};
    if (!db.execute(QStringLiteral("DELETE FROM tblRacunTarife WHERE ID_racun IN "
                                   "(SELECT ID FROM tblRacun WHERE Datum <> '' AND Datum < ?)"),
                    before))
        return {false, 0, db.lastError()};
    if (!db.execute(QStringLiteral("DELETE FROM tblRacun WHERE Datum <> '' AND Datum < ?"), before))
        return {false, 0, db.lastError()};
    const int invoices = db.changes();
    if (!transaction.commit())
        return {false, 0, db.lastError()};
    return {true, invoices, {}};
}

} // namespace valmir
