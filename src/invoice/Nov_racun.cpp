#include "invoice/Nov_racun.h"

#include "app/Module1.h"

namespace valmir {

// Placeholder until the question lands.
Nov_racun::Nov_racun(const QString& customerName, QWidget* parent) : QDialog(parent) {
    Q_UNUSED(customerName);
    setObjectName(QStringLiteral("Nov_racun"));
    setWindowTitle(QStringLiteral("Podvprašanje"));
    OpenMode = -1;
}

} // namespace valmir
