#include "data/Schema.h"

#include "data/Database.h"
#include "text/Messages.h"

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

// The searched fields of an invoice row (prefix "new." in a trigger) as one
// folded text; the separator cannot be typed, so a match never spans two
// fields.
QString searchedText(const QString& row) {
    QStringList parts;
    for (const char* field :
         {"StevilkaRacuna", "Ime", "KontaktnaOseba", "Delovisce", "Zadeva", "Posta"})
        parts << QStringLiteral("ifnull(%1%2, '')").arg(row, QLatin1String(field));
    // The separator as quoted text: the engines name the function that
    // makes a character differently (char, chr).
    const QString separator = QStringLiteral(" || '") + QChar(1) + QStringLiteral("' || ");
    return QStringLiteral("FOLD(") + parts.join(separator) + u')';
}

// What a row of tblIskanje adds to the sum still unpaid, in cents.
QString unpaidCents(const QString& row) {
    return QStringLiteral("CASE WHEN ifnull(%1Placan, 0) = 0 "
                          "THEN ifnull(CAST(round(%1ZaPlacilo * 100) AS INTEGER), 0) ELSE 0 END")
        .arg(row);
}

// The search table's trigger on a changed invoice, first made by step 3 to
// fire on any change; from step 7 it fires only when what tblIskanje keeps
// changes, so that a reminder's date or a due date costs no new folding.
QString searchUpdateTrigger(const QString& columns) {
    return QStringLiteral("CREATE TRIGGER trIskanjeSprememba AFTER UPDATE %1ON tblRacun BEGIN "
                          "DELETE FROM tblIskanje WHERE ID = old.ID; "
                          "INSERT OR REPLACE INTO tblIskanje (ID, Besedilo, Placan, ZaPlacilo) "
                          "VALUES (new.ID, %2, new.Placan, new.ZaPlacilo); END")
        .arg(columns, searchedText(QStringLiteral("new.")));
}

// Whether the invoice (the row of tblRacun a statement updates) has
// payments.
QString hasPayments() {
    return QStringLiteral("EXISTS (SELECT 1 FROM tblPlacila p WHERE p.RacunID = tblRacun.ID)");
}

// What an invoice still owes: its sum to pay less its payments and what
// its credit notes (stored negative) take back; below nought when it was
// overpaid. Kept as the engine sums it: the cents are rounded where they
// are counted, as the sum to pay's are. An invoice ticked paid without any payment (by hand, before
// payments were kept) owes nothing; a credit note owes nothing and is
// owed nothing.
QString openAmount() {
    return QStringLiteral(
               "CASE WHEN ifnull(Dobropis, 0) THEN 0 WHEN ifnull(Placan, 0) AND NOT %1 THEN 0 "
               "ELSE ifnull(ZaPlacilo, 0) - "
               "(SELECT total(p.Znesek) FROM tblPlacila p WHERE p.RacunID = tblRacun.ID) + "
               "(SELECT total(c.ZaPlacilo) FROM tblRacun c WHERE c.IzvirniID = tblRacun.ID "
               "AND c.Dobropis) END")
        .arg(hasPayments());
}

// Of an invoice whose last payment went: the paid flag its payments made
// goes with them.
QString paymentsGone(const QString& id) {
    return QStringLiteral("UPDATE tblRacun SET Placan = 0 WHERE ID = %1 AND ifnull(Placan, 0) AND "
                          "ifnull(Dobropis, 0) = 0 AND NOT %2; ")
        .arg(id, hasPayments());
}

// The statements of a trigger that bring the open amount of the invoice
// `id` up to date, and its paid flag with it: an invoice with payments is
// paid exactly when nothing is open. Without payments the flag stays as it
// was ticked; a credit note keeps its flag (it is never paid).
QString refreshOpen(const QString& id) {
    // One statement, and none where both are right already: a trigger
    // that fires within another's sees the row as it is.
    const QString paid =
        QStringLiteral("CASE WHEN ifnull(Dobropis, 0) OR NOT %1 THEN Placan ELSE (%2) < 0.005 END")
            .arg(hasPayments(), openAmount());
    return QStringLiteral("UPDATE tblRacun SET Odprto = %2, Placan = %3 WHERE ID = %1 AND "
                          "(Odprto IS NOT %2 OR Placan IS NOT %3); ")
        .arg(id, openAmount(), paid);
}

// What a row of tblIskanje adds to the sum still unpaid, in cents, from
// step 9 on: what an unpaid invoice still owes.
QString openCents(const QString& row) {
    return QStringLiteral("CASE WHEN ifnull(%1Placan, 0) = 0 "
                          "THEN ifnull(CAST(round(%1Odprto * 100) AS INTEGER), 0) ELSE 0 END")
        .arg(row);
}

bool runAll(Database& db, const QStringList& statements) {
    for (const QString& sql : statements)
        if (!db.execute(sql))
            return false;
    return true;
}

// The tables as the first version of the program made them (version 0);
// the upgrade steps make them what this version reads. They never change:
// a change is a new step.
// Types: TEXT, REAL (numbers and money, amounts kept in cents already),
// INTEGER (Long), DATE (ISO text yyyy-MM-dd), BOOLEAN (0/1). Text compares
// without regard to case and sorts in the order of the Slovenian alphabet
// (Database::textCollation), so that Čatež comes after Celje, not after Žalec.
bool createFirstTables(Database& db) {
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
            NaDnu TEXT))"),
            });
}

// One change of the data database's tables: the statements that bring a
// file of the version before to `version`, and what has to be computed
// for the rows already stored afterwards (none when nothing is).
struct UpgradeStep {
    int version;
    QStringList statements;
    bool needsWork = false; // the work handed in with setStepWork
};

StepWork& stepWork(int version) {
    static StepWork works[CurrentVersion + 1] = {};
    Q_ASSERT(version >= 0 && version <= CurrentVersion);
    return works[version];
}

// A step that writes with rules it was not given would leave its work
// undone for good (its version is recorded): it fails instead.
bool runWork(Database& db, const UpgradeStep& step) {
    if (!step.needsWork)
        return true;
    if (StepWork work = stepWork(step.version))
        return work(db);
    db.setError(SchemaMessages::NoStepWork.text.arg(step.version));
    return false;
}

// Each step runs once per file, in order. The statements are history:
// what a step wrote stays as it is even when the program's defaults change
// later; a new change is a new step with the next version.
const QList<UpgradeStep>& upgradeSteps() {
    static const QList<UpgradeStep> steps = {
        // Each invoice keeps the VAT rate it was priced with; invoices of
        // before keep none and count as 20 %. The rate for new invoices
        // is a setting, today's general rate of 22 %.
        {1,
         {QStringLiteral("ALTER TABLE tblRacun ADD COLUMN StopnjaDDV REAL"),
          QStringLiteral("ALTER TABLE tblNastavitve ADD COLUMN StopnjaDDV REAL"),
          QStringLiteral("UPDATE tblNastavitve SET StopnjaDDV = 22")}},
        // The folder the invoices' PDFs go to; none stored is "VALMIR" in
        // the user's documents folder.
        {2, {QStringLiteral("ALTER TABLE tblNastavitve ADD COLUMN MapaDokumentov TEXT")}},
        // Each invoice keeps its totals as the editor showed them when it
        // was saved; the invoices of before get them once, priced from
        // their lines as the editor prices an invoice it opens.
        // The search of the main list and its status line read a narrow
        // table of each invoice's searched fields, folded once
        // (Collation.h), with its paid flag and sum to pay, instead of every
        // invoice's row: the engine keeps it with every change of tblRacun.
        {3,
         {QStringLiteral("ALTER TABLE tblRacun ADD COLUMN Osnova REAL"),
          QStringLiteral("ALTER TABLE tblRacun ADD COLUMN DDV REAL"),
          QStringLiteral("ALTER TABLE tblRacun ADD COLUMN ZaPlacilo REAL"),
          QStringLiteral("CREATE TABLE tblIskanje (ID INTEGER PRIMARY KEY, Besedilo TEXT, "
                         "Placan BOOLEAN, ZaPlacilo REAL)"),
          QStringLiteral("CREATE TRIGGER trIskanjeNov AFTER INSERT ON tblRacun BEGIN "
                         "INSERT OR REPLACE INTO tblIskanje (ID, Besedilo, Placan, ZaPlacilo) "
                         "VALUES (new.ID, %1, new.Placan, new.ZaPlacilo); END")
              .arg(searchedText(QStringLiteral("new."))),
          searchUpdateTrigger(QString()),
          QStringLiteral("CREATE TRIGGER trIskanjeBrisanje AFTER DELETE ON tblRacun BEGIN "
                         "DELETE FROM tblIskanje WHERE ID = old.ID; END"),
          QStringLiteral("INSERT INTO tblIskanje (ID, Besedilo, Placan, ZaPlacilo) "
                         "SELECT ID, %1, Placan, ZaPlacilo FROM tblRacun")
              .arg(searchedText(QString()))},
         true},
        // The status line of the whole list reads one row however many
        // invoices there are: their number and the sum still unpaid, in
        // cents, kept by the engine with every change of tblIskanje.
        {4,
         {QStringLiteral("CREATE TABLE tblIskanjeVsota (ID INTEGER PRIMARY KEY, "
                         "Racunov INTEGER NOT NULL, NeplacanoCentov INTEGER NOT NULL)"),
          QStringLiteral("INSERT INTO tblIskanjeVsota (ID, Racunov, NeplacanoCentov) "
                         "SELECT 1, count(*), ifnull(sum(%1), 0) FROM tblIskanje")
              .arg(unpaidCents(QString())),
          QStringLiteral("CREATE TRIGGER trVsotaNov AFTER INSERT ON tblIskanje BEGIN "
                         "UPDATE tblIskanjeVsota SET Racunov = Racunov + 1, "
                         "NeplacanoCentov = NeplacanoCentov + %1; END")
              .arg(unpaidCents(QStringLiteral("new."))),
          QStringLiteral("CREATE TRIGGER trVsotaSprememba AFTER UPDATE ON tblIskanje BEGIN "
                         "UPDATE tblIskanjeVsota SET "
                         "NeplacanoCentov = NeplacanoCentov - %1 + %2; END")
              .arg(unpaidCents(QStringLiteral("old.")), unpaidCents(QStringLiteral("new."))),
          QStringLiteral("CREATE TRIGGER trVsotaBrisanje AFTER DELETE ON tblIskanje BEGIN "
                         "UPDATE tblIskanjeVsota SET Racunov = Racunov - 1, "
                         "NeplacanoCentov = NeplacanoCentov - %1; END")
              .arg(unpaidCents(QStringLiteral("old.")))}},
        // The office's bank by its BIC, for the e-invoice; none for files
        // of before. A credit note is a row of tblRacun marked Dobropis that
        // names the invoice it takes back (its ID, number and date, kept as
        // they were should that invoice be deleted); its totals are stored
        // negative, so that every sum of the books counts it against them.
        {5,
         {QStringLiteral("ALTER TABLE tblNastavitve ADD COLUMN BIC TEXT"),
          QStringLiteral("ALTER TABLE tblRacun ADD COLUMN Dobropis BOOLEAN"),
          QStringLiteral("ALTER TABLE tblRacun ADD COLUMN IzvirniID INTEGER"),
          QStringLiteral("ALTER TABLE tblRacun ADD COLUMN IzvirniRacun TEXT COLLATE SLOVENIAN"),
          QStringLiteral("ALTER TABLE tblRacun ADD COLUMN IzvirniDatum DATE"),
          QStringLiteral("CREATE INDEX ixRacunIzvirni ON tblRacun (IzvirniID)")}},
        // The counter may start again at 1 with each new year; files of
        // before keep counting on, a new database starts again (Seed). The
        // counter knows its year: that of the number that last moved it,
        // or the year the user set it in; none until then.
        {6,
         {QStringLiteral("ALTER TABLE tblNastavitve ADD COLUMN LetniStevec BOOLEAN"),
          QStringLiteral("UPDATE tblNastavitve SET LetniStevec = 0"),
          QStringLiteral("ALTER TABLE tblNastavitve ADD COLUMN LetoStevca INTEGER")}},
        // Customers and getting paid. The register of customers is filled
        // from the invoices, one entry per customer (customerKey), with the
        // newest invoice's data and date. Each invoice keeps its due date
        // (none for a credit note, which is never due) and its reminders:
        // the date of the last one and how many were made. The reminder's
        // text is a setting; none stored is the program's own.
        {7,
         {QStringLiteral(R"(CREATE TABLE tblNarocnik (
            ID INTEGER PRIMARY KEY,
            Ime TEXT COLLATE SLOVENIAN,
            Naslov TEXT COLLATE SLOVENIAN,
            PST TEXT COLLATE SLOVENIAN,
            Posta TEXT COLLATE SLOVENIAN,
            KontaktnaOseba TEXT COLLATE SLOVENIAN,
            Telefon TEXT COLLATE SLOVENIAN,
            Faks TEXT COLLATE SLOVENIAN,
            Email TEXT COLLATE SLOVENIAN,
            Davcna TEXT COLLATE SLOVENIAN,
            TRR TEXT COLLATE SLOVENIAN,
            Uporabljen DATE))"),
          QStringLiteral("CREATE INDEX ixNarocnikIme ON tblNarocnik (Ime)"),
          QStringLiteral("CREATE INDEX ixNarocnikDavcna ON tblNarocnik (Davcna)"),
          QStringLiteral("CREATE INDEX ixNarocnikUporabljen ON tblNarocnik (Uporabljen)"),
          // The one aggregate max() makes the other columns those of the
          // row it picked: the newest invoice of each customer.
          QStringLiteral("INSERT INTO tblNarocnik (Ime, Naslov, PST, Posta, KontaktnaOseba, "
                         "Telefon, Faks, Email, Davcna, TRR, Uporabljen) "
                         "SELECT Ime, Naslov, PST, Posta, KontaktnaOseba, Telefon, Faks, Email, "
                         "Davcna, TRR, Datum FROM (SELECT *, max(ifnull(Datum, '') || "
                         "substr('00000000000000000000' || ID, -20)) FROM tblRacun "
                         "WHERE ifnull(Dobropis, 0) = 0 AND "
                         "(trim(ifnull(Ime, '')) <> '' OR trim(ifnull(Davcna, '')) <> '') "
                         "GROUP BY ") +
              customerKey(QString()) + u')',
          QStringLiteral("DROP TRIGGER trIskanjeSprememba"),
          searchUpdateTrigger(QStringLiteral("OF StevilkaRacuna, Ime, KontaktnaOseba, Delovisce, "
                                             "Zadeva, Posta, Placan, ZaPlacilo ")),
          QStringLiteral("ALTER TABLE tblRacun ADD COLUMN Zapade DATE"),
          QStringLiteral("ALTER TABLE tblRacun ADD COLUMN Opomin DATE"),
          QStringLiteral("ALTER TABLE tblRacun ADD COLUMN Opominov INTEGER"),
          // Whole days, none below nought, as the e-invoice counts them.
          QStringLiteral("UPDATE tblRacun SET Zapade = date(Datum, "
                         "max(0, CAST(ifnull(Veljavnost, 0) AS INTEGER)) || ' days') "
                         "WHERE ifnull(Dobropis, 0) = 0"),
          QStringLiteral("CREATE INDEX ixRacunZapade ON tblRacun (Zapade)"),
          QStringLiteral("ALTER TABLE tblNastavitve ADD COLUMN BesediloOpomina TEXT")}},
        // Electronic addresses for e-invoices: the office's, none stored
        // being its VAT number's, and each customer's with the format its
        // e-invoices take (none: e-SLOG).
        {8,
         {QStringLiteral("ALTER TABLE tblNastavitve ADD COLUMN ElektronskiNaslov TEXT"),
          QStringLiteral(
              "ALTER TABLE tblNarocnik ADD COLUMN ElektronskiNaslov TEXT COLLATE SLOVENIAN"),
          QStringLiteral("ALTER TABLE tblNarocnik ADD COLUMN OblikaERacuna TEXT")}},
        // Payments as records: each one of an invoice (none while it is not
        // placed), read from a bank statement, booked by hand or brought
        // over from the paid flag of before (one payment of what the
        // invoice owed, no date). Each statement read is kept once per
        // account. What an invoice still owes is kept on its row (Odprto)
        // and in the search table by the engine with every change of a
        // payment, an invoice or a credit note; the sum still unpaid of the
        // status line counts it instead of the sum to pay.
        {9,
         {QStringLiteral(R"(CREATE TABLE tblIzpiski (
            ID INTEGER PRIMARY KEY,
            IBAN TEXT,
            Oznaka TEXT,
            Od DATE,
            Do DATE,
            Uvozen DATE,
            Prilivov INTEGER,
            Razporejenih INTEGER,
            Nerazporejenih INTEGER,
            Bremenitev INTEGER))"),
          QStringLiteral("CREATE UNIQUE INDEX ixIzpisekOznaka ON tblIzpiski (IBAN, Oznaka)"),
          QStringLiteral(R"(CREATE TABLE tblPlacila (
            ID INTEGER PRIMARY KEY,
            RacunID INTEGER,
            Datum DATE,
            Znesek REAL,
            Vir TEXT,
            IzpisekID INTEGER,
            Referenca TEXT,
            Placnik TEXT COLLATE SLOVENIAN,
            Opis TEXT COLLATE SLOVENIAN))"),
          QStringLiteral("CREATE INDEX ixPlacilaRacun ON tblPlacila (RacunID)"),
          QStringLiteral("CREATE INDEX ixPlacilaIzpisek ON tblPlacila (IzpisekID)"),
          QStringLiteral("ALTER TABLE tblRacun ADD COLUMN Odprto REAL"),
          QStringLiteral("ALTER TABLE tblIskanje ADD COLUMN Odprto REAL"),
          QStringLiteral("INSERT INTO tblPlacila (RacunID, Znesek, Vir) SELECT r.ID, "
                         "round(ifnull(r.ZaPlacilo, 0) + (SELECT total(c.ZaPlacilo) FROM "
                         "tblRacun c WHERE c.IzvirniID = r.ID AND c.Dobropis), 2), 'prenos' "
                         "FROM tblRacun r WHERE ifnull(r.Placan, 0) AND ifnull(r.Dobropis, 0) = 0 "
                         "AND round(ifnull(r.ZaPlacilo, 0) + (SELECT total(c.ZaPlacilo) FROM "
                         "tblRacun c WHERE c.IzvirniID = r.ID AND c.Dobropis), 2) > 0"),
          QStringLiteral("DROP TRIGGER trIskanjeNov"),
          QStringLiteral("DROP TRIGGER trIskanjeSprememba"),
          QStringLiteral("DROP TRIGGER trVsotaNov"),
          QStringLiteral("DROP TRIGGER trVsotaSprememba"),
          QStringLiteral("DROP TRIGGER trVsotaBrisanje"),
          QStringLiteral("UPDATE tblRacun SET Odprto = ") + openAmount(),
          QStringLiteral("UPDATE tblIskanje SET (Placan, Odprto) = (SELECT r.Placan, r.Odprto "
                         "FROM tblRacun r WHERE r.ID = tblIskanje.ID)"),
          QStringLiteral("UPDATE tblIskanjeVsota SET NeplacanoCentov = "
                         "(SELECT ifnull(sum(%1), 0) FROM tblIskanje)")
              .arg(openCents(QString())),
          QStringLiteral("CREATE TRIGGER trIskanjeSprememba AFTER UPDATE OF StevilkaRacuna, Ime, "
                         "KontaktnaOseba, Delovisce, Zadeva, Posta, Placan, ZaPlacilo, Odprto "
                         "ON tblRacun BEGIN DELETE FROM tblIskanje WHERE ID = old.ID; "
                         "INSERT OR REPLACE INTO tblIskanje (ID, Besedilo, Placan, ZaPlacilo, "
                         "Odprto) SELECT r.ID, %1, r.Placan, r.ZaPlacilo, r.Odprto FROM "
                         "tblRacun r WHERE r.ID = new.ID; END")
              .arg(searchedText(QStringLiteral("r."))),
          // The search rows are made from the invoice's row as it is, so
          // that the order in which the triggers of one change fire does
          // not matter (trOdprtoNov updates the row it fires on).
          QStringLiteral("CREATE TRIGGER trIskanjeNov AFTER INSERT ON tblRacun BEGIN "
                         "DELETE FROM tblIskanje WHERE ID = new.ID; "
                         "INSERT INTO tblIskanje (ID, Besedilo, Placan, ZaPlacilo, Odprto) "
                         "SELECT r.ID, %1, r.Placan, r.ZaPlacilo, r.Odprto FROM tblRacun r "
                         "WHERE r.ID = new.ID; END")
              .arg(searchedText(QStringLiteral("r."))),
          QStringLiteral("CREATE TRIGGER trVsotaNov AFTER INSERT ON tblIskanje BEGIN "
                         "UPDATE tblIskanjeVsota SET Racunov = Racunov + 1, "
                         "NeplacanoCentov = NeplacanoCentov + %1; END")
              .arg(openCents(QStringLiteral("new."))),
          QStringLiteral("CREATE TRIGGER trVsotaSprememba AFTER UPDATE ON tblIskanje BEGIN "
                         "UPDATE tblIskanjeVsota SET "
                         "NeplacanoCentov = NeplacanoCentov - %1 + %2; END")
              .arg(openCents(QStringLiteral("old.")), openCents(QStringLiteral("new."))),
          QStringLiteral("CREATE TRIGGER trVsotaBrisanje AFTER DELETE ON tblIskanje BEGIN "
                         "UPDATE tblIskanjeVsota SET Racunov = Racunov - 1, "
                         "NeplacanoCentov = NeplacanoCentov - %1; END")
              .arg(openCents(QStringLiteral("old."))),
          // What is written to an invoice's paid flag or open amount is put
          // right at once: both follow from the payments alone.
          QStringLiteral("CREATE TRIGGER trOdprtoNov AFTER INSERT ON tblRacun BEGIN %1%2END")
              .arg(refreshOpen(QStringLiteral("new.ID")),
                   refreshOpen(QStringLiteral("(CASE WHEN ifnull(new.Dobropis, 0) "
                                              "THEN new.IzvirniID END)"))),
          QStringLiteral("CREATE TRIGGER trOdprtoSprememba AFTER UPDATE OF ZaPlacilo, Dobropis, "
                         "IzvirniID, Placan, Odprto ON tblRacun BEGIN %1%2%3END")
              .arg(refreshOpen(QStringLiteral("new.ID")),
                   refreshOpen(QStringLiteral("(CASE WHEN ifnull(new.Dobropis, 0) "
                                              "THEN new.IzvirniID END)")),
                   refreshOpen(QStringLiteral("(CASE WHEN ifnull(old.Dobropis, 0) "
                                              "THEN old.IzvirniID END)"))),
          // The payments of an invoice deleted: those from a statement are
          // kept unplaced (the money came), the others go with it.
          QStringLiteral("CREATE TRIGGER trOdprtoBrisanje AFTER DELETE ON tblRacun BEGIN "
                         "UPDATE tblPlacila SET RacunID = NULL WHERE RacunID = old.ID AND "
                         "Vir = 'izpisek'; DELETE FROM tblPlacila WHERE RacunID = old.ID; %1END")
              .arg(refreshOpen(QStringLiteral("(CASE WHEN ifnull(old.Dobropis, 0) "
                                              "THEN old.IzvirniID END)"))),
          QStringLiteral("CREATE TRIGGER trPlaciloNov AFTER INSERT ON tblPlacila BEGIN %1END")
              .arg(refreshOpen(QStringLiteral("new.RacunID"))),
          QStringLiteral("CREATE TRIGGER trPlaciloSprememba AFTER UPDATE ON tblPlacila "
                         "BEGIN %1%2%3END")
              .arg(paymentsGone(QStringLiteral("old.RacunID")),
                   refreshOpen(QStringLiteral("old.RacunID")),
                   refreshOpen(QStringLiteral("new.RacunID"))),
          QStringLiteral(
              "CREATE TRIGGER trPlaciloBrisanje AFTER DELETE ON tblPlacila BEGIN %1%2END")
              .arg(paymentsGone(QStringLiteral("old.RacunID")),
                   refreshOpen(QStringLiteral("old.RacunID")))}},
        // Quotes: a row of tblRacun marked Ponudba (none for the rows of
        // before, which are invoices) with numbers of its own counter; an
        // invoice made from a quote names it. The search table knows which
        // rows are quotes, so that the list shows them apart, and the
        // status line's sums count the invoices only.
        {10,
         {QStringLiteral("ALTER TABLE tblRacun ADD COLUMN Ponudba BOOLEAN"),
          QStringLiteral("ALTER TABLE tblRacun ADD COLUMN PonudbaID INTEGER"),
          QStringLiteral("CREATE INDEX ixRacunPonudba ON tblRacun (PonudbaID)"),
          QStringLiteral("ALTER TABLE tblNastavitve ADD COLUMN StPonudbe REAL"),
          QStringLiteral("UPDATE tblNastavitve SET StPonudbe = 1"),
          QStringLiteral("ALTER TABLE tblIskanje ADD COLUMN Ponudba BOOLEAN"),
          QStringLiteral("DROP TRIGGER trIskanjeNov"),
          QStringLiteral("DROP TRIGGER trIskanjeSprememba"),
          QStringLiteral("CREATE TRIGGER trIskanjeSprememba AFTER UPDATE OF StevilkaRacuna, Ime, "
                         "KontaktnaOseba, Delovisce, Zadeva, Posta, Placan, ZaPlacilo, Odprto, "
                         "Ponudba ON tblRacun BEGIN DELETE FROM tblIskanje WHERE ID = old.ID; "
                         "INSERT OR REPLACE INTO tblIskanje (ID, Besedilo, Placan, ZaPlacilo, "
                         "Odprto, Ponudba) SELECT r.ID, %1, r.Placan, r.ZaPlacilo, r.Odprto, "
                         "r.Ponudba FROM tblRacun r WHERE r.ID = new.ID; END")
              .arg(searchedText(QStringLiteral("r."))),
          QStringLiteral("CREATE TRIGGER trIskanjeNov AFTER INSERT ON tblRacun BEGIN "
                         "DELETE FROM tblIskanje WHERE ID = new.ID; "
                         "INSERT INTO tblIskanje (ID, Besedilo, Placan, ZaPlacilo, Odprto, "
                         "Ponudba) SELECT r.ID, %1, r.Placan, r.ZaPlacilo, r.Odprto, r.Ponudba "
                         "FROM tblRacun r WHERE r.ID = new.ID; END")
              .arg(searchedText(QStringLiteral("r."))),
          QStringLiteral("DROP TRIGGER trVsotaNov"),
          QStringLiteral("DROP TRIGGER trVsotaSprememba"),
          QStringLiteral("DROP TRIGGER trVsotaBrisanje"),
          QStringLiteral("CREATE TRIGGER trVsotaNov AFTER INSERT ON tblIskanje "
                         "WHEN ifnull(new.Ponudba, 0) = 0 BEGIN "
                         "UPDATE tblIskanjeVsota SET Racunov = Racunov + 1, "
                         "NeplacanoCentov = NeplacanoCentov + %1; END")
              .arg(openCents(QStringLiteral("new."))),
          QStringLiteral("CREATE TRIGGER trVsotaSprememba AFTER UPDATE ON tblIskanje "
                         "WHEN ifnull(old.Ponudba, 0) = 0 AND ifnull(new.Ponudba, 0) = 0 BEGIN "
                         "UPDATE tblIskanjeVsota SET "
                         "NeplacanoCentov = NeplacanoCentov - %1 + %2; END")
              .arg(openCents(QStringLiteral("old.")), openCents(QStringLiteral("new."))),
          QStringLiteral("CREATE TRIGGER trVsotaBrisanje AFTER DELETE ON tblIskanje "
                         "WHEN ifnull(old.Ponudba, 0) = 0 BEGIN "
                         "UPDATE tblIskanjeVsota SET Racunov = Racunov - 1, "
                         "NeplacanoCentov = NeplacanoCentov - %1; END")
              .arg(openCents(QStringLiteral("old.")))}},
    };
    return steps;
}

// The steps after version `from` up to `to`, and the new version number.
// A version without a step of its own here (one made on another line of
// work) is passed over: the steps are run by their numbers, not counted.
bool applySteps(Database& db, int from, int to = CurrentVersion) {
    Q_ASSERT(upgradeSteps().last().version == CurrentVersion);
    for (const UpgradeStep& step : upgradeSteps())
        if (step.version > from && step.version <= to &&
            !(runAll(db, step.statements) && runWork(db, step)))
            return false;
    // A pragma takes no bound value; the number is the program's own.
    return db.execute(QStringLiteral("PRAGMA user_version = %1").arg(to));
}

} // namespace

QString customerKey(const QString& row) {
    const QString tax =
        QStringLiteral("upper(replace(replace(trim(ifnull(%1Davcna, '')), ' ', ''), '-', ''))")
            .arg(row);
    return QStringLiteral("(CASE WHEN %2 = '' THEN 'N' || ifnull(FOLD(trim(%1Ime)), '') || '%3' "
                          "|| ifnull(FOLD(trim(%1Naslov)), '') || '%3' || "
                          "trim(ifnull(%1PST, '')) "
                          "WHEN substr(%2, 1, 2) = 'SI' THEN 'D' || substr(%2, 3) "
                          "ELSE 'D' || %2 END)")
        .arg(row, tax, QString(QChar(1)));
}

std::optional<int> schemaVersion(Database& db) {
    QVariant v;
    if (!db.queryValue(QStringLiteral("PRAGMA user_version"), {}, &v))
        return std::nullopt;
    return v.toInt();
}

bool schemaKnown(Database& db) {
    const std::optional<int> version = schemaVersion(db);
    return version && *version <= CurrentVersion;
}

QString upgradeDataDatabase(Database& db, int target) {
    // Looked at before anything is written: the file of a newer program
    // stays exactly as it is.
    std::optional<int> version = schemaVersion(db);
    if (version && *version == target)
        return {};
    if (version && *version > CurrentVersion)
        return SchemaMessages::Newer.text.arg(*version).arg(CurrentVersion);
    Transaction tx(db);
    // Read again under the write lock: another start may have upgraded the
    // file in between, and no step may run twice.
    if (tx.active())
        version = schemaVersion(db);
    if (!tx.active() || !version)
        return SchemaMessages::UpgradeFailed.text.arg(db.lastError());
    if (*version > CurrentVersion)
        return SchemaMessages::Newer.text.arg(*version).arg(CurrentVersion);
    if (*version < target && !applySteps(db, *version, target))
        return SchemaMessages::UpgradeFailed.text.arg(db.lastError());
    if (!tx.commit())
        return SchemaMessages::UpgradeFailed.text.arg(db.lastError());
    return {};
}

void setStepWork(int version, StepWork work) { stepWork(version) = work; }

bool createDataTables(Database& db) { return createFirstTables(db) && applySteps(db, 0); }

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
