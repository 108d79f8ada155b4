#include "data/RowWrite.h"

#include "text/Messages.h"

namespace valmir {

namespace {

// The record set over the one row; its current row is the row, or it is
// empty when the row is not there.
std::unique_ptr<Recordset> openRow(Database& db, const QString& table, qint64 key) {
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM ") + table +
                                   QStringLiteral(" WHERE rowid = ?"),
                               RecordsetKind::Dynaset, {key});
    if (rs && rs->readFailed())
        return nullptr;
    if (rs)
        rs->moveFirst();
    return rs;
}

// A row not there any more was deleted since it was read: on the server
// that is a change of another workstation, told as the record set tells it.
RowWritten gone(Database& db, const QString& table) {
    RowWritten r;
    if (db.hiddenColumns(table).contains(QStringLiteral("verzija"))) {
        r.conflict = Recordset::Conflict{true, QString()};
        db.setError(Messages::RowChangedMeanwhile.text.arg(Messages::RowDeletedBy));
    } else {
        db.setError(QStringLiteral("Zapis je bil medtem izbrisan."));
    }
    return r;
}

RowWritten refused(const Recordset& rs) {
    RowWritten r;
    r.conflict = rs.conflict();
    if (r.conflict && !r.conflict->deleted)
        r.version = rs.rowVersion();
    return r;
}

} // namespace

RowWritten updateRow(Database& db, const QString& table, qint64 key, qint64 version,
                     const QVariantMap& fields) {
    auto rs = openRow(db, table, key);
    if (!rs)
        return {};
    if (rs->eof())
        return gone(db, table);
    if (!rs->edit(version))
        return refused(*rs);
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
        rs->setField(it.key(), it.value());
    if (!rs->update()) {
        rs->cancelUpdate();
        return refused(*rs);
    }
    RowWritten r;
    r.ok = true;
    r.version = rs->rowVersion();
    return r;
}

RowWritten deleteRow(Database& db, const QString& table, qint64 key, qint64 version) {
    auto rs = openRow(db, table, key);
    if (!rs)
        return {};
    if (rs->eof())
        return gone(db, table);
    if (!rs->deleteCurrent(version))
        return refused(*rs);
    RowWritten r;
    r.ok = true;
    return r;
}

} // namespace valmir
