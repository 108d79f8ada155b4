// The RTF writer's escaping of user text: whatever the text, the escaped
// form and a table cell holding it are well-formed RTF in Windows-1250.

#include "FuzzSupport.h"

#include "document/Rtf.h"

using namespace valmir;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte chooses how the rest is read: UTF-8 or UTF-16, so
    // that lone surrogates and characters beyond the first plane come up.
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const QString text =
        (data[0] & 1) ? QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()),
                                           bytes.size() / 2)
                      : QString::fromUtf8(bytes);
    const QString escaped = rtfEscape(text);
    for (QChar c : escaped)
        if (!inWindows1250(c))
            fuzz::fail("an escaped text holds a character outside Windows-1250", escaped.toUtf8());
    const QByteArray rtf = toWindows1250(escaped);
    if (const char* fault = fuzz::rtfFault(rtf, true))
        fuzz::fail(fault, rtf);
    const QByteArray cell =
        toWindows1250(MakeCell(data[0] & 2 ? AmountCell : TextCell, text, (data[0] >> 2) % 3));
    if (const char* fault = fuzz::rtfFault(cell, true))
        fuzz::fail(fault, cell);
    return 0;
}
