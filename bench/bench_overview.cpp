// bench_overview: the search in the main list and the overview of turnover
// on the generated database.
//
//   bench_overview --data-dir DIR [Google Benchmark flags]
//
// Works on a private copy of the data folder: a folder made by an earlier
// schema is upgraded when the copy is opened (the time is printed). Each
// keystroke figure runs from the key press until the filtered list was
// painted, and includes the search box's pause (SearchBar::Pause).

#include "BenchSupport.h"

#include "app/Glavna.h"
#include "app/Globals.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "invoice/InvoiceSearch.h"
#include "ui/BoundGrid.h"
#include "ui/SearchBar.h"
#include "windows/Pregled.h"

#include <QChartView>
#include <QLineEdit>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace valmir;
using namespace valmir::bench;

namespace {

Glavna* g_window = nullptr;
PaintCounter* g_paints = nullptr;
int g_applied = -1; // paints counted when the window had applied the filter

QLineEdit* searchBox() { return g_window->findChild<QLineEdit*>(QStringLiteral("Text1")); }

// Types a word letter by letter ("k", "ko", "kov", ...), each letter one
// timed keystroke; the box is emptied between words, untimed.
void typeWord(benchmark::State& state, const char* word) {
    int letter = 0;
    const int length = int(std::strlen(word));
    for (auto _ : state) {
        if (letter == length) {
            state.PauseTiming();
            const int before = g_paints->count();
            searchBox()->clear();
            processUntil([before] { return g_paints->count() > before; });
            letter = 0;
            state.ResumeTiming();
        }
        // The list also paints while it reads its rows in slices: the
        // figure waits for a paint after the filter was applied.
        g_applied = -1;
        QElapsedTimer t;
        t.start();
        QTest::keyClick(searchBox(), word[letter++]);
        if (!processUntil([] { return g_applied >= 0 && g_paints->count() > g_applied; }))
            state.SkipWithError("the list was not painted");
        state.SetIterationTime(elapsedMs(t) / 1000);
        if (qEnvironmentVariableIsSet("VALMIR_BENCH_LETTERS"))
            std::fprintf(stderr, "%.*s %.1f ms\n", letter, word, elapsedMs(t));
    }
    state.counters["shown"] = g_window->list()->listModel()->rowCount();
    state.counters["pause_ms"] = SearchBar::Pause;
}

void BM_SearchKeystroke_Customer(benchmark::State& state) { typeWord(state, "kovac"); }
BENCHMARK(BM_SearchKeystroke_Customer)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

void BM_SearchKeystroke_Nothing(benchmark::State& state) { typeWord(state, "qxq"); }
BENCHMARK(BM_SearchKeystroke_Nothing)
    ->Iterations(12)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The parts of a keystroke without the window: the status line's counts,
// and the list's rows read in the sort order with the filter.
const char* const Typed[] = {"k", "kova", "kovac", "qxq"};

// The search alone: one reading of tblIskanje for the found invoices and
// the counts.
void BM_SearchOnly(benchmark::State& state) {
    const InvoiceFilter filter = invoiceFilter(QString::fromLatin1(Typed[state.range(0)]), false);
    for (auto _ : state) {
        SearchResult found;
        if (!runSearch(*Db, filter, &found))
            state.SkipWithError("not read");
        state.counters["found"] = double(found.status.shown);
    }
}
BENCHMARK(BM_SearchOnly)->DenseRange(0, 3)->Iterations(10)->Unit(benchmark::kMillisecond);

// The search, then the list's rows read in the sort order with its
// result: the first slice (argument 1: 0), or all of them (1). Where the
// counts are a reading of their own (the server) they are left out, as
// the window counts them beside the list.
void BM_SearchList(benchmark::State& state) {
    const InvoiceFilter filter = invoiceFilter(QString::fromLatin1(Typed[state.range(0)]), false);
    for (auto _ : state) {
        SearchResult found;
        if (!runSearch(*Db, filter, &found, false))
            state.SkipWithError("not read");
        auto rs = Db->openRecordset(QStringLiteral("SELECT * FROM tblRacun ") + found.where +
                                        QStringLiteral(" ORDER BY StevilkaRacuna DESC"),
                                    RecordsetKind::Dynaset, found.params);
        if (!rs || (state.range(1) && !rs->readAllRows()))
            state.SkipWithError("not read");
        state.counters["rows"] = rs->rowsRead();
    }
}
BENCHMARK(BM_SearchList)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// Opens the overview (latest year), until its chart was painted.
void BM_OverviewOpen(benchmark::State& state) {
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        Pregled overview(appContext(), g_window);
        auto* chart = overview.findChild<QChartView*>(QStringLiteral("Chart1"));
        PaintCounter chartPaints(chart->viewport());
        overview.show();
        if (!processUntil([&] { return chartPaints.count() > 0; }))
            state.SkipWithError("the overview was not painted");
        state.SetIterationTime(elapsedMs(t) / 1000);
        state.counters["invoices"] = overview.turnover().sum.invoices;
    }
}
BENCHMARK(BM_OverviewOpen)->Iterations(20)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace

int main(int argc, char** argv) {
    BenchProgram program(argc, argv);
    if (!program.argumentsOk())
        return 1;
    Session session;
    QString error;
    QElapsedTimer started;
    started.start();
    if (!session.start(program.dataDir(), true, &error))
        return failed("bench_overview", error);
    std::printf("start-up on the copy (with any schema upgrade): %.0f ms\n", elapsedMs(started));
    // An experiment: a page cache that holds the invoice table (in kB).
    if (const int cacheKb = qEnvironmentVariableIntValue("VALMIR_BENCH_CACHE_KB"); cacheKb > 0) {
        Db->execute(QStringLiteral("PRAGMA cache_size = -%1").arg(cacheKb));
        std::printf("page cache of the data database: %d kB\n", cacheKb);
    }
    {
        Glavna window(appContext());
        g_window = &window;
        window.resize(1100, 600);
        PaintCounter paints(window.list()->viewport());
        g_paints = &paints;
        window.show();
        if (!processUntil([&] { return paints.count() > 0; })) {
            std::fprintf(stderr, "bench_overview: the main window did not paint\n");
            return 1;
        }
        std::printf("invoices in the list: %d\n", window.list()->listModel()->rowCount());
        // Connected after the window's own handler: runs once it applied the filter.
        QObject::connect(window.findChild<SearchBar*>(), &SearchBar::filterChanged,
                         [] { g_applied = g_paints->count(); });
        benchmark::RunSpecifiedBenchmarks();
        g_paints = nullptr;
        g_window = nullptr;
    }
    return 0;
}
