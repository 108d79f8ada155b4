// bench_einvoice: the e-invoice of a stored 300-line invoice, from reading
// the invoice to the finished XML (the lines priced in their scratch
// database), in either format: e-SLOG 2.0 and Peppol BIS Billing 3.0.
//
//   bench_einvoice [--data-dir DIR] [Google Benchmark flags]
//
// With the data folder of valmir_gen --big-invoice 300 it is that folder's
// big invoice (on a private copy); without one the program starts on a
// fresh data folder and stores an invoice of 299 operations and the lump
// sum.

#include "BenchSupport.h"

#include "app/Globals.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "document/EInvoice.h"
#include "invoice/Pricing.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace valmir;
using namespace valmir::bench;

namespace {

QString g_number;
QTemporaryDir* g_scratch = nullptr;

bool run(const QString& sql, const QVariantList& params, QString* error) {
    if (Db->execute(sql, params))
        return true;
    *error = Db->lastError();
    return false;
}

// The office's data an e-invoice needs, and the invoice when the folder
// has none of 300 lines.
bool prepare(QString* error) {
    if (!run(QStringLiteral("UPDATE tblNastavitve SET Davcna = 'SI12345678', "
                            "TRR = 'SI56 0201 0001 2345 641', BIC = 'LJBASI2X'"),
             {}, error))
        return false;
    if (const qint64 id = bigInvoiceId(); id != 0 && lineCount(id) >= 300) {
        g_number =
            Db->scalar(QStringLiteral("SELECT StevilkaRacuna FROM tblRacun WHERE ID = ?"), {id})
                .toString();
        // Peppol delivers to the buyer's VAT number's address.
        return run(QStringLiteral("UPDATE tblRacun SET Davcna = 'SI87654321' WHERE ID = ?"), {id},
                   error);
    }
    Transaction t(*Db);
    g_number = QStringLiteral("2009/300");
    if (!run(QStringLiteral("INSERT INTO tblRacun (ID, StevilkaRacuna, Ime, Naslov, PST, Posta, "
                            "KontaktnaOseba, Opombe, Datum, Veljavnost, VrednostTocke, "
                            "ProcentPavsala, EnotenElaborat, StopnjaDDV) VALUES "
                            "(900000, ?, 'Čebelarstvo Ćorić {d.o.o.}', 'Ulica 3', '1000', "
                            "'Ljubljana', 'Špela', 'Opomba & <dodatek>', '2009-12-05', 30, 2.5, "
                            "10, 1, 22)"),
             {g_number}, error))
        return false;
    for (int i = 1; i <= 299; ++i) {
        const qint64 id = 800000 + i;
        if (!run(QStringLiteral(
                     "INSERT INTO tblTarife (ID, TS1, TS2, TarifnaStevilka, "
                     "GeodetskaStoritev, Tocke, \"70proc\") VALUES (?, ?, ?, ?, ?, ?, ?)"),
                 {id, 1 + i / 20, 100 + i, QStringLiteral("%1.%2").arg(1 + i / 20).arg(100 + i),
                  QStringLiteral("Geodetsko opravilo št. %1 – čšž {A}").arg(i), 10 + i % 7,
                  i % 5 == 0},
                 error) ||
            !run(QStringLiteral("INSERT INTO tblRacunTarife (ID_racun, ID_tarifa, Tocke, Kolicina, "
                                "Povisek) VALUES (900000, ?, ?, ?, ?)"),
                 {id, 10 + i % 7, 1 + i % 3, i % 4 ? QVariant() : QVariant(20)}, error))
            return false;
    }
    if (!run(QStringLiteral("INSERT INTO tblRacunTarife (ID_racun, ID_tarifa) VALUES (900000, ?)"),
             {LumpSumTariffId}, error))
        return false;
    if (!t.commit()) {
        *error = Db->lastError();
        return false;
    }
    return run(QStringLiteral("UPDATE tblRacun SET Davcna = 'SI87654321' WHERE ID = 900000"), {},
               error);
}

void BM_EInvoice(benchmark::State& state) {
    const auto format = EInvoiceFormat(state.range(0));
    state.SetLabel(format == EInvoiceFormat::Peppol ? "Peppol BIS 3.0" : "e-SLOG 2.0");
    for (auto _ : state) {
        const EInvoiceResult r = eInvoiceOfStoredInvoice(*Db, g_number, g_scratch->path(), format);
        if (!r.ok) {
            state.SkipWithError(qPrintable(r.error));
            break;
        }
        state.counters["bytes"] = static_cast<double>(r.xml.size());
    }
}
BENCHMARK(BM_EInvoice)
    ->Arg(int(EInvoiceFormat::Eslog))
    ->Arg(int(EInvoiceFormat::Peppol))
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    BenchProgram program(argc, argv);
    if (!program.argumentsOk())
        return 1;
    QString error;
    Session session;
    QTemporaryDir scratch;
    g_scratch = &scratch;
    if (!session.start(program.dataDir(), true, &error) || !prepare(&error))
        return failed("bench_einvoice", error);
    std::printf(
        "invoice %s, lines: %lld\n", qPrintable(g_number),
        static_cast<long long>(
            Db->scalar(QStringLiteral("SELECT count(*) FROM tblRacunTarife l JOIN tblRacun r "
                                      "ON r.ID = l.ID_racun WHERE r.StevilkaRacuna = ?"),
                       {g_number})
                .toLongLong()));
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
