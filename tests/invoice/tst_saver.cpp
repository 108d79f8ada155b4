#include "TestSupport.h"

#include "app/Module1.h"
#include "data/Recordset.h"
#include "invoice/InvoiceFields.h"
#include "invoice/InvoiceSaver.h"
#include "invoice/Pricing.h"

#include <QtTest>

using namespace valmir;
using test::refuse;
using test::refuseNothing;

namespace {

InvoiceHeader header(const QString& number) {
    InvoiceHeader h;
    h.text1 =
        QStringList{number,      "Ana Kos", "Cesta 1", "1000",          "Ljubljana", "", "", "",
                    "5.12.2009", "",        "",        "Ureditev meje", "",          "", "", "30"};
    h.staffId = 1;
    h.percentText = "10";
    h.pointValueText = "2,5";
    return h;
}

int count(const char* table) {
    return Db->scalar(QString("SELECT count(*) FROM %1").arg(table)).toInt();
}

double counter() { return Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(); }

// The rows of a query about one invoice, their fields joined by "|".
QStringList rows(const QString& sql, qint64 invoiceId) {
    QStringList out;
    auto rs = Db->openRecordset(sql, RecordsetKind::Snapshot, {invoiceId});
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        QStringList fields;
        for (const QString& f : rs->fieldNames())
            fields << rs->field(f).toString();
        out << fields.join(u'|');
    }
    return out;
}

// The stored lines of an invoice in the order they were written.
QStringList storedLines(qint64 invoiceId) {
    return rows("SELECT ID_tarifa, Tocke, Kolicina, Povisek, znesek FROM tblRacunTarife "
                "WHERE ID_racun=? ORDER BY rowid",
                invoiceId);
}

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
        const int point = int(SaveOutcome::PointValueNotNumeric);
        const int percent = int(SaveOutcome::PercentNotNumeric);
        const int taken = int(SaveOutcome::DuplicateNumber);
        const int date = int(SaveOutcome::BadDate);
        const QString bad = "31.2.2009";
        // clang-format off
        QTest::newRow("empty point value first") << "" << "abc" << "2009/001" << bad << point;
        QTest::newRow("blank in point value") << "1 234,5" << "10" << "2009/050" << "" << point;
        QTest::newRow("percentage before number") << "2,5" << "abc" << "2009/001" << bad << percent;
        QTest::newRow("empty percentage") << "2.5" << "" << "2009/050" << "" << percent;
        QTest::newRow("number before date") << "2,5" << "10" << "2009/001" << bad << taken;
        QTest::newRow("number case does not matter") << "2,5" << "10" << "2009/00A" << "" << taken;
        QTest::newRow("impossible date") << "2,5" << "10" << "2009/050" << bad << date;
        QTest::newRow("not a date") << "2,5" << "10" << "2009/050" << "jutri" << date;
        // clang-format on
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
        QCOMPARE(int(saveNew(h).outcome), outcome);
        QCOMPARE(count("tblRacun"), 2);
        QCOMPARE(count("tblRacunTarife"), 0);
        QCOMPARE(counter(), 7.0);
        QCOMPARE(m_list->recordCount(), 2);
    }

    void newInvoiceFieldsAndLines() {
        test::addWorkLine({40, 91, 1, 10, {}, {}, false, 12.5});
        test::addWorkLine({1, 1, 1, 10, 2, 0, false, 50.0});
        test::addWorkLine({5, 1, 5, 10, 0, 20, false, 0.0});
        test::addWorkLine({LumpSumTariffId, 7777, 1, 10, {}, {}, false, 6.25});
        InvoiceHeader h = header("2009/007");
        h.text1[15] = "30 dni";
        h.text1[8] = QString(); // an empty date box
        h.unifiedReport = h.paid = true;
        h.percentText = "7,5";
        SaveResult r = saveNew(h);
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        QCOMPARE(rows("SELECT StevilkaRacuna, Ime, Delovisce, Datum, Veljavnost, VrednostTocke, "
                      "ProcentPavsala, Sestavljavec, EnotenElaborat, Placan, Davcna, Opombe FROM "
                      "tblRacun WHERE ID=?",
                      r.invoiceId),
                 QStringList{"2009/007|Ana Kos|Ureditev meje||30|2.5|7.5|1|true|true||"});
        // An empty date is Null; empty text boxes are empty text.
        QVERIFY(Db->scalar("SELECT 1 FROM tblRacun WHERE Datum IS NULL AND Davcna = ''").isValid());

        // Lines in the grid's order; 0 quantity and surcharge stored as Null.
        QCOMPARE(storedLines(r.invoiceId),
                 (QStringList{"1|10|2||50", "5|10||20|0", "40|10|||12.5", "-1|10|||6.25"}));

        // The list stands on the saved invoice; the counter moved on.
        QCOMPARE(m_list->field("ID").toLongLong(), r.invoiceId);
        QCOMPARE(counter(), 8.0);
    }

    // What a box shows for a stored value stores that value again, and
    // what a user types stores as the box's form says.
    void headerBoxes_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QVariant>("stored");
        const int text = int(BoxForm::Text), date = int(BoxForm::Date);
        const int days = int(BoxForm::Validity);
        // clang-format off
        QTest::newRow("days and a word") << days << "30 dni" << QVariant(30.0);
        QTest::newRow("blank and point") << days << "  14.5d" << QVariant(14.5);
        QTest::newRow("no number") << days << "abc" << QVariant(0.0);
        QTest::newRow("fraction as shown") << days << "7,5" << QVariant(7.5);
        QTest::newRow("locale's minus") << days << "\u22125" << QVariant(-5.0);
        QTest::newRow("below one") << days << "0,75" << QVariant(0.75);
        QTest::newRow("thousands") << days << "1234,5" << QVariant(1234.5);
        QTest::newRow("ISO date") << date << "2009-12-05" << QVariant(QDate(2009, 12, 5));
        QTest::newRow("empty date is Null") << date << "" << QVariant();
        QTest::newRow("empty text is no Null") << text << QString() << QVariant("");
        QTest::newRow("text") << text << "Cesta 1, Žalec" << QVariant("Cesta 1, Žalec");
        // clang-format on
    }
    void headerBoxes() {
        QFETCH(int, form);
        QFETCH(QString, typed);
        QFETCH(QVariant, stored);
        const QVariant v = storedValue(typed, BoxForm(form));
        QCOMPARE(v, stored);
        QCOMPARE(v.isNull(), stored.isNull());
        QCOMPARE(storedValue(boxText(stored, BoxForm(form)), BoxForm(form)), stored);
    }

    // The number is looked up only when it changed, and an invoice never
    // clashes with itself, not even with its number in other case.
    void uniqueness_data() {
        QTest::addColumn<QString>("original");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("outcome");
        const int saved = int(SaveOutcome::Saved), taken = int(SaveOutcome::DuplicateNumber);
        // clang-format off
        QTest::newRow("unchanged, though a twin has it") << "2009/001" << "2009/001" << saved;
        QTest::newRow("changed to a taken number") << "2009/001" << "2009/002" << taken;
        QTest::newRow("changed to a free number") << "2009/001" << "2009/003" << saved;
        QTest::newRow("own number in other case") << "2009/0ab" << "2009/0AB" << saved;
        // clang-format on
    }
    void uniqueness() {
        QFETCH(QString, original);
        QFETCH(QString, typed);
        QFETCH(int, outcome);
        qint64 id = 0;
        for (const char* number : {"2009/001", "2009/001", "2009/002", "2009/0ab"}) {
            const qint64 added = test::addInvoice(*Db, {{"StevilkaRacuna", number}});
            if (number == original && id == 0)
                id = added;
        }
        const SaveResult r = saveOpened(id, original, header(typed));
        QCOMPARE(int(r.outcome), outcome);
        QCOMPARE(invoiceField(id, "StevilkaRacuna").toString(),
                 outcome == int(SaveOutcome::Saved) ? typed : original);
        QCOMPARE(count("tblRacun"), 4);
        QCOMPARE(counter(), 7.0); // saving an opened invoice never moves the counter
    }

    // A new invoice moves the counter past its number; the number is
    // stored and looked up as typed, quotes and all.
    void newNumbers_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("number");
        QTest::addColumn<double>("after");
        // clang-format off
        QTest::newRow("2009/050 typed by hand") << 0 << "2009/050" << 51.0;
        QTest::newRow("same customer") << 2 << "2010/123" << 124.0;
        QTest::newRow("no slash") << 0 << "ABC" << 7.0;
        QTest::newRow("quotes") << 0 << "2009/0'1 \"x\"" << 1.0;
        QTest::newRow("quotes as in SQL") << 0 << "' OR ''='" << 7.0;
        // clang-format on
    }
    void newNumbers() {
        QFETCH(int, mode);
        QFETCH(QString, number);
        SaveResult r = saveInvoice(*Db, *m_list, *m_lines, mode, QString(), header(number));
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        QCOMPARE(invoiceField(r.invoiceId, "StevilkaRacuna").toString(), number);
        QTEST(counter(), "after");
        r = saveInvoice(*Db, *m_list, *m_lines, mode, QString(), header(number));
        QCOMPARE(int(r.outcome), int(SaveOutcome::DuplicateNumber));
        QCOMPARE(count("tblRacun"), 1);
    }

    void failedLineInsertRollsEverythingBack() {
        const qint64 existing = test::addInvoice(*Db, {{"StevilkaRacuna", "2009/001"}});
        openLists();
        test::addWorkLine({1, 1, 1, 10, 2, {}, false, 50.0});
        refuse(*Db, SQLITE_INSERT, "tblRacunTarife");
        SaveResult r = saveNew(header("2009/007"));
        refuseNothing(*Db);
        QCOMPARE(int(r.outcome), int(SaveOutcome::EngineError));
        QVERIFY(!r.error.isEmpty());
        QVERIFY(!Db->inTransaction());
        QCOMPARE(count("tblRacun"), 1);
        QCOMPARE(counter(), 7.0);
        // No phantom row in the list; it stands where it stood.
        QCOMPARE(m_list->recordCount(), 1);
        QCOMPARE(m_list->field("ID").toLongLong(), existing);

        // The same for an opened invoice: its row and old lines stay as they were.
        test::addLine(*Db, existing, 3, 250, 1, {}, 625.0);
        refuse(*Db, SQLITE_INSERT, "tblRacunTarife");
        r = saveOpened(existing, "2009/001", header("2009/001"));
        refuseNothing(*Db);
        QCOMPARE(int(r.outcome), int(SaveOutcome::EngineError));
        QVERIFY(invoiceField(existing, "Ime").isNull());
        QCOMPARE(m_list->field("Ime").toString(), QString());
        QCOMPARE(storedLines(existing), QStringList{"3|250|1||625"});

        // The engine works again: the same save goes through.
        r = saveNew(header("2009/007"));
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        QCOMPARE(m_list->recordCount(), 2);
        QCOMPARE(counter(), 8.0);
    }
};

QTEST_GUILESS_MAIN(TestSaver)
#include "tst_saver.moc"
