// What is saved opens again as it was, and saves again unchanged: a new
// invoice through the windows, and stored numbers in every form a box can
// show them.

#include "tst_racun_support.h"

#include "app/Clock.h"

using namespace valmir;
using namespace valmir::test;

namespace {

// What the editor shows: header, pricing boxes, options, cells and totals.
QStringList snapshot(Racun& editor) {
    QStringList s{text(&editor, "Text2"), text(&editor, "Text3"),
                  child<QComboBox>(&editor, "Combo1")->currentText()};
    for (int i = 0; i < 16; ++i)
        s << editor.headerText(i);
    for (const char* name : {"Check1", "Check2", "Check3"})
        s << QString::number(option(&editor, name)->isChecked());
    for (int row = 0; row < lineCount(&editor); ++row)
        for (int column = 0; column < 6; ++column)
            s << cell(&editor, row, column);
    for (const char* name : {"Label11", "Label7", "Label5", "Label4"})
        s << caption(&editor, name);
    return s;
}

QVariant field(const char* name) {
    return Db->scalar(QString("SELECT %1 FROM tblRacun WHERE StevilkaRacuna='2030/041'").arg(name));
}

} // namespace

class TestInvoiceRoundtrip : public FixtureTest {
    Q_OBJECT

    void prepare() override { setTodayForTest(QDate(2030, 6, 1)); }

private Q_SLOTS:
    void newInvoiceSavedAndOpenedAgain() {
        Db->execute("UPDATE tblNastavitve SET StRacuna = 41");
        addInvoice(*Db, {{"StevilkaRacuna", "2029/100"}, {"Ime", "Star kupec"}});
        auto list = invoiceList();
        auto opened = openEditor(list.get(), 0);
        QVERIFY(opened);
        Racun& editor = *opened;
        QCOMPARE(text(&editor, "Text1_0"), QString("2030/041"));
        box(&editor, "Text1_1")->setText("Novi naročnik");
        box(&editor, "Text1_11")->setText("Ureditev meje in parcelacija");
        child<QComboBox>(&editor, "Combo1")->setCurrentIndex(0);
        box(&editor, "Text2")->setText("0.8");

        ModalWatcher watcher;
        addOperations(editor, watcher, {{1, 3}, {1, 6}, {2, 5}}); // 1.6 and 2.5 are report items
        QCOMPARE(lineCount(&editor), 3);
        QVERIFY(typeCell(&editor, 0, 3, "2")); // 1.3
        QVERIFY(typeCell(&editor, 0, 4, "25"));
        QVERIFY(typeCell(&editor, 1, 3, "1"));   // 1.6
        QVERIFY(typeCell(&editor, 2, 3, "1,5")); // 2.5
        option(&editor, "Check1")->click();
        option(&editor, "Check2")->click();
        click(&editor, "Command5");
        // 250 x 2 x 0,8 x 1,25 = 500; 180 x 0,8 x 0,7 = 100,80;
        // 160 x 1,5 x 0,8 x 0,7 = 134,40; lump sum 10 % of 735,20 = 73,52
        QCOMPARE(cell(&editor, 3, 5), money("73,52"));
        QCOMPARE(caption(&editor, "Label7"), money("808,72"));
        QCOMPARE(caption(&editor, "Label4"), money("970,46"));
        const QStringList before = snapshot(editor);

        click(&editor, "Command1");
        QVERIFY(watcher.seen.isEmpty()); // two services, two report lines, 70 % ticked
        QVERIFY(!editor.isVisible());
        QCOMPARE(Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(), 42.0);
        // The main list shows and selects the saved invoice.
        QCOMPARE(list->listModel()->rowCount(), 2);
        QCOMPARE(list->currentIndex().row(), list->recordset()->position());
        QCOMPARE(list->listModel()->displayText(list->currentIndex().row(), 1),
                 QString("Novi naročnik"));

        auto reopened = openEditor(list.get(), 1);
        QVERIFY(reopened);
        Racun& again = *reopened;
        QCOMPARE(text(&again, "Text2"), QString("0,8"));
        QCOMPARE(snapshot(again).mid(1), before.mid(1));
        QVERIFY(!again.isModified());

        // Saved again unchanged: still one invoice of that number, counter kept.
        click(&again, "Command1");
        QVERIFY(!again.isVisible());
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacun").toInt(), 2);
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacunTarife").toInt(), 4);
        QCOMPARE(Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(), 42.0);
    }

    // The boxes show "7,5" and "−5" (the locale's minus); a save must read
    // them back as the numbers they came from.
    void storedNumbersSurviveAnUntouchedSave_data() {
        QTest::addColumn<double>("validity");
        QTest::addColumn<double>("pointValue");
        QTest::addColumn<double>("percent");
        // clang-format off
        QTest::newRow("validity with a fraction") << 7.5 << 2.5 << 10.0;
        QTest::newRow("negative validity") << -5.0 << 2.5 << 10.0;
        QTest::newRow("point value below one") << 30.0 << 0.75 << 7.5;
        QTest::newRow("thousands") << 1234.5 << 1234.5 << 0.5;
        // clang-format on
    }
    void storedNumbersSurviveAnUntouchedSave() {
        QFETCH(double, validity);
        QFETCH(double, pointValue);
        QFETCH(double, percent);
        addInvoice(*Db, {{"StevilkaRacuna", "2030/041"},
                         {"Datum", QDate(2030, 5, 2)},
                         {"Veljavnost", validity},
                         {"VrednostTocke", pointValue},
                         {"ProcentPavsala", percent}});
        auto list = invoiceList();
        auto editor = openEditor(list.get(), 1);
        QVERIFY(editor);
        ModalWatcher watcher;
        click(editor.get(), "Command1");
        QCOMPARE(watcher.seen, QStringList());
        QVERIFY(!editor->isVisible());
        QCOMPARE(field("Veljavnost").toDouble(), validity);
        QCOMPARE(field("VrednostTocke").toDouble(), pointValue);
        QCOMPARE(field("ProcentPavsala").toDouble(), percent);
        QCOMPARE(field("Datum").toString(), QString("2030-05-02"));
    }
};

QTEST_MAIN(TestInvoiceRoundtrip)
#include "tst_invoice_roundtrip.moc"
