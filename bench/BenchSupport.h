#pragma once

// Shared pieces of the benchmark programs: where the generated data folder
// is, a private copy of it for benchmarks that write, start-up on that copy,
// and the small clocks and memory readings the figures are made of.

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QWidget;

namespace valmir::bench {

// The data folder made by valmir_gen: "--data-dir DIR" or "--data-dir=DIR"
// (removed from argv, so that Google Benchmark does not see it), else the
// environment variable VALMIR_BENCH_DATA. Empty when neither is given.
QString takeDataDirArgument(int& argc, char** argv);

// The office's server to run on instead of the data file: "--server
// CONNINFO" or "--server=CONNINFO" (removed from argv), else the
// environment variable VALMIR_BENCH_SERVER. Empty: the file, as before.
QString takeServerArgument(int& argc, char** argv);

// The server every Session starts on (set by BenchProgram from the
// arguments); empty for the data file.
QString benchServer();
void setBenchServer(const QString& conninfo);

// The start of every benchmark program: headless unless a platform is
// set, "--data-dir DIR" taken from the arguments, the Qt application, and
// Google Benchmark's own arguments read. Shuts Google Benchmark down when
// it goes.
class BenchProgram {
public:
    BenchProgram(int& argc, char** argv);
    ~BenchProgram();
    bool argumentsOk() const { return m_argumentsOk; }
    QString dataDir() const { return m_dataDir; }

private:
    QString m_dataDir;
    int m_qtArgc = 1;
    char* m_qtArgv[2] = {nullptr, nullptr};
    std::unique_ptr<QApplication> m_app;
    bool m_argumentsOk = false;
};

// Prints "program: error" on stderr and gives the exit status of a
// program that could not start.
int failed(const char* program, const QString& error);

// Copies every file of a folder (not recursive; a data folder is flat).
bool copyFolder(const QString& from, const QString& to, QString* error);

// A started program on a data folder: a private temporary folder for the
// work database and, when asked, a private copy of the data so that
// benchmarks that delete or save leave the generated data as it was.
class Session {
public:
    Session() = default;
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // An empty dataDir starts on a fresh data folder made by the start-up
    // (the seed only). With benchServer() set the program runs on that
    // server instead: dataDir only gives the local folder, no private copy
    // is made (a benchmark's save writes the same invoice again).
    bool start(const QString& dataDir, bool privateCopy, QString* error);
    QString dataDir() const { return m_dataDir; }

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_dataDir;
    bool m_started = false;
};

// The invoice that valmir_gen --big-invoice added: the one with the most
// lines (ties: the highest ID). 0 when the database has no lines.
qint64 bigInvoiceId();
int lineCount(qint64 invoiceId);

// Processes events until `done` holds or `timeoutMs` passed; returns done().
bool processUntil(const std::function<bool()>& done, int timeoutMs = 10000);

// Counts paint events that a widget (a grid's viewport) received.
class PaintCounter {
public:
    explicit PaintCounter(QWidget* widget);
    ~PaintCounter();
    int count() const;

private:
    class Filter;
    std::unique_ptr<Filter> m_filter;
    QPointer<QWidget> m_widget; // may go before the counter
};

// VmHWM and VmRSS of this process in kB (from /proc/self/status).
long peakResidentKb();
long residentKb();

double elapsedMs(const QElapsedTimer& timer);

} // namespace valmir::bench
