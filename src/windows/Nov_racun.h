#pragma once

#include <QDialog>

namespace valmir {

// The new-invoice question "Podvprašanje": for a new customer (OpenMode 0)
// or for the customer of the current invoice (OpenMode 2). Closing it
// otherwise leaves OpenMode at -1.
class Nov_racun : public QDialog {
    Q_OBJECT
public:
    // customerName: the Ime of the invoice current in the main list.
    explicit Nov_racun(const QString& customerName, QWidget* parent = nullptr);

private:
    void choose(int mode);
};

} // namespace valmir
