#pragma once

#include <QString>

namespace valmir {

class Database;

struct LoadLinesResult {
    bool ok = true;
    QString error;
    bool hasLumpSumLine = false; // tick Check2, disable Text3
    bool hasExpenseLine = false; // a line of service 91: disable Check2
    int lines = 0;
};

// Copies the stored lines of an invoice from tblRacunTarife (data database)
// into the emptied working table tblTarifePregled (work database), taking
// numbering, description and report flag from the tariff as it now stands.
// A line whose operation is gone gets "??"/"???" and service 0; the
// lump-sum line (-1) gets its description from percentText. One
// transaction of the work database: a failure loads no line at all.
LoadLinesResult LoadLines(Database& db, Database& work, qint64 invoiceId,
                          const QString& percentText);

struct AddOperationsResult {
    bool ok = true;
    QString error;
    int added = 0;
    bool stoppedAtExpense = false; // show "Stroški so že obračunani pavšalno!" / "Lakomnež"
    bool addedExpenseLine = false; // a line of service 91 was added: disable Check2
};

// Adds every operation ticked in the picker (tblTarife.Izbrana), in the
// order TS1, TS2, that is not yet on the invoice. With the lump-sum option
// ticked the adding stops at the first operation of service 91. One
// transaction of the work database (a failure adds nothing). It writes
// through `work`: an open record set over the table has to be read again.
AddOperationsResult addPickedOperations(Database& db, Database& work, bool lumpSumTicked);

// Whether the working table holds a line of service 91.
bool hasExpenseLines(Database& work);

} // namespace valmir
