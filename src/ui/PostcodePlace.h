#pragma once

class QLineEdit;

namespace valmir {

class Database;

// As in the invoice editor: once four characters are typed into the
// postcode box, the post office of that postcode (tbPoste) is written into
// the place box; an unknown postcode leaves the place as it is. A failed
// lookup is told in a box over the postcode's window.
void fillPlaceFromPostcode(QLineEdit* postcode, QLineEdit* place, Database& db);

} // namespace valmir
