#include "TestSupport.h"
#include "data/Recordset.h"
#include "invoice/InvoiceDeletion.h"

#include <QtTest>

using namespace valmir;

namespace {

const QString ListSource = "SELECT * FROM tblRacun  ORDER BY StevilkaRacuna DESC";

int linesOf(qint64 invoice) {
    return Db->scalar("SELECT count(*) FROM tblRacunTarife WHERE ID_racun=?", {invoice}).toInt();
}

int invoiceCount() { return Db->scalar("SELECT count(*) FROM tblRacun").toInt(); }

} // namespace

class TestInvoiceDeletion : public test::FixtureTest {
    Q_OBJECT

    QList<qint64> m_ids; // 2009/003, 2009/002, 2009/001: list order

    void prepare() override {
        m_ids.clear();
        for (const char* number : {"2009/003", "2009/002", "2009/001"}) {
            qint64 id = test::addInvoice(*Db, {{"StevilkaRacuna", number}, {"Ime", "Kupec"}});
            QVERIFY(id > 0);
            test::addLine(*Db, id, test::operationId(*Db, 1, 1), 10.0, 2.0, QVariant(), 50.0);
            test::addLine(*Db, id, -1, QVariant(), QVariant(), QVariant(), 5.0);
            m_ids << id;
        }
    }

private Q_SLOTS:
    void failingStepsLeaveEverythingInPlace_data() {
        QTest::addColumn<int>("action"); // which step the engine refuses
        QTest::addColumn<QString>("name");
        // clang-format off
        QTest::newRow("lines") << SQLITE_DELETE << "tblRacunTarife";
        QTest::newRow("invoice row") << SQLITE_DELETE << "tblRacun";
        QTest::newRow("commit") << SQLITE_TRANSACTION << "COMMIT";
        // clang-format on
    }
    void failingStepsLeaveEverythingInPlace() {
        QFETCH(int, action);
        QFETCH(QString, name);
        auto rs = Db->openRecordset(ListSource);
        QVERIFY(rs->moveTo(1));
        test::refuse(*Db, action, name);
        InvoiceDeletionResult r = deleteCurrentInvoice(*rs);
        test::refuseNothing(*Db);
        QVERIFY(!r.deleted);
        QVERIFY(!r.error.isEmpty());
        QVERIFY(!Db->inTransaction());
        QCOMPARE(invoiceCount(), 3);
        for (qint64 id : m_ids)
            QCOMPARE(linesOf(id), 2);
        // The list still shows every invoice and stands on the one that
        // was to be deleted, so deleting again works on the right row.
        QCOMPARE(rs->recordCount(), 3);
        QCOMPARE(rs->field("StevilkaRacuna").toString(), QString("2009/002"));
        QVERIFY(deleteCurrentInvoice(*rs).deleted);
        QCOMPARE(linesOf(m_ids[1]), 0);
        QCOMPARE(rs->field("StevilkaRacuna").toString(), QString("2009/001"));
    }
};

QTEST_MAIN(TestInvoiceDeletion)
#include "tst_invoicedeletion.moc"
