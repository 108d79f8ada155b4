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

// An invoice has one set of totals: the editor's labels, the printed
// document, its UPN QR code and the row kept in tblRacun (Osnova, DDV,
// ZaPlacilo, and from it the list, the status line and the turnover) all
// show these. The base is the sum of the line amounts as printed (each
// already rounded to cents), the VAT is rounded once from the base, and the
// sum to pay is base + VAT; each is rounded to cents here, so that the
// float noise of a sum (5.1800000001) never reaches a printed or kept value.
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
