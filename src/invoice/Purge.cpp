#include "invoice/Purge.h"

#include "data/Database.h"
#include "data/RowSet.h"

#include <vector>

namespace valmir {

PurgeResult purgeInvoicesBefore(Database& db, const QDate& cutOff) {
    // An invoice without a date stays: a Null compares as nothing, and an
    // empty text in the file, which the list also shows as no date, is left
    // out by its first character (a date of the server always has one).
    const QString old =
        QStringLiteral("SELECT ID FROM tblRacun WHERE substr(Datum, 1, 1) <> '' AND Datum < ?");
    Transaction transaction(db);
    if (!transaction.active())
        return {false, 0, db.lastError()};
    // The old invoices' rows are taken first, as a save and a delete take an
    // invoice's row before its lines: a save of one of them waits for the
    // purge and then finds it deleted, or the purge waits for the save and
    // then sees the invoice as saved. Only the rows taken are deleted, each
    // with its lines, so that no line outlives its invoice. The file's write
    // transaction holds the whole file already.
    std::vector<qint64> ids;
    if (!db.forEachRow(db.onServer() ? old + QStringLiteral(" FOR UPDATE") : old, {cutOff},
                       [&ids](const QueryRow& row) { ids.push_back(row.integer(0)); }))
        return {false, 0, db.lastError()};
    const QVariantList taken{rowSetValue(std::move(ids))};
    if (!db.execute(QStringLiteral("DELETE FROM tblRacunTarife WHERE IN_SET(ID_racun, ?)"), taken))
        return {false, 0, db.lastError()};
    if (!db.execute(QStringLiteral("DELETE FROM tblRacun WHERE IN_SET(ID, ?)"), taken))
        return {false, 0, db.lastError()};
    const int invoices = db.changes();
    if (!transaction.commit())
        return {false, 0, db.lastError()};
    return {true, invoices, {}};
}

} // namespace valmir
