#pragma once

#include "document/EInvoice.h"

#include <QByteArray>

namespace valmir {

// The Peppol BIS Billing 3.0 document of these values (UBL 2.1, UTF-8): an
// Invoice, or a CreditNote for a credit note. The same texts as the e-SLOG
// writer's, cleaned and cut alike (EInvoiceChars), so that both files say
// the same. Checks nothing: the caller has refused what cannot make an
// e-invoice, a buyer without an electronic address among it.
QByteArray ublInvoiceXml(const EInvoiceData& d);

} // namespace valmir
