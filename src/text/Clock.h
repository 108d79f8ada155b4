#pragma once

#include <QDate>

namespace valmir {

// Today's date; tests set it so that proposed numbers and dates are fixed.
QDate today();
void setTodayForTest(const QDate& date); // an invalid date returns to the clock

} // namespace valmir
