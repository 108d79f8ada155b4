#include "TestSupport.h"
#include "app/Glavna.h"
#include "document/Payments.h"
#include "invoice/InvoiceSearch.h"
#include "invoice/StoredTotals.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "text/TextForms.h"
#include "windows/Navodila.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QMenuBar>
#include <QScopeGuard>
#include <QSettings>
#include <QTextBrowser>

using namespace valmir;

namespace {

// Columns of the list.
constexpr int CustomerColumn = 5;
constexpr int DueColumn = 17;
constexpr int ReminderColumn = 18;

void clickHeader(Glavna& w, int column) {
    QHeaderView* header = w.list()->horizontalHeader();
    QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
              header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestGlavna : public test::FixtureTest {
    Q_OBJECT

    std::unique_ptr<Glavna> showWindow() {
        auto w = std::make_unique<Glavna>(appContext());
        w->resize(1100, 500);
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("window not active");
        return w;
    }

    // On 7.12.2026: 2026/001 of 60 days ago with 30 days to pay, unpaid; the
    // same paid; one due today; 2026/005 overdue but taken back whole by the
    // credit note 2026/004, whose due date (as if one were stored) passed.
    QHash<QString, qint64> addDueInvoices() {
        setTodayForTest(QDate(2026, 12, 7));
        QHash<QString, qint64> ids;
        // number, paid, due in days from today, to pay, the invoice it credits
        const std::tuple<const char*, bool, int, double, const char*> invoices[] = {
            {"2026/001", false, -30, 1234, ""},
            {"2026/002", true, -30, 100, ""},
            {"2026/003", false, 0, 50, ""},
            {"2026/005", false, -30, 100, ""},
            {"2026/004", false, -30, -100, "2026/005"},
            {"2026/006", false, -30, 130, ""},
            {"2026/007", false, -30, -100, "2026/006"}};
        for (const auto& [number, paid, due, toPay, credited] : invoices)
            ids[number] = test::addInvoice(
                *Db, {{"StevilkaRacuna", number},
                      {"Datum", today().addDays(due - 30)},
                      {"Veljavnost", 30},
                      {"Zapade", today().addDays(due)},
                      {"Placan", paid},
                      {"ZaPlacilo", toPay},
                      {"Email", "obcina@kranj.si"},
                      {"Dobropis", *credited != 0},
                      {"IzvirniID", *credited ? QVariant(ids.value(credited)) : QVariant()}});
        return ids;
    }

    QList<QUrl> m_opened; // by the desktop's PDF viewer

public Q_SLOTS: // not a test
    void open(const QUrl& url) { m_opened << url; }

private Q_SLOTS:
    void headerClicksSortByStoredValues() {
        for (const auto& [number, date, paid, name] :
             {std::tuple("2009/010", QDate(2009, 12, 20), true, "Dolenc"),
              {"2010/002", QDate(2010, 1, 5), false, "čuk"},
              {"2009/001", QDate(2009, 2, 3), true, "Cvek"},
              {"2009/100", QDate(), false, "ana"}})
            test::addInvoice(
                *Db,
                {{"StevilkaRacuna", number}, {"Datum", date}, {"Placan", paid}, {"Ime", name}});
        auto w = showWindow();
        BoundListModel* m = w->list()->listModel();
        const QStringList ascending{"2009/001", "2009/010", "2009/100", "2010/002"};
        QCOMPARE(test::shownColumn(w.get(), 0), QStringList(ascending.rbegin(), ascending.rend()));

        // Each click: the column, its caption then and what it shows from the top.
        const std::tuple<int, QString, QStringList> clicks[] = {
            {0, "<< Št. računa", ascending},
            {0, ">> Št. računa", QStringList(ascending.rbegin(), ascending.rend())},
            // Dates by the stored date, not by their text; no date first.
            {1, "<< Datum", {"", "3.2.2009", "20.12.2009", "5.1.2010"}},
            {2, "<< Plačan", {"Ne", "Ne", "Da", "Da"}},
            {2, ">> Plačan", {"Da", "Da", "Ne", "Ne"}},
            // Without regard to case, in the order of the Slovenian alphabet.
            {CustomerColumn, "<< Naročnik", {"ana", "Cvek", "čuk", "Dolenc"}},
            // A column sorted descending before starts ascending again.
            {0, "<< Št. računa", ascending},
        };
        auto [before, marked] = std::pair(0, QString(">> Št. računa"));
        for (const auto& [column, caption, shown] : clicks) {
            w->list()->moveToRow(2);
            clickHeader(*w, column);
            QCOMPARE(m->caption(column), caption);
            if (column != before) // the mark has left the former sort column
                QCOMPARE(m->caption(before), marked.mid(3));
            QCOMPARE(test::shownColumn(w.get(), column), shown);
            QCOMPARE(w->list()->currentIndex().row(), 0);
            before = column;
            marked = caption;
        }

        // A list that cannot be read is told once, and shows nothing.
        test::ModalWatcher watcher;
        test::refuse(*Db, SQLITE_READ, "tblRacun", "Ime");
        clickHeader(*w, CustomerColumn);
        QCOMPARE(watcher.seen.size(), 1);
        QVERIFY(watcher.seen.at(0).startsWith("Ne bo šlo|Seznama računov ni mogoče prebrati:\n"));
        QCOMPARE(m->rowCount(), 0);
    }

    // Each way of acting on the current invoice (row -1: on an empty list):
    // the windows it brings up (message boxes as "title|text", the editor as
    // "Racun <OpenMode>"; each the start of what was shown) and the list
    // after. Yes to deleting takes the invoice away unless the engine refuses.
    void actingOnTheCurrentInvoice_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("by");
        QTest::addColumn<QString>("answer");  // Yes, No, Return (the key), or a button of the new-invoice question
        QTest::addColumn<QString>("failing"); // a table the engine refuses to delete from
        QTest::addColumn<QStringList>("seen");
        using L = QStringList;
        const QString ask = "Trenutek odločitve|Izbrani račun bo izbrisan za vse večne "
                            "čase!\r\nJe to res tvoja želja?";
        const L failed{ask, "Ne bo šlo|Računa ni bilo mogoče izbrisati:\n"};
        // clang-format off
        QTest::newRow("new, empty list") << -1 << "Command1" << "" << "" << L{"Racun 0"};
        QTest::newRow("open, empty list") << -1 << "Command2" << "" << "" << L();
        QTest::newRow("delete, empty list") << -1 << "Command3" << "Yes" << "" << L();
        QTest::newRow("new, blank name") << 0 << "Command1" << "" << "" << L{"Racun 0"};
        QTest::newRow("new, question closed") << 1 << "Command1" << "" << "" << L{"Nov_racun"};
        QTest::newRow("new, same customer") << 1 << "Command1" << "Command2" << ""
                                            << L{"Nov_racun", "Racun 2"};
        QTest::newRow("open") << 1 << "Command2" << "" << "" << L{"Racun 1"};
        QTest::newRow("copy") << 1 << "Command5" << "" << "" << L{"Racun 0 Geodet d.o.o."};
        QTest::newRow("copy, empty list") << -1 << "Command5" << "" << "" << L();
        QTest::newRow("double-click") << 1 << "double-click" << "" << "" << L{"Racun 1"};
        QTest::newRow("delete") << 1 << "Command3" << "Yes" << "" << L{ask};
        QTest::newRow("delete the last row") << 3 << "Command3" << "Yes" << "" << L{ask};
        QTest::newRow("Delete key") << 1 << "key" << "Yes" << "" << L{ask};
        QTest::newRow("delete, no") << 1 << "Command3" << "No" << "" << L{ask};
        QTest::newRow("delete, Enter keeps it") << 1 << "Command3" << "Return" << "" << L{ask};
        QTest::newRow("delete failing") << 1 << "Command3" << "Yes" << "tblRacunTarife" << failed;
        // clang-format on
    }
    void actingOnTheCurrentInvoice() {
        QFETCH(int, row);
        QFETCH(QString, by);
        QFETCH(QString, answer);
        QFETCH(QString, failing);
        QFETCH(QStringList, seen);
        QStringList left{"2009/004", "2009/003", "2009/002", "2009/0'1"}; // a quote stays text
        if (row < 0)
            left.clear();
        for (const QString& number : left)
            test::addInvoice(*Db, {{"StevilkaRacuna", number},
                                   {"Ime", number == left[0] ? "  " : "Geodet d.o.o."}});
        auto w = showWindow();
        test::ModalWatcher watcher;
        watcher.answers << (answer == "No" ? QMessageBox::No : QMessageBox::Yes);
        if (answer == "Return")
            watcher.keys << Qt::Key_Return;
        watcher.dialogs["Racun"] = [&](QWidget* editor) {
            watcher.seen << QString("Racun %1 %2")
                                .arg(OpenMode)
                                .arg(editor->findChild<QLineEdit*>("Text1_1")->text());
            static_cast<QDialog*>(editor)->reject();
        };
        watcher.dialogs["Nov_racun"] = [&](QWidget* question) {
            watcher.seen << "Nov_racun";
            if (answer.isEmpty())
                static_cast<QDialog*>(question)->reject();
            else
                question->findChild<QPushButton*>(answer)->click();
        };
        if (!failing.isEmpty())
            test::refuse(*Db, SQLITE_DELETE, failing);
        w->list()->moveToRow(row);
        OpenMode = 7; // the window must set it
        if (by == "key") {
            w->list()->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), w->list());
            QTest::keyClick(w->list(), Qt::Key_Delete);
        } else if (by == "double-click") {
            QRect cell = w->list()->visualRect(w->list()->listModel()->index(row, 3));
            QTest::mouseClick(w->list()->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(w->list()->viewport(), Qt::LeftButton, {}, cell.center());
        } else {
            QTest::mouseClick(w->findChild<QPushButton*>(by), Qt::LeftButton);
        }
        QCOMPARE(watcher.seen.size(), seen.size());
        for (int i = 0; i < seen.size(); ++i)
            QVERIFY2(watcher.seen[i].startsWith(seen[i]), qPrintable(watcher.seen[i]));
        if (answer == "Yes" && failing.isEmpty() && !left.isEmpty())
            left.removeAt(row);
        QCOMPARE(test::shownColumn(w.get(), 0), left);
        if (!left.isEmpty()) { // on the next row, or the new last one
            const int current = std::min<int>(row, left.size() - 1);
            QCOMPARE(w->list()->recordset()->field("StevilkaRacuna").toString(), left[current]);
            QCOMPARE(w->list()->currentIndex().row(), current);
        }
    }

    // The current invoice is deleted another way (here by a statement on
    // the same database, which the list follows at once) while an action
    // asks about it, or before the action: the list stands on the gap,
    // where the next invoice already stands. Nothing happens to that one,
    // and the user is told why.
    void actingOnAnInvoiceDeletedMeanwhile_data() {
        QTest::addColumn<QString>("by");
        QTest::addColumn<bool>("underTheQuestion"); // else before the click
        QTest::newRow("delete") << "Command3" << true;
        QTest::newRow("credit note") << "Command4" << true;
        QTest::newRow("delete, on the gap") << "Command3" << false;
        QTest::newRow("credit note, on the gap") << "Command4" << false;
        QTest::newRow("copy, on the gap") << "Command5" << false;
        QTest::newRow("reminder, on the gap") << "Command6" << false;
    }
    void actingOnAnInvoiceDeletedMeanwhile() {
        QFETCH(QString, by);
        QFETCH(bool, underTheQuestion);
        QVERIFY(Db->execute("UPDATE tblNastavitve SET StRacuna = 5"));
        // Paid: a reminder of the next one would be refused, not written.
        const qint64 x = test::addInvoice(*Db, {{"StevilkaRacuna", "2026/002"}, {"Placan", true}});
        test::addInvoice(*Db, {{"StevilkaRacuna", "2026/001"}, {"Placan", true}});
        auto w = showWindow();
        w->list()->moveToRow(w->list()->recordset()->positionOf(x));
        QCOMPARE(w->list()->currentRow(), 0);
        test::ModalWatcher watcher;
        watcher.answers << QMessageBox::Yes;
        watcher.dialogs["Racun"] = [&](QWidget* editor) {
            watcher.seen << "Racun";
            static_cast<QDialog*>(editor)->reject();
        };
        const auto deleteX = [&] {
            QVERIFY(Db->execute("DELETE FROM tblRacun WHERE ID = ?", {x}));
            QCOMPARE(w->list()->currentRow(), 0); // the gap, with 2026/001 there
            QCOMPARE(w->list()->recordset()->bookmark(), 0);
        };
        if (underTheQuestion)
            watcher.meanwhile = deleteX;
        else
            deleteX();
        test::click(w.get(), by);
        QCOMPARE(watcher.seen.size(), underTheQuestion ? 2 : 1);
        const Message& told = Messages::AskedRowChanged;
        QCOMPARE(watcher.seen.last(), told.title + '|' + told.text.arg(Messages::RowDeletedBy));
        QCOMPARE(test::queryRows("SELECT StevilkaRacuna FROM tblRacun"), QStringList{"2026/001"});
    }

    // "Dobropis" makes the credit note of the current invoice after a
    // question and opens it; the list counts it negative; a credit note is
    // not credited again, and deleting its invoice names it first.
    void creditNoteFromTheList() {
        QVERIFY(Db->execute("UPDATE tblNastavitve SET StRacuna = 5"));
        const qint64 id = test::addInvoice(*Db, {{"StevilkaRacuna", "2026/004"},
                                                 {"Datum", QDate(2026, 12, 5)},
                                                 {"VrednostTocke", 1.0},
                                                 {"StopnjaDDV", 22},
                                                 {"Ime", "Občina"}});
        test::addLine(*Db, id, test::operationId(*Db, 1, 1), 100, 1, {}, 100.0);
        QVERIFY(computeStoredTotals(*Db));
        auto w = showWindow();
        test::ModalWatcher watcher;
        QString editorTitle;
        watcher.dialogs["Racun"] = [&](QWidget* editor) {
            editorTitle = editor->windowTitle();
            static_cast<QDialog*>(editor)->reject();
        };
        watcher.answers << QMessageBox::Yes;
        w->list()->moveToRow(0);
        test::click(w.get(), "Command4");
        const QString number = QString("%1/005").arg(today().year());
        QCOMPARE(watcher.seen.size(), 1);
        QVERIFY2(watcher.seen[0].contains("dobropis k računu 2026/004"),
                 qPrintable(watcher.seen[0]));
        QCOMPARE(editorTitle, QString("Dobropis k računu 2026/004"));
        QCOMPARE(w->list()->recordset()->field("StevilkaRacuna").toString(), number);
        QCOMPARE(w->list()->recordset()->field("ZaPlacilo").toDouble(), -122.0);
        QTRY_VERIFY(w->findChild<QLabel*>("Label2")->text().contains("neplačano 0,00"));

        watcher.seen.clear();
        test::click(w.get(), "Command4"); // on the credit note
        test::click(w.get(), "Command5");
        QCOMPARE(watcher.seen, (QStringList{Messages::CreditNoteOfCreditNote.title + '|' +
                                                Messages::CreditNoteOfCreditNote.text,
                                            CopyMessages::OfCreditNote.title + '|' +
                                                CopyMessages::OfCreditNote.text}));
        QCOMPARE(test::tableCount("tblRacun"), 2);

        // Credited before: the question names the credit note.
        watcher.seen.clear();
        watcher.answers << QMessageBox::No;
        const int original = w->list()->recordset()->positionOf(id);
        w->list()->moveToRow(original);
        test::click(w.get(), "Command4");
        QCOMPARE(watcher.seen.size(), 1);
        QVERIFY2(watcher.seen[0].contains("že ima dobropis " + number),
                 qPrintable(watcher.seen[0]));
        QCOMPARE(test::tableCount("tblRacun"), 2);

        watcher.seen.clear();
        watcher.answers << QMessageBox::No;
        test::click(w.get(), "Command3");
        QCOMPARE(watcher.seen.size(), 1);
        QVERIFY2(watcher.seen[0].contains("dobropis " + number), qPrintable(watcher.seen[0]));
        QCOMPARE(test::tableCount("tblRacun"), 2);
    }

    // A quote is kept apart from the invoices: not in their list nor in
    // the status line, shown by "Ponudbe"; no credit note or reminder is
    // made of it, and "Naredi račun" makes the invoice of its lines as
    // stored, under the next invoice number, asking first when there is
    // one already. "Nova ponudba" takes the next quote number.
    void quotesKeptApart_data() {
        QTest::addColumn<QString>("by");
        QTest::addColumn<bool>("madeBefore"); // an invoice of the quote is there
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<QStringList>("listed"); // afterwards, and in which list
        QTest::addColumn<bool>("quotes");
        using L = QStringList;
        const auto refused = [](const Message& m) {
            return m.title + '|' + m.text.arg("P2026/001");
        };
        const QString again = QuoteMessages::AnotherInvoice.title + '|' +
                              QuoteMessages::AnotherInvoice.text.arg("P2026/001", "2026/001");
        // clang-format off
        QTest::newRow("credit note") << "Command4" << false << L{refused(QuoteMessages::NoCreditNote)}
                                     << L{"P2026/001"} << true;
        QTest::newRow("reminder") << "Command6" << false << L{refused(QuoteMessages::NoReminder)}
                                  << L{"P2026/001"} << true;
        QTest::newRow("invoice made") << "Command8" << false << L{"Račun 2026/002 Občina"}
                                      << L{"2026/002", "2026/001"} << false;
        QTest::newRow("second invoice, no") << "Command8" << true << L{again}
                                            << L{"P2026/001"} << true;
        QTest::newRow("second invoice, yes") << "Command8" << true << L{again, "Račun 2026/002 Občina"}
                                             << L{"2026/002", "2026/001"} << false;
        QTest::newRow("new quote") << "Command7" << false << L{"Nov_racun", "Ponudba P2026/002 Občina"}
                                   << L{"P2026/001", "P2026/002"} << true; // added last, as an invoice is
        // clang-format on
    }
    void quotesKeptApart() {
        QFETCH(QString, by);
        QFETCH(bool, madeBefore);
        QFETCH(QStringList, seen);
        QFETCH(QStringList, listed);
        QFETCH(bool, quotes);
        setTodayForTest(QDate(2026, 12, 7));
        QVERIFY(Db->execute("UPDATE tblNastavitve SET StRacuna = 2, StPonudbe = 2"));
        const qint64 invoice = test::addInvoice(*Db, {{"StevilkaRacuna", "2026/001"},
                                                      {"Datum", QDate(2026, 11, 2)},
                                                      {"Ime", "Kranj"},
                                                      {"VrednostTocke", 1.0}});
        const qint64 quote = test::addInvoice(*Db, {{"StevilkaRacuna", "P2026/001"},
                                                    {"Datum", QDate(2026, 12, 1)},
                                                    {"Ime", "Občina"},
                                                    {"VrednostTocke", 10.0},
                                                    {"Ponudba", true}});
        test::addLine(*Db, quote, test::operationId(*Db, 1, 1), 7, 2, {}, 140.0);
        test::addLine(*Db, invoice, test::operationId(*Db, 1, 1), 100, 1, {}, 100.0);
        QVERIFY(computeStoredTotals(*Db));
        // No payment is booked to a quote.
        QVERIFY(!bookPayment(*Db, quote, today(), 10));
        QCOMPARE(Db->lastError(), QuoteMessages::NoPayment.arg("P2026/001"));
        if (madeBefore)
            QVERIFY(
                Db->execute("UPDATE tblRacun SET PonudbaID = ? WHERE ID = ?", {quote, invoice}));
        auto w = showWindow();
        QCOMPARE(test::shownColumn(w.get(), 0), QStringList{"2026/001"});
        QTRY_COMPARE(w->findChild<QLabel*>("Label2")->text(),
                     "Prikazan 1 od 1 računa · neplačano " + currencyText(120));
        QVERIFY(!w->findChild<QPushButton*>("Command8")->isEnabled());
        test::click(w.get(), "Check3");
        QCOMPARE(test::shownColumn(w.get(), 0), QStringList{"P2026/001"});
        QTRY_COMPARE(w->findChild<QLabel*>("Label2")->text(), QString("Prikazana 1 ponudba"));
        QVERIFY(w->findChild<QPushButton*>("Command8")->isEnabled());

        test::ModalWatcher watcher;
        watcher.answers << (by == "Command8" && seen.size() == 1 ? QMessageBox::No
                                                                 : QMessageBox::Yes);
        watcher.dialogs["Nov_racun"] = [&](QWidget* question) {
            watcher.seen << "Nov_racun";
            question->findChild<QPushButton*>("Command2")->click(); // the same customer
        };
        watcher.dialogs["Racun"] = [&](QWidget* editor) {
            watcher.seen << editor->windowTitle() + ' ' +
                                editor->findChild<QLineEdit*>("Text1_0")->text() + ' ' +
                                editor->findChild<QLineEdit*>("Text1_1")->text();
            editor->findChild<QPushButton*>("Command1")->click();
        };
        w->list()->moveToRow(0);
        test::click(w.get(), by);
        QCOMPARE(watcher.seen, seen);
        QCOMPARE(test::shownColumn(w.get(), 0), listed);
        QCOMPARE(w->findChild<QCheckBox*>("Check3")->isChecked(), quotes);
        if (listed.size() < 2)
            return;
        // Saved: the list stands on it. An invoice names its quote and
        // has the quote's lines, priced as they were: 7 points twice at 10.
        Recordset* made = w->list()->recordset();
        QCOMPARE(made->field("StevilkaRacuna").toString(), quotes ? "P2026/002" : "2026/002");
        if (!quotes) {
            QCOMPARE(made->field("PonudbaID").toLongLong(), quote);
            QCOMPARE(made->field("ZaPlacilo").toDouble(), 170.8);
            QCOMPARE(Db->scalar("SELECT Tocke * Kolicina FROM tblRacunTarife WHERE ID_racun = ?",
                                {made->field("ID")}),
                     QVariant(14.0));
            QTRY_VERIFY(w->findChild<QLabel*>("Label2")->text().startsWith("Prikazana 2 od 2"));
        }
        QCOMPARE(Db->scalar("SELECT StRacuna * 10 + StPonudbe FROM tblNastavitve"),
                 QVariant(quotes ? 23.0 : 32.0));
    }

    // "Samo zapadli" shows the unpaid invoices whose due date has passed
    // and that still owe something, never a credit note, with the text and
    // "Samo neplačani" as well; the status line adds what is overdue.
    void overdueOnly_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("unpaidOnly");
        QTest::addColumn<bool>("overdueOnly");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("status");
        const QString overdue = " · zapadlo " + test::money("1.264,00");
        // What a partly credited invoice still owes is its unpaid sum there.
        const QString two =
            "Prikazana 2 od 7 računov · neplačano " + test::money("1.264,00") + overdue;
        const QStringList both{"2026/006", "2026/001"};
        // clang-format off
        QTest::newRow("overdue") << "" << false << true << both << two;
        QTest::newRow("overdue, unpaid, text") << "2026/0" << true << true << both << two;
        QTest::newRow("overdue, other text") << "2026/002" << false << true << QStringList{}
            << "Prikazanih 0 od 7 računov · neplačano " + test::money("0,00");
        QTest::newRow("unpaid") << "" << true << false
            << QStringList{"2026/007", "2026/006", "2026/005", "2026/004", "2026/003", "2026/001"}
            << "Prikazanih 6 od 7 računov · neplačano " + test::money("1.314,00") + overdue;
        QTest::newRow("all") << "" << false << false
            << QStringList{"2026/007", "2026/006", "2026/005", "2026/004", "2026/003", "2026/002",
                           "2026/001"}
            << "Prikazanih 7 od 7 računov · neplačano " + test::money("1.314,00") + overdue;
        // clang-format on
    }
    void overdueOnly() {
        QFETCH(QString, typed);
        QFETCH(bool, unpaidOnly);
        QFETCH(bool, overdueOnly);
        QFETCH(QStringList, shown);
        addDueInvoices();
        auto w = showWindow();
        w->findChild<QCheckBox*>("Check1")->setChecked(unpaidOnly);
        w->findChild<QCheckBox*>("Check2")->setChecked(overdueOnly);
        w->findChild<QLineEdit*>("Text1")->setText(typed);
        QTRY_COMPARE(test::shownColumn(w.get(), 0), shown);
        QFETCH(QString, status);
        // On the server counted beside the list, greyed until then.
        QTRY_COMPARE(w->findChild<QLabel*>("Label2")->text(), status);
        QTRY_VERIFY(w->findChild<QLabel*>("Label2")->isEnabled());
        if (shown.contains("2026/001"))
            QCOMPARE(test::cell(w.get(), shown.indexOf("2026/001"), DueColumn), "7.11.2026");
    }

    // "Opomin" on the current invoice: refused with the reason, or written as
    // "Opomin <number>.pdf" into the documents folder, shown, sent after a
    // Yes, and recorded on the invoice only once the PDF is there.
    void reminderFromTheList_data() {
        QTest::addColumn<QString>("number");  // the current invoice; none: an empty list
        QTest::addColumn<QString>("seen");    // the first box; "<pdf>" stands for the PDF
        auto said = [](const Message& m, const QString& text) { return m.title + '|' + text; };
        using namespace ReminderMessages;
        // clang-format off
        QTest::newRow("none chosen") << ""
            << said(Messages::NoInvoiceSelected, Messages::NoInvoiceSelected.text);
        QTest::newRow("paid") << "2026/002" << said(Paid, Paid.text.arg("2026/002"));
        QTest::newRow("credit note") << "2026/004" << said(CreditNote, CreditNote.text);
        QTest::newRow("due today") << "2026/003"
            << said(NotDue, NotDue.text.arg("2026/003", "7.12.2026"));
        QTest::newRow("credited whole") << "2026/005"
            << said(NothingOwed, NothingOwed.text.arg("2026/005"));
        QTest::newRow("made") << "2026/001" << said(Send, Send.text.arg("<pdf>"));
        // clang-format on
    }
    void reminderFromTheList() {
        QFETCH(QString, number);
        QFETCH(QString, seen);
        addDueInvoices();
        const QString pdf = m_fixture->dataDir() + "/Dokumenti/Opomin 2026-001.pdf";
        QVERIFY(
            Db->execute("UPDATE tblNastavitve SET MapaDokumentov = ?", {QFileInfo(pdf).path()}));
        // A stand-in for xdg-email; it writes its arguments, each ended by
        // NUL, into "<itself>.args".
        QTemporaryDir bin;
        const QByteArray record = "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.args\"\n";
        const std::pair<const char*, QByteArray> programs[] = {{"xdg-email", record}};
        for (const auto& [name, script] : programs)
            QVERIFY(test::writeBytes(bin.filePath(name), script) &&
                    QFile::setPermissions(bin.filePath(name), QFile::ReadOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
        QDesktopServices::setUrlHandler("file", this, "open");
        const auto restore = qScopeGuard([&] {
            qputenv("PATH", path);
            QDesktopServices::unsetUrlHandler("file");
            m_opened.clear();
        });
        auto w = showWindow();
        test::box(w.get(), "Text1")->setText(number.isEmpty() ? "zzz" : number);
        QTRY_COMPARE(test::lineCount(w.get()), int(!number.isEmpty()));
        test::ModalWatcher watcher;
        watcher.answers << QMessageBox::Yes; // send it
        test::click(w.get(), "Command6");
        QCOMPARE(watcher.seen, QStringList{seen.replace("<pdf>", pdf)});

        const bool made = seen.startsWith(ReminderMessages::Send.title);
        QCOMPARE(test::queryRows("SELECT StevilkaRacuna, Opomin, Opominov FROM tblRacun "
                                 "WHERE Opomin IS NOT NULL OR Opominov IS NOT NULL"),
                 made ? QStringList{"2026/001|2026-12-07|1"} : QStringList());
        QCOMPARE(QFileInfo::exists(pdf), made);
        if (!made)
            return;
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(pdf)});
        QCOMPARE(test::cell(w.get(), 0, ReminderColumn), "7.12.2026");
        const QStringList mail =
            QString::fromUtf8(test::readBytes(bin.filePath("xdg-email.args"))).split(QChar(0));
        QCOMPARE(mail.mid(0, 2), (QStringList{"--subject", "Opomin za račun 2026/001"}));
        QCOMPARE(mail.mid(4), (QStringList{"--attach", pdf, "obcina@kranj.si", ""}));
    }

    // The search box filters by number, customer, contact person, service,
    // case number and place, without regard to case and the marks of č, š,
    // ž, ć, đ, in the order of the sort column; the unpaid check and the
    // status line go with it. Odd input finds what contains it literally.
    void searchFiltersInTheSortOrder_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("unpaidOnly");
        QTest::addColumn<QStringList>("shown"); // numbers, by the customer ascending
        QTest::newRow("number") << "2019/00" << false << QStringList{"2019/002", "2019/001"};
        QTest::newRow("customer without marks") << "cuk" << false << QStringList{"2019/001"};
        QTest::newRow("customer, other case and marks")
            << "ŽUŽEK" << false << QStringList{"2020/007"};
        QTest::newRow("contact person, ć and đ") << "dordevic" << false << QStringList{"2019/002"};
        QTest::newRow("service") << "ZAKOLIČBA" << false << QStringList{"2020/007", "2019/001"};
        QTest::newRow("case number") << "17/20" << false << QStringList{"2020/007"};
        QTest::newRow("place") << "murska" << false << QStringList{"2019/002"};
        QTest::newRow("not the address") << "Trubarjeva" << false << QStringList{};
        QTest::newRow("unpaid only") << "" << true << QStringList{"2019/002", "2021/050"};
        QTest::newRow("unpaid and text") << "zakol" << true << QStringList{};
        QTest::newRow("blanks only")
            << "   " << false << QStringList{"2019/002", "2020/007", "2021/050", "2019/001"};
        QTest::newRow("percent literally") << "50%" << false << QStringList{"2021/050"};
        QTest::newRow("underscore literally") << "a_b" << false << QStringList{"2021/050"};
        QTest::newRow("backslash literally") << "\\x" << false << QStringList{"2021/050"};
        QTest::newRow("quotes") << "\"o'" << false << QStringList{"2021/050"};
        QTest::newRow("300 characters") << QString(300, 'a') << false << QStringList{};
    }
    void searchFiltersInTheSortOrder() {
        QFETCH(QString, typed);
        QFETCH(bool, unpaidOnly);
        QFETCH(QStringList, shown);
        // clang-format off
        const std::tuple<const char*, const char*, const char*, const char*, const char*, const char*, bool, double> invoices[] = {
            {"2019/001", "Čuk Marija", "", "Zakoličba meje", "0123/2019", "Celje", true, 100},
            {"2019/002", "Ahac d.o.o.", "Đorđe Đorđević", "Parcelacija", "", "Murska Sobota", false, 200.5},
            {"2020/007", "Anton Žužek", "", "zakoličba objekta", "17/2020", "Kranj", true, 300},
            {"2021/050", "Bor 50% a_b \\x \"o'", "", "", "", "", false, QVariant().toDouble()},
        };
        for (const auto& [number, name, contact, service, caseNo, place, paid, total] : invoices)
            test::addInvoice(*Db, {{"StevilkaRacuna", number}, {"Ime", name}, {"KontaktnaOseba", contact},
                {"Delovisce", service}, {"Zadeva", caseNo}, {"Posta", place}, {"Placan", paid}, {"Naslov", "Trubarjeva 1"},
                {"ZaPlacilo", number == QString("2021/050") ? QVariant() : total}});
        // clang-format on
        auto w = showWindow();
        clickHeader(*w, CustomerColumn); // by the customer, ascending
        w->findChild<QCheckBox*>("Check1")->setChecked(unpaidOnly);
        w->findChild<QLineEdit*>("Text1")->setText(typed); // as typed, or pasted
        QTRY_COMPARE(test::shownColumn(w.get(), 0), shown);
        QCOMPARE(w->list()->listModel()->caption(CustomerColumn), QString("<< Naročnik"));
        double unpaid = 0;
        for (const auto& [number, name, contact, service, caseNo, place, paid, total] : invoices)
            if (!paid && shown.contains(number))
                unpaid += total;
        QTRY_COMPARE(w->findChild<QLabel*>("Label2")->text(),
                     statusText({shown.size(), 4, unpaid}));
        // Emptied, the list shows every invoice again.
        w->findChild<QLineEdit*>("Text1")->clear();
        w->findChild<QCheckBox*>("Check1")->setChecked(false);
        QTRY_COMPARE(w->list()->listModel()->rowCount(), 4);
    }

    // The status line's words take the form their numbers ask for.
    void statusLineWords_data() {
        QTest::addColumn<qint64>("shown");
        QTest::addColumn<qint64>("all");
        QTest::addColumn<QString>("words");
        // clang-format off
        QTest::newRow("one of one") << 1LL << 1LL << "Prikazan 1 od 1 računa";
        QTest::newRow("two of three") << 2LL << 3LL << "Prikazana 2 od 3 računov";
        QTest::newRow("three of 101") << 3LL << 101LL << "Prikazani 3 od 101 računa";
        QTest::newRow("104 of 111") << 104LL << 111LL << "Prikazani 104 od 111 računov";
        QTest::newRow("none") << 0LL << 0LL << "Prikazanih 0 od 0 računov";
        QTest::newRow("thousands") << 1234LL << 100000LL << "Prikazanih 1.234 od 100.000 računov";
        QTest::newRow("1.201 of 1.302") << 1201LL << 1302LL << "Prikazan 1.201 od 1.302 računov";
        // clang-format on
    }
    void statusLineWords() {
        QFETCH(qint64, shown);
        QFETCH(qint64, all);
        QFETCH(QString, words);
        QCOMPARE(statusText({shown, all, 12345.67}),
                 words + " · neplačano " + currencyText(12345.67));
    }

    // What the search found stays the list's rows while the filter stands:
    // an invoice written so that it no longer matches stays, a deleted one
    // goes, a new one joins; searching again shows what matches now.
    void writtenInvoicesStayUntilTheFilterChanges() {
        int number = 0;
        for (const char* name : {"Čuk Marija", "Čuk Janez", "Novak"})
            test::addInvoice(*Db, {{"StevilkaRacuna", QString::number(++number)},
                                   {"Ime", name},
                                   {"ZaPlacilo", 100.0 * number},
                                   {"Placan", number == 3}});
        auto w = showWindow();
        auto* box = w->findChild<QLineEdit*>("Text1");
        auto* status = w->findChild<QLabel*>("Label2");
        auto line = [](int shown, double unpaid) { return statusText({shown, 3, unpaid}); };
        box->setText("cuk");
        QTRY_COMPARE(w->list()->listModel()->rowCount(), 2);
        QTRY_COMPARE(status->text(), line(2, 300));
        QVERIFY(Db->execute("UPDATE tblRacun SET Ime = 'Kos', Placan = True WHERE ID = 1"));
        QVERIFY(Db->execute("DELETE FROM tblRacun WHERE Ime = 'Čuk Janez'"));
        Recordset* rs = w->list()->recordset(); // as the editor adds
        QVERIFY(rs->addNew());
        rs->setField("StevilkaRacuna", "4");
        rs->setField("Ime", "Čuk Ana");
        rs->setField("ZaPlacilo", 7.5);
        QVERIFY(rs->update());
        QCOMPARE(test::shownColumn(w.get(), CustomerColumn), (QStringList{"Kos", "Čuk Ana"}));
        box->setText("cuk ");
        QTRY_COMPARE(test::shownColumn(w.get(), CustomerColumn), QStringList{"Čuk Ana"});
        QTRY_COMPARE(status->text(), line(1, 7.5));
        box->clear();
        QTRY_COMPARE(status->text(), line(3, 7.5));
    }

    // Whatever the filter, after the editor saves, the status line counts
    // the list's rows and sums their unpaid "Za plačilo"; the invoice saved
    // stays in the list, current, matching the filter or not.
    void statusLineCountsTheListAfterASave_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("unpaidOnly");
        QTest::addColumn<int>("found");
        QTest::addColumn<QString>("opened"); // the customer whose invoice is opened, else a new one
        QTest::addColumn<QString>("name");   // the customer typed
        QTest::addColumn<bool>("paid");
        QTest::addColumn<int>("rows");
        // clang-format off
        QTest::newRow("new, matching") << "cuk" << false << 2 << "" << "Čuk Ana" << false << 3;
        QTest::newRow("new, not matching") << "cuk" << false << 2 << "" << "Kos" << false << 3;
        QTest::newRow("new, none found") << "zzz" << false << 0 << "" << "Kos" << false << 1;
        QTest::newRow("renamed away") << "cuk" << false << 2 << "Čuk Marija" << "Kos" << false << 2;
        QTest::newRow("paid, unpaid only") << "" << true << 2 << "Čuk Janez" << "Čuk Janez" << true << 2;
        QTest::newRow("no filter") << "" << false << 3 << "" << "Kos" << false << 4;
        // clang-format on
    }
    void statusLineCountsTheListAfterASave() {
        QFETCH(QString, typed);
        QFETCH(bool, unpaidOnly);
        QFETCH(int, found);
        QFETCH(QString, opened);
        QFETCH(QString, name);
        QFETCH(bool, paid);
        QFETCH(int, rows);
        int number = 0;
        for (const char* customer : {"Čuk Marija", "Čuk Janez", "Novak"})
            test::addInvoice(*Db, {{"StevilkaRacuna", QString::number(++number)},
                                   {"Ime", customer},
                                   {"ZaPlacilo", 100.0 * number},
                                   {"Placan", number == 3}});
        auto w = showWindow();
        auto* status = w->findChild<QLabel*>("Label2");
        w->findChild<QCheckBox*>("Check1")->setChecked(unpaidOnly);
        w->findChild<QLineEdit*>("Text1")->setText(typed);
        QTRY_COMPARE(w->list()->listModel()->rowCount(), found);

        test::ModalWatcher watcher;
        watcher.dialogs["Nov_racun"] = [](QWidget* question) {
            question->findChild<QPushButton*>("Command1")->click();
        };
        watcher.dialogs["Racun"] = [&](QWidget* editor) {
            QVERIFY(
                QTest::qWaitFor([&] { return !editor->findChild<QTimer*>("Timer1")->isActive(); }));
            test::box(editor, "Text1_1")->setText(name);
            editor->findChild<QCheckBox*>("Check3")->setChecked(paid);
            test::click(editor, "Command1");
        };
        if (opened.isEmpty()) {
            QTest::mouseClick(w->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        } else {
            w->list()->moveToRow(test::shownColumn(w.get(), CustomerColumn).indexOf(opened));
            QTest::mouseClick(w->findChild<QPushButton*>("Command2"), Qt::LeftButton);
        }
        QCOMPARE(watcher.seen, QStringList());
        Recordset* rs = w->list()->recordset();
        QCOMPARE(rs->field("Ime").toString(), name);
        QCOMPARE(rs->recordCount(), rows);
        double unpaid = 0;
        for (int i = 0; i < rows; ++i)
            if (!rs->value(i, "Placan").toBool())
                unpaid += rs->value(i, "ZaPlacilo").toDouble();
        const qint64 all = Db->scalar("SELECT count(*) FROM tblRacun").toLongLong();
        QTRY_COMPARE(status->text(), statusText({rows, all, unpaid}));
    }

    // The code lists and the settings open from the menu, modal over the
    // main window.
    void menuOpensTheCodeLists_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("window");
        // clang-format off
        QTest::newRow("services") << "M1_1a" << "S_grupe";
        QTest::newRow("operations") << "M1_1b" << "S_postavke";
        QTest::newRow("overview") << "M1_5" << "Pregled";
        QTest::newRow("staff") << "M2_3" << "N_osebje";
        QTest::newRow("invoice settings") << "M2_1" << "N_racun";
        QTest::newRow("our data") << "M2_2" << "N_data";
        QTest::newRow("word processor") << "M2_W" << "N_word";
        QTest::newRow("about") << "M3_2" << "frmAbout";
        // clang-format on
    }
    void menuOpensTheCodeLists() {
        QFETCH(QString, item);
        QFETCH(QString, window);
        auto w = showWindow();
        test::ModalWatcher watcher;
        QString opened;
        watcher.dialogs[window] = [&opened](QWidget* dialog) {
            opened = dialog->objectName();
            static_cast<QDialog*>(dialog)->reject();
        };
        w->findChild<QAction*>(item)->trigger();
        QCOMPARE(opened, window);
        QVERIFY(watcher.seen.isEmpty());
    }

    // A long list is shown before all its rows are read; when the rest
    // cannot be read, that is told once and the rows read stay.
    void restOfALongListNotRead() {
        QVERIFY(test::addNumberedInvoices(*Db, 3000));
        Glavna w(appContext());
        const int first = w.list()->listModel()->rowCount();
        QVERIFY(first > 0 && first < 3000);
        test::ModalWatcher watcher;
        test::refuse(*Db, SQLITE_READ, "tblRacun", "StevilkaRacuna");
        w.show();
        QTRY_COMPARE(watcher.seen.size(), 1);
        QVERIFY(watcher.seen.at(0).startsWith("Ne bo šlo|Seznama računov ni mogoče prebrati:\n"));
        QTest::qWait(50);
        QCOMPARE(watcher.seen.size(), 1);
        QCOMPARE(w.list()->listModel()->rowCount(), first);
    }

    // A copy saved from the menu and put back from it: the invoice made
    // after the copy is gone from the list, the one before it is there. A
    // copy not confirmed or not fit to be put back changes nothing.
    void backupAndRestoreFromTheMenu_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("copy, confirmed") << "kopija.db" << true << QStringList{"1/2026"};
        QTest::newRow("copy, not confirmed")
            << "kopija.db" << false << QStringList{"2/2026", "1/2026"};
        QTest::newRow("no database") << "racun.txt" << true << QStringList{"2/2026", "1/2026"};
    }
    void backupAndRestoreFromTheMenu() {
        QFETCH(QString, chosen);
        QFETCH(bool, confirmed);
        if (!test::testServer().isEmpty())
            QSKIP("the copies of a file; a server's data are not restored from the program");
        test::addInvoice(*Db, {{"StevilkaRacuna", "1/2026"}});
        auto w = showWindow();
        test::ModalWatcher watcher;
        QString file;
        watcher.dialogs["FileDialog"] = [&file](QWidget* dialog) {
            // Typed as a user types it: the dialog fills its name box from
            // the folder it reads in the background, after selectFile().
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(file);
            static_cast<QDialog*>(dialog)->accept();
        };
        file = m_fixture->dataDir() + "/kopija.db";
        w->findChild<QAction*>("M1_3")->trigger();
        QCOMPARE(watcher.seen, QStringList{"Varnostna kopija|Varnostna kopija podatkov je "
                                           "shranjena v »" +
                                           file + "«."});
        test::addInvoice(*Db, {{"StevilkaRacuna", "2/2026"}});
        QFile(m_fixture->dataDir() + "/racun.txt").open(QIODevice::WriteOnly);

        watcher.seen.clear();
        watcher.answers = {confirmed ? QMessageBox::Yes : QMessageBox::No};
        file = m_fixture->dataDir() + '/' + chosen;
        w->findChild<QAction*>("M1_4")->trigger();
        // Asked and told it is done; asked only; told it is refused.
        QCOMPARE(watcher.seen.size(), chosen == "kopija.db" && confirmed ? 2 : 1);
        QVERIFY2(watcher.seen[0].startsWith(chosen == "kopija.db"
                                                ? "Trenutek odločitve|Vsi trenutni podatki"
                                                : "Obnova iz varnostne kopije|Datoteke »"),
                 qPrintable(watcher.seen[0]));
        QTEST(test::shownColumn(w.get(), 0), "listed");
    }

    // Keys of the main window, pressed where the focus is: Ctrl+N opens a
    // new invoice, Ctrl+F goes to the search box, Escape there empties it,
    // and the manual closes with Escape.
    void keys() {
        auto w = showWindow();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w->list()));
        test::ModalWatcher watcher;
        watcher.dialogs["Racun"] = [&](QWidget* editor) {
            watcher.seen << QString("Racun %1").arg(OpenMode);
            static_cast<QDialog*>(editor)->reject();
        };
        QTest::keyClick(w->list(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(watcher.seen, QStringList{"Racun 0"});
        w->activateWindow(); // back from the editor
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClick(w->list(), Qt::Key_F, Qt::ControlModifier);
        QLineEdit* search = test::box(w.get(), "Text1");
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(search));
        QTest::keyClicks(search, "kov");
        QTest::keyClick(search, Qt::Key_Escape);
        QCOMPARE(search->text(), QString());
        // No two controls share a mnemonic, but the two menus that are
        // named so (Podatki, Pomoč).
        QStringList letters;
        const auto letter = [&letters](QString text) {
            text.replace("&&", "");
            if (const qsizetype at = text.indexOf(u'&'); at >= 0 && at + 1 < text.size())
                letters << text.at(at + 1).toLower();
        };
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
            letter(b->text());
        for (QLabel* l : w->findChildren<QLabel*>())
            letter(l->buddy() ? l->text() : QString());
        for (QAction* a : w->menuBar()->actions())
            letter(a->text());
        QVERIFY(letters.removeOne("p"));
        QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), letters.size());
        // Nor two items of one menu.
        for (QAction* m : w->menuBar()->actions()) {
            letters.clear();
            for (QAction* a : m->menu()->actions())
                letter(a->text());
            QVERIFY2(QSet<QString>(letters.begin(), letters.end()).size() == letters.size(),
                     qPrintable(m->text() + ": " + letters.join(' ')));
        }
        w->findChild<QAction*>("M3_1")->trigger();
        QWidget* manual = nullptr;
        QTRY_VERIFY((manual = QApplication::activeWindow()) && manual->objectName() == "Navodila");
        QTest::keyClick(manual, Qt::Key_Escape);
        QTRY_VERIFY(!manual->isVisible());
    }

    // The first start with an empty list tells what to do first, once; its
    // link shows the manual's "Prvi koraki".
    void firstStartTellsWhatToDoFirst_data() {
        QTest::addColumn<bool>("invoices");
        QTest::addColumn<bool>("toldBefore");
        QTest::addColumn<int>("told");
        QTest::newRow("empty list") << false << false << 1;
        QTest::newRow("invoices there") << true << false << 0;
        QTest::newRow("told on a start before") << false << true << 0;
    }
    void firstStartTellsWhatToDoFirst() {
        QFETCH(bool, invoices);
        QFETCH(bool, toldBefore);
        QFETCH(int, told);
        QSettings().remove("prvi_koraki");
        if (toldBefore) {
            Glavna before(appContext());
            test::ModalWatcher watcher;
            before.tellFirstSteps();
            QCOMPARE(watcher.seen.size(), 1);
        }
        if (invoices)
            test::addInvoice(*Db, {{"StevilkaRacuna", "2026/001"}});
        auto w = showWindow();
        test::ModalWatcher watcher;
        bool linked = false; // a click on the link opens it
        watcher.meanwhile = [&linked] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            auto* label = box ? box->findChild<QLabel*>("qt_msgbox_label") : nullptr;
            linked = label && label->openExternalLinks() && label->textFormat() != Qt::PlainText;
        };
        w->tellFirstSteps();
        w->tellFirstSteps(); // the next start
        QCOMPARE(watcher.seen.size(), told);
        QCOMPARE(linked, told == 1);
        if (!told)
            return;
        const Message& m = HelpMessages::FirstSteps;
        QCOMPARE(watcher.seen[0], m.title + '|' + m.text);
        for (const char* step : {"Naši podatki", "zgled", "Nov račun"})
            QVERIFY(m.text.contains(step));
        Navodila::installHelpKey();
        const qsizetype at = m.text.indexOf("href=\"") + 6;
        QDesktopServices::openUrl(QUrl(m.text.mid(at, m.text.indexOf('"', at) - at)));
        QVERIFY(Navodila::instance() && Navodila::instance()->isVisible());
        QCOMPARE(Navodila::instance()->browser()->source(), QUrl("qrc:/help/prvi_koraki.html"));
        Navodila::instance()->close();
    }

    void tabThenExit() {
        auto w = showWindow();
        // Nothing is typed into the list: Tab leaves it for the buttons.
        w->list()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), w->list());
        for (const char* name :
             {"Command1", "Command7", "Command5", "Command2", "Command3", "Command4", "Command6",
              "Text1", "Check1", "Check2", "Check3", "DBGrid1"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString(name));
        }
        w->findChild<QAction*>("M1_K")->trigger();
        QTRY_VERIFY(!w->isVisible());
    }
};

QTEST_MAIN(TestGlavna)
#include "tst_glavna.moc"
