#pragma once

#include <QDate>
#include <QString>

#include <optional>

namespace valmir {

// The number proposed for a new invoice: the year, "/" and the counter
// with at least three digits (2009/007, 2009/1234).
QString proposeNumber(int year, double counter);

// The number proposed for a new quote: "P", the year, "/" and the quote
// counter with at least three digits (P2026/001).
QString proposeQuoteNumber(int year, double counter);

// The counter a new invoice of `year` is numbered with: the stored one,
// or 1 when the office starts again each year and the counter is of a
// year before. The counter's year (0: not known, in files of before) is
// that of the number that last moved it, or the one it was set in; when
// it is not known, the newest invoice's date (`lastDate`, invalid when
// there is none) tells.
double counterForYear(double counter, bool restartEachYear, int counterYear, const QDate& lastDate,
                      int year);

// The year a number such as "2027/001" (or the quote's "P2027/001") belongs
// to: the whole number before its "/", when it is one (1900 to 9999); 0
// otherwise.
int numberYear(const QString& number);

// The counter after an invoice with this number was saved: the leading
// number of the text after the first "/", plus one. A number without "/"
// leaves the counter as it is (no value).
std::optional<double> nextCounter(const QString& number);

} // namespace valmir
