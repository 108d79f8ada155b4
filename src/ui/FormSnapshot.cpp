#include "ui/FormSnapshot.h"

#include "text/Messages.h"
#include "ui/MessageBox.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace valmir {

namespace {

QString valueOf(const QWidget* control) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(control))
        return text->toPlainText();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    return {};
}

} // namespace

void FormSnapshot::remember(const QList<QWidget*>& controls) {
    m_controls.clear();
    m_values.clear();
    for (QWidget* control : controls) {
        m_controls << control;
        m_values << valueOf(control);
    }
}

bool FormSnapshot::changed() const {
    for (qsizetype i = 0; i < m_controls.size(); ++i)
        if (m_controls[i] && valueOf(m_controls[i]) != m_values[i])
            return true;
    return false;
}

bool mayCloseUnstored(QDialog* window, const FormSnapshot& shown,
                      const std::function<void()>& store) {
    if (!shown.changed())
        return true;
    switch (Msg::askBeforeClosing(window, Messages::UnsavedChanges)) {
    case Msg::Answer::No:
        return true;
    case Msg::Answer::Yes:
        store();
        return false;
    case Msg::Answer::Cancel:
        return false;
    }
    return false;
}

} // namespace valmir
