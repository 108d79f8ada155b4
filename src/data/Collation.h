#pragma once

#include <QString>

struct sqlite3;

namespace valmir::Collation {

// The order of the program's text columns (declared COLLATE SLOVENIAN):
// case does not count, and the letters follow the Slovenian alphabet, so
// that Čatež comes after Celje, not after Žalec (C, Č, D ... S, Š, T ...
// Z, Ž). Other accented letters follow their base letter.
const char* name();

// Compares two UTF-8 texts in that order: negative, zero or positive.
int compare(const char* a, int lengthA, const char* b, int lengthB);

// Text as a search compares it: lower case, and the letters č, ć, š, ž, đ
// and other accented letters as their base letter ("Čuk" -> "cuk"). The
// engine knows it as the function FOLD(text) (Null gives Null).
QString fold(const QString& text);

// Makes the collation and FOLD known to a connection; false when the engine refuses
// it (the connection's error message tells why).
bool install(sqlite3* db);

} // namespace valmir::Collation
