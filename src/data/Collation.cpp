#include "data/Collation.h"

#include <QChar>
#include <QString>

#include <sqlite3.h>

#include <string>

namespace valmir::Collation {

namespace {

// Reads one code point of UTF-8 text; a stray byte stands for itself.
char32_t nextCodePoint(const unsigned char*& p, const unsigned char* end) {
    unsigned char b = *p++;
    if (b < 0x80)
        return b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    char32_t c = b & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if (p == end || (*p & 0xC0) != 0x80)
            return b;
        c = (c << 6) | (*p++ & 0x3F);
    }
    return c;
}

// Sort weight of one character. The letters with a caron are letters of
// their own that follow their base letter; other accented letters follow
// their base letter too; case does not count. The code point takes part so
// that only characters that differ in case alone weigh the same.
quint64 weight(char32_t c) {
    if (c < 0x80) {
        if (c >= u'A' && c <= u'Z')
            c += 32;
        return (quint64(c) << 3) << 21 | c;
    }
    c = QChar::toCaseFolded(c);
    quint64 primary;
    switch (c) {
    case U'\u010D':
        primary = (quint64(u'c') << 3) + 4;
        break; // č
    case U'\u0107':
        primary = (quint64(u'c') << 3) + 5;
        break; // ć
    case U'\u0111':
        primary = (quint64(u'd') << 3) + 4;
        break; // đ
    case U'\u0161':
        primary = (quint64(u's') << 3) + 4;
        break; // š
    case U'\u017E':
        primary = (quint64(u'z') << 3) + 4;
        break; // ž
    default: {
        const QString parts = QChar::decomposition(c);
        if (QChar::decompositionTag(c) == QChar::Canonical && !parts.isEmpty() &&
            parts.at(0).unicode() < 0x80)
            primary = (quint64(parts.at(0).toCaseFolded().unicode()) << 3) + 1;
        else
            primary = (quint64(0x80) << 3) + c;
    }
    }
    return primary << 21 | c;
}

// The letter a search compares in place of c: the base letter of č, ć, š,
// ž, đ and of other accented letters, in lower case.
char32_t searchLetter(char32_t c) {
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? c + 32 : c;
    c = QChar::toCaseFolded(c);
    switch (c) {
    case U'\u010D':
    case U'\u0107':
        return u'c';
    case U'\u0111':
        return u'd';
    case U'\u0161':
        return u's';
    case U'\u017E':
        return u'z';
    default:
        break;
    }
    const QString parts = QChar::decomposition(c);
    if (QChar::decompositionTag(c) == QChar::Canonical && !parts.isEmpty() &&
        parts.at(0).unicode() < 0x80)
        return parts.at(0).toLower().unicode();
    return c;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void foldUtf8(const unsigned char* p, const unsigned char* end, std::string& out) {
    out.clear();
    out.reserve(end - p);
    while (p != end) {
        if (*p < 0x80) { // the common case, without decoding
            const unsigned char b = *p++;
            out += char(b >= 'A' && b <= 'Z' ? b + 32 : b);
        } else {
            appendUtf8(out, searchLetter(nextCodePoint(p, end)));
        }
    }
}

void foldForEngine(sqlite3_context* context, int, sqlite3_value** args) {
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    auto text = sqlite3_value_text(args[0]);
    const int length = sqlite3_value_bytes(args[0]);
    thread_local std::string folded;
    foldUtf8(text, text + length, folded);
    sqlite3_result_text(context, folded.data(), int(folded.size()), SQLITE_TRANSIENT);
}

int compareForEngine(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return compare(static_cast<const char*>(a), lengthA, static_cast<const char*>(b), lengthB);
}

} // namespace

const char* name() { return "SLOVENIAN"; }

int compare(const char* a, int lengthA, const char* b, int lengthB) {
    auto pa = reinterpret_cast<const unsigned char*>(a);
    auto pb = reinterpret_cast<const unsigned char*>(b);
    const unsigned char* endA = pa + lengthA;
    const unsigned char* endB = pb + lengthB;
    while (pa != endA && pb != endB) {
        const quint64 wa = weight(nextCodePoint(pa, endA));
        const quint64 wb = weight(nextCodePoint(pb, endB));
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    if (pa == endA)
        return pb == endB ? 0 : -1;
    return 1;
}

QString fold(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    auto p = reinterpret_cast<const unsigned char*>(utf8.constData());
    std::string folded;
    foldUtf8(p, p + utf8.size(), folded);
    return QString::fromUtf8(folded.data(), qsizetype(folded.size()));
}

bool install(sqlite3* db) {
    return sqlite3_create_collation(db, name(), SQLITE_UTF8, nullptr, compareForEngine) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "FOLD", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   foldForEngine, nullptr, nullptr) == SQLITE_OK;
}

} // namespace valmir::Collation
