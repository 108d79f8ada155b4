#pragma once

#include "app/Messages.h"

namespace valmir::WordMessages {

// Starting the word processor and storing where it is.
inline const QString Title = QStringLiteral("Zoprna reč");
inline const Message NotFound{
    QStringLiteral("Ne najdem urejevalnika besedil! Prosim, preveri njegovo lokacijo."), Title};
inline const Message CannotOpen{
    QStringLiteral("Imam težavo pri odpiranju računa! Mogoče je račun še zmeraj odprt! "
                   "Preveri in poskusi znova."),
    Title};
inline const Message NotRead{QStringLiteral("Lokacije urejevalnika besedil ni mogoče prebrati:\n"),
                             Titles::Database}; // the engine's text follows
inline const Message NotSaved{
    QStringLiteral("Lokacije urejevalnika besedil ni bilo mogoče shraniti:\n"),
    Titles::Database}; // the engine's text follows

} // namespace valmir::WordMessages
