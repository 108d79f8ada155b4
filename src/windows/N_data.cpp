#include "windows/N_data.h"

#include "document/EInvoice.h"
#include "document/Reminder.h"
#include "document/Settings.h"
#include "text/Messages.h"
#include "ui/MessageBox.h"
#include "ui/PostcodePlace.h"
#include "windows/N_narocniki.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace valmir {

namespace {

// Longer than any name, address or account the document has room for.
constexpr int TextLength = 100;
constexpr int PostcodeLength = 10;
// Text1(i) of the office's tax number and account (CompanyFields).
constexpr int TaxNumberBox = 7;
constexpr int AccountBox = 8;

} // namespace

N_data::N_data(const AppContext& context, QWidget* parent) : LoadingDialog(parent), m_context(context) {
    static_assert(CompanyFieldCount == 10);
    setObjectName(QStringLiteral("N_data"));
    setWindowTitle(QStringLiteral("Naši podatki"));
    setModal(true);
    setSizeGripEnabled(true);

    for (int i = 0; i < CompanyFieldCount; ++i) {
        m_fieldEdits[i] = new QLineEdit(this);
        m_fieldEdits[i]->setObjectName(QStringLiteral("Text1_%1").arg(i));
        m_fieldEdits[i]->setMaxLength(TextLength);
    }
    QLineEdit* postcodeEdit = m_fieldEdits[2];
    QLineEdit* postOfficeEdit = m_fieldEdits[6];
    postcodeEdit->setMaxLength(PostcodeLength);
    postcodeEdit->setFixedWidth(postcodeEdit->fontMetrics().horizontalAdvance(u'0') *
                                    (PostcodeLength - 2) +
                                12);
    m_fieldEdits[0]->setMinimumWidth(m_fieldEdits[0]->fontMetrics().averageCharWidth() * 45);

    m_okButton = new QPushButton(QStringLiteral("V redu"), this);
    m_okButton->setObjectName(QStringLiteral("Command1"));
    // Enter in any box confirms; Escape closes, asking first when
    // something was changed.
    m_okButton->setDefault(true);

    // The rows from top to bottom; the post office sits beside its
    // postcode. The boxes widen with the window.
    auto* frame = new QGroupBox(QStringLiteral(" To smo mi "), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* form = new QGridLayout(frame);
    const std::pair<const char*, int> rows[] = {{"Firma", 0},      {"Naslov", 1}, {"Pošta", 2},
                                                {"Telefon", 3},    {"Faks", 4},   {"E-pošta", 5},
                                                {"Davčna št.", 7}, {"TRR", 8},    {"BIC banke", 9}};
    int row = 0;
    QWidget* previous = nullptr;
    for (auto [caption, box] : rows) {
        auto* label = new QLabel(QString::fromUtf8(caption), frame);
        label->setBuddy(m_fieldEdits[box]);
        form->addWidget(label, row, 0);
        if (box == 2) {
            auto* place = new QHBoxLayout;
            place->addWidget(postcodeEdit);
            place->addWidget(postOfficeEdit, 1);
            form->addLayout(place, row, 1);
        } else {
            form->addWidget(m_fieldEdits[box], row, 1);
        }
        // Tab follows the rows, the post office right after its postcode.
        const QList<QWidget*> inRow = box == 2 ? QList<QWidget*>{postcodeEdit, postOfficeEdit}
                                               : QList<QWidget*>{m_fieldEdits[box]};
        for (QWidget* next : inRow) {
            if (previous)
                setTabOrder(previous, next);
            previous = next;
        }
        ++row;
    }
    // Where e-invoices reach the office.
    m_addressEdit = new QLineEdit(frame);
    m_addressEdit->setObjectName(QStringLiteral("Text3"));
    m_addressEdit->setMaxLength(TextLength);
    auto* addressLabel = new QLabel(QStringLiteral("Elektronski naslov"), frame);
    addressLabel->setBuddy(m_addressEdit);
    form->addWidget(addressLabel, row, 0);
    form->addWidget(m_addressEdit, row, 1);
    setTabOrder(previous, m_addressEdit);
    previous = m_addressEdit;
    form->setColumnStretch(1, 1);

    // The reminder's text shows the program's own as long as none is typed.
    auto* reminderFrame = new QGroupBox(QStringLiteral(" Besedilo opomina "), this);
    reminderFrame->setObjectName(QStringLiteral("Frame2"));
    m_reminderEdit = new QPlainTextEdit(reminderFrame);
    m_reminderEdit->setObjectName(QStringLiteral("Text2"));
    m_reminderEdit->setPlaceholderText(defaultReminderText());
    m_reminderEdit->setTabChangesFocus(true);
    m_reminderEdit->setFixedHeight(m_reminderEdit->fontMetrics().lineSpacing() * 8 + 12);
    auto* reminderLayout = new QVBoxLayout(reminderFrame);
    reminderLayout->addWidget(m_reminderEdit);
    setTabOrder(previous, m_reminderEdit);
    setTabOrder(m_reminderEdit, m_okButton);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(reminderFrame);
    layout->addLayout(buttons);
    // Only the width is worth changing: it gives the texts their room.
    setMaximumHeight(sizeHint().height());
    m_fieldEdits[0]->setFocus();

    connect(m_okButton, &QPushButton::clicked, this, &N_data::confirm);

    if (!m_context.db) {
        Msg::critical(this, Messages::NoDatabase);
        return;
    }
    CompanyData data;
    QString reminderText;
    QString address;
    QString error;
    if (!readCompanyData(*m_context.db, &data, &error, &m_rowVersion) ||
        !readReminderText(*m_context.db, &reminderText, &error) ||
        !readElectronicAddress(*m_context.db, &address, &error)) {
        Msg::critical(this, SettingsMessages::NotRead, error);
        return;
    }
    for (int i = 0; i < CompanyFieldCount; ++i)
        m_fieldEdits[i]->setText(data[i]);
    m_addressEdit->setText(address);
    // None typed, e-invoices name the VAT number's address.
    const auto showDefaultAddress = [this] {
        const QString vat = vatNumberForm(m_fieldEdits[TaxNumberBox]->text());
        m_addressEdit->setPlaceholderText(
            isSlovenianVatNumber(vat) ? QStringLiteral("9949:") + vat
                                      : QStringLiteral("shema:oznaka, npr. 9949:SI12345678"));
    };
    showDefaultAddress();
    connect(m_fieldEdits[TaxNumberBox], &QLineEdit::textChanged, this, showDefaultAddress);
    m_reminderEdit->setPlainText(reminderText);
    QList<QWidget*> shown(m_fieldEdits.begin(), m_fieldEdits.end());
    shown << m_addressEdit << m_reminderEdit;
    m_shown.remember(shown);
    fillPlaceFromPostcode(postcodeEdit, postOfficeEdit, *m_context.db);
    setLoaded(true);
}

N_data::~N_data() = default;

void N_data::reject() {
    if (mayCloseUnstored(this, m_shown, [this] { confirm(); }))
        QDialog::reject();
}

void N_data::confirm() {
    if (!isLoaded())
        return;
    CompanyData data;
    for (int i = 0; i < CompanyFieldCount; ++i)
        data[i] = m_fieldEdits[i]->text();
    // The numbers the QR code and the e-invoice carry, checked as the
    // register checks a customer's.
    switch (confirmNumbers(this, data[TaxNumberBox].trimmed(), data[AccountBox].trimmed())) {
    case NumberRefused::TaxNumber:
        m_fieldEdits[TaxNumberBox]->setFocus();
        return;
    case NumberRefused::Account:
        m_fieldEdits[AccountBox]->setFocus();
        return;
    case NumberRefused::None:
        break;
    }
    const QString address = m_addressEdit->text().trimmed();
    if (QString scheme, id; !address.isEmpty() && !splitElectronicAddress(address, &scheme, &id)) {
        Msg::critical(this, EInvoiceFormatMessages::BadAddress.text.arg(address),
                      EInvoiceFormatMessages::BadAddress.title);
        m_addressEdit->setFocus();
        return;
    }
    QString error;
    const qint64 versionRead = m_rowVersion;
    if (!writeCompanyData(*m_context.db, data, m_reminderEdit->toPlainText(), &m_rowVersion, &error,
                          &address)) {
        // The input stays for another try. A row changed meanwhile is told
        // as such; the next "V redu" then writes over the change it told.
        if (m_rowVersion != versionRead)
            Msg::critical(this, error, Messages::RowChangedMeanwhile.title);
        else
            Msg::critical(this, SettingsMessages::NotSaved, error);
        return;
    }
    accept();
}

} // namespace valmir
