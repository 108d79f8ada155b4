// The new-invoice question: which kind of new invoice, or none.

#include "app/Globals.h"
#include "invoice/Nov_racun.h"

#include <QPushButton>
#include <QtTest>

using namespace valmir;

class TestNovRacun : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answers_data() {
        QTest::addColumn<QString>("answer"); // a button, or a key
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("result");
        QTest::newRow("new customer") << "Command1" << 0 << int(QDialog::Accepted);
        QTest::newRow("Enter picks a new customer") << "Enter" << 0 << int(QDialog::Accepted);
        QTest::newRow("Escape") << "Escape" << -1 << int(QDialog::Rejected);
        QTest::newRow("window button") << "close" << -1 << int(QDialog::Rejected);
    }
    void answers() {
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
};

QTEST_MAIN(TestNovRacun)
#include "tst_nov_racun.moc"
