#pragma once

#include "app/Messages.h"

namespace valmir::OperationMessages {

// The operations list "Opravila" and its dialog "Opravilo".

inline const Message ServicesNotRead{QStringLiteral("Seznama geodetskih storitev ni mogoče prebrati:"),
                                     Titles::Cannot}; // the engine's text follows
inline const Message OperationsNotRead{QStringLiteral("Seznama opravil ni mogoče prebrati:"),
                                       Titles::Cannot}; // the engine's text follows
inline const Message MarksNotCleared{
    QStringLiteral("Oznak izbranih opravil ni bilo mogoče počistiti:"),
    Titles::Database}; // the engine's text follows

// Deleting
inline const Message Protected{
    QStringLiteral("Tega opravila ne smeš brisati, saj je zakonsko zaščiteno!"), Titles::Cannot};
inline const Message UsedOnInvoices{
    QStringLiteral("Tega opravila ne morem brisati, saj se že pojavlja na računih!"),
    Titles::Cannot};
inline const Message AskDelete{QStringLiteral("Želiš resnično izbrisati to opravilo iz šifranta?"),
                               QStringLiteral("Trenutek odločitve")};
inline const Message NotDeleted{QStringLiteral("Opravila ni bilo mogoče izbrisati:"),
                                Titles::Cannot}; // the engine's text follows

// The dialog
inline const Message DuplicateNumber{
    QStringLiteral("Postavko s to zaporedno številko že imamo v bazi!"),
    QStringLiteral("Napaka unikatnosti")};
inline const Message FractionalNumber{
    QStringLiteral("Zaporedna številka opravila mora biti celo število, na primer 12."),
    QStringLiteral("Napačen vnos")};
inline const Message ProtectedChange{
    QStringLiteral("Tega opravila ne smeš spreminjati, saj je zakonsko zaščiteno!"),
    Titles::Cannot};
inline const Message NotSaved{QStringLiteral("Opravila ni bilo mogoče shraniti:"),
                              Titles::Cannot}; // the engine's text follows
inline const Message NextNumberNotRead{
    QStringLiteral("Naslednje zaporedne številke ni mogoče prebrati:"),
    Titles::Cannot}; // the engine's text follows

} // namespace valmir::OperationMessages
