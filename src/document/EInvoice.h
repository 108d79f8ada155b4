#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

namespace valmir {

class Database;

// A stored invoice as an e-invoice in the e-SLOG 2.0 format (INVOIC,
// namespace urn:eslog:2.00), the form public customers in Slovenia take.
struct EInvoiceResult {
    bool ok = false;
    QByteArray xml; // UTF-8
    QString error;  // Slovenian, for a message box or standard error: what is missing, or the
                    // engine's words
    QString title;
};

// The e-invoice of the stored invoice numbered `number` (StevilkaRacuna as
// stored): its header as stored, its stored lines priced as the editor
// prices them, in the document's order, and the office's data of the
// settings row. The totals are the stored ones (the one set of totals the
// document and the UPN QR code show); a file whose stored totals no longer
// agree with its lines (kept by an older version) gets the lines' set,
// which is what saving the invoice would store. Lines are priced in a
// scratch work database of its own (in memory, so nothing is left in
// scratchFolder or anywhere else), never in the editor's working table.
// An invoice that is missing, has no lines, no date or no customer name,
// or settings without the office's VAT number or a valid IBAN, is refused
// with a message naming what is missing.
EInvoiceResult eInvoiceOfStoredInvoice(Database& db, const QString& number,
                                       const QString& scratchFolder);

// What the e-invoice says, as plain values. Texts may hold anything typed:
// the writer leaves out what XML cannot carry and cuts each text to the
// length the format allows.
struct EInvoiceParty {
    QString name;
    QString street;
    QString postcode;
    QString place;
    QString taxNumber; // the VAT number ("SI" and 8 digits); empty when none
    QString contact;   // the contact person
    QString phone;
    QString email;
};

// One line: quantity x net price gives the net amount, which is priced and
// rounded to cents once, as the document prints it.
struct EInvoiceLine {
    QString name;
    double quantity = 1;
    double price = 0; // net, per unit; never negative (the quantity carries the sign)
    double amount = 0;
};

struct EInvoiceData {
    QString messageId; // the stored invoice's ID
    QString number;
    QDate date; // the invoice's date, also the date of the service
    QDate dueDate;
    EInvoiceParty seller;
    EInvoiceParty buyer;
    QString iban;             // compact
    QString bic;              // empty when unknown
    QString paymentReference; // as the UPN QR code carries it: "SI1220260016"
    double vatPercent = 22;
    QList<EInvoiceLine> lines;
    double base = 0; // the sum of the line amounts
    double vat = 0;
    double toPay = 0;
    QString remark;
    // A credit note (document type 381) names the invoice it takes back;
    // its amounts are those of its lines, not negative.
    bool creditNote = false;
    QString precedingNumber;
    QDate precedingDate;
};

// The e-SLOG 2.0 document of these values (UTF-8). Checks nothing: the
// caller has refused what cannot make an e-invoice.
QByteArray eInvoiceXml(const EInvoiceData& d);

// The VAT number as the format wants it: blanks dropped, small letters
// made capital, "SI" put before 8 bare digits. The office's must then be
// "SI" and 8 digits; a customer's that is not stays as typed.
QString vatNumberForm(const QString& typed);
bool isSlovenianVatNumber(const QString& form);

// The text as XML 1.0 can carry it: characters it cannot hold are left
// out; then cut to at most maxChars characters (not halving a character
// beyond the Basic Multilingual Plane).
QString xmlText(const QString& text, int maxChars);

} // namespace valmir
