#include "invoice/InvoiceSearch.h"

#include "data/Collation.h"
#include "data/Database.h"
#include "data/RowSet.h"
#include "text/TextForms.h"

#include <cmath>

namespace valmir {

namespace {

const QString Searched = QStringLiteral("Besedilo LIKE ? ESCAPE '\\'");
const QString Unpaid = QStringLiteral("ifnull(Placan, 0) = 0");

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

InvoiceFilter keeping(InvoiceFilter filter, std::vector<qint64> ids) {
    if (filter.isEmpty() || ids.empty())
        return filter;
    filter.conditions = QStringLiteral("(%1) OR IN_SET(ID, ?)").arg(filter.conditions);
    filter.params << rowSetValue(std::move(ids));
    return filter;
}

bool runSearch(Database& db, const InvoiceFilter& filter, SearchResult* result) {
    // The counts of all invoices are kept in one row (see Schema.cpp).
    qint64 unpaidCents = 0;
    ListStatus status;
    if (!db.forEachRow(QStringLiteral("SELECT Racunov, NeplacanoCentov FROM tblIskanjeVsota"), {},
                       [&](const QueryRow& row) {
                           status.all = row.integer(0);
                           unpaidCents = row.integer(1);
                       }))
        return false;
    result->where.clear();
    result->params.clear();
    if (filter.isEmpty()) {
        status.shown = status.all;
    } else {
        std::vector<qint64> ids;
        unpaidCents = 0;
        if (!db.forEachRow(
                QStringLiteral("SELECT ID, %1, ZaPlacilo FROM tblIskanje WHERE ").arg(Unpaid) +
                    filter.conditions,
                filter.params, [&](const QueryRow& row) {
                    ids.push_back(row.integer(0));
                    if (row.integer(1) != 0 && !row.isNull(2))
                        unpaidCents += std::llround(row.number(2) * 100);
                }))
            return false;
        status.shown = qint64(ids.size());
        // Nothing found: no need to walk the list's index to learn that.
        if (ids.empty()) {
            result->where = QStringLiteral(" WHERE 0 ");
        } else {
            result->where = QStringLiteral(" WHERE IN_SET(ID, ?) ");
            result->params << rowSetValue(std::move(ids));
        }
    }
    status.unpaid = double(unpaidCents) / 100;
    result->status = status;
    return true;
}

QString statusText(const ListStatus& s) {
    static const char* const shown[] = {"Prikazan", "Prikazana", "Prikazani", "Prikazanih"};
    // After "od" the genitive: "od 1 računa", "od 2 računov", ...
    const char* const of = numberForm(s.all) == 0 ? "računa" : "računov";
    return QStringLiteral("%1 %2 od %3 %4 · neplačano %5")
        .arg(QString::fromUtf8(shown[numberForm(s.shown)]), countText(s.shown), countText(s.all),
             QString::fromUtf8(of), currencyText(s.unpaid));
}

} // namespace valmir
