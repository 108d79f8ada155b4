// The register of customers: finding an invoice's customer in it, its
// search, the checks of tax numbers and accounts in the window
// "Naročniki", and how a saved invoice keeps it current.

#include "TestSupport.h"
#include "codelists/Customers.h"
#include "windows/N_narocniki.h"

using namespace valmir;
using namespace valmir::test;

namespace {

// An entry from "name|street|postcode|place|contact|phone|fax|email|tax|account".
Customer customer(const QString& fields, const QDate& used = QDate()) {
    Customer c;
    const QStringList parts = fields.split(u'|');
    for (int f = 0; f < CustomerFieldCount; ++f)
        c.data[f] = parts.value(f);
    c.used = used;
    return c;
}

qint64 add(const QString& fields, const QDate& used = QDate()) {
    qint64 id = 0;
    if (!addCustomer(*Db, customer(fields, used), &id))
        qWarning("%s", qPrintable(Db->lastError()));
    return id;
}

QStringList register_(const char* fields = "Ime, Telefon, Davcna, Uporabljen") {
    return queryRows(QStringLiteral("SELECT %1 FROM tblNarocnik ORDER BY ID").arg(fields));
}

} // namespace

class TestCustomers : public FixtureTest {
    Q_OBJECT

private Q_SLOTS:
    // By the tax number whatever else differs, in any of the forms it is
    // typed in; without one by name, street and postcode, folded.
    void findsTheInvoicesCustomer_data() {
        QTest::addColumn<QString>("invoice");
        QTest::addColumn<QString>("found"); // the entry's street, empty for none
        QTest::newRow("tax number, other name") << "Drugo ime||||||||50223054"
                                                << "Cesta 1";
        QTest::newRow("tax number typed loosely") << "||||||||si 5022 3054"
                                                  << "Cesta 1";
        QTest::newRow("other tax number, same name") << "Geo d.o.o.|Cesta 1|1000||||||SI10000020"
                                                     << "";
        QTest::newRow("name folded") << "ČUK janez|pot 2|2000"
                                     << "Pot 2";
        QTest::newRow("other street") << "Čuk Janez|Pot 4|2000"
                                      << "";
    }
    void findsTheInvoicesCustomer() {
        QFETCH(QString, invoice);
        QFETCH(QString, found);
        add("Geo d.o.o.|Cesta 1|1000|Ljubljana|||||SI50223054", QDate(2030, 1, 1));
        add("Cuk Janez|Pot 2|2000");
        add("Čuk Janez|Pot 3|2000");
        std::optional<Customer> entry;
        QVERIFY2(findCustomer(*Db, customer(invoice), &entry), qPrintable(Db->lastError()));
        QCOMPARE(entry ? entry->data[CustomerStreet] : QString(), found);
    }

    // The window's search looks in several fields, the editor's offers in
    // the name only, most recently used first; "%", "_", "'" and "\" are
    // plain characters.
    void searchesFoldedAndLiterally_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("offered"); // by name, newest first
        QTest::addColumn<QStringList>("listed");  // the window's rows, by name
        QTest::newRow("folded") << "cebel" << QStringList{"Čebelar"} << QStringList{"Čebelar"};
        QTest::newRow("percent") << "100%" << QStringList{"100% Geo"} << QStringList{"100% Geo"};
        QTest::newRow("underscore") << "o_p" << QStringList{"Geo_Plan"} << QStringList{"Geo_Plan"};
        QTest::newRow("quote") << "o'b" << QStringList{"O'Brien"} << QStringList{"O'Brien"};
        QTest::newRow("backslash")
            << "k\\s" << QStringList{"Back\\slash"} << QStringList{"Back\\slash"};
        QTest::newRow("newest first")
            << "geo" << QStringList{"GeoXPlan", "1005 Geo", "100% Geo", "Geo_Plan"}
            << QStringList{"100% Geo", "1005 Geo", "GeoXPlan", "Geo_Plan"};
        QTest::newRow("place") << "mARIBOR" << QStringList{} << QStringList{"Čebelar"};
        QTest::newRow("blank") << "  " << QStringList{} << QStringList{};
    }
    void searchesFoldedAndLiterally() {
        QFETCH(QString, typed);
        QFETCH(QStringList, offered);
        QFETCH(QStringList, listed);
        add("100% Geo", QDate(2029, 1, 1));
        add("1005 Geo", QDate(2030, 1, 1));
        add("Geo_Plan");
        add("GeoXPlan", QDate(2031, 1, 1));
        add("O'Brien");
        add("Back\\slash");
        add("Čebelar||2000|Maribor");
        QList<Customer> found;
        QVERIFY(customersByName(*Db, typed, 10, &found));
        QStringList names;
        for (const Customer& c : found)
            names << c[CustomerName];
        QCOMPARE(names, offered);
        const CustomerFilter filter = customerFilter(typed);
        if (!listed.isEmpty()) {
            QStringList rows =
                queryRows("SELECT Ime FROM tblNarocnik" + filter.where, filter.params);
            rows.sort();
            QCOMPARE(rows, listed);
        } else {
            QVERIFY(filter.where.isEmpty());
        }
    }

    // "Shrani" in the window: a number that fails its check is kept as
    // typed once the user says so, and never corrected.
    void checksNumbersBeforeSaving_data() {
        QTest::addColumn<QString>("tax");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QStringList>("asked"); // the questions' titles and first words
        const QString badTax = "Vprašanje|Davčna številka";
        const QString badAccount = "Vprašanje|Transakcijski račun";
        QTest::newRow("both good") << "SI50223054"
                                   << "SI56 1910 0000 0123 438" << QStringList{};
        QTest::newRow("bare digits, foreign IBAN") << "50223054"
                                                   << "DE89370400440532013000" << QStringList{};
        QTest::newRow("check digit 10 is 0") << "10000020"
                                             << "" << QStringList{};
        QTest::newRow("check digit 11 never") << "20000031"
                                              << "" << QStringList{badTax};
        QTest::newRow("wrong check digit") << "SI50223055"
                                           << "" << QStringList{badTax};
        QTest::newRow("seven digits") << "5022305"
                                      << "" << QStringList{badTax};
        QTest::newRow("letters") << "SIABCDEFGH"
                                 << "" << QStringList{badTax};
        QTest::newRow("wrong IBAN") << ""
                                    << "SI56 1910 0000 0123 439" << QStringList{badAccount};
        QTest::newRow("old account form") << "SI5022305"
                                          << "02010-0012345678" << QStringList{badTax, badAccount};
    }
    void checksNumbersBeforeSaving() {
        QFETCH(QString, tax);
        QFETCH(QString, account);
        QFETCH(QStringList, asked);
        ModalWatcher watcher;
        for (int i = 0; i < asked.size(); ++i)
            watcher.answers << QMessageBox::Yes;
        N_narocniki w(appContext());
        QVERIFY(w.isLoaded());
        click(&w, "Command1");
        box(&w, "Text1_0")->setText("Kupec");
        box(&w, "Text1_8")->setText(tax);
        box(&w, "Text1_9")->setText(account);
        click(&w, "Command2");
        QStringList seen;
        for (const QString& s : watcher.seen)
            seen << s.section(u' ', 0, 1);
        QCOMPARE(seen, asked);
        QVERIFY(!w.isEditing());
        QCOMPARE(register_("Ime, Davcna, TRR"), QStringList{"Kupec|" + tax + u'|' + account});
        QCOMPARE(lineCount(&w), 1);
    }

    // What the register alone keeps for e-invoices: the electronic address
    // as typed, in the form "scheme:identifier" or none, and the format;
    // shown again when the window opens anew.
    void keepsTheElectronicAddress_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("format");   // the choice: 0 e-SLOG, 1 Peppol
        QTest::addColumn<QString>("kept"); // ElektronskiNaslov|OblikaERacuna; empty: nothing saved
        QTest::newRow("Peppol address") << "9949:SI50223054" << 1 << "9949:SI50223054|peppol";
        QTest::newRow("none, e-SLOG") << "" << 0 << "|";
        QTest::newRow("GLN") << "0088:3830000000001" << 0 << "0088:3830000000001|";
        QTest::newRow("no scheme") << "SI50223054" << 1 << "";
        QTest::newRow("scheme of letters") << "SI:50223054" << 0 << "";
    }
    void keepsTheElectronicAddress() {
        QFETCH(QString, address);
        QFETCH(int, format);
        QFETCH(QString, kept);
        ModalWatcher watcher;
        watcher.keys << Qt::Key_Return;
        {
            N_narocniki w(appContext());
            QVERIFY(w.isLoaded());
            click(&w, "Command1");
            box(&w, "Text1_0")->setText("Kupec");
            box(&w, "Text2")->setText(address);
            auto* combo = w.findChild<QComboBox*>("Combo1");
            QVERIFY(combo);
            combo->setCurrentIndex(format);
            click(&w, "Command2");
            QCOMPARE(w.isEditing(), kept.isEmpty());
            QCOMPARE(watcher.seen.size(), kept.isEmpty() ? 1 : 0);
            if (kept.isEmpty()) {
                QVERIFY2(watcher.seen.value(0).startsWith(
                             "Elektronski naslov|Elektronski naslov »" + address + "« ni pravilen"),
                         qPrintable(watcher.seen.value(0)));
                QCOMPARE(w.focusWidget() ? w.focusWidget()->objectName() : "Text2", "Text2");
                QCOMPARE(register_("Ime"), QStringList());
                return;
            }
        }
        QCOMPARE(register_("ElektronskiNaslov, OblikaERacuna"), QStringList{kept});
        N_narocniki again(appContext());
        QCOMPARE(text(&again, "Text2"), address);
        QCOMPARE(again.findChild<QComboBox*>("Combo1")->currentIndex(), format);
    }

    // The window by the keyboard, over the entry "Kupec": the boxes typed
    // into ("box=text"), then Esc, "Briši" or "Shrani"; the keys answering
    // the boxes that follow (Key_No: the button "Ne" clicked), the boxes
    // shown (title|first word), the box the cursor is on when the window
    // stays open (empty: it closed), and the register afterwards.
    void byKeys_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("command"); // Esc, Command2 (Shrani), Command4 (Briši)
        QTest::addColumn<QList<Qt::Key>>("answers");
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("entries"); // Ime|Telefon|Davcna, one a line
        const QString close = "Majhna pozornost|Si", ask = "Trenutek odločitve|Naročnik";
        const QStringList phone{"Text1_5=041"};
        // clang-format off
        QTest::newRow("Esc unchanged") << QStringList{} << "Esc" << QList<Qt::Key>{} << QStringList{} << "" << "Kupec||";
        QTest::newRow("Esc, Prekliči keeps the change") << phone << "Esc" << QList{Qt::Key_Escape} << QStringList{close} << "Text1_5" << "Kupec||";
        QTest::newRow("Esc, Da saves") << phone << "Esc" << QList{Qt::Key_Return} << QStringList{close} << "" << "Kupec|041|";
        QTest::newRow("Esc, Ne drops") << phone << "Esc" << QList{Qt::Key_No} << QStringList{close} << "" << "Kupec||";
        QTest::newRow("delete, Enter keeps it") << QStringList{} << "Command4" << QList{Qt::Key_Return} << QStringList{ask} << "DBGrid1" << "Kupec||";
        QTest::newRow("delete, Esc keeps it") << QStringList{} << "Command4" << QList{Qt::Key_Escape} << QStringList{ask} << "DBGrid1" << "Kupec||";
        QTest::newRow("bad tax number, Ne") << QStringList{"Text1_8=SI50223055", "Text1_5=041"} << "Command2" << QList{Qt::Key_Escape} << QStringList{"Vprašanje|Davčna"} << "Text1_8" << "Kupec||";
        // clang-format on
    }
    void byKeys() {
        QFETCH(QStringList, typed);
        QFETCH(QString, command);
        QFETCH(QList<Qt::Key>, answers);
        QFETCH(QString, focus);
        add("Kupec");
        ModalWatcher watcher;
        for (Qt::Key answer : answers) {
            if (answer == Qt::Key_No)
                watcher.answers << QMessageBox::No;
            else
                watcher.keys << answer;
        }
        N_narocniki w(appContext());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        grid(&w)->setFocus();
        for (const QString& t : typed) {
            QLineEdit* b = box(&w, t.section(u'=', 0, 0));
            b->setFocus();
            QTest::keyClicks(b, t.section(u'=', 1));
        }
        if (command == "Esc")
            QTest::keyClick(w.focusWidget(), Qt::Key_Escape);
        else
            click(&w, command);
        QStringList seen;
        for (const QString& s : watcher.seen)
            seen << s.section(u'|', 0, 0) + u'|' + s.section(u'|', 1).section(u' ', 0, 0);
        QTEST(seen, "seen");
        QCOMPARE(w.isVisible(), !focus.isEmpty());
        QCOMPARE(w.isVisible() ? w.focusWidget()->objectName() : QString(), focus);
        // What was typed stays in a window left open.
        for (const QString& t : typed)
            QVERIFY(!w.isVisible() || box(&w, t.section(u'=', 0, 0))->text() == t.section(u'=', 1));
        QTEST(register_("Ime, Telefon, Davcna").join(u'\n'), "entries");
    }

    // The postcode fills the place once its four digits are typed, as in
    // the editor; an unknown one leaves the place as typed.
    void postcodeFillsThePlace() {
        const QString place = Db->scalar("SELECT Posta FROM tbPoste WHERE Stev=2000").toString();
        QVERIFY(!place.isEmpty());
        N_narocniki w(appContext());
        click(&w, "Command1");
        QLineEdit* code = box(&w, "Text1_2");
        QTest::keyClicks(code, "200");
        QCOMPARE(text(&w, "Text1_3"), QString());
        QTest::keyClicks(code, "0");
        QCOMPARE(text(&w, "Text1_3"), place);
        box(&w, "Text1_3")->setText("Moje mesto");
        code->clear();
        QTest::keyClicks(code, "9999");
        QCOMPARE(text(&w, "Text1_3"), QString("Moje mesto"));
    }

    // After a save: a new customer is added, a changed one updated only
    // when the user says yes, and never from an invoice older than the
    // register's data; the date of use only moves on.
    void keepsTheRegisterCurrent_data() {
        QTest::addColumn<QString>("invoice");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("asked");
        QTest::addColumn<QStringList>("after");
        const QString stored = "Geo|Cesta 1|1000|Ljubljana||01 111||||";
        const QString known = "Geo|01 111||2030-05-01";
        QTest::newRow("new customer") << "Novak|Pot 2|2000" << QDate(2031, 1, 2) << false << 0
                                      << QStringList{known, "Novak|||2031-01-02"};
        QTest::newRow("same data")
            << stored << QDate(2031, 1, 2) << false << 0 << QStringList{"Geo|01 111||2031-01-02"};
        QTest::newRow("changed, yes") << "Geo|Cesta 1|1000|Ljubljana||02 222" << QDate(2031, 1, 2)
                                      << true << 1 << QStringList{"Geo|02 222||2031-01-02"};
        QTest::newRow("changed, no") << "Geo|Cesta 1|1000|Ljubljana||02 222" << QDate(2031, 1, 2)
                                     << false << 1 << QStringList{"Geo|01 111||2031-01-02"};
        QTest::newRow("older invoice") << "Geo|Cesta 1|1000|Ljubljana||02 222" << QDate(2029, 1, 1)
                                       << true << 0 << QStringList{known};
        QTest::newRow("no customer") << "" << QDate(2031, 1, 2) << true << 0 << QStringList{known};
    }
    void keepsTheRegisterCurrent() {
        QFETCH(QString, invoice);
        QFETCH(QDate, date);
        QFETCH(bool, answer);
        QFETCH(int, asked);
        QFETCH(QStringList, after);
        add("Geo|Cesta 1|1000|Ljubljana||01 111", QDate(2030, 5, 1));
        QVERIFY(Db->execute("UPDATE tblNarocnik SET ElektronskiNaslov = '9949:SI50223054', "
                            "OblikaERacuna = 'peppol'"));
        int questions = 0;
        const CustomerKept kept = keepCustomerCurrent(*Db, customer(invoice), date, [&] {
            ++questions;
            return answer;
        });
        QVERIFY2(kept.ok, qPrintable(kept.error));
        QCOMPARE(questions, asked);
        QCOMPARE(register_(), after);
        QCOMPARE(kept.updated, answer && asked == 1);
        // An invoice has neither: the register keeps its own.
        QCOMPARE(register_("Ime, ElektronskiNaslov, OblikaERacuna").first(),
                 QString("Geo|9949:SI50223054|peppol"));
    }
};

QTEST_MAIN(TestCustomers)
#include "tst_customers.moc"
