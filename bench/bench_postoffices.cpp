// bench_postoffices: a keystroke in the post-office lookup's boxes, from the
// key until the list has moved to the post office found and painted again,
// over the 466 seeded post offices.
//
//   bench_postoffices [--data-dir DIR] [Google Benchmark flags]
//
// The lookup only reads, so the generated data folder is used as it is;
// without one, a fresh data folder is made from the seed.

#include "BenchSupport.h"

#include "app/Globals.h"
#include "app/Startup.h"
#include "windows/I_poste.h"
#include "ui/BoundGrid.h"
#include "data/Recordset.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace valmir;
using namespace valmir::bench;

namespace {

// Types one character after another into a box of a shown lookup; each
// keystroke is one iteration. The box is emptied outside the timing before
// each one, so that every keystroke is the first of a search and moves the
// list to another post office: no two keys in a row find the same one, and
// none finds the first row, where emptying the place box leaves the list.
void typeInto(benchmark::State& state, const char* boxName, const QString& keys) {
    QLineEdit target;
    I_poste window(appContext(), &target);
    window.show();
    QApplication::setActiveWindow(&window);
    auto* grid = window.findChild<BoundGrid*>(QStringLiteral("DBGrid1"));
    auto* box = window.findChild<QLineEdit*>(QString::fromLatin1(boxName));
    PaintCounter paints(grid->viewport());
    if (!processUntil([&] {
            return !window.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive() &&
                   paints.count() > 0;
        })) {
        state.SkipWithError("the lookup did not open");
        return;
    }
    box->setFocus(Qt::TabFocusReason); // orders the list by the box's column
    processUntil([&] { return box->hasFocus(); }, 1000);
    const int rows = grid->listModel()->rowCount();
    int next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        box->clear();
        QCoreApplication::processEvents();
        const int before = grid->currentRow();
        const int painted = paints.count();
        const QChar key = keys.at(next++ % keys.size());
        state.ResumeTiming();
        QTest::keyClick(box, key.toLatin1());
        if (!processUntil([&] { return paints.count() > painted; }, 2000) ||
            grid->currentRow() == before) {
            state.SkipWithError("the list did not move");
            break;
        }
    }
    state.counters["post offices"] = rows;
}

void BM_TypePostcode(benchmark::State& state) { typeInto(state, "Text1", QStringLiteral("23456891")); }
BENCHMARK(BM_TypePostcode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TypePlace(benchmark::State& state) {
    typeInto(state, "Text2", QStringLiteral("BCDGKLMNPRSTVZ"));
}
BENCHMARK(BM_TypePlace)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    BenchProgram program(argc, argv);
    if (!program.argumentsOk())
        return 1;
    const QString dataDir = program.dataDir();

    Session session;
    QString error;
    if (!session.start(dataDir, false, &error))
        return failed("bench_postoffices", error);
    std::printf("post offices: %d\n", Db->scalar(QStringLiteral("SELECT count(*) FROM tbPoste")).toInt());
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
