#include "tst_racun_support.h"

#include "invoice/Pricing.h"

using namespace valmir;
using namespace valmir::test;

namespace {

WorkLine lumpSumLine() { return {LumpSumTariffId, LumpSumService, 1, {}, {}, {}, false}; }

// Field of the line with this tariff id, read from the file.
QVariant stored(qint64 tariffId, const char* field) {
    return WorkDb->scalar(QString("SELECT %1 FROM tblTarifePregled WHERE ID_tarifa=?").arg(field),
                          {tariffId});
}

} // namespace

class TestPricing : public FixtureTest {
    Q_OBJECT

private Q_SLOTS:
    void workedExampleToTheCent() {
        // Inserted out of order: the lump-sum line must still be priced last.
        addWorkLine(lumpSumLine());
        addWorkLine({20, 2, 1, 32, 1, {}, false});
        addWorkLine({6, 1, 6, 100, 2, 20, true});
        auto lines = openLines();

        // 2.5 a point, a lump sum of 10 %, the 70 % option, VAT at 20 %
        PricingResult r = recalculate(*lines, {"2.5", true, "10", true, 20});
        QVERIFY2(r.ok, qPrintable(r.error));
        // 100 x 2 x 2,5 x 1,2 x 0,7 = 420; 32 x 2,5 = 80; 10 % of 500 = 50
        QCOMPARE(stored(6, "znesek").toDouble(), 420.00);
        QCOMPARE(stored(20, "znesek").toDouble(), 80.00);
        QCOMPARE(stored(-1, "znesek").toDouble(), 50.00);
        QCOMPARE(r.servicesTotal, 500.00);
        QCOMPARE(r.total, 550.00);
        QCOMPARE(r.vat, 110.00);
        // Points carry neither the surcharge nor the 70 % factor.
        QCOMPARE(r.points, 232.0);
        // The grid's record set stands on the first line and shows what was written.
        QCOMPARE(lines->position(), 0);
        QCOMPARE(lines->field("znesek").toDouble(), 420.00);
    }

    void lumpSumPercentage_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("lumpSum");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("capped");
        QTest::addColumn<double>("lumpSumAmount");
        QTest::newRow("7,5") << "7,5" << true << "7,5" << false << 15.0;
        QTest::newRow("12 capped") << "12" << true << "10" << true << 20.0;
        QTest::newRow("abc reset silently") << "abc" << true << "10" << false << 20.0;
        QTest::newRow("unticked leaves text") << "abc" << false << "abc" << false << 0.0;
    }
    // The lump sum is a share of the service lines only: an expense line
    // keeps its typed amount and loses its stray points, quantity and surcharge.
    void lumpSumPercentage() {
        QFETCH(QString, typed);
        QFETCH(bool, lumpSum);
        QFETCH(double, lumpSumAmount);
        addWorkLine({1, 1, 1, 100, 2, {}, false}); // 200.00
        addWorkLine({30, 91, 1, 10, 3, 20, false, 30.0});
        if (lumpSum)
            addWorkLine(lumpSumLine());
        auto lines = openLines();
        PricingResult r = recalculate(*lines, {"1", lumpSum, typed, false});
        QVERIFY(r.ok);
        QTEST(r.percentText, "after");
        QTEST(r.percentCapped, "capped");
        QCOMPARE(r.lumpSumAmount, lumpSumAmount);
        QCOMPARE(r.total, 200.0 + 30.0 + lumpSumAmount);
        QCOMPARE(stored(30, "znesek").toDouble(), 30.0);
        QVERIFY(stored(30, "Tocke").isNull() && stored(30, "Kolicina").isNull() &&
                stored(30, "Povisek").isNull());
    }

    void oddValuesPricedAsTheyStand() {
        addWorkLine({1, 1, 1, 100, -2, {}, false});
        addWorkLine({2, 1, 2, 0.125, 1, 50, false}); // 50 % is allowed
        addWorkLine({3, 1, 3, 100, 1e9, 10, false});
        addWorkLine({4, 1, 4, {}, "abc", "x", false}); // Null points, text typed
        auto lines = openLines();
        PricingResult r = recalculate(*lines, {"1", false, "10", false});
        QVERIFY(r.ok && !r.surchargeCapped);
        QCOMPARE(stored(1, "znesek").toDouble(), -200.0);
        QCOMPARE(stored(2, "znesek").toDouble(), 0.19);
        QCOMPARE(stored(3, "znesek").toDouble(), 110000000000.0);
        QCOMPARE(stored(4, "znesek").toDouble(), 0.0);
        QCOMPARE(r.total, -200.0 + 0.19 + 110000000000.0);
        // A point value that is no number prices every service line at 0.
        r = recalculate(*lines, {"1 234", false, "10", false});
        QVERIFY(r.ok);
        QCOMPARE(stored(3, "znesek").toDouble(), 0.0);
        QCOMPARE(r.total, 0.0);
        QCOMPARE(r.points, -200.0 + 0.125 + 100e9);
    }

    // Nothing is written when an amount, a total or the VAT goes beyond
    // what a number holds (it would show as "inf"; told apart from an engine
    // error), when a write fails, or when the rows could not be read (their
    // fields would read as Null and price the line at 0).
    void failuresWriteNothing_data() {
        QTest::addColumn<int>("refused"); // what the engine refuses on the working table
        QTest::addColumn<QString>("column");
        QTest::addColumn<double>("ts1");
        QTest::addColumn<double>("points");
        QTest::addColumn<QVariant>("quantity");
        QTest::addColumn<double>("amount");
        QTest::addColumn<bool>("overflow");
        const QVariant none;
        // clang-format off
        QTest::newRow("a line beyond") << 0 << "" << 1.0 << 1e200 << QVariant(1e200) << 2.0 << true;
        QTest::newRow("lines adding up beyond") << 0 << "" << 91.0 << 10.0 << none << 1e307 << true;
        QTest::newRow("failed write") << SQLITE_UPDATE << "Tocke" << 91.0 << 5.0 << none << 30.0 << false;
        QTest::newRow("unread rows") << SQLITE_READ << "GeodetskaStoritev" << 91.0 << 5.0 << none << 30.0 << false;
        // clang-format on
    }
    void failuresWriteNothing() {
        QFETCH(int, refused);
        QFETCH(QString, column);
        QFETCH(double, ts1);
        QFETCH(double, points);
        QFETCH(QVariant, quantity);
        QFETCH(double, amount);
        QFETCH(bool, overflow);
        addWorkLine({5, 1, 0, 100, 2, {}, false, 1.0}); // priced and written first
        addWorkLine({1, ts1, 1, points, quantity, {}, false, amount});
        addWorkLine({2, ts1, 2, points, quantity, {}, false, amount});
        auto lines = openLines(); // no row read yet: the first read is in recalculate()
        if (refused)
            refuse(*WorkDb, refused, "tblTarifePregled", column);
        PricingResult r = recalculate(*lines, {"1", false, "10", false});
        refuseNothing(*WorkDb);
        QVERIFY(!r.ok);
        QCOMPARE(r.overflow, overflow);
        QVERIFY(!r.error.isEmpty());
        QCOMPARE(r.total + r.vat, 0.0);
        QCOMPARE(stored(5, "znesek").toDouble(), 1.0);
        QCOMPARE(stored(1, "znesek").toDouble(), amount);
        QCOMPARE(stored(2, "znesek").toDouble(), amount);
        QCOMPARE(stored(2, "Tocke").toDouble(), points);
        QVERIFY(!WorkDb->inTransaction());
        QCOMPARE(lines->position(), 0);
        QCOMPARE(lines->field("znesek").toDouble(), 1.0);
        // Once the engine works again, so does the recalculation.
        QCOMPARE(recalculate(*lines, {"1", false, "10", false}).ok, !overflow);
    }

    void plausibility_data() {
        QTest::addColumn<QVariantList>("lines");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<int>("question");
        const int none = int(UnifiedReportQuestion::None);
        const int tick = int(UnifiedReportQuestion::AskTick);
        const int untick = int(UnifiedReportQuestion::AskUntick);
        // A line of a service with its report flag and quantity.
        auto l = [](double ts1, bool report, const QVariant& q) {
            return QVariant(QVariantList{ts1, report, q});
        };
        const QVariant a = l(1, true, 1), b = l(2, true, 1), c = l(2, false, 1);
        QTest::newRow("2 services, 1 report, ticked") << QVariantList{a, c} << true << untick;
        QTest::newRow("1 service, 2 reports, ticked") << QVariantList{a, a} << true << untick;
        QTest::newRow("2 services, 2 reports, unticked") << QVariantList{a, b} << false << tick;
        QTest::newRow("2 services, 2 reports, ticked") << QVariantList{a, b} << true << none;
        QTest::newRow("quantity 0 and empty do not count")
            << QVariantList{a, l(2, true, 0), l(3, true, {})} << false << none;
        QTest::newRow("expenses are no second service")
            << QVariantList{a, a, l(91, false, 1)} << false << none;
        QTest::newRow("no lines, ticked") << QVariantList{} << true << none;
    }

    void plausibility() {
        QFETCH(QVariantList, lines);
        QFETCH(bool, ticked);
        for (int id = 1; id <= lines.size(); ++id) {
            const QVariantList l = lines[id - 1].toList();
            addWorkLine({id, l[0].toDouble(), double(id), 10, l[2], {}, l[1].toBool()});
        }
        auto rs = openLines();
        rs->moveLast();
        QTEST(int(checkUnifiedReport(*rs, ticked)), "question");
        QCOMPARE(rs->position(), 0);
    }

    // "Vsem" with no surcharge on the first line clears all of them.
    void nullFirstSurchargeToAll() {
        addWorkLine({1, 1, 1, 100, 1, {}, false});
        addWorkLine({2, 2, 1, 100, 1, 15, false});
        auto lines = openLines();
        QVERIFY(lines->moveTo(1));
        QVERIFY(surchargeToAll(*lines));
        QVERIFY(stored(2, "Povisek").isNull());
        QCOMPARE(lines->position(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPricing)
#include "tst_pricing.moc"
