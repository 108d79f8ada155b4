#include "document/InvoiceEmail.h"

#include <QStandardPaths>

namespace valmir {

QString invoiceEmailSubject(const QString& invoiceNumber) {
    return QStringLiteral("Račun ") + invoiceNumber.trimmed();
}

QString invoiceEmailBody(const QString& invoiceNumber, const QString& firm) {
    QString body =
        QStringLiteral("Pozdravljeni,\n\nv prilogi vam pošiljamo račun %1.\n\nLep pozdrav")
            .arg(invoiceNumber.trimmed());
    if (!firm.trimmed().isEmpty())
        body += u'\n' + firm.trimmed();
    return body + u'\n';
}

QStringList invoiceEmailArguments(const QString& address, const QString& invoiceNumber,
                                  const QString& firm, const QString& pdfPath) {
    QStringList args{QStringLiteral("--subject"), invoiceEmailSubject(invoiceNumber),
                     QStringLiteral("--body"),    invoiceEmailBody(invoiceNumber, firm),
                     QStringLiteral("--attach"),  pdfPath};
    // Blanks around a typed address would make xdg-email refuse it; an
    // address that starts like an option goes as a mailto: link, which
    // xdg-email cannot take for one.
    const QString to = address.trimmed();
    if (!to.isEmpty())
        args << (to.startsWith(u'-') ? QStringLiteral("mailto:") + to : to);
    return args;
}

QString findMailLauncher() { return QStandardPaths::findExecutable(QStringLiteral("xdg-email")); }

} // namespace valmir
