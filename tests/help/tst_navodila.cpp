#include "TestSupport.h"

#include "app/Glavna.h"
#include "app/Globals.h"
#include "app/MessageBox.h"
#include "app/Messages.h"
#include "help/Navodila.h"

#include <QAction>
#include <QDirIterator>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QtTest>

using namespace valmir;
using namespace valmir::test;

namespace {

const QString Folder = QStringLiteral(":/help");

QUrl pageUrl(const QString& resourcePath) { return QUrl(QStringLiteral("qrc") + resourcePath); }

// What a page is made of, read as the help window reads it.
struct PageParts {
    QStringList links;
    QStringList images;
    QStringList anchors;
};

PageParts partsOf(const QUrl& page) {
    QTextBrowser browser;
    browser.setSource(page);
    PageParts parts;
    for (QTextBlock b = browser.document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            parts.anchors << f.anchorNames();
            if (f.isAnchor() && !f.anchorHref().isEmpty())
                parts.links << f.anchorHref();
            if (f.isImageFormat())
                parts.images << f.toImageFormat().name();
        }
    }
    return parts;
}

QStringList resourceFiles(const QString& pattern) {
    QStringList files;
    for (QDirIterator it(Folder, {pattern}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();)
        files << it.next();
    files.sort();
    return files;
}

QString resourcePath(const QUrl& url) { return u':' + url.path(); }

} // namespace

class TestNavodila : public FixtureTest {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Navodila::homePage(); } // makes the pages readable

    // The manual opens from the menu beside the main window, not modal; a
    // second "Navodila..." brings back the same window, also after it was
    // closed; a page that cannot be read is told and ends nothing.
    void opensFromTheMenuOnce() {
        Glavna main(appContext());
        main.show();
        QAction* item = main.findChild<QAction*>(QStringLiteral("M3_1"));
        QVERIFY(item && item->isEnabled());
        item->trigger();
        Navodila* manual = Navodila::instance();
        QVERIFY(manual && manual->isVisible());
        QVERIFY(!manual->isModal() && !QApplication::activeModalWidget());
        QCOMPARE(manual->browser()->source(), Navodila::homePage());
        QVERIFY(manual->browser()->toPlainText().contains(QStringLiteral("VALMIR 2009")));

        manual->close();
        item->trigger();
        QCOMPARE(Navodila::instance(), manual);
        QVERIFY(manual->isVisible());
        int manuals = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            manuals += w->objectName() == u"Navodila" && w->isVisible();
        QCOMPARE(manuals, 1);

        QStringList shown;
        Msg::setHook([&](const Msg::Shown& box) {
            shown << box.title + u'|' + box.text;
            return true;
        });
        QVERIFY(!Navodila::showManual(&main, QUrl(QStringLiteral("qrc:/help/ni.html"))));
        Msg::setHook({});
        QCOMPARE(shown, QStringList{HelpMessages::NotFound.title + u'|' +
                                    HelpMessages::NotFound.text});
        QVERIFY(manual->isVisible());
        QCOMPARE(manual->browser()->source(), Navodila::homePage());

        // Closing the main window ends the run, the open manual with it.
        const bool quitOnClose = QGuiApplication::quitOnLastWindowClosed();
        QGuiApplication::setQuitOnLastWindowClosed(true);
        bool ended = true;
        QTimer::singleShot(0, &main, &QWidget::close);
        QTimer::singleShot(5000, qApp, [&ended] {
            ended = false;
            QCoreApplication::quit();
        });
        QApplication::exec();
        QGuiApplication::setQuitOnLastWindowClosed(quitOnClose);
        QVERIFY(ended);
    }

    // The contents list, the links, "Nazaj", "Naprej" (also Alt+Left)
    // and "Domov" lead where they say, and the contents list follows.
    void navigates() {
        Glavna main(appContext());
        main.show();
        Navodila* manual = Navodila::showManual(&main);
        QVERIFY(manual);
        QVERIFY(QTest::qWaitForWindowActive(manual));
        QTextBrowser* browser = manual->browser();
        auto action = [manual](const char* name) {
            return manual->findChild<QAction*>(QString::fromLatin1(name));
        };
        const QList<QUrl> pages = Navodila::contentsPages();
        const QUrl racun = pages.at(4), izracun = pages.at(8);

        QTreeWidgetItemIterator it(manual->contents());
        while (*it && (*it)->data(0, Qt::UserRole).toUrl() != racun)
            ++it;
        QVERIFY(*it);
        QTreeWidget* contents = manual->contents();
        QTest::mouseClick(contents->viewport(), Qt::LeftButton, {},
                          contents->visualItemRect(*it).center());
        QCOMPARE(browser->source(), racun);
        const QUrl example(izracun.toString() + QStringLiteral("#primer"));
        browser->setSource(example);
        QCOMPARE(manual->contents()->currentItem()->data(0, Qt::UserRole).toUrl(), izracun);

        QVERIFY(action("backAction")->isEnabled());
        QTest::keyClick(browser, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(browser->source(), racun);
        action("forwardAction")->trigger();
        QCOMPARE(browser->source(), example);
        action("homeAction")->trigger();
        QCOMPARE(browser->source(), Navodila::homePage());
        QCOMPARE(manual->contents()->currentItem()->data(0, Qt::UserRole).toUrl(),
                 Navodila::homePage());
    }

    void pageIsWhole_data() {
        QTest::addColumn<QString>("page");
        for (const QString& page : resourceFiles(QStringLiteral("*.html")))
            QTest::newRow(qPrintable(page.mid(Folder.size() + 1))) << page;
    }
    // Every link of a page leads to a page of the manual and to an anchor
    // that page has, every picture is there, and the page is in the
    // contents list.
    void pageIsWhole() {
        QFETCH(QString, page);
        const QUrl url = pageUrl(page);
        QVERIFY(Navodila::contentsPages().contains(url));
        const PageParts parts = partsOf(url);
        for (const QString& link : parts.links) {
            const QUrl target = url.resolved(QUrl(link));
            QVERIFY2(target.scheme() == u"qrc", qPrintable(link));
            QVERIFY2(QFile::exists(resourcePath(target)), qPrintable(link));
            if (target.hasFragment())
                QVERIFY2(partsOf(target.adjusted(QUrl::RemoveFragment))
                             .anchors.contains(target.fragment()),
                         qPrintable(link));
        }
        for (const QString& image : parts.images)
            QVERIFY2(!QImage(resourcePath(url.resolved(QUrl(image)))).isNull(),
                     qPrintable(image));
    }

    // Every entry of the contents list is a page, and every picture
    // shipped is shown on some page.
    void contentsAndPicturesComplete() {
        QStringList shown;
        for (const QUrl& page : Navodila::contentsPages()) {
            QVERIFY2(QFile::exists(resourcePath(page)), qPrintable(page.toString()));
            for (const QString& image : partsOf(page).images)
                shown << resourcePath(page.resolved(QUrl(image)));
        }
        const QStringList pictures = resourceFiles(QStringLiteral("*.png"));
        QVERIFY(!pictures.isEmpty());
        for (const QString& picture : pictures)
            QVERIFY2(shown.contains(picture), qPrintable(picture));
    }
};

QTEST_MAIN(TestNavodila)
#include "tst_navodila.moc"
