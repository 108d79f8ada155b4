#include "TestSupport.h"
#include "data/Recordset.h"
#include "data/Schema.h"
#include "data/Seed.h"

#include <QtTest>

using namespace valmir;

namespace {

QString dataFile(const test::Fixture& f) { return f.dataDir() + "/valmir2009.db"; }
QString templateFile(const test::Fixture& f) { return f.dataDir() + "/tmp.db"; }

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

int workLines() { return WorkDb->scalar("SELECT count(*) FROM tblTarifePregled").toInt(); }

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStartSeedsLaterStartsKeepData() {
        test::Fixture f;
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QCOMPARE(AppFolder, f.dataDir() + "/");
        QCOMPARE(DatabasePath, dataFile(f));
        QCOMPARE(WorkDatabasePath, f.tempDir() + "/valmir_tmp.db");
        QVERIFY(QFile::exists(templateFile(f)));
        QCOMPARE(Db->scalar("SELECT count(*) FROM tbPoste").toInt(), 466);
        QCOMPARE(workLines(), 0);

        QVERIFY(Db->execute("UPDATE tblNastavitve SET VrednostTocke = ?", {1.25}));
        QVERIFY(WorkDb->execute("INSERT INTO tblTarifePregled (TS1, TS2) VALUES (1, 1)"));
        shutDown();

        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QCOMPARE(Db->scalar("SELECT VrednostTocke FROM tblNastavitve").toDouble(), 1.25);
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblNastavitve").toInt(), 1);
        QCOMPARE(workLines(), 0);
    }

    void secondInstanceIsRefused() {
        test::Fixture f;
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QVERIFY(WorkDb->execute("INSERT INTO tblTarifePregled (TS1, TS2) VALUES (1, 1)"));
        Database* first = WorkDb.get();

        StartupResult second = startUp(f.options());
        QVERIFY(!second.ok);
        QVERIFY(second.message.contains("že odprt"));
        QVERIFY(second.message.contains(QDir::toNativeSeparators(f.tempDir() + "/valmir_tmp.db")));
        // The running instance keeps its databases and its lines.
        QCOMPARE(WorkDb.get(), first);
        QCOMPARE(workLines(), 1);
        QString error;
        auto onDisk = Database::open(f.tempDir() + "/valmir_tmp.db", QString(), &error);
        QVERIFY2(onDisk, qPrintable(error));
        QCOMPARE(onDisk->scalar("SELECT count(*) FROM tblTarifePregled").toInt(), 1);
        onDisk.reset();

        // Once the first has ended, a start works again.
        shutDown();
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        QCOMPARE(workLines(), 0);
    }

    void unusableDataFileFails_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("other password") << "password";
        QTest::newRow("random bytes") << "random";
        QTest::newRow("empty file") << "empty";
        QTest::newRow("database without our tables") << "foreign";
    }
    void unusableDataFileFails() {
        QFETCH(QString, kind);
        test::Fixture f;
        QVERIFY(QDir().mkpath(f.dataDir()));
        QString error;
        QVERIFY2(Seed::createWorkTemplate(templateFile(f), &error), qPrintable(error));
        if (kind == "password" || kind == "foreign") {
            auto db = Database::open(dataFile(f),
                                     kind == "password" ? "drugo geslo" : Schema::dataPassword(),
                                     &error, true);
            QVERIFY2(db, qPrintable(error));
            if (kind == "password")
                QVERIFY(Schema::createDataTables(*db));
            else
                QVERIFY(db->execute("CREATE TABLE tuje (a)"));
        } else if (kind == "random") {
            QByteArray bytes;
            for (int i = 0; i < 8192; ++i)
                bytes += char(QRandomGenerator::global()->bounded(256));
            writeBytes(dataFile(f), bytes);
        } else {
            writeBytes(dataFile(f), {});
        }
        const QByteArray before = [&] {
            QFile file(dataFile(f));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();

        QVERIFY(!f.start());
        QVERIFY(f.lastMessage().contains(QDir::toNativeSeparators(dataFile(f))));
        QVERIFY(f.lastMessage().contains("ni mogoče odpreti"));
        QVERIFY2(!f.lastMessage().contains("database"), qPrintable(f.lastMessage()));
        QVERIFY(!Db && !WorkDb);
        // The file is left as it was, for a backup to be restored over it.
        QFile file(dataFile(f));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    void missingOrForeignTemplateFails() {
        test::Fixture f;
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        shutDown();
        QVERIFY(QFile::remove(templateFile(f)));
        QVERIFY(!f.start());
        QVERIFY(f.lastMessage().contains(QDir::toNativeSeparators(templateFile(f))));
        QVERIFY(!QFile::exists(templateFile(f))); // not silently made anew

        writeBytes(templateFile(f), {});
        QVERIFY(!f.start());
        QVERIFY(f.lastMessage().contains(QDir::toNativeSeparators(templateFile(f))));
        QVERIFY(!Db && !WorkDb);
    }

    // Root writes into read-only folders; a data folder that cannot even be
    // made fails the same way for everybody.
    void dataFolderThatIsAFileFails() {
        test::Fixture f;
        writeBytes(f.dataDir(), "not a folder");
        QVERIFY(!f.start());
        QVERIFY(f.lastMessage().contains(QDir::toNativeSeparators(f.dataDir() + "/")));
        QVERIFY(f.lastMessage().contains("ni mogoče pisati"));
        QVERIFY(!Db && !WorkDb);
    }

    void readOnlyDataFolderFails() {
        test::Fixture f;
        QVERIFY2(f.start(), qPrintable(f.lastMessage()));
        shutDown();
        const auto writable = QFile::permissions(f.dataDir());
        QVERIFY(QFile::setPermissions(f.dataDir(), QFile::ReadOwner | QFile::ExeOwner));
        QFile probe(f.dataDir() + "/probe");
        if (probe.open(QIODevice::WriteOnly)) {
            probe.close();
            probe.remove();
            QFile::setPermissions(f.dataDir(), writable);
            QSKIP("Running with rights that ignore folder permissions (root).");
        }
        const bool started = f.start();
        QFile::setPermissions(f.dataDir(), writable);
        QVERIFY(!started);
        QVERIFY(f.lastMessage().contains(QDir::toNativeSeparators(f.dataDir() + "/")));
        QVERIFY(f.lastMessage().contains("ni mogoče pisati"));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
