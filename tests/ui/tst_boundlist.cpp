#include "TestSupport.h"

#include "app/Glavna.h"
#include "windows/I_poste.h"
#include "windows/S_grupe.h"
#include "windows/S_postavke.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>

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
        QVERIFY(test::addNumberedInvoices(*Db, count, [](int x) {
            return QVariantMap{{"Ime", QStringLiteral("Kupec %1").arg(x)}, {"Veljavnost", 12}};
        }));
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

    // The order (by field) and widths of a grid's columns as shown.
    static QStringList shownColumns(BoundGrid* grid) {
        QHeaderView* header = grid->horizontalHeader();
        QStringList shown;
        for (int visual = 0; visual < header->count(); ++visual) {
            const int logical = header->logicalIndex(visual);
            shown << grid->listModel()->columns().at(logical).field + u'=' +
                         QString::number(header->sectionSize(logical));
        }
        return shown;
    }

private Q_SLOTS:
    // Columns moved and resized in a list window come back so when the
    // window is built again; "Privzeti stolpci" in the header's menu gives
    // the window's own columns again, then and at the next start.
    void columnsStayWhereTheyArePut_data() {
        QTest::addColumn<int>("window");
        QTest::newRow("main list") << 0;
        QTest::newRow("services") << 1;
        QTest::newRow("operations") << 2;
        QTest::newRow("post offices") << 3;
    }
    void columnsStayWhereTheyArePut() {
        QFETCH(int, window);
        QLineEdit postcode;
        auto build = [&]() -> std::unique_ptr<QWidget> {
            switch (window) {
            case 0:
                return std::make_unique<Glavna>(appContext());
            case 1:
                return std::make_unique<S_grupe>(appContext());
            case 2:
                return std::make_unique<S_postavke>(appContext());
            default:
                return std::make_unique<I_poste>(appContext(), &postcode);
            }
        };
        auto shownGrid = [](QWidget* w) {
            w->show();
            QList<BoundGrid*> grids = w->findChildren<BoundGrid*>();
            return grids.size() == 1 ? grids.first() : nullptr;
        };
        auto w = build();
        BoundGrid* grid = shownGrid(w.get());
        QVERIFY(grid);
        const QStringList defaults = shownColumns(grid);
        QHeaderView* header = grid->horizontalHeader();
        QVERIFY(header->sectionsMovable());
        header->moveSection(header->count() - 1, 0);
        header->resizeSection(header->logicalIndex(1), 137);
        const QStringList moved = shownColumns(grid);
        QVERIFY(moved != defaults);

        w = build();
        grid = shownGrid(w.get());
        QCOMPARE(shownColumns(grid), moved);

        bool offered = false;
        QTimer::singleShot(0, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QAction* reset = menu ? menu->findChild<QAction*>("privzetiStolpci") : nullptr;
            offered = reset && reset->text() == "Privzeti stolpci";
            if (reset)
                reset->trigger();
            if (menu)
                menu->close();
        });
        header = grid->horizontalHeader();
        emit header->customContextMenuRequested(QPoint(5, 5));
        QVERIFY(offered);
        QCOMPARE(shownColumns(grid), defaults);
        w = build();
        QCOMPARE(shownColumns(shownGrid(w.get())), defaults);
    }

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
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacun WHERE " + field +
                                (stored.isNull() ? " IS NULL" : " = ?"),
                            stored.isNull() ? QVariantList{} : QVariantList{stored})
                     .toInt(),
                 2);
        QCoreApplication::processEvents(); // the box waits for the editor to close
        QCOMPARE(watcher.seen,
                 refused ? QStringList("Napačen vnos|»" + typed.trimmed() +
                                       "« ni število. Vpišite število, na primer 1234,50.")
                         : QStringList());
    }

    // A list longer than the first slice of rows, acted on before any more
    // were read: the row it then stands on and the rows it has, at once and
    // after the rest was read on the event loop, which must not move it.
    void actsOnAListStillBeingRead_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("number");
        // -1: not all yet; 0: those up to the current row, as many more as
        // the reading's pace gives
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("all");
        // clang-format off
        QTest::newRow("first screen") << "" << 0 << "2009/03000" << -1 << 3000;
        QTest::newRow("to a row not read") << "row 2000" << 2000 << "2009/01000" << 0 << 3000;
        QTest::newRow("next after the rows read") << "next" << 128 << "2009/02872" << 0 << 3000;
        QTest::newRow("Ctrl+End") << "end" << 2999 << "2009/00001" << 3000 << 3000;
        QTest::newRow("delete") << "delete" << 5 << "2009/02994" << 2999 << 2999;
        QTest::newRow("to the written row") << "write" << 3000 << "2009/99999" << 3001 << 3001;
        QTest::newRow("held while a filter is typed") << "hold" << 0 << "2009/03000" << -1 << 3000;
        QTest::newRow("sorted the other way") << "ascending" << 0 << "2009/00001" << -1 << 3000;
        // clang-format on
    }
    void actsOnAListStillBeingRead() {
        QFETCH(QString, action);
        QFETCH(int, row);
        QFETCH(int, rows);
        QFETCH(int, all);
        BoundGrid grid;
        grid.resize(700, 400);
        openList(grid, 3000);
        BoundListModel* m = grid.listModel();
        QAbstractItemModelTester tester(m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        // Shown, the list has read all; read anew, it has its first slice.
        if (action == "ascending")
            m->setRecordSource("SELECT * FROM tblRacun ORDER BY StevilkaRacuna ASC");
        QVERIFY(grid.refresh());
        Recordset* rs = grid.recordset();
        QVERIFY(!rs->allRowsRead());
        if (action == "row 2000") {
            grid.moveToRow(2000);
        } else if (action == "next") {
            grid.moveToRow(m->rowCount() - 1);
            rs->moveNext();
            grid.syncFromRecordset();
        } else if (action == "end") {
            grid.setFocus();
            QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
        } else if (action == "delete") {
            grid.moveToRow(5);
            QVERIFY(rs->deleteCurrent());
            rs->moveAfterDelete();
            grid.syncFromRecordset();
        } else if (action == "write") {
            grid.moveToRow(3);
            QVERIFY(rs->addNew());
            rs->setField("StevilkaRacuna", "2009/99999");
            QVERIFY(rs->update());
            QVERIFY(grid.moveToLastModified());
        }
        auto standsOn = [&] {
            QCOMPARE(grid.currentIndex().row(), row);
            QCOMPARE(grid.currentRow(), row);
            QTEST(rs->field("StevilkaRacuna").toString(), "number");
        };
        if (action == "hold") {
            m->holdReading();
            QTest::qWait(100);
            QVERIFY(!rs->allRowsRead());
            QVERIFY(grid.refresh()); // read anew, it reads on
            rs = grid.recordset();
        }
        standsOn();
        if (rows < 0)
            QVERIFY(m->rowCount() < all);
        else if (rows == 0)
            QVERIFY(m->rowCount() > row);
        else
            QCOMPARE(m->rowCount(), rows);
        QTRY_VERIFY(rs->allRowsRead());
        standsOn();
        QCOMPARE(m->rowCount(), all);
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacun").toInt(), all);
        // Once the view has laid out the rows, its scroll bar reaches the last.
        QTRY_VERIFY([&] {
            grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
            return grid.viewport()->rect().contains(grid.visualRect(m->index(all - 1, 0)));
        }());
    }

    // Slices go on where the one before ended: together they hold every row
    // of the query once, in the query's order, ties by row id, Nulls first
    // (ascending) or last (descending), also under a condition of the query.
    void readsInSlicesInTheQueryOrder_data() {
        QTest::addColumn<QString>("source");
        QTest::newRow("ties, ascending") << "ORDER BY Placan ASC";
        QTest::newRow("ties, descending") << "ORDER BY Placan DESC";
        QTest::newRow("Nulls first") << "ORDER BY Datum";
        QTest::newRow("Nulls last") << "ORDER BY Datum DESC";
        QTest::newRow("text, case not counting") << "ORDER BY Ime ASC";
        QTest::newRow("under a condition") << "WHERE Veljavnost < ? ORDER BY Ime DESC";
    }
    void readsInSlicesInTheQueryOrder() {
        QFETCH(QString, source);
        QVERIFY(test::addNumberedInvoices(*Db, 4000, [](int x) {
            const bool dated = x >= 2000 && x % 2 == 1;
            return QVariantMap{
                {"Ime", QStringLiteral("%1 %2").arg(x % 3 ? "Kupec" : "kupec").arg(x % 5)},
                {"Placan", x % 2 == 1},
                {"Datum", dated ? QVariant(QDate(2009, 1, 1).addDays(x % 40)) : QVariant()},
                {"Veljavnost", x % 4}};
        }));
        const QVariantList params = source.contains('?') ? QVariantList{3} : QVariantList{};
        auto rs =
            Db->openRecordset("SELECT * FROM tblRacun " + source, RecordsetKind::Dynaset, params);
        QVERIFY(rs);
        QVERIFY(!rs->allRowsRead());
        while (!rs->allRowsRead())
            QVERIFY(rs->readMoreRows());
        QList<qint64> read;
        for (int p = 0; p < rs->rowsRead(); ++p)
            read << rs->bookmarkAt(p);
        const QString dir = source.endsWith("DESC") ? " DESC" : " ASC";
        auto all = Db->openRecordset("SELECT rowid AS k FROM tblRacun " + source + ", rowid" + dir,
                                     RecordsetKind::Snapshot, params);
        QList<qint64> expected;
        for (all->moveFirst(); !all->eof(); all->moveNext())
            expected << all->field("k").toLongLong();
        QCOMPARE(read, expected);
    }

    void largeListReadsOnlyTheRowsItShows() {
        if (Db->onServer())
            QSKIP("counts the steps of the file's engine");
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
