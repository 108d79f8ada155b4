#include "codelists/Operations.h"

#include "text/Module1.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "text/TextForms.h"

#include <cmath>

namespace valmir {

namespace {

OperationResult done() { return {OperationOutcome::Done, {}}; }
OperationResult refused(OperationOutcome outcome) { return {outcome, {}}; }
OperationResult failed(const QString& error) { return {OperationOutcome::Failed, error}; }

bool onRow(const Recordset& list) {
    return list.recordCount() > 0 && !list.eof() && !list.bof();
}

// Whether another operation of the service already has the number.
std::optional<bool> numberTaken(Database& db, int ts1, double number) {
    QVariant count;
    if (!db.queryValue(QStringLiteral("SELECT count(*) FROM tblTarife WHERE (TS1=?) AND (TS2=?)"),
                       {ts1, number}, &count))
        return std::nullopt;
    return count.toLongLong() > 0;
}

// The protection and usage of the current row, read afresh: a row that
// could not be read is never taken for a deletable one.
OperationResult deletable(Recordset& list) {
    if (!onRow(list))
        return refused(OperationOutcome::NoRow);
    const QVariant master = list.field(QStringLiteral("Master"));
    const QVariant id = list.field(QStringLiteral("ID"));
    if (list.readFailed())
        return failed(list.lastError());
    if (master.toBool())
        return refused(OperationOutcome::Protected);
    QVariant lines;
    if (!list.database().queryValue(
            QStringLiteral("SELECT count(*) FROM tblRacunTarife WHERE ID_tarifa=?"), {id}, &lines))
        return failed(list.database().lastError());
    if (lines.toLongLong() > 0)
        return refused(OperationOutcome::Used);
    return done();
}

} // namespace

std::optional<QList<ServiceChoice>> readServices(Database& db) {
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM tblGeodetskaStoritev ORDER BY TS1"),
                               RecordsetKind::Snapshot);
    if (!rs)
        return std::nullopt;
    QList<ServiceChoice> services;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        services.append({int(NumberOrZero(rs->field(QStringLiteral("TS1")))),
                         NullToStr(rs->field(QStringLiteral("GeodetskaStoritev")))});
    return services;
}

QString operationsSource() {
    return QStringLiteral("SELECT * FROM tblTarife WHERE TS1=? ORDER BY TS2");
}

std::optional<QString> nextOperationNumber(Database& db, int ts1) {
    auto rs = db.openRecordset(
        QStringLiteral("SELECT count(*) AS Rows, max(TS2) AS Highest FROM tblTarife WHERE TS1=?"),
        RecordsetKind::Snapshot, {ts1});
    if (!rs)
        return std::nullopt;
    // No row gives an empty box; numbers that are Null count as 0.
    if (rs->field(QStringLiteral("Rows")).toLongLong() == 0)
        return QString();
    return plainNumberText(NumberOrZero(rs->field(QStringLiteral("Highest"))) + 1);
}

TypedNumber readOperationNumber(const QString& text) {
    // "1,5" is what a user of the decimal comma types for one and a half;
    // the leading number alone would quietly make it 1.
    const std::optional<double> typed = readNumber(text);
    const double value = typed ? *typed : leadingNumber(text);
    return {value, std::floor(value) == value};
}

double readPoints(const QString& text) {
    // Points are shown with the locale's decimal comma; reading them back
    // by the leading number alone would cut 12,5 to 12.
    const std::optional<double> typed = readNumber(text);
    return typed ? *typed : leadingNumber(text);
}

OperationResult saveOperation(Recordset& list, int mode, int ts1, double loadedNumber,
                              const OperationInput& input) {
    const TypedNumber number = readOperationNumber(input.number);
    if (!number.whole)
        return refused(OperationOutcome::Fractional);
    Database& db = list.database();
    if (mode != 0) {
        if (!onRow(list))
            return refused(OperationOutcome::NoRow);
        const bool master = list.field(QStringLiteral("Master")).toBool();
        if (list.readFailed())
            return failed(list.lastError());
        if (master)
            return refused(OperationOutcome::Protected);
    }

    Transaction transaction(db);
    if (!transaction.active())
        return failed(db.lastError());
    if (mode == 0 || number.value != loadedNumber) {
        const std::optional<bool> taken = numberTaken(db, ts1, number.value);
        if (!taken)
            return failed(db.lastError());
        if (*taken)
            return refused(OperationOutcome::Duplicate);
    }
    if (mode == 0) {
        if (!list.addNew())
            return failed(db.lastError());
        list.setField(QStringLiteral("TS1"), ts1);
    } else if (!list.edit()) {
        return failed(db.lastError());
    }
    list.setField(QStringLiteral("TS2"), number.value);
    list.setField(QStringLiteral("TarifnaStevilka"), input.tariffNumber);
    list.setField(QStringLiteral("GeodetskaStoritev"), input.text);
    list.setField(QStringLiteral("Tocke"), readPoints(input.points));
    list.setField(QStringLiteral("AktivnaPostavka"), input.active);
    if (!list.update()) {
        const QString error = db.lastError();
        list.cancelUpdate();
        return failed(error);
    }
    if (!transaction.commit())
        return failed(db.lastError());
    list.moveToBookmark(list.lastModified());
    return done();
}

OperationResult checkDeletion(Recordset& list) { return deletable(list); }

namespace {

OperationResult deleteChecked(Recordset& list) {
    Database& db = list.database();
    Transaction transaction(db);
    if (!transaction.active())
        return failed(db.lastError());
    // Checked again inside the transaction: nothing can come between the
    // check and the delete.
    const OperationResult check = deletable(list);
    if (check.outcome != OperationOutcome::Done)
        return check;
    if (!list.deleteCurrent() || !transaction.commit()) {
        const QString error = db.lastError();
        return failed(error);
    }
    return done();
}

} // namespace

OperationResult deleteOperation(Recordset& list) {
    if (!onRow(list))
        return refused(OperationOutcome::NoRow);
    const qint64 bookmark = list.bookmark();
    const OperationResult result = deleteChecked(list);
    if (result.outcome != OperationOutcome::Done) {
        // Rolled back by now: the engine has given the record set its row
        // back, and the list stands on it again.
        if (!list.moveToBookmark(bookmark))
            list.moveFirst();
        return result;
    }
    list.moveAfterDelete();
    return done();
}

} // namespace valmir
