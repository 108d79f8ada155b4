#include "text/TextForms.h"

#include <QtTest>

using namespace valmir;

class TestReaders : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void typedNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("point") << "0.75" << true << 0.75;
        QTest::newRow("comma") << "0,75" << true << 0.75;
        QTest::newRow("blanks") << "  12 " << true << 12.0;
        QTest::newRow("minus") << "-2,5" << true << -2.5;
        QTest::newRow("no leading zero") << ",5" << true << 0.5;
        // "." is a decimal point, never grouping: 1.234 is not 1234.
        QTest::newRow("point is no grouping") << "1.234" << true << 1.234;
        // The program's own forms read back: grouping before the decimal
        // comma, several groups, the locale's minus, the euro sign.
        QTest::newRow("grouping with decimals") << "1.234,5" << true << 1234.5;
        QTest::newRow("several groups") << "1.234.567" << true << 1234567.0;
        QTest::newRow("money") << QString("\u22121.234,50\u00a0€") << true << -1234.5;
        QTest::newRow("typed euro") << "30 €" << true << 30.0;
        QTest::newRow("bad groups") << "12.34.56" << false << 0.0;
        QTest::newRow("groups after comma") << "1,234.5" << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blank") << "   " << false << 0.0;
        QTest::newRow("sign only") << "-" << false << 0.0;
        QTest::newRow("letters") << "12a" << false << 0.0;
        QTest::newRow("inner blank") << "1 234" << false << 0.0;
        QTest::newRow("exponent") << "1e3" << false << 0.0;
    }
    void typedNumbers() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        QCOMPARE(isNumeric(text), valid);
        std::optional<double> n = readNumber(text);
        QCOMPARE(n.has_value(), valid);
        if (valid)
            QCOMPARE(*n, value);
    }

    void leadingNumbers() {
        const QList<std::pair<QString, double>> cases{
            {"30 dni", 30}, {"abc", 0},     {" -2.5x", -2.5}, {"", 0},
            {"-", 0},       {"1.2.3", 1.2}, {"2,5", 2},       {".5 %", 0.5}};
        for (const auto& [text, value] : cases)
            QCOMPARE(leadingNumber(text), value);
    }

    void dates() {
        for (const char* text :
             {"5.12.2009", "5. 12. 2009", "05.12.2009", "2009-12-05", " 5.12.2009 "})
            QCOMPARE(readDate(text), std::optional<QDate>(QDate(2009, 12, 5)));
        for (const char* text : {"31.2.2009", "29.2.2009", "0.1.2009", "5.13.2009", "", "5.12.",
                                 "2009-02-30", "jutri"})
            QVERIFY2(!readDate(text).has_value(), text);
        QCOMPARE(readDate("29.2.2008"), std::optional<QDate>(QDate(2008, 2, 29)));
        QCOMPARE(dateText(QDate()), QString());
    }

    // What the program writes of a value it read is read back as the same
    // value: a number as a box shows it, a date as it is written.
    void writtenFormsReadBack_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        // clang-format off
        QTest::newRow("plain") << "1234,5" << "1234,5";
        QTest::newRow("sum of tenths") << QString::number(0.1 + 0.2, 'g', 17) << "0,3";
        QTest::newRow("large") << "9999999999999999999999" << "10000000000000000000000";
        QTest::newRow("small") << "0,00001" << "0,00001";
        QTest::newRow("negative") << "-2,5" << appLocale().negativeSign() + "2,5";
        QTest::newRow("date") << "5.12.2009" << "5.12.2009";
        QTest::newRow("early year") << "1.1.0001" << "1.1.0001";
        QTest::newRow("ISO year 33") << "0033-02-03" << "3.2.0033";
        // clang-format on
    }
    void writtenFormsReadBack() {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        if (std::optional<QDate> date = readDate(typed)) {
            QCOMPARE(dateText(*date), written);
            QCOMPARE(readDate(written), date);
            return;
        }
        const std::optional<double> n = readNumber(typed);
        QVERIFY(n);
        QCOMPARE(localeNumberText(*n), written);
        const std::optional<double> back = readNumber(written);
        QVERIFY(back);
        QVERIFY(qAbs(*back - *n) <= 1e-14 * qAbs(*n));
    }

    void numberTexts() {
        QCOMPARE(plainNumberText(0.5), QString(".5"));
        QCOMPARE(plainNumberText(-0.25), QString("-.25"));
        QCOMPARE(plainNumberText(0.1 + 0.2), QString(".3"));
        QCOMPARE(numberText(-3), QString("-3"));
        QCOMPARE(localeNumberText(1234.5), QString("1234,5")); // no grouping in a box
        // Less than a cent below zero is no negative amount.
        QCOMPARE(currencyText(-0.001), QString("0,00") + QChar(0xA0) + "€");
    }
};

QTEST_GUILESS_MAIN(TestReaders)
#include "tst_textforms.moc"
