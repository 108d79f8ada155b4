#include "data/Seed.h"

#include "data/Database.h"
#include "data/Recordset.h"
#include "data/Schema.h"

#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <QTextStream>

#include <functional>

// The seed files are compiled into the static core library, whose
// resources must be registered by hand.
static void initSeedResource() { Q_INIT_RESOURCE(seed); }

namespace valmir::Seed {

namespace {

// Reads one of the shipped semicolon-separated files: a header row of
// field names, then the rows.
bool loadCsv(const QString& resource, QStringList* header, QList<QStringList>* rows,
             QString* error) {
    QFile f(resource);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("Manjka vgrajena datoteka ") + resource;
        return false;
    }
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    bool first = true;
    while (!in.atEnd()) {
        QString line = in.readLine();
        if (line.trimmed().isEmpty())
            continue;
        QStringList cells = line.split(u';');
        if (first) {
            *header = cells;
            first = false;
        } else {
            rows->append(cells);
        }
    }
    return true;
}

QVariant cellValue(const QString& cell, Recordset::FieldType type) {
    if (type == Recordset::FieldType::YesNo)
        return cell.trimmed() == u"1" || cell.trimmed().compare(u"true", Qt::CaseInsensitive) == 0;
    bool ok = false;
    double d = cell.toDouble(&ok);
    return ok ? QVariant(d) : QVariant(cell);
}

bool importCsv(Database& db, const QString& table, const QString& resource,
               const QStringList& textFields, QString* error) {
    QStringList header;
    QList<QStringList> rows;
    if (!loadCsv(resource, &header, &rows, error))
        return false;
    auto rs = db.openRecordset(table, RecordsetKind::Table);
    if (!rs) {
        *error = db.lastError();
        return false;
    }
    for (const QStringList& row : rows) {
        rs->addNew();
        for (int i = 0; i < header.size() && i < row.size(); ++i) {
            const QString& name = header.at(i);
            int col = rs->fieldIndex(name);
            if (textFields.contains(name, Qt::CaseInsensitive))
                rs->setField(name, row.at(i));
            else
                rs->setField(name, cellValue(row.at(i), rs->fieldType(col)));
        }
        if (!rs->update()) {
            *error = db.lastError();
            return false;
        }
    }
    return true;
}

bool seed(Database& db, double vatPercent, QString* error) {
    const QStringList texts = {QStringLiteral("Posta"), QStringLiteral("GeodetskaStoritev"),
                               QStringLiteral("Opomba"), QStringLiteral("TarifnaStevilka")};
    if (!importCsv(db, QStringLiteral("tbPoste"), QStringLiteral(":/seed/poste.csv"), texts,
                   error) ||
        !importCsv(db, QStringLiteral("tblGeodetskaStoritev"),
                   QStringLiteral(":/seed/storitve.csv"), texts, error) ||
        !importCsv(db, QStringLiteral("tblTarife"), QStringLiteral(":/seed/tarifa.csv"), texts,
                   error))
        return false;
    if (!db.execute(QStringLiteral("UPDATE tblTarife SET Izbrana = False"))) {
        *error = db.lastError();
        return false;
    }
    bool ok = db.execute(
        QStringLiteral("INSERT INTO tblNastavitve (StRacuna, VrednostTocke, Veljavnost, Tolarji, "
                       "GlavaVzporedno, Word, Firma, Naslov, PST, Posta, Telefon, Faks, Email, "
                       "Davcna, TRR, NaDnu, StopnjaDDV, LetniStevec) VALUES (?, ?, ?, ?, ?, ?, '', "
                       "'', '', '', '', '', '', '', '', ?, ?, ?)"),
        {1.0, 0.75, 30.0, false, true, findWordProcessor(), QStringLiteral("Hvala za zaupanje."),
         vatPercent, true});
    ok = ok && db.execute(QStringLiteral("INSERT INTO tblSestavljavci (Ime) VALUES (?)"),
                          {QStringLiteral("Janez Novak")});
    if (!ok)
        *error = db.lastError();
    return ok;
}

// Builds a database file under a temporary name and moves it into place
// only when it is complete, so that a failed first start leaves nothing
// that a later start would take for a good database.
bool buildFile(const QString& path, const QString& password,
               const std::function<bool(Database&, QString*)>& fill, QString* error) {
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    {
        auto db = Database::open(partial, password, error, true);
        if (!db)
            return false;
        bool ok;
        {
            Transaction tx(*db);
            ok = fill(*db, error) && tx.commit();
        }
        if (!ok) {
            if (error->isEmpty())
                *error = db->lastError();
            db.reset();
            QFile::remove(partial);
            return false;
        }
    }
    QFile::remove(path);
    if (!QFile::rename(partial, path)) {
        *error = QStringLiteral("Datoteke ni mogoče preimenovati v ") + path;
        QFile::remove(partial);
        return false;
    }
    return true;
}

} // namespace

bool createDataDatabase(const QString& path, double vatPercent, QString* error) {
    initSeedResource();
    return buildFile(
        path, Schema::dataPassword(),
        [vatPercent](Database& db, QString* err) {
            if (!Schema::createDataTables(db)) {
                *err = db.lastError();
                return false;
            }
            return seed(db, vatPercent, err);
        },
        error);
}

bool createWorkTemplate(const QString& path, QString* error) {
    return buildFile(
        path, QString(),
        [](Database& db, QString* err) {
            if (!Schema::createWorkTables(db)) {
                *err = db.lastError();
                return false;
            }
            return true;
        },
        error);
}

QString findWordProcessor() {
    for (const char* name : {"lowriter", "libreoffice", "soffice"}) {
        QString p = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!p.isEmpty())
            return p;
    }
    return {};
}

} // namespace valmir::Seed
