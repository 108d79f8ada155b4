#include "invoice/Racun.h"

namespace valmir {

// Placeholder until the editor lands.
Racun::Racun(BoundGrid* invoiceList, QWidget* parent) : QDialog(parent), m_invoiceList(invoiceList) {
    setObjectName(QStringLiteral("Racun"));
    setWindowTitle(QStringLiteral("Račun"));
}

Racun::~Racun() = default;

} // namespace valmir
