// Start-up on a data folder whose database file holds the input: random
// bytes, or a real data database cut short or changed. Start-up either
// refuses with a message or starts, and then the invoice list and the
// settings read as the main window reads them, with an error or without:
// never a crash.
//
// VALMIR_FUZZ_SEEDS=DIR writes a real data database and copies of it cut
// after 1, 2, 8 and half of its pages into DIR, and ends.

#include "FuzzSupport.h"

#include "app/Globals.h"
#include "app/Startup.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "document/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace valmir;

namespace {

QTemporaryDir* root;
StartupOptions options;

QString dataFile() { return options.dataDir + QStringLiteral("/valmir2009.db"); }

void writeSeeds(const QString& dir) {
    QFile real(dataFile());
    if (!real.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray bytes = real.readAll();
    QDir().mkpath(dir);
    const qsizetype page = 1024; // SQLCipher 3 pages
    const std::pair<const char*, qsizetype> cuts[] = {
        {"real", bytes.size()},    {"cut-1-page", page},           {"cut-2-pages", 2 * page},
        {"cut-8-pages", 8 * page}, {"cut-half", bytes.size() / 2}, {"cut-odd", 3 * page + 100}};
    for (const auto& [name, length] : cuts) {
        QFile out(dir + u'/' + QLatin1String(name));
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(bytes.left(length)) != std::min(length, bytes.size()))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    root = new QTemporaryDir;
    options = {root->path() + QStringLiteral("/data"), root->path() + QStringLiteral("/tmp")};
    // The first start makes the data folder with the work template.
    const StartupResult first = startUp(options);
    if (!first.ok)
        fuzz::fail("the first start failed", first.message.toUtf8());
    shutDown();
    if (const QByteArray seeds = qgetenv("VALMIR_FUZZ_SEEDS"); !seeds.isEmpty()) {
        writeSeeds(QString::fromLocal8Bit(seeds));
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(dataFile() + QLatin1String(suffix));
    {
        QFile file(dataFile());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            fuzz::fail("cannot write the data file", file.errorString().toUtf8());
    }
    const StartupResult started = startUp(options);
    if (!started.ok) {
        if (started.message.isEmpty())
            fuzz::fail("start-up refused without a message", {});
        return 0;
    }
    // What the main window reads first.
    if (auto list = Db->openRecordset(
            QStringLiteral("SELECT * FROM tblRacun ORDER BY StevilkaRacuna DESC"))) {
        for (list->moveFirst(); !list->eof() && list->position() < 40; list->moveNext())
            for (const QString& name : list->fieldNames())
                (void)list->field(name);
    }
    InvoiceSettings settings;
    QString error;
    (void)readInvoiceSettings(*Db, &settings, &error);
    shutDown();
    return 0;
}
