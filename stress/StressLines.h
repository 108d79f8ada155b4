#pragma once

// Shared by the stress programs.

#include "app/Globals.h"
#include "data/Database.h"
#include "invoice/WorkingTable.h"

namespace valmir::stress {

// The editor's working table with n lines, as picking operations leaves it.
inline bool fillWorkingTable(int n) {
    if (!emptyWorkingTable(*WorkDb))
        return false;
    for (int i = 1; i <= n; ++i)
        if (!WorkDb->execute(
                QStringLiteral("INSERT INTO tblTarifePregled (ID_tarifa, Tocke, Kolicina, "
                               "Povisek, znesek, TarifnaStevilka, TS1, TS2, \"70proc\", "
                               "GeodetskaStoritev, Master) VALUES (?, ?, ?, ?, ?, 'x', ?, ?, "
                               "0, 'opravilo', 0)"),
                {i, 10.0 * i, n, QVariant(), 25.0 * i, 1, i}))
            return false;
    return true;
}

} // namespace valmir::stress
