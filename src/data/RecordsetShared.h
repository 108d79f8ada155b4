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
// shows. On the server a search that finds one invoice in twenty walks
// twenty times as many of the sort column's index: a few milliseconds.
constexpr int FirstRows = 128;
// Each later slice aims at this much reading: the rows per slice are
// doubled after a quicker slice and halved after a slower one, within
// these bounds, so that typing and scrolling go on while a long list is
// read, whatever the engine and the filter.
constexpr int SliceMilliseconds = 15;
constexpr int FewestRowsPerSlice = 64;
constexpr int MostRowsPerSlice = 16384;
// A LIMIT that is no limit.
constexpr int AllRows = std::numeric_limits<int>::max();

inline QString quoted(const QString& identifier) {
    QString s = identifier;
    s.replace(u'"', QStringLiteral("\"\""));
    return u'"' + s + u'"';
}

} // namespace valmir::recordset
