// A loadable extension for the sqlcipher shell that gives its connection a
// collation named SLOVENIAN, so that the shell can prepare queries over the
// program's text columns (declared COLLATE SLOVENIAN) at all:
//
//   .load build-bench/bench/libvalmir_shell_collation.so
//
// It compares bytes, not the program's Slovenian order. A query that reads
// rows along an index in its order (ORDER BY StevilkaRacuna DESC LIMIT 40)
// never compares two keys, so it yields the rows in the program's order; a
// query that searches or sorts by such a column would not.

#include <sqlite3ext.h>

#include <cstring>

SQLITE_EXTENSION_INIT1

namespace {

int compareBytes(void*, int lengthA, const void* a, int lengthB, const void* b) {
    const int c = std::memcmp(a, b, std::size_t(lengthA < lengthB ? lengthA : lengthB));
    return c != 0 ? c : lengthA - lengthB;
}

} // namespace

extern "C" int sqlite3_extension_init(sqlite3* db, char**, const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    return sqlite3_create_collation(db, "SLOVENIAN", SQLITE_UTF8, nullptr, compareBytes);
}
