// bench_purge: purging the older half of the invoices.
//
//   bench_purge --data-dir DIR [--runs 3] [--walk-limit 2000]
//
// On a private copy of the data folder of valmir_gen for every measurement,
// the cut-off is the median date of the invoices, so that half of them go
// with their lines. Three ways are timed:
//
//   set-based   the program's purge: the old invoices' IDs, then two bound
//               DELETE statements over them, in one transaction
//               (src/invoice/Purge.h);
//   walk, one transaction
//               a record set "SELECT * FROM tblRacun ORDER BY Datum ASC"
//               walked from the first row, each invoice's lines deleted by
//               a statement and the row through the record set, all in one
//               transaction;
//   walk, a commit per statement
//               the same walk without a transaction, as a single statement
//               commits by itself; this pays two disk flushes per invoice,
//               so only the first --walk-limit invoices are walked and the
//               time per invoice is printed with it.
//
// Each line prints the median of the runs; every purge is checked for the
// invoices and lines it should leave.

#include "BenchSupport.h"

#include "app/Globals.h"
#include "data/Recordset.h"
#include "invoice/Purge.h"

#include <QElapsedTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace valmir;
using namespace valmir::bench;

namespace {

struct Counts {
    qint64 invoices;
    qint64 lines;
};

Counts counts() {
    return {Db->scalar(QStringLiteral("SELECT count(*) FROM tblRacun")).toLongLong(),
            Db->scalar(QStringLiteral("SELECT count(*) FROM tblRacunTarife")).toLongLong()};
}

// What a purge before the cut-off must leave.
Counts expectedAfter(const QString& cutOff) {
    const QString older = QStringLiteral("Datum <> '' AND Datum < ?");
    const Counts now = counts();
    const qint64 goes =
        Db->scalar(QStringLiteral("SELECT count(*) FROM tblRacun WHERE ") + older, {cutOff})
            .toLongLong();
    const qint64 linesGo =
        Db->scalar(QStringLiteral("SELECT count(*) FROM tblRacunTarife WHERE ID_racun IN "
                                      "(SELECT ID FROM tblRacun WHERE ") +
                           older + u')',
                       {cutOff})
            .toLongLong();
    return {now.invoices - goes, now.lines - linesGo};
}

// The walk of the record set; `limit` invoices at most (0: all), inside one
// transaction or not. Returns the invoices deleted, -1 on an engine error.
qint64 walk(const QString& cutOff, qint64 limit, bool oneTransaction) {
    std::unique_ptr<Transaction> t;
    if (oneTransaction)
        t = std::make_unique<Transaction>(*Db);
    auto rs = Db->openRecordset(QStringLiteral("SELECT * FROM tblRacun ORDER BY Datum ASC"),
                                RecordsetKind::Dynaset);
    if (!rs)
        return -1;
    qint64 deleted = 0;
    rs->moveFirst();
    while (!rs->eof() && (limit == 0 || deleted < limit)) {
        const QString date = rs->field(QStringLiteral("Datum")).toString();
        if (date.isEmpty()) {
            rs->moveNext();
            continue;
        }
        if (date >= cutOff)
            break;
        if (!Db->execute(QStringLiteral("DELETE FROM tblRacunTarife WHERE ID_racun = ?"),
                         {rs->field(QStringLiteral("ID"))}) ||
            !rs->deleteCurrent())
            return -1;
        ++deleted;
        rs->moveNext();
    }
    if (t && !t->commit())
        return -1;
    return deleted;
}

// Process CPU time (user and system) in ms: the guide when the disk or
// the other core is busy.
double cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    int runs = 3;
    qint64 walkLimit = 2000;
    // Our own options are taken out before Google Benchmark reads the rest.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (i + 1 < argc && qstrcmp(argv[i], "--runs") == 0)
            runs = std::max(1, atoi(argv[++i]));
        else if (i + 1 < argc && qstrcmp(argv[i], "--walk-limit") == 0)
            walkLimit = std::max(1, atoi(argv[++i]));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    BenchProgram program(argc, argv);
    if (!program.argumentsOk())
        return 1;
    if (program.dataDir().isEmpty()) {
        std::fprintf(stderr, "bench_purge: give the data folder of valmir_gen with --data-dir\n");
        return 1;
    }

    enum Way { SetBased, WalkOne, WalkEach };
    const char* names[] = {"set-based, one transaction", "walk of the record set, one transaction",
                           "walk of the record set, a commit per statement"};
    std::vector<double> ms[3], cpuTimes[3], perInvoice;
    qint64 purged[3] = {0, 0, 0};
    for (int run = 0; run < runs; ++run) {
        for (Way way : {SetBased, WalkOne, WalkEach}) {
            Session session;
            QString error;
            if (!session.start(program.dataDir(), true, &error))
                return failed("bench_purge", error);
            const qint64 dated =
                Db->scalar(QStringLiteral("SELECT count(*) FROM tblRacun WHERE Datum <> ''"))
                    .toLongLong();
            const QString cutOff =
                Db->scalar(QStringLiteral("SELECT Datum FROM tblRacun WHERE Datum <> '' "
                                              "ORDER BY Datum LIMIT 1 OFFSET ?"),
                               {dated / 2})
                    .toString();
            const Counts before = counts();
            const Counts expected = expectedAfter(cutOff);

            const double cpuBefore = cpuMs();
            QElapsedTimer timer;
            timer.start();
            qint64 deleted = 0;
            if (way == SetBased) {
                const PurgeResult r = purgeInvoicesBefore(*Db, QDate::fromString(cutOff, Qt::ISODate));
                deleted = r.ok ? r.invoices : -1;
            } else {
                deleted = walk(cutOff, way == WalkEach ? walkLimit : 0, way == WalkOne);
            }
            const double elapsed = elapsedMs(timer);
            const double cpu = cpuMs() - cpuBefore;
            const Counts after = counts();
            const bool whole = way == WalkEach
                                   ? after.invoices == before.invoices - deleted
                                   : after.invoices == expected.invoices &&
                                         after.lines == expected.lines;
            if (deleted < 0 || !whole) {
                std::fprintf(stderr, "bench_purge: %s failed or left the wrong rows (%s)\n",
                             names[way], qPrintable(Db->lastError()));
                return 1;
            }
            ms[way].push_back(elapsed);
            cpuTimes[way].push_back(cpu);
            purged[way] = deleted;
            if (way == WalkEach)
                perInvoice.push_back(elapsed / double(deleted));
            std::printf("run %d  %-48s %7lld of %lld invoices (cut-off %s)  %9.1f ms, CPU %9.1f "
                        "ms\n",
                        run + 1, names[way], deleted, before.invoices, qPrintable(cutOff), elapsed,
                        cpu);
            std::fflush(stdout);
        }
    }
    std::printf("\nmedians of %d runs\n", runs);
    for (Way way : {SetBased, WalkOne, WalkEach})
        std::printf("  %-48s %7lld invoices  %9.1f ms, CPU %9.1f ms\n", names[way], purged[way],
                    median(ms[way]), median(cpuTimes[way]));
    const double each = median(perInvoice);
    std::printf("  commit per statement: %.2f ms per invoice, %.0f s for %lld invoices at that "
                "rate\n",
                each, each * double(purged[SetBased]) / 1000.0, purged[SetBased]);
    std::printf("  the walk in one transaction takes %.1fx the set-based purge\n",
                median(ms[WalkOne]) / median(ms[SetBased]));
    return 0;
}
