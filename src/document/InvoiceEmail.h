#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace valmir {

// A new message in the user's mail program with the invoice's PDF
// attached, through xdg-email (Debian xdg-utils), which knows the
// desktop's mail program.

// What is sent: the word its subject and text name it by.
enum class MailedDocument { Invoice, CreditNote, Quote };

// "Račun 2026-001", "Dobropis 2026-003" for a credit note, or "Ponudba
// P2026/001" for a quote.
QString invoiceEmailSubject(const QString& invoiceNumber,
                            MailedDocument kind = MailedDocument::Invoice);
// A short greeting that names the invoice, signed with the firm's name.
QString invoiceEmailBody(const QString& invoiceNumber, const QString& firm,
                         MailedDocument kind = MailedDocument::Invoice);

// Whether the address box holds one plain address, local@domain, that
// xdg-email can only take for a recipient. xdg-email passes a mailto: link
// through and the mail program reads "?attach=...&bcc=..." in it, and a
// Thunderbird launch reads quotes and commas, so only letters, digits and
// ". _ + -" pass (no "-" first), one "@", and a domain of dotted parts.
// Blanks around the address do not count; an empty box is no address.
bool isPlainEmailAddress(const QString& address);

// xdg-email's arguments: subject, body, the attachment and, when there is
// one, the address (the user may fill it in in the mail program). The
// address is checked by isPlainEmailAddress() first.
QStringList invoiceEmailArguments(const QString& address, const QString& invoiceNumber,
                                  const QString& firm, const QString& pdfPath,
                                  MailedDocument kind = MailedDocument::Invoice);

// The reminder's message: "Opomin za račun 2026-001", and a short text
// that names the invoice and its due date, signed with the firm's name.
QString reminderEmailSubject(const QString& invoiceNumber);
QString reminderEmailBody(const QString& invoiceNumber, const QDate& due, const QString& firm);
QStringList reminderEmailArguments(const QString& address, const QString& invoiceNumber,
                                   const QDate& due, const QString& firm, const QString& pdfPath);

// xdg-email found on PATH; empty when missing.
QString findMailLauncher();

} // namespace valmir
