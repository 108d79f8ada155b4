// The picker of operations, and the editor's lines: adding through the
// picker, typing, deleting, the lump-sum and 70 % options, "Vsem" and the
// caps, and a long invoice.

#include "EditorSession.h"

#include "invoice/WorkingTable.h"
#include "text/Messages.h"
#include "windows/Postavke.h"

using namespace valmir;
using namespace valmir::test;

namespace {

// The tariff numbers of the operations chosen, in the tariff's order.
QStringList chosen() {
    QStringList numbers;
    const std::optional<QSet<qint64>> picked = pickedOperations(*Db);
    for (const QString& row :
         queryRows("SELECT ID, TarifnaStevilka FROM tblTarife ORDER BY TS1, TS2"))
        if (picked && picked->contains(row.section(u'|', 0, 0).toLongLong()))
            numbers << row.section(u'|', 1);
    return numbers;
}

QList<int> checkedRows(QListWidget* list) {
    QList<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            rows << i;
    return rows;
}

} // namespace

class TestRacunLines : public FixtureTest {
    Q_OBJECT

    std::unique_ptr<Postavke> m_window;
    QComboBox* m_services = nullptr;
    QListWidget* m_operations = nullptr;

    void open() {
        m_window = std::make_unique<Postavke>(*Db, nullptr);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_services = m_window->findChild<QComboBox*>("Combo1");
        m_operations = m_window->findChild<QListWidget*>("List1");
        QVERIFY(m_services && m_operations);
    }
    void showService(int ts1) { m_services->setCurrentIndex(m_services->findData(double(ts1))); }
    // A click on the text of an item, as a user chooses an operation.
    void clickItem(int row) {
        QRect r = m_operations->visualItemRect(m_operations->item(row));
        QTest::mouseClick(m_operations->viewport(), Qt::LeftButton, {},
                          QPoint(r.right() - 20, r.center().y()));
    }

    static void deleteRow(Session& s, int row, bool yes = true) {
        grid(s.e)->moveToRow(row);
        s.watcher.answers << (yes ? QMessageBox::Yes : QMessageBox::No);
        click(s.e, "Command4");
    }

private Q_SLOTS:
    void cleanup() {
        m_window.reset();
        FixtureTest::cleanup();
    }

    void listsAndChoicesSurviveSwitchingServices() {
        QVERIFY(Db->execute("UPDATE tblTarife SET AktivnaPostavka = False WHERE TS1=1 AND TS2=2"));
        open();
        QCOMPARE(m_services->currentIndex(), 0);
        // Every operation of service 1 in TS2 order, the inactive one too.
        QCOMPARE(m_operations->count(), 6);
        QCOMPARE(m_operations->item(0)->text(),
                 QString("1.1  -  Pridobitev podatkov zemljiškega katastra"));

        clickItem(0);
        clickItem(2);
        showService(2);
        QVERIFY(checkedRows(m_operations).isEmpty());
        clickItem(4);
        // Back on service 1 its choices show again, read from the table.
        showService(1);
        QCOMPARE(checkedRows(m_operations), (QList<int>{0, 2}));
        QCOMPARE(chosen(), (QStringList{"1.1", "1.3", "2.5"}));
        clickItem(2); // a second click takes a choice back
        QCOMPARE(chosen(), (QStringList{"1.1", "2.5"}));

        // A click on the box itself toggles once, not twice; so does Space.
        const QRect r = m_operations->visualItemRect(m_operations->item(3));
        QTest::mouseClick(m_operations->viewport(), Qt::LeftButton, {},
                          QPoint(r.left() + r.height() / 2 + 2, r.center().y()));
        QCOMPARE(checkedRows(m_operations), (QList<int>{0, 3}));
        m_operations->setFocus();
        m_operations->setCurrentRow(4);
        QTest::keyClick(m_operations, Qt::Key_Space);
        QCOMPARE(chosen(), (QStringList{"1.1", "1.4", "1.5", "2.5"}));
        QTest::keyClick(m_operations, Qt::Key_Space);
        QCOMPARE(checkedRows(m_operations), (QList<int>{0, 3}));
    }

    void chooseAllAndNoneOnlyTouchTheShownService() {
        open();
        click(m_window.get(), "Command2_0");
        QCOMPARE(checkedRows(m_operations).size(), 6);
        showService(2);
        click(m_window.get(), "Command2_0");
        QCOMPARE(chosen().size(), 11);
        click(m_window.get(), "Command2_1");
        QVERIFY(checkedRows(m_operations).isEmpty());
        QCOMPARE(chosen(), (QStringList{"1.1", "1.2", "1.3", "1.4", "1.5", "1.6"}));
        showService(1);
        QCOMPARE(checkedRows(m_operations).size(), 6);

        // A service without operations: nothing to choose, no harm done.
        QVERIFY(Db->execute("INSERT INTO tblGeodetskaStoritev (TS1, GeodetskaStoritev) VALUES (7, "
                            "'Brez opravil')"));
        open();
        showService(7);
        QCOMPARE(m_operations->count(), 0);
        click(m_window.get(), "Command2_0");
        QVERIFY(chosen().isEmpty());
    }

    // Enter confirms as "Izbira je zaključena" does; the choices stay in the
    // table either way until the next opening.
    void pickerEndings_data() {
        QTest::addColumn<int>("ending");
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("Enter") << 1 << true;
        QTest::newRow("window button") << 2 << false;
        QTest::newRow("Escape") << 3 << false;
    }
    void pickerEndings() {
        QFETCH(int, ending);
        // Choices of an earlier opening and a stale confirmation are cleared.
        QVERIFY(setPicked(*Db, operationId(*Db, 2, 1), true));
        PickConfirmed = true;
        open();
        QVERIFY(!PickConfirmed);
        QVERIFY(chosen().isEmpty());
        clickItem(0);
        m_operations->setFocus();
        if (ending == 2)
            m_window->close();
        else
            QTest::keyClick(m_operations, ending == 1 ? Qt::Key_Return : Qt::Key_Escape);
        QTEST(PickConfirmed, "confirmed");
        QVERIFY(!m_window->isVisible());
        QCOMPARE(chosen(), QStringList{"1.1"});
    }
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
        // Typing goes on in the first new line's quantity.
        s.e->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.e));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(grid(s.e)));
        QCOMPARE(grid(s.e)->currentIndex(), grid(s.e)->listModel()->index(0, 3));
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
        // Typed in the cell, the text stays there to be corrected.
        BoundGrid* lines = grid(s.e);
        s.e->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.e));
        lines->setCurrentIndex(lines->listModel()->index(0, 3));
        QTest::keyClick(lines, Qt::Key_D);
        QTest::keyClicks(QApplication::focusWidget(), "va");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(s.watcher.seen.size(), 2);
        QCOMPARE(s.watcher.seen.last(),
                 Messages::NotANumber.title + '|' + Messages::NotANumber.text.arg("dva"));
        s.e->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.e));
        auto* typed = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QTRY_VERIFY(typed && lines->isAncestorOf(typed));
        QCOMPARE(typed->text(), QString("dva"));
        QCOMPARE(cell(s.e, 0, 3), QString("2"));
        QTest::keyClick(typed, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(typed, "3");
        QTest::keyClick(typed, Qt::Key_Return);
        QTRY_COMPARE(cell(s.e, 0, 3), QString("3"));
        QCOMPARE(s.watcher.seen.size(), 2);
        QVERIFY(typeCell(s.e, 0, 3, "2"));

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
        // Added among the lines there were: the new line is next.
        s.add({{2, 5}});
        QCOMPARE(cell(s.e, 2, 0), QString("2.5"));
        QCOMPARE(s.e->focusWidget(), static_cast<QWidget*>(grid(s.e)));
        QCOMPARE(grid(s.e)->currentIndex(), grid(s.e)->listModel()->index(2, 3));
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
