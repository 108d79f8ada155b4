#pragma once

#include "ui/AppContext.h"

class QWidget;

namespace valmir {

// "Varnostna kopija..." of the data menu: asks for a file and saves a copy
// of the data database there.
void saveBackupCopy(QWidget* parent, const AppContext& context);

// "Obnovi iz varnostne kopije...": asks for a copy, refuses one that cannot
// be put back, asks before replacing and puts it back, keeping the current
// data as a copy first. True when the data were replaced.
bool restoreBackupCopy(QWidget* parent, const AppContext& context);

} // namespace valmir
