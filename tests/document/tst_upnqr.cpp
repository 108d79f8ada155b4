// The UPN QR code of the document: the account check, the payment order
// field by field, and the whole way from the document through LibreOffice's
// PDF and a page picture back to the payment order (zbarimg reads it).

#include "TestSupport.h"

#include "app/Module1.h"
#include "data/Recordset.h"
#include "document/Iban.h"
#include "document/InvoiceDocument.h"
#include "document/PdfExport.h"
#include "document/Rtf.h"
#include "document/UpnQr.h"
#include "invoice/Pricing.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

using namespace valmir;
using namespace valmir::test;

namespace {

// A valid account of a Slovenian bank (mod 97 gives 1), and the office.
const QString Iban = QStringLiteral("SI56 0201 0001 2345 641");
const UpnQrParty Office{QStringLiteral("Geodetska pisarna Žerjav d.o.o."), QStringLiteral("Šentjurska 5"),
                        QStringLiteral("3230 Šentjur")};

QString run(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(240000))
        return program + QStringLiteral(" did not finish");
    if (out)
        *out = p.readAllStandardOutput();
    return p.exitCode() == 0 ? QString() : program + u' ' + QString::fromLocal8Bit(p.readAllStandardError());
}

} // namespace

class TestUpnQr : public FixtureTest {
    Q_OBJECT

private Q_SLOTS:
    void iban_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("compact");
        QTest::newRow("grouped") << Iban << "SI56020100012345641";
        QTest::newRow("compact, small letters") << "si56020100012345641" << "SI56020100012345641";
        QTest::newRow("wrong checksum") << "SI56 0201 0001 2345 642" << "";
        QTest::newRow("two digits swapped") << "SI56 0201 0001 2345 614" << "";
        QTest::newRow("a digit short") << "SI56 0201 0001 2345 64" << "";
        QTest::newRow("a digit more") << "SI56 0201 0001 2345 6410" << "";
        QTest::newRow("another country, valid") << "DE89 3704 0044 0532 0130 00" << "";
        QTest::newRow("letter among digits") << "SI56 0201 0001 2345 6A1" << "";
        QTest::newRow("old account number") << "02010-0012345641" << "";
        QTest::newRow("empty") << "" << "";
    }
    void iban() {
        QFETCH(QString, typed);
        QFETCH(QString, compact);
        QCOMPARE(slovenianIban(typed), compact);
    }

    void payload_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("number");
        QTest::addColumn<double>("amount");
        QTest::addColumn<QStringList>("fields"); // 6, 9, 13, 16 and 20
        QTest::newRow("worked example") << "Čebelarstvo Šuštar" << "2026/001" << 671.0
                                        << QStringList{"Čebelarstvo Šuštar", "00000067100", "Račun 2026/001",
                                                       "SI002026-001", "178"};
        // 39 characters: cut at 33, the blank at the cut dropped.
        QTest::newRow("long name") << "Geodetska družba Žagar in sinovi d.o.o." << "2026-12" << 0.1
                                   << QStringList{"Geodetska družba Žagar in sinovi", "00000000010",
                                                  "Račun 2026-12", "SI002026-12", "190"};
        QTest::newRow("line break in a name, letters in the number")
            << "Ana\nNovak" << "R 7/A" << 1234567.891
            << QStringList{"Ana Novak", "00123456789", "Račun R 7/A", "SI00--7--", "163"};
        QTest::newRow("long number") << "X" << "2026/000000000000000000000001" << 5.0
                                     << QStringList{"X", "00000000500", "Račun 2026/000000000000000000000001",
                                                    "SI002026-00000000000000000", "196"};
    }
    void payload() {
        QFETCH(QString, name);
        QFETCH(QString, number);
        QFETCH(double, amount);
        QFETCH(QStringList, fields);
        const UpnQrInput in{{name, QStringLiteral("Cesta 1"), QStringLiteral("1000 Ljubljana")}, amount, number,
                            Iban, Office};
        const QStringList f = upnQrFields(in);
        QCOMPARE(f.size(), 20);
        QCOMPARE(f.mid(0, 5), (QStringList{"UPNQR", "", "", "", ""}));
        QCOMPARE(f[5], fields[0]);
        QCOMPARE(f.mid(6, 2), (QStringList{"Cesta 1", "1000 Ljubljana"}));
        QCOMPARE(f[8], fields[1]);
        QCOMPARE(f.mid(9, 3), (QStringList{"", "", "OTHR"}));
        QCOMPARE(f[12], fields[2]);
        QCOMPARE(f[13], QString());
        QCOMPARE(f[14], QStringLiteral("SI56020100012345641"));
        QCOMPARE(f[15], fields[3]);
        QCOMPARE(f.mid(16, 3), (QStringList{Office.name, Office.street, Office.place}));
        QCOMPARE(f[19], fields[4]);
        for (const QString& field : f)
            QVERIFY(field.size() <= UpnPurposeLength && !field.contains(u'\n'));

        // ISO 8859-2 bytes, every field ended by LF.
        const QByteArray bytes = upnQrPayload(in);
        QCOMPARE(bytes.count('\n'), 20);
        QVERIFY(bytes.startsWith("UPNQR\n\n\n\n\n"));
        if (name.startsWith(u'Č'))
            QVERIFY(bytes.contains("\xC8" "ebelarstvo \xA9u\xB9tar\n"));
    }

    void noCode_data() {
        QTest::addColumn<QString>("iban");
        QTest::addColumn<double>("amount");
        QTest::newRow("no account") << "" << 10.0;
        QTest::newRow("wrong checksum") << "SI56 0201 0001 2345 642" << 10.0;
        QTest::newRow("nothing to pay") << Iban << 0.0;
        QTest::newRow("less than half a cent") << Iban << 0.004;
        QTest::newRow("credit") << Iban << -20.0;
        QTest::newRow("twelve digits of cents") << Iban << 1e10;
    }
    void noCode() {
        QFETCH(QString, iban);
        QFETCH(double, amount);
        const UpnQrInput in{{"A", "B", "C"}, amount, "1", iban, Office};
        QVERIFY(upnQrFields(in).isEmpty());
        QVERIFY(upnQrPayload(in).isEmpty());
    }

    // The worked example as the editor prices it, written with its code,
    // converted by the real LibreOffice; the PDF shows the totals and the
    // Slovenian letters, and its page read by zbarimg gives the payment
    // order back.
    void endToEnd() {
        const QString soffice = findLibreOffice();
        if (soffice.isEmpty())
            QSKIP("LibreOffice (soffice) is not installed");
        for (const char* tool : {"pdftotext", "pdftoppm", "zbarimg"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));

        QVERIFY(Db->execute("INSERT INTO tblGeodetskaStoritev (TS1, GeodetskaStoritev) VALUES (61, 'Ureditev meje')"));
        const QString insert = QStringLiteral(
            "INSERT INTO tblTarifePregled (ID_tarifa, Tocke, Kolicina, Povisek, TarifnaStevilka, TS1, TS2, "
            "\"70proc\", GeodetskaStoritev, Master) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 0)");
        QVERIFY(WorkDb->execute(insert, {61001, 100, 2, 20, "T1", 61, 1, true, "Meritev parcele"}));
        QVERIFY(WorkDb->execute(insert, {61002, 32, 1, 0, "T2", 61, 2, false, "Zakoličba"}));
        QVERIFY(WorkDb->execute(insert, {-1, {}, {}, {}, "", LumpSumService, 1, false, lumpSumDescription("10")}));
        {
            auto rs = WorkDb->openRecordset(QStringLiteral("tblTarifePregled"), RecordsetKind::Table);
            QVERIFY(rs && rs->setIndex(QStringLiteral("Red")));
            QVERIFY(recalculate(*rs, {QStringLiteral("2,5"), true, QStringLiteral("10"), true}).ok);
        }
        DocumentInput in;
        QVERIFY(readLines(*WorkDb, &in.lines));
        in.header.text1 = QStringList{"2026/001", "Čebelarstvo Ćorić Đurđa Žužek in Šuštar", "Ulica 3", "1000",
                                      "Ljubljana"};
        while (in.header.text1.size() < 16)
            in.header.text1 << QString();
        in.header.pointValueText = QStringLiteral("2,5");
        in.header.unifiedReport = true;
        in.settings.firm = Office.name;
        in.settings.address = Office.street;
        in.settings.postcode = QStringLiteral("3230");
        in.settings.post = QStringLiteral("Šentjur");
        in.settings.bankAccount = Iban;
        in.serviceNames.insert(61, QStringLiteral("Ureditev meje"));

        const QString work = m_fixture->tempDir();
        RtfDocument doc;
        QVERIFY(doc.OpenDocument(work));
        const DocumentTotals totals = writeInvoiceDocument(doc, in);
        QVERIFY(doc.CloseDocument());
        const QByteArray payload = upnQrPayload(upnQrInput(in, totals.toPay));
        QVERIFY(!payload.isEmpty());
        const UpnQrPicture picture = upnQrPng(payload);
        QVERIFY2(!picture.png.isEmpty(), qPrintable(picture.error));

        PdfConversion conversion;
        QSignalSpy done(&conversion, &PdfConversion::finished);
        conversion.start(soffice, doc.path(), work);
        QVERIFY(done.wait(240000));
        QVERIFY2(done[0][0].toBool(), qPrintable(done[0][2].toString()));
        const QString pdf = done[0][1].toString();

        QByteArray text;
        QCOMPARE(run("pdftotext", {"-enc", "UTF-8", pdf, "-"}, &text), QString());
        const QString shown = QString::fromUtf8(text);
        for (const QString& expected :
             {AmountText(totals.base), AmountText(totals.toPay), QStringLiteral("Čebelarstvo Ćorić Đurđa Žužek"),
              QStringLiteral("Šentjur"), QStringLiteral("Plačilo z UPN QR")})
            QVERIFY2(shown.contains(expected), qPrintable(expected + " missing in:\n" + shown));
        // The code asks for the amount the document shows.
        QVERIFY(payload.contains('\n' + QByteArray::number(qRound64(totals.toPay * 100)).rightJustified(11, '0') + '\n'));

        const QString page = work + QStringLiteral("/page");
        QCOMPARE(run("pdftoppm", {"-r", "200", "-png", "-singlefile", pdf, page}), QString());
        QByteArray decoded;
        QCOMPARE(run("zbarimg", {"--quiet", "--raw", "-Sbinary", page + ".png"}, &decoded), QString());
        // zbarimg gives the text in UTF-8, read through the code's ECI 4
        // (ISO 8859-2): Č and Ž come back only when both agree.
        QCOMPARE(QString::fromUtf8(decoded), upnQrFields(upnQrInput(in, totals.toPay)).join(u'\n') + u'\n');
    }
};

QTEST_MAIN(TestUpnQr)
#include "tst_upnqr.moc"
