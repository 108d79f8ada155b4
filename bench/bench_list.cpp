// bench_list: the main window's invoice list on the generated database.
//
//   bench_list --data-dir DIR [Google Benchmark flags]
//
// Works on a private copy of the data folder (the deletion benchmarks
// delete invoices). The main window is built once and shown under the
// offscreen platform; each figure runs until the list's rows were painted.

#include "BenchSupport.h"

#include "app/Glavna.h"
#include "app/Globals.h"
#include "data/Schema.h"
#include "invoice/InvoiceDeletion.h"
#include "text/Module1.h"
#include "ui/BoundGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace valmir;
using namespace valmir::bench;

namespace {

Glavna* g_window = nullptr;
PaintCounter* g_paints = nullptr;
int g_headerClicks = 0;

BoundGrid* grid() { return g_window->list(); }

bool waitForPaint(int before) {
    return processUntil([before] { return g_paints->count() > before; });
}

// A real click on the middle of a column's header section, as a user
// makes it; the window sorts in its handler of the header's click.
void clickHeader(int column) {
    QHeaderView* header = grid()->horizontalHeader();
    int x = header->sectionViewportPosition(column);
    if (x < 0 || x + header->sectionSize(column) > header->viewport()->width()) {
        grid()->scrollTo(grid()->listModel()->index(std::max(0, grid()->currentRow()), column),
                         QAbstractItemView::EnsureVisible);
        x = header->sectionViewportPosition(column);
    }
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(x + header->sectionSize(column) / 2, header->height() / 2));
}

// Compares two field values as the database orders them (text by the
// program's collation).
int compareStored(const QVariant& a, const QVariant& b) {
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString) {
        const QString sql = QStringLiteral("SELECT CASE WHEN (? COLLATE %1) < ? THEN -1 "
                                           "WHEN (? COLLATE %1) > ? THEN 1 ELSE 0 END")
                                .arg(QString::fromLatin1(Database::textCollation()));
        return Db->scalar(sql, {a, b, a, b}).toInt();
    }
    const QPartialOrdering c = QVariant::compare(a, b);
    return c == QPartialOrdering::Less ? -1 : c == QPartialOrdering::Greater ? 1 : 0;
}

// The rows on top must be in the order of the sort the window says it has.
bool sortedAsShown(int column, bool ascending) {
    BoundListModel* model = grid()->listModel();
    const QString field = model->columns().at(column).field;
    Recordset* rs = model->recordset();
    for (int row = 0; row + 1 < 30 && row + 1 < rs->recordCount(); ++row) {
        const int c = compareStored(rs->value(row, field), rs->value(row + 1, field));
        if (ascending ? c > 0 : c < 0)
            return false;
    }
    return true;
}

// A click on a column header until the first rows of the new order are
// painted. Every click on the same column turns the direction, so the
// iterations alternate between ascending and descending.
void BM_HeaderClickSort(benchmark::State& state) {
    const int column = int(state.range(0));
    state.SetLabel(grid()->listModel()->columns().at(column).field.toStdString());
    const int clicksBefore = g_headerClicks;
    for (auto _ : state) {
        const int before = g_paints->count();
        clickHeader(column);
        if (!waitForPaint(before)) {
            state.SkipWithError("the list did not paint after the click");
            break;
        }
    }
    if (g_headerClicks - clicksBefore != int(state.iterations()))
        state.SkipWithError("not every click reached the header");
    else if (g_window->sortState().sortColumn() != column ||
             !sortedAsShown(column, g_window->sortState().sortAscending()))
        state.SkipWithError("the list is not sorted as the window says");
    state.counters["rows"] = grid()->listModel()->rowCount();
}
BENCHMARK(BM_HeaderClickSort)
    ->ArgName("column")
    ->Arg(5) // Ime, text
    ->Arg(1) // Datum, date
    ->Arg(2) // Placan, Yes/No
    ->Arg(0) // StevilkaRacuna, the start-up order
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The engine's part of a sort: the key set of the ordered query and the
// first screen of rows, without the window. The second argument gives the
// connection a 64 MB page cache instead of the engine's default of about
// 2 MB, to show how much of the time is reading and decrypting pages again.
void BM_OpenSortedKeyset(benchmark::State& state) {
    static const char* const fields[] = {"StevilkaRacuna", "Datum", "Placan", "Ime"};
    const QString field = QString::fromLatin1(fields[state.range(0)]);
    const bool bigCache = state.range(1) != 0;
    state.SetLabel(field.toStdString() + (bigCache ? ", 64 MB cache" : ""));
    const QVariant cacheBefore = Db->scalar(QStringLiteral("PRAGMA cache_size"));
    if (bigCache)
        Db->execute(QStringLiteral("PRAGMA cache_size = -65536"));
    for (auto _ : state) {
        auto rs = Db->openRecordset(QStringLiteral("SELECT * FROM tblRacun ORDER BY ") + field +
                                        QStringLiteral(" ASC"),
                                    RecordsetKind::Dynaset);
        for (int row = 0; row < 40; ++row)
            benchmark::DoNotOptimize(rs->value(row, field));
    }
    Db->execute(QStringLiteral("PRAGMA cache_size = %1").arg(cacheBefore.toLongLong()));
}
BENCHMARK(BM_OpenSortedKeyset)
    ->ArgNames({"field", "bigcache"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Opening the keyed data database: the key derivation and the first read,
// the engine's share of every start.
void BM_OpenDataDatabase(benchmark::State& state) {
    for (auto _ : state) {
        QString error;
        auto db = Database::open(DatabasePath, Schema::dataPassword(), &error);
        if (!db) {
            state.SkipWithError(error.toStdString().c_str());
            break;
        }
    }
}
BENCHMARK(BM_OpenDataDatabase)->Unit(benchmark::kMillisecond)->UseRealTime();

// Deleting the current invoice by the window's own rule until the list
// painted the rows that follow.
void BM_DeleteInvoiceShown(benchmark::State& state) {
    Recordset* rs = grid()->recordset();
    for (auto _ : state) {
        const int before = g_paints->count();
        InvoiceDeletionResult r = deleteCurrentInvoice(*rs);
        grid()->syncFromRecordset();
        if (!r.deleted || !waitForPaint(before)) {
            state.SkipWithError("deleting or painting failed");
            break;
        }
    }
}
BENCHMARK(BM_DeleteInvoiceShown)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();

// Deleting the current invoice with its lines by the window's own rule,
// then showing the next row as the window does after it. Most of it is
// waiting for the disk at the commit; the second argument switches the
// copy to a write-ahead log (one flush per commit instead of the rollback
// journal's several) to show what that would give. It runs last, since
// the journal mode stays with the file.
void BM_DeleteInvoice(benchmark::State& state) {
    if (state.range(0) == 1)
        Db->execute(QStringLiteral("PRAGMA journal_mode=WAL"));
    state.SetLabel(Db->scalar(QStringLiteral("PRAGMA journal_mode")).toString().toStdString());
    Recordset* rs = grid()->recordset();
    const int rowsBefore = rs->recordCount();
    for (auto _ : state) {
        InvoiceDeletionResult r = deleteCurrentInvoice(*rs);
        grid()->syncFromRecordset();
        if (!r.deleted) {
            state.SkipWithError(r.error.toStdString().c_str());
            break;
        }
    }
    if (rs->recordCount() != rowsBefore - int(state.iterations()))
        state.SkipWithError("the list lost a different number of rows");
}
BENCHMARK(BM_DeleteInvoice)
    ->ArgName("wal")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    BenchProgram program(argc, argv);
    if (!program.argumentsOk())
        return 1;
    const QString dataDir = program.dataDir();

    Session session;
    QString error;
    if (!session.start(dataDir, true, &error))
        return failed("bench_list", error);
    {
        Glavna window(appContext());
        g_window = &window;
        PaintCounter paints(window.list()->viewport());
        g_paints = &paints;
        QObject::connect(window.list()->horizontalHeader(), &QHeaderView::sectionClicked,
                         [](int) { ++g_headerClicks; });
        window.show();
        if (!processUntil([&] { return paints.count() > 0; })) {
            std::fprintf(stderr, "bench_list: the main window did not paint\n");
            return 1;
        }
        std::printf("invoices in the list: %d\n", window.list()->listModel()->rowCount());
        benchmark::RunSpecifiedBenchmarks();
        g_paints = nullptr;
        g_window = nullptr;
    }
    return 0;
}
