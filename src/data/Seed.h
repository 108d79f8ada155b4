#pragma once

#include <QString>

namespace valmir::Seed {

// Creates the data database at path, keyed with the data password, with
// its tables, the post offices, the sample tariff, the settings row and
// one staff member; the settings start with the VAT rate given (the
// invoice rules know which). The file appears only when all of it was
// written.
bool createDataDatabase(const QString& path, double vatPercent, QString* error);

// Creates the empty work-database template at path.
bool createWorkTemplate(const QString& path, QString* error);

// The path of LibreOffice Writer when one is installed, else empty text.
QString findWordProcessor();

} // namespace valmir::Seed
