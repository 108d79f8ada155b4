#include "TestSupport.h"
#include "app/Glavna.h"
#include "app/N_streznik.h"
#include "app/Program.h"
#include "app/ServerChoice.h"
#include "app/ServerTransfer.h"
#include "data/PgConnection.h"
#include "data/ServerSchema.h"
#include "text/Messages.h"

#include <QRadioButton>
#include <QSet>

using namespace valmir;

namespace {

// The test cluster's folder holds its socket; this one holds none.
const QString NoServer = QStringLiteral("host=/tmp/valmir-nikjer dbname=valmir");

} // namespace

class TestStreznik : public QObject {
    Q_OBJECT
    test::TestCluster m_cluster;
    QTemporaryDir m_runtime;

    QString newDatabase() { return m_cluster.newDatabase(); }
    static std::unique_ptr<PgConnection> connectTo(const QString& conninfo) {
        return test::TestCluster::connectTo(conninfo);
    }
    static QString nameOf(const QString& conninfo) { return conninfo.section("dbname=", -1); }

    // A connection string as a case names it: a database on the test
    // server that is empty, holds the open file's data (of this version or
    // a newer one), or one that cannot be used at all.
    QString serverOf(const QString& kind) {
        if (kind == "unreachable")
            return NoServer;
        if (kind == "password")
            return m_cluster.conninfo() + " dbname=valmir password=tajno";
        const QString conninfo = newDatabase();
        if (kind == "empty")
            return conninfo;
        auto db = connectTo(conninfo);
        if (!db)
            return conninfo;
        const ServerTransfer::Result moved = ServerTransfer::copyToServer(*Db, *db);
        if (!moved.ok)
            qWarning("%s", qPrintable(moved.error));
        if (kind == "newer")
            db->execute("UPDATE valmir_shema SET verzija = verzija + 1");
        return conninfo;
    }

    // The open file with an invoice of two lines besides the seed.
    static void addInvoices() {
        const qint64 tariff = test::operationId(*Db, 1, 1);
        const qint64 id = test::addInvoice(
            *Db, {{"StevilkaRacuna", "2009/1"}, {"Ime", "Čatež d.o.o."}, {"ZaPlacilo", 120.0}});
        QVERIFY(tariff && id);
        test::addLine(*Db, id, tariff, 12.5, 2.0, QVariant(), 83.33);
        test::addLine(*Db, id, tariff, 3.0, 1.0, 30.0, 36.67);
    }

    // Each copied table's rows, in the file or on a server.
    static QStringList fileCounts() {
        QStringList counts;
        for (const QString& table : ServerSchema::copiedTables())
            counts << table + u' ' + Db->scalar("SELECT count(*) FROM " + table).toString();
        return counts;
    }
    static QStringList serverCounts(PgConnection& db) {
        QStringList counts;
        for (const QString& table : ServerSchema::copiedTables()) {
            QVariant n;
            counts << table + u' ' +
                          (db.queryValue("SELECT count(*) FROM " + table, {}, &n) ? n.toString()
                                                                                  : "-");
        }
        return counts;
    }
    // The program's tables and functions on a server database.
    static QStringList programThere(PgConnection& db) {
        QStringList found;
        if (!ServerSchema::existingTables(db, &found))
            return {"?"};
        QVariant functions;
        db.queryValue("SELECT count(*) FROM pg_proc WHERE proname LIKE 'valmir%'", {}, &functions);
        return found << functions.toString();
    }

    // The window over the open file, with the server chosen and typed.
    static std::unique_ptr<N_streznik> windowOn(const QString& conninfo) {
        auto w = std::make_unique<N_streznik>(appContext());
        w->show();
        test::click(w.get(), "Option2");
        test::box(w.get(), "Text1")->setText(conninfo);
        return w;
    }

private Q_SLOTS:
    // The test server comes from CTest's fixture pg_cluster.
    void initTestCase() {
        QVERIFY2(m_cluster.open(), qPrintable(m_cluster.lastError()));
        // The runs of the whole program keep their work database here.
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    }
    void cleanup() {
        shutDown();
        QString error;
        QVERIFY(ServerChoice::remember({}, &error));
        m_cluster.dropDatabases();
    }

    // "Preizkusi povezavo" says in one box what it found there.
    void testConnectionTells_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("told"); // "Strežnik|" and parts of the text
        QTest::newRow("empty database") << "empty" << QStringList{"uspe: baza »", "« je prazna"};
        QTest::newRow("the program's data")
            << "data"
            << QStringList{"uspe: v bazi »",
                           QStringLiteral("« so podatki programa VALMIR različice %1.")
                               .arg(ServerSchema::Version)};
        QTest::newRow("data of a newer program")
            << "newer"
            << QStringList{QStringLiteral("so različice %1,").arg(ServerSchema::Version + 1),
                           "Namestite novejšo"};
        QTest::newRow("no server in that folder")
            << "unreachable" << QStringList{"se ni mogoče povezati", "/tmp/valmir-nikjer"};
        QTest::newRow("password in the string") << "password" << QStringList{"~/.pgpass"};
    }
    void testConnectionTells() {
        QFETCH(QString, kind);
        QFETCH(QStringList, told);
        test::Fixture folder;
        QVERIFY(folder.start());
        const QString conninfo = serverOf(kind);
        auto w = windowOn(conninfo);
        test::ModalWatcher watcher;
        test::click(w.get(), "Command1");
        QCOMPARE(watcher.seen.size(), 1);
        const QString seen = watcher.seen[0];
        QVERIFY2(seen.startsWith("Strežnik|"), qPrintable(seen));
        for (const QString& part : told)
            QVERIFY2(seen.contains(part), qPrintable(seen));
        if (kind == "empty" || kind == "data")
            QVERIFY2(seen.contains("»" + nameOf(conninfo) + "«"), qPrintable(seen));
        QCOMPARE(ServerChoice::remembered(), QString());
    }

    // "Prenesi podatke na strežnik" moves the open file's rows into an
    // empty database; one that holds data is refused and left as it was.
    void moveThroughTheWindow_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("into an empty database") << "empty";
        QTest::newRow("into a database with data") << "data";
    }
    void moveThroughTheWindow() {
        QFETCH(QString, kind);
        test::Fixture folder;
        QVERIFY(folder.start());
        addInvoices();
        const QString conninfo = serverOf(kind);
        auto db = connectTo(conninfo);
        QVERIFY(db);
        // The file gains an invoice the server does not have.
        QVERIFY(test::addInvoice(*Db, {{"StevilkaRacuna", "2009/2"}}));
        const QStringList before = serverCounts(*db);
        auto w = windowOn(conninfo);
        test::ModalWatcher watcher;
        test::click(w.get(), "Command2");
        QCOMPARE(watcher.seen.size(), 1);
        const QString seen = watcher.seen[0];
        if (kind == "empty") {
            QCOMPARE(serverCounts(*db), fileCounts());
            QVERIFY2(seen.startsWith("Prenos na strežnik|Podatki so preneseni v bazo »" +
                                     nameOf(conninfo) + "«"),
                     qPrintable(seen));
            for (QString count : fileCounts())
                QVERIFY2(seen.contains("Vrstic v tabeli " + count.replace(u' ', ": ")),
                         qPrintable(seen));
        } else {
            QCOMPARE(serverCounts(*db), before);
            QVERIFY(serverCounts(*db) != fileCounts());
            QVERIFY2(seen.contains("že vsebuje tabele programa"), qPrintable(seen));
        }
        QVERIFY(w->isVisible());
        QCOMPARE(ServerChoice::remembered(), QString());
    }

    // A move cancelled at any step leaves nothing of the program on the
    // server, which takes the data whole afterwards.
    void cancelledMoveLeavesNothing_data() {
        QTest::addColumn<QString>("at"); // the step whose progress answers "stop"
        QTest::newRow("before the first table") << "tblSestavljavci";
        QTest::newRow("after the rows of the post offices") << "tbPoste rows";
        QTest::newRow("after the last table") << "";
    }
    void cancelledMoveLeavesNothing() {
        QFETCH(QString, at);
        test::Fixture folder;
        QVERIFY(folder.start());
        addInvoices();
        auto db = connectTo(newDatabase());
        QVERIFY(db);
        // Each table is told once before its rows and once after each slice.
        QStringList steps;
        const ServerTransfer::Result stopped =
            ServerTransfer::copyToServer(*Db, *db, [&](const ServerTransfer::Step& step) {
                const bool slice = !step.table.isEmpty() && !steps.isEmpty() &&
                                   steps.last().section(u' ', 0, 0) == step.table;
                steps << (slice ? step.table + " rows" : step.table);
                return steps.last() != at;
            });
        QVERIFY(stopped.cancelled && !stopped.ok);
        QCOMPARE(steps.last(), at);
        QCOMPARE(programThere(*db), QStringList{"0"});
        const ServerTransfer::Result moved = ServerTransfer::copyToServer(*Db, *db);
        QVERIFY2(moved.ok, qPrintable(moved.error));
        QCOMPARE(serverCounts(*db), fileCounts());
    }

    // Only "Shrani" keeps the choice; Esc, "Prekliči" and Enter in the
    // string do not, nor does a string with a password.
    void onlySaveKeepsTheChoice_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("told"); // the start of the one box shown, if any
        QTest::addColumn<bool>("closes");
        const QString office = "host=streznik dbname=valmir";
        const QString saved = "Strežnik|Izbira je shranjena";
        // clang-format off
        QTest::newRow("save the server")
            << "" << "Option2" << office << "Command3" << office << saved << true;
        QTest::newRow("save the file")
            << office << "Option1" << office << "Command3" << "" << saved << true;
        QTest::newRow("cancel") << "" << "Option2" << office << "Command4" << "" << "" << true;
        QTest::newRow("escape") << office << "Option1" << "" << "Escape" << office << "" << true;
        QTest::newRow("enter tries the string")
            << "" << "Option2" << NoServer << "Enter" << "" << "Strežnik|S podatkovno bazo" << false;
        QTest::newRow("password refused")
            << "" << "Option2" << office + " password=tajno" << "Command3" << ""
            << "Strežnik|Geslo ne sodi" << false;
        // clang-format on
    }
    void onlySaveKeepsTheChoice() {
        QFETCH(QString, before);
        QFETCH(QString, option);
        QFETCH(QString, typed);
        QFETCH(QString, action);
        QFETCH(QString, told);
        test::Fixture folder;
        QVERIFY(folder.start());
        QString error;
        QVERIFY(ServerChoice::remember(before, &error));
        N_streznik w(appContext());
        w.show();
        // The remembered choice is what the window shows.
        QCOMPARE(test::child<QRadioButton>(&w, "Option2")->isChecked(), !before.isEmpty());
        QCOMPARE(test::text(&w, "Text1"), before);
        test::click(&w, option);
        test::box(&w, "Text1")->setText(typed);
        test::ModalWatcher watcher;
        if (action == "Escape")
            QTest::keyClick(&w, Qt::Key_Escape);
        else if (action == "Enter")
            QTest::keyClick(test::box(&w, "Text1"), Qt::Key_Return);
        else
            test::click(&w, action);
        QTRY_COMPARE(watcher.seen.size(), told.isEmpty() ? 0 : 1);
        if (!told.isEmpty())
            QVERIFY2(watcher.seen[0].startsWith(told), qPrintable(watcher.seen[0]));
        QTEST(ServerChoice::remembered(), "after");
        QTEST(!w.isVisible(), "closes");
    }

    // Every control of the window has a mnemonic of its own.
    void mnemonicsDiffer() {
        test::Fixture folder;
        QVERIFY(folder.start());
        N_streznik w(appContext());
        QStringList letters;
        const auto letter = [&letters](QString text) {
            text.replace("&&", "");
            if (const qsizetype at = text.indexOf(u'&'); at >= 0 && at + 1 < text.size())
                letters << text.at(at + 1).toLower();
        };
        for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
            letter(b->text());
        for (QLabel* l : w.findChildren<QLabel*>())
            letter(l->buddy() ? l->text() : QString());
        QCOMPARE(letters.size(), 6);
        QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), letters.size());
    }

    // The start takes the remembered server unless "--server" names
    // another; a server it cannot use offers the file for this run.
    void startOnTheRememberedChoice_data() {
        QTest::addColumn<QString>("remembered"); // kinds of serverOf, or none
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QString>("asked"); // part of the question, or none asked
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("onServer");
        const auto none = QMessageBox::NoButton;
        QTest::newRow("remembered server") << "data"
                                           << "" << none << "" << 0 << true;
        QTest::newRow("unreachable, on the file")
            << "unreachable"
            << "" << QMessageBox::Yes << "se ni mogoče povezati" << 0 << false;
        QTest::newRow("unreachable, end")
            << "unreachable"
            << "" << QMessageBox::No << "se ni mogoče povezati" << 1 << false;
        QTest::newRow("empty database, on the file")
            << "empty"
            << "" << QMessageBox::Yes << "je prazna" << 0 << false;
        QTest::newRow("newer data, end")
            << "newer"
            << "" << QMessageBox::No << "Namestite novejšo" << 1 << false;
        QTest::newRow("--server wins") << "unreachable"
                                       << "data" << none << "" << 0 << true;
    }
    void startOnTheRememberedChoice() {
        QFETCH(QString, remembered);
        QFETCH(QString, commandLine);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, asked);
        QString kept, given, error;
        {
            test::Fixture folder; // the data the servers get
            QVERIFY(folder.start());
            kept = serverOf(remembered);
            given = commandLine.isEmpty() ? QString() : serverOf(commandLine);
        }
        QVERIFY(ServerChoice::remember(kept, &error));
        QTemporaryDir data;
        QStringList arguments{"valmir", "--data-dir", data.path()};
        if (!given.isEmpty())
            arguments << "--server" << given;

        test::ModalWatcher watcher;
        watcher.answers << answer;
        QString title;
        bool onServer = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<Glavna*>(w) && w->isVisible() &&
                    !QApplication::activeModalWidget()) {
                    title = w->windowTitle();
                    onServer = Db && Db->onServer();
                    w->close();
                }
        });
        closer.start(50);
        QTEST(runValmir(*qApp, arguments), "exitCode");
        // What to do first is told on the first start with an empty list.
        const Message& first = HelpMessages::FirstSteps;
        watcher.seen.removeAll(first.title + u'|' + first.text);
        if (asked.isEmpty()) {
            QCOMPARE(watcher.seen, QStringList());
        } else {
            QCOMPARE(watcher.seen.size(), 1);
            QVERIFY2(watcher.seen[0].startsWith("VALMIR|Podatkov na strežniku ni mogoče") &&
                         watcher.seen[0].contains(asked) &&
                         watcher.seen[0].endsWith("na tem računalniku?"),
                     qPrintable(watcher.seen[0]));
        }
        QTEST(onServer, "onServer");
        const QString server = given.isEmpty() ? kept : given;
        QCOMPARE(title.endsWith(" – strežnik: " + nameOf(server)), onServer);
        QCOMPARE(title.isEmpty(), answer == QMessageBox::No);
        // The data file is made only for a run on the file.
        QCOMPARE(QFile::exists(data.filePath("valmir2009.db")), !title.isEmpty() && !onServer);
        QCOMPARE(ServerChoice::remembered(), kept);
    }
};

QTEST_MAIN(TestStreznik)
#include "tst_streznik.moc"
