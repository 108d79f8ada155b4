#pragma once

#include "app/Module1.h"
#include "app/Startup.h"

#include <QTemporaryDir>
#include <QVariantMap>

namespace valmir::test {

// A fresh data folder and temporary folder for one test, started up as
// the program starts; shut down when it goes out of scope.
class Fixture {
public:
    Fixture();
    ~Fixture();
    bool start();                 // startUp() on the folders; QVERIFY it
    QString dataDir() const { return m_root.path() + QStringLiteral("/data"); }
    QString tempDir() const { return m_root.path() + QStringLiteral("/tmp"); }
    StartupOptions options() const { return {dataDir(), tempDir()}; }
    QString lastMessage() const { return m_message; }

private:
    QTemporaryDir m_root;
    QString m_message;
};

// Adds an invoice row to tblRacun with the given fields; returns its ID.
qint64 addInvoice(Database& db, const QVariantMap& fields);
// Adds a stored line of an invoice.
void addLine(Database& db, qint64 invoiceId, qint64 tariffId, const QVariant& points,
             const QVariant& quantity, const QVariant& surcharge, const QVariant& amount);
// ID of the operation (TS1, TS2) of the tariff.
qint64 operationId(Database& db, int ts1, int ts2);

// The path of a file under the source tree (VALMIR_SOURCE_DIR).
QString sourcePath(const QString& relative);

} // namespace valmir::test
