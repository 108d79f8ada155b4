#pragma once

#include <QByteArray>

namespace valmir {

struct YearTurnover;

// The table of a year's turnover for the accountant: UTF-8 with a
// byte-order mark, fields separated by ";", amounts with a decimal comma
// and no grouping, lines ended by CR LF, so that a spreadsheet in
// Slovenian settings reads the amounts as numbers. A header line, the
// twelve months, the year's sums, and the invoices without a date when
// there are any.
QByteArray turnoverCsv(const YearTurnover& turnover);

} // namespace valmir
