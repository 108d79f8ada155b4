#include "text/TextForms.h"

#include <QRegularExpression>

#include <cmath>

namespace valmir {

QLocale appLocale() {
    QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Slovenian, QLocale::Slovenia);
    return system;
}

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == QChar(0xA0) || c == QChar(0x202F); }

// Digits split by a group separator: a first group of one to three digits,
// then groups of exactly three. Appends the digits to *out.
bool readGroupedDigits(const QString& text, QChar group, QString* out) {
    const QStringList groups = text.split(group);
    for (int i = 0; i < groups.size(); ++i) {
        const QString& g = groups.at(i);
        const bool sized = i == 0 ? (g.size() >= 1 && g.size() <= 3) : g.size() == 3;
        if (!sized && groups.size() > 1)
            return false;
        for (QChar c : g)
            if (!isDigit(c))
                return false;
        *out += g;
    }
    return true;
}

bool allDigits(const QString& text) {
    for (QChar c : text)
        if (!isDigit(c))
            return false;
    return true;
}

// The unsigned body of a number in the "." form: digits, "." as decimal
// point. Empty when the body is not a number.
QString normalizedBody(const QString& body) {
    const QLocale loc = appLocale();
    const QString dec = loc.decimalPoint();
    QString group = loc.groupSeparator();
    if (group.size() == 1 && isBlank(group.at(0)))
        group = QStringLiteral(" "); // blanks were made plain below
    const QChar g = group.size() == 1 ? group.at(0) : QChar();
    QString intPart = body;
    QString fraction;
    bool hasPoint = false;

    // The locale's own decimal separator, when it is not ".", decides.
    const int decAt = dec != u"." ? body.indexOf(dec) : -1;
    if (decAt >= 0) {
        intPart = body.left(decAt);
        fraction = body.mid(decAt + dec.size());
        hasPoint = true;
        if (fraction.contains(u'.') || fraction.contains(dec))
            return {};
    } else {
        const int dots = body.count(u'.');
        if (dots == 1) {
            const int at = body.indexOf(u'.');
            intPart = body.left(at);
            fraction = body.mid(at + 1);
            hasPoint = true;
        } else if (dots > 1 && g != u'.') {
            return {};
        }
    }
    QString digits;
    if (!g.isNull() && intPart.contains(g)) {
        if (!readGroupedDigits(intPart, g, &digits))
            return {};
    } else if (allDigits(intPart)) {
        digits = intPart;
    } else {
        return {};
    }
    if (!allDigits(fraction))
        return {};
    if (digits.isEmpty() && fraction.isEmpty())
        return {};
    return hasPoint ? digits + u'.' + fraction : digits;
}

} // namespace

std::optional<double> readNumber(const QString& text) {
    QString t;
    t.reserve(text.size());
    for (QChar c : text)
        t += isBlank(c) ? QChar(u' ') : c;
    t = t.trimmed();
    if (t.endsWith(QStringLiteral("€")))
        t = t.chopped(1).trimmed();
    if (t.isEmpty())
        return std::nullopt;
    QString sign;
    if (t.at(0) == u'-' || t.at(0) == u'+' || t.at(0) == QChar(0x2212)) {
        sign = t.at(0) == u'+' ? QString() : QStringLiteral("-");
        t.remove(0, 1);
    }
    const QString body = normalizedBody(t);
    if (body.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = (sign + body).toDouble(&ok);
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
    if (i < n && (text.at(i) == u'-' || text.at(i) == u'+' || text.at(i) == QChar(0x2212))) {
        s += text.at(i) == u'+' ? u'+' : u'-';
        ++i;
    }
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
    // Four digits of the year at least: readDate() takes no shorter year.
    return QStringLiteral("%1.%2.%3")
        .arg(date.day())
        .arg(date.month())
        .arg(date.year(), 4, 10, QChar(u'0'));
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

QString countText(qint64 count) { return appLocale().toString(count); }

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
    // Fifteen significant digits (0.1 + 0.2 shows as 0,3), but never in
    // the exponent form ("1E+22", "1E-05") that no reader of typed numbers
    // takes back.
    const double shown = QString::number(value, 'g', 15).toDouble();
    return loc.toString(shown, 'f', QLocale::FloatingPointShortest);
}

} // namespace valmir
