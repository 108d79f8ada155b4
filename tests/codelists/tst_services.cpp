#include "TestSupport.h"

#include "codelists/Services.h"
#include "windows/S_grupe.h"

#include <sqlite3.h>

using namespace valmir;
using namespace valmir::test;

namespace {

const QString Duplicate = QStringLiteral(
    "Napaka unikatnosti|Geodetsko storitev s to zaporedno številko že imamo v bazi!");
const QString HasOperations = QStringLiteral(
    "Ne bo šlo|Te geodetske storitve ne morem brisati, saj ima že vnešene postavke!");
const QString Reprices = QStringLiteral(
    "Ne bo šlo|Te geodetske storitve ne morem preštevilčiti, saj ima že vnešene postavke");

const QString NotSaved =
    QStringLiteral("Napaka v bazi|Geodetske storitve ni bilo mogoče shraniti:\n");
const QString NotDeleted =
    QStringLiteral("Napaka v bazi|Geodetske storitve ni bilo mogoče izbrisati:\n");
const char* const All = "1 2 3 4 5 6 40 91 95"; // the seed's services and 40

// select: the service to change, "" to add; action/table: what the engine
// refuses; numbers and current: the list afterwards.
struct EditCase {
    const char *tag, *select, *number, *name;
    int action;
    const char* table;
    QString message;
    const char *numbers, *current;
    int operationsOf3;
};
// clang-format off
const EditCase EditCases[] = {
    {"add 12a as 12", "", "12a", "Nova", 0, "", {}, "1 2 3 4 5 6 12 40 91 95", "12", 2},
    {"add empty as 0", "", "", "O'Brien \"x\"", 0, "", {}, "0 1 2 3 4 5 6 40 91 95", "0", 2},
    {"add -5", "", " -5", "Minus", 0, "", {}, "\u22125 1 2 3 4 5 6 40 91 95", "\u22125", 2},
    {"add existing 3", "", "3", "Dvojnik", 0, "", Duplicate, All, "1", 2},
    {"rename 3 only", "3", "3", "Nova izravnava", 0, "", {}, All, "3", 2},
    {"renumber 3 to taken 5", "3", "5", "X", 0, "", Duplicate, All, "3", 2},
    {"renumber 3 to free 7 with its operations", "3", "7", "Izravnava", 0, "", {}, "1 2 4 5 6 7 40 91 95", "7", 0},
    {"renumber 3 to 96, priced otherwise", "3", "96", "X", 0, "", Reprices, All, "3", 2},
    {"renumber refused by the engine", "3", "7", "X", SQLITE_UPDATE, "tblTarife", NotSaved, All, "3", 2},
    {"add refused by the engine", "", "8", "X", SQLITE_TRANSACTION, "COMMIT", NotSaved, All, "1", 2},
};
// clang-format on

struct DeleteCase {
    const char *tag, *select;
    int action;
    const char* table;
    QString message;
    const char *numbers, *current;
};
const DeleteCase DeleteCases[] = {
    {"with operations", "3", 0, "", HasOperations, All, "3"},
    {"free, next follows", "40", 0, "", {}, "1 2 3 4 5 6 91 95", "91"},
    {"refused delete", "40", SQLITE_DELETE, "tblGeodetskaStoritev", NotDeleted, All, "40"},
    {"refused check", "40", SQLITE_READ, "tblTarife", NotDeleted, All, "40"},
    {"refused commit", "40", SQLITE_TRANSACTION, "COMMIT", NotDeleted, All, "40"},
};

// The number of the current service as the list shows it.
QString currentNumber(BoundGrid* list) {
    const int row = list->currentIndex().row();
    return row == list->currentRow() && row >= 0 ? list->listModel()->displayText(row, 0)
                                                 : QStringLiteral("?");
}
int operationsOf(double ts1) {
    return Db->scalar("SELECT count(*) FROM tblTarife WHERE TS1=?", {ts1}).toInt();
}
int servicesOf(double ts1) {
    return Db->scalar("SELECT count(*) FROM tblGeodetskaStoritev WHERE TS1=?", {ts1}).toInt();
}

} // namespace

class TestServices : public FixtureTest {
    Q_OBJECT

    std::unique_ptr<ModalWatcher> m_watcher;
    std::unique_ptr<S_grupe> m_window;
    BoundGrid* m_list = nullptr;

    // Service 40 has no operations; the seed's services all have some.
    void prepare() override {
        QVERIFY(Db->execute("INSERT INTO tblGeodetskaStoritev VALUES (?, ?, ?)",
                            {40.0, "Prosta", QVariant()}));
    }

    void open() {
        m_watcher = std::make_unique<ModalWatcher>();
        m_window = std::make_unique<S_grupe>(appContext());
        m_window->show();
        QTRY_VERIFY(!m_window->findChild<QTimer*>("Timer1")->isActive());
        m_list = m_window->findChild<BoundGrid*>("DBGrid1");
        QVERIFY(m_list);
    }
    void select(const QString& number) {
        m_list->moveToRow(shownColumn(m_window.get(), 0).indexOf(number));
        QCOMPARE(currentNumber(m_list), number);
    }
    // The one box shown, if any, starts with message (the engine's words follow).
    bool saw(const QString& message) const {
        return message.isEmpty()
                   ? m_watcher->seen.isEmpty()
                   : m_watcher->seen.size() == 1 && m_watcher->seen[0].startsWith(message);
    }

private Q_SLOTS:
    void cleanup() {
        m_window.reset();
        m_watcher.reset();
        FixtureTest::cleanup();
    }

    // "Dodaj" or "Spremeni" (Enter on the row for a rename) on a service,
    // the boxes filled and "V redu"; a refused dialog is closed afterwards.
    void editDialog_data() {
        QTest::addColumn<int>("c");
        for (int i = 0; i < int(std::size(EditCases)); ++i)
            QTest::newRow(EditCases[i].tag) << i;
    }
    void editDialog() {
        QFETCH(int, c);
        const EditCase& t = EditCases[c];
        const QString number = QString::fromUtf8(t.number), name = QString::fromUtf8(t.name);
        open();
        if (*t.select)
            select(t.select);
        QString focus, loaded;
        bool stayedOpen = false;
        m_watcher->dialogs["V_grupe"] = [&](QWidget* dialog) {
            focus = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
            loaded = text(dialog, "Text1_0");
            box(dialog, "Text1_0")->setText(number);
            box(dialog, "Text1_1")->setText(name);
            // Clicked from a fresh event, so that the watcher can answer a
            // message box while the click runs.
            QTimer::singleShot(0, dialog, [&, dialog] {
                click(dialog, "Command1");
                stayedOpen = dialog->isVisible();
                if (stayedOpen)
                    dialog->close();
            });
        };
        if (t.action)
            refuse(*Db, t.action, t.table);
        if (QByteArray(t.tag).startsWith("rename"))
            QTest::keyClick(m_list, Qt::Key_Return);
        else
            click(m_window.get(), *t.select ? "Command2" : "Command1");
        refuseNothing(*Db);

        QCOMPARE(focus, QString("Command1"));
        QCOMPARE(loaded, QString(t.select));
        QVERIFY2(saw(t.message), qPrintable(m_watcher->seen.join(u'/')));
        QCOMPARE(stayedOpen, !t.message.isEmpty());
        QCOMPARE(shownColumn(m_window.get(), 0).join(' '), QString::fromUtf8(t.numbers));
        QCOMPARE(currentNumber(m_list), QString::fromUtf8(t.current));
        QCOMPARE(operationsOf(3), t.operationsOf3);
        QCOMPARE(operationsOf(7), 2 - t.operationsOf3);
        if (t.message.isEmpty())
            QCOMPARE(Db->scalar("SELECT GeodetskaStoritev FROM tblGeodetskaStoritev WHERE TS1=?",
                                {serviceNumber(number)})
                         .toString(),
                     name);
    }

    // A service with operations keeps its kind of pricing (points, typed
    // amounts, expenses 91, lump sum 7777): stored invoices would be priced
    // otherwise. A refusal writes nothing; the operations end under `under`.
    void renumberingKeepsThePricing_data() {
        QTest::addColumn<QString>("before"); // statements run first, ";" apart
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<double>("under");
        const QString lumpSum = "UPDATE tblGeodetskaStoritev SET TS1=7777 WHERE TS1=95;"
                                "UPDATE tblTarife SET TS1=7777 WHERE TS1=95";
        // clang-format off
        QTest::newRow("within points") << "" << 3.0 << 7.0 << false << 7.0;
        QTest::newRow("points to typed") << "" << 3.0 << 96.0 << true << 3.0;
        QTest::newRow("points onto lump sum") << "" << 3.0 << 7777.0 << true << 3.0;
        QTest::newRow("within typed") << "" << 95.0 << 93.0 << false << 93.0;
        QTest::newRow("typed to points") << "" << 95.0 << 12.0 << true << 95.0;
        QTest::newRow("off expenses") << "" << 91.0 << 92.0 << true << 91.0;
        QTest::newRow("onto expenses") << "DELETE FROM tblGeodetskaStoritev WHERE TS1=91"
                                       << 95.0 << 91.0 << true << 95.0;
        QTest::newRow("off lump sum") << lumpSum << 7777.0 << 12.0 << true << 7777.0;
        QTest::newRow("no operations") << "" << 40.0 << 7777.0 << false << 7777.0;
        QTest::newRow("a double keeps them") << "INSERT INTO tblGeodetskaStoritev VALUES (3, 'D', NULL)"
                                             << 3.0 << 96.0 << false << 3.0;
        // clang-format on
    }
    void renumberingKeepsThePricing() {
        QFETCH(QString, before);
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(bool, refused);
        QFETCH(double, under);
        for (const QString& sql : before.split(u';', Qt::SkipEmptyParts))
            QVERIFY(Db->execute(sql));
        const int operations = operationsOf(from);
        auto list = Db->openRecordset("tblGeodetskaStoritev", RecordsetKind::Table);
        QVERIFY(list && list->setIndex("ID") && list->seek("=", {from}) && !list->noMatch());
        const ServiceResult r =
            saveService(*Db, *list, false, from, {QString::number(to), "X", QString()});
        QCOMPARE(int(r.outcome), int(refused ? ServiceOutcome::Reprices : ServiceOutcome::Done));
        QVERIFY(!Db->inTransaction());
        QCOMPARE(servicesOf(to), refused ? 0 : 1);
        QCOMPARE(operationsOf(under), operations);
    }

    // "Briši": refused for a service with operations, else at once, the
    // neighbour becoming current; an engine failure leaves it all in place.
    void deleting_data() {
        QTest::addColumn<int>("c");
        for (int i = 0; i < int(std::size(DeleteCases)); ++i)
            QTest::newRow(DeleteCases[i].tag) << i;
    }
    void deleting() {
        QFETCH(int, c);
        const DeleteCase& t = DeleteCases[c];
        open();
        select(t.select);
        if (t.action)
            refuse(*Db, t.action, t.table);
        click(m_window.get(), "Command3");
        refuseNothing(*Db);
        QVERIFY2(saw(t.message), qPrintable(m_watcher->seen.join(u'/')));
        QVERIFY(!Db->inTransaction());
        QCOMPARE(shownColumn(m_window.get(), 0).join(' '), QString(t.numbers));
        QCOMPARE(currentNumber(m_list), QString(t.current));
    }

    // The last service deleted: the new last one is current; the only one
    // deleted: an empty list on which "Spremeni" and "Briši" do nothing.
    void deletingToTheEnd() {
        QVERIFY(Db->execute("DELETE FROM tblTarife WHERE TS1 > 6"));
        open();
        select("95");
        click(m_window.get(), "Command3");
        QCOMPARE(currentNumber(m_list), QString("91"));
        QVERIFY(Db->execute("DELETE FROM tblGeodetskaStoritev WHERE TS1 <> 91"));
        click(m_window.get(), "Command3");
        QCOMPARE(m_list->listModel()->rowCount(), 0);
        click(m_window.get(), "Command2");
        click(m_window.get(), "Command3");
        QCOMPARE(m_watcher->seen, QStringList());
    }
};

QTEST_MAIN(TestServices)
#include "tst_services.moc"
