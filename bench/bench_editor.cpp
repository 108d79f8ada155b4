// bench_editor: the invoice editor's rules on the invoice with 300 lines
// that valmir_gen --big-invoice 300 added to the generated database.
//
//   bench_editor --data-dir DIR [Google Benchmark flags]
//
// Works on a private copy of the data folder (saving and picking write).

#include "BenchSupport.h"

#include "app/Glavna.h"
#include "app/Globals.h"
#include "data/Recordset.h"
#include "invoice/InvoiceSaver.h"
#include "invoice/Pricing.h"
#include "invoice/WorkingTable.h"
#include "text/Module1.h"
#include "text/TextForms.h"
#include "ui/BoundGrid.h"
#include "ui/MessageBox.h"
#include "windows/Racun.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace valmir;
using namespace valmir::bench;

namespace {

// The stored invoice as the editor's boxes hold it after loading.
struct BigInvoice {
    qint64 id = 0;
    int lines = 0;
    InvoiceHeader header;
    PricingInput pricing;
    QString expectedToPay; // Label4 after the recalculation
};
BigInvoice g_big;

QString boxNumber(const QVariant& v) { return localeNumberText(NumberOrZero(v)); }

bool describeBigInvoice(QString* error) {
    g_big.id = bigInvoiceId();
    g_big.lines = lineCount(g_big.id);
    auto rs = Db->openRecordset(QStringLiteral("SELECT * FROM tblRacun WHERE ID = ?"),
                                RecordsetKind::Snapshot, {g_big.id});
    if (!rs || rs->recordCount() != 1) {
        *error =
            QStringLiteral("the big invoice is missing: run valmir_gen with --big-invoice 300");
        return false;
    }
    auto f = [&](const char* name) { return rs->field(QString::fromLatin1(name)); };
    InvoiceHeader& h = g_big.header;
    h.text1 = {NullTrim(f("StevilkaRacuna")),
               NullTrim(f("Ime")),
               NullTrim(f("Naslov")),
               NullTrim(f("PST")),
               NullTrim(f("Posta")),
               NullTrim(f("Telefon")),
               NullTrim(f("KontaktnaOseba")),
               NullTrim(f("Opombe")),
               dateText(f("Datum").toDate()),
               NullTrim(f("Faks")),
               NullTrim(f("Email")),
               NullTrim(f("Delovisce")),
               NullTrim(f("Zadeva")),
               NullTrim(f("Davcna")),
               NullTrim(f("TRR")),
               boxNumber(f("Veljavnost"))};
    h.staffId = f("Sestavljavec").toLongLong();
    h.unifiedReport = f("EnotenElaborat").toBool();
    h.paid = f("Placan").toBool();
    h.percentText = boxNumber(f("ProcentPavsala"));
    h.pointValueText = boxNumber(f("VrednostTocke"));
    g_big.pricing = {h.pointValueText, false, h.percentText, h.unifiedReport};
    return true;
}

std::unique_ptr<Recordset> openWorkLines() {
    auto lines = WorkDb->openRecordset(QStringLiteral("tblTarifePregled"), RecordsetKind::Table);
    if (lines)
        lines->setIndex(QStringLiteral("Red"));
    return lines;
}

// Empties the working table and loads the big invoice into it, as the
// editor does when it opens an invoice.
LoadLinesResult loadBigInvoice() {
    WorkDb->execute(QStringLiteral("DELETE FROM tblTarifePregled"));
    return LoadLines(*Db, *WorkDb, g_big.id, g_big.header.percentText);
}

// Opening: the working table emptied, the 300 stored lines loaded, the
// recalculation run and its captions made.
void BM_OpenInvoiceRules(benchmark::State& state) {
    for (auto _ : state) {
        LoadLinesResult loaded = loadBigInvoice();
        auto lines = openWorkLines();
        PricingInput input = g_big.pricing;
        input.lumpSum = loaded.hasLumpSumLine;
        PricingResult priced = recalculate(*lines, input);
        benchmark::DoNotOptimize(pointsCaption(priced.points));
        benchmark::DoNotOptimize(moneyCaption(priced.total + priced.vat));
        if (!loaded.ok || loaded.lines != g_big.lines || !priced.ok) {
            state.SkipWithError("loading or pricing failed");
            break;
        }
    }
    state.counters["lines"] = g_big.lines;
}
BENCHMARK(BM_OpenInvoiceRules)->Unit(benchmark::kMillisecond)->UseRealTime();

// The recalculation alone, over the loaded 300 lines.
void BM_Recalculate(benchmark::State& state) {
    LoadLinesResult loaded = loadBigInvoice();
    auto lines = openWorkLines();
    PricingInput input = g_big.pricing;
    input.lumpSum = loaded.hasLumpSumLine;
    for (auto _ : state) {
        PricingResult priced = recalculate(*lines, input);
        if (!priced.ok) {
            state.SkipWithError(priced.error.toStdString().c_str());
            break;
        }
    }
    state.counters["lines"] = lines->recordCount();
}
BENCHMARK(BM_Recalculate)->Unit(benchmark::kMillisecond)->UseRealTime();

// Saving the opened invoice under its own number (mode 1) through a list
// of all 100,000 invoices, as the main window holds it.
void BM_SaveInvoice(benchmark::State& state) {
    auto list =
        Db->openRecordset(QStringLiteral("SELECT * FROM tblRacun ORDER BY StevilkaRacuna DESC"),
                          RecordsetKind::Dynaset);
    LoadLinesResult loaded = loadBigInvoice();
    auto lines = openWorkLines();
    PricingInput input = g_big.pricing;
    input.lumpSum = loaded.hasLumpSumLine;
    recalculate(*lines, input);
    if (!list || !list->moveToBookmark(g_big.id)) {
        state.SkipWithError("the big invoice is not in the list");
        return;
    }
    const QString number = g_big.header.text1.at(0);
    for (auto _ : state) {
        SaveResult saved = saveInvoice(*Db, *list, *lines, 1, number, g_big.header);
        if (saved.outcome != SaveOutcome::Saved) {
            state.SkipWithError(saved.error.toStdString().c_str());
            break;
        }
    }
    if (lineCount(g_big.id) != lines->recordCount())
        state.SkipWithError("the stored lines differ from the working table");
    state.counters["lines"] = lines->recordCount();
}
BENCHMARK(BM_SaveInvoice)->Unit(benchmark::kMillisecond)->UseRealTime();

// Adding 300 operations ticked in the picker to an empty invoice.
void BM_AddPickedOperations(benchmark::State& state) {
    QList<qint64> first;
    Db->forEachRow(QStringLiteral("SELECT ID FROM tblTarife WHERE TS1 < 90 ORDER BY TS1, TS2 "
                                  "LIMIT 300"),
                   {}, [&first](const QueryRow& row) { first << row.integer(0); });
    clearPicks(*Db);
    for (qint64 id : first)
        setPicked(*Db, id, true);
    const int ticked = int(pickedOperations(*Db).value_or(QSet<qint64>()).size());
    for (auto _ : state) {
        state.PauseTiming();
        WorkDb->execute(QStringLiteral("DELETE FROM tblTarifePregled"));
        state.ResumeTiming();
        AddOperationsResult added = addPickedOperations(*Db, *WorkDb, false);
        if (!added.ok || added.added != ticked) {
            state.SkipWithError("not every ticked operation was added");
            break;
        }
    }
    state.counters["ticked"] = ticked;
}
BENCHMARK(BM_AddPickedOperations)->Unit(benchmark::kMillisecond)->UseRealTime();

// The editor window on the invoice current in the main list (OpenMode 1),
// from its construction until it is painted and its start-up timer has
// recalculated the totals.
void BM_OpenRacunWindow(benchmark::State& state) {
    Glavna window(appContext());
    BoundGrid* list = window.list();
    if (!list->recordset() || !list->recordset()->moveToBookmark(g_big.id)) {
        state.SkipWithError("the big invoice is not in the list");
        return;
    }
    list->syncFromRecordset();
    int boxes = 0;
    Msg::setHook([&boxes](const Msg::Shown&) {
        ++boxes;
        return false;
    });
    for (auto _ : state) {
        OpenMode = 1;
        auto editor = std::make_unique<Racun>(appContext(), list, &window);
        auto* timer = editor->findChild<QTimer*>(QStringLiteral("Timer1"));
        auto* toPay = editor->findChild<QLabel*>(QStringLiteral("Label4"));
        if (!timer || !toPay) {
            state.SkipWithError("the editor has no Timer1 or Label4");
            break;
        }
        // The totals stand on the second tab; the first tab is what the
        // user sees painted, the totals are ready when the timer has run.
        PaintCounter paints(editor.get());
        editor->show();
        const bool shown = processUntil([&] {
            return paints.count() > 0 && !timer->isActive() && toPay->text() == g_big.expectedToPay;
        });
        state.PauseTiming();
        const QString shownText = toPay->text();
        editor.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        if (!shown) {
            static std::string message;
            message = QStringLiteral("the editor shows \"%1\" to pay, the rules give \"%2\"")
                          .arg(shownText, g_big.expectedToPay)
                          .toStdString();
            state.SkipWithError(message.c_str());
            break;
        }
    }
    Msg::setHook(nullptr);
    state.counters["boxes"] = boxes;
}
BENCHMARK(BM_OpenRacunWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    BenchProgram program(argc, argv);
    if (!program.argumentsOk())
        return 1;
    const QString dataDir = program.dataDir();

    Session session;
    QString error;
    if (!session.start(dataDir, true, &error) || !describeBigInvoice(&error))
        return failed("bench_editor", error);
    {
        // What the editor must show for the invoice: the rules' own result.
        LoadLinesResult loaded = loadBigInvoice();
        auto lines = openWorkLines();
        PricingInput input = g_big.pricing;
        input.lumpSum = loaded.hasLumpSumLine;
        PricingResult priced = recalculate(*lines, input);
        g_big.expectedToPay = moneyCaption(priced.total + priced.vat);
        std::printf("invoice %lld: %d lines, %s, to pay %s\n", g_big.id, g_big.lines,
                    qPrintable(g_big.header.text1.at(0)), qPrintable(g_big.expectedToPay));
    }
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
