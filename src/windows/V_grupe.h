#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace valmir {

class Database;
class Recordset;

// Edits one geodetic service: a new one when OpenMode is 0, else the
// current row of the services list. It writes through the list's record
// set, so that the list shows the result as soon as the dialog closes.
// Closing it without "V redu" writes nothing.
class V_grupe : public QDialog {
    Q_OBJECT
public:
    V_grupe(Database& db, Recordset& services, QWidget* parent = nullptr);
    ~V_grupe() override;

    int mode() const { return m_mode; }

private:
    void confirm();

    Database& m_db;
    Recordset& m_services;
    int m_mode = 0;
    double m_loadedNumber = 0; // the service's number when loaded (Null as 0)
    QLineEdit* m_numberEdit = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QLineEdit* m_noteEdit = nullptr;
    QPushButton* m_okButton = nullptr;
};

} // namespace valmir
