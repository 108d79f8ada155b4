#include "EngineRefusal.h"
#include "TestSupport.h"
#include "app/Glavna.h"
#include "data/BoundGrid.h"
#include "data/Recordset.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QtTest>

using namespace valmir;

namespace {

// Records the editor with the OpenMode it was opened with and closes it;
// records the new-invoice question and presses `answer` there, or closes it.
struct Watcher : test::ModalWatcher {
    QString answer;
    Watcher() {
        dialogs["Racun"] = [this](QWidget* w) {
            seen << QString("Racun %1").arg(OpenMode);
            static_cast<QDialog*>(w)->reject();
        };
        dialogs["Nov_racun"] = [this](QWidget* w) {
            seen << "Nov_racun";
            if (answer.isEmpty())
                static_cast<QDialog*>(w)->reject();
            else
                w->findChild<QPushButton*>(answer)->click();
        };
    }
};

QStringList shownColumn(Glavna& w, int column) {
    QStringList texts;
    for (int row = 0; row < w.list()->listModel()->rowCount(); ++row)
        texts << w.list()->listModel()->displayText(row, column);
    return texts;
}

void clickHeader(Glavna& w, int column) {
    QHeaderView* header = w.list()->horizontalHeader();
    QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
              header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestGlavna : public test::FixtureTest {
    Q_OBJECT

    // Invoices in list order (numbers descending), each with two lines.
    void addInvoices(const QList<QVariantMap>& invoices) {
        int n = invoices.size();
        for (QVariantMap fields : invoices) {
            if (!fields.contains("StevilkaRacuna"))
                fields.insert("StevilkaRacuna", QString("2009/%1").arg(n, 3, 10, QChar('0')));
            --n;
            qint64 id = test::addInvoice(*Db, fields);
            test::addLine(*Db, id, test::operationId(*Db, 1, 1), 10.0, 1.0, QVariant(), 25.0);
            test::addLine(*Db, id, -1, QVariant(), QVariant(), QVariant(), 2.5);
        }
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
    void headerClicksSortByStoredValues() {
        QList<QVariantMap> invoices;
        for (const auto& [number, date, paid, name] :
             {std::tuple("2009/010", QDate(2009, 12, 20), true, "Dolenc"),
              {"2010/002", QDate(2010, 1, 5), false, "čuk"},
              {"2009/001", QDate(2009, 2, 3), true, "Cvek"},
              {"2009/100", QDate(), false, "ana"}})
            invoices.append(
                {{"StevilkaRacuna", number}, {"Datum", date}, {"Placan", paid}, {"Ime", name}});
        addInvoices(invoices);
        auto w = showWindow();
        BoundListModel* m = w->list()->listModel();
        const QStringList ascending{"2009/001", "2009/010", "2009/100", "2010/002"};
        QCOMPARE(m->recordSource(),
                 QString("SELECT * FROM tblRacun  ORDER BY StevilkaRacuna DESC"));
        QCOMPARE(shownColumn(*w, 0), QStringList(ascending.rbegin(), ascending.rend()));
        // The first columns fit in the window at its start.
        QVERIFY(w->list()->columnViewportPosition(5) + w->list()->columnWidth(5) <
                w->list()->viewport()->width());

        // Each click: the column, its caption then and what it shows from the top.
        const std::tuple<int, QString, QStringList> clicks[] = {
            {0, "<< Št. računa", ascending},
            {0, ">> Št. računa", QStringList(ascending.rbegin(), ascending.rend())},
            // Dates by the stored date, not by their text; no date first.
            {1, "<< Datum", {"", "3.2.2009", "20.12.2009", "5.1.2010"}},
            {2, "<< Plačan", {"Ne", "Ne", "Da", "Da"}},
            {2, ">> Plačan", {"Da", "Da", "Ne", "Ne"}},
            // Without regard to case, in the order of the Slovenian alphabet.
            {5, "<< Naročnik", {"ana", "Cvek", "čuk", "Dolenc"}},
            // A column sorted descending before starts ascending again.
            {0, "<< Št. računa", ascending},
        };
        auto [before, marked] = std::pair(0, QString(">> Št. računa"));
        for (const auto& [column, caption, shown] : clicks) {
            w->list()->moveToRow(2);
            clickHeader(*w, column);
            QCOMPARE(m->caption(column), caption);
            if (column != before) // the mark has left the former sort column
                QCOMPARE(m->caption(before), marked.mid(3));
            QCOMPARE(shownColumn(*w, column), shown);
            QCOMPARE(w->list()->currentIndex().row(), 0);
            before = column;
            marked = caption;
        }

        // A list that cannot be read is told once, and shows nothing.
        Watcher watcher;
        test::refuse(*Db, SQLITE_READ, "tblRacun", "Ime");
        clickHeader(*w, 5);
        QCOMPARE(watcher.seen.size(), 1);
        QVERIFY(watcher.seen.at(0).startsWith("Ne bo šlo|Seznama računov ni mogoče prebrati:\n"));
        QCOMPARE(m->rowCount(), 0);
    }

    void deleteAsksFirst_data() {
        QTest::addColumn<QString>("by");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("failing");
        QTest::newRow("yes") << "Command3" << 1 << true << "";
        QTest::newRow("yes on the last row") << "Command3" << 3 << true << "";
        QTest::newRow("Delete key") << "key" << 1 << true << "";
        QTest::newRow("no") << "Command3" << 1 << false << "";
        QTest::newRow("failing") << "Command3" << 1 << true << "tblRacunTarife";
    }
    void deleteAsksFirst() {
        QFETCH(QString, by);
        QFETCH(int, row);
        QFETCH(bool, yes);
        QFETCH(QString, failing);
        // A quote in a number is a value, not SQL.
        QStringList left{"2009/004", "2009/003", "2009/002", "2009/0'1"};
        QList<QVariantMap> invoices;
        for (const QString& number : left)
            invoices.append({{"StevilkaRacuna", number}});
        addInvoices(invoices);
        auto w = showWindow();
        Watcher watcher;
        if (!failing.isEmpty())
            test::refuse(*Db, SQLITE_DELETE, failing);
        w->list()->moveToRow(row);
        watcher.answers << (yes ? QMessageBox::Yes : QMessageBox::No);
        if (by == "key") {
            w->list()->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), w->list());
            QTest::keyClick(w->list(), Qt::Key_Delete);
        } else {
            w->findChild<QPushButton*>(by)->click();
        }
        QCOMPARE(watcher.seen.value(0), QString("Trenutek odločitve|Izbrani račun bo izbrisan "
                                                "za vse večne čase!\r\nJe to res tvoja želja?"));
        QCOMPARE(watcher.seen.size(), failing.isEmpty() ? 1 : 2);
        if (!failing.isEmpty())
            QVERIFY(watcher.seen.at(1).startsWith("Ne bo šlo|Računa ni bilo mogoče izbrisati"));
        if (yes && failing.isEmpty())
            left.removeAt(row);
        // The invoice goes with its lines; the next row, or the new last one, is current.
        QCOMPARE(shownColumn(*w, 0), left);
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblRacunTarife").toInt(), 2 * left.size());
        const int current = std::min<int>(row, left.size() - 1);
        QCOMPARE(w->list()->recordset()->field("StevilkaRacuna").toString(), left.at(current));
        QCOMPARE(w->list()->currentIndex().row(), current);
    }

    // Which editor, if any, each way of opening one brings up.
    void editorOpens_data() {
        QTest::addColumn<QStringList>("names"); // customers of the invoices, in list order
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("by");
        QTest::addColumn<QString>("answer"); // to the new-invoice question
        QTest::addColumn<QStringList>("seen");
        using L = QStringList;
        const L two{"  ", "Geodet d.o.o."};
        QTest::newRow("new, empty list") << L() << 0 << "Command1"
                                         << "" << L{"Racun 0"};
        QTest::newRow("open, empty list") << L() << 0 << "Command2"
                                          << "" << L();
        QTest::newRow("delete, empty list") << L() << 0 << "Command3"
                                            << "" << L();
        QTest::newRow("new, blank name") << two << 0 << "Command1"
                                         << "" << L{"Racun 0"};
        QTest::newRow("new, question closed") << two << 1 << "Command1"
                                              << "" << L{"Nov_racun"};
        QTest::newRow("new, same customer") << two << 1 << "Command1"
                                            << "Command2" << L{"Nov_racun", "Racun 2"};
        QTest::newRow("open") << two << 1 << "Command2"
                              << "" << L{"Racun 1"};
        QTest::newRow("double-click") << two << 1 << "double-click"
                                      << "" << L{"Racun 1"};
    }
    void editorOpens() {
        QFETCH(QStringList, names);
        QFETCH(int, row);
        QFETCH(QString, by);
        QFETCH(QString, answer);
        QFETCH(QStringList, seen);
        QList<QVariantMap> invoices;
        for (const QString& name : names)
            invoices.append({{"Ime", name}});
        addInvoices(invoices);
        auto w = showWindow();
        Watcher watcher;
        watcher.answer = answer;
        w->list()->moveToRow(row);
        OpenMode = 7; // the window must set it
        if (by == "double-click") {
            QRect cell = w->list()->visualRect(w->list()->listModel()->index(row, 3));
            QTest::mouseClick(w->list()->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(w->list()->viewport(), Qt::LeftButton, {}, cell.center());
        } else {
            QTest::mouseClick(w->findChild<QPushButton*>(by), Qt::LeftButton);
        }
        QCOMPARE(watcher.seen, seen);
        if (!names.isEmpty())
            QCOMPARE(w->list()->currentRow(), row);
    }

    void sizeTabOrderAndMenu() {
        auto w = showWindow();
        // Never smaller than 7470 x 3000 twips.
        w->resize(100, 100);
        QTRY_VERIFY(w->width() >= qRound(7470 * w->logicalDpiX() / 1440.0) &&
                    w->height() >= qRound(3000 * w->logicalDpiY() / 1440.0));

        // Tab goes from the list through the buttons in order and back.
        w->list()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), w->list());
        for (const char* name : {"Command1", "Command2", "Command3", "DBGrid1"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString(name));
        }

        // A window that is not there yet shows in the menu, disabled.
        QVERIFY(!w->findChild<QAction*>("M1_2")->isEnabled());
        w->findChild<QAction*>("M1_K")->trigger();
        QTRY_VERIFY(!w->isVisible());
    }
};

QTEST_MAIN(TestGlavna)
#include "tst_glavna.moc"
