#pragma once

#include <QString>

namespace valmir {

class Database;

struct PostOfficeLookup {
    bool ok = true;     // false: the lookup failed, error tells why
    bool found = false; // the postcode is in the list
    QString place;      // the post office's name
    QString error;
};

// The post office of a postcode from tbPoste, looked up by its index Stev.
// A postcode is read by its leading number ("1000 " is 1000).
PostOfficeLookup findPostOffice(Database& db, const QString& postcode);

} // namespace valmir
