#include "codelists/Staff.h"

#include "data/Database.h"

namespace valmir {

QString staffName(const QString& answer) { return answer.left(StaffNameLength); }

namespace {

StaffWrite failed(Database& db) {
    StaffWrite r;
    r.ok = false;
    r.error = db.lastError();
    return r;
}

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

StaffWrite renameStaff(Database& db, qint64 id, const QString& answer) {
    const QString name = staffName(answer);
    if (name.isEmpty())
        return {};
    if (!db.execute(QStringLiteral("UPDATE tblSestavljavci SET Ime = ? WHERE ID = ?"), {name, id}))
        return failed(db);
    StaffWrite r;
    r.written = db.changes() > 0;
    r.id = id;
    return r;
}

StaffWrite deleteStaff(Database& db, qint64 id) {
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
    if (!db.execute(QStringLiteral("DELETE FROM tblSestavljavci WHERE ID = ?"), {id}) ||
        !transaction.commit())
        return failed(db);
    r.written = true;
    return r;
}

} // namespace valmir
