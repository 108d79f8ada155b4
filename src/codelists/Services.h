#pragma once

#include <QString>
#include <QVariant>

namespace valmir {

class Database;
class Recordset;

// The rules of the code list of geodetic services (tblGeodetskaStoritev).
// The list window and its edit dialog only turn the results into messages.

// The service number of a typed text: its leading number ("12a" is 12,
// text without a leading number is 0).
double serviceNumber(const QString& text);

// What the edit dialog writes.
struct ServiceInput {
    QString number; // as typed; read by serviceNumber()
    QString name;
    QString note;
};

enum class ServiceOutcome {
    Done,          // written or deleted
    Duplicate,     // another service has the number: nothing written
    HasOperations, // the service still has operations: nothing deleted
    Reprices,      // the new number would price its operations otherwise: nothing written
    Failed,        // the engine failed: nothing changed, see error
};

struct ServiceResult {
    ServiceOutcome outcome = ServiceOutcome::Failed;
    QString error; // the engine's text for Failed
};

// Writes a service through the list's record set (a record set over
// tblGeodetskaStoritev on db): a new row when adding, else the current row,
// whose number when it was loaded is loadedNumber. A number that is new for
// the row is checked against the other services first. A changed number
// moves the service's operations (TS1 of tblTarife) with it, so that they
// stay under their service; it is refused when that would change how the
// operations are priced (by points, typed amount, expenses or lump sum),
// as the stored invoices using them would be priced otherwise at their
// next recalculation. All of it runs in one transaction; on success
// the written row is the list's current row, on any failure nothing is
// written and the list stays where it was.
ServiceResult saveService(Database& db, Recordset& list, bool adding, double loadedNumber,
                          const ServiceInput& input);

// Deletes the list's current service unless it has operations, the check
// and the delete in one transaction; then the next service becomes
// current, or the last one when the deleted one was last. On a refusal or
// a failure the service stays and the list stays on it.
ServiceResult deleteService(Database& db, Recordset& list);

} // namespace valmir
