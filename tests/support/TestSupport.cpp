#include "TestSupport.h"

#include "app/ServerTransfer.h"
#include "data/PgConnection.h"
#include "document/PdfExport.h"
#include "text/Clock.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <utility>

#include <sys/stat.h>

namespace valmir::test {

namespace {

// What the program keeps for the account (QSettings) stays in this run's
// own folder, never in the tester's.
[[maybe_unused]] const bool OwnAccountSettings = [] {
    static QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    return true;
}();

} // namespace

QString testServer() { return qEnvironmentVariable("VALMIR_TEST_SERVER"); }

Fixture::Fixture() { QDir().mkpath(tempDir()); }

Fixture::~Fixture() { shutDown(); }

bool Fixture::start() {
    StartupResult r = startUp(options());
    m_message = r.message;
    if (!r.ok || testServer().isEmpty() || !m_conninfo.isEmpty())
        return r.ok;
    // The program's fresh data, moved to a database of this fixture's.
    shutDown();
    m_server = std::make_unique<TestCluster>();
    if (!m_server->open(testServer()) || (m_conninfo = m_server->newDatabase()).isEmpty()) {
        m_message = m_server->lastError();
        return false;
    }
    if (ServerTransfer::run(dataDir(), m_conninfo) != 0) {
        m_message = QStringLiteral("the data could not be moved to the test server");
        return false;
    }
    r = startUp(options());
    m_message = r.message;
    return r.ok;
}

void FixtureTest::init() {
    m_fixture = std::make_unique<Fixture>();
    QVERIFY2(m_fixture->start(), qPrintable(m_fixture->lastMessage()));
    prepare();
}

void FixtureTest::cleanup() {
    setTodayForTest(QDate());
    m_fixture.reset();
}

ModalWatcher::ModalWatcher() {
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::poll);
    m_timer.start();
}

void ModalWatcher::poll() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || w->property("answered").toBool())
        return;
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
        box->setProperty("answered", true);
        // A long text shows its first lines; the whole is the detailed text.
        seen << box->windowTitle() + u'|' +
                    (box->detailedText().isEmpty() ? box->text() : box->detailedText());
        if (meanwhile)
            std::exchange(meanwhile, {})();
        if (!keys.isEmpty()) {
            QWidget* focused = QApplication::focusWidget();
            QTest::keyClick(focused && box->isAncestorOf(focused) ? focused : box,
                            keys.takeFirst());
            return;
        }
        QAbstractButton* b =
            box->button(answers.isEmpty() ? QMessageBox::NoButton : answers.takeFirst());
        if (!b)
            b = box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)
                                             : box->button(QMessageBox::No);
        b->click();
        return;
    }
    auto it = dialogs.find(w->objectName());
    if (it != dialogs.end()) {
        w->setProperty("answered", true);
        it.value()(w);
    }
}

qint64 addInvoice(Database& db, const QVariantMap& fields) {
    auto rs = db.openRecordset(QStringLiteral("tblRacun"), RecordsetKind::Table);
    if (!rs || !rs->addNew())
        return 0;
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
        rs->setField(it.key(), it.value());
    return rs->update() ? rs->lastModified() : 0;
}

bool addNumberedInvoices(Database& db, int count, const std::function<QVariantMap(int)>& fields) {
    Transaction t(db);
    for (int x = 1; x <= count; ++x) {
        QVariantMap row = fields ? fields(x) : QVariantMap{};
        row.insert(QStringLiteral("StevilkaRacuna"),
                   QStringLiteral("2009/%1").arg(x, 5, 10, QLatin1Char('0')));
        const QStringList names = row.keys();
        const QString sql = QStringLiteral("INSERT INTO tblRacun (%1) VALUES (%2)")
                                .arg(names.join(QStringLiteral(", ")),
                                     QStringList(names.size(), QStringLiteral("?")).join(", "));
        if (!db.execute(sql, row.values()))
            return false;
    }
    return t.commit();
}

void addLine(Database& db, qint64 invoiceId, qint64 tariffId, const QVariant& points,
             const QVariant& quantity, const QVariant& surcharge, const QVariant& amount) {
    db.execute(QStringLiteral("INSERT INTO tblRacunTarife (ID_racun, ID_tarifa, Tocke, Kolicina, "
                              "Povisek, znesek) VALUES (?, ?, ?, ?, ?, ?)"),
               {invoiceId, tariffId, points, quantity, surcharge, amount});
}

void addWorkLine(const WorkLine& l) {
    QVERIFY2(
        WorkDb->execute(
            QStringLiteral("INSERT INTO tblTarifePregled (ID_tarifa, Tocke, Kolicina, Povisek, "
                           "znesek, TarifnaStevilka, TS1, TS2, \"70proc\", GeodetskaStoritev, "
                           "Master) VALUES (?, ?, ?, ?, ?, 'x', ?, ?, ?, 'opravilo', 0)"),
            {l.tariffId, l.points, l.quantity, l.surcharge, l.amount, l.ts1, l.ts2, l.report}),
        qPrintable(WorkDb->lastError()));
}

qint64 operationId(Database& db, int ts1, int ts2) {
    return db.scalar(QStringLiteral("SELECT ID FROM tblTarife WHERE TS1=? AND TS2=?"), {ts1, ts2})
        .toLongLong();
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

unsigned modeOf(const QString& path) {
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool convertToPdf(const QString& document, const QString& folder, QString* pdfOrError) {
    PdfConversion conversion;
    QSignalSpy done(&conversion, &PdfConversion::finished);
    conversion.start(findLibreOffice(), document, folder);
    if (!done.wait(240000)) {
        *pdfOrError = QStringLiteral("LibreOffice did not finish");
        return false;
    }
    *pdfOrError = done[0][done[0][0].toBool() ? 1 : 2].toString();
    return done[0][0].toBool();
}

QByteArray shellOutput(const char* command, const QString& file) {
    QProcess p;
    p.start(QStringLiteral("sh"), {QStringLiteral("-c"), QString::fromUtf8(command), file});
    if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && !p.exitCode())
        return p.readAllStandardOutput();
    return "failed: " + p.errorString().toUtf8() + ' ' + p.readAllStandardError();
}

} // namespace valmir::test
