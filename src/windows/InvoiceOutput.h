#pragma once

#include <QString>

namespace valmir {

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
    // The checks and the recalculation before a document; false once the
    // user has been told why not.
    bool prepareDocument();
    // The checks, the recalculation and the document; its path, or empty
    // once the user has been told why not.
    QString writeDocument();
    QString writePdf();
    // Whether the editor shows the invoice as stored, after offering to
    // save an invoice that is new or changed.
    bool ensureStored();

    Racun& m_editor;
};

} // namespace valmir
