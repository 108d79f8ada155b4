#pragma once

#include "EngineRefusal.h"
#include "app/Globals.h"
#include "app/Module1.h"
#include "app/Startup.h"

#include <QHash>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace valmir::test {

// A fresh data folder and temporary folder for one test, started up as
// the program starts; shut down when it goes out of scope.
class Fixture {
public:
    Fixture();
    ~Fixture();
    bool start(); // startUp() on the folders; QVERIFY it
    QString dataDir() const { return m_root.path() + QStringLiteral("/data"); }
    QString tempDir() const { return m_root.path() + QStringLiteral("/tmp"); }
    StartupOptions options() const { return {dataDir(), tempDir()}; }
    QString lastMessage() const { return m_message; }

private:
    QTemporaryDir m_root;
    QString m_message;
};

// Base of a test class whose every case runs on a fresh, started Fixture;
// prepare() runs after a good start, and cleanup clears the fixed today.
class FixtureTest : public QObject {
    Q_OBJECT
protected:
    std::unique_ptr<Fixture> m_fixture;
    virtual void prepare() {}

protected Q_SLOTS:
    void init();
    void cleanup();
};

// Watches for modal windows: every message box is recorded as "title|text"
// and answered with the next queued button (else OK, or No for a question);
// a modal dialog whose objectName is a key of `dialogs` goes to its handler.
class ModalWatcher : public QObject {
public:
    QStringList seen;
    QList<QMessageBox::StandardButton> answers;
    QHash<QString, std::function<void(QWidget*)>> dialogs;

    ModalWatcher();

private:
    void poll();
    QTimer m_timer;
};

// Adds an invoice row to tblRacun with the given fields; returns its ID.
qint64 addInvoice(Database& db, const QVariantMap& fields);
void addLine(Database& db, qint64 invoiceId, qint64 tariffId, const QVariant& points,
             const QVariant& quantity, const QVariant& surcharge, const QVariant& amount);
// A line of the working table (WorkDb); TS2 keeps lines of one service apart.
struct WorkLine {
    qint64 tariffId;
    double ts1;
    double ts2;
    QVariant points;
    QVariant quantity;
    QVariant surcharge;
    bool report = false;
    QVariant amount = QVariant();
};
// Inserts it with a placeholder tariff number and text.
void addWorkLine(const WorkLine& l);

qint64 operationId(Database& db, int ts1, int ts2);

// A file's bytes (empty when it cannot be read); writing replaces them.
QByteArray readBytes(const QString& path);
bool writeBytes(const QString& path, const QByteArray& bytes);
// The permission bits of a path, 0 when there is none.
unsigned modeOf(const QString& path);

} // namespace valmir::test
