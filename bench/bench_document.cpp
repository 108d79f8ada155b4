// bench_document: writing the price calculation of a 300-line invoice,
// without starting the word processor.
//
//   bench_document [--data-dir DIR] [Google Benchmark flags]
//
// With the data folder of valmir_gen --big-invoice 300 the lines are those
// of its big invoice (on a private copy); without one the program starts on
// a fresh data folder and the working table gets 300 generated lines.

#include "BenchSupport.h"

#include "app/Globals.h"
#include "app/Startup.h"
#include "document/InvoiceDocument.h"
#include "document/Rtf.h"
#include "invoice/WorkingTable.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace valmir;
using namespace valmir::bench;

namespace {

QTemporaryDir* g_out = nullptr;
InvoiceHeader g_header;

bool fillWorkingTable(QString* error) {
    if (const qint64 id = bigInvoiceId(); id != 0) {
        LoadLinesResult r = LoadLines(*Db, *WorkDb, id, QStringLiteral("10"));
        *error = r.error;
        return r.ok;
    }
    Transaction t(*WorkDb);
    for (int i = 1; i <= 300; ++i)
        if (!WorkDb->execute(QStringLiteral("INSERT INTO tblTarifePregled (ID_tarifa, Tocke, Kolicina, "
                                            "Povisek, TarifnaStevilka, TS1, TS2, \"70proc\", "
                                            "GeodetskaStoritev, Master) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 0)"),
                             {i, 10 + i % 7, 1 + i % 3, i % 4 ? 0 : 20, QStringLiteral("%1.%2").arg(i / 20).arg(i),
                              1 + i / 20, i, i % 5 == 0,
                              QStringLiteral("Geodetsko opravilo št. %1 – čšž {A}").arg(i)})) {
            *error = WorkDb->lastError();
            return false;
        }
    return t.commit();
}

// The whole print: lines, settings and service names read, the document
// written and closed.
void BM_PrintInvoice(benchmark::State& state) {
    for (auto _ : state) {
        PrintResult r = PrintInvoice(*Db, *WorkDb, g_out->path(), g_header, QStringLiteral("Andrej Čuk"));
        if (!r.ok) {
            state.SkipWithError(qPrintable(r.error));
            break;
        }
    }
}
BENCHMARK(BM_PrintInvoice)->Unit(benchmark::kMillisecond);

// Only the building and writing, from values already read.
void BM_WriteDocument(benchmark::State& state) {
    DocumentInput in;
    in.header = g_header;
    QString error;
    if (!readLines(*WorkDb, &in.lines) || !readDocumentSettings(*Db, &in.settings, &error) ||
        !readServiceNames(*Db, &in.serviceNames, &error)) {
        state.SkipWithError("reading failed");
        return;
    }
    for (auto _ : state) {
        RtfDocument doc;
        if (!doc.OpenDocument(g_out->path())) {
            state.SkipWithError(qPrintable(doc.error()));
            break;
        }
        writeInvoiceDocument(doc, in);
        doc.CloseDocument();
        state.counters["bytes"] = static_cast<double>(doc.bytes().size());
    }
}
BENCHMARK(BM_WriteDocument)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    BenchProgram program(argc, argv);
    if (!program.argumentsOk())
        return 1;
    const QString dataDir = program.dataDir();

    QString error;
    Session session;
    QTemporaryDir out;
    g_out = &out;
    if (!session.start(dataDir, true, &error) || !fillWorkingTable(&error))
        return failed("bench_document", error);
    g_header.text1 = {"2009/300", "Čebelarstvo Ćorić {d.o.o.}", "Ulica 3", "1000", "Ljubljana", "01 555",
                      "Špela", "Opomba", "5.12.2009", "", "", "Parcela 1", "Z-1", "SI1", "", "30"};
    g_header.pointValueText = QStringLiteral("2,5");
    g_header.unifiedReport = true;
    std::printf("lines: %lld\n", static_cast<long long>(WorkDb->scalar(
                                     QStringLiteral("SELECT COUNT(*) FROM tblTarifePregled")).toLongLong()));
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
