#include "document/PdfExport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace valmir {

namespace {

// `kind` and the number, as a file name here and on a Windows share.
QString documentFileName(const QString& kind, const QString& invoiceNumber,
                         const QString& extension) {
    QString number = invoiceNumber.trimmed();
    for (QChar& c : number)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"/\\:*?\"<>|").contains(c))
            c = u'-';
    return (number.isEmpty() ? kind : kind + u' ' + number) + u'.' + extension;
}

} // namespace

QString invoiceFileName(const QString& invoiceNumber, const QString& extension) {
    return documentFileName(QStringLiteral("Racun"), invoiceNumber, extension);
}

QString reminderPdfFileName(const QString& invoiceNumber) {
    return documentFileName(QStringLiteral("Opomin"), invoiceNumber, QStringLiteral("pdf"));
}

QString pdfFileName(const QString& invoiceNumber) {
    return invoiceFileName(invoiceNumber, QStringLiteral("pdf"));
}

QString defaultDocumentFolder() {
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return QDir(documents).filePath(QStringLiteral("VALMIR"));
}

QString documentFolder(const QVariant& stored) {
    const QString folder = stored.toString().trimmed();
    return folder.isEmpty() ? defaultDocumentFolder() : QDir::cleanPath(folder);
}

QString findLibreOffice() { return QStandardPaths::findExecutable(QStringLiteral("soffice")); }

PdfConversion::PdfConversion(QObject* parent) : QObject(parent) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    connect(&m_process, &QProcess::finished, this, &PdfConversion::onFinished);
    connect(&m_process, &QProcess::errorOccurred, this, &PdfConversion::onError);
}

PdfConversion::~PdfConversion() {
    if (isRunning()) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

QStringList PdfConversion::arguments(const QString& rtfPath, const QString& workFolder) {
    const QDir work(workFolder);
    return {QStringLiteral("-env:UserInstallation=") +
                QUrl::fromLocalFile(work.filePath(QStringLiteral("libreoffice"))).toString(),
            QStringLiteral("--headless"),
            QStringLiteral("--norestore"),
            QStringLiteral("--convert-to"),
            QStringLiteral("pdf"),
            QStringLiteral("--outdir"),
            work.filePath(QStringLiteral("pdf")),
            rtfPath};
}

void PdfConversion::start(const QString& program, const QString& rtfPath,
                          const QString& workFolder) {
    m_cancelled = false;
    m_done = false;
    const QDir out(QDir(workFolder).filePath(QStringLiteral("pdf")));
    m_pdfPath = out.filePath(QFileInfo(rtfPath).completeBaseName() + QStringLiteral(".pdf"));
    // A PDF left by an earlier run must not pass for this one.
    if (!out.mkpath(QStringLiteral(".")) ||
        (QFile::exists(m_pdfPath) && !QFile::remove(m_pdfPath))) {
        finish(false, QDir::toNativeSeparators(m_pdfPath));
        return;
    }
    m_process.start(program, arguments(rtfPath, workFolder));
}

void PdfConversion::cancel() {
    if (!isRunning())
        return;
    m_cancelled = true;
    m_process.kill();
}

void PdfConversion::onFinished(int exitCode, QProcess::ExitStatus status) {
    if (m_cancelled) {
        finish(false, QString());
        return;
    }
    const QString said = QString::fromLocal8Bit(m_process.readAll()).trimmed();
    // LibreOffice ends with 0 also when it could not read the document;
    // only the PDF itself says that the conversion worked.
    if (status == QProcess::NormalExit && exitCode == 0 && QFileInfo(m_pdfPath).size() > 0) {
        finish(true, QString());
        return;
    }
    QString error = said;
    if (error.isEmpty())
        error = status == QProcess::NormalExit ? QStringLiteral("exit %1").arg(exitCode)
                                               : m_process.errorString();
    finish(false, error);
}

void PdfConversion::onError(QProcess::ProcessError error) {
    // A program that ran and crashed reports through finished() as well.
    if (error == QProcess::FailedToStart)
        finish(false, m_process.errorString());
}

void PdfConversion::finish(bool ok, const QString& error) {
    if (m_done)
        return;
    m_done = true;
    emit finished(ok, ok ? m_pdfPath : QString(), error);
}

} // namespace valmir
