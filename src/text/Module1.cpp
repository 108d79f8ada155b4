#include "text/Module1.h"

#include "text/TextForms.h"

#include <QDate>

#include <cmath>

namespace valmir {

std::optional<double> numericValue(const QVariant& value) {
    if (value.isNull() || !value.isValid())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? -1.0 : 0.0; // a Yes/No counts as -1/0, as it always did
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QString:
        return readNumber(value.toString());
    default:
        return std::nullopt;
    }
}

QString AmountText(const QVariant& value) {
    double amount = NumberOrZero(value);
    if (amount == 0)
        return {};
    QString text = currencyText(amount).trimmed();
    int blank = -1;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i).isSpace()) { // also the no-break space before "€"
            blank = i;
            break;
        }
    }
    return blank < 0 ? text : text.left(blank);
}

QString NullTrim(const QVariant& value) {
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDate)
        return dateText(value.toDate());
    if (auto n = numericValue(value);
        n && value.typeId() != QMetaType::QString && value.typeId() != QMetaType::Bool)
        return localeNumberText(*n);
    return value.toString().trimmed();
}

QString NullToStr(const QVariant& value) {
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return dateText(value.toDate());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QString:
        return value.toString();
    default:
        if (auto n = numericValue(value))
            return numberText(*n);
        return value.toString();
    }
}

QVariant NullToZero(const QVariant& value) {
    if (value.isNull())
        return 0;
    return value;
}

double NumberOrZero(const QVariant& value) {
    auto n = numericValue(value);
    return n ? *n : 0.0;
}

QVariant NumberOrNull(const QVariant& value) {
    auto n = numericValue(value);
    if (!n || *n == 0)
        return {};
    return *n;
}

double RoundCents(double x) { return std::floor(x * 100 + 0.5) / 100; }

} // namespace valmir
