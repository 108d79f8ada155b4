#include "codelists/Staff.h"

#include "data/Database.h"

namespace valmir {

QString staffName(const QString& answer) { return answer.left(StaffNameLength); }

namespace {

StaffWrite failed(Database& db, const RowWritten& row = {}) {
    StaffWrite r;
    r.ok = false;
    r.error = db.lastError();
    r.conflict = row.conflict;
    r.version = row.version;
    return r;
}

const QString StaffTable = QStringLiteral("tblSestavljavci");

} // namespace

StaffWrite addStaff(Database& db, const QString& answer) {
    const QString name = staffName(answer);
    if (name.isEmpty())
        return {};
    StaffWrite r;
    if (!db.insert(QStringLiteral("INSERT INTO tblSestavljavci (Ime) VALUES (?)"), {name}, &r.id))
        return failed(db);
    r.written = true;
    return r;
}

StaffWrite renameStaff(Database& db, qint64 id, qint64 version, const QString& answer) {
    const QString name = staffName(answer);
    if (name.isEmpty())
        return {};
    const RowWritten row = updateRow(db, StaffTable, id, version, {{QStringLiteral("Ime"), name}});
    if (!row.ok)
        return failed(db, row);
    StaffWrite r;
    r.written = true;
    r.id = id;
    return r;
}

StaffWrite deleteStaff(Database& db, qint64 id, qint64 version) {
    Transaction transaction(db);
    QVariant count;
    if (!transaction.active() ||
        !db.queryValue(QStringLiteral("SELECT count(*) FROM tblRacun WHERE Sestavljavec = ?"),
                       {id}, &count))
        return failed(db);
    StaffWrite r;
    r.id = id;
    r.invoices = count.toInt();
    if (r.invoices > 0)
        return r; // the transaction rolls back; it wrote nothing
    if (const RowWritten row = deleteRow(db, StaffTable, id, version); !row.ok)
        return failed(db, row);
    if (!transaction.commit())
        return failed(db);
    r.written = true;
    return r;
}

} // namespace valmir
