#include "windows/N_racun.h"

#include "document/PdfExport.h"
#include "document/Settings.h"
#include "invoice/InvoiceFields.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "ui/FormSnapshot.h"
#include "ui/MessageBox.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace valmir {

namespace {

// Room for any sensible counter, point value or number of days, and a
// few characters more for "30 dni" or "0,75 €".
constexpr int NumberLength = 15;

QLineEdit* numberEdit(const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(NumberLength);
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(u'0') * 12 + 12);
    return edit;
}

} // namespace

N_racun::N_racun(const AppContext& context, QWidget* parent)
    : LoadingDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("N_racun"));
    setWindowTitle(QStringLiteral("Računi"));
    setModal(true);

    auto* frame = new QGroupBox(QStringLiteral(" Nastavitve "), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_counterEdit = numberEdit(QStringLiteral("Text1"), frame);
    m_pointValueEdit = numberEdit(QStringLiteral("Text2"), frame);
    m_validityEdit = numberEdit(QStringLiteral("Text3"), frame);
    m_vatPercentEdit = numberEdit(QStringLiteral("Text4"), frame);
    // Numbering starts again at 1 with the first invoice of a new year.
    m_yearlyCheck = new QCheckBox(QStringLiteral("Vsako leto začni številčenje znova"), frame);
    m_yearlyCheck->setObjectName(QStringLiteral("Check2"));
    m_tolarsCheck =
        new QCheckBox(QStringLiteral("Skupni znesek računa prikaži tudi v SIT"), frame);
    m_tolarsCheck->setObjectName(QStringLiteral("Check1"));
    // Both options share the frame, so they exclude each other and the
    // arrow keys move between them.
    m_sideBySideOption =
        new QRadioButton(QStringLiteral("Izdajatelj in prejemnik računa v isti vrsti"), frame);
    m_sideBySideOption->setObjectName(QStringLiteral("Option1_0"));
    m_stackedOption =
        new QRadioButton(QStringLiteral("Izdajatelj in prejemnik drug pod drugim"), frame);
    m_stackedOption->setObjectName(QStringLiteral("Option1_1"));

    m_folderEdit = new QLineEdit(frame);
    m_folderEdit->setObjectName(QStringLiteral("Text5"));
    m_folderEdit->setPlaceholderText(defaultDocumentFolder());
    m_folderEdit->setMinimumWidth(m_folderEdit->fontMetrics().horizontalAdvance(u'x') * 40);
    m_folderButton = new QPushButton(QStringLiteral("..."), frame);
    m_folderButton->setObjectName(QStringLiteral("Command2"));
    m_folderButton->setAutoDefault(false);
    m_folderButton->setFixedWidth(m_folderButton->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    m_folderButton->setToolTip(QStringLiteral("Izberi mapo"));

    m_okButton = new QPushButton(QStringLiteral("V redu"), this);
    m_okButton->setObjectName(QStringLiteral("Command1"));
    // Enter in any box confirms; Escape closes, asking first when
    // something was changed.
    m_okButton->setDefault(true);

    auto* form = new QGridLayout(frame);
    const std::tuple<const char*, QLineEdit*, const char*> rows[] = {
        {"Številka naslednjega računa", m_counterEdit, nullptr},
        {"Vrednost točke", m_pointValueEdit, "€"},
        {"Veljavnost računa", m_validityEdit, "dni"},
        {"Stopnja DDV", m_vatPercentEdit, "%"}};
    int row = 0;
    for (auto [caption, edit, unit] : rows) {
        auto* label = new QLabel(QString::fromUtf8(caption), frame);
        label->setBuddy(edit);
        form->addWidget(label, row, 0);
        form->addWidget(edit, row, 1);
        if (unit)
            form->addWidget(new QLabel(QString::fromUtf8(unit), frame), row, 2);
        ++row;
    }
    form->setColumnStretch(3, 1);
    form->addWidget(m_yearlyCheck, row++, 0, 1, 4);
    form->setRowMinimumHeight(row++, 6);
    form->addWidget(m_tolarsCheck, row++, 0, 1, 4);
    form->addWidget(m_sideBySideOption, row++, 0, 1, 4);
    form->addWidget(m_stackedOption, row++, 0, 1, 4);
    form->setRowMinimumHeight(row++, 6);
    auto* folderLabel = new QLabel(QStringLiteral("Mapa dokumentov"), frame);
    folderLabel->setBuddy(m_folderEdit);
    form->addWidget(folderLabel, row++, 0, 1, 4);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folderEdit, 1);
    folderRow->addWidget(m_folderButton);
    form->addLayout(folderRow, row++, 0, 1, 4);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    // Nothing here grows with the window.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_counterEdit, m_pointValueEdit);
    setTabOrder(m_pointValueEdit, m_validityEdit);
    setTabOrder(m_validityEdit, m_vatPercentEdit);
    setTabOrder(m_vatPercentEdit, m_yearlyCheck);
    setTabOrder(m_yearlyCheck, m_tolarsCheck);
    setTabOrder(m_tolarsCheck, m_sideBySideOption);
    setTabOrder(m_sideBySideOption, m_stackedOption);
    setTabOrder(m_stackedOption, m_folderEdit);
    setTabOrder(m_folderEdit, m_folderButton);
    setTabOrder(m_folderButton, m_okButton);
    m_counterEdit->setFocus();

    connect(m_okButton, &QPushButton::clicked, this, &N_racun::confirm);
    connect(m_folderButton, &QPushButton::clicked, this, &N_racun::pickFolder);

    InvoiceSettings settings;
    QString error;
    if (!m_context.db) {
        Msg::critical(this, Messages::NoDatabase);
    } else if (!readInvoiceSettings(*m_context.db, &settings, &error)) {
        Msg::critical(this, SettingsMessages::NotRead, error);
    } else {
        // Shown as the number boxes of the editor show them, so that an
        // unchanged box stores the number it came from.
        m_counterEdit->setText(numberBoxText(settings.counter));
        m_pointValueEdit->setText(numberBoxText(settings.pointValue));
        m_validityEdit->setText(numberBoxText(settings.validity));
        m_vatPercentEdit->setText(numberBoxText(settings.vatPercent));
        m_tolarsCheck->setChecked(settings.tolars);
        m_yearlyCheck->setChecked(settings.restartEachYear);
        m_loaded = settings;
        (settings.sideBySide ? m_sideBySideOption : m_stackedOption)->setChecked(true);
        m_folderEdit->setText(settings.documentFolder);
        m_shown.remember({m_counterEdit, m_pointValueEdit, m_validityEdit, m_vatPercentEdit,
                          m_tolarsCheck, m_yearlyCheck, m_sideBySideOption, m_folderEdit});
        setLoaded(true);
    }
}

N_racun::~N_racun() = default;

void N_racun::reject() {
    if (mayCloseUnstored(this, m_shown, [this] { confirm(); }))
        QDialog::reject();
}

void N_racun::refuse(QLineEdit* edit, const QString& text, const QString& title) {
    Msg::critical(this, text, title);
    // The input stays, ready to be corrected.
    edit->setFocus();
    edit->selectAll();
}

void N_racun::pickFolder() {
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Mapa dokumentov"), documentFolder(m_folderEdit->text()));
    if (!folder.isEmpty())
        m_folderEdit->setText(QDir::toNativeSeparators(folder));
}

void N_racun::confirm() {
    if (!isLoaded())
        return;
    InvoiceSettings settings;
    switch (readInvoiceSettingsInput({m_counterEdit->text(), m_pointValueEdit->text(),
                                      m_validityEdit->text(), m_tolarsCheck->isChecked(),
                                      m_sideBySideOption->isChecked(), m_vatPercentEdit->text(),
                                      m_folderEdit->text(), m_yearlyCheck->isChecked()},
                                     &settings)) {
    case InvoiceSettingsCheck::CounterNotNumeric:
        refuse(m_counterEdit, SettingsMessages::CounterNotNumeric.text,
               SettingsMessages::CounterNotNumeric.title);
        return;
    case InvoiceSettingsCheck::PointValueNotNumeric:
        refuse(m_pointValueEdit, SettingsMessages::PointValueNotNumeric.text,
               SettingsMessages::PointValueNotNumeric.title);
        return;
    case InvoiceSettingsCheck::VatPercentNotNumeric:
        refuse(m_vatPercentEdit, SettingsMessages::VatPercentNotNumeric.text,
               SettingsMessages::VatPercentNotNumeric.title);
        return;
    case InvoiceSettingsCheck::PointValueOutOfRange:
        refuse(m_pointValueEdit, SettingsMessages::PointValueOutOfRange.text,
               SettingsMessages::PointValueOutOfRange.title);
        return;
    case InvoiceSettingsCheck::ValidityOutOfRange:
        refuse(m_validityEdit, SettingsMessages::ValidityOutOfRange.text,
               SettingsMessages::ValidityOutOfRange.title);
        return;
    case InvoiceSettingsCheck::VatPercentOutOfRange:
        refuse(m_vatPercentEdit, SettingsMessages::VatPercentOutOfRange.text,
               SettingsMessages::VatPercentOutOfRange.title);
        return;
    case InvoiceSettingsCheck::Ok:
        break;
    }
    // A counter the user sets is of this year; one left alone keeps its own.
    settings.counterYear =
        settings.counter == m_loaded.counter ? m_loaded.counterYear : today().year();
    settings.rowVersion = m_loaded.rowVersion;
    QString error;
    if (!writeInvoiceSettings(*m_context.db, settings, &error)) {
        Msg::critical(this, SettingsMessages::NotSaved, error);
        return;
    }
    accept();
}

} // namespace valmir
