// The working table: loading an invoice's lines, adding picked operations,
// the lump-sum line, and the post office of a postcode.

#include "tst_racun_support.h"

#include "invoice/PostOffice.h"
#include "invoice/Pricing.h"
#include "invoice/WorkingTable.h"

using namespace valmir;
using namespace valmir::test;

namespace {

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
        QVERIFY(Db->execute("UPDATE tblTarife SET Izbrana=True WHERE TS1=? AND TS2=?", {ts1, ts2}));
}

} // namespace

class TestLines : public FixtureTest {
    Q_OBJECT

private Q_SLOTS:
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

QTEST_GUILESS_MAIN(TestLines)
#include "tst_lines.moc"
