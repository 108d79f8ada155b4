#pragma once

#include "ui/AppContext.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace valmir {

// "Strežnik": where the program's data live for the account, the data file
// or the office's database on a PostgreSQL server (a libpq connection
// string). It tries the connection, moves the file's data into an empty
// server database, and keeps the choice for the next start with "Shrani";
// closing it otherwise keeps nothing. It lives beside the start-up, whose
// choice it keeps and whose move to the server it runs.
class N_streznik : public QDialog {
    Q_OBJECT
public:
    explicit N_streznik(const AppContext& context, QWidget* parent = nullptr);
    ~N_streznik() override;

private:
    void choiceChanged();
    void testConnection();
    void moveData();
    void save();
    // The typed string, or empty after telling why it cannot be used.
    QString usableConninfo();

    AppContext m_context;
    QRadioButton* m_fileOption = nullptr;
    QRadioButton* m_serverOption = nullptr;
    QLabel* m_conninfoLabel = nullptr;
    QLineEdit* m_conninfoEdit = nullptr;
    QPushButton* m_testButton = nullptr;
    QPushButton* m_moveButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace valmir
