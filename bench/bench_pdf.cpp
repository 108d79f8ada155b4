// bench_pdf: from "Shrani PDF" to the PDF on disk, in its two parts:
// writing the document (the price calculation of the worked example with
// its UPN QR code) and LibreOffice's conversion of it, the first one (a
// fresh LibreOffice profile, as after a new login) and a later one.
//
//   bench_pdf [Google Benchmark flags]
//
// Runs on a fresh data folder; needs LibreOffice (soffice on PATH).

#include "BenchSupport.h"

#include "app/Globals.h"
#include "data/Recordset.h"
#include "document/InvoiceDocument.h"
#include "document/PdfExport.h"
#include "document/UpnQr.h"
#include "invoice/Pricing.h"
#include "invoice/WorkingTable.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

using namespace valmir;
using namespace valmir::bench;

namespace {

QTemporaryDir* g_work = nullptr;
InvoiceHeader g_header;
QString g_document;

bool prepareWorkedExample(QString* error) {
    const QString insert = QStringLiteral(
        "INSERT INTO tblTarifePregled (ID_tarifa, Tocke, Kolicina, Povisek, TarifnaStevilka, TS1, "
        "TS2, "
        "\"70proc\", GeodetskaStoritev, Master) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 0)");
    const bool ok =
        Db->execute(
            QStringLiteral("UPDATE tblNastavitve SET Firma='Geodetska pisarna Žerjav d.o.o.', "
                           "Naslov='Šentjurska 5', PST='3230', Posta='Šentjur', "
                           "TRR='SI56 0201 0001 2345 641'")) &&
        WorkDb->execute(insert, {1001, 100, 2, 20, "T1", 1, 1, true, "Meritev parcele"}) &&
        WorkDb->execute(insert, {2001, 32, 1, 0, "T2", 2, 1, false, "Zakoličba"}) &&
        WorkDb->execute(insert,
                        {-1, {}, {}, {}, "", LumpSumService, 1, false, lumpSumDescription("10")});
    if (!ok) {
        *error = Db->lastError() + WorkDb->lastError();
        return false;
    }
    auto rs = WorkDb->openRecordset(QStringLiteral("tblTarifePregled"), RecordsetKind::Table);
    if (!rs || !rs->setIndex(QStringLiteral("Red")) ||
        !recalculate(*rs, {QStringLiteral("2,5"), true, QStringLiteral("10"), true}).ok) {
        *error = WorkDb->lastError();
        return false;
    }
    g_header.text1 = {"2026/001", "Čebelarstvo Ćorić Đurđa Žužek", "Ulica 3", "1000", "Ljubljana"};
    while (g_header.text1.size() < 16)
        g_header.text1 << QString();
    g_header.pointValueText = QStringLiteral("2,5");
    g_header.unifiedReport = true;
    return true;
}

// The document as "Shrani PDF" writes it: lines, settings and service
// names read, the document with its code written.
void BM_WriteDocument(benchmark::State& state) {
    for (auto _ : state) {
        const PrintResult r =
            PrintInvoice(*Db, *WorkDb, g_work->path(), g_header, QStringLiteral("Andrej Čuk"));
        if (!r.ok) {
            state.SkipWithError(qPrintable(r.error));
            break;
        }
        g_document = r.path;
        state.counters["bytes"] = static_cast<double>(QFileInfo(r.path).size());
    }
}
BENCHMARK(BM_WriteDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

// CPU time of the finished child processes (LibreOffice), in ms.
double childCpuMs() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// The code's part of it: the payment order drawn by libzint as a PNG.
void BM_UpnQrPicture(benchmark::State& state) {
    const QByteArray payload =
        upnQrPayload({{g_header.text1[1], g_header.text1[2], "1000 Ljubljana"},
                      671.0,
                      g_header.text1[0],
                      QStringLiteral("SI56 0201 0001 2345 641"),
                      {"Geodetska pisarna Žerjav d.o.o.", "Šentjurska 5", "3230 Šentjur"}});
    for (auto _ : state) {
        const UpnQrPicture picture = upnQrPng(payload);
        if (picture.png.isEmpty()) {
            state.SkipWithError(qPrintable(picture.error));
            break;
        }
    }
}
BENCHMARK(BM_UpnQrPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

bool convert(const QString& program, const QString& workFolder, QString* error) {
    PdfConversion conversion;
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&conversion, &PdfConversion::finished, &loop,
                     [&](bool done, const QString&, const QString& said) {
                         ok = done;
                         *error = said;
                         loop.quit();
                     });
    conversion.start(program, g_document, workFolder);
    if (conversion.isRunning())
        loop.exec();
    return ok;
}

// LibreOffice's conversion; first:1 with a profile made for each run (the
// first conversion after a login), first:0 with the profile of earlier
// runs.
void BM_Convert(benchmark::State& state) {
    const QString program = findLibreOffice();
    if (program.isEmpty() || g_document.isEmpty()) {
        state.SkipWithError("no soffice on PATH, or no document");
        return;
    }
    const bool first = state.range(0) != 0;
    QString error;
    if (!first && !convert(program, g_work->path(), &error)) { // the profile made once, untimed
        state.SkipWithError(qPrintable(error));
        return;
    }
    std::vector<std::unique_ptr<QTemporaryDir>> profiles; // removed after the timing
    const double cpuBefore = childCpuMs();
    for (auto _ : state) {
        state.PauseTiming();
        profiles.push_back(std::make_unique<QTemporaryDir>());
        const QString work = first ? profiles.back()->path() : g_work->path();
        state.ResumeTiming();
        if (!convert(program, work, &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
    }
    // LibreOffice's own CPU time, which a loaded machine does not inflate.
    state.counters["soffice_cpu_ms"] =
        benchmark::Counter((childCpuMs() - cpuBefore) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_Convert)
    ->ArgName("first")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    BenchProgram program(argc, argv);
    if (!program.argumentsOk())
        return 1;
    QString error;
    Session session;
    QTemporaryDir work;
    g_work = &work;
    if (!session.start(QString(), false, &error) || !prepareWorkedExample(&error))
        return failed("bench_pdf", error);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
