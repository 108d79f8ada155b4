#include "invoice/InvoiceFields.h"

#include "text/Module1.h"
#include "text/TextForms.h"

#include <QDate>

#include <cmath>

namespace valmir {

QString numberBoxText(const QVariant& value) {
    const QVariant v = NullToZero(value);
    if (auto n = numericValue(v); n && v.typeId() != QMetaType::QString)
        return localeNumberText(*n);
    return v.toString().trimmed();
}

QString boxText(const QVariant& stored, BoxForm form) {
    switch (form) {
    case BoxForm::Date:
        return stored.typeId() == QMetaType::QDate ? dateText(stored.toDate()) : NullToStr(stored);
    case BoxForm::Validity:
        return numberBoxText(stored);
    case BoxForm::Text:
        break;
    }
    return NullTrim(stored);
}

QVariant dueDate(const QVariant& date, const QVariant& validity) {
    const QDate day = date.toDate();
    const double days = std::max(0.0, NumberOrZero(validity));
    // Beyond the calendar's reach there is no date to fall due on.
    if (!day.isValid() || !(days < 1e6))
        return {};
    return day.addDays(qint64(std::floor(days)));
}

QVariant storedValue(const QString& text, BoxForm form) {
    switch (form) {
    case BoxForm::Date:
        if (std::optional<QDate> d = readDate(text))
            return *d;
        return {};
    case BoxForm::Validity:
        // What the box showed reads back whole ("7,5", "−5"); what a user
        // typed may trail words after the number.
        return readNumber(text).value_or(leadingNumber(text));
    case BoxForm::Text:
        break;
    }
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace valmir
