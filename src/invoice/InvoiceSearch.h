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
// flag, sum to pay and open amount (see Schema.cpp).
struct InvoiceFilter {
    QString conditions;  // empty for all invoices
    QVariantList params; // bound to their "?"
    // The day on which the status line counts what is overdue; none: it
    // does not.
    QDate today;
    // Only what is overdue on `today`: the unpaid sum of those invoices is
    // what they still owe, as the overdue sum counts it.
    bool overdueOnly = false;
    // The quotes instead of the invoices (ofKind).
    bool quotes = false;
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

// The list shows either the invoices or the quotes, never both: the
// filter of the quotes finds quotes only, and every other filter finds no
// quote (the one that finds every invoice leaves them out by the list's
// condition, runSearch). Applied after overdueOn.
InvoiceFilter ofKind(InvoiceFilter filter, bool quotes);
// The list's condition of every invoice and no quote, as runSearch gives it.
QString everyInvoiceWhere();

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

// What a filter finds: the list's condition and the counts. On the file
// one reading of tblIskanje gives both (" WHERE IN_SET(ID, ?) " with the
// invoices found, " WHERE False " for none); on the server the list is read
// from tblIskanje by the server itself (" WHERE ID IN (SELECT ID FROM
// tblIskanje WHERE ...) "), read along the sort column's index, and the
// counts are a reading of their own (countFound). Empty: all invoices.
struct SearchResult {
    QString where;
    QVariantList params;
    ListStatus status;
    bool counted = false; // status holds the counts
    InvoiceFilter filter; // what was searched: for countFound when not counted
};

// False on an engine error (db.lastError()). Without `countNow` the counts
// are left to countFound where they are a reading of their own (counted
// false).
bool runSearch(Database& db, const InvoiceFilter& filter, SearchResult* result,
               bool countNow = true);

// The status line's counts of what a filter finds, summed by the engine;
// false on an engine error (db.lastError()).
bool countFound(Database& db, const InvoiceFilter& filter, ListStatus* status);

// "Prikazanih 1.234 od 100.000 računov · neplačano 12.345,67 €", the words
// in the form the numbers ask for ("Prikazan 1 od 101 računa"), and
// " · zapadlo 1.234,00 €" after it when any of them is overdue.
QString statusText(const ListStatus& status);
// The quotes' list counts only what it shows: "Prikazane 3 ponudbe".
QString quoteStatusText(const ListStatus& status);

} // namespace valmir
