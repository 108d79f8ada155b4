#include "windows/N_word.h"

#include "document/WordProcessor.h"
#include "text/Messages.h"
#include "text/Module1.h"
#include "ui/FormSnapshot.h"
#include "ui/MessageBox.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace valmir {

N_word::N_word(const AppContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("N_word"));
    setWindowTitle(QStringLiteral("Urejevalnik besedil"));
    setModal(true);
    setSizeGripEnabled(true);

    auto* frame = new QGroupBox(QStringLiteral(" Kje tiči tvoj urejevalnik besedil ? "), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* label = new QLabel(QStringLiteral("Lokacija"), frame);
    label->setObjectName(QStringLiteral("Label1"));
    m_locationEdit = new QLineEdit(frame);
    m_locationEdit->setObjectName(QStringLiteral("Text1"));
    label->setBuddy(m_locationEdit);
    // Room for a path such as /usr/lib/libreoffice/program/soffice.
    const int pathWidth = m_locationEdit->fontMetrics().averageCharWidth() * 50;
    m_locationEdit->setMinimumWidth(pathWidth);
    m_okButton = new QPushButton(QStringLiteral("V redu"), this);
    m_okButton->setObjectName(QStringLiteral("Command1"));
    // Enter in the box confirms; Esc closes, asking first when the
    // location was changed.
    m_okButton->setDefault(true);

    auto* row = new QHBoxLayout(frame);
    row->addWidget(label);
    row->addWidget(m_locationEdit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    // Only the width is worth changing: it gives a long path its room.
    setMaximumHeight(sizeHint().height());
    resize(std::max(sizeHint().width(), pathWidth * 3 / 2), sizeHint().height());

    setTabOrder(m_locationEdit, m_okButton);
    m_locationEdit->setFocus();

    QVariant location;
    QString error;
    if (readWordLocation(*m_context.db, &location, &error))
        // A location never stored shows as 0, as every unset setting does.
        m_locationEdit->setText(NullToZero(location).toString());
    else
        Msg::critical(parent, WordMessages::NotRead, error);
    m_shown.remember({m_locationEdit});

    connect(m_okButton, &QPushButton::clicked, this, &N_word::confirm);
}

N_word::~N_word() = default;

void N_word::reject() {
    if (mayCloseUnstored(this, m_shown, [this] { confirm(); }))
        QDialog::reject();
}

void N_word::confirm() {
    // Stored as typed: the launch ignores blanks around it, and whether the
    // program is there is checked when it is needed, as it may be installed
    // later.
    QString error;
    if (storeWordLocation(*m_context.db, m_locationEdit->text(), &error)) {
        accept();
        return;
    }
    Msg::critical(this, WordMessages::NotSaved, error);
    m_locationEdit->setFocus();
}

} // namespace valmir
