// Two workstations on one server: this program's windows (A) and a second
// connection of the program's own routines (B), as another workstation
// saves, changes and deletes.

#include "EditorSession.h"

#include "app/Glavna.h"
#include "data/PgConnection.h"
#include "document/Settings.h"
#include "invoice/InvoiceSaver.h"
#include "invoice/Purge.h"
#include "text/Clock.h"
#include "text/Messages.h"

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

    // A's save loses its connection after its COMMIT was sent: A is told
    // what the server did, and saving again never makes a second invoice.
    void lostCommitIsToldTruly_data() {
        QTest::addColumn<int>("lost");
        QTest::addColumn<bool>("landed");
        using Lost = PgConnection::LostCommit;
        QTest::newRow("the server committed") << int(Lost::AfterServer) << true;
        QTest::newRow("the link dropped before") << int(Lost::BeforeServer) << false;
    }
    void lostCommitIsToldTruly() {
        QFETCH(int, lost);
        QFETCH(bool, landed);
        Session s;
        QVERIFY(s.e);
        box(s.e, "Text1_1")->setText("Kupec A");
        PgConnection::loseNextCommitForTest(PgConnection::LostCommit(lost));
        click(s.e, "Command1");
        QCOMPARE(s.editor->isVisible(), !landed);
        QCOMPARE(s.watcher.seen.size(), landed ? 0 : 1);
        if (!landed) {
            QVERIFY2(s.watcher.seen.value(0).contains(Messages::InvoiceNotSaved.text),
                     qPrintable(s.watcher.seen.value(0)));
            QCOMPARE(tableCount("tblRacun"), 0);
            click(s.e, "Command1"); // tried again, on the connection made anew
            QVERIFY(!s.editor->isVisible());
        }
        QCOMPARE(queryRows("SELECT StevilkaRacuna, Ime FROM tblRacun"),
                 QStringList{"2026/001|Kupec A"});
        QCOMPARE(counter(), 2.0);
        QCOMPARE(s.list->recordset()->field("StevilkaRacuna").toString(), QString("2026/001"));
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
        InvoiceHeader h;
        h.text1 = QStringList(16, QString());
        h.text1[0] = "2026/003";
        h.text1[1] = "Novi";
        h.text1[8] = "8.12.2026";
        h.percentText = "0";
        h.pointValueText = "1";
        QCOMPARE(int(saveInvoice(*m_b, *bList, *lines, 0, {}, h).outcome), int(SaveOutcome::Saved));
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
