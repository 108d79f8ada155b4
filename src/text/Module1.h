#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace valmir {

// Conversions for values read from the database (Null is a null QVariant).
QString AmountText(const QVariant& value);
QString NullTrim(const QVariant& value);
QString NullToStr(const QVariant& value);
QVariant NullToZero(const QVariant& value);
double NumberOrZero(const QVariant& value);
QVariant NumberOrNull(const QVariant& value);
double RoundCents(double x);

// The number a value holds, if it is numeric: a number, or a text that
// reads as one under the rules for typed numbers.
std::optional<double> numericValue(const QVariant& value);

} // namespace valmir
