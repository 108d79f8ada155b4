#include "data/Dialect.h"

namespace valmir::Dialect {

QString translate(const QString& sql) {
    QString out;
    out.reserve(sql.size());
    QChar quote;
    for (int i = 0; i < sql.size();) {
        QChar c = sql.at(i);
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            ++i;
            continue;
        }
        if (c == u'\'' || c == u'"' || c == u'[') {
            quote = (c == u'[') ? QChar(u']') : c;
            out += c;
            ++i;
            continue;
        }
        if (c.isLetter() || c == u'_') {
            int j = i;
            while (j < sql.size() && (sql.at(j).isLetterOrNumber() || sql.at(j) == u'_'))
                ++j;
            QStringView word = QStringView(sql).mid(i, j - i);
            if (word.compare(u"True", Qt::CaseInsensitive) == 0)
                out += u'1';
            else if (word.compare(u"False", Qt::CaseInsensitive) == 0)
                out += u'0';
            else
                out += word;
            i = j;
            continue;
        }
        if (c.isDigit()) {
            // A number or an identifier that starts with digits (70proc).
            int j = i;
            while (j < sql.size() &&
                   (sql.at(j).isLetterOrNumber() || sql.at(j) == u'_' || sql.at(j) == u'.'))
                ++j;
            out += QStringView(sql).mid(i, j - i);
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

} // namespace valmir::Dialect
