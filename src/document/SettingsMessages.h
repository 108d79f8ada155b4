#pragma once

#include "app/Messages.h"

namespace valmir::SettingsMessages {

// What "Naši podatki" and "Računi" say in their message boxes.
inline const Message CounterNotNumeric{
    QStringLiteral("Številka računa mora bniti numerična vrednost!"), Titles::Cannot};
inline const Message PointValueNotNumeric{
    QStringLiteral("Vrednost točke ni podana v numerični obliki!"), QStringLiteral("Šlamparija")};
inline const Message NotRead{QStringLiteral("Nastavitev ni mogoče prebrati:\n"),
                             Titles::Cannot}; // the engine's text follows
inline const Message NotSaved{QStringLiteral("Nastavitev ni bilo mogoče shraniti:\n"),
                              Titles::Database}; // the engine's text follows

} // namespace valmir::SettingsMessages
