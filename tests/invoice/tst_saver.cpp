#include "EditorSession.h"

#include "data/PgConnection.h"

#include "invoice/CreditNote.h"
#include "invoice/InvoiceFields.h"
#include "invoice/InvoiceSaver.h"
#include "invoice/Numbering.h"
#include "invoice/Pricing.h"
#include "invoice/StoredTotals.h"

#include <QUuid>

using namespace valmir;
using namespace valmir::test;

namespace {

// The header as the editor hands it over: staff 1, 10 % and 2,5 per point.
InvoiceHeader header(const QString& number) {
    const QStringList text1{number, "Ana Kos", "Cesta 1",   "1000", "Ljubljana", "",
                            "",     "",        "5.12.2009", "",     "",          "Ureditev meje",
                            "",     "",        "",          "30"};
    InvoiceHeader h;
    h.text1 = text1;
    h.staffId = 1;
    h.percentText = "10";
    h.pointValueText = "2,5";
    return h;
}

// The stored lines of an invoice in the order they were written.
QStringList storedLines(qint64 invoiceId) {
    return queryRows("SELECT ID_tarifa, Tocke, Kolicina, Povisek, znesek FROM tblRacunTarife "
                     "WHERE ID_racun=? ORDER BY rowid",
                     {invoiceId});
}

QVariant invoiceField(qint64 id, const char* field) {
    return Db->scalar(QString("SELECT %1 FROM tblRacun WHERE ID=?").arg(field), {id});
}

// The main list and the editor's lines as the windows hold them.
struct Lists {
    std::unique_ptr<Recordset> list =
        Db->openRecordset("SELECT * FROM tblRacun  ORDER BY StevilkaRacuna DESC");
    std::unique_ptr<Recordset> lines = openLines();

    SaveResult save(const InvoiceHeader& h, int mode = 0) {
        return saveInvoice(*Db, *list, *lines, mode, QString(), h);
    }
    // Saves the invoice with this ID opened as the editor opens it (mode 1).
    SaveResult saveOpened(qint64 id, const QString& original, const InvoiceHeader& h) {
        const int p = list->positionOf(id);
        if (p < 0 || !list->moveTo(p))
            return {SaveOutcome::EngineError, "not in the list", 0, {}};
        return saveInvoice(*Db, *list, *lines, 1, original, h);
    }
};

} // namespace

class TestSaver : public FixtureTest {
    Q_OBJECT

    // An office that counts on across the years.
    void prepare() override {
        QVERIFY(Db->execute("UPDATE tblNastavitve SET StRacuna = 7, LetniStevec = False"));
    }

private Q_SLOTS:
    void refusalsInOrderWriteNothing_data() {
        QTest::addColumn<QString>("pointValue");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("outcome");
        const int point = int(SaveOutcome::PointValueNotNumeric);
        const int percent = int(SaveOutcome::PercentNotNumeric);
        const int taken = int(SaveOutcome::DuplicateNumber);
        const QString bad = "31.2.2009";
        // clang-format off
        QTest::newRow("empty point value first") << "" << "abc" << "2009/001" << bad << point;
        QTest::newRow("blank in point value") << "1 234,5" << "10" << "2009/050" << "" << point;
        QTest::newRow("percentage before number") << "2,5" << "abc" << "2009/001" << bad << percent;
        QTest::newRow("empty percentage") << "2.5" << "" << "2009/050" << "" << percent;
        QTest::newRow("number before date") << "2,5" << "10" << "2009/001" << bad << taken;
        QTest::newRow("number case does not matter") << "2,5" << "10" << "2009/00A" << "" << taken;
        // clang-format on
    }
    void refusalsInOrderWriteNothing() {
        QFETCH(QString, pointValue);
        QFETCH(QString, percent);
        QFETCH(QString, number);
        QFETCH(QString, date);
        addInvoice(*Db, {{"StevilkaRacuna", "2009/001"}});
        addInvoice(*Db, {{"StevilkaRacuna", "2009/00a"}});
        addWorkLine({1, 1, 1, 10, 1, {}, false, 25.0});
        Lists l;
        InvoiceHeader h = header(number);
        h.pointValueText = pointValue;
        h.percentText = percent;
        h.text1[8] = date;
        QTEST(int(l.save(h).outcome), "outcome");
        QCOMPARE(tableCount("tblRacun"), 2);
        QCOMPARE(tableCount("tblRacunTarife"), 0);
        QCOMPARE(counter(), 7.0);
        QCOMPARE(l.list->recordCount(), 2);
    }

    void newInvoiceFieldsAndLines() {
        addWorkLine({40, 91, 1, 10, {}, {}, false, 12.5});
        addWorkLine({1, 1, 1, 10, 2, 0, false, 50.0});
        addWorkLine({5, 1, 5, 10, 0, 20, false, 0.0});
        addWorkLine({LumpSumTariffId, 7777, 1, 10, {}, {}, false, 6.25});
        InvoiceHeader h = header("2009/007");
        h.text1[15] = "30 dni";
        h.text1[8] = QString(); // an empty date box
        h.unifiedReport = h.paid = true;
        h.percentText = "7,5";
        Lists l;
        SaveResult r = l.save(h);
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        QCOMPARE(
            queryRows("SELECT StevilkaRacuna, Ime, Delovisce, Datum, Veljavnost, VrednostTocke, "
                      "ProcentPavsala, Sestavljavec, EnotenElaborat, Placan, Davcna, Opombe FROM "
                      "tblRacun"),
            QStringList{"2009/007|Ana Kos|Ureditev meje||30|2.5|7.5|1|true|true||"});
        // An empty date is Null; empty text boxes are empty text.
        QVERIFY(Db->scalar("SELECT 1 FROM tblRacun WHERE Datum IS NULL AND Davcna = ''").isValid());

        // Lines in the grid's order; 0 quantity and surcharge stored as Null.
        QCOMPARE(storedLines(r.invoiceId),
                 (QStringList{"1|10|2||50", "5|10||20|0", "40|10|||12.5", "-1|10|||6.25"}));
    }

    // A credit note repeats the invoice's customer and lines under the next
    // free number and today's date, names the invoice and counts the totals
    // of its lines negative; it is not credited itself.
    void creditNote() {
        addWorkLine({1, 1, 1, 10, 2, 0, false, 50.0});
        addWorkLine({operationId(*Db, 91, 1), 91, 1, 10, {}, {}, false, 12.5});
        Lists l;
        const SaveResult saved = l.save(header("2009/007")); // the counter goes to 8
        QCOMPARE(int(saved.outcome), int(SaveOutcome::Saved));
        addInvoice(*Db, {{"StevilkaRacuna", "2026/008"}}); // taken: the next one is used
        // The invoice's kept totals may be stale (an older version): the
        // credit note prices its own lines.
        const QStringList priced = queryRows(
            "SELECT Osnova, DDV, ZaPlacilo FROM tblRacun WHERE ID = ?", {saved.invoiceId});
        QVERIFY(Db->execute("UPDATE tblRacun SET Osnova = 1, DDV = 2, ZaPlacilo = 3 WHERE ID = ?",
                            {saved.invoiceId}));
        const QDate day(2026, 12, 7);
        const CreditNoteResult made = makeCreditNote(*Db, saved.invoiceId, day);
        QVERIFY2(made.outcome == CreditNoteOutcome::Made, qPrintable(made.error));
        QCOMPARE(made.number, QString("2026/009"));
        const QString copied = "Ime, Naslov, PST, Posta, Delovisce, Veljavnost, VrednostTocke, "
                               "ProcentPavsala, Sestavljavec";
        QCOMPARE(queryRows("SELECT " + copied + " FROM tblRacun WHERE ID = ?", {made.id}),
                 queryRows("SELECT " + copied + " FROM tblRacun WHERE ID = ?", {saved.invoiceId}));
        QCOMPARE(queryRows("SELECT Datum, Placan, Dobropis, IzvirniID, IzvirniRacun, IzvirniDatum "
                           "FROM tblRacun WHERE ID = ?",
                           {made.id}),
                 QStringList{
                     QString("2026-12-07|false|true|%1|2009/007|2009-12-05").arg(saved.invoiceId)});
        QCOMPARE(
            queryRows("SELECT -Osnova, -DDV, -ZaPlacilo FROM tblRacun WHERE ID = ?", {made.id}),
            priced);
        QVERIFY(invoiceField(made.id, "ZaPlacilo").toDouble() < -62.5);
        QCOMPARE(storedLines(made.id), storedLines(saved.invoiceId));
        QCOMPARE(Db->scalar("SELECT StRacuna FROM tblNastavitve").toInt(), 10);
        QCOMPARE(creditNotesOf(*Db, saved.invoiceId), std::optional(QStringList{"2026/009"}));
        QCOMPARE(creditNotesOf(*Db, made.id), std::optional(QStringList()));

        // Pricing one invoice prices that one alone, whatever its key: no
        // key stands for all of them.
        const QString totals = "SELECT ID, Osnova, DDV, ZaPlacilo FROM tblRacun ORDER BY ID";
        const QStringList stored = queryRows(totals);
        QVERIFY(computeStoredTotalsOf(*Db, 0));
        QCOMPARE(queryRows(totals), stored);

        const int before = tableCount("tblRacun");
        QCOMPARE(int(makeCreditNote(*Db, made.id, day).outcome),
                 int(CreditNoteOutcome::IsCreditNote));
        QCOMPARE(int(makeCreditNote(*Db, 99999, day).outcome), int(CreditNoteOutcome::NotFound));
        QCOMPARE(tableCount("tblRacun"), before);
    }

    // What a box shows for a stored value stores that value again (the
    // editor's untouched save reads back fractions, the locale's minus and
    // thousands), and what a user types stores as the box's form says.
    void headerBoxes_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QVariant>("stored");
        const int text = int(BoxForm::Text), date = int(BoxForm::Date),
                  days = int(BoxForm::Validity);
        QTest::newRow("days and a word") << days << "30 dni" << QVariant(30.0);
        QTest::newRow("blank and point") << days << "  14.5d" << QVariant(14.5);
        QTest::newRow("no number") << days << "abc" << QVariant(0.0);
        QTest::newRow("below one") << days << "0,75" << QVariant(0.75);
        QTest::newRow("ISO date") << date << "2009-12-05" << QVariant(QDate(2009, 12, 5));
        QTest::newRow("empty date is Null") << date << "" << QVariant();
        QTest::newRow("empty text is no Null") << text << QString() << QVariant("");
        QTest::newRow("text") << text << "Cesta 1, Žalec" << QVariant("Cesta 1, Žalec");
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
        QStringList others{"2009/001", "2009/001", "2009/002", "2009/0ab"};
        others.removeOne(original);
        // Old files may have twins; the server keeps every number once.
        if (Db->onServer()) {
            others.removeAll(original);
            others.removeDuplicates();
        }
        const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", original}});
        for (const QString& number : others)
            addInvoice(*Db, {{"StevilkaRacuna", number}});
        const SaveResult r = Lists().saveOpened(id, original, header(typed));
        QCOMPARE(int(r.outcome), outcome);
        QCOMPARE(invoiceField(id, "StevilkaRacuna").toString(),
                 outcome == int(SaveOutcome::Saved) ? typed : original);
        QCOMPARE(tableCount("tblRacun"), 1 + others.size());
        QCOMPARE(counter(), 7.0); // saving an opened invoice never moves the counter
    }

    // A new invoice moves the counter past its number; the number is
    // stored and looked up as typed, quotes and all. Typed again it is
    // refused; proposed again (another workstation took it meanwhile) it
    // moves on to the next free number.
    void newNumbers_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("number");
        QTest::addColumn<double>("after");
        QTest::addColumn<QString>("moved"); // empty: no year to propose in
        QTest::newRow("same customer") << 2 << "2010/123" << 124.0 << "2010/124";
        QTest::newRow("quotes") << 0 << "2009/0'1 \"x\"" << 1.0 << "2009/001";
        QTest::newRow("quotes as in SQL") << 0 << "' OR ''='" << 7.0 << "";
    }
    void newNumbers() {
        QFETCH(int, mode);
        QFETCH(QString, number);
        Lists l;
        SaveResult r = l.save(header(number), mode);
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        QCOMPARE(invoiceField(r.invoiceId, "StevilkaRacuna").toString(), number);
        QTEST(counter(), "after");
        r = l.save(header(number), mode);
        QCOMPARE(int(r.outcome), int(SaveOutcome::DuplicateNumber));
        QCOMPARE(tableCount("tblRacun"), 1);
        QFETCH(QString, moved);
        if (moved.isEmpty())
            return;
        InvoiceHeader proposed = header(number);
        proposed.numberProposed = true;
        r = l.save(proposed, mode);
        QCOMPARE(int(r.outcome), int(SaveOutcome::Saved));
        QCOMPARE(r.number, moved);
        QCOMPARE(invoiceField(r.invoiceId, "StevilkaRacuna").toString(), moved);
    }

    void failedLineInsertRollsEverythingBack() {
        const qint64 existing = addInvoice(*Db, {{"StevilkaRacuna", "2009/001"}});
        addWorkLine({1, 1, 1, 10, 2, {}, false, 50.0});
        Lists l;
        refuse(*Db, SQLITE_INSERT, "tblRacunTarife");
        SaveResult r = l.save(header("2009/007"));
        refuseNothing(*Db);
        QCOMPARE(int(r.outcome), int(SaveOutcome::EngineError));
        QVERIFY(!r.error.isEmpty());
        QVERIFY(!Db->inTransaction());
        // No phantom row in the list; it stands where it stood.
        QCOMPARE(l.list->recordCount(), 1);
        QCOMPARE(l.list->field("ID").toLongLong(), existing);

        // The same for an opened invoice: its row and old lines stay as they were.
        addLine(*Db, existing, 3, 250, 1, {}, 625.0);
        refuse(*Db, SQLITE_INSERT, "tblRacunTarife");
        r = l.saveOpened(existing, "2009/001", header("2009/001"));
        refuseNothing(*Db);
        QCOMPARE(int(r.outcome), int(SaveOutcome::EngineError));
        QVERIFY(invoiceField(existing, "Ime").isNull());
        QCOMPARE(l.list->field("Ime").toString(), QString());
        QCOMPARE(storedLines(existing), QStringList{"3|250|1||625"});
    }

    // A save whose COMMIT goes unanswered (the connection drops after it
    // was sent) tells what the server did: saved, with the list on the
    // invoice, or not saved. Saved again with the same identity, as the
    // editor tries again, it is still one invoice, with the first number.
    void lostCommit_data() {
        QTest::addColumn<int>("lost");
        QTest::addColumn<bool>("landed");
        QTest::addColumn<bool>("numberTyped");
        using Lost = PgConnection::LostCommit;
        QTest::newRow("the server committed") << int(Lost::AfterServer) << true << false;
        QTest::newRow("the server committed, number typed")
            << int(Lost::AfterServer) << true << true;
        QTest::newRow("the link dropped before") << int(Lost::BeforeServer) << false << false;
    }
    void lostCommit() {
        if (!Db->onServer())
            QSKIP("a COMMIT on the file lands or fails here");
        QFETCH(int, lost);
        QFETCH(bool, landed);
        QFETCH(bool, numberTyped);
        addWorkLine({1, 1, 1, 10, 2, {}, false, 50.0});
        Lists l;
        InvoiceHeader h = header("2009/007");
        h.numberProposed = !numberTyped;
        h.saveKey = QUuid::createUuid().toString(QUuid::WithoutBraces);
        PgConnection::loseNextCommitForTest(PgConnection::LostCommit(lost));
        SaveResult r = l.save(h);
        QCOMPARE(int(r.outcome), int(landed ? SaveOutcome::Saved : SaveOutcome::EngineError));
        QVERIFY(!Db->inTransaction());
        QCOMPARE(tableCount("tblRacun"), landed ? 1 : 0);
        QCOMPARE(counter(), landed ? 8.0 : 7.0);
        QCOMPARE(l.list->recordCount(), landed ? 1 : 0);
        if (landed) {
            QCOMPARE(r.number, QString("2009/007"));
            QCOMPARE(l.list->field("ID").toLongLong(), r.invoiceId);
            QCOMPARE(storedLines(r.invoiceId), QStringList{"1|10|2||50"});
        }
        const SaveResult again = l.save(h);
        QCOMPARE(int(again.outcome), int(SaveOutcome::Saved));
        QCOMPARE(again.savedBefore, landed);
        QCOMPARE(again.number, QString("2009/007"));
        QCOMPARE(tableCount("tblRacun"), 1);
        QCOMPARE(tableCount("tblRacunTarife"), 1);
        QCOMPARE(counter(), 8.0);
        QCOMPARE(l.list->field("ID").toLongLong(), again.invoiceId);
        // Another save (its own identity) is another invoice.
        h.saveKey = QUuid::createUuid().toString(QUuid::WithoutBraces);
        h.numberProposed = true;
        QCOMPARE(l.save(h).number, QString("2009/008"));
        QCOMPARE(tableCount("tblRacun"), 2);
    }

    // The number proposed for a counter, and the counter after a number is
    // saved: the proposed one moves it one further, and the counter is of
    // the number's year when it has one.
    void numbering_data() {
        QTest::addColumn<QVariant>("counter"); // Null: a number typed, not proposed
        QTest::addColumn<QString>("number");
        QTest::addColumn<QVariant>("next"); // Null: the counter stays
        QTest::addColumn<int>("year");
        // clang-format off
        QTest::newRow("three digits") << QVariant(7.0) << "2009/007" << QVariant(8.0) << 2009;
        QTest::newRow("more than three") << QVariant(1234.0) << "2009/1234" << QVariant(1235.0) << 2009;
        QTest::newRow("fraction rounds") << QVariant(7.6) << "2009/008" << QVariant(9.0) << 2009;
        QTest::newRow("negative keeps its sign") << QVariant(-5.0) << "2009/-005" << QVariant(-4.0) << 2009;
        QTest::newRow("trailing text") << QVariant() << "2009/12a" << QVariant(13.0) << 2009;
        QTest::newRow("first slash counts") << QVariant() << "2009/5/3" << QVariant(6.0) << 2009;
        QTest::newRow("nothing after the slash") << QVariant() << "2009/" << QVariant(1.0) << 2009;
        QTest::newRow("no year before it") << QVariant() << "R-12/5" << QVariant(6.0) << 0;
        QTest::newRow("no slash") << QVariant() << "ABC" << QVariant() << 0;
        QTest::newRow("empty") << QVariant() << "" << QVariant() << 0;
        // clang-format on
    }
    void numbering() {
        QFETCH(QVariant, counter);
        QFETCH(QString, number);
        if (!counter.isNull())
            QCOMPARE(proposeNumber(2009, counter.toDouble()), number);
        const std::optional<double> next = nextCounter(number);
        QTEST(next ? QVariant(*next) : QVariant(), "next");
        QTEST(numberYear(number), "year");
    }
};

QTEST_GUILESS_MAIN(TestSaver)
#include "tst_saver.moc"
