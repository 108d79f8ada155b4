// Versions of the data database: a file of an earlier version is upgraded
// once at start-up, a file of a newer version is refused and left as it is.

#include "TestSupport.h"
#include "data/Recordset.h"
#include "data/Schema.h"
#include "data/Seed.h"

#include <QtTest>

using namespace valmir;
using namespace valmir::test;

namespace {

// A data database made by the program before its tables carried a version
// (version 0, commit 91da86b): the seed, a settings row with the office's
// name and two invoices priced at 20 %, 2012/001 with two lines.
QString earlierFile() {
    return qEnvironmentVariable("VALMIR_SOURCE_DIR") + "/tests/data/valmir2009_schema0.db";
}

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::unique_ptr<Database> openData(const QString& path) {
    QString error;
    auto db = Database::open(path, Schema::dataPassword(), &error);
    if (!db)
        qWarning("%s", qPrintable(error));
    return db;
}

// The definitions of every table and index, as the engine keeps them.
QStringList definitions(Database& db) {
    QStringList out;
    auto rs = db.openRecordset("SELECT sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY name",
                               RecordsetKind::Snapshot);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        out << rs->field("sql").toString();
    return out;
}

} // namespace

class TestSchema : public QObject {
    Q_OBJECT

    // A data folder holding `file` as its data database, with the work
    // template a first start would have made.
    static void prepareFolder(const Fixture& f, const QString& file) {
        QVERIFY(QDir().mkpath(f.dataDir()));
        QVERIFY(QFile::copy(file, f.dataDir() + "/valmir2009.db"));
        QFile::setPermissions(f.dataDir() + "/valmir2009.db", QFile::ReadOwner | QFile::WriteOwner);
        QString error;
        QVERIFY2(Seed::createWorkTemplate(f.dataDir() + "/tmp.db", &error), qPrintable(error));
    }

private Q_SLOTS:
    // The earlier file gets the VAT columns and the current version; what
    // it held stays, its invoices keep no rate (they count as 20 %) and the
    // settings get today's 22 %. A later start runs no step again: a rate
    // set in between stays.
    void earlierFileIsUpgradedOnce() {
        Fixture f;
        prepareFolder(f, earlierFile());
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QCOMPARE(Schema::schemaVersion(*Db).value_or(-1), Schema::CurrentVersion);
        QCOMPARE(Db->scalar("SELECT group_concat(StevilkaRacuna || '|' || Ime || '|' || "
                            "ifnull(StopnjaDDV, 'Null'), ';') FROM tblRacun")
                     .toString(),
                 QString("2012/001|Čebelarstvo Žužek|Null;2012/002|Kupec|Null"));
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacunTarife").toInt(), 2);
        QCOMPARE(Db->scalar("SELECT StRacuna || '|' || Firma || '|' || StopnjaDDV FROM "
                            "tblNastavitve")
                     .toString(),
                 QString("3.0|Geodetska pisarna Šumi|22.0"));

        QVERIFY(Db->execute("UPDATE tblNastavitve SET StopnjaDDV = 9.5"));
        shutDown();
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QCOMPARE(Db->scalar("SELECT StopnjaDDV FROM tblNastavitve").toDouble(), 9.5);
        QCOMPARE(Schema::schemaVersion(*Db).value_or(-1), Schema::CurrentVersion);
    }

    // A new database is made by the same steps: its tables are exactly
    // those of an upgraded earlier file.
    void newFileHasTheUpgradedTables() {
        QTemporaryDir dir;
        QString error;
        QVERIFY2(Seed::createDataDatabase(dir.filePath("new.db"), &error), qPrintable(error));
        QVERIFY(QFile::copy(earlierFile(), dir.filePath("old.db")));
        auto fresh = openData(dir.filePath("new.db"));
        auto old = openData(dir.filePath("old.db"));
        QVERIFY(fresh && old);
        QCOMPARE(Schema::upgradeDataDatabase(*old), QString());
        QCOMPARE(definitions(*fresh), definitions(*old));
        QCOMPARE(Schema::schemaVersion(*fresh).value_or(-1), Schema::CurrentVersion);
        QCOMPARE(fresh->scalar("SELECT StopnjaDDV FROM tblNastavitve").toDouble(), 22.0);
    }

    // A file of a newer program: the start is refused with a message naming
    // the file and both versions, and not a byte of it changes. The same
    // holds when a step fails: the steps before it are rolled back.
    void refusedFileIsLeftUntouched_data() {
        QTest::addColumn<int>("version"); // set on the earlier file; -1 keeps it
        QTest::addColumn<bool>("failingStep");
        QTest::addColumn<QString>("message");
        QTest::newRow("newer version") << Schema::CurrentVersion + 1 << false
                                       << QString("novejša različica programa VALMIR (različica "
                                                  "podatkov %1, ta program pozna različice do %2)")
                                              .arg(Schema::CurrentVersion + 1)
                                              .arg(Schema::CurrentVersion);
        QTest::newRow("much newer version") << 1000 << false << QString("podatkov 1000,");
        QTest::newRow("a step fails") << -1 << true << QString("ostala nespremenjena");
    }
    void refusedFileIsLeftUntouched() {
        QFETCH(int, version);
        QFETCH(bool, failingStep);
        QFETCH(QString, message);
        Fixture f;
        prepareFolder(f, earlierFile());
        const QString path = f.dataDir() + "/valmir2009.db";
        if (version >= 0) {
            auto db = openData(path);
            QVERIFY(db && db->execute(QString("PRAGMA user_version = %1").arg(version)));
        }
        const QByteArray before = bytes(path);
        QString refusal;
        if (failingStep) {
            // The start opens the file itself; the upgrade is called as it calls it.
            auto db = openData(path);
            QVERIFY(db);
            refuse(*db, SQLITE_UPDATE, "tblNastavitve"); // the last statement of the first step
            refusal = Schema::upgradeDataDatabase(*db);
            refuseNothing(*db);
            QCOMPARE(Schema::schemaVersion(*db).value_or(-1), 0);
            QVERIFY(!db->scalar("SELECT count(*) FROM pragma_table_info('tblRacun') "
                                "WHERE name = 'StopnjaDDV'")
                         .toBool());
            QVERIFY(Schema::schemaKnown(*db));
        } else {
            QVERIFY(!f.start());
            QVERIFY(!Db && !WorkDb);
            refusal = f.lastMessage();
            QVERIFY2(refusal.contains(QDir::toNativeSeparators(path)), qPrintable(refusal));
            auto db = openData(path);
            QVERIFY(db && !Schema::schemaKnown(*db));
        }
        QVERIFY2(refusal.contains(message), qPrintable(refusal));
        QCOMPARE(bytes(path), before);
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
