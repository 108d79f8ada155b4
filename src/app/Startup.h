#pragma once

#include <QString>

namespace valmir {

struct StartupOptions {
    QString dataDir; // empty: the user's data folder
    QString tempDir; // empty: the system's temporary folder + "/valmir/"
};

struct StartupResult {
    bool ok = false;
    QString message; // what went wrong, in Slovenian, naming the file
};

// Fixes the folders and paths, creates the data database on the first
// start, copies the work template over the work database, and opens both
// for the whole run. Refuses while another instance uses the same work
// database.
StartupResult startUp(const StartupOptions& options);

// Closes both databases and releases the instance lock (tests, and the
// end of the run).
void shutDown();

// The user's data folder, where the program keeps its data by default.
QString defaultDataFolder();

} // namespace valmir
