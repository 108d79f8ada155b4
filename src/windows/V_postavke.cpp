#include "windows/V_postavke.h"

#include "codelists/Operations.h"
#include "data/Recordset.h"
#include "text/Messages.h"
#include "text/Module1.h"
#include "text/TextForms.h"
#include "ui/HandOver.h"
#include "ui/MessageBox.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace valmir {

namespace {

struct Box {
    const char* name;
    const char16_t* label;
    int maxLength;
};

constexpr Box Boxes[] = {
    {"Text1_0", u"Zap. št.", 10},
    {"Text1_1", u"Tarifna št.", 20},
    {"Text1_2", u"Opravilo", 255},
    {"Text1_3", u"Točke", 100},
};

void reportFailure(QWidget* parent, const Message& message, const QString& engineText) {
    Msg::critical(parent, message, engineText);
}

} // namespace

V_postavke::V_postavke(Recordset& list, const QString& serviceName, QWidget* parent)
    : QDialog(parent), m_list(list), m_mode(OpenMode) {
    setObjectName(QStringLiteral("V_postavke"));
    setWindowTitle(QStringLiteral("Opravilo"));
    buildWindow(serviceName);
    if (m_mode > 0)
        loadOperation();
    else
        offerNextNumber();
    if (m_confirmButton->isEnabled())
        m_confirmButton->setFocus();
    else
        m_number->setFocus();
}

V_postavke::~V_postavke() = default;

void V_postavke::buildWindow(const QString& serviceName) {
    auto* grid = new QGridLayout;
    auto* serviceLabel = new QLabel(QStringLiteral("Storitev"), this);
    m_serviceName = new QLabel(serviceName, this);
    m_serviceName->setObjectName(QStringLiteral("Label2"));
    QFont bold = m_serviceName->font();
    bold.setBold(true);
    m_serviceName->setFont(bold);
    m_serviceName->setFrameShape(QFrame::Box);
    m_serviceName->setAutoFillBackground(true);
    QPalette yellow = m_serviceName->palette();
    yellow.setColor(QPalette::Window, QColor(255, 255, 192));
    m_serviceName->setPalette(yellow);
    m_serviceName->setMargin(3);
    grid->addWidget(serviceLabel, 0, 0);
    grid->addWidget(m_serviceName, 0, 1);

    QLineEdit** edits[] = {&m_number, &m_tariffNumber, &m_text, &m_points};
    for (int i = 0; i < 4; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(Boxes[i].name));
        edit->setMaxLength(Boxes[i].maxLength);
        auto* label = new QLabel(QString::fromUtf16(Boxes[i].label), this);
        label->setBuddy(edit);
        grid->addWidget(label, i + 1, 0);
        grid->addWidget(edit, i + 1, 1);
        *edits[i] = edit;
    }
    // The short boxes stay short; the text of the operation gets the width.
    const int charWidth = fontMetrics().averageCharWidth();
    m_number->setMaximumWidth(charWidth * 14);
    m_tariffNumber->setMaximumWidth(charWidth * 24);
    m_points->setMaximumWidth(charWidth * 14);
    m_text->setMinimumWidth(charWidth * 50);

    m_active = new QCheckBox(QStringLiteral("Opravilo je aktivno"), this);
    m_active->setObjectName(QStringLiteral("Check1"));
    m_active->setChecked(true);
    grid->addWidget(m_active, 5, 1);
    grid->setColumnStretch(1, 1);

    m_confirmButton = new QPushButton(QStringLiteral("V redu"), this);
    m_confirmButton->setObjectName(QStringLiteral("Command1"));
    m_confirmButton->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_confirmButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);

    setTabOrder(m_confirmButton, m_number);
    setTabOrder(m_number, m_tariffNumber);
    setTabOrder(m_tariffNumber, m_text);
    setTabOrder(m_text, m_points);
    setTabOrder(m_points, m_active);
    // Wider, not taller: there is nothing more to show below.
    setFixedHeight(sizeHint().height());
    setMinimumWidth(sizeHint().width());
    resize(std::max(sizeHint().width(), charWidth * 90), sizeHint().height());

    connect(m_confirmButton, &QPushButton::clicked, this, &V_postavke::confirm);
}

void V_postavke::loadOperation() {
    const Recordset& rs = m_list;
    m_loadedNumber = NumberOrZero(rs.field(QStringLiteral("TS2")));
    m_number->setText(localeNumberText(m_loadedNumber));
    m_tariffNumber->setText(NullTrim(rs.field(QStringLiteral("TarifnaStevilka"))));
    m_text->setText(NullTrim(rs.field(QStringLiteral("GeodetskaStoritev"))));
    m_points->setText(localeNumberText(NumberOrZero(rs.field(QStringLiteral("Tocke")))));
    m_active->setChecked(rs.field(QStringLiteral("AktivnaPostavka")).toBool());
    // A protected operation can be looked at, not changed.
    const bool master = rs.field(QStringLiteral("Master")).toBool();
    m_confirmButton->setEnabled(!master && !rs.readFailed());
}

void V_postavke::offerNextNumber() {
    Database& db = m_list.database();
    const std::optional<QString> next = nextOperationNumber(db, int(SelectedTS1));
    if (next)
        m_number->setText(*next);
    else
        reportFailure(this, OperationMessages::NextNumberNotRead, db.lastError());
}

void V_postavke::confirm() {
    const OperationInput input{m_number->text(), m_tariffNumber->text(), m_text->text(),
                               m_points->text(), m_active->isChecked()};
    const OperationResult result =
        saveOperation(m_list, m_mode, int(SelectedTS1), m_loadedNumber, input);
    switch (result.outcome) {
    case OperationOutcome::Done:
        accept();
        return;
    case OperationOutcome::Duplicate:
        Msg::critical(this, OperationMessages::DuplicateNumber);
        break;
    case OperationOutcome::Fractional:
        Msg::critical(this, OperationMessages::FractionalNumber);
        break;
    case OperationOutcome::Protected:
        Msg::critical(this, OperationMessages::ProtectedChange);
        return;
    default:
        reportFailure(this, OperationMessages::NotSaved, result.error);
        return;
    }
    m_number->setFocus();
    m_number->selectAll();
}

} // namespace valmir
