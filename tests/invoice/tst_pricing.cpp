#include "TestSupport.h"

#include "data/Recordset.h"
#include "invoice/Pricing.h"

#include <QtTest>

#include <cmath>

using namespace valmir;

namespace {

using test::addWorkLine;
using Line = test::WorkLine;

Line lumpSumLine() { return {LumpSumTariffId, LumpSumService, 1, {}, {}, {}, false}; }

std::unique_ptr<Recordset> openLines() {
    auto rs = WorkDb->openRecordset("tblTarifePregled", RecordsetKind::Table);
    if (rs)
        rs->setIndex("Red");
    return rs;
}

// Field of the line with this tariff id, read from the file.
QVariant stored(qint64 tariffId, const char* field) {
    return WorkDb->scalar(QString("SELECT %1 FROM tblTarifePregled WHERE ID_tarifa=?").arg(field),
                          {tariffId});
}

PricingInput input(const QString& pointValue, bool unified = false, bool lumpSum = false,
                   const QString& percent = "10") {
    return {pointValue, lumpSum, percent, unified};
}

} // namespace

class TestPricing : public test::FixtureTest {
    Q_OBJECT

private Q_SLOTS:
    void workedExampleToTheCent() {
        // Inserted out of order: the lump-sum line must still be priced last.
        addWorkLine(lumpSumLine());
        addWorkLine({20, 2, 1, 32, 1, {}, false});
        addWorkLine({6, 1, 6, 100, 2, 20, true});
        auto lines = openLines();
        QVERIFY(lines);

        PricingResult r = recalculate(*lines, input("2.5", true, true, "10"));
        QVERIFY2(r.ok, qPrintable(r.error));
        // 100 x 2 x 2,5 x 1,2 x 0,7 = 420; 32 x 2,5 = 80; 10 % of 500 = 50
        QCOMPARE(stored(6, "znesek").toDouble(), 420.00);
        QCOMPARE(stored(20, "znesek").toDouble(), 80.00);
        QCOMPARE(stored(-1, "znesek").toDouble(), 50.00);
        QCOMPARE(r.servicesTotal, 500.00);
        QCOMPARE(r.lumpSumAmount, 50.0);
        QCOMPARE(r.total, 550.00);
        QCOMPARE(r.vat, 110.00);
        // Points carry neither the surcharge nor the 70 % factor.
        QCOMPARE(pointsCaption(r.points), QString("232  "));
        QCOMPARE(moneyCaption(r.total + r.vat), QString("660,00\u00A0€ "));
        QVERIFY(!r.percentCapped && !r.surchargeCapped);
        // The grid's record set stands on the first line and shows what was written.
        QCOMPARE(lines->position(), 0);
        QCOMPARE(lines->field("znesek").toDouble(), 420.00);
        // The same with the locale's decimal comma.
        QCOMPARE(recalculate(*lines, input("2,5", true, true, "10")).total, 550.00);
    }

    void surchargeCap() {
        addWorkLine({1, 1, 1, 100, 1, 50, false});
        addWorkLine({2, 1, 2, 100, 1, 50.5, false});
        auto lines = openLines();
        PricingResult r = recalculate(*lines, input("1"));
        QVERIFY(r.ok);
        QVERIFY(r.surchargeCapped);
        QCOMPARE(stored(1, "Povisek").toDouble(), 50.0);
        QCOMPARE(stored(2, "Povisek").toDouble(), 50.0);
        QCOMPARE(stored(2, "znesek").toDouble(), 150.0);
    }

    void lumpSumPercentage_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("lumpSum");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("capped");
        QTest::addColumn<double>("lumpSumAmount");
        QTest::newRow("10") << "10" << true << "10" << false << 20.0;
        QTest::newRow("7,5") << "7,5" << true << "7,5" << false << 15.0;
        QTest::newRow("12 capped") << "12" << true << "10" << true << 20.0;
        QTest::newRow("abc reset silently") << "abc" << true << "10" << false << 20.0;
        QTest::newRow("empty reset silently") << "" << true << "10" << false << 20.0;
        QTest::newRow("unticked leaves text") << "abc" << false << "abc" << false << 0.0;
    }
    void lumpSumPercentage() {
        QFETCH(QString, typed);
        QFETCH(bool, lumpSum);
        QFETCH(double, lumpSumAmount);
        addWorkLine({1, 1, 1, 100, 2, {}, false}); // 200.00
        if (lumpSum)
            addWorkLine(lumpSumLine());
        auto lines = openLines();
        PricingResult r = recalculate(*lines, input("1", false, lumpSum, typed));
        QVERIFY(r.ok);
        QTEST(r.percentText, "after");
        QTEST(r.percentCapped, "capped");
        QCOMPARE(r.lumpSumAmount, lumpSumAmount);
        QCOMPARE(r.total, 200.0 + lumpSumAmount);
    }

    void otherLinesCarryTypedAmounts() {
        addWorkLine({1, 1, 1, 32, 1, {}, false}); // 80.00 at 2.5
        // An expense line with stray points, quantity and surcharge.
        addWorkLine({30, 91, 1, 10, 3, 20, false, 30.0});
        addWorkLine(lumpSumLine());
        auto lines = openLines();
        PricingResult r = recalculate(*lines, input("2.5", false, true, "10"));
        QVERIFY(r.ok);
        QCOMPARE(stored(-1, "znesek").toDouble(), 8.0); // 10 % of the services only
        QCOMPARE(r.total, 118.0);
        QCOMPARE(r.points, 32.0);
        QCOMPARE(stored(30, "znesek").toDouble(), 30.0);
        QVERIFY(stored(30, "Tocke").isNull());
        QVERIFY(stored(30, "Kolicina").isNull());
        QVERIFY(stored(30, "Povisek").isNull());
    }

    void oddValuesPricedAsTheyStand() {
        addWorkLine({1, 1, 1, 100, -2, {}, false});
        addWorkLine({2, 1, 2, 0.125, 1, {}, false});
        addWorkLine({3, 1, 3, 100, 1e9, 10, false});
        addWorkLine({4, 1, 4, {}, "abc", "x", false}); // Null points, text typed
        auto lines = openLines();
        PricingResult r = recalculate(*lines, input("1"));
        QVERIFY(r.ok);
        QCOMPARE(stored(1, "znesek").toDouble(), -200.0);
        QCOMPARE(stored(2, "znesek").toDouble(), 0.13);
        QCOMPARE(stored(3, "znesek").toDouble(), 110000000000.0);
        QCOMPARE(stored(4, "znesek").toDouble(), 0.0);
        QCOMPARE(r.total, -200.0 + 0.13 + 110000000000.0);
        // A point value that is no number prices every service line at 0.
        for (const QString& bad : {QString("abc"), QString(""), QString("1 234")}) {
            r = recalculate(*lines, input(bad));
            QVERIFY(r.ok);
            QCOMPARE(stored(3, "znesek").toDouble(), 0.0);
            QCOMPARE(r.total, 0.0);
            QCOMPARE(r.points, -200.0 + 0.125 + 100e9);
        }
    }

    // An amount, a total or the VAT beyond what a number holds would show
    // as "inf": refused as too large, not as an engine error, and the lines
    // priced before it are rolled back.
    void overflowWritesNothing_data() {
        QTest::addColumn<double>("ts1");
        QTest::addColumn<double>("points");
        QTest::addColumn<QVariant>("quantity");
        QTest::addColumn<double>("amount");
        QTest::newRow("a service line beyond") << 1.0 << 1e200 << QVariant(1e200) << 2.0;
        QTest::newRow("expense lines adding up beyond") << 91.0 << 10.0 << QVariant() << 1e307;
    }
    void overflowWritesNothing() {
        QFETCH(double, ts1);
        QFETCH(double, points);
        QFETCH(QVariant, quantity);
        QFETCH(double, amount);
        addWorkLine({5, 1, 0, 100, 2, {}, false, 1.0}); // priced first
        addWorkLine({1, ts1, 1, points, quantity, {}, false, amount});
        addWorkLine({2, ts1, 2, points, quantity, {}, false, amount});
        auto lines = openLines();
        PricingResult r = recalculate(*lines, input("1"));
        QVERIFY(!r.ok);
        QVERIFY(r.overflow);
        QVERIFY(!r.error.isEmpty());
        QCOMPARE(r.total, 0.0);
        QCOMPARE(r.vat, 0.0);
        QCOMPARE(stored(5, "znesek").toDouble(), 1.0);
        QCOMPARE(stored(1, "znesek").toDouble(), amount);
        QCOMPARE(stored(2, "znesek").toDouble(), amount);
        QCOMPARE(stored(2, "Tocke").toDouble(), points);
        QCOMPARE(lines->position(), 0);
        QCOMPARE(lines->field("znesek").toDouble(), 1.0);
    }

    // A failed write, or rows that could not be read (their fields would
    // all read as Null and price the line at 0), write nothing at all.
    void engineFailureWritesNothing_data() {
        QTest::addColumn<QString>("failing");
        QTest::newRow("write of the last line") << "\"Tocke\" = ?"; // only the expense line's
        QTest::newRow("reading the lines") << "SELECT rowid, *";
    }
    void engineFailureWritesNothing() {
        QFETCH(QString, failing);
        addWorkLine({1, 1, 1, 100, 2, {}, false, 1.0});
        addWorkLine({2, 1, 2, 100, 1, {}, false, 2.0});
        addWorkLine({30, 91, 1, 5, {}, {}, false, 30.0});
        auto lines = openLines(); // no row read yet: the first read fails below
        WorkDb->setFailingStatementForTest(failing);
        PricingResult r = recalculate(*lines, input("1"));
        WorkDb->setFailingStatementForTest(QString());
        QVERIFY(!r.ok);
        QVERIFY(!r.overflow);
        QVERIFY2(r.error.contains("Simulirana napaka"), qPrintable(r.error));
        QCOMPARE(stored(1, "znesek").toDouble(), 1.0);
        QCOMPARE(stored(2, "znesek").toDouble(), 2.0);
        QCOMPARE(stored(30, "Tocke").toDouble(), 5.0);
        QVERIFY(!WorkDb->inTransaction());
        QCOMPARE(lines->position(), 0);
        QCOMPARE(lines->field("znesek").toDouble(), 1.0);
        // It works again once the engine does.
        r = recalculate(*lines, input("1"));
        QVERIFY(r.ok);
        QCOMPARE(r.total, 330.0);
    }

    void plausibility_data() {
        QTest::addColumn<QVariantList>("lines"); // per line: TS1, report, quantity
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<int>("question");
        const int none = int(UnifiedReportQuestion::None);
        const int tick = int(UnifiedReportQuestion::AskTick);
        const int untick = int(UnifiedReportQuestion::AskUntick);
        auto l = [](double ts1, bool report, const QVariant& q) {
            return QVariant(QVariantList{ts1, report, q});
        };
        QTest::newRow("two services, one report line, ticked")
            << QVariantList{l(1, true, 1), l(2, false, 1)} << true << untick;
        QTest::newRow("one service, two report lines, ticked")
            << QVariantList{l(1, true, 1), l(1, true, 2)} << true << untick;
        QTest::newRow("two services, two report lines, unticked")
            << QVariantList{l(1, true, 1), l(2, true, 1)} << false << tick;
        QTest::newRow("two services, two report lines, ticked")
            << QVariantList{l(1, true, 1), l(2, true, 1)} << true << none;
        QTest::newRow("quantity 0 and empty do not count")
            << QVariantList{l(1, true, 1), l(2, true, 0), l(3, true, QVariant())} << false << none;
        QTest::newRow("expense service is no second service")
            << QVariantList{l(1, true, 1), l(1, true, 1), l(91, false, 1)} << false << none;
        QTest::newRow("no lines, ticked") << QVariantList{} << true << none;
    }
    void plausibility() {
        QFETCH(QVariantList, lines);
        QFETCH(bool, ticked);
        int id = 1;
        for (const QVariant& v : lines) {
            const QVariantList l = v.toList();
            addWorkLine({id, l[0].toDouble(), double(id), 10, l[2], {}, l[1].toBool()});
            ++id;
        }
        auto rs = openLines();
        rs->moveLast();
        QTEST(int(checkUnifiedReport(*rs, ticked)), "question");
        QCOMPARE(rs->position(), 0);
    }

    void surchargeOfTheFirstLineToAll() {
        addWorkLine({1, 1, 1, 100, 1, 15, false});
        addWorkLine({2, 2, 1, 100, 1, {}, false});
        addWorkLine({30, 91, 1, {}, {}, 7, false, 30.0});
        auto lines = openLines();
        QVERIFY(lines->moveTo(1)); // read and cached before the change
        QVERIFY(lines->field("Povisek").isNull());
        QVERIFY(surchargeToAll(*lines));
        QCOMPARE(stored(2, "Povisek").toDouble(), 15.0);
        QCOMPARE(stored(30, "Povisek").toDouble(), 7.0); // other lines untouched
        // The record set reads the new values, so the recalculation prices them.
        QCOMPARE(recalculate(*lines, input("1")).total, 115.0 + 115.0 + 30.0);

        // A Null first surcharge clears all of them.
        QVERIFY(WorkDb->execute("UPDATE tblTarifePregled SET Povisek = NULL WHERE ID_tarifa=1"));
        lines = openLines();
        QVERIFY(surchargeToAll(*lines));
        QVERIFY(stored(2, "Povisek").isNull());
        QCOMPARE(lines->position(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPricing)
#include "tst_pricing.moc"
