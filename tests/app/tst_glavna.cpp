#include "TestSupport.h"
#include "app/Glavna.h"
#include "data/BoundGrid.h"
#include "data/Recordset.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace valmir;

namespace {

// A watcher that records the editor with the OpenMode it was opened with
// and closes it, and records the new-invoice question before `answer` deals
// with it (closed without a choice unless set).
struct Watcher : test::ModalWatcher {
    std::function<void(QDialog*)> newInvoiceQuestion = [](QDialog* d) { d->reject(); };
    Watcher() {
        dialogs["Racun"] = [this](QWidget* w) {
            seen << QStringLiteral("Racun %1").arg(OpenMode);
            static_cast<QDialog*>(w)->reject();
        };
        dialogs["Nov_racun"] = [this](QWidget* w) {
            seen << QStringLiteral("Nov_racun");
            newInvoiceQuestion(static_cast<QDialog*>(w));
        };
    }
};

const QString DeleteQuestion = "Trenutek odločitve|Izbrani račun bo izbrisan za vse večne čase!\r\n"
                               "Je to res tvoja želja?";

QPushButton* button(QWidget& w, const char* name) {
    auto* b = w.findChild<QPushButton*>(name);
    if (!b)
        qFatal("no button %s", name);
    return b;
}

QStringList shownColumn(Glavna& w, int column) {
    QStringList texts;
    for (int row = 0; row < w.list()->listModel()->rowCount(); ++row)
        texts << w.list()->listModel()->displayText(row, column);
    return texts;
}

QString currentNumber(Glavna& w) {
    return w.list()->recordset()->field("StevilkaRacuna").toString();
}

void clickHeader(Glavna& w, int column) {
    QHeaderView* header = w.list()->horizontalHeader();
    QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
              header->height() / 2);
    QVERIFY(header->viewport()->rect().contains(at));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

int linesOf(qint64 invoice) {
    return Db->scalar("SELECT count(*) FROM tblRacunTarife WHERE ID_racun=?", {invoice}).toInt();
}

} // namespace

class TestGlavna : public test::FixtureTest {
    Q_OBJECT

    qint64 addInvoice(const QString& number, const QVariantMap& more = {}) {
        QVariantMap fields = more;
        fields.insert("StevilkaRacuna", number);
        qint64 id = test::addInvoice(*Db, fields);
        test::addLine(*Db, id, test::operationId(*Db, 1, 1), 10.0, 1.0, QVariant(), 25.0);
        test::addLine(*Db, id, -1, QVariant(), QVariant(), QVariant(), 2.5);
        return id;
    }

    std::unique_ptr<Glavna> showWindow() {
        auto w = std::make_unique<Glavna>(appContext());
        w->resize(1100, 500);
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("window not active");
        return w;
    }

private Q_SLOTS:
    void opensSortedByNumberDescending() {
        for (const char* n : {"2009/010", "2010/002", "2009/001", "2009/100"})
            addInvoice(n);
        auto w = showWindow();
        QCOMPARE(w->windowTitle(),
                 QString("VALMIR 2009 - aplikacija za pripravo računa geodetske storitve"));
        BoundListModel* m = w->list()->listModel();
        QCOMPARE(w->list()->objectName(), QString("DBGrid1"));
        QCOMPARE(m->recordSource(),
                 QString("SELECT * FROM tblRacun  ORDER BY StevilkaRacuna DESC"));
        const QStringList captions{
            ">> Št. računa",   "Datum",      "Plačan", "Storitev", "Zadeva",  "Naročnik",
            "Kontaktna oseba", "Naslov",     "Pošta",  "Kraj",     "Telefon", "Faks",
            "E-mail",          "Davčna št.", "TRR",    "Opombe"};
        QCOMPARE(m->columnCount(), captions.size());
        for (int i = 0; i < captions.size(); ++i)
            QCOMPARE(m->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString(), captions.at(i));
        QCOMPARE(shownColumn(*w, 0), (QStringList{"2010/002", "2009/100", "2009/010", "2009/001"}));
        QCOMPARE(w->list()->currentRow(), 0);
        QCOMPARE(w->list()->currentIndex().row(), 0);
        QCOMPARE(m->displayText(0, 2), QString());
        // No column is wider than needed for its caption and values: the
        // first columns fit in the window at its start.
        QVERIFY(w->list()->columnViewportPosition(5) + w->list()->columnWidth(5) <
                w->list()->viewport()->width());
    }

    void headerClicksSortByStoredValues() {
        addInvoice("2009/010",
                   {{"Datum", QDate(2009, 12, 20)}, {"Placan", true}, {"Ime", "Dolenc"}});
        addInvoice("2010/002", {{"Datum", QDate(2010, 1, 5)}, {"Placan", false}, {"Ime", "čuk"}});
        addInvoice("2009/001", {{"Datum", QDate(2009, 2, 3)}, {"Placan", true}, {"Ime", "Cvek"}});
        addInvoice("2009/100", {{"Placan", false}, {"Ime", "ana"}});
        auto w = showWindow();
        BoundListModel* m = w->list()->listModel();

        clickHeader(*w, 0);
        QCOMPARE(m->caption(0), QString("<< Št. računa"));
        QCOMPARE(m->recordSource(), QString("SELECT * FROM tblRacun  ORDER BY StevilkaRacuna ASC"));
        QCOMPARE(shownColumn(*w, 0), (QStringList{"2009/001", "2009/010", "2009/100", "2010/002"}));
        QCOMPARE(w->list()->currentRow(), 0);
        clickHeader(*w, 0);
        QCOMPARE(m->caption(0), QString(">> Št. računa"));
        QCOMPARE(shownColumn(*w, 0), (QStringList{"2010/002", "2009/100", "2009/010", "2009/001"}));

        // Dates by the stored date, not by their text; the invoice without a
        // date first.
        w->list()->moveToRow(2);
        clickHeader(*w, 1);
        QCOMPARE(m->caption(0), QString("Št. računa"));
        QCOMPARE(m->caption(1), QString("<< Datum"));
        QCOMPARE(shownColumn(*w, 1), (QStringList{"", "3.2.2009", "20.12.2009", "5.1.2010"}));
        QCOMPARE(w->list()->currentRow(), 0);
        QCOMPARE(w->list()->currentIndex().row(), 0);

        clickHeader(*w, 2);
        QCOMPARE(m->caption(1), QString("Datum"));
        QCOMPARE(m->caption(2), QString("<< Plačan"));
        QCOMPARE(shownColumn(*w, 2), (QStringList{"Ne", "Ne", "Da", "Da"}));
        clickHeader(*w, 2);
        QCOMPARE(m->caption(2), QString(">> Plačan"));
        QCOMPARE(shownColumn(*w, 2), (QStringList{"Da", "Da", "Ne", "Ne"}));

        // Names without regard to case, in the order of the Slovenian alphabet.
        clickHeader(*w, 5);
        QCOMPARE(m->caption(2), QString("Plačan"));
        QCOMPARE(m->caption(5), QString("<< Naročnik"));
        QCOMPARE(m->recordSource(), QString("SELECT * FROM tblRacun  ORDER BY Ime ASC"));
        QCOMPARE(shownColumn(*w, 5), (QStringList{"ana", "Cvek", "čuk", "Dolenc"}));

        // Back on a column sorted descending before: ascending again.
        clickHeader(*w, 0);
        QCOMPARE(m->caption(5), QString("Naročnik"));
        QCOMPARE(m->caption(0), QString("<< Št. računa"));
        QCOMPARE(shownColumn(*w, 0), (QStringList{"2009/001", "2009/010", "2009/100", "2010/002"}));
    }

    void deleteAskedAndAnsweredYesRemovesInvoiceWithLines() {
        QList<qint64> ids;
        // A quote in a number is a value, not SQL.
        for (const char* n : {"2009/004", "2009/003", "2009/002", "2009/0'1"})
            ids << addInvoice(n);
        auto w = showWindow();
        Watcher watcher;
        w->list()->moveToRow(1);
        watcher.answers << QMessageBox::Yes;
        QTest::mouseClick(button(*w, "Command3"), Qt::LeftButton);
        QCOMPARE(watcher.seen, QStringList{DeleteQuestion});
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacun WHERE ID=?", {ids[1]}).toInt(), 0);
        QCOMPARE(linesOf(ids[1]), 0);
        QCOMPARE(linesOf(ids[2]), 2);
        QCOMPARE(shownColumn(*w, 0), (QStringList{"2009/004", "2009/002", "2009/0'1"}));
        QCOMPARE(currentNumber(*w), QString("2009/002"));
        QCOMPARE(w->list()->currentIndex().row(), 1);

        // The last invoice: the new last one becomes current.
        w->list()->moveToRow(2);
        watcher.answers << QMessageBox::Yes;
        QTest::mouseClick(button(*w, "Command3"), Qt::LeftButton);
        QCOMPARE(linesOf(ids[3]), 0);
        QCOMPARE(currentNumber(*w), QString("2009/002"));
        QCOMPARE(w->list()->currentIndex().row(), 1);

        // The Delete key on the list asks the same question.
        watcher.seen.clear();
        w->activateWindow(); // the closed box does not give it back here
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->list()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), w->list());
        QTest::keyClick(w->list(), Qt::Key_Delete);
        QCOMPARE(watcher.seen, QStringList{DeleteQuestion});
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacun").toInt(), 2);
    }

    void deleteAnsweredNoKeepsEverything() {
        qint64 first = addInvoice("2009/002");
        addInvoice("2009/001");
        auto w = showWindow();
        Watcher watcher;
        watcher.answers << QMessageBox::No;
        QTest::mouseClick(button(*w, "Command3"), Qt::LeftButton);
        QCOMPARE(watcher.seen, QStringList{DeleteQuestion});
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacun").toInt(), 2);
        QCOMPARE(linesOf(first), 2);
        QCOMPARE(currentNumber(*w), QString("2009/002"));
    }

    void failedDeleteKeepsInvoiceAndLinesAndSaysWhy() {
        qint64 first = addInvoice("2009/002");
        addInvoice("2009/001");
        auto w = showWindow();
        Watcher watcher;
        Db->setFailingStatementForTest("DELETE FROM tblRacunTarife");
        watcher.answers << QMessageBox::Yes;
        QTest::mouseClick(button(*w, "Command3"), Qt::LeftButton);
        QCOMPARE(watcher.seen.size(), 2);
        QVERIFY(watcher.seen.at(1).startsWith("Ne bo šlo|Računa ni bilo mogoče izbrisati"));
        QVERIFY(watcher.seen.at(1).contains("DELETE FROM tblRacunTarife"));
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacun").toInt(), 2);
        QCOMPARE(linesOf(first), 2);
        QCOMPARE(shownColumn(*w, 0), (QStringList{"2009/002", "2009/001"}));
        QCOMPARE(currentNumber(*w), QString("2009/002"));
    }

    void emptyListStartsANewInvoiceWithoutAsking() {
        auto w = showWindow();
        Watcher watcher;
        QTest::mouseClick(button(*w, "Command2"), Qt::LeftButton);
        QTest::mouseClick(button(*w, "Command3"), Qt::LeftButton);
        QTest::qWait(50);
        QCOMPARE(watcher.seen, QStringList());
        OpenMode = 1;
        QTest::mouseClick(button(*w, "Command1"), Qt::LeftButton);
        QCOMPARE(watcher.seen, QStringList{"Racun 0"});
    }

    void newInvoiceAsksForWhomWhenTheRowHasACustomer() {
        addInvoice("2009/002", {{"Ime", "  "}});
        addInvoice("2009/001", {{"Ime", "Geodet d.o.o."}});
        auto w = showWindow();
        Watcher watcher;
        // The current row has a blank name: a new customer without asking.
        OpenMode = 1;
        QTest::mouseClick(button(*w, "Command1"), Qt::LeftButton);
        QCOMPARE(watcher.seen, QStringList{"Racun 0"});

        watcher.seen.clear();
        w->list()->moveToRow(1);
        QTest::mouseClick(button(*w, "Command1"), Qt::LeftButton);
        QCOMPARE(watcher.seen, QStringList{"Nov_racun"}); // closed: no editor

        watcher.seen.clear();
        watcher.newInvoiceQuestion = [](QDialog* d) {
            d->findChild<QPushButton*>("Command2")->click();
        };
        QTest::mouseClick(button(*w, "Command1"), Qt::LeftButton);
        QCOMPARE(watcher.seen, (QStringList{"Nov_racun", "Racun 2"}));
    }

    void openInvoiceByButtonDoubleClickAndEnter() {
        addInvoice("2009/002");
        addInvoice("2009/001");
        auto w = showWindow();
        Watcher watcher;
        OpenMode = 0;
        QTest::mouseClick(button(*w, "Command2"), Qt::LeftButton);
        QCOMPARE(watcher.seen, QStringList{"Racun 1"});

        OpenMode = 0;
        QRect cell = w->list()->visualRect(w->list()->listModel()->index(1, 3));
        QTest::mouseClick(w->list()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(w->list()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(watcher.seen, (QStringList{"Racun 1", "Racun 1"}));
        QCOMPARE(currentNumber(*w), QString("2009/001"));

        w->list()->setFocus();
        QTest::keyClick(w->list(), Qt::Key_Return);
        QCOMPARE(watcher.seen.size(), 3);
    }

    void keepsItsMinimumSizeAndLayout() {
        auto w = showWindow();
        const QSize minimum(qRound(7470 * w->logicalDpiX() / 1440.0),
                            qRound(3000 * w->logicalDpiY() / 1440.0));
        QCOMPARE(w->minimumSize(), minimum);
        w->resize(100, 100);
        QTRY_VERIFY(w->width() >= minimum.width() && w->height() >= minimum.height());

        for (QSize size : {QSize(700, 300), QSize(1300, 700)}) {
            w->resize(size);
            QTRY_COMPARE(w->size(), size);
            QCoreApplication::processEvents();
            BoundGrid* grid = w->list();
            QRect g(grid->mapTo(w.get(), QPoint(0, 0)), grid->size());
            auto geometry = [&](const char* name) {
                QPushButton* b = button(*w, name);
                return QRect(b->mapTo(w.get(), QPoint(0, 0)), b->size());
            };
            QRect b1 = geometry("Command1"), b2 = geometry("Command2"), b3 = geometry("Command3");
            QCOMPARE(b1.left(), g.left());
            QCOMPARE(b3.right(), g.right());
            QVERIFY(qAbs(b2.center().x() - g.center().x()) <= 1);
            QCOMPARE(b1.top(), b2.top());
            QCOMPARE(b2.top(), b3.top());
            QVERIFY(b1.top() > g.bottom());
            QVERIFY(b1.bottom() < w->height());
            QVERIFY(g.width() > w->width() - 40);
        }

        // Tab goes from the list through the buttons in order and back.
        w->list()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), w->list());
        for (const char* name : {"Command1", "Command2", "Command3"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), button(*w, name));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w->list());
    }

    void menuHoldsEveryItem() {
        auto w = showWindow();
        QStringList menus;
        for (QAction* a : w->menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, (QStringList{"&Podatki", "&Nastavitve", "&Pomoč"}));
        QStringList inMenus;
        for (QAction* menu : w->menuBar()->actions())
            for (QAction* a : menu->menu()->actions())
                inMenus << (a->isSeparator() ? QString("-") : a->objectName());
        QCOMPARE(inMenus, (QStringList{"M1_1a", "M1_1b", "-", "M1_2", "-", "M1_K", "M2_1", "M2_W",
                                       "-", "M2_2", "M2_3", "M3_1", "-", "M3_2"}));
        auto* quit = w->findChild<QAction*>("M1_K");
        QVERIFY(quit->isEnabled());
        quit->trigger();
        QTRY_VERIFY(!w->isVisible());
    }
};

QTEST_MAIN(TestGlavna)
#include "tst_glavna.moc"
