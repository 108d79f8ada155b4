// Two workstations on one server: this program's windows (A) and a second
// connection of the program's own routines (B), as another workstation
// saves, changes and deletes.

#include "EditorSession.h"

#include "app/Glavna.h"
#include "document/Settings.h"
#include "invoice/InvoiceSaver.h"
#include "invoice/Purge.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "windows/N_narocniki.h"
#include "windows/N_osebje.h"
#include "windows/S_postavke.h"

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

    // A asks before acting on a row; while the question is open B deletes
    // or changes that row, and A's list follows B's notice (a deleted row
    // leaves its neighbour where it stood). A answers yes: nothing happens
    // to the row nor to its neighbour, and A is told. An action that does
    // not ask, on the gap B's delete left, is refused the same way.
    void askedRowChangedMeanwhile_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("deleted"); // by B; else changed
        QTest::addColumn<bool>("asks");    // else B acts before the click
        // clang-format off
        for (const bool deleted : {true, false}) {
            const QString how = deleted ? ", deleted" : ", changed";
            QTest::newRow(qPrintable("delete invoice" + how))
                << "Glavna" << "Command3" << deleted << true;
            QTest::newRow(qPrintable("credit note" + how))
                << "Glavna" << "Command4" << deleted << true;
            QTest::newRow(qPrintable("delete customer" + how))
                << "N_narocniki" << "Command4" << deleted << true;
            QTest::newRow(qPrintable("delete operation" + how))
                << "S_postavke" << "Command3" << deleted << true;
        }
        QTest::newRow("delete staff, on the gap") << "N_osebje" << "Command3" << true << false;
        // clang-format on
    }
    void askedRowChangedMeanwhile() {
        QFETCH(QString, window);
        QFETCH(QString, button);
        QFETCH(bool, deleted);
        QFETCH(bool, asks);
        std::unique_ptr<QWidget> w;
        qint64 x = 0;   // the row asked about
        QString table;  // its table
        QString column; // the field B changes
        QVariant byB;   // to this value
        if (window == "Glavna") {
            QVERIFY(Db->execute("UPDATE tblNastavitve SET StRacuna = 5"));
            x = addInvoice(*Db, {{"StevilkaRacuna", "2026/002"}, {"Ime", "X"}});
            addInvoice(*Db, {{"StevilkaRacuna", "2026/001"}, {"Ime", "Y"}});
            w = std::make_unique<Glavna>(appContext());
            table = "tblRacun", column = "Ime", byB = "B";
        } else if (window == "N_narocniki") {
            QVERIFY(Db->execute("INSERT INTO tblNarocnik (Ime) VALUES ('Ana'), ('Bor')"));
            x = Db->scalar("SELECT ID FROM tblNarocnik WHERE Ime = 'Ana'").toLongLong();
            w = std::make_unique<N_narocniki>(appContext());
            table = "tblNarocnik", column = "Ime", byB = "Ana B";
        } else if (window == "N_osebje") {
            QVERIFY(Db->execute("INSERT INTO tblSestavljavci (Ime) VALUES ('Ana'), ('Bor')"));
            x = Db->scalar("SELECT ID FROM tblSestavljavci WHERE Ime = 'Ana'").toLongLong();
            w = std::make_unique<N_osebje>(appContext());
            table = "tblSestavljavci", column = "Ime";
        } else {
            x = operationId(*Db, 6, 2); // service 6 holds operations 1, 2 and 3
            w = std::make_unique<S_postavke>(appContext());
            table = "tblTarife", column = "Tocke", byB = 99;
        }
        QVERIFY(Db->listen());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        BoundGrid* list = grid(w.get());
        if (auto* services = w->findChild<QComboBox*>("Combo1"))
            services->setCurrentIndex(services->findData(6));
        Recordset* rs = list->recordset();
        const int row = rs->positionOf(x);
        QVERIFY(row >= 0 && row + 1 < rs->recordCount()); // with a neighbour after it
        list->moveToRow(row);

        ModalWatcher watcher;
        watcher.answers = {QMessageBox::Yes};
        watcher.dialogs["Racun"] = [](QWidget* editor) { static_cast<QDialog*>(editor)->reject(); };
        const QString rows = QString("SELECT ID, %1 FROM %2 ORDER BY ID").arg(column, table);
        QStringList leftByB;
        bool followed = false;
        watcher.meanwhile = [&] {
            if (!(deleted ? m_b->execute("DELETE FROM " + table + " WHERE ID = ?", {x})
                          : m_b->execute("UPDATE " + table + " SET " + column + " = ? WHERE ID = ?",
                                         {byB, x})))
                return;
            leftByB = queryRows(rows);
            followed = QTest::qWaitFor([&] {
                Db->takeNotices();
                return deleted ? rs->positionOf(x) < 0
                               : rs->value(row, column).toString() == byB.toString();
            });
        };
        if (!asks)
            std::exchange(watcher.meanwhile, {})();
        click(w.get(), button);
        QVERIFY(followed);
        // The question, if any, then why nothing was done.
        QCOMPARE(watcher.seen.size(), asks ? 2 : 1);
        const Message& told = Messages::AskedRowChanged;
        QVERIFY2(watcher.seen.last().startsWith(
                     told.title + '|' + told.text.section(u'(', 0, 0) + '(' +
                     (deleted ? Messages::RowDeletedBy : QSysInfo::machineHostName())),
                 qPrintable(watcher.seen.last()));
        QCOMPARE(queryRows(rows), leftByB);
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
