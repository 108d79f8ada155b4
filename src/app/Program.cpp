#include "app/Program.h"

#include "app/Glavna.h"
#include "app/Globals.h"
#include "app/QtTranslation.h"
#include "app/Startup.h"
#include "data/Backup.h"
#include "data/Schema.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "ui/AppIcon.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>

#include <cstdio>

namespace valmir {

namespace {

constexpr int StartFailed = 1;
constexpr int BadCommandLine = 2;

const QString Title = QStringLiteral("VALMIR");
const QString Description =
    QStringLiteral("VALMIR 2009 - aplikacija za pripravo računa geodetske storitve");
const QString Usage = QStringLiteral("Uporaba: valmir [--data-dir MAPA]");

struct CommandLine {
    enum Asks { Run, Help, Version, Wrong };
    Asks asks = Run;
    QString dataDir;
    QString error; // what is wrong, for Wrong
};

CommandLine readCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption dataDir(QStringLiteral("data-dir"), QString(), QStringLiteral("MAPA"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({dataDir, help, version});
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        return {CommandLine::Wrong, QString(),
                unknown.isEmpty() ? QStringLiteral("Za --data-dir manjka mapa.")
                                  : QStringLiteral("Neznana možnost: --%1").arg(unknown.first())};
    }
    if (!parser.positionalArguments().isEmpty())
        return {CommandLine::Wrong, QString(),
                QStringLiteral("Neznan argument: %1").arg(parser.positionalArguments().join(u' '))};
    if (parser.isSet(help))
        return {CommandLine::Help, QString(), QString()};
    if (parser.isSet(version))
        return {CommandLine::Version, QString(), QString()};
    return {CommandLine::Run, parser.value(dataDir), QString()};
}

QString helpText() {
    return Usage + QStringLiteral("\n\n") + Description +
           QStringLiteral("\n\nMožnosti:\n"
                          "  --data-dir MAPA  podatkovna mapa (privzeto ~/.local/share/valmir)\n"
                          "  -h, --help       izpiše ta navodila in konča\n"
                          "  -v, --version    izpiše različico programa in konča\n");
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

} // namespace

int answerOnConsole(const QStringList& arguments) {
    const CommandLine line = readCommandLine(arguments);
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
        rc = app.exec();
    }
    if (rc == 0)
        makeDailyCopy();
    shutDown();
    return rc;
}

} // namespace valmir
