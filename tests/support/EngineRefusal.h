#pragma once

#include "data/Database.h"

#include <sqlite3.h>

namespace valmir::test {

// Makes `db` fail, as unauthorized, every statement that does `action` (an
// SQLite authorizer code, 0 for any) on `name` (a table, or "COMMIT" for
// SQLITE_TRANSACTION) and, when given, `column`, until refuseNothing() or
// the end of the test.
inline void refuse(Database& db, int action, const QString& name, const QString& column = {}) {
    db.setStatementCheck([=](int a, const QString& name1, const QString& name2) {
        return (action == 0 || a == action) && name1.compare(name, Qt::CaseInsensitive) == 0 &&
               (column.isEmpty() || name2.compare(column, Qt::CaseInsensitive) == 0);
    });
}

inline void refuseNothing(Database& db) { db.setStatementCheck({}); }

} // namespace valmir::test
