#pragma once

class QWidget;

namespace valmir {

// Every window of the program opens within the available area of its
// screen (without the panels of the desktop): one that would be larger is
// shrunk to it, and when its controls cannot be laid out that small, its
// content scrolls. Installed once for the whole program, when it starts;
// installing again does nothing.
void installWindowFit();

// What the filter does to a window about to be shown.
void fitToScreen(QWidget* window);

} // namespace valmir
