#include "data/RowSet.h"

#include <QHash>

#include <algorithm>
#include <mutex>

#include <sqlite3.h>

namespace valmir {

namespace {

// The sets alive, by number; a set leaves when its last holder lets go.
struct Registry {
    std::mutex lock;
    QHash<qint64, const RowSet*> sets;
    qint64 last = 0;
};

Registry& registry() {
    static Registry r;
    return r;
}

const RowSet* findSet(qint64 number) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.sets.value(number);
}

void inSet(sqlite3_context* context, int, sqlite3_value** argv) {
    // The set is looked up once per statement; the engine keeps it with
    // the argument as long as that stays the same bound value.
    auto* set = static_cast<const RowSet*>(sqlite3_get_auxdata(context, 1));
    if (!set) {
        set = findSet(sqlite3_value_int64(argv[1]));
        if (!set) {
            sqlite3_result_error(context, "IN_SET: no such set of rows", -1);
            return;
        }
        sqlite3_set_auxdata(context, 1, const_cast<RowSet*>(set), nullptr);
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_int(context, set->contains(sqlite3_value_int64(argv[0])) ? 1 : 0);
}

} // namespace

RowSet::RowSet(std::vector<qint64> ids, qint64 number) : m_ids(std::move(ids)), m_number(number) {
    std::sort(m_ids.begin(), m_ids.end());
}

bool RowSet::contains(qint64 id) const {
    return std::binary_search(m_ids.begin(), m_ids.end(), id);
}

QVariant rowSetValue(std::vector<qint64> ids) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto* set = new RowSet(std::move(ids), ++r.last);
    r.sets.insert(set->number(), set);
    return QVariant::fromValue(RowSetValue(set, [](const RowSet* gone) {
        {
            Registry& r = registry();
            std::lock_guard<std::mutex> guard(r.lock);
            r.sets.remove(gone->number());
        }
        delete gone;
    }));
}

namespace RowSets {

bool bind(sqlite3_stmt* stmt, int parameter, const QVariant& value, int* rc) {
    if (value.typeId() != qMetaTypeId<RowSetValue>())
        return false;
    // The caller's parameters hold the set for as long as the statement runs.
    const RowSetValue set = value.value<RowSetValue>();
    *rc = set ? sqlite3_bind_int64(stmt, parameter, set->number())
              : sqlite3_bind_null(stmt, parameter);
    return true;
}

bool install(sqlite3* db) {
    return sqlite3_create_function(db, "IN_SET", 2, SQLITE_UTF8, nullptr, inSet, nullptr,
                                   nullptr) == SQLITE_OK;
}

} // namespace RowSets

} // namespace valmir
