// The calendar: a picked day goes into the box its opener chose.

#include "tst_racun_support.h"

#include "app/Module1.h"
#include "text/TextForms.h"
#include "invoice/Calendar.h"

#include <QCalendarWidget>
#include <QTableView>

using namespace valmir;
using namespace valmir::test;

namespace {

// Picks a day in an open calendar with the keyboard: Enter picks.
void pickByKeyboard(QWidget* calendarWindow, const QDate& date) {
    auto* calendar = calendarWindow->findChild<QCalendarWidget*>("Calendar1");
    calendar->setSelectedDate(date);
    QTest::keyClick(calendar->findChild<QTableView*>(), Qt::Key_Return);
}

} // namespace

class TestCalendar : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void targetFollowsCalendarTarget() {
        QLineEdit editorDate, purgeDate;
        QCOMPARE(Calendar::targetFor(0, &editorDate, &purgeDate), &editorDate);
        QCOMPARE(Calendar::targetFor(1, &editorDate, &purgeDate), &purgeDate);
        QCOMPARE(Calendar::targetFor(2, &editorDate, &purgeDate), nullptr);
        QCOMPARE(Calendar::targetFor(-1, &editorDate, &purgeDate), nullptr);
    }

    // Enter is driven through the editor's date button below.
    void clickPicksADay() {
        QLineEdit target(QStringLiteral("staro"));
        Calendar second(&target);
        QCOMPARE(second.windowTitle(), QString("Koledar"));
        auto* widget = second.findChild<QCalendarWidget*>("Calendar1");
        QTimer::singleShot(0, &second, [&] { Q_EMIT widget->clicked(QDate(2010, 1, 31)); });
        QCOMPARE(second.exec(), int(QDialog::Accepted));
        QCOMPARE(target.text(), QString("31.1.2010"));
    }

    void browsingDoesNotPick() {
        QLineEdit target(QStringLiteral("ostane"));
        Calendar calendar(&target);
        calendar.show();
        auto* view = calendar.findChild<QCalendarWidget*>("Calendar1")->findChild<QTableView*>();
        QTest::keyClick(view, Qt::Key_Right);
        QTest::keyClick(view, Qt::Key_Down);
        QVERIFY(calendar.isVisible());
        QCOMPARE(target.text(), QString("ostane"));
    }

    void withoutTargetWritesNowhere() {
        Calendar calendar(nullptr);
        QTimer::singleShot(0, &calendar, [&] { pickByKeyboard(&calendar, QDate(2009, 1, 2)); });
        QCOMPARE(calendar.exec(), int(QDialog::Accepted));
    }

    void editorDateButton() {
        Fixture fixture;
        QVERIFY(fixture.start());
        auto list = invoiceList();
        OpenMode = 0;
        CalendarTarget = 5;
        Racun editor(appContext(), list.get());
        QVERIFY(showAndSettle(editor));
        ModalWatcher watcher;
        watcher.dialogs["Calendar"] = [](QWidget* w) { pickByKeyboard(w, QDate(2009, 2, 28)); };
        click(&editor, "Command7");
        QCOMPARE(CalendarTarget, 0);
        QCOMPARE(text(&editor, "Text1_8"), QString("28.2.2009"));
        QCOMPARE(editor.focusWidget(), box(&editor, "Text1_8"));
        QVERIFY(editor.isModified());
    }
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
