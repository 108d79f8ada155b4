#pragma once

#include "data/RowWrite.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <array>
#include <functional>
#include <optional>

namespace valmir {

class Database;

// The register of customers (tblNarocnik): whom the office has invoiced,
// with the data of the last invoice, so that a new invoice is filled from
// it. Invoices keep their own copy of the data; the register is only where
// the editor takes them from.

// The fields of an entry, in this order, with the editor's header box that
// shows each (Text1(box)).
enum CustomerField {
    CustomerName,
    CustomerStreet,
    CustomerPostcode,
    CustomerPlace,
    CustomerContact,
    CustomerPhone,
    CustomerFax,
    CustomerEmail,
    CustomerTaxNumber,
    CustomerAccount,
    CustomerFieldCount
};

struct CustomerColumn {
    const char16_t* field; // column of tblNarocnik and tblRacun
    int box;               // the editor's Text1(box)
};
inline constexpr CustomerColumn CustomerColumns[CustomerFieldCount] = {
    {u"Ime", 1},     {u"Naslov", 2}, {u"PST", 3},    {u"Posta", 4},   {u"KontaktnaOseba", 6},
    {u"Telefon", 5}, {u"Faks", 9},   {u"Email", 10}, {u"Davcna", 13}, {u"TRR", 14}};

struct Customer {
    qint64 id = 0;                                // 0 for one not in the register
    std::array<QString, CustomerFieldCount> data; // trimmed
    QDate used;                                   // last used on an invoice; invalid for never
    // Kept by the register only (invoices carry neither): where e-invoices
    // go, "scheme:identifier" (empty: the VAT number's), and their format
    // ("eslog", "peppol"; empty: e-SLOG). An invoice saved never changes
    // them.
    QString electronicAddress;
    QString invoiceFormat;
    qint64 version = 0; // on the server, the row's version as read (RowWrite.h)

    const QString& operator[](CustomerField f) const { return data[f]; }
    QString& operator[](CustomerField f) { return data[f]; }
    // Nothing to register: neither a name nor a tax number.
    bool isBlank() const;
};

// The customer of an invoice as the editor's header boxes hold it
// (Text1(0) .. Text1(15)).
Customer customerFromBoxes(const QStringList& text1);

// What the register's search finds in: the typed text anywhere in the name,
// contact person, street, place or tax number, whatever the case and the
// marks of č, š, ž ("cuk" finds "Čuk"); "%", "_", "\" and quotes are found
// as typed. A condition (" WHERE ...") with its values for the list's
// query over tblNarocnik; empty for every entry.
struct CustomerFilter {
    QString where;
    QVariantList params;
};
CustomerFilter customerFilter(const QString& typed);

// The entries whose name holds the typed text (folded as above), most
// recently used first, at most `limit`: what the editor offers while the
// customer's name is typed. False on an engine error (db.lastError()).
bool customersByName(Database& db, const QString& typed, int limit, QList<Customer>* out);

// The entry an invoice's customer is: the one with the same tax number
// when the invoice has one, else with the same name, street and postcode
// (folded), as the register was filled (Schema::customerKey); the most
// recently used of several. *found stays empty when there is none. False
// on an engine error.
bool findCustomer(Database& db, const Customer& customer, std::optional<Customer>* found);

// Writing the register; false on an engine error (db.lastError()). A new
// entry's ID is written into *id.
bool addCustomer(Database& db, const Customer& customer, qint64* id);
// Writes the entry's data over the entry as it was read (its version):
// an entry another workstation changed or deleted since is left as it is
// (RowWrite.h).
RowWritten changeCustomer(Database& db, const Customer& customer);
// Removes the entry only: invoices keep their own copy of its data. The
// same check as changeCustomer's.
RowWritten deleteCustomer(Database& db, qint64 id, qint64 version);

// Whether the stored entry holds other data than the invoice (the date of
// use aside).
bool customerDiffers(const Customer& stored, const Customer& invoice);

// After an invoice is saved, the register follows it: a customer not in it
// is added; one whose data differ is updated when askUpdate() says yes,
// unless the register already holds the data of a newer invoice; the
// entry's date of use becomes the invoice's date when that is later. An
// entry another workstation changed while the question was asked is not
// overwritten: not ok, and the error says who changed it.
struct CustomerKept {
    bool ok = true;
    QString error; // the engine's words
    bool added = false;
    bool updated = false;
    qint64 id = 0; // the entry, 0 when there is nothing to register
};
CustomerKept keepCustomerCurrent(Database& db, const Customer& invoice, const QDate& invoiceDate,
                                 const std::function<bool()>& askUpdate);

// A Slovenian tax number: 8 digits, with "SI" in front or without, whose
// last digit is the mod 11 check digit of the first seven (weights 8 to
// 2). Blanks typed between the digits are allowed. Empty text is valid:
// there is nothing to check.
bool taxNumberValid(const QString& typed);

} // namespace valmir
