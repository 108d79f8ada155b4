#pragma once

#include <QDate>
#include <QString>
#include <QVariantList>

#include <vector>

namespace valmir {

class Database;

// The main list's filter: the typed text found in the number, customer,
// contact person, service title, case number or place of an invoice,
// whatever the case and the marks of č, š, ž, ć, đ ("cuk" finds "Čuk"),
// and only the unpaid or the overdue invoices when asked. Conditions on
// tblIskanje, the narrow table of each invoice's folded search text, paid
// flag and sum to pay (see Schema.cpp).
struct InvoiceFilter {
    QString conditions;  // empty for all invoices
    QVariantList params; // bound to their "?"
    // The day on which the status line counts what is overdue; none: it
    // does not.
    QDate today;
    // Only what is overdue on `today`: the unpaid sum of those invoices is
    // what they still owe, as the overdue sum counts it.
    bool overdueOnly = false;
    bool isEmpty() const { return conditions.isEmpty(); }
};

// Blanks around the text do not count; "%", "_" and "\" are found as typed.
InvoiceFilter invoiceFilter(const QString& typed, bool unpaidOnly);

// An invoice is overdue on a day when it is unpaid, no credit note, and
// its due date (Zapade) lies before that day. The filter that finds only
// those (overdueOnly) or finds what it found; either way the status line
// counts what is overdue on `today`. Unpaid invoices are few: they are
// found by the index of Placan, whatever the number of invoices.
InvoiceFilter overdueOn(InvoiceFilter filter, const QDate& today, bool overdueOnly);

// The filter that also finds these invoices whether they match or not: the
// ones saved while it stands stay in the list (see Glavna). A filter that
// finds every invoice stays as it is.
InvoiceFilter keeping(InvoiceFilter filter, std::vector<qint64> ids);

// The status line under the list: how many invoices are shown of all and
// what is still unpaid and what is overdue of those shown.
struct ListStatus {
    qint64 shown = 0;
    qint64 all = 0;
    double unpaid = 0;
    double overdue = 0;
};

// What a filter finds, in one reading of tblIskanje: the list's condition
// (" WHERE IN_SET(ID, ?) " with the invoices found, " WHERE False " for none,
// empty for all invoices) and the counts.
struct SearchResult {
    QString where;
    QVariantList params;
    ListStatus status;
};

// False on an engine error (db.lastError()).
bool runSearch(Database& db, const InvoiceFilter& filter, SearchResult* result);

// "Prikazanih 1.234 od 100.000 računov · neplačano 12.345,67 €", the words
// in the form the numbers ask for ("Prikazan 1 od 101 računa"), and
// " · zapadlo 1.234,00 €" after it when any of them is overdue.
QString statusText(const ListStatus& status);

} // namespace valmir
