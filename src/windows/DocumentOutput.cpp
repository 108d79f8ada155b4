#include "windows/DocumentOutput.h"

#include "document/InvoiceEmail.h"
#include "document/PdfDocument.h"
#include "document/PdfExport.h"
#include "document/Settings.h"
#include "text/Messages.h"
#include "ui/AppContext.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QSaveFile>
#include <QTimer>

#include <memory>

namespace valmir {

namespace {

// The box shown while the mail launcher works: no steps, a Cancel button,
// modal to the window so that it gets no second click.
std::unique_ptr<QProgressDialog> progressBox(QWidget* parent, const QString& text, const char* name,
                                             const QString& title) {
    auto progress = std::make_unique<QProgressDialog>(text, PdfMessages::Cancel, 0, 0, parent);
    progress->setObjectName(QString::fromLatin1(name));
    progress->setWindowTitle(title);
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    return progress;
}

// xdg-email still running after this long waits for a mail program it
// started and stays with: the message counts as opened.
constexpr int MailLauncherWait = 10000; // ms

// Runs xdg-email and waits for its word, or until it is plainly busy with
// the mail program. Its standard error or the system's words; empty when
// it worked.
QString launchMail(QWidget* parent, const QString& program, const QStringList& arguments) {
    // Owned by the application: one that outlives the wait must not be
    // killed with this function's locals.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setStandardOutputFile(QProcess::nullDevice());
    QEventLoop loop;
    QObject::connect(process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            loop.quit();
    });
    QTimer::singleShot(MailLauncherWait, &loop, &QEventLoop::quit);
    {
        const auto progress = progressBox(parent, PdfMessages::OpeningMail, "MailProgress",
                                          QStringLiteral("E-pošta"));
        QObject::connect(progress.get(), &QProgressDialog::canceled, &loop, &QEventLoop::quit);
        QApplication::setOverrideCursor(Qt::BusyCursor);
        process->start(program, arguments);
        if (process->state() != QProcess::NotRunning) { // else it could not start at all
            progress->show();
            loop.exec();
        }
        QApplication::restoreOverrideCursor();
    }
    if (process->state() != QProcess::NotRunning) {
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return {};
    }
    process->deleteLater();
    if (process->error() == QProcess::FailedToStart ||
        process->exitStatus() != QProcess::NormalExit)
        return process->errorString();
    if (process->exitCode() == 0)
        return {};
    const QString said = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
    return said.isEmpty() ? QStringLiteral("exit %1").arg(process->exitCode()) : said;
}

} // namespace

QString DocumentTarget(QWidget* parent, const AppContext& context, const QString& fileName) {
    InvoiceSettings settings;
    QString error;
    if (!readInvoiceSettings(*context.db, &settings, &error)) {
        Msg::critical(parent, SettingsMessages::NotRead, error);
        return {};
    }
    const QString folder = documentFolder(settings.documentFolder);
    if (!QDir().mkpath(folder)) {
        Msg::critical(parent, PdfMessages::FolderNotMade.text.arg(QDir::toNativeSeparators(folder)),
                      PdfMessages::FolderNotMade.title);
        return {};
    }
    const QString target = QDir(folder).filePath(fileName);
    if (QFileInfo::exists(target) &&
        !Msg::question(parent, PdfMessages::Replace.text.arg(QDir::toNativeSeparators(target)),
                       PdfMessages::Replace.title))
        return {};
    return target;
}

QString SaveDocumentPdf(QWidget* parent, const AppContext& context, const QString& fileName,
                        const std::function<std::optional<DocumentBlocks>()>& makeDocument) {
    const QString target = DocumentTarget(parent, context, fileName);
    if (target.isEmpty())
        return {};
    const std::optional<DocumentBlocks> document = makeDocument();
    if (!document)
        return {};
    QString error;
    const QByteArray pdf = pdfOfBlocks(*document, &error);
    if (pdf.isEmpty()) {
        Msg::critical(parent, PdfDrawingMessages::NotDrawn, error);
        return {};
    }
    // Written beside the target and renamed over it: until the new PDF is
    // whole, the old one stays, and a failed write leaves nothing behind.
    QSaveFile file(target);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size() || !file.commit()) {
        error = file.errorString();
        file.cancelWriting();
        Msg::critical(parent,
                      Message{PdfMessages::NotPlaced.text.arg(QDir::toNativeSeparators(target)),
                              PdfMessages::NotPlaced.title},
                      error);
        return {};
    }
    return target;
}

bool CheckMailAddress(QWidget* parent, const QString& address) {
    if (address.trimmed().isEmpty() || isPlainEmailAddress(address))
        return true;
    Msg::critical(parent, PdfMessages::BadAddress.text.arg(address.trimmed()),
                  PdfMessages::BadAddress.title);
    return false;
}

bool SendPdf(QWidget* parent, const QString& pdfPath, const QString& address,
             const QStringList& mailArguments) {
    if (!CheckMailAddress(parent, address))
        return false;
    const QString shown = QDir::toNativeSeparators(pdfPath);
    const QString program = findMailLauncher();
    if (program.isEmpty()) {
        Msg::critical(parent, PdfMessages::NoMailLauncher.text.arg(shown),
                      PdfMessages::NoMailLauncher.title);
        return false;
    }
    const QString error = launchMail(parent, program, mailArguments);
    if (!error.isEmpty()) {
        Msg::critical(
            parent,
            Message{PdfMessages::MailNotStarted.text.arg(shown), PdfMessages::MailNotStarted.title},
            error);
        return false;
    }
    return true;
}

} // namespace valmir
