#include "EditorSession.h"
#include "TestSupport.h"

#include "data/Schema.h"
#include "document/Reminder.h"
#include "document/UpnQr.h"
#include "invoice/InvoiceSearch.h"
#include "document/Payments.h"
#include "text/Clock.h"
#include "text/TextForms.h"
#include "windows/Izpisek.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include <QProcess>
#include <QTemporaryDir>

using namespace valmir;
using namespace valmir::test;

namespace {

const QString Office = QStringLiteral("SI56 0201 0001 2345 641");

// A transaction of an entry: its amount, and its reference or free text.
struct Tx {
    QString amount, reference, text;
};
// An entry: CRDT or DBIT, a reversal or not, its amount and transactions.
struct Entry {
    QString sign, amount;
    bool reversal = false;
    QList<Tx> txs{};
};

// A statement as a bank writes it, in the version's own forms.
QByteArray camt(const QString& v, const QString& id, const QList<Entry>& entries,
                const QString& iban = QStringLiteral("SI56020100012345641")) {
    const QString status = v == u"08" ? "<Sts><Cd>BOOK</Cd></Sts>" : "<Sts>BOOK</Sts>";
    QString ntry;
    for (const Entry& e : entries) {
        ntry += QString("<Ntry><Amt Ccy=\"EUR\">%1</Amt><CdtDbtInd>%2</CdtDbtInd>%3%4"
                        "<BookgDt><Dt>2026-12-07</Dt></BookgDt><BkTxCd/>")
                    .arg(e.amount, e.sign, e.reversal ? "<RvslInd>true</RvslInd>" : "", status);
        if (!e.txs.isEmpty()) {
            ntry += "<NtryDtls>";
            for (const Tx& t : e.txs) {
                const QString amount =
                    v == u"02"
                        ? QString("<AmtDtls><TxAmt><Amt Ccy=\"EUR\">%1</Amt></TxAmt></AmtDtls>")
                              .arg(t.amount)
                        : QString("<Amt Ccy=\"EUR\">%1</Amt><CdtDbtInd>%2</CdtDbtInd>")
                              .arg(t.amount, e.sign);
                const QString payer = v == u"08" ? "<Dbtr><Pty><Nm>Ana Kos</Nm></Pty></Dbtr>"
                                                 : "<Dbtr><Nm>Ana Kos</Nm></Dbtr>";
                const QString remittance =
                    t.reference.isEmpty()
                        ? QString("<Ustrd>%1</Ustrd>").arg(t.text)
                        : QString("<Strd><CdtrRefInf><Ref>%1</Ref></CdtrRefInf></Strd>")
                              .arg(t.reference);
                ntry += QString("<TxDtls>%1<RltdPties>%2</RltdPties><RmtInf>%3</RmtInf></TxDtls>")
                            .arg(amount, payer, remittance);
            }
            ntry += "</NtryDtls>";
        }
        ntry += "</Ntry>";
    }
    return QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.%1\">"
                   "<BkToCstmrStmt><GrpHdr><MsgId>M-%2</MsgId>"
                   "<CreDtTm>2026-12-08T10:00:00</CreDtTm></GrpHdr>"
                   "<Stmt><Id>%2</Id><ElctrncSeqNb>1</ElctrncSeqNb>"
                   "<CreDtTm>2026-12-08T10:00:00</CreDtTm>"
                   "<FrToDt><FrDtTm>2026-12-07T00:00:00</FrDtTm>"
                   "<ToDtTm>2026-12-07T23:59:59</ToDtTm></FrToDt>"
                   "<Acct><Id><IBAN>%3</IBAN></Id></Acct>"
                   "<Bal><Tp><CdOrPrtry><Cd>CLBD</Cd></CdOrPrtry></Tp>"
                   "<Amt Ccy=\"EUR\">0.00</Amt><CdtDbtInd>CRDT</CdtDbtInd>"
                   "<Dt><Dt>2026-12-07</Dt></Dt></Bal>%4</Stmt></BkToCstmrStmt></Document>\n")
        .arg(v, id, iban, ntry)
        .toUtf8();
}

// Whether the schema of the statement's version takes it.
QString validated(const QByteArray& xml, const QString& version) {
    QTemporaryDir dir;
    const QString path = dir.filePath("izpisek.xml");
    if (!writeBytes(path, xml))
        return "not written";
    QProcess p;
    p.start("xmllint", {"--noout", "--nonet", "--schema",
                        QString("/work/shared/camt/camt.053.001.%1.xsd").arg(version), path});
    if (!p.waitForFinished(30000))
        return "xmllint did not run";
    return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardError());
}

const char* outcomeName(PaymentOutcome o) {
    switch (o) {
    case PaymentOutcome::Full:
        return "full";
    case PaymentOutcome::Part:
        return "part";
    case PaymentOutcome::Over:
        return "over";
    case PaymentOutcome::Unplaced:
        return "unplaced";
    case PaymentOutcome::Reversed:
        return "reversed";
    case PaymentOutcome::Debit:
        return "debit";
    }
    return "?";
}

const Tx Ref001(const char* amount) { return {amount, "SI12 2026 0016", {}}; }
Entry credit(const char* amount, QList<Tx> txs) { return {"CRDT", amount, false, txs}; }

} // namespace

class TestPayments : public FixtureTest {
    Q_OBJECT

    // The office's account, and four invoices: 2026/001 of 100 €, overdue
    // on the day of the tests; 2026/002 of 200 €; 2026/003 of 50 €;
    // 2026/004 of 80 €, of which a credit note takes back 30 €; and the
    // quote P2026/001 of 70 €, which is no invoice.
    void prepare() override {
        setTodayForTest(QDate(2026, 12, 8));
        QVERIFY(Db->execute("UPDATE tblNastavitve SET TRR = ?, Firma = 'Geodet d.o.o.'", {Office}));
        QVERIFY(Db->execute("DELETE FROM tblRacun"));
        const auto add = [](const char* number, double sum, QVariantMap more = {}) {
            more.insert("StevilkaRacuna", number);
            more.insert("ZaPlacilo", sum);
            more.insert("Datum", QDate(2026, 10, 1));
            more.insert("Ime", "Ana Kos");
            return addInvoice(*Db, more);
        };
        QVERIFY(add("2026/001", 100, {{"Zapade", QDate(2026, 11, 1)}}) > 0);
        QVERIFY(add("2026/002", 200) > 0);
        QVERIFY(add("2026/003", 50) > 0);
        const qint64 d = add("2026/004", 80);
        QVERIFY(add("2026/005", -30, {{"Dobropis", true}, {"IzvirniID", d}}) > 0);
        QVERIFY(add("P2026/001", 70, {{"Ponudba", true}}) > 0);
    }

    static QString opens() {
        return queryRows("SELECT StevilkaRacuna, Odprto, CASE WHEN Placan THEN 1 ELSE 0 END "
                         "FROM tblRacun WHERE "
                         "StevilkaRacuna < '2026/005' ORDER BY StevilkaRacuna")
            .join(' ');
    }

private Q_SLOTS:
    void statements_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QList<QByteArray>>("files"); // read in order
        QTest::addColumn<QString>("outcomes");        // of the last file, or its refusal
        QTest::addColumn<QString>("open");            // of 2026/001 ... 2026/004 after
        QTest::addColumn<int>("unplaced");
        QTest::addColumn<QString>("unpaid"); // the status line's
        QTest::addColumn<QString>("qr");     // the reminder's amount field of 2026/001
        QTest::addColumn<QString>("give");   // the invoice the first line is given to after
        // Then in the editor over an invoice: its number, then "tick", "untick" (answered
        // Da) or "pay:<amount>" (today); and the titles of the boxes it showed.
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("boxes");
        const QString untouched = "2026/001|100|0 2026/002|200|0 2026/003|50|0 2026/004|50|0";
        QTest::newRow("full, by the reference, blanks ignored")
            << "02" << QList{camt("02", "A", {credit("100.00", {Ref001("100.00")})})} << "full"
            << "2026/001|0|1 2026/002|200|0 2026/003|50|0 2026/004|50|0" << 0 << "300,00"
            << ""
            << ""
            << ""
            << "";
        QTest::newRow("part") << "04"
                              << QList{camt("04", "A", {credit("40.00", {Ref001("40.00")})})}
                              << "part"
                              << "2026/001|60|0 2026/002|200|0 2026/003|50|0 2026/004|50|0" << 0
                              << "360,00"
                              << "00000006000"
                              << ""
                              << ""
                              << "";
        QTest::newRow("over") << "08"
                              << QList{camt("08", "A", {credit("130.00", {Ref001("130.00")})})}
                              << "over"
                              << "2026/001|-30|1 2026/002|200|0 2026/003|50|0 2026/004|50|0" << 0
                              << "300,00"
                              << ""
                              << ""
                              << ""
                              << "";
        QTest::newRow("by the number in the text, and what a credit note took back")
            << "02"
            << QList{camt("02", "A",
                          {credit("200.00", {{"200.00", {}, "Placilo racuna 2026-002"}}),
                           credit("50.00", {{"50.00", {}, "racun 2026/004"}})})}
            << "full full"
            << "2026/001|100|0 2026/002|0|1 2026/003|50|0 2026/004|0|1" << 0 << "150,00"
            << "00000010000"
            << ""
            << ""
            << "";
        QTest::newRow("unplaced, and neither a credit note nor a quote is paid")
            << "04"
            << QList{camt("04", "A",
                          {credit("10.00", {{"10.00", {}, "donacija"}}),
                           credit("30.00", {{"30.00", {}, "dobropis 2026/005"}}),
                           credit("70.00", {{"70.00", {}, "ponudba P2026/001"}})})}
            << "unplaced unplaced unplaced" << untouched << 3 << "400,00"
            << "00000010000"
            << ""
            << ""
            << "";
        QTest::newRow("unplaced, then given to an invoice in the summary")
            << "08" << QList{camt("08", "A", {credit("10.00", {{"10.00", {}, "donacija"}})})}
            << "unplaced"
            << "2026/001|100|0 2026/002|200|0 2026/003|40|0 2026/004|50|0" << 0 << "390,00"
            << "00000010000"
            << "2026/003"
            << ""
            << "";
        QTest::newRow("a debit is left out")
            << "08" << QList{camt("08", "A", {{"DBIT", "5.00", false, {}}})} << "debit" << untouched
            << 0 << "400,00"
            << "00000010000"
            << ""
            << ""
            << "";
        QTest::newRow("a reversal of an earlier statement's payment")
            << "02"
            << QList{camt("02", "A", {credit("100.00", {Ref001("100.00")})}),
                     camt("02", "B", {{"DBIT", "100.00", true, {Ref001("100.00")}}})}
            << "reversed" << untouched << 0 << "400,00"
            << "00000010000"
            << ""
            << ""
            << "";
        QTest::newRow("an entry of two transactions")
            << "08"
            << QList{camt("08", "A",
                          {credit("150.00", {Ref001("60.00"), {"90.00", {}, "2026/002"}})})}
            << "part part"
            << "2026/001|40|0 2026/002|110|0 2026/003|50|0 2026/004|50|0" << 0 << "250,00"
            << "00000004000"
            << ""
            << ""
            << "";
        QTest::newRow("a statement read twice")
            << "04"
            << QList{camt("04", "A", {credit("40.00", {Ref001("40.00")})}),
                     camt("04", "A", {credit("40.00", {Ref001("40.00")})})}
            << "Izpisek A za račun SI56020100012345641 je bil že prebran ("
            << "2026/001|60|0 2026/002|200|0 2026/003|50|0 2026/004|50|0" << 0 << "360,00"
            << "00000006000"
            << ""
            << ""
            << "";
        QTest::newRow("another account")
            << "02"
            << QList{camt("02", "A", {credit("40.00", {Ref001("40.00")})}, "SI56191000000123438")}
            << "Izpisek je za račun SI56191000000123438, pisarna pa ima račun " + Office +
                   ". Nič ni zapisano."
            << untouched << 0 << "400,00"
            << "00000010000"
            << ""
            << ""
            << "";
        QByteArray broken = camt("04", "A", {credit("40.00", {Ref001("40.00")})});
        broken.chop(30);
        QTest::newRow("a broken file")
            << "" << QList{broken}
            << "Datoteka ni veljaven bančni izpisek camt.053: XML ni pravilno zapisan" << untouched
            << 0 << "400,00"
            << "00000010000"
            << ""
            << ""
            << "";
        QTest::newRow("a file of the previous version")
            << "" << QList<QByteArray>{} << ""
            << "2026/001|0|1 2026/002|200|0 2026/003|0|1 2026/004|0|1" << 0 << ""
            << ""
            << ""
            << ""
            << "";
        QTest::newRow("ticked paid in the editor: what is open, paid today")
            << "" << QList<QByteArray>{} << ""
            << "2026/001|0|1 2026/002|200|0 2026/003|50|0 2026/004|50|0" << 0 << "300,00"
            << ""
            << ""
            << "2026/001 tick"
            << "";
        QTest::newRow("a payment by hand in the editor leaves the rest open")
            << "" << QList<QByteArray>{} << ""
            << "2026/001|60|0 2026/002|200|0 2026/003|50|0 2026/004|50|0" << 0 << "360,00"
            << "00000006000"
            << ""
            << "2026/001 pay:40"
            << "";
        QTest::newRow(
            "the tick taken off: the hand payments go after a question, a statement's stay")
            << "04" << QList{camt("04", "A", {credit("40.00", {Ref001("40.00")})})} << "part"
            << "2026/001|60|0 2026/002|200|0 2026/003|50|0 2026/004|50|0" << 0 << "360,00"
            << "00000006000"
            << ""
            << "2026/001 tick untick"
            << "Plačila računa";
        QTest::newRow("a credit note is never paid in the editor")
            << "" << QList<QByteArray>{} << "" << untouched << 0 << "400,00"
            << "00000010000"
            << ""
            << "2026/005 tick pay:30"
            << "Plačila računa";
    }

    void statements() {
        QFETCH(QString, version);
        QFETCH(QList<QByteArray>, files);
        QFETCH(QString, outcomes);
        QFETCH(QString, open);
        QFETCH(int, unplaced);
        QFETCH(QString, unpaid);
        QFETCH(QString, qr);
        QFETCH(QString, give);
        QFETCH(QString, editor);
        QFETCH(QString, boxes);
        if (files.isEmpty() && editor.isEmpty()) {
            previousVersion(open);
            return;
        }
        QCOMPARE(opens(), QString("2026/001|100|0 2026/002|200|0 2026/003|50|0 2026/004|50|0"));
        QString got = "";
        for (const QByteArray& xml : files) {
            if (!version.isEmpty())
                QCOMPARE(validated(xml, version), QString());
            const StatementImport read = importStatement(*Db, xml, today());
            QStringList names;
            for (const PaymentLine& line : read.lines)
                names << outcomeName(line.outcome);
            got = read.ok ? names.join(' ') : read.error;
            if (!give.isEmpty()) {
                Izpisek summary(appContext(), read);
                summary.show();
                auto* list = summary.findChild<QTableWidget*>("List1");
                QCOMPARE(list->item(0, 0)->text(), QString("nerazporejeno"));
                list->selectRow(0);
                QVERIFY(summary.findChild<QPushButton*>("Command1")->isEnabled());
                QVERIFY(summary.placeSelected(give));
                QCOMPARE(list->item(0, 0)->text(), QString("plačan delno"));
                QCOMPARE(list->item(0, 3)->text(), give);
                QVERIFY(summary.grab().save(
                    qEnvironmentVariable("VALMIR_SCREENSHOT", QDir::tempPath() + "/izpisek.png")));
            }
        }
        QVERIFY2(got.startsWith(outcomes), qPrintable(got));
        if (!editor.isEmpty())
            inEditor(editor, boxes, open);
        QCOMPARE(opens(), open);
        QCOMPARE(tableCount("tblPlacila WHERE RacunID IS NULL"), unplaced);
        // The status line sums what is open.
        SearchResult found;
        QVERIFY(runSearch(*Db, ofKind(invoiceFilter("", false), false), &found));
        QVERIFY2(statusText(found.status).contains("neplačano " + money(qPrintable(unpaid))),
                 qPrintable(statusText(found.status)));
        SearchResult unpaidOnly;
        QVERIFY(runSearch(*Db, ofKind(overdueOn(invoiceFilter("", true), today(), false), false),
                          &unpaidOnly));
        QVERIFY(countFound(*Db, ofKind(overdueOn(invoiceFilter("", true), today(), false), false),
                           &unpaidOnly.status));
        QVERIFY2(statusText(unpaidOnly.status).contains("neplačano " + money(qPrintable(unpaid))),
                 qPrintable(statusText(unpaidOnly.status)));
        // The reminder of 2026/001 asks for what is open, its code too.
        ReminderInput in;
        QString error;
        const qint64 first = Db->scalar("SELECT ID FROM tblRacun WHERE StevilkaRacuna = "
                                        "'2026/001'")
                                 .toLongLong();
        QVERIFY2(readReminder(*Db, first, today(), &in, &error), qPrintable(error));
        QCOMPARE(reminderRefusal(in.invoice, today()) == ReminderRefusal::None, !qr.isEmpty());
        if (!qr.isEmpty())
            QCOMPARE(upnQrFields(reminderQrInput(in)).value(8), qr);
    }

private:
    // The steps in the editor: each payment is written at once, on its own,
    // and leaves the invoice's row version as the editor read it.
    void inEditor(const QString& steps, const QString& boxes, const QString& open) {
        QStringList words = steps.split(' ');
        const QString number = words.takeFirst();
        Session s(1, number);
        QVERIFY(s.e);
        const qint64 version = s.list->recordset()->rowVersion();
        auto* paid = option(s.e, "Check3");
        for (const QString& step : std::as_const(words)) {
            if (step == u"tick" || step == u"untick") {
                s.watcher.answers << QMessageBox::Yes;
                paid->click();
            } else {
                box(s.e, "Text4")->setText(dateText(today()));
                box(s.e, "Text5")->setText(step.section(':', 1).replace('.', ','));
                click(s.e, "Command12");
            }
        }
        QStringList titles;
        for (const QString& seen : std::as_const(s.watcher.seen))
            titles << seen.section('|', 0, 0);
        QCOMPARE(titles.join(' '), boxes);
        // The list shows the payments as stored, the tick what they make.
        const QStringList stored =
            queryRows("SELECT p.Znesek FROM tblPlacila p JOIN tblRacun r ON r.ID = p.RacunID "
                      "WHERE r.StevilkaRacuna = ?",
                      {number});
        QCOMPARE(child<QTableWidget>(s.e, "List1")->rowCount(), stored.size());
        QCOMPARE(paid->isChecked(), open.contains(number + "|0|1"));
        QCOMPARE(opens(), open);
        const auto now = invoiceList();
        QVERIFY(selectInvoice(*now, number));
        QCOMPARE(now->recordset()->rowVersion(), version);
        QVERIFY(!s.e->isModified()); // nothing left for the invoice's save
        child<QTabWidget>(s.e, "SSTab1")->setCurrentIndex(2);
        if (steps.contains("pay:") && number == "2026/001")
            QVERIFY(s.e->grab().save(
                qEnvironmentVariable("VALMIR_SCREENSHOT_EDITOR", QDir::tempPath() + "/racun.png")));
    }

    // A file of version 7, its invoices 2026/001 and 2026/003 ticked paid,
    // 2026/004 ticked too with a credit note: each ticked invoice gets one
    // payment of what it owed, from before and without a date.
    void previousVersion(const QString& open) {
        if (!testServer().isEmpty())
            QSKIP("The file's step; the server's runs with every fixture made there.");
        QTemporaryDir dir;
        const QString path = dir.filePath("stara.db");
        QVERIFY(QFile::copy(
            qEnvironmentVariable("VALMIR_SOURCE_DIR") + "/tests/data/valmir2009_schema0.db", path));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QString error;
        std::unique_ptr<Database> old = Database::open(path, Schema::dataPassword(), &error);
        QVERIFY2(old, qPrintable(error));
        QCOMPARE(Schema::upgradeDataDatabase(*old, 7), QString());
        QCOMPARE(Schema::schemaVersion(*old).value_or(-1), 7);
        QVERIFY(old->execute("DELETE FROM tblRacun"));
        const auto add = [&](const char* number, double sum, bool paid, QVariantMap more = {}) {
            more.insert("StevilkaRacuna", number);
            more.insert("ZaPlacilo", sum);
            more.insert("Placan", paid);
            return addInvoice(*old, more);
        };
        QVERIFY(add("2026/001", 100, true) > 0);
        QVERIFY(add("2026/002", 200, false) > 0);
        QVERIFY(add("2026/003", 50, true) > 0);
        const qint64 d = add("2026/004", 80, true);
        QVERIFY(add("2026/005", -30, false, {{"Dobropis", true}, {"IzvirniID", d}}) > 0);
        QCOMPARE(Schema::upgradeDataDatabase(*old), QString());
        QCOMPARE(Schema::schemaVersion(*old).value_or(-1), Schema::CurrentVersion);
        QStringList opened;
        old->forEachRow(
            "SELECT StevilkaRacuna, Odprto, Placan FROM tblRacun WHERE "
            "StevilkaRacuna < '2026/005' ORDER BY StevilkaRacuna",
            {}, [&](const QueryRow& row) {
                opened
                    << QString("%1|%2|%3").arg(row.text(0)).arg(row.number(1)).arg(row.integer(2));
            });
        QCOMPARE(opened.join(' '), open);
        QStringList payments;
        old->forEachRow("SELECT r.StevilkaRacuna, p.Znesek, p.Vir, ifnull(p.Datum, '-') FROM "
                        "tblPlacila p JOIN tblRacun r ON r.ID = p.RacunID ORDER BY 1",
                        {}, [&](const QueryRow& row) {
                            payments << QString("%1|%2|%3|%4")
                                            .arg(row.text(0))
                                            .arg(row.number(1))
                                            .arg(row.text(2), row.text(3));
                        });
        QCOMPARE(payments.join(' '),
                 QString("2026/001|100|prenos|- 2026/003|50|prenos|- 2026/004|50|prenos|-"));
        QVariant sum;
        QVERIFY(old->queryValue("SELECT NeplacanoCentov FROM tblIskanjeVsota", {}, &sum));
        QCOMPARE(sum.toLongLong(), 20000);
    }
};

QTEST_MAIN(TestPayments)
#include "tst_payments.moc"
