#pragma once

struct sqlite3;

namespace valmir::Collation {

// The order of the program's text columns (declared COLLATE SLOVENIAN):
// case does not count, and the letters follow the Slovenian alphabet, so
// that Čatež comes after Celje, not after Žalec (C, Č, D ... S, Š, T ...
// Z, Ž). Other accented letters follow their base letter.
const char* name();

// Compares two UTF-8 texts in that order: negative, zero or positive.
int compare(const char* a, int lengthA, const char* b, int lengthB);

// Makes the collation known to a connection; false when the engine refuses
// it (the connection's error message tells why).
bool install(sqlite3* db);

} // namespace valmir::Collation
