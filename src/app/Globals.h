#pragma once

#include "app/AppContext.h"
#include "data/Database.h"

#include <QString>

#include <memory>

namespace valmir {

// Program-wide values, one each for the whole run. The start-up sets the
// folders and owns the open databases; windows get them through the
// AppContext that the main window hands on.
inline QString AppFolder;        // the data folder, with "/" at its end
inline QString TempFolder;       // work database and written documents
inline QString DatabasePath;     // AppFolder + "valmir2009.db"
inline QString WorkDatabasePath; // TempFolder + "valmir_tmp.db"
inline std::unique_ptr<Database> Db;
inline std::unique_ptr<Database> WorkDb;

// The context of the run as the start-up left it.
inline AppContext appContext() { return {Db.get(), WorkDb.get(), AppFolder, TempFolder}; }

// Hand-over values, set by a window right before it opens another.
inline int OpenMode = 0; // -1 cancelled, 0 new, 1 edit the selected, 2 new for its customer
inline bool PickConfirmed = false;
inline double SelectedTS1 = 0;
inline int CalendarTarget = 0; // 0 the invoice editor, 1 the purge dialog
inline int RtfFileNumber = 0;
inline QString RtfFileName = QStringLiteral("racun.rtf");

} // namespace valmir
