// valmir_startup_probe: one start of the program in this process, timed
// from main() to the first painted rows of the invoice list, then the peak
// memory after scrolling that list to its end and back. The list paints
// its first rows before it has read all of them; the time until it has is
// printed as main_to_all_rows_ms.
//
//   valmir_startup_probe --data-dir DIR [--server CONNINFO] [--sweep]
//                        [--screenshot FILE.png] [--paint-only]
//
// Prints key=value lines. Every run is a fresh process, so the program's
// own caches (the engine's pages, Qt's fonts and plugins) start empty; the
// operating system's file cache is whatever the machine has (warm after
// the first run). When VALMIR_LAUNCH_NS holds the launch time
// (date +%s%N taken right before starting this program) the time from
// launch to the first paint, dynamic loading included, is printed too.
//
// --sweep also pages through the whole list (the worst case for the row
// cache), not only Ctrl+End and Ctrl+Home. --screenshot saves the window
// as first painted (after the figures were taken). --paint-only ends the
// process right after the first paint, for profiling the start alone.

#include "BenchSupport.h"

#include "app/Glavna.h"
#include "app/Globals.h"
#include "app/Startup.h"
#include "data/Recordset.h"
#include "text/Module1.h"
#include "ui/BoundGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <ctime>

using namespace valmir;
using namespace valmir::bench;

namespace {

qint64 realtimeNs() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Waits until the grid's viewport painted after `before` paints.
bool waitForPaint(PaintCounter& paints, int before) {
    return processUntil([&] { return paints.count() > before; });
}

// CPU time of the whole process since it was executed, all threads: on a
// machine shared with other work this is closer to what an idle machine
// would take than the wall clock.
double processCpuMs() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer clock;
    clock.start();
    const qint64 mainNs = realtimeNs();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString dataDir = takeDataDirArgument(argc, argv);
    const QString server = takeServerArgument(argc, argv);
    bool sweep = false;
    bool paintOnly = false;
    QString screenshot;
    for (int i = 1; i < argc; ++i) {
        sweep = sweep || QByteArray(argv[i]) == "--sweep";
        paintOnly = paintOnly || QByteArray(argv[i]) == "--paint-only";
        if (QByteArray(argv[i]) == "--screenshot" && i + 1 < argc)
            screenshot = QString::fromLocal8Bit(argv[++i]);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("valmir"));
    const double appMs = elapsedMs(clock);
    const double appCpuMs = processCpuMs();

    QTemporaryDir temp;
    StartupResult started = startUp({dataDir, temp.path(), server});
    if (!started.ok) {
        std::fprintf(stderr, "startup failed: %s\n", qPrintable(started.message));
        return 1;
    }
    const double startUpMs = elapsedMs(clock);
    const double startUpCpuMs = processCpuMs();

    int rc = 0;
    {
        Glavna window(appContext());
        const double windowMs = elapsedMs(clock);
        const double windowCpuMs = processCpuMs();
        BoundGrid* grid = window.list();
        PaintCounter paints(grid->viewport());
        window.show();
        const bool painted =
            processUntil([&] { return grid->listModel()->rowCount() > 0 && paints.count() > 0; });
        const double paintMs = elapsedMs(clock);
        const qint64 paintNs = realtimeNs();
        const double paintCpuMs = processCpuMs();
        if (!painted) {
            std::fprintf(stderr, "the list showed no rows within 10 s\n");
            return 1;
        }
        std::printf("rows=%d\n", grid->listModel()->rowCount());
        std::printf("first_row=%s | %s | %s\n", qPrintable(grid->listModel()->displayText(0, 0)),
                    qPrintable(grid->listModel()->displayText(0, 1)),
                    qPrintable(grid->listModel()->displayText(0, 5)));
        std::printf("qapplication_ms=%.1f\n", appMs);
        std::printf("startup_ms=%.1f\n", startUpMs - appMs);
        std::printf("glavna_ms=%.1f\n", windowMs - startUpMs);
        std::printf("show_to_paint_ms=%.1f\n", paintMs - windowMs);
        std::printf("main_to_paint_ms=%.1f\n", paintMs);
        std::printf("cpu_to_paint_ms=%.1f\n", paintCpuMs);
        std::printf("cpu_startup_ms=%.1f\ncpu_glavna_ms=%.1f\ncpu_show_to_paint_ms=%.1f\n",
                    startUpCpuMs - appCpuMs, windowCpuMs - startUpCpuMs, paintCpuMs - windowCpuMs);
        const QByteArray launch = qgetenv("VALMIR_LAUNCH_NS");
        if (!launch.isEmpty())
            std::printf("launch_to_paint_ms=%.1f\n", (paintNs - launch.toLongLong()) / 1e6);
        std::printf("launch_to_main_ms=%.1f\n",
                    launch.isEmpty() ? -1.0 : (mainNs - launch.toLongLong()) / 1e6);
        std::printf("vmhwm_after_paint_kb=%ld\n", peakResidentKb());
        if (!screenshot.isEmpty())
            window.grab().save(screenshot);
        if (paintOnly) { // for profiling the start alone
            std::fflush(stdout);
            std::_Exit(0);
        }

        // The rest of the list's rows, read on the event loop after the
        // first paint.
        Recordset* rs = grid->recordset();
        if (!processUntil([rs] { return rs->allRowsRead(); }, 60000)) {
            std::fprintf(stderr, "the list did not read all its rows within 60 s\n");
            return 1;
        }
        std::printf("main_to_all_rows_ms=%.1f\n", elapsedMs(clock));
        std::printf("cpu_to_all_rows_ms=%.1f\n", processCpuMs());
        std::printf("rows_all=%d\n", grid->listModel()->rowCount());
        std::printf("vmhwm_after_all_rows_kb=%ld\n", peakResidentKb());

        // The user's way to the oldest invoices and back.
        int before = paints.count();
        QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
        bool ok = waitForPaint(paints, before);
        const int lastRow = grid->currentRow();
        before = paints.count();
        QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
        ok = ok && waitForPaint(paints, before);
        if (!ok || lastRow != grid->listModel()->rowCount() - 1 || grid->currentRow() != 0) {
            std::fprintf(stderr, "scrolling to the end and back failed (row %d)\n", lastRow);
            rc = 1;
        }
        std::printf("vmhwm_after_scroll_kb=%ld\n", peakResidentKb());
        if (sweep) {
            QElapsedTimer t;
            t.start();
            QScrollBar* bar = grid->verticalScrollBar();
            int pages = 0;
            for (int v = 0; v <= bar->maximum(); v += std::max(1, bar->pageStep())) {
                bar->setValue(v);
                grid->viewport()->repaint();
                ++pages;
            }
            bar->setValue(0);
            processUntil([] { return true; });
            std::printf("sweep_pages=%d\nsweep_ms=%.0f\n", pages, elapsedMs(t));
            std::printf("vmhwm_after_sweep_kb=%ld\n", peakResidentKb());
        }
        std::printf("vmrss_end_kb=%ld\n", residentKb());
    }
    shutDown();
    return rc;
}
