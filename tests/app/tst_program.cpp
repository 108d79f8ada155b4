#include "TestSupport.h"
#include "app/Glavna.h"
#include "app/Program.h"
#include "data/Seed.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using namespace valmir;

namespace {

// Waits for the start-up box, remembers what it says and presses its OK.
struct BoxAnswer {
    QString title, text;
    int buttons = 0;
    bool seen = false;
    void arm(int triesLeft = 200) {
        QTimer::singleShot(25, [this, triesLeft] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                if (triesLeft > 0)
                    arm(triesLeft - 1);
                return;
            }
            seen = true;
            title = box->windowTitle();
            text = box->text();
            buttons = box->buttons().size();
            box->button(QMessageBox::Ok)->click();
        });
    }
};

} // namespace

class TestProgram : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;

private Q_SLOTS:
    void initTestCase() {
        // The work database goes to the system's temporary folder; keep it
        // away from a VALMIR the user may be running.
        qputenv("TMPDIR", m_tmp.path().toLocal8Bit());
    }
    void cleanup() { shutDown(); }

    void badDataDatabaseEndsAfterCriticalBox() {
        QTemporaryDir data;
        QFile file(data.filePath("valmir2009.db"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, '\x5a'));
        file.close();
        QString error;
        QVERIFY2(Seed::createWorkTemplate(data.filePath("tmp.db"), &error), qPrintable(error));

        BoxAnswer answer;
        answer.arm();
        const int rc = runValmir(*qApp, {"valmir", "--data-dir", data.path()});
        QVERIFY(answer.seen);
        QVERIFY(rc != 0);
        QCOMPARE(answer.title, QString("VALMIR"));
        QCOMPARE(answer.buttons, 1);
        QVERIFY2(answer.text.contains(QDir::toNativeSeparators(data.filePath("valmir2009.db"))),
                 qPrintable(answer.text));
        QVERIFY(!Db && !WorkDb);
    }

    void wrongCommandLineIsRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("told");
        QTest::newRow("unknown option") << QStringList({"valmir", "--nekaj"}) << "--nekaj";
        QTest::newRow("folder missing") << QStringList({"valmir", "--data-dir"}) << "manjka";
        QTest::newRow("stray argument") << QStringList({"valmir", "racun.rtf"}) << "racun.rtf";
    }
    void wrongCommandLineIsRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, told);
        BoxAnswer answer;
        answer.arm();
        const int rc = runValmir(*qApp, arguments);
        QVERIFY(answer.seen);
        QVERIFY(rc != 0);
        QVERIFY2(answer.text.contains(told), qPrintable(answer.text));
        QVERIFY(!Db);
    }

    void goodFolderShowsMainWindowUntilClosed() {
        QTemporaryDir data;
        bool shown = false;
        bool hadDatabases = false;
        QTimer closer;
        closer.setInterval(25);
        connect(&closer, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* main = qobject_cast<Glavna*>(w);
                if (main && main->isVisible()) {
                    shown = true;
                    hadDatabases = Db && WorkDb;
                    QCOMPARE(main->objectName(), QString("Glavna"));
                    main->close();
                    closer.stop();
                }
            }
        });
        closer.start();
        const int rc = runValmir(*qApp, {"valmir", "--data-dir", data.path()});
        QVERIFY(shown);
        QVERIFY(hadDatabases);
        QCOMPARE(rc, 0);
        QVERIFY(QFile::exists(data.filePath("valmir2009.db")));
        // The run shut down: the databases are closed and the lock is free.
        QVERIFY(!Db && !WorkDb);
        QVERIFY(!QFile::exists(m_tmp.filePath("valmir/valmir.lock")));
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
