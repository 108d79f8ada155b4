// The editor's windows as a user sees them: nothing cut off, the grid takes
// the room when the window grows, the keyboard walks the header in order.
// With VALMIR_SCREENS set to a folder, the windows are also saved as PNG.

#include "tst_racun_support.h"

#include "app/Module1.h"
#include "app/Readers.h"
#include "invoice/Calendar.h"
#include "invoice/Nov_racun.h"

#include <QCalendarWidget>
#include <QDir>
#include <QTabWidget>

using namespace valmir;
using namespace valmir::test;

namespace {

void saveScreen(QWidget* w, const QString& name) {
    const QString folder = qEnvironmentVariable("VALMIR_SCREENS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    QVERIFY(w->grab().save(folder + u'/' + name + QStringLiteral(".png")));
}

// Every visible label and button shows its whole text.
void expectNothingCut(QWidget* window) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(window) || label->text().isEmpty() || label->wordWrap())
            continue;
        QVERIFY2(label->width() >= label->minimumSizeHint().width(), qPrintable(label->text()));
    }
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(window) || b->text().isEmpty())
            continue;
        QVERIFY2(b->width() >= b->minimumSizeHint().width(), qPrintable(b->text()));
    }
}

} // namespace

class TestRacunLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void editorTabs() {
        Fixture fixture;
        QVERIFY(fixture.start());
        setTodayForTest(QDate(2009, 12, 5));
        qint64 id = addInvoice(*Db, {{"StevilkaRacuna", "2009/017"}, {"Ime", "Geodetska pisarna Kranjc d.o.o."},
                                     {"Naslov", "Tržaška cesta 12"}, {"PST", "1000"},
                                     {"Posta", "Ljubljana"}, {"Telefon", "01 234 56 78"},
                                     {"KontaktnaOseba", "Marjeta Kranjc"},
                                     {"Opombe", "Meritve opravljene ob suhem vremenu."},
                                     {"Datum", QDate(2009, 12, 5)}, {"Email", "info@kranjc.si"},
                                     {"Delovisce", "Ureditev meje parc. 123/4"}, {"Zadeva", "Z-2009-17"},
                                     {"Davcna", "SI12345678"}, {"Veljavnost", 30.0},
                                     {"TRR", "SI56 0201 0001 2345 678"}, {"Sestavljavec", 1},
                                     {"EnotenElaborat", true}, {"Placan", false},
                                     {"ProcentPavsala", 10.0}, {"VrednostTocke", 0.75}});
        addLine(*Db, id, operationId(*Db, 1, 3), 250.0, 2.0, 20.0, QVariant());
        addLine(*Db, id, operationId(*Db, 1, 6), 180.0, 1.0, QVariant(), QVariant());
        addLine(*Db, id, operationId(*Db, 2, 5), 160.0, 1.0, QVariant(), QVariant());
        addLine(*Db, id, -1, QVariant(), QVariant(), QVariant(), QVariant());
        auto list = invoiceList();
        OpenMode = 1;
        Racun editor(list.get());
        QVERIFY(showAndSettle(editor));
        QCOMPARE(caption(&editor, "Label4"), money("829,62"));

        auto* tabs = child<QTabWidget>(&editor, "SSTab1");
        QCOMPARE(tabs->tabText(0), QString("Osnovni podatki"));
        QCOMPARE(tabs->tabText(1), QString("Obračun geodetske storitve"));
        tabs->setCurrentIndex(0);
        expectNothingCut(&editor);
        saveScreen(&editor, "racun_osnovni");

        // The header in the order one fills it in.
        QStringList order;
        QWidget* w = box(&editor, "Text1_0");
        for (int i = 0; i < 10; ++i) {
            order << w->objectName();
            w = w->nextInFocusChain();
            while (!w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(&editor))
                w = w->nextInFocusChain();
        }
        QCOMPARE(order, (QStringList{"Text1_0", "Text1_11", "Text1_12", "Text1_1", "Text1_2",
                                     "Text1_3", "Text1_4", "Text1_6", "Text1_8", "Command7"}));

        tabs->setCurrentIndex(1);
        expectNothingCut(&editor);
        saveScreen(&editor, "racun_obracun");
        // The grid takes the room of a bigger window.
        const QSize gridBefore = grid(&editor)->size();
        editor.resize(editor.width() + 200, editor.height() + 150);
        QTest::qWait(20);
        QVERIFY(grid(&editor)->width() >= gridBefore.width() + 150);
        QVERIFY(grid(&editor)->height() >= gridBefore.height() + 100);
        setTodayForTest(QDate());
    }

    void questionAndCalendar() {
        Nov_racun question(QStringLiteral("Geodetska pisarna Kranjc d.o.o."));
        question.show();
        QVERIFY(QTest::qWaitForWindowExposed(&question));
        expectNothingCut(&question);
        saveScreen(&question, "nov_racun");

        QLineEdit target;
        Calendar calendar(&target);
        calendar.findChild<QCalendarWidget*>("Calendar1")->setSelectedDate(QDate(2009, 12, 5));
        calendar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&calendar));
        saveScreen(&calendar, "calendar");
    }
};

QTEST_MAIN(TestRacunLayout)
#include "tst_racun_layout.moc"
