#include "invoice/Turnover.h"

#include "data/Database.h"
#include "data/Recordset.h"

#include <QDate>

namespace valmir {

namespace {

// One statement for the months of a year (by the index on Datum) or for
// the invoices without a date. Unpaid is what the unpaid invoices still
// owe (their open amount: less their payments and credit notes), paid the
// rest of the sum. A quote is no turnover.
const QString Sums = QStringLiteral(
    "SELECT %1 AS Mesec, count(*) AS Racunov, total(Osnova) AS Osnova, total(DDV) AS DDV, "
    "total(ZaPlacilo) AS ZaPlacilo, "
    "total(ZaPlacilo) - total(CASE WHEN Placan THEN NULL ELSE Odprto END) AS Placano, "
    "total(CASE WHEN Placan THEN NULL ELSE Odprto END) AS Neplacano "
    "FROM tblRacun WHERE %2 AND ifnull(Ponudba, False) = False GROUP BY 1");

TurnoverRow rowOf(const Recordset& rs) {
    TurnoverRow r;
    r.month = rs.field(QStringLiteral("Mesec")).toInt();
    r.invoices = rs.field(QStringLiteral("Racunov")).toInt();
    r.base = rs.field(QStringLiteral("Osnova")).toDouble();
    r.vat = rs.field(QStringLiteral("DDV")).toDouble();
    r.total = rs.field(QStringLiteral("ZaPlacilo")).toDouble();
    r.paid = rs.field(QStringLiteral("Placano")).toDouble();
    r.unpaid = rs.field(QStringLiteral("Neplacano")).toDouble();
    return r;
}

void add(TurnoverRow& sum, const TurnoverRow& r) {
    sum.invoices += r.invoices;
    sum.base += r.base;
    sum.vat += r.vat;
    sum.total += r.total;
    sum.paid += r.paid;
    sum.unpaid += r.unpaid;
}

YearTurnover failed(YearTurnover t, const QString& error) {
    t.ok = false;
    t.error = error;
    return t;
}

} // namespace

bool invoiceYears(Database& db, QList<int>* years) {
    years->clear();
    // One seek in the index on Datum per year, from the latest back,
    // instead of reading every invoice. The bounds are days, which a
    // server's date column takes as they are.
    for (QDate upTo(9999, 12, 31); upTo.isValid();) {
        QVariant latest;
        if (!db.queryValue(QStringLiteral("SELECT max(Datum) FROM tblRacun WHERE Datum <= ? "
                                          "AND ifnull(Ponudba, False) = False"),
                           {upTo}, &latest))
            return false;
        // The file gives the date as ISO text, the server as a date.
        const int year = latest.toString().left(4).toInt();
        if (latest.isNull() || year <= 0)
            return true;
        years->append(year);
        upTo = QDate(year - 1, 12, 31); // none before the year 1
    }
    return true;
}

YearTurnover turnoverOfYear(Database& db, int year) {
    YearTurnover t;
    t.year = year;
    for (int m = 1; m <= 12; ++m)
        t.months.append(TurnoverRow{m});
    auto months =
        db.openRecordset(Sums.arg(QStringLiteral("CAST(substr(Datum, 6, 2) AS INTEGER)"),
                                  QStringLiteral("Datum >= ? AND Datum <= ?")),
                         RecordsetKind::Snapshot, {QDate(year, 1, 1), QDate(year, 12, 31)});
    if (!months)
        return failed(t, db.lastError());
    for (months->moveFirst(); !months->eof(); months->moveNext()) {
        const TurnoverRow r = rowOf(*months);
        if (r.month >= 1 && r.month <= 12)
            t.months[r.month - 1] = r;
    }
    if (months->readFailed())
        return failed(t, months->lastError());
    for (const TurnoverRow& r : t.months)
        add(t.sum, r);

    auto undated = db.openRecordset(Sums.arg(QStringLiteral("0"), QStringLiteral("Datum IS NULL")),
                                    RecordsetKind::Snapshot);
    if (!undated)
        return failed(t, db.lastError());
    undated->moveFirst();
    if (!undated->eof())
        t.undated = rowOf(*undated);
    if (undated->readFailed())
        return failed(t, undated->lastError());
    return t;
}

QString monthName(int month) {
    static const char16_t* const names[] = {u"januar",    u"februar", u"marec",    u"april",
                                            u"maj",       u"junij",   u"julij",    u"avgust",
                                            u"september", u"oktober", u"november", u"december"};
    if (month < 1 || month > 12)
        return QStringLiteral("Brez datuma");
    return QString::fromUtf16(names[month - 1]);
}

} // namespace valmir
