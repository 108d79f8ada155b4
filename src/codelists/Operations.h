#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

namespace valmir {

class Database;
class Recordset;

// The rules of the operations list (tblTarife): the services to choose
// from, the next free number, the uniqueness of a number within its
// service, and which operations may be changed or deleted. Every value goes
// into SQL as a bound parameter; failures carry the engine's text.

struct ServiceChoice {
    int ts1 = 0;
    QString name; // empty for a Null name
};

// All services in TS1 order; nullopt when the engine fails (see the
// database's lastError()).
std::optional<QList<ServiceChoice>> readServices(Database& db);

// The record source of the list of one service's operations; the service
// number is bound to its "?".
QString operationsSource();

// The number a new operation of the service is offered: one after the
// highest, or empty text when the service has none. nullopt on an engine
// error.
std::optional<QString> nextOperationNumber(Database& db, int ts1);

// What the number box holds: the number the engine reads ("12a" is 12, an
// empty box 0, "1,5" and "1.5" a fraction).
struct TypedNumber {
    double value = 0;
    bool whole = true;
};
TypedNumber readOperationNumber(const QString& text);
// The points box: the locale's decimal separator and "." are read, else
// the leading number ("40 točk" is 40, a text without a number 0).
double readPoints(const QString& text);

// What the dialog writes.
struct OperationInput {
    QString number; // Text1(0)
    QString tariffNumber;
    QString text;
    QString points; // Text1(3)
    bool active = true;
};

enum class OperationOutcome { Done, Duplicate, Fractional, Protected, Used, NoRow, Failed };

struct OperationResult {
    OperationOutcome outcome = OperationOutcome::Failed;
    QString error; // the engine's text for Failed
};

// Writes an operation through the list's record set, in one transaction
// with the uniqueness check: mode 0 adds a row of service ts1, mode 1
// changes the current row. The check runs for a new operation and for a
// changed number (loadedNumber is the number the dialog was opened with).
// A protected (Master) operation is not changed. On Done the row written
// is the list's current row; otherwise nothing is written.
OperationResult saveOperation(Recordset& list, int mode, int ts1, double loadedNumber,
                              const OperationInput& input);

// Whether the list's current operation may be deleted: Protected before
// anything else, Used when invoice lines refer to it, Done when it may go.
OperationResult checkDeletion(Recordset& list);

// Deletes the list's current operation after checking it again, in one
// transaction; the following row becomes current, or the last one when it
// was the last. Otherwise nothing is deleted and the list stands where it
// stood.
OperationResult deleteOperation(Recordset& list);

} // namespace valmir
