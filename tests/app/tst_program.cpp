#include "TestSupport.h"
#include "app/Glavna.h"
#include "app/Program.h"

#include <QApplication>
#include <QtTest>

using namespace valmir;

class TestProgram : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;

private Q_SLOTS:
    void initTestCase() {
        // The run's temporary folder, away from a VALMIR the user may run.
        qputenv("XDG_RUNTIME_DIR", m_tmp.path().toLocal8Bit());
    }
    void cleanup() { shutDown(); }

    void refusedStartEndsAfterOneBox_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("told");
        QTest::newRow("unknown option") << QStringList{"valmir", "--nekaj"} << "--nekaj";
        QTest::newRow("folder missing") << QStringList{"valmir", "--data-dir"} << "manjka";
        QTest::newRow("stray argument") << QStringList{"valmir", "racun.rtf"} << "racun.rtf";
        QTest::newRow("unusable data folder")
            << QStringList{"valmir", "--data-dir", "/dev/null/valmir"} << "/dev/null/valmir/";
    }
    void refusedStartEndsAfterOneBox() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, told);
        test::ModalWatcher watcher;
        QVERIFY(runValmir(*qApp, arguments) != 0);
        QCOMPARE(watcher.seen.size(), 1);
        QVERIFY2(watcher.seen[0].startsWith("VALMIR|") && watcher.seen[0].contains(told),
                 qPrintable(watcher.seen[0]));
        QVERIFY(!Db && !WorkDb);
    }

    void goodFolderShowsMainWindowUntilClosed() {
        QTemporaryDir data;
        bool shown = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* main = qobject_cast<Glavna*>(w); main && main->isVisible()) {
                    shown = Db && WorkDb;
                    main->close();
                }
            }
        });
        closer.start(25);
        QCOMPARE(runValmir(*qApp, {"valmir", "--data-dir", data.path()}), 0);
        QVERIFY(shown);
        QVERIFY(QFile::exists(data.filePath("valmir2009.db")));
        QVERIFY(!Db && !WorkDb);
        QVERIFY(QFileInfo(m_tmp.filePath("valmir")).isDir());
        QVERIFY(!QFile::exists(m_tmp.filePath("valmir/valmir.lock")));
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
