#include "TestSupport.h"
#include "data/BoundGrid.h"
#include "data/Recordset.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include <sqlite3.h>

using namespace valmir;

namespace {

// Counts the block reads of record sets: the statements that fetch the
// field values of rows by their row ids.
int fetches = 0;
int countFetches(unsigned, void*, void* stmt, void*) {
    if (QByteArray(sqlite3_sql(static_cast<sqlite3_stmt*>(stmt))).contains("WHERE rowid IN ("))
        ++fetches;
    return 0;
}

} // namespace

class TestBoundList : public test::FixtureTest {
    Q_OBJECT

    // A grid over the invoice list, newest number first, after adding
    // invoices 2009/00001 ... 2009/<count>; shown.
    void openList(BoundGrid& grid, int count) {
        QVERIFY(Db->execute(
            "INSERT INTO tblRacun (StevilkaRacuna, Ime, Veljavnost) WITH RECURSIVE n(x) AS "
            "(SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < ?) "
            "SELECT printf('2009/%05d', x), 'Kupec ' || x, 12 FROM n",
            {count}));
        grid.listModel()->setDatabase(Db.get());
        grid.listModel()->setColumns({{"Št. računa", "StevilkaRacuna", ""},
                                      {"Datum", "Datum", "General Date"},
                                      {"Plačan", "Placan", "Yes/No"},
                                      {"Naročnik", "Ime", ""},
                                      {"Veljavnost", "Veljavnost", ""},
                                      {"Vrednost točke", "VrednostTocke", "Currency"}});
        grid.listModel()->setRecordSource("SELECT * FROM tblRacun ORDER BY StevilkaRacuna DESC");
        QVERIFY2(grid.refresh(), qPrintable(grid.listModel()->lastError()));
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
    }

private Q_SLOTS:
    // The list shows the rows of its source in the query's order, each
    // column in its format; Null shows as nothing.
    void showsTheRowsOfItsSource() {
        test::addInvoice(*Db, {{"Datum", QDate(2009, 2, 1)},
                               {"Placan", true},
                               {"Veljavnost", 0.75},
                               {"VrednostTocke", 1234.5}});
        BoundGrid grid;
        openList(grid, 2);
        BoundListModel* m = grid.listModel();
        QStringList shown;
        for (int row = 0; row < m->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < m->columnCount(); ++column)
                cells << m->displayText(row, column);
            shown << cells.join(u'|');
        }
        QCOMPARE(shown, QStringList({"2009/00002|||Kupec 2|12|", "2009/00001|||Kupec 1|12|",
                                     "|1.2.2009|Da||0,75|1.234,50\u00A0€"}));

        m->setRecordSource("SELECT * FROM tblRacun ORDER BY Nothing");
        QVERIFY(!grid.refresh());
        QVERIFY(!m->lastError().isEmpty());
        QCOMPARE(grid.currentRow(), -1);
    }

    // Rows written through the record set show in the list at once; the
    // grid keeps the record set's current row, and after a delete its gap.
    void followsWritesThroughTheRecordset() {
        BoundGrid grid;
        openList(grid, 10);
        BoundListModel* m = grid.listModel();
        QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        Recordset* rs = grid.recordset();
        grid.moveToRow(3);
        QVERIFY(rs->addNew());
        rs->setField("StevilkaRacuna", "2009/00005a");
        QVERIFY(rs->update());
        QCOMPARE(grid.currentRow(), 3); // adding leaves the current row alone
        QVERIFY(grid.moveToLastModified());
        QCOMPARE(grid.currentIndex().row(), 10);
        QCOMPARE(m->displayText(10, 0), QString("2009/00005a"));
        QVERIFY(rs->setValueAt(2, "Ime", "Novo ime"));
        QCOMPARE(m->displayText(2, 3), QString("Novo ime"));

        grid.moveToRow(4); // 2009/00006
        QVERIFY(rs->deleteCurrent());
        // The view must not have moved the record set off the gap.
        rs->moveNext();
        QCOMPARE(rs->field("StevilkaRacuna").toString(), QString("2009/00005"));
        grid.syncFromRecordset();
        QCOMPARE(grid.currentIndex().row(), 4);
        grid.moveToRow(9); // the last row
        QVERIFY(rs->deleteCurrent());
        QCOMPARE(grid.currentIndex().row(), 8);
        QCOMPARE(m->rowCount(), 9);
    }

    void enterActivatesOnlyReadOnlyRows() {
        BoundGrid grid;
        openList(grid, 5);
        QSignalSpy activated(&grid, &BoundGrid::rowActivated);
        grid.moveToRow(2);
        QTest::keyClick(&grid, Qt::Key_Return);
        QCOMPARE(activated.count(), 1);
        QCOMPARE(activated.at(0).at(0).toInt(), 2);
        // Editable cells take Enter for typing instead.
        grid.listModel()->setEditable([](int, int column) { return column == 3; });
        grid.setCurrentIndex(grid.listModel()->index(1, 3));
        QTest::keyClick(&grid, Qt::Key_Return);
        QCOMPARE(activated.count(), 1);
    }

    // A number field takes what reads as a number, or blank text for Null,
    // typed into a cell or written through the record set; other text is
    // refused (in the grid with a message) and the field keeps its value. A
    // text field keeps the text.
    void typedValues_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("refused");
        // clang-format off
        QTest::newRow("grouped with comma") << 4 << "1.234,50" << QVariant(1234.5) << false;
        QTest::newRow("blank") << 4 << " " << QVariant() << false;
        QTest::newRow("trailing words") << 4 << "30 abc" << QVariant(12.0) << true;
        QTest::newRow("text field") << 3 << "1,5" << QVariant("1,5") << false;
        // clang-format on
    }
    void typedValues() {
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QVariant, stored);
        QFETCH(bool, refused);
        BoundGrid grid;
        openList(grid, 2);
        test::ModalWatcher watcher;
        BoundListModel* m = grid.listModel();
        m->setEditable([](int, int) { return true; });
        QCOMPARE(m->setData(m->index(0, column), typed, Qt::EditRole), !refused);
        const QString field = m->columns().at(column).field;
        QCOMPARE(grid.recordset()->setValueAt(1, field, typed), !refused);
        for (int row : {0, 1})
            QCOMPARE(grid.recordset()->value(row, field), stored);
        QCOMPARE(
            Db->scalar("SELECT count(*) FROM tblRacun WHERE " + field + " IS ?", {stored}).toInt(),
            2);
        QCoreApplication::processEvents(); // the box waits for the editor to close
        QCOMPARE(watcher.seen,
                 refused ? QStringList("Napačen vnos|»" + typed.trimmed() +
                                       "« ni število. Vpišite število, na primer 1234,50.")
                         : QStringList());
    }

    void largeListReadsOnlyTheRowsItShows() {
        sqlite3_trace_v2(Db->handle(), SQLITE_TRACE_STMT, countFetches, nullptr);
        fetches = 0;
        BoundGrid grid;
        grid.resize(700, 500);
        openList(grid, 3000);
        QCOMPARE(grid.listModel()->displayText(0, 0), QString("2009/03000"));
        // A block holds 128 rows; reading every row would take 24 blocks.
        QVERIFY2(fetches <= 3, qPrintable(QString::number(fetches)));
        grid.moveToRow(2999);
        QCoreApplication::processEvents();
        QCOMPARE(grid.recordset()->field("StevilkaRacuna").toString(), QString("2009/00001"));
        QVERIFY2(fetches <= 6, qPrintable(QString::number(fetches)));
    }
};

QTEST_MAIN(TestBoundList)
#include "tst_boundlist.moc"
