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
#include "windows/DocumentOutput.h"
#include "windows/OpenInWordProcessor.h"
#include "windows/Racun.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QSaveFile>
#include <QUrl>

namespace valmir {

InvoiceOutput::InvoiceOutput(Racun& editor) : m_editor(editor) {}

// "Tiskaj račun": the invoice as it stands, saved or not, checked and priced
// first, written as the document and opened in the word processor.
void InvoiceOutput::print() {
    const QString document = writeDocument();
    if (!document.isEmpty())
        OpenInWordProcessor(&m_editor, m_editor.m_context, document);
}

// The checks and the recalculation of printing; false once the user has
// been told why not.
bool InvoiceOutput::prepareDocument() {
    if (!m_editor.ui.linesGrid->commitEdit())
        return false;
    Recordset* rs = m_editor.lines();
    if (!rs || rs->recordCount() == 0) {
        Msg::critical(&m_editor, DocumentMessages::NoLines);
        return false;
    }
    m_editor.askUnifiedReport();
    // A recalculation that was refused has told why; its lines are not
    // priced, so no document is made from them.
    return m_editor.recalculateAndShow();
}

// The checks, the recalculation and the document of printing; the
// document's path, or empty once the user has been told why not.
QString InvoiceOutput::writeDocument() {
    if (!prepareDocument())
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

// The stored invoice's document drawn as its PDF in the documents folder;
// the path, or empty once the user has been told why not. A PDF that goes
// to a customer carries a number that is used up: what it shows is what
// is stored.
QString InvoiceOutput::writePdf() {
    // The document's own checks may change the invoice (the unified-report
    // question); then it is no longer what is stored and is offered again.
    do {
        if (!ensureStored() || !prepareDocument())
            return {};
    } while (m_editor.Modified);
    DocumentInput in;
    PrintResult failed;
    if (!readDocumentInput(*m_editor.m_db, *m_editor.m_work, m_editor.currentHeader(),
                           m_editor.ui.staffCombo->currentText(), &in, &failed)) {
        Msg::critical(&m_editor, failed.error, failed.title);
        return {};
    }
    DocumentBlocks document;
    const DocumentTotals shown = invoiceBlocks(in, &document);
    if (!shown.warning.isEmpty())
        Msg::information(&m_editor, shown.warning, DocumentMessages::NoQrCodeTitle);
    return SaveDocumentPdf(&m_editor, m_editor.m_context,
                           pdfFileName(m_editor.headerText(NumberBox)),
                           [&] { return std::optional<DocumentBlocks>(document); });
}

bool InvoiceOutput::ensureStored() {
    if (!m_editor.ui.linesGrid->commitEdit())
        return false;
    if (m_editor.Mode == 1 && !m_editor.Modified)
        return true;
    return Msg::question(&m_editor, PdfMessages::SaveFirst) && m_editor.store();
}

// "Shrani PDF": the PDF written, told where, and shown in the desktop's
// viewer.
void InvoiceOutput::savePdf() {
    const QString pdf = writePdf();
    if (pdf.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(pdf);
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(pdf)))
        Msg::critical(&m_editor, PdfMessages::NotShown.text.arg(shown),
                      PdfMessages::NotShown.title);
    else
        Msg::information(&m_editor, PdfMessages::PdfSaved.text.arg(shown),
                         PdfMessages::PdfSaved.title);
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
    const QString target = DocumentTarget(&m_editor, m_editor.m_context,
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
    const QString address = m_editor.headerText(EmailBox);
    SendPdf(&m_editor, pdf, address,
            invoiceEmailArguments(address, m_editor.headerText(NumberBox), settings.firm, pdf,
                                  m_editor.m_quote                 ? MailedDocument::Quote
                                  : m_editor.m_credits.has_value() ? MailedDocument::CreditNote
                                                                   : MailedDocument::Invoice));
}

} // namespace valmir
