#include "EditorSession.h"

#include "codelists/Operations.h"
#include "invoice/WorkingTable.h"
#include "text/Messages.h"
#include "text/TextForms.h"
#include "windows/S_postavke.h"

using namespace valmir;
using namespace valmir::test;

namespace {

QString seen(const Message& m) { return m.title + u'|' + m.text; }
const QString Protected = seen(OperationMessages::Protected);
const QString Used = seen(OperationMessages::UsedOnInvoices);
const QString Ask = seen(OperationMessages::AskDelete);
const QString Duplicate = seen(OperationMessages::DuplicateNumber);
const QString Fraction = seen(OperationMessages::FractionalNumber);

// An operation as stored: TS2|TarifnaStevilka|GeodetskaStoritev|Tocke|AktivnaPostavka.
QStringList stored(int ts1) {
    return queryRows("SELECT TS2, TarifnaStevilka, GeodetskaStoritev, Tocke, AktivnaPostavka "
                     "FROM tblTarife WHERE TS1=? ORDER BY TS2",
                     {ts1});
}

} // namespace

class TestOperations : public FixtureTest {
    Q_OBJECT

    std::unique_ptr<S_postavke> m_window;
    ModalWatcher* m_watcher = nullptr;

    void open() {
        m_window = std::make_unique<S_postavke>(appContext());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    QComboBox* services() { return child<QComboBox>(m_window.get(), "Combo1"); }
    BoundGrid* list() { return m_window->list(); }
    void showService(int ts1) { services()->setCurrentIndex(services()->findData(ts1)); }
    void selectOperation(int ts2) {
        const int row = shownColumn(m_window.get(), 0).indexOf(QString::number(ts2));
        QVERIFY2(row >= 0, "no such operation in the list");
        list()->moveToRow(row);
    }

private Q_SLOTS:
    void cleanup() {
        m_window.reset();
        FixtureTest::cleanup();
    }

    void openingShowsTheFirstServiceAndClearsMarks() {
        QVERIFY(setPicked(*Db, operationId(*Db, 1, 1), true));
        PickConfirmed = true;
        open();
        QCOMPARE(pickedOperations(*Db), std::optional(QSet<qint64>()));
        QVERIFY(!PickConfirmed);
        QCOMPARE(services()->count(), 8);
        QCOMPARE(services()->currentText(), QString("Ureditev meje"));
        QCOMPARE(list()->listModel()->rowCount(), 6);
        QStringList first;
        for (int c = 0; c < 5; ++c)
            first << cell(m_window.get(), 0, c);
        QCOMPARE(first.join(u'|'), QString("1|1.1|Pridobitev podatkov zemljiškega katastra|40|Da"));
        showService(91);
        QCOMPARE(cell(m_window.get(), 2, 1), QString("S.3"));

        // Without any service the window opens with an empty choice, and
        // its buttons do nothing.
        m_window.reset();
        QVERIFY(Db->execute("DELETE FROM tblGeodetskaStoritev"));
        ModalWatcher watcher;
        open();
        QCOMPARE(services()->count(), 0);
        for (const char* button : {"Command1", "Command2", "Command3"})
            click(m_window.get(), button);
        QVERIFY(watcher.seen.isEmpty());
    }

    // "Dodaj" and "Spremeni" through V_postavke; a protected operation is
    // only shown, its "V redu" writes nothing.
    void addingAndChanging_data() {
        QTest::addColumn<int>("ts1");
        QTest::addColumn<int>("change"); // TS2 of the operation to change; 0 adds one
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("typed"); // Text1_0; a null text keeps the box
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("written"); // the row with TS2 as written; empty: nothing
        // The boxes other than the number get "T|Novo|12,5" unless changing.
        // clang-format off
        QTest::newRow("next number") << 1 << 0 << "7" << QString() << QStringList() << "7|T|Novo|12.5|true";
        QTest::newRow("duplicate") << 1 << 0 << "7" << "3" << QStringList{Duplicate} << "";
        QTest::newRow("same number elsewhere") << 95 << 0 << "2" << "3" << QStringList() << "3|T|Novo|12.5|true";
        QTest::newRow("leading number") << 1 << 0 << "7" << " 12a" << QStringList() << "12|T|Novo|12.5|true";
        QTest::newRow("fraction") << 1 << 0 << "7" << "1.5" << QStringList{Fraction} << "";
        QTest::newRow("decimal comma") << 1 << 0 << "7" << "7,5" << QStringList{Fraction} << "";
        QTest::newRow("negative") << 1 << 0 << "7" << "-5" << QStringList() << "-5|T|Novo|12.5|true";
        QTest::newRow("no operations yet") << 7 << 0 << "" << QString() << QStringList() << "0|T|Novo|12.5|true";
        QTest::newRow("change keeps its number") << 5 << 3 << "3" << QString() << QStringList() << "3|5.3|Zapisnik o zakoličbi|40|true";
        QTest::newRow("change to a taken number") << 5 << 3 << "3" << "1" << QStringList{Duplicate} << "";
        QTest::newRow("protected is only shown") << 1 << 2 << "2" << "9" << QStringList() << "";
        QTest::newRow("inactive stays inactive") << 6 << 2 << "2" << QString() << QStringList() << "2|6.2|Vsakih nadaljnjih začetih 0,1 ha|40|false";
        // clang-format on
    }
    void addingAndChanging() {
        QFETCH(int, ts1);
        QFETCH(int, change);
        QFETCH(QString, offered);
        QFETCH(QString, typed);
        QFETCH(QStringList, messages);
        QFETCH(QString, written);
        QVERIFY(Db->execute("INSERT INTO tblGeodetskaStoritev (TS1, GeodetskaStoritev) "
                            "VALUES (7, 'Brez opravil')"));
        QVERIFY(Db->execute("UPDATE tblTarife SET AktivnaPostavka = False WHERE TS1=6 AND TS2=2"));
        const QStringList before = stored(ts1);
        ModalWatcher watcher;
        bool stayedOpen = false;
        QString shown;
        watcher.dialogs["V_postavke"] = [&](QWidget* d) {
            shown = caption(d, "Label2") + u'|' + text(d, "Text1_0");
            if (!typed.isNull())
                box(d, "Text1_0")->setText(typed);
            const std::pair<const char*, const char*> others[] = {
                {"Text1_1", "T"}, {"Text1_2", "Novo"}, {"Text1_3", "12,5"}};
            for (auto [name, value] : others)
                if (!change)
                    box(d, name)->setText(value);
            // Clicked from a timer of its own, so that the watcher answers
            // the boxes the click brings.
            QTimer::singleShot(0, d, [&, d] {
                click(d, "Command1");
                stayedOpen = d->isVisible();
                if (stayedOpen)
                    d->close();
            });
        };
        open();
        showService(ts1);
        if (change)
            selectOperation(change);
        click(m_window.get(), change ? "Command2" : "Command1");
        QCOMPARE(shown, services()->currentText() + u'|' + offered);
        QCOMPARE(watcher.seen, messages);
        QCOMPARE(stayedOpen, written.isEmpty());
        if (written.isEmpty()) {
            QCOMPARE(stored(ts1), before);
            return;
        }
        QVERIFY2(stored(ts1).contains(written), qPrintable(stored(ts1).join(u' ')));
        QCOMPARE(stored(ts1).size(), before.size() + (change ? 0 : 1));
        // The row written is the list's current row.
        const int row = list()->currentRow();
        QCOMPARE(readNumber(cell(m_window.get(), row, 0)), written.section(u'|', 0, 0).toDouble());
        QCOMPARE(list()->currentIndex().row(), row);
    }

    void deleting_data() {
        QTest::addColumn<int>("ts1");
        QTest::addColumn<int>("ts2");
        QTest::addColumn<bool>("onInvoice");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("engineRefuses");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("current"); // TS2 of the current row afterwards
        QTest::addColumn<int>("key");         // answers the question instead of `yes` (0: none)
        // Service 6 holds 1, 2 and 3, none protected.
        // clang-format off
        QTest::newRow("protected and used") << 1 << 2 << true << true << false << QStringList{Protected} << "2" << 0;
        QTest::newRow("used") << 6 << 2 << true << true << false << QStringList{Used} << "2" << 0;
        QTest::newRow("no") << 6 << 2 << false << false << false << QStringList{Ask} << "2" << 0;
        QTest::newRow("Enter is no") << 6 << 2 << false << false << false << QStringList{Ask} << "2" << int(Qt::Key_Return);
        QTest::newRow("Esc is no") << 6 << 2 << false << false << false << QStringList{Ask} << "2" << int(Qt::Key_Escape);
        QTest::newRow("yes") << 6 << 2 << false << true << false << QStringList{Ask} << "3" << 0;
        QTest::newRow("the last row") << 6 << 3 << false << true << false << QStringList{Ask} << "2" << 0;
        // clang-format on
        QTest::newRow("engine refuses")
            << 6 << 2 << false << true << true
            << QStringList{Ask, OperationMessages::NotDeleted.title + u'|' +
                                    OperationMessages::NotDeleted.text + u'\n' + "not authorized"}
            << "2" << 0;
    }
    void deleting() {
        QFETCH(int, ts1);
        QFETCH(int, ts2);
        QFETCH(bool, onInvoice);
        QFETCH(bool, yes);
        QFETCH(bool, engineRefuses);
        QFETCH(QStringList, messages);
        QFETCH(int, key);
        const qint64 id = operationId(*Db, ts1, ts2);
        if (onInvoice)
            addLine(*Db, addInvoice(*Db, {{"StevilkaRacuna", "2009/001"}}), id, 10, 1, {}, 0);
        open();
        showService(ts1);
        selectOperation(ts2);
        ModalWatcher watcher;
        if (key)
            watcher.keys << Qt::Key(key);
        else
            watcher.answers << (yes ? QMessageBox::Yes : QMessageBox::No);
        if (engineRefuses)
            refuse(*Db, SQLITE_DELETE, "tblTarife");
        // Delete in the list does what "Briši" does.
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_Delete);
        refuseNothing(*Db);
        QCOMPARE(watcher.seen, messages);
        const bool gone = messages == QStringList{Ask} && yes;
        QCOMPARE(tableCount("tblTarife"), 26 - int(gone));
        QCOMPARE(tableCount("tblRacunTarife"), int(onInvoice));
        QTEST(cell(m_window.get(), list()->currentRow(), 0), "current");
        QCOMPARE(list()->currentIndex().row(), list()->currentRow());
    }

    // What the window's rows above do not type: text without a number, and
    // points with words after them or none at all.
    void rulesOnTheirOwn() {
        const TypedNumber n = readOperationNumber("abc");
        QVERIFY(n.value == 0 && n.whole);
        QCOMPARE(readPoints("40 točk"), 40.0);
        QCOMPARE(readPoints("ni število"), 0.0);

        // Failures of the engine are told and write nothing.
        auto rs = Db->openRecordset(operationsSource(), RecordsetKind::Dynaset, {6});
        refuse(*Db, SQLITE_INSERT, "tblTarife");
        OperationResult r = saveOperation(*rs, 0, 6, 0, {"9", "T", "Novo", "1", true});
        QCOMPARE(r.outcome, OperationOutcome::Failed);
        QVERIFY(!r.error.isEmpty());
        refuse(*Db, SQLITE_READ, "tblRacunTarife");
        QCOMPARE(checkDeletion(*rs).outcome, OperationOutcome::Failed);
        QCOMPARE(deleteOperation(*rs).outcome, OperationOutcome::Failed);
        QVERIFY(clearPicks(*Db)); // the picks' table is made on first use
        refuse(*Db, SQLITE_DELETE, "tblIzbranaOpravila");
        QVERIFY(!clearPicks(*Db));
        refuseNothing(*Db);
        QCOMPARE(tableCount("tblTarife"), 26);
        QCOMPARE(rs->field("TS2").toInt(), 1);
    }
};

QTEST_MAIN(TestOperations)
#include "tst_operations.moc"
