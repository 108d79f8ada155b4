// A stored invoice opened in the editor and saved without a change stays
// exactly as it was: every field of its row and every line, and the totals
// that the upgrade priced it with are those the save writes.

#include "tst_racun_support.h"

#include "invoice/StoredTotals.h"

using namespace valmir;
using namespace valmir::test;

namespace {

// The invoice rows and their lines as stored, one text per row.
QStringList stored() {
    return queryRows("SELECT * FROM tblRacun ORDER BY ID") +
           queryRows("SELECT ID_racun, ID_tarifa, Tocke, Kolicina, Povisek, znesek FROM "
                     "tblRacunTarife ORDER BY ID_racun, ID_tarifa");
}

} // namespace

class TestInvoiceRoundtrip : public FixtureTest {
    Q_OBJECT
private Q_SLOTS:
    // The number boxes show "7,5", "0,75" and "−5" (the locale's minus); a
    // save must read them back as the numbers they came from.
    void untouchedSaveChangesNothing_data() {
        QTest::addColumn<double>("validity");
        QTest::addColumn<double>("pointValue");
        QTest::addColumn<double>("percent");
        QTest::addColumn<bool>("staff"); // without: the staff box stays empty
        QTest::newRow("validity with a fraction") << 7.5 << 2.5 << 10.0 << true;
        QTest::newRow("negative validity") << -5.0 << 2.5 << 10.0 << true;
        QTest::newRow("point value below one") << 30.0 << 0.75 << 7.5 << true;
        QTest::newRow("thousands, no staff") << 1234.5 << 1234.5 << 0.5 << false;
    }
    void untouchedSaveChangesNothing() {
        QFETCH(double, validity);
        QFETCH(double, pointValue);
        QFETCH(double, percent);
        QFETCH(bool, staff);
        const QVariant staffId = staff ? Db->scalar("SELECT ID FROM tblSestavljavci") : QVariant(0);
        // clang-format off
        const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", "2030/041"}, {"Ime", "Geo d.o.o."},
            {"PST", "1000"}, {"Posta", "Po svoje"}, {"Opombe", "prva\ndruga"}, {"Davcna", ""},
            {"Datum", QDate(2030, 5, 2)}, {"Delovisce", "Meja"}, {"Sestavljavec", staffId},
            {"Placan", true}, {"EnotenElaborat", false}, {"Veljavnost", validity},
            {"VrednostTocke", pointValue}, {"ProcentPavsala", percent}, {"StopnjaDDV", 9.5}});
        // clang-format on
        addInvoice(*Db, {{"StevilkaRacuna", "2030/040"}, {"Ime", "Drugi"}});
        addLine(*Db, id, operationId(*Db, 1, 6), 100.0, 1.0, QVariant(), 100 * pointValue);
        addLine(*Db, id, operationId(*Db, 91, 1), QVariant(), QVariant(), QVariant(), 12.5);
        QVERIFY(computeStoredTotals(*Db));
        const QStringList before = stored();

        Session s(1, "2030/041");
        QVERIFY(s.e);
        QVERIFY(!s.e->isModified());
        click(s.e, "Command1");
        QCOMPARE(s.watcher.seen, QStringList());
        QVERIFY(!s.e->isVisible());
        QCOMPARE(stored(), before);
    }
};

QTEST_MAIN(TestInvoiceRoundtrip)
#include "tst_invoice_roundtrip.moc"
