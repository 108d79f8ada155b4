#include "TestCluster.h"

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

} // namespace valmir::test
