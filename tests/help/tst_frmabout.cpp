#include "TestSupport.h"
#include "app/MessageBox.h"
#include "help/SystemInfo.h"
#include "help/frmAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace valmir;

namespace {

// A stand-in for a system-information tool: it leaves a mark when started.
QString writeTool(const QString& folder, const QString& name, const QString& mark) {
    const QString path = folder + u'/' + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(QStringLiteral("#!/bin/sh\n: > '%1'\n").arg(mark).toUtf8());
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    return path;
}

} // namespace

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
        QVERIFY(title.bold() && title.italic());
        QCOMPARE(title.pointSizeF(), 15.75);
        for (const char* name : {"picIcon", "Picture1", "Picture2"})
            QVERIFY2(!about.findChild<QLabel*>(name)->pixmap().isNull(), name);
        QVERIFY(!about.findChildren<QPushButton*>().isEmpty());
        QCOMPARE(about.findChildren<QPushButton*>().size(), 1); // no OK button
    }

    void clicks_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("closes");
        for (const char* name : {"lblTitle", "lblVersion", "picIcon", "Picture1", "Picture2"})
            QTest::newRow(name) << name << true;
        QTest::newRow("background") << "" << true;
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

    // The first tool of the list found on the search path is started; with
    // none, the plain box says so.
    void systemInfo_data() {
        QTest::addColumn<QStringList>("tools");
        QTest::addColumn<QString>("started");
        QTest::newRow("none") << QStringList() << QString();
        QTest::newRow("one") << QStringList{"kinfocenter"} << "kinfocenter";
        QTest::newRow("first of the list wins")
            << QStringList{"gnome-system-monitor", "hardinfo"} << "hardinfo";
        QTest::newRow("not executable") << QStringList{"-hardinfo"} << QString();
    }
    void systemInfo() {
        QFETCH(QStringList, tools);
        QFETCH(QString, started);
        QTemporaryDir bin, marks;
        for (const QString& t : tools) {
            const bool plainFile = t.startsWith(u'-');
            const QString name = plainFile ? t.mid(1) : t;
            const QString path = writeTool(bin.path(), name, marks.filePath(name));
            if (plainFile)
                QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
        QList<Msg::Shown> shown;
        Msg::setHook([&shown](const Msg::Shown& s) {
            shown << s;
            return false;
        });
        frmAbout about;
        about.findChild<QPushButton*>("cmdSysInfo")->click();
        Msg::setHook({});
        qputenv("PATH", oldPath);

        if (started.isEmpty()) {
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown[0].text, QString("System Information Is Unavailable At This Time"));
            QCOMPARE(shown[0].title, QString("VALMIR 2009"));
        } else {
            QVERIFY(shown.isEmpty());
            QTRY_VERIFY(QFile::exists(marks.filePath(started)));
            QCOMPARE(findSystemInfoTool(bin.path()), bin.filePath(started));
        }
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
