#pragma once

// What the files of the record set share (Recordset.cpp and the
// Recordset*.cpp beside it): the sizes it reads in and the quoting of
// names. Included by those files only.

#include "data/EngineQuery.h"
#include "data/Recordset.h"

#include <limits>

namespace valmir::recordset {

// Rows are read this many at a time when a list scrolls into them.
constexpr int FetchBlock = 128;
// Beyond this many cached rows the cache starts afresh.
constexpr int CacheLimit = 20000;
// Beyond this many rows added by one statement, reading the key set again
// is quicker than placing each row.
constexpr int PlaceOneByOne = 64;
// The rows of an ordered dynaset read when it opens: more than a screen
// shows, and all the rows of the program's smaller lists.
constexpr int FirstRows = 1024;
// The rows of each later slice: a few milliseconds of reading.
constexpr int RowsPerSlice = 16384;
// A LIMIT that is no limit.
constexpr int AllRows = std::numeric_limits<int>::max();

inline QString quoted(const QString& identifier) {
    QString s = identifier;
    s.replace(u'"', QStringLiteral("\"\""));
    return u'"' + s + u'"';
}

} // namespace valmir::recordset
