#pragma once

#include <QKeySequence>

class QAbstractButton;
class QAction;
class QWidget;

namespace valmir {

// Gives a button a key: pressing it clicks the button (while the button is
// enabled, also from another tab of its window), and the button's tooltip
// names the key.
// The key belongs to the button's window, or, with `owner`, only to that
// widget while it has the focus (Delete in a list, never in a text box).
// A box that takes the key itself (Delete in a line edit) keeps it.
QAction* bindKey(QAbstractButton* button, const QKeySequence& key, QWidget* owner = nullptr);

// The tooltip that names a key: "Shrani račun (Ctrl+S)".
QString keyTip(const QString& caption, const QKeySequence& key);

} // namespace valmir
