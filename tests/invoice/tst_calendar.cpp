// The calendar: a picked day goes into the box its opener chose.

#include "tst_racun_support.h"

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

class TestCalendar : public FixtureTest {
    Q_OBJECT
private Q_SLOTS:
    // Enter is driven through the editor's date button below.
    void clickPicksBrowsingDoesNot() {
        QLineEdit target(QStringLiteral("staro"));
        Calendar calendar(&target);
        calendar.show();
        auto* widget = calendar.findChild<QCalendarWidget*>("Calendar1");
        auto* view = widget->findChild<QTableView*>();
        QTest::keyClick(view, Qt::Key_Right);
        QTest::keyClick(view, Qt::Key_Down);
        QVERIFY(calendar.isVisible());
        QCOMPARE(target.text(), QString("staro"));
        Q_EMIT widget->clicked(QDate(2010, 1, 31));
        QVERIFY(!calendar.isVisible());
        QCOMPARE(calendar.result(), int(QDialog::Accepted));
        QCOMPARE(target.text(), QString("31.1.2010"));

        // The purge dialog's box is the calendar's when CalendarTarget says 1.
        QCOMPARE(Calendar::targetFor(1, nullptr, &target), &target);
        // Without a box the pick writes nowhere, and still closes.
        Calendar nowhere(nullptr);
        QTimer::singleShot(0, &nowhere, [&] { pickByKeyboard(&nowhere, QDate(2009, 1, 2)); });
        QCOMPARE(nowhere.exec(), int(QDialog::Accepted));
    }

    void editorDateButton() {
        Session s;
        CalendarTarget = 5;
        QVERIFY(s.e);
        s.watcher.dialogs["Calendar"] = [](QWidget* w) { pickByKeyboard(w, QDate(2009, 2, 28)); };
        click(s.e, "Command7");
        QCOMPARE(CalendarTarget, 0);
        QCOMPARE(text(s.e, "Text1_8"), QString("28.2.2009"));
        QCOMPARE(s.e->focusWidget(), box(s.e, "Text1_8"));
        QVERIFY(s.e->isModified());
    }
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
