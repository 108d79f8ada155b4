#include "TestSupport.h"
#include "data/Backup.h"
#include "data/Schema.h"

using namespace valmir;

static const QString Password = Schema::dataPassword();
static const char* const Numbers = "SELECT group_concat(StevilkaRacuna, ' ') FROM "
                                   "(SELECT StevilkaRacuna FROM tblRacun ORDER BY ID)";

using namespace valmir::test;

class TestBackup : public test::FixtureTest {
    Q_OBJECT
    QString m_folder; // the folder of copies
    QString m_copy;   // a copy saved by the user

protected:
    void prepare() override {
        m_folder = Backup::folderIn(AppFolder);
        m_copy = AppFolder + "kopija.db";
        QVERIFY(test::addInvoice(*Db, {{"StevilkaRacuna", "1/2026"}}));
    }

private Q_SLOTS:
    // A good copy is put back (one without a schema version brought up to date), what came
    // after it goes, the data replaced kept first; any other file is refused with its reason
    // before anything is written. The chosen file is only read.
    void restore_data() {
        QTest::addColumn<QString>("reason"); // part of the refusal; null when put back
        QTest::newRow("own copy") << QString();
        QTest::newRow("earlier version") << QString();
        QTest::newRow("another key") << QString("drugim geslom");
        QTest::newRow("other tables") << QString("ni podatkovna baza programa VALMIR");
        QTest::newRow("newer version") << QString("novejša različica");
        QTest::newRow("damaged page") << QString("");
        QTest::newRow("text file") << QString("ni podatkovna baza");
        QTest::newRow("missing file") << QString("ne obstaja");
        QTest::newRow("the data database itself") << QString("v uporabi");
    }
    void restore() {
        QFETCH(QString, reason);
        const QByteArray kind = QTest::currentDataTag();
        QString error, path = kind == "the data database itself" ? DatabasePath : m_copy;
        if (kind == "own copy" || kind == "damaged page" || kind == "newer version")
            QVERIFY(Backup::copyTo(*Db, m_copy, Password, nullptr) && modeOf(m_copy) == 0600u);
        QByteArray bytes = readBytes(m_copy);
        if (kind == "earlier version") {
            const QString source = qEnvironmentVariable("VALMIR_SOURCE_DIR");
            QVERIFY(QFile::copy(source + "/tests/data/valmir2009_schema0.db", m_copy));
        } else if (kind == "another key" || kind == "other tables") {
            const bool key = kind == "another key";
            auto other = Database::open(m_copy, key ? "drugo geslo" : Password, &error, true);
            QVERIFY(other && (key ? Schema::createDataTables(*other)
                                  : other->execute("CREATE TABLE tuje (a)")));
        } else if (kind == "damaged page") {
            QVERIFY(bytes.size() > 3 * 4096);
            QVERIFY(writeBytes(m_copy, bytes.replace(2 * 4096 + 100, 100, QByteArray(100, 'x'))));
        } else if (kind == "text file") {
            QVERIFY(writeBytes(m_copy, "StevilkaRacuna;Ime\n1/2026;Novak\n"));
        } else if (kind == "newer version") {
            auto newer = Database::open(m_copy, Password, &error);
            QVERIFY(newer && newer->execute("PRAGMA user_version = 1000")); // far ahead of ours
        }
        bytes = readBytes(m_copy);
        QVERIFY(test::addInvoice(*Db, {{"StevilkaRacuna", "2/2026"}}));
        const QByteArray data = readBytes(DatabasePath);
        const bool restored = Backup::restore(*Db, path, Password, m_folder,
                                              QDateTime({2026, 12, 7}, {8, 30, 15}), &error);
        QCOMPARE(readBytes(m_copy), bytes);
        if (!reason.isNull()) {
            QVERIFY2(!restored && error.contains(reason), qPrintable(error));
            QVERIFY(path == DatabasePath || error == Backup::refusal(path, Password));
            QVERIFY(!QFileInfo::exists(m_folder)); // no copy of the current data either
            QCOMPARE(readBytes(DatabasePath), data);
            QCOMPARE(Db->scalar(Numbers).toString(), QString("1/2026 2/2026"));
            return;
        }
        QVERIFY2(restored, qPrintable(error));
        QCOMPARE(Db->scalar(Numbers).toString(),
                 QString(kind == "own copy" ? "1/2026" : "2012/001 2012/002"));
        QCOMPARE(Schema::schemaVersion(*Db), std::optional<int>(Schema::CurrentVersion));
        QVERIFY(test::addInvoice(*Db, {{"StevilkaRacuna", "3/2026"}})); // still writable
        const QString kept = m_folder + "valmir2009-pred-obnovo-2026-12-07-083015.db";
        QCOMPARE(modeOf(kept), 0600u);
        auto before = Database::open(kept, Password, &error);
        QVERIFY(before && before->scalar(Numbers).toString() == "1/2026 2/2026");
    }

    // One copy a day (a second exit that day leaves it as it was), the newest 14 kept; the
    // user's copies and those kept before a restore are not counted and not deleted.
    void dailyCopiesKeepTheNewest() {
        QStringList expected{"moja.db", "valmir2009-pred-obnovo-2026-01-01-080000.db",
                             "valmir2009-2026-02-31.db"};
        const QDate first(2026, 11, 20);
        QString error;
        for (int d = 0; d < 21; ++d) {
            for (const QString& number : {QString("%1/a").arg(d), QString("%1/b").arg(d)}) {
                QVERIFY(Backup::makeDailyCopy(*Db, m_folder, Password, first.addDays(d),
                                              Backup::DailyCopiesKept, &error));
                QVERIFY(test::addInvoice(*Db, {{"StevilkaRacuna", number}}));
            }
            for (int i = 0; d == 0 && i < 3; ++i)
                QVERIFY(writeBytes(m_folder + expected[i], "x"));
            QCOMPARE(QDir(m_folder).entryList(QDir::Files).size(), 3 + qMin(d + 1, 14));
        }
        for (int d = 7; d < 21; ++d)
            expected << Backup::dailyName(first.addDays(d));
        expected.sort();
        QCOMPARE(QDir(m_folder).entryList(QDir::Files, QDir::Name), expected);
        QCOMPARE(modeOf(m_folder), 0700u);
        const QString newest = m_folder + Backup::dailyName(first.addDays(20));
        QCOMPARE(modeOf(newest), 0600u);
        QCOMPARE(Backup::refusal(newest, Password), QString());
        auto copy = Database::open(newest, Password, &error);
        // Made at the day's first exit: the fixture's invoice and two a day before.
        QVERIFY(copy && copy->scalar("SELECT count(*) FROM tblRacun").toInt() == 1 + 2 * 20);
    }
};

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
