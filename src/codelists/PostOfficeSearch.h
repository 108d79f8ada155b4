#pragma once

#include <QString>
#include <QVariant>

namespace valmir {

class Recordset;

// The postcode that the beginning of a typed one stands for: its leading
// number widened to four digits, so that "1" is 1000, "12" 1200, "123"
// 1230 and "1234" stays 1234. 0 when the text has no leading number (or
// it is 0): then there is nothing to look for.
double widenedPostcode(const QString& typed);

// Moves a table record set to the first row whose key in its current index
// is at least `key`, or to its last row when there is none. When the
// engine cannot search so, the current row stays where it was and false
// is returned; the failure is not kept in the record set, so that the
// reads that follow tell their own.
bool seekAtLeast(Recordset& rs, const QVariant& key);

// A postcode as the boxes show it: "1000"; empty for Null.
QString postcodeText(const QVariant& stev);

} // namespace valmir
