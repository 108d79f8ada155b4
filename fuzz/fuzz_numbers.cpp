// The readers of typed numbers: readNumber (the locale's form and "."),
// isNumeric, leadingNumber, the value a number field takes, and the counter
// taken from an invoice number. A number read back from the form in which
// a text box shows it must be the same number.

#include "FuzzSupport.h"

#include "data/Recordset.h"
#include "invoice/Numbering.h"
#include "text/TextForms.h"

#include <cmath>

using namespace valmir;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = QString::fromUtf8(bytes);

    const std::optional<double> n = readNumber(text);
    if (n.has_value() != isNumeric(text))
        fuzz::fail("isNumeric disagrees with readNumber", bytes);
    if (n) {
        if (!std::isfinite(*n))
            fuzz::fail("readNumber gave a value that is no number", bytes);
        const QString shown = localeNumberText(*n);
        const std::optional<double> back = readNumber(shown);
        if (!back || std::fabs(*back - *n) > 1e-14 * std::fabs(*n))
            fuzz::fail("a number shown in a box does not read back", shown.toUtf8());
        const std::optional<QVariant> field = numberFieldValue(text);
        if (!field || field->toDouble() != *n)
            fuzz::fail("a number field takes another value than readNumber reads", bytes);
    }
    const double lead = leadingNumber(text);
    if (!std::isfinite(lead))
        fuzz::fail("leadingNumber gave a value that is no number", bytes);
    if (std::optional<double> next = nextCounter(text))
        (void)proposeNumber(2026, *next);
    (void)proposeNumber(2026, lead);
    return 0;
}
