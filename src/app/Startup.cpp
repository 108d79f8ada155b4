#include "app/Startup.h"

#include "app/Globals.h"
#include "data/Backup.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/Seed.h"
#include "data/ServerSchema.h"
#include "invoice/StoredTotals.h"
#include "invoice/Vat.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "text/Module1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace valmir {

namespace {

std::unique_ptr<QLockFile> g_instanceLock;

StartupResult failure(const QString& text) {
    shutDown();
    return {false, text, {}};
}

QString withSlash(const QString& folder) {
    QString f = QDir::cleanPath(QDir(folder).absolutePath());
    return f.endsWith(u'/') ? f : f + u'/';
}

bool folderWritable(const QString& folder) {
    QFile probe(folder + QStringLiteral(".valmir-write-test"));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}

// Makes a folder, and the missing folders above it, with rights for this
// user only (the folders above with the usual rights). False when it is
// neither made nor there.
bool createOwnerOnlyFolder(const QString& clean) {
    QDir().mkpath(QFileInfo(clean).path()); // an error shows with the folder itself
    return ::mkdir(QFile::encodeName(clean).constData(), 0700) == 0 || errno == EEXIST;
}

// Takes the rights of every other account from a file or folder of this
// user's. A file system without such rights (a FAT memory stick given with
// --data-dir) keeps its own: the data stay usable there.
void narrowToOwner(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077))
        ::chmod(name.constData(), st.st_mode & 07700);
}

// The work database and the written documents belong to one account. A
// folder shared by every account locks out each user but the first, and a
// known name in a folder that everybody may write to can be prepared by
// another account beforehand: as a link to a file of the victim's or as a
// folder of its own where it reads or swaps the documents. So the folder
// is made by this user with rights for nobody else, and a folder found in
// its place is taken only when it is a real folder of this user.
QString makePrivateFolder(const QString& folder) {
    // No slash at the end: lstat would follow a link to a folder.
    const QString clean = QDir::cleanPath(folder);
    const QByteArray path = QFile::encodeName(clean);
    const QString shown = QDir::toNativeSeparators(folder);
    struct stat st;
    if (!createOwnerOnlyFolder(clean) || ::lstat(path.constData(), &st) != 0)
        return QStringLiteral("Začasne mape \"%1\" ni mogoče ustvariti.\n"
                              "Preverite pravice nadrejene mape.")
            .arg(shown);
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("Začasna mapa \"%1\" je povezava na drugo mesto, ne mapa.\n"
                              "Zaradi varnosti je program ne uporabi; odstranite povezavo in "
                              "poskusite znova.")
            .arg(shown);
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("Na mestu začasne mape \"%1\" je datoteka, ne mapa.\n"
                              "Odstranite jo in poskusite znova.")
            .arg(shown);
    if (st.st_uid != ::geteuid())
        return QStringLiteral("Začasna mapa \"%1\" pripada drugemu uporabniku.\n"
                              "Zaradi varnosti je program ne uporabi; odstranite jo in "
                              "poskusite znova.")
            .arg(shown);
    if ((st.st_mode & 07777) != 0700 && ::chmod(path.constData(), 0700) != 0)
        return QStringLiteral("Začasni mapi \"%1\" ni mogoče odvzeti pravic drugih "
                              "uporabnikov.\nPreverite pravice mape.")
            .arg(shown);
    return QString();
}

// A start killed between making the lock file and writing its process id
// into it leaves the file empty (or cut short), and QLockFile, which
// judges a lock by that id, would take it for held for ever: the program
// would not start again until somebody deleted the file. The owner holds
// the file with flock() from the moment it exists, so a lock file without
// a readable owner that nobody holds so is abandoned.
bool lockAbandoned(const QString& path) {
    qint64 pid = 0;
    QString host, app;
    if (QLockFile(path).getLockInfo(&pid, &host, &app))
        return false; // QLockFile decides by the owner's process
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return !held;
}

// The work database is thrown away at the next start: no journal on disk
// and no waiting for the disk. Empty, or why it cannot be used.
QString openWorkDatabase(const QString& templatePath) {
    QString error;
    WorkDb = Database::open(WorkDatabasePath, QString(), &error);
    if (!WorkDb || !WorkDb->hasTables(Schema::workTables()) ||
        !WorkDb->execute(QStringLiteral("PRAGMA journal_mode=MEMORY")) ||
        !WorkDb->execute(QStringLiteral("PRAGMA synchronous=OFF")))
        return QStringLiteral("Delovne baze \"%1\" ni mogoče odpreti (%2).\n"
                              "Predloga \"%3\" ni predloga programa VALMIR; obnovite "
                              "jo iz varnostne kopije.")
            .arg(QDir::toNativeSeparators(WorkDatabasePath), WorkDb ? WorkDb->lastError() : error,
                 QDir::toNativeSeparators(templatePath));
    return {};
}

// Tables of an older version, brought up to this one in one transaction:
// the first workstation started with the new program does it for all.
// Another starting at the same moment waits for the lock and then finds
// them done.
bool upgradeServer(Database& db, int from) {
    Transaction tx(db);
    QVariant now;
    // The other's upgrade may take longer than the session's lock_timeout.
    if (!tx.active() || !db.execute(QStringLiteral("SET LOCAL lock_timeout = 0")) ||
        !db.execute(QStringLiteral("LOCK TABLE valmir_shema IN ACCESS EXCLUSIVE MODE")) ||
        !db.queryValue(QStringLiteral("SELECT verzija FROM valmir_shema"), {}, &now))
        return false;
    if (now.toInt() >= ServerSchema::Version)
        return true;
    return db.upgradeServer(std::max(from, now.toInt())) && tx.commit();
}

// The office's database on a server: the program's tables, of this
// version (older ones brought up to it). Empty, or why it cannot be used.
QString openServer(const QString& conninfo) {
    QString error;
    Db = Database::connect(conninfo, &error);
    if (!Db)
        return ServerMessages::Unreachable.text.arg(error);
    if (!Db->hasTables(Schema::dataTables()) || !Db->hasTables({QStringLiteral("valmir_shema")}))
        return ServerMessages::NotOurs.text.arg(Db->path(), Db->lastError());
    QVariant version;
    if (!Db->queryValue(QStringLiteral("SELECT verzija FROM valmir_shema"), {}, &version))
        return ServerMessages::Unreachable.text.arg(Db->lastError());
    if (version.toInt() > ServerSchema::Version)
        return ServerMessages::NewerVersion.text.arg(version.toInt()).arg(ServerSchema::Version);
    if (version.toInt() < ServerSchema::FirstVersion)
        return ServerMessages::OlderVersion.text.arg(version.toInt()).arg(ServerSchema::Version);
    if (version.toInt() < ServerSchema::Version && !upgradeServer(*Db, version.toInt()))
        return ServerMessages::UpgradeRefused.text.arg(version.toInt())
            .arg(ServerSchema::Version)
            .arg(Db->lastError());
    DatabasePath.clear();
    return {};
}

} // namespace

QString defaultTempFolder() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/valmir/");
    return QStandardPaths::writableLocation(QStandardPaths::TempLocation) +
           QStringLiteral("/valmir-%1/").arg(::geteuid());
}

QString defaultDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

std::unique_ptr<QCoreApplication> headlessApplication() {
    if (QCoreApplication::instance())
        return nullptr;
    static int argc = 1;
    static char name[] = "valmir";
    static char* argv[] = {name, nullptr};
    auto core = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("valmir"));
    QCoreApplication::setOrganizationName(QString());
    return core;
}

StartupResult startUp(const StartupOptions& options) {
    // The upgrade of a file of before prices its invoices with the
    // invoice rules, which the engine does not know.
    Schema::setStepWork(3, computeStoredTotals);
    const QString appFolder =
        withSlash(options.dataDir.isEmpty() ? defaultDataFolder() : options.dataDir);
    const QString tempFolder =
        withSlash(options.tempDir.isEmpty() ? defaultTempFolder() : options.tempDir);
    if (const QString refused = makePrivateFolder(tempFolder); !refused.isEmpty())
        return {false, refused, {}};
    const QString workPath = tempFolder + QStringLiteral("valmir_tmp.db");

    // The work database has one fixed path: a second instance would wipe
    // the lines the first one is editing. The check comes before anything
    // else is touched, so that the running instance keeps its databases.
    const QString lockPath = tempFolder + QStringLiteral("valmir.lock");
    auto lock = std::make_unique<QLockFile>(lockPath);
    lock->setStaleLockTime(0); // a lock is stale only when its process is gone
    bool locked = lock->tryLock(0);
    if (!locked && lock->error() == QLockFile::LockFailedError && lockAbandoned(lockPath) &&
        lock->removeStaleLockFile())
        locked = lock->tryLock(0);
    if (!locked) {
        if (lock->error() == QLockFile::LockFailedError)
            return {false,
                    QStringLiteral("VALMIR je že odprt.\nDelovna baza \"%1\" je v uporabi; "
                                   "zaprite drugo okno programa VALMIR in poskusite znova.")
                        .arg(QDir::toNativeSeparators(workPath)),
                    {}};
        return {false,
                QStringLiteral("V začasno mapo \"%1\" ni mogoče pisati.\n"
                               "Preverite pravice mape.")
                    .arg(QDir::toNativeSeparators(tempFolder)),
                {}};
    }
    shutDown();
    g_instanceLock = std::move(lock);
    AppFolder = appFolder;
    TempFolder = tempFolder;
    DatabasePath = AppFolder + DataFileName;
    WorkDatabasePath = workPath;
    const QString templatePath = AppFolder + QStringLiteral("tmp.db");

    // The data database is keyed with the same password in every
    // installation: the rights of the account are what keeps the data of
    // the office from the other accounts of the computer.
    const QString cleanAppFolder = QDir::cleanPath(AppFolder);
    if (createOwnerOnlyFolder(cleanAppFolder))
        narrowToOwner(cleanAppFolder);
    if (!QFileInfo(cleanAppFolder).isDir() || !folderWritable(AppFolder))
        return failure(QStringLiteral("V podatkovno mapo \"%1\" ni mogoče pisati.\n"
                                      "Preverite pravice mape ali program zaženite z "
                                      "--data-dir in drugo mapo.")
                           .arg(QDir::toNativeSeparators(AppFolder)));

    QString error;
    const bool onServer = !options.server.isEmpty();
    // On a server no data file is made; the template is all the folder needs.
    if (onServer && !QFileInfo::exists(templatePath) &&
        !Seed::createWorkTemplate(templatePath, &error))
        return failure(QStringLiteral("Predloge delovne baze \"%1\" ni mogoče ustvariti:\n%2")
                           .arg(QDir::toNativeSeparators(templatePath), error));
    // The data database comes last: once it is there the first start is
    // over, and a later start takes a missing template for a lost file. A
    // first start cut short (killed, power gone) before it simply runs
    // again.
    if (!onServer && !QFileInfo::exists(DatabasePath)) {
        if (!QFileInfo::exists(templatePath) && !Seed::createWorkTemplate(templatePath, &error))
            return failure(QStringLiteral("Predloge delovne baze \"%1\" ni mogoče ustvariti:\n%2")
                               .arg(QDir::toNativeSeparators(templatePath), error));
        if (!Seed::createDataDatabase(DatabasePath, DefaultVatPercent, &error))
            return failure(QStringLiteral("Podatkovne baze \"%1\" ni mogoče ustvariti:\n%2")
                               .arg(QDir::toNativeSeparators(DatabasePath), error));
    }

    narrowToOwner(DatabasePath);
    narrowToOwner(templatePath);
    if (!QFileInfo::exists(templatePath))
        return failure(QStringLiteral("Manjka predloga delovne baze \"%1\".\n"
                                      "Brez nje računa ni mogoče urejati; obnovite datoteko iz "
                                      "varnostne kopije.")
                           .arg(QDir::toNativeSeparators(templatePath)));
    // A journal left beside an old work database would be played back
    // into the fresh copy.
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(WorkDatabasePath + QLatin1String(suffix));
    if (!QFile::copy(templatePath, WorkDatabasePath))
        return failure(QStringLiteral("Predloge \"%1\" ni mogoče kopirati v \"%2\".")
                           .arg(QDir::toNativeSeparators(templatePath),
                                QDir::toNativeSeparators(WorkDatabasePath)));
    QFile::setPermissions(WorkDatabasePath, QFile::ReadOwner | QFile::WriteOwner);

    if (onServer) {
        if (const QString refused = openServer(options.server); !refused.isEmpty())
            return failure(refused);
        if (const QString failed = openWorkDatabase(templatePath); !failed.isEmpty())
            return failure(failed);
        return {true, {}, {}};
    }

    if (!QFileInfo(DatabasePath).isWritable())
        return failure(QStringLiteral("Podatkovna baza \"%1\" je samo za branje.\n"
                                      "Preverite pravice datoteke.")
                           .arg(QDir::toNativeSeparators(DatabasePath)));
    Db = Database::open(DatabasePath, Schema::dataPassword(), &error);
    // An empty file opens as an empty database: without the tables it is
    // not ours, and every window would fail on it later.
    if (Db && !Db->hasTables(Schema::dataTables()))
        error = Db->lastError();
    if (!Db || !error.isEmpty())
        return failure(QStringLiteral("Podatkovne baze \"%1\" ni mogoče odpreti (%2).\n"
                                      "Datoteka ni podatkovna baza programa VALMIR ali je "
                                      "poškodovana. Obnovite jo iz varnostne kopije.")
                           .arg(QDir::toNativeSeparators(DatabasePath), error));
    // An upgrade cannot be undone once committed, and a step that does
    // the wrong thing would leave no way back: the file as it was is kept
    // first, and without that copy it is not upgraded.
    QString keptBeforeUpgrade;
    if (const std::optional<int> version = Schema::schemaVersion(*Db);
        version && *version < Schema::CurrentVersion &&
        !Backup::keepBeforeUpgrade(*Db, Backup::folderIn(AppFolder), Schema::dataPassword(),
                                   *version, today(), &keptBeforeUpgrade, &error))
        return failure(BackupMessages::NotKeptBeforeUpgrade.text.arg(
            QDir::toNativeSeparators(DatabasePath), QDir::toNativeSeparators(keptBeforeUpgrade),
            error));
    // A file of an earlier version gets the tables this one reads before
    // any window opens a record set on it; one of a newer version is not
    // touched.
    if (const QString refused = Schema::upgradeDataDatabase(*Db); !refused.isEmpty())
        return failure(QStringLiteral("Podatkovne baze \"%1\" ni mogoče uporabiti.\n%2")
                           .arg(QDir::toNativeSeparators(DatabasePath), refused));
    // Pages are decrypted as they are read; a cache that holds the indexes
    // of twenty years of invoices lets a second sort of the list skip that.
    Db->execute(QStringLiteral("PRAGMA cache_size = -32768"));
    if (const QString failed = openWorkDatabase(templatePath); !failed.isEmpty())
        return failure(failed);
    return {true, {}, keptBeforeUpgrade};
}

void shutDown() {
    WorkDb.reset();
    Db.reset();
    g_instanceLock.reset();
}

} // namespace valmir
