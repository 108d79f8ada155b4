#include "windows/SaveInvoicePdf.h"

#include "ui/AppContext.h"
#include "ui/MessageBox.h"
#include "text/Messages.h"
#include "document/InvoiceEmail.h"
#include "document/PdfExport.h"
#include "document/Settings.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QTimer>

namespace valmir {

namespace {

struct Converted {
    bool ok = false;
    QString pdf;
    QString error;
};

// Runs LibreOffice and waits for it with the event loop running: the
// window paints, the progress box can cancel.
Converted convert(QWidget* parent, const QString& program, const QString& documentPath,
                  const QString& workFolder) {
    Converted result;
    bool received = false;
    PdfConversion conversion;
    QEventLoop loop;
    QObject::connect(&conversion, &PdfConversion::finished, &loop,
                     [&](bool ok, const QString& pdf, const QString& error) {
                         result = {ok, pdf, error};
                         received = true;
                         loop.quit();
                     });
    QProgressDialog progress(PdfMessages::Converting, PdfMessages::Cancel, 0, 0, parent);
    progress.setObjectName(QStringLiteral("PdfProgress"));
    progress.setWindowTitle(QStringLiteral("PDF"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QObject::connect(&progress, &QProgressDialog::canceled, &conversion, &PdfConversion::cancel);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    conversion.start(program, documentPath, workFolder);
    if (conversion.isRunning())
        progress.show();
    if (!received) // a program that cannot start may say so only later
        loop.exec();
    QApplication::restoreOverrideCursor();
    return result;
}

// Waiting longer than this for xdg-email means waiting for a mail program
// that it started and stays with.
constexpr int MailLauncherWait = 10000; // ms

struct Launched {
    bool ok = false;
    QString error; // xdg-email's standard error, or the system's words
};

// Runs xdg-email and waits for its word, or until it is plainly busy with
// the mail program, under a progress box that keeps the editor from a
// second click.
Launched launchMail(QWidget* parent, const QString& program, const QStringList& arguments) {
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
        QProgressDialog progress(PdfMessages::OpeningMail, PdfMessages::Cancel, 0, 0, parent);
        progress.setObjectName(QStringLiteral("MailProgress"));
        progress.setWindowTitle(QStringLiteral("E-pošta"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        QObject::connect(&progress, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
        QApplication::setOverrideCursor(Qt::BusyCursor);
        process->start(program, arguments);
        if (process->state() != QProcess::NotRunning) { // else it could not start at all
            progress.show();
            loop.exec();
        }
        QApplication::restoreOverrideCursor();
    }
    Launched result;
    if (process->state() != QProcess::NotRunning) {
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        result.ok = true;
        return result;
    }
    if (process->error() == QProcess::FailedToStart ||
        process->exitStatus() != QProcess::NormalExit)
        result.error = process->errorString();
    else if (process->exitCode() != 0) {
        result.error = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
        if (result.error.isEmpty())
            result.error = QStringLiteral("exit %1").arg(process->exitCode());
    } else
        result.ok = true;
    process->deleteLater();
    return result;
}

} // namespace

QString SaveInvoicePdf(QWidget* parent, const AppContext& context, const QString& documentPath,
                       const QString& invoiceNumber) {
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
    const QString target = QDir(folder).filePath(pdfFileName(invoiceNumber));
    if (QFileInfo::exists(target) &&
        !Msg::question(parent, PdfMessages::Replace.text.arg(QDir::toNativeSeparators(target)),
                       PdfMessages::Replace.title))
        return {};
    const QString program = findLibreOffice();
    if (program.isEmpty()) {
        Msg::critical(parent, PdfMessages::NoLibreOffice);
        return {};
    }
    const Converted converted = convert(parent, program, documentPath, context.tempFolder);
    if (!converted.ok) {
        if (!converted.error.isEmpty()) // else the user cancelled it
            Msg::critical(parent, PdfMessages::ConversionFailed, converted.error);
        return {};
    }
    if (!placePdf(converted.pdf, target, &error)) {
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

bool SendInvoicePdf(QWidget* parent, const QString& pdfPath, const QString& address,
                    const QString& invoiceNumber, const QString& firm) {
    if (!CheckMailAddress(parent, address))
        return false;
    const QString shown = QDir::toNativeSeparators(pdfPath);
    const QString program = findMailLauncher();
    if (program.isEmpty()) {
        Msg::critical(parent, PdfMessages::NoMailLauncher.text.arg(shown),
                      PdfMessages::NoMailLauncher.title);
        return false;
    }
    const Launched launched =
        launchMail(parent, program, invoiceEmailArguments(address, invoiceNumber, firm, pdfPath));
    if (!launched.ok) {
        Msg::critical(
            parent,
            Message{PdfMessages::MailNotStarted.text.arg(shown), PdfMessages::MailNotStarted.title},
            launched.error);
        return false;
    }
    return true;
}

} // namespace valmir
