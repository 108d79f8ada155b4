#pragma once

#include <QString>

namespace valmir {

class Database;

// What a window needs of the run: the open databases and the folders. The
// start-up makes it, the main window gets it and hands it on to every
// window it opens; windows do not reach for program-wide values.
struct AppContext {
    Database* db = nullptr;   // the data database
    Database* work = nullptr; // the work database (the invoice being edited)
    QString appFolder;        // the data folder, with "/" at its end
    QString tempFolder;       // the user's private temporary folder, with "/"
};

} // namespace valmir
