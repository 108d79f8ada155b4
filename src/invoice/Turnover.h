#pragma once

#include <QList>
#include <QString>

namespace valmir {

class Database;

// Invoiced, paid and unpaid money, from the totals kept with the invoices
// (an invoice never saved with totals counts, with 0 €).
struct TurnoverRow {
    int month = 0; // 1 .. 12; 0 for the invoices without a date
    int invoices = 0;
    double base = 0;
    double vat = 0;
    double total = 0;
    double paid = 0;
    double unpaid = 0;
};

struct YearTurnover {
    bool ok = true;
    QString error; // the engine's text when not ok
    int year = 0;
    QList<TurnoverRow> months; // always twelve, January first
    TurnoverRow sum;           // of the twelve months
    TurnoverRow undated;       // every invoice without a date, whatever the year
};

// The years that have invoices, the latest first; false on an engine
// error (db.lastError() tells why).
bool invoiceYears(Database& db, QList<int>* years);

// The turnover of a year by month, with the year's sums and the invoices
// without a date. A year without invoices gives twelve empty months.
YearTurnover turnoverOfYear(Database& db, int year);

// "januar" .. "december"; "Brez datuma" for 0.
QString monthName(int month);

} // namespace valmir
