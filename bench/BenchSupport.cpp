#include "BenchSupport.h"

#include "app/Globals.h"
#include "app/Startup.h"
#include "text/Module1.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QWidget>

#include <cstdio>

#include <benchmark/benchmark.h>

#include <cstring>

namespace valmir::bench {

namespace {

// Takes "NAME VALUE" or "NAME=VALUE" out of argv, else the variable envName.
QString takeOption(int& argc, char** argv, const char* name, const char* envName) {
    const std::size_t length = std::strlen(name);
    QString value;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0 && i + 1 < argc) {
            value = QString::fromLocal8Bit(argv[++i]);
            continue;
        }
        if (std::strncmp(argv[i], name, length) == 0 && argv[i][length] == '=') {
            value = QString::fromLocal8Bit(argv[i] + length + 1);
            continue;
        }
        argv[out++] = argv[i];
    }
    argc = out;
    argv[argc] = nullptr;
    if (value.isEmpty())
        value = qEnvironmentVariable(envName);
    return value;
}

QString g_server;

} // namespace

QString takeDataDirArgument(int& argc, char** argv) {
    return takeOption(argc, argv, "--data-dir", "VALMIR_BENCH_DATA");
}

QString takeServerArgument(int& argc, char** argv) {
    return takeOption(argc, argv, "--server", "VALMIR_BENCH_SERVER");
}

QString benchServer() { return g_server; }
void setBenchServer(const QString& conninfo) { g_server = conninfo; }

int failed(const char* program, const QString& error) {
    std::fprintf(stderr, "%s: %s\n", program, qPrintable(error));
    return 1;
}

bool copyFolder(const QString& from, const QString& to, QString* error) {
    QDir source(from);
    if (!source.exists()) {
        *error = QStringLiteral("no such folder: ") + from;
        return false;
    }
    QDir().mkpath(to);
    const QStringList files = source.entryList(QDir::Files);
    for (const QString& name : files) {
        const QString target = to + u'/' + name;
        QFile::remove(target);
        if (!QFile::copy(source.filePath(name), target)) {
            *error = QStringLiteral("cannot copy ") + source.filePath(name);
            return false;
        }
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
    return true;
}

Session::~Session() {
    if (m_started)
        shutDown();
}

BenchProgram::BenchProgram(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    m_dataDir = takeDataDirArgument(argc, argv);
    setBenchServer(takeServerArgument(argc, argv));
    m_qtArgv[0] = argv[0];
    m_app = std::make_unique<QApplication>(m_qtArgc, m_qtArgv);
    QApplication::setApplicationName(QStringLiteral("valmir"));
    benchmark::Initialize(&argc, argv);
    m_argumentsOk = !benchmark::ReportUnrecognizedArguments(argc, argv);
}

BenchProgram::~BenchProgram() { benchmark::Shutdown(); }

bool Session::start(const QString& dataDir, bool privateCopy, QString* error) {
    const QString server = benchServer();
    if (!server.isEmpty())
        privateCopy = false; // the server's data are shared; saves rewrite the same invoice
    if (server.isEmpty() && !dataDir.isEmpty() &&
        !QFile::exists(dataDir + QStringLiteral("/valmir2009.db"))) {
        *error = QStringLiteral("no generated data in \"") + dataDir +
                 QStringLiteral("\": run valmir_gen --data-dir DIR first");
        return false;
    }
    m_root = std::make_unique<QTemporaryDir>();
    if (!m_root->isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    m_dataDir = dataDir.isEmpty() ? m_root->path() + QStringLiteral("/data") : dataDir;
    if (privateCopy && !dataDir.isEmpty()) {
        m_dataDir = m_root->path() + QStringLiteral("/data");
        if (!copyFolder(dataDir, m_dataDir, error))
            return false;
    }
    StartupResult r = startUp({m_dataDir, m_root->path() + QStringLiteral("/tmp"), server});
    if (!r.ok) {
        *error = r.message;
        return false;
    }
    m_started = true;
    return true;
}

qint64 bigInvoiceId() {
    // The big invoice is added last; check that it really is the one with
    // the most lines rather than trusting the order blindly.
    qint64 last = Db->scalar(QStringLiteral("SELECT max(ID) FROM tblRacun")).toLongLong();
    if (lineCount(last) >= 100)
        return last;
    return Db
        ->scalar(QStringLiteral("SELECT ID_racun FROM tblRacunTarife GROUP BY ID_racun "
                                "ORDER BY count(*) DESC, ID_racun DESC LIMIT 1"))
        .toLongLong();
}

int lineCount(qint64 invoiceId) {
    return Db
        ->scalar(QStringLiteral("SELECT count(*) FROM tblRacunTarife WHERE ID_racun = ?"),
                 {invoiceId})
        .toInt();
}

bool processUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

class PaintCounter::Filter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

PaintCounter::PaintCounter(QWidget* widget) : m_filter(new Filter), m_widget(widget) {
    m_widget->installEventFilter(m_filter.get());
}

PaintCounter::~PaintCounter() {
    if (m_widget)
        m_widget->removeEventFilter(m_filter.get());
}

int PaintCounter::count() const { return m_filter->paints; }

namespace {

long statusKb(const char* key) {
    // /proc files have no size, so read them whole instead of by atEnd().
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray prefix(key);
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray& line : lines)
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

long peakResidentKb() { return statusKb("VmHWM:"); }
long residentKb() { return statusKb("VmRSS:"); }

double elapsedMs(const QElapsedTimer& timer) { return timer.nsecsElapsed() / 1e6; }

} // namespace valmir::bench
