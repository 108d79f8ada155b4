#pragma once

#include "ui/AppContext.h"

#include "ui/LoadingDialog.h"

class QPushButton;
class QTimer;

namespace valmir {

class BoundGrid;

// The code list of geodetic services: lists them in the order of their
// numbers and adds, changes and deletes them (the changes through the edit
// dialog V_grupe). Shown modally over the main window.
class S_grupe : public LoadingDialog {
    Q_OBJECT
public:
    S_grupe(const AppContext& context, QWidget* parent = nullptr);
    ~S_grupe() override;

private:
    void buildGrid();
    QLayout* buildButtons();
    void orderByNumber();
    void addService();
    void changeService();
    void deleteService();
    void openEditor(int mode);

    AppContext m_context;
    BoundGrid* m_list = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_changeButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QTimer* m_orderTimer = nullptr;
};

} // namespace valmir
