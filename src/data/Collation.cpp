#include "data/Collation.h"

#include <QChar>
#include <QString>

#include <sqlite3.h>

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

bool install(sqlite3* db) {
    return sqlite3_create_collation(db, name(), SQLITE_UTF8, nullptr, compareForEngine) ==
           SQLITE_OK;
}

} // namespace valmir::Collation
