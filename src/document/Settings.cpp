#include "document/Settings.h"

#include "text/Module1.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "text/TextForms.h"

#include <cmath>
#include <memory>

namespace valmir {

namespace {

const QString SettingsTable = QStringLiteral("tblNastavitve");

QString field(const char16_t* name) { return QString::fromUtf16(name); }

bool fail(Database& db, QString* error) {
    *error = db.lastError();
    return false;
}

// The settings row as a table record set standing on it; null when the
// engine failed. An empty set means there is no row.
std::unique_ptr<Recordset> openRow(Database& db, QString* error) {
    auto row = db.openRecordset(SettingsTable, RecordsetKind::Table);
    if (!row || row->readFailed()) {
        *error = db.lastError();
        return nullptr;
    }
    row->moveFirst();
    return row;
}

// Writes `fill`'s fields into the row (made first when missing) in one
// transaction, over the row as read with *version; *version becomes the
// row's version now (after the write, or after the change that refused it).
template <typename Fill> bool writeRow(Database& db, QString* error, Fill fill, qint64* version) {
    Transaction transaction(db);
    if (!transaction.active() || !ensureSettingsRow(db, error))
        return fail(db, error);
    auto row = openRow(db, error);
    if (!row || row->eof())
        return fail(db, error);
    const auto refused = [&] {
        *error = db.lastError();
        if (row->conflict())
            *version = row->rowVersion();
        return false;
    };
    if (!row->edit(*version))
        return refused();
    fill(*row);
    if (!row->update()) {
        row->cancelUpdate();
        return refused();
    }
    *version = row->rowVersion();
    return transaction.commit() || fail(db, error);
}

// A number box's text: whole as shown, else its leading number.
double boxNumber(const QString& text) { return readNumber(text).value_or(leadingNumber(text)); }

} // namespace

bool ensureSettingsRow(Database& db, QString* error) {
    const InvoiceSettings fresh;
    if (db.execute(QStringLiteral("INSERT INTO tblNastavitve (StRacuna, VrednostTocke, "
                                  "Veljavnost, Tolarji, GlavaVzporedno, StopnjaDDV, Word, "
                                  "Firma, Naslov, PST, Posta, Telefon, Faks, Email, Davcna, TRR, "
                                  "NaDnu) SELECT ?, ?, ?, ?, ?, ?, '', '', '', '', '', '', '', "
                                  "'', '', '', '' WHERE NOT EXISTS (SELECT 1 FROM tblNastavitve)"),
                   {fresh.counter, fresh.pointValue, fresh.validity, fresh.tolars, fresh.sideBySide,
                    fresh.vatPercent}))
        return true;
    return fail(db, error);
}

bool readCompanyData(Database& db, CompanyData* data, QString* error, qint64* rowVersion) {
    auto row = openRow(db, error);
    if (!row)
        return false;
    *data = {};
    *rowVersion = 0;
    if (row->eof())
        return true;
    *rowVersion = row->rowVersion();
    for (int i = 0; i < CompanyFieldCount; ++i)
        (*data)[i] = NullTrim(row->field(field(CompanyFields[i])));
    return !row->readFailed() || fail(db, error);
}

bool readInvoiceSettings(Database& db, InvoiceSettings* settings, QString* error) {
    auto row = openRow(db, error);
    if (!row)
        return false;
    *settings = {};
    if (row->eof())
        return true;
    settings->counter = NumberOrZero(row->field(QStringLiteral("StRacuna")));
    settings->pointValue = NumberOrZero(row->field(QStringLiteral("VrednostTocke")));
    settings->validity = NumberOrZero(row->field(QStringLiteral("Veljavnost")));
    settings->tolars = row->field(QStringLiteral("Tolarji")).toBool();
    settings->sideBySide = row->field(QStringLiteral("GlavaVzporedno")).toBool();
    settings->vatPercent = settingsVatPercent(row->field(QStringLiteral("StopnjaDDV")));
    settings->documentFolder = NullTrim(row->field(QStringLiteral("MapaDokumentov")));
    settings->restartEachYear = row->field(QStringLiteral("LetniStevec")).toBool();
    settings->counterYear = row->field(QStringLiteral("LetoStevca")).toInt();
    settings->rowVersion = row->rowVersion();
    return !row->readFailed() || fail(db, error);
}

bool readReminderText(Database& db, QString* text, QString* error) {
    auto row = openRow(db, error);
    if (!row)
        return false;
    *text = row->eof() ? QString() : NullToStr(row->field(QStringLiteral("BesediloOpomina")));
    return !row->readFailed() || fail(db, error);
}

bool readElectronicAddress(Database& db, QString* address, QString* error) {
    auto row = openRow(db, error);
    if (!row)
        return false;
    *address = row->eof() ? QString() : NullTrim(row->field(QStringLiteral("ElektronskiNaslov")));
    return !row->readFailed() || fail(db, error);
}

bool writeCompanyData(Database& db, const CompanyData& data, const QString& reminderText,
                      qint64* rowVersion, QString* error, const QString* electronicAddress) {
    return writeRow(
        db, error,
        [&](Recordset& row) {
            // As typed, blanks and all: the document trims when it prints.
            for (int i = 0; i < CompanyFieldCount; ++i)
                row.setField(field(CompanyFields[i]),
                             data[i].isNull() ? QStringLiteral("") : data[i]);
            row.setField(QStringLiteral("BesediloOpomina"),
                         reminderText.trimmed().isEmpty() ? QVariant() : QVariant(reminderText));
            if (electronicAddress)
                row.setField(QStringLiteral("ElektronskiNaslov"),
                             electronicAddress->trimmed().isEmpty()
                                 ? QVariant()
                                 : QVariant(electronicAddress->trimmed()));
        },
        rowVersion);
}

bool writeInvoiceSettings(Database& db, const InvoiceSettings& s, QString* error) {
    qint64 version = s.rowVersion;
    return writeRow(
        db, error,
        [&](Recordset& row) {
            row.setField(QStringLiteral("StRacuna"), s.counter);
            row.setField(QStringLiteral("VrednostTocke"), s.pointValue);
            row.setField(QStringLiteral("Veljavnost"), s.validity);
            row.setField(QStringLiteral("Tolarji"), s.tolars);
            row.setField(QStringLiteral("GlavaVzporedno"), s.sideBySide);
            row.setField(QStringLiteral("StopnjaDDV"), s.vatPercent);
            row.setField(QStringLiteral("MapaDokumentov"),
                         s.documentFolder.isNull() ? QStringLiteral("") : s.documentFolder);
            row.setField(QStringLiteral("LetniStevec"), s.restartEachYear);
            row.setField(QStringLiteral("LetoStevca"),
                         s.counterYear > 0 ? QVariant(s.counterYear) : QVariant());
        },
        &version);
}

InvoiceSettingsCheck readInvoiceSettingsInput(const InvoiceSettingsInput& input,
                                              InvoiceSettings* settings) {
    if (!isNumeric(input.counter))
        return InvoiceSettingsCheck::CounterNotNumeric;
    const std::optional<double> pointValue = readNumber(input.pointValue);
    if (!pointValue)
        return InvoiceSettingsCheck::PointValueNotNumeric;
    const std::optional<double> vatPercent = readNumber(input.vatPercent);
    if (!vatPercent)
        return InvoiceSettingsCheck::VatPercentNotNumeric;
    const double validity = boxNumber(input.validity);
    if (*pointValue <= 0)
        return InvoiceSettingsCheck::PointValueOutOfRange;
    if (validity < 0 || validity > 365)
        return InvoiceSettingsCheck::ValidityOutOfRange;
    if (*vatPercent < 0 || *vatPercent > 100)
        return InvoiceSettingsCheck::VatPercentOutOfRange;
    settings->counter = std::trunc(boxNumber(input.counter));
    settings->pointValue = *pointValue;
    settings->validity = validity;
    settings->tolars = input.tolars;
    settings->sideBySide = input.sideBySide;
    settings->vatPercent = *vatPercent;
    settings->documentFolder = input.documentFolder.trimmed();
    settings->restartEachYear = input.restartEachYear;
    return InvoiceSettingsCheck::Ok;
}

} // namespace valmir
