#pragma once

// What the files of the record set share (Recordset.cpp and the
// Recordset*.cpp beside it): the sizes it reads in, the engine's statement
// and the reading of a stored value. Included by those files only.

#include "data/Recordset.h"

#include <limits>

#include <sqlite3.h>

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

// A field's value as the engine holds it, to be bound again as it was.
inline QVariant storedValue(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, column);
    case SQLITE_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                                 sqlite3_column_bytes(stmt, column));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                          sqlite3_column_bytes(stmt, column));
    default:
        return {};
    }
}

inline QString quoted(const QString& identifier) {
    QString s = identifier;
    s.replace(u'"', QStringLiteral("\"\""));
    return u'"' + s + u'"';
}

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

// The kind of a field by the declared type of its column. Numbers go by
// the words the engine itself reads a numeric column from.
inline Recordset::FieldType fieldTypeOf(const char* declared) {
    const QString type = QString::fromUtf8(declared).toUpper();
    if (type == u"DATE")
        return Recordset::FieldType::Date;
    if (type == u"BOOLEAN")
        return Recordset::FieldType::YesNo;
    for (const char* word : {"INT", "REAL", "FLOA", "DOUB", "NUM", "DEC"})
        if (type.contains(QLatin1String(word)))
            return Recordset::FieldType::Number;
    return Recordset::FieldType::Other;
}

} // namespace valmir::recordset
