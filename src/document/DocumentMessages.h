#pragma once

#include "app/Messages.h"

namespace valmir::DocumentMessages {

// What printing the price calculation says in its message boxes.

inline const Message NoLines{QStringLiteral("Kaj naj tiskam, če pa ni postavk!"),
                             QStringLiteral("Rivove")};
inline const Message NotOpened{
    QStringLiteral("Dokumenta ni bilo mogoče zapisati v mapo »%1«: nobene od datotek "
                   "racun.rtf do racun99.rtf ni bilo mogoče odpreti za pisanje. Preverite, "
                   "ali mapa obstaja in ali imate pravico pisanja vanjo."),
    Titles::Cannot}; // %1: the folder
inline const Message NotWritten{
    QStringLiteral("Dokumenta »%1« ni bilo mogoče v celoti zapisati (%2), zato ga nisem "
                   "odprl. Preverite prostor na disku in poskusite znova."),
    Titles::Cannot}; // %1: the file, %2: the system's reason
inline const Message SettingsNotRead{QStringLiteral("Nastavitev računa ni mogoče prebrati:"),
                                     Titles::Database}; // the engine's text follows
inline const Message LinesNotRead{QStringLiteral("Postavk računa ni mogoče prebrati:"),
                                  Titles::Database}; // the engine's text follows
inline const Message ServicesNotRead{
    QStringLiteral("Seznama geodetskih storitev ni mogoče prebrati:"),
    Titles::Database}; // the engine's text follows

} // namespace valmir::DocumentMessages
