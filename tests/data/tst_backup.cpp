#include "TestSupport.h"
#include "data/Backup.h"
#include "data/Recordset.h"
#include "data/Schema.h"

#include <QtTest>

#include <sys/stat.h>

using namespace valmir;

namespace {

const QString Password = Schema::dataPassword();

QStringList invoiceNumbers(Database& db) {
    QStringList numbers;
    auto rs = db.openRecordset("SELECT StevilkaRacuna FROM tblRacun ORDER BY ID",
                               RecordsetKind::Snapshot);
    for (; rs && !rs->eof(); rs->moveNext())
        numbers << rs->field("StevilkaRacuna").toString();
    return numbers;
}

unsigned modeOf(const QString& path) {
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

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
    // What was there at the copy comes back, what came later goes; the
    // data replaced are kept as a copy first.
    void restoreBringsBackTheCopiedData() {
        QVERIFY(Backup::copyTo(*Db, m_copy, Password, nullptr));
        QCOMPARE(modeOf(m_copy), 0600u);
        QVERIFY(test::addInvoice(*Db, {{"StevilkaRacuna", "2/2026"}}));

        QString error;
        const QDateTime now(QDate(2026, 12, 7), QTime(8, 30, 15));
        QVERIFY2(Backup::restore(*Db, m_copy, Password, m_folder, now, &error), qPrintable(error));
        QCOMPARE(invoiceNumbers(*Db), QStringList{"1/2026"});
        QVERIFY(test::addInvoice(*Db, {{"StevilkaRacuna", "3/2026"}})); // still writable

        const QString kept = m_folder + "valmir2009-pred-obnovo-2026-12-07-083015.db";
        QCOMPARE(modeOf(kept), 0600u);
        auto before = Database::open(kept, Password, &error);
        QVERIFY2(before, qPrintable(error));
        QCOMPARE(invoiceNumbers(*before), (QStringList{"1/2026", "2/2026"}));
    }

    // A copy made before the tables carried a version gets the tables of
    // this one as it is put back.
    void earlierVersionIsBroughtUpToDate() {
        const QString earlier =
            qEnvironmentVariable("VALMIR_SOURCE_DIR") + "/tests/data/valmir2009_schema0.db";
        QVERIFY(QFile::copy(earlier, m_copy));
        QString error;
        QVERIFY2(
            Backup::restore(*Db, m_copy, Password, m_folder, QDateTime::currentDateTime(), &error),
            qPrintable(error));
        QCOMPARE(invoiceNumbers(*Db), (QStringList{"2012/001", "2012/002"}));
        QCOMPARE(Schema::schemaVersion(*Db), std::optional<int>(Schema::CurrentVersion));
        QCOMPARE(readBytes(m_copy), readBytes(earlier)); // the chosen copy is only read
    }

    // A file that is no good copy is refused with a reason before anything
    // is written: the data database keeps every byte.
    void refusedCopyChangesNothing_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("another key") << "key"
                                     << "drugim geslom";
        QTest::newRow("other tables") << "foreign"
                                      << "ni podatkovna baza programa VALMIR";
        QTest::newRow("damaged page") << "damaged"
                                      << "";
        QTest::newRow("text file") << "text"
                                   << "ni podatkovna baza";
        QTest::newRow("missing file") << "missing"
                                      << "ne obstaja";
        QTest::newRow("the data database itself") << "itself"
                                                  << "v uporabi";
    }
    void refusedCopyChangesNothing() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QString error;
        QString path = m_copy;
        if (kind == "key" || kind == "foreign") {
            auto other =
                Database::open(m_copy, kind == "key" ? "drugo geslo" : Password, &error, true);
            QVERIFY2(other, qPrintable(error));
            QVERIFY(kind == "key" ? Schema::createDataTables(*other)
                                  : other->execute("CREATE TABLE tuje (a)"));
        } else if (kind == "damaged") {
            QVERIFY(Backup::copyTo(*Db, m_copy, Password, nullptr));
            QByteArray bytes = readBytes(m_copy);
            QVERIFY(bytes.size() > 3 * 4096);
            for (int i = 2 * 4096 + 100; i < 2 * 4096 + 200; ++i)
                bytes[i] = char(~bytes[i]);
            writeBytes(m_copy, bytes);
        } else if (kind == "text") {
            writeBytes(m_copy, "StevilkaRacuna;Ime\n1/2026;Novak\n");
        } else if (kind == "newer") {
            QVERIFY(Backup::copyTo(*Db, m_copy, Password, nullptr));
            auto newer = Database::open(m_copy, Password, &error);
            QVERIFY(newer &&
                    newer->execute(
                        QString("PRAGMA user_version = %1").arg(Schema::CurrentVersion + 1)));
        } else if (kind == "itself") {
            path = DatabasePath;
        }
        const QByteArray data = readBytes(DatabasePath);

        const QString why = Backup::refusal(path, Password);
        QVERIFY(
            !Backup::restore(*Db, path, Password, m_folder, QDateTime::currentDateTime(), &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        if (kind != "itself")
            QCOMPARE(error, why);
        QVERIFY(!QFileInfo::exists(m_folder)); // no copy of the current data either
        QCOMPARE(readBytes(DatabasePath), data);
        QCOMPARE(invoiceNumbers(*Db), QStringList{"1/2026"});
    }

    // One copy a day, the newest ones kept; copies the user put there and
    // those kept before a restore are not counted and not deleted.
    void dailyCopiesKeepTheNewest_data() {
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("kept");
        QTest::newRow("fewer days than kept") << 3 << 3;
        QTest::newRow("exactly as many") << 14 << 14;
        QTest::newRow("three weeks") << 21 << 14;
    }
    void dailyCopiesKeepTheNewest() {
        QFETCH(int, days);
        QFETCH(int, kept);
        const QStringList others{"moja.db", "valmir2009-pred-obnovo-2026-01-01-080000.db",
                                 "valmir2009-2026-02-31.db"};
        const QDate first(2026, 11, 20);
        QString error;
        for (int d = 0; d < days; ++d) {
            if (d == 1)
                for (const QString& name : others)
                    writeBytes(m_folder + name, "x");
            QVERIFY2(Backup::makeDailyCopy(*Db, m_folder, Password, first.addDays(d),
                                           Backup::DailyCopiesKept, &error),
                     qPrintable(error));
            // A second exit on the same day leaves the day's copy as it was.
            QVERIFY(test::addInvoice(*Db, {{"StevilkaRacuna", QString("%1/2027").arg(d)}}));
            QVERIFY(Backup::makeDailyCopy(*Db, m_folder, Password, first.addDays(d),
                                          Backup::DailyCopiesKept, &error));
        }
        QStringList expected = others;
        for (int d = days - kept; d < days; ++d)
            expected << Backup::dailyName(first.addDays(d));
        expected.sort();
        QCOMPARE(QDir(m_folder).entryList(QDir::Files, QDir::Name), expected);
        QCOMPARE(modeOf(m_folder), 0700u);

        const QString newest = m_folder + Backup::dailyName(first.addDays(days - 1));
        QCOMPARE(modeOf(newest), 0600u);
        QCOMPARE(Backup::refusal(newest, Password), QString());
        auto copy = Database::open(newest, Password, &error);
        QVERIFY2(copy, qPrintable(error));
        QCOMPARE(invoiceNumbers(*copy).size(), days); // the day's first exit: without its invoice
    }
};

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
