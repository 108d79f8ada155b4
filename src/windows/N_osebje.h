#pragma once

#include "ui/AppContext.h"

#include <QDialog>

class QPushButton;

namespace valmir {

class BoundGrid;
struct Message;

// "Potencialni sestavljavci računa": the people who compile invoices. Adds
// and renames them through the input box and deletes one whom no invoice
// names. Shown modally over the main window.
class N_osebje : public QDialog {
    Q_OBJECT
public:
    explicit N_osebje(const AppContext& context, QWidget* parent = nullptr);
    ~N_osebje() override;

private:
    void onAdd();
    void onRename();
    void onDelete();
    // The ID of the current row; false (with its message shown) when the
    // list has no row or the row could not be read.
    bool currentId(qint64* id);
    void showRow(qint64 id);
    void reportEngineError(const Message& message, const QString& error);

    AppContext m_context;
    BoundGrid* m_staffGrid = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_renameButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    // A name refused because another workstation changed the person
    // meanwhile: the box offers it again, and then it goes in over the
    // change that was told.
    struct Refused {
        qint64 id = 0;
        qint64 version = 0;
        QString name;
    };
    Refused m_refused;
};

} // namespace valmir
