#pragma once

// Shared by the tests of the editor and its rules: a main list to open the editor over, the
// real picker, and the working table.

#include "TestSupport.h"
#include "windows/Racun.h"

#include <QListWidget>

namespace valmir::test {

// A main list over the invoices in the main window's order.
inline std::unique_ptr<BoundGrid> invoiceList() {
    auto grid = std::make_unique<BoundGrid>();
    grid->listModel()->setDatabase(Db.get());
    grid->listModel()->setRecordSource("SELECT * FROM tblRacun ORDER BY StevilkaRacuna DESC");
    grid->listModel()->setColumns({{"Številka računa", "StevilkaRacuna", QString()}});
    grid->refresh();
    return grid;
}

inline bool selectInvoice(BoundGrid& list, const QString& number) {
    Recordset* rs = list.recordset();
    for (int i = 0; i < rs->recordCount(); ++i)
        if (rs->value(i, QStringLiteral("StevilkaRacuna")).toString() == number) {
            list.moveToRow(i);
            return true;
        }
    return false;
}

// The main list, the editor opened over it as OpenMode says (over the
// invoice with this number if given; on a new quote if asked) and a watcher
// answering its questions. Kept as a local of a test, it closes before the
// fixture does.
struct Session {
    std::unique_ptr<BoundGrid> list = invoiceList();
    ModalWatcher watcher;
    std::unique_ptr<Racun> editor;
    Racun* e = nullptr; // the editor once shown and through its first recalculation

    explicit Session(int mode = 0, const QString& number = QString(), bool quote = false) {
        if (!number.isEmpty() && !selectInvoice(*list, number))
            return;
        OpenMode = mode;
        editor = quote ? std::make_unique<Racun>(appContext(), list.get(), Racun::NewQuote{})
                       : std::make_unique<Racun>(appContext(), list.get());
        editor->show();
        if (QTest::qWaitFor([this] {
                return !editor->findChild<QTimer*>("Timer1")->isActive() &&
                       !caption(editor.get(), "Label4").isEmpty();
            }))
            e = editor.get();
        else
            qWarning("the editor did not come up: %s", qPrintable(watcher.seen.join(u'/')));
    }

    // Adds operations (service, TS2) through the real picker.
    void add(const QList<std::pair<int, int>>& operations) {
        watcher.dialogs[QStringLiteral("Postavke")] = [operations](QWidget* picker) {
            auto* services = picker->findChild<QComboBox*>(QStringLiteral("Combo1"));
            auto* list = picker->findChild<QListWidget*>(QStringLiteral("List1"));
            for (auto [ts1, ts2] : operations) {
                services->setCurrentIndex(services->findData(double(ts1)));
                list->item(ts2 - 1)->setCheckState(Qt::Checked);
            }
            picker->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        };
        click(e, "Command3");
    }
};

inline double counter() { return Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(); }

// The working table's lines in the grid's order, as the editor reads them.
inline std::unique_ptr<Recordset> openLines() {
    auto rs = WorkDb->openRecordset("tblTarifePregled", RecordsetKind::Table);
    rs->setIndex("Red");
    return rs;
}

} // namespace valmir::test
