#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

class QXmlStreamWriter;

namespace valmir {

class Database;

// The two forms of an e-invoice, both of EN 16931: e-SLOG 2.0 (INVOIC,
// namespace urn:eslog:2.00), the form public customers in Slovenia take
// through UJP, and Peppol BIS Billing 3.0 (UBL 2.1 Invoice or CreditNote),
// the form of the Peppol network. A customer's is kept in the register
// (tblNarocnik.OblikaERacuna); none kept is e-SLOG.
enum class EInvoiceFormat { OfCustomer, Eslog, Peppol };

// The register's spelling of a format ("eslog", "peppol") and back; an
// empty or unknown text is e-SLOG.
QString eInvoiceFormatCode(EInvoiceFormat format);
EInvoiceFormat eInvoiceFormatOfCode(const QString& code);

struct EInvoiceResult {
    bool ok = false;
    QByteArray xml; // UTF-8
    QString error;  // Slovenian, for a message box or standard error: what is missing, or the
                    // engine's words
    QString title;
    EInvoiceFormat format = EInvoiceFormat::Eslog; // the form written
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
// with a message naming what is missing; a Peppol invoice also for a
// buyer without an electronic address. OfCustomer writes the format the
// register keeps for the invoice's customer (findCustomer).
EInvoiceResult eInvoiceOfStoredInvoice(Database& db, const QString& number,
                                       const QString& scratchFolder,
                                       EInvoiceFormat format = EInvoiceFormat::OfCustomer);

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
    // The electronic address (EN 16931's BT-34 / BT-49): the scheme of the
    // Peppol list of electronic address schemes (9949: a Slovenian VAT
    // number) and the identifier; both empty when there is none.
    QString addressScheme;
    QString addressId;
    QString account; // the buyer's own account (IBAN) as the invoice keeps it; may be empty
};

// An electronic address as typed, "scheme:identifier" ("9949:SI12345678"),
// into its two parts; false when it is not of that form (a scheme of four
// digits, an identifier of no blanks).
bool splitElectronicAddress(const QString& typed, QString* scheme, QString* id);
// The electronic address of a party: the one typed when there is one,
// else the Slovenian VAT number's (9949); none for anything else.
void setElectronicAddress(EInvoiceParty* party, const QString& typed);

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
    QString paymentTerms;     // in words, for the buyer
    // What the buyer knows the invoice by (Peppol asks for one): the
    // invoice's subject, or its number when it has none.
    QString buyerReference;
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

// Every e-invoice declares that it follows EN 16931 (BT-24).
inline const QString En16931 = QStringLiteral("urn:cen.eu:en16931:2017");

// The e-SLOG 2.0 document of these values (UTF-8). Checks nothing: the
// caller has refused what cannot make an e-invoice.
QByteArray eInvoiceXml(const EInvoiceData& d);

// The longest texts of the model's fields, the same in both forms (those
// of e-SLOG's fields), so that both files say the same.
namespace EInvoiceChars {
inline constexpr int Number = 70;     // D_1004
inline constexpr int Name = 70;       // D_3036
inline constexpr int Street = 35;     // D_3042
inline constexpr int Place = 35;      // D_3164
inline constexpr int Postcode = 17;   // D_3251
inline constexpr int Reference = 70;  // D_1154
inline constexpr int Account = 35;    // D_3194
inline constexpr int Contact = 256;   // D_3412
inline constexpr int ContactNo = 512; // D_3148
inline constexpr int Item = 256;      // D_7008
inline constexpr int Address = 70;    // D_3039
inline constexpr int NotePart = 512;  // D_4440, five of them to a note
inline constexpr int NoteParts = 5;
} // namespace EInvoiceChars

// For both writers: a decimal with at most maxFraction decimals and
// totalDigits digits, no trailing zeros, no "-0"; an amount in cents with
// two decimals; a cleaned text written so that a carriage return reads
// back as one.
QString eInvoiceDecimal(double v, int maxFraction, int totalDigits);
QString eInvoiceAmount(double v);
void writeEInvoiceText(QXmlStreamWriter& w, const QString& clean);
// The name of a line, or "Postavka N" for one that has none left.
QString eInvoiceLineName(const EInvoiceLine& l, int number);

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
