// bench_office_save: saving a new invoice on the office's server while
// other workstations save at the same time.
//
//   bench_office_save --server CONNINFO [--workstations 1,4,8] [--seconds 20]
//                     [--lines 20] [--data-dir DIR]
//
// For each number N of workstations, N processes of this program start up
// on the server as the program does (each its own connection and work
// database), wait for a common start and then, for --seconds, save new
// invoices of --lines lines in a loop through saveInvoice: the number
// proposed from the settings' counter as the editor proposes it
// (numberProposed), the list the main list's dynaset. Each save is timed
// from the call to its return, the proposal included. Prints per N the
// saves, their median and 95th percentile, and the saves refused (a
// duplicate number or an engine error: another workstation took the
// number). The server's database gains those invoices: use a throwaway one.

#include "BenchSupport.h"

#include "app/Globals.h"
#include "data/Recordset.h"
#include "document/Settings.h"
#include "invoice/InvoiceFields.h"
#include "invoice/InvoiceSaver.h"
#include "invoice/Numbering.h"
#include "invoice/WorkingTable.h"
#include "text/Clock.h"
#include "text/TextForms.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <vector>

using namespace valmir;
using namespace valmir::bench;

namespace {

// One workstation: prints "S ms" per save, "R ms outcome" per refusal.
int workstation(const QString& dataDir, int lineCount, qint64 startMs, qint64 endMs) {
    Session session;
    QString error;
    if (!session.start(dataDir, false, &error))
        return failed("bench_office_save", error);
    auto list =
        Db->openRecordset(QStringLiteral("SELECT * FROM tblRacun ORDER BY StevilkaRacuna DESC"),
                          RecordsetKind::Dynaset);
    auto lines = WorkDb->openRecordset(QStringLiteral("tblTarifePregled"), RecordsetKind::Table);
    if (!list || !lines || !lines->setIndex(QStringLiteral("Red")) || !emptyWorkingTable(*WorkDb))
        return failed("bench_office_save", Db->lastError() + WorkDb->lastError());
    for (int i = 1; i <= lineCount; ++i)
        if (!WorkDb->execute(
                QStringLiteral("INSERT INTO tblTarifePregled (ID_tarifa, Tocke, Kolicina, Povisek, "
                               "znesek, TarifnaStevilka, TS1, TS2, \"70proc\", GeodetskaStoritev, "
                               "Master) VALUES (?, ?, 1, NULL, ?, 'x', 1, ?, 0, 'opravilo', 0)"),
                {i, 10.0 * i, 25.0 * i, i}))
            return failed("bench_office_save", WorkDb->lastError());
    QStringList text1(HeaderBoxCount);
    text1[1] = QStringLiteral("Stranka d.o.o.");
    text1[RemarkBox] = QStringLiteral("bench_office_save");
    text1[DateBox] = dateText(today());
    text1[ValidityBox] = QStringLiteral("30");
    InvoiceHeader header;
    header.text1 = text1;
    header.staffId = 1;
    header.percentText = QStringLiteral("10");
    header.pointValueText = QStringLiteral("2,5");
    header.numberProposed = true;
    QThread::msleep(ulong(std::max<qint64>(0, startMs - QDateTime::currentMSecsSinceEpoch())));
    QByteArray out; // printed at the end, so that no write to the pipe waits
    while (QDateTime::currentMSecsSinceEpoch() < endMs) {
        QElapsedTimer t;
        t.start();
        // The editor's proposal, as it opens a new invoice.
        InvoiceSettings settings;
        double counter = 0;
        if (!readInvoiceSettings(*Db, &settings, &error) ||
            !counterForNewDocument(*Db, settings.counter, settings.restartEachYear, today().year(),
                                   &counter))
            return failed("bench_office_save", error + Db->lastError());
        header.text1[NumberBox] = proposeNumber(today().year(), counter);
        // Each new invoice's save its own identity, as the editor gives it.
        header.saveKey = QUuid::createUuid().toString(QUuid::WithoutBraces);
        const SaveResult r = saveInvoice(*Db, *list, *lines, 0, QString(), header);
        const double ms = elapsedMs(t);
        out += r.outcome == SaveOutcome::Saved ? QStringLiteral("S %1\n").arg(ms).toUtf8()
                                               : QStringLiteral("R %1 %2 %3\n")
                                                     .arg(ms)
                                                     .arg(int(r.outcome))
                                                     .arg(r.error.simplified())
                                                     .toUtf8();
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    return 0;
}

double percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty())
        return 0;
    const std::size_t rank = std::size_t(std::ceil(p * double(sorted.size())));
    return sorted[std::min(sorted.size(), std::max<std::size_t>(rank, 1)) - 1];
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString dataDir = takeDataDirArgument(argc, argv);
    setBenchServer(takeServerArgument(argc, argv));
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("valmir"));
    const QStringList args = app.arguments().mid(1);
    if (benchServer().isEmpty())
        return failed("bench_office_save",
                      QStringLiteral("give the office's database with --server"));
    if (args.value(0) == u"--child" && args.size() == 4) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        return workstation(dataDir, args[1].toInt(), args[2].toLongLong(), args[3].toLongLong());
    }
    QList<int> counts{1, 4, 8};
    int seconds = 20, lineCount = 20;
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == u"--workstations") {
            counts.clear();
            for (const QString& n : args[i + 1].split(u','))
                counts << std::max(1, n.toInt());
        } else if (args[i] == u"--seconds") {
            seconds = std::max(1, args[i + 1].toInt());
        } else if (args[i] == u"--lines") {
            lineCount = std::max(1, args[i + 1].toInt());
        } else {
            return failed("bench_office_save", QStringLiteral("unknown option ") + args[i]);
        }
    }
    std::printf("%d s per round, %d lines per invoice\n", seconds, lineCount);
    std::printf("%-13s %7s %10s %10s %10s %8s\n", "workstations", "saves", "median ms", "p95 ms",
                "saves/s", "refused");
    for (int n : counts) {
        // Time for every process to start up before the common start.
        const qint64 startMs = QDateTime::currentMSecsSinceEpoch() + 3000 + 500 * n;
        const qint64 endMs = startMs + seconds * 1000LL;
        std::vector<std::unique_ptr<QProcess>> children;
        for (int i = 0; i < n; ++i) {
            auto p = std::make_unique<QProcess>();
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            QStringList childArgs{QStringLiteral("--child"),  QString::number(lineCount),
                                  QString::number(startMs),   QString::number(endMs),
                                  QStringLiteral("--server"), benchServer()};
            if (!dataDir.isEmpty())
                childArgs << QStringLiteral("--data-dir") << dataDir;
            p->start(QCoreApplication::applicationFilePath(), childArgs);
            children.push_back(std::move(p));
        }
        std::vector<double> saves;
        int refused = 0;
        QString firstRefusal;
        for (auto& p : children) {
            p->waitForFinished(int(endMs - QDateTime::currentMSecsSinceEpoch()) + 120000);
            if (p->exitStatus() != QProcess::NormalExit || p->exitCode() != 0)
                return failed("bench_office_save", QStringLiteral("a workstation failed"));
            for (const QByteArray& line : p->readAllStandardOutput().split('\n')) {
                if (line.startsWith("S "))
                    saves.push_back(line.mid(2).toDouble());
                else if (line.startsWith("R ") && ++refused == 1)
                    firstRefusal = QString::fromUtf8(line.mid(2));
            }
        }
        std::sort(saves.begin(), saves.end());
        std::printf("%-13d %7zu %10.1f %10.1f %10.1f %8d\n", n, saves.size(),
                    percentile(saves, 0.5), percentile(saves, 0.95), double(saves.size()) / seconds,
                    refused);
        if (refused)
            std::printf("    first refusal (ms outcome text): %s\n", qPrintable(firstRefusal));
        std::fflush(stdout);
    }
    return 0;
}
