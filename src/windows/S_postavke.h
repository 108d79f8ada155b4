#pragma once

#include "ui/AppContext.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace valmir {

class BoundGrid;

// The operations list "Opravila": the operations of the service chosen in
// the drop-down, with adding, changing and deleting them.
class S_postavke : public QDialog {
    Q_OBJECT
public:
    S_postavke(const AppContext& context, QWidget* parent = nullptr);
    ~S_postavke() override;

    BoundGrid* list() const { return m_operations; }

private:
    void buildWindow();
    void fillServices();
    void showService(int index);
    bool serviceChosen();
    void addOperation();
    void changeOperation();
    void deleteOperation();
    void openDialog(int mode);
    bool hasOperations() const;

    AppContext m_context;
    QLabel* m_serviceLabel = nullptr;      // Label1
    QComboBox* m_services = nullptr;       // Combo1
    BoundGrid* m_operations = nullptr;     // DBGrid1
    QPushButton* m_addButton = nullptr;    // Command1
    QPushButton* m_changeButton = nullptr; // Command2
    QPushButton* m_deleteButton = nullptr; // Command3
};

} // namespace valmir
