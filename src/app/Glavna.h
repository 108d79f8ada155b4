#pragma once

#include "app/AppContext.h"
#include "app/SortableList.h"

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
    const ListSort& sortState() const { return m_sortable->sort(); }
    // What the windows opened from here get of the run.
    const AppContext& context() const { return m_context; }

private:
    void buildList();
    QHBoxLayout* buildButtons(QWidget* central);
    void buildMenu();
    bool hasCurrentInvoice() const;

    void newInvoice();
    void openInvoice();
    void deleteInvoice();
    // The editor, modal over this window, on the list as OpenMode says.
    void openEditor();

    AppContext m_context;
    BoundGrid* m_list = nullptr;
    SortableList* m_sortable = nullptr;
    QPushButton* m_newButton = nullptr;
    QPushButton* m_openButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
};

} // namespace valmir
