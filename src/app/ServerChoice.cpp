#include "app/ServerChoice.h"

#include "data/Database.h"
#include "data/PgConnection.h"
#include "data/Schema.h"
#include "data/ServerSchema.h"
#include "text/Messages.h"

#include <QFileInfo>
#include <QSettings>

namespace valmir::ServerChoice {

namespace {

const QString SettingsKey = QStringLiteral("streznik/povezava");

// The program's tables in the database (in the schemas it searches), as
// the program names them; false on an engine error.
bool tablesThere(Database& db, QStringList* found) {
    QStringList names;
    for (const QString& table : ServerSchema::allTables())
        names << table.toLower();
    QVariant there;
    if (!db.queryValue(QStringLiteral("SELECT string_agg(c.relname, ',') FROM pg_class c "
                                      "WHERE c.relname = ANY (string_to_array(?, ',')) "
                                      "AND pg_table_is_visible(c.oid)"),
                       {names.join(u',')}, &there))
        return false;
    const QStringList lower = there.toString().split(u',', Qt::SkipEmptyParts);
    found->clear();
    for (const QString& table : ServerSchema::allTables())
        if (lower.contains(table.toLower()))
            *found << table;
    return true;
}

} // namespace

QString remembered() { return QSettings().value(SettingsKey).toString(); }

bool remember(const QString& conninfo, QString* error) {
    QSettings settings;
    if (conninfo.isEmpty())
        settings.remove(SettingsKey);
    else
        settings.setValue(SettingsKey, conninfo);
    settings.sync();
    // Without an organisation's name (the program has none) status() tells
    // an access error from the start: the file itself is asked instead.
    const QFileInfo file(settings.fileName());
    if (settings.status() == QSettings::FormatError)
        *error = QStringLiteral("datoteka »%1« je pokvarjena").arg(settings.fileName());
    else if (file.exists() ? !file.isWritable() : !conninfo.isEmpty())
        *error = QStringLiteral("v datoteko »%1« ni mogoče pisati").arg(settings.fileName());
    else
        return true;
    return false;
}

QString refusal(const QString& conninfo) {
    if (conninfo.trimmed().isEmpty())
        return ServerMessages::NoConninfo.text;
    QString unreadable;
    if (PgConnection::passwordGiven(conninfo, &unreadable))
        return ServerMessages::PasswordGiven.text;
    if (!unreadable.isEmpty())
        return ServerMessages::NotConnected.text.arg(unreadable);
    return {};
}

// Tables of an older version are brought up to date when the program starts
// on them.
bool Probe::usable() const {
    return found == Ours && version >= ServerSchema::FirstVersion &&
           version <= ServerSchema::Version;
}

Probe probe(const QString& conninfo) {
    Probe p;
    if (const QString refused = refusal(conninfo); !refused.isEmpty()) {
        p.found = Probe::Refused;
        p.detail = refused;
        return p;
    }
    QString error;
    const std::unique_ptr<Database> db = Database::connect(conninfo, &error);
    if (!db) {
        p.detail = error;
        return p;
    }
    p.database = db->path();
    QStringList found;
    if (!tablesThere(*db, &found)) {
        p.detail = db->lastError();
        return p;
    }
    // What a start needs, as the start asks it.
    bool whole = found.contains(QStringLiteral("valmir_shema"));
    for (const QString& table : Schema::dataTables())
        whole = whole && found.contains(table);
    if (!whole) {
        p.found = found.isEmpty() ? Probe::Empty : Probe::Partial;
        p.detail = found.join(QStringLiteral(", "));
        return p;
    }
    QVariant version;
    if (!db->queryValue(QStringLiteral("SELECT verzija FROM valmir_shema"), {}, &version)) {
        p.detail = db->lastError();
        return p;
    }
    p.found = Probe::Ours;
    p.version = version.toInt();
    return p;
}

QString told(const Probe& p, bool* fine) {
    if (fine)
        *fine = p.found == Probe::Empty || p.usable();
    switch (p.found) {
    case Probe::Refused:
        return p.detail;
    case Probe::Unreachable:
        return ServerMessages::Unreachable.text.arg(p.detail);
    case Probe::Empty:
        return ServerMessages::FoundEmpty.text.arg(p.database);
    case Probe::Partial:
        return ServerMessages::FoundPartial.text.arg(p.database, p.detail);
    case Probe::Ours:
        break;
    }
    if (p.version > ServerSchema::Version)
        return ServerMessages::NewerVersion.text.arg(p.version).arg(ServerSchema::Version);
    if (p.version < ServerSchema::FirstVersion)
        return ServerMessages::OlderVersion.text.arg(p.version).arg(ServerSchema::Version);
    return ServerMessages::FoundOurs.text.arg(p.database).arg(p.version);
}

} // namespace valmir::ServerChoice
