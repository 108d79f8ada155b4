// Pictures of the program's own windows for the manual. Starts the program
// on a fresh data folder of its own, fills in a sample office with three
// invoices (the third is the manual's worked example), opens each window
// as the user would see it and writes it as a small PNG into the folder
// given on the command line. scripts/screenshots.sh runs it.

#include "app/Glavna.h"
#include "app/Globals.h"
#include "app/Startup.h"
#include "data/Database.h"
#include "document/DocumentBlocks.h"
#include "document/InvoiceDocument.h"
#include "document/PdfDocument.h"
#include "invoice/StoredTotals.h"
#include "text/Clock.h"
#include "ui/AppIcon.h"
#include "ui/BoundGrid.h"
#include "ui/HandOver.h"
#include "ui/SearchBar.h"
#include "windows/Brisanje.h"
#include "windows/Calendar.h"
#include "windows/I_poste.h"
#include "windows/N_data.h"
#include "windows/N_narocniki.h"
#include "windows/N_osebje.h"
#include "windows/N_racun.h"
#include "windows/N_word.h"
#include "windows/Navodila.h"
#include "windows/Nov_racun.h"
#include "windows/Postavke.h"
#include "windows/Pregled.h"
#include "windows/Racun.h"
#include "windows/S_grupe.h"
#include "windows/S_postavke.h"
#include "windows/V_grupe.h"
#include "windows/V_postavke.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>

#include <cstdio>

using namespace valmir;

namespace {

QString g_out;
int g_failures = 0;

// Lets timers that a window starts when it is shown do their work.
void settle(int ms = 150) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// 256 colours are plenty for a window and make the file a fraction of the
// size of a true-colour picture.
void shoot(QWidget* window, const QString& name) {
    window->show();
    settle();
    QPixmap picture = window->grab();
    // A thin frame sets the window apart from the page around it.
    {
        QPainter frame(&picture);
        frame.setPen(QColor(128, 128, 128));
        frame.drawRect(picture.rect().adjusted(0, 0, -1, -1));
    }
    const QImage image = picture.toImage().convertToFormat(QImage::Format_Indexed8,
                                                           Qt::ThresholdDither | Qt::AvoidDither);
    const QString path = g_out + u'/' + name + QStringLiteral(".png");
    if (!image.save(path, "PNG", 0)) { // 0: the strongest compression
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++g_failures;
        return;
    }
    std::printf("%-24s %4d x %-4d\n", qPrintable(name + QStringLiteral(".png")), image.width(),
                image.height());
}

bool exec(const QString& sql, const QVariantList& values = {}) {
    if (Db->execute(sql, values))
        return true;
    std::fprintf(stderr, "%s: %s\n", qPrintable(sql), qPrintable(Db->lastError()));
    ++g_failures;
    return false;
}

qint64 operation(int ts1, int ts2) {
    return Db->scalar(QStringLiteral("SELECT ID FROM tblTarife WHERE TS1=? AND TS2=?"), {ts1, ts2})
        .toLongLong();
}

qint64 addInvoice(const QVariantList& v) {
    exec(QStringLiteral("INSERT INTO tblRacun (StevilkaRacuna, Datum, Placan, Delovisce, Zadeva, "
                        "Ime, KontaktnaOseba, Naslov, PST, Posta, Telefon, Email, Veljavnost, "
                        "Sestavljavec, EnotenElaborat, ProcentPavsala, VrednostTocke, Faks, "
                        "Davcna, TRR, Opombe, StopnjaDDV) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                        "30, 1, ?, 10, 2.5, '', '', '', ?, 22)"),
         v);
    return Db->scalar(QStringLiteral("SELECT max(ID) FROM tblRacun")).toLongLong();
}

void addLine(qint64 invoice, qint64 tariff, const QVariant& points, const QVariant& quantity,
             const QVariant& surcharge, double amount) {
    exec(QStringLiteral("INSERT INTO tblRacunTarife (ID_racun, ID_tarifa, Tocke, Kolicina, "
                        "Povisek, znesek) VALUES (?, ?, ?, ?, ?, ?)"),
         {invoice, tariff, points, quantity, surcharge, amount});
}

// The sample office. The points of the two operations of service 3 are
// those of the manual's worked example.
void fillSampleOffice() {
    exec(QStringLiteral(
             "UPDATE tblNastavitve SET Firma=?, Naslov=?, PST=?, Posta=?, Telefon=?, Email=?, "
             "Davcna=?, TRR=?, StRacuna=4, VrednostTocke=2.5, Veljavnost=30, Word=?"),
         {QStringLiteral("Geodetska pisarna Meja d.o.o."), QStringLiteral("Tržaška cesta 12"),
          QStringLiteral("1000"), QStringLiteral("Ljubljana"), QStringLiteral("01 234 56 78"),
          QStringLiteral("info@meja.si"), QStringLiteral("SI12345678"),
          QStringLiteral("SI56 0201 0001 2345 678"), QStringLiteral("/usr/bin/lowriter")});
    exec(QStringLiteral("INSERT INTO tblSestavljavci (Ime) VALUES ('Mojca Kranjc')"));
    exec(QStringLiteral("UPDATE tblTarife SET Tocke=32 WHERE TS1=3 AND TS2=1"));
    exec(QStringLiteral("UPDATE tblTarife SET Tocke=100 WHERE TS1=3 AND TS2=2"));

    const qint64 first =
        addInvoice({QStringLiteral("2009/001"), QStringLiteral("2009-10-12"), true,
                    QStringLiteral("Ureditev meje parc. 512/3"), QStringLiteral("0123-45/2009"),
                    QStringLiteral("Ana Zupan"), QString(), QStringLiteral("Cesta v Gorice 5"),
                    QStringLiteral("1000"), QStringLiteral("Ljubljana"),
                    QStringLiteral("041 111 222"), QString(), false, QString()});
    addLine(first, operation(1, 3), 250, 1, {}, 625.0);
    addLine(first, operation(1, 5), 45, 4, {}, 450.0);
    const qint64 second = addInvoice(
        {QStringLiteral("2009/002"), QStringLiteral("2009-11-03"), false,
         QStringLiteral("Evidentiranje stavbe"), QStringLiteral("0456-12/2009"),
         QStringLiteral("Kmetija Potočnik"), QStringLiteral("Franc Potočnik"),
         QStringLiteral("Lesjakova ulica 3"), QStringLiteral("2000"), QStringLiteral("Maribor"),
         QStringLiteral("02 333 44 55"), QString(), false, QString()});
    addLine(second, operation(4, 1), 200, 1, {}, 500.0);
    const qint64 example = addInvoice(
        {QStringLiteral("2009/003"), QStringLiteral("2009-12-05"), false,
         QStringLiteral("Izravnava meje parc. 1021 in 1022"), QStringLiteral("2009-117"),
         QStringLiteral("Marko Kovač"), QString(), QStringLiteral("Vrtna ulica 7"),
         QStringLiteral("4000"), QStringLiteral("Kranj"), QStringLiteral("04 202 30 40"),
         QStringLiteral("marko.kovac@example.si"), true, QStringLiteral("Plačilo v 15 dneh.")});
    addLine(example, operation(3, 1), 32, 1, {}, 80.0);
    addLine(example, operation(3, 2), 100, 2, 20, 420.0);
    addLine(example, -1, {}, {}, {}, 50.0);
    // A quote for the municipality: the work it asked the price of.
    const qint64 quote = addInvoice(
        {QStringLiteral("2009/004"), QStringLiteral("2009-12-01"), false,
         QStringLiteral("Parcelacija parc. 77/1"), QString(), QStringLiteral("Občina Kamnik"),
         QStringLiteral("Nina Resnik"), QStringLiteral("Glavni trg 24"), QStringLiteral("1241"),
         QStringLiteral("Kamnik"), QStringLiteral("01 831 81 00"), QString(), false, QString()});
    exec(QStringLiteral("UPDATE tblRacun SET StevilkaRacuna = 'P2009/001', Ponudba = 1 "
                        "WHERE ID = ?"),
         {quote});
    exec(QStringLiteral("UPDATE tblNastavitve SET StPonudbe = 2"));
    addLine(quote, operation(3, 2), 100, 3, {}, 750.0);
    // The totals kept with each invoice, as the editor prices them.
    if (!computeStoredTotals(*Db)) {
        std::fprintf(stderr, "%s\n", qPrintable(Db->lastError()));
        ++g_failures;
    }
    // Due dates as a save writes them, and the customers of the invoices in
    // the register, with one more the office has worked for before.
    exec(QStringLiteral("UPDATE tblRacun SET Zapade = date(Datum, "
                        "max(0, CAST(Veljavnost AS INTEGER)) || ' days')"));
    exec(QStringLiteral("INSERT INTO tblNarocnik (Ime, Naslov, PST, Posta, KontaktnaOseba, "
                        "Telefon, Email, Uporabljen) SELECT Ime, Naslov, PST, Posta, "
                        "KontaktnaOseba, Telefon, Email, Datum FROM tblRacun"));
    exec(QStringLiteral("INSERT INTO tblNarocnik (Ime, Naslov, PST, Posta, KontaktnaOseba, "
                        "Telefon, Email, Davcna, TRR, Uporabljen) VALUES (?, ?, ?, ?, ?, ?, ?, "
                        "?, ?, ?)"),
         {QStringLiteral("Občina Kamnik"), QStringLiteral("Glavni trg 24"), QStringLiteral("1241"),
          QStringLiteral("Kamnik"), QStringLiteral("Nina Resnik"), QStringLiteral("01 831 81 00"),
          QStringLiteral("obcina@kamnik.si"), QStringLiteral("SI59207310"),
          QStringLiteral("SI56 0110 0010 0010 117"), QStringLiteral("2009-06-18")});
}

template <class T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c) {
        std::fprintf(stderr, "%s has no %s\n", qPrintable(w->objectName()), name);
        ++g_failures;
    }
    return c;
}

// The PDF of the invoice open in the editor, as "Shrani PDF" draws it,
// its page rendered by pdftoppm (poppler-utils) at 60 dpi.
void shootPdf(const AppContext& ctx, Racun& editor) {
    DocumentInput in;
    PrintResult failed;
    DocumentBlocks blocks;
    QString error;
    QByteArray pdf;
    if (readDocumentInput(*ctx.db, *ctx.work, editor.currentHeader(),
                          QStringLiteral("Mojca Kranjc"), &in, &failed)) {
        invoiceBlocks(in, &blocks);
        pdf = pdfOfBlocks(blocks, &error);
    }
    const QString file = QDir(ctx.tempFolder).filePath(QStringLiteral("racun_pdf.pdf"));
    QFile out(file);
    QProcess render;
    if (!pdf.isEmpty() && out.open(QIODevice::WriteOnly) && out.write(pdf) == pdf.size()) {
        out.close();
        render.start(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-png"),
                      QStringLiteral("-singlefile"), file});
        render.waitForFinished(60000);
    }
    QImage page;
    if (!page.loadFromData(render.readAllStandardOutput(), "PNG")) {
        std::fprintf(stderr, "no picture of the PDF: %s%s\n", qPrintable(failed.error + error),
                     qPrintable(render.errorString()));
        ++g_failures;
        return;
    }
    {
        QPainter frame(&page);
        frame.setPen(QColor(128, 128, 128));
        frame.drawRect(page.rect().adjusted(0, 0, -1, -1));
    }
    const QImage image =
        page.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    const QString path = g_out + QStringLiteral("/racun_pdf.png");
    if (!image.save(path, "PNG", 0)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++g_failures;
        return;
    }
    std::printf("%-24s %4d x %-4d\n", "racun_pdf.png", image.width(), image.height());
}

void shootEditor(const AppContext& ctx, Glavna& main) {
    main.list()->moveToRow(0); // 2009/003, the highest number
    OpenMode = 1;
    Racun editor(ctx, main.list(), &main);
    editor.resize(760, 540);
    shoot(&editor, QStringLiteral("racun_osnovni"));
    child<QTabWidget>(&editor, "SSTab1")->setCurrentIndex(1);
    shoot(&editor, QStringLiteral("racun_obracun"));
    shootPdf(ctx, editor);
    // The totals of the worked example, as the editor shows them.
    for (const char* label : {"Label11", "Label7", "Label5", "Label4"})
        std::printf("  %s = %s\n", label, qPrintable(child<QLabel>(&editor, label)->text()));

    {
        Postavke picker(*ctx.db, &editor);
        auto* services = child<QComboBox>(&picker, "Combo1");
        services->setCurrentIndex(services->findData(3));
        settle(50);
        auto* list = child<QListWidget>(&picker, "List1");
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setCheckState(Qt::Checked);
        shoot(&picker, QStringLiteral("izbira_opravil"));
    }
    {
        QLineEdit date;
        Calendar calendar(&date, &editor);
        child<QCalendarWidget>(&calendar, "Calendar1")->setSelectedDate(QDate(2009, 12, 5));
        shoot(&calendar, QStringLiteral("koledar"));
    }
    {
        QLineEdit postcode;
        I_poste lookup(ctx, &postcode, &editor);
        lookup.show();
        settle();
        child<QLineEdit>(&lookup, "Text2")->setText(QStringLiteral("Kra"));
        shoot(&lookup, QStringLiteral("poste"));
    }
    editor.hide();
}

void shootCodeLists(const AppContext& ctx, Glavna& main) {
    {
        S_grupe services(ctx, &main);
        services.resize(600, 330);
        shoot(&services, QStringLiteral("storitve"));
        OpenMode = 1;
        V_grupe dialog(*ctx.db, *child<BoundGrid>(&services, "DBGrid1")->recordset(), &services);
        shoot(&dialog, QStringLiteral("storitev"));
    }
    {
        S_postavke operations(ctx, &main);
        operations.resize(700, 400);
        auto* services = child<QComboBox>(&operations, "Combo1");
        services->setCurrentIndex(services->findData(5));
        shoot(&operations, QStringLiteral("opravila"));
        auto* grid = child<BoundGrid>(&operations, "DBGrid1");
        grid->moveToRow(2);
        OpenMode = 1;
        SelectedTS1 = 5;
        V_postavke dialog(*grid->recordset(), services->currentText(), &operations);
        shoot(&dialog, QStringLiteral("opravilo"));
    }
    N_osebje staff(ctx, &main);
    shoot(&staff, QStringLiteral("osebje"));
    N_narocniki customers(ctx, &main);
    customers.resize(720, 460);
    shoot(&customers, QStringLiteral("narocniki"));
}

// Every page of the manual as the help window shows it, for reading the
// manual over before it ships; not part of the manual itself.
void shootManual(Glavna& main, const QString& folder) {
    Navodila* manual = Navodila::showManual(&main);
    if (!manual) {
        ++g_failures;
        return;
    }
    manual->resize(1020, 720);
    const QString pictures = g_out;
    g_out = folder;
    QDir().mkpath(folder);
    for (const QUrl& page : Navodila::contentsPages()) {
        manual->browser()->setSource(page);
        shoot(manual, page.fileName().chopped(5));
    }
    g_out = pictures;
}

void shootSettings(const AppContext& ctx, Glavna& main) {
    N_data office(ctx, &main);
    shoot(&office, QStringLiteral("nasi_podatki"));
    N_racun invoices(ctx, &main);
    shoot(&invoices, QStringLiteral("racuni"));
    N_word word(ctx, &main);
    shoot(&word, QStringLiteral("urejevalnik"));
    Brisanje purge(ctx, &main);
    child<QLineEdit>(&purge, "Text1")->setText(QStringLiteral("1.1.2009"));
    shoot(&purge, QStringLiteral("brisanje"));
    Pregled overview(ctx, &main);
    overview.resize(980, 430);
    shoot(&overview, QStringLiteral("pregled"));
}

} // namespace

int main(int argc, char* argv[]) {
    // The home of the sample office's user, with a Slovenian documents
    // folder: the folders the windows propose are then the same on every
    // machine the pictures are made on.
    QTemporaryDir config;
    QFile dirs(config.filePath(QStringLiteral("user-dirs.dirs")));
    if (dirs.open(QIODevice::WriteOnly))
        dirs.write("XDG_DOCUMENTS_DIR=\"$HOME/Dokumenti\"\n");
    dirs.close();
    qputenv("HOME", "/home/ana");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("valmir"));
    app.setWindowIcon(appIcon());
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: valmir_screenshots OUTPUT_FOLDER [MANUAL_PAGES_FOLDER]\n");
        return 2;
    }
    g_out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(g_out);

    QTemporaryDir root;
    const StartupResult started =
        startUp({root.path() + QStringLiteral("/data"), root.path() + QStringLiteral("/tmp")});
    if (!started.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(started.message));
        return 1;
    }
    setTodayForTest(QDate(2009, 12, 5));
    fillSampleOffice();
    {
        Glavna main(appContext());
        main.resize(760, 320);
        shoot(&main, QStringLiteral("glavno_okno"));
        // The search without the marks of the letters, then all again.
        auto* search = child<QLineEdit>(&main, "Text1");
        search->setText(QStringLiteral("potocnik"));
        settle(SearchBar::Pause + 150);
        shoot(&main, QStringLiteral("glavno_iskanje"));
        search->clear();
        settle(SearchBar::Pause + 150);
        // The invoices not paid by their due date.
        if (auto* overdue = child<QCheckBox>(&main, "Check2")) {
            overdue->setChecked(true);
            settle(SearchBar::Pause + 150);
            shoot(&main, QStringLiteral("glavno_zapadli"));
            overdue->setChecked(false);
            settle(SearchBar::Pause + 150);
        }
        // The quotes instead of the invoices, and one of them opened.
        if (auto* quotes = child<QCheckBox>(&main, "Check3")) {
            quotes->setChecked(true);
            settle(SearchBar::Pause + 150);
            shoot(&main, QStringLiteral("ponudbe"));
            main.list()->moveToRow(0);
            OpenMode = 1;
            {
                Racun editor(main.context(), main.list(), &main);
                editor.resize(760, 540);
                child<QTabWidget>(&editor, "SSTab1")->setCurrentIndex(1);
                shoot(&editor, QStringLiteral("ponudba"));
            }
            quotes->setChecked(false);
            settle(SearchBar::Pause + 150);
        }
        const AppContext ctx = main.context();
        {
            Nov_racun question(QStringLiteral("Marko Kovač"), &main);
            shoot(&question, QStringLiteral("nov_racun"));
        }
        shootEditor(ctx, main);
        shootCodeLists(ctx, main);
        shootSettings(ctx, main);
        if (argc == 3)
            shootManual(main, QDir(QString::fromLocal8Bit(argv[2])).absolutePath());
    }
    shutDown();
    return g_failures == 0 ? 0 : 1;
}
