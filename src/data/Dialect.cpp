#include "data/Dialect.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <optional>

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

namespace {

// A statement cut into words, quoted names, quoted text, "?" and the rest,
// one character each; blanks are kept as they are.
struct Token {
    enum Kind { Word, Name, Text, Mark, Blank, Other } kind;
    QString text;
};

QList<Token> tokens(const QString& sql) {
    QList<Token> out;
    for (int i = 0; i < sql.size();) {
        const QChar c = sql.at(i);
        if (c == u'\'' || c == u'"' || c == u'[') {
            const QChar end = c == u'[' ? QChar(u']') : c;
            int j = i + 1;
            QString inner;
            for (; j < sql.size(); ++j) {
                if (sql.at(j) == end) {
                    // A doubled quote is one quote inside.
                    if (end != u']' && j + 1 < sql.size() && sql.at(j + 1) == end) {
                        inner += end;
                        ++j;
                        continue;
                    }
                    break;
                }
                inner += sql.at(j);
            }
            out.append({c == u'\'' ? Token::Text : Token::Name, inner});
            i = j + 1;
        } else if (c.isLetterOrNumber() || c == u'_') {
            int j = i;
            while (j < sql.size() &&
                   (sql.at(j).isLetterOrNumber() || sql.at(j) == u'_' ||
                    (c.isDigit() && sql.at(j) == u'.')))
                ++j;
            out.append({Token::Word, sql.mid(i, j - i)});
            i = j;
        } else if (c.isSpace()) {
            int j = i;
            while (j < sql.size() && sql.at(j).isSpace())
                ++j;
            out.append({Token::Blank, sql.mid(i, j - i)});
            i = j;
        } else {
            out.append({c == u'?' ? Token::Mark : Token::Other, QString(c)});
            ++i;
        }
    }
    return out;
}

bool is(const Token& t, const char* word) {
    return t.kind == Token::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

QString quotedName(const QString& name) {
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// The next token that is not blank, from i on; -1 when there is none.
int nextSolid(const QList<Token>& t, int i) {
    while (i < t.size() && t.at(i).kind == Token::Blank)
        ++i;
    return i < t.size() ? i : -1;
}

int previousSolid(const QList<Token>& t, int i) {
    while (i >= 0 && t.at(i).kind == Token::Blank)
        --i;
    return i;
}

// The tables a statement names, each in the parentheses it stands in (a
// subquery sees its own and those around it), by the name it goes by there:
// its alias, else its own name, all in lower case. A table after FROM, JOIN,
// a comma of a FROM list, UPDATE or DELETE FROM is a source of its
// statement's columns; one after INTO (and UPDATE's and DELETE's) is the
// target that RETURNING speaks of.
class TableScopes {
public:
    explicit TableScopes(const QList<Token>& t) : m_t(t), m_group(t.size(), -1) {
        QList<int> open;
        QSet<int> listing; // groups in a FROM list, where a comma names the next table
        for (int i = 0; i < t.size(); ++i) {
            const Token& k = t.at(i);
            const int group = open.isEmpty() ? -1 : open.last();
            m_group[i] = group;
            if (k.kind == Token::Other && k.text == u"(") {
                m_parent.insert(i, group);
                open << i;
                continue;
            }
            if (k.kind == Token::Other && k.text == u")") {
                if (!open.isEmpty())
                    open.removeLast();
                continue;
            }
            const bool comma = k.kind == Token::Other && k.text == u"," && listing.contains(group);
            if (k.kind == Token::Word && endsList(k))
                listing.remove(group);
            if (is(k, "RETURNING"))
                m_returning.insert(group, i);
            if (!comma && !is(k, "FROM") && !is(k, "JOIN") && !is(k, "UPDATE") && !is(k, "INTO"))
                continue;
            const int before = previousSolid(t, i - 1);
            const bool into = is(k, "INTO");
            const bool target = into || is(k, "UPDATE") || (before >= 0 && is(t.at(before), "DELETE"));
            if (is(k, "FROM"))
                listing.insert(group);
            const int n = nextSolid(t, i + 1);
            if (n < 0 || (t.at(n).kind != Token::Word && t.at(n).kind != Token::Name))
                continue;
            Named named{group, t.at(n).text.toLower(), t.at(n).text.toLower(), !into, target};
            const int a = nextSolid(t, n + 1);
            if (a >= 0 && is(t.at(a), "AS")) {
                if (const int alias = nextSolid(t, a + 1); alias >= 0)
                    named.name = t.at(alias).text.toLower();
            } else if (a >= 0 && (t.at(a).kind == Token::Name ||
                                  (t.at(a).kind == Token::Word && !endsList(t.at(a)) &&
                                   !is(t.at(a), "JOIN")))) {
                named.name = t.at(a).text.toLower();
            }
            m_tables << named;
        }
    }

    // The table a rowid at token i is of; empty when the statement does
    // not tell (two tables it could be, or a name it does not have).
    std::optional<QString> tableOf(int i) const {
        const int dot = previousSolid(m_t, i - 1);
        if (dot >= 0 && m_t.at(dot).text == u".") {
            const int q = previousSolid(m_t, dot - 1);
            if (q < 0)
                return std::nullopt;
            const QString name = m_t.at(q).text.toLower();
            for (int g = m_group.at(i);; g = m_parent.value(g, -1)) {
                for (const Named& n : m_tables)
                    if (n.group == g && n.name == name)
                        return n.table;
                if (g < 0)
                    return std::nullopt;
            }
        }
        const int own = m_group.at(i);
        if (m_returning.contains(own) && m_returning.value(own) < i)
            return targetOf(own);
        for (int g = own;; g = m_parent.value(g, -1)) {
            QStringList sources;
            QString table;
            for (const Named& n : m_tables)
                if (n.group == g && n.source && !sources.contains(n.name)) {
                    sources << n.name;
                    table = n.table;
                }
            if (sources.size() > 1)
                return std::nullopt;
            if (sources.size() == 1)
                return table;
            if (g < 0)
                return targetOf(own);
        }
    }

private:
    struct Named {
        int group;
        QString name;
        QString table;
        bool source;
        bool target;
    };

    // Words that end a FROM list or stand after a table without an alias.
    static bool endsList(const Token& k) {
        for (const char* word : {"WHERE", "ON", "USING", "SET", "GROUP", "ORDER", "HAVING",
                                 "LIMIT", "OFFSET", "UNION", "EXCEPT", "INTERSECT", "VALUES",
                                 "SELECT", "DEFAULT", "RETURNING", "WINDOW", "FOR", "INNER",
                                 "LEFT", "RIGHT", "FULL", "CROSS", "NATURAL", "OUTER", "JOIN"})
            if (is(k, word))
                return true;
        return false;
    }

    std::optional<QString> targetOf(int group) const {
        for (int g = group;; g = m_parent.value(g, -1)) {
            for (const Named& n : m_tables)
                if (n.group == g && n.target)
                    return n.table;
            if (g < 0)
                return QString();
        }
    }

    const QList<Token>& m_t;
    QList<int> m_group;      // each token's "(", -1 outside every one
    QHash<int, int> m_parent; // each "(" 's enclosing one
    QHash<int, int> m_returning;
    QList<Named> m_tables;
};

} // namespace

QString forServer(const QString& sql, const std::function<QString(const QString&)>& keyOf) {
    const QList<Token> t = tokens(sql);
    const TableScopes scopes(t);
    QString out;
    out.reserve(sql.size() + 32);
    int mark = 0;
    // ORDER BY: a term without a direction sorts Null first, as ASC does.
    int depth = 0;
    int orderDepth = -1; // the depth of the ORDER BY being read, or -1
    bool directed = false;
    int foldDepth = -1; // inside FOLD( ... ): where its call ends
    const auto endTerm = [&] {
        if (orderDepth >= 0 && !directed) {
            // Right after the term, before the blanks that followed it.
            qsizetype end = out.size();
            while (end > 0 && out.at(end - 1).isSpace())
                --end;
            out.insert(end, QStringLiteral(" NULLS FIRST"));
        }
        directed = false;
    };
    for (int i = 0; i < t.size(); ++i) {
        const Token& k = t.at(i);
        if (k.kind == Token::Other && k.text == u"(") {
            ++depth;
        } else if (k.kind == Token::Other && k.text == u")") {
            if (orderDepth >= 0 && depth == orderDepth) {
                endTerm();
                orderDepth = -1;
            }
            --depth;
            if (depth == foldDepth) {
                // Folded text compares byte by byte: LIKE needs a
                // deterministic collation, whatever the column's.
                out += QStringLiteral(") COLLATE \"C\"");
                foldDepth = -1;
                continue;
            }
        } else if (k.kind == Token::Other && k.text == u"," && orderDepth == depth) {
            endTerm();
        } else if (k.kind == Token::Word && orderDepth == depth &&
                   (is(k, "LIMIT") || is(k, "OFFSET"))) {
            endTerm();
            orderDepth = -1;
        } else if (is(k, "BY") && orderDepth < 0) {
            const int before = previousSolid(t, i - 1);
            if (before >= 0 && is(t.at(before), "ORDER")) {
                out += k.text;
                orderDepth = depth;
                directed = false;
                continue;
            }
        } else if (orderDepth == depth && (is(k, "ASC") || is(k, "DESC") || is(k, "NULLS"))) {
            directed = true;
        }
        switch (k.kind) {
        case Token::Text:
            out += u'\'' + QString(k.text).replace(u'\'', QStringLiteral("''")) + u'\'';
            break;
        case Token::Name:
            out += quotedName(k.text.toLower());
            break;
        case Token::Mark:
            out += u'$' + QString::number(++mark);
            break;
        case Token::Blank:
        case Token::Other:
            out += k.text;
            break;
        case Token::Word: {
            const int before = previousSolid(t, i - 1);
            const int after = nextSolid(t, i + 1);
            const bool call = after >= 0 && t.at(after).text == u"(";
            if (is(k, "rowid")) {
                // A rowid the statement does not tell the table of stays
                // rowid, which the server refuses: never another's key.
                const std::optional<QString> table = scopes.tableOf(i);
                const QString key = table ? keyOf(*table) : QString();
                out += !table ? k.text : key.isEmpty() ? QStringLiteral("id") : key.toLower();
            } else if (call && is(k, "ifnull")) {
                out += QStringLiteral("coalesce");
            } else if (call && is(k, "FOLD") && foldDepth < 0) {
                out += QStringLiteral("valmir_fold");
                foldDepth = depth;
            } else if (call && is(k, "total")) {
                out += QStringLiteral("valmir_total");
            } else if (call && is(k, "round")) {
                out += QStringLiteral("valmir_round");
            } else if (call && is(k, "replace")) {
                out += QStringLiteral("valmir_replace");
            } else if (call && is(k, "IN_SET")) {
                // IN_SET ( column , ? ) -> (column = ANY($n::bigint[]))
                int j = after + 1;
                QString column;
                while (j < t.size() && t.at(j).text != u",") {
                    const Token& c = t.at(j);
                    column += c.kind == Token::Name ? quotedName(c.text.toLower()) : c.text;
                    ++j;
                }
                const int m = nextSolid(t, j + 1);
                const int close = m >= 0 ? nextSolid(t, m + 1) : -1;
                if (j < t.size() && m >= 0 && t.at(m).kind == Token::Mark && close >= 0 &&
                    t.at(close).text == u")") {
                    out += QStringLiteral("(%1 = ANY($%2::bigint[]))")
                               .arg(column.trimmed())
                               .arg(++mark);
                    i = close;
                } else {
                    out += k.text; // left for the server to refuse
                }
            } else if (is(k, "SLOVENIAN") && before >= 0 && is(t.at(before), "COLLATE")) {
                out += QStringLiteral("valmir_sl");
            } else if (is(k, "INTEGER") && before >= 0 && is(t.at(before), "AS")) {
                out += QStringLiteral("bigint");
            } else if (is(k, "REAL") && before >= 0 && is(t.at(before), "AS")) {
                out += QStringLiteral("double precision");
            } else if (before >= 0 && is(t.at(before), "AS") && !is(k, "TEXT") &&
                       !is(k, "bigint")) {
                out += quotedName(k.text);
            } else if (is(k, "ASC") || is(k, "DESC")) {
                out += k.text;
                if (after < 0 || !is(t.at(after), "NULLS"))
                    out += is(k, "ASC") ? QStringLiteral(" NULLS FIRST")
                                        : QStringLiteral(" NULLS LAST");
            } else {
                out += k.text;
            }
            break;
        }
        }
    }
    endTerm();
    return out;
}

} // namespace valmir::Dialect
