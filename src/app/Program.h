#pragma once

#include <QStringList>

class QApplication;

namespace valmir {

// The whole run of the program: reads the command line (only
// "--data-dir DIR"), starts up, shows the main window until it closes and
// shuts down. A start-up failure is shown in a critical box and ends the
// run with a non-zero exit code.
int runValmir(QApplication& app, const QStringList& arguments);

} // namespace valmir
