#include "TestSupport.h"

#include "app/Module1.h"
#include "data/Recordset.h"
#include "invoice/InvoiceSaver.h"

#include <QtTest>

using namespace valmir;

namespace {

InvoiceHeader header(const QString& number) {
    InvoiceHeader h;
    for (int i = 0; i < 16; ++i)
        h.text1 << QString();
    h.text1[0] = number;
    h.text1[1] = "Ana Kos";
    h.text1[2] = "Cesta 1";
    h.text1[3] = "1000";
    h.text1[4] = "Ljubljana";
    h.text1[8] = "5.12.2009";
    h.text1[11] = "Ureditev meje";
    h.text1[15] = "30";
    h.staffId = 1;
    h.pointValueText = "2,5";
    h.percentText = "10";
    return h;
}

int count(const char* table) {
    return Db->scalar(QString("SELECT count(*) FROM %1").arg(table)).toInt();
}

double counter() { return Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(); }

QVariant invoiceField(qint64 id, const char* field) {
    return Db->scalar(QString("SELECT %1 FROM tblRacun WHERE ID=?").arg(field), {id});
}

} // namespace

class TestSaver : public test::FixtureTest {
    Q_OBJECT

    std::unique_ptr<Recordset> m_list;
    std::unique_ptr<Recordset> m_lines;

    // The main list and the editor's lines as the windows hold them.
    void openLists() {
        m_list = Db->openRecordset("SELECT * FROM tblRacun  ORDER BY StevilkaRacuna DESC",
                                   RecordsetKind::Dynaset);
        QVERIFY(m_list);
        m_lines = WorkDb->openRecordset("tblTarifePregled", RecordsetKind::Table);
        QVERIFY(m_lines && m_lines->setIndex("Red"));
    }
    SaveResult saveNew(const InvoiceHeader& h) {
        return saveInvoice(*Db, *m_list, *m_lines, 0, QString(), h);
    }
    // Opens the invoice with this number as the editor does (mode 1).
    SaveResult saveOpened(qint64 id, const QString& original, const InvoiceHeader& h) {
        openLists();
        const int p = m_list->positionOf(id);
        if (p < 0 || !m_list->moveTo(p))
            return {SaveOutcome::EngineError, "not in the list", 0};
        return saveInvoice(*Db, *m_list, *m_lines, 1, original, h);
    }

    void prepare() override {
        QVERIFY(Db->execute("UPDATE tblNastavitve SET StRacuna = 7"));
        openLists();
    }

private Q_SLOTS:
    void cleanup() {
        m_lines.reset();
        m_list.reset();
        FixtureTest::cleanup();
    }

    void refusalsInOrderWriteNothing_data() {
        QTest::addColumn<QString>("pointValue");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("outcome");
        QTest::newRow("empty point value first")
            << ""
            << "abc"
            << "2009/001"
            << "31.2.2009" << int(SaveOutcome::PointValueNotNumeric);
        QTest::newRow("blank in point value") << "1 234,5"
                                             << "10"
                                             << "2009/050"
                                             << "" << int(SaveOutcome::PointValueNotNumeric);
        QTest::newRow("percentage before number")
            << "2,5"
            << "abc"
            << "2009/001"
            << "31.2.2009" << int(SaveOutcome::PercentNotNumeric);
        QTest::newRow("empty percentage") << "2.5"
                                          << ""
                                          << "2009/050"
                                          << "" << int(SaveOutcome::PercentNotNumeric);
        QTest::newRow("number before date") << "2,5"
                                            << "10"
                                            << "2009/001"
                                            << "31.2.2009" << int(SaveOutcome::DuplicateNumber);
        QTest::newRow("number case does not matter") << "2,5"
                                                     << "10"
                                                     << "2009/00A"
                                                     << "" << int(SaveOutcome::DuplicateNumber);
        QTest::newRow("impossible date") << "2,5"
                                         << "10"
                                         << "2009/050"
                                         << "31.2.2009" << int(SaveOutcome::BadDate);
        QTest::newRow("not a date") << "2,5"
                                    << "10"
                                    << "2009/050"
                                    << "jutri" << int(SaveOutcome::BadDate);
    }
    void refusalsInOrderWriteNothing() {
        QFETCH(QString, pointValue);
        QFETCH(QString, percent);
        QFETCH(QString, number);
        QFETCH(QString, date);
        QFETCH(int, outcome);
        test::addInvoice(*Db, {{"StevilkaRacuna", "2009/001"}});
        test::addInvoice(*Db, {{"StevilkaRacuna", "2009/00a"}});
        openLists();
        test::addWorkLine({1, 1, 1, 10, 1, {}, false, 25.0});
        InvoiceHeader h = header(number);
        h.pointValueText = pointValue;
        h.percentText = percent;
        h.text1[8] = date;

        SaveResult r = saveNew(h);
        QCOMPARE(int(r.outcome), outcome);
        QCOMPARE(count("tblRacun"), 2);
        QCOMPARE(count("tblRacunTarife"), 0);
        QCOMPARE(counter(), 7.0);
        QCOMPARE(m_list->recordCount(), 2);
    }

    void newInvoiceFieldsAndLines() {
        test::addWorkLine({40, 91, 1, 10, {}, {}, false, 12.5});
        test::addWorkLine({1, 1, 1, 10, 2, 0, false, 50.0});
        test::addWorkLine({5, 1, 5, 10, 0, 20, false, 0.0});
        test::addWorkLine({LumpSumIdForTest, 7777, 1, 10, {}, {}, false, 6.25});
        InvoiceHeader h = header("2009/007");
        h.text1[15] = "30 dni";
        h.text1[8] = QString(); // an empty date box
        h.text1[13] = "";
        h.unifiedReport = true;
        h.paid = true;
        h.percentText = "7,5";

        SaveResult r = saveNew(h);
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        QVERIFY(r.invoiceId > 0);
        QCOMPARE(invoiceField(r.invoiceId, "StevilkaRacuna").toString(), QString("2009/007"));
        QCOMPARE(invoiceField(r.invoiceId, "Ime").toString(), QString("Ana Kos"));
        QCOMPARE(invoiceField(r.invoiceId, "Delovisce").toString(), QString("Ureditev meje"));
        QVERIFY(invoiceField(r.invoiceId, "Datum").isNull());
        QCOMPARE(invoiceField(r.invoiceId, "Veljavnost").toDouble(), 30.0);
        QCOMPARE(invoiceField(r.invoiceId, "VrednostTocke").toDouble(), 2.5);
        QCOMPARE(invoiceField(r.invoiceId, "ProcentPavsala").toDouble(), 7.5);
        QCOMPARE(invoiceField(r.invoiceId, "Sestavljavec").toLongLong(), 1);
        QCOMPARE(invoiceField(r.invoiceId, "EnotenElaborat").toInt(), 1);
        QCOMPARE(invoiceField(r.invoiceId, "Placan").toInt(), 1);
        // Empty boxes are empty text, not Null.
        QCOMPARE(
            Db->scalar("SELECT count(*) FROM tblRacun WHERE Davcna = '' AND Opombe = ''").toInt(),
            1);

        // Lines in the grid's order; 0 quantity and surcharge stored as Null.
        auto lines =
            Db->openRecordset("SELECT * FROM tblRacunTarife WHERE ID_racun=? ORDER BY rowid",
                              RecordsetKind::Snapshot, {r.invoiceId});
        QCOMPARE(lines->recordCount(), 4);
        QList<qint64> order;
        for (lines->moveFirst(); !lines->eof(); lines->moveNext())
            order << lines->field("ID_tarifa").toLongLong();
        QCOMPARE(order, (QList<qint64>{1, 5, 40, LumpSumIdForTest}));
        QVERIFY(lines->moveTo(0));
        QCOMPARE(lines->field("Kolicina").toDouble(), 2.0);
        QVERIFY(lines->field("Povisek").isNull());
        QCOMPARE(lines->field("Tocke").toDouble(), 10.0);
        QCOMPARE(lines->field("znesek").toDouble(), 50.0);
        QVERIFY(lines->moveTo(1));
        QVERIFY(lines->field("Kolicina").isNull());
        QCOMPARE(lines->field("Povisek").toDouble(), 20.0);

        // The list stands on the saved invoice; the counter moved on.
        QCOMPARE(m_list->field("ID").toLongLong(), r.invoiceId);
        QCOMPARE(counter(), 8.0);
    }

    void validityAndDates_data() {
        QTest::addColumn<QString>("validity");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QDate>("storedDate");
        QTest::newRow("30 dni") << "30 dni" << 30.0 << "5.12.2009" << QDate(2009, 12, 5);
        QTest::newRow("abc") << "abc" << 0.0 << "05.12.2009" << QDate(2009, 12, 5);
        QTest::newRow("blank and point") << "  14.5d" << 14.5 << "2009-12-05" << QDate(2009, 12, 5);
        QTest::newRow("leap day") << "" << 0.0 << "29.2.2008" << QDate(2008, 2, 29);
    }
    void validityAndDates() {
        QFETCH(QString, validity);
        QFETCH(double, stored);
        QFETCH(QString, date);
        QFETCH(QDate, storedDate);
        InvoiceHeader h = header("2009/010");
        h.text1[15] = validity;
        h.text1[8] = date;
        SaveResult r = saveNew(h);
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        QCOMPARE(invoiceField(r.invoiceId, "Veljavnost").toDouble(), stored);
        QCOMPARE(invoiceField(r.invoiceId, "Datum").toString(), storedDate.toString(Qt::ISODate));
    }

    void uniquenessOnlyWhenTheNumberChanged() {
        const qint64 first = test::addInvoice(*Db, {{"StevilkaRacuna", "2009/001"}});
        const qint64 twin = test::addInvoice(*Db, {{"StevilkaRacuna", "2009/001"}});
        test::addInvoice(*Db, {{"StevilkaRacuna", "2009/002"}});
        Q_UNUSED(twin);

        // Unchanged number: not looked up, although another invoice has it.
        InvoiceHeader h = header("2009/001");
        h.text1[1] = "Nov naročnik";
        SaveResult r = saveOpened(first, "2009/001", h);
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        QCOMPARE(r.invoiceId, first);
        QCOMPARE(invoiceField(first, "Ime").toString(), QString("Nov naročnik"));
        QCOMPARE(count("tblRacun"), 3);

        // Changed to a number that exists: refused.
        r = saveOpened(first, "2009/001", header("2009/002"));
        QCOMPARE(int(r.outcome), int(SaveOutcome::DuplicateNumber));
        QCOMPARE(invoiceField(first, "StevilkaRacuna").toString(), QString("2009/001"));

        // Changed to a free number and back again: both accepted.
        r = saveOpened(first, "2009/001", header("2009/003"));
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        r = saveOpened(first, "2009/003", header("2009/003"));
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        // Only a change of case of its own number: it does not clash with itself.
        const qint64 own = test::addInvoice(*Db, {{"StevilkaRacuna", "2009/0ab"}});
        r = saveOpened(own, "2009/0ab", header("2009/0AB"));
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));

        // Saving an opened invoice never moves the counter.
        QCOMPARE(counter(), 7.0);
    }

    void numberWithQuotes() {
        SaveResult r = saveNew(header("2009/0'1 \"x\""));
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        QCOMPARE(invoiceField(r.invoiceId, "StevilkaRacuna").toString(), QString("2009/0'1 \"x\""));
        openLists();
        r = saveNew(header("2009/0'1 \"x\""));
        QCOMPARE(int(r.outcome), int(SaveOutcome::DuplicateNumber));
        r = saveNew(header("' OR ''='"));
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        QCOMPARE(count("tblRacun"), 2);
    }

    void counterRules_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("number");
        QTest::addColumn<double>("after");
        QTest::newRow("2009/050 typed by hand") << 0 << "2009/050" << 51.0;
        QTest::newRow("same customer") << 2 << "2010/123" << 124.0;
        QTest::newRow("no slash") << 0 << "ABC" << 7.0;
    }
    void counterRules() {
        QFETCH(int, mode);
        QFETCH(QString, number);
        QFETCH(double, after);
        SaveResult r = saveInvoice(*Db, *m_list, *m_lines, mode, QString(), header(number));
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        QCOMPARE(counter(), after);
    }

    void failedLineInsertRollsEverythingBack() {
        const qint64 existing = test::addInvoice(*Db, {{"StevilkaRacuna", "2009/001"}});
        openLists();
        QVERIFY(m_list->moveTo(0));
        test::addWorkLine({1, 1, 1, 10, 2, {}, false, 50.0});
        Db->setFailingStatementForTest("INSERT INTO tblRacunTarife");
        SaveResult r = saveNew(header("2009/007"));
        Db->setFailingStatementForTest(QString());
        QCOMPARE(int(r.outcome), int(SaveOutcome::EngineError));
        QVERIFY(r.error.contains("Simulirana napaka"));
        QVERIFY(!Db->inTransaction());
        QCOMPARE(count("tblRacun"), 1);
        QCOMPARE(counter(), 7.0);
        // No phantom row in the list; it stands where it stood.
        QCOMPARE(m_list->recordCount(), 1);
        QCOMPARE(m_list->field("ID").toLongLong(), existing);

        // The same for an opened invoice: its row and old lines stay as they were.
        test::addLine(*Db, existing, 3, 250, 1, {}, 625.0);
        Db->setFailingStatementForTest("INSERT INTO tblRacunTarife");
        InvoiceHeader h = header("2009/001");
        h.text1[1] = "Spremenjeno";
        r = saveOpened(existing, "2009/001", h);
        Db->setFailingStatementForTest(QString());
        QCOMPARE(int(r.outcome), int(SaveOutcome::EngineError));
        QVERIFY(invoiceField(existing, "Ime").isNull());
        QCOMPARE(m_list->field("Ime").toString(), QString());
        QCOMPARE(
            Db->scalar("SELECT count(*) FROM tblRacunTarife WHERE ID_racun=?", {existing}).toInt(),
            1);

        // The engine works again: the same save goes through.
        r = saveNew(header("2009/007"));
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        QCOMPARE(m_list->recordCount(), 2);
        QCOMPARE(counter(), 8.0);
    }

private:
    static constexpr qint64 LumpSumIdForTest = -1;
};

QTEST_GUILESS_MAIN(TestSaver)
#include "tst_saver.moc"
