#include "app/Readers.h"

#include <QRegularExpression>

#include <cmath>

namespace valmir {

QLocale appLocale() {
    QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Slovenian, QLocale::Slovenia);
    return system;
}

std::optional<double> readNumber(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const QString sep = appLocale().decimalPoint();
    QString normalized;
    normalized.reserve(t.size());
    int i = 0;
    if (t.at(0) == u'-' || t.at(0) == u'+' || t.at(0) == QChar(0x2212)) {
        normalized += (t.at(0) == u'+') ? QChar(u'+') : QChar(u'-');
        i = 1;
    }
    int digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        QChar c = t.at(i);
        if (c >= u'0' && c <= u'9') {
            normalized += c;
            ++digits;
        } else if ((c == u'.' || QString(c) == sep) && !point) {
            normalized += u'.';
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    double v = normalized.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

bool isNumeric(const QString& text) { return readNumber(text).has_value(); }

double leadingNumber(const QString& text) {
    int i = 0;
    const int n = text.size();
    while (i < n && (text.at(i) == u' ' || text.at(i) == u'\t' || text.at(i) == QChar(0xA0)))
        ++i;
    QString s;
    if (i < n && (text.at(i) == u'-' || text.at(i) == u'+'))
        s += text.at(i++);
    bool point = false;
    for (; i < n; ++i) {
        QChar c = text.at(i);
        if (c >= u'0' && c <= u'9')
            s += c;
        else if (c == u'.' && !point) {
            s += c;
            point = true;
        } else
            break;
    }
    bool ok = false;
    double v = s.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

std::optional<QDate> readDate(const QString& text) {
    static const QRegularExpression dotted(
        QStringLiteral(R"(^\s*(\d{1,2})\s*\.\s*(\d{1,2})\s*\.\s*(\d{4})\s*$)"));
    static const QRegularExpression iso(QStringLiteral(R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})\s*$)"));
    int d = 0, m = 0, y = 0;
    if (auto match = dotted.match(text); match.hasMatch()) {
        d = match.captured(1).toInt();
        m = match.captured(2).toInt();
        y = match.captured(3).toInt();
    } else if (auto match = iso.match(text); match.hasMatch()) {
        y = match.captured(1).toInt();
        m = match.captured(2).toInt();
        d = match.captured(3).toInt();
    } else {
        return std::nullopt;
    }
    QDate date(y, m, d);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString dateText(const QDate& date) {
    if (!date.isValid())
        return {};
    return QStringLiteral("%1.%2.%3").arg(date.day()).arg(date.month()).arg(date.year());
}

QString currencyText(double amount) {
    // Amounts are euro whatever the locale; the locale gives the separators.
    QLocale loc = appLocale();
    QString number = loc.toString(std::fabs(amount), 'f', 2);
    if (std::fabs(amount) < 0.005)
        number = loc.toString(0.0, 'f', 2);
    else if (amount < 0)
        number.prepend(u'-');
    return number + QChar(0xA0) + QStringLiteral("€");
}

QString plainNumberText(double value) {
    QString s = QString::number(value, 'g', 15);
    if (s.startsWith(QStringLiteral("0.")))
        s.remove(0, 1);
    else if (s.startsWith(QStringLiteral("-0.")))
        s.remove(1, 1);
    return s;
}

QString numberText(double value) {
    QString s = plainNumberText(value);
    return value < 0 ? s : u' ' + s;
}

QString localeNumberText(double value) {
    QLocale loc = appLocale();
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    return loc.toString(value, 'g', 15);
}

namespace {
QDate g_today;
}

QDate today() { return g_today.isValid() ? g_today : QDate::currentDate(); }
void setTodayForTest(const QDate& date) { g_today = date; }

} // namespace valmir
