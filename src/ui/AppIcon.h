#pragma once

#include <QIcon>

namespace valmir {

// The program's icon (a theodolite over a staked-out parcel), drawn as SVG
// and shipped inside the program. Every window shows it once the
// application carries it.
QIcon appIcon();

} // namespace valmir
