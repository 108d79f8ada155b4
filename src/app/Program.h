#pragma once

#include <QStringList>

class QApplication;

namespace valmir {

// The whole run of the program: reads the command line ("--data-dir DIR",
// "--help", "--version"), starts up, shows the main window until it closes,
// makes the day's copy of the data and shuts down. A start-up failure is
// shown in a critical box and ends the run with a non-zero exit code; a
// wrong command line ends it with 2.
int runValmir(QApplication& app, const QStringList& arguments);

// "--help" and "--version" are answered on the standard output, before
// any window or display is needed: the exit code (0) when the command line
// asks for one of them, else -1.
int answerOnConsole(const QStringList& arguments);

} // namespace valmir
