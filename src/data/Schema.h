#pragma once

#include <QString>
#include <QStringList>

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

// Creates the tables of the data database (and the indexes that keep the
// invoice list quick to sort) in an empty file.
bool createDataTables(Database& db);

// Creates the working table of the work database in an empty file.
bool createWorkTables(Database& db);

} // namespace Schema
} // namespace valmir
