#include "TestSupport.h"
#include "app/Glavna.h"
#include "invoice/InvoiceDeletion.h"
#include "windows/Brisanje.h"

using namespace valmir;
using namespace valmir::test;
using Answers = QList<QMessageBox::StandardButton>;

namespace {

const QString Ask = QStringLiteral("Trenutek odločitve|Računi bodo izbrisani za vse večne "
                                   "čase!\r\nJe to res tvoja želja?");
const QString GiveUp = QStringLiteral("Ne morem verjeti|Za vsak slučaj še enkrat vprašam:\r\nBi "
                                      "se mogoče raje odpovedal temu dejanju?");
const QString BadDate =
    QStringLiteral("Napačen datum|Datum ni podan v duhu gregorijanskega koledarja!");
const QString Failed = QStringLiteral("Napaka v bazi|Starih računov ni bilo mogoče izbrisati:\n");
const QString All = "A:2 B:1 C:1 D:1 E:0 F:1", Kept = "B:1 C:1 E:0 F:1";
const Answers Go{QMessageBox::Yes, QMessageBox::No};

// Each invoice by its number with the count of its lines, in number order.
QString invoicesAndLines() {
    return queryRows("SELECT StevilkaRacuna || ':' || (SELECT count(*) FROM tblRacunTarife "
                     "WHERE ID_racun = tblRacun.ID) FROM tblRacun ORDER BY StevilkaRacuna")
        .join(u' ');
}

} // namespace

class TestBrisanje : public FixtureTest {
    Q_OBJECT

    // Cut-off 5.12.2009: A the day before and D long before go; B on the day,
    // E after it, C with a Null date and F with an empty one stay.
    void prepare() override {
        const std::tuple<const char*, QVariant, int> invoices[] = {
            {"A", QDate(2009, 12, 4), 2}, {"B", QDate(2009, 12, 5), 1}, {"C", QVariant(), 1},
            {"D", QDate(2008, 1, 1), 1},  {"E", QDate(2010, 1, 1), 0},  {"F", QDate(), 1}};
        for (const auto& [number, date, lines] : invoices) {
            const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", number}, {"Datum", date}});
            for (int i = 0; i < lines; ++i)
                addLine(*Db, id, operationId(*Db, 1, 1), 10.0, 1.0, QVariant(), 50.0);
        }
        QCOMPARE(invoicesAndLines(), All);
    }

private Q_SLOTS:
    // Text1 filled, "S težkim srcem ..." clicked and the boxes answered.
    void purge_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<QString>("left");
        auto row = [](const char* tag, const char* date, const Answers& answers,
                      const QStringList& seen, const QString& left) {
            QTest::newRow(tag) << QString(date) << answers << seen << left;
        };
        for (const char* bad : {"31.2.2009", "", "abc", "1.1.10000"})
            row(bad, bad, {}, {BadDate}, All);
        row("no to the first", "5.12.2009", {QMessageBox::No}, {Ask}, All);
        // Enter on the question answers Ne (were it Da, No would purge next).
        row("Enter on the first", "5.12.2009", {QMessageBox::Ok, QMessageBox::No}, {Ask}, All);
        row("yes to the second gives up", "5.12.2009", {QMessageBox::Yes, QMessageBox::Yes},
            {Ask, GiveUp}, All);
        row("1.1.1899, nothing older", "1.1.1899", Go, {Ask, GiveUp}, All);
        row("purge, blanks around", " 5.12.2009 ", Go, {Ask, GiveUp}, Kept);
        row("engine refuses", "5.12.2009", Go, {Ask, GiveUp, Failed}, All);
    }
    void purge() {
        QFETCH(QString, date);
        QFETCH(Answers, answers);
        QFETCH(QStringList, seen);
        const bool refused = seen.size() == 3; // the engine refuses deleting invoices
        ModalWatcher watcher;
        watcher.answers = answers;
        if (answers.value(0) == QMessageBox::Ok) { // stands for Enter pressed on the box
            watcher.answers.removeFirst();
            watcher.keys << Qt::Key_Return;
        }
        Brisanje dialog(appContext());
        dialog.show();
        dialog.findChild<QLineEdit*>("Text1")->setText(date);
        if (refused)
            refuse(*Db, SQLITE_DELETE, "tblRacun");
        dialog.findChild<QPushButton*>("Command1")->click();
        refuseNothing(*Db);
        if (refused && watcher.seen.value(2).startsWith(Failed)) // the engine's words follow
            watcher.seen[2] = Failed;
        QCOMPARE(watcher.seen, seen);
        QTEST(invoicesAndLines(), "left");
        QVERIFY(!Db->inTransaction());
        const bool purged = !refused && answers == Go;
        QCOMPARE(dialog.result() == QDialog::Accepted, purged);
        QCOMPARE(dialog.isVisible(), !purged);
    }

    // One invoice deleted from the list (its lines, then its row): a failing
    // step leaves everything in place and the list on the invoice, so
    // deleting again works on the right row.
    void deletingOneInvoice_data() {
        QTest::addColumn<int>("action"); // which step the engine refuses
        QTest::addColumn<QString>("name");
        QTest::newRow("lines") << SQLITE_DELETE << "tblRacunTarife";
        QTest::newRow("invoice row") << SQLITE_DELETE << "tblRacun";
        QTest::newRow("commit") << SQLITE_TRANSACTION << "COMMIT";
    }
    void deletingOneInvoice() {
        QFETCH(int, action);
        QFETCH(QString, name);
        auto rs = Db->openRecordset("SELECT * FROM tblRacun ORDER BY StevilkaRacuna DESC");
        QVERIFY(rs->moveTo(2));
        refuse(*Db, action, name);
        const InvoiceDeletionResult r = deleteCurrentInvoice(*rs);
        refuseNothing(*Db);
        QVERIFY(!r.deleted && !r.error.isEmpty());
        QVERIFY(!Db->inTransaction());
        QCOMPARE(invoicesAndLines(), All);
        QCOMPARE(rs->recordCount(), 6);
        QCOMPARE(rs->field("StevilkaRacuna").toString(), QString("D"));
        QVERIFY(deleteCurrentInvoice(*rs).deleted);
        QCOMPARE(invoicesAndLines(), QString("A:2 B:1 C:1 E:0 F:1"));
        QCOMPARE(tableCount("tblRacunTarife"), 5);
        QCOMPARE(rs->field("StevilkaRacuna").toString(), QString("C"));
    }

    // From the main menu: the list then shows what remains, sorted as before.
    void menuKeepsTheListSort() {
        Glavna w(appContext());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        emit w.list()->horizontalHeader()->sectionClicked(1); // "Datum", ascending
        ModalWatcher watcher;
        watcher.answers = Go;
        watcher.dialogs["Brisanje"] = [](QWidget* dialog) {
            dialog->findChild<QLineEdit*>("Text1")->setText("5.12.2009");
            QTimer::singleShot(0, dialog, [dialog] { // so that the boxes can be answered
                dialog->findChild<QPushButton*>("Command1")->click();
            });
        };
        w.findChild<QAction*>("M1_2")->trigger();
        QCOMPARE(invoicesAndLines(), Kept);
        QCOMPARE(shownColumn(&w, 0), (QStringList{"C", "F", "B", "E"})); // by date, undated first
        QCOMPARE(w.list()->listModel()->caption(1), QString("<< Datum"));
    }
};

QTEST_MAIN(TestBrisanje)
#include "tst_brisanje.moc"
