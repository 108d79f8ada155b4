#include "windows/V_grupe.h"

#include "codelists/Services.h"
#include "data/Recordset.h"
#include "text/Messages.h"
#include "text/Module1.h"
#include "text/TextForms.h"
#include "ui/HandOver.h"
#include "ui/MessageBox.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace valmir {

namespace {

// The longest inputs the table's fields are meant for.
constexpr int NumberLength = 10;
constexpr int TextLength = 100;

} // namespace

V_grupe::V_grupe(Database& db, Recordset& services, QWidget* parent)
    : QDialog(parent), m_db(db), m_services(services), m_mode(OpenMode) {
    setObjectName(QStringLiteral("V_grupe"));
    setWindowTitle(QStringLiteral("Geodetska storitev"));
    setModal(true);
    setSizeGripEnabled(true);

    m_numberEdit = new QLineEdit(this);
    m_numberEdit->setObjectName(QStringLiteral("Text1_0"));
    m_numberEdit->setMaxLength(NumberLength);
    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(QStringLiteral("Text1_1"));
    m_nameEdit->setMaxLength(TextLength);
    m_noteEdit = new QLineEdit(this);
    m_noteEdit->setObjectName(QStringLiteral("Text1_2"));
    m_noteEdit->setMaxLength(TextLength);
    m_okButton = new QPushButton(QStringLiteral("V redu"), this);
    m_okButton->setObjectName(QStringLiteral("Command1"));
    // Enter in any box confirms, as the button is the dialog's default.
    m_okButton->setDefault(true);

    // The number box is as wide as the longest number; the texts get the
    // room the window has.
    m_numberEdit->setFixedWidth(
        m_numberEdit->fontMetrics().horizontalAdvance(u'0') * (NumberLength + 2) + 12);
    const int textWidth = m_nameEdit->fontMetrics().averageCharWidth() * 50;
    m_nameEdit->setMinimumWidth(textWidth);

    // The number box keeps its width; the text boxes widen with the window.
    auto* form = new QGridLayout;
    const std::pair<const char*, QLineEdit*> rows[] = {
        {"Zap. št.", m_numberEdit}, {"Storitev", m_nameEdit}, {"Opomba", m_noteEdit}};
    int row = 0;
    for (auto [caption, edit] : rows) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(edit);
        form->addWidget(label, row, 0);
        if (edit == m_numberEdit)
            form->addWidget(edit, row, 1, Qt::AlignLeft);
        else
            form->addWidget(edit, row, 1);
        ++row;
    }
    form->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    // Only the width is worth changing: it gives the texts their room.
    setMaximumHeight(sizeHint().height());
    resize(std::max(sizeHint().width(), textWidth * 2), sizeHint().height());

    // "V redu" first: a change to look at is confirmed with one key.
    setTabOrder(m_okButton, m_numberEdit);
    setTabOrder(m_numberEdit, m_nameEdit);
    setTabOrder(m_nameEdit, m_noteEdit);
    m_okButton->setFocus();

    if (m_mode > 0) {
        m_loadedNumber = NumberOrZero(m_services.field(QStringLiteral("TS1")));
        m_numberEdit->setText(plainNumberText(m_loadedNumber));
        m_nameEdit->setText(NullTrim(m_services.field(QStringLiteral("GeodetskaStoritev"))));
        m_noteEdit->setText(NullTrim(m_services.field(QStringLiteral("Opomba"))));
    }

    connect(m_okButton, &QPushButton::clicked, this, &V_grupe::confirm);
}

V_grupe::~V_grupe() = default;

void V_grupe::confirm() {
    const ServiceResult result =
        saveService(m_db, m_services, m_mode <= 0, m_loadedNumber,
                    {m_numberEdit->text(), m_nameEdit->text(), m_noteEdit->text()});
    switch (result.outcome) {
    case ServiceOutcome::Done:
        accept();
        return;
    case ServiceOutcome::Duplicate:
        Msg::critical(this, ServiceMessages::DuplicateNumber);
        break;
    case ServiceOutcome::Reprices:
        Msg::critical(this, ServiceMessages::RenumberReprices);
        break;
    default:
        Msg::critical(this, ServiceMessages::NotSaved, result.error);
        break;
    }
    // The input stays for the user to correct.
    m_numberEdit->setFocus();
    m_numberEdit->selectAll();
}

} // namespace valmir
