#include "TestSupport.h"

#include "app/Module1.h"
#include "data/Recordset.h"
#include "invoice/WorkingTable.h"
#include "invoice/Pricing.h"

#include <QtTest>

using namespace valmir;

namespace {

// The working table's rows in the grid's order, one map per line.
QList<QVariantMap> workLines() {
    QList<QVariantMap> out;
    auto rs = WorkDb->openRecordset("SELECT * FROM tblTarifePregled ORDER BY TS1, TS2",
                                    RecordsetKind::Snapshot);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        QVariantMap row;
        for (const QString& f : rs->fieldNames())
            row.insert(f, rs->field(f));
        out << row;
    }
    return out;
}

QVariantMap lineOf(qint64 tariffId) {
    for (const QVariantMap& row : workLines())
        if (row.value("ID_tarifa").toLongLong() == tariffId)
            return row;
    return {};
}

// The engine refuses lines of this service, as a full disk or a locked
// file would refuse them half-way through.
void refuseService(int ts1) {
    QVERIFY(WorkDb->execute(QString("CREATE TRIGGER refuse BEFORE INSERT ON tblTarifePregled "
                                    "WHEN NEW.TS1 = %1 BEGIN SELECT RAISE(ABORT, 'zavrnjeno'); END")
                                .arg(ts1)));
}

void pick(int ts1, int ts2) {
    QVERIFY(Db->execute("UPDATE tblTarife SET Izbrana = True WHERE TS1=? AND TS2=?", {ts1, ts2}));
}

} // namespace

class TestLines : public test::FixtureTest {
    Q_OBJECT

private Q_SLOTS:
    void loadedLinesFollowTheCurrentTariff() {
        const qint64 report = test::operationId(*Db, 1, 6);
        const qint64 expense = test::operationId(*Db, 91, 2);
        const qint64 other = test::addInvoice(*Db, {{"StevilkaRacuna", "2009/001"}});
        const qint64 id = test::addInvoice(*Db, {{"StevilkaRacuna", "2009/002"}});
        test::addLine(*Db, other, report, 1, 1, {}, 1.0);
        test::addLine(*Db, id, report, 150, 2, 10, 330.0); // points as they were when saved
        test::addLine(*Db, id, 9999, 40, 3, 5, 126.0);     // operation deleted since
        test::addLine(*Db, id, expense, {}, {}, {}, 12.5);
        test::addLine(*Db, id, LumpSumTariffId, {}, {}, {}, 33.0);
        // The tariff changed its text after the invoice was saved.
        QVERIFY(Db->execute("UPDATE tblTarife SET GeodetskaStoritev='Elaborat (nov)' WHERE ID=?",
                            {report}));

        LoadLinesResult r = LoadLines(*Db, *WorkDb, id, "7,5");
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.lines, 4);
        QVERIFY(r.hasLumpSumLine);
        QVERIFY(r.hasExpenseLine);
        QCOMPARE(workLines().size(), 4);

        QVariantMap l = lineOf(report);
        QCOMPARE(l.value("Tocke").toDouble(), 150.0);
        QCOMPARE(l.value("Kolicina").toDouble(), 2.0);
        QCOMPARE(l.value("Povisek").toDouble(), 10.0);
        QCOMPARE(l.value("znesek").toDouble(), 330.0);
        QCOMPARE(l.value("TarifnaStevilka").toString(), QString("1.6"));
        QCOMPARE(l.value("GeodetskaStoritev").toString(), QString("Elaborat (nov)"));
        QCOMPARE(l.value("TS1").toDouble(), 1.0);
        QCOMPARE(l.value("TS2").toDouble(), 6.0);
        QCOMPARE(l.value("70proc").toBool(), true);
        QCOMPARE(l.value("Master").toBool(), true);

        l = lineOf(9999);
        QCOMPARE(l.value("TarifnaStevilka").toString(), QString("??"));
        QCOMPARE(l.value("GeodetskaStoritev").toString(), QString("???"));
        QCOMPARE(l.value("TS1").toDouble(), 0.0);
        QCOMPARE(l.value("TS2").toDouble(), 0.0);
        QCOMPARE(l.value("70proc").toBool(), false);
        QCOMPARE(l.value("Tocke").toDouble(), 40.0);
        QCOMPARE(l.value("Kolicina").toDouble(), 3.0);
        QCOMPARE(l.value("Povisek").toDouble(), 5.0);
        QCOMPARE(l.value("znesek").toDouble(), 126.0);

        l = lineOf(LumpSumTariffId);
        QCOMPARE(l.value("TS1").toDouble(), 7777.0);
        QCOMPARE(l.value("TS2").toDouble(), 1.0);
        QCOMPARE(l.value("TarifnaStevilka").toString(), QString(""));
        QCOMPARE(l.value("70proc").toBool(), false);
        QCOMPARE(l.value("GeodetskaStoritev").toString(),
                 QString("Ostali stroški v pavšalni vrednosti 7,5 % geodetske storitve"));
        QCOMPARE(l.value("znesek").toDouble(), 33.0);
        QCOMPARE(hasExpenseLines(*WorkDb), std::optional<bool>(true));
    }

    void loadingWithoutSpecialLines() {
        const qint64 id = test::addInvoice(*Db, {{"StevilkaRacuna", "2009/003"}});
        test::addLine(*Db, id, test::operationId(*Db, 2, 1), 40, 1, {}, 40.0);
        LoadLinesResult r = LoadLines(*Db, *WorkDb, id, "10");
        QVERIFY(r.ok);
        QCOMPARE(r.lines, 1);
        QVERIFY(!r.hasLumpSumLine);
        QVERIFY(!r.hasExpenseLine);
        QCOMPARE(hasExpenseLines(*WorkDb), std::optional<bool>(false));

        // An invoice without lines loads nothing.
        const qint64 empty = test::addInvoice(*Db, {{"StevilkaRacuna", "2009/004"}});
        QVERIFY(WorkDb->execute("DELETE FROM tblTarifePregled"));
        r = LoadLines(*Db, *WorkDb, empty, "10");
        QVERIFY(r.ok);
        QCOMPARE(r.lines, 0);
        QVERIFY(workLines().isEmpty());
    }

    void loadingFailureLeavesTheTableEmpty() {
        const qint64 id = test::addInvoice(*Db, {{"StevilkaRacuna", "2009/005"}});
        test::addLine(*Db, id, test::operationId(*Db, 1, 1), 40, 1, {}, 40.0);
        test::addLine(*Db, id, test::operationId(*Db, 2, 1), 40, 1, {}, 40.0);
        refuseService(2);
        LoadLinesResult r = LoadLines(*Db, *WorkDb, id, "10");
        QVERIFY(!r.ok);
        QVERIFY(r.error.contains("zavrnjeno"));
        QCOMPARE(r.lines, 0);
        QVERIFY(workLines().isEmpty());
    }

    void addingSkipsOperationsAlreadyThere() {
        const qint64 present = test::operationId(*Db, 1, 3);
        test::addWorkLine({present, 1, 3, 250, 4, 20, false, 1200.0});
        pick(1, 3);
        pick(1, 1);
        pick(4, 3);

        AddOperationsResult r = addPickedOperations(*Db, *WorkDb, false);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.added, 2);
        QVERIFY(!r.stoppedAtExpense);
        QVERIFY(!r.addedExpenseLine);
        QCOMPARE(workLines().size(), 3);

        QVariantMap kept = lineOf(present);
        QCOMPARE(kept.value("Kolicina").toDouble(), 4.0);
        QCOMPARE(kept.value("Povisek").toDouble(), 20.0);
        QCOMPARE(kept.value("znesek").toDouble(), 1200.0);

        QVariantMap added = lineOf(test::operationId(*Db, 4, 3));
        QCOMPARE(added.value("Tocke").toDouble(), 180.0);
        QVERIFY(added.value("Kolicina").isNull());
        QVERIFY(added.value("Povisek").isNull());
        QVERIFY(added.value("znesek").isNull());
        QCOMPARE(added.value("TarifnaStevilka").toString(), QString("4.3"));
        QCOMPARE(added.value("GeodetskaStoritev").toString(),
                 QString("Izdelava elaborata za evidentiranje stavbe"));
        QCOMPARE(added.value("70proc").toBool(), true);
        QCOMPARE(added.value("TS1").toDouble(), 4.0);

        // Adding the same choice again adds nothing.
        r = addPickedOperations(*Db, *WorkDb, false);
        QCOMPARE(r.added, 0);
        QCOMPARE(workLines().size(), 3);
    }

    void failedAddAddsNothing() {
        pick(1, 1);
        pick(4, 3);
        refuseService(4);
        AddOperationsResult r = addPickedOperations(*Db, *WorkDb, false);
        QVERIFY(!r.ok);
        QVERIFY(r.error.contains("zavrnjeno"));
        QCOMPARE(r.added, 0);
        QVERIFY(workLines().isEmpty());
        QVERIFY(!WorkDb->inTransaction());
    }
};

QTEST_GUILESS_MAIN(TestLines)
#include "tst_lines.moc"
