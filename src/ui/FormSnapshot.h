#pragma once

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

class QDialog;

namespace valmir {

// What a settings window showed once it was read: the texts of its boxes
// and the state of its ticks and options. Closing the window asks only
// when one of them differs now.
class FormSnapshot {
public:
    // Remembers the controls' values as they are now (line edits, plain
    // text edits, check boxes and option buttons).
    void remember(const QList<QWidget*>& controls);
    bool changed() const;

private:
    QList<QPointer<QWidget>> m_controls;
    QStringList m_values;
};

// Escape or the close box of a settings window that stores on "V redu":
// unchanged, it may close; changed, the user is asked first. "Da" runs
// `store` (which closes the window when it stores), "Ne" lets the window
// close with nothing stored, "Prekliči" goes back to it. True when the
// window is to close without storing.
bool mayCloseUnstored(QDialog* window, const FormSnapshot& shown,
                      const std::function<void()>& store);

} // namespace valmir
