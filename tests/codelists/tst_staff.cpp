// The staff list and the post-office lookup: their rules, and both windows
// driven through their controls with real input and message boxes.

#include "TestSupport.h"
#include "codelists/PostOfficeSearch.h"
#include "codelists/Staff.h"
#include "windows/I_poste.h"
#include "windows/N_osebje.h"

#include <QInputDialog>

using namespace valmir;
using namespace valmir::test;

namespace {

QStringList staffNames() { return queryRows("SELECT Ime FROM tblSestavljavci ORDER BY ID"); }

qint64 staffId(const QString& name) {
    return Db->scalar("SELECT ID FROM tblSestavljavci WHERE Ime = ?", {name}).toLongLong();
}

// The current row of a list, its fields joined by "|" as the grid shows them.
QString currentRow(QWidget* w) {
    BoundGrid* g = grid(w);
    QStringList cells;
    for (int c = 0; c < g->listModel()->columnCount(); ++c)
        cells << g->listModel()->displayText(g->currentRow(), c);
    return cells.join(u'|');
}

// Quotes and a semicolon go into the table as typed, cut to 50.
const QString Long60 = "O'Brien \"Mali\"; DROP TABLE tbPoste" + QString(30, u'x');

} // namespace

class TestStaff : public FixtureTest {
    Q_OBJECT

    // The seeded person, then Ana, Bojan (on three invoices) and Cene.
    void prepare() override {
        for (const char* name : {"Ana", "Bojan", "Cene"})
            Db->execute("INSERT INTO tblSestavljavci (Ime) VALUES (?)", {QString(name)});
        for (const char* number : {"1", "2", "3"})
            addInvoice(*Db, {{"StevilkaRacuna", number}, {"Sestavljavec", staffId("Bojan")}});
    }

    // The lookup over a plain postcode box, shown and through its first tick.
    std::unique_ptr<I_poste> openLookup(QLineEdit* target) {
        auto w = std::make_unique<I_poste>(appContext(), target);
        w->show();
        QApplication::setActiveWindow(w.get());
        if (!QTest::qWaitFor([&] {
                return !w->findChild<QTimer*>("Timer1")->isActive() && w->sortColumn() == 1 &&
                       grid(w.get())->currentRow() == 0;
            }))
            return nullptr;
        return w;
    }

private Q_SLOTS:
    // The rules without a window; the window's rows below keep cutting,
    // renaming to nothing, and deleting staff on invoices or refused.
    void staffRules() {
        QVERIFY(!addStaff(*Db, QString()).written);
        for (auto [typed, code] : {std::pair{" 12a", 1200.0}, {"123", 1230.0}, {"1234", 1234.0}})
            QCOMPARE(widenedPostcode(typed), code);
        // A seek the engine refuses leaves the row where it was.
        auto posts = Db->openRecordset("tbPoste", RecordsetKind::Table);
        QVERIFY(posts->setIndex("Stev") && seekAtLeast(*posts, 4000.0));
        QCOMPARE(postcodeText(posts->field("Stev")), QString("4000"));
        refuse(*Db, SQLITE_READ, "tbPoste");
        const int at = posts->position();
        QVERIFY(!seekAtLeast(*posts, 5000.0));
        QCOMPARE(posts->position(), at);
        QVERIFY(!posts->readFailed());
    }

    // N_osebje: each button on a chosen row, with the input box answered
    // (null answer: Cancel).
    void staffWindow_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("asked");     // title|prompt|default of the input box
        QTest::addColumn<QStringList>("names"); // after the seeded person
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("message");
        const QStringList all{"Ana", "Bojan", "Cene"};
        // clang-format off
        QTest::newRow("add cut to 50") << 0 << "Command1" << Long60 << "Dodaj novega sestavljavca|Ime in priimek|"
            << all + QStringList{Long60.left(50)} << Long60.left(50) << "";
        QTest::newRow("add cancelled") << 1 << "Command1" << QString() << "Dodaj novega sestavljavca|Ime in priimek|"
            << all << "Ana" << "";
        QTest::newRow("rename with quotes") << 2 << "Command2" << "Bo'jan \"B\"" << "Sprememba podatkov|Ime in priimek|Bojan"
            << QStringList{"Ana", "Bo'jan \"B\"", "Cene"} << "Bo'jan \"B\"" << "";
        QTest::newRow("rename emptied") << 2 << "Command2" << "" << "Sprememba podatkov|Ime in priimek|Bojan"
            << all << "Bojan" << "";
        QTest::newRow("delete on invoices") << 2 << "Command3" << QString() << ""
            << all << "Bojan" << "Pridnih ne brišemo|Te osebe ne morem brisati, saj se pojavlja kot sestavljavec na 3 računih!";
        QTest::newRow("delete takes the next") << 1 << "Command3" << QString() << ""
            << QStringList{"Bojan", "Cene"} << "Bojan" << "";
        QTest::newRow("delete the last") << 3 << "Command3" << QString() << ""
            << QStringList{"Ana", "Bojan"} << "Bojan" << "";
        QTest::newRow("delete refused by the engine") << 3 << "Command3" << QString() << ""
            << all << "Cene" << "Napaka v bazi|Osebe ni bilo mogoče izbrisati:\nnot authorized";
        // clang-format on
    }
    void staffWindow() {
        QFETCH(int, row);
        QFETCH(QString, button);
        QFETCH(QString, answer);
        const QString seeded = staffNames().first();
        if (QByteArray(QTest::currentDataTag()).contains("engine"))
            refuse(*Db, SQLITE_DELETE, "tblSestavljavci");
        N_osebje w(appContext());
        w.show();
        QCOMPARE(w.windowTitle(), QString("Potencialni sestavljavci računa"));
        QCOMPARE(grid(&w)->listModel()->rowCount(), 4);
        ModalWatcher watcher;
        QString asked;
        watcher.dialogs["InputBox"] = [&](QWidget* box) {
            auto* input = qobject_cast<QInputDialog*>(box);
            asked = input->windowTitle() + u'|' + input->labelText() + u'|' + input->textValue();
            if (answer.isNull())
                return input->reject();
            input->setTextValue(answer);
            input->accept();
        };
        grid(&w)->moveToRow(row);
        w.findChild<QPushButton*>(button)->click();
        QTEST(asked, "asked");
        QTEST(staffNames().mid(1), "names");
        QCOMPARE(staffNames().first(), seeded);
        QTEST(currentRow(&w), "current");
        QTEST(watcher.seen.join(u'\n'), "message");
    }

    // I_poste: typing into one of its boxes, entered as the user enters it.
    void lookupTyping_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("row");   // the current row of the list
        QTest::addColumn<QString>("boxes"); // Text1|Text2
        // clang-format off
        QTest::newRow("1 is 1000") << "Text1" << "1" << "1000|Ljubljana" << "1|Ljubljana";
        QTest::newRow("13 is 1300") << "Text1" << "13" << "1301|Krka" << "13|Krka";
        QTest::newRow("0 moves nothing") << "Text1" << "0" << "1000|Ljubljana" << "0|";
        QTest::newRow("a letter moves nothing") << "Text1" << "k" << "1000|Ljubljana" << "k|";
        QTest::newRow("beyond the last") << "Text1" << "9999" << "9265|Bodonci" << "9999|Bodonci";
        QTest::newRow("negative") << "Text1" << "-5" << "1000|Ljubljana" << "-5|Ljubljana";
        QTest::newRow("place") << "Text2" << "Kr" << "4000|Kranj" << "4000|Kr";
        QTest::newRow("place with a quote") << "Text2" << "O'" << "6243|Obrov" << "6243|O'";
        QTest::newRow("place beyond the last") << "Text2" << "žž" << "8360|Žužemberk" << "8360|žž";
        // clang-format on
    }
    void lookupTyping() {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QLineEdit target;
        auto w = openLookup(&target);
        QVERIFY(w);
        QLineEdit* edit = box(w.get(), name);
        edit->setFocus(Qt::TabFocusReason);
        QCOMPARE(w->sortColumn(), name == "Text1" ? 0 : 1);
        for (QChar c : typed) // one keystroke at a time, letters beyond ASCII too
            edit->insert(c);
        QTEST(currentRow(w.get()), "row");
        QTEST(text(w.get(), "Text1") + u'|' + text(w.get(), "Text2"), "boxes");
        QVERIFY(target.text().isEmpty());
    }

    // I_poste: opening, ordering by header clicks and by entering a box, a
    // click in the list and "ok" handing back the postcode only.
    void lookupOrderingAndHandBack() {
        QLineEdit target("9999");
        auto w = openLookup(&target);
        QVERIFY(w);
        BoundListModel* model = grid(w.get())->listModel();
        QHeaderView* header = grid(w.get())->horizontalHeader();
        auto captions = [&] { return model->caption(0) + u'|' + model->caption(1); };
        auto boxes = [&] { return text(w.get(), "Text1") + u'|' + text(w.get(), "Text2"); };
        auto clickHeader = [&](int column) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, 5));
        };
        QCOMPARE(w->windowTitle(), QString("Poštna številka in kraj"));
        QCOMPARE(captions(), QString("Poštna št.|<< Kraj"));
        QCOMPARE(QApplication::focusWidget(), box(w.get(), "Text2"));
        QCOMPARE(boxes(), QString("|"));
        QCOMPARE(currentRow(w.get()), QString("8341|Adlešiči"));

        QTest::keyClicks(box(w.get(), "Text2"), "Kr");
        clickHeader(0);
        QCOMPARE(captions(), QString("<< Poštna št.|Kraj"));
        QCOMPARE(boxes(), QString("|"));
        QCOMPARE(currentRow(w.get()), QString("1000|Ljubljana"));
        QTest::keyClicks(box(w.get(), "Text2"), "Kr"); // on the postcode index: lands beyond
        QCOMPARE(currentRow(w.get()), QString("9265|Bodonci"));
        clickHeader(0); // again: afresh from the first row
        QCOMPARE(boxes(), QString("|"));
        QCOMPARE(currentRow(w.get()), QString("1000|Ljubljana"));

        clickHeader(1);
        QTest::keyClicks(box(w.get(), "Text2"), "Kr");
        box(w.get(), "Text1")->setFocus(Qt::TabFocusReason); // entering the postcode box
        QCOMPARE(captions(), QString("<< Poštna št.|Kraj"));
        QCOMPARE(boxes(), QString("|"));

        // A click fills both boxes once the list has moved; Down in a box walks on.
        BoundGrid* g = grid(w.get());
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                          g->visualRect(model->index(2, 1)).center());
        QVERIFY(QTest::qWaitFor([&] { return boxes() == "1211|Ljubljana - Šmartno"; }));
        QTest::keyClick(box(w.get(), "Text1"), Qt::Key_Down);
        QVERIFY(QTest::qWaitFor([&] { return boxes() == "1215|Medvode"; }));
        w->findChild<QPushButton*>("Command1")->click();
        QCOMPARE(target.text(), QString("1215"));
        QVERIFY(!w->isVisible());
    }
};

QTEST_MAIN(TestStaff)
#include "tst_staff.moc"
