// bench_statement: reading and matching a bank statement of 2,000 entries.
//
//   bench_statement --data-dir DIR [--server CONNINFO]
//
// On a private copy of the data folder of valmir_gen (or on the server
// database given, whose rows it really writes), a camt.053.001.02
// statement of 2,000 incoming payments is made from the 2,000 newest
// invoices, half of them by their SI12 reference and half by the number
// in the free text, and read with the program's importStatement: the
// invoices' references and numbers read once, the matching, and the
// statement's row and 2,000 payments written in one transaction. Prints
// the time and what became of the entries.

#include "BenchSupport.h"

#include "app/Globals.h"
#include "app/Startup.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "document/UpnQr.h"
#include "document/Payments.h"
#include "text/Clock.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace valmir;
using namespace valmir::bench;

int main(int argc, char* argv[]) {
    const QString server = takeServerArgument(argc, argv);
    BenchProgram program(argc, argv);
    if (!program.argumentsOk() || program.dataDir().isEmpty())
        return failed("bench_statement", QStringLiteral("--data-dir DIR is needed"));
    QTemporaryDir scratch;
    QString error;
    const QString folder = server.isEmpty() ? scratch.filePath("data") : program.dataDir();
    if (server.isEmpty() && !copyFolder(program.dataDir(), folder, &error))
        return failed("bench_statement", error);
    const StartupResult started = startUp({folder, scratch.filePath("tmp"), server});
    if (!started.ok)
        return failed("bench_statement", started.message);
    const QString iban = QStringLiteral("SI56020100012345641");
    if (!Db->execute(QStringLiteral("UPDATE tblNastavitve SET TRR = ?"), {iban}))
        return failed("bench_statement", Db->lastError());
    QString entries;
    int n = 0;
    QList<QPair<QString, double>> invoices;
    auto rs = Db->openRecordset(QStringLiteral("SELECT StevilkaRacuna, ZaPlacilo FROM tblRacun "
                                               "WHERE ifnull(Dobropis, False) = False "
                                               "ORDER BY ID DESC LIMIT 2000"),
                                RecordsetKind::Snapshot);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        invoices << qMakePair(rs->field(QStringLiteral("StevilkaRacuna")).toString(),
                              rs->field(QStringLiteral("ZaPlacilo")).toDouble());
    for (const auto& [number, amount] : invoices) {
        const QString sum = QString::number(amount > 0 ? amount : 1.0, 'f', 2);
        const QString remittance =
            n++ % 2 == 0
                ? QStringLiteral("<Strd><CdtrRefInf><Ref>%1</Ref></CdtrRefInf></Strd>")
                      .arg(upnReference(number).text())
                : QStringLiteral("<Ustrd>Placilo racuna %1</Ustrd>").arg(number);
        entries += QStringLiteral("<Ntry><Amt Ccy=\"EUR\">%1</Amt><CdtDbtInd>CRDT</CdtDbtInd>"
                                  "<Sts>BOOK</Sts><BookgDt><Dt>2026-12-07</Dt></BookgDt><BkTxCd/>"
                                  "<NtryDtls><TxDtls><RmtInf>%2</RmtInf></TxDtls></NtryDtls>"
                                  "</Ntry>")
                       .arg(sum, remittance);
    }
    const QByteArray xml =
        QStringLiteral("<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\">"
                       "<BkToCstmrStmt><Stmt><Id>BENCH-%1</Id><Acct><Id><IBAN>%2</IBAN></Id>"
                       "</Acct>%3</Stmt></BkToCstmrStmt></Document>")
            .arg(QDateTime::currentMSecsSinceEpoch())
            .arg(iban, entries)
            .toUtf8();
    QElapsedTimer timer;
    timer.start();
    const StatementImport read = importStatement(*Db, xml, today());
    const double ms = elapsedMs(timer);
    if (!read.ok)
        return failed("bench_statement", read.error);
    QVariant invoicesThere = Db->scalar(QStringLiteral("SELECT count(*) FROM tblRacun"));
    std::printf("%s: %lld invoices, %d entries read and matched in %.0f ms "
                "(full %d, part %d, over %d, unplaced %d)\n",
                server.isEmpty() ? "file" : "server", invoicesThere.toLongLong(), int(n), ms,
                read.count(PaymentOutcome::Full), read.count(PaymentOutcome::Part),
                read.count(PaymentOutcome::Over), read.count(PaymentOutcome::Unplaced));
    shutDown();
    return 0;
}
