#pragma once

// Shared by the invoice tests: a main list to open the editor over, the
// editor's controls, the real picker, and what the tables hold.

#include "TestSupport.h"
#include "data/BoundGrid.h"
#include "data/Recordset.h"
#include "invoice/Racun.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

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

template <typename T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qWarning("no control %s", name);
    return c;
}

inline QLineEdit* box(QWidget* w, const char* name) { return child<QLineEdit>(w, name); }
inline QString text(QWidget* w, const char* name) { return box(w, name)->text(); }
inline void click(QWidget* w, const char* name) { child<QAbstractButton>(w, name)->click(); }
// A label's text without the blanks the totals keep after them.
inline QString caption(QWidget* w, const char* name) {
    return child<QLabel>(w, name)->text().trimmed();
}
inline QCheckBox* option(QWidget* w, const char* name) { return child<QCheckBox>(w, name); }

inline BoundGrid* grid(QWidget* editor) { return child<BoundGrid>(editor, "DBGrid1"); }
inline int lineCount(QWidget* editor) { return grid(editor)->listModel()->rowCount(); }
inline QString cell(QWidget* editor, int row, int column) {
    auto* m = grid(editor)->listModel();
    return m->data(m->index(row, column), Qt::DisplayRole).toString();
}
inline bool typeCell(QWidget* editor, int row, int column, const QString& value) {
    auto* m = grid(editor)->listModel();
    return m->setData(m->index(row, column), value, Qt::EditRole);
}

// The main list, the editor opened over it as OpenMode says (over the
// invoice with this number if given) and a watcher answering its questions.
// Kept as a local of a test, it closes before the fixture does.
struct Session {
    std::unique_ptr<BoundGrid> list = invoiceList();
    ModalWatcher watcher;
    std::unique_ptr<Racun> editor;
    Racun* e = nullptr; // the editor once shown and through its first recalculation

    explicit Session(int mode = 0, const QString& number = QString()) {
        if (!number.isEmpty() && !selectInvoice(*list, number))
            return;
        OpenMode = mode;
        editor = std::make_unique<Racun>(appContext(), list.get());
        editor->show();
        if (QTest::qWaitFor([this] {
                return !editor->findChild<QTimer*>("Timer1")->isActive() &&
                       !caption(editor.get(), "Label4").isEmpty();
            }))
            e = editor.get();
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

inline int tableCount(const char* table) {
    return Db->scalar(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).toInt();
}
inline double counter() { return Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(); }

// The rows a query gives, their fields joined by "|".
inline QStringList queryRows(const QString& sql, const QVariantList& params = {}) {
    QStringList out;
    auto rs = Db->openRecordset(sql, RecordsetKind::Snapshot, params);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        QStringList fields;
        for (const QString& f : rs->fieldNames())
            fields << rs->field(f).toString();
        out << fields.join(u'|');
    }
    return out;
}

// The working table's lines in the grid's order, as the editor reads them.
inline std::unique_ptr<Recordset> openLines() {
    auto rs = WorkDb->openRecordset("tblTarifePregled", RecordsetKind::Table);
    rs->setIndex("Red");
    return rs;
}

// "1.234,50 €" as a cell shows it, with the no-break space the program writes.
inline QString money(const char* digits) { return QString::fromUtf8(digits) + QChar(0xA0) + u'€'; }

} // namespace valmir::test
