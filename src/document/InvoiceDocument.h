#pragma once

#include "invoice/InvoiceSaver.h"
#include "document/UpnQr.h"
#include "invoice/WorkingTable.h"

#include <QHash>
#include <QList>
#include <QString>

namespace valmir {

class Database;
class RtfDocument;
struct DocumentBlocks;

// The price calculation of the invoice being edited, written as an RTF
// document that ends with the UPN QR code to pay it by. The document is
// built from plain values (the editor's header, the settings row, the
// lines, the service names), never from windows, so that it can be written
// and checked without a window.

// The issuer and the document options of tblNastavitve; a missing row or a
// Null field reads as empty text or No.
struct DocumentSettings {
    QString firm, address, postcode, post, phone, fax, email, taxNumber, bankAccount;
    QString bic;        // the bank's BIC, for the e-invoice; may be empty
    QString bottomText; // NaDnu
    QString reminderText;    // BesediloOpomina: the reminder's own text; may be empty
    bool sideBySide = false; // GlavaVzporedno: issuer and recipient in one row
    bool tolars = false;     // Tolarji: the amount to pay also in SIT
};

struct DocumentInput {
    InvoiceHeader header; // Text1(0..15), Check1, Text2, the VAT rate
    QString staffName;    // the compiler's name; empty when nobody is chosen
    DocumentSettings settings;
    QList<WorkingLine> lines;            // in the grid's order: TS1, TS2
    QHash<double, QString> serviceNames; // tblGeodetskaStoritev by TS1
};

// What the document shows as its sums: the subtotals of the lines as
// printed, each line rounded to cents, and the invoice's one set of totals
// (invoiceTotals), the same the editor's labels, the kept invoice and the
// UPN QR code give.
struct DocumentTotals {
    double points = 0;
    double services = 0;
    double costs = 0;
    double base = 0;
    double vat = 0;
    double toPay = 0;
    bool anyReportLine = false;
    // Why the UPN QR code was left out, for the user: a mistyped account or
    // libzint's words. Empty when the code is there, when nothing is to be
    // paid, and when the office keeps no account (TRR left empty).
    QString warning;
};

// Reads the first settings row; false (with *error) only on an engine error.
bool readDocumentSettings(Database& db, DocumentSettings* out, QString* error);
// Reads the service names; false (with *error) only on an engine error.
bool readServiceNames(Database& db, QHash<double, QString>* out, QString* error);

// The payment order of the document's UPN QR code: the customer of the
// header pays the issuer of the settings the amount given.
UpnQrInput upnQrInput(const DocumentInput& in, double toPay);

// What every document of the office shares: the issuer's and the
// recipient's address blocks, the recipient from the header boxes
// Text1(i), side by side or the issuer above as the settings say.
void addressBlocks(DocumentBlocks& doc, const QStringList& text1, const DocumentSettings& settings);
// The payment order as a UPN QR code with its reference, when the account
// is a valid Slovenian IBAN and there is something to pay. Without it the
// document still stands (the amount and the account are printed); returns
// why it is missing for the user (DocumentTotals::warning), or nothing when
// it is there, when nothing is to be paid and when no account is kept.
QString upnQrBlocks(DocumentBlocks& doc, const UpnQrInput& order);

// The whole document as its blocks, from the page numbers to the payment
// code, and the sums it shows.
DocumentTotals invoiceBlocks(const DocumentInput& in, DocumentBlocks* out);
// The same written into an opened RtfDocument, its prolog first.
// CloseDocument is left to the caller.
DocumentTotals writeInvoiceDocument(RtfDocument& doc, const DocumentInput& in);

struct PrintResult {
    bool ok;
    QString path;    // the written document
    QString error;   // a Slovenian text for a message box
    QString title;   // and its title
    QString warning; // written, but without the UPN QR code: why (DocumentTotals)
};

// Writes the price calculation of the editor's invoice into tempFolder:
// "racun.rtf", or "racun1.rtf" ... when that cannot be opened. The caller
// has checked the plausibility of the 70 % option and recalculated, so the
// cost lines' amounts in the working table are current. No lines gives
// DocumentMessages::NoLines and writes nothing.
PrintResult PrintInvoice(Database& db, Database& work, const QString& tempFolder,
                         const InvoiceHeader& header, const QString& staffName);
// What PrintInvoice makes its document of: the lines, the settings and the
// service names read. False with the message in *failed (ok false).
bool readDocumentInput(Database& db, Database& work, const InvoiceHeader& header,
                       const QString& staffName, DocumentInput* out, PrintResult* failed);

} // namespace valmir
