#include "app/Module1.h"

#include <QtTest>

using namespace valmir;

class TestModule1 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void amountText() {
        QCOMPARE(AmountText(QVariant()), QString());
        QCOMPARE(AmountText(0.0), QString());
        // Cut before the no-break space in front of "€".
        QCOMPARE(AmountText(1234.5), QString("1.234,50"));
        QCOMPARE(AmountText(-0.13), QString("-0,13"));
        QCOMPARE(AmountText(qlonglong(7)), QString("7,00"));
        QCOMPARE(AmountText(QString("12,5")), QString("12,50"));
    }

    void roundCents() {
        // Double arithmetic: 1.005 lies just below the half.
        const std::pair<double, double> cases[] = {
            {2.345, 2.35}, {2.344, 2.34}, {0.125, 0.13},          {-0.125, -0.12},
            {1.005, 1.0},  {-2.5, -2.5},  {123456.785, 123456.79}};
        for (auto [x, cents] : cases)
            QCOMPARE(RoundCents(x), cents);
    }

    void numbersOrNullOrZero() {
        for (const QVariant& v : {QVariant(), QVariant(0.0), QVariant("0,0"), QVariant("abc")})
            QVERIFY(NumberOrNull(v).isNull());
        QCOMPARE(NumberOrNull(QString("2,5")), QVariant(2.5));
        QCOMPARE(NumberOrNull(qlonglong(3)), QVariant(3.0));
        QCOMPARE(NumberOrZero(QString("x")), 0.0);
        QCOMPARE(NullToZero(QVariant()), QVariant(0));
        QCOMPARE(NullToZero(QString("a")), QVariant("a"));
    }

    void textOfValues() {
        QCOMPARE(NullTrim(QVariant()), QString());
        QCOMPARE(NullTrim(QString("  Kos  ")), QString("Kos"));
        QCOMPARE(NullTrim(0.75), QString("0,75"));
        QCOMPARE(NullToStr(QVariant()), QString());
        QCOMPARE(NullToStr(1234.5), QString(" 1234.5"));
        QCOMPARE(NullToStr(QString(" as is ")), QString(" as is "));
        QCOMPARE(NullToStr(QDate(2009, 12, 5)), QString("5.12.2009"));
    }
};

QTEST_GUILESS_MAIN(TestModule1)
#include "tst_module1.moc"
