#include "TestSupport.h"
#include "data/BoundGrid.h"
#include "data/Recordset.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include <sqlite3.h>

using namespace valmir;

namespace {

const QString ListSource = "SELECT * FROM tblRacun  ORDER BY StevilkaRacuna DESC";

// Counts the block reads of record sets (the statements that fetch the
// field values of rows by their row ids) on a database.
class FetchCounter {
public:
    explicit FetchCounter(Database& db) : m_db(db) {
        sqlite3_trace_v2(m_db.handle(), SQLITE_TRACE_STMT, &FetchCounter::trace, this);
    }
    ~FetchCounter() { sqlite3_trace_v2(m_db.handle(), 0, nullptr, nullptr); }
    int fetches() const { return m_fetches; }

private:
    static int trace(unsigned, void* self, void* stmt, void*) {
        const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(stmt));
        if (sql && QByteArray(sql).contains("WHERE rowid IN ("))
            ++static_cast<FetchCounter*>(self)->m_fetches;
        return 0;
    }
    Database& m_db;
    int m_fetches = 0;
};

void addInvoices(int count) {
    QVERIFY(
        Db->execute("INSERT INTO tblRacun (StevilkaRacuna, Ime, Placan) "
                    "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < ?) "
                    "SELECT printf('2009/%05d', x), 'Kupec ' || x, x % 2 FROM n",
                    {count}));
}

QList<BoundColumn> invoiceColumns() {
    return {{"Št. računa", "StevilkaRacuna", ""},
            {"Datum", "Datum", "General Date"},
            {"Plačan", "Placan", "Yes/No"},
            {"Naročnik", "Ime", ""},
            {"Veljavnost", "Veljavnost", ""}};
}

} // namespace

class TestBoundList : public test::FixtureTest {
    Q_OBJECT

    void openGrid(BoundGrid& grid, const QString& source) {
        grid.listModel()->setDatabase(Db.get());
        grid.listModel()->setColumns(invoiceColumns());
        grid.listModel()->setRecordSource(source);
        QVERIFY2(grid.refresh(), qPrintable(grid.listModel()->lastError()));
    }

private Q_SLOTS:
    void formatsValues_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::newRow("currency") << QVariant(1234.5) << "Currency"
                                  << "1.234,50\u00A0€";
        QTest::newRow("currency Null") << QVariant() << "Currency"
                                       << "";
        QTest::newRow("yes") << QVariant(true) << "Yes/No"
                             << "Da";
        QTest::newRow("no") << QVariant(false) << "Yes/No"
                            << "Ne";
        QTest::newRow("yes as number") << QVariant(1.0) << "Yes/No"
                                       << "Da";
        QTest::newRow("bool without format") << QVariant(false) << ""
                                             << "Ne";
        QTest::newRow("date") << QVariant(QDate(2009, 12, 5)) << "General Date"
                              << "5.12.2009";
        QTest::newRow("decimal") << QVariant(0.75) << ""
                                 << "0,75";
        QTest::newRow("integer") << QVariant(qlonglong(1234)) << ""
                                 << "1234";
        QTest::newRow("text with quote") << QVariant("2009/0'1") << ""
                                         << "2009/0'1";
    }
    void formatsValues() {
        QFETCH(QVariant, value);
        QFETCH(QString, format);
        QFETCH(QString, text);
        QCOMPARE(BoundListModel::formatValue(value, format), text);
    }

    void showsStoredRowsInTheirFormats() {
        qint64 id = test::addInvoice(*Db, {{"StevilkaRacuna", "2009/001"},
                                           {"Datum", QDate(2009, 2, 1)},
                                           {"Placan", true},
                                           {"Veljavnost", 30.5}});
        test::addLine(*Db, id, -1, QVariant(), QVariant(), QVariant(), -1234.5);
        test::addInvoice(*Db, {{"StevilkaRacuna", "2009/002"}});
        BoundGrid grid;
        openGrid(grid, ListSource);
        BoundListModel* m = grid.listModel();
        QCOMPARE(m->rowCount(), 2);
        QCOMPARE(m->displayText(0, 0), QString("2009/002"));
        QCOMPARE(m->displayText(0, 1), QString()); // Null date
        QCOMPARE(m->displayText(0, 2), QString()); // Null Yes/No
        QCOMPARE(m->displayText(1, 1), QString("1.2.2009"));
        QCOMPARE(m->displayText(1, 2), QString("Da"));
        QCOMPARE(m->displayText(1, 4), QString("30,5"));
        QCOMPARE(m->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Datum"));

        m->setColumns({{"Znesek", "znesek", "Currency"}});
        m->setRecordSource("tblRacunTarife");
        QVERIFY(m->refresh());
        QCOMPARE(m->displayText(0, 0), QString("-1.234,50\u00A0€"));
    }

    void aBadRecordSourceGivesAnEmptyListAndTheError() {
        BoundGrid grid;
        grid.listModel()->setDatabase(Db.get());
        grid.listModel()->setColumns(invoiceColumns());
        grid.listModel()->setRecordSource("SELECT * FROM tblRacun ORDER BY Nothing");
        QVERIFY(!grid.refresh());
        QCOMPARE(grid.listModel()->rowCount(), 0);
        QVERIFY(!grid.listModel()->lastError().isEmpty());
        QCOMPARE(grid.currentRow(), -1);
    }

    void movesToTheRowWrittenLast() {
        addInvoices(10);
        BoundGrid grid;
        openGrid(grid, ListSource);
        QAbstractItemModelTester tester(grid.listModel(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        grid.moveToRow(3);
        Recordset* rs = grid.recordset();
        QVERIFY(rs->addNew());
        rs->setField("StevilkaRacuna", "2009/00005a");
        QVERIFY(rs->update());
        QCOMPARE(grid.listModel()->rowCount(), 11);
        QCOMPARE(grid.currentRow(), 3); // adding leaves the current row alone
        QVERIFY(grid.moveToLastModified());
        QCOMPARE(grid.currentRow(), 10);
        QCOMPARE(grid.currentIndex().row(), 10);
        QCOMPARE(rs->field("StevilkaRacuna").toString(), QString("2009/00005a"));
        QCOMPARE(grid.listModel()->displayText(10, 0), QString("2009/00005a"));

        // Editing a row keeps it where it is and shows the new value.
        grid.moveToRow(2);
        QVERIFY(rs->edit());
        rs->setField("Ime", "Novo ime");
        QVERIFY(rs->update());
        QVERIFY(grid.moveToLastModified());
        QCOMPARE(grid.currentRow(), 2);
        QCOMPARE(grid.listModel()->displayText(2, 3), QString("Novo ime"));
    }

    void deletingThroughTheRecordsetKeepsListAndPosition() {
        addInvoices(10);
        BoundGrid grid;
        openGrid(grid, ListSource);
        grid.resize(600, 400);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QAbstractItemModelTester tester(grid.listModel(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        Recordset* rs = grid.recordset();
        grid.moveToRow(4); // 2009/00006
        QVERIFY(rs->deleteCurrent());
        // The view must not have moved the record set off the gap.
        rs->moveNext();
        QCOMPARE(rs->field("StevilkaRacuna").toString(), QString("2009/00005"));
        grid.syncFromRecordset();
        QCOMPARE(grid.currentIndex().row(), 4);
        QCOMPARE(grid.listModel()->rowCount(), 9);

        grid.moveToRow(8); // the last row
        QVERIFY(rs->deleteCurrent());
        QCOMPARE(grid.currentIndex().row(), 7);
        QCOMPARE(grid.listModel()->displayText(7, 0), QString("2009/00002"));
    }

    void enterActivatesOnlyReadOnlyRows() {
        addInvoices(5);
        BoundGrid grid;
        openGrid(grid, ListSource);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QSignalSpy activated(&grid, &BoundGrid::rowActivated);
        grid.moveToRow(2);
        QTest::keyClick(&grid, Qt::Key_Return);
        QCOMPARE(activated.count(), 1);
        QCOMPARE(activated.at(0).at(0).toInt(), 2);
        // Double-clicks are driven through the main window's tests.
        // Editable cells take Enter for typing instead.
        grid.listModel()->setEditable([](int, int column) { return column == 3; });
        grid.setCurrentIndex(grid.listModel()->index(1, 3));
        QTest::keyClick(&grid, Qt::Key_Return);
        QCOMPARE(activated.count(), 1);
    }

    void largeListReadsOnlyTheRowsItShows() {
        addInvoices(20000);
        FetchCounter counter(*Db);
        BoundGrid grid;
        openGrid(grid, ListSource);
        grid.resize(700, 500);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QCOMPARE(grid.listModel()->rowCount(), 20000);
        QCOMPARE(grid.listModel()->displayText(0, 0), QString("2009/20000"));
        // A block holds 128 rows; reading every row would take 157 blocks.
        QVERIFY2(counter.fetches() <= 3, qPrintable(QString::number(counter.fetches())));
        grid.moveToRow(19999);
        QCoreApplication::processEvents();
        QCOMPARE(grid.recordset()->field("StevilkaRacuna").toString(), QString("2009/00001"));
        QVERIFY2(counter.fetches() <= 6, qPrintable(QString::number(counter.fetches())));
    }
};

QTEST_MAIN(TestBoundList)
#include "tst_boundlist.moc"
