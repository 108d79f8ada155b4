#include "invoice/PostOffice.h"

#include "data/Database.h"
#include "data/Recordset.h"
#include "text/Module1.h"
#include "text/TextForms.h"

namespace valmir {

PostOfficeLookup findPostOffice(Database& db, const QString& postcode) {
    PostOfficeLookup r;
    auto posts = db.openRecordset(QStringLiteral("tbPoste"), RecordsetKind::Table);
    if (!posts || !posts->setIndex(QStringLiteral("Stev")) ||
        !posts->seek(QStringLiteral("="), {leadingNumber(postcode)})) {
        r.ok = false;
        r.error = db.lastError();
        return r;
    }
    if (posts->noMatch())
        return r;
    r.place = NullToStr(posts->field(QStringLiteral("Posta")));
    if (posts->readFailed()) {
        r.ok = false;
        r.error = db.lastError();
        return r;
    }
    r.found = true;
    return r;
}

} // namespace valmir
