// The invoice editor as it opens, its header and its small behaviours.

#include "tst_racun_support.h"

#include "app/Module1.h"
#include "app/Clock.h"
#include "text/TextForms.h"

#include <QTabWidget>

using namespace valmir;
using namespace valmir::test;

class TestRacun : public FixtureTest {
    Q_OBJECT

    qint64 staffId(const QString& name) {
        return Db->scalar("SELECT ID FROM tblSestavljavci WHERE Ime=?", {name}).toLongLong();
    }

    // An invoice with a customer, two report lines of two services and the
    // lump-sum line, priced at 2,5 per point with the 70 % option.
    qint64 storedInvoice() {
        Db->execute("INSERT INTO tblSestavljavci (Ime) VALUES ('Ana Kos')");
        qint64 id = addInvoice(*Db, {{"StevilkaRacuna", "2009/042"},
                                     {"Ime", "Geo d.o.o."},
                                     {"Naslov", "Cesta 1"},
                                     {"PST", "1000"},
                                     {"Posta", "Ljubljana - center"},
                                     {"Telefon", "01 111"},
                                     {"KontaktnaOseba", "Miha"},
                                     {"Opombe", "prva\ndruga"},
                                     {"Datum", QDate(2009, 12, 5)},
                                     {"Faks", "01 222"},
                                     {"Email", "geo@x.si"},
                                     {"Delovisce", "Meja"},
                                     {"Zadeva", "Z-7"},
                                     {"Davcna", "SI123"},
                                     {"Veljavnost", 45.0},
                                     {"TRR", "SI56"},
                                     {"Sestavljavec", staffId("Ana Kos")},
                                     {"EnotenElaborat", true},
                                     {"Placan", true},
                                     {"ProcentPavsala", 10.0},
                                     {"VrednostTocke", 2.5}});
        addLine(*Db, id, operationId(*Db, 1, 6), 180.0, 1.0, QVariant(), 315.0);
        addLine(*Db, id, operationId(*Db, 2, 5), 160.0, 1.0, QVariant(), 280.0);
        addLine(*Db, id, -1, QVariant(), QVariant(), QVariant(), 59.5);
        return id;
    }

    void prepare() override { setTodayForTest(QDate(2031, 3, 4)); }

private Q_SLOTS:
    void newInvoiceProposesNumberDateAndSettings() {
        Db->execute("UPDATE tblNastavitve SET StRacuna = 7");
        auto list = invoiceList();
        for (int round = 0; round < 2; ++round) {
            OpenMode = 0;
            Racun editor(appContext(), list.get());
            QVERIFY(editor.isLoaded());
            QVERIFY(showAndSettle(editor));
            QCOMPARE(editor.windowTitle(), QString("Račun"));
            QCOMPARE(text(&editor, "Text1_0"), QString("2031/007"));
            QCOMPARE(text(&editor, "Text1_8"), QString("4.3.2031"));
            QCOMPARE(text(&editor, "Text2"), QString("0,75"));
            QCOMPARE(text(&editor, "Text1_15"), QString("30"));
            QCOMPARE(text(&editor, "Text3"), QString("10"));
            QCOMPARE(text(&editor, "Text1_1"), QString());
            QCOMPARE(child<QComboBox>(&editor, "Combo1")->currentIndex(), -1);
            QCOMPARE(child<QComboBox>(&editor, "Combo1")->count(), 1);
            QCOMPARE(lineCount(&editor), 0);
            QCOMPARE(caption(&editor, "Label11"), QString("0  "));
            QCOMPARE(caption(&editor, "Label4"), money("0,00"));
            QVERIFY(!editor.isModified());
            QCOMPARE(editor.originalNumber(), QString());
            // Closing an untouched new invoice asks nothing and writes nothing.
            ModalWatcher watcher;
            editor.reject();
            QVERIFY(!editor.isVisible());
            QVERIFY(watcher.seen.isEmpty());
        }
        QCOMPARE(Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(), 7.0);
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacun").toInt(), 0);
    }

    void newInvoiceForSameCustomerCopiesOnlyTheCustomer() {
        storedInvoice();
        auto list = invoiceList();
        QVERIFY(selectInvoice(*list, "2009/042"));
        OpenMode = 2;
        Racun editor(appContext(), list.get());
        QVERIFY(showAndSettle(editor));
        QCOMPARE(editor.mode(), 2);
        QCOMPARE(text(&editor, "Text1_0"), QString("2031/001"));
        QCOMPARE(text(&editor, "Text1_1"), QString("Geo d.o.o."));
        QCOMPARE(text(&editor, "Text1_3"), QString("1000"));
        QCOMPARE(text(&editor, "Text1_4"), QString("Ljubljana - center"));
        QCOMPARE(text(&editor, "Text1_14"), QString("SI56"));
        QCOMPARE(editor.headerText(7), QString("prva\ndruga"));
        QCOMPARE(text(&editor, "Text1_8"), QString("4.3.2031"));
        QCOMPARE(text(&editor, "Text1_11"), QString());
        QCOMPARE(text(&editor, "Text1_12"), QString());
        QCOMPARE(text(&editor, "Text2"), QString("0,75"));
        QCOMPARE(text(&editor, "Text1_15"), QString("30"));
        QCOMPARE(text(&editor, "Text3"), QString("10"));
        QCOMPARE(child<QComboBox>(&editor, "Combo1")->currentIndex(), -1);
        QVERIFY(!child<QCheckBox>(&editor, "Check1")->isChecked());
        QVERIFY(!child<QCheckBox>(&editor, "Check2")->isChecked());
        QVERIFY(!child<QCheckBox>(&editor, "Check3")->isChecked());
        QCOMPARE(lineCount(&editor), 0);
        QVERIFY(!editor.isModified());
    }

    void existingInvoiceShowsHeaderLinesAndTotals() {
        storedInvoice();
        auto list = invoiceList();
        QVERIFY(selectInvoice(*list, "2009/042"));
        OpenMode = 1;
        Racun editor(appContext(), list.get());
        QVERIFY(showAndSettle(editor));
        QCOMPARE(editor.originalNumber(), QString("2009/042"));
        QCOMPARE(text(&editor, "Text1_0"), QString("2009/042"));
        QCOMPARE(text(&editor, "Text1_8"), QString("5.12.2009"));
        QCOMPARE(text(&editor, "Text1_11"), QString("Meja"));
        QCOMPARE(text(&editor, "Text1_12"), QString("Z-7"));
        QCOMPARE(text(&editor, "Text1_15"), QString("45"));
        QCOMPARE(text(&editor, "Text2"), QString("2,5"));
        QCOMPARE(text(&editor, "Text1_4"), QString("Ljubljana - center"));
        auto* staff = child<QComboBox>(&editor, "Combo1");
        QCOMPARE(staff->currentText(), QString("Ana Kos"));
        QVERIFY(child<QCheckBox>(&editor, "Check1")->isChecked());
        QVERIFY(child<QCheckBox>(&editor, "Check2")->isChecked());
        QVERIFY(!box(&editor, "Text3")->isEnabled());
        auto* paid = child<QCheckBox>(&editor, "Check3");
        QVERIFY(paid->isChecked());
        QCOMPARE(paid->palette().color(paid->backgroundRole()), QColor(192, 255, 192));

        QCOMPARE(lineCount(&editor), 3);
        QCOMPARE(cell(&editor, 0, 0), QString("1.6"));
        QCOMPARE(cell(&editor, 1, 0), QString("2.5"));
        QCOMPARE(cell(&editor, 2, 1),
                 QString("Ostali stroški v pavšalni vrednosti 10 % geodetske storitve"));
        QCOMPARE(caption(&editor, "Label11"), QString("340  "));
        QCOMPARE(caption(&editor, "Label7"), money("654,50"));
        QCOMPARE(caption(&editor, "Label5"), money("130,90"));
        QCOMPARE(caption(&editor, "Label4"), money("785,40"));
        QVERIFY(!editor.isModified());

        // The header in the order one fills it in.
        QStringList order;
        QWidget* w = box(&editor, "Text1_0");
        for (int i = 0; i < 10; ++i) {
            order << w->objectName();
            do
                w = w->nextInFocusChain();
            while (!w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) ||
                   !w->isVisibleTo(&editor));
        }
        QCOMPARE(order, (QStringList{"Text1_0", "Text1_11", "Text1_12", "Text1_1", "Text1_2",
                                     "Text1_3", "Text1_4", "Text1_6", "Text1_8", "Command7"}));
        // The grid takes the room of a bigger window.
        child<QTabWidget>(&editor, "SSTab1")->setCurrentIndex(1);
        const QSize gridBefore = grid(&editor)->size();
        editor.resize(editor.width() + 200, editor.height() + 150);
        QTRY_VERIFY(grid(&editor)->width() >= gridBefore.width() + 150);
        QVERIFY(grid(&editor)->height() >= gridBefore.height() + 100);

        // The paid flag alone is no change worth a reminder.
        paid->click();
        QCOMPARE(paid->palette().color(paid->backgroundRole()),
                 editor.palette().color(QPalette::Button));
        QVERIFY(!editor.isModified());
        ModalWatcher watcher;
        editor.reject();
        QVERIFY(!editor.isVisible());
        QVERIFY(watcher.seen.isEmpty());
        QCOMPARE(Db->scalar("SELECT Placan FROM tblRacun").toInt(), 1);
    }

    void staffWithoutNameAndInvoiceWithoutStaff() {
        Db->execute("INSERT INTO tblSestavljavci (Ime) VALUES (NULL)");
        addInvoice(*Db, {{"StevilkaRacuna", "A"},
                         {"Sestavljavec", 0},
                         {"VrednostTocke", 1.0},
                         {"ProcentPavsala", 10.0}});
        auto list = invoiceList();
        OpenMode = 1;
        Racun editor(appContext(), list.get());
        QVERIFY(editor.isLoaded());
        auto* staff = child<QComboBox>(&editor, "Combo1");
        QCOMPARE(staff->count(), 2);
        QCOMPARE(staff->itemText(0), QString());
        QCOMPARE(staff->currentIndex(), -1);
        editor.SelectStaff(staffId("Janez Novak"));
        QCOMPARE(staff->currentText(), QString("Janez Novak"));
    }

    void missingSettingsRefusesToOpen() {
        Db->execute("DELETE FROM tblNastavitve");
        auto list = invoiceList();
        ModalWatcher watcher;
        OpenMode = 0;
        Racun editor(appContext(), list.get());
        QVERIFY(!editor.isLoaded());
        QCOMPARE(watcher.seen.size(), 1);
        QVERIFY(watcher.seen.first().startsWith("Napaka v podatkih|"));
        QCOMPARE(editor.exec(), int(QDialog::Rejected));
    }

    void changesThatCountAsModified() {
        auto list = invoiceList();
        OpenMode = 0;
        Racun editor(appContext(), list.get());
        QVERIFY(showAndSettle(editor));
        box(&editor, "Text3")->setText("5");
        QVERIFY(!editor.isModified());
        box(&editor, "Text1_12")->setText("Z");
        QVERIFY(editor.isModified());

        OpenMode = 0;
        Racun second(appContext(), list.get());
        QVERIFY(showAndSettle(second));
        box(&second, "Text2")->setText("1");
        QVERIFY(second.isModified());

        OpenMode = 0;
        Racun third(appContext(), list.get());
        QVERIFY(showAndSettle(third));
        child<QComboBox>(&third, "Combo1")->setCurrentIndex(0);
        QVERIFY(third.isModified());
    }

    void postcodeFillsThePlace() {
        const QString place = Db->scalar("SELECT Posta FROM tbPoste WHERE Stev=2000").toString();
        QVERIFY(!place.isEmpty());
        auto list = invoiceList();
        OpenMode = 0;
        Racun editor(appContext(), list.get());
        QVERIFY(showAndSettle(editor));
        QLineEdit* code = box(&editor, "Text1_3");
        code->setFocus();
        QTest::keyClicks(code, "200");
        QCOMPARE(text(&editor, "Text1_4"), QString());
        QTest::keyClicks(code, "0");
        QCOMPARE(text(&editor, "Text1_4"), place);
        box(&editor, "Text1_4")->setText("Moje mesto");
        QTest::keyClicks(code, "1"); // a fifth digit looks nothing up
        QCOMPARE(text(&editor, "Text1_4"), QString("Moje mesto"));
        QTest::keyClick(code, Qt::Key_Backspace); // four digits again: looked up
        QCOMPARE(text(&editor, "Text1_4"), place);
        box(&editor, "Text1_4")->setText("Moje mesto");
        QTest::keyClick(code, Qt::Key_Backspace);
        QTest::keyClick(code, Qt::Key_Backspace);
        QCOMPARE(text(&editor, "Text1_4"), QString("Moje mesto"));
        // An unknown code leaves the place as it was.
        code->setText("9999");
        QCOMPARE(text(&editor, "Text1_4"), QString("Moje mesto"));
    }

    void storedPlaceIsNotLookedUpAgain() {
        addInvoice(*Db, {{"StevilkaRacuna", "B"},
                         {"PST", "2000"},
                         {"Posta", "Po svoje"},
                         {"VrednostTocke", 1.0},
                         {"ProcentPavsala", 10.0}});
        auto list = invoiceList();
        OpenMode = 1;
        Racun editor(appContext(), list.get());
        QCOMPARE(text(&editor, "Text1_4"), QString("Po svoje"));
    }

    void closeReminderSavesOnYesAndForgetsOnNo() {
        auto list = invoiceList();
        {
            OpenMode = 0;
            Racun editor(appContext(), list.get());
            QVERIFY(showAndSettle(editor));
            box(&editor, "Text1_1")->setText("Brez shranjevanja");
            ModalWatcher watcher;
            watcher.answers = {QMessageBox::No};
            editor.reject();
            QCOMPARE(watcher.seen,
                     QStringList{"Majhna pozornost|Si morda nehote pozabil shraniti spremembe?"});
            QVERIFY(!editor.isVisible());
            QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacun").toInt(), 0);
        }
        {
            OpenMode = 0;
            Racun editor(appContext(), list.get());
            QVERIFY(showAndSettle(editor));
            box(&editor, "Text1_1")->setText("Shranjen ob zapiranju");
            ModalWatcher watcher;
            watcher.answers = {QMessageBox::Yes};
            editor.close();
            QVERIFY(!editor.isVisible());
            QCOMPARE(editor.result(), int(QDialog::Accepted));
            QCOMPARE(Db->scalar("SELECT Ime FROM tblRacun").toString(),
                     QString("Shranjen ob zapiranju"));
            QCOMPARE(list->recordset()->field("Ime").toString(), QString("Shranjen ob zapiranju"));
        }
    }

    void closeReminderKeepsTheWindowWhenTheSaveIsRefused() {
        auto list = invoiceList();
        OpenMode = 0;
        Racun editor(appContext(), list.get());
        QVERIFY(showAndSettle(editor));
        box(&editor, "Text1_1")->setText("Skoraj izgubljen");
        box(&editor, "Text2")->setText("abc");
        ModalWatcher watcher;
        watcher.answers = {QMessageBox::Yes};
        editor.close();
        QCOMPARE(watcher.seen,
                 (QStringList{"Majhna pozornost|Si morda nehote pozabil shraniti spremembe?",
                              "Napaka v podatkih|Vrednost točke mora imeti numerično vrednost!"}));
        QVERIFY(editor.isVisible());
        QCOMPARE(text(&editor, "Text1_1"), QString("Skoraj izgubljen"));
        QVERIFY(editor.isModified());
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacun").toInt(), 0);
    }
};

QTEST_MAIN(TestRacun)
#include "tst_racun.moc"
