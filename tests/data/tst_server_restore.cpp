#include "TestSupport.h"
#include "data/PgConnection.h"
#include "data/Schema.h"
#include "data/ServerBackup.h"
#include "data/ServerSchema.h"
#include "text/Messages.h"

#include <QRegularExpression>

#include <future>

using namespace valmir;

namespace {

// Rows as text, as the two sides are compared.
QStringList fileRows(Database& db, const QString& sql) {
    return test::shownRows(test::fileRows(db, sql));
}
QStringList serverRows(PgConnection& db, const QString& sql) {
    return test::shownRows(test::serverRows(db, sql));
}

} // namespace

class TestServerRestore : public QObject {
    Q_OBJECT
    test::TestCluster m_cluster;

    // The copy: a data file the program made, with invoices, lines and staff.
    static QString makeCopy(test::Fixture& folder) {
        if (!folder.start())
            return {};
        Database& db = *Db;
        db.execute("INSERT INTO tblSestavljavci (Ime) VALUES (?)", {"Špela Žužek"});
        const qint64 tariff = test::operationId(db, 1, 1);
        test::addNumberedInvoices(db, 30, [](int x) {
            return QVariantMap{{"Ime", "Čatež " + QString::number(x)},
                               {"Placan", x % 3 == 0},
                               {"ZaPlacilo", x * 10.005},
                               {"Datum", QDate(2009, 12, 1).addDays(x)}};
        });
        for (int id : {3, 7, 30})
            test::addLine(db, id, tariff, 12.5, 2.0, QVariant(), 83.33);
        // A statement's payments: invoice 4 paid in part, one unplaced.
        db.execute("INSERT INTO tblIzpiski (IBAN, Oznaka, Uvozen) VALUES ('SI56', '1', ?)",
                   {QDate(2009, 12, 20)});
        db.execute("INSERT INTO tblPlacila (RacunID, Datum, Znesek, Vir, IzpisekID) VALUES "
                   "(4, ?, 15.5, 'izpisek', 1), (NULL, ?, 3, 'izpisek', 1)",
                   {QDate(2009, 12, 20), QDate(2009, 12, 20)});
        db.execute("DELETE FROM tbPoste WHERE Stev = (SELECT min(Stev) FROM tbPoste)");
        shutDown();
        return folder.dataDir() + "/valmir2009.db";
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_cluster.open(), qPrintable(m_cluster.lastError())); }
    void cleanup() { m_cluster.dropDatabases(); }

    // The server's data become the copy's, or stay as they were.
    void restore_data() {
        QTest::addColumn<QString>("inCopy");
        QTest::addColumn<QStringList>("onServer");
        QTest::addColumn<QString>("told"); // empty: restored
        QTest::newRow("restored") << "" << QStringList() << "";
        QTest::newRow("server's column of its own")
            << ""
            << QStringList{"ALTER TABLE tblRacun ADD COLUMN dodatno bigint NOT NULL DEFAULT 1"}
            << "";
        QTest::newRow("not a data file") << "ni baza" << QStringList() << ".";
        QTest::newRow("older version")
            << "PRAGMA user_version = 6" << QStringList()
            << QRegularExpression::escape(
                   ServerMessages::CopyOtherVersion.text.arg(6).arg(Schema::CurrentVersion));
        // The file keeps a date that never was one as empty text; a day
        // that does not exist may be there, too.
        QTest::newRow("dates that are none")
            << "UPDATE tblRacun SET Datum = CASE ID WHEN 3 THEN '' ELSE '2009-02-31' END, "
               "Zapade = '' WHERE ID IN (3, 7)"
            << QStringList() << "";
        QTest::newRow("lines refused, the last table")
            << ""
            << QStringList{"CREATE FUNCTION brez() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                           "RAISE EXCEPTION 'brez vrstic'; END $$",
                           "CREATE TRIGGER brez BEFORE INSERT ON tblRacunTarife FOR EACH ROW "
                           "EXECUTE FUNCTION brez()"}
            << "tblRacunTarife: .*brez vrstic";
    }
    void restore() {
        QFETCH(QString, inCopy);
        QFETCH(QStringList, onServer);
        QFETCH(QString, told);
        test::Fixture folder;
        const QString path = makeCopy(folder);
        QVERIFY(!path.isEmpty());
        if (inCopy == u"ni baza")
            QVERIFY(test::writeBytes(path, "ni baza"));
        else if (!inCopy.isEmpty())
            QVERIFY(Database::open(path, Schema::dataPassword(), nullptr)->execute(inCopy));
        const QString conninfo = m_cluster.newDatabase();
        auto db = test::TestCluster::connectTo(conninfo);
        QVERIFY(db && ServerSchema::create(*db));
        QVERIFY(db->execute("INSERT INTO tblRacun (ID, StevilkaRacuna, ZaPlacilo) VALUES "
                            "(500, 'star', 9), (501, 'star2', 1)"));
        QVERIFY(db->execute("INSERT INTO tbPoste (Stev, Posta) VALUES (1000, 'Ljubljana')"));
        for (const QString& sql : onServer)
            QVERIFY2(db->execute(sql), qPrintable(db->lastError()));
        const QStringList before = test::serverContents(*db);

        QString error;
        auto server = Database::connect(conninfo, &error);
        QVERIFY2(server, qPrintable(error));
        qint64 datesEmptied = -1;
        const bool restored = ServerBackup::restoreFromFile(*server, path, Schema::dataPassword(),
                                                            QString(), &error, &datesEmptied);
        QCOMPARE(restored, told.isEmpty());
        if (!restored) {
            QVERIFY2(error.contains(QRegularExpression(told)), qPrintable(error));
            QCOMPARE(test::serverContents(*db), before);
            return;
        }
        auto file = Database::open(path, Schema::dataPassword(), &error);
        QVERIFY2(file, qPrintable(error));
        // On the server a date that is none is no date.
        const bool noDates = QTest::currentDataTag() == QByteArray("dates that are none");
        QCOMPARE(datesEmptied, noDates ? 4 : 0);
        if (noDates)
            QVERIFY(file->execute("UPDATE tblRacun SET Datum = NULL, Zapade = NULL "
                                  "WHERE ID IN (3, 7)"));
        for (const QString& table : ServerSchema::copiedTables()) {
            const auto [inFile, onServer] = test::bothSides(*file, *db, table);
            QVERIFY(table == u"tblNarocnik" || !inFile.isEmpty());
            QCOMPARE(onServer, inFile);
            const QString key = ServerSchema::rowKey(table);
            const QString order = key.isEmpty() ? "ID" : key;
            // A new row takes a key past the restored ones.
            const qlonglong last = file->scalar("SELECT max(rowid) FROM " + table).toLongLong();
            QVERIFY(serverRows(*db, "INSERT INTO " + table + " DEFAULT VALUES RETURNING " + order)
                        .value(0)
                        .toLongLong() > last);
            QVERIFY(db->execute("DELETE FROM " + table + " WHERE " + order + " > $1", {last}));
        }
        const QString sums = "SELECT Racunov, NeplacanoCentov FROM tblIskanjeVsota";
        QCOMPARE(serverRows(*db, sums), fileRows(*file, sums));
        QCOMPARE(serverRows(*db, "SELECT count(*) FROM tblIskanje"),
                 serverRows(*db, "SELECT Racunov FROM tblIskanjeVsota"));
        QCOMPARE(serverRows(*db, "SELECT ID FROM tblIskanje ORDER BY ID"),
                 serverRows(*db, "SELECT ID FROM tblRacun ORDER BY ID"));
    }

    // A transaction of another workstation that wrote is waited for, seen
    // as the restore's lock not granted; its row is then replaced too, and
    // kept in the copy of the data replaced, which is read under the lock.
    void restoreWaitsForOthersWrites() {
        test::Fixture folder;
        const QString path = makeCopy(folder);
        const QString conninfo = m_cluster.newDatabase();
        auto db = test::TestCluster::connectTo(conninfo);
        auto other = test::TestCluster::connectTo(conninfo);
        QVERIFY(!path.isEmpty() && db && other && ServerSchema::create(*db));
        QVERIFY(other->execute("BEGIN") &&
                other->execute("INSERT INTO tblSestavljavci (Ime) VALUES ('drugi')"));
        QString error;
        auto server = Database::connect(conninfo, &error);
        QVERIFY2(server, qPrintable(error));
        const QString kept = folder.dataDir() + "/pred-obnovo.db";
        auto restoring = std::async(std::launch::async, [&] {
            return ServerBackup::restoreFromFile(*server, path, Schema::dataPassword(), kept,
                                                 &error);
        });
        const QString waiting = "SELECT count(*) FROM pg_locks WHERE NOT granted AND mode = "
                                "'ExclusiveLock' AND relation = 'tblsestavljavci'::regclass";
        QTRY_COMPARE_WITH_TIMEOUT(serverRows(*db, waiting), QStringList{"1"}, 10000);
        QCOMPARE(restoring.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
        QVERIFY(other->execute("COMMIT"));
        QVERIFY2(restoring.get(), qPrintable(error));
        auto file = Database::open(path, Schema::dataPassword(), &error);
        QVERIFY2(file, qPrintable(error));
        const QString staff = "SELECT Ime FROM tblSestavljavci ORDER BY ID";
        QCOMPARE(serverRows(*db, staff), fileRows(*file, staff));
        auto before = Database::open(kept, Schema::dataPassword(), &error);
        QVERIFY2(before, qPrintable(error));
        QVERIFY(fileRows(*before, staff).contains("drugi"));
    }
};

QTEST_MAIN(TestServerRestore)
#include "tst_server_restore.moc"
