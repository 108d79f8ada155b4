#include "ui/PostcodePlace.h"

#include "invoice/PostOffice.h"
#include "text/Messages.h"
#include "ui/MessageBox.h"

#include <QLineEdit>

namespace valmir {

void fillPlaceFromPostcode(QLineEdit* postcode, QLineEdit* place, Database& db) {
    QObject::connect(postcode, &QLineEdit::textEdited, place,
                     [postcode, place, db = &db](const QString& code) {
                         if (code.size() != 4)
                             return;
                         const PostOfficeLookup found = findPostOffice(*db, code);
                         if (!found.ok)
                             Msg::critical(postcode->window(), found.error, Titles::Database);
                         else if (found.found)
                             place->setText(found.place);
                     });
}

} // namespace valmir
