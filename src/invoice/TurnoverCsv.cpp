#include "invoice/TurnoverCsv.h"

#include "invoice/Turnover.h"

#include <QStringList>

namespace valmir {

namespace {

QString amount(double value) {
    QString text = QString::number(value, 'f', 2).replace(u'.', u',');
    return text == QStringLiteral("-0,00") ? QStringLiteral("0,00") : text;
}

QString line(const QString& caption, const TurnoverRow& r) {
    return QStringList{caption,         QString::number(r.invoices),
                       amount(r.base),  amount(r.vat),
                       amount(r.total), amount(r.paid),
                       amount(r.unpaid)}
        .join(u';');
}

} // namespace

QByteArray turnoverCsv(const YearTurnover& t) {
    QStringList lines{QStringLiteral("Mesec;Računov;Osnova;DDV;Skupaj;Plačano;Neplačano")};
    for (const TurnoverRow& r : t.months)
        lines << line(monthName(r.month), r);
    lines << line(QStringLiteral("Skupaj %1").arg(t.year), t.sum);
    if (t.undated.invoices > 0)
        lines << line(monthName(0), t.undated);
    return QByteArray("\xEF\xBB\xBF") + lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

} // namespace valmir
