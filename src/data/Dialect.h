#pragma once

#include <QString>

namespace valmir::Dialect {

// The program writes its statements in its own dialect: Yes/No constants
// are the words True and False ("SET Izbrana = False"), which the engine
// does not know. Outside quoted text and quoted names they become 1 and 0;
// everything else stays as written.
QString translate(const QString& sql);

} // namespace valmir::Dialect
