// The editor and the register of customers: a customer chosen while the
// name is typed fills the customer's boxes, and "Kopiraj račun" opens a new
// invoice made from a stored one, which a save stores beside it.

#include "EditorSession.h"

#include "codelists/Customers.h"
#include "text/Clock.h"

#include <QAbstractItemView>
#include <QCompleter>

using namespace valmir;
using namespace valmir::test;

namespace {

// The customer's boxes other than the name, as Customers.h orders them.
const char* const FilledBoxes[] = {"Text1_2", "Text1_3",  "Text1_4",  "Text1_6", "Text1_5",
                                   "Text1_9", "Text1_10", "Text1_13", "Text1_14"};

QStringList filled(QWidget* e) {
    QStringList texts;
    for (const char* name : FilledBoxes)
        texts << text(e, name);
    return texts;
}

void addEntry(const QStringList& data, const QDate& used) {
    Customer c;
    for (int f = 0; f < CustomerFieldCount; ++f)
        c.data[f] = data.value(f);
    c.used = used;
    qint64 id = 0;
    QVERIFY(addCustomer(*Db, c, &id));
}

// An invoice's row and lines as stored, one text each.
QStringList storedInvoice(qint64 id) {
    return queryRows("SELECT * FROM tblRacun WHERE ID = ?", {id}) +
           queryRows("SELECT ID_tarifa, Tocke, Kolicina, Povisek, znesek FROM tblRacunTarife "
                     "WHERE ID_racun = ? ORDER BY ID_tarifa",
                     {id});
}

} // namespace

class TestRacunCopy : public FixtureTest {
    Q_OBJECT

    void prepare() override {
        setTodayForTest(QDate(2031, 3, 4));
        QVERIFY(Db->execute("UPDATE tblNastavitve SET StRacuna = 7, LetniStevec = False"));
    }

private Q_SLOTS:
    // Typing "cuk" offers the register's customers by the folded name,
    // the most recently used first; choosing the first fills the nine
    // boxes, its place over the post office's. A box typed differently is
    // replaced only when the user says yes.
    void chosenCustomerFillsTheBoxes_data() {
        QTest::addColumn<QString>("typedPhone");
        QTest::addColumn<QList<QMessageBox::StandardButton>>("answers");
        QTest::addColumn<QString>("phone");
        QTest::newRow("empty boxes") << "" << QList<QMessageBox::StandardButton>{} << "02 111";
        QTest::newRow("same text") << "02 111" << QList<QMessageBox::StandardButton>{} << "02 111";
        QTest::newRow("typed, replace") << "03 999" << QList{QMessageBox::Yes} << "02 111";
        QTest::newRow("typed, keep") << "03 999" << QList{QMessageBox::No} << "03 999";
    }
    void chosenCustomerFillsTheBoxes() {
        QFETCH(QString, typedPhone);
        QFETCH(QList<QMessageBox::StandardButton>, answers);
        QFETCH(QString, phone);
        const QStringList customer{
            "Čuk geodezija", "Pot 2",  "2000",       "Maribor-Tabor", "Ana Čuk",
            "02 111",        "02 112", "ana@cuk.si", "SI50223054",    "SI56 1910 0000 0123 438"};
        addEntry({"Cukjerman", "Cesta 9", "1000", "Ljubljana"}, QDate(2020, 1, 1));
        addEntry(customer, QDate(2031, 1, 5));
        addEntry({"Novak", "Pot 1", "1000", "Ljubljana"}, QDate(2031, 2, 1));
        Session s;
        QVERIFY(s.e);
        box(s.e, "Text1_5")->setText(typedPhone);
        s.watcher.answers = answers;
        QLineEdit* name = box(s.e, "Text1_1");
        name->setFocus();
        QTest::keyClicks(name, "cuk");
        QAbstractItemView* popup = child<QCompleter>(s.e, "Completer1")->popup();
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(popup->model()->rowCount(), 2);
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
        QTRY_COMPARE(text(s.e, "Text1_1"), customer[CustomerName]);
        QCOMPARE(s.watcher.seen.size(), answers.size());
        QStringList expected = customer.mid(1);
        expected[CustomerPhone - 1] = phone;
        QCOMPARE(filled(s.e), expected);
        QVERIFY(s.e->isModified());
    }

    // A copy takes the customer, the work and the pricing of the stored
    // invoice, its lines at today's points, leaving out (and naming) a
    // line whose operation is gone; a save stores it as a new invoice
    // with its own number and adds its customer to the register. The
    // original stays as it was.
    void copyIsSavedAsANewInvoice() {
        const qint64 op = operationId(*Db, 1, 6);
        QVERIFY(Db->execute("UPDATE tblTarife SET Tocke = 123 WHERE ID = ?", {op}));
        // clang-format off
        const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", "2030/041"}, {"Ime", "Geo d.o.o."},
            {"Naslov", "Cesta 1"}, {"PST", "1000"}, {"Posta", "Ljubljana"}, {"Telefon", "01 111"},
            {"KontaktnaOseba", "Miha"}, {"Opombe", "prva\ndruga"}, {"Faks", "01 222"},
            {"Email", "geo@x.si"}, {"Delovisce", "Meja"}, {"Zadeva", "Z-7"}, {"Davcna", "SI123"},
            {"TRR", "SI56"}, {"Datum", QDate(2030, 5, 2)}, {"Veljavnost", 45.0},
            {"Placan", true}, {"EnotenElaborat", true}, {"VrednostTocke", 2.5},
            {"ProcentPavsala", 7.0}});
        // clang-format on
        addLine(*Db, id, op, 100.0, 2.0, QVariant(), 500.0);
        addLine(*Db, id, 999999, 40.0, 3.0, QVariant(), 300.0);
        addLine(*Db, id, -1, QVariant(), QVariant(), QVariant(), 35.0);
        const QStringList original = storedInvoice(id);

        auto list = invoiceList();
        ModalWatcher watcher;
        Racun editor(appContext(), list.get(), Racun::CopyOf{id});
        editor.show();
        QTRY_VERIFY(!caption(&editor, "Label4").isEmpty() && !watcher.seen.isEmpty());
        QCOMPARE(watcher.seen,
                 QStringList{"Kopija računa|Teh postavk ni v novem računu, ker njihovih opravil "
                             "ni več v šifrantu:\ntočke 40, količina 3, znesek 300,00\u00A0€"});
        QStringList header;
        for (int i = 0; i < 16; ++i)
            header << editor.headerText(i);
        QCOMPARE(header, (QStringList{"2031/007", "Geo d.o.o.", "Cesta 1", "1000", "Ljubljana",
                                      "01 111", "Miha", "prva\ndruga", "4.3.2031", "01 222",
                                      "geo@x.si", "Meja", "Z-7", "SI123", "SI56", "30"}));
        QCOMPARE(text(&editor, "Text2"), QString("2,5"));
        QCOMPARE(text(&editor, "Text3"), QString("7"));
        QVERIFY(option(&editor, "Check1")->isChecked());
        QVERIFY(option(&editor, "Check2")->isChecked());
        QVERIFY(!option(&editor, "Check3")->isChecked());
        QCOMPARE(tableCount("tblRacun"), 1);

        click(&editor, "Command1");
        QTRY_VERIFY(!editor.isVisible());
        QCOMPARE(storedInvoice(id), original);
        const qint64 copy =
            Db->scalar("SELECT ID FROM tblRacun WHERE StevilkaRacuna = '2031/007'").toLongLong();
        QVERIFY(copy != 0 && copy != id);
        // 123 points x 2 x 2,50 € x 70 %, and 7 % of it as the lump sum.
        QCOMPARE(queryRows("SELECT ID_tarifa, Tocke, Kolicina, znesek FROM tblRacunTarife "
                           "WHERE ID_racun = ? ORDER BY ID_tarifa",
                           {copy}),
                 (QStringList{"-1|||30.14", QString::number(op) + "|123|2|430.5"}));
        QCOMPARE(queryRows("SELECT Ime, Davcna, Datum, Placan, Delovisce, Zadeva FROM tblRacun "
                           "WHERE ID = ?",
                           {copy}),
                 QStringList{"Geo d.o.o.|SI123|2031-03-04|false|Meja|Z-7"});
        QCOMPARE(queryRows("SELECT Ime, Uporabljen FROM tblNarocnik"),
                 QStringList{"Geo d.o.o.|2031-03-04"});
    }
};

QTEST_MAIN(TestRacunCopy)
#include "tst_racun_copy.moc"
