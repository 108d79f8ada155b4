#pragma once

#include <QString>

#include <memory>
#include <utility>

class QCoreApplication;

namespace valmir {

// The data database's file name in the data folder.
inline const QString DataFileName = QStringLiteral("valmir2009.db");

struct StartupOptions {
    StartupOptions(QString data = {}, QString temp = {}, QString conninfo = {})
        : dataDir(std::move(data)), tempDir(std::move(temp)), server(std::move(conninfo)) {}
    QString dataDir; // empty: the user's data folder
    QString tempDir; // empty: defaultTempFolder()
    QString server;  // the office's database (libpq connection string); empty: the file
};

struct StartupResult {
    bool ok = false;
    QString message;           // what went wrong, in Slovenian, naming the file
    QString keptBeforeUpgrade; // the copy of the data kept before this start upgraded them
};

// Fixes the folders and paths, creates the data database on the first
// start, copies the work template over the work database, and opens both
// for the whole run; a data database of an earlier version is copied into
// the folder of copies and then upgraded, one of a newer version refused.
// Refuses a temporary folder that is a link, a file or another user's, and
// refuses while another instance uses the same work database. With a
// server the data are the server's: no data file is made or opened, and a
// server without the program's tables or of another version is refused.
StartupResult startUp(const StartupOptions& options);

// Closes both databases and releases the instance lock (tests, and the
// end of the run).
void shutDown();

// The user's data folder, where the program keeps its data by default.
QString defaultDataFolder();

// For the modes that run without a window: an application of the
// program's name when none runs yet (the caller keeps it as long as it
// works), else none.
std::unique_ptr<QCoreApplication> headlessApplication();

// The user's own temporary folder for the work database and the documents:
// in the user's runtime folder where there is one, else "valmir-<uid>" in
// the system's temporary folder. Start-up makes it private to the user.
QString defaultTempFolder();

} // namespace valmir
