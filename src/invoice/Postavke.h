#pragma once

#include <QDialog>

namespace valmir {

// The operation picker "Izbira opravil". Each tick is written at once into
// tblTarife.Izbrana; PickConfirmed is true only when the window was closed
// with "Izbira je zaključena".
class Postavke : public QDialog {
    Q_OBJECT
public:
    explicit Postavke(QWidget* parent = nullptr);
    ~Postavke() override;
};

} // namespace valmir
