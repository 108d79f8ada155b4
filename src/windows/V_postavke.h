#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace valmir {

class Recordset;

// The dialog "Opravilo" that adds an operation to the list's service or
// changes the list's current operation, as OpenMode says (0 new, 1
// change); SelectedTS1 names the service. It writes through the list's
// record set and is accepted only when the row was written.
class V_postavke : public QDialog {
    Q_OBJECT
public:
    // serviceName: the service as the list's drop-down shows it.
    V_postavke(Recordset& list, const QString& serviceName, QWidget* parent = nullptr);
    ~V_postavke() override;

private:
    void buildWindow(const QString& serviceName);
    void loadOperation();
    void offerNextNumber();
    void confirm();

    Recordset& m_list;
    int m_mode = 0;
    int m_ts1 = 0;
    double m_loadedNumber = 0;
    QLabel* m_serviceName = nullptr;       // Label2
    QLineEdit* m_number = nullptr;         // Text1_0
    QLineEdit* m_tariffNumber = nullptr;   // Text1_1
    QLineEdit* m_text = nullptr;           // Text1_2
    QLineEdit* m_points = nullptr;         // Text1_3
    QCheckBox* m_active = nullptr;         // Check1
    QPushButton* m_confirmButton = nullptr; // Command1
};

} // namespace valmir
