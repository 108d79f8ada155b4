#include "app/Program.h"

#include "app/Glavna.h"
#include "app/Globals.h"
#include "app/QtTranslation.h"
#include "app/ServerChoice.h"
#include "app/ServerTransfer.h"
#include "app/Startup.h"
#include "data/Backup.h"
#include "data/Schema.h"
#include "document/EInvoice.h"
#include "document/Payments.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "ui/AppIcon.h"
#include "ui/MessageBox.h"
#include "ui/WindowFit.h"
#include "windows/Navodila.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace valmir {

namespace {

constexpr int StartFailed = 1;
constexpr int BadCommandLine = 2;

const QString Title = QStringLiteral("VALMIR");
const QString Description =
    QStringLiteral("VALMIR 2009 - aplikacija za pripravo računa geodetske storitve");
const QString Usage = QStringLiteral("Uporaba: valmir [--data-dir MAPA] [--server POVEZAVA] "
                                     "[--e-racun ŠTEVILKA DATOTEKA [--oblika eslog|peppol] | "
                                     "--prenesi POVEZAVA | --izpisek DATOTEKA...]");

struct CommandLine {
    enum Asks { Run, Help, Version, EInvoice, Transfer, Statements, Wrong };
    Asks asks = Run;
    QString dataDir;
    QString error;          // what is wrong, for Wrong
    QString number;         // the invoice, for EInvoice
    QString file;           // where its e-invoice goes; "-" for the standard output
    EInvoiceFormat format = EInvoiceFormat::OfCustomer; // the e-invoice's, --oblika
    QString conninfo;       // the server database, for Transfer
    QString server;         // the server database to work on (Run)
    QStringList statements; // the bank statements to read, for Statements
    bool onConsole = false; // a wrong line is told on the console, not in a box
};

CommandLine readCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption dataDir(QStringLiteral("data-dir"), QString(), QStringLiteral("MAPA"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption eInvoice(QStringLiteral("e-racun"), QString(),
                                      QStringLiteral("ŠTEVILKA"));
    const QCommandLineOption transfer(QStringLiteral("prenesi"), QString(),
                                      QStringLiteral("POVEZAVA"));
    const QCommandLineOption server(QStringLiteral("server"), QString(),
                                    QStringLiteral("POVEZAVA"));
    const QCommandLineOption statements(QStringLiteral("izpisek"));
    const QCommandLineOption form(QStringLiteral("oblika"), QString(),
                                  QStringLiteral("eslog|peppol"));
    parser.addOptions({dataDir, help, version, eInvoice, transfer, server, statements, form});
    CommandLine line;
    // Whoever asks for an e-invoice works on a console and reads it there.
    line.onConsole = std::any_of(arguments.cbegin(), arguments.cend(), [](const QString& a) {
        return a == u"--e-racun" || a.startsWith(QStringLiteral("--e-racun=")) ||
               a == u"--prenesi" || a.startsWith(QStringLiteral("--prenesi=")) || a == u"--izpisek";
    });
    const auto wrong = [&line](const QString& error) {
        line.asks = CommandLine::Wrong;
        line.error = error;
        return line;
    };
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            return wrong(QStringLiteral("Neznana možnost: --%1").arg(unknown.first()));
        if (arguments.last() == u"--oblika")
            return wrong(QStringLiteral("Za --oblika manjka oblika: eslog ali peppol."));
        if (arguments.last() == u"--prenesi" || arguments.last() == u"--server")
            return wrong(
                QStringLiteral("Za %1 manjka niz za povezavo s strežnikom.").arg(arguments.last()));
        return wrong(parser.isSet(eInvoice) || !parser.isSet(dataDir)
                         ? QStringLiteral("Za --e-racun manjka številka računa.")
                         : QStringLiteral("Za --data-dir manjka mapa."));
    }
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(help)) {
        line.asks = CommandLine::Help;
        return line;
    }
    if (parser.isSet(version)) {
        line.asks = CommandLine::Version;
        return line;
    }
    line.dataDir = parser.value(dataDir);
    if (parser.isSet(server) && parser.isSet(transfer))
        return wrong(QStringLiteral("--server ne gre skupaj s --prenesi."));
    line.server = parser.value(server);
    if (parser.isSet(transfer)) {
        if (parser.isSet(eInvoice))
            return wrong(QStringLiteral("--prenesi in --e-racun ne gresta skupaj."));
        if (!positional.isEmpty())
            return wrong(QStringLiteral("Neznan argument: %1").arg(positional.join(u' ')));
        line.asks = CommandLine::Transfer;
        line.conninfo = parser.value(transfer);
        return line;
    }
    if (parser.isSet(form) && !parser.isSet(eInvoice))
        return wrong(QStringLiteral("--oblika gre le skupaj z --e-racun."));
    if (parser.isSet(statements)) {
        if (parser.isSet(eInvoice))
            return wrong(QStringLiteral("--izpisek in --e-racun ne gresta skupaj."));
        if (positional.isEmpty())
            return wrong(QStringLiteral("Za --izpisek manjka datoteka izpiska."));
        line.asks = CommandLine::Statements;
        line.statements = positional;
        return line;
    }
    if (parser.isSet(eInvoice)) {
        if (parser.isSet(form)) {
            const QString asked = parser.value(form);
            if (asked == u"eslog")
                line.format = EInvoiceFormat::Eslog;
            else if (asked == u"peppol")
                line.format = EInvoiceFormat::Peppol;
            else
                return wrong(
                    QStringLiteral("Neznana oblika e-računa: %1 (eslog ali peppol).").arg(asked));
        }
        if (positional.size() != 1)
            return wrong(
                positional.isEmpty()
                    ? QStringLiteral("Za --e-racun manjka datoteka (ali - za izpis).")
                    : QStringLiteral("Neznan argument: %1").arg(positional.mid(1).join(u' ')));
        line.asks = CommandLine::EInvoice;
        line.number = parser.value(eInvoice);
        line.file = positional.first();
        return line;
    }
    if (!positional.isEmpty())
        return wrong(QStringLiteral("Neznan argument: %1").arg(positional.join(u' ')));
    return line;
}

QString helpText() {
    return Usage + QStringLiteral("\n\n") + Description +
           QStringLiteral(
               "\n\nMožnosti:\n"
               "  --data-dir MAPA  podatkovna mapa (privzeto ~/.local/share/valmir)\n"
               "  --server POVEZAVA\n"
               "                   dela s podatki pisarne v bazi na strežniku PostgreSQL\n"
               "                   (niz za povezavo libpq; geslo v ~/.pgpass); brez nje velja\n"
               "                   izbira v oknu Podatki > Strežnik\n"
               "  --e-racun ŠTEVILKA DATOTEKA\n"
               "                   zapiše shranjeni račun ŠTEVILKA kot e-račun v obliki, ki\n"
               "                   jo ima naročnik v Naročnikih (privzeto e-SLOG 2.0), v\n"
               "                   DATOTEKO (- za standardni izhod) in konča, brez oken;\n"
               "                   s --server iz baze na strežniku\n"
               "  --oblika eslog|peppol\n"
               "                   z --e-racun: e-SLOG 2.0 ali Peppol BIS Billing 3.0 (UBL)\n"
               "  --prenesi POVEZAVA\n"
               "                   prenese podatke v prazno bazo na strežniku PostgreSQL\n"
               "                   (niz za povezavo libpq, npr. \"host=streznik dbname=valmir\";\n"
               "                   geslo v ~/.pgpass), izpiše število vrstic in konča\n"
               "  --izpisek DATOTEKA...\n"
               "                   prebere bančne izpiske camt.053 in razporedi plačila\n"
               "                   računom; za vsako datoteko izpiše vrstico in konča, brez\n"
               "                   oken; s --server v bazo na strežniku\n"
               "  -h, --help       izpiše ta navodila in konča\n"
               "  -v, --version    izpiše različico programa in konča\n");
}

// One line on the standard error, and the exit code of a failure.
int toldOnConsole(const QString& text, int exitCode) {
    std::fputs((text.simplified() + u'\n').toUtf8().constData(), stderr);
    std::fflush(stderr);
    return exitCode;
}

// "--e-racun NUMBER FILE": the stored invoice's e-invoice, without a
// display. The data are opened as a start opens them, with a work database
// of its own, so that a VALMIR running on the same data is not disturbed.
// On a failure no file is left: the file is written whole or not at all.
int writeEInvoice(const CommandLine& line) {
    const std::unique_ptr<QCoreApplication> core = headlessApplication();
    const QString folder = line.dataDir.isEmpty() ? defaultDataFolder() : line.dataDir;
    // An e-invoice is never made from data that are not there: no start
    // that would create an empty database.
    const QString data = QDir(folder).filePath(DataFileName);
    if (line.server.isEmpty() && !QFileInfo(data).isFile())
        return toldOnConsole(
            QStringLiteral("Podatkov ni: »%1« ne obstaja.").arg(QDir::toNativeSeparators(data)),
            StartFailed);
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return toldOnConsole(scratch.errorString(), StartFailed);
    StartupOptions options;
    options.dataDir = folder;
    options.tempDir = scratch.path();
    options.server = line.server;
    const StartupResult started = startUp(options);
    if (!started.ok)
        return toldOnConsole(started.message, StartFailed);
    // Data of an older version were upgraded for this: where the copy of
    // them as they were went is worth a line, though nothing failed.
    if (!started.keptBeforeUpgrade.isEmpty())
        toldOnConsole(BackupMessages::KeptBeforeUpgrade.text.arg(
                          QDir::toNativeSeparators(started.keptBeforeUpgrade)),
                      0);
    const EInvoiceResult made =
        eInvoiceOfStoredInvoice(*Db, line.number, scratch.path(), line.format);
    shutDown();
    if (!made.ok)
        return toldOnConsole(made.error, StartFailed);
    if (line.file == u"-") {
        const size_t size = size_t(made.xml.size());
        const bool written = std::fwrite(made.xml.constData(), 1, size, stdout) == size &&
                             std::fflush(stdout) == 0 && !std::ferror(stdout);
        return written ? 0
                       : toldOnConsole(QStringLiteral("E-računa ni bilo mogoče izpisati."),
                                       StartFailed);
    }
    QSaveFile file(line.file);
    if (!file.open(QIODevice::WriteOnly) || file.write(made.xml) != made.xml.size() ||
        !file.commit())
        return toldOnConsole(QStringLiteral("E-računa ni bilo mogoče zapisati v »%1«: %2")
                                 .arg(QDir::toNativeSeparators(line.file), file.errorString()),
                             StartFailed);
    return 0;
}

// "--izpisek FILE...": each bank statement read and booked in a
// transaction of its own, without a display; a line per file on the
// standard output, a refused file's on the standard error (exit 1). The
// data are opened as for an e-invoice.
int readStatements(const CommandLine& line) {
    const std::unique_ptr<QCoreApplication> core = headlessApplication();
    const QString folder = line.dataDir.isEmpty() ? defaultDataFolder() : line.dataDir;
    const QString data = QDir(folder).filePath(DataFileName);
    if (line.server.isEmpty() && !QFileInfo(data).isFile())
        return toldOnConsole(
            QStringLiteral("Podatkov ni: »%1« ne obstaja.").arg(QDir::toNativeSeparators(data)),
            StartFailed);
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return toldOnConsole(scratch.errorString(), StartFailed);
    StartupOptions options;
    options.dataDir = folder;
    options.tempDir = scratch.path();
    options.server = line.server;
    const StartupResult started = startUp(options);
    if (!started.ok)
        return toldOnConsole(started.message, StartFailed);
    if (!started.keptBeforeUpgrade.isEmpty())
        toldOnConsole(BackupMessages::KeptBeforeUpgrade.text.arg(
                          QDir::toNativeSeparators(started.keptBeforeUpgrade)),
                      0);
    int rc = 0;
    for (const QString& path : line.statements) {
        const QString shown = QDir::toNativeSeparators(path);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            rc = toldOnConsole(PaymentMessages::FileNotRead.arg(shown, file.errorString()),
                               StartFailed);
            continue;
        }
        const StatementImport read = importStatement(*Db, file.readAll(), today());
        if (!read.ok) {
            rc = toldOnConsole(shown + QStringLiteral(": ") + read.error, StartFailed);
            continue;
        }
        std::fputs((importSummary(shown, read) + u'\n').toUtf8().constData(), stdout);
        std::fflush(stdout);
    }
    shutDown();
    return rc;
}

// The day's copy of the data on a normal exit. A failure is kept and told
// at the next start; when even that note cannot be written (a full disk),
// it is told at once.
void makeDailyCopy() {
    QString error, unrecorded;
    if (!Backup::makeDailyCopy(*Db, Backup::folderIn(AppFolder), Schema::dataPassword(), today(),
                               Backup::DailyCopiesKept, &error) &&
        !Backup::recordFailure(AppFolder, error, &unrecorded))
        Msg::critical(nullptr, BackupMessages::DailyFailedUntold, error + u'\n' + unrecorded);
}

// What the start has to tell about the copies, once the main window shows.
void tellAboutCopies(QWidget* window, const StartupResult& started) {
    const QString failed = Backup::takeFailure(AppFolder);
    const QString kept = started.keptBeforeUpgrade;
    if (failed.isEmpty() && kept.isEmpty())
        return;
    QTimer::singleShot(0, window, [window, failed, kept] {
        if (!kept.isEmpty())
            Msg::information(
                window, BackupMessages::KeptBeforeUpgrade.text.arg(QDir::toNativeSeparators(kept)),
                BackupMessages::KeptBeforeUpgrade.title);
        if (!failed.isEmpty())
            Msg::critical(window, BackupMessages::DailyFailed, failed);
    });
}

// The server is looked at before the start, so that only its own refusals
// (unreachable, not the program's data, another version) offer the file
// instead, for this run: the remembered choice stays. False when the user
// would rather end.
bool serverOrFile(QString* server) {
    const ServerChoice::Probe found = ServerChoice::probe(*server);
    if (found.usable())
        return true;
    if (!Msg::question(nullptr, ServerMessages::StartOnFile.text.arg(ServerChoice::told(found)),
                       ServerMessages::StartOnFile.title))
        return false;
    server->clear();
    return true;
}

} // namespace

int answerOnConsole(const QStringList& arguments) {
    const CommandLine line = readCommandLine(arguments);
    if (line.asks == CommandLine::EInvoice)
        return writeEInvoice(line);
    if (line.asks == CommandLine::Statements)
        return readStatements(line);
    if (line.asks == CommandLine::Transfer)
        return ServerTransfer::run(line.dataDir, line.conninfo);
    if (line.asks == CommandLine::Wrong && line.onConsole)
        return toldOnConsole(line.error + QStringLiteral(" ") + Usage, BadCommandLine);
    if (line.asks == CommandLine::Help)
        std::fputs(helpText().toUtf8().constData(), stdout);
    else if (line.asks == CommandLine::Version)
        std::fputs(QStringLiteral("VALMIR 2009, različica %1\n")
                       .arg(QStringLiteral(VALMIR_VERSION))
                       .toUtf8()
                       .constData(),
                   stdout);
    else
        return -1;
    std::fflush(stdout);
    return 0;
}

int runValmir(QApplication& app, const QStringList& arguments) {
    installQtTranslation(app);
    installWindowFit();
    Navodila::installHelpKey();
    app.setWindowIcon(appIcon());
    if (const int answered = answerOnConsole(arguments); answered >= 0)
        return answered;
    const CommandLine line = readCommandLine(arguments);
    // A desktop program started from a menu has no console to print to:
    // a wrong command line is told in a box.
    if (line.asks == CommandLine::Wrong) {
        Msg::critical(nullptr, line.error + u'\n' + Usage, Title);
        return BadCommandLine;
    }

    StartupOptions options;
    options.dataDir = line.dataDir;
    // "--server" wins over the account's choice for this run; it is never kept.
    options.server = line.server.isEmpty() ? ServerChoice::remembered() : line.server;
    if (!options.server.isEmpty() && !serverOrFile(&options.server))
        return StartFailed;
    const StartupResult started = startUp(options);
    if (!started.ok) {
        Msg::critical(nullptr, started.message, Title);
        return StartFailed;
    }

    int rc;
    {
        Glavna window(appContext());
        window.show();
        tellAboutCopies(&window, started);
        // Told over the window shown, once the run's events are going.
        QTimer::singleShot(0, &window, [&window] { window.tellFirstSteps(); });
        rc = app.exec();
    }
    // The server's data are kept by the server's own backups.
    if (rc == 0 && !Db->onServer())
        makeDailyCopy();
    shutDown();
    return rc;
}

} // namespace valmir
