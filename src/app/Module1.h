#pragma once

#include "data/Database.h"

#include <QString>
#include <QVariant>

#include <memory>

namespace valmir {

// Program-wide values, one each for the whole run.
inline QString AppFolder;        // the data folder, with "/" at its end
inline QString TempFolder;       // work database and written documents
inline QString DatabasePath;     // AppFolder + "valmir2009.db"
inline QString WorkDatabasePath; // TempFolder + "valmir_tmp.db"
inline std::unique_ptr<Database> Db;
inline std::unique_ptr<Database> WorkDb;

// Hand-over values, set by a window right before it opens another.
inline int OpenMode = 0; // -1 cancelled, 0 new, 1 edit the selected, 2 new for its customer
inline bool PickConfirmed = false;
inline double SelectedTS1 = 0;
inline int CalendarTarget = 0; // 0 the invoice editor, 1 the purge dialog
inline int RtfFileNumber = 0;
inline QString RtfFileName = QStringLiteral("racun.rtf");

// Conversions for values read from the database (Null is a null QVariant).
QString AmountText(const QVariant& value);
QString NullTrim(const QVariant& value);
QString NullToStr(const QVariant& value);
QVariant NullToZero(const QVariant& value);
double NumberOrZero(const QVariant& value);
QVariant NumberOrNull(const QVariant& value);
double RoundCents(double x);

// The number a value holds, if it is numeric: a number, or a text that
// reads as one under the rules for typed numbers.
std::optional<double> numericValue(const QVariant& value);

} // namespace valmir
