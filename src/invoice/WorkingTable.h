#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>

#include <optional>

namespace valmir {

class Database;
class Recordset;

// The working table tblTarifePregled of the work database holds the lines
// of the invoice being edited. Every line is added, removed and read in
// order through here, so that the editor, saving and the document agree on
// what a line holds.

// Empties the working table before an invoice is opened.
bool emptyWorkingTable(Database& work);

struct LoadLinesResult {
    bool ok = true;
    QString error;
    bool hasLumpSumLine = false; // tick the lump-sum option, lock its percentage
    bool hasExpenseLine = false; // a line of service 91: the lump-sum option is locked
    int lines = 0;
};

// Copies the stored lines of an invoice from tblRacunTarife (data database)
// into the emptied working table, taking numbering, description and report
// flag from the tariff as it now stands. A line whose operation is gone
// gets "??"/"???" and service 0; the lump-sum line (-1) gets its
// description from percentText. One transaction of the work database: a
// failure loads no line at all.
LoadLinesResult LoadLines(Database& db, Database& work, qint64 invoiceId,
                          const QString& percentText);

struct AddOperationsResult {
    bool ok = true;
    QString error;
    int added = 0;
    bool stoppedAtExpense = false; // expenses are charged as the lump sum already
    bool addedExpenseLine = false; // a line of service 91 was added: lock the lump-sum option
};

// The operations ticked in the picker belong to the workstation that ticks
// them: they are kept in a table of the data database's connection alone
// (a TEMP table, on the file as on a server), which another workstation
// neither sees nor clears. clearPicks() empties it, setPicked() ticks or
// unticks one operation (one deleted meanwhile is simply never added),
// pickedOperations() gives the IDs ticked; false or nothing on an engine
// error (db.lastError() tells why).
bool clearPicks(Database& db);
bool setPicked(Database& db, const QVariant& operationId, bool picked);
std::optional<QSet<qint64>> pickedOperations(Database& db);

// Adds every operation ticked in the picker (pickedOperations), in the
// order TS1, TS2, that is not yet on the invoice. With the lump-sum option
// ticked the adding stops at the first operation of service 91. One
// transaction of the work database (a failure adds nothing).
AddOperationsResult addPickedOperations(Database& db, Database& work, bool lumpSumTicked);

// Whether the working table holds a line of service 91; nothing when the
// table could not be read (work.lastError() tells why).
std::optional<bool> hasExpenseLines(Database& work);

// The description of the lump-sum line for a percentage text.
QString lumpSumDescription(const QString& percentText);

// Adds the lump-sum line when the working table has none, removes it when
// it has one. Returns whether it was added; *ok is false on an engine error.
// The amount is stored rounded to cents.
bool toggleLumpSumLine(Database& work, double lumpSumAmount, const QString& percentText, bool* ok);

// Deletes the current line of `lines` (the grid's record set, ordered by
// the index Red). returnTo holds TS1 and TS2 of the line the grid goes to
// afterwards: the one that followed, or the last one.
struct DeletedLine {
    bool ok = false;
    QVariantList returnTo;
};
DeletedLine deleteCurrentLine(Recordset& lines);
// Puts `lines` on the line returnTo names, or on the last line when it is
// gone. False when the lookup failed (the record set's error tells why).
bool returnToLine(Recordset& lines, const QVariantList& returnTo);

// One line as the working table holds it.
struct WorkingLine {
    QVariant tariffId; // ID_tarifa; -1 for the lump-sum line
    QVariant tariffNumber;
    QVariant ts1;
    QVariant ts2;
    QVariant description;
    QVariant points;
    QVariant quantity;
    QVariant surcharge;
    QVariant amount;
    bool report = false; // part of the survey report (70 % rule)
    bool master = false;
};

// The lines in the grid's order (TS1, TS2, then as added); false on an
// engine error (work.lastError() tells why), with *out left empty.
bool readLines(Database& work, QList<WorkingLine>* out);

} // namespace valmir
