#pragma once

#include <QDialog>

class QCalendarWidget;
class QLineEdit;

namespace valmir {

// The calendar "Koledar": picking a day writes it as d.M.yyyy into the box
// its opener gave and closes. Without a box the pick writes nowhere.
class Calendar : public QDialog {
    Q_OBJECT
public:
    explicit Calendar(QLineEdit* target, QWidget* parent = nullptr);

    // The box CalendarTarget points at: 0 the invoice editor's date box,
    // 1 the purge dialog's, anything else none.
    static QLineEdit* targetFor(int calendarTarget, QLineEdit* editorDate, QLineEdit* purgeDate);

private:
    void pick(const QDate& date);

    QCalendarWidget* m_calendar;
    QLineEdit* m_target;
};

} // namespace valmir
