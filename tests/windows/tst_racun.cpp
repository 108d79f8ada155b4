// The invoice editor as it opens, its header and its small behaviours,
// with the new-invoice question and the calendar it opens.

#include "EditorSession.h"

#include "text/Clock.h"
#include "text/Messages.h"
#include "windows/Calendar.h"
#include "windows/Nov_racun.h"

#include <QCalendarWidget>
#include <QTabWidget>
#include <QTableView>

using namespace valmir;
using namespace valmir::test;

namespace {

// Picks a day in an open calendar with the keyboard: Enter picks.
void pickByKeyboard(QWidget* calendarWindow, const QDate& date) {
    auto* calendar = calendarWindow->findChild<QCalendarWidget*>("Calendar1");
    calendar->setSelectedDate(date);
    QTest::keyClick(calendar->findChild<QTableView*>(), Qt::Key_Return);
}

} // namespace

class TestRacun : public FixtureTest {
    Q_OBJECT

    // An invoice with a customer, two report lines of two services and the
    // lump-sum line, priced at 2,5 per point with the 70 % option. Its place
    // is not what its postcode would look up.
    qint64 storedInvoice() {
        Db->execute("INSERT INTO tblSestavljavci (Ime) VALUES ('Ana Kos')");
        const QVariant staff = Db->scalar("SELECT ID FROM tblSestavljavci WHERE Ime='Ana Kos'");
        // clang-format off
        const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", "2009/042"}, {"Ime", "Geo d.o.o."},
            {"Naslov", "Cesta 1"}, {"PST", "1000"}, {"Posta", "Ljubljana - center"},
            {"Telefon", "01 111"}, {"KontaktnaOseba", "Miha"}, {"Opombe", "prva\ndruga"},
            {"Datum", QDate(2009, 12, 5)}, {"Faks", "01 222"}, {"Email", "geo@x.si"},
            {"Delovisce", "Meja"}, {"Zadeva", "Z-7"}, {"Davcna", "SI123"}, {"Veljavnost", 45.0},
            {"TRR", "SI56"}, {"Sestavljavec", staff}, {"EnotenElaborat", true}, {"Placan", true},
            {"ProcentPavsala", 10.0}, {"VrednostTocke", 2.5}});
        // clang-format on
        addLine(*Db, id, operationId(*Db, 1, 6), 180.0, 1.0, QVariant(), 315.0);
        addLine(*Db, id, operationId(*Db, 2, 5), 160.0, 1.0, QVariant(), 280.0);
        addLine(*Db, id, -1, QVariant(), QVariant(), QVariant(), 59.5);
        return id;
    }

    static QStringList header(const Racun& editor) {
        QStringList texts;
        for (int i = 0; i < 16; ++i)
            texts << editor.headerText(i);
        return texts;
    }

    void prepare() override { setTodayForTest(QDate(2031, 3, 4)); }

private Q_SLOTS:
    // A new invoice gets the proposed number, today and the settings; one
    // for the same customer copies the customer's boxes only. An office
    // that counts each year anew starts again at 1 when the newest invoice
    // is of a year before.
    void newInvoice_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("restartEachYear");
        QTest::addColumn<QVariant>("counterYear"); // Null: not known, as in files of before
        QTest::addColumn<QString>("lastDate");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<bool>("alone"); // Ana Kos is the only staff member
        const QStringList empty{"", "", "", "", "", "", "",  "4.3.2031",
                                "", "", "", "", "", "", "30"};
        const QVariant unknown;
        // clang-format off
        QTest::newRow("new customer") << 0 << false << QVariant(2030) << "2009-12-05"
                                      << QStringList{"2031/007"} + empty << false;
        QTest::newRow("same customer") << 2 << false << unknown << "2009-12-05" << QStringList{"2031/007",
            "Geo d.o.o.", "Cesta 1", "1000", "Ljubljana - center", "01 111", "Miha", "prva\ndruga",
            "4.3.2031", "01 222", "geo@x.si", "", "", "SI123", "SI56", "30"} << true;
        QTest::newRow("new year starts again") << 0 << true << QVariant(2030) << "2031-01-02"
                                               << QStringList{"2031/001"} + empty << false;
        // The year's first number went to work of December: counting goes on.
        QTest::newRow("counter of this year") << 0 << true << QVariant(2031) << "2030-12-31"
                                              << QStringList{"2031/007"} + empty << true;
        QTest::newRow("year not known, newest invoice of before") << 0 << true << unknown
            << "2030-12-31" << QStringList{"2031/001"} + empty << false;
        QTest::newRow("year not known, newest invoice of this year") << 0 << true << unknown
            << "2031-01-02" << QStringList{"2031/007"} + empty << false;
        // clang-format on
    }
    void newInvoice() {
        QFETCH(int, mode);
        QFETCH(bool, restartEachYear);
        QFETCH(QVariant, counterYear);
        QFETCH(QString, lastDate);
        QVERIFY(
            Db->execute("UPDATE tblNastavitve SET StRacuna = 7, LetniStevec = ?, LetoStevca = ?",
                        {restartEachYear, counterYear}));
        storedInvoice();
        QVERIFY(Db->execute("UPDATE tblRacun SET Datum = ?", {lastDate}));
        QFETCH(bool, alone);
        if (alone)
            QVERIFY(Db->execute("DELETE FROM tblSestavljavci WHERE Ime IS NULL OR Ime <> ?",
                                {"Ana Kos"}));
        Session s(mode, "2009/042");
        QVERIFY(s.e);
        QTEST(header(*s.e), "header");
        QCOMPARE(text(s.e, "Text2"), QString("0,75"));
        QCOMPARE(text(s.e, "Text3"), QString("10"));
        // One staff member is proposed; of more, nobody.
        QCOMPARE(child<QComboBox>(s.e, "Combo1")->currentText(), QString(alone ? "Ana Kos" : ""));
        for (const char* name : {"Check1", "Check2", "Check3"})
            QVERIFY(!option(s.e, name)->isChecked());
        QCOMPARE(lineCount(s.e), 0);
        QCOMPARE(caption(s.e, "Label4"), money("0,00"));
        // Closing an untouched new invoice asks nothing and writes nothing.
        s.e->reject();
        QVERIFY(!s.e->isVisible());
        QVERIFY(s.watcher.seen.isEmpty());
        QCOMPARE(counter(), 7.0);
        QCOMPARE(tableCount("tblRacun"), 1);
    }

    void storedInvoiceShowsHeaderLinesAndTotals() {
        // A nameless staff entry is offered as an empty one.
        Db->execute("INSERT INTO tblSestavljavci (Ime) VALUES (NULL)");
        storedInvoice();
        Session s(1, "2009/042");
        QVERIFY(s.e);
        QCOMPARE(s.e->originalNumber(), QString("2009/042"));
        QCOMPARE(header(*s.e),
                 (QStringList{"2009/042", "Geo d.o.o.", "Cesta 1", "1000", "Ljubljana - center",
                              "01 111", "Miha", "prva\ndruga", "5.12.2009", "01 222", "geo@x.si",
                              "Meja", "Z-7", "SI123", "SI56", "45"}));
        QCOMPARE(text(s.e, "Text2"), QString("2,5"));
        auto* staff = child<QComboBox>(s.e, "Combo1");
        QCOMPARE(staff->currentText(), QString("Ana Kos"));
        QCOMPARE(staff->count(), 3);
        QCOMPARE(staff->itemText(0), QString());
        QVERIFY(option(s.e, "Check1")->isChecked());
        QVERIFY(option(s.e, "Check2")->isChecked());
        QVERIFY(!box(s.e, "Text3")->isEnabled());
        QCheckBox* paid = option(s.e, "Check3");
        QVERIFY(paid->isChecked());
        QCOMPARE(paid->palette().color(paid->backgroundRole()), QColor(192, 255, 192));
        QCOMPARE(lineCount(s.e), 3);
        QCOMPARE(caption(s.e, "Label11"), QString("340"));
        QCOMPARE(caption(s.e, "Label4"), money("785,40"));
        paid->click();
        QCOMPARE(paid->palette().color(paid->backgroundRole()),
                 s.e->palette().color(QPalette::Button));
    }

    // What could not be read is not shown as empty: a save would then
    // write the emptiness over the stored invoice.
    void loadFailuresKeepTheEditorClosed_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("title");
        // clang-format off
        QTest::newRow("no settings") << 0 << "" << "Napaka v podatkih";
        QTest::newRow("stored lines") << 1 << "tblRacunTarife" << "Napaka v bazi";
        QTest::newRow("staff list") << 1 << "tblSestavljavci" << "Napaka v bazi";
        // clang-format on
    }
    void loadFailuresKeepTheEditorClosed() {
        QFETCH(int, mode);
        QFETCH(QString, failing);
        QFETCH(QString, title);
        storedInvoice();
        if (failing.isEmpty())
            Db->execute("DELETE FROM tblNastavitve");
        auto list = invoiceList();
        QVERIFY(selectInvoice(*list, "2009/042"));
        ModalWatcher watcher;
        OpenMode = mode;
        if (!failing.isEmpty())
            refuse(*Db, 0, failing);
        Racun editor(appContext(), list.get());
        refuseNothing(*Db);
        QVERIFY(!editor.isLoaded());
        QCOMPARE(watcher.seen.size(), 1);
        QCOMPARE(watcher.seen.first().section('|', 0, 0), title);
        QCOMPARE(editor.exec(), int(QDialog::Rejected));
        QCOMPARE(tableCount("tblRacunTarife"), 3);
    }

    void postcodeFillsThePlace() {
        const QString place = Db->scalar("SELECT Posta FROM tbPoste WHERE Stev=2000").toString();
        QVERIFY(!place.isEmpty());
        Session s;
        QVERIFY(s.e);
        QLineEdit* code = box(s.e, "Text1_3");
        QLineEdit* town = box(s.e, "Text1_4");
        code->setFocus();
        QTest::keyClicks(code, "200");
        QCOMPARE(town->text(), QString());
        QTest::keyClicks(code, "0");
        QCOMPARE(town->text(), place);
        town->setText("Moje mesto");
        QTest::keyClicks(code, "1"); // a fifth digit looks nothing up
        QCOMPARE(town->text(), QString("Moje mesto"));
        code->setText("9999"); // an unknown code leaves the place as it was
        QCOMPARE(town->text(), QString("Moje mesto"));
        QVERIFY(s.watcher.seen.isEmpty());

        // "?" looks the postcode up; "ok" hands back only the code, and the
        // editor fills the place from it.
        s.watcher.dialogs["I_poste"] = [](QWidget* lookup) {
            // As a user does: once the lookup has started and is the active
            // window, entering the postcode box orders the list by postcode.
            QTRY_VERIFY(!lookup->findChild<QTimer*>("Timer1")->isActive());
            QTRY_VERIFY(lookup->isActiveWindow());
            auto* postcode = lookup->findChild<QLineEdit*>("Text1");
            QTest::mouseClick(postcode, Qt::LeftButton);
            QTRY_VERIFY(postcode->hasFocus());
            QTest::keyClicks(postcode, "2");
            click(lookup, "Command1");
        };
        click(s.e, "Command8");
        QTRY_COMPARE(code->text(), QString("2000"));
        QCOMPARE(town->text(), place);
    }

    // Closing after a change worth a reminder (the paid flag too, not the
    // percentage alone) asks; Yes saves, and a refused save keeps the window
    // open with everything typed.
    void closeReminder_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<int>("saved");
        QTest::newRow("paid, no") << "Check3"
                                  << "" << false << 1 << 0;
        QTest::newRow("percentage") << "Text3"
                                    << "5" << true << 0 << 0;
        QTest::newRow("staff, no") << "Combo1"
                                   << "" << false << 1 << 0;
        QTest::newRow("point value, yes") << "Text2"
                                          << "1" << true << 1 << 1;
        QTest::newRow("yes, save refused") << "Text2"
                                           << "abc" << true << 2 << 0;
    }
    void closeReminder() {
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(bool, yes);
        QFETCH(int, boxes);
        Session s;
        QVERIFY(s.e);
        {
            // The customer is no change of this test's, but a save needs one.
            const QSignalBlocker quiet(box(s.e, "Text1_1"));
            box(s.e, "Text1_1")->setText("Kupec");
        }
        QWidget* w = s.e->findChild<QWidget*>(control);
        if (auto* staff = qobject_cast<QComboBox*>(w))
            staff->setCurrentIndex(staff->currentIndex() == 0 ? -1 : 0); // another compiler
        else if (auto* flag = qobject_cast<QCheckBox*>(w))
            flag->click();
        else
            qobject_cast<QLineEdit*>(w)->setText(typed);
        QCOMPARE(s.e->isModified(), boxes > 0);
        s.watcher.answers = {yes ? QMessageBox::Yes : QMessageBox::No};
        s.e->close();
        QCOMPARE(s.watcher.seen.size(), boxes);
        QVERIFY(!boxes || s.watcher.seen.first() ==
                              "Majhna pozornost|Si morda nehote pozabil shraniti spremembe?");
        QCOMPARE(s.e->isVisible(), boxes == 2);
        QVERIFY(boxes < 2 || (s.e->isModified() && text(s.e, "Text2") == "abc"));
        QTEST(tableCount("tblRacun"), "saved");
    }

    // Taking the lump-sum line off a stored invoice, or spreading the
    // surcharge with "Vsem", is a change: unmarked, closing would lose it.
    void changesToTheLinesAreChanges_data() {
        QTest::addColumn<QString>("control");
        QTest::newRow("lump sum off") << "Check2";
        QTest::newRow("surcharge to all") << "Command6";
    }
    void changesToTheLinesAreChanges() {
        QFETCH(QString, control);
        storedInvoice();
        Session s(1, "2009/042");
        QVERIFY(s.e && !s.e->isModified());
        s.e->findChild<QAbstractButton*>(control)->click();
        QVERIFY(s.e->isModified());
    }

    // Working by keyboard: the first focus of a new and an opened invoice,
    // and each key pressed in the widget that has the focus: what it
    // brought up ("title|text" of a box, a window's name, "saved").
    void keys_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("focus"); // where the key is pressed; empty: the first focus
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("seen");
        const QString deleteLine = Messages::DeleteLine.title + '|' + Messages::DeleteLine.text;
        QTest::newRow("new: customer first") << 0 << "" << 0 << "Text1_1";
        QTest::newRow("opened: number first") << 1 << "" << 0 << "Text1_0";
        QTest::newRow("Insert: the picker") << 1 << "Text1_1" << int(Qt::Key_Insert) << "Postavke";
        QTest::newRow("Delete in the lines asks")
            << 1 << "DBGrid1" << int(Qt::Key_Delete) << deleteLine;
        QTest::newRow("Delete in a box is text") << 1 << "Text1_1" << int(Qt::Key_Delete) << "";
        QTest::newRow("Ctrl+S saves")
            << 1 << "Text1_1" << (Qt::CTRL | Qt::Key_S).toCombined() << "saved";
        QTest::newRow("F9 prices") << 1 << "Text2" << int(Qt::Key_F9) << "priced";
    }
    void keys() {
        QFETCH(int, mode);
        QFETCH(QString, focus);
        QFETCH(int, key);
        storedInvoice();
        Session s(mode, mode == 1 ? "2009/042" : QString());
        QVERIFY(s.e);
        s.e->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.e));
        if (focus.isEmpty()) {
            QTEST(QApplication::focusWidget()->objectName(), "seen");
            return;
        }
        s.watcher.dialogs["Postavke"] = [&s](QWidget* picker) {
            s.watcher.seen << "Postavke";
            static_cast<QDialog*>(picker)->reject();
        };
        QWidget* target = s.e->findChild<QWidget*>(focus);
        auto* tabs = s.e->findChild<QTabWidget*>();
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->widget(i)->isAncestorOf(target))
                tabs->setCurrentIndex(i);
        target->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), target);
        if (auto* line = qobject_cast<QLineEdit*>(target))
            line->setCursorPosition(0);
        const QString before = text(s.e, "Text1_1");
        box(s.e, "Text2")->setText("3"); // priced anew only by the recalculation
        const QString total = caption(s.e, "Label4");
        QTest::keyClick(target, Qt::Key(key & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        QFETCH(QString, seen);
        if (seen == "saved") {
            QVERIFY(!s.e->isVisible() && s.e->result() == QDialog::Accepted);
        } else if (seen == "priced") {
            QVERIFY(caption(s.e, "Label4") != total);
            QVERIFY(s.e->isVisible());
        } else {
            QCOMPARE(s.watcher.seen, seen.isEmpty() ? QStringList() : QStringList{seen});
        }
        QCOMPARE(text(s.e, "Text1_1"),
                 key == Qt::Key_Delete && focus == "Text1_1" ? before.mid(1) : before);
    }

    // Tab walks the header as it reads: top to bottom in the left column,
    // then in the right one, then below both; within a row left to right.
    void headerTabOrderReads() {
        Session s;
        QVERIFY(s.e);
        s.e->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.e));
        box(s.e, "Text1_0")->setFocus();
        QStringList visited{"Text1_0"};
        QList<QRect> at; // where each stands in the window
        for (QWidget* now = box(s.e, "Text1_0"); visited.size() < 30 && visited.last() != "Check3";
             visited << now->objectName()) {
            at << QRect(now->mapTo(s.e, QPoint()), now->size());
            QTest::keyClick(now, Qt::Key_Tab);
            now = QApplication::focusWidget();
        }
        at << child<QWidget>(s.e, "Check3")->geometry();
        // Each next one: to the right in the row; below in the column; up
        // in the next column; or left, below all that is still to come.
        for (int i = 1, columnLeft = 0; i < at.size(); ++i) {
            const QRect last = at[i - 1], r = at[i];
            const QString where = visited.mid(0, i + 1).join(' ');
            if (r.center().y() > last.top() && r.center().y() < last.bottom()) {
                QVERIFY2(r.left() > last.left(), qPrintable(where));
            } else if (r.top() > last.top() && r.left() >= columnLeft) {
            } else if (r.top() < last.top()) {
                QVERIFY2(r.left() > last.right(), qPrintable(where));
                columnLeft = r.left();
            } else {
                for (int j = i + 1; j < at.size(); ++j)
                    QVERIFY2(at[j].top() > r.top(), qPrintable(where));
                columnLeft = r.left();
            }
        }
        QCOMPARE(visited, (QStringList{"Text1_0",  "Text1_11", "Text1_12", "Text1_1",  "Text1_2",
                                       "Text1_3",  "Text1_4",  "Command8", "Text1_6",  "Text1_8",
                                       "Command7", "Text1_5",  "Text1_9",  "Text1_10", "Text1_13",
                                       "Text1_14", "Combo1",   "Text1_7",  "Text1_15", "Check3"}));
    }

    // The lines let go of the keyboard: Tab past the last cell that takes
    // typing and Shift+Tab before the first leave the grid, Tab inside it
    // stays; Ctrl+Tab turns the tabs; Enter writes a cell and moves down.
    void gridLetsGo_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("back");
        QTest::addColumn<bool>("leaves");
        QTest::newRow("Tab past the last cell") << 2 << 5 << false << true;
        QTest::newRow("Shift+Tab before the first") << 0 << 0 << true << true;
        QTest::newRow("Tab between cells") << 0 << 3 << false << false;
        QTest::newRow("Shift+Tab between cells") << 1 << 3 << true << false;
    }
    void gridLetsGo() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(bool, back);
        storedInvoice();
        Session s(1, "2009/042");
        QVERIFY(s.e);
        s.e->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.e));
        auto* tabs = s.e->findChild<QTabWidget*>();
        QTest::keyClick(box(s.e, "Text1_1"), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 1);
        BoundGrid* lines = grid(s.e);
        lines->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(lines));
        lines->setCurrentIndex(lines->listModel()->index(row, column));
        QTest::keyClick(lines, back ? Qt::Key_Backtab : Qt::Key_Tab,
                        back ? Qt::ShiftModifier : Qt::NoModifier);
        QWidget* now = QApplication::focusWidget();
        QFETCH(bool, leaves);
        QCOMPARE(now != lines && !lines->isAncestorOf(now), leaves);
        if (leaves)
            return;
        // Enter in a cell being typed: written, and the row below is next.
        lines->setCurrentIndex(lines->listModel()->index(0, 3));
        lines->setFocus();
        QTest::keyClick(lines, Qt::Key_F2);
        QTRY_VERIFY(lines->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "2");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(lines->currentIndex().row(), 1);
        QCOMPARE(cell(s.e, 0, 3), QString("2"));
        QTest::keyClick(lines, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(tabs->currentIndex(), 0);
    }

    // The new-invoice question: which kind of new invoice, or none.
    void newInvoiceQuestion_data() {
        QTest::addColumn<QString>("answer"); // a button, or a key
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("result");
        QTest::newRow("new customer") << "Command1" << 0 << int(QDialog::Accepted);
        QTest::newRow("Enter picks a new customer") << "Enter" << 0 << int(QDialog::Accepted);
        QTest::newRow("Escape") << "Escape" << -1 << int(QDialog::Rejected);
        QTest::newRow("window button") << "close" << -1 << int(QDialog::Rejected);
    }
    void newInvoiceQuestion() {
        QFETCH(QString, answer);
        OpenMode = 1;
        Nov_racun question(QStringLiteral("Geo d.o.o."));
        QCOMPARE(question.findChild<QPushButton*>("Command2")->text(), QString("Za Geo d.o.o."));
        QTimer::singleShot(0, &question, [&] {
            if (answer == "close")
                question.close();
            else if (auto* button = question.findChild<QPushButton*>(answer))
                button->click();
            else
                QTest::keyClick(&question, answer == "Enter" ? Qt::Key_Return : Qt::Key_Escape);
        });
        QTEST(question.exec(), "result");
        QTEST(OpenMode, "mode");
    }

    // The calendar: a picked day goes into the box its opener chose.
    // Enter is driven through the editor's date button below.
    void calendarClickPicksBrowsingDoesNot() {
        QLineEdit target(QStringLiteral("staro"));
        Calendar calendar(&target);
        calendar.show();
        auto* widget = calendar.findChild<QCalendarWidget*>("Calendar1");
        // It opens on the box's day; on today when the box holds none.
        QCOMPARE(widget->selectedDate(), QDate(2031, 3, 4));
        QLineEdit dated(QStringLiteral("5.12.2009"));
        QCOMPARE(Calendar(&dated).findChild<QCalendarWidget*>()->selectedDate(),
                 QDate(2009, 12, 5));
        auto* view = widget->findChild<QTableView*>();
        QTest::keyClick(view, Qt::Key_Right);
        QTest::keyClick(view, Qt::Key_Down);
        QVERIFY(calendar.isVisible());
        QCOMPARE(target.text(), QString("staro"));
        Q_EMIT widget->clicked(QDate(2010, 1, 31));
        QVERIFY(!calendar.isVisible());
        QCOMPARE(calendar.result(), int(QDialog::Accepted));
        QCOMPARE(target.text(), QString("31.1.2010"));

        // The purge dialog's box is the calendar's when CalendarTarget says 1.
        QCOMPARE(Calendar::targetFor(1, nullptr, &target), &target);
        // Without a box the pick writes nowhere, and still closes.
        Calendar nowhere(nullptr);
        QTimer::singleShot(0, &nowhere, [&] { pickByKeyboard(&nowhere, QDate(2009, 1, 2)); });
        QCOMPARE(nowhere.exec(), int(QDialog::Accepted));
    }

    void calendarFromTheDateButton() {
        Session s;
        CalendarTarget = 5;
        QVERIFY(s.e);
        s.watcher.dialogs["Calendar"] = [](QWidget* w) { pickByKeyboard(w, QDate(2009, 2, 28)); };
        click(s.e, "Command7");
        QCOMPARE(CalendarTarget, 0);
        QCOMPARE(text(s.e, "Text1_8"), QString("28.2.2009"));
        QCOMPARE(s.e->focusWidget(), box(s.e, "Text1_8"));
        QVERIFY(s.e->isModified());
    }
};

QTEST_MAIN(TestRacun)
#include "tst_racun.moc"
