#include "app/Program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Help and version need no display: "valmir --version" works over ssh.
    if (const int answered = valmir::answerOnConsole(arguments); answered >= 0)
        return answered;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("valmir"));
    QApplication::setOrganizationName(QString());
    QApplication::setDesktopFileName(QStringLiteral("si.valmir.Valmir"));
    return valmir::runValmir(app, QApplication::arguments());
}
