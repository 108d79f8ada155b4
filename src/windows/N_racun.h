#pragma once

#include "document/Settings.h"
#include "ui/AppContext.h"
#include "ui/FormSnapshot.h"
#include "ui/LoadingDialog.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace valmir {

// "Računi": the number of the next invoice, the point value, validity and
// VAT rate a new invoice starts with, two layout options of the document
// and the folder its PDFs go to. Reads the settings row when it opens and
// writes it on "V redu" once the number, the point value and the rate read
// as numbers within their ranges; closing it any other way stores
// nothing, and asks first when something was changed.
class N_racun : public LoadingDialog {
    Q_OBJECT
public:
    explicit N_racun(const AppContext& context, QWidget* parent = nullptr);
    ~N_racun() override;

    void reject() override;

private:
    void confirm();
    void refuse(QLineEdit* edit, const QString& text, const QString& title);
    void pickFolder();

    AppContext m_context;
    QLineEdit* m_counterEdit = nullptr;    // Text1: StRacuna
    QCheckBox* m_yearlyCheck = nullptr;    // Check2: LetniStevec
    InvoiceSettings m_loaded;              // as read, to tell what the user changed
    QLineEdit* m_pointValueEdit = nullptr; // Text2: VrednostTocke
    QLineEdit* m_validityEdit = nullptr;   // Text3: Veljavnost
    QLineEdit* m_vatPercentEdit = nullptr; // Text4: StopnjaDDV
    QCheckBox* m_tolarsCheck = nullptr;    // Check1: Tolarji
    QRadioButton* m_sideBySideOption = nullptr; // Option1(0): GlavaVzporedno yes
    QRadioButton* m_stackedOption = nullptr;    // Option1(1): GlavaVzporedno no
    QLineEdit* m_folderEdit = nullptr;          // Text5: MapaDokumentov
    QPushButton* m_folderButton = nullptr;      // Command2: picks the folder
    QPushButton* m_okButton = nullptr;
    FormSnapshot m_shown; // the boxes as read
};

} // namespace valmir
