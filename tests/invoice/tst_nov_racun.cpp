// The new-invoice question: which kind of new invoice, or none.

#include "app/Module1.h"
#include "app/Globals.h"
#include "invoice/Nov_racun.h"

#include <QGroupBox>
#include <QPushButton>
#include <QtTest>

using namespace valmir;

class TestNovRacun : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsAndCancel() {
        OpenMode = 1;
        Nov_racun question(QStringLiteral("Geo d.o.o."));
        QCOMPARE(question.windowTitle(), QString("Podvprašanje"));
        QCOMPARE(OpenMode, -1);
        auto* frame = question.findChild<QGroupBox*>();
        QVERIFY(frame);
        QCOMPARE(frame->title(), QString(" Za koga naj ustvarim nov račun? "));
        QCOMPARE(question.findChild<QPushButton*>("Command1")->text(),
                 QString("Za novega naročnika"));
        QCOMPARE(question.findChild<QPushButton*>("Command2")->text(), QString("Za Geo d.o.o."));
        question.show();
        question.close(); // the window button cancels
        QCOMPARE(OpenMode, -1);
        QCOMPARE(question.result(), int(QDialog::Rejected));
    }

    void escapeCancels() {
        Nov_racun question(QString{});
        QTimer::singleShot(0, &question, [&] { QTest::keyClick(&question, Qt::Key_Escape); });
        QCOMPARE(question.exec(), int(QDialog::Rejected));
        QCOMPARE(OpenMode, -1);
    }
};

QTEST_MAIN(TestNovRacun)
#include "tst_nov_racun.moc"
