#include "data/RowWrite.h"

#include "text/Messages.h"

namespace valmir {

namespace {

bool versioned(Database& db, const QString& table) {
    return db.hiddenColumns(table).contains(QStringLiteral("verzija"));
}

// The record set over the one row; its current row is the row, or it is
// empty when the row is not there. On the server a row held without the
// version it was read with is not written: the write would go over
// whatever the row holds now.
std::unique_ptr<Recordset> openRow(Database& db, const QString& table, qint64 key, qint64 version) {
    if (version <= 0 && versioned(db, table)) {
        db.setError(QStringLiteral("Zapis ni bil prebran z različico; ni shranjen."));
        return nullptr;
    }
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
    if (versioned(db, table)) {
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
    auto rs = openRow(db, table, key, version);
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
    auto rs = openRow(db, table, key, version);
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
