#include "invoice/Numbering.h"

#include <QtTest>

using namespace valmir;

class TestNumbering : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void proposedNumber_data() {
        QTest::addColumn<double>("counter");
        QTest::addColumn<QString>("number");
        // clang-format off
        QTest::newRow("three digits") << 7.0 << "2009/007";
        QTest::newRow("more than three") << 1234.0 << "2009/1234";
        QTest::newRow("fraction rounds") << 7.6 << "2009/008";
        QTest::newRow("negative keeps its sign") << -5.0 << "2009/-005";
        // clang-format on
    }
    void proposedNumber() {
        QFETCH(double, counter);
        QTEST(proposeNumber(2009, counter), "number");
    }

    void counterAfterSaving_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QVariant>("next"); // Null: the counter stays
        // clang-format off
        QTest::newRow("2009/050") << "2009/050" << QVariant(51.0);
        QTest::newRow("trailing text") << "2009/12a" << QVariant(13.0);
        QTest::newRow("first slash counts") << "2009/5/3" << QVariant(6.0);
        QTest::newRow("nothing after the slash") << "2009/" << QVariant(1.0);
        QTest::newRow("no slash") << "ABC" << QVariant();
        QTest::newRow("empty") << "" << QVariant();
        // clang-format on
    }
    void counterAfterSaving() {
        QFETCH(QString, number);
        const std::optional<double> counter = nextCounter(number);
        QTEST(counter ? QVariant(*counter) : QVariant(), "next");
    }

    void proposalAndCounterAgree() {
        // The number proposed for a counter moves the counter one further.
        for (double c : {0.0, 7.0, 99.0, 999.0, 1000.0, 25000.0})
            QCOMPARE(nextCounter(proposeNumber(2009, c)).value(), c + 1);
    }
};

QTEST_GUILESS_MAIN(TestNumbering)
#include "tst_numbering.moc"
