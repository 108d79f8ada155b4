#include "TestSupport.h"
#include "data/Recordset.h"

#include <QtTest>

using namespace valmir;

class TestSmoke : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsAndSeeds() {
        test::Fixture f;
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QCOMPARE(Db->scalar("SELECT count(*) FROM tbPoste").toInt(), 466);
        auto rs = Db->openRecordset("tblTarife", RecordsetKind::Table);
        QVERIFY(rs);
        QVERIFY(rs->setIndex("ID"));
        QVERIFY(rs->seek("=", {3}));
        QVERIFY(!rs->noMatch());
        QCOMPARE(rs->field("TarifnaStevilka").toString(), QString("1.3"));
        QCOMPARE(rs->field("70proc").toBool(), false);
    }
};

QTEST_MAIN(TestSmoke)
#include "tst_smoke.moc"
