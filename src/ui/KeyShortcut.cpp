#include "ui/KeyShortcut.h"

#include <QAbstractButton>
#include <QAction>

namespace valmir {

QString keyTip(const QString& caption, const QKeySequence& key) {
    QString text = caption;
    text.remove(u'&');
    return text + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + u')';
}

QAction* bindKey(QAbstractButton* button, const QKeySequence& key, QWidget* owner) {
    QWidget* holder = owner ? owner : button->window();
    auto* action = new QAction(holder);
    action->setShortcut(key);
    action->setShortcutContext(owner ? Qt::WidgetShortcut : Qt::WindowShortcut);
    holder->addAction(action);
    QObject::connect(action, &QAction::triggered, button, [button] {
        if (button->isEnabled())
            button->click();
    });
    button->setToolTip(keyTip(button->text(), key));
    return action;
}

} // namespace valmir
