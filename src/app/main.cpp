#include "app/Program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("valmir"));
    QApplication::setOrganizationName(QString());
    return valmir::runValmir(app, QApplication::arguments());
}
