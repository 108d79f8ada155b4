#pragma once

#include <QString>
#include <QStringList>

namespace valmir {

// Files the program writes where the user says (a backup copy, the CSV of
// the turnover) are written beside the target and renamed over it. Aimed
// at a file the running program lives on, that would swap the file under
// its open connection: every later write fails, and the next start finds
// a CSV where its data were.
namespace SafeTarget {

// Whether writing `target` would replace one of `liveFiles` or a journal
// SQLite keeps beside one ("-journal", "-wal", "-shm"): the same path once
// links and ".." are resolved, or another name of the same file (a hard
// link), told by device and inode.
bool isLiveFile(const QString& target, const QStringList& liveFiles);

} // namespace SafeTarget
} // namespace valmir
