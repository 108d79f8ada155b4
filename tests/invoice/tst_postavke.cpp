#include "tst_racun_support.h"

#include "invoice/Postavke.h"

using namespace valmir;
using namespace valmir::test;

namespace {

// The tariff numbers of the operations chosen in the table.
QStringList chosen() {
    return queryRows("SELECT TarifnaStevilka FROM tblTarife WHERE Izbrana ORDER BY TS1, TS2");
}

QList<int> checkedRows(QListWidget* list) {
    QList<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            rows << i;
    return rows;
}

} // namespace

class TestPostavke : public FixtureTest {
    Q_OBJECT

    std::unique_ptr<Postavke> m_window;
    QComboBox* m_services = nullptr;
    QListWidget* m_operations = nullptr;

    void open() {
        m_window = std::make_unique<Postavke>(*Db, nullptr);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_services = m_window->findChild<QComboBox*>("Combo1");
        m_operations = m_window->findChild<QListWidget*>("List1");
        QVERIFY(m_services && m_operations);
    }
    void showService(int ts1) { m_services->setCurrentIndex(m_services->findData(double(ts1))); }
    // A click on the text of an item, as a user chooses an operation.
    void clickItem(int row) {
        QRect r = m_operations->visualItemRect(m_operations->item(row));
        QTest::mouseClick(m_operations->viewport(), Qt::LeftButton, {},
                          QPoint(r.right() - 20, r.center().y()));
    }

private Q_SLOTS:
    void cleanup() {
        m_window.reset();
        FixtureTest::cleanup();
    }

    void listsAndChoicesSurviveSwitchingServices() {
        QVERIFY(Db->execute("UPDATE tblTarife SET AktivnaPostavka = False WHERE TS1=1 AND TS2=2"));
        open();
        QCOMPARE(m_services->currentIndex(), 0);
        // Every operation of service 1 in TS2 order, the inactive one too.
        QCOMPARE(m_operations->count(), 6);
        QCOMPARE(m_operations->item(0)->text(),
                 QString("1.1  -  Pridobitev podatkov zemljiškega katastra"));

        clickItem(0);
        clickItem(2);
        showService(2);
        QVERIFY(checkedRows(m_operations).isEmpty());
        clickItem(4);
        // Back on service 1 its choices show again, read from the table.
        showService(1);
        QCOMPARE(checkedRows(m_operations), (QList<int>{0, 2}));
        QCOMPARE(chosen(), (QStringList{"1.1", "1.3", "2.5"}));
        clickItem(2); // a second click takes a choice back
        QCOMPARE(chosen(), (QStringList{"1.1", "2.5"}));

        // A click on the box itself toggles once, not twice; so does Space.
        const QRect r = m_operations->visualItemRect(m_operations->item(3));
        QTest::mouseClick(m_operations->viewport(), Qt::LeftButton, {},
                          QPoint(r.left() + r.height() / 2 + 2, r.center().y()));
        QCOMPARE(checkedRows(m_operations), (QList<int>{0, 3}));
        m_operations->setFocus();
        m_operations->setCurrentRow(4);
        QTest::keyClick(m_operations, Qt::Key_Space);
        QCOMPARE(chosen(), (QStringList{"1.1", "1.4", "1.5", "2.5"}));
        QTest::keyClick(m_operations, Qt::Key_Space);
        QCOMPARE(checkedRows(m_operations), (QList<int>{0, 3}));
    }

    void chooseAllAndNoneOnlyTouchTheShownService() {
        open();
        click(m_window.get(), "Command2_0");
        QCOMPARE(checkedRows(m_operations).size(), 6);
        showService(2);
        click(m_window.get(), "Command2_0");
        QCOMPARE(chosen().size(), 11);
        click(m_window.get(), "Command2_1");
        QVERIFY(checkedRows(m_operations).isEmpty());
        QCOMPARE(chosen(), (QStringList{"1.1", "1.2", "1.3", "1.4", "1.5", "1.6"}));
        showService(1);
        QCOMPARE(checkedRows(m_operations).size(), 6);

        // A service without operations: nothing to choose, no harm done.
        QVERIFY(Db->execute("INSERT INTO tblGeodetskaStoritev (TS1, GeodetskaStoritev) VALUES (7, "
                            "'Brez opravil')"));
        open();
        showService(7);
        QCOMPARE(m_operations->count(), 0);
        click(m_window.get(), "Command2_0");
        QVERIFY(chosen().isEmpty());
    }

    // Enter confirms as "Izbira je zaključena" does; the choices stay in the
    // table either way until the next opening.
    void endings_data() {
        QTest::addColumn<int>("ending");
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("Enter") << 1 << true;
        QTest::newRow("window button") << 2 << false;
        QTest::newRow("Escape") << 3 << false;
    }
    void endings() {
        QFETCH(int, ending);
        // Choices of an earlier opening and a stale confirmation are cleared.
        QVERIFY(Db->execute("UPDATE tblTarife SET Izbrana = True WHERE TS1=2"));
        PickConfirmed = true;
        open();
        QVERIFY(!PickConfirmed);
        QVERIFY(chosen().isEmpty());
        clickItem(0);
        m_operations->setFocus();
        if (ending == 2)
            m_window->close();
        else
            QTest::keyClick(m_operations, ending == 1 ? Qt::Key_Return : Qt::Key_Escape);
        QTEST(PickConfirmed, "confirmed");
        QVERIFY(!m_window->isVisible());
        QCOMPARE(chosen(), QStringList{"1.1"});
    }
};

QTEST_MAIN(TestPostavke)
#include "tst_postavke.moc"
