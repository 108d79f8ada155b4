#pragma once

#include <QtGlobal>

class QWidget;

namespace valmir {

class Recordset;
struct Message;

// The row an action asks about, taken by its key and version before the
// question, so that the answer acts on that row and no other. While the
// question is open another workstation may change or delete the row: its
// notice changes the list, which then stands on the gap or shows another
// row where the row was.
class HeldRow {
public:
    // The record set's current row; no key on the gap of a deleted row.
    explicit HeldRow(const Recordset& rs);
    // The row at a position, as a window shows it.
    HeldRow(const Recordset& rs, int position);

    // 0 when there was no row.
    qint64 key() const { return m_key; }
    // The row version it was taken with (0 on a file).
    qint64 version() const { return m_version; }
    // Whether there is a row to act on; else the user is told it is gone.
    bool present(QWidget* parent) const;
    // After the answer: whether the row is still there as it was taken,
    // asked of the engine; the record set then stands on it. Else the user
    // is told that it changed or went and nothing was done, or `notDone`
    // with the engine's text, and false.
    bool stillThere(QWidget* parent, Recordset& rs, const Message& notDone) const;

private:
    qint64 m_key = 0;
    qint64 m_version = 0;
};

} // namespace valmir
