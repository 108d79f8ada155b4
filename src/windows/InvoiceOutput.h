#pragma once

#include <QString>

class QWidget;

namespace valmir {

struct AppContext;
class Racun;

// The documents of the invoice open in the editor, made in one place that
// the editor's buttons call: the printed document opened in the word
// processor, its PDF, and the PDF sent by e-mail. A PDF and an e-mail are
// made only from the invoice as it is stored.
class InvoiceOutput {
public:
    explicit InvoiceOutput(Racun& editor);
    // "Tiskaj račun": the invoice as it stands, saved or not.
    void print();
    // "Shrani PDF": the PDF written and shown in the desktop's viewer.
    void savePdf();
    // "Shrani e-račun": the stored invoice as "Racun <number>.xml" in the
    // documents folder; where it went is told.
    void saveEInvoice();
    // "Pošlji po e-pošti": the PDF attached to a new message to the customer.
    void sendByEmail();

private:
    // The checks, the recalculation and the document; its path, or empty
    // once the user has been told why not.
    QString writeDocument();
    QString writePdf();
    // Whether the editor shows the invoice as stored, after offering to
    // save an invoice that is new or changed.
    bool ensureStored();

    Racun& m_editor;
};

// Converts the written document into the invoice's PDF ("Racun 2026-001.pdf")
// in the documents folder. LibreOffice works while the window keeps
// painting, under a busy cursor and a progress box that can cancel it; an
// existing PDF of that name is replaced only when the user says so. The
// PDF's path, or empty after the message that says why not (nothing is
// said when the user chose not to replace).
QString SaveInvoicePdf(QWidget* parent, const AppContext& context, const QString& documentPath,
                       const QString& invoiceNumber);

// Whether the address may go to the mail program: empty (the user fills
// it in there) or one plain address. Anything else is told, naming it.
bool CheckMailAddress(QWidget* parent, const QString& address);

// Opens a new message in the user's mail program with the PDF attached,
// after CheckMailAddress. xdg-email is waited for with the window painting;
// missing, failing to start or ending with an error it is reported with its
// own words, and the PDF stays where it is. One that still runs after a few
// seconds (it stays for the life of a mail program it had to start) counts
// as having opened the message.
bool SendInvoicePdf(QWidget* parent, const QString& pdfPath, const QString& address,
                    const QString& invoiceNumber, const QString& firm);

} // namespace valmir
