// Crash safety under SIGKILL.
//
// The parent starts this program again as a child on one data folder. The
// child starts up as the program does and then saves, edits, deletes and
// purges invoices through the program's own routines, announcing each step
// on stdout before it begins ("B ...") and after it returned ("E", or "X"
// with the engine's text). The parent kills the child at a random moment,
// starts the program up again on the same folders and checks with the
// program's engine:
//   - PRAGMA integrity_check is ok;
//   - every invoice is whole: it holds the number of lines its remark
//     names ("vrstic: N");
//   - no line belongs to a missing invoice;
//   - the counts of the list's status line are those of the invoices;
//   - the counter is past every number saved;
//   - the invoices are exactly those of the finished steps, or those plus
//     the step in flight when the kill came;
//   - the next start-up succeeds (stale lock, old work files, a journal
//     left by the killed child), and leaves no stray file in the folders.
// Now and then the data folder is wiped, so that kills also land in the
// first start, which creates the data database and the work template.
//
//   valmir_stress [--kills N] [--max-delay MS] [--seed S] [--keep DIR]
// Most kills come up to --max-delay (300) ms after the child has started
// up; about one in seven anywhere from its launch.
// Exit status 0 when no kill found a fault.

#include "StressLines.h"
#include "app/Globals.h"
#include "app/Startup.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "document/Settings.h"
#include "invoice/InvoiceDeletion.h"
#include "invoice/InvoiceFields.h"
#include "invoice/InvoiceSaver.h"
#include "invoice/Numbering.h"
#include "invoice/Purge.h"
#include "invoice/WorkingTable.h"
#include "text/TextForms.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <iterator>
#include <optional>
#include <sys/prctl.h>
#include <unistd.h>

using namespace valmir;

namespace {

constexpr int MaxLines = 12;
const QString Remark = QStringLiteral("vrstic: %1");

void say(const QString& line) {
    const QByteArray b = (line + u'\n').toUtf8();
    // Unbuffered: what the parent read is what the child had done.
    if (::write(STDOUT_FILENO, b.constData(), size_t(b.size())) != b.size())
        ::_exit(4);
}

// ---------------------------------------------------------------- child

struct Child {
    QRandomGenerator rng;
    std::unique_ptr<Recordset> list;
    std::unique_ptr<Recordset> lines;

    QDate randomDate() { return QDate(2000, 1, 1).addDays(rng.bounded(9500)); }

    InvoiceHeader header(const QString& number, int n, const QDate& date) {
        QStringList text1(HeaderBoxCount);
        text1[NumberBox] = number;
        text1[1] = QStringLiteral("Stranka %1").arg(rng.bounded(1000));
        text1[RemarkBox] = Remark.arg(n);
        text1[DateBox] = dateText(date);
        text1[ValidityBox] = QStringLiteral("30");
        InvoiceHeader h;
        h.text1 = text1;
        h.staffId = 1;
        h.percentText = QStringLiteral("10");
        h.pointValueText = QStringLiteral("2,5");
        return h;
    }

    void finish(bool ok, const QString& error) {
        say(ok ? QStringLiteral("E") : QStringLiteral("X ") + error);
    }

    void saveNew() {
        InvoiceSettings settings;
        QString error;
        if (!readInvoiceSettings(*Db, &settings, &error))
            return say(QStringLiteral("F ") + error);
        const QString number = proposeNumber(2026, settings.counter);
        const int n = rng.bounded(1, MaxLines + 1);
        const QDate date = randomDate();
        if (!stress::fillWorkingTable(n))
            return say(QStringLiteral("F ") + WorkDb->lastError());
        say(QStringLiteral("B S %1 %2 %3").arg(number).arg(n).arg(date.toString(Qt::ISODate)));
        const SaveResult r = saveInvoice(*Db, *list, *lines, 0, QString(), header(number, n, date));
        finish(r.outcome == SaveOutcome::Saved, r.error);
    }

    void edit() {
        list->moveTo(rng.bounded(list->recordCount()));
        const QString number = list->field(QStringLiteral("StevilkaRacuna")).toString();
        const int n = rng.bounded(1, MaxLines + 1);
        const QDate date = randomDate();
        if (!stress::fillWorkingTable(n))
            return say(QStringLiteral("F ") + WorkDb->lastError());
        say(QStringLiteral("B S %1 %2 %3").arg(number).arg(n).arg(date.toString(Qt::ISODate)));
        const SaveResult r = saveInvoice(*Db, *list, *lines, 1, number, header(number, n, date));
        finish(r.outcome == SaveOutcome::Saved, r.error);
    }

    void remove() {
        list->moveTo(rng.bounded(list->recordCount()));
        say(QStringLiteral("B D ") + list->field(QStringLiteral("StevilkaRacuna")).toString());
        const InvoiceDeletionResult r = deleteCurrentInvoice(*list);
        finish(r.deleted, r.error);
    }

    void purge() {
        const QDate oldest = QDate::fromString(
            Db->scalar(QStringLiteral("SELECT min(Datum) FROM tblRacun")).toString(), Qt::ISODate);
        const QDate cutOff = oldest.addDays(rng.bounded(1, 200));
        say(QStringLiteral("B P ") + cutOff.toString(Qt::ISODate));
        const PurgeResult r = purgeInvoicesBefore(*Db, cutOff);
        if (r.ok)
            list->requery();
        finish(r.ok, r.error);
    }

    int run(const StartupOptions& options) {
        const StartupResult started = startUp(options);
        if (!started.ok) {
            say(QStringLiteral("F ") + started.message);
            return 3;
        }
        say(QStringLiteral("R"));
        list = Db->openRecordset(
            QStringLiteral("SELECT * FROM tblRacun ORDER BY StevilkaRacuna DESC"));
        lines = WorkDb->openRecordset(QStringLiteral("tblTarifePregled"), RecordsetKind::Table);
        if (!list || !lines || !lines->setIndex(QStringLiteral("Red"))) {
            say(QStringLiteral("F ") + Db->lastError());
            return 3;
        }
        for (;;) {
            const int pick = rng.bounded(100);
            if (list->recordCount() == 0 || pick < 50)
                saveNew();
            else if (pick < 70)
                edit();
            else if (pick < 93)
                remove();
            else
                purge();
        }
    }
};

// --------------------------------------------------------------- parent

struct Invoice {
    int lines = 0;
    QString date;
    bool operator==(const Invoice&) const = default;
};
using Invoices = QMap<QString, Invoice>;

struct Step {
    QChar kind; // S save (new or edit), D delete, P purge
    QStringList args;
};

void apply(const Step& s, Invoices* inv, double* counterFloor) {
    if (s.kind == u'S') {
        (*inv)[s.args[0]] = {s.args[1].toInt(), s.args[2]};
        if (auto next = nextCounter(s.args[0]))
            *counterFloor = std::max(*counterFloor, *next);
    } else if (s.kind == u'D') {
        inv->remove(s.args[0]);
    } else if (s.kind == u'P') {
        for (auto it = inv->begin(); it != inv->end();)
            it = (!it->date.isEmpty() && it->date < s.args[0]) ? inv->erase(it) : std::next(it);
    }
}

struct Parent {
    StartupOptions options;
    Invoices model;
    double counterFloor = 0;
    int faults = 0;
    int refusals = 0;
    int inFlightCommitted = 0, inFlightLost = 0, steps = 0, duringStartUp = 0;

    void fault(int kill, const QString& what) {
        ++faults;
        std::fprintf(stderr, "kill %d: %s\n", kill, qPrintable(what));
    }

    // Reads the child's announcements; returns the step in flight, if any.
    std::optional<Step> replay(const QByteArray& out, int kill) {
        std::optional<Step> pending;
        bool ready = false;
        for (const QByteArray& raw : out.split('\n')) {
            const QString line = QString::fromUtf8(raw);
            if (line.isEmpty())
                continue;
            if (line == u"R") {
                ready = true;
            } else if (line.startsWith(u"B ")) {
                QStringList parts = line.split(u' ');
                pending = Step{parts[1][0], parts.mid(2)};
            } else if (line == u"E" && pending) {
                apply(*pending, &model, &counterFloor);
                ++steps;
                pending.reset();
            } else if (line.startsWith(u"X ")) {
                ++refusals;
                fault(kill, QStringLiteral("a step was refused: ") + line.mid(2));
                pending.reset();
            } else if (line.startsWith(u"F ")) {
                fault(kill, QStringLiteral("the child failed: ") + line.mid(2));
            }
        }
        if (!ready)
            ++duringStartUp;
        return pending;
    }

    Invoices readInvoices(int kill) {
        Invoices found;
        auto rs = Db->openRecordset(
            QStringLiteral("SELECT r.StevilkaRacuna, r.Opombe, r.Datum, (SELECT count(*) FROM "
                           "tblRacunTarife t WHERE t.ID_racun = r.ID) AS n FROM tblRacun r"),
            RecordsetKind::Snapshot);
        if (!rs) {
            fault(kill, QStringLiteral("invoices unreadable: ") + Db->lastError());
            return found;
        }
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            const QString number = rs->field(QStringLiteral("StevilkaRacuna")).toString();
            const QString remark = rs->field(QStringLiteral("Opombe")).toString();
            const int n = rs->field(QStringLiteral("n")).toInt();
            if (remark != Remark.arg(n))
                fault(kill, QStringLiteral("invoice %1 is not whole: %2 lines, remark \"%3\"")
                                .arg(number)
                                .arg(n)
                                .arg(remark));
            found[number] = {n, rs->field(QStringLiteral("Datum")).toDate().toString(Qt::ISODate)};
        }
        return found;
    }

    void checkFolders(int kill) {
        // A journal the killed child had only begun is no hot journal: the
        // engine leaves it alone and replaces it at the next write.
        const QStringList expected{QStringLiteral("valmir2009.db"), QStringLiteral("tmp.db"),
                                   QStringLiteral("valmir2009.db-journal")};
        for (const QString& f : QDir(options.dataDir).entryList(QDir::Files | QDir::Hidden))
            if (!expected.contains(f))
                fault(kill, QStringLiteral("stray file in the data folder: ") + f);
        const QStringList work{QStringLiteral("valmir_tmp.db"), QStringLiteral("valmir.lock")};
        for (const QString& f : QDir(options.tempDir).entryList(QDir::Files | QDir::Hidden))
            if (!work.contains(f))
                fault(kill, QStringLiteral("stray file in the temporary folder: ") + f);
    }

    void check(int kill, const std::optional<Step>& pending) {
        const StartupResult started = startUp(options);
        if (!started.ok)
            return fault(kill, QStringLiteral("the next start-up failed: ") + started.message);
        checkFolders(kill);
        const QString integrity = Db->scalar(QStringLiteral("PRAGMA integrity_check")).toString();
        if (integrity != u"ok")
            fault(kill, QStringLiteral("integrity_check: ") + integrity);
        const qint64 orphans =
            Db->scalar(QStringLiteral("SELECT count(*) FROM tblRacunTarife WHERE "
                                      "ID_racun NOT IN (SELECT ID FROM tblRacun)"))
                .toLongLong();
        if (orphans != 0)
            fault(kill, QStringLiteral("%1 lines without an invoice").arg(orphans));
        const QString kept =
            Db->scalar(
                  QStringLiteral("SELECT Racunov || ':' || NeplacanoCentov FROM tblIskanjeVsota"))
                .toString();
        const QString counted =
            Db->scalar(QStringLiteral("SELECT count(*) || ':' || ifnull(sum(CASE WHEN "
                                      "ifnull(Placan, 0) = 0 THEN CAST(round(ZaPlacilo * "
                                      "100) AS INTEGER) END), 0) FROM tblRacun"))
                .toString();
        if (kept != counted)
            fault(kill, QStringLiteral("the list's counts %1, the invoices %2").arg(kept, counted));

        const Invoices found = readInvoices(kill);
        if (found == model) {
            if (pending)
                ++inFlightLost;
        } else {
            Invoices after = model;
            double floor = counterFloor;
            if (pending)
                apply(*pending, &after, &floor);
            if (pending && found == after) {
                model = after;
                counterFloor = floor;
                ++inFlightCommitted;
            } else {
                fault(kill, QStringLiteral("the invoices are neither those of the finished steps "
                                           "nor those plus the step in flight (%1 found, %2 "
                                           "expected)")
                                .arg(found.size())
                                .arg(model.size()));
                model = found; // go on from what is there
            }
        }
        InvoiceSettings settings;
        QString error;
        if (!readInvoiceSettings(*Db, &settings, &error))
            fault(kill, QStringLiteral("settings unreadable: ") + error);
        double highest = counterFloor;
        for (auto it = found.begin(); it != found.end(); ++it)
            highest = std::max(highest, nextCounter(it.key()).value_or(0));
        if (settings.counter < highest)
            fault(kill, QStringLiteral("the counter %1 lags the highest number saved (next %2)")
                            .arg(settings.counter)
                            .arg(highest));
        shutDown();
    }

    int run(int kills, int maxDelayMs, quint32 seed, const QString& root) {
        options = {root + QStringLiteral("/data"), root + QStringLiteral("/tmp")};
        QRandomGenerator rng(seed);
        QElapsedTimer clock;
        clock.start();
        int wipes = 0;
        for (int kill = 1; kill <= kills; ++kill) {
            // A fresh folder now and then: the kill lands in the first start.
            if (kill == 1 || rng.bounded(100) < 3) {
                QDir(options.dataDir).removeRecursively();
                model.clear();
                counterFloor = 0;
                ++wipes;
            }
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--child"), options.dataDir, options.tempDir,
                         QString::number(rng.generate())});
            if (!child.waitForStarted())
                return std::fprintf(stderr, "cannot start the child\n"), 2;
            // Most kills come once the child has started up; the others
            // anywhere from its start, so that they land in the start-up.
            QByteArray out;
            if (rng.bounded(100) >= 15)
                while (!out.contains("R\n") && child.waitForReadyRead(30000))
                    out += child.readAllStandardOutput();
            QThread::msleep(rng.bounded(maxDelayMs + 1));
            if (child.state() != QProcess::Running)
                fault(kill, QStringLiteral("the child ended by itself (%1)").arg(child.exitCode()));
            child.kill();
            child.waitForFinished();
            out += child.readAllStandardOutput();
            check(kill, replay(out, kill));
        }
        std::printf("%d kills in %.1f s, seed %u: %d faults, %d steps finished, in flight at the "
                    "kill: %d committed, %d rolled back; %d kills during start-up, %d fresh "
                    "folders, %d invoices at the end\n",
                    kills, clock.elapsed() / 1000.0, seed, faults, steps, inFlightCommitted,
                    inFlightLost, duringStartUp, wipes, int(model.size()));
        return faults == 0 ? 0 : 1;
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == u"--child" && args.size() == 4) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive a parent stopped by hand
        Child child{QRandomGenerator(args[3].toUInt()), {}, {}};
        return child.run({args[1], args[2]});
    }
    int kills = 50, maxDelay = 300;
    quint32 seed = QRandomGenerator::system()->generate();
    QString keep;
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == u"--kills")
            kills = args[i + 1].toInt();
        else if (args[i] == u"--max-delay")
            maxDelay = args[i + 1].toInt();
        else if (args[i] == u"--seed")
            seed = args[i + 1].toUInt();
        else if (args[i] == u"--keep")
            keep = args[i + 1];
    }
    QTemporaryDir tmp;
    const QString root = keep.isEmpty() ? tmp.path() : keep;
    return Parent{}.run(kills, maxDelay, seed, root);
}
