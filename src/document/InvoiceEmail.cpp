#include "document/InvoiceEmail.h"

#include "text/TextForms.h"

#include <QStandardPaths>

namespace valmir {

namespace {

// The document's name in the subject and, in lower case, in the text.
QString nameOf(MailedDocument kind) {
    switch (kind) {
    case MailedDocument::CreditNote:
        return QStringLiteral("Dobropis");
    case MailedDocument::Quote:
        return QStringLiteral("Ponudba");
    case MailedDocument::Invoice:
        break;
    }
    return QStringLiteral("Račun");
}

// A greeting around `text`, signed with the firm's name.
QString emailBody(const QString& text, const QString& firm) {
    QString body = QStringLiteral("Pozdravljeni,\n\n%1\n\nLep pozdrav").arg(text);
    if (!firm.trimmed().isEmpty())
        body += u'\n' + firm.trimmed();
    return body + u'\n';
}

QStringList emailArguments(const QString& address, const QString& subject, const QString& body,
                           const QString& pdfPath) {
    QStringList args{QStringLiteral("--subject"), subject, QStringLiteral("--body"), body,
                     QStringLiteral("--attach"),  pdfPath};
    // Blanks around a typed address would make xdg-email refuse it.
    const QString to = address.trimmed();
    if (!to.isEmpty())
        args << to;
    return args;
}

} // namespace

QString invoiceEmailSubject(const QString& invoiceNumber, MailedDocument kind) {
    return nameOf(kind) + u' ' + invoiceNumber.trimmed();
}

QString invoiceEmailBody(const QString& invoiceNumber, const QString& firm, MailedDocument kind) {
    return emailBody(QStringLiteral("v prilogi vam pošiljamo %1 %2.")
                         .arg(nameOf(kind).toLower(), invoiceNumber.trimmed()),
                     firm);
}

QString reminderEmailSubject(const QString& invoiceNumber) {
    return QStringLiteral("Opomin za račun ") + invoiceNumber.trimmed();
}

QString reminderEmailBody(const QString& invoiceNumber, const QDate& due, const QString& firm) {
    return emailBody(QStringLiteral("račun %1 je zapadel v plačilo dne %2 in še ni poravnan. "
                                    "V prilogi vam pošiljamo opomin.")
                         .arg(invoiceNumber.trimmed(), dateText(due)),
                     firm);
}

QStringList reminderEmailArguments(const QString& address, const QString& invoiceNumber,
                                   const QDate& due, const QString& firm, const QString& pdfPath) {
    return emailArguments(address, reminderEmailSubject(invoiceNumber),
                          reminderEmailBody(invoiceNumber, due, firm), pdfPath);
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
                                  const QString& firm, const QString& pdfPath,
                                  MailedDocument kind) {
    return emailArguments(address, invoiceEmailSubject(invoiceNumber, kind),
                          invoiceEmailBody(invoiceNumber, firm, kind), pdfPath);
}

QString findMailLauncher() { return QStandardPaths::findExecutable(QStringLiteral("xdg-email")); }

} // namespace valmir
