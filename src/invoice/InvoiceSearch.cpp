#include "invoice/InvoiceSearch.h"

#include "data/Collation.h"
#include "data/Database.h"
#include "data/RowSet.h"
#include "text/Messages.h"
#include "text/TextForms.h"

#include <QHash>

#include <cmath>

namespace valmir {

namespace {

const QString Searched = QStringLiteral("Besedilo LIKE ? ESCAPE '\\'");
const QString Unpaid = QStringLiteral("ifnull(Placan, False) = False");
// What an invoice still owes, in cents: its open amount, which the engine
// keeps (its sum to pay less its payments and what its credit notes take
// back, see Schema.cpp).
const QString OwedCents = QStringLiteral("CAST(round(ifnull(r.Odprto, 0) * 100) AS INTEGER)");
// Overdue: unpaid as the index of Placan finds it (not through ifnull()),
// due before the day bound, no credit note, and owing something.
const QString Overdue =
    QStringLiteral("FROM tblRacun r WHERE (r.Placan = False OR r.Placan IS NULL) "
                   "AND r.Zapade < ? AND ifnull(r.Dobropis, False) = False AND ") +
    OwedCents + QStringLiteral(" > 0");

// "%", "_" and the escape character itself stand for themselves.
QString likePattern(const QString& folded) {
    QString pattern;
    pattern.reserve(folded.size() + 8);
    pattern += u'%';
    for (QChar c : folded) {
        if (c == u'%' || c == u'_' || c == u'\\')
            pattern += u'\\';
        pattern += c;
    }
    pattern += u'%';
    return pattern;
}

// Slovenian words after a number follow its last two digits: 1, 2, 3 and
// 4, and the rest ("1 račun", "2 računa", "3 računi", "5 računov").
int numberForm(qint64 count) {
    const qint64 lastTwo = count % 100;
    return lastTwo == 1 ? 0 : lastTwo == 2 ? 1 : lastTwo == 3 || lastTwo == 4 ? 2 : 3;
}

qint64 cents(const QueryRow& row, int column) {
    return row.isNull(column) ? 0 : std::llround(row.number(column) * 100);
}

// What each invoice overdue on `today` owes, in cents.
bool readOverdue(Database& db, const QDate& today, QHash<qint64, qint64>* overdue) {
    return db.forEachRow(
        QStringLiteral("SELECT r.ID, %1 ").arg(OwedCents) + Overdue, {today},
        [&](const QueryRow& row) { overdue->insert(row.integer(0), row.integer(1)); });
}

} // namespace

InvoiceFilter invoiceFilter(const QString& typed, bool unpaidOnly) {
    QString text;
    for (QChar c : typed.trimmed())
        if (c.unicode() >= 0x20) // control characters are never part of a field typed
            text += c;
    QStringList conditions;
    InvoiceFilter f;
    if (!text.isEmpty()) {
        conditions << Searched;
        f.params << likePattern(Collation::fold(text));
    }
    if (unpaidOnly)
        conditions << Unpaid;
    f.conditions = conditions.join(QStringLiteral(" AND "));
    return f;
}

InvoiceFilter overdueOn(InvoiceFilter filter, const QDate& today, bool overdueOnly) {
    filter.today = today;
    if (!overdueOnly)
        return filter;
    filter.overdueOnly = true;
    // The engine reads the few overdue invoices once and looks up each in
    // tblIskanje by its ID.
    const QString overdue = QStringLiteral("ID IN (SELECT r.ID ") + Overdue + u')';
    filter.conditions =
        filter.isEmpty() ? overdue : QStringLiteral("(%1) AND %2").arg(filter.conditions, overdue);
    filter.params << today;
    return filter;
}

InvoiceFilter ofKind(InvoiceFilter filter, bool quotes) {
    filter.quotes = quotes;
    if (!quotes && filter.isEmpty())
        return filter;
    const QString kind = quotes ? QStringLiteral("ifnull(Ponudba, False) = True")
                                : QStringLiteral("ifnull(Ponudba, False) = False");
    filter.conditions =
        filter.isEmpty() ? kind : QStringLiteral("(%1) AND %2").arg(filter.conditions, kind);
    return filter;
}

QString everyInvoiceWhere() { return QStringLiteral(" WHERE ifnull(Ponudba, False) = False "); }

InvoiceFilter keeping(InvoiceFilter filter, std::vector<qint64> ids) {
    if (filter.isEmpty() || ids.empty())
        return filter;
    filter.conditions = QStringLiteral("(%1) OR IN_SET(ID, ?)").arg(filter.conditions);
    filter.params << rowSetValue(std::move(ids));
    return filter;
}

namespace {

// The counts as they are summed: what each overdue invoice owes, in cents,
// and the sums so far.
struct Counts {
    ListStatus status;
    QHash<qint64, qint64> overdue;
    qint64 unpaidCents = 0;
    qint64 overdueCents = 0;

    ListStatus finished() const {
        ListStatus s = status;
        s.unpaid = double(unpaidCents) / 100;
        s.overdue = double(overdueCents) / 100;
        return s;
    }
};

// What every count begins with: all invoices and their unpaid sum, kept in
// one row (see Schema.cpp), and the invoices overdue; for a filter that
// finds every invoice that is the whole count.
bool beginCounts(Database& db, const InvoiceFilter& filter, Counts* c) {
    if (!db.forEachRow(QStringLiteral("SELECT Racunov, NeplacanoCentov FROM tblIskanjeVsota"), {},
                       [&](const QueryRow& row) {
                           c->status.all = row.integer(0);
                           c->unpaidCents = row.integer(1);
                       }))
        return false;
    if (filter.today.isValid() && !readOverdue(db, filter.today, &c->overdue))
        return false;
    if (filter.isEmpty()) {
        c->status.shown = c->status.all;
        for (qint64 owed : std::as_const(c->overdue))
            c->overdueCents += owed;
    }
    return true;
}

} // namespace

bool runSearch(Database& db, const InvoiceFilter& filter, SearchResult* result, bool countNow) {
    *result = SearchResult();
    result->filter = filter;
    if (filter.isEmpty())
        result->where = everyInvoiceWhere();
    if (db.onServer()) {
        if (!filter.isEmpty()) {
            result->where = QStringLiteral(" WHERE ID IN (SELECT ID FROM tblIskanje WHERE %1) ")
                                .arg(filter.conditions);
            result->params = filter.params;
        }
        result->counted = countNow && countFound(db, filter, &result->status);
        return !countNow || result->counted;
    }
    Counts c;
    if (!beginCounts(db, filter, &c))
        return false;
    if (!filter.isEmpty()) {
        std::vector<qint64> ids;
        c.unpaidCents = 0;
        if (!db.forEachRow(
                // The server gives a condition as a Yes/No: read as 1/0.
                QStringLiteral("SELECT ID, CASE WHEN %1 THEN 1 ELSE 0 END, Odprto "
                               "FROM tblIskanje WHERE ")
                        .arg(Unpaid) +
                    filter.conditions,
                filter.params, [&](const QueryRow& row) {
                    ids.push_back(row.integer(0));
                    const auto owed = c.overdue.constFind(ids.back());
                    if (filter.overdueOnly && owed != c.overdue.cend())
                        c.unpaidCents += *owed;
                    else if (row.integer(1) != 0)
                        c.unpaidCents += cents(row, 2);
                    if (owed != c.overdue.cend())
                        c.overdueCents += *owed;
                }))
            return false;
        c.status.shown = qint64(ids.size());
        // Nothing found: no need to walk the list's index to learn that.
        if (ids.empty()) {
            result->where = QStringLiteral(" WHERE False ");
        } else {
            result->where = QStringLiteral(" WHERE IN_SET(ID, ?) ");
            result->params << rowSetValue(std::move(ids));
        }
    }
    result->status = c.finished();
    result->counted = true;
    return true;
}

bool countFound(Database& db, const InvoiceFilter& filter, ListStatus* result) {
    Counts c;
    if (!beginCounts(db, filter, &c))
        return false;
    if (!filter.isEmpty()) {
        if (!db.forEachRow(QStringLiteral("SELECT count(*), total(CASE WHEN %1 THEN "
                                          "CAST(round(Odprto * 100) AS INTEGER) ELSE 0 END) "
                                          "FROM tblIskanje WHERE ")
                                   .arg(Unpaid) +
                               filter.conditions,
                           filter.params, [&](const QueryRow& row) {
                               c.status.shown = row.integer(0);
                               c.unpaidCents = std::llround(row.number(1));
                           }))
            return false;
        // The few overdue invoices among those found. Shown as overdue
        // only, each counts what it still owes instead of its sum to pay.
        if (!c.overdue.isEmpty()) {
            std::vector<qint64> ids(c.overdue.keyBegin(), c.overdue.keyEnd());
            if (!db.forEachRow(QStringLiteral("SELECT ID, Odprto FROM tblIskanje WHERE (%1) "
                                              "AND IN_SET(ID, ?)")
                                   .arg(filter.conditions),
                               filter.params + QVariantList{rowSetValue(std::move(ids))},
                               [&](const QueryRow& row) {
                                   const qint64 owed = c.overdue.value(row.integer(0));
                                   c.overdueCents += owed;
                                   if (filter.overdueOnly)
                                       c.unpaidCents += owed - cents(row, 1);
                               }))
                return false;
        }
    }
    *result = c.finished();
    return true;
}

QString quoteStatusText(const ListStatus& s) {
    return QuoteMessages::Shown[numberForm(s.shown)].arg(countText(s.shown));
}

QString statusText(const ListStatus& s) {
    static const char* const shown[] = {"Prikazan", "Prikazana", "Prikazani", "Prikazanih"};
    // After "od" the genitive: "od 1 računa", "od 2 računov", ...
    const char* const of = numberForm(s.all) == 0 ? "računa" : "računov";
    QString text = QStringLiteral("%1 %2 od %3 %4 · neplačano %5")
                       .arg(QString::fromUtf8(shown[numberForm(s.shown)]), countText(s.shown),
                            countText(s.all), QString::fromUtf8(of), currencyText(s.unpaid));
    if (s.overdue != 0)
        text += QStringLiteral(" · zapadlo ") + currencyText(s.overdue);
    return text;
}

} // namespace valmir
