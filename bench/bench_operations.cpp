// bench_operations: the operations list "Opravila" over a tariff of 2,000
// operations in 100 services.
//
//   bench_operations [Google Benchmark flags]
//
// Makes its own data folder in a temporary folder through the program's
// start-up (schema and seed), then replaces the tariff with the generated
// one; it needs no data of valmir_gen.

#include "BenchSupport.h"

#include "app/Globals.h"
#include "ui/MessageBox.h"
#include "app/Startup.h"
#include "windows/S_postavke.h"
#include "ui/BoundGrid.h"

#include <QApplication>
#include <QComboBox>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace valmir;
using namespace valmir::bench;

namespace {

constexpr int Services = 100;
constexpr int OperationsPerService = 20;

bool generateTariff(QString* error) {
    Transaction transaction(*Db);
    bool ok = transaction.active() && Db->execute(QStringLiteral("DELETE FROM tblRacunTarife")) &&
              Db->execute(QStringLiteral("DELETE FROM tblTarife")) &&
              Db->execute(QStringLiteral("DELETE FROM tblGeodetskaStoritev"));
    for (int s = 1; ok && s <= Services; ++s) {
        ok = Db->execute(QStringLiteral("INSERT INTO tblGeodetskaStoritev (TS1, GeodetskaStoritev, "
                                        "Opomba) VALUES (?, ?, ?)"),
                         {s, QStringLiteral("Geodetska storitev številka %1").arg(s), QString()});
        for (int o = 1; ok && o <= OperationsPerService; ++o)
            ok = Db->execute(
                QStringLiteral("INSERT INTO tblTarife (TS1, TS2, TarifnaStevilka, "
                               "GeodetskaStoritev, Tocke, AktivnaPostavka, Master, Izbrana) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                {s, o, QStringLiteral("%1.%2").arg(s).arg(o),
                 QStringLiteral("Opravilo %1 geodetske storitve %2, z opisom srednje dolžine")
                     .arg(o)
                     .arg(s),
                 10 * o, o % 7 != 0, o <= 3, o % 5 == 0});
    }
    ok = ok && transaction.commit();
    if (!ok)
        *error = Db->lastError();
    return ok;
}

// From the construction of the window until its list has painted the
// first service's operations.
void BM_OpenS_postavke(benchmark::State& state) {
    int boxes = 0;
    Msg::setHook([&boxes](const Msg::Shown&) {
        ++boxes;
        return false;
    });
    for (auto _ : state) {
        auto window = std::make_unique<S_postavke>(appContext());
        BoundGrid* list = window->list();
        PaintCounter paints(list->viewport());
        window->show();
        const bool painted = processUntil(
            [&] { return paints.count() > 0 && list->listModel()->rowCount() > 0; });
        state.PauseTiming();
        const int rows = list->listModel()->rowCount();
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        if (!painted || rows != OperationsPerService) {
            state.SkipWithError("the first service's operations were not painted");
            break;
        }
    }
    Msg::setHook(nullptr);
    state.counters["boxes"] = boxes;
}
BENCHMARK(BM_OpenS_postavke)->Unit(benchmark::kMillisecond)->UseRealTime();

// Choosing another service in the open window until its list painted.
void BM_ChooseService(benchmark::State& state) {
    S_postavke window(appContext());
    window.show();
    auto* services = window.findChild<QComboBox*>(QStringLiteral("Combo1"));
    BoundGrid* list = window.list();
    processUntil([&] { return list->isVisible(); });
    int next = 0;
    for (auto _ : state) {
        next = (next + 37) % Services;
        PaintCounter paints(list->viewport());
        services->setCurrentIndex(next);
        if (!processUntil([&] { return paints.count() > 0; }) ||
            list->listModel()->rowCount() != OperationsPerService) {
            state.SkipWithError("the chosen service's operations were not painted");
            break;
        }
    }
}
BENCHMARK(BM_ChooseService)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    BenchProgram program(argc, argv);
    if (!program.argumentsOk())
        return 1;
    Session session;
    QString error;
    if (!session.start(QString(), false, &error) || !generateTariff(&error))
        return failed("bench_operations", error);
    std::printf("%d services with %d operations each\n", Services, OperationsPerService);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
