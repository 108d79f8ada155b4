#include "invoice/Purge.h"

#include "data/Database.h"

namespace valmir {

PurgeResult purgeInvoicesBefore(Database& db, const QDate& cutOff) {
    // An invoice without a date stays: a Null compares as nothing, and an
    // empty text in the file, which the list also shows as no date, is left
    // out by its first character (a date of the server always has one).
    const QVariantList before{cutOff};
    Transaction transaction(db);
    if (!transaction.active())
        return {false, 0, db.lastError()};
    if (!db.execute(QStringLiteral(
                        "DELETE FROM tblRacunTarife WHERE ID_racun IN "
                        "(SELECT ID FROM tblRacun WHERE substr(Datum, 1, 1) <> '' AND Datum < ?)"),
                    before))
        return {false, 0, db.lastError()};
    if (!db.execute(
            QStringLiteral("DELETE FROM tblRacun WHERE substr(Datum, 1, 1) <> '' AND Datum < ?"),
            before))
        return {false, 0, db.lastError()};
    const int invoices = db.changes();
    if (!transaction.commit())
        return {false, 0, db.lastError()};
    return {true, invoices, {}};
}

} // namespace valmir
