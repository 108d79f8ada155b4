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
// (SQLITE_INSERT, SQLITE_UPDATE, SQLITE_DELETE), SQLITE_TRANSACTION
// refuses the commit of any write, and a read (SQLITE_READ, or 0 for
// anything) fails because the table or column is renamed meanwhile.
inline QStringList& undoOnServer() {
    static QStringList statements;
    return statements;
}

inline void refuseOnServer(Database& db, int action, const QString& name, const QString& column) {
    const auto run = [&db](const QString& sql, const QString& undo) {
        db.execute(sql);
        undoOnServer().prepend(undo);
    };
    if (action == 0 || action == SQLITE_READ) {
        if (column.isEmpty())
            run(QStringLiteral("ALTER TABLE %1 RENAME TO %1_odklon").arg(name),
                QStringLiteral("ALTER TABLE %1_odklon RENAME TO %1").arg(name));
        else
            run(QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %2_odklon").arg(name, column),
                QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2_odklon TO %2").arg(name, column));
        return;
    }
    db.execute("CREATE OR REPLACE FUNCTION valmir_test_odklon() RETURNS trigger "
               "LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION 'not authorized'; END $$");
    if (action == SQLITE_TRANSACTION) {
        // A commit is refused by a check the server makes only then, after
        // any write of the program's tables.
        for (const QString& table : ServerSchema::copiedTables())
            run(QStringLiteral("CREATE CONSTRAINT TRIGGER valmir_test_odklon AFTER INSERT OR "
                               "UPDATE OR DELETE ON %1 DEFERRABLE INITIALLY DEFERRED FOR EACH "
                               "ROW EXECUTE FUNCTION valmir_test_odklon()")
                    .arg(table),
                QStringLiteral("DROP TRIGGER valmir_test_odklon ON %1").arg(table));
        return;
    }
    const char* writes = action == SQLITE_INSERT   ? "INSERT"
                         : action == SQLITE_UPDATE ? "UPDATE"
                                                   : "DELETE";
    // For each statement: one that meets no rows is refused, too.
    run(QStringLiteral("CREATE TRIGGER valmir_test_odklon BEFORE %1 ON %2 FOR EACH STATEMENT "
                       "EXECUTE FUNCTION valmir_test_odklon()")
            .arg(QLatin1String(writes), name),
        QStringLiteral("DROP TRIGGER valmir_test_odklon ON %1").arg(name));
}

inline void refuseNothing(Database& db);

// One refusal at a time, as the file's engine has one check.
inline void refuse(Database& db, int action, const QString& name, const QString& column = {}) {
    if (db.onServer()) {
        refuseNothing(db);
        return refuseOnServer(db, action, name, column);
    }
    db.setStatementCheck([=](int a, const QString& name1, const QString& name2) {
        return (action == 0 || a == action) && name1.compare(name, Qt::CaseInsensitive) == 0 &&
               (column.isEmpty() || name2.compare(column, Qt::CaseInsensitive) == 0);
    });
}

inline void refuseNothing(Database& db) {
    if (db.onServer())
        for (const QString& sql : std::exchange(undoOnServer(), {}))
            db.execute(sql);
    db.setStatementCheck({});
}

} // namespace valmir::test
