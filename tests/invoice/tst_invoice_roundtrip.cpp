// The road of one invoice through the windows: the question, a new invoice,
// operations from the real picker, quantities typed into the grid,
// pricing, saving into the main list, and opening it again.

#include "tst_racun_support.h"

#include "app/Module1.h"
#include "app/Clock.h"
#include "text/TextForms.h"
#include "invoice/Nov_racun.h"

#include <QListWidget>

using namespace valmir;
using namespace valmir::test;

namespace {

struct Snapshot {
    QStringList cells;
    QStringList totals;
};

Snapshot snapshot(Racun& editor) {
    Snapshot s;
    for (int row = 0; row < lineCount(&editor); ++row)
        for (int column = 0; column < 6; ++column)
            s.cells << cell(&editor, row, column);
    for (const char* name : {"Label11", "Label7", "Label5", "Label4"})
        s.totals << caption(&editor, name);
    return s;
}

// Ticks two operations of service 1 and one of service 2, then confirms.
void pickThree(QWidget* picker) {
    auto* services = picker->findChild<QComboBox*>("Combo1");
    auto* list = picker->findChild<QListWidget*>("List1");
    services->setCurrentIndex(0);
    list->item(2)->setCheckState(Qt::Checked); // 1.3
    list->item(5)->setCheckState(Qt::Checked); // 1.6, a report item
    services->setCurrentIndex(1);
    list->item(4)->setCheckState(Qt::Checked); // 2.5, a report item
    picker->findChild<QPushButton*>("Command1")->click();
}

} // namespace

class TestInvoiceRoundtrip : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newInvoiceSavedAndOpenedAgain() {
        Fixture fixture;
        QVERIFY(fixture.start());
        setTodayForTest(QDate(2030, 6, 1));
        Db->execute("UPDATE tblNastavitve SET StRacuna = 41");
        addInvoice(*Db, {{"StevilkaRacuna", "2029/100"}, {"Ime", "Star kupec"}});
        auto list = invoiceList();

        // The question over a list with a customer: a new customer.
        {
            Nov_racun question(list->recordset()->field("Ime").toString());
            QTimer::singleShot(0, &question,
                               [&] { question.findChild<QPushButton*>("Command1")->click(); });
            question.exec();
        }
        QCOMPARE(OpenMode, 0);

        Racun editor(appContext(), list.get());
        QVERIFY(showAndSettle(editor));
        QCOMPARE(text(&editor, "Text1_0"), QString("2030/041"));
        box(&editor, "Text1_1")->setText("Novi naročnik");
        box(&editor, "Text1_11")->setText("Ureditev meje in parcelacija");
        child<QComboBox>(&editor, "Combo1")->setCurrentIndex(0);
        box(&editor, "Text2")->setText("0.8");

        ModalWatcher watcher;
        watcher.dialogs["Postavke"] = pickThree;
        click(&editor, "Command3");
        QCOMPARE(lineCount(&editor), 3);
        QVERIFY(typeCell(&editor, 0, 3, "2")); // 1.3
        QVERIFY(typeCell(&editor, 0, 4, "25"));
        QVERIFY(typeCell(&editor, 1, 3, "1"));   // 1.6
        QVERIFY(typeCell(&editor, 2, 3, "1,5")); // 2.5
        child<QCheckBox>(&editor, "Check1")->click();
        child<QCheckBox>(&editor, "Check2")->click();
        click(&editor, "Command5");
        // 250 x 2 x 0,8 x 1,25 = 500; 180 x 0,8 x 0,7 = 100,80;
        // 160 x 1,5 x 0,8 x 0,7 = 134,40; lump sum 10 % of 735,20 = 73,52
        QCOMPARE(cell(&editor, 0, 5), money("500,00").trimmed());
        QCOMPARE(cell(&editor, 1, 5), money("100,80").trimmed());
        QCOMPARE(cell(&editor, 2, 5), money("134,40").trimmed());
        QCOMPARE(cell(&editor, 3, 5), money("73,52").trimmed());
        QCOMPARE(caption(&editor, "Label11"), QString("920  "));
        QCOMPARE(caption(&editor, "Label7"), money("808,72"));
        QCOMPARE(caption(&editor, "Label5"), money("161,74"));
        QCOMPARE(caption(&editor, "Label4"), money("970,46"));
        const Snapshot before = snapshot(editor);
        QVERIFY(watcher.seen.isEmpty());

        click(&editor, "Command1");
        QVERIFY(watcher.seen.isEmpty()); // two services, two report lines, 70 % ticked
        QVERIFY(!editor.isVisible());
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        QCOMPARE(Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(), 42.0);
        // The main list shows and selects the saved invoice.
        QCOMPARE(list->listModel()->rowCount(), 2);
        QCOMPARE(list->recordset()->field("StevilkaRacuna").toString(), QString("2030/041"));
        QCOMPARE(list->currentIndex().row(), list->recordset()->position());
        QCOMPARE(list->listModel()->displayText(list->currentIndex().row(), 1),
                 QString("Novi naročnik"));

        // Opened again: the same header, lines and totals.
        OpenMode = 1;
        Racun again(appContext(), list.get());
        QVERIFY(showAndSettle(again));
        QCOMPARE(text(&again, "Text1_0"), QString("2030/041"));
        QCOMPARE(text(&again, "Text1_8"), QString("1.6.2030"));
        QCOMPARE(text(&again, "Text1_11"), QString("Ureditev meje in parcelacija"));
        QCOMPARE(text(&again, "Text2"), QString("0,8"));
        QCOMPARE(child<QComboBox>(&again, "Combo1")->currentText(), QString("Janez Novak"));
        QVERIFY(child<QCheckBox>(&again, "Check1")->isChecked());
        QVERIFY(child<QCheckBox>(&again, "Check2")->isChecked());
        const Snapshot after = snapshot(again);
        QCOMPARE(after.cells, before.cells);
        QCOMPARE(after.totals, before.totals);
        QVERIFY(!again.isModified());

        // Saved again unchanged: still one invoice of that number, counter kept.
        click(&again, "Command1");
        QVERIFY(!again.isVisible());
        QCOMPARE(
            Db->scalar("SELECT count(*) FROM tblRacun WHERE StevilkaRacuna='2030/041'").toInt(), 1);
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacunTarife").toInt(), 4);
        QCOMPARE(Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(), 42.0);
        setTodayForTest(QDate());
    }
};

QTEST_MAIN(TestInvoiceRoundtrip)
#include "tst_invoice_roundtrip.moc"
