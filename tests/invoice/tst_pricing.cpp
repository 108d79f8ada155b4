// The working table: loading an invoice's lines, adding picked operations,
// the lump-sum line, pricing, and the post office of a postcode.

#include "EditorSession.h"

#include "invoice/PostOffice.h"
#include "invoice/Pricing.h"
#include "invoice/WorkingTable.h"

using namespace valmir;
using namespace valmir::test;

namespace {

WorkLine lumpSumLine() { return {LumpSumTariffId, LumpSumService, 1, {}, {}, {}, false}; }

// Field of the line with this tariff id, read from the file.
QVariant stored(qint64 tariffId, const char* field) {
    return WorkDb->scalar(QString("SELECT %1 FROM tblTarifePregled WHERE ID_tarifa=?").arg(field),
                          {tariffId});
}

// The working table's lines as readLines() gives them, one text per line:
// tariff id, number, text, TS1, TS2, points, quantity, surcharge, amount,
// report and master flags.
QStringList workLines() {
    QList<WorkingLine> lines;
    if (!readLines(*WorkDb, &lines))
        return {"error: " + WorkDb->lastError()};
    QStringList out;
    for (const WorkingLine& l : lines) {
        QStringList fields;
        for (const QVariant& v :
             {l.tariffId, l.tariffNumber, l.description, l.ts1, l.ts2, l.points, l.quantity,
              l.surcharge, l.amount, QVariant(int(l.report)), QVariant(int(l.master))})
            fields << v.toString();
        out << fields.join(u'|');
    }
    return out;
}

// Chooses operations (service, TS2) as the picker does.
void pick(const QList<std::pair<int, int>>& operations) {
    for (auto [ts1, ts2] : operations)
        QVERIFY(setPicked(*Db, operationId(*Db, ts1, ts2), true));
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
        addWorkLine({3, 1, 3, 100, 1e6, 10, false});
        addWorkLine({4, 1, 4, {}, "abc", "x", false}); // Null points, text typed
        auto lines = openLines();
        PricingResult r = recalculate(*lines, {"1", false, "10", false});
        QVERIFY(r.ok && !r.surchargeCapped);
        QCOMPARE(stored(1, "znesek").toDouble(), -200.0);
        QCOMPARE(stored(2, "znesek").toDouble(), 0.19);
        QCOMPARE(stored(3, "znesek").toDouble(), 110000000.0);
        QCOMPARE(stored(4, "znesek").toDouble(), 0.0);
        QCOMPARE(r.total, -200.0 + 0.19 + 110000000.0);
        // A point value that is no number prices every service line at 0.
        r = recalculate(*lines, {"1 234", false, "10", false});
        QVERIFY(r.ok);
        QCOMPARE(stored(3, "znesek").toDouble(), 0.0);
        QCOMPARE(r.total, 0.0);
        QCOMPARE(r.points, -200.0 + 0.125 + 100e6);
    }

    // Nothing is written when an amount, a total or the VAT goes beyond
    // what a number holds (it would show as "inf"; told apart from an engine
    // error) or a line beyond a billion euro (the cents of the kept sums
    // must fit in 64 bits), when a write fails, or when the rows could not
    // be read (their fields would read as Null and price the line at 0).
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
        QTest::newRow("a line above a billion") << 0 << "" << 1.0 << 1.0 << QVariant(1e17) << 2.0 << true;
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

    void loadedLinesFollowTheCurrentTariff() {
        const qint64 report = operationId(*Db, 1, 6);
        const qint64 expense = operationId(*Db, 91, 2);
        const qint64 other = addInvoice(*Db, {{"StevilkaRacuna", "2009/001"}});
        const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", "2009/002"}});
        addLine(*Db, other, report, 1, 1, {}, 1.0);
        addLine(*Db, id, LumpSumTariffId, {}, {}, {}, 33.0);
        addLine(*Db, id, report, 150, 2, 10, 330.0); // points as they were when saved
        addLine(*Db, id, 9999, 40, 3, 5, 126.0);     // operation deleted since
        addLine(*Db, id, expense, {}, {}, {}, 12.5);
        // The tariff changed its text after the invoice was saved.
        QVERIFY(Db->execute("UPDATE tblTarife SET GeodetskaStoritev='Elaborat (nov)' WHERE ID=?",
                            {report}));

        LoadLinesResult r = LoadLines(*Db, *WorkDb, id, "7,5");
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.lines, 4);
        QVERIFY(r.hasExpenseLine);
        QCOMPARE(workLines(),
                 (QStringList{"9999|??|???|0|0|40|3|5|126|0|0",
                              QString::number(report) + "|1.6|Elaborat (nov)|1|6|150|2|10|330|1|1",
                              QString::number(expense) + "|S.2|Potni stroški|91|2||||12.5|0|0",
                              "-1||Ostali stroški v pavšalni vrednosti 7,5 % geodetske "
                              "storitve|7777|1||||33|0|0"}));
        QCOMPARE(hasExpenseLines(*WorkDb), std::optional<bool>(true));
    }

    void addingSkipsOperationsAlreadyThere() {
        const qint64 present = operationId(*Db, 1, 3);
        addWorkLine({present, 1, 3, 250, 4, 20, false, 1200.0});
        pick({{1, 3}, {1, 1}, {4, 3}});

        AddOperationsResult r = addPickedOperations(*Db, *WorkDb, false);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.added, 2);
        const QString a = QString::number(operationId(*Db, 1, 1));
        const QString b = QString::number(present);
        const QString c = QString::number(operationId(*Db, 4, 3));
        QCOMPARE(
            workLines(),
            (QStringList{a + "|1.1|Pridobitev podatkov zemljiškega katastra|1|1|40||||0|1",
                         b + "|x|opravilo|1|3|250|4|20|1200|0|0", // what was typed stays
                         c + "|4.3|Izdelava elaborata za evidentiranje stavbe|4|3|180||||1|1"}));
    }

    void failuresWriteNoLine() {
        const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", "2009/005"}});
        addLine(*Db, id, operationId(*Db, 1, 1), 40, 1, {}, 40.0);
        addLine(*Db, id, operationId(*Db, 2, 1), 40, 1, {}, 40.0);
        // The engine refuses lines of service 2, as a full disk or a locked
        // file would refuse them half-way through.
        QVERIFY(WorkDb->execute("CREATE TRIGGER refuse BEFORE INSERT ON tblTarifePregled WHEN "
                                "NEW.TS1 = 2 BEGIN SELECT RAISE(ABORT, 'zavrnjeno'); END"));
        LoadLinesResult loaded = LoadLines(*Db, *WorkDb, id, "10");
        QVERIFY(!loaded.ok && loaded.lines == 0);
        QVERIFY(loaded.error.contains("zavrnjeno"));
        QVERIFY(workLines().isEmpty());

        pick({{1, 1}, {2, 1}});
        AddOperationsResult added = addPickedOperations(*Db, *WorkDb, false);
        QVERIFY(!added.ok && added.added == 0);
        QVERIFY(added.error.contains("zavrnjeno"));
        QVERIFY(workLines().isEmpty());
        QVERIFY(!WorkDb->inTransaction());

        // Whether there are expenses is not known when the table cannot be read.
        refuse(*WorkDb, 0, "tblTarifePregled");
        QVERIFY(!hasExpenseLines(*WorkDb).has_value());
        bool ok = true;
        QVERIFY(!toggleLumpSumLine(*WorkDb, 0, "10", &ok));
        QVERIFY(!ok);
    }

    void lumpSumLineToggle() {
        bool ok = false;
        QVERIFY(toggleLumpSumLine(*WorkDb, 12.345, "7,5", &ok));
        QVERIFY(ok);
        QCOMPARE(workLines(), QStringList{"-1||Ostali stroški v pavšalni vrednosti 7,5 % "
                                          "geodetske storitve|7777|1||||12.35|0|0"});
        // Present: removed, whatever the caller thinks the tick is.
        QVERIFY(!toggleLumpSumLine(*WorkDb, 0, "10", &ok));
        QVERIFY(ok);
        QVERIFY(workLines().isEmpty());
    }

    // The number a postcode box starts with is looked up; an engine error is
    // told, not taken for an unknown code.
    void postOffice() {
        PostOfficeLookup r = findPostOffice(*Db, "1000 ");
        QVERIFY(r.ok && r.found && r.error.isEmpty());
        QCOMPARE(r.place, Db->scalar("SELECT Posta FROM tbPoste WHERE Stev=1000").toString());
        refuse(*Db, 0, "tbPoste");
        r = findPostOffice(*Db, "2000");
        QVERIFY(!r.ok && !r.found && r.place.isEmpty());
        QVERIFY(!r.error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPricing)
#include "tst_pricing.moc"
