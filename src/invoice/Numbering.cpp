#include "invoice/Numbering.h"

#include "text/TextForms.h"

#include <cmath>

namespace valmir {

QString proposeNumber(int year, double counter) {
    // The counter is written as a whole number with at least three digits,
    // rounded as the settings window shows it.
    qint64 n = std::llround(counter);
    QString digits = QString::number(std::llabs(n)).rightJustified(3, u'0');
    if (n < 0)
        digits.prepend(u'-');
    return plainNumberText(year) + u'/' + digits;
}

QString proposeQuoteNumber(int year, double counter) { return u'P' + proposeNumber(year, counter); }

double counterForYear(double counter, bool restartEachYear, int counterYear, const QDate& lastDate,
                      int year) {
    if (!restartEachYear)
        return counter;
    const bool before =
        counterYear > 0 ? counterYear < year : lastDate.isValid() && lastDate.year() < year;
    return before ? 1 : counter;
}

int numberYear(const QString& number) {
    const int slash = number.indexOf(u'/');
    bool ok = false;
    QString before = number.left(std::max(slash, 0)).trimmed();
    if (before.startsWith(u'P'))
        before.remove(0, 1);
    const int year = slash > 0 ? before.toInt(&ok) : 0;
    return ok && year >= 1900 && year <= 9999 ? year : 0;
}

std::optional<double> nextCounter(const QString& number) {
    int slash = number.indexOf(u'/');
    if (slash < 0)
        return std::nullopt;
    return leadingNumber(number.mid(slash + 1)) + 1;
}

} // namespace valmir
