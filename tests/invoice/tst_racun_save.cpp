// "Shrani račun" from the editor: refusals keep the editor open with what
// was typed, nothing is written half, and a saved invoice is selected in
// the main list.

#include "tst_racun_support.h"

#include "app/Module1.h"
#include "app/Clock.h"
#include "text/TextForms.h"

using namespace valmir;
using namespace valmir::test;

class TestRacunSave : public FixtureTest {
    Q_OBJECT

    int invoices() { return Db->scalar("SELECT count(*) FROM tblRacun").toInt(); }

    // Opens a new invoice with a customer typed; the caller spoils one box.
    std::unique_ptr<Racun> typedInvoice(BoundGrid* list) {
        OpenMode = 0;
        auto editor = std::make_unique<Racun>(appContext(), list);
        if (!showAndSettle(*editor))
            return nullptr;
        box(editor.get(), "Text1_1")->setText("Kupec");
        box(editor.get(), "Text1_2")->setText("Ulica 5");
        return editor;
    }

    void expectRefusal(Racun& editor, const QString& seen) {
        ModalWatcher watcher;
        click(&editor, "Command1");
        QCOMPARE(watcher.seen, QStringList{seen});
        QVERIFY(editor.isVisible());
        QVERIFY(editor.isModified());
        QCOMPARE(text(&editor, "Text1_1"), QString("Kupec"));
        QCOMPARE(text(&editor, "Text1_2"), QString("Ulica 5"));
    }

    void prepare() override { setTodayForTest(QDate(2031, 3, 4)); }

private Q_SLOTS:
    void refusalsKeepTheEditorOpen() {
        addInvoice(*Db, {{"StevilkaRacuna", "2031/001"}});
        auto list = invoiceList();
        auto editor = typedInvoice(list.get());
        QVERIFY(editor);
        // The proposed number was already used by hand.
        expectRefusal(*editor, "Ne bo šlo|Račun s takšno številko že imamo v bazi! Številka "
                               "računa mora biti unikatna.");
        box(editor.get(), "Text1_0")->setText("2031/002");
        box(editor.get(), "Text2")->setText("0,7x");
        expectRefusal(*editor, "Napaka v podatkih|Vrednost točke mora imeti numerično vrednost!");
        box(editor.get(), "Text2")->setText("0.75");
        box(editor.get(), "Text1_8")->setText("31.2.2031");
        expectRefusal(*editor, "Napačen datum|Datum ni podan v duhu gregorijanskega koledarja!");
        QCOMPARE(invoices(), 1);
        QCOMPARE(Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(), 1.0);

        // Put right, the same editor saves: "0.75" and "0,75" read alike.
        box(editor.get(), "Text1_8")->setText("28.2.2031");
        ModalWatcher watcher;
        click(editor.get(), "Command1");
        QVERIFY(watcher.seen.isEmpty());
        QVERIFY(!editor->isVisible());
        QVERIFY(!editor->isModified());
        QCOMPARE(invoices(), 2);
        QCOMPARE(Db->scalar("SELECT VrednostTocke FROM tblRacun WHERE StevilkaRacuna='2031/002'")
                     .toDouble(),
                 0.75);
        QCOMPARE(Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(), 3.0);
        QCOMPARE(list->recordset()->field("StevilkaRacuna").toString(), QString("2031/002"));
        QCOMPARE(list->currentIndex().row(), list->recordset()->position());
    }

    void engineFailureWritesNothingAndKeepsTheEditor() {
        auto list = invoiceList();
        auto editor = typedInvoice(list.get());
        QVERIFY(editor);
        Db->setFailingStatementForTest("tblRacunTarife");
        ModalWatcher watcher;
        click(editor.get(), "Command1");
        Db->setFailingStatementForTest(QString());
        QCOMPARE(watcher.seen.size(), 1);
        QVERIFY(watcher.seen.first().startsWith("Napaka v bazi|Računa ni bilo mogoče shraniti."));
        QVERIFY(editor->isVisible());
        QCOMPARE(invoices(), 0);
        QCOMPARE(Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(), 1.0);
        // Nothing lost: the second try goes through.
        click(editor.get(), "Command1");
        QVERIFY(!editor->isVisible());
        QCOMPARE(invoices(), 1);
    }

    // A quantity still being typed when "Shrani račun" is reached from the
    // keyboard is saved, not dropped with its editor.
    void cellBeingTypedIsSaved() {
        auto list = invoiceList();
        auto editor = typedInvoice(list.get());
        QVERIFY(editor);
        const qint64 op = operationId(*Db, 1, 3);
        addWorkLine({op, 1, 3, 250, {}, {}});
        BoundGrid* g = grid(editor.get());
        g->refresh();
        QCOMPARE(lineCount(editor.get()), 1);
        const QModelIndex quantity = g->listModel()->index(0, 3);
        g->setCurrentIndex(quantity);
        g->edit(quantity);
        auto* cellEditor = qobject_cast<QLineEdit*>(g->indexWidget(quantity));
        QVERIFY(cellEditor);
        cellEditor->setText("3");
        QVERIFY(g->indexWidget(quantity));
        QVERIFY(WorkDb->scalar("SELECT Kolicina FROM tblTarifePregled").isNull());
        ModalWatcher watcher;
        QVERIFY(editor->save());
        QCOMPARE(
            Db->scalar("SELECT Kolicina FROM tblRacunTarife WHERE ID_tarifa=?", {op}).toDouble(),
            3.0);
    }

    void unifiedReportQuestionBeforeSaving() {
        auto list = invoiceList();
        OpenMode = 0;
        Racun editor(appContext(), list.get());
        QVERIFY(showAndSettle(editor));
        // Report lines of two services: the 70 % option would fit.
        addWorkLine({6, 1, 6, 180, 1, {}, true});
        addWorkLine({11, 2, 5, 160, 1, {}, true});
        child<BoundGrid>(&editor, "DBGrid1")->recordset()->setIndex("Red");
        box(&editor, "Text2")->setText("2");
        click(&editor, "Command5");
        QCOMPARE(caption(&editor, "Label7"), money("680,00"));
        ModalWatcher watcher;
        watcher.answers = {QMessageBox::Yes};
        click(&editor, "Command1");
        QCOMPARE(watcher.seen,
                 QStringList{
                     "Vprašanje|Ali si izdelal en elaborat in bi pravzaprav rad odkljukal 70 %?"});
        QVERIFY(!editor.isVisible());
        QCOMPARE(Db->scalar("SELECT EnotenElaborat FROM tblRacun").toInt(), 1);
        // Ticking recalculated before the lines were stored.
        QCOMPARE(Db->scalar("SELECT sum(znesek) FROM tblRacunTarife").toDouble(), 476.0);
    }
};

QTEST_MAIN(TestRacunSave)
#include "tst_racun_save.moc"
