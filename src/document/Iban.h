#pragma once

#include <QString>

namespace valmir {

// A Slovenian bank account as IBAN: "SI56" and 15 digits, checked by the
// ISO 13616 remainder (mod 97). Blanks typed between the groups are
// allowed ("SI56 0201 0001 2345 678"); the letters may be small. The
// compact form ("SI56020100012345678") when the account is valid, else
// empty.
QString slovenianIban(const QString& typed);

// The ISO 13616 check of a compact IBAN of any country: the first four
// characters moved to the end, letters read as 10 to 35, the number
// mod 97 is 1.
bool ibanChecksumValid(const QString& compact);

// An account as an IBAN of any country, as the register and the office's
// own data take it: blanks between the groups are allowed, small letters
// too; two letters, two check digits, 15 to 34 characters in all, and the
// check above. Empty text is valid: there is nothing to check.
bool ibanValid(const QString& typed);

} // namespace valmir
