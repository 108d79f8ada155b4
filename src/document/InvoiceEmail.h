#pragma once

#include <QString>
#include <QStringList>

namespace valmir {

// A new message in the user's mail program with the invoice's PDF
// attached, through xdg-email (Debian xdg-utils), which knows the
// desktop's mail program.

QString invoiceEmailSubject(const QString& invoiceNumber); // "Račun 2026-001"
// A short greeting that names the invoice, signed with the firm's name.
QString invoiceEmailBody(const QString& invoiceNumber, const QString& firm);

// xdg-email's arguments: subject, body, the attachment and, when there is
// one, the address (the user may fill it in in the mail program).
QStringList invoiceEmailArguments(const QString& address, const QString& invoiceNumber,
                                  const QString& firm, const QString& pdfPath);

// xdg-email found on PATH; empty when missing.
QString findMailLauncher();

} // namespace valmir
