#pragma once

#include "data/Database.h"
#include "data/ServerSchema.h"

#include <QStringList>

#include <utility>

#include <sqlite3.h>

namespace valmir::test {

// Makes `db` fail, as unauthorized, every statement that does `action` (an
// SQLite authorizer code, 0 for any) on `name` (a table, or "COMMIT" for
// SQLITE_TRANSACTION) and, when given, `column`, until refuseNothing() or
// the end of the test. On a server a trigger refuses the table's writes
// (SQLITE_INSERT, SQLITE_UPDATE, SQLITE_DELETE, or all three for 0), as
// the server refuses a statement, and SQLITE_TRANSACTION refuses the
// commit of any write; reads are never refused there.
inline QStringList& refusedOnServer() {
    static QStringList tables;
    return tables;
}

inline void refuse(Database& db, int action, const QString& name, const QString& column = {}) {
    if (db.onServer() && action == SQLITE_TRANSACTION) {
        // A commit is refused by a check the server makes only then, after
        // any write of the program's tables.
        refusedOnServer() = ServerSchema::copiedTables();
        db.execute("CREATE OR REPLACE FUNCTION valmir_test_odklon() RETURNS trigger "
                   "LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION 'not authorized'; END $$");
        for (const QString& table : refusedOnServer())
            db.execute(QStringLiteral("CREATE CONSTRAINT TRIGGER valmir_test_odklon AFTER INSERT "
                                      "OR UPDATE OR DELETE ON %1 DEFERRABLE INITIALLY DEFERRED "
                                      "FOR EACH ROW EXECUTE FUNCTION valmir_test_odklon()")
                           .arg(table));
        return;
    }
    if (db.onServer()) {
        const char* writes = action == SQLITE_INSERT   ? "INSERT"
                             : action == SQLITE_UPDATE ? "UPDATE"
                             : action == SQLITE_DELETE ? "DELETE"
                                                       : "INSERT OR UPDATE OR DELETE";
        refusedOnServer() = QStringList{name};
        db.execute("CREATE OR REPLACE FUNCTION valmir_test_odklon() RETURNS trigger "
                   "LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION 'not authorized'; END $$");
        // For each statement: one that meets no rows is refused, too.
        db.execute(QStringLiteral("CREATE TRIGGER valmir_test_odklon BEFORE %1 ON %2 FOR EACH "
                                  "STATEMENT EXECUTE FUNCTION valmir_test_odklon()")
                       .arg(QLatin1String(writes), name));
        return;
    }
    db.setStatementCheck([=](int a, const QString& name1, const QString& name2) {
        return (action == 0 || a == action) && name1.compare(name, Qt::CaseInsensitive) == 0 &&
               (column.isEmpty() || name2.compare(column, Qt::CaseInsensitive) == 0);
    });
}

inline void refuseNothing(Database& db) {
    if (db.onServer())
        for (const QString& table : std::exchange(refusedOnServer(), {}))
            db.execute(QStringLiteral("DROP TRIGGER valmir_test_odklon ON %1").arg(table));
    db.setStatementCheck({});
}

} // namespace valmir::test
