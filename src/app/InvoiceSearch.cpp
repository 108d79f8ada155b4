#include "app/InvoiceSearch.h"

#include "data/Collation.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "text/TextForms.h"

namespace valmir {

namespace {

// The searched fields joined into one text, folded once per row. The
// separator cannot be typed, so a match never spans two fields.
const QString SearchedText =
    QStringLiteral("FOLD(ifnull(StevilkaRacuna, '') || char(1) || ifnull(Ime, '') || char(1) || "
                   "ifnull(KontaktnaOseba, '') || char(1) || ifnull(Delovisce, '') || char(1) || "
                   "ifnull(Zadeva, '') || char(1) || ifnull(Posta, ''))");

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
        conditions << SearchedText + QStringLiteral(" LIKE ? ESCAPE '\\'");
        f.params << likePattern(Collation::fold(text));
    }
    if (unpaidOnly)
        conditions << Unpaid;
    if (!conditions.isEmpty())
        f.where = QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND ")) + u' ';
    return f;
}

bool readListStatus(Database& db, const InvoiceFilter& filter, ListStatus* status) {
    auto shown = db.openRecordset(
        QStringLiteral("SELECT count(*) AS N, total(CASE WHEN %1 THEN ZaPlacilo END) AS U "
                       "FROM tblRacun")
                .arg(Unpaid) +
            filter.where,
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
    if (!db.queryValue(QStringLiteral("SELECT count(*) FROM tblRacun"), {}, &all))
        return false;
    status->all = all.toLongLong();
    return true;
}

QString statusText(const ListStatus& s) {
    return QStringLiteral("Prikazanih %1 od %2 računov · neplačano %3")
        .arg(countText(s.shown), countText(s.all), currencyText(s.unpaid));
}

} // namespace valmir
