#pragma once

class QCoreApplication;

namespace valmir {

// Gives Qt's own texts (the buttons of message boxes and dialogs, the
// context menus of text boxes, the file dialog) in Slovenian, from Qt's
// Slovenian translation of the system (Debian qt6-translations-l10n).
// False when that translation is not installed: Qt then speaks English.
bool installQtTranslation(QCoreApplication& app);

} // namespace valmir
