// The editor's lines: adding through the picker, typing, deleting, the
// lump-sum and 70 % options, "Vsem" and the caps, and a long invoice.

#include "tst_racun_support.h"

using namespace valmir;
using namespace valmir::test;

class TestRacunLines : public FixtureTest {
    Q_OBJECT

    static void deleteRow(Session& s, int row, bool yes = true) {
        grid(s.e)->moveToRow(row);
        s.watcher.answers << (yes ? QMessageBox::Yes : QMessageBox::No);
        click(s.e, "Command4");
    }

private Q_SLOTS:
    // "Tiskaj račun" refuses an invoice without lines (a printed one is
    // read back in the VAT rate test of the save).
    void printingWithoutLines() {
        Session s;
        click(s.e, "Command2");
        QCOMPARE(s.watcher.seen, QStringList{"Rivove|Kaj naj tiskam, če pa ni postavk!"});
    }

    void addTypeAndPrice() {
        Session s;
        QVERIFY(s.e);
        s.add({{1, 3}, {1, 6}, {91, 1}, {91, 2}});
        QCOMPARE(lineCount(s.e), 4);
        QVERIFY(s.e->isModified());
        QVERIFY(!option(s.e, "Check2")->isEnabled()); // expenses exclude the lump sum
        QCOMPARE(cell(s.e, 0, 5), QString());         // adding does not price

        QVERIFY(typeCell(s.e, 0, 3, "2"));
        QVERIFY(typeCell(s.e, 0, 4, "20"));
        QVERIFY(typeCell(s.e, 1, 3, "1"));
        QVERIFY(!typeCell(s.e, 1, 5, "99")); // a service line's amount is computed
        QVERIFY(!typeCell(s.e, 2, 3, "5"));  // an expense line has no quantity
        // Amounts typed in the forms the program shows them in.
        QVERIFY(typeCell(s.e, 2, 5, "1.234,50"));
        QVERIFY(typeCell(s.e, 3, 5, "30 €"));
        click(s.e, "Command5");
        // 250 x 2 x 0,75 x 1,2 = 450; 180 x 0,75 = 135; + 1234,50 + 30 typed
        QCOMPARE(cell(s.e, 0, 5), money("450,00"));
        QCOMPARE(cell(s.e, 2, 5), money("1.234,50"));
        QCOMPARE(caption(s.e, "Label11"), QString("680"));
        QCOMPARE(caption(s.e, "Label7"), money("1.849,50"));
        QCOMPARE(caption(s.e, "Label5"), money("406,89")); // 22 %, the rate of a new invoice
        QCOMPARE(caption(s.e, "Label4"), money("2.256,39"));
        QVERIFY(s.watcher.seen.isEmpty());

        // Text that is no number is refused, not stored to be priced at 0.
        QVERIFY(!typeCell(s.e, 3, 5, "30 abc"));
        QTRY_COMPARE(s.watcher.seen.size(), 1);
        QCOMPARE(s.watcher.seen.first().section('|', 0, 0), QString("Napačen vnos"));
        QCOMPARE(cell(s.e, 3, 5), money("30,00"));

        // Picking one of them again keeps what was typed.
        s.add({{1, 3}});
        QCOMPARE(lineCount(s.e), 4);
        QCOMPARE(cell(s.e, 0, 3), QString("2"));

        // "Vsem" gives the first line's surcharge to every service line.
        click(s.e, "Command6");
        QCOMPARE(cell(s.e, 1, 4), QString("20"));
        QCOMPARE(cell(s.e, 1, 5), money("162,00"));
        QCOMPARE(cell(s.e, 2, 4), QString());

        // A surcharge above 50 % is capped and said so.
        QVERIFY(typeCell(s.e, 0, 4, "60"));
        click(s.e, "Command5");
        QCOMPARE(s.watcher.seen.last(),
                 QString("Previsoki poviški|Povišek je omejen na 50 %! Previsoke "
                         "poviške sem zato zmanjšal na 50."));
        QCOMPARE(cell(s.e, 0, 4), QString("50"));
        QCOMPARE(cell(s.e, 0, 5), money("562,50"));
        // The 70 % option reduces the report line (1.6) only: 162 x 0,7.
        option(s.e, "Check1")->click();
        QCOMPARE(cell(s.e, 1, 5), money("113,40"));
        QCOMPARE(caption(s.e, "Label7"), money("1.940,40"));
    }

    // Lines that each fit may add up to more than a number holds: said so,
    // not as an engine error, and no total reads "inf".
    void amountTooLarge() {
        Session s;
        QVERIFY(s.e);
        s.add({{91, 1}, {91, 2}});
        QVERIFY(WorkDb->execute("UPDATE tblTarifePregled SET znesek = ?", {1e307}));
        click(s.e, "Command5");
        QCOMPARE(s.watcher.seen.size(), 1);
        QCOMPARE(s.watcher.seen.first().section('|', 0, 0), QString("Prevelik znesek"));
        for (const char* total : {"Label11", "Label7", "Label5", "Label4"})
            QVERIFY(!caption(s.e, total).contains("inf"));
        const QString sql = "SELECT count(*) FROM tblTarifePregled WHERE znesek = ?";
        QCOMPARE(WorkDb->scalar(sql, {1e307}).toInt(), 2);
    }

    void lumpSumOptionAndExpensesExcludeEachOther() {
        Session s;
        QVERIFY(s.e);
        s.add({{3, 1}});
        QVERIFY(typeCell(s.e, 0, 3, "1"));
        box(s.e, "Text3")->setText("15");
        option(s.e, "Check2")->click();
        QCOMPARE(s.watcher.seen, QStringList{"Požrešneš|Proccent pavšalnega obračuna stroškov sem "
                                             "zmanjšal na dovoljenih 10%"});
        QCOMPARE(text(s.e, "Text3"), QString("10"));
        QVERIFY(!box(s.e, "Text3")->isEnabled());
        QCOMPARE(cell(s.e, 1, 1),
                 QString("Ostali stroški v pavšalni vrednosti 10 % geodetske storitve"));
        QCOMPARE(cell(s.e, 1, 5), money("11,25")); // 10 % of 150 x 0,75
        QCOMPARE(caption(s.e, "Label7"), money("123,75"));

        // Expenses are refused while the lump sum is on; what was picked
        // before them stays.
        s.watcher.seen.clear();
        s.add({{3, 2}, {91, 1}, {95, 1}});
        QCOMPARE(s.watcher.seen, QStringList{"Lakomnež|Stroški so že obračunani pavšalno!"});
        QCOMPARE(lineCount(s.e), 3);
        QCOMPARE(cell(s.e, 1, 0), QString("3.2"));

        // Deleting the lump-sum line unticks the option and frees the percentage.
        deleteRow(s, 2);
        QCOMPARE(lineCount(s.e), 2);
        QVERIFY(!option(s.e, "Check2")->isChecked());
        QVERIFY(box(s.e, "Text3")->isEnabled());
        QCOMPARE(caption(s.e, "Label7"), money("112,50")); // 3.2 has no quantity yet
    }

    void deletingLines() {
        Session s;
        QVERIFY(s.e);
        s.add({{1, 1}, {1, 2}, {1, 3}, {91, 1}});
        for (int row = 0; row < 3; ++row)
            QVERIFY(typeCell(s.e, row, 3, "1"));
        QVERIFY(typeCell(s.e, 3, 5, "20"));

        deleteRow(s, 1, false); // No: nothing happens
        QCOMPARE(lineCount(s.e), 4);
        // A middle line: the grid stays on the line after it.
        deleteRow(s, 1);
        QCOMPARE(lineCount(s.e), 3);
        QCOMPARE(grid(s.e)->currentRow(), 1);
        QCOMPARE(cell(s.e, 1, 0), QString("1.3"));
        QCOMPARE(caption(s.e, "Label7"), money("237,50")); // (40 + 250) x 0,75 + 20
        // The last line, the only expense: the grid goes to the new last
        // line and the lump-sum option is free again.
        deleteRow(s, 2);
        QCOMPARE(grid(s.e)->currentRow(), 1);
        QVERIFY(option(s.e, "Check2")->isEnabled());
        deleteRow(s, 0);
        deleteRow(s, 0);
        QCOMPARE(lineCount(s.e), 0);
        QCOMPARE(s.watcher.seen.size(), 5);
        QCOMPARE(s.watcher.seen.last(), QString("Vprašanje|Bi res rad izbrisal izbrano opravilo?"));
        click(s.e, "Command4"); // with nothing left the button asks nothing
        QCOMPARE(s.watcher.seen.size(), 5);
    }

    // More lines than the record set reads in one go.
    void longInvoiceOpensAndPrices() {
        const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", "L/300"}, {"VrednostTocke", 1.0}});
        Transaction t(*Db);
        for (int i = 0; i < 300; ++i)
            addLine(*Db, id, 100000 + i, 10.0, 1.0 + (i % 3), QVariant(), QVariant());
        QVERIFY(t.commit());
        Session s(1, "L/300");
        QVERIFY(s.e);
        QCOMPARE(lineCount(s.e), 300);
        // 100 lines each of quantity 1, 2 and 3, ten points apiece
        QCOMPARE(caption(s.e, "Label11"), QString("6000"));
        QCOMPARE(caption(s.e, "Label4"), money("7.200,00"));
    }
};

QTEST_MAIN(TestRacunLines)
#include "tst_racun_lines.moc"
