#pragma once

#include <QString>
#include <QVariantList>

namespace valmir {

class Database;

// The main list's filter: the typed text found in the number, customer,
// contact person, service title, case number or place of an invoice,
// whatever the case and the marks of č, š, ž, ć, đ ("cuk" finds "Čuk"),
// and only the unpaid invoices when asked.
struct InvoiceFilter {
    QString where;            // " WHERE ..." for the list's query; empty for all invoices
    QString searchConditions; // the same on tblIskanje, for the counts
    QVariantList params;      // bound to the "?" of either
    bool isEmpty() const { return where.isEmpty(); }
};

// Blanks around the text do not count; "%", "_" and "\" are found as typed.
InvoiceFilter invoiceFilter(const QString& typed, bool unpaidOnly);

// The status line under the list: how many invoices are shown of all and
// what is still unpaid of those shown.
struct ListStatus {
    qint64 shown = 0;
    qint64 all = 0;
    double unpaid = 0;
};

// Counts with the filter; false on an engine error (db.lastError()).
bool readListStatus(Database& db, const InvoiceFilter& filter, ListStatus* status);

// "Prikazanih 1.234 od 100.000 računov · neplačano 12.345,67 €"
QString statusText(const ListStatus& status);

} // namespace valmir
