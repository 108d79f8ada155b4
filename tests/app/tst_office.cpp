// Two workstations on one server: this program's windows (A) and a second
// connection of the program's own routines (B), as another workstation
// saves, changes and deletes.

#include "EditorSession.h"
#include "Relay.h"

#include "app/Glavna.h"
#include "app/SearchCounter.h"
#include "data/PgConnection.h"
#include "document/Settings.h"
#include "invoice/InvoiceSaver.h"
#include "invoice/Purge.h"
#include "text/Clock.h"
#include "text/Messages.h"

#include <QElapsedTimer>

#include <chrono>
#include <thread>

using namespace valmir;
using namespace valmir::test;

class TestOffice : public FixtureTest {
    Q_OBJECT

    std::unique_ptr<Database> m_b; // the other workstation

    void prepare() override { setTodayForTest(QDate(2026, 12, 8)); }

    std::unique_ptr<Database> otherWorkstation() {
        QString error;
        auto b = Database::connect(Db->conninfo(), &error);
        if (!b)
            qWarning("no second connection: %s", qPrintable(error));
        return b;
    }

    // A new invoice's header as the editor gives it to the save.
    static InvoiceHeader newInvoice(const QString& number, const QString& customer) {
        InvoiceHeader h;
        h.text1 = QStringList(16, QString());
        h.text1[0] = number;
        h.text1[1] = customer;
        h.text1[8] = "8.12.2026";
        h.percentText = "0";
        h.pointValueText = "1";
        return h;
    }

private Q_SLOTS:
    void init() {
        FixtureTest::init();
        if (!Db->onServer())
            QSKIP("several workstations work on a server");
        m_b = otherWorkstation();
        QVERIFY(m_b);
    }
    void cleanup() {
        m_b.reset();
        FixtureTest::cleanup();
    }

    // Both save a new invoice at the same moment with the number proposed
    // to both: B holds the counter while A saves; A then takes the next
    // number, without a question, and shows it.
    void simultaneousNewInvoices() {
        Session s;
        QVERIFY(s.e);
        QCOMPARE(text(s.e, "Text1_0"), QString("2026/001"));
        box(s.e, "Text1_1")->setText("Kupec A");
        Database& b = *m_b;
        QVERIFY(b.beginTransaction());
        QVERIFY(b.execute("UPDATE tblNastavitve SET StRacuna = StRacuna"));
        QVERIFY(b.execute("INSERT INTO tblRacun (StevilkaRacuna, Ime) VALUES ('2026/001', 'B')"));
        QVERIFY(b.execute("UPDATE tblNastavitve SET StRacuna = 2"));
        std::thread commitLater([&b] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            b.commit();
        });
        click(s.e, "Command1"); // waits for B's commit
        commitLater.join();
        QCOMPARE(s.watcher.seen, QStringList());
        QVERIFY(!s.editor->isVisible());
        QCOMPARE(text(s.e, "Text1_0"), QString("2026/002"));
        QCOMPARE(queryRows("SELECT StevilkaRacuna, Ime FROM tblRacun ORDER BY ID"),
                 (QStringList{"2026/001|B", "2026/002|Kupec A"}));
        QCOMPARE(counter(), 3.0);
    }

    // B holds the counter in a transaction it does not end: A's save waits
    // the session's lock_timeout, then says the data are held, and writes
    // nothing.
    void heldCounterEndsTheSave() {
        Session s;
        QVERIFY(s.e);
        box(s.e, "Text1_1")->setText("Kupec A");
        const double before = counter();
        QVERIFY(m_b->beginTransaction());
        QVERIFY(m_b->execute("UPDATE tblNastavitve SET StRacuna = StRacuna"));
        QElapsedTimer waited;
        waited.start();
        click(s.e, "Command1");
        const qint64 ms = waited.elapsed();
        QVERIFY(m_b->rollback());
        qInfo("held counter to the message: %lld ms", ms);
        QCOMPARE(s.watcher.seen.size(), 1);
        QVERIFY2(s.watcher.seen.first().contains(ServerMessages::Locked),
                 qPrintable(s.watcher.seen.first()));
        QVERIFY2(ms >= Database::LockTimeoutSeconds * 1000 - 100 &&
                     ms < Database::LockTimeoutSeconds * 1000 + 3000,
                 qPrintable(QString::number(ms)));
        QVERIFY(s.editor->isVisible());
        QCOMPARE(tableCount("tblRacun"), 0);
        QCOMPARE(counter(), before);
    }

    // A's line goes dead in a save after the counter is held (the server's
    // answer never comes): A's editor gives up within the limit saying the
    // connection is lost, and the server ends A's transaction by itself,
    // so that B's save goes through after, nothing of A's written.
    void deadLinkInASave() {
        test::Relay relay(Db->conninfo());
        QVERIFY(relay.listening());
        QString error;
        std::unique_ptr<Database> overRelay = Database::connect(relay.conninfo(), &error);
        QVERIFY2(overRelay, qPrintable(error));
        std::swap(Db, overRelay); // A's windows go over the relay
        QStringList seen;
        qint64 ms = 0;
        {
            Session s;
            QVERIFY(s.e);
            box(s.e, "Text1_1")->setText("Kupec A");
            // A's save waits for the counter B holds; A's line is dead
            // when B lets go and the server gives A the counter.
            Database& b = *m_b;
            QVERIFY(b.beginTransaction());
            QVERIFY(b.execute("UPDATE tblNastavitve SET StRacuna = StRacuna"));
            using Clock = std::chrono::steady_clock;
            Clock::time_point dead;
            std::thread later([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                relay.blackhole();
                dead = Clock::now();
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                b.commit();
            });
            click(s.e, "Command1");
            const Clock::time_point told = Clock::now();
            later.join();
            ms = std::chrono::duration_cast<std::chrono::milliseconds>(told - dead).count();
            seen = s.watcher.seen;
            QVERIFY(s.editor->isVisible());
            relay.forward(); // for the editor's end
        }
        std::swap(Db, overRelay);
        qInfo("dead link to the message: %lld ms", ms);
        QCOMPARE(seen.size(), 1);
        QVERIFY2(seen.first().startsWith(Messages::InvoiceNotSaved.title + '|' +
                                         Messages::InvoiceNotSaved.text) &&
                     seen.first().endsWith(ServerMessages::LinkLost),
                 qPrintable(seen.first()));
        QVERIFY2(ms < 15000, qPrintable(QString::number(ms)));
        auto bList = m_b->openRecordset("SELECT * FROM tblRacun ORDER BY StevilkaRacuna DESC");
        auto lines = openLines();
        QVERIFY(bList && lines);
        QElapsedTimer bSaves;
        bSaves.start();
        const SaveResult byB =
            saveInvoice(*m_b, *bList, *lines, 0, {}, newInvoice("2026/001", "B"));
        QCOMPARE(byB.error, QString());
        QCOMPARE(int(byB.outcome), int(SaveOutcome::Saved));
        qInfo("B's save after A's message: %lld ms", bSaves.elapsed());
        QCOMPARE(queryRows("SELECT StevilkaRacuna, Ime FROM tblRacun"), QStringList{"2026/001|B"});
    }

    // A's connection lost while idle shows under the main list until it is
    // made anew; what B saved meanwhile then shows.
    void lostLinkIsShown() {
        test::Relay relay(Db->conninfo());
        QVERIFY(relay.listening());
        QString error;
        auto a = Database::connect(relay.conninfo(), &error);
        QVERIFY2(a, qPrintable(error));
        AppContext context = appContext();
        context.db = a.get();
        {
            Glavna w(context);
            w.show();
            QTRY_COMPARE(shownColumn(&w, 0), QStringList());
            QLabel* note = child<QLabel>(&w, "Label3");
            QVERIFY(note && !note->isVisible());
            // The server gone, and not to be reached for a while.
            relay.blackhole();
            relay.cut();
            QTRY_VERIFY(note->isVisible());
            QCOMPARE(note->text(), ServerMessages::LinkLostNote);
            addInvoice(*m_b, {{"StevilkaRacuna", "2026/001"}, {"Datum", QDate(2026, 1, 5)}});
            QTest::qWait(1000);
            QVERIFY(note->isVisible());
            relay.forward();
            QTRY_VERIFY(!note->isVisible());
            QTRY_COMPARE(shownColumn(&w, 0), QStringList{"2026/001"});
        }
    }

    // The program's end does not wait for a count on a dead line.
    void exitDoesNotWaitForTheCount() {
        test::Relay relay(Db->conninfo());
        QVERIFY(relay.listening());
        relay.blackhole();
        QElapsedTimer ending;
        {
            SearchCounter counter(relay.conninfo());
            counter.count(invoiceFilter("A", false));
            QTest::qWait(200);
            ending.start();
        }
        QVERIFY2(ending.elapsed() < 1000, qPrintable(QString::number(ending.elapsed())));
    }

    // A edits an invoice that B changes or deletes meanwhile: A's save
    // writes nothing and says so; A may see B's version.
    void changedMeanwhileIsTold_data() {
        QTest::addColumn<QString>("byB");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QString>("shown"); // the customer the editor shows after
        QTest::newRow("changed") << "UPDATE tblRacun SET Ime = 'B' WHERE ID = ?"
                                 << QSysInfo::machineHostName() << "B";
        QTest::newRow("deleted") << "DELETE FROM tblRacun WHERE ID = ?" << Messages::DeletedBy
                                 << "A";
    }
    void changedMeanwhileIsTold() {
        QFETCH(QString, byB);
        const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", "2026/010"}, {"Ime", "Prej"}});
        Session s(1, "2026/010");
        QVERIFY(s.e);
        box(s.e, "Text1_1")->setText("A");
        QVERIFY(m_b->execute(byB, {id}));
        s.watcher.answers = {QMessageBox::Yes}; // show the other version
        click(s.e, "Command1");
        QCOMPARE(s.watcher.seen.size(), 1);
        const Message& changed = Messages::ChangedMeanwhile;
        QFETCH(QString, told);
        QVERIFY2(s.watcher.seen.first().startsWith(changed.title + '|' +
                                                   changed.text.section(u'(', 0, 0) + '(' + told),
                 qPrintable(s.watcher.seen.first()));
        QVERIFY(s.editor->isVisible());
        QTEST(text(s.e, "Text1_1"), "shown");
        QCOMPARE(queryRows("SELECT Ime FROM tblRacun"),
                 QTest::currentDataTag() == QByteArray("changed") ? QStringList{"B"}
                                                                  : QStringList());
    }

    // What B saves, deletes and purges shows in A's main list and status
    // line by itself, the current invoice staying current.
    void othersChangesShowInTheList() {
        addInvoice(*Db, {{"StevilkaRacuna", "2026/001"}, {"Datum", QDate(2026, 1, 5)}});
        addInvoice(*Db, {{"StevilkaRacuna", "2026/002"}, {"Datum", QDate(2026, 2, 5)}});
        Glavna w(appContext());
        w.show();
        QTRY_COMPARE(shownColumn(&w, 0), (QStringList{"2026/002", "2026/001"}));
        w.list()->moveToRow(1);
        auto bList = m_b->openRecordset("SELECT * FROM tblRacun ORDER BY StevilkaRacuna DESC");
        auto lines = openLines();
        QCOMPARE(
            int(saveInvoice(*m_b, *bList, *lines, 0, {}, newInvoice("2026/003", "Novi")).outcome),
            int(SaveOutcome::Saved));
        QTRY_COMPARE(shownColumn(&w, 0), (QStringList{"2026/003", "2026/002", "2026/001"}));
        QCOMPARE(w.list()->recordset()->field("StevilkaRacuna").toString(), QString("2026/001"));
        QTRY_VERIFY(w.findChild<QLabel*>("Label2")->text().startsWith("Prikazani 3 od 3 "));

        QVERIFY(m_b->execute("UPDATE tblRacun SET Ime = 'Spremenjen' WHERE StevilkaRacuna = ?",
                             {"2026/002"}));
        QTRY_COMPARE(cell(&w, 1, 5), QString("Spremenjen"));
        QVERIFY(purgeInvoicesBefore(*m_b, QDate(2026, 2, 1)).ok);
        QTRY_COMPARE(shownColumn(&w, 0), (QStringList{"2026/003", "2026/002"}));
        QTRY_VERIFY(w.findChild<QLabel*>("Label2")->text().startsWith("Prikazana 2 od 2 "));
    }

    // The settings read while B's save moved the counter are not written
    // back over it: the counter never goes back.
    void settingsKeepTheCounter() {
        InvoiceSettings read;
        QString error;
        QVERIFY(readInvoiceSettings(*Db, &read, &error));
        QVERIFY(advanceCounter(*m_b, "2026/041"));
        read.pointValue = 2.5;
        QVERIFY(!writeInvoiceSettings(*Db, read, &error));
        QVERIFY2(error.startsWith(Messages::RowChangedMeanwhile.text.section(u'(', 0, 0)),
                 qPrintable(error));
        QCOMPARE(counter(), 42.0);
        QVERIFY(readInvoiceSettings(*Db, &read, &error) && writeInvoiceSettings(*Db, read, &error));
    }

    // A code list follows B's rows, and a row B changed since A read it is
    // not overwritten by A.
    void codeListRowsAreNotOverwritten() {
        Database& b = *m_b;
        QVERIFY(Db->execute("INSERT INTO tblSestavljavci (Ime) VALUES ('Ana')"));
        QVERIFY(Db->listen());
        auto a = Db->openRecordset("tblSestavljavci", RecordsetKind::Table);
        QVERIFY(a);
        const int before = a->recordCount();
        QVERIFY(b.execute("INSERT INTO tblSestavljavci (Ime) VALUES ('Bor')"));
        QTRY_COMPARE(
            [&] {
                Db->takeNotices();
                return a->recordCount();
            }(),
            before + 1);
        const int ana = before - 1;
        QCOMPARE(a->value(ana, "Ime").toString(), QString("Ana"));
        QVERIFY(b.execute("UPDATE tblSestavljavci SET Ime = 'Ana B' WHERE Ime = 'Ana'"));
        // Before the notice arrives A still shows "Ana": its write is refused.
        QVERIFY(!a->setValueAt(ana, "Ime", "Ana A"));
        QVERIFY2(a->conflict() && !a->conflict()->deleted, qPrintable(a->lastError()));
        QVERIFY(a->lastError().startsWith(Messages::RowChangedMeanwhile.text.section(u'(', 0, 0)));
        QCOMPARE(a->value(ana, "Ime").toString(), QString("Ana B"));
        // Read again, the row takes A's change.
        QVERIFY(a->setValueAt(ana, "Ime", "Ana A"));
        QCOMPARE(b.scalar("SELECT count(*) FROM tblSestavljavci WHERE Ime = 'Ana A'").toInt(), 1);
    }
};

QTEST_MAIN(TestOffice)
#include "tst_office.moc"
