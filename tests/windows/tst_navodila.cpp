#include "TestSupport.h"

#include "app/Glavna.h"
#include "text/Messages.h"
#include "windows/Navodila.h"
#include "windows/frmAbout.h"

#include <QDirIterator>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>

using namespace valmir;
using namespace valmir::test;

namespace {

QString resourcePath(const QUrl& url) { return u':' + url.path(); }

// The links, pictures and anchors of a page, read as the help window reads it.
struct PageParts {
    QStringList links, images, anchors;
};
PageParts partsOf(const QUrl& page) {
    QTextBrowser browser;
    browser.setSource(page);
    PageParts parts;
    for (QTextBlock b = browser.document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            parts.anchors << f.anchorNames();
            if (f.isAnchor() && !f.anchorHref().isEmpty())
                parts.links << f.anchorHref();
            if (f.isImageFormat())
                parts.images << f.toImageFormat().name();
        }
    return parts;
}

} // namespace

class TestNavodila : public FixtureTest {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Navodila::installHelpKey(); }

    // F1 pressed on the focused control of a window shows the manual at
    // that window's page, over a modal window usable beside it.
    void f1ShowsThePageOfTheWindow_data() {
        QTest::addColumn<QString>("by"); // a menu item or a button of the main window
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("page");
        QTest::newRow("main window") << ""
                                     << "Glavna"
                                     << "glavno_okno.html";
        QTest::newRow("editor") << "Command1"
                                << "Racun"
                                << "racun.html";
        QTest::newRow("overview") << "M1_5"
                                  << "Pregled"
                                  << "pregled.html";
        QTest::newRow("our data") << "M2_2"
                                  << "N_data"
                                  << "nasi_podatki.html";
        QTest::newRow("services") << "M1_1a"
                                  << "S_grupe"
                                  << "storitve.html";
        QTest::newRow("purge") << "M1_2"
                               << "Brisanje"
                               << "brisanje.html";
    }
    void f1ShowsThePageOfTheWindow() {
        QFETCH(QString, by);
        QFETCH(QString, window);
        QFETCH(QString, page);
        Glavna main(appContext());
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QUrl shown;
        bool usable = false;
        const auto pressF1 = [&](QWidget* w) {
            QWidget* focused = w->focusWidget() ? w->focusWidget() : w;
            QTest::keyClick(focused, Qt::Key_F1);
            QVERIFY(Navodila::instance() && Navodila::instance()->isVisible());
            shown = Navodila::instance()->browser()->source();
            usable = !QApplication::activeModalWidget() ||
                     Navodila::instance()->parentWidget() == QApplication::activeModalWidget();
            Navodila::instance()->close();
        };
        if (by.isEmpty()) {
            pressF1(&main);
        } else {
            ModalWatcher watcher;
            watcher.dialogs[window] = [&](QWidget* dialog) {
                pressF1(dialog);
                static_cast<QDialog*>(dialog)->reject();
            };
            if (auto* item = main.findChild<QAction*>(by))
                item->trigger();
            else
                click(&main, by);
        }
        QCOMPARE(shown, QUrl("qrc:/help/" + page));
        QVERIFY(usable);
    }

    // The manual opens from the menu beside the main window, not modal; a
    // second "Navodila..." brings back the same window, also after it was
    // closed; a page that cannot be read is told and ends nothing; closing
    // the main window ends the run, the open manual with it.
    void opensFromTheMenuOnce() {
        Glavna main(appContext());
        main.show();
        QAction* item = main.findChild<QAction*>(QStringLiteral("M3_1"));
        QVERIFY(item && item->isEnabled());
        item->trigger();
        Navodila* manual = Navodila::instance();
        QVERIFY(manual && manual->isVisible() && !manual->isModal() && !qApp->activeModalWidget());
        QCOMPARE(manual->browser()->source(), Navodila::homePage());
        QVERIFY(manual->browser()->toPlainText().contains(QStringLiteral("VALMIR 2009")));
        manual->close();
        item->trigger();
        QCOMPARE(Navodila::instance(), manual);
        int manuals = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            manuals += w->objectName() == u"Navodila" && w->isVisible();
        QVERIFY(manual->isVisible() && manuals == 1);
        ModalWatcher watcher;
        QVERIFY(!Navodila::showManual(&main, QUrl(QStringLiteral("qrc:/help/ni.html"))));
        QCOMPARE(watcher.seen,
                 QStringList{HelpMessages::NotFound.title + u'|' + HelpMessages::NotFound.text});
        QVERIFY(manual->isVisible() && manual->browser()->source() == Navodila::homePage());
        QTimer::singleShot(0, &main, &QWidget::close);
        QTimer::singleShot(5000, &main, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
    }

    // The contents list, the links, "Nazaj" (also Alt+Left), "Naprej" and
    // "Domov" lead where they say, and the contents list follows.
    void navigates() {
        Glavna main(appContext());
        main.show();
        const QUrl racun = Navodila::contentsPages().at(4);
        const QUrl izracun = Navodila::contentsPages().at(8);
        const QUrl example(izracun.toString() + QStringLiteral("#primer"));
        Navodila* manual = Navodila::showManual(&main, racun); // not the home page
        QVERIFY(manual && QTest::qWaitForWindowActive(manual));
        QTextBrowser* browser = manual->browser();
        QTreeWidget* contents = manual->contents();
        browser->setSource(example);
        QCOMPARE(contents->currentItem()->data(0, Qt::UserRole).toUrl(), izracun);
        manual->findChild<QAction*>("backAction")->trigger();
        QCOMPARE(browser->source(), racun);
        manual->findChild<QAction*>("forwardAction")->trigger();
        QCOMPARE(browser->source(), example);
        QTest::keyClick(browser, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(browser->source(), racun);
        const QModelIndexList entry =
            contents->model()->match(contents->model()->index(0, 0), Qt::UserRole, izracun, 1,
                                     Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY(!entry.isEmpty());
        QTest::mouseClick(contents->viewport(), Qt::LeftButton, {},
                          contents->visualRect(entry[0]).center());
        QCOMPARE(browser->source(), izracun);
        manual->findChild<QAction*>("homeAction")->trigger();
        QCOMPARE(browser->source(), Navodila::homePage());
        QCOMPARE(contents->currentItem()->data(0, Qt::UserRole).toUrl(), Navodila::homePage());
    }

    // Every page shipped is in the contents, every entry is a page, every link leads to
    // a page and anchor of the manual, every picture is there and every one is shown.
    void pagesAreWhole() {
        const QList<QUrl> pages = Navodila::contentsPages();
        QStringList shipped, shown;
        for (QDirIterator it(QStringLiteral(":/help"), QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();)
            shipped << it.next();
        for (const QString& file : shipped.filter(QStringLiteral(".html")))
            QVERIFY2(pages.contains(QUrl(QStringLiteral("qrc") + file)), qPrintable(file));
        for (const QUrl& page : pages) {
            QVERIFY2(QFile::exists(resourcePath(page)), qPrintable(page.toString()));
            const PageParts parts = partsOf(page);
            for (const QString& link : parts.links) {
                const QUrl to = page.resolved(QUrl(link)), file = to.adjusted(QUrl::RemoveFragment);
                QVERIFY2(to.scheme() == u"qrc" && QFile::exists(resourcePath(to)) &&
                             (!to.hasFragment() || partsOf(file).anchors.contains(to.fragment())),
                         qPrintable(link));
            }
            for (const QString& image : parts.images) {
                shown << resourcePath(page.resolved(QUrl(image)));
                QVERIFY2(!QImage(shown.last()).isNull(), qPrintable(image));
            }
        }
        QVERIFY(!shipped.filter(QStringLiteral(".png")).isEmpty());
        for (const QString& picture : shipped.filter(QStringLiteral(".png")))
            QVERIFY2(shown.contains(picture), qPrintable(picture));
    }

    // "O, avtorja!"
    void aboutTexts() {
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

    void aboutClicks_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("closes");
        for (const char* name : {"lblTitle", "lblVersion", "picIcon", "Picture1", "Picture2", ""})
            QTest::newRow(*name ? name : "background") << name << true;
        for (const char* name : {"lblDescription", "Label1", "Label2", "Label5", "Label6"})
            QTest::newRow(name) << name << false;
    }
    void aboutClicks() {
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
    void aboutSystemInfo_data() {
        QTest::addColumn<QStringList>("tools");
        QTest::addColumn<QStringList>("started");
        QTest::newRow("none") << QStringList() << QStringList();
        QTest::newRow("one") << QStringList{"kinfocenter"} << QStringList{"kinfocenter"};
        QTest::newRow("first of the list wins")
            << QStringList{"gnome-system-monitor", "hardinfo"} << QStringList{"hardinfo"};
        QTest::newRow("not executable") << QStringList{"-hardinfo"} << QStringList();
    }
    void aboutSystemInfo() {
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

QTEST_MAIN(TestNavodila)
#include "tst_navodila.moc"
