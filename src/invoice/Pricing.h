#pragma once

#include "invoice/Vat.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace valmir {

class Database;
class Recordset;

// Line kinds by service number (TS1).
constexpr double OtherLinesFrom = 90;   // TS1 >= 90: amount typed, no points
constexpr double ExpenseService = 91;   // excludes the lump-sum option
constexpr double LumpSumService = 7777; // the lump-sum line
constexpr qint64 LumpSumTariffId = -1;
constexpr double MaxSurcharge = 50;
constexpr double MaxLumpSumPercent = 10;
constexpr double UnifiedReportFactor = 0.7;
// The largest line amount and VAT base priced, in euro (either sign). A
// calculation beyond it is refused as too large, so that the cents of every
// kept sum, the unpaid total of all invoices included, fit in 64 bits.
constexpr double MaxAmount = 1'000'000'000;

// A service line priced: points x quantity x point value, with its
// surcharge (at most 50 %) and the 70 % of a unified report, rounded to
// cents once. The editor, the kept totals and the document all price a
// service line with this, so that the printed line is the one added up.
struct ServiceAmount {
    double amount = 0;   // rounded to cents
    double points = 0;   // points x quantity, without surcharge or factor
    bool capped = false; // the surcharge was above 50 %
};
ServiceAmount serviceAmount(const QVariant& points, const QVariant& quantity,
                            const QVariant& surcharge, bool report, double pointValue,
                            bool unifiedReport);

// The amount of a line that is not priced by points (an expense typed, the
// lump sum) as it is printed and added: rounded to cents.
double roundedAmount(const QVariant& amount);

// What the editor's pricing controls hold when the recalculation runs.
struct PricingInput {
    QString pointValueText;                // Text2; not numeric prices every service line at 0
    bool lumpSum = false;                  // Check2 ticked
    QString percentText;                   // Text3
    bool unifiedReport = false;            // Check1 ticked
    double vatPercent = DefaultVatPercent; // the invoice's own rate
};

struct PricingResult {
    bool ok = true;
    QString error;                // why nothing was written
    bool overflow = false;        // an amount beyond what a number holds, not the engine
    double points = 0;            // P: points x quantity of the service lines
    double servicesTotal = 0;     // S
    double total = 0;             // T, the VAT base } the invoice's totals
    double vat = 0;               // V at its rate    } (invoiceTotals), each
    double toPay = 0;             // T + V            } rounded to cents
    double lumpSumAmount = 0;     // unrounded lump-sum amount (0 without the line)
    QString percentText;          // Text3 as it must stand afterwards ("10" when reset)
    bool percentCapped = false;   // show "Proccent pavšalnega ..." / "Požrešneš"
    bool surchargeCapped = false; // show "Povišek je omejen ..." / "Previsoki poviški"
};

// Prices every line of the working table, visiting the rows of `lines` (a
// table record set over tblTarifePregled ordered by the index Red) and
// writing each line's amount through it, all in one transaction of the
// work database. Afterwards `lines` stands on its first row.
// On a row that could not be read, a failed write, a line amount or the
// VAT base beyond MaxAmount, or a VAT or sum to pay beyond what a number
// can hold (it would show as "inf"), nothing is written: ok is false,
// error says why (overflow tells the amounts), the totals are 0 and
// `lines` stands on its first row as the rollback left it. percentText and
// percentCapped are valid in either case. Typed amounts are written back
// rounded to cents.
PricingResult recalculate(Recordset& lines, const PricingInput& input);

// One stored line as the recalculation sees it: the service it belongs to
// (LumpSumService for the lump-sum line) and the report flag of its
// operation, its points, quantity and surcharge, and the amount typed on
// lines that are not priced by points.
struct LineToPrice {
    double ts1 = 0;
    bool report = false;
    QVariant points;
    QVariant quantity;
    QVariant surcharge;
    QVariant amount;
};

// The totals that recalculate() would give for these lines,
// without writing anything (for invoices that are not open in the editor).
// With lumpSum ticked the lump-sum line's amount follows from the service
// lines, as in the editor. Not ok (overflow) where recalculate() would
// refuse the amounts.
PricingResult priceLines(const QList<LineToPrice>& lines, const PricingInput& input);

// Captions of the totals.
QString pointsCaption(double points); // "#0" and two blanks
QString moneyCaption(double amount);  // currency form and one blank

// The plausibility check of the unified-report option (70 %): which
// question, if any, to ask before saving or printing.
enum class UnifiedReportQuestion {
    None,
    AskTick,  // "Ali si izdelal en elaborat in bi pravzaprav rad odkljukal 70 %?"
    AskUntick // "Na računu je samo ena geodetska storitev. Si mogoče 70 % ..."
};
// Walks the lines; afterwards `lines` stands on its first row.
UnifiedReportQuestion checkUnifiedReport(Recordset& lines, bool unifiedReportTicked);

// "Vsem": gives every service line the surcharge of the first line of
// `lines` (Null stays Null). The caller recalculates afterwards. `lines`
// stands on its first row. False on an engine error (the first row could
// not be read, or the writing failed); a first surcharge that is no number
// changes nothing.
bool surchargeToAll(Recordset& lines);

} // namespace valmir
