#include "data/KeySet.h"

#include <algorithm>

namespace valmir {

void KeySet::assign(QVector<qint64> rows) {
    m_rows = std::move(rows);
    changed();
    m_pos = 0;
    m_onGap = false;
}

void KeySet::replace(QVector<qint64> rows, bool afterRollback) {
    const Anchor a = anchor();
    const int old = m_pos;
    const bool gap = m_onGap;
    m_rows = std::move(rows);
    changed();
    m_onGap = false;
    const int p = a.onRow && !(afterRollback && gap) ? positionOf(a.row) : -1;
    if (p >= 0) {
        m_pos = p;
        m_onGap = gap;
    } else if (afterRollback) {
        m_pos = std::clamp(old, 0, size());
    } else {
        m_pos = a.atEnd ? size() : 0;
    }
}

int KeySet::positionOf(qint64 row) const {
    if (m_positionOf.isEmpty() && !m_rows.isEmpty()) {
        m_positionOf.reserve(m_rows.size());
        for (int i = 0; i < m_rows.size(); ++i)
            m_positionOf.insert(m_rows.at(i), i);
    }
    return m_positionOf.value(row, -1);
}

void KeySet::moveFirst() {
    m_onGap = false;
    m_pos = 0;
}

void KeySet::moveNext() {
    if (m_onGap)
        m_onGap = false; // the row after the deleted one already stands here
    else if (m_pos < size())
        ++m_pos;
}

void KeySet::movePrevious() {
    m_onGap = false;
    if (m_pos >= 0)
        --m_pos;
}

void KeySet::moveLast() {
    m_onGap = false;
    m_pos = std::max(0, size() - 1);
}

bool KeySet::moveTo(int position) {
    if (position < 0 || position >= size())
        return false;
    m_onGap = false;
    m_pos = position;
    return true;
}

void KeySet::removeCurrent() {
    m_rows.remove(m_pos);
    changed();
    m_onGap = true;
}

QList<int> KeySet::remove(const QSet<qint64>& rows) {
    QVector<qint64> kept;
    kept.reserve(m_rows.size());
    QList<int> removed;
    int pos = m_pos;
    bool onGap = m_onGap;
    for (int i = 0; i < m_rows.size(); ++i) {
        if (!rows.contains(m_rows.at(i))) {
            kept << m_rows.at(i);
            continue;
        }
        removed << i;
        if (i < m_pos)
            --pos;
        else if (i == m_pos)
            onGap = true;
    }
    if (removed.isEmpty())
        return removed;
    m_rows = std::move(kept);
    changed();
    m_pos = pos;
    m_onGap = onGap;
    return removed;
}

void KeySet::append(qint64 row) {
    m_rows << row;
    if (!m_positionOf.isEmpty())
        m_positionOf.insert(row, size() - 1);
}

void KeySet::append(const QVector<qint64>& rows) {
    const int first = size();
    m_rows += rows;
    if (!m_positionOf.isEmpty())
        for (int i = first; i < size(); ++i)
            m_positionOf.insert(m_rows.at(i), i);
}

int KeySet::placeInOrder(qint64 row, const Before& before) {
    const Anchor a = anchor();
    const int old = positionOf(row);
    if (old >= 0)
        m_rows.remove(old);
    const auto at = std::partition_point(m_rows.begin(), m_rows.end(),
                                         [&](qint64 other) { return before(other, row); });
    const int position = int(at - m_rows.begin());
    m_rows.insert(position, row);
    changed();
    restore(a);
    return position;
}

KeySet::Anchor KeySet::anchor() const {
    Anchor a;
    a.atEnd = m_pos >= size();
    a.onRow = m_pos >= 0 && m_pos < size();
    a.row = a.onRow ? m_rows.at(m_pos) : 0;
    return a;
}

void KeySet::restore(const Anchor& a) {
    if (a.atEnd)
        m_pos = size();
    else if (a.onRow)
        m_pos = positionOf(a.row);
}

} // namespace valmir
