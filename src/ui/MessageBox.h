#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace valmir {
struct Message;
}

namespace valmir::Msg {

// Every message box of the program comes from here: critical boxes and
// information boxes with one OK button, questions with Yes and No and no
// icon, and the one-line input box.
void critical(QWidget* parent, const QString& text, const QString& title);
void information(QWidget* parent, const QString& text, const QString& title);
bool question(QWidget* parent, const QString& text, const QString& title);
// The same for a message of the catalogue (text/Messages.h).
void critical(QWidget* parent, const Message& message);
void information(QWidget* parent, const Message& message);
bool question(QWidget* parent, const Message& message);
// An information box without an icon (OK only).
void notice(QWidget* parent, const Message& message);
// A critical box of the catalogue with what went wrong (the engine's or
// the system's words) on a line of its own after the text.
void critical(QWidget* parent, const Message& message, const QString& detail);
// The question asked before a window with changes closes: "Da" saves,
// "Ne" drops the changes, "Prekliči" (and Escape) goes back to the window
// with nothing lost.
enum class Answer { Yes, No, Cancel };
Answer askBeforeClosing(QWidget* parent, const Message& message);
// A question whose "Da" destroys something: "Ne" is the default button, so
// that Enter keeps what would be destroyed.
bool confirmDestructive(QWidget* parent, const Message& message);
bool confirmDestructive(QWidget* parent, const QString& text, const QString& title);
// Cancel gives empty text.
QString inputText(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultText = QString());

// For unit tests: while a hook is set no box is shown; the hook sees each
// box and gives the answer (Yes = true; input boxes get their answer from
// inputAnswer). A close question answered false goes back to the window.
enum class Kind { Critical, Information, Question, CloseQuestion, Input };
struct Shown {
    Kind kind;
    QString text;
    QString title;
};
using Hook = std::function<bool(const Shown&)>;
void setHook(Hook hook);
void setInputAnswer(const QString& text);

} // namespace valmir::Msg
