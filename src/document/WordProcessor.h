#pragma once

#include <QString>
#include <QVariant>

namespace valmir {

class Database;

// The word processor's location: the field `Word` of the settings row.

// The stored location as it is in the row: Null when none was ever stored
// or there is no settings row. False, with the engine's text in *error,
// when the row cannot be read.
bool readWordLocation(Database& db, QVariant* location, QString* error);

// Stores the location exactly as typed. A database without a settings row
// gets one, so that what the user typed is not lost. False, with the
// engine's text in *error, when it cannot be written.
bool storeWordLocation(Database& db, const QString& location, QString* error);

// The program to start for a stored location, blanks around it ignored:
// an absolute path of an executable file, or a bare name ("soffice") found
// on PATH. Empty when the location names no program that can be started
// (empty, missing, a folder, not executable, a relative path).
QString resolveWordProcessor(const QString& location);

} // namespace valmir
