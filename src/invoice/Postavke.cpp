#include "invoice/Postavke.h"

#include "app/Module1.h"

namespace valmir {

// Placeholder until the picker lands.
Postavke::Postavke(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Postavke"));
    setWindowTitle(QStringLiteral("Izbira opravil"));
    PickConfirmed = false;
}

Postavke::~Postavke() = default;

} // namespace valmir
