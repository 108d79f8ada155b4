// Several workstations on one office server, under load and SIGKILL.
//
// For each number of workstations the parent makes a fresh database on the
// server (the program's tables and seed, moved there as "--prenesi" does)
// and starts that many worker processes of this program. Each worker starts
// up on the server as the program does and, until its time is up, through
// the program's own routines saves new invoices (priced as the editor
// prices them, the number proposed from the settings' counter as the editor
// proposes it, numberProposed, each save with its own identity), changes
// existing ones (mode 1, with the row version read), makes credit notes,
// picks operations as the picker does and saves them as an invoice, adds,
// changes and deletes customers over the version read, and deletes
// invoices. After each step returned it appends one line to its own log
// file:
//   new ID NUMBER LINES | edit ID NUMBER LINES | credit ID NUMBER ORIGINAL |
//   picked ID NUMBER LINES OPERATIONS | customer ... | deleting ID (before
//   the delete) | deleted ID | conflict ID | refused STEP OUTCOME TEXT
// Each invoice's remark names its number of lines ("vrstic: 7"). The parent
// kills workers with SIGKILL at random moments and starts new ones in their
// place. At the end it checks on the server:
//   - every invoice number is unique;
//   - every invoice holds the lines its remark names; no line without its
//     invoice;
//   - every invoice's stored totals are those of its lines (a credit note's
//     negative), added up here apart from the program;
//   - every credit note's original is there under the number it repeats,
//     or some worker set out to delete it;
//   - every invoice of picked operations holds exactly its workstation's
//     picks;
//   - the counter (StRacuna, of the year LetoStevca) is past every number;
//   - the kept counts (tblIskanjeVsota) equal a count over tblRacun (what
//     is open worked out anew from the payments and credit notes), and
//     tblIskanje holds a row for each invoice;
//   - every invoice a worker reported saved (and nobody deleted later) is
//     there under its number; none reported deleted is;
//   - no step was refused (a duplicate number, an engine error): two
//     workstations must not trip over each other. A write refused as
//     changed or deleted meanwhile is told apart ("conflict"), not a fault.
//
//   valmir_office_stress [--server CONNINFO] [--workstations 2,4,8]
//                        [--seconds 20] [--kills 3] [--seed S] [--keep]
// --server is the maintenance database of a cluster (default: the variable
// VALMIR_PG_TEST); --kills counts per round; --keep leaves the databases.
// Exit status 0 when no round found a fault.

#include "StressLines.h"
#include "app/Globals.h"
#include "app/ServerTransfer.h"
#include "app/Startup.h"
#include "codelists/Customers.h"
#include "data/Database.h"
#include "data/PgConnection.h"
#include "data/Recordset.h"
#include "document/Settings.h"
#include "invoice/CreditNote.h"
#include "invoice/InvoiceDeletion.h"
#include "invoice/InvoiceFields.h"
#include "invoice/InvoiceSaver.h"
#include "invoice/Numbering.h"
#include "invoice/Pricing.h"
#include "invoice/Vat.h"
#include "invoice/WorkingTable.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "text/TextForms.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

using namespace valmir;

namespace {

constexpr int MaxLines = 12;
const QString Remark = QStringLiteral("vrstic: %1");
// The customer of an invoice made of operations picked in the picker.
const QString PickedName = QStringLiteral("Izbira ");

const char* outcomeName(SaveOutcome o) {
    switch (o) {
    case SaveOutcome::Saved:
        return "saved";
    case SaveOutcome::PointValueNotNumeric:
        return "point-value";
    case SaveOutcome::PercentNotNumeric:
        return "percent";
    case SaveOutcome::DuplicateNumber:
        return "duplicate-number";
    case SaveOutcome::BadDate:
        return "bad-date";
    case SaveOutcome::NoCustomerName:
        return "no-customer";
    case SaveOutcome::ChangedMeanwhile:
        return "changed-meanwhile";
    case SaveOutcome::EngineError:
        return "engine-error";
    case SaveOutcome::OutcomeUnknown:
        return "outcome-unknown";
    }
    return "?";
}

// ---------------------------------------------------------------- worker

struct Worker {
    QRandomGenerator rng;
    int log = -1;
    int refusedInARow = 0;
    std::unique_ptr<Recordset> list;
    std::unique_ptr<Recordset> lines;
    std::vector<qint64> operations; // of the tariff, to pick from

    // Written whole and at once after the step returned: what the parent
    // reads is what had been done, a kill or not.
    void report(QString line) {
        refusedInARow = line.startsWith(u"refused") ? refusedInARow + 1 : 0;
        const QByteArray b = (line.replace(u'\n', u' ') + u'\n').toUtf8();
        if (::write(log, b.constData(), size_t(b.size())) != b.size())
            ::_exit(4);
    }

    InvoiceHeader header(const QString& number, int n) {
        QStringList text1(HeaderBoxCount);
        text1[NumberBox] = number;
        text1[1] = QStringLiteral("Stranka %1").arg(rng.bounded(1000));
        text1[RemarkBox] = Remark.arg(n);
        text1[DateBox] = dateText(today().addDays(-rng.bounded(300)));
        text1[ValidityBox] = QStringLiteral("30");
        InvoiceHeader h;
        h.text1 = text1;
        h.staffId = 1;
        h.paid = rng.bounded(2) == 0;
        h.percentText = QStringLiteral("10");
        h.pointValueText = QStringLiteral("2,5");
        return h;
    }

    // The working table priced as the editor prices it before a save, so
    // that the stored totals are those of the lines.
    bool priced(const InvoiceHeader& h) {
        PricingInput input;
        input.pointValueText = h.pointValueText;
        input.percentText = h.percentText;
        input.unifiedReport = h.unifiedReport;
        input.vatPercent = h.vatPercent;
        return recalculate(*lines, input).ok;
    }
    bool pricedLines(int n, const InvoiceHeader& h) {
        return stress::fillWorkingTable(n) && priced(h);
    }

    // Saves the working table as a new invoice under the proposed number,
    // each save with its own identity, as the editor saves one.
    SaveResult saveAsNew(InvoiceHeader h, const QString& number) {
        h.text1[NumberBox] = number;
        h.numberProposed = true;
        h.saveKey = QUuid::createUuid().toString(QUuid::WithoutBraces);
        SaveResult r = saveInvoice(*Db, *list, *lines, 0, QString(), h);
        if (r.number.isEmpty())
            r.number = number;
        return r;
    }

    // The number the editor proposes for a new invoice.
    bool proposed(QString* number) {
        InvoiceSettings settings;
        QString error;
        double counter = 0;
        if (!readInvoiceSettings(*Db, &settings, &error) ||
            !counterForNewDocument(*Db, settings.counter, settings.restartEachYear, today().year(),
                                   &counter))
            return false;
        *number = proposeNumber(today().year(), counter);
        return true;
    }

    void saveNew() {
        QString number;
        const int n = rng.bounded(1, MaxLines + 1);
        InvoiceHeader h = header(QString(), n);
        if (!proposed(&number) || !pricedLines(n, h))
            return report(QStringLiteral("refused new setup ") + Db->lastError() +
                          WorkDb->lastError());
        const SaveResult r = saveAsNew(h, number);
        if (r.outcome != SaveOutcome::Saved)
            return report(QStringLiteral("refused new %1 %2").arg(outcomeName(r.outcome), r.error));
        report(QStringLiteral("new %1 %2 %3").arg(r.invoiceId).arg(r.number).arg(n));
    }

    // Stands on a random invoice of the list as read now; false when none.
    bool pickInvoice() {
        if (!list->requery() || list->recordCount() == 0)
            return false;
        return list->moveTo(rng.bounded(list->recordCount()));
    }

    void edit() {
        if (!pickInvoice())
            return saveNew();
        // An invoice of picked operations keeps the lines it was saved with,
        // for the check of whose picks they are.
        if (list->field(QStringLiteral("Ime")).toString().startsWith(PickedName))
            return saveNew();
        const qint64 id = list->field(QStringLiteral("ID")).toLongLong();
        const QString number = list->field(QStringLiteral("StevilkaRacuna")).toString();
        const int n = rng.bounded(1, MaxLines + 1);
        InvoiceHeader h = header(number, n);
        if (list->field(QStringLiteral("Dobropis")).toBool())
            h.credits =
                InvoiceHeader::Credited{list->field(QStringLiteral("IzvirniRacun")).toString(),
                                        list->field(QStringLiteral("IzvirniDatum")).toDate()};
        h.rowVersion = list->rowVersion();
        if (!pricedLines(n, h))
            return report(QStringLiteral("refused edit setup ") + WorkDb->lastError());
        const SaveResult r = saveInvoice(*Db, *list, *lines, 1, number, h);
        if (r.outcome == SaveOutcome::ChangedMeanwhile)
            return report(QStringLiteral("conflict %1").arg(id));
        if (r.outcome != SaveOutcome::Saved)
            return report(
                QStringLiteral("refused edit %1 %2").arg(outcomeName(r.outcome), r.error));
        report(QStringLiteral("edit %1 %2 %3").arg(id).arg(number).arg(n));
    }

    void remove() {
        if (!pickInvoice())
            return saveNew();
        const qint64 id = list->field(QStringLiteral("ID")).toLongLong();
        // Said before it begins: a worker killed after the delete committed
        // leaves no "deleted" line, and a credit note of the invoice must
        // then still find why its original is gone.
        report(QStringLiteral("deleting %1").arg(id));
        const InvoiceDeletionResult r = deleteCurrentInvoice(*list);
        if (r.deleted)
            return report(QStringLiteral("deleted %1").arg(id));
        // Refused because another workstation changed or deleted it since
        // (the list, told of a delete, has dropped the row: none is current).
        for (const Message& m : {Messages::ChangedMeanwhile, Messages::RowChangedMeanwhile,
                                 Messages::NoInvoiceSelected})
            if (r.error.startsWith(m.text.section(QStringLiteral("%1"), 0, 0)))
                return report(QStringLiteral("conflict %1").arg(id));
        report(QStringLiteral("refused delete engine-error ") + r.error);
    }

    // A credit note of an invoice another workstation may be deleting at
    // the same moment.
    void credit() {
        if (!pickInvoice())
            return saveNew();
        if (list->field(QStringLiteral("Dobropis")).toBool())
            return edit();
        const qint64 id = list->field(QStringLiteral("ID")).toLongLong();
        const CreditNoteResult r = makeCreditNote(*Db, id, today());
        if (r.outcome == CreditNoteOutcome::Made)
            return report(QStringLiteral("credit %1 %2 %3").arg(r.id).arg(r.number).arg(id));
        // The invoice was deleted by another workstation meanwhile.
        if (r.outcome == CreditNoteOutcome::NotFound)
            return report(QStringLiteral("conflict %1").arg(id));
        report(QStringLiteral("refused credit %1 %2").arg(int(r.outcome)).arg(r.error));
    }

    // Picks operations as the picker does, adds them to the working table
    // and saves the invoice: its lines must be exactly this workstation's
    // picks, whatever the others pick meanwhile.
    void pickAndSave() {
        QString number;
        QStringList picked;
        if (!clearPicks(*Db))
            return report(QStringLiteral("refused pick clear ") + Db->lastError());
        for (int k = rng.bounded(1, 6); k > 0; --k) {
            const qint64 op = operations.at(rng.bounded(int(operations.size())));
            if (picked.contains(QString::number(op)))
                continue;
            if (!setPicked(*Db, op, true))
                return report(QStringLiteral("refused pick mark ") + Db->lastError());
            picked << QString::number(op);
            QThread::usleep(rng.bounded(2000)); // as a hand picks, one at a time
        }
        QList<WorkingLine> added;
        if (!emptyWorkingTable(*WorkDb) || !addPickedOperations(*Db, *WorkDb, false).ok ||
            !readLines(*WorkDb, &added))
            return report(QStringLiteral("refused pick add ") + Db->lastError() +
                          WorkDb->lastError());
        InvoiceHeader h = header(QString(), int(added.size()));
        h.text1[1] = PickedName + QString::number(QCoreApplication::applicationPid());
        if (!priced(h) || !proposed(&number))
            return report(QStringLiteral("refused pick price ") + WorkDb->lastError() +
                          Db->lastError());
        const SaveResult r = saveAsNew(h, number);
        if (r.outcome != SaveOutcome::Saved)
            return report(
                QStringLiteral("refused pick %1 %2").arg(outcomeName(r.outcome), r.error));
        std::sort(picked.begin(), picked.end());
        report(QStringLiteral("picked %1 %2 %3 %4")
                   .arg(r.invoiceId)
                   .arg(r.number)
                   .arg(added.size())
                   .arg(picked.join(u',')));
    }

    // Adds, changes or deletes an entry of the customer register over the
    // version it read: a change another workstation made since is told,
    // never written over.
    void customer() {
        // As the register's window reads them: a record set over the table,
        // each row with its version.
        auto rs = Db->openRecordset(QStringLiteral("SELECT * FROM tblNarocnik ORDER BY ID"));
        if (!rs || rs->readFailed())
            return report(QStringLiteral("refused customer read ") + Db->lastError());
        QList<Customer> found;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            Customer c;
            c.id = rs->field(QStringLiteral("ID")).toLongLong();
            for (int f = 0; f < CustomerFieldCount; ++f)
                c.data[f] = rs->field(QString::fromUtf16(CustomerColumns[f].field)).toString();
            c.version = rs->rowVersion();
            // No version: the row went before its values were read.
            if (c.version > 0)
                found << c;
        }
        const int pick = rng.bounded(3);
        if (found.isEmpty() || pick == 0) {
            Customer c;
            c[CustomerName] = QStringLiteral("Stranka %1").arg(rng.bounded(1000));
            qint64 id = 0;
            if (!addCustomer(*Db, c, &id))
                return report(QStringLiteral("refused customer add ") + Db->lastError());
            return report(QStringLiteral("customer added %1").arg(id));
        }
        Customer c = found.at(rng.bounded(int(found.size())));
        QThread::usleep(rng.bounded(5000)); // the form open a moment
        c[CustomerStreet] = QStringLiteral("Ulica %1").arg(rng.bounded(1000));
        const RowWritten w =
            pick == 1 ? changeCustomer(*Db, c) : deleteCustomer(*Db, c.id, c.version);
        if (w.ok)
            return report(
                QStringLiteral("customer %1 %2").arg(pick == 1 ? "changed" : "deleted").arg(c.id));
        if (w.conflict)
            return report(QStringLiteral("conflict %1").arg(c.id));
        report(QStringLiteral("refused customer write ") + Db->lastError());
    }

    int run(const StartupOptions& options, qint64 endMs) {
        const StartupResult started = startUp(options);
        if (!started.ok)
            return report(QStringLiteral("failed ") + started.message), 3;
        list = Db->openRecordset(
            QStringLiteral("SELECT * FROM tblRacun ORDER BY StevilkaRacuna DESC"));
        lines = WorkDb->openRecordset(QStringLiteral("tblTarifePregled"), RecordsetKind::Table);
        if (!list || !lines || !lines->setIndex(QStringLiteral("Red")))
            return report(QStringLiteral("failed ") + Db->lastError()), 3;
        if (!Db->forEachRow(
                QStringLiteral("SELECT ID FROM tblTarife WHERE TS1 < 90"), {},
                [this](const QueryRow& row) { operations.push_back(row.integer(0)); }) ||
            operations.empty())
            return report(QStringLiteral("failed no operations ") + Db->lastError()), 3;
        while (QDateTime::currentMSecsSinceEpoch() < endMs) {
            // A server gone away refuses every step at once: stop.
            if (refusedInARow >= 50)
                return report(QStringLiteral("failed 50 steps refused in a row")), 3;
            const int pick = rng.bounded(100);
            if (pick < 40)
                saveNew();
            else if (pick < 55)
                edit();
            else if (pick < 65)
                credit();
            else if (pick < 75)
                pickAndSave();
            else if (pick < 85)
                customer();
            else
                remove();
        }
        // The record sets go before the databases they read.
        list.reset();
        lines.reset();
        shutDown();
        return 0;
    }
};

// --------------------------------------------------------------- parent

struct Round {
    int workstations = 0;
    double seconds = 0;
    int steps = 0, saves = 0, edits = 0, credits = 0, picks = 0, customers = 0, deletes = 0,
        conflicts = 0, refusals = 0;
    int kills = 0, started = 0, faults = 0;

    void fault(const QString& what) {
        if (++faults <= 20)
            std::fprintf(stderr, "  N=%d fault: %s\n", workstations, qPrintable(what));
    }
};

struct Parent {
    QString admin;   // the maintenance database
    QString dataDir; // the file the seed comes from, and each worker's template
    QString root;
    QRandomGenerator rng;
    bool keep = false;

    // A fresh database with the program's tables and seed: its conninfo.
    QString freshDatabase(PgConnection& server, int n, QString* error) {
        const QString name =
            QStringLiteral("valmir_office_%1_%2").arg(QCoreApplication::applicationPid()).arg(n);
        if (!server.execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)) ||
            !server.execute(QStringLiteral("CREATE DATABASE %1").arg(name))) {
            *error = server.lastError();
            return {};
        }
        // The seed's file, copied as "--prenesi" copies it.
        const QString conninfo = admin + QStringLiteral(" dbname=") + name;
        const StartupResult file = startUp({dataDir, root + QStringLiteral("/tmp")});
        auto target = PgConnection::connect(conninfo, error);
        ServerTransfer::Result copied;
        if (file.ok && target)
            copied = ServerTransfer::copyToServer(*Db, *target);
        shutDown();
        if (!copied.ok) {
            *error = QStringLiteral("the seed could not be moved to %1: %2 %3")
                         .arg(name, file.message, copied.error + *error);
            return {};
        }
        return conninfo;
    }

    // What the workers said they did.
    struct Reported {
        QHash<qint64, QString> saved; // ID -> number
        QSet<qint64> deleted;
        QSet<qint64> deleting;         // announced, whether it went through or not
        QHash<qint64, QString> picked; // invoice -> its operations, sorted, joined by ","
        QStringList numbers;
    };

    void readLog(const QString& path, Round* r, Reported* said) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return;
        for (const QByteArray& raw : f.readAll().split('\n')) {
            const QStringList p = QString::fromUtf8(raw).split(u' ');
            const QString kind = p.value(0);
            if (kind.isEmpty())
                continue;
            if (kind == u"deleting") {
                said->deleting.insert(p.value(1).toLongLong());
                continue;
            }
            ++r->steps;
            if ((kind == u"new" || kind == u"edit" || kind == u"credit") && p.size() == 4) {
                ++(kind == u"new" ? r->saves : kind == u"edit" ? r->edits : r->credits);
                said->saved.insert(p[1].toLongLong(), p[2]);
                said->numbers << p[2];
            } else if (kind == u"picked" && p.size() == 5) {
                ++r->picks;
                said->saved.insert(p[1].toLongLong(), p[2]);
                said->numbers << p[2];
                said->picked.insert(p[1].toLongLong(), p[4]);
            } else if (kind == u"customer") {
                ++r->customers;
            } else if (kind == u"deleted") {
                ++r->deletes;
                said->deleted.insert(p.value(1).toLongLong());
            } else if (kind == u"conflict") {
                ++r->conflicts;
            } else if (kind == u"refused") {
                ++r->refusals;
                r->fault(QStringLiteral("a step was refused: ") + p.mid(1).join(u' '));
            } else {
                --r->steps;
                r->fault(QStringLiteral("a worker said: ") + p.join(u' '));
            }
        }
    }

    QList<QVariantList> rows(PgConnection& db, Round* r, const QString& sql) {
        QList<QVariantList> out;
        if (!db.query(sql, {}, &out))
            r->fault(QStringLiteral("the check could not read: ") + db.lastError());
        return out;
    }

    void check(const QString& conninfo, Round* r, const Reported& said) {
        const QHash<qint64, QString>& saved = said.saved;
        const QSet<qint64>& deleted = said.deleted;
        QString error;
        auto db = PgConnection::connect(conninfo, &error);
        if (!db)
            return r->fault(QStringLiteral("the server cannot be reached: ") + error);
        for (const QVariantList& row :
             rows(*db, r,
                  QStringLiteral("SELECT StevilkaRacuna, count(*) FROM tblRacun GROUP BY "
                                 "StevilkaRacuna HAVING count(*) > 1")))
            r->fault(QStringLiteral("number %1 is held by %2 invoices")
                         .arg(row[0].toString(), row[1].toString()));
        QHash<qint64, QString> found;
        QStringList numbers = said.numbers;
        for (const QVariantList& row :
             rows(*db, r,
                  QStringLiteral("SELECT r.ID, r.StevilkaRacuna, r.Opombe, (SELECT count(*) FROM "
                                 "tblRacunTarife t WHERE t.ID_racun = r.ID) FROM tblRacun r"))) {
            found.insert(row[0].toLongLong(), row[1].toString());
            numbers << row[1].toString();
            if (row[2].toString() != Remark.arg(row[3].toLongLong()))
                r->fault(QStringLiteral("invoice %1 is not whole: %2 lines, remark \"%3\"")
                             .arg(row[1].toString(), row[3].toString(), row[2].toString()));
        }
        for (const QVariantList& row :
             rows(*db, r,
                  QStringLiteral("SELECT count(*) FROM tblRacunTarife WHERE ID_racun NOT IN "
                                 "(SELECT ID FROM tblRacun) HAVING count(*) > 0")))
            r->fault(QStringLiteral("%1 lines without their invoice").arg(row[0].toString()));
        const auto counts =
            rows(*db, r,
                 QStringLiteral(
                     "SELECT (SELECT Racunov || ':' || NeplacanoCentov FROM tblIskanjeVsota), "
                     "(SELECT count(*) || ':' || coalesce(sum(valmir_neplacano_centov("
                     "Placan, valmir_odprto(ID, ZaPlacilo, Dobropis, Placan))), 0) FROM "
                     "tblRacun), (SELECT count(*) FROM "
                     "tblIskanje i JOIN tblRacun r ON r.ID = i.ID), (SELECT count(*) FROM "
                     "tblIskanje)"));
        if (!counts.isEmpty()) {
            const QVariantList& c = counts.first();
            if (c[0].toString() != c[1].toString())
                r->fault(QStringLiteral("kept counts %1, counted %2 (invoices:unpaid cents)")
                             .arg(c[0].toString(), c[1].toString()));
            if (c[2].toLongLong() != found.size() || c[3].toLongLong() != found.size())
                r->fault(QStringLiteral("tblIskanje holds %1 rows (%2 of invoices) for %3 invoices")
                             .arg(c[3].toString(), c[2].toString())
                             .arg(found.size()));
        }
        // Every invoice's stored totals are those of its own lines (a credit
        // note's taken negative), added up here apart from the program: the
        // lines' rounded amounts at the invoice's rate.
        for (const QVariantList& row :
             rows(*db, r,
                  QStringLiteral("SELECT r.StevilkaRacuna, coalesce(r.Dobropis, false), "
                                 "r.StopnjaDDV, r.Osnova, r.DDV, r.ZaPlacilo, (SELECT "
                                 "coalesce(sum(round(t.znesek::numeric, 2)), 0) FROM "
                                 "tblRacunTarife t WHERE t.ID_racun = r.ID) FROM tblRacun r"))) {
            const double sign = row[1].toBool() ? -1 : 1;
            const InvoiceTotals want = invoiceTotals(row[6].toDouble(), invoiceVatPercent(row[2]));
            const double got[] = {row[3].toDouble(), row[4].toDouble(), row[5].toDouble()};
            const double wanted[] = {sign * want.base, sign * want.vat, sign * want.toPay};
            for (int i = 0; i < 3; ++i)
                if (std::abs(got[i] - wanted[i]) > 0.005) {
                    r->fault(QStringLiteral("invoice %1 holds totals %2 / %3 / %4, its lines "
                                            "make %5 / %6 / %7")
                                 .arg(row[0].toString())
                                 .arg(got[0])
                                 .arg(got[1])
                                 .arg(got[2])
                                 .arg(wanted[0])
                                 .arg(wanted[1])
                                 .arg(wanted[2]));
                    break;
                }
        }
        // An invoice of picked operations holds exactly the operations its
        // workstation picked, none of another's.
        for (const QVariantList& row :
             rows(*db, r,
                  QStringLiteral(
                      "SELECT r.ID, r.StevilkaRacuna, (SELECT string_agg(t.ID_tarifa::text, "
                      "',' ORDER BY t.ID_tarifa::text) FROM tblRacunTarife t WHERE "
                      "t.ID_racun = r.ID) FROM tblRacun r WHERE left(r.Ime, 7) = 'Izbira ' "
                      "AND NOT coalesce(r.Dobropis, false)"))) {
            const auto picks = said.picked.constFind(row[0].toLongLong());
            if (picks != said.picked.cend() && *picks != row[2].toString())
                r->fault(QStringLiteral("invoice %1 holds operations %2, its workstation picked %3")
                             .arg(row[1].toString(), row[2].toString(), *picks));
        }
        // A credit note names an invoice that was there when it was made:
        // the original is still there under the number the note repeats, or
        // a worker set out to delete it.
        for (const QVariantList& row :
             rows(*db, r,
                  QStringLiteral("SELECT c.StevilkaRacuna, c.IzvirniID, c.IzvirniRacun, "
                                 "o.StevilkaRacuna FROM tblRacun c LEFT JOIN tblRacun o ON o.ID "
                                 "= c.IzvirniID WHERE c.Dobropis"))) {
            const bool there = !row[3].isNull();
            if (row[1].isNull() || (there && row[2].toString() != row[3].toString()) ||
                (!there && !said.deleting.contains(row[1].toLongLong())))
                r->fault(QStringLiteral("credit note %1 names invoice %2 (%3), which holds "
                                        "\"%4\"")
                             .arg(row[0].toString(), row[1].toString(), row[2].toString(),
                                  there ? row[3].toString() : QStringLiteral("nothing")));
        }
        const auto settings = rows(
            *db, r, QStringLiteral("SELECT StRacuna, LetoStevca, LetniStevec FROM tblNastavitve"));
        if (settings.size() != 1) {
            r->fault(QStringLiteral("%1 settings rows").arg(settings.size()));
        } else {
            const double counter = settings[0][0].toDouble();
            const int year = settings[0][1].toInt();
            for (const QString& number : std::as_const(numbers))
                if ((year == 0 || numberYear(number) == year) &&
                    nextCounter(number).value_or(0) > counter) {
                    r->fault(QStringLiteral("the counter %1 (of %2) is not past %3")
                                 .arg(counter)
                                 .arg(year)
                                 .arg(number));
                    break;
                }
        }
        for (auto it = saved.begin(); it != saved.end(); ++it) {
            if (deleted.contains(it.key()))
                continue;
            if (!found.contains(it.key()))
                r->fault(QStringLiteral("invoice %1 (%2) was reported saved and is missing")
                             .arg(it.key())
                             .arg(it.value()));
            else if (found[it.key()] != it.value())
                r->fault(QStringLiteral("invoice %1 was saved as %2, holds %3")
                             .arg(it.key())
                             .arg(it.value(), found[it.key()]));
        }
        for (qint64 id : deleted)
            if (found.contains(id))
                r->fault(QStringLiteral("invoice %1 was reported deleted and is there").arg(id));
    }

    QProcess* startWorker(const QString& conninfo, qint64 endMs, int index, QString* logPath) {
        const QString dir = root + QStringLiteral("/w%1").arg(index);
        QDir().mkpath(dir);
        *logPath = dir + QStringLiteral(".log");
        auto* p = new QProcess;
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--worker"), conninfo, dataDir, dir, *logPath,
                  QString::number(endMs), QString::number(rng.generate())});
        p->waitForStarted();
        return p;
    }

    Round run(PgConnection& server, int n, double seconds, int kills) {
        Round r;
        r.workstations = n;
        QString error;
        const QString conninfo = freshDatabase(server, n, &error);
        if (conninfo.isEmpty()) {
            r.fault(error);
            return r;
        }
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        const qint64 endMs = start + qint64(seconds * 1000);
        std::vector<QProcess*> running;
        QStringList logs;
        int made = 0;
        auto launch = [&] {
            QString log;
            running.push_back(startWorker(conninfo, endMs, n * 1000 + made++, &log));
            logs << log;
            ++r.started;
        };
        for (int i = 0; i < n; ++i)
            launch();
        std::vector<qint64> killAt;
        for (int k = 0; k < kills; ++k)
            killAt.push_back(start + qint64(seconds * 1000 * (0.1 + 0.8 * rng.generateDouble())));
        std::sort(killAt.begin(), killAt.end());
        for (qint64 at : killAt) {
            QThread::msleep(ulong(std::max<qint64>(0, at - QDateTime::currentMSecsSinceEpoch())));
            QProcess* victim = running[rng.bounded(int(running.size()))];
            if (victim->state() != QProcess::Running)
                continue;
            ::kill(pid_t(victim->processId()), SIGKILL);
            victim->waitForFinished(10000);
            running.erase(std::find(running.begin(), running.end(), victim));
            delete victim;
            ++r.kills;
            launch();
        }
        for (QProcess* p : running) {
            if (!p->waitForFinished(int(endMs - QDateTime::currentMSecsSinceEpoch()) + 60000)) {
                r.fault(QStringLiteral("a worker did not finish"));
                p->kill();
                p->waitForFinished();
            } else if (p->exitStatus() != QProcess::NormalExit || p->exitCode() != 0) {
                r.fault(QStringLiteral("a worker ended with %1").arg(p->exitCode()));
            }
            delete p;
        }
        r.seconds = (QDateTime::currentMSecsSinceEpoch() - start) / 1000.0;
        Reported said;
        for (const QString& log : std::as_const(logs))
            readLog(log, &r, &said);
        check(conninfo, &r, said);
        if (!keep)
            server.execute(
                QStringLiteral("DROP DATABASE IF EXISTS valmir_office_%1_%2 WITH (FORCE)")
                    .arg(QCoreApplication::applicationPid())
                    .arg(n));
        return r;
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("valmir"));
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == u"--worker" && args.size() == 7) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive a parent stopped by hand
        Worker w{QRandomGenerator(args[6].toUInt()), -1, 0, {}, {}, {}};
        w.log = ::open(args[4].toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (w.log < 0)
            return 2;
        return w.run({args[2], args[3], args[1]}, args[5].toLongLong());
    }
    QString server = qEnvironmentVariable("VALMIR_PG_TEST");
    QList<int> counts{2, 4, 8};
    double seconds = 20;
    int kills = 3;
    quint32 seed = QRandomGenerator::system()->generate();
    bool keep = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString value = args.value(i + 1);
        if (args[i] == u"--keep") {
            keep = true;
            continue;
        }
        if (args[i] == u"--server")
            server = value;
        else if (args[i] == u"--workstations") {
            counts.clear();
            for (const QString& n : value.split(u','))
                counts << std::max(1, n.toInt());
        } else if (args[i] == u"--seconds")
            seconds = std::max(1.0, value.toDouble());
        else if (args[i] == u"--kills")
            kills = std::max(0, value.toInt());
        else if (args[i] == u"--seed")
            seed = value.toUInt();
        else
            return std::fprintf(stderr, "unknown option %s\n", qPrintable(args[i])), 2;
        ++i;
    }
    if (server.isEmpty())
        return std::fprintf(stderr, "give the cluster's maintenance database with --server "
                                    "CONNINFO (or VALMIR_PG_TEST)\n"),
               2;
    QString error;
    auto admin = PgConnection::connect(server, &error);
    if (!admin)
        return std::fprintf(stderr, "the server cannot be reached: %s\n", qPrintable(error)), 2;
    QTemporaryDir tmp;
    Parent parent{server, tmp.path() + QStringLiteral("/data"), tmp.path(), QRandomGenerator(seed),
                  keep};
    std::printf("seed %u, %.0f s per round, %d kills per round\n", seed, seconds, kills);
    int faults = 0;
    for (int n : counts) {
        const Round r = parent.run(*admin, n, seconds, kills);
        faults += r.faults;
        std::printf("N=%d: %d steps in %.1f s = %.1f/s (new %d, edited %d, credit notes %d, "
                    "picked %d, customers %d, deleted %d, conflicts told %d, refused %d); %d "
                    "kills, %d workers started; %d faults\n",
                    n, r.steps, r.seconds, r.steps / std::max(0.001, r.seconds), r.saves, r.edits,
                    r.credits, r.picks, r.customers, r.deletes, r.conflicts, r.refusals, r.kills,
                    r.started, r.faults);
        std::fflush(stdout);
    }
    return faults == 0 ? 0 : 1;
}
