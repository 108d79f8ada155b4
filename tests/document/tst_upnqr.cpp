// The UPN QR code: the account check, the payment order field by field, and
// the way from the document through LibreOffice's PDF back to the order.

#include "TestSupport.h"

#include "document/InvoiceDocument.h"
#include "document/PdfExport.h"
#include "document/UpnQr.h"
#include "invoice/Pricing.h"

#include <QProcess>

using namespace valmir;
using namespace valmir::test;

namespace {

// A valid account of a Slovenian bank (mod 97 gives 1), and the office.
const QString Iban = QStringLiteral("SI56 0201 0001 2345 641");
const UpnQrParty Office{QStringLiteral("Geodetska pisarna Žerjav d.o.o."),
                        QStringLiteral("Šentjurska 5"), QStringLiteral("3230 Šentjur")};

// The output of a shell command run on a file ($0), or its failure in words.
QByteArray run(const char* command, const QString& file) {
    QProcess p;
    p.start(QStringLiteral("sh"), {QStringLiteral("-c"), QString::fromUtf8(command), file});
    if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && !p.exitCode())
        return p.readAllStandardOutput();
    return "failed: " + p.errorString().toUtf8() + ' ' + p.readAllStandardError();
}

} // namespace

class TestUpnQr : public FixtureTest {
    Q_OBJECT
private Q_SLOTS:
    // A code only for a valid Slovenian IBAN, as typed, and something to pay.
    void noCode_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("amount");
        QTest::addColumn<bool>("code");
        QTest::newRow("compact, half a cent") << "si56020100012345641" << 0.005 << true;
        QTest::newRow("wrong checksum") << "SI56 0201 0001 2345 642" << 10.0 << false;
        QTest::newRow("a digit more") << "SI56 0201 0001 2345 6410" << 10.0 << false;
        QTest::newRow("another country, valid") << "DE89 3704 0044 0532 0130 00" << 10.0 << false;
        QTest::newRow("letter among digits") << "SI56 0201 0001 2345 6A1" << 10.0 << false;
        QTest::newRow("nothing to pay") << Iban << 0.0 << false;
        QTest::newRow("less than half a cent") << Iban << 0.004 << false;
        QTest::newRow("twelve digits of cents") << Iban << 1e10 << false;
    }
    void noCode() {
        QFETCH(QString, typed);
        QFETCH(double, amount);
        QFETCH(bool, code);
        const UpnQrInput in{{"A", "B", "C"}, amount, "1", typed, Office};
        QCOMPARE(upnQrPayload(in).contains("\nSI56020100012345641\n"), code);
    }

    // Fields 6, 9, 13, 16 and 20 of each row; the rest is the same for all.
    void payload_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("worked example") << "Čebelarstvo Šuštar" << 671.0 << "2026/001"
                                        << QStringList{"Čebelarstvo Šuštar", "00000067100",
                                                       "Račun 2026/001", "SI002026-001", "178"};
        // A line break as a blank; name, purpose and reference cut at 33, 42, 26.
        QTest::newRow("long texts")
            << "Geodetska družba Žagar\nin sinovi d.o.o." << 1234567.891
            << "R 7/A-" + QString(40, u'0')
            << QStringList{"Geodetska družba Žagar in sinovi", "00123456789",
                           "Račun R 7/A-" + QString(30, u'0'), "SI00--7---" + QString(16, u'0'),
                           "234"};
    }
    void payload() {
        QFETCH(QString, name);
        QFETCH(double, amount);
        QFETCH(QString, number);
        QFETCH(QStringList, fields);
        const UpnQrInput in{{name, "Cesta 1", "1000 Ljubljana"}, amount, number, Iban, Office};
        const QString expected =
            QStringLiteral("UPNQR\n\n\n\n\n%1\nCesta 1\n1000 Ljubljana\n%2\n\n\nOTHR\n%3\n\n"
                           "SI56020100012345641\n%4\n%5\n%6\n%7\n%8")
                .arg(fields[0], fields[1], fields[2], fields[3], Office.name, Office.street,
                     Office.place, fields[4]);
        QCOMPARE(upnQrFields(in), expected.split(u'\n'));
        QCOMPARE(upnQrPayload(in), toIso8859_2(expected + u'\n'));
        QCOMPARE(toIso8859_2("ČŠŽčšž Đ"), QByteArray("\xC8\xA9\xAE\xE8\xB9\xBE \xD0"));
    }

    // A document priced, printed and converted by the real LibreOffice shows the
    // totals and Slovenian letters; zbarimg reads back the order for the amount due.
    void endToEnd() {
        if (findLibreOffice().isEmpty())
            QSKIP("LibreOffice (soffice) is not installed");
        const QString sql = "UPDATE tblNastavitve SET Firma=?, Naslov=?, TRR=?, PST=?, Posta=?";
        QVERIFY(Db->execute(sql, {Office.name, Office.street, Iban, "3230", "Šentjur"}));
        QVERIFY(WorkDb->execute(
            "INSERT INTO tblTarifePregled (ID_tarifa, Tocke, Kolicina, Povisek, TarifnaStevilka, "
            "TS1, TS2, \"70proc\", GeodetskaStoritev, Master) VALUES (1001, 100, 2, 20, 'T', 1, 1, "
            "1, 'Meritev parcele', 0)"));
        auto rs = WorkDb->openRecordset(QStringLiteral("tblTarifePregled"), RecordsetKind::Table);
        QVERIFY(rs && rs->setIndex(QStringLiteral("Red")));
        const PricingResult priced = recalculate(*rs, {"2,5", true, "10", true});
        QVERIFY(priced.ok);
        InvoiceHeader h;
        h.text1 = {"2026/001", "Čebelarstvo Ćorić Đurđa Žužek", "Ulica 3", "1000", "Ljubljana"};
        h.pointValueText = QStringLiteral("2,5");
        h.unifiedReport = true;
        const PrintResult printed = PrintInvoice(*Db, *WorkDb, m_fixture->tempDir(), h, QString());
        QVERIFY2(printed.ok, qPrintable(printed.error));
        PdfConversion conversion;
        QSignalSpy done(&conversion, &PdfConversion::finished);
        conversion.start(findLibreOffice(), printed.path, m_fixture->tempDir());
        QVERIFY(done.wait(240000));
        QVERIFY2(done[0][0].toBool(), qPrintable(done[0][2].toString()));
        const QString pdf = done[0][1].toString();
        const double toPay = priced.total + priced.vat;
        const QString text = QString::fromUtf8(run("pdftotext -enc UTF-8 \"$0\" -", pdf));
        for (const QString& shown :
             QStringList{AmountText(priced.total), AmountText(toPay), "Čebelarstvo Ćorić Đurđa",
                         "3230 Šentjur", "Plačilo z UPN QR"})
            QVERIFY2(text.contains(shown), qPrintable(text));
        // zbarimg gives UTF-8, read through the code's ECI 4 (ISO 8859-2):
        // Č and Ž come back only when both agree.
        const UpnQrInput expected{
            {h.text1[1], "Ulica 3", "1000 Ljubljana"}, toPay, "2026/001", Iban, Office};
        QCOMPARE(QString::fromUtf8(run("pdftoppm -r 150 -png -singlefile \"$0\" | "
                                       "zbarimg --quiet --raw -Sbinary png:-",
                                       pdf)),
                 upnQrFields(expected).join(u'\n') + u'\n');
    }
};

QTEST_MAIN(TestUpnQr)
#include "tst_upnqr.moc"
