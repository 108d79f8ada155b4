#pragma once

#include "data/Database.h"
#include "ui/AppContext.h"
#include "ui/HandOver.h"

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

} // namespace valmir
