#pragma once

#include "data/Database.h"
#include "data/PgConnection.h"

#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

namespace valmir::test {

// The test cluster CTest starts (fixture pg_cluster): its maintenance
// connection, and databases made on it for a test and dropped after.
class TestCluster {
public:
    ~TestCluster() { dropDatabases(); }
    // Connects to `conninfo`, the cluster's maintenance database; empty:
    // VALMIR_PG_TEST. False with the reason in lastError().
    bool open(const QString& conninfo = {});
    QString lastError() const { return m_error; }
    PgConnection& admin() { return *m_admin; }
    QString conninfo() const { return m_conninfo; }
    // A new, empty database: its connection string; empty when it could
    // not be made (the reason in lastError()).
    QString newDatabase();
    void dropDatabases();

    // A connection to `conninfo`, or null after a warning with the reason.
    static std::unique_ptr<PgConnection> connectTo(const QString& conninfo);

private:
    QString m_conninfo;
    QString m_error;
    std::unique_ptr<PgConnection> m_admin;
    QStringList m_databases;
};

// Rows of either engine, and as text to compare them: "a|b|<Null>" each.
QStringList shownRows(const QList<QVariantList>& rows);
QList<QVariantList> fileRows(Database& db, const QString& sql, const QVariantList& params = {});
QList<QVariantList> serverRows(PgConnection& db, const QString& sql,
                               const QVariantList& params = {});
// Everything of the program on a server database, as text.
QStringList serverContents(PgConnection& db);
// A copied table's rows in the file and on the server, as text, in the
// order of the server's key, which is the file's rowid where the file has
// no key.
QPair<QStringList, QStringList> bothSides(Database& file, PgConnection& db, const QString& table);

} // namespace valmir::test
