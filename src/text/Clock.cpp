#include "text/Clock.h"

namespace valmir {

namespace {
QDate g_today;
}

QDate today() { return g_today.isValid() ? g_today : QDate::currentDate(); }
void setTodayForTest(const QDate& date) { g_today = date; }

} // namespace valmir
