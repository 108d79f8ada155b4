#include "TestSupport.h"
#include "help/frmAbout.h"

using namespace valmir;

class TestFrmAbout : public QObject {
    Q_OBJECT

private slots:
    void texts() {
        frmAbout about;
        QCOMPARE(about.windowTitle(), QString("O, avtorja!"));
        const std::pair<const char*, const char*> texts[] = {
            {"lblTitle", "VALMIR 2009"},
            {"lblVersion", "Verzija  2009.1"},
            {"lblDescription", "Če program deluje brezhibno, gre za golo slučajnost."},
            {"Label1", "Če pa se obnaša po pričakovanjih, sta za to odgovorna:"},
            {"Label6", "in"}};
        for (const auto& [name, text] : texts)
            QCOMPARE(about.findChild<QLabel*>(name)->text(), QString::fromUtf8(text));
        const QFont title = about.findChild<QLabel*>("lblTitle")->font();
        QVERIFY(title.bold() && title.italic() && title.pointSizeF() == 15.75);
        for (const char* name : {"picIcon", "Picture1", "Picture2"})
            QVERIFY2(!about.findChild<QLabel*>(name)->pixmap().isNull(), name);
        QCOMPARE(about.findChildren<QPushButton*>().size(), 1); // no OK button
    }

    void clicks_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("closes");
        for (const char* name : {"lblTitle", "lblVersion", "picIcon", "Picture1", "Picture2", ""})
            QTest::newRow(*name ? name : "background") << name << true;
        for (const char* name : {"lblDescription", "Label1", "Label2", "Label5", "Label6"})
            QTest::newRow(name) << name << false;
    }
    void clicks() {
        QFETCH(QString, target);
        QFETCH(bool, closes);
        frmAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QWidget* widget = target.isEmpty() ? &about : about.findChild<QWidget*>(target);
        QVERIFY(widget);
        QTest::mouseClick(widget, Qt::LeftButton, {}, target.isEmpty() ? QPoint(2, 2) : QPoint());
        QCOMPARE(about.isVisible(), !closes);
    }

    // Only the first tool of the list found on the search path is started
    // (a file that cannot run is no tool); with none, the plain box says so.
    void systemInfo_data() {
        QTest::addColumn<QStringList>("tools");
        QTest::addColumn<QStringList>("started");
        QTest::newRow("none") << QStringList() << QStringList();
        QTest::newRow("one") << QStringList{"kinfocenter"} << QStringList{"kinfocenter"};
        QTest::newRow("first of the list wins")
            << QStringList{"gnome-system-monitor", "hardinfo"} << QStringList{"hardinfo"};
        QTest::newRow("not executable") << QStringList{"-hardinfo"} << QStringList();
    }
    void systemInfo() {
        QFETCH(QStringList, tools);
        QFETCH(QStringList, started);
        QTemporaryDir bin, marks;
        for (QString tool : tools) {
            const bool runs = !tool.startsWith(u'-');
            tool = tool.mid(runs ? 0 : 1);
            const QString script =
                QStringLiteral("#!/bin/sh\n: > '%1'\n").arg(marks.filePath(tool));
            QVERIFY(test::writeBytes(bin.filePath(tool), script.toUtf8()));
            QVERIFY(!runs ||
                    QFile(bin.filePath(tool))
                        .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
        test::ModalWatcher watcher;
        frmAbout about;
        about.findChild<QPushButton*>("cmdSysInfo")->click();
        qputenv("PATH", oldPath);
        QCOMPARE(watcher.seen, started.isEmpty() ? QStringList{"VALMIR 2009|System Information "
                                                               "Is Unavailable At This Time"}
                                                 : QStringList());
        QTRY_COMPARE(QDir(marks.path()).entryList(QDir::Files), started);
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
