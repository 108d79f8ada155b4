#pragma once

#include <QMainWindow>

class QPushButton;

namespace valmir {

class BoundGrid;

// The main window: the invoice list, its three buttons and the menu.
class Glavna : public QMainWindow {
    Q_OBJECT
public:
    explicit Glavna(QWidget* parent = nullptr);
    ~Glavna() override;

    // The invoice list; the editor reads its current row and writes
    // through its record set.
    BoundGrid* list() const { return m_list; }

private:
    BoundGrid* m_list = nullptr;
};

} // namespace valmir
