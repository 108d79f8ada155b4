#pragma once

// The rows of one statement as either engine gives them: the file's
// (SQLite, read as they are stepped through) or the server's (PostgreSQL,
// a result held whole). For the files of src/data only.

#include "data/Recordset.h"

#include <QString>
#include <QVariant>

namespace valmir {

class EngineQuery {
public:
    virtual ~EngineQuery() = default;
    // Moves to the next row: false at the end and on an engine error,
    // which failed() tells apart (the error is the database's lastError()).
    virtual bool next() = 0;
    virtual bool failed() const = 0;

    virtual int columnCount() const = 0;
    virtual QString columnName(int column) const = 0;
    // The kind of field by the column's declared type.
    virtual Recordset::FieldType columnType(int column) const = 0;

    virtual bool isNull(int column) const = 0;
    virtual qint64 integer(int column) const = 0;
    virtual double number(int column) const = 0;
    // The value as the engine holds it, to be bound again as it was.
    virtual QVariant stored(int column) const = 0;
    // The value as a field of that kind: a date as QDate, Yes/No as bool.
    virtual QVariant field(int column, Recordset::FieldType type) const = 0;
};

} // namespace valmir
