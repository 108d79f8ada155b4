// Writing: adding, editing and deleting the current row, and keeping a
// table record set in its index order after a write.

#include "data/RecordsetShared.h"
#include "text/Messages.h"

#include <QDateTime>

namespace valmir {

using namespace recordset;

bool Recordset::mayWrite(bool needsRow) {
    if (!updatable()) {
        m_db.setError(QStringLiteral("Zapis je samo za branje."));
        return false;
    }
    if (needsRow && !m_keys.onRow()) {
        m_db.setError(QStringLiteral("Ni trenutnega zapisa."));
        return false;
    }
    return true;
}

bool Recordset::addNew() {
    m_conflict.reset();
    if (!mayWrite(false))
        return false;
    m_editMode = EditMode::Add;
    m_buffer.clear();
    return true;
}

bool Recordset::edit(qint64 expectedVersion) {
    m_conflict.reset();
    if (!mayWrite(true))
        return false;
    const qint64 row = m_keys.at(m_keys.position());
    m_editVersion = expectedVersion > 0 ? expectedVersion : rowVersion();
    const std::optional<bool> exists = rowExists(row);
    if (!exists)
        return false;
    if (!*exists) {
        if (m_versioned)
            return refuseChanged(row);
        m_db.setError(QStringLiteral("Zapis je bil medtem izbrisan."));
        return false;
    }
    m_editMode = EditMode::Edit;
    m_editRow = row;
    m_buffer.clear();
    return true;
}

// A write that found the row changed or deleted by another workstation
// since it was read: says by whom and when, and shows the row as it is now.
bool Recordset::refuseChanged(qint64 row) {
    const std::unique_ptr<EngineQuery> q =
        m_db.query(QStringLiteral("SELECT spremenil, date_part('epoch', spremenjeno) FROM ") +
                       quoted(m_table) + QStringLiteral(" WHERE rowid = ?"),
                   {row});
    if (!q)
        return false;
    Conflict conflict;
    if (q->next())
        conflict.by = Messages::ChangedBy.arg(
            q->field(0, FieldType::Other).toString(),
            // The time of this computer, whatever the server's zone.
            QDateTime::fromSecsSinceEpoch(qint64(q->field(1, FieldType::Number).toDouble()))
                .toString(QStringLiteral("d. M. yyyy 'ob' H.mm")));
    else
        conflict.deleted = true;
    if (q->failed())
        return false;
    m_conflict = conflict;
    m_db.setError(Messages::RowChangedMeanwhile.text.arg(conflict.deleted ? Messages::RowDeletedBy
                                                                          : conflict.by));
    m_cache.remove(row);
    if (const int p = positionOf(row); p >= 0 && m_observer)
        m_observer->rowChanged(p);
    return false;
}

// Nothing when the engine could not tell.
std::optional<bool> Recordset::rowExists(qint64 row) const {
    QVariant found;
    if (!m_db.queryValue(QStringLiteral("SELECT 1 FROM ") + quoted(m_table) +
                             QStringLiteral(" WHERE rowid = ?"),
                         {row}, &found)) {
        readFailure();
        return std::nullopt;
    }
    return !found.isNull();
}

void Recordset::setField(const QString& name, const QVariant& value) {
    if (m_editMode == EditMode::None)
        return;
    m_buffer.insert(name.toLower(), value);
}

void Recordset::cancelUpdate() {
    m_editMode = EditMode::None;
    m_buffer.clear();
}

bool Recordset::update() {
    m_conflict.reset();
    if (m_editMode == EditMode::None) {
        m_db.setError(QStringLiteral("Zapis ni v urejanju."));
        return false;
    }
    QStringList cols;
    QVariantList values;
    for (auto it = m_buffer.constBegin(); it != m_buffer.constEnd(); ++it) {
        int idx = fieldIndex(it.key());
        if (idx < 0) {
            m_db.setError(QStringLiteral("Polje ne obstaja: ") + it.key());
            return false;
        }
        QVariant value = it.value();
        // Text in a number field would count as 0 wherever it is priced.
        if (m_fieldTypes.at(idx) == FieldType::Number && value.typeId() == QMetaType::QString) {
            const std::optional<QVariant> number = numberFieldValue(value.toString());
            if (!number) {
                m_db.setError(QStringLiteral("»%1« ni število (polje %2).")
                                  .arg(value.toString(), m_fieldNames.at(idx)));
                return false;
            }
            value = *number;
        }
        cols << quoted(m_fieldNames.at(idx));
        values << value;
    }
    const bool adding = m_editMode == EditMode::Add;
    qint64 row = 0;
    m_ownWrite = true;
    if (adding) {
        QString sql;
        if (cols.isEmpty()) {
            sql = QStringLiteral("INSERT INTO ") + quoted(m_table) +
                  QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList marks(cols.size(), QStringLiteral("?"));
            sql = QStringLiteral("INSERT INTO ") + quoted(m_table) + QStringLiteral(" (") +
                  cols.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                  marks.join(QStringLiteral(", ")) + QStringLiteral(")");
        }
        const bool ok = m_db.insert(sql, values, &row);
        m_ownWrite = false;
        if (!ok)
            return false;
    } else {
        row = m_editRow;
        bool ok = true;
        if (!cols.isEmpty()) {
            QStringList sets;
            for (const QString& c : cols)
                sets << c + QStringLiteral(" = ?");
            values << row;
            const bool checked = m_versioned && m_editVersion > 0;
            if (checked)
                values << m_editVersion;
            ok = m_db.execute(QStringLiteral("UPDATE ") + quoted(m_table) +
                                  QStringLiteral(" SET ") + sets.join(QStringLiteral(", ")) +
                                  QStringLiteral(" WHERE rowid = ?") +
                                  (checked ? QStringLiteral(" AND verzija = ?") : QString()),
                              values);
            // A row deleted (or, on the server, changed) since it was read
            // takes no update; that is no success.
            if (ok && m_db.changes() == 0) {
                m_ownWrite = false;
                if (checked)
                    return refuseChanged(row);
                m_db.setError(QStringLiteral("Zapis je bil medtem izbrisan."));
                ok = false;
            }
        }
        m_ownWrite = false;
        if (!ok)
            return false;
    }
    bool keyChanged = adding;
    for (const QString& c : m_indexColumns)
        keyChanged = keyChanged || m_buffer.contains(c.toLower());
    if (m_kind == RecordsetKind::Table && m_indexColumns.isEmpty() && !adding)
        keyChanged = false; // ordered by row id, which an edit keeps
    m_editMode = EditMode::None;
    m_buffer.clear();
    m_lastModified = row;
    m_cache.remove(row);

    if (m_kind == RecordsetKind::Table && keyChanged) {
        placeInOrder(row, adding);
    } else if (adding) {
        // A dynaset shows rows added through it at its end.
        m_keys.append(row);
        if (m_observer)
            m_observer->rowInserted(m_keys.size() - 1);
    } else if (m_observer) {
        int p = positionOf(row);
        if (p >= 0)
            m_observer->rowChanged(p);
    }
    return true;
}

// A table record set keeps its index order: the written row goes to its
// place in the key set, and the current row (or the gap a delete left)
// stays what it was.
void Recordset::placeInOrder(qint64 row, bool added) {
    const int at =
        m_indexColumns.isEmpty()
            ? m_keys.placeInOrder(row, [](qint64 a, qint64 b) { return a < b; })
            : m_keys.placeInOrder(row, [this](qint64 a, qint64 b) { return sortsBefore(a, b); });
    if (!m_observer)
        return;
    if (added)
        m_observer->rowInserted(at);
    else
        notifyReset();
}

// Whether row a comes before row b in the index order; the engine compares,
// so that its collation and its place for Null decide as in the key set.
bool Recordset::sortsBefore(qint64 a, qint64 b) const {
    QVariant first;
    if (!m_db.queryValue(QStringLiteral("SELECT rowid FROM ") + quoted(m_table) +
                             QStringLiteral(" WHERE rowid IN (?, ?)") + orderClause() +
                             QStringLiteral(" LIMIT 1"),
                         {a, b}, &first))
        readFailure();
    return first.toLongLong() == a;
}

bool Recordset::deleteCurrent(qint64 expectedVersion) {
    m_conflict.reset();
    if (!mayWrite(true))
        return false;
    const int p = m_keys.position();
    const qint64 row = m_keys.at(p);
    const qint64 version = m_versioned && expectedVersion > 0 ? expectedVersion : rowVersion();
    m_ownWrite = true;
    const bool ok = m_db.execute(QStringLiteral("DELETE FROM ") + quoted(m_table) +
                                     QStringLiteral(" WHERE rowid = ?") +
                                     (version > 0 ? QStringLiteral(" AND verzija = ?") : QString()),
                                 version > 0 ? QVariantList{row, version} : QVariantList{row});
    m_ownWrite = false;
    if (!ok)
        return false;
    // Changed or deleted by another workstation since it was read.
    if (version > 0 && m_db.changes() == 0)
        return refuseChanged(row);
    m_keys.removeCurrent();
    m_cache.remove(row);
    if (m_observer)
        m_observer->rowRemoved(p);
    return true;
}

void Recordset::moveAfterDelete() {
    moveNext();
    if (eof())
        moveLast();
}

bool Recordset::setValueAt(int position, const QString& name, const QVariant& value) {
    if (!moveTo(position)) {
        m_db.setError(QStringLiteral("Ni zapisa na tem mestu."));
        return false;
    }
    if (!edit())
        return false;
    setField(name, value);
    if (update())
        return true;
    // The row keeps what it had; a half-done edit would show the refused
    // value as if it were stored.
    cancelUpdate();
    return false;
}

} // namespace valmir
