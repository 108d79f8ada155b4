// "Shrani račun" from the editor: refusals keep the editor open with what
// was typed, nothing is written half, and a saved invoice is selected in
// the main list.

#include "tst_racun_support.h"

#include "app/Clock.h"

using namespace valmir;
using namespace valmir::test;

class TestRacunSave : public FixtureTest {
    Q_OBJECT

    std::unique_ptr<BoundGrid> m_list;

    int invoices() { return Db->scalar("SELECT count(*) FROM tblRacun").toInt(); }
    double counter() { return Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(); }

    // A new invoice with a customer typed; the caller spoils one box.
    std::unique_ptr<Racun> typedInvoice() {
        m_list = invoiceList();
        auto editor = openEditor(m_list.get(), 0);
        if (editor)
            box(editor.get(), "Text1_1")->setText("Kupec");
        return editor;
    }

    void expectRefusal(Racun& editor, const QString& seen) {
        ModalWatcher watcher;
        click(&editor, "Command1");
        QCOMPARE(watcher.seen.size(), 1);
        QVERIFY2(watcher.seen.first().startsWith(seen), qPrintable(watcher.seen.first()));
        QVERIFY(editor.isVisible());
        QVERIFY(editor.isModified());
        QCOMPARE(text(&editor, "Text1_1"), QString("Kupec"));
        QCOMPARE(invoices(), 1);
        QCOMPARE(counter(), 1.0);
    }

    void prepare() override { setTodayForTest(QDate(2031, 3, 4)); }

private Q_SLOTS:
    void cleanup() {
        m_list.reset();
        FixtureTest::cleanup();
    }

    void refusalsKeepTheEditorOpen() {
        addInvoice(*Db, {{"StevilkaRacuna", "2031/001"}});
        auto editor = typedInvoice();
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
        box(editor.get(), "Text1_8")->setText("28.2.2031");
        refuse(*Db, 0, "tblRacunTarife");
        expectRefusal(*editor, "Napaka v bazi|Računa ni bilo mogoče shraniti.\n");
        refuseNothing(*Db);

        // Put right, the same editor saves and the main list selects the invoice.
        ModalWatcher watcher;
        click(editor.get(), "Command1");
        QVERIFY(watcher.seen.isEmpty());
        QVERIFY(!editor->isVisible());
        QCOMPARE(invoices(), 2);
        QCOMPARE(counter(), 3.0);
        QCOMPARE(m_list->recordset()->field("StevilkaRacuna").toString(), QString("2031/002"));
        QCOMPARE(m_list->currentIndex().row(), m_list->recordset()->position());
    }

    // A quantity still being typed when "Shrani račun" is reached from the
    // keyboard is saved, not dropped with its editor.
    void cellBeingTypedIsSaved() {
        auto editor = typedInvoice();
        QVERIFY(editor);
        const qint64 op = operationId(*Db, 1, 3);
        addWorkLine({op, 1, 3, 250, {}, {}});
        BoundGrid* g = grid(editor.get());
        g->refresh();
        const QModelIndex quantity = g->listModel()->index(0, 3);
        g->setCurrentIndex(quantity);
        g->edit(quantity);
        auto* cellEditor = qobject_cast<QLineEdit*>(g->indexWidget(quantity));
        QVERIFY(cellEditor);
        cellEditor->setText("3");
        QVERIFY(WorkDb->scalar("SELECT Kolicina FROM tblTarifePregled").isNull());
        QVERIFY(editor->save());
        QCOMPARE(
            Db->scalar("SELECT Kolicina FROM tblRacunTarife WHERE ID_tarifa=?", {op}).toDouble(),
            3.0);
    }

    void unifiedReportQuestionBeforeSaving() {
        auto editor = typedInvoice();
        QVERIFY(editor);
        // Report lines of two services: the 70 % option would fit.
        addWorkLine({6, 1, 6, 180, 1, {}, true});
        addWorkLine({11, 2, 5, 160, 1, {}, true});
        grid(editor.get())->recordset()->setIndex("Red");
        box(editor.get(), "Text2")->setText("2");
        ModalWatcher watcher;
        watcher.answers = {QMessageBox::Yes};
        click(editor.get(), "Command1");
        QCOMPARE(watcher.seen, QStringList{"Vprašanje|Ali si izdelal en elaborat in bi "
                                           "pravzaprav rad odkljukal 70 %?"});
        QVERIFY(!editor->isVisible());
        QCOMPARE(Db->scalar("SELECT EnotenElaborat FROM tblRacun").toInt(), 1);
        // Ticking recalculated before the lines were stored: (180 + 160) x 2 x 0,7.
        QCOMPARE(Db->scalar("SELECT sum(znesek) FROM tblRacunTarife").toDouble(), 476.0);
    }
};

QTEST_MAIN(TestRacunSave)
#include "tst_racun_save.moc"
