#pragma once

#include <QDialog>

namespace valmir {

class BoundGrid;

// The invoice editor. It loads when constructed, as OpenMode says: 0 a new
// invoice, 1 the invoice current in the main list, 2 a new invoice for the
// customer of that invoice. Shown modally over the main window.
class Racun : public QDialog {
    Q_OBJECT
public:
    Racun(BoundGrid* invoiceList, QWidget* parent = nullptr);
    ~Racun() override;

private:
    BoundGrid* m_invoiceList;
};

} // namespace valmir
