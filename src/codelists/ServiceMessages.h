#pragma once

#include "app/Messages.h"

namespace valmir::ServiceMessages {

// What the services list and its edit dialog say in their message boxes.
inline const Message DuplicateNumber{
    QStringLiteral("Geodetsko storitev s to zaporedno številko že imamo v bazi!"),
    QStringLiteral("Napaka unikatnosti")};
inline const Message HasOperations{
    QStringLiteral("Te geodetske storitve ne morem brisati, saj ima že vnešene postavke!"),
    Titles::Cannot};
inline const Message ListNotRead{
    QStringLiteral("Seznama geodetskih storitev ni mogoče prebrati:\n"),
    Titles::Cannot}; // the engine's text follows
inline const Message NotSaved{QStringLiteral("Geodetske storitve ni bilo mogoče shraniti:\n"),
                              Titles::Database}; // the engine's text follows
inline const Message NotDeleted{QStringLiteral("Geodetske storitve ni bilo mogoče izbrisati:\n"),
                                Titles::Database}; // the engine's text follows

} // namespace valmir::ServiceMessages
