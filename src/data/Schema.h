#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace valmir {

class Database;

// The tables of both database files and the named indexes that table
// record sets order by and seek in.
namespace Schema {

// The password with which the data database is keyed.
QString dataPassword();

// The tables every data database and every work database holds.
QStringList dataTables();
QStringList workTables();

// Columns of a named index of a table ("ID" of tblTarife is on ID, "ID" of
// tblGeodetskaStoritev on TS1, ...). Empty when the table has no such index.
QStringList indexColumns(const QString& table, const QString& indexName);

// The version of the data database's tables that this program reads and
// writes, kept in the file as PRAGMA user_version. A file made before the
// tables carried a version holds 0. Every change of the tables is a new
// step at the end of the upgrade table in Schema.cpp, and this number is
// the version of the last step.
inline constexpr int CurrentVersion = 10;

// The version the file carries; nothing on an engine error.
std::optional<int> schemaVersion(Database& db);

// Whether this program knows the file's tables: its version is not newer
// than CurrentVersion. (An older file is known too; upgradeDataDatabase
// brings it up to date.) Whoever takes a data database from elsewhere, a
// backup for instance, refuses it when this is false.
bool schemaKnown(Database& db);

// What makes two customers one in the register tblNarocnik, as an SQL
// expression over a row's Ime, Naslov, PST and Davcna (prefix "n." names
// the row): the tax number without blanks and a leading "SI" where there
// is one, else the folded name, street and postcode. The upgrade that
// fills the register and every later lookup use this one expression.
QString customerKey(const QString& row);

// Some steps fill what they add with the rules of a subject above the
// engine (step 3 prices the invoices of before with the invoice rules);
// those rules hand their work in here before any data database is opened
// or made. A step whose work was not handed in fails. The work runs inside
// the upgrade's transaction; false on an engine error (db.lastError()).
using StepWork = bool (*)(Database& db);
void setStepWork(int version, StepWork work);

// Brings a data database that was just opened, before anything else reads
// it, to CurrentVersion: runs each step of the upgrade table that the file
// has not had yet, in order, and the new version number, all in one
// transaction. Returns empty text on success (also when there was nothing
// to do), else a Slovenian text for the user: a file of a newer program is
// refused and left untouched, and a step that fails leaves the file as it
// was.
// `target` is for tests that need a file of an earlier version.
QString upgradeDataDatabase(Database& db, int target = CurrentVersion);

// Creates the tables of the data database (and the indexes that keep the
// invoice list quick to sort) in an empty file, at the current version.
bool createDataTables(Database& db);

// Creates the working table of the work database in an empty file.
bool createWorkTables(Database& db);

} // namespace Schema
} // namespace valmir
