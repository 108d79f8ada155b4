#pragma once

#include "EngineRefusal.h"
#include "TestCluster.h"
#include "app/Globals.h"
#include "app/Startup.h"
#include "data/Recordset.h"
#include "text/Module1.h"
#include "ui/BoundGrid.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariantMap>
#include <QtTest>

#include <functional>
#include <memory>

namespace valmir::test {

// The test server's maintenance database, set by CTest for the runs of a
// test against PostgreSQL (the "_server" tests); empty for the file.
QString testServer();

// A fresh data folder and temporary folder for one test, started up as
// the program starts; shut down when it goes out of scope. For a run
// against the server, the fresh data are moved into a database of their
// own on the test server, and the program starts on that.
class Fixture {
public:
    Fixture();
    ~Fixture();
    bool start(); // startUp() on the folders; QVERIFY it
    QString dataDir() const { return m_root.path() + QStringLiteral("/data"); }
    QString tempDir() const { return m_root.path() + QStringLiteral("/tmp"); }
    StartupOptions options() const { return {dataDir(), tempDir(), m_conninfo}; }
    QString lastMessage() const { return m_message; }

private:
    QTemporaryDir m_root;
    QString m_message;
    std::unique_ptr<TestCluster> m_server; // when the fixture runs there
    QString m_conninfo;
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
    // Keys that answer the next boxes before any queued button: each is
    // pressed on the box's focused control, as a user at the keyboard does.
    QList<Qt::Key> keys;
    QHash<QString, std::function<void(QWidget*)>> dialogs;
    // Runs once while the next message box is open, before its answer: what
    // another workstation does while the user reads the question.
    std::function<void()> meanwhile;

    ModalWatcher();

private:
    void poll();
    QTimer m_timer;
};

// Adds an invoice row to tblRacun with the given fields; returns its ID.
qint64 addInvoice(Database& db, const QVariantMap& fields);
// Adds invoices 2009/00001 ... 2009/<count> in one transaction, each with
// the further fields `fields(x)` gives; false when one could not be added.
bool addNumberedInvoices(Database& db, int count,
                         const std::function<QVariantMap(int)>& fields = {});
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

// The document converted by the real LibreOffice in `folder`: true with
// the PDF's path in `pdfOrError`, or false with what went wrong.
bool convertToPdf(const QString& document, const QString& folder, QString* pdfOrError);
// The output of a shell command run on a file ($0), or its failure in words.
QByteArray shellOutput(const char* command, const QString& file);

// A window's controls by their names.
template <typename T> T* child(QWidget* w, const QString& name) {
    T* c = w->findChild<T*>(name);
    if (!c)
        qWarning("no control %s", qPrintable(name));
    return c;
}
inline QLineEdit* box(QWidget* w, const QString& name) { return child<QLineEdit>(w, name); }
inline QString text(QWidget* w, const QString& name) { return box(w, name)->text(); }
inline void click(QWidget* w, const QString& name) { child<QAbstractButton>(w, name)->click(); }
// A label's text without the blanks the totals keep after them.
inline QString caption(QWidget* w, const QString& name) {
    return child<QLabel>(w, name)->text().trimmed();
}
inline QCheckBox* option(QWidget* w, const QString& name) { return child<QCheckBox>(w, name); }

// The list of a window (DBGrid1) and its cells as shown.
inline BoundGrid* grid(QWidget* w) { return child<BoundGrid>(w, QStringLiteral("DBGrid1")); }
inline int lineCount(QWidget* w) { return grid(w)->listModel()->rowCount(); }
inline QString cell(QWidget* w, int row, int column) {
    auto* m = grid(w)->listModel();
    return m->data(m->index(row, column), Qt::DisplayRole).toString();
}
// The texts a window's list shows in one column, from the top.
inline QStringList shownColumn(QWidget* w, int column) {
    QStringList texts;
    for (int row = 0; row < lineCount(w); ++row)
        texts << cell(w, row, column);
    return texts;
}
inline bool typeCell(QWidget* w, int row, int column, const QString& value) {
    auto* m = grid(w)->listModel();
    return m->setData(m->index(row, column), value, Qt::EditRole);
}

inline int tableCount(const char* table) {
    return Db->scalar(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).toInt();
}
// The rows a query gives, their fields joined by "|".
inline QStringList queryRows(const QString& sql, const QVariantList& params = {}) {
    QStringList out;
    auto rs = Db->openRecordset(sql, RecordsetKind::Snapshot, params);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        QStringList fields;
        for (const QString& f : rs->fieldNames())
            fields << rs->field(f).toString();
        out << fields.join(u'|');
    }
    return out;
}
// "1.234,50 €" as a cell shows it, with the no-break space the program writes.
inline QString money(const char* digits) { return QString::fromUtf8(digits) + QChar(0xA0) + u'€'; }

} // namespace valmir::test
