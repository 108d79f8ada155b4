#include "windows/Calendar.h"

#include "text/Clock.h"
#include "text/TextForms.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QVBoxLayout>

namespace valmir {

Calendar::Calendar(QLineEdit* target, QWidget* parent)
    : QDialog(parent), m_calendar(new QCalendarWidget(this)), m_target(target) {
    setObjectName(QStringLiteral("Calendar"));
    setWindowTitle(QStringLiteral("Koledar"));
    setModal(true);
    m_calendar->setObjectName(QStringLiteral("Calendar1"));
    m_calendar->setLocale(appLocale());
    m_calendar->setFirstDayOfWeek(Qt::Monday);
    m_calendar->setGridVisible(true);
    m_calendar->setMinimumSize(320, 220);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_calendar);
    // A click on a day picks it, and so do Enter and a double click; moving
    // with the arrow keys only browses.
    connect(m_calendar, &QCalendarWidget::clicked, this, &Calendar::pick);
    connect(m_calendar, &QCalendarWidget::activated, this, &Calendar::pick);
    // It opens on the day in the box; on today when the box holds none.
    const std::optional<QDate> shown = m_target ? readDate(m_target->text()) : std::nullopt;
    m_calendar->setSelectedDate(shown && shown->isValid() ? *shown : today());
    m_calendar->setFocus();
}

QLineEdit* Calendar::targetFor(int calendarTarget, QLineEdit* editorDate, QLineEdit* purgeDate) {
    switch (calendarTarget) {
    case 0:
        return editorDate;
    case 1:
        return purgeDate;
    default:
        return nullptr;
    }
}

void Calendar::pick(const QDate& date) {
    if (!date.isValid())
        return;
    if (m_target)
        m_target->setText(dateText(date));
    accept();
}

} // namespace valmir
