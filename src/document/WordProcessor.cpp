#include "document/WordProcessor.h"

#include "data/Database.h"
#include "data/Recordset.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace valmir {

namespace {

const QString SettingsTable = QStringLiteral("tblNastavitve");
const QString WordField = QStringLiteral("Word");

} // namespace

bool readWordLocation(Database& db, QVariant* location, QString* error) {
    *location = QVariant();
    auto settings = db.openRecordset(SettingsTable, RecordsetKind::Table);
    if (!settings) {
        *error = db.lastError();
        return false;
    }
    settings->moveFirst();
    if (!settings->eof())
        *location = settings->field(WordField);
    if (settings->readFailed()) {
        *error = settings->lastError();
        *location = QVariant();
        return false;
    }
    return true;
}

bool storeWordLocation(Database& db, const QString& location, QString* error) {
    auto settings = db.openRecordset(SettingsTable, RecordsetKind::Table);
    bool ok = settings && !settings->readFailed();
    if (ok) {
        settings->moveFirst();
        ok = settings->eof() ? settings->addNew() : settings->edit();
    }
    if (ok) {
        settings->setField(WordField, location);
        ok = settings->update();
        if (!ok)
            settings->cancelUpdate();
    }
    if (!ok)
        *error = db.lastError();
    return ok;
}

QString resolveWordProcessor(const QString& location) {
    const QString trimmed = location.trimmed();
    if (trimmed.isEmpty())
        return {};
    // A name without a folder is how programs are named on Linux; PATH
    // decides, as it does in a shell.
    if (!trimmed.contains(u'/'))
        return QStandardPaths::findExecutable(trimmed);
    // A relative path would depend on the folder the program was started
    // from, which the user does not see; only a full path is taken.
    const QFileInfo file(trimmed);
    if (!file.isAbsolute() || !file.isFile() || !file.isExecutable())
        return {};
    return QDir::cleanPath(file.absoluteFilePath());
}

} // namespace valmir
