#include "invoice/Vat.h"

#include "app/Module1.h"
#include "text/TextForms.h"

namespace valmir {

namespace {

double storedOr(const QVariant& stored, double fallback) {
    return numericValue(stored).value_or(fallback);
}

} // namespace

double invoiceVatPercent(const QVariant& stored) { return storedOr(stored, FormerVatPercent); }

double settingsVatPercent(const QVariant& stored) { return storedOr(stored, DefaultVatPercent); }

// The factor is taken first, so that 20 % gives the product with 0.2 that
// invoices priced before the rate was a setting were rounded from.
double unroundedVat(double base, double percent) { return base * (percent / 100); }

double vatAmount(double base, double percent) { return RoundCents(unroundedVat(base, percent)); }

InvoiceTotals invoiceTotals(double base, double percent) {
    InvoiceTotals t;
    t.base = base;
    t.vat = vatAmount(base, percent);
    t.toPay = t.base + t.vat;
    return t;
}

QString vatCaption(double percent) {
    return QStringLiteral("DDV (") + localeNumberText(percent) + QStringLiteral("%)");
}

} // namespace valmir
