#include "data/SafeTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace valmir::SafeTarget {

namespace {

const char* const JournalSuffixes[] = {"", "-journal", "-wal", "-shm"};

// Where a file written at path ends up: links at the name followed (a
// link whose file is not there yet too), the folder resolved; the name
// itself need not exist.
QString resolved(const QString& path) {
    QFileInfo info(QDir::cleanPath(QDir(path).absolutePath()));
    for (int hops = 0; hops < 40 && info.isSymLink(); ++hops)
        info.setFile(info.symLinkTarget());
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + u'/' + info.fileName();
}

bool sameFile(const struct stat& a, const QString& path) {
    struct stat b;
    return ::stat(QFile::encodeName(path).constData(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

} // namespace

bool isLiveFile(const QString& target, const QStringList& liveFiles) {
    const QString where = resolved(target);
    struct stat st;
    const bool exists = ::stat(QFile::encodeName(target).constData(), &st) == 0;
    for (const QString& live : liveFiles) {
        if (live.isEmpty())
            continue;
        for (const char* suffix : JournalSuffixes) {
            const QString file = live + QLatin1String(suffix);
            if (resolved(file) == where || (exists && sameFile(st, file)))
                return true;
        }
    }
    return false;
}

} // namespace valmir::SafeTarget
