#include "ui/HeldRow.h"

#include "data/Recordset.h"
#include "text/Messages.h"
#include "ui/MessageBox.h"

namespace valmir {

namespace {

void tellChanged(QWidget* parent, const QString& by) {
    Msg::critical(parent, Messages::AskedRowChanged.text.arg(by), Messages::AskedRowChanged.title);
}

} // namespace

HeldRow::HeldRow(const Recordset& rs) : m_key(rs.bookmark()), m_version(rs.rowVersion()) {}

HeldRow::HeldRow(const Recordset& rs, int position)
    : m_key(rs.bookmarkAt(position)), m_version(m_key != 0 ? rs.rowVersionAt(position) : 0) {}

bool HeldRow::present(QWidget* parent) const {
    if (m_key != 0)
        return true;
    tellChanged(parent, Messages::RowDeletedBy);
    return false;
}

bool HeldRow::stillThere(QWidget* parent, Recordset& rs, const Message& notDone) const {
    if (!rs.rowAsRead(m_key, m_version)) {
        if (!rs.conflict())
            Msg::critical(parent, notDone, rs.lastError());
        else if (rs.conflict()->deleted)
            tellChanged(parent, Messages::RowDeletedBy);
        else
            tellChanged(parent, rs.conflict()->by);
        return false;
    }
    // Still in the table, but no longer in this list: gone for the list.
    if (!rs.moveToBookmark(m_key)) {
        tellChanged(parent, Messages::RowDeletedBy);
        return false;
    }
    return true;
}

} // namespace valmir
