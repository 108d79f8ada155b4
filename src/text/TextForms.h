#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

#include <optional>

namespace valmir {

// The locale the program speaks: the system's, or Slovenian where the
// system has none (the C/POSIX locale).
QLocale appLocale();

// A number typed by the user or shown by the program: blanks around it,
// an optional sign ("-", "+" or the minus U+2212 that the locale writes),
// digits with one decimal separator, the locale's or ".", and an optional
// trailing "€". Digit grouping is read only where it cannot be taken for a
// decimal point: before the locale's decimal separator ("1.234,50") or as
// several well-formed groups ("1.234.567"); a lone "1.234" stays 1.234.
std::optional<double> readNumber(const QString& text);
bool isNumeric(const QString& text);

// The leading number of a text: leading blanks skipped, an optional sign
// ("-", "+" or U+2212), digits with at most one "." as decimal point; reading stops at the first
// other character. A text without a leading number gives 0.
double leadingNumber(const QString& text);

// Dates: written d.M.yyyy; read back from that form, "5. 12. 2009",
// "05.12.2009" and ISO "2009-12-05". An impossible day is no date.
std::optional<QDate> readDate(const QString& text);
QString dateText(const QDate& date);

// Money as the user reads it, "1.234,50 €" in Slovenian (the blank before
// the symbol is a no-break space), with a minus sign for negatives.
QString currencyText(double amount);

// A count as the user reads it, grouped by the locale: "100.000".
QString countText(qint64 count);

// A number in the program's plain form: "." as decimal point, no grouping,
// no zero before the point of a value between -1 and 1 (".5", "-.5").
// numberText() puts one blank in front of a number that is not negative.
QString plainNumberText(double value);
QString numberText(double value);

// A number as a text box shows it: the locale's decimal separator, no
// grouping ("0,75" in Slovenian), so that readNumber() reads it back.
QString localeNumberText(double value);

} // namespace valmir
