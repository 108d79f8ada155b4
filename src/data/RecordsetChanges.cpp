// Following what any statement on the database writes: rows deleted,
// added or changed by others, and a rollback.

#include "data/RecordsetShared.h"

namespace valmir {

using namespace recordset;

bool Recordset::overTable(const char* table) const {
    return m_kind != RecordsetKind::Snapshot && !m_tableUtf8.isEmpty() &&
           qstricmp(table, m_tableUtf8.constData()) == 0;
}

void Recordset::rowChangedInEngine(RowChange change, qint64 rowid) {
    m_cache.remove(rowid);
    if (m_ownWrite)
        return; // the record set places its own rows
    switch (change) {
    case RowChange::Deleted:
        m_goneRows.insert(rowid);
        break;
    case RowChange::Added:
        // A table record set shows every row of its table; a dynaset only
        // the rows of its query, read when it runs.
        if (m_kind == RecordsetKind::Table)
            m_addedRows << rowid;
        break;
    case RowChange::Updated:
        if (m_observer)
            m_changedRows << rowid;
        break;
    }
}

void Recordset::flushEngineChanges() {
    if (!m_goneRows.isEmpty())
        dropGoneRows(std::exchange(m_goneRows, {}));
    if (!m_addedRows.isEmpty())
        takeInAddedRows(std::exchange(m_addedRows, {}));
    if (m_changedRows.isEmpty())
        return;
    const QList<qint64> rows = std::exchange(m_changedRows, {});
    if (!m_observer)
        return;
    for (qint64 row : rows) {
        int p = positionOf(row);
        if (p >= 0)
            m_observer->rowChanged(p);
    }
}

// Rows deleted by a statement leave the key set in one pass, however many
// they are; the current row stays, or the gap of a deleted current row.
void Recordset::dropGoneRows(const QSet<qint64>& gone) {
    const QList<int> removed = m_keys.remove(gone);
    if (removed.isEmpty() || !m_observer)
        return;
    // A list counts its rows one change at a time; several rows gone at
    // once are a reset to it.
    if (removed.size() > 1)
        notifyReset();
    else
        m_observer->rowRemoved(removed.first());
}

void Recordset::takeInAddedRows(const QList<qint64>& added) {
    if (added.size() > PlaceOneByOne) {
        reload(Reload::AfterAdding);
        notifyReset();
        return;
    }
    for (qint64 row : added)
        if (rowExists(row).value_or(false))
            placeInOrder(row, true);
}

void Recordset::resyncAfterRollback() {
    if (m_kind == RecordsetKind::Snapshot)
        return; // a copy, which no write changed
    m_changedRows.clear();
    m_goneRows.clear();
    m_addedRows.clear();
    reload(Reload::AfterRollback);
    notifyReset();
}

} // namespace valmir
