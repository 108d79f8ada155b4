#include "invoice/Pricing.h"

#include "data/Database.h"
#include "data/Recordset.h"
#include "text/Messages.h"
#include "text/Module1.h"
#include "text/TextForms.h"

#include <cmath>

namespace valmir {

namespace {

const QString DefaultPercent = QStringLiteral("10");

// The lump-sum percentage as the recalculation must use it, and the text
// that Text3 has to show afterwards.
void readPercent(const PricingInput& input, PricingResult& r, double* q) {
    r.percentText = input.percentText;
    *q = 0;
    if (!input.lumpSum)
        return;
    std::optional<double> value = readNumber(r.percentText);
    if (!value) {
        // Nothing usable typed: the default, without bothering the user.
        r.percentText = DefaultPercent;
        value = MaxLumpSumPercent;
    }
    *q = *value;
    if (*q > MaxLumpSumPercent) {
        *q = MaxLumpSumPercent;
        r.percentText = DefaultPercent;
        r.percentCapped = true;
    }
}

// Amounts beyond what a double holds would show as "inf" in the grid and
// on the document, and amounts beyond MaxAmount would overflow the cents of
// the kept sums; such a calculation is refused instead of being stored.
QString overflowText() { return Messages::AmountTooLarge.text; }

// Nothing is written from a row that could not be read: its fields would
// all be Null and price the line at 0.
bool rowRead(const Recordset& lines, QString* error) {
    if (!lines.readFailed())
        return true;
    *error = lines.lastError();
    return false;
}

bool finite(double x) { return std::isfinite(x); }

// Also false for NaN and infinity.
bool withinBound(double amount) { return std::abs(amount) <= MaxAmount; }

// The totals of the base, or false when the base is beyond MaxAmount or the
// VAT or the sum to pay beyond what a number holds (a rate typed absurdly).
bool totalsWithinBounds(double base, double vatPercent, InvoiceTotals* totals) {
    *totals = invoiceTotals(base, vatPercent);
    return withinBound(totals->base) && finite(totals->vat) && finite(totals->toPay);
}

struct Sums {
    double S = 0; // service lines
    double T = 0; // all lines
    double P = 0; // points of service lines
    double lumpSum = 0;
    bool tooHigh = false;
    bool overflow = false;
};

// Prices one service line and writes its amount (and a capped surcharge).
bool priceServiceLine(Recordset& lines, double p, bool unified, Sums& sums, QString* error) {
    const ServiceAmount priced =
        serviceAmount(lines.field(QStringLiteral("Tocke")), lines.field(QStringLiteral("Kolicina")),
                      lines.field(QStringLiteral("Povisek")),
                      lines.field(QStringLiteral("70proc")).toBool(), p, unified);
    if (!rowRead(lines, error))
        return false;
    const bool capped = priced.capped;
    sums.tooHigh = sums.tooHigh || capped;
    const double a = priced.amount;
    const double points = priced.points;
    if (!withinBound(a) || !finite(points)) {
        *error = overflowText();
        sums.overflow = true;
        return false;
    }
    if (!lines.edit())
        return false;
    lines.setField(QStringLiteral("znesek"), a);
    if (capped)
        lines.setField(QStringLiteral("Povisek"), MaxSurcharge);
    if (!lines.update())
        return false;
    sums.S += a;
    sums.P += points;
    sums.T += a;
    return true;
}

double lumpSumOf(double percent, double services) { return percent * services / 100; }

// Other lines carry a typed amount and no points; the lump-sum line's
// amount follows from the services above it (it sorts last by Red).
bool priceOtherLine(Recordset& lines, double ts1, double q, Sums& sums, QString* error) {
    const QVariant typed = lines.field(QStringLiteral("znesek"));
    if (!rowRead(lines, error))
        return false;
    double a = roundedAmount(typed);
    if (ts1 == LumpSumService) {
        sums.lumpSum = lumpSumOf(q, sums.S);
        a = RoundCents(sums.lumpSum);
    }
    if (!withinBound(a)) {
        *error = overflowText();
        sums.overflow = true;
        return false;
    }
    if (!lines.edit())
        return false;
    lines.setField(QStringLiteral("Tocke"), QVariant());
    lines.setField(QStringLiteral("Kolicina"), QVariant());
    lines.setField(QStringLiteral("Povisek"), QVariant());
    // A typed amount is kept in cents as it is printed; Null stays Null.
    if (ts1 == LumpSumService || !typed.isNull())
        lines.setField(QStringLiteral("znesek"), a);
    if (!lines.update())
        return false;
    sums.T += a;
    return true;
}

PricingResult failed(PricingResult r, const QString& error, bool overflow) {
    r.ok = false;
    r.error = error;
    r.overflow = overflow;
    r.points = r.servicesTotal = r.total = r.vat = r.toPay = r.lumpSumAmount = 0;
    return r;
}

void setTotals(PricingResult& r, const Sums& sums, const InvoiceTotals& totals) {
    r.points = sums.P;
    r.servicesTotal = RoundCents(sums.S);
    r.total = totals.base;
    r.vat = totals.vat;
    r.toPay = totals.toPay;
    r.lumpSumAmount = sums.lumpSum;
}

// Visits every row in the record set's order and writes its amount, in one
// transaction: either every line is priced or none is.
bool priceAllLines(Recordset& lines, const PricingInput& input, double p, double q, Sums& sums,
                   InvoiceTotals* totals, QString* error) {
    Database& work = lines.database();
    Transaction tx(work);
    if (!tx.active()) {
        *error = work.lastError();
        return false;
    }
    lines.clearReadError();
    bool ok = true;
    for (lines.moveFirst(); ok && !lines.eof(); lines.moveNext()) {
        const double ts1 = NumberOrZero(lines.field(QStringLiteral("TS1")));
        ok = rowRead(lines, error) &&
             (ts1 < OtherLinesFrom ? priceServiceLine(lines, p, input.unifiedReport, sums, error)
                                   : priceOtherLine(lines, ts1, q, sums, error));
    }
    // Lines that each fit may still add up to more than the bound, and the
    // VAT and the sum to pay to more than a number holds.
    if (ok && !totalsWithinBounds(sums.T, input.vatPercent, totals)) {
        ok = false;
        sums.overflow = true;
        *error = overflowText();
    }
    if (ok)
        ok = tx.commit();
    if (!ok) {
        if (error->isEmpty())
            *error = work.lastError();
        lines.cancelUpdate();
    }
    return ok;
}

} // namespace

ServiceAmount serviceAmount(const QVariant& points, const QVariant& quantity,
                            const QVariant& surcharge, bool report, double pointValue,
                            bool unifiedReport) {
    const double t = NumberOrZero(points);
    const double k = NumberOrZero(quantity);
    double s = NumberOrZero(surcharge);
    ServiceAmount r;
    r.capped = s > MaxSurcharge;
    if (r.capped)
        s = MaxSurcharge;
    const double f = (unifiedReport && report) ? UnifiedReportFactor : 1.0;
    r.amount = RoundCents(t * k * pointValue * (1 + s / 100) * f);
    r.points = t * k;
    return r;
}

double roundedAmount(const QVariant& amount) { return RoundCents(NumberOrZero(amount)); }

PricingResult recalculate(Recordset& lines, const PricingInput& input) {
    PricingResult r;
    double q = 0;
    readPercent(input, r, &q);
    const double p = readNumber(input.pointValueText).value_or(0.0);

    Sums sums;
    InvoiceTotals totals;
    QString error;
    if (!priceAllLines(lines, input, p, q, sums, &totals, &error)) {
        // Rolled back by now; the engine has put the record set back too.
        lines.moveFirst();
        return failed(r, error, sums.overflow);
    }
    lines.moveFirst();

    setTotals(r, sums, totals);
    r.surchargeCapped = sums.tooHigh;
    return r;
}

PricingResult priceLines(const QList<LineToPrice>& lines, const PricingInput& input) {
    PricingResult r;
    double q = 0;
    readPercent(input, r, &q);
    const double p = readNumber(input.pointValueText).value_or(0.0);
    // The services come before the lump-sum line (it sorts last), whose
    // amount follows from them.
    Sums sums;
    bool fits = true;
    for (const LineToPrice& l : lines) {
        if (l.ts1 >= OtherLinesFrom)
            continue;
        const ServiceAmount priced =
            serviceAmount(l.points, l.quantity, l.surcharge, l.report, p, input.unifiedReport);
        fits = fits && withinBound(priced.amount);
        sums.S += priced.amount;
        sums.P += priced.points;
        sums.T += priced.amount;
    }
    for (const LineToPrice& l : lines) {
        if (l.ts1 < OtherLinesFrom)
            continue;
        double a = roundedAmount(l.amount);
        if (l.ts1 == LumpSumService) {
            sums.lumpSum = lumpSumOf(q, sums.S);
            a = RoundCents(sums.lumpSum);
        }
        fits = fits && withinBound(a);
        sums.T += a;
    }
    InvoiceTotals totals;
    if (!fits || !totalsWithinBounds(sums.T, input.vatPercent, &totals))
        return failed(r, overflowText(), true);
    setTotals(r, sums, totals);
    return r;
}

QString pointsCaption(double points) {
    double whole = std::round(points);
    if (whole == 0)
        whole = 0; // no "-0"
    return QString::number(whole, 'f', 0) + QStringLiteral("  ");
}

QString moneyCaption(double amount) { return currencyText(amount) + u' '; }

UnifiedReportQuestion checkUnifiedReport(Recordset& lines, bool unifiedReportTicked) {
    if (lines.recordCount() == 0)
        return UnifiedReportQuestion::None;
    int reportLines = 0;
    double firstService = 0;
    bool moreServices = false;
    for (lines.moveFirst(); !lines.eof(); lines.moveNext()) {
        if (lines.field(QStringLiteral("70proc")).toBool() &&
            NumberOrZero(lines.field(QStringLiteral("Kolicina"))) > 0)
            ++reportLines;
        const double ts1 = NumberOrZero(lines.field(QStringLiteral("TS1")));
        if (ts1 < OtherLinesFrom && ts1 != firstService) {
            if (firstService == 0)
                firstService = ts1;
            else
                moreServices = true;
        }
    }
    lines.moveFirst();
    // One report for several services is what the 70 % option is for;
    // anything else is probably a slip of the tick.
    const bool fits = moreServices && reportLines >= 2;
    if (fits && !unifiedReportTicked)
        return UnifiedReportQuestion::AskTick;
    if (unifiedReportTicked && !fits)
        return UnifiedReportQuestion::AskUntick;
    return UnifiedReportQuestion::None;
}

bool surchargeToAll(Recordset& lines) {
    if (lines.recordCount() == 0)
        return true;
    lines.moveFirst();
    lines.clearReadError();
    const QVariant v = lines.field(QStringLiteral("Povisek"));
    // Not read is not Null: nothing is spread from a row nobody saw.
    if (lines.readFailed())
        return false;
    Database& work = lines.database();
    bool ok = true;
    if (v.isNull())
        ok = work.execute(
            QStringLiteral("UPDATE tblTarifePregled SET Povisek = Null  WHERE TS1<90"));
    else if (std::optional<double> value = numericValue(v))
        ok = work.execute(QStringLiteral("UPDATE tblTarifePregled SET Povisek = ? WHERE TS1<90"),
                          {*value});
    // A first surcharge that is no number (stored before numbers were
    // checked) changes nothing. The engine tells the record set about the
    // rows the statement wrote.
    lines.moveFirst();
    return ok;
}

} // namespace valmir
