#include "windows/InvoiceOutput.h"

#include "data/Recordset.h"
#include "document/EInvoice.h"
#include "document/InvoiceDocument.h"
#include "document/InvoiceEmail.h"
#include "document/PdfExport.h"
#include "document/Settings.h"
#include "invoice/InvoiceFields.h"
#include "text/Messages.h"
#include "ui/AppContext.h"
#include "ui/BoundGrid.h"
#include "ui/MessageBox.h"
#include "windows/OpenInWordProcessor.h"
#include "windows/Racun.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

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

namespace {

// Where a document of the invoice goes in the documents folder: the path,
// or empty after the message that says why not (nothing is said when the
// user chose not to replace a file of that name).
QString documentTarget(QWidget* parent, const AppContext& context, const QString& fileName) {
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

} // namespace

QString SaveInvoicePdf(QWidget* parent, const AppContext& context, const QString& documentPath,
                       const QString& invoiceNumber) {
    const QString target = documentTarget(parent, context, pdfFileName(invoiceNumber));
    if (target.isEmpty())
        return {};
    QString error;
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

// ---------------------------------------------------------------------------
// The editor's documents

InvoiceOutput::InvoiceOutput(Racun& editor) : m_editor(editor) {}

// "Tiskaj račun": the invoice as it stands, saved or not, checked and priced
// first, written as the document and opened in the word processor.
void InvoiceOutput::print() {
    const QString document = writeDocument();
    if (!document.isEmpty())
        OpenInWordProcessor(&m_editor, m_editor.m_context, document);
}

// The checks, the recalculation and the document of printing; the
// document's path, or empty once the user has been told why not.
QString InvoiceOutput::writeDocument() {
    m_editor.ui.linesGrid->commitEdit();
    Recordset* rs = m_editor.lines();
    if (!rs || rs->recordCount() == 0) {
        Msg::critical(&m_editor, DocumentMessages::NoLines);
        return {};
    }
    m_editor.askUnifiedReport();
    // A recalculation that was refused has told why; its lines are not
    // priced, so no document is made from them.
    if (!m_editor.recalculateAndShow())
        return {};
    const PrintResult printed =
        valmir::PrintInvoice(*m_editor.m_db, *m_editor.m_work, m_editor.m_context.tempFolder,
                             m_editor.currentHeader(), m_editor.ui.staffCombo->currentText());
    if (!printed.ok) {
        Msg::critical(&m_editor, printed.error, printed.title);
        return {};
    }
    // Told once, when the document is made; it is made all the same.
    if (!printed.warning.isEmpty())
        Msg::information(&m_editor, printed.warning, DocumentMessages::NoQrCodeTitle);
    return printed.path;
}

// The stored invoice's document converted to its PDF in the documents
// folder; the path, or empty once the user has been told why not. A PDF
// that goes to a customer carries a number that is used up: what it shows
// is what is stored.
QString InvoiceOutput::writePdf() {
    QString document;
    // The document's own checks may change the invoice (the unified-report
    // question); then it is no longer what is stored and is offered again.
    do {
        if (!ensureStored())
            return {};
        document = writeDocument();
        if (document.isEmpty())
            return {};
    } while (m_editor.Modified);
    return SaveInvoicePdf(&m_editor, m_editor.m_context, document, m_editor.headerText(NumberBox));
}

bool InvoiceOutput::ensureStored() {
    m_editor.ui.linesGrid->commitEdit();
    if (m_editor.Mode == 1 && !m_editor.Modified)
        return true;
    return Msg::question(&m_editor, PdfMessages::SaveFirst) && m_editor.store();
}

// "Shrani PDF": the PDF written and shown in the desktop's viewer.
void InvoiceOutput::savePdf() {
    const QString pdf = writePdf();
    if (!pdf.isEmpty() && !QDesktopServices::openUrl(QUrl::fromLocalFile(pdf)))
        Msg::critical(&m_editor, PdfMessages::NotShown.text.arg(QDir::toNativeSeparators(pdf)),
                      PdfMessages::NotShown.title);
}

// The e-invoice is made from the stored invoice alone; the editor's own
// working table is not touched.
void InvoiceOutput::saveEInvoice() {
    if (!ensureStored())
        return;
    const QString number = m_editor.headerText(NumberBox);
    const EInvoiceResult made =
        eInvoiceOfStoredInvoice(*m_editor.m_db, number, m_editor.m_context.tempFolder);
    if (!made.ok) {
        Msg::critical(&m_editor, made.error, made.title);
        return;
    }
    const QString target = documentTarget(&m_editor, m_editor.m_context,
                                          invoiceFileName(number, QStringLiteral("xml")));
    if (target.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(target);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(made.xml) != made.xml.size() ||
        !file.commit()) {
        Msg::critical(&m_editor,
                      Message{PdfMessages::EInvoiceNotWritten.text.arg(shown),
                              PdfMessages::EInvoiceNotWritten.title},
                      file.errorString());
        return;
    }
    Msg::information(&m_editor, PdfMessages::EInvoiceSaved.text.arg(shown),
                     PdfMessages::EInvoiceSaved.title);
}

// "Pošlji po e-pošti": the PDF written and attached to a new message to
// the customer, signed with the office's name.
void InvoiceOutput::sendByEmail() {
    // An address that is refused stops everything before the invoice is
    // saved or a PDF made.
    if (!CheckMailAddress(&m_editor, m_editor.headerText(EmailBox)))
        return;
    const QString pdf = writePdf();
    if (pdf.isEmpty())
        return;
    DocumentSettings settings;
    QString error;
    if (!readDocumentSettings(*m_editor.m_db, &settings, &error)) {
        Msg::critical(&m_editor, error, Titles::Database);
        return;
    }
    SendInvoicePdf(&m_editor, pdf, m_editor.headerText(EmailBox), m_editor.headerText(NumberBox),
                   settings.firm);
}

} // namespace valmir
