// Draws the two pictures of the README and the AppStream metadata, the
// main window with a few invoices and the editor on one of them, from a
// data folder of its own. Usage: valmir_screenshots OUTPUT_FOLDER
#include "app/AppIcon.h"
#include "app/Glavna.h"
#include "app/Globals.h"
#include "app/QtTranslation.h"
#include "app/Startup.h"
#include "data/BoundGrid.h"
#include "invoice/Racun.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

using namespace valmir;

namespace {

struct Sample {
    const char* number;
    QDate date;
    bool paid;
    const char* site;
    const char* matter;
    const char* client;
    const char* address;
    const char* postCode;
    const char* post;
};

bool fill(Database& db) {
    const Sample samples[] = {
        {"2026/001",
         {2026, 1, 12},
         true,
         "Kozjane, parc. 233/4",
         "Ureditev meje",
         "Ana Kovač",
         "Cesta na Brdo 12",
         "1000",
         "Ljubljana"},
        {"2026/002",
         {2026, 2, 3},
         true,
         "Vrhnika, parc. 1102",
         "Parcelacija",
         "Gradnje Zupan d.o.o.",
         "Tržaška cesta 5",
         "1360",
         "Vrhnika"},
        {"2026/003",
         {2026, 3, 18},
         false,
         "Bled, parc. 56/1",
         "Zakoličba objekta",
         "Marko Čuk",
         "Prešernova 8",
         "4260",
         "Bled"},
        {"2026/004",
         {2026, 4, 2},
         false,
         "Šentjur, parc. 812/2",
         "Evidentiranje stavbe",
         "Mojca Žagar",
         "Ulica skladateljev Ipavcev 3",
         "3230",
         "Šentjur"},
    };
    for (const Sample& s : samples)
        if (!db.execute(QStringLiteral("INSERT INTO tblRacun (StevilkaRacuna, Datum, Placan, "
                                       "Delovisce, Zadeva, Ime, Naslov, PST, Posta, "
                                       "Sestavljavec, VrednostTocke, ProcentPavsala, Veljavnost) "
                                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 1, 1.0, 8, 30)"),
                        {QString::fromUtf8(s.number), s.date, s.paid, QString::fromUtf8(s.site),
                         QString::fromUtf8(s.matter), QString::fromUtf8(s.client),
                         QString::fromUtf8(s.address), QString::fromUtf8(s.postCode),
                         QString::fromUtf8(s.post)}))
            return false;
    // Four operations of the sample tariff on the newest invoice.
    return db.execute(QStringLiteral(
        "INSERT INTO tblRacunTarife (ID_racun, ID_tarifa, Tocke, Kolicina, Povisek, znesek) "
        "SELECT (SELECT max(ID) FROM tblRacun), ID, Tocke, 1, 0, Tocke FROM tblTarife "
        "WHERE ID IN (SELECT ID FROM tblTarife ORDER BY TS1, TS2 LIMIT 4)"));
}

bool save(QWidget& window, const QString& path) {
    QApplication::processEvents();
    if (window.grab().save(path))
        return true;
    std::fprintf(stderr, "%s cannot be written\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: valmir_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    installQtTranslation(app);
    app.setWindowIcon(appIcon());
    QTemporaryDir data, temp;
    const StartupResult started = startUp({data.path(), temp.path()});
    if (!started.ok || !fill(*Db)) {
        std::fprintf(stderr, "%s\n", qPrintable(started.ok ? Db->lastError() : started.message));
        return 1;
    }
    bool ok;
    {
        Glavna main(appContext());
        main.resize(1000, 420);
        main.show();
        ok = save(main, out.filePath(QStringLiteral("glavna.png")));
        main.list()->moveToRow(0); // the newest invoice, with its lines
        OpenMode = 1;
        Racun editor(appContext(), main.list(), &main);
        editor.show();
        if (auto* tabs = editor.findChild<QTabWidget*>())
            tabs->setCurrentIndex(1); // the operations of the invoice and their prices
        for (auto* button : editor.findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("Preračun"))
                button->click(); // the totals under the lines
        ok = save(editor, out.filePath(QStringLiteral("racun.png"))) && ok;
    }
    shutDown();
    return ok ? 0 : 1;
}
