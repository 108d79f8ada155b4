#include "TestCluster.h"
#include "data/Recordset.h"
#include "data/ServerSchema.h"

#include <QCoreApplication>
#include <QtGlobal>

namespace valmir::test {

bool TestCluster::open(const QString& conninfo) {
    m_conninfo = conninfo.isEmpty() ? qEnvironmentVariable("VALMIR_PG_TEST") : conninfo;
    if (m_conninfo.isEmpty()) {
        m_error = QStringLiteral("VALMIR_PG_TEST is not set: run this test through ctest, whose "
                                 "fixture pg_cluster starts the test server "
                                 "(scripts/pg-test-cluster.sh)");
        return false;
    }
    m_admin = PgConnection::connect(m_conninfo, &m_error);
    if (!m_admin)
        m_error = QStringLiteral("the test server cannot be reached: ") + m_error;
    return bool(m_admin);
}

QString TestCluster::newDatabase() {
    // Unique in the cluster, which test programs share.
    static int made = 0;
    const QString name =
        QStringLiteral("valmir_t%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
    if (!m_admin->execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name)) ||
        !m_admin->execute(QStringLiteral("CREATE DATABASE %1").arg(name))) {
        m_error = m_admin->lastError();
        qWarning("%s", qPrintable(m_error));
        return {};
    }
    m_databases << name;
    return m_conninfo + QStringLiteral(" dbname=") + name;
}

void TestCluster::dropDatabases() {
    if (!m_admin)
        return;
    for (const QString& name : std::as_const(m_databases))
        m_admin->execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    m_databases.clear();
}

std::unique_ptr<PgConnection> TestCluster::connectTo(const QString& conninfo) {
    QString error;
    auto db = PgConnection::connect(conninfo, &error);
    if (!db)
        qWarning("%s", qPrintable(error));
    return db;
}

namespace {

// A value as the two sides are compared; Null apart from empty text.
QString shown(const QVariant& v) {
    return v.isValid() && !v.isNull() ? v.toString() : QStringLiteral("<Null>");
}

} // namespace

QStringList shownRows(const QList<QVariantList>& rows) {
    QStringList out;
    for (const QVariantList& row : rows) {
        QStringList fields;
        for (const QVariant& v : row)
            fields << shown(v);
        out << fields.join(u'|');
    }
    return out;
}

QList<QVariantList> fileRows(Database& db, const QString& sql, const QVariantList& params) {
    QList<QVariantList> rows;
    auto rs = db.openRecordset(sql, RecordsetKind::Snapshot, params);
    if (!rs) {
        qWarning("%s: %s", qPrintable(sql), qPrintable(db.lastError()));
        return rows;
    }
    for (int p = 0; p < rs->recordCount(); ++p) {
        QVariantList row;
        for (int c = 0; c < rs->fieldNames().size(); ++c)
            row << rs->value(p, c);
        rows << row;
    }
    return rows;
}

QList<QVariantList> serverRows(PgConnection& db, const QString& sql, const QVariantList& params) {
    QList<QVariantList> rows;
    if (!db.query(sql, params, &rows))
        qWarning("%s: %s", qPrintable(sql), qPrintable(db.lastError()));
    return rows;
}

QPair<QStringList, QStringList> bothSides(Database& file, PgConnection& db, const QString& table) {
    const QString key = ServerSchema::rowKey(table);
    QStringList columns = key.isEmpty() ? QStringList() : QStringList{key};
    for (const QVariantList& c : fileRows(file, "PRAGMA table_info(" + table + ")"))
        columns << '"' + c.value(1).toString().toLower() + '"';
    const QString inFile = QStringLiteral("SELECT %1* FROM %2 ORDER BY rowid")
                               .arg(key.isEmpty() ? QString() : QStringLiteral("rowid, "), table);
    const QString onServer = QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                                 .arg(columns.join(", "), table, key.isEmpty() ? "ID" : key);
    return {shownRows(fileRows(file, inFile)), shownRows(serverRows(db, onServer))};
}

QStringList serverContents(PgConnection& db) {
    QStringList out;
    for (const QString& table : ServerSchema::allTables())
        out << table << shownRows(serverRows(db, "SELECT * FROM " + table + " ORDER BY 1"));
    return out;
}

} // namespace valmir::test
