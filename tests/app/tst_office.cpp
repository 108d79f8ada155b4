// Two workstations on one server: this program's windows (A) and a second
// connection of the program's own routines (B), as another workstation
// saves, changes and deletes.

#include "EditorSession.h"
#include "Relay.h"

#include "app/Glavna.h"
#include "app/SearchCounter.h"
#include "codelists/Staff.h"
#include "data/PgConnection.h"
#include "data/Schema.h"
#include "data/ServerSchema.h"
#include "document/Payments.h"
#include "document/Settings.h"
#include "invoice/CreditNote.h"
#include "invoice/InvoiceSaver.h"
#include "invoice/Purge.h"
#include "invoice/StoredTotals.h"
#include "invoice/WorkingTable.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "windows/N_data.h"
#include "windows/N_narocniki.h"
#include "windows/N_osebje.h"
#include "windows/Postavke.h"
#include "windows/S_postavke.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QListWidget>
#include <QRegularExpression>

#include <chrono>
#include <thread>

using namespace valmir;
using namespace valmir::test;

class TestOffice : public FixtureTest {
    Q_OBJECT

    std::unique_ptr<Database> m_b; // the other workstation

    void prepare() override { setTodayForTest(QDate(2026, 12, 8)); }

    static std::unique_ptr<Database> connectTo(const QString& conninfo) {
        QString error;
        auto db = Database::connect(conninfo, &error);
        if (!db)
            qWarning("no connection: %s", qPrintable(error));
        return db;
    }

    // What B does meanwhile, after a while, on a thread of its own.
    static std::thread after(int ms, std::function<void()> then) {
        return std::thread([ms, then = std::move(then)] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            then();
        });
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
        m_b = connectTo(Db->conninfo());
        QVERIFY(m_b);
    }
    void cleanup() {
        m_b.reset();
        FixtureTest::cleanup();
    }

    // Both save a new invoice (or quote) at the same moment with the number
    // proposed to both: B holds the counter while A saves; A then takes the
    // next number, without a question, and shows it.
    void simultaneousNewInvoices_data() {
        QTest::addColumn<bool>("quote");
        QTest::addColumn<QString>("counterColumn");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("invoices") << false << "StRacuna"
                                  << "";
        QTest::newRow("quotes, by their own counter") << true << "StPonudbe"
                                                      << "P";
    }
    void simultaneousNewInvoices() {
        QFETCH(bool, quote);
        QFETCH(QString, counterColumn);
        QFETCH(QString, prefix);
        Session s(0, QString(), quote);
        QVERIFY(s.e);
        QCOMPARE(text(s.e, "Text1_0"), prefix + "2026/001");
        box(s.e, "Text1_1")->setText("Kupec A");
        Database& b = *m_b;
        QVERIFY(b.beginTransaction());
        QVERIFY(b.execute("UPDATE tblNastavitve SET StRacuna = StRacuna"));
        QVERIFY(
            b.execute("INSERT INTO tblRacun (StevilkaRacuna, Ime, Ponudba) VALUES ($1, 'B', $2)",
                      {prefix + "2026/001", quote}));
        QVERIFY(b.execute(QString("UPDATE tblNastavitve SET %1 = 2").arg(counterColumn)));
        std::thread commitLater = after(300, [&b] { b.commit(); });
        click(s.e, "Command1"); // waits for B's commit
        commitLater.join();
        QCOMPARE(s.watcher.seen, QStringList());
        QVERIFY(!s.editor->isVisible());
        QCOMPARE(text(s.e, "Text1_0"), prefix + "2026/002");
        QCOMPARE(queryRows("SELECT StevilkaRacuna, Ime FROM tblRacun ORDER BY ID"),
                 (QStringList{prefix + "2026/001|B", prefix + "2026/002|Kupec A"}));
        QCOMPARE(Db->scalar("SELECT " + counterColumn + " FROM tblNastavitve").toDouble(), 3.0);
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
        std::unique_ptr<Database> overRelay = connectTo(relay.conninfo());
        QVERIFY(overRelay);
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
            std::thread later = after(300, [&] {
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
        auto a = connectTo(relay.conninfo());
        QVERIFY(a);
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

    // Payments of two workstations. Both read one statement at once: B's
    // reading holds the statement's row while A reads it; A waits for B
    // and is then told it was read, and the statement counts once. B reads
    // a statement that pays the invoice A has open in the editor: the
    // invoice's version stays, and A's save goes in without a question,
    // the payment kept.
    void paymentsOfTwoWorkstations_data() {
        QTest::addColumn<bool>("editorOpen");
        QTest::newRow("one statement read at once") << false;
        QTest::newRow("a payment while the editor is open") << true;
    }
    void paymentsOfTwoWorkstations() {
        QFETCH(bool, editorOpen);
        QVERIFY(Db->execute("UPDATE tblNastavitve SET TRR = 'SI56 0201 0001 2345 641'"));
        const qint64 id =
            addInvoice(*Db, {{"StevilkaRacuna", "2026/001"}, {"Ime", "Prej"}, {"ZaPlacilo", 100}});
        const QByteArray xml =
            "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\"><BkToCstmrStmt>"
            "<Stmt><Id>2026-7</Id><Acct><Id><IBAN>SI56020100012345641</IBAN></Id></Acct>"
            "<Ntry><Amt Ccy=\"EUR\">100.00</Amt><CdtDbtInd>CRDT</CdtDbtInd>"
            "<BookgDt><Dt>2026-12-07</Dt></BookgDt><NtryDtls><TxDtls><RmtInf><Strd><CdtrRefInf>"
            "<Ref>SI12 20260016</Ref></CdtrRefInf></Strd></RmtInf></TxDtls></NtryDtls></Ntry>"
            "</Stmt></BkToCstmrStmt></Document>";
        const auto version = [id] {
            return Db->scalar("SELECT verzija FROM tblRacun WHERE ID = ?", {id}).toLongLong();
        };
        const qint64 before = version();
        if (!editorOpen) {
            Database& b = *m_b;
            QVERIFY(b.beginTransaction());
            QVERIFY(b.execute("INSERT INTO tblIzpiski (IBAN, Oznaka, Uvozen) VALUES "
                              "('SI56020100012345641', '2026-7', ?)",
                              {QDate(2026, 12, 8)}));
            QVERIFY(b.execute("INSERT INTO tblPlacila (RacunID, Znesek, Vir, IzpisekID) "
                              "VALUES (?, 100, 'izpisek', 1)",
                              {id}));
            std::thread commitLater = after(300, [&b] { b.commit(); });
            const StatementImport read = importStatement(*Db, xml, today()); // waits for B
            commitLater.join();
            QVERIFY(!read.ok);
            QVERIFY2(read.error.startsWith("Izpisek 2026-7 za račun SI56020100012345641 je bil "
                                           "že prebran"),
                     qPrintable(read.error));
        } else {
            Session s(1, "2026/001");
            QVERIFY(s.e);
            box(s.e, "Text1_1")->setText("A");
            const StatementImport read = importStatement(*m_b, xml, today());
            QVERIFY2(read.ok, qPrintable(read.error));
            QCOMPARE(version(), before);
            click(s.e, "Command1");
            QCOMPARE(s.watcher.seen, QStringList());
            QCOMPARE(queryRows("SELECT Ime FROM tblRacun"), QStringList{"A"});
        }
        QCOMPARE(queryRows("SELECT count(*) FROM tblIzpiski"), QStringList{"1"});
        QCOMPARE(queryRows("SELECT RacunID, Znesek FROM tblPlacila"),
                 QStringList{QString("%1|100").arg(id)});
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

    // A holds a row it read: the customer register's form, a person of the
    // staff list, the office's data, the invoice settings. B changes or
    // deletes the row; A's save is refused and says by whom, B's change
    // stays, and what A typed is still there. Saved once more (where the
    // window offers it), A's data go in over the change A was told of; a
    // customer deleted meanwhile comes back as a new entry.
    void rowsReadAreNotOverwritten_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("byB");        // the ID of the row A read bound to "?"
        QTest::addColumn<QString>("stored");     // what the rows below are of
        QTest::addColumn<QStringList>("afterB"); // after A's refused save
        QTest::addColumn<QStringList>("again");  // after A's second save; empty: none
        const QString customers = "SELECT Ime, Telefon FROM tblNarocnik ORDER BY ID";
        QTest::newRow("customer changed")
            << "customer"
            << "UPDATE tblNarocnik SET Telefon = 'B' WHERE ID = ?" << customers
            << QStringList{"Geo|B"} << QStringList{"Geo|A"};
        QTest::newRow("customer deleted") << "customer"
                                          << "DELETE FROM tblNarocnik WHERE ID = ?" << customers
                                          << QStringList{} << QStringList{"Geo|A"};
        // B's change comes while A is asked whether the register takes the
        // saved invoice's data.
        QTest::newRow("customer changed, invoice saved")
            << "invoice"
            << "UPDATE tblNarocnik SET Telefon = 'B' WHERE ID = ?" << customers
            << QStringList{"Geo|B"} << QStringList{};
        const QString staff =
            "SELECT Ime FROM tblSestavljavci WHERE Ime IN ('Ana', 'Ana 0', 'Ana A', 'Ana B')";
        QTest::newRow("person renamed, A renames")
            << "rename"
            << "UPDATE tblSestavljavci SET Ime = 'Ana B' WHERE ID = ?" << staff
            << QStringList{"Ana B"} << QStringList{"Ana A"};
        QTest::newRow("person deleted, A renames") << "rename"
                                                   << "DELETE FROM tblSestavljavci WHERE ID = ?"
                                                   << staff << QStringList{} << QStringList{};
        QTest::newRow("person renamed, A deletes")
            << "delete"
            << "UPDATE tblSestavljavci SET Ime = 'Ana B' WHERE ID = ?" << staff
            << QStringList{"Ana B"} << QStringList{};
        const QString company = "SELECT Firma, TRR FROM tblNastavitve";
        QTest::newRow("IBAN changed")
            << "company"
            << "UPDATE tblNastavitve SET TRR = 'SI56 B'" << company << QStringList{"Geo|SI56 B"}
            << QStringList{"Geo A|SI56 1910 0000 0123 438"};
        // B's save moved the counter: the settings A read never put it back.
        QTest::newRow("counter moved")
            << "settings"
            << "UPDATE tblNastavitve SET StRacuna = 42"
            << "SELECT StRacuna FROM tblNastavitve WHERE VrednostTocke <> 2.5" << QStringList{"42"}
            << QStringList{};
    }
    void rowsReadAreNotOverwritten() {
        QFETCH(QString, what);
        QFETCH(QString, byB);
        QFETCH(QString, stored);
        QFETCH(QStringList, afterB);
        QFETCH(QStringList, again);
        const bool deleted = byB.startsWith("DELETE");
        qint64 id = 0;
        QVERIFY(Db->execute("UPDATE tblNastavitve SET Firma = 'Geo', TRR = 'SI56 0'"));
        if (what == "customer" || what == "invoice")
            QVERIFY(
                Db->insert("INSERT INTO tblNarocnik (Ime, Telefon) VALUES ('Geo', '0')", {}, &id));
        if (what == "rename" || what == "delete")
            QVERIFY(Db->insert("INSERT INTO tblSestavljavci (Ime) VALUES ('Ana')", {}, &id));
        const auto changeByB = [&] {
            return m_b->execute(byB, byB.contains('?') ? QVariantList{id} : QVariantList{});
        };
        // What A was told, as "title|text"; and A's second save.
        QString told;
        std::function<bool()> saveAgain;
        ModalWatcher watcher;
        std::unique_ptr<N_narocniki> customers;
        std::unique_ptr<N_data> company;
        std::unique_ptr<N_osebje> staff;
        qint64 version = 0;
        QString error;
        if (what == "customer") {
            customers = std::make_unique<N_narocniki>(appContext());
            QWidget* w = customers.get();
            QVERIFY(customers->isLoaded());
            QCOMPARE(text(w, "Text1_0"), QString("Geo"));
            box(w, "Text1_5")->selectAll();
            QTest::keyClicks(box(w, "Text1_5"), "A");
            QVERIFY(customers->isEditing());
            QVERIFY(changeByB());
            click(w, "Command2");
            QCOMPARE(watcher.seen.size(), 1);
            told = watcher.seen.first();
            // The form keeps what A typed, still to be saved.
            QCOMPARE(text(w, "Text1_0"), QString("Geo"));
            QCOMPARE(text(w, "Text1_5"), QString("A"));
            QVERIFY(customers->isEditing());
            saveAgain = [&] {
                click(customers.get(), "Command2");
                return watcher.seen.size() == 1 && !customers->isEditing();
            };
        } else if (what == "invoice") {
            Customer invoice;
            invoice[CustomerName] = "Geo";
            invoice[CustomerPhone] = "A";
            const CustomerKept kept =
                keepCustomerCurrent(*Db, invoice, QDate(2026, 12, 8), [&] { return changeByB(); });
            QVERIFY(!kept.ok && !kept.updated);
            told = Messages::RowChangedMeanwhile.title + '|' + kept.error;
        } else if (what == "rename") {
            // N_osebje: B's change comes while A types the new name.
            staff = std::make_unique<N_osebje>(appContext());
            grid(staff.get())->moveToRow(grid(staff.get())->recordset()->positionOf(id));
            watcher.dialogs["InputBox"] = [&](QWidget* box) {
                auto* input = qobject_cast<QInputDialog*>(box);
                QCOMPARE(input->textValue(), QString("Ana"));
                QVERIFY(changeByB());
                input->setTextValue("Ana A");
                input->accept();
            };
            click(staff.get(), "Command2");
            QCOMPARE(watcher.seen.size(), 1);
            told = watcher.seen.first();
            // The box offers the refused name again.
            saveAgain = [&] {
                QString offered;
                watcher.dialogs["InputBox"] = [&](QWidget* box) {
                    offered = qobject_cast<QInputDialog*>(box)->textValue();
                    qobject_cast<QInputDialog*>(box)->accept();
                };
                click(staff.get(), "Command2");
                return offered == "Ana A" && watcher.seen.size() == 1;
            };
        } else if (what == "delete") {
            auto list = Db->openRecordset("tblSestavljavci", RecordsetKind::Table);
            QVERIFY(list && list->moveToBookmark(id));
            version = list->rowVersion();
            // Held without its version, the row is not written at all.
            QVERIFY(!renameStaff(*Db, id, 0, "Ana 0").ok);
            QVERIFY(changeByB());
            const StaffWrite w = deleteStaff(*Db, id, version);
            QVERIFY(!w.ok && !w.written && w.conflict);
            QCOMPARE(w.conflict->deleted, deleted);
            told = Messages::RowChangedMeanwhile.title + '|' + w.error;
        } else if (what == "company") {
            // "Naši podatki", its "V redu".
            company = std::make_unique<N_data>(appContext());
            QWidget* w = company.get();
            QVERIFY(company->isLoaded());
            QCOMPARE(text(w, "Text1_8"), QString("SI56 0"));
            box(w, "Text1_0")->setText("Geo A");
            box(w, "Text1_8")->setText("SI56 1910 0000 0123 438");
            QVERIFY(changeByB());
            click(w, "Command1");
            QCOMPARE(watcher.seen.size(), 1);
            told = watcher.seen.first();
            QCOMPARE(text(w, "Text1_0"), QString("Geo A"));
            QCOMPARE(text(w, "Text1_8"), QString("SI56 1910 0000 0123 438"));
            QCOMPARE(company->result(), 0);
            saveAgain = [&] {
                click(company.get(), "Command1");
                return watcher.seen.size() == 1 && company->result() == QDialog::Accepted;
            };
        } else {
            InvoiceSettings settings;
            QVERIFY(readInvoiceSettings(*Db, &settings, &error));
            settings.pointValue = 2.5;
            QVERIFY(changeByB());
            QVERIFY(!writeInvoiceSettings(*Db, settings, &error));
            told = Messages::RowChangedMeanwhile.title + '|' + error;
        }
        const Message& changed = Messages::RowChangedMeanwhile;
        const QString by = deleted ? Messages::RowDeletedBy : QSysInfo::machineHostName();
        QVERIFY2(told.startsWith(changed.title + '|' + changed.text.section(u'(', 0, 0) + '(' + by),
                 qPrintable(told));
        QCOMPARE(queryRows(stored), afterB);
        if (again.isEmpty())
            return;
        QVERIFY2(saveAgain(), qPrintable(error + watcher.seen.join(' ')));
        QCOMPARE(queryRows(stored), again);
    }

    // Every statement of the program that changes rows of a table with row
    // versions writes over the version it read ("... AND verzija = ?"), or
    // it goes through a record set (RowWrite.h for a row held by its key),
    // which checks it; the statements below are the reviewed others. A new
    // versioned table (ServerSchema) and a new writer are checked as they
    // come; a statement named here that is gone or changed fails, too, so
    // that the list stays the reviewed one.
    void versionedRowsAreWrittenOverTheirVersion() {
        struct Reviewed {
            const char* file;
            const char* statement; // how it begins
        };
        static const Reviewed reviewed[] = {
            // The hold of the settings row while a number is taken (no change
            // of the row, ServerSchema), and the counter moved under it.
            {"invoice/InvoiceSaver.cpp", "UPDATE tblNastavitve SET StRacuna = StRacuna "},
            {"invoice/InvoiceSaver.cpp", "UPDATE tblNastavitve SET StRacuna = ?, LetoStevca = ? "},
            {"invoice/InvoiceSaver.cpp", "UPDATE tblNastavitve SET StPonudbe = ? "},
            // The purge: old invoices wholesale, their rows locked first.
            {"invoice/Purge.cpp", "DELETE FROM tblRacun WHERE IN_SET(ID, ?)"},
            // A credit note's row, made in the same transaction.
            {"invoice/CreditNote.cpp", "UPDATE tblRacun SET Osnova = -Osnova"},
            // The totals computed from the stored lines: the upgrade's, and a
            // credit note's own in its transaction.
            {"invoice/StoredTotals.cpp", "UPDATE tblRacun SET Osnova = ?, DDV = ?, ZaPlacilo = ? "},
            // A reminder counts on from what is stored.
            {"document/Reminder.cpp", "UPDATE tblRacun SET Opomin = ?, Opominov = "},
            // The steps of a file's tables and its seed: one workstation.
            {"data/Schema.cpp", "UPDATE tblNastavitve SET StopnjaDDV = 22"},
            {"data/Schema.cpp", "UPDATE tblNastavitve SET LetniStevec = 0"},
            {"data/Schema.cpp", "UPDATE tblNastavitve SET StPonudbe = 1"},
            {"data/Schema.cpp", "UPDATE tblRacun SET Zapade = "},
            {"data/Seed.cpp", "UPDATE tblTarife SET Izbrana = False"},
            // What an invoice owes and its paid flag follow its payments
            // and keep its version (the server's step 11); on the file the
            // triggers of its step 9.
            {"data/Schema.cpp", "UPDATE tblRacun SET Odprto = "},
            {"data/Schema.cpp", "UPDATE tblRacun SET Placan = 0 WHERE ID = %1 AND "},
            {"data/ServerSchema.cpp", "UPDATE tblRacun SET Odprto = "},
            {"data/ServerSchema.cpp", "UPDATE tblRacun r SET Placan = Odprto < 0.005 "},
            // The quotes' counter started by the steps that bring quotes.
            {"data/ServerSchema.cpp", "UPDATE tblNastavitve SET StPonudbe = 1 "},
            // A payment is never edited: a reversal takes back the one of a
            // statement, unticking the hand ones, and an unplaced one is
            // given an invoice only while it has none.
            {"document/Payments.cpp", "DELETE FROM tblPlacila WHERE ID = ? AND Vir = ?"},
            {"document/Payments.cpp", "DELETE FROM tblPlacila WHERE RacunID = ? AND Vir <> ?"},
            {"document/Payments.cpp", "UPDATE tblPlacila SET RacunID = ? WHERE ID = ? AND "
                                      "RacunID IS NULL"},
            // The date of use only moves on.
            {"codelists/Customers.cpp", "UPDATE tblNarocnik SET Uporabljen = ? WHERE ID = ? AND "},
            // A service's operations follow its new number, all at once.
            {"codelists/Services.cpp", "UPDATE tblTarife SET TS1=? WHERE TS1=?"},
        };
        const QStringList versioned = ServerSchema::versionedTables();
        QVERIFY(versioned.contains("tblNarocnik") && versioned.contains("tblSestavljavci"));
        // A statement as the source spells it, adjacent literals joined.
        static const QRegularExpression joined(QStringLiteral("\"\\s+\""));
        static const QRegularExpression statement(
            QStringLiteral("\"((?:UPDATE|DELETE\\s+FROM)\\s+(\\w+)\\b[^\"]*)\""),
            QRegularExpression::CaseInsensitiveOption);
        const QString src = qEnvironmentVariable("VALMIR_SOURCE_DIR") + "/src/";
        QStringList unchecked;
        QSet<int> met;
        for (QDirIterator it(src, {"*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QString path = it.next();
            const QString file = path.mid(src.size());
            QString code = QString::fromUtf8(readBytes(path));
            code.replace(joined, QString());
            for (auto m = statement.globalMatch(code); m.hasNext();) {
                const auto found = m.next();
                const QString sql = found.captured(1);
                if (!versioned.contains(found.captured(2), Qt::CaseInsensitive) ||
                    sql.contains("verzija", Qt::CaseInsensitive))
                    continue;
                int known = -1;
                for (int i = 0; i < int(std::size(reviewed)); ++i)
                    if (file == QLatin1String(reviewed[i].file) &&
                        sql.startsWith(QLatin1String(reviewed[i].statement)))
                        known = i;
                if (known < 0)
                    unchecked << file + ": " + sql;
                met << known;
            }
        }
        QVERIFY2(unchecked.isEmpty(), qPrintable(unchecked.join('\n')));
        for (int i = 0; i < int(std::size(reviewed)); ++i)
            QVERIFY2(met.contains(i), reviewed[i].statement);
    }

    // A makes the credit note of an invoice that B deletes at that moment: A
    // waits for B, then is told the invoice is gone; nothing is written, and
    // no other invoice's totals change.
    void creditNoteOfAnInvoiceDeletedMeanwhile() {
        const qint64 op = operationId(*Db, 1, 1);
        const qint64 kept = addInvoice(*Db, {{"StevilkaRacuna", "2026/003"},
                                             {"Datum", QDate(2026, 12, 1)},
                                             {"VrednostTocke", 1.0},
                                             {"StopnjaDDV", 22}});
        addLine(*Db, kept, op, 50, 1, {}, 50.0);
        const qint64 gone = addInvoice(*Db, {{"StevilkaRacuna", "2026/004"},
                                             {"Datum", QDate(2026, 12, 5)},
                                             {"VrednostTocke", 1.0},
                                             {"StopnjaDDV", 22}});
        addLine(*Db, gone, op, 100, 1, {}, 100.0);
        QVERIFY(computeStoredTotals(*Db));
        // A credit note of the kept one: its totals stay negative.
        QCOMPARE(int(makeCreditNote(*Db, kept, today()).outcome), int(CreditNoteOutcome::Made));
        const QString totals = "SELECT StevilkaRacuna, Osnova, DDV, ZaPlacilo FROM tblRacun "
                               "WHERE ID <> ? ORDER BY ID";
        const QStringList before = queryRows(totals, {gone});
        const double counterBefore = counter();

        Glavna w(appContext());
        w.show();
        QTRY_COMPARE(lineCount(&w), 3);
        w.list()->moveToRow(w.list()->recordset()->positionOf(gone));
        ModalWatcher watcher;
        watcher.dialogs["Racun"] = [](QWidget* editor) { static_cast<QDialog*>(editor)->reject(); };
        watcher.answers << QMessageBox::Yes;
        Database& b = *m_b;
        QVERIFY(b.beginTransaction());
        QVERIFY(b.execute("DELETE FROM tblRacun WHERE ID = ?", {gone}));
        QVERIFY(b.execute("DELETE FROM tblRacunTarife WHERE ID_racun = ?", {gone}));
        std::thread commitLater = after(400, [&b] { b.commit(); });
        click(&w, "Command4"); // "Dobropis", answered Yes
        commitLater.join();
        const Message& told = Messages::CreditedInvoiceGone;
        QCOMPARE(watcher.seen.size(), 2); // the question, then this
        QCOMPARE(watcher.seen.last(), told.title + '|' + told.text.arg("2026/004"));
        QCOMPARE(queryRows(totals, {gone}), before);
        QCOMPARE(tableCount("tblRacun"), 2);
        QCOMPARE(tableCount("tblRacunTarife WHERE ID_racun NOT IN (SELECT ID FROM tblRacun)"), 0);
        QCOMPARE(counter(), counterBefore);
    }

    // A purges old invoices while B saves one of them: B holds its row, and
    // writes its lines before or after A started. Neither fails, and no line
    // is left without its invoice.
    void purgeAndASaveOfAnOldInvoice_data() {
        QTest::addColumn<bool>("linesFirst"); // B wrote its lines before A began
        QTest::newRow("lines after") << false;
        QTest::newRow("lines before") << true;
    }
    void purgeAndASaveOfAnOldInvoice() {
        QFETCH(bool, linesFirst);
        const qint64 op = operationId(*Db, 1, 1);
        const qint64 old =
            addInvoice(*Db, {{"StevilkaRacuna", "2025/001"}, {"Datum", QDate(2025, 3, 1)}});
        addLine(*Db, old, op, 10, 1, {}, 10.0);
        addInvoice(*Db, {{"StevilkaRacuna", "2026/001"}, {"Datum", QDate(2026, 3, 1)}});
        Database& b = *m_b;
        // B's save: the invoice's row, then its lines.
        const auto lines = [&b, old, op] {
            return b.execute("DELETE FROM tblRacunTarife WHERE ID_racun = ?", {old}) &&
                   b.execute("INSERT INTO tblRacunTarife (ID_racun, ID_tarifa, Tocke, Kolicina, "
                             "znesek) VALUES (?, ?, 20, 1, 20.0)",
                             {old, op});
        };
        QVERIFY(b.beginTransaction());
        QVERIFY(b.execute("UPDATE tblRacun SET Ime = 'B' WHERE ID = ?", {old}));
        if (linesFirst)
            QVERIFY(lines());
        bool saved = false;
        QString error;
        std::thread saveLater = after(400, [&] {
            saved = (linesFirst || lines()) && b.commit();
            if (!saved)
                error = b.lastError();
        });
        const PurgeResult purged = purgeInvoicesBefore(*Db, QDate(2026, 1, 1));
        saveLater.join();
        QVERIFY2(saved, qPrintable(error));
        QVERIFY2(purged.ok, qPrintable(purged.error));
        QCOMPARE(purged.invoices, 1);
        QCOMPARE(queryRows("SELECT StevilkaRacuna FROM tblRacun"), QStringList{"2026/001"});
        QCOMPARE(tableCount("tblRacunTarife"), 0);
    }

    // A and B pick operations at the same moment, each in its own picker:
    // neither clears, sees or adds the other's.
    void picksAreEachWorkstationsOwn() {
        QString error;
        auto bWork = Database::open(m_fixture->tempDir() + "/b_tmp.db", {}, &error, true);
        QVERIFY2(bWork && Schema::createWorkTables(*bWork), qPrintable(error));
        const auto pickedIn = [](Database& work) {
            QStringList ids;
            auto rs = work.openRecordset("SELECT ID_tarifa FROM tblTarifePregled ORDER BY TS2",
                                         RecordsetKind::Snapshot);
            for (rs->moveFirst(); !rs->eof(); rs->moveNext())
                ids << rs->field("ID_tarifa").toString();
            return ids;
        };
        const auto tick = [](Postavke& picker, int row) {
            QListWidget* list = picker.findChild<QListWidget*>("List1");
            QVERIFY(list && list->count() > row);
            list->item(row)->setCheckState(Qt::Checked);
        };
        Postavke a(*Db);
        a.show();
        tick(a, 0);       // operation 1.1
        Postavke b(*m_b); // opened after A ticked
        b.show();
        QCOMPARE(b.findChild<QListWidget*>("List1")->item(0)->checkState(), Qt::Unchecked);
        tick(b, 1); // operation 1.2
        QCOMPARE(a.findChild<QListWidget*>("List1")->item(0)->checkState(), Qt::Checked);
        QCOMPARE(addPickedOperations(*Db, *WorkDb, false).added, 1);
        QCOMPARE(addPickedOperations(*m_b, *bWork, false).added, 1);
        QCOMPARE(pickedIn(*WorkDb), QStringList{QString::number(operationId(*Db, 1, 1))});
        QCOMPARE(pickedIn(*bWork), QStringList{QString::number(operationId(*Db, 1, 2))});
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
