#include "app/InvoiceSearch.h"

#include "data/Collation.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "text/TextForms.h"

namespace valmir {

namespace {

// tblIskanje holds the searched fields of each invoice folded into one
// text, its paid flag and its sum to pay (see Schema.cpp): a narrow table
// read instead of every invoice.
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
    if (!conditions.isEmpty()) {
        f.searchConditions = conditions.join(QStringLiteral(" AND "));
        f.where = QStringLiteral(" WHERE ID IN (SELECT ID FROM tblIskanje WHERE ") +
                  f.searchConditions + QStringLiteral(") ");
    }
    return f;
}

bool readListStatus(Database& db, const InvoiceFilter& filter, ListStatus* status) {
    auto shown = db.openRecordset(
        QStringLiteral("SELECT count(*) AS N, total(CASE WHEN %1 THEN ZaPlacilo END) AS U "
                       "FROM tblIskanje")
                .arg(Unpaid) +
            (filter.isEmpty() ? QString() : QStringLiteral(" WHERE ") + filter.searchConditions),
        RecordsetKind::Snapshot, filter.params);
    if (!shown)
        return false;
    shown->moveFirst();
    status->shown = shown->field(QStringLiteral("N")).toLongLong();
    status->unpaid = shown->field(QStringLiteral("U")).toDouble();
    if (shown->readFailed()) {
        db.setError(shown->lastError());
        return false;
    }
    if (filter.isEmpty()) {
        status->all = status->shown;
        return true;
    }
    QVariant all;
    if (!db.queryValue(QStringLiteral("SELECT count(*) FROM tblIskanje"), {}, &all))
        return false;
    status->all = all.toLongLong();
    return true;
}

QString statusText(const ListStatus& s) {
    return QStringLiteral("Prikazanih %1 od %2 računov · neplačano %3")
        .arg(countText(s.shown), countText(s.all), currencyText(s.unpaid));
}

} // namespace valmir
