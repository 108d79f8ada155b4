#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace valmir {

// The UPN QR code of the Slovenian banks: the payment order of an invoice
// as a QR code that any Slovenian mobile bank reads.

struct UpnQrParty {
    QString name;
    QString street;
    QString place; // postcode and post office: "1000 Ljubljana"
};

struct UpnQrInput {
    UpnQrParty payer;      // the customer
    double amount = 0;     // the amount to pay in euro
    QString invoiceNumber; // gives the reference, and the purpose unless one is given
    QString iban;          // the issuer's account as typed (blanks allowed)
    UpnQrParty recipient;  // the issuer
    QString purpose{};     // empty: "Račun" and the invoice number
};

// Longest texts the banks read: names, streets and places, the purpose and
// the reference (model and number together).
inline constexpr int UpnPartyLength = 33;
inline constexpr int UpnPurposeLength = 42;
inline constexpr int UpnReferenceLength = 26;

// The payment reference of an invoice, which the banks check: model SI12
// with the digits of the invoice number and their check digit modulo 11
// ("2026/001" gives SI12 20260016), or model SI99 without a reference when
// the number has no digit.
struct UpnReference {
    QString model;     // "SI12" or "SI99"
    QString reference; // "20260016"; empty with SI99
    // The code's field, without blanks: "SI1220260016".
    QString field() const { return model + reference; }
    // As printed for typing by hand: "SI12 20260016", "SI99".
    QString text() const;
};
// SI12 holds at most 20 digits with the check digit.
inline constexpr int UpnReferenceDigits = 19;
UpnReference upnReference(const QString& invoiceNumber);

// The twenty fields of the payment order, the checksum last. Empty when
// there is nothing to pay by code: the account is not a valid Slovenian
// IBAN, or the amount is 0 or less (or more than eleven digits of cents).
// Texts are cut to their longest length; line breaks and other control
// characters in them become blanks, so that they cannot shift a field.
QStringList upnQrFields(const UpnQrInput& in);

// The fields each followed by LF, as ISO 8859-2 bytes (a character that
// code page lacks is "?"). Empty when upnQrFields is.
QByteArray upnQrPayload(const UpnQrInput& in);

QByteArray toIso8859_2(const QString& text);

// The code as a PNG picture made by libzint (UPN QR: version 15, error
// correction M, ECI 4), four pixels a module with the quiet zone around.
struct UpnQrPicture {
    QByteArray png;
    int width = 0; // pixels
    int height = 0;
    QString error; // libzint's words when png is empty
};
UpnQrPicture upnQrPng(const QByteArray& payload);

} // namespace valmir
