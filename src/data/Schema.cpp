#include "data/Schema.h"

#include "data/Database.h"

#include <QHash>

namespace valmir::Schema {

QString dataPassword() { return QStringLiteral("7tav350kr"); }

QStringList dataTables() {
    return {QStringLiteral("tblRacun"),        QStringLiteral("tblRacunTarife"),
            QStringLiteral("tblTarife"),       QStringLiteral("tblGeodetskaStoritev"),
            QStringLiteral("tblSestavljavci"), QStringLiteral("tbPoste"),
            QStringLiteral("tblNastavitve")};
}

QStringList workTables() { return {QStringLiteral("tblTarifePregled")}; }

QStringList indexColumns(const QString& table, const QString& indexName) {
    // SQLite wants index names unique per file, so the names the program
    // uses are mapped here per table.
    static const QHash<QString, QStringList> indexes = {
        {QStringLiteral("tbltarife/id"), {QStringLiteral("ID")}},
        {QStringLiteral("tblgeodetskastoritev/id"), {QStringLiteral("TS1")}},
        {QStringLiteral("tbposte/stev"), {QStringLiteral("Stev")}},
        {QStringLiteral("tbposte/posta"), {QStringLiteral("Posta")}},
        {QStringLiteral("tbltarifepregled/id"), {QStringLiteral("ID_tarifa")}},
        {QStringLiteral("tbltarifepregled/red"), {QStringLiteral("TS1"), QStringLiteral("TS2")}},
        {QStringLiteral("tblsestavljavci/id"), {QStringLiteral("ID")}},
        {QStringLiteral("tblracun/id"), {QStringLiteral("ID")}},
    };
    return indexes.value(table.toLower() + u'/' + indexName.toLower());
}

namespace {

bool runAll(Database& db, const QStringList& statements) {
    for (const QString& sql : statements)
        if (!db.execute(sql))
            return false;
    return true;
}

} // namespace

// Types: TEXT, REAL (numbers and money, amounts kept in cents already),
// INTEGER (Long), DATE (ISO text yyyy-MM-dd), BOOLEAN (0/1). Text compares
// without regard to case and sorts in the order of the Slovenian alphabet
// (Database::textCollation), so that Čatež comes after Celje, not after Žalec.
bool createDataTables(Database& db) {
    return runAll(
        db, {
                QStringLiteral(R"(CREATE TABLE tblRacun (
            ID INTEGER PRIMARY KEY,
            StevilkaRacuna TEXT COLLATE SLOVENIAN,
            Ime TEXT COLLATE SLOVENIAN,
            Naslov TEXT COLLATE SLOVENIAN,
            PST TEXT COLLATE SLOVENIAN,
            Posta TEXT COLLATE SLOVENIAN,
            Telefon TEXT COLLATE SLOVENIAN,
            KontaktnaOseba TEXT COLLATE SLOVENIAN,
            Opombe TEXT COLLATE SLOVENIAN,
            Datum DATE,
            Faks TEXT COLLATE SLOVENIAN,
            Email TEXT COLLATE SLOVENIAN,
            Delovisce TEXT COLLATE SLOVENIAN,
            Zadeva TEXT COLLATE SLOVENIAN,
            Davcna TEXT COLLATE SLOVENIAN,
            Veljavnost REAL,
            TRR TEXT COLLATE SLOVENIAN,
            Sestavljavec INTEGER,
            EnotenElaborat BOOLEAN,
            Placan BOOLEAN,
            ProcentPavsala REAL,
            VrednostTocke REAL))"),
                // One index per list column, so that a click on any header of a
                // list of many years of invoices sorts at once.
                QStringLiteral("CREATE INDEX ixRacunStevilka ON tblRacun (StevilkaRacuna)"),
                QStringLiteral("CREATE INDEX ixRacunDatum ON tblRacun (Datum)"),
                QStringLiteral("CREATE INDEX ixRacunPlacan ON tblRacun (Placan)"),
                QStringLiteral("CREATE INDEX ixRacunDelovisce ON tblRacun (Delovisce)"),
                QStringLiteral("CREATE INDEX ixRacunZadeva ON tblRacun (Zadeva)"),
                QStringLiteral("CREATE INDEX ixRacunIme ON tblRacun (Ime)"),
                QStringLiteral("CREATE INDEX ixRacunKontaktnaOseba ON tblRacun (KontaktnaOseba)"),
                QStringLiteral("CREATE INDEX ixRacunNaslov ON tblRacun (Naslov)"),
                QStringLiteral("CREATE INDEX ixRacunPST ON tblRacun (PST)"),
                QStringLiteral("CREATE INDEX ixRacunPosta ON tblRacun (Posta)"),
                QStringLiteral("CREATE INDEX ixRacunTelefon ON tblRacun (Telefon)"),
                QStringLiteral("CREATE INDEX ixRacunFaks ON tblRacun (Faks)"),
                QStringLiteral("CREATE INDEX ixRacunEmail ON tblRacun (Email)"),
                QStringLiteral("CREATE INDEX ixRacunDavcna ON tblRacun (Davcna)"),
                QStringLiteral("CREATE INDEX ixRacunTRR ON tblRacun (TRR)"),
                QStringLiteral("CREATE INDEX ixRacunOpombe ON tblRacun (Opombe)"),
                QStringLiteral("CREATE INDEX ixRacunSestavljavec ON tblRacun (Sestavljavec)"),
                QStringLiteral(R"(CREATE TABLE tblRacunTarife (
            ID_racun INTEGER,
            ID_tarifa INTEGER,
            Tocke REAL,
            Kolicina REAL,
            Povisek REAL,
            znesek REAL))"),
                QStringLiteral(
                    "CREATE INDEX ixRacunTarifeRacun ON tblRacunTarife (ID_racun, ID_tarifa)"),
                QStringLiteral("CREATE INDEX ixRacunTarifeTarifa ON tblRacunTarife (ID_tarifa)"),
                QStringLiteral(R"(CREATE TABLE tblTarife (
            ID INTEGER PRIMARY KEY,
            TS1 REAL,
            TS2 REAL,
            TarifnaStevilka TEXT COLLATE SLOVENIAN,
            GeodetskaStoritev TEXT COLLATE SLOVENIAN,
            Tocke REAL,
            AktivnaPostavka BOOLEAN,
            Master BOOLEAN,
            "70proc" BOOLEAN,
            Izbrana BOOLEAN DEFAULT 0))"),
                QStringLiteral("CREATE INDEX ixTarifeTS ON tblTarife (TS1, TS2)"),
                QStringLiteral(R"(CREATE TABLE tblGeodetskaStoritev (
            TS1 REAL,
            GeodetskaStoritev TEXT COLLATE SLOVENIAN,
            Opomba TEXT COLLATE SLOVENIAN))"),
                QStringLiteral("CREATE INDEX ixStoritevTS1 ON tblGeodetskaStoritev (TS1)"),
                QStringLiteral(R"(CREATE TABLE tblSestavljavci (
            ID INTEGER PRIMARY KEY,
            Ime TEXT COLLATE SLOVENIAN))"),
                QStringLiteral(R"(CREATE TABLE tbPoste (
            Stev REAL,
            Posta TEXT COLLATE SLOVENIAN))"),
                QStringLiteral("CREATE INDEX ixPosteStev ON tbPoste (Stev)"),
                QStringLiteral("CREATE INDEX ixPostePosta ON tbPoste (Posta)"),
                QStringLiteral(R"(CREATE TABLE tblNastavitve (
            StRacuna REAL,
            VrednostTocke REAL,
            Veljavnost REAL,
            Tolarji BOOLEAN,
            GlavaVzporedno BOOLEAN,
            Word TEXT,
            Firma TEXT,
            Naslov TEXT,
            PST TEXT,
            Posta TEXT,
            Telefon TEXT,
            Faks TEXT,
            Email TEXT,
            Davcna TEXT,
            TRR TEXT,
            NaDnu TEXT,
            MapaDokumentov TEXT))"),
            });
}

bool createWorkTables(Database& db) {
    return runAll(
        db, {
                QStringLiteral(R"(CREATE TABLE tblTarifePregled (
            ID_tarifa INTEGER,
            Tocke REAL,
            Kolicina REAL,
            Povisek REAL,
            znesek REAL,
            TarifnaStevilka TEXT COLLATE SLOVENIAN,
            TS1 REAL,
            TS2 REAL,
            "70proc" BOOLEAN,
            GeodetskaStoritev TEXT COLLATE SLOVENIAN,
            Master BOOLEAN))"),
                QStringLiteral("CREATE INDEX ixPregledTarifa ON tblTarifePregled (ID_tarifa)"),
                QStringLiteral("CREATE INDEX ixPregledRed ON tblTarifePregled (TS1, TS2)"),
            });
}

} // namespace valmir::Schema
