#include "app/Glavna.h"
#include "app/MessageBox.h"
#include "app/Startup.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("valmir"));
    QApplication::setOrganizationName(QString());

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("VALMIR 2009 - aplikacija za pripravo računa geodetske storitve"));
    parser.addHelpOption();
    QCommandLineOption dataDir(QStringLiteral("data-dir"),
                               QStringLiteral("Podatkovna mapa (privzeto mapa uporabnika)."),
                               QStringLiteral("DIR"));
    parser.addOption(dataDir);
    parser.process(app);

    valmir::StartupOptions options;
    options.dataDir = parser.value(dataDir);
    valmir::StartupResult started = valmir::startUp(options);
    if (!started.ok) {
        valmir::Msg::critical(nullptr, started.message, QStringLiteral("VALMIR"));
        return 1;
    }

    int rc;
    {
        valmir::Glavna window;
        window.show();
        rc = app.exec();
    }
    valmir::shutDown();
    return rc;
}
