#include "app/Program.h"

#include "app/Glavna.h"
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
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("VALMIR 2009 - aplikacija za pripravo računa geodetske storitve"));
    QCommandLineOption dataDir(QStringLiteral("data-dir"),
                               QStringLiteral("Podatkovna mapa (privzeto mapa uporabnika)."),
                               QStringLiteral("DIR"));
    parser.addOption(dataDir);
    if (!parser.parse(arguments)) {
        // A desktop program started from a menu has no console to print to.
        Msg::critical(nullptr,
                      parser.errorText() + QStringLiteral("\nUporaba: valmir [--data-dir MAPA]"),
                      title);
        return BadCommandLine;
    }
    if (!parser.positionalArguments().isEmpty()) {
        Msg::critical(nullptr,
                      QStringLiteral("Neznan argument: %1\nUporaba: valmir [--data-dir MAPA]")
                          .arg(parser.positionalArguments().join(u' ')),
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
        Glavna window;
        window.show();
        rc = app.exec();
    }
    shutDown();
    return rc;
}

} // namespace valmir
