#include "app/ListSort.h"

#include <QtTest>

using namespace valmir;

class TestListSort : public QObject {
    Q_OBJECT

    const QStringList fields{"StevilkaRacuna", "Datum", "Placan"};
    const QStringList plain{"Št. računa", "Datum", "Plačan"};

    ListSort invoiceSort() const { return ListSort("SELECT * FROM tblRacun ", fields, 0, false); }

private Q_SLOTS:
    void startsDescendingByFirstColumn() {
        ListSort sort = invoiceSort();
        QCOMPARE(sort.recordSource(), QString("SELECT * FROM tblRacun  ORDER BY StevilkaRacuna DESC"));
        QCOMPARE(sort.sortAscending(), false);
        QCOMPARE(sort.markedCaptions(plain),
                 (QStringList{">> Št. računa", "Datum", "Plačan"}));
    }

    void clickingTheSortColumnTogglesDirection() {
        ListSort sort = invoiceSort();
        QStringList captions = sort.markedCaptions(plain);
        QVERIFY(sort.click(0, captions));
        QCOMPARE(captions, (QStringList{"<< Št. računa", "Datum", "Plačan"}));
        QCOMPARE(sort.recordSource(), QString("SELECT * FROM tblRacun  ORDER BY StevilkaRacuna ASC"));
        QVERIFY(sort.click(0, captions));
        QCOMPARE(captions, (QStringList{">> Št. računa", "Datum", "Plačan"}));
        QCOMPARE(sort.sortDirection(), QString(" DESC"));
        QCOMPARE(sort.sortColumn(), 0);
    }

    void anotherColumnStartsAscendingAndTakesTheMark() {
        ListSort sort = invoiceSort();
        QStringList captions = sort.markedCaptions(plain);
        QVERIFY(sort.click(2, captions));
        QCOMPARE(captions, (QStringList{"Št. računa", "Datum", "<< Plačan"}));
        QCOMPARE(sort.listOrder(), QString(" ORDER BY Placan"));
        QCOMPARE(sort.recordSource(), QString("SELECT * FROM tblRacun  ORDER BY Placan ASC"));
        // Back to a column that was sorted descending before: ascending again.
        QVERIFY(sort.click(0, captions));
        QCOMPARE(captions, (QStringList{"<< Št. računa", "Datum", "Plačan"}));
        QCOMPARE(sort.sortAscending(), true);
    }

    void unmarkedCaptionIsNotCut() {
        // A caption without a mark (set anew by somebody else) keeps its text.
        ListSort sort = invoiceSort();
        QStringList captions = plain;
        QVERIFY(sort.click(1, captions));
        QCOMPARE(captions, (QStringList{"Št. računa", "<< Datum", "Plačan"}));
    }

    void columnsOutsideTheListChangeNothing() {
        ListSort sort = invoiceSort();
        QStringList captions = sort.markedCaptions(plain);
        QVERIFY(!sort.click(-1, captions));
        QVERIFY(!sort.click(3, captions));
        QCOMPARE(captions, sort.markedCaptions(plain));
        QCOMPARE(sort.recordSource(), invoiceSort().recordSource());
    }
};

QTEST_MAIN(TestListSort)
#include "tst_listsort.moc"
