// The editor's lines: adding through the picker, deleting, the lump-sum
// and 70 % options, "Vsem" and the caps, and a long invoice.

#include "tst_racun_support.h"

#include "app/Module1.h"
#include "text/TextForms.h"

#include <QListWidget>

using namespace valmir;
using namespace valmir::test;

namespace {

// In the picker: ticks the operations (service, TS2) and confirms.
void pick(QWidget* picker, const QList<std::pair<int, int>>& operations) {
    auto* services = picker->findChild<QComboBox*>("Combo1");
    auto* list = picker->findChild<QListWidget*>("List1");
    for (auto [ts1, ts2] : operations) {
        for (int i = 0; i < services->count(); ++i)
            if (services->itemData(i).toDouble() == ts1)
                services->setCurrentIndex(i);
        list->item(ts2 - 1)->setCheckState(Qt::Checked);
    }
    picker->findChild<QPushButton*>("Command1")->click();
}

} // namespace

class TestRacunLines : public FixtureTest {
    Q_OBJECT

    std::unique_ptr<BoundGrid> m_list;

    std::unique_ptr<Racun> openNew() {
        OpenMode = 0;
        auto editor = std::make_unique<Racun>(appContext(), m_list.get());
        return showAndSettle(*editor) ? std::move(editor) : nullptr;
    }

    std::unique_ptr<Racun> openStored(qint64 id) {
        m_list = invoiceList();
        Recordset* rs = m_list->recordset();
        for (int i = 0; i < rs->recordCount(); ++i)
            if (rs->value(i, "ID").toLongLong() == id)
                m_list->moveToRow(i);
        OpenMode = 1;
        auto editor = std::make_unique<Racun>(appContext(), m_list.get());
        return showAndSettle(*editor) ? std::move(editor) : nullptr;
    }

    // Adds operations through the real picker.
    void addOperations(Racun& editor, const QList<std::pair<int, int>>& operations,
                       ModalWatcher& watcher) {
        watcher.dialogs["Postavke"] = [operations](QWidget* w) { pick(w, operations); };
        click(&editor, "Command3");
    }

    void deleteRow(Racun& editor, int row, ModalWatcher& watcher) {
        grid(&editor)->moveToRow(row);
        watcher.answers << QMessageBox::Yes;
        click(&editor, "Command4");
    }

    void prepare() override { m_list = invoiceList(); }

private Q_SLOTS:
    void cleanup() {
        m_list.reset();
        FixtureTest::cleanup();
    }

    void addTypeAndPrice() {
        auto editor = openNew();
        QVERIFY(editor);
        ModalWatcher watcher;
        addOperations(*editor, {{1, 3}, {1, 6}, {91, 2}}, watcher);
        QCOMPARE(lineCount(editor.get()), 3);
        QVERIFY(editor->isModified());
        // An expense line excludes the lump-sum option.
        QVERIFY(!child<QCheckBox>(editor.get(), "Check2")->isEnabled());
        QCOMPARE(cell(editor.get(), 0, 0), QString("1.3"));
        QCOMPARE(cell(editor.get(), 2, 0), QString("S.2"));
        // Adding does not price.
        QCOMPARE(cell(editor.get(), 0, 5), QString());

        QVERIFY(typeCell(editor.get(), 0, 3, "2"));
        QVERIFY(typeCell(editor.get(), 0, 4, "20"));
        QVERIFY(typeCell(editor.get(), 1, 3, "1"));
        QVERIFY(!typeCell(editor.get(), 1, 5, "99")); // a service line's amount is computed
        QVERIFY(!typeCell(editor.get(), 2, 3, "5"));  // an expense line has no quantity
        QVERIFY(typeCell(editor.get(), 2, 5, "30.40"));
        click(editor.get(), "Command5");
        // 250 x 2 x 0,75 x 1,2 = 450; 180 x 0,75 = 135; + 30,40 typed
        QCOMPARE(cell(editor.get(), 0, 5), money("450,00").trimmed());
        QCOMPARE(cell(editor.get(), 1, 5), money("135,00").trimmed());
        QCOMPARE(caption(editor.get(), "Label11"), QString("680  "));
        QCOMPARE(caption(editor.get(), "Label7"), money("615,40"));
        QCOMPARE(caption(editor.get(), "Label5"), money("123,08"));
        QCOMPARE(caption(editor.get(), "Label4"), money("738,48"));
        QVERIFY(watcher.seen.isEmpty());

        // Picking one of them again keeps what was typed.
        addOperations(*editor, {{1, 3}}, watcher);
        QCOMPARE(lineCount(editor.get()), 3);
        QCOMPARE(cell(editor.get(), 0, 3), QString("2"));

        // "Vsem" gives the first line's surcharge to every service line.
        click(editor.get(), "Command6");
        QCOMPARE(cell(editor.get(), 1, 4), QString("20"));
        QCOMPARE(cell(editor.get(), 1, 5), money("162,00").trimmed());
        QCOMPARE(cell(editor.get(), 2, 4), QString());
    }

    void lumpSumOptionAndExpensesExcludeEachOther() {
        auto editor = openNew();
        QVERIFY(editor);
        ModalWatcher watcher;
        addOperations(*editor, {{3, 1}}, watcher);
        QVERIFY(typeCell(editor.get(), 0, 3, "1"));
        box(editor.get(), "Text3")->setText("15");
        auto* lumpSum = child<QCheckBox>(editor.get(), "Check2");
        lumpSum->click();
        QCOMPARE(watcher.seen, QStringList{"Požrešneš|Proccent pavšalnega obračuna stroškov sem "
                                           "zmanjšal na dovoljenih 10%"});
        QCOMPARE(text(editor.get(), "Text3"), QString("10"));
        QVERIFY(!box(editor.get(), "Text3")->isEnabled());
        QCOMPARE(lineCount(editor.get()), 2);
        QCOMPARE(cell(editor.get(), 1, 1),
                 QString("Ostali stroški v pavšalni vrednosti 10 % geodetske storitve"));
        // 150 x 0,75 = 112,50; 10 % of it 11,25
        QCOMPARE(cell(editor.get(), 1, 5), money("11,25").trimmed());
        QCOMPARE(caption(editor.get(), "Label7"), money("123,75"));

        // Expenses of service 91 are refused while the lump sum is on; what
        // was picked before them stays.
        watcher.seen.clear();
        addOperations(*editor, {{3, 2}, {91, 1}, {95, 1}}, watcher);
        QCOMPARE(watcher.seen, QStringList{"Lakomnež|Stroški so že obračunani pavšalno!"});
        QCOMPARE(lineCount(editor.get()), 3);
        QCOMPARE(cell(editor.get(), 1, 0), QString("3.2"));

        // Unticking removes the line and frees the percentage.
        lumpSum->click();
        QCOMPARE(lineCount(editor.get()), 2);
        QVERIFY(box(editor.get(), "Text3")->isEnabled());
        QCOMPARE(caption(editor.get(), "Label7"), money("112,50"));
    }

    void deletingLines() {
        auto editor = openNew();
        QVERIFY(editor);
        ModalWatcher watcher;
        addOperations(*editor, {{1, 1}, {1, 2}, {1, 3}, {91, 1}}, watcher);
        for (int row = 0; row < 3; ++row)
            QVERIFY(typeCell(editor.get(), row, 3, "1"));
        QVERIFY(typeCell(editor.get(), 3, 5, "20"));
        QVERIFY(!child<QCheckBox>(editor.get(), "Check2")->isEnabled());

        // No: nothing happens.
        grid(editor.get())->moveToRow(1);
        watcher.answers << QMessageBox::No;
        click(editor.get(), "Command4");
        QCOMPARE(lineCount(editor.get()), 4);

        // A middle line: the grid stays on the line after it.
        deleteRow(*editor, 1, watcher);
        QCOMPARE(lineCount(editor.get()), 3);
        QCOMPARE(grid(editor.get())->currentRow(), 1);
        QCOMPARE(cell(editor.get(), 1, 0), QString("1.3"));
        QCOMPARE(caption(editor.get(), "Label7"), money("237,50")); // (40 + 250) x 0,75 + 20

        // The last line (the only expense): the grid goes to the new last
        // line and the lump-sum option is free again.
        deleteRow(*editor, 2, watcher);
        QCOMPARE(lineCount(editor.get()), 2);
        QCOMPARE(grid(editor.get())->currentRow(), 1);
        QVERIFY(child<QCheckBox>(editor.get(), "Check2")->isEnabled());

        deleteRow(*editor, 0, watcher);
        deleteRow(*editor, 0, watcher);
        QCOMPARE(lineCount(editor.get()), 0);
        QCOMPARE(caption(editor.get(), "Label11"), QString("0  "));
        QCOMPARE(caption(editor.get(), "Label4"), money("0,00"));
        QCOMPARE(watcher.seen.size(), 5);
        for (const QString& s : watcher.seen)
            QCOMPARE(s, QString("Vprašanje|Bi res rad izbrisal izbrano opravilo?"));
        // With nothing left the button asks nothing.
        click(editor.get(), "Command4");
        QCOMPARE(watcher.seen.size(), 5);
    }

    void deletingTheLumpSumLineUnticksTheOption() {
        qint64 id = addInvoice(
            *Db, {{"StevilkaRacuna", "P/1"}, {"VrednostTocke", 1.0}, {"ProcentPavsala", 8.0}});
        addLine(*Db, id, operationId(*Db, 5, 1), 120.0, 1.0, QVariant(), 120.0);
        addLine(*Db, id, -1, QVariant(), QVariant(), QVariant(), 9.6);
        auto editor = openStored(id);
        QVERIFY(editor);
        QCOMPARE(caption(editor.get(), "Label7"), money("129,60"));
        QVERIFY(!editor->isModified());
        ModalWatcher watcher;
        deleteRow(*editor, 1, watcher);
        QCOMPARE(watcher.seen, QStringList{"Vprašanje|Bi res rad izbrisal izbrano opravilo?"});
        QCOMPARE(lineCount(editor.get()), 1);
        QVERIFY(!child<QCheckBox>(editor.get(), "Check2")->isChecked());
        QVERIFY(box(editor.get(), "Text3")->isEnabled());
        QCOMPARE(caption(editor.get(), "Label7"), money("120,00"));
        QVERIFY(!editor->isModified());
    }

    void surchargeCapAndUnifiedReport() {
        auto editor = openNew();
        QVERIFY(editor);
        ModalWatcher watcher;
        addOperations(*editor, {{2, 1}, {2, 5}}, watcher);
        QVERIFY(typeCell(editor.get(), 0, 3, "1"));
        QVERIFY(typeCell(editor.get(), 0, 4, "50"));
        QVERIFY(typeCell(editor.get(), 1, 3, "1"));
        box(editor.get(), "Text2")->setText("1");
        click(editor.get(), "Command5");
        QVERIFY(watcher.seen.isEmpty()); // exactly 50 is allowed
        QVERIFY(typeCell(editor.get(), 0, 4, "50,5"));
        QVERIFY(typeCell(editor.get(), 1, 4, "80"));
        click(editor.get(), "Command5");
        QCOMPARE(watcher.seen, QStringList{"Previsoki poviški|Povišek je omejen na 50 %! Previsoke "
                                           "poviške sem zato zmanjšal na 50."});
        QCOMPARE(cell(editor.get(), 0, 4), QString("50"));
        QCOMPARE(caption(editor.get(), "Label7"), money("300,00")); // (40 + 160) x 1,5

        // The 70 % option reduces the report line only.
        child<QCheckBox>(editor.get(), "Check1")->click();
        QCOMPARE(caption(editor.get(), "Label7"), money("228,00")); // 60 + 240 x 0,7
        QVERIFY(editor->isModified());
    }

    void longInvoiceOpensAndPrices() {
        qint64 id = addInvoice(
            *Db, {{"StevilkaRacuna", "L/300"}, {"VrednostTocke", 1.0}, {"ProcentPavsala", 10.0}});
        {
            Transaction t(*Db);
            for (int i = 0; i < 300; ++i)
                addLine(*Db, id, 100000 + i, 10.0, 1.0 + (i % 3), QVariant(), QVariant());
            QVERIFY(t.commit());
        }
        auto editor = openStored(id);
        QVERIFY(editor);
        QCOMPARE(lineCount(editor.get()), 300);
        QCOMPARE(cell(editor.get(), 0, 0), QString("??"));
        // 100 lines each of quantity 1, 2 and 3, ten points apiece
        QCOMPARE(caption(editor.get(), "Label11"), QString("6000  "));
        QCOMPARE(caption(editor.get(), "Label7"), money("6.000,00"));
        QCOMPARE(caption(editor.get(), "Label4"), money("7.200,00"));
    }
};

QTEST_MAIN(TestRacunLines)
#include "tst_racun_lines.moc"
