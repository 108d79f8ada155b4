#include "tst_racun_support.h"

#include "invoice/InvoiceDeletion.h"

using namespace valmir;
using namespace valmir::test;

class TestInvoiceDeletion : public FixtureTest {
    Q_OBJECT

    // Three invoices of two lines each.
    void prepare() override {
        for (const char* number : {"2009/003", "2009/002", "2009/001"}) {
            const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", number}, {"Ime", "Kupec"}});
            addLine(*Db, id, operationId(*Db, 1, 1), 10.0, 2.0, QVariant(), 50.0);
            addLine(*Db, id, -1, QVariant(), QVariant(), QVariant(), 5.0);
        }
    }

private Q_SLOTS:
    void failingStepsLeaveEverythingInPlace_data() {
        QTest::addColumn<int>("action"); // which step the engine refuses
        QTest::addColumn<QString>("name");
        QTest::newRow("lines") << SQLITE_DELETE << "tblRacunTarife";
        QTest::newRow("invoice row") << SQLITE_DELETE << "tblRacun";
        QTest::newRow("commit") << SQLITE_TRANSACTION << "COMMIT";
    }
    void failingStepsLeaveEverythingInPlace() {
        QFETCH(int, action);
        QFETCH(QString, name);
        auto rs = Db->openRecordset("SELECT * FROM tblRacun  ORDER BY StevilkaRacuna DESC");
        QVERIFY(rs->moveTo(1));
        refuse(*Db, action, name);
        InvoiceDeletionResult r = deleteCurrentInvoice(*rs);
        refuseNothing(*Db);
        QVERIFY(!r.deleted);
        QVERIFY(!r.error.isEmpty());
        QVERIFY(!Db->inTransaction());
        QCOMPARE(tableCount("tblRacun"), 3);
        QCOMPARE(tableCount("tblRacunTarife"), 6);
        // The list still shows every invoice and stands on the one that
        // was to be deleted, so deleting again works on the right row.
        QCOMPARE(rs->recordCount(), 3);
        QCOMPARE(rs->field("StevilkaRacuna").toString(), QString("2009/002"));
        QVERIFY(deleteCurrentInvoice(*rs).deleted);
        QCOMPARE(queryRows("SELECT StevilkaRacuna, count(*) FROM tblRacun JOIN tblRacunTarife ON "
                           "ID_racun = tblRacun.ID GROUP BY StevilkaRacuna"),
                 (QStringList{"2009/001|2", "2009/003|2"}));
        QCOMPARE(tableCount("tblRacunTarife"), 4);
        QCOMPARE(rs->field("StevilkaRacuna").toString(), QString("2009/001"));
    }
};

QTEST_MAIN(TestInvoiceDeletion)
#include "tst_invoicedeletion.moc"
