#pragma once

#include <QString>
#include <QVariant>

namespace valmir {

// The VAT rate in percent. Each invoice keeps the rate it was priced with
// (tblRacun.StopnjaDDV), so that a change of the rate in the settings
// (tblNastavitve.StopnjaDDV) never changes an invoice already made.

// Slovenia's general rate since 1 July 2013: a new database starts with it,
// and a setting without a value means it.
inline constexpr double DefaultVatPercent = 22;
// The rate of the invoices made before the rate was stored with them.
inline constexpr double FormerVatPercent = 20;

// The rate of a stored invoice; Null (an invoice from before) is 20 %.
double invoiceVatPercent(const QVariant& stored);
// The rate of the settings, for a new invoice; Null is 22 %.
double settingsVatPercent(const QVariant& stored);

// The VAT of a base, rounded to cents.
double vatAmount(double base, double percent);
// The VAT of a base, not rounded (the document's own sums).
double unroundedVat(double base, double percent);

// The totals kept with an invoice (tblRacun.Osnova, DDV, ZaPlacilo): the
// VAT base, its VAT rounded to cents, and the sum to pay.
struct InvoiceTotals {
    double base = 0;
    double vat = 0;
    double toPay = 0;
};
InvoiceTotals invoiceTotals(double base, double percent);

// "DDV (22%)", "DDV (9,5%)": the caption of the VAT in the editor and the
// document, the rate in the locale's form without needless decimals.
QString vatCaption(double percent);

} // namespace valmir
