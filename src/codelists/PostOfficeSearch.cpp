#include "codelists/PostOfficeSearch.h"

#include "data/Recordset.h"
#include "text/Module1.h"
#include "text/TextForms.h"

namespace valmir {

double widenedPostcode(const QString& typed) {
    double v = leadingNumber(typed);
    if (v == 0)
        return 0;
    if (v < 10)
        v *= 10;
    if (v < 100)
        v *= 10;
    if (v < 1000)
        v *= 10;
    return v;
}

bool seekAtLeast(Recordset& rs, const QVariant& key) {
    if (!rs.seek(QStringLiteral(">="), {key})) {
        rs.clearReadError();
        return false;
    }
    if (rs.noMatch())
        rs.moveLast();
    return true;
}

QString postcodeText(const QVariant& stev) {
    return stev.isNull() ? QString() : plainNumberText(NumberOrZero(stev));
}

} // namespace valmir
