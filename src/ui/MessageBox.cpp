#include "ui/MessageBox.h"

#include "text/Messages.h"

#include <QInputDialog>
#include <QMessageBox>

namespace valmir::Msg {

namespace {

Hook g_hook;
QString g_inputAnswer;

// A text longer than this many lines (a program's output after the
// message) shows its first lines; the whole text is under "Podrobnosti".
constexpr int ShownLines = 12;

int showBox(QWidget* parent, QMessageBox::Icon icon, const QString& text, const QString& title,
            QMessageBox::StandardButtons buttons,
            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) {
    QMessageBox box(icon, title, QString(), buttons, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    const QStringList lines =
        QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n');
    if (lines.size() > ShownLines) {
        box.setText(lines.mid(0, ShownLines).join(u'\n') + QStringLiteral("\n…"));
        box.setDetailedText(text); // Qt's button: "Prikaži podrobnosti ..."
    } else {
        box.setText(text);
    }
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    else if (buttons & QMessageBox::Yes)
        box.setDefaultButton(QMessageBox::Yes);
    if (buttons & QMessageBox::Cancel)
        box.setEscapeButton(QMessageBox::Cancel);
    else if (buttons & QMessageBox::No)
        box.setEscapeButton(QMessageBox::No);
    return box.exec();
}

} // namespace

void critical(QWidget* parent, const Message& m) { critical(parent, m.text, m.title); }
void information(QWidget* parent, const Message& m) { information(parent, m.text, m.title); }
bool question(QWidget* parent, const Message& m) { return question(parent, m.text, m.title); }

void notice(QWidget* parent, const Message& m) {
    if (g_hook) {
        g_hook({Kind::Information, m.text, m.title});
        return;
    }
    showBox(parent, QMessageBox::NoIcon, m.text, m.title, QMessageBox::Ok);
}

void critical(QWidget* parent, const Message& m, const QString& detail) {
    QString text = m.text;
    if (!detail.isEmpty() && !text.isEmpty() && !text.endsWith(u'\n'))
        text += u'\n';
    critical(parent, text + detail, m.title);
}

void setHook(Hook hook) { g_hook = std::move(hook); }
void setInputAnswer(const QString& text) { g_inputAnswer = text; }

void critical(QWidget* parent, const QString& text, const QString& title) {
    if (g_hook) {
        g_hook({Kind::Critical, text, title});
        return;
    }
    showBox(parent, QMessageBox::Critical, text, title, QMessageBox::Ok);
}

void information(QWidget* parent, const QString& text, const QString& title) {
    if (g_hook) {
        g_hook({Kind::Information, text, title});
        return;
    }
    showBox(parent, QMessageBox::Information, text, title, QMessageBox::Ok);
}

bool question(QWidget* parent, const QString& text, const QString& title) {
    if (g_hook)
        return g_hook({Kind::Question, text, title});
    return showBox(parent, QMessageBox::NoIcon, text, title, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

Answer askBeforeClosing(QWidget* parent, const Message& m) {
    if (g_hook)
        return g_hook({Kind::CloseQuestion, m.text, m.title}) ? Answer::Yes : Answer::Cancel;
    switch (showBox(parent, QMessageBox::NoIcon, m.text, m.title,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

bool confirmDestructive(QWidget* parent, const Message& m) {
    return confirmDestructive(parent, m.text, m.title);
}

bool confirmDestructive(QWidget* parent, const QString& text, const QString& title) {
    if (g_hook)
        return g_hook({Kind::Question, text, title});
    return showBox(parent, QMessageBox::NoIcon, text, title, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::No) == QMessageBox::Yes;
}

QString inputText(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultText) {
    if (g_hook) {
        g_hook({Kind::Input, prompt, title});
        return g_inputAnswer;
    }
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("InputBox"));
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue();
}

} // namespace valmir::Msg
