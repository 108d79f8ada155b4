#include "TestSupport.h"
#include "data/Backup.h"
#include "data/Schema.h"
#include "document/Rtf.h"
#include "text/Clock.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace valmir;
using namespace valmir::test;

namespace {

QString dataFile(const test::Fixture& f) { return f.dataDir() + "/valmir2009.db"; }
QString templateFile(const test::Fixture& f) { return f.dataDir() + "/tmp.db"; }

// Made by the program before its tables carried a version (commit 91da86b):
// the seed, the office's name, invoices 2012/001 (two lines) and 2012/002.
QString earlierFile() {
    return qEnvironmentVariable("VALMIR_SOURCE_DIR") + "/tests/data/valmir2009_schema0.db";
}

// The lines of a shipped seed file, without its header.
QStringList csvLines(const QString& name) {
    const QString path = qEnvironmentVariable("VALMIR_SOURCE_DIR") + "/resources/" + name;
    return QString::fromUtf8(readBytes(path)).split(u'\n', Qt::SkipEmptyParts).mid(1);
}

// Every table and index as the engine keeps its definition.
QString tables(Database& db) {
    return db
        .scalar("SELECT group_concat(sql, ';') FROM (SELECT sql FROM sqlite_master ORDER BY "
                "name)")
        .toString();
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A first start writes the shipped post offices, services and tariff row
    // by row ("1.10" stays a tariff number, not the number 1.1), one settings
    // row with the firm's fields empty and one staff member, all encrypted.
    void firstStartWritesTheShippedData() {
        test::Fixture f;
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QVERIFY(!QFile::exists(dataFile(f) + ".part"));
        QCOMPARE(queryRows("SELECT printf('%d;%s', Stev, Posta) FROM tbPoste"),
                 csvLines("poste.csv"));
        QCOMPARE(queryRows("SELECT printf('%g;%s;%s', TS1, GeodetskaStoritev, Opomba) "
                           "FROM tblGeodetskaStoritev ORDER BY TS1"),
                 csvLines("storitve.csv"));
        QCOMPARE(queryRows("SELECT printf('%g;%g;%s;%s;%g;%d;%d;%d', TS1, TS2, TarifnaStevilka, "
                           "GeodetskaStoritev, Tocke, AktivnaPostavka, Master, \"70proc\") FROM "
                           "tblTarife ORDER BY TS1, TS2"),
                 csvLines("tarifa.csv"));
        QCOMPARE(tableCount("tblTarife WHERE Izbrana IS NOT 0"), 0);
        QCOMPARE(queryRows("SELECT printf('%g;%g;%g;%d;%d;%s;', StRacuna, VrednostTocke, "
                           "Veljavnost, Tolarji, GlavaVzporedno, NaDnu) || Firma || Naslov || PST "
                           "|| Posta || Telefon || Faks || Email || Davcna || TRR FROM "
                           "tblNastavitve"),
                 QStringList("1;0.75;30;0;1;Hvala za zaupanje.;"));
        QCOMPARE(tableCount("tblSestavljavci WHERE Ime <> ''"), 1);
        QString error;
        QVERIFY(!Database::open(dataFile(f), "7tav350kR", &error)); // the key is not case-folded
        QVERIFY(!error.isEmpty());
        const QByteArray bytes = readBytes(dataFile(f));
        QVERIFY(bytes.size() > 4096);
        for (const char* plain :
             {"tblRacun", "tbPoste", "CREATE TABLE", "SQLite format", "Ljubljana", "Hvala"})
            QVERIFY2(!bytes.contains(plain), plain);
    }

    // A second start while the first runs is refused and changes nothing;
    // a later start keeps the data and empties the working table.
    void secondInstanceIsRefusedLaterStartsKeepData() {
        test::Fixture f;
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QVERIFY(Db->execute("UPDATE tblNastavitve SET VrednostTocke = ?", {1.25}));
        QVERIFY(WorkDb->execute("INSERT INTO tblTarifePregled (TS1, TS2) VALUES (1, 1)"));
        Database* first = WorkDb.get();
        const QString workFile = f.tempDir() + "/valmir_tmp.db";
        StartupResult second = startUp(f.options());
        QVERIFY(!second.ok);
        QVERIFY(second.message.contains("že odprt"));
        QVERIFY(second.message.contains(QDir::toNativeSeparators(workFile)));
        QCOMPARE(WorkDb.get(), first);
        QString error;
        auto onDisk = Database::open(workFile, QString(), &error);
        QVERIFY2(onDisk, qPrintable(error));
        QCOMPARE(onDisk->scalar("SELECT count(*) FROM tblTarifePregled").toInt(), 1);
        onDisk.reset();

        shutDown();
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QCOMPARE(Db->scalar("SELECT VrednostTocke FROM tblNastavitve").toDouble(), 1.25);
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblNastavitve").toInt(), 1);
        QCOMPARE(WorkDb->scalar("SELECT count(*) FROM tblTarifePregled").toInt(), 0);
    }

    // The temporary folder must be the user's alone: another account could
    // otherwise plant a link or a folder of its own under the known name.
    void temporaryFolderIsTheUsersOwn_data() {
        QTest::addColumn<QString>("found"); // what is in the folder's place before the start
        QTest::addColumn<bool>("taken");
        QTest::newRow("nothing, in the runtime folder") << "" << true;
        QTest::newRow("nothing, no runtime folder") << "no runtime folder" << true;
        QTest::newRow("own folder open to all") << "open folder" << true;
        QTest::newRow("link to a folder") << "link" << false;
        QTest::newRow("file") << "file" << false;
        QTest::newRow("another user's folder") << "foreign folder" << false;
    }
    void temporaryFolderIsTheUsersOwn() {
        QFETCH(QString, found);
        QFETCH(bool, taken);
        QTemporaryDir system, elsewhere; // outlive the run, which ends with f
        test::Fixture f;
        const QByteArray tmpdir = qgetenv("TMPDIR"), runtime = qgetenv("XDG_RUNTIME_DIR");
        auto restore = qScopeGuard([&] {
            qputenv("TMPDIR", tmpdir);
            qputenv("XDG_RUNTIME_DIR", runtime);
        });
        qputenv("TMPDIR", system.path().toLocal8Bit());
        QString folder = system.path() + "/valmir";
        if (found == "no runtime folder") {
            // Qt falls back on "runtime-<user>" in TMPDIR; a file there leaves none.
            qunsetenv("XDG_RUNTIME_DIR");
            QVERIFY(writeBytes(system.path() + "/runtime-" + getpwuid(geteuid())->pw_name, {}));
            folder = system.path() + QString("/valmir-%1").arg(geteuid());
        } else {
            qputenv("XDG_RUNTIME_DIR", system.path().toLocal8Bit());
        }
        const QByteArray path = QFile::encodeName(folder);
        if (found == "open folder" || found == "foreign folder")
            QVERIFY(::mkdir(path, 0700) == 0 && ::chmod(path, 0777) == 0);
        if (found == "foreign folder" && ::chown(path, geteuid() + 1, -1) != 0)
            QSKIP("Only root can give a folder to another user.");
        if (found == "link")
            QVERIFY(QFile::link(elsewhere.path(), folder));
        if (found == "file")
            QVERIFY(writeBytes(folder, "x"));

        const StartupResult r = startUp({f.dataDir(), QString()});
        QVERIFY2(r.ok == taken, qPrintable(r.message));
        if (taken) {
            QCOMPARE(TempFolder, folder + "/");
            struct stat st;
            QCOMPARE(::lstat(path, &st), 0);
            QCOMPARE(st.st_mode & 07777, 0700u);
            QCOMPARE(st.st_uid, geteuid());
        } else {
            QVERIFY(r.message.contains(QDir::toNativeSeparators(folder)));
            QVERIFY(!Db && !WorkDb);
            QVERIFY(QDir(elsewhere.path()).isEmpty()); // nothing written through the link
        }
    }

    // A lock file left by a start that was killed while it wrote the file
    // does not keep the program from starting; one that a running
    // instance holds does, whatever it holds.
    void lockLeftByKilledStart_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("held");
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("cut after the process id") << QByteArray("4") << false;
        QTest::newRow("a process that is gone") << QByteArray("999999999\nvalmir\n\n") << false;
        QTest::newRow("empty, held by a running start") << QByteArray() << true;
    }
    void lockLeftByKilledStart() {
        QFETCH(QByteArray, content);
        QFETCH(bool, held);
        test::Fixture f;
        QVERIFY(QDir().mkpath(f.tempDir()));
        QVERIFY(QFile::setPermissions(f.tempDir(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString lock = f.tempDir() + "/valmir.lock";
        QVERIFY(writeBytes(lock, content));
        const int fd = ::open(QFile::encodeName(lock).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        if (held)
            QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        const bool started = f.start();
        ::close(fd);
        QVERIFY2(started != held, qPrintable(f.lastMessage()));
        if (held)
            QVERIFY(f.lastMessage().contains(u"že odprt"));
    }

    // A first start cut short while it writes one of the two files (here:
    // a folder in the way of the file being built) is only a first start
    // that did not finish: once the obstacle is gone the next start makes
    // what is missing and starts.
    void firstStartCutShortStartsNextTime_data() {
        QTest::addColumn<QString>("blocked");
        QTest::newRow("work template") << "tmp.db.part";
        QTest::newRow("data database") << "valmir2009.db.part";
    }
    void firstStartCutShortStartsNextTime() {
        QFETCH(QString, blocked);
        test::Fixture f;
        const QString obstacle = f.dataDir() + "/" + blocked;
        QVERIFY(QDir().mkpath(obstacle + "/x"));
        QVERIFY(!f.start());
        QVERIFY(!QFile::exists(dataFile(f))); // no data database without its template
        QVERIFY(QDir(obstacle).removeRecursively());
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QVERIFY(QFile::exists(templateFile(f)));
    }

    // The password of the data database is the same everywhere: only the
    // rights of the account keep the data from the other accounts. A folder
    // and files of an older run that are open to all are narrowed.
    void dataAreTheAccountsAlone_data() {
        QTest::addColumn<bool>("openBefore");
        QTest::newRow("first start") << false;
        QTest::newRow("folder and files open to all") << true;
    }
    void dataAreTheAccountsAlone() {
        QFETCH(bool, openBefore);
        test::Fixture f;
        const QString document = f.tempDir() + "/racun.rtf";
        if (openBefore) {
            QVERIFY2(f.start(), qPrintable(f.lastMessage()));
            shutDown();
            for (const QString& file : {dataFile(f), templateFile(f), document})
                QVERIFY(QFile(file).open(QIODevice::ReadWrite) &&
                        ::chmod(qPrintable(file), 0644) == 0);
            QVERIFY(::chmod(qPrintable(f.dataDir()), 0755) == 0);
        }
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        RtfDocument rtf;
        QVERIFY(rtf.OpenDocument(TempFolder) && rtf.CloseDocument());
        QCOMPARE(rtf.path(), document);
        QCOMPARE(modeOf(f.dataDir()), 0700u);
        for (const QString& file : {dataFile(f), templateFile(f), WorkDatabasePath, document})
            QVERIFY2(modeOf(file) == 0600u, qPrintable(file));
    }

    // A data folder that cannot be used fails the start with a message that
    // names the file, and leaves every file as it was for a backup to be
    // restored over it.
    void brokenDataFolderFails_data() {
        QTest::addColumn<QString>("broken");
        QTest::newRow("other password") << "password";
        QTest::newRow("data file without our tables") << "foreign";
        QTest::newRow("data file of a newer version") << "newer";
        QTest::newRow("no template") << "no template";
        QTest::newRow("empty template") << "empty template";
        QTest::newRow("data folder is a file") << "file";
        QTest::newRow("read-only data folder") << "read-only";
    }
    void brokenDataFolderFails() {
        QFETCH(QString, broken);
        test::Fixture f;
        if (broken == "file") {
            QVERIFY(writeBytes(f.dataDir(), "not a folder"));
        } else {
            QVERIFY2(f.start(), qPrintable(f.lastMessage()));
            shutDown();
        }
        if (broken == "password" || broken == "foreign") {
            QString error;
            QVERIFY(QFile::remove(dataFile(f)));
            const QString password = broken == "password" ? "drugo geslo" : Schema::dataPassword();
            auto db = Database::open(dataFile(f), password, &error, true);
            QVERIFY2(db, qPrintable(error));
            QVERIFY(broken == "password" ? Schema::createDataTables(*db)
                                         : db->execute("CREATE TABLE tuje (a)"));
        }
        if (broken == "newer") {
            QString error;
            auto db = Database::open(dataFile(f), Schema::dataPassword(), &error);
            const QString newer =
                QString("PRAGMA user_version = %1").arg(Schema::CurrentVersion + 1);
            QVERIFY(db && db->execute(newer));
        }
        if (broken.endsWith("template"))
            QVERIFY(QFile::remove(templateFile(f)));
        if (broken == "empty template")
            QVERIFY(writeBytes(templateFile(f), {}));
        if (broken == "read-only") {
            QVERIFY(QFile::setPermissions(f.dataDir(), QFile::ReadOwner | QFile::ExeOwner));
            if (::access(QFile::encodeName(f.dataDir()), W_OK) == 0)
                QSKIP("Root writes into read-only folders.");
        }
        const QByteArray data = readBytes(dataFile(f)), work = readBytes(templateFile(f));
        const bool hadTemplate = QFile::exists(templateFile(f));

        const bool started = f.start();
        QFile::setPermissions(f.dataDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!started);
        QVERIFY(!Db && !WorkDb);
        const QString named = broken.endsWith("template")                 ? "tmp.db"
                              : broken == "file" || broken == "read-only" ? ""
                                                                          : "valmir2009.db";
        QVERIFY2(f.lastMessage().contains(QDir::toNativeSeparators(f.dataDir() + "/" + named)) &&
                     !f.lastMessage().contains("database"),
                 qPrintable(f.lastMessage()));
        QVERIFY(broken != "newer" || f.lastMessage().contains("novejša različica programa VALMIR"));
        QCOMPARE(readBytes(dataFile(f)), data);
        QCOMPARE(readBytes(templateFile(f)), work);
        QCOMPARE(QFile::exists(templateFile(f)), hadTemplate); // not silently made anew
    }

    // The earlier file is upgraded at the start: what it held stays, its
    // invoices keep no rate (they count as 20 %), the settings get 22 % and
    // its tables are those of a new file. No step runs twice: a rate set
    // after the upgrade stays.
    void earlierFileIsUpgradedOnce() {
        test::Fixture f;
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        const QString fresh = tables(*Db);
        shutDown();
        QVERIFY(QFile::remove(dataFile(f)) && QFile::copy(earlierFile(), dataFile(f)));
        QFile::setPermissions(dataFile(f), QFile::ReadOwner | QFile::WriteOwner);
        {
            // One customer by tax number under two dates and two forms of
            // it, the newer with a new address; one without a tax number
            // under two cases of its name.
            QString error;
            auto db = Database::open(dataFile(f), Schema::dataPassword(), &error);
            QVERIFY2(db, qPrintable(error));
            for (const QVariantList& row :
                 {QVariantList{"2013/001", "Občina Kranj", "Stara 1", "SI 1234 5674", "2013-05-02",
                               30},
                  QVariantList{"2013/002", "Občina Kranj", "Nova 2", "12345674", "2013-06-01", 8.6},
                  QVariantList{"2013/003", "Geo d.o.o.", "Cesta 1", "", "2013-07-01", QVariant()},
                  QVariantList{"2013/004", "GEO D.O.O.", "Cesta 1", QVariant(), "2013-03-01",
                               -7.5}})
                QVERIFY(db->execute("INSERT INTO tblRacun (StevilkaRacuna, Ime, Naslov, Davcna, "
                                    "Datum, Veljavnost) VALUES (?, ?, ?, ?, ?, ?)",
                                    row));
        }
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QCOMPARE(tables(*Db), fresh);
        QCOMPARE(Db->scalar("SELECT group_concat(Ime || '|' || Naslov || '|' || ifnull(Davcna, '') "
                            "|| '|' || Uporabljen, ';') FROM (SELECT * FROM tblNarocnik "
                            "ORDER BY Uporabljen)")
                     .toString(),
                 QString("Čebelarstvo Žužek|Cesta 1||2012-05-14;"
                         "Občina Kranj|Nova 2|12345674|2013-06-01;"
                         "Geo d.o.o.|Cesta 1||2013-07-01"));
        QCOMPARE(
            Db->scalar("SELECT group_concat(StevilkaRacuna || ':' || ifnull(Zapade, '-'), ';') "
                       "FROM tblRacun WHERE StevilkaRacuna LIKE '2013/%'")
                .toString(),
            QString("2013/001:2013-06-01;2013/002:2013-06-09;2013/003:2013-07-01;"
                    "2013/004:2013-03-01"));
        QCOMPARE(Schema::schemaVersion(*Db).value_or(-1), Schema::CurrentVersion);
        QCOMPARE(Db->scalar("SELECT group_concat(StevilkaRacuna || ifnull(StopnjaDDV, ' Null'), "
                            "';') || (SELECT count(*) FROM tblRacunTarife) FROM tblRacun "
                            "WHERE StevilkaRacuna LIKE '2012/%'")
                     .toString(),
                 QString("2012/001 Null;2012/002 Null2"));
        QCOMPARE(Db->scalar("SELECT Firma || StopnjaDDV FROM tblNastavitve").toString(),
                 QString("Geodetska pisarna Šumi22.0"));
        QVERIFY(Db->execute("UPDATE tblNastavitve SET StopnjaDDV = 9.5"));
        shutDown();
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QCOMPARE(Db->scalar("SELECT StopnjaDDV FROM tblNastavitve").toDouble(), 9.5);
    }

    // Before the earlier file is upgraded, it is copied as it was into the folder of copies,
    // where the daily copies' pruning leaves it; the next start copies nothing. Without the
    // copy there is no upgrade: the start stops and the file stays as it was.
    void earlierFileIsKeptBeforeTheUpgrade_data() {
        QTest::addColumn<bool>("copiesBlocked"); // a file where the folder of copies belongs
        QTest::newRow("kept") << false;
        QTest::newRow("folder of copies blocked") << true;
    }
    void earlierFileIsKeptBeforeTheUpgrade() {
        QFETCH(bool, copiesBlocked);
        const QDate day(2026, 12, 7);
        setTodayForTest(day);
        const auto back = qScopeGuard([] { setTodayForTest(QDate()); });
        test::Fixture f;
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        shutDown();
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QVERIFY(!QFileInfo::exists(Backup::folderIn(f.dataDir()))); // a current file is not copied
        shutDown();
        QVERIFY(QFile::remove(dataFile(f)) && QFile::copy(earlierFile(), dataFile(f)));
        QFile::setPermissions(dataFile(f), QFile::ReadOwner | QFile::WriteOwner);
        const QString copies = Backup::folderIn(f.dataDir());
        if (copiesBlocked)
            QVERIFY(writeBytes(copies.chopped(1), "x"));
        StartupResult started = startUp(f.options());
        if (copiesBlocked) {
            QVERIFY2(!started.ok && started.message.contains("ostala nespremenjena"),
                     qPrintable(started.message));
            QCOMPARE(readBytes(dataFile(f)), readBytes(earlierFile()));
            return;
        }
        QVERIFY2(started.ok, qPrintable(started.message));
        const QString kept = copies + "valmir2009-pred-nadgradnjo-v0-2026-12-07.db";
        QCOMPARE(started.keptBeforeUpgrade, kept);
        QCOMPARE(modeOf(kept), 0600u);
        QCOMPARE(Schema::schemaVersion(*Db).value_or(-1), Schema::CurrentVersion);
        QString error;
        for (int d = 0; d < 3; ++d)
            QVERIFY(Backup::makeDailyCopy(*Db, copies, Schema::dataPassword(), day.addDays(d), 1,
                                          &error));
        shutDown();
        started = startUp(f.options());
        QVERIFY(started.ok && started.keptBeforeUpgrade.isEmpty());
        QCOMPARE(QDir(copies).entryList(QDir::Files),
                 QStringList({Backup::dailyName(day.addDays(2)), QFileInfo(kept).fileName()}));
        auto before = Database::open(kept, Schema::dataPassword(), &error);
        QVERIFY2(before, qPrintable(error));
        QCOMPARE(Schema::schemaVersion(*before), std::optional<int>(0));
        QCOMPARE(
            before->scalar("SELECT group_concat(StevilkaRacuna, ' ') FROM tblRacun").toString(),
            QString("2012/001 2012/002"));
    }

    // A step that fails rolls back the steps before it: the file stays as it was.
    void failedUpgradeChangesNothing() {
        QTemporaryDir dir;
        const QString path = dir.filePath("valmir2009.db");
        QVERIFY(QFile::copy(earlierFile(), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QString error;
        auto db = Database::open(path, Schema::dataPassword(), &error);
        QVERIFY2(db, qPrintable(error));
        test::refuse(*db, SQLITE_UPDATE, "tblNastavitve"); // the last statement of the first step
        QVERIFY(Schema::upgradeDataDatabase(*db).contains("Datoteka je ostala nespremenjena."));
        db.reset();
        QCOMPARE(readBytes(path), readBytes(earlierFile()));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
