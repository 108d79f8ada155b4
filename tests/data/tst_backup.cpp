#include "TestSupport.h"
#include "app/BackupActions.h"
#include "data/Backup.h"
#include "data/SafeTarget.h"
#include "data/Schema.h"
#include "ui/OwnFiles.h"

#include <unistd.h>

using namespace valmir;

static const QString Password = Schema::dataPassword();
static const char* const Numbers = "SELECT group_concat(StevilkaRacuna, ' ') FROM "
                                   "(SELECT StevilkaRacuna FROM tblRacun ORDER BY ID)";

using namespace valmir::test;

// Whether a start now would find `number` in the data file: writes of the
// open connection that went to a file renamed away are not there.
static bool onDisk(const QString& number) {
    QString error;
    auto fresh = Database::open(DatabasePath, Password, &error);
    return fresh &&
           fresh->scalar("SELECT count(*) FROM tblRacun WHERE StevilkaRacuna = ?", {number})
                   .toInt() == 1;
}

// Sets a file's time of writing.
static bool writtenAt(const QString& path, const QDateTime& when) {
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(when, QFileDevice::FileModificationTime);
}

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

    // "Varnostna kopija..." aimed at a file the program lives on, by any of its names, writes
    // nothing and says why; any other file of the data folder takes the copy.
    void ownFilesAreNeverReplaced_data() {
        QTest::addColumn<QString>("target"); // in the data folder; "@" the work database
        QTest::addColumn<bool>("refused");
        QTest::newRow("the data database") << "valmir2009.db" << true;
        QTest::newRow("through ..") << "../data/./valmir2009.db" << true;
        QTest::newRow("symbolic link") << "povezava.db" << true;
        QTest::newRow("hard link") << "trda.db" << true;
        QTest::newRow("its journal") << "valmir2009.db-journal" << true;
        QTest::newRow("the template") << "tmp.db" << true;
        QTest::newRow("the work database") << "@" << true;
        QTest::newRow("another file") << "kopija.db" << false;
    }
    void ownFilesAreNeverReplaced() {
        QFETCH(QString, target);
        QFETCH(bool, refused);
        const QByteArray kind = QTest::currentDataTag();
        const QString path = target == "@" ? WorkDatabasePath : AppFolder + target;
        if (kind == "symbolic link")
            QVERIFY(QFile::link(DatabasePath, path));
        else if (kind == "hard link")
            QVERIFY(::link(QFile::encodeName(DatabasePath), QFile::encodeName(path)) == 0);
        QCOMPARE(SafeTarget::isLiveFile(path, liveFiles(appContext())), refused);

        const QByteArray data = readBytes(DatabasePath);
        ModalWatcher watcher;
        watcher.answers = {QMessageBox::Yes}; // the file dialog's "replace it?"
        watcher.dialogs["FileDialog"] = [&path](QWidget* dialog) {
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
            // Queued: the dialog's own "replace it?" has to find the watcher free.
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        };
        saveBackupCopy(nullptr, appContext());
        QVERIFY(!watcher.seen.isEmpty());
        QVERIFY2(watcher.seen.last().startsWith(refused ? "Ne bo šlo|»" : "Varnostna kopija|"),
                 qPrintable(watcher.seen.last()));
        QVERIFY(!refused || watcher.seen.last().contains("ni mogoče prepisati"));
        QVERIFY(refused || Backup::refusal(path, Password).isEmpty());
        QCOMPARE(readBytes(DatabasePath), data);
        QVERIFY(test::addInvoice(*Db, {{"StevilkaRacuna", "2/2026"}}));
        QVERIFY(onDisk("2/2026"));
    }

    // With the clock set back the day's copy gets the lowest name; it is the newest all the
    // same, and it is the oldest written that goes, whatever its name.
    void clockSetBackKeepsTheNewCopy() {
        const QDate ahead(2026, 12, 2);
        const QDateTime written = QDateTime::currentDateTime().addDays(-20);
        QString error;
        for (int d = 0; d < Backup::DailyCopiesKept; ++d) {
            QVERIFY(Backup::makeDailyCopy(*Db, m_folder, Password, ahead.addDays(d),
                                          Backup::DailyCopiesKept, &error));
            QVERIFY(writtenAt(m_folder + Backup::dailyName(ahead.addDays(d)),
                              written.addDays((d + 7) % Backup::DailyCopiesKept)));
        }
        const QDate back(2026, 11, 25);
        QVERIFY2(
            Backup::makeDailyCopy(*Db, m_folder, Password, back, Backup::DailyCopiesKept, &error),
            qPrintable(error));
        QStringList expected{Backup::dailyName(back)};
        for (int d = 0; d < Backup::DailyCopiesKept; ++d)
            if (d != 7) // written first
                expected << Backup::dailyName(ahead.addDays(d));
        QCOMPARE(QDir(m_folder).entryList(QDir::Files, QDir::Name), expected);
        auto copy = Database::open(m_folder + Backup::dailyName(back), Password, &error);
        QVERIFY(copy && copy->scalar("SELECT count(*) FROM tblRacun").toInt() == 1);
    }

    // A failure that cannot be noted is reported to the caller; a note begun but left empty
    // (the disk full after the name was made) is a failure all the same.
    void failureNotes() {
        const QString note = AppFolder + "varnostna-kopija-ni-uspela.txt";
        QVERIFY(QDir().mkdir(note)); // nothing can be written under the note's name
        QString error;
        QVERIFY(!Backup::recordFailure(AppFolder, "ni prostora", &error));
        QVERIFY2(error.contains(note), qPrintable(error));
        QVERIFY(QDir().rmdir(note));
        QVERIFY(Backup::recordFailure(AppFolder, "ni prostora", &error));
        QCOMPARE(modeOf(note), 0600u);
        QCOMPARE(Backup::takeFailure(AppFolder), QString("ni prostora"));
        QCOMPARE(Backup::takeFailure(AppFolder), QString()); // told once
        QVERIFY(writeBytes(note, ""));
        QVERIFY(!Backup::takeFailure(AppFolder).isEmpty());
    }
};

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
