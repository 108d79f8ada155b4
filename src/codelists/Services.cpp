#include "codelists/Services.h"

#include "data/Database.h"
#include "data/Recordset.h"
#include "invoice/Pricing.h"
#include "text/TextForms.h"

#include <optional>

namespace valmir {

namespace {

const QString ServiceTable = QStringLiteral("tblGeodetskaStoritev");

ServiceResult done() { return {ServiceOutcome::Done, {}}; }
ServiceResult failed(const QString& error) { return {ServiceOutcome::Failed, error}; }

// Puts the list back on the row it stood on before a write that did not
// happen; the rollback has already given it its rows back.
void standOn(Recordset& list, qint64 bookmark) {
    if (bookmark == 0 || !list.moveToBookmark(bookmark))
        list.moveFirst();
}

// Whether a service with this number exists, by the index the list is
// ordered by. Empty on an engine failure (the error is in db).
std::optional<bool> numberTaken(Database& db, double number) {
    auto services = db.openRecordset(ServiceTable, RecordsetKind::Table);
    if (!services || !services->setIndex(QStringLiteral("ID")))
        return std::nullopt;
    if (!services->seek(QStringLiteral("="), {number}))
        return std::nullopt;
    return !services->noMatch();
}

// How the recalculation prices the operations of a service with this number.
enum class PricingClass { Points, TypedAmount, Expenses, LumpSum };

PricingClass pricingClass(double number) {
    if (number == LumpSumService)
        return PricingClass::LumpSum;
    if (number == ExpenseService)
        return PricingClass::Expenses;
    return number < OtherLinesFrom ? PricingClass::Points : PricingClass::TypedAmount;
}

// Whether renumbering the service from one number to the other takes
// operations into another pricing class. Stored invoices keep only their
// operations, so those would be priced otherwise at the next "Preračun".
// Empty on an engine failure (the error is in db).
std::optional<bool> repricesOperations(Database& db, double from, double to) {
    if (pricingClass(from) == pricingClass(to))
        return false;
    QVariant holders, operations;
    if (!db.queryValue(QStringLiteral("SELECT count(*) FROM tblGeodetskaStoritev WHERE TS1=?"),
                       {from}, &holders) ||
        !db.queryValue(QStringLiteral("SELECT count(*) FROM tblTarife WHERE TS1=?"), {from},
                       &operations))
        return std::nullopt;
    // With another service on the old number the operations stay there.
    return holders.toInt() < 2 && operations.toInt() > 0;
}

// The writes of saveService in one transaction, rolled back by its end
// unless committed.
ServiceResult writeService(Database& db, Recordset& list, bool adding, double loadedNumber,
                           const ServiceInput& input) {
    const double number = serviceNumber(input.number);
    const bool renumbered = !adding && number != loadedNumber;

    Transaction transaction(db);
    if (!transaction.active())
        return failed(db.lastError());
    if (adding || renumbered) {
        const std::optional<bool> taken = numberTaken(db, number);
        if (!taken)
            return failed(db.lastError());
        if (*taken)
            return {ServiceOutcome::Duplicate, {}};
    }
    if (renumbered) {
        const std::optional<bool> reprices = repricesOperations(db, loadedNumber, number);
        if (!reprices)
            return failed(db.lastError());
        if (*reprices)
            return {ServiceOutcome::Reprices, {}};
    }

    if (!(adding ? list.addNew() : list.edit()))
        return failed(db.lastError());
    list.setField(QStringLiteral("TS1"), number);
    list.setField(QStringLiteral("GeodetskaStoritev"), input.name);
    list.setField(QStringLiteral("Opomba"), input.note);
    if (!list.update()) {
        const QString error = db.lastError();
        list.cancelUpdate();
        return failed(error);
    }

    // The operations follow their service to its new number, unless another
    // service still holds the old one (a list that already had doubles): they
    // may be that one's.
    if (renumbered) {
        QVariant others;
        if (!db.queryValue(QStringLiteral("SELECT count(*) FROM tblGeodetskaStoritev WHERE TS1=?"),
                           {loadedNumber}, &others))
            return failed(db.lastError());
        if (others.toInt() == 0 &&
            !db.execute(QStringLiteral("UPDATE tblTarife SET TS1=? WHERE TS1=?"),
                        {number, loadedNumber}))
            return failed(db.lastError());
    }

    if (!transaction.commit())
        return failed(db.lastError());
    return done();
}

ServiceResult removeService(Database& db, Recordset& list, const QVariant& number) {
    Transaction transaction(db);
    if (!transaction.active())
        return failed(db.lastError());
    QVariant operations;
    if (!db.queryValue(QStringLiteral("SELECT count(*) FROM tblTarife WHERE TS1=?"), {number},
                       &operations))
        return failed(db.lastError());
    if (operations.toInt() > 0)
        return {ServiceOutcome::HasOperations, {}};
    if (!list.deleteCurrent())
        return failed(db.lastError());
    if (!transaction.commit())
        return failed(db.lastError());
    return done();
}

} // namespace

double serviceNumber(const QString& text) { return leadingNumber(text); }

ServiceResult saveService(Database& db, Recordset& list, bool adding, double loadedNumber,
                          const ServiceInput& input) {
    Q_ASSERT(&list.database() == &db);
    const bool onRow = !list.eof() && !list.bof() && list.recordCount() > 0;
    if (!adding && !onRow)
        return failed(QStringLiteral("Ni izbrane geodetske storitve."));
    // A row that could not be read must not be written back half empty.
    if (list.readFailed())
        return failed(list.lastError());
    const qint64 current = onRow ? list.bookmark() : 0;
    ServiceResult result = writeService(db, list, adding, loadedNumber, input);
    if (result.outcome == ServiceOutcome::Done)
        list.moveToBookmark(list.lastModified());
    else
        standOn(list, current);
    return result;
}

ServiceResult deleteService(Database& db, Recordset& list) {
    Q_ASSERT(&list.database() == &db);
    if (list.recordCount() == 0 || list.eof() || list.bof())
        return failed(QStringLiteral("Ni izbrane geodetske storitve."));
    // With the number unread, the check below would find no operations and
    // let a service with operations go.
    const QVariant number = list.field(QStringLiteral("TS1"));
    if (list.readFailed())
        return failed(list.lastError());
    const qint64 bookmark = list.bookmark();
    const ServiceResult result = removeService(db, list, number);
    if (result.outcome != ServiceOutcome::Done) {
        standOn(list, bookmark);
        return result;
    }
    list.moveAfterDelete();
    return done();
}

} // namespace valmir
