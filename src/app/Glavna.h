#pragma once

#include "app/AppContext.h"
#include "app/ListSort.h"

#include <QMainWindow>

class QHBoxLayout;
class QPushButton;

namespace valmir {

class BoundGrid;

// The main window: the invoice list, its three buttons and the menu.
class Glavna : public QMainWindow {
    Q_OBJECT
public:
    explicit Glavna(const AppContext& context, QWidget* parent = nullptr);
    ~Glavna() override;

    // The invoice list; the editor reads its current row and writes
    // through its record set.
    BoundGrid* list() const { return m_list; }
    const ListSort& sortState() const { return m_sort; }

private:
    void buildList();
    QHBoxLayout* buildButtons(QWidget* central);
    void buildMenu();
    void setColumnWidths();
    // Runs the record source of the current sort again; the first row
    // becomes current.
    void reloadList();
    bool hasCurrentInvoice() const;

    void newInvoice();
    void openInvoice();
    void deleteInvoice();
    void sortByColumn(int column);
    // The editor, modal over this window, on the list as OpenMode says.
    void openEditor();

    AppContext m_context;
    BoundGrid* m_list = nullptr;
    ListSort m_sort;
    QPushButton* m_newButton = nullptr;
    QPushButton* m_openButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
};

} // namespace valmir
