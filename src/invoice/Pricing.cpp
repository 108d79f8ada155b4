#include "invoice/Pricing.h"

#include "app/Module1.h"
#include "text/TextForms.h"
#include "data/Database.h"
#include "data/Recordset.h"

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
// on the document; such a line is refused instead of being stored.
QString overflowText() {
    return QStringLiteral("Znesek je prevelik za izračun. Preverite količine, točke in poviške.");
}

bool finite(double x) { return std::isfinite(x); }

struct Sums {
    double S = 0; // service lines
    double T = 0; // all lines
    double P = 0; // points of service lines
    double lumpSum = 0;
    bool tooHigh = false;
};

// Prices one service line and writes its amount (and a capped surcharge).
bool priceServiceLine(Recordset& lines, double p, bool unified, Sums& sums, QString* error) {
    const double t = NumberOrZero(lines.field(QStringLiteral("Tocke")));
    const double k = NumberOrZero(lines.field(QStringLiteral("Kolicina")));
    double s = NumberOrZero(lines.field(QStringLiteral("Povisek")));
    const bool capped = s > MaxSurcharge;
    if (capped) {
        s = MaxSurcharge;
        sums.tooHigh = true;
    }
    const bool report = lines.field(QStringLiteral("70proc")).toBool();
    const double f = (unified && report) ? UnifiedReportFactor : 1.0;
    const double a = RoundCents(t * k * p * (1 + s / 100) * f);
    const double points = t * k;
    if (!finite(a) || !finite(points)) {
        *error = overflowText();
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

// Other lines carry a typed amount and no points; the lump-sum line's
// amount follows from the services above it (it sorts last by Red).
bool priceOtherLine(Recordset& lines, double ts1, double q, Sums& sums) {
    double a = NumberOrZero(lines.field(QStringLiteral("znesek")));
    if (!lines.edit())
        return false;
    lines.setField(QStringLiteral("Tocke"), QVariant());
    lines.setField(QStringLiteral("Kolicina"), QVariant());
    lines.setField(QStringLiteral("Povisek"), QVariant());
    if (ts1 == LumpSumService) {
        sums.lumpSum = q * sums.S / 100;
        a = RoundCents(sums.lumpSum);
        lines.setField(QStringLiteral("znesek"), a);
    }
    if (!lines.update())
        return false;
    sums.T += a;
    return true;
}

PricingResult failed(PricingResult r, const QString& error) {
    r.ok = false;
    r.error = error;
    r.points = r.servicesTotal = r.total = r.vat = r.lumpSumAmount = 0;
    return r;
}

// Visits every row in the record set's order and writes its amount, in one
// transaction: either every line is priced or none is.
bool priceAllLines(Recordset& lines, const PricingInput& input, double p, double q, Sums& sums,
                   QString* error) {
    Database& work = lines.database();
    Transaction tx(work);
    if (!tx.active()) {
        *error = work.lastError();
        return false;
    }
    bool ok = true;
    for (lines.moveFirst(); ok && !lines.eof(); lines.moveNext()) {
        const double ts1 = NumberOrZero(lines.field(QStringLiteral("TS1")));
        ok = ts1 < OtherLinesFrom ? priceServiceLine(lines, p, input.unifiedReport, sums, error)
                                  : priceOtherLine(lines, ts1, q, sums);
    }
    if (ok && !finite(sums.T)) {
        ok = false;
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

PricingResult recalculate(Recordset& lines, const PricingInput& input) {
    PricingResult r;
    double q = 0;
    readPercent(input, r, &q);
    const double p = readNumber(input.pointValueText).value_or(0.0);

    Sums sums;
    QString error;
    if (!priceAllLines(lines, input, p, q, sums, &error)) {
        // Rolled back by now; the record set must forget the values it read
        // from the rows that were written meanwhile.
        lines.requery();
        return failed(r, error);
    }
    lines.moveFirst();

    r.points = sums.P;
    r.servicesTotal = sums.S;
    r.total = sums.T;
    r.vat = RoundCents(sums.T * VatRate);
    r.lumpSumAmount = sums.lumpSum;
    r.surchargeCapped = sums.tooHigh;
    return r;
}

QString pointsCaption(double points) {
    double whole = std::round(points);
    if (whole == 0)
        whole = 0; // no "-0"
    return QString::number(whole, 'f', 0) + QStringLiteral("  ");
}

QString moneyCaption(double amount) { return currencyText(amount) + u' '; }

QString lumpSumDescription(const QString& percentText) {
    return QStringLiteral("Ostali stroški v pavšalni vrednosti ") + percentText +
           QStringLiteral(" % geodetske storitve");
}

bool toggleLumpSumLine(Database& work, double lumpSumAmount, const QString& percentText, bool* ok) {
    auto report = [&](bool success) {
        if (ok)
            *ok = success;
    };
    QVariant count =
        work.scalar(QStringLiteral("SELECT count(*) FROM tblTarifePregled WHERE ID_tarifa=?"),
                    {LumpSumTariffId});
    if (count.isNull()) {
        report(false);
        return false;
    }
    if (count.toLongLong() > 0) {
        report(work.execute(QStringLiteral("DELETE FROM tblTarifePregled WHERE ID_tarifa=?"),
                            {LumpSumTariffId}));
        return false;
    }
    const bool added = work.execute(
        QStringLiteral("INSERT INTO tblTarifePregled (ID_tarifa, Tocke, Kolicina, Povisek, znesek, "
                       "TarifnaStevilka, TS1, TS2, \"70proc\", GeodetskaStoritev, Master) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {LumpSumTariffId, QVariant(), QVariant(), QVariant(), RoundCents(lumpSumAmount),
         QStringLiteral(""), LumpSumService, 1.0, false, lumpSumDescription(percentText), false});
    report(added);
    return added;
}

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
    const QVariant v = lines.field(QStringLiteral("Povisek"));
    Database& work = lines.database();
    bool ok = false;
    if (v.isNull()) {
        ok = work.execute(
            QStringLiteral("UPDATE tblTarifePregled SET Povisek = Null  WHERE TS1<90"));
    } else if (std::optional<double> value = numericValue(v)) {
        ok = work.execute(QStringLiteral("UPDATE tblTarifePregled SET Povisek = ? WHERE TS1<90"),
                          {*value});
    } else {
        work.setError(QStringLiteral("Povišek prve vrstice ni število."));
    }
    // The rows changed behind the record set's back: read them afresh.
    lines.requery();
    return ok;
}

} // namespace valmir
