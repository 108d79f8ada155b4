#include "invoice/Numbering.h"

#include <QtTest>

using namespace valmir;

class TestNumbering : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void proposedNumber_data() {
        QTest::addColumn<double>("counter");
        QTest::addColumn<QString>("number");
        QTest::newRow("three digits") << 7.0 << "2009/007";
        QTest::newRow("more than three") << 1234.0 << "2009/1234";
        QTest::newRow("fraction rounds") << 7.6 << "2009/008";
        QTest::newRow("negative keeps its sign") << -5.0 << "2009/-005";
    }
    // Saving the proposed number moves the counter one further.
    void proposedNumber() {
        QFETCH(double, counter);
        QTEST(proposeNumber(2009, counter), "number");
        QCOMPARE(nextCounter(proposeNumber(2009, counter)), std::optional(qRound(counter) + 1.0));
    }

    void counterAfterSaving_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QVariant>("next"); // Null: the counter stays
        QTest::newRow("trailing text") << "2009/12a" << QVariant(13.0);
        QTest::newRow("first slash counts") << "2009/5/3" << QVariant(6.0);
        QTest::newRow("nothing after the slash") << "2009/" << QVariant(1.0);
        QTest::newRow("no slash") << "ABC" << QVariant();
        QTest::newRow("empty") << "" << QVariant();
    }
    void counterAfterSaving() {
        QFETCH(QString, number);
        const std::optional<double> counter = nextCounter(number);
        QTEST(counter ? QVariant(*counter) : QVariant(), "next");
    }
};

QTEST_GUILESS_MAIN(TestNumbering)
#include "tst_numbering.moc"
