#include "TestSupport.h"
#include "app/Glavna.h"
#include "ui/WindowFit.h"

#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QTemporaryFile>

using namespace valmir;

namespace {

// The part of `control` the user can reach: scrolled to when it lies in a
// scroll area; in the coordinates of its window.
QRect reachable(QWidget* control) {
    for (QWidget* p = control->parentWidget(); p; p = p->parentWidget())
        if (auto* scroll = qobject_cast<QScrollArea*>(p))
            scroll->ensureWidgetVisible(control, 0, 0);
    return QRect(control->mapTo(control->window(), QPoint(0, 0)), control->size());
}

QString withoutMnemonic(QString text) { return text.remove(u'&'); }

} // namespace

// Every window on a screen of 1024×600: its frame within the available
// area, and the controls named reachable without leaving the screen.
class TestWindowFit : public test::FixtureTest {
    Q_OBJECT

    void checkFits(QWidget* window, const QStringList& controls) {
        const QRect area = window->screen()->availableGeometry();
        QVERIFY2(area.contains(window->frameGeometry()),
                 qPrintable(QString("%1: %2,%3 %4×%5")
                                .arg(window->objectName())
                                .arg(window->frameGeometry().x())
                                .arg(window->frameGeometry().y())
                                .arg(window->frameGeometry().width())
                                .arg(window->frameGeometry().height())));
        for (const QString& text : controls) {
            QAbstractButton* found = nullptr;
            for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
                if (withoutMnemonic(b->text()) == text && b->isVisibleTo(window))
                    found = b;
            QVERIFY2(found, qPrintable(text));
            QVERIFY2(window->rect().contains(reachable(found)), qPrintable(text));
        }
    }

private Q_SLOTS:
    void initTestCase() {
        installWindowFit();
        QCOMPARE(QGuiApplication::primaryScreen()->geometry().size(), QSize(1024, 600));
    }

    void everyWindowFitsTheScreen_data() {
        QTest::addColumn<QString>("by");     // a menu item or a button of the main window
        QTest::addColumn<QString>("window"); // its objectName
        QTest::addColumn<QStringList>("controls");
        using L = QStringList;
        // clang-format off
        QTest::newRow("main window") << "" << "Glavna" << L{"Nov račun"};
        QTest::newRow("editor") << "Command1" << "Racun"
                                << L{"Shrani račun", "Tiskaj račun", "Račun je plačan"};
        QTest::newRow("services") << "M1_1a" << "S_grupe" << L();
        QTest::newRow("operations") << "M1_1b" << "S_postavke" << L();
        QTest::newRow("customers") << "M1_N" << "N_narocniki" << L();
        QTest::newRow("overview") << "M1_5" << "Pregled" << L{"Zapri"};
        QTest::newRow("purge") << "M1_2" << "Brisanje" << L();
        QTest::newRow("invoice settings") << "M2_1" << "N_racun" << L();
        QTest::newRow("word processor") << "M2_W" << "N_word" << L();
        QTest::newRow("our data") << "M2_2" << "N_data" << L();
        QTest::newRow("staff") << "M2_3" << "N_osebje" << L();
        QTest::newRow("about") << "M3_2" << "frmAbout" << L();
        QTest::newRow("manual") << "M3_1" << "Navodila" << L();
        // clang-format on
    }
    void everyWindowFitsTheScreen() {
        QFETCH(QString, by);
        QFETCH(QString, window);
        QFETCH(QStringList, controls);
        Glavna w(appContext());
        w.resize(1100, 700); // as kept from a larger screen
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (by.isEmpty()) {
            checkFits(&w, controls);
            return;
        }
        test::ModalWatcher watcher;
        bool checked = false;
        watcher.dialogs[window] = [&](QWidget* dialog) {
            checkFits(dialog, controls);
            checked = true;
            static_cast<QDialog*>(dialog)->reject();
        };
        if (auto* item = w.findChild<QAction*>(by))
            item->trigger();
        else
            test::click(&w, by);
        if (window == "Navodila") {
            QWidget* manual = nullptr;
            QTRY_VERIFY((manual = QApplication::activeWindow()) && manual->objectName() == window);
            QVERIFY(QTest::qWaitForWindowExposed(manual));
            checkFits(manual, controls);
            manual->close();
            return;
        }
        QVERIFY2(checked, qPrintable(watcher.seen.join('\n')));
    }
};

// The offscreen screen is 1024×600, with window frames.
int main(int argc, char* argv[]) {
    QTemporaryFile config(QDir::tempPath() + "/valmir_screen_XXXXXX.json");
    if (!config.open())
        return 2;
    config.write(R"({"windowFrameMargins": true, "screens": [{"name": "small", "x": 0, "y": 0,
        "width": 1024, "height": 600, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    TestWindowFit test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowfit.moc"
