#pragma once

#include <QDate>
#include <QString>

#include <optional>

namespace valmir {

// The number proposed for a new invoice: the year, "/" and the counter
// with at least three digits (2009/007, 2009/1234).
QString proposeNumber(int year, double counter);

// The counter a new invoice of `year` is numbered with: the stored one,
// or 1 when the office starts again each year and the newest invoice
// (`lastDate`, invalid when there is none) is of a year before.
double counterForYear(double counter, bool restartEachYear, const QDate& lastDate, int year);

// The counter after an invoice with this number was saved: the leading
// number of the text after the first "/", plus one. A number without "/"
// leaves the counter as it is (no value).
std::optional<double> nextCounter(const QString& number);

} // namespace valmir
