#pragma once

#include "document/Settings.h"
#include "ui/AppContext.h"
#include "ui/FormSnapshot.h"

#include "ui/LoadingDialog.h"

#include <array>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace valmir {

// "Naši podatki": the issuer's own data printed in the head of every
// document, and the text of the reminder letter. Reads the settings row
// when it opens and writes it on "V redu", once a tax number or an account
// that fails its check is confirmed; closing it any other way stores
// nothing, and asks first when something was changed.
class N_data : public LoadingDialog {
    Q_OBJECT
public:
    explicit N_data(const AppContext& context, QWidget* parent = nullptr);
    ~N_data() override;

    void reject() override;

private:
    void confirm();

    AppContext m_context;
    // Text1(i): the field CompanyFields[i] (Settings.h).
    std::array<QLineEdit*, CompanyFieldCount> m_fieldEdits{};
    // Text2: BesediloOpomina; left empty, the letter says the program's own.
    QPlainTextEdit* m_reminderEdit = nullptr;
    // Text3: ElektronskiNaslov; left empty, e-invoices name the VAT
    // number's address.
    QLineEdit* m_addressEdit = nullptr;
    QPushButton* m_okButton = nullptr;
    // The settings row's version as read: "V redu" writes over that row
    // only (writeCompanyData).
    qint64 m_rowVersion = 0;
    FormSnapshot m_shown; // the boxes as read
};

} // namespace valmir
