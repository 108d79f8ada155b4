#pragma once

// Shared by the fuzz targets: a check that a text is RTF a reader takes
// in one piece, and the end of a run that found a fault.

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

namespace valmir::fuzz {

// Stops the run with the reason; libFuzzer keeps the input that did it.
[[noreturn]] inline void fail(const char* what, const QByteArray& text) {
    std::fprintf(stderr, "FAULT: %s\n%.*s\n", what, int(std::min<qsizetype>(text.size(), 2000)),
                 text.constData());
    std::abort();
}

inline bool cp1250Byte(unsigned char b) {
    // The five bytes Windows-1250 leaves undefined, and control characters
    // other than the line end.
    if (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98)
        return false;
    return b >= 0x20 || b == '\r' || b == '\n';
}

// Groups balanced (never closed before they open, all closed at the end
// when `whole`), every byte a Windows-1250 character, every control word
// well formed and every \uN followed by its "?" replacement. Returns the
// reason, or null when the text is fine.
inline const char* rtfFault(const QByteArray& rtf, bool whole) {
    int depth = 0;
    const qsizetype n = rtf.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(rtf.at(i));
        if (!cp1250Byte(c))
            return "a byte that is not Windows-1250 text";
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth < 0)
                return "a group closed that was never opened";
        } else if (c == '\\') {
            if (++i >= n)
                return "a backslash at the end";
            const char s = rtf.at(i);
            if (s == '\\' || s == '{' || s == '}' || s == '*' || s == '~' || s == '-' || s == '_')
                continue;
            if (s == '\'') {
                if (i + 2 >= n || !std::isxdigit(static_cast<unsigned char>(rtf.at(i + 1))) ||
                    !std::isxdigit(static_cast<unsigned char>(rtf.at(i + 2))))
                    return "a \\' without two hex digits";
                i += 2;
                continue;
            }
            if (!std::isalpha(static_cast<unsigned char>(s)))
                return "a backslash before a character that is no control word";
            const qsizetype word = i;
            while (i < n && std::isalpha(static_cast<unsigned char>(rtf.at(i))))
                ++i;
            const bool unicode = i - word == 1 && rtf.at(word) == 'u';
            const qsizetype number = i;
            if (i < n && rtf.at(i) == '-')
                ++i;
            while (i < n && std::isdigit(static_cast<unsigned char>(rtf.at(i))))
                ++i;
            if (unicode) {
                if (i == number || i >= n || rtf.at(i) != '?')
                    return "a \\u without its number and replacement";
            } else if (i < n && rtf.at(i) != ' ') {
                --i; // the delimiter is the next character itself
            }
        }
    }
    if (whole && depth != 0)
        return "groups left open at the end";
    return nullptr;
}

} // namespace valmir::fuzz
