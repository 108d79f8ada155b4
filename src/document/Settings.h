#pragma once

#include "invoice/Vat.h"

#include <QString>

#include <array>

namespace valmir {

class Database;

// The office's settings: the one row of tblNastavitve that shapes every
// invoice. The dialogs N_data and N_racun only turn these results into
// boxes and messages.
//
// A database without the row reads as the row that writing would create
// (ensureSettingsRow), so that a dialog opened and closed without "V redu"
// leaves the file as it was.

// The issuer's data, by the box of N_data that shows it: Text1(i) edits
// CompanyFields[i].
inline constexpr int CompanyFieldCount = 10;
inline constexpr std::array<const char16_t*, CompanyFieldCount> CompanyFields = {
    u"Firma", u"Naslov", u"PST",    u"Telefon", u"Faks",
    u"Email", u"Posta",  u"Davcna", u"TRR",     u"BIC"};
using CompanyData = std::array<QString, CompanyFieldCount>;

// Numbering and layout of new invoices; Null fields read as 0 and "no".
struct InvoiceSettings {
    double counter = 1;      // StRacuna: the number of the next invoice
    double pointValue = 0;   // VrednostTocke, in euro
    double validity = 0;     // Veljavnost, in days
    bool tolars = false;     // Tolarji: the total also in SIT
    bool sideBySide = false; // GlavaVzporedno: issuer and recipient in one row
    double vatPercent = DefaultVatPercent; // StopnjaDDV: the rate of new invoices
    QString documentFolder;  // MapaDokumentov: where PDFs go; empty for the default
    bool restartEachYear = false; // LetniStevec: the first invoice of a year is number 1
    int counterYear = 0;          // LetoStevca: the year the counter is of; 0 not known
    // On the server, the row's version as read: written back, the settings
    // are refused when another workstation changed the row since (a save
    // that moved the counter), so that the counter never goes back.
    qint64 rowVersion = 0;
};

// Adds the row when the table has none: empty texts, the counter at 1 (the
// first invoice of a year is number 1, not 0), zero point value and
// validity, both options off, today's VAT rate. False with the engine's text in *error.
bool ensureSettingsRow(Database& db, QString* error);

// Reading: false with the engine's text in *error, and then nothing read
// may be written back. *rowVersion: the row's version as read, for
// writing the data back (0 on a file and without the row).
bool readCompanyData(Database& db, CompanyData* data, QString* error, qint64* rowVersion);
bool readInvoiceSettings(Database& db, InvoiceSettings* settings, QString* error);

// The reminder letter's own text (BesediloOpomina), kept with the issuer's
// data in N_data; empty when none is stored (the letter then says the
// program's own, Reminder.h).
bool readReminderText(Database& db, QString* text, QString* error);
// Where e-invoices reach the office (ElektronskiNaslov), "scheme:identifier"
// as typed in N_data; empty when none is stored (the VAT number's then,
// EInvoice.h).
bool readElectronicAddress(Database& db, QString* address, QString* error);

// Writing the fields of one dialog, the row created first when missing, in
// one transaction: on a failure nothing is written. A reminder text of
// blanks only stores none. On the server only over the row as read: the
// company data with *rowVersion (readCompanyData), the settings with
// theirs; a row another workstation changed since is refused
// (Messages::RowChangedMeanwhile). *rowVersion becomes the row's version
// now: after the write, or the other workstation's change.
// The electronic address is written with them when one is given (blanks
// only: none).
bool writeCompanyData(Database& db, const CompanyData& data, const QString& reminderText,
                      qint64* rowVersion, QString* error,
                      const QString* electronicAddress = nullptr);
bool writeInvoiceSettings(Database& db, const InvoiceSettings& settings, QString* error);

// N_racun's boxes as typed, and what they store.
struct InvoiceSettingsInput {
    QString counter;
    QString pointValue;
    QString validity;
    bool tolars = false;
    bool sideBySide = false;
    QString vatPercent;
    QString documentFolder;
    bool restartEachYear = false;
};
enum class InvoiceSettingsCheck {
    Ok,
    CounterNotNumeric,
    PointValueNotNumeric,
    VatPercentNotNumeric,
    PointValueOutOfRange,
    ValidityOutOfRange,
    VatPercentOutOfRange
};
// Checks the counter, the point value and the VAT rate, in this order
// (the first failure counts), and fills *settings when all are numbers. The counter and the validity read
// what their box shows back whole ("7,5" is 7.5) and otherwise their
// leading number ("30 dni" is 30, "" and "abc" are 0); the counter numbers
// invoices, so it keeps only its whole part ("12,7" is 12). The documents
// folder is stored without the blanks around it. Numbers that read are
// then held to their ranges, in the order of the boxes: a point value
// above 0, a validity of 0 to 365 days, a VAT rate of 0 to 100 %.
InvoiceSettingsCheck readInvoiceSettingsInput(const InvoiceSettingsInput& input,
                                              InvoiceSettings* settings);

} // namespace valmir
