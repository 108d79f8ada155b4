#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace valmir {

class Database;

// The operation picker "Izbira opravil". Each tick is written at once into
// this workstation's picks (setPicked, WorkingTable.h), so that choices
// under one service survive switching to another; PickConfirmed is true
// only when the window was closed with "Izbira je zaključena".
class Postavke : public QDialog {
    Q_OBJECT
public:
    Postavke(Database& db, QWidget* parent = nullptr);
    ~Postavke() override;

private:
    void buildWindow();
    void fillServices();
    void showService(int index);
    void operationToggled(QListWidgetItem* item);
    void chooseAll(bool chosen);
    void confirm();
    bool storeChoice(const QVariant& id, bool chosen);
    void reportEngineError();

    Database& m_db;
    QLabel* m_label1 = nullptr;
    QComboBox* m_combo1 = nullptr;
    QListWidget* m_list1 = nullptr;
    QPushButton* m_chooseAll = nullptr;  // Command2_0
    QPushButton* m_chooseNone = nullptr; // Command2_1
    QPushButton* m_confirm = nullptr;    // Command1

    // False while the list is filled or changed by code, so that the
    // changes this causes are not stored as the user's choices.
    bool m_listReady = false;
    // A click on the text of an item toggles it as a click on its box does.
    QListWidgetItem* m_pressedItem = nullptr;
    Qt::CheckState m_pressedState = Qt::Unchecked;
};

} // namespace valmir
