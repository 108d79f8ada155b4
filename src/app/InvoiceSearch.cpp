#include "app/InvoiceSearch.h"

#include "data/Collation.h"
#include "data/Database.h"
#include "data/RowSet.h"
#include "text/TextForms.h"

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

bool runSearch(Database& db, const InvoiceFilter& filter, SearchResult* result) {
    // Every row once: the count of all comes with the found ones.
    const QString found = filter.isEmpty() ? QStringLiteral("1") : filter.conditions;
    ListStatus status;
    std::vector<qint64> ids;
    const bool ok = db.forEachRow(
        QStringLiteral("SELECT ID, %1, %2, ZaPlacilo FROM tblIskanje").arg(found, Unpaid),
        filter.params, [&](const QueryRow& row) {
            ++status.all;
            if (row.integer(1) == 0)
                return;
            ++status.shown;
            if (!filter.isEmpty())
                ids.push_back(row.integer(0));
            if (row.integer(2) != 0 && !row.isNull(3))
                status.unpaid += row.number(3);
        });
    if (!ok)
        return false;
    result->status = status;
    result->where.clear();
    result->params.clear();
    if (!filter.isEmpty()) {
        result->where = QStringLiteral(" WHERE IN_SET(ID, ?) ");
        result->params << rowSetValue(std::move(ids));
    }
    return true;
}

QString statusText(const ListStatus& s) {
    return QStringLiteral("Prikazanih %1 od %2 računov · neplačano %3")
        .arg(countText(s.shown), countText(s.all), currencyText(s.unpaid));
}

} // namespace valmir
