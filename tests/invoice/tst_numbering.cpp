#include "invoice/Numbering.h"

#include <QtTest>

using namespace valmir;

class TestNumbering : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void proposedNumber_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<double>("counter");
        QTest::addColumn<QString>("number");
        QTest::newRow("three digits") << 2009 << 7.0 << "2009/007";
        QTest::newRow("zero") << 2009 << 0.0 << "2009/000";
        QTest::newRow("exactly three") << 2010 << 123.0 << "2010/123";
        QTest::newRow("more than three") << 2009 << 1234.0 << "2009/1234";
        QTest::newRow("fraction rounds") << 2009 << 7.6 << "2009/008";
        QTest::newRow("negative keeps its sign") << 2009 << -5.0 << "2009/-005";
    }
    void proposedNumber() {
        QFETCH(int, year);
        QFETCH(double, counter);
        QFETCH(QString, number);
        QCOMPARE(proposeNumber(year, counter), number);
    }

    void counterAfterSaving_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("moves");
        QTest::addColumn<double>("next");
        QTest::newRow("2009/7") << "2009/7" << true << 8.0;
        QTest::newRow("2009/050") << "2009/050" << true << 51.0;
        QTest::newRow("trailing text") << "2009/12a" << true << 13.0;
        QTest::newRow("first slash counts") << "2009/5/3" << true << 6.0;
        QTest::newRow("nothing after the slash") << "2009/" << true << 1.0;
        QTest::newRow("no slash") << "ABC" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
    }
    void counterAfterSaving() {
        QFETCH(QString, number);
        QFETCH(bool, moves);
        QFETCH(double, next);
        std::optional<double> counter = nextCounter(number);
        QCOMPARE(counter.has_value(), moves);
        if (moves)
            QCOMPARE(*counter, next);
    }

    void proposalAndCounterAgree() {
        // The number proposed for a counter moves the counter one further.
        for (double c : {0.0, 7.0, 99.0, 999.0, 1000.0, 25000.0})
            QCOMPARE(nextCounter(proposeNumber(2009, c)).value(), c + 1);
    }
};

QTEST_GUILESS_MAIN(TestNumbering)
#include "tst_numbering.moc"
