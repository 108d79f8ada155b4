// The VAT rate of an invoice: a new invoice takes the settings' rate,
// saving stores it, and a stored invoice is priced and printed with its
// own rate whatever the settings say now.

#include "tst_racun_support.h"

#include "app/Clock.h"

using namespace valmir;
using namespace valmir::test;

class TestRacunVat : public FixtureTest {
    Q_OBJECT

    void prepare() override {
        setTodayForTest(QDate(2031, 3, 4));
        QVERIFY(Db->execute("UPDATE tblNastavitve SET Word = '/bin/true'"));
    }

    // The document "Tiskaj račun" wrote, as RTF text.
    QString printed() const {
        QFile f(QDir(m_fixture->tempDir()).filePath("racun.rtf"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }

    static QStringList totals(QWidget* editor) {
        return {caption(editor, "VatCaption"), caption(editor, "Label7"),
                caption(editor, "Label5"), caption(editor, "Label4")};
    }

private Q_SLOTS:
    // The worked example at today's 22 %: 250 points x 2 at 1 € and the
    // lump sum of 10 % make a base of 550,00. Saved, it keeps 22 % in the
    // editor and on paper after the setting changed; a new invoice takes
    // the new rate.
    void workedExampleKeepsItsRate() {
        const QStringList at22 = {"DDV (22%)", money("550,00"), money("121,00"), money("671,00")};
        {
            Session s;
            QVERIFY(s.e);
            box(s.e, "Text1_1")->setText("Kupec");
            box(s.e, "Text2")->setText("1");
            s.add({{1, 3}});
            QVERIFY(typeCell(s.e, 0, 3, "2"));
            option(s.e, "Check2")->click();
            QCOMPARE(totals(s.e), at22);
            QVERIFY(s.e->save());
        }
        QCOMPARE(Db->scalar("SELECT StopnjaDDV FROM tblRacun").toDouble(), 22.0);

        QVERIFY(Db->execute("UPDATE tblNastavitve SET StopnjaDDV = 9.5"));
        {
            Session s(1, "2031/001");
            QVERIFY(s.e);
            QCOMPARE(totals(s.e), at22);
            click(s.e, "Command2");
            QCOMPARE(s.watcher.seen, QStringList());
        }
        const QString document = printed();
        for (const char* shown : {"DDV (22%)", "550,00", "121,00", "671,00"})
            QVERIFY2(document.contains(shown), shown);
        {
            Session s;
            QVERIFY(s.e);
            QCOMPARE(caption(s.e, "VatCaption"), QString("DDV (9,5%)"));
        }
    }

    // A stored invoice of 550,00 opened, printed and saved while the
    // setting says 5 %: priced with its own rate, an invoice stored before
    // rates were kept with 20 %, which saving then stores.
    void storedInvoiceUsesItsOwnRate_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("vat");
        QTest::addColumn<double>("saved");
        QTest::newRow("stored without a rate") << QVariant() << "DDV (20%)" << "110,00" << 20.0;
        QTest::newRow("22 %") << QVariant(22.0) << "DDV (22%)" << "121,00" << 22.0;
        QTest::newRow("9,5 %") << QVariant(9.5) << "DDV (9,5%)" << "52,25" << 9.5;
    }
    void storedInvoiceUsesItsOwnRate() {
        QFETCH(QVariant, stored);
        QFETCH(QString, shown);
        QFETCH(QString, vat);
        QVERIFY(Db->execute("UPDATE tblNastavitve SET StopnjaDDV = 5"));
        const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", "2012/001"}, {"Ime", "Kupec"},
                                           {"VrednostTocke", 1.0}, {"ProcentPavsala", 10.0},
                                           {"Veljavnost", 30.0}, {"StopnjaDDV", stored}});
        addLine(*Db, id, operationId(*Db, 1, 3), 250.0, 2.0, QVariant(), 500.0);
        addLine(*Db, id, -1, QVariant(), QVariant(), QVariant(), 50.0);
        Session s(1, "2012/001");
        QVERIFY(s.e);
        QCOMPARE(caption(s.e, "VatCaption"), shown);
        QCOMPARE(caption(s.e, "Label5"), money(qPrintable(vat)));
        click(s.e, "Command2");
        QVERIFY(printed().contains("\\qr " + shown + "\\cell}") && printed().contains(vat));
        QVERIFY(s.e->save());
        QTEST(Db->scalar("SELECT StopnjaDDV FROM tblRacun").toDouble(), "saved");
    }
};

QTEST_MAIN(TestRacunVat)
#include "tst_racun_vat.moc"
