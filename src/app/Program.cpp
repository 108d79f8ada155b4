#include "app/Program.h"

#include "app/AppIcon.h"
#include "app/Glavna.h"
#include "app/Globals.h"
#include "app/MessageBox.h"
#include "app/Startup.h"

#include <QApplication>
#include <QCommandLineParser>

namespace valmir {

namespace {

constexpr int StartFailed = 1;
constexpr int BadCommandLine = 2;

} // namespace

int runValmir(QApplication& app, const QStringList& arguments) {
    const QString title = QStringLiteral("VALMIR");
    app.setWindowIcon(appIcon());
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("VALMIR 2009 - aplikacija za pripravo računa geodetske storitve"));
    QCommandLineOption dataDir(QStringLiteral("data-dir"),
                               QStringLiteral("Podatkovna mapa (privzeto mapa uporabnika)."),
                               QStringLiteral("DIR"));
    parser.addOption(dataDir);
    // A desktop program started from a menu has no console to print to:
    // a wrong command line is told in a box.
    const QString usage = QStringLiteral("\nUporaba: valmir [--data-dir MAPA]");
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        Msg::critical(nullptr,
                      (unknown.isEmpty()
                           ? QStringLiteral("Za --data-dir manjka mapa.")
                           : QStringLiteral("Neznana možnost: --%1").arg(unknown.first())) +
                          usage,
                      title);
        return BadCommandLine;
    }
    if (!parser.positionalArguments().isEmpty()) {
        Msg::critical(
            nullptr,
            QStringLiteral("Neznan argument: %1").arg(parser.positionalArguments().join(u' ')) +
                usage,
            title);
        return BadCommandLine;
    }

    StartupOptions options;
    options.dataDir = parser.value(dataDir);
    const StartupResult started = startUp(options);
    if (!started.ok) {
        Msg::critical(nullptr, started.message, title);
        return StartFailed;
    }

    int rc;
    {
        Glavna window(appContext());
        window.show();
        rc = app.exec();
    }
    shutDown();
    return rc;
}

} // namespace valmir
