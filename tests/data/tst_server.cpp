#include "Relay.h"
#include "TestSupport.h"
#include "app/BackupActions.h"
#include "data/Backup.h"
#include "data/PgConnection.h"
#include "data/Schema.h"
#include "data/ServerBackup.h"
#include "data/ServerSchema.h"
#include "invoice/InvoiceSearch.h"
#include "text/Messages.h"

#include <QProcess>

#include <QRegularExpression>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

using namespace valmir;
using namespace valmir::test;

namespace {

// The file's statement in the server's form: ?, ? ... as $1, $2 ...
QString numbered(const QString& sql) {
    QString out;
    int n = 0;
    for (QChar c : sql)
        out += c == u'?' ? QStringLiteral("$%1").arg(++n) : QString(c);
    return out;
}

} // namespace

class TestServer : public QObject {
    Q_OBJECT
    test::TestCluster m_cluster;
    PgConnection* m_admin = nullptr;
    QString newDatabase() { return m_cluster.newDatabase(); }
    static std::unique_ptr<PgConnection> connectTo(const QString& conninfo) {
        return test::TestCluster::connectTo(conninfo);
    }

    // A data folder started as the program starts it, with invoices and
    // their lines, a credit note, staff and settings besides the seed's
    // tariff and post offices; closed again.
    static void fillDataFolder(test::Fixture& folder) {
        QVERIFY(folder.start());
        Database& db = *Db;
        QVERIFY(db.execute("INSERT INTO tblSestavljavci (Ime) VALUES (?)", {"Špela Žužek"}));
        QVERIFY(
            db.execute("UPDATE tblNastavitve SET Firma = ?, StRacuna = ?, ElektronskiNaslov = ?, "
                       "StPonudbe = ?",
                       {"Geodet \"Čuk\" d.o.o.", 17, "9949:SI12345678", 5}));
        QVERIFY(db.execute("INSERT INTO tblNarocnik (Ime, Davcna, ElektronskiNaslov, "
                           "OblikaERacuna) VALUES (?, ?, ?, ?)",
                           {"Čatež d.o.o.", "SI87654321", "0088:3830000000001", "peppol"}));
        const qint64 tariff = test::operationId(db, 1, 1);
        const qint64 first = test::addInvoice(db, {{"StevilkaRacuna", "2009/1"},
                                                   {"Ime", "Čatež d.o.o."},
                                                   {"Datum", QDate(2009, 12, 5)},
                                                   {"Placan", true},
                                                   {"Osnova", 100.0},
                                                   {"DDV", 20.0},
                                                   {"ZaPlacilo", 120.0},
                                                   {"Opombe", "vrstica\nin tab\t\\"}});
        const qint64 second = test::addInvoice(db, {{"StevilkaRacuna", "2009/2"},
                                                    {"Ime", "Celje"},
                                                    {"Datum", QDate(2009, 12, 6)},
                                                    {"Placan", false},
                                                    {"ZaPlacilo", 45.67}});
        // A quote, and the invoice made from it.
        const qint64 quote = test::addInvoice(db, {{"StevilkaRacuna", "P2009/004"},
                                                   {"Ime", "Celje"},
                                                   {"Ponudba", true},
                                                   {"ZaPlacilo", 45.67}});
        QVERIFY(first && second && tariff && quote);
        QVERIFY(db.execute("UPDATE tblRacun SET PonudbaID = ? WHERE ID = ?", {quote, second}));
        test::addLine(db, first, tariff, 12.5, 2.0, QVariant(), 83.33);
        test::addLine(db, first, tariff, 3.0, 1.0, 30.0, 16.67);
        test::addLine(db, second, tariff, 7.0, 0.5, QVariant(), 45.67);
        QVERIFY(test::addInvoice(db, {{"StevilkaRacuna", "2009/3"},
                                      {"Dobropis", true},
                                      {"IzvirniID", first},
                                      {"IzvirniRacun", "2009/1"},
                                      {"ZaPlacilo", -120.0},
                                      {"Datum", QDate(2009, 12, 7)}}));
        // A statement read: one payment of the second invoice, in part, and
        // one that found no invoice.
        qint64 statement = 0;
        QVERIFY(db.insert("INSERT INTO tblIzpiski (IBAN, Oznaka, Od, Uvozen, Prilivov) "
                          "VALUES ('SI56020100012345641', '2009-12', ?, ?, 2)",
                          {QDate(2009, 12, 7), QDate(2009, 12, 8)}, &statement));
        for (const QVariant& invoice : {QVariant(second), QVariant(QMetaType::fromType<qint64>())})
            QVERIFY(db.execute("INSERT INTO tblPlacila (RacunID, Datum, Znesek, Vir, IzpisekID, "
                               "Placnik) VALUES (?, ?, 20.5, 'izpisek', ?, 'Čuk')",
                               {invoice, QDate(2009, 12, 7), statement}));
        shutDown();
    }

    // Runs the program on a data folder with "--prenesi"; its exit code.
    static int transfer(const QString& dataDir, const QString& conninfo, QString* out,
                        QString* err) {
        QProcess p;
        p.start(qEnvironmentVariable("VALMIR_PROGRAM"),
                {"--data-dir", dataDir, "--prenesi", conninfo});
        if (!p.waitForFinished(120000))
            return -1;
        *out = QString::fromUtf8(p.readAllStandardOutput());
        *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    // A new database holding the program's fresh data, moved there as
    // "--prenesi" moves them: its connection string, empty on a failure.
    QString freshDataOnServer() {
        test::Fixture folder;
        if (!folder.start())
            return {};
        shutDown();
        const QString conninfo = newDatabase();
        QString out, err;
        if (transfer(folder.dataDir(), conninfo, &out, &err) == 0)
            return conninfo;
        qWarning("%s", qPrintable(err));
        return {};
    }

private Q_SLOTS:
    // The test server comes from CTest's fixture pg_cluster; without it
    // these tests fail rather than pass unseen.
    void initTestCase() {
        QVERIFY2(m_cluster.open(), qPrintable(m_cluster.lastError()));
        m_admin = &m_cluster.admin();
    }
    void cleanup() {
        shutDown();
        m_cluster.dropDatabases();
    }

    // Bound and read back, and copied and read back: the same value of
    // the same type.
    void valuesReadBackAsBound_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("bigint") << "bigint" << QVariant(qlonglong(-9007199254740993));
        QTest::newRow("money") << "double precision" << QVariant(1234.56);
        QTest::newRow("inexact sum") << "double precision" << QVariant(0.1 + 0.2);
        QTest::newRow("yes") << "boolean" << QVariant(true);
        QTest::newRow("no") << "boolean" << QVariant(false);
        QTest::newRow("date") << "date" << QVariant(QDate(2009, 12, 5));
        QTest::newRow("Slovenian text")
            << "text"
            << QVariant(QStringLiteral("Čatež \"Žaga\" d.o.o., O'Brien; š\\t\ttab\nnova $1"));
        QTest::newRow("Null text") << "text" << QVariant();
        QTest::newRow("Null date") << "date" << QVariant();
        QTest::newRow("Null number") << "double precision" << QVariant();
    }
    void valuesReadBackAsBound() {
        QFETCH(QString, type);
        QFETCH(QVariant, value);
        PgConnection& db = *m_admin;
        QVERIFY(db.execute("DROP TABLE IF EXISTS vrednost"));
        QVERIFY(db.execute("CREATE TEMP TABLE vrednost (v " + type + ")"));
        QVERIFY2(db.execute("INSERT INTO vrednost (v) VALUES ($1)", {value}),
                 qPrintable(db.lastError()));
        QVERIFY2(db.copyRows("vrednost", {"v"}, {{value}}), qPrintable(db.lastError()));
        QList<QVariantList> rows;
        QVERIFY(db.query("SELECT v FROM vrednost", {}, &rows));
        QCOMPARE(rows.size(), 2);
        for (const QVariantList& row : rows) {
            QCOMPARE(row.value(0).isValid(), value.isValid());
            QCOMPARE(row.value(0), value);
            if (value.isValid())
                QCOMPARE(row.value(0).metaType(), value.metaType());
        }
        // What the column cannot take is refused in the server's words.
        if (type != u"text") {
            QVERIFY(!db.execute("INSERT INTO vrednost (v) VALUES ($1)", {"ni " + type}));
            QVERIFY2(db.lastError().contains("\"ni " + type + '"'), qPrintable(db.lastError()));
        }
    }

    // Every table of the file on the server, column for column in the
    // server's types, and text in the Slovenian order.
    void tablesAreTheFilesOnTheServer() {
        test::Fixture folder;
        QVERIFY(folder.start());
        auto db = connectTo(newDatabase());
        QVERIFY(db);
        QVERIFY2(ServerSchema::create(*db), qPrintable(db->lastError()));
        const QHash<QString, QString> types = {{"INTEGER", "bigint"},
                                               {"REAL", "double precision"},
                                               {"DATE", "date"},
                                               {"BOOLEAN", "boolean"},
                                               {"TEXT", "text"}};
        QStringList tables = ServerSchema::copiedTables();
        tables << "tblIskanje"
               << "tblIskanjeVsota";
        for (const QString& table : tables) {
            const QString sql =
                Db->scalar("SELECT sql FROM sqlite_master WHERE name = ?", {table}).toString();
            QStringList expected;
            for (const QVariantList& column : fileRows(*Db, "PRAGMA table_info(" + table + ")")) {
                const QString name = column.value(1).toString();
                const bool slovenian = sql.contains(
                    QRegularExpression("\\b\"?" + name + "\"? TEXT COLLATE SLOVENIAN"));
                expected << name.toLower() + u' ' + types.value(column.value(2).toString()) + u' ' +
                                (slovenian ? "valmir_sl" : "");
            }
            // Columns the file gained after the server's first tables come
            // after the server's own key, where a step of the server adds them.
            const QStringList later = expected.filter(QRegularExpression(
                "^(elektronskinaslov|oblikaeracuna|ponudba|ponudbaid|stponudbe) "));
            for (const QString& column : later)
                expected.removeOne(column);
            // The server's own key last, so that the file's statements that
            // name no columns fill the same columns there.
            if (!ServerSchema::rowKey(table).isEmpty())
                expected << ServerSchema::rowKey(table).toLower() + " bigint ";
            expected << later;
            if (ServerSchema::versionedTables().contains(table))
                expected << "verzija bigint "
                         << "spremenil text "
                         << "spremenjeno timestamp with time zone ";
            if (table == u"tblRacun")
                expected << "shranitev uuid ";
            const QStringList onServer = shownRows(serverRows(
                *db,
                "SELECT column_name || ' ' || data_type || ' ' || coalesce(collation_name, '') "
                "FROM information_schema.columns WHERE table_name = $1 ORDER BY ordinal_position",
                {table.toLower()}));
            QCOMPARE(onServer, expected);
        }
        QCOMPARE(serverRows(*db, "SELECT verzija FROM valmir_shema"),
                 QList<QVariantList>{{qlonglong(ServerSchema::Version)}});

        const QStringList names = {"Žalec", "Čatež", "Celje", "Zreče", "Cerklje", "Ćirić"};
        for (const QString& name : names) {
            QVERIFY(db->execute("INSERT INTO tblSestavljavci (Ime) VALUES ($1)", {name}));
            QVERIFY(Db->execute("INSERT INTO tblSestavljavci (Ime) VALUES (?)", {name}));
        }
        const QStringList sorted =
            shownRows(serverRows(*db, "SELECT Ime FROM tblSestavljavci ORDER BY Ime"));
        QCOMPARE(sorted, QStringList({"Celje", "Cerklje", "Čatež", "Ćirić", "Zreče", "Žalec"}));
        QCOMPARE(sorted, shownRows(fileRows(*Db, "SELECT Ime FROM tblSestavljavci ORDER BY Ime"))
                             .filter(QRegularExpression("^(" + names.join(u'|') + ")$")));
    }

    // The search table and the status line's sums follow every change of
    // the invoices as the file's triggers make them follow.
    void searchAndSumsFollowAsInTheFile() {
        test::Fixture folder;
        QVERIFY(folder.start());
        auto db = connectTo(newDatabase());
        QVERIFY(db && ServerSchema::create(*db));
        const QString insert = "INSERT INTO tblRacun (ID, StevilkaRacuna, Ime, Posta, Placan, "
                               "ZaPlacilo) VALUES (?, ?, ?, ?, ?, ?)";
        const QList<QPair<QString, QVariantList>> steps = {
            {insert, {101, "2009/1", "Čatež d.o.o.", "Brežice", false, 100.005}},
            {insert, {102, "2009/2", "ŠUŠTERŠIČ Đurđa", QVariant(), false, -20.5}},
            {"UPDATE tblRacun SET Placan = ? WHERE ID = ?", {true, 101}},
            {"UPDATE tblRacun SET Ime = ?, ZaPlacilo = ? WHERE ID = ?", {"Žagar", 30.125, 102}},
            {"UPDATE tblRacun SET Opomin = ? WHERE ID = ?", {QDate(2010, 1, 5), 102}},
            {"DELETE FROM tblRacun WHERE ID = ?", {101}},
            // A quote is searched, never summed.
            {"INSERT INTO tblRacun (ID, StevilkaRacuna, Placan, ZaPlacilo, Ponudba) VALUES "
             "(?, ?, ?, ?, ?)",
             {103, "P2009/001", false, 70.0, true}},
            {"UPDATE tblRacun SET ZaPlacilo = ? WHERE ID = ?", {80.0, 103}},
        };
        const char* sums = "SELECT Racunov, NeplacanoCentov FROM tblIskanjeVsota";
        for (const auto& [sql, params] : steps) {
            QVERIFY2(Db->execute(sql, params), qPrintable(Db->lastError()));
            QVERIFY2(db->execute(numbered(sql), params), qPrintable(db->lastError()));
            for (const char* read : {"SELECT ID, Besedilo, Placan, ZaPlacilo, Ponudba FROM "
                                     "tblIskanje WHERE ID > 100 ORDER BY ID",
                                     sums})
                QCOMPARE(shownRows(serverRows(*db, read)), shownRows(fileRows(*Db, read)));
        }
        QCOMPARE(serverRows(*db, sums), (QList<QVariantList>{{1LL, 3013LL}}));
        QCOMPARE(serverRows(*db,
                            "SELECT ID FROM tblIskanje WHERE Besedilo LIKE '%' || "
                            "valmir_fold($1) || '%'",
                            {"ŽAGAR"}),
                 QList<QVariantList>{{qlonglong(102)}});
    }

    // "--prenesi" moves every row, a second time it is refused and changes
    // nothing.
    void transferCopiesEveryRowOnce_data() {
        QTest::addColumn<bool>("older");
        QTest::newRow("file of this version") << false;
        QTest::newRow("file of the first version") << true;
    }
    void transferCopiesEveryRowOnce() {
        QFETCH(bool, older);
        test::Fixture folder;
        if (older) {
            QVERIFY(folder.start());
            shutDown();
            QVERIFY(QFile::remove(folder.dataDir() + "/valmir2009.db"));
            QVERIFY(QFile::copy(qEnvironmentVariable("VALMIR_SOURCE_DIR") +
                                    "/tests/data/valmir2009_schema0.db",
                                folder.dataDir() + "/valmir2009.db"));
        } else {
            fillDataFolder(folder);
            if (QTest::currentTestFailed())
                return;
        }
        const QString conninfo = newDatabase();
        QString out, err;
        QVERIFY2(transfer(folder.dataDir(), conninfo, &out, &err) == 0 && err.isEmpty(),
                 qPrintable(err));
        QCOMPARE(out.contains("posodobljena"), older);

        const QString path = folder.dataDir() + "/valmir2009.db";
        QString error;
        auto file = Database::open(path, Schema::dataPassword(), &error);
        auto db = connectTo(conninfo);
        QVERIFY2(file && db, qPrintable(error));
        const QString sums = "SELECT Racunov, NeplacanoCentov FROM tblIskanjeVsota";
        QCOMPARE(shownRows(serverRows(*db, sums)), shownRows(fileRows(*file, sums)));
        for (const QString& table : ServerSchema::copiedTables()) {
            const auto [inFile, onServer] = bothSides(*file, *db, table);
            // A file of before payments were kept has none read from a statement.
            QVERIFY(table == u"tblNarocnik" || !inFile.isEmpty() ||
                    (older && ServerSchema::laterTables().contains(table)));
            QVERIFY2(out.contains(
                         QStringLiteral("Vrstic v tabeli %1: %2\n").arg(table).arg(inFile.size())),
                     qPrintable(out));
            QCOMPARE(onServer, inFile);
            const QString key = ServerSchema::rowKey(table);
            const QString order = key.isEmpty() ? QStringLiteral("ID") : key;
            // The next new row takes the number after the file's last.
            const qlonglong last =
                fileRows(*file, "SELECT max(rowid) FROM " + table).value(0).value(0).toLongLong();
            QCOMPARE(serverRows(*db, "INSERT INTO " + table + " DEFAULT VALUES RETURNING " + order),
                     QList<QVariantList>{{last + 1}});
        }

        const QStringList before = serverContents(*db);
        const QByteArray bytes = test::readBytes(path);
        file.reset();
        QCOMPARE(transfer(folder.dataDir(), conninfo, &out, &err), 1);
        QVERIFY2(err.contains("že vsebuje tabele programa"), qPrintable(err));
        QCOMPARE(serverContents(*db), before);
        QCOMPARE(test::readBytes(path), bytes);
    }

    // A date the file keeps that is none (empty text, an impossible day, a
    // date not in ISO form) arrives as Null, and the summary tells how many;
    // the other dates arrive as they are.
    void transferEmptiesDatesThatAreNone() {
        test::Fixture folder;
        fillDataFolder(folder);
        if (QTest::currentTestFailed())
            return;
        {
            QString error;
            auto file = Database::open(folder.dataDir() + "/valmir2009.db",
                                       Schema::dataPassword(), &error);
            QVERIFY2(file, qPrintable(error));
            QVERIFY(file->execute("UPDATE tblRacun SET Datum = '' WHERE StevilkaRacuna = '2009/1'"));
            QVERIFY(file->execute("UPDATE tblRacun SET Zapade = '2009-02-31', Opomin = '31.2.2009' "
                                  "WHERE StevilkaRacuna = '2009/2'"));
        }
        const QString conninfo = newDatabase();
        QString out, err;
        QVERIFY2(transfer(folder.dataDir(), conninfo, &out, &err) == 0, qPrintable(err));
        QVERIFY2(out.contains(ServerMessages::DatesEmptied.text.arg(3) + '\n'), qPrintable(out));
        auto db = connectTo(conninfo);
        QVERIFY(db);
        QCOMPARE(
            shownRows(serverRows(*db, "SELECT StevilkaRacuna, Datum, Zapade, Opomin FROM "
                                      "tblRacun ORDER BY ID")),
            (QStringList{"2009/1|<Null>|<Null>|<Null>", "2009/2|2009-12-06|<Null>|<Null>",
                         "P2009/004|<Null>|<Null>|<Null>", "2009/3|2009-12-07|<Null>|<Null>"}));
    }

    // A row the server refuses, early or late, leaves the server database
    // as empty as it was, and the file as it was.
    void failedTransferLeavesNothing_data() {
        QTest::addColumn<QString>("inFile");
        QTest::addColumn<QStringList>("onServer");
        QTest::addColumn<QString>("told");
        QTest::newRow("line's quantity, the last table")
            << "UPDATE tblRacunTarife SET Kolicina = 'veliko'" << QStringList() << "veliko";
        QTest::newRow("server's refusal after all rows")
            << ""
            << QStringList{"CREATE FUNCTION brez() RETURNS event_trigger LANGUAGE plpgsql AS "
                           "$$ BEGIN RAISE EXCEPTION 'brez prožilcev'; END $$",
                           "CREATE EVENT TRIGGER brez ON ddl_command_end WHEN TAG IN "
                           "('CREATE TRIGGER') EXECUTE FUNCTION brez()"}
            << "brez prožilcev";
    }
    void failedTransferLeavesNothing() {
        QFETCH(QString, inFile);
        QFETCH(QStringList, onServer);
        test::Fixture folder;
        fillDataFolder(folder);
        if (QTest::currentTestFailed())
            return;
        const QString path = folder.dataDir() + "/valmir2009.db";
        if (!inFile.isEmpty()) {
            QString error;
            auto file = Database::open(path, Schema::dataPassword(), &error);
            QVERIFY2(file && file->execute(inFile), qPrintable(error));
        }
        const QString conninfo = newDatabase();
        auto db = connectTo(conninfo);
        QVERIFY(db);
        for (const QString& sql : onServer)
            QVERIFY2(db->execute(sql), qPrintable(db->lastError()));
        const QByteArray bytes = test::readBytes(path);
        QString out, err;
        QCOMPARE(transfer(folder.dataDir(), conninfo, &out, &err), 1);
        QVERIFY2(err.contains("Prenos na strežnik ni uspel"), qPrintable(err));
        QFETCH(QString, told);
        QVERIFY2(err.contains(told), qPrintable(err));
        QStringList found;
        QVERIFY(ServerSchema::existingTables(*db, &found));
        QCOMPARE(found, QStringList());
        QCOMPARE(serverRows(*db, "SELECT count(*) FROM pg_proc WHERE proname LIKE 'valmir%' "
                                 "OR proname = 'unaccent'"),
                 QList<QVariantList>{{qlonglong(0)}});
        QCOMPARE(test::readBytes(path), bytes);
    }

    // Tables of the first server version are brought up to date when the
    // program starts on them, in one transaction; a user who does not own
    // them may not, and then nothing changes.
    void olderServerIsUpgraded_data() {
        QTest::addColumn<bool>("owner");
        QTest::addColumn<int>("from");
        QTest::newRow("the owner starts") << true << ServerSchema::FirstVersion;
        QTest::newRow("another user starts") << false << ServerSchema::FirstVersion;
        QTest::newRow("the owner starts, version 8") << true << 8;
        QTest::newRow("the owner starts, version 9") << true << 9;
        QTest::newRow("the owner starts, version 10") << true << 10;
    }
    void olderServerIsUpgraded() {
        QFETCH(bool, owner);
        QFETCH(int, from);
        const QString conninfo = newDatabase();
        QString used = conninfo;
        {
            auto db = connectTo(conninfo);
            QVERIFY(db);
            QVERIFY2(ServerSchema::create(*db, from),
                     qPrintable(db->lastError()));
            QVERIFY(db->execute("INSERT INTO tblRacun (StevilkaRacuna, Ime) VALUES "
                                "('2009/1', 'Čuk'), ('2009/2', 'Celje')"));
            if (!owner) {
                QVERIFY(db->execute("DO $$ BEGIN CREATE ROLE valmir_gost LOGIN; EXCEPTION WHEN "
                                    "duplicate_object THEN NULL; END $$"));
                QVERIFY(db->execute("GRANT ALL ON ALL TABLES IN SCHEMA public TO valmir_gost"));
                QVERIFY(db->execute("GRANT ALL ON ALL SEQUENCES IN SCHEMA public TO valmir_gost"));
                used += " user=valmir_gost";
            }
        }
        test::Fixture folder;
        const StartupResult started = startUp({folder.dataDir(), folder.tempDir(), used});
        QCOMPARE(started.ok, owner);
        if (!owner)
            QVERIFY2(started.message.startsWith(
                         ServerMessages::UpgradeRefused.text.section(u'%', 0, 0) + "7"),
                     qPrintable(started.message));
        shutDown();
        auto db = connectTo(conninfo);
        QVERIFY(db);
        const int version = owner ? ServerSchema::Version : ServerSchema::FirstVersion;
        QCOMPARE(serverRows(*db, "SELECT verzija FROM valmir_shema"),
                 QList<QVariantList>{{qlonglong(version)}});
        // The rows there before carry their first version; a number is one
        // invoice's, in any case.
        const QString versions = "SELECT count(*) FROM information_schema.columns WHERE "
                                 "table_name = 'tblracun' AND column_name = 'verzija'";
        QCOMPARE(serverRows(*db, versions), QList<QVariantList>{{qlonglong(owner ? 1 : 0)}});
        QCOMPARE(db->execute("INSERT INTO tblRacun (StevilkaRacuna) VALUES ('2009/1')"), !owner);
        // A save's identity goes with the one invoice its transaction adds.
        const QString keys = "SELECT count(*) FROM information_schema.columns WHERE "
                             "table_name = 'tblracun' AND column_name = 'shranitev'";
        QCOMPARE(serverRows(*db, keys), QList<QVariantList>{{qlonglong(owner ? 1 : 0)}});
        // The file's electronic addresses and the customer's format.
        const QString addresses = "SELECT count(*) FROM information_schema.columns WHERE "
                                  "column_name IN ('elektronskinaslov', 'oblikaeracuna')";
        QCOMPARE(serverRows(*db, addresses), QList<QVariantList>{{qlonglong(owner ? 3 : 0)}});
        // The quotes' columns, the search table's included.
        const QString quotes = "SELECT count(*) FROM information_schema.columns WHERE "
                               "column_name IN ('ponudba', 'ponudbaid', 'stponudbe')";
        QCOMPARE(serverRows(*db, quotes), QList<QVariantList>{{qlonglong(owner ? 4 : 0)}});
        if (owner) {
            const QString key = "0d7e5a52-3c1b-4f7a-9a57-6a1f1c2b9e01";
            QVERIFY(db->execute("BEGIN") &&
                    db->execute("SELECT set_config('valmir.shranitev', $1, true)", {key}) &&
                    db->execute("INSERT INTO tblRacun (StevilkaRacuna) VALUES ('2009/3')"));
            QCOMPARE(serverRows(*db, "SELECT StevilkaRacuna FROM tblRacun WHERE shranitev = $1",
                                {key}),
                     QList<QVariantList>{{"2009/3"}});
            QVERIFY(!db->execute("INSERT INTO tblRacun (StevilkaRacuna) VALUES ('2009/4')"));
            QVERIFY(db->execute("ROLLBACK"));
        }
        if (owner && from == ServerSchema::FirstVersion)
            QCOMPARE(serverRows(*db, "SELECT StevilkaRacuna, verzija FROM tblRacun ORDER BY ID"),
                     (QList<QVariantList>{{"2009/1", 1LL}, {"2009/2", 1LL}}));
    }

    // "Varnostna kopija..." in office mode: the data moved to the server
    // and changed there come back as a data file that "Obnovi" takes, row
    // for row as on the server, stored as a file stores them, its search
    // made by the file itself.
    void backupOfTheServer() {
        test::Fixture folder;
        fillDataFolder(folder);
        if (QTest::currentTestFailed())
            return;
        const QString conninfo = newDatabase();
        QString out, err, error;
        QVERIFY2(transfer(folder.dataDir(), conninfo, &out, &err) == 0, qPrintable(err));
        QVERIFY(startUp({folder.dataDir(), folder.tempDir(), conninfo}).ok && Db->onServer());
        const qint64 tariff = test::operationId(*Db, 1, 1);
        const qint64 added = test::addInvoice(*Db, {{"StevilkaRacuna", "2010/1"},
                                                    {"Ime", "Šuštar Žužemberk"},
                                                    {"Datum", QDate(2010, 1, 4)},
                                                    {"EnotenElaborat", true},
                                                    {"Placan", false},
                                                    {"ZaPlacilo", 1234.57}});
        QVERIFY(added && tariff);
        test::addLine(*Db, added, tariff, 10.0, 3.0, 20.0, 0.1 + 0.2);
        QVERIFY(Db->execute("INSERT INTO tbPoste (Stev, Posta) VALUES (?, ?)", {8362, "Hinje"}));
        // A gap in a keyless table's keys, which the file's rowids keep.
        QVERIFY(Db->execute("DELETE FROM tbPoste WHERE Stev = (SELECT min(Stev) FROM tbPoste)"));

        const QString path = folder.dataDir() + "/kopija.db";
        test::ModalWatcher watcher;
        watcher.dialogs["FileDialog"] = [&path](QWidget* dialog) {
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        };
        saveBackupCopy(nullptr, appContext());
        // "Obnovi" on the server asks first, naming the others connected
        // (none here); answered No, it changes nothing.
        watcher.answers = {QMessageBox::No};
        QVERIFY(!restoreBackupCopy(nullptr, appContext()));
        const Message& ask = ServerMessages::AskRestoreOffice;
        QCOMPARE(watcher.seen,
                 QStringList({"Varnostna kopija|" + BackupMessages::Saved.text.arg(path),
                              ask.title + '|' +
                                  ask.text.arg(Db->path(), path,
                                               Backup::folderIn(appContext().appFolder), "0")}));

        QCOMPARE(Backup::refusal(path, Schema::dataPassword()), QString());
        auto file = Database::open(path, Schema::dataPassword(), &error);
        auto made =
            Database::open(folder.dataDir() + "/valmir2009.db", Schema::dataPassword(), &error);
        auto db = connectTo(conninfo);
        QVERIFY2(file && made && db, qPrintable(error));
        // Tables, indexes and triggers, and the version, of a data file the program made.
        for (const char* schema : {"SELECT type, name, tbl_name, sql FROM sqlite_master "
                                   "ORDER BY type, name",
                                   "PRAGMA user_version"})
            QCOMPARE(shownRows(fileRows(*file, schema)), shownRows(fileRows(*made, schema)));
        for (const QString& table : ServerSchema::copiedTables()) {
            const auto [inFile, onServer] = bothSides(*file, *db, table);
            QCOMPARE(inFile, onServer);
        }
        for (const char* read : {"SELECT ID, Besedilo, Placan, ZaPlacilo FROM tblIskanje "
                                 "ORDER BY ID",
                                 "SELECT Racunov, NeplacanoCentov FROM tblIskanjeVsota"})
            QCOMPARE(shownRows(fileRows(*file, read)), shownRows(serverRows(*db, read)));
        QCOMPARE(file->scalar("SELECT Datum || '|' || typeof(EnotenElaborat) || EnotenElaborat || "
                              "'|' || ZaPlacilo || '|' || Ime FROM tblRacun WHERE ID = ?",
                              {added}),
                 QVariant("2010-01-04|integer1|1234.57|Šuštar Žužemberk"));
        SearchResult found;
        QVERIFY(runSearch(*file, invoiceFilter("SUSTAR", false), &found));
        QCOMPARE(found.status.shown, 1);
        QCOMPARE(file->scalar("SELECT ID FROM tblRacun" + found.where, found.params), added);
    }

    // "Obnovi" on the server keeps the data it replaces in the folder of
    // copies, read once the question is answered and the lock is held: an
    // invoice B saves after A's answer is in that copy, not lost.
    void restoreKeepsWhatOthersSaveAfterTheQuestion() {
        const QString conninfo = freshDataOnServer();
        QVERIFY(!conninfo.isEmpty());
        test::Fixture folder;
        QVERIFY(startUp({folder.dataDir(), folder.tempDir(), conninfo}).ok && Db->onServer());
        QString error;
        const QString path = folder.dataDir() + "/kopija.db";
        QVERIFY2(ServerBackup::copyToFile(*Db, path, Schema::dataPassword(), &error),
                 qPrintable(error));
        auto b = connectTo(conninfo);
        QVERIFY(b);
        QStringList seen;
        QTimer answering;
        QObject::connect(&answering, &QTimer::timeout, [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w->property("answered").toBool())
                return;
            w->setProperty("answered", true);
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) {
                w->findChild<QLineEdit*>("fileNameEdit")->setText(path);
                QMetaObject::invokeMethod(w, "accept", Qt::QueuedConnection);
                return;
            }
            seen << box->windowTitle();
            if (box->button(QMessageBox::Yes) &&
                !b->execute("INSERT INTO tblRacun (StevilkaRacuna, Ime) VALUES ('2026/900', 'B')"))
                qWarning("%s", qPrintable(b->lastError()));
            box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes)->click()
                                          : box->button(QMessageBox::Ok)->click();
        });
        answering.start(20);
        QVERIFY(restoreBackupCopy(nullptr, appContext()));
        answering.stop();
        QCOMPARE(seen, (QStringList{ServerMessages::AskRestoreOffice.title,
                                    BackupMessages::Restored.title}));
        const QDir copies(Backup::folderIn(appContext().appFolder));
        const QStringList kept = copies.entryList({"valmir2009-pred-obnovo-*.db"});
        QCOMPARE(kept.size(), 1);
        auto before = Database::open(copies.filePath(kept.value(0)), Schema::dataPassword(), &error);
        QVERIFY2(before, qPrintable(error));
        const QString saved = "SELECT Ime FROM tblRacun WHERE StevilkaRacuna = '2026/900'";
        QCOMPARE(shownRows(fileRows(*before, saved)), QStringList{"B"});
        QCOMPARE(shownRows(serverRows(*b, saved)), QStringList());
    }

    // A copy that fails leaves the target as it was (no file where there
    // was none, the old copy where there was one) and no half file beside.
    void failedBackupLeavesNothing_data() {
        QTest::addColumn<QString>("told");
        QTest::newRow("no such folder") << "ni mogoče pisati";
        QTest::newRow("last table locked, old copy there")
            << "tblRacunTarife: " + QRegularExpression::escape(ServerMessages::Locked);
    }
    void failedBackupLeavesNothing() {
        QFETCH(QString, told);
        const QByteArray kind = QTest::currentDataTag();
        const QString conninfo = freshDataOnServer();
        QVERIFY(!conninfo.isEmpty());
        QString error;
        auto server = Database::connect(conninfo, &error);
        auto other = connectTo(conninfo);
        QVERIFY2(server && other, qPrintable(error));
        QTemporaryDir target;
        const QString path =
            target.filePath(kind == "no such folder" ? "ni/kopija.db" : "kopija.db");
        const QByteArray old = kind.endsWith("there") ? "stara kopija" : "";
        if (!old.isEmpty()) {
            QVERIFY(test::writeBytes(path, old));
            QVERIFY(server->execute("SET lock_timeout = '100ms'"));
            QVERIFY(other->execute("BEGIN") &&
                    other->execute("LOCK TABLE tblRacunTarife IN ACCESS EXCLUSIVE MODE"));
        }
        const auto entries = [&target] {
            return QDir(target.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        };
        const QStringList before = entries();
        // Asked again, the same reason: the snapshot of a failed copy is closed.
        for (int attempt = 0; attempt < 2; ++attempt) {
            QVERIFY(!ServerBackup::copyToFile(*server, path, Schema::dataPassword(), &error));
            QVERIFY2(error.contains(QRegularExpression(told)), qPrintable(error));
        }
        QCOMPARE(entries(), before);
        QCOMPARE(test::readBytes(path), old);
    }

    // A connection lost between transactions is made anew for the next
    // statement, with the session's settings (the own writes followed);
    // one lost in a transaction writes nothing more of it.
    void lostConnectionIsMadeAnew_data() {
        QTest::addColumn<bool>("inTransaction");
        QTest::newRow("between transactions") << false;
        QTest::newRow("in a transaction") << true;
    }
    void lostConnectionIsMadeAnew() {
        QFETCH(bool, inTransaction);
        const QString conninfo = freshDataOnServer();
        QVERIFY(!conninfo.isEmpty());
        QString error;
        auto server = Database::connect(conninfo, &error);
        QVERIFY2(server, qPrintable(error));
        const QString add = "INSERT INTO tblSestavljavci (Ime) VALUES (?)";
        if (inTransaction)
            QVERIFY(server->beginTransaction() && server->execute(add, {"Ana"}));
        const QVariant pid = server->scalar("SELECT pg_backend_pid()");
        QVERIFY2(m_admin->execute("SELECT pg_terminate_backend($1::integer, 10000)", {pid}),
                 qPrintable(m_admin->lastError()));
        if (inTransaction) {
            QVERIFY(!server->execute(add, {"Bor"}));
            QCOMPARE(server->lastError(), ServerMessages::LinkLost);
            QVERIFY(!server->commit());
            QVERIFY(server->rollback());
        }
        QVERIFY2(server->execute(add, {"Cene"}), qPrintable(server->lastError()));
        QVERIFY(server->scalar("SELECT pg_backend_pid()") != pid);
        auto other = connectTo(conninfo);
        QVERIFY(other);
        QCOMPARE(serverRows(*other, "SELECT Ime FROM tblSestavljavci WHERE Ime IN "
                                    "('Ana', 'Bor', 'Cene')"),
                 QList<QVariantList>{{"Cene"}});
        // The new session follows the own writes again.
        QCOMPARE(server->scalar("SELECT current_setting('valmir.sledi') || count(*) FROM "
                                "valmir_spremembe"),
                 QVariant("da0"));
    }

    // Over TCP the system watches the line (keepalives, and a limit for
    // data the peer does not take), as the connection string sets it or
    // else as the program does; over the Unix socket there is nothing to
    // set, and the connection works as well.
    void tcpLineIsWatched_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<int>("idle");
        QTest::addColumn<int>("userTimeout");
        QTest::newRow("program's") << "" << 5 << 10000;
        QTest::newRow("the string's own")
            << " keepalives_idle=7 tcp_user_timeout=2500" << 7 << 2500;
        QTest::newRow("Unix socket") << "" << -1 << -1;
    }
    void tcpLineIsWatched() {
        QFETCH(QString, given);
        QFETCH(int, idle);
        test::Relay relay(m_cluster.conninfo());
        QVERIFY(relay.listening());
        QString error;
        auto db = PgConnection::connect(
            (idle < 0 ? m_cluster.conninfo() : relay.conninfo()) + given, &error);
        QVERIFY2(db, qPrintable(error));
        QVariant one;
        QVERIFY2(db->queryValue("SELECT 1", {}, &one), qPrintable(db->lastError()));
        QCOMPARE(one, QVariant(1LL));
        if (idle < 0)
            return;
        int value = 0;
        socklen_t size = sizeof value;
        QCOMPARE(::getsockopt(db->socket(), SOL_SOCKET, SO_KEEPALIVE, &value, &size), 0);
        QCOMPARE(value, 1);
        QCOMPARE(::getsockopt(db->socket(), IPPROTO_TCP, TCP_KEEPIDLE, &value, &size), 0);
        QCOMPARE(value, idle);
        QCOMPARE(::getsockopt(db->socket(), IPPROTO_TCP, TCP_USER_TIMEOUT, &value, &size), 0);
        QTEST(value, "userTimeout");
    }

    // A statement the server works on longer than the program waits for a
    // word from a dead line is waited for to its end, the busy cursor
    // asked for meanwhile; the second connection that asks goes over the
    // same line.
    void slowServerIsWaitedFor() {
        test::Relay relay(m_cluster.conninfo());
        QVERIFY(relay.listening());
        QString error;
        auto db = PgConnection::connect(relay.conninfo(), &error);
        QVERIFY2(db, qPrintable(error));
        QList<bool> told;
        PgConnection::setWaitHook([&told](bool waiting) { told << waiting; });
        QElapsedTimer took;
        took.start();
        QVariant done;
        const bool ok = db->queryValue("SELECT pg_sleep($1) IS NOT NULL",
                                       {PgConnection::SilenceSeconds + 2}, &done);
        PgConnection::setWaitHook({});
        QVERIFY2(ok, qPrintable(db->lastError()));
        QCOMPARE(done, QVariant(true));
        QVERIFY(took.elapsed() >= (PgConnection::SilenceSeconds + 2) * 1000);
        QCOMPARE(told, (QList<bool>{true, false}));
        // A quick one asks for nothing.
        QVERIFY(db->queryValue("SELECT 1", {}, &done));
        QCOMPARE(told, (QList<bool>{true, false}));
    }
};

QTEST_MAIN(TestServer)
#include "tst_server.moc"
