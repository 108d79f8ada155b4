#include "windows/ReminderOutput.h"

#include "data/Database.h"
#include "document/InvoiceEmail.h"
#include "document/PdfExport.h"
#include "document/Reminder.h"
#include "invoice/InvoiceFields.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "ui/AppContext.h"
#include "ui/MessageBox.h"
#include "windows/DocumentOutput.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace valmir {

namespace {

// The letter's blocks, the user told when its code is missing.
DocumentBlocks letter(QWidget* parent, const ReminderInput& in) {
    DocumentBlocks blocks;
    const QString warning = reminderBlocks(in, &blocks);
    if (!warning.isEmpty())
        Msg::information(parent, warning, DocumentMessages::NoQrCodeTitle);
    return blocks;
}

} // namespace

bool MakeReminder(QWidget* parent, const AppContext& context, qint64 invoiceId) {
    ReminderInput in;
    QString error;
    if (!readReminder(*context.db, invoiceId, today(), &in, &error)) {
        Msg::critical(parent, ReminderMessages::NotRead, error);
        return false;
    }
    const ReminderRefusal refusal = reminderRefusal(in.invoice, in.today);
    if (refusal != ReminderRefusal::None) {
        Msg::critical(parent, reminderRefusalMessage(refusal, in.invoice));
        return false;
    }
    const QString pdf =
        SaveDocumentPdf(parent, context, reminderPdfFileName(in.invoice.number()),
                        [&] { return std::optional<DocumentBlocks>(letter(parent, in)); });
    if (pdf.isEmpty())
        return false;
    const QString shown = QDir::toNativeSeparators(pdf);
    // Only a reminder that was written counts as made.
    if (!recordReminder(*context.db, invoiceId, in.today)) {
        Msg::critical(parent,
                      Message{ReminderMessages::NotRecorded.text.arg(shown),
                              ReminderMessages::NotRecorded.title},
                      context.db->lastError());
        return false;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(pdf)))
        Msg::critical(parent, PdfMessages::NotShown.text.arg(shown), PdfMessages::NotShown.title);
    // A new message to the invoice's address, with the reminder attached.
    const QString address = in.invoice.text1.value(EmailBox);
    if (Msg::question(parent, ReminderMessages::Send.text.arg(shown), ReminderMessages::Send.title))
        SendPdf(parent, pdf, address,
                reminderEmailArguments(address, in.invoice.number(), in.invoice.due,
                                       in.settings.firm, pdf));
    return true;
}

} // namespace valmir
