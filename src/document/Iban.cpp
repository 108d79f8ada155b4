#include "document/Iban.h"

namespace valmir {

bool ibanChecksumValid(const QString& compact) {
    if (compact.size() < 5)
        return false;
    const QString rotated = compact.mid(4) + compact.left(4);
    int remainder = 0;
    // Digit by digit, so that the number never grows beyond an int.
    auto feed = [&remainder](int digit) { remainder = (remainder * 10 + digit) % 97; };
    for (QChar c : rotated) {
        if (c >= u'0' && c <= u'9') {
            feed(c.unicode() - u'0');
        } else if (c >= u'A' && c <= u'Z') {
            const int value = c.unicode() - u'A' + 10;
            feed(value / 10);
            feed(value % 10);
        } else {
            return false;
        }
    }
    return remainder == 1;
}

bool ibanValid(const QString& typed) {
    QString compact;
    for (QChar c : typed)
        if (!c.isSpace())
            compact += c.toUpper();
    if (compact.isEmpty())
        return true;
    return compact.size() >= 15 && compact.size() <= 34 && compact[0].isLetter() &&
           compact[1].isLetter() && compact[2].isDigit() && compact[3].isDigit() &&
           ibanChecksumValid(compact);
}

QString slovenianIban(const QString& typed) {
    QString compact;
    for (QChar c : typed)
        if (c != u' ' && c != u'\u00A0')
            compact += c.toUpper();
    if (compact.size() != 19 || !compact.startsWith(QLatin1String("SI56")))
        return {};
    for (qsizetype i = 4; i < compact.size(); ++i)
        if (compact.at(i) < u'0' || compact.at(i) > u'9')
            return {};
    return ibanChecksumValid(compact) ? compact : QString();
}

} // namespace valmir
