#pragma once

#include <QMetaType>
#include <QVariant>

#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace valmir {

// A set of row ids that a statement takes as one bound value:
// "WHERE IN_SET(ID, ?)" holds for the rows whose ID is in the set. A list
// filtered by what a search found walks the index of its sort field and
// asks the set about each row, so that its rows come in order without
// reading any of them, and each slice of the list asks the same set
// instead of searching again.
class RowSet {
public:
    RowSet(std::vector<qint64> ids, qint64 number);
    bool contains(qint64 id) const;
    // What the statement is given: the engine passes no pointers, so the
    // set is bound as its number among the sets alive.
    qint64 number() const { return m_number; }
    // The ids, in order: what a server is given instead of the number.
    const std::vector<qint64>& ids() const { return m_ids; }

private:
    std::vector<qint64> m_ids; // sorted
    qint64 m_number;
};

using RowSetValue = std::shared_ptr<const RowSet>;

// The value to bind; it keeps the set alive as long as somebody holds it.
QVariant rowSetValue(std::vector<qint64> ids);

namespace RowSets {
// Binds a value made by rowSetValue(); false when the value is none.
bool bind(sqlite3_stmt* stmt, int parameter, const QVariant& value, int* rc);
// Makes IN_SET known to a connection; false when the engine refuses it.
bool install(sqlite3* db);
} // namespace RowSets

} // namespace valmir

Q_DECLARE_METATYPE(valmir::RowSetValue)
