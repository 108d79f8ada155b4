// bench_pdf: "Shrani PDF" of the editor, from the click to the PDF placed
// in the documents folder (the worked example with its UPN QR code, drawn
// by the program), and in the same run LibreOffice's conversion of the
// same invoice's RTF, as "Shrani PDF" made it before; the reminder of the
// main list ("Opomin") likewise. Each is repeated; read the medians.
//
//   bench_pdf [Google Benchmark flags]
//
// Runs on a fresh data folder; the conversions need LibreOffice (soffice
// on PATH) and are skipped without it.

#include "BenchSupport.h"

#include "app/Glavna.h"
#include "app/Globals.h"
#include "document/InvoiceDocument.h"
#include "document/PdfExport.h"
#include "document/Reminder.h"
#include "document/Rtf.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "ui/BoundGrid.h"
#include "ui/MessageBox.h"
#include "windows/Racun.h"
#include "windows/ReminderOutput.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

using namespace valmir;
using namespace valmir::bench;

namespace {

// Takes the desktop's "open this PDF" so that no viewer starts.
class Viewer : public QObject {
    Q_OBJECT
public Q_SLOTS:
    void open(const QUrl&) { ++opened; }

public:
    int opened = 0;
};

QTemporaryDir* g_work = nullptr;
Glavna* g_window = nullptr;
qint64 g_invoice = 0;
int g_criticals = 0;

// The office and one stored invoice of three lines, due a month ago.
bool prepareWorkedExample(QString* error) {
    const bool ok =
        Db->execute(
            QStringLiteral("UPDATE tblNastavitve SET Firma='Geodetska pisarna Žerjav d.o.o.', "
                           "Naslov='Šentjurska 5', PST='3230', Posta='Šentjur', "
                           "TRR='SI56 0201 0001 2345 641', MapaDokumentov=?"),
            {g_work->filePath(QStringLiteral("Dokumenti"))}) &&
        Db->execute(QStringLiteral(
            "INSERT INTO tblRacun (StevilkaRacuna, Datum, Zapade, Placan, Ime, Naslov, PST, "
            "Posta, Email, Veljavnost, EnotenElaborat, ProcentPavsala, VrednostTocke, "
            "StopnjaDDV, ZaPlacilo) VALUES ('2026/001', date('now', '-60 days'), "
            "date('now', '-30 days'), 0, 'Čebelarstvo Ćorić Đurđa Žužek', 'Ulica 3', "
            "'1000', 'Ljubljana', 'kupec@primer.si', 30, 0, 10, 2.5, 22, 671)")) &&
        Db->execute(QStringLiteral(
            "INSERT INTO tblRacunTarife (ID_racun, ID_tarifa, Tocke, Kolicina, Povisek, znesek) "
            "SELECT (SELECT max(ID) FROM tblRacun), ID, 100, 2, 20, NULL FROM tblTarife "
            "WHERE TS1 < 90 ORDER BY ID LIMIT 3"));
    if (!ok) {
        *error = Db->lastError();
        return false;
    }
    g_invoice = Db->scalar(QStringLiteral("SELECT max(ID) FROM tblRacun")).toLongLong();
    return true;
}

bool convert(const QString& program, const QString& rtf, QString* error) {
    PdfConversion conversion;
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&conversion, &PdfConversion::finished, &loop,
                     [&](bool done, const QString&, const QString& said) {
                         ok = done;
                         *error = said;
                         loop.quit();
                     });
    conversion.start(program, rtf, g_work->path());
    if (conversion.isRunning())
        loop.exec();
    return ok;
}

// Times LibreOffice's conversion of `rtf`, its profile made once untimed
// (a conversion after the first one of a login).
void convertTimed(benchmark::State& state, const QString& rtf) {
    const QString program = findLibreOffice();
    QString error;
    if (program.isEmpty() || rtf.isEmpty() || !convert(program, rtf, &error)) {
        state.SkipWithError(program.isEmpty() ? "no soffice on PATH" : "no conversion");
        return;
    }
    for (auto _ : state)
        if (!convert(program, rtf, &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
}

std::unique_ptr<Racun> openEditor() {
    BoundGrid* list = g_window->list();
    list->moveToRow(0);
    OpenMode = 1;
    auto editor = std::make_unique<Racun>(appContext(), list, g_window);
    editor->show();
    processUntil([] { return false; }, 300); // its start-up pricing
    return editor;
}

// "Shrani PDF" clicked on the stored invoice, the old PDF replaced (Da).
void BM_SavePdf(benchmark::State& state) {
    const auto editor = openEditor();
    auto* button = editor->findChild<QAbstractButton*>(QStringLiteral("Command9"));
    const QString pdf = g_work->filePath(QStringLiteral("Dokumenti/Racun 2026-001.pdf"));
    if (!button) {
        state.SkipWithError("no Command9");
        return;
    }
    for (auto _ : state) {
        button->click();
        if (!QFileInfo::exists(pdf) || g_criticals) {
            state.SkipWithError("no PDF placed");
            break;
        }
        state.PauseTiming();
        QFile::remove(pdf);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SavePdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10)->Repetitions(5);

// LibreOffice's conversion of the same invoice's RTF.
void BM_ConvertInvoiceRtf(benchmark::State& state) {
    const auto editor = openEditor();
    const PrintResult rtf =
        PrintInvoice(*Db, *WorkDb, g_work->path(), editor->currentHeader(), QString());
    convertTimed(state, rtf.ok ? rtf.path : QString());
}
BENCHMARK(BM_ConvertInvoiceRtf)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5);

// "Opomin" of the main list: read, drawn, placed and recorded.
void BM_ReminderPdf(benchmark::State& state) {
    for (auto _ : state)
        if (!MakeReminder(g_window, appContext(), g_invoice) || g_criticals) {
            state.SkipWithError("no reminder made");
            break;
        }
}
BENCHMARK(BM_ReminderPdf)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10)
    ->Repetitions(5);

// LibreOffice's conversion of the same reminder's RTF.
void BM_ConvertReminderRtf(benchmark::State& state) {
    ReminderInput in;
    QString error;
    RtfDocument doc;
    if (!readReminder(*Db, g_invoice, today(), &in, &error) || !doc.OpenDocument(g_work->path())) {
        state.SkipWithError("no reminder");
        return;
    }
    writeReminderDocument(doc, in);
    convertTimed(state, doc.CloseDocument() ? doc.path() : QString());
}
BENCHMARK(BM_ConvertReminderRtf)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    BenchProgram program(argc, argv);
    if (!program.argumentsOk())
        return 1;
    QString error;
    Session session;
    QTemporaryDir work;
    g_work = &work;
    if (!session.start(QString(), false, &error) || !prepareWorkedExample(&error))
        return failed("bench_pdf", error);
    Viewer viewer;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &viewer, "open");
    // Every question is answered Da (replace the PDF), but the reminder is
    // not sent by e-mail; an error stops the benchmark.
    Msg::setHook([](const Msg::Shown& shown) {
        if (shown.kind == Msg::Kind::Critical) {
            ++g_criticals;
            std::fprintf(stderr, "bench_pdf: %s\n", qPrintable(shown.text));
        }
        return !shown.text.startsWith(ReminderMessages::Send.text.section(u'»', 0, 0));
    });
    Glavna window(appContext());
    g_window = &window;
    benchmark::RunSpecifiedBenchmarks();
    Msg::setHook(nullptr);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    return 0;
}

#include "bench_pdf.moc"
