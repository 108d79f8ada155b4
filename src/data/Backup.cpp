#include "data/Backup.h"

#include "data/Database.h"
#include "data/Schema.h"
#include "text/Messages.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace valmir::Backup {

namespace {

const QString FailureFile = QStringLiteral("varnostna-kopija-ni-uspela.txt");

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

// Copies every page of one open database into another in a single step:
// the destination is written in one transaction, so a copy that fails
// half way leaves it as it was.
bool copyPages(sqlite3* from, sqlite3* to, QString* error) {
    // A database on a server has no pages here to copy.
    if (!from || !to) {
        *error = ServerMessages::NotOnServer.text;
        return false;
    }
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) {
        *error = QString::fromUtf8(sqlite3_errmsg(to));
        return false;
    }
    const int stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (stepped == SQLITE_DONE && finished == SQLITE_OK)
        return true;
    *error = QString::fromUtf8(sqlite3_errstr(stepped != SQLITE_DONE ? stepped : finished));
    return false;
}

bool makeFolder(const QString& folder, QString* error) {
    if (QFileInfo(folder).isDir())
        return true;
    if (::mkdir(QFile::encodeName(QDir::cleanPath(folder)).constData(), 0700) == 0)
        return true;
    *error =
        QStringLiteral("mape \"%1\" ni mogoče ustvariti (%2)").arg(shown(folder), systemError());
    return false;
}

bool isDailyName(const QString& name) {
    static const QRegularExpression pattern(
        QStringLiteral("^valmir2009-(\\d{4}-\\d{2}-\\d{2})\\.db$"));
    const QRegularExpressionMatch m = pattern.match(name);
    return m.hasMatch() && QDate::fromString(m.captured(1), Qt::ISODate).isValid();
}

struct DailyCopy {
    QString path;
    QDateTime made;
};

// The daily copies of the folder, oldest first by the time each was
// written: the date in a name is the clock's of that day, and a clock set
// back would make the copy just written look the oldest.
QList<DailyCopy> dailyCopies(const QString& folder) {
    QList<DailyCopy> copies;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
        if (isDailyName(file.fileName()))
            copies.append({file.absoluteFilePath(), file.lastModified()});
    std::stable_sort(copies.begin(), copies.end(),
                     [](const DailyCopy& a, const DailyCopy& b) { return a.made < b.made; });
    return copies;
}

bool pruneDailyCopies(const QString& folder, int keep, const QString& fresh, QString* error) {
    QList<DailyCopy> copies = dailyCopies(folder);
    copies.removeIf([&fresh](const DailyCopy& c) { return c.path == fresh; });
    --keep; // the fresh copy is one of those kept
    for (qsizetype i = 0; i + keep < copies.size(); ++i) {
        if (!QFile::remove(copies[i].path)) {
            *error = QStringLiteral("stare kopije \"%1\" ni mogoče izbrisati")
                         .arg(shown(copies[i].path));
            return false;
        }
    }
    return true;
}

} // namespace

QString folderIn(const QString& dataFolder) {
    return QDir(dataFolder).filePath(QStringLiteral("varnostne-kopije")) + u'/';
}

QString dailyName(const QDate& day) {
    return QStringLiteral("valmir2009-%1.db").arg(day.toString(Qt::ISODate));
}

bool copyTo(Database& db, const QString& path, const QString& password, QString* error) {
    // Written under a passing name beside the target and renamed over it
    // when complete: a copy that fails leaves no half file and keeps the
    // file that was there. QTemporaryFile makes the file for its owner only.
    QTemporaryFile part(QFileInfo(path).absolutePath() + QStringLiteral("/.valmir-kopija-XXXXXX"));
    if (!part.open()) {
        *error = QStringLiteral("v mapo \"%1\" ni mogoče pisati (%2)")
                     .arg(shown(QFileInfo(path).absolutePath()), part.errorString());
        return false;
    }
    part.close();
    {
        // An empty file opens as an empty database.
        auto copy = Database::open(part.fileName(), password, error);
        if (!copy || !copyPages(db.handle(), copy->handle(), error))
            return false;
    }
    if (std::rename(QFile::encodeName(part.fileName()).constData(),
                    QFile::encodeName(path).constData()) != 0) {
        *error = QStringLiteral("datoteke \"%1\" ni mogoče zapisati (%2)")
                     .arg(shown(path), systemError());
        return false;
    }
    part.setAutoRemove(false); // its name is gone with the rename
    return true;
}

bool makeDailyCopy(Database& db, const QString& folder, const QString& password, const QDate& day,
                   int keep, QString* error) {
    if (!makeFolder(folder, error))
        return false;
    const QString path = QFileInfo(QDir(folder).filePath(dailyName(day))).absoluteFilePath();
    if (!QFileInfo::exists(path) && !copyTo(db, path, password, error))
        return false;
    return pruneDailyCopies(folder, keep, path, error);
}

QString refusal(const QString& path, const QString& password) {
    QString error;
    auto copy = Database::open(path, password, &error);
    if (!copy)
        return error;
    QVariant verdict;
    if (!copy->queryValue(QStringLiteral("PRAGMA integrity_check"), {}, &verdict))
        return copy->lastError();
    if (verdict.toString() != QLatin1String("ok"))
        return QStringLiteral("datoteka je poškodovana (%1)").arg(verdict.toString());
    if (!copy->hasTables(Schema::dataTables()))
        return QStringLiteral("datoteka ni podatkovna baza programa VALMIR");
    if (!Schema::schemaKnown(*copy))
        return QStringLiteral("zapisala jo je novejša različica programa (različica podatkov %1, "
                              "ta program pozna različice do %2)")
            .arg(Schema::schemaVersion(*copy).value_or(-1))
            .arg(Schema::CurrentVersion);
    return QString();
}

bool restore(Database& db, const QString& path, const QString& password, const QString& keepFolder,
             const QDateTime& now, QString* error) {
    if (QFileInfo(path).canonicalFilePath() == QFileInfo(db.path()).canonicalFilePath()) {
        *error = QStringLiteral("to je podatkovna baza, ki je v uporabi");
        return false;
    }
    if (const QString why = refusal(path, password); !why.isEmpty()) {
        *error = why;
        return false;
    }
    const QString kept = QDir(keepFolder)
                             .filePath(QStringLiteral("valmir2009-pred-obnovo-%1.db")
                                           .arg(now.toString(QStringLiteral("yyyy-MM-dd-HHmmss"))));
    QString why;
    if (!makeFolder(keepFolder, &why) || !copyTo(db, kept, password, &why)) {
        *error = QStringLiteral("trenutnih podatkov ni mogoče shraniti kot kopijo: %1").arg(why);
        return false;
    }
    // The copy goes to a private file of its own first, where one of an
    // earlier version gets the tables this version reads: the data database
    // then goes from one complete state to the other in a single step.
    QTemporaryFile staged(QDir(keepFolder).filePath(QStringLiteral(".valmir-obnova-XXXXXX")));
    if (!staged.open()) {
        *error = staged.errorString();
        return false;
    }
    staged.close();
    auto copy = Database::open(path, password, error);
    auto stage = copy ? Database::open(staged.fileName(), password, error) : nullptr;
    if (!stage || !copyPages(copy->handle(), stage->handle(), error))
        return false;
    if (const QString refused = Schema::upgradeDataDatabase(*stage); !refused.isEmpty()) {
        *error = refused;
        return false;
    }
    return copyPages(stage->handle(), db.handle(), error);
}

bool recordFailure(const QString& dataFolder, const QString& reason, QString* error) {
    // A full disk is the likeliest reason a copy fails, and it fails the
    // note as well: every step is checked, down to the disk.
    const QString path = QDir(dataFolder).filePath(FailureFile);
    QFile file(path);
    const QByteArray bytes = reason.toUtf8();
    QString why;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(bytes) != bytes.size() || !file.flush())
        why = file.errorString();
    else if (::fsync(file.handle()) != 0)
        why = systemError();
    else
        return true;
    *error = QStringLiteral("zapiska \"%1\" ni mogoče zapisati (%2)").arg(shown(path), why);
    return false;
}

QString takeFailure(const QString& dataFolder) {
    QFile file(QDir(dataFolder).filePath(FailureFile));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString reason = QString::fromUtf8(file.readAll()).trimmed();
    file.close();
    file.remove();
    // A note that was begun but not written through is a failure all the same.
    return reason.isEmpty() ? QStringLiteral("razlog ni zapisan") : reason;
}

QString upgradeName(int version, const QDate& day) {
    return QStringLiteral("valmir2009-pred-nadgradnjo-v%1-%2.db")
        .arg(version)
        .arg(day.toString(Qt::ISODate));
}

bool keepBeforeUpgrade(Database& db, const QString& folder, const QString& password, int version,
                       const QDate& day, QString* path, QString* error) {
    *path = QDir(folder).filePath(upgradeName(version, day));
    return makeFolder(folder, error) && copyTo(db, *path, password, error);
}

} // namespace valmir::Backup
