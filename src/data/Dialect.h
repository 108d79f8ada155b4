#pragma once

#include <QString>

#include <functional>

namespace valmir::Dialect {

// The program writes its statements in its own dialect: Yes/No constants
// are the words True and False ("SET Izbrana = False"), which the engine
// does not know. Outside quoted text and quoted names they become 1 and 0;
// everything else stays as written.
QString translate(const QString& sql);

// The same statement for the office's PostgreSQL server, whose tables
// ServerSchema makes:
// - True and False stay words; "?" become $1, $2 ...;
// - names in double quotes (or brackets) are the server's, in lower case;
// - rowid is the key of its table (keyOf, given the table's name in lower
//   case): a qualified one (t.rowid) of the table that name or alias
//   stands for, a bare one of the one table its query (or the nearest
//   query around it) reads from, after RETURNING of the table written. A
//   rowid the statement does not tell the table of (two tables it reads,
//   an unknown name) stays rowid, which the server refuses;
// - ifnull, FOLD, total, round and replace are the server's coalesce,
//   valmir_fold, valmir_total, valmir_round (which rounds half away from
//   zero) and valmir_replace (which works on any collation);
// - IN_SET(column, ?) is column = ANY(?), the set bound as an array;
// - COLLATE SLOVENIAN is the server's collation of the text columns
//   (valmir_sl: ICU's Slovenian order without regard to case);
// - FOLD(x) is valmir_fold(x) in a deterministic collation, which LIKE
//   needs;
// - CAST(... AS INTEGER) is a 64-bit integer, as the file's integers are;
// - Null sorts before every value, as in the file: an ORDER BY term is
//   NULLS FIRST, with DESC NULLS LAST;
// - AS name keeps the name's spelling in the result.
QString forServer(const QString& sql, const std::function<QString(const QString&)>& keyOf);

} // namespace valmir::Dialect
