#include "app/Module1.h"
#include "text/TextForms.h"

#include <QtTest>

using namespace valmir;

class TestModule1 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void amountText() {
        QCOMPARE(AmountText(QVariant()), QString());
        QCOMPARE(AmountText(0.0), QString());
        QCOMPARE(AmountText(0.004), QString("0,00"));
        QCOMPARE(AmountText(1234.5), QString("1.234,50"));
        QCOMPARE(AmountText(qlonglong(7)), QString("7,00"));
        QCOMPARE(AmountText(-0.13), QString("-0,13"));
        QCOMPARE(AmountText(-1234567.891), QString("-1.234.567,89"));
        QCOMPARE(AmountText(QString("12,5")), QString("12,50"));
    }

    void roundCents_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("cents");
        QTest::newRow("2.345") << 2.345 << 2.35;
        QTest::newRow("2.344") << 2.344 << 2.34;
        QTest::newRow("0.125") << 0.125 << 0.13;
        QTest::newRow("-0.125") << -0.125 << -0.12;
        QTest::newRow("1.005 lies below the half") << 1.005 << 1.0;
        QTest::newRow("-2.5") << -2.5 << -2.5;
        QTest::newRow("big") << 123456.785 << 123456.79;
    }
    void roundCents() {
        QFETCH(double, x);
        QFETCH(double, cents);
        QCOMPARE(RoundCents(x), cents);
    }

    void numbersOrNullOrZero() {
        QVERIFY(NumberOrNull(QVariant()).isNull());
        QVERIFY(NumberOrNull(0.0).isNull());
        QVERIFY(NumberOrNull(qlonglong(0)).isNull());
        QVERIFY(NumberOrNull(QString("0,0")).isNull());
        QVERIFY(NumberOrNull(QString("abc")).isNull());
        QCOMPARE(NumberOrNull(QString("2,5")), QVariant(2.5));
        QCOMPARE(NumberOrNull(qlonglong(3)), QVariant(3.0));
        QCOMPARE(NumberOrNull(-1.5), QVariant(-1.5));

        QCOMPARE(NumberOrZero(QVariant()), 0.0);
        QCOMPARE(NumberOrZero(QString("x")), 0.0);
        QCOMPARE(NumberOrZero(QString(" 0.75 ")), 0.75);
        QCOMPARE(NumberOrZero(QString("1.234")), 1.234);
        QCOMPARE(NumberOrZero(qlonglong(12)), 12.0);

        QCOMPARE(NullToZero(QVariant()), QVariant(0));
        QCOMPARE(NullToZero(QString("a")), QVariant("a"));
        QCOMPARE(NullToZero(2.5), QVariant(2.5));
    }

    void textOfValues() {
        QCOMPARE(NullTrim(QVariant()), QString());
        QCOMPARE(NullTrim(QString("  Kos  ")), QString("Kos"));
        QCOMPARE(NullTrim(0.75), QString("0,75"));

        QCOMPARE(NullToStr(QVariant()), QString());
        QCOMPARE(NullToStr(1234.5), QString(" 1234.5"));
        QCOMPARE(NullToStr(0.5), QString(" .5"));
        QCOMPARE(NullToStr(-0.5), QString("-.5"));
        QCOMPARE(NullToStr(qlonglong(-7)), QString("-7"));
        QCOMPARE(NullToStr(qlonglong(0)), QString(" 0"));
        QCOMPARE(NullToStr(QString(" as is ")), QString(" as is "));

        // The invoice date goes out and comes back as the same day.
        for (const QDate& d : {QDate(2009, 12, 5), QDate(2010, 1, 31), QDate(1999, 10, 10)}) {
            const QString text = NullToStr(d);
            QCOMPARE(text, QString("%1.%2.%3").arg(d.day()).arg(d.month()).arg(d.year()));
            QCOMPARE(readDate(text), std::optional<QDate>(d));
        }
    }
};

QTEST_GUILESS_MAIN(TestModule1)
#include "tst_module1.moc"
