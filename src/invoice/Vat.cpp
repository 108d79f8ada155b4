#include "invoice/Vat.h"

#include "text/Module1.h"
#include "text/TextForms.h"

namespace valmir {

namespace {

double storedOr(const QVariant& stored, double fallback) {
    return numericValue(stored).value_or(fallback);
}

// The factor is taken first, so that 20 % gives the product with 0.2 that
// invoices priced before the rate was a setting were rounded from.
double vatOf(double base, double percent) { return RoundCents(base * (percent / 100)); }

} // namespace

double invoiceVatPercent(const QVariant& stored) { return storedOr(stored, FormerVatPercent); }

double settingsVatPercent(const QVariant& stored) { return storedOr(stored, DefaultVatPercent); }

InvoiceTotals invoiceTotals(double base, double percent) {
    InvoiceTotals t;
    t.base = RoundCents(base);
    t.vat = vatOf(t.base, percent);
    t.toPay = RoundCents(t.base + t.vat);
    return t;
}

QString vatCaption(double percent) {
    return QStringLiteral("DDV (") + localeNumberText(percent) + QStringLiteral("%)");
}

} // namespace valmir
