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

bool isPlainEmailAddress(const QString& address) {
    const QString plain = address.trimmed();
    const qsizetype at = plain.indexOf(u'@');
    if (at <= 0 || plain.startsWith(u'-') || plain.count(u'@') != 1)
        return false;
    auto made = [](QStringView part, QStringView marks) {
        for (QChar c : part)
            if (!(c.isLetterOrNumber() || marks.contains(c)))
                return false;
        return true;
    };
    const QStringView domain = QStringView(plain).mid(at + 1);
    const QList<QStringView> labels = domain.split(u'.');
    if (labels.size() < 2)
        return false;
    for (QStringView label : labels)
        if (label.isEmpty() || !made(label, u"-"))
            return false;
    return made(QStringView(plain).left(at), u"._+-");
}

QStringList invoiceEmailArguments(const QString& address, const QString& invoiceNumber,
                                  const QString& firm, const QString& pdfPath) {
    QStringList args{QStringLiteral("--subject"), invoiceEmailSubject(invoiceNumber),
                     QStringLiteral("--body"),    invoiceEmailBody(invoiceNumber, firm),
                     QStringLiteral("--attach"),  pdfPath};
    // Blanks around a typed address would make xdg-email refuse it.
    const QString to = address.trimmed();
    if (!to.isEmpty())
        args << to;
    return args;
}

QString findMailLauncher() { return QStandardPaths::findExecutable(QStringLiteral("xdg-email")); }

} // namespace valmir
