// The UPN QR code of the document: the account check, the payment order
// field by field, and the whole way from the document through LibreOffice's
// PDF and a page picture back to the payment order (zbarimg reads it).

#include "TestSupport.h"

#include "app/Module1.h"
#include "data/Recordset.h"
#include "document/Iban.h"
#include "document/InvoiceDocument.h"
#include "document/PdfExport.h"
#include "document/UpnQr.h"
#include "invoice/Pricing.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

using namespace valmir;
using namespace valmir::test;

namespace {

// A valid account of a Slovenian bank (mod 97 gives 1), and the office.
const QString Iban = QStringLiteral("SI56 0201 0001 2345 641");
const UpnQrParty Office{QStringLiteral("Geodetska pisarna Žerjav d.o.o."),
                        QStringLiteral("Šentjurska 5"), QStringLiteral("3230 Šentjur")};

// Empty when the program ran well; its output in *out.
QString run(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.start(program, args);
    const bool ok =
        p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (out)
        *out = p.readAllStandardOutput();
    return ok ? QString() : program + u' ' + p.errorString() + u' ' + p.readAllStandardError();
}

} // namespace

class TestUpnQr : public FixtureTest {
    Q_OBJECT

private Q_SLOTS:
    void iban_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("valid");
        QTest::newRow("grouped") << Iban << true;
        QTest::newRow("compact, small letters") << "si56020100012345641" << true;
        QTest::newRow("wrong checksum") << "SI56 0201 0001 2345 642" << false;
        QTest::newRow("a digit more") << "SI56 0201 0001 2345 6410" << false;
        QTest::newRow("another country, valid") << "DE89 3704 0044 0532 0130 00" << false;
        QTest::newRow("letter among digits") << "SI56 0201 0001 2345 6A1" << false;
    }
    void iban() {
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        QCOMPARE(slovenianIban(typed), valid ? QString("SI56020100012345641") : QString());
    }

    // Fields 6, 9, 13, 16 and 20 of each row; the rest is the same for all.
    void payload_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("number");
        QTest::addColumn<double>("amount");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("worked example") << "Čebelarstvo Šuštar"
                                        << "2026/001" << 671.0
                                        << QStringList{"Čebelarstvo Šuštar", "00000067100",
                                                       "Račun 2026/001", "SI002026-001", "178"};
        // 39 characters: cut at 33, the blank at the cut dropped.
        QTest::newRow("long name") << "Geodetska družba Žagar in sinovi d.o.o."
                                   << "2026-12" << 0.1
                                   << QStringList{"Geodetska družba Žagar in sinovi", "00000000010",
                                                  "Račun 2026-12", "SI002026-12", "190"};
        QTest::newRow("line break in a name, letters in the number")
            << "Ana\nNovak"
            << "R 7/A" << 1234567.891
            << QStringList{"Ana Novak", "00123456789", "Račun R 7/A", "SI00--7--", "163"};
        QTest::newRow("long number")
            << "X"
            << "2026/000000000000000000000001" << 5.0
            << QStringList{"X", "00000000500", "Račun 2026/000000000000000000000001",
                           "SI002026-00000000000000000", "196"};
    }
    void payload() {
        QFETCH(QString, name);
        QFETCH(QString, number);
        QFETCH(double, amount);
        QFETCH(QStringList, fields);
        const UpnQrInput in{{name, "Cesta 1", "1000 Ljubljana"}, amount, number, Iban, Office};
        const QString expected = "UPNQR\n\n\n\n\n" + fields[0] + "\nCesta 1\n1000 Ljubljana\n" +
                                 fields[1] + "\n\n\nOTHR\n" + fields[2] +
                                 "\n\nSI56020100012345641\n" + fields[3] + u'\n' + Office.name +
                                 u'\n' + Office.street + u'\n' + Office.place + u'\n' + fields[4];
        QCOMPARE(upnQrFields(in).join(u'\n'), expected);
        QCOMPARE(upnQrFields(in).size(), 20);
        // ISO 8859-2 bytes, every field ended by LF.
        QCOMPARE(upnQrPayload(in), toIso8859_2(expected + u'\n'));
        QCOMPARE(toIso8859_2("ČŠŽčšž Đ"), QByteArray("\xC8\xA9\xAE\xE8\xB9\xBE \xD0"));
    }

    void noCode_data() {
        QTest::addColumn<QString>("iban");
        QTest::addColumn<double>("amount");
        QTest::newRow("wrong checksum") << "SI56 0201 0001 2345 642" << 10.0;
        QTest::newRow("nothing to pay") << Iban << 0.0;
        QTest::newRow("less than half a cent") << Iban << 0.004;
        QTest::newRow("twelve digits of cents") << Iban << 1e10;
    }
    void noCode() {
        QFETCH(QString, iban);
        QFETCH(double, amount);
        QVERIFY(upnQrPayload({{"A", "B", "C"}, amount, "1", iban, Office}).isEmpty());
    }

    // The worked example priced as the editor does and printed with the
    // code, converted by the real LibreOffice: the PDF shows the totals and
    // the Slovenian letters, and zbarimg reads the payment order back from
    // the page, for the amount the document asks.
    void endToEnd() {
        const QString soffice = findLibreOffice();
        if (soffice.isEmpty())
            QSKIP("LibreOffice (soffice) is not installed");
        QVERIFY(Db->execute("UPDATE tblNastavitve SET Firma = ?, Naslov = ?, PST = '3230', Posta = "
                            "'Šentjur', TRR = ?",
                            {Office.name, Office.street, Iban}));
        const QString insert = QStringLiteral(
            "INSERT INTO tblTarifePregled (ID_tarifa, Tocke, Kolicina, Povisek, TarifnaStevilka, "
            "TS1, TS2, "
            "\"70proc\", GeodetskaStoritev, Master) VALUES (?, ?, ?, ?, 'T', ?, ?, ?, ?, 0)");
        QVERIFY(WorkDb->execute(insert, {1001, 100, 2, 20, 1, 1, true, "Meritev parcele"}));
        QVERIFY(WorkDb->execute(insert, {2001, 32, 1, 0, 2, 1, false, "Zakoličba"}));
        QVERIFY(WorkDb->execute(
            insert, {-1, {}, {}, {}, LumpSumService, 1, false, lumpSumDescription("10")}));
        auto rs = WorkDb->openRecordset(QStringLiteral("tblTarifePregled"), RecordsetKind::Table);
        QVERIFY(rs && rs->setIndex(QStringLiteral("Red")));
        const PricingResult priced = recalculate(*rs, {"2,5", true, "10", true});
        QVERIFY(priced.ok);
        InvoiceHeader h;
        h.text1 = QStringList{"2026/001", "Čebelarstvo Ćorić Đurđa Žužek in Šuštar", "Ulica 3",
                              "1000", "Ljubljana"};
        h.text1.resize(16);
        h.pointValueText = QStringLiteral("2,5");
        h.unifiedReport = true;
        const PrintResult printed = PrintInvoice(*Db, *WorkDb, m_fixture->tempDir(), h, QString());
        QVERIFY2(printed.ok, qPrintable(printed.error));

        PdfConversion conversion;
        QSignalSpy done(&conversion, &PdfConversion::finished);
        conversion.start(soffice, printed.path, m_fixture->tempDir());
        QVERIFY(done.wait(240000));
        QVERIFY2(done[0][0].toBool(), qPrintable(done[0][2].toString()));
        const QString pdf = done[0][1].toString();

        const double toPay = priced.total + priced.vat;
        QByteArray text;
        QCOMPARE(run("pdftotext", {"-enc", "UTF-8", pdf, "-"}, &text), QString());
        for (const QString& expected :
             {AmountText(priced.total), AmountText(toPay), QString("Čebelarstvo Ćorić Đurđa"),
              QString("3230 Šentjur"), QString("Plačilo z UPN QR")})
            QVERIFY2(QString::fromUtf8(text).contains(expected),
                     qPrintable(expected + " missing in:\n" + text));

        const QString page = m_fixture->tempDir() + QStringLiteral("/page");
        QCOMPARE(run("pdftoppm", {"-r", "150", "-png", "-singlefile", pdf, page}), QString());
        QByteArray decoded;
        QCOMPARE(run("zbarimg", {"--quiet", "--raw", "-Sbinary", page + ".png"}, &decoded),
                 QString());
        // zbarimg gives UTF-8, read through the code's ECI 4 (ISO 8859-2):
        // Č and Ž come back only when both agree.
        const UpnQrInput expected{
            {h.text1[1], "Ulica 3", "1000 Ljubljana"}, toPay, "2026/001", Iban, Office};
        QCOMPARE(QString::fromUtf8(decoded), upnQrFields(expected).join(u'\n') + u'\n');
    }
};

QTEST_MAIN(TestUpnQr)
#include "tst_upnqr.moc"
