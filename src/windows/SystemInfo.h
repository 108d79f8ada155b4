#pragma once

#include <QString>

namespace valmir {

// The system-information tools looked for, in this order, on the program
// search path: the first one found is started by "&System Info...".
inline constexpr const char* SystemInfoTools[] = {
    "hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor", "lshw-gtk",
};

// The full path of the first tool of the list found in the folders of
// `searchPath` (a PATH-style list); empty when there is none.
QString findSystemInfoTool(const QString& searchPath);

// Starts the first tool found on PATH on its own; false when none is found
// or it cannot be started.
bool startSystemInfoTool();

} // namespace valmir
