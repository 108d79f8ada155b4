#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QVector>

#include <functional>

namespace valmir {

// The rows of a record set as their row ids, in the record set's order,
// and the record set's current row.
//
// The current row is a position from 0 to size()-1; size() is the end
// (eof), -1 lies before the first row. Deleting the current row leaves the
// position on the gap: the row that followed the deleted one already
// stands there, and the next step forward reaches it. Rows that come and
// go elsewhere leave the current row, or the gap, where it is.
class KeySet {
public:
    // Whether row a comes before row b in the record set's order.
    using Before = std::function<bool(qint64 a, qint64 b)>;

    // New rows; the first becomes current.
    void assign(QVector<qint64> rows);
    // The rows read again. The current row stays current where it is still
    // there. After rows were added, a gap stays before the row that followed
    // it and the end stays the end; otherwise the first row becomes current.
    // After a rollback the row now at the old position becomes current, so
    // that a row whose deletion was rolled back is current again.
    void replace(QVector<qint64> rows, bool afterRollback);

    int size() const { return int(m_rows.size()); }
    qint64 at(int position) const { return m_rows.at(position); }
    // The position of a row id, or -1.
    int positionOf(qint64 row) const;

    int position() const { return m_pos; }
    bool onGap() const { return m_onGap; }
    // Standing on a row, not on a gap or past either end.
    bool onRow() const { return !m_onGap && m_pos >= 0 && m_pos < size(); }
    bool eof() const { return m_pos >= size() || size() == 0; }
    bool bof() const { return m_pos < 0 || size() == 0; }
    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();
    bool moveTo(int position);

    // Removes the current row; the position stays on the gap it leaves.
    void removeCurrent();
    // Removes the rows of a set in one pass; returns their positions as
    // they were, in ascending order.
    QList<int> remove(const QSet<qint64>& rows);
    // Adds a row at the end; the current row stays where it is.
    void append(qint64 row);
    // Adds rows at the end, as the rest of the set is read; the current row
    // stays where it is.
    void append(const QVector<qint64>& rows);
    // Puts a row in its place by the order (taking it from where it was
    // first); returns the position it went to.
    int placeInOrder(qint64 row, const Before& before);

private:
    // What the current row is while rows change around it.
    struct Anchor {
        bool atEnd = false;
        bool onRow = false;
        qint64 row = 0;
    };
    Anchor anchor() const;
    void restore(const Anchor& a);
    void changed() { m_positionOf.clear(); }

    QVector<qint64> m_rows;
    mutable QHash<qint64, int> m_positionOf; // built when first needed
    int m_pos = 0;
    bool m_onGap = false;
};

} // namespace valmir
