#include "TestSupport.h"
#include "data/Schema.h"
#include "invoice/Turnover.h"
#include "text/Clock.h"
#include "text/TextForms.h"
#include "windows/Pregled.h"
#include "windows/TurnoverChart.h"

#include <QBarSet>
#include <QChartView>
#include <QStackedBarSeries>
#include <QTableWidget>
#include <QValueAxis>

using namespace valmir;
using namespace valmir::test;

// What the engine sums for a year ("2019"), a month ("2019-03") or the invoices
// without a date (""): count, base, VAT, total, paid, unpaid; all times 100.
static QList<qint64> sqlSums(const QString& period) {
    auto rs = Db->openRecordset(
        "SELECT count(*), sum(Osnova), sum(DDV), sum(ZaPlacilo), "
        "sum(CASE WHEN Placan THEN ZaPlacilo END), "
        "sum(CASE WHEN ifnull(Placan, False) = False THEN ZaPlacilo END) FROM tblRacun WHERE " +
            QString(period.isEmpty() ? "Datum IS NULL" : "substr(Datum, 1, ?) = ?"),
        RecordsetKind::Snapshot,
        period.isEmpty() ? QVariantList{} : QVariantList{period.size(), period});
    QList<qint64> out;
    for (const QString& f : rs->fieldNames())
        out << qRound64(rs->field(f).toDouble() * 100);
    return out;
}

static QList<qint64> sumsOf(const TurnoverRow& r) {
    return {r.invoices * 100LL,      qRound64(r.base * 100), qRound64(r.vat * 100),
            qRound64(r.total * 100), qRound64(r.paid * 100), qRound64(r.unpaid * 100)};
}

class TestPregled : public FixtureTest {
    Q_OBJECT

    // Invoices of 2019 and 2021 on varying days, paid and not, one without
    // totals (never saved with them), one with Null "Plačan", two undated.
    void prepare() override {
        setTodayForTest(QDate(2031, 3, 4));
        for (int i = 0; i < 60; ++i) {
            const int year = i % 3 == 0 ? 2021 : 2019;
            const double base = 100 + i * 13.37, vat = std::round(base * 22) / 100;
            QVariantMap f{
                {"StevilkaRacuna", QString("%1/%2").arg(year).arg(i)},
                {"Datum", QDate(year, 1 + (i * 7) % 12, 1 + (i * 11) % 28).toString(Qt::ISODate)},
                {"Placan", i == 7 ? QVariant() : QVariant(i % 4 == 0)}};
            if (i != 5)
                f.insert({{"Osnova", base}, {"DDV", vat}, {"ZaPlacilo", base + vat}});
            if (i == 8 || i == 9)
                f.remove("Datum");
            addInvoice(*Db, f);
        }
    }

private Q_SLOTS:
    void sumsByMonthAgreeWithTheEngine_data() {
        QTest::addColumn<int>("year");
        QTest::newRow("2019") << 2019;
        QTest::newRow("2021") << 2021;
        QTest::newRow("no invoices") << 1999;
    }
    void sumsByMonthAgreeWithTheEngine() {
        QFETCH(int, year);
        const YearTurnover t = turnoverOfYear(*Db, year);
        QVERIFY(t.ok);
        for (int m = 1; m <= 12; ++m)
            QCOMPARE(sumsOf(t.months.value(m - 1)), sqlSums(QDate(year, m, 1).toString("yyyy-MM")));
        QCOMPARE(sumsOf(t.sum), sqlSums(QString::number(year)));
        QCOMPARE(sumsOf(t.undated), sqlSums(QString()));
        QCOMPARE(t.undated.invoices, 2);
    }

    // The years with invoices offered, latest first; table, chart, CSV of the one chosen.
    void windowShowsAndExportsTheYear() {
        Pregled w(appContext());
        QVERIFY(w.isLoaded());
        auto* years = w.findChild<QComboBox*>("Combo1");
        QCOMPARE(years->count(), 2);
        QCOMPARE(years->itemText(0), QString("2021"));
        years->setCurrentIndex(1);
        const YearTurnover expected = turnoverOfYear(*Db, 2019);
        QCOMPARE(w.turnover().year, 2019);
        auto* table = w.findChild<QTableWidget*>("Grid1");
        QCOMPARE(table->rowCount(), 14); // 12 months, the year, without a date
        QCOMPARE(table->item(13, 0)->text(), QString("Brez datuma"));
        auto* chart = w.findChild<QChartView*>("Chart1");
        auto* s = qobject_cast<QStackedBarSeries*>(chart->chart()->series().value(0));
        QVERIFY(s && s->barSets().value(0)->label() == "Plačano");
        for (int m = 0; m < 12; ++m)
            QCOMPARE(s->barSets()[0]->at(m) + s->barSets()[1]->at(m), expected.months[m].total);
        QTemporaryDir dir;
        QVERIFY(w.exportCsv(dir.filePath("promet.csv")));
        const QByteArray csv = readBytes(dir.filePath("promet.csv"));
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(csv.mid(3)).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 15);
        QCOMPARE(lines[0], QString("Mesec;Računov;Osnova;DDV;Skupaj;Plačano;Neplačano"));
        QCOMPARE(lines[3].section(';', 0, 0), QString("marec"));
        QStringList total{"Skupaj 2019", QString::number(expected.sum.invoices)};
        for (qint64 cents : sumsOf(expected.sum).mid(1))
            total << QString::number(cents / 100.0, 'f', 2).replace('.', ',');
        QCOMPARE(lines[13], total.join(';'));
        QCOMPARE(table->item(12, 0)->text(), total[0]);
        QCOMPARE(table->item(12, 4)->text(), currencyText(expected.sum.total));
        // A file that cannot be written is told, not reported as written.
        ModalWatcher watcher;
        QVERIFY(!w.exportCsv(dir.filePath("no/such/folder/promet.csv")));
        QCOMPARE(watcher.seen.size(), 1);
        QVERIFY(watcher.seen[0].startsWith("Ne bo šlo|Datoteke "));
    }

    // "Izvozi CSV" aimed at the data file, by its name or through a link, or at the work
    // template writes nothing and says why; the data stay those a start reads and take
    // writes. Another file of the data folder takes the CSV.
    void csvNeverReplacesTheProgramsFiles_data() {
        QTest::addColumn<QString>("chosen"); // in the data folder
        QTest::addColumn<bool>("refused");
        QTest::newRow("the data database") << "valmir2009.db" << true;
        QTest::newRow("a link to it") << "promet.csv" << true;
        QTest::newRow("the template") << "tmp.db" << true;
        QTest::newRow("another file") << "promet_2021.csv" << false;
    }
    void csvNeverReplacesTheProgramsFiles() {
        QFETCH(QString, chosen);
        QFETCH(bool, refused);
        if (DatabasePath.isEmpty())
            QSKIP("the program's own files beside a data file");
        const QString path = AppFolder + chosen;
        if (chosen == "promet.csv")
            QVERIFY(QFile::link(DatabasePath, path));
        const QByteArray data = readBytes(DatabasePath), work = readBytes(AppFolder + "tmp.db");
        Pregled w(appContext());
        ModalWatcher watcher;
        watcher.answers = {QMessageBox::Yes}; // the file dialog's "replace it?"
        watcher.dialogs["FileDialog"] = [&path](QWidget* dialog) {
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        };
        click(&w, "Command1");
        QCOMPARE(watcher.seen.size(), refused ? 2 : 0); // replace it?, and why not
        QVERIFY(!refused || watcher.seen.last().contains("ni mogoče prepisati"));
        QCOMPARE(readBytes(DatabasePath), data);
        QCOMPARE(readBytes(AppFolder + "tmp.db"), work);
        QCOMPARE(readBytes(path).startsWith("\xEF\xBB\xBFMesec;"), !refused);
        QVERIFY(addInvoice(*Db, {{"StevilkaRacuna", "2031/1"}}));
        QString error;
        auto fresh = Database::open(DatabasePath, Schema::dataPassword(), &error);
        QVERIFY2(fresh, qPrintable(error));
        QCOMPARE(
            fresh->scalar("SELECT count(*) FROM tblRacun WHERE StevilkaRacuna = '2031/1'").toInt(),
            1);
    }

    // The chart's axis holds December's bar whole, above zero and, for a
    // credit note not yet paid, below it.
    void chartAxisHoldsTheTallestBar_data() {
        QTest::addColumn<double>("paid");
        QTest::addColumn<double>("unpaid");
        QTest::newRow("paid only") << 1234.56 << 0.0;
        QTest::newRow("paid and unpaid") << 900.0 << 850.4;
        QTest::newRow("a credit note unpaid") << 1000.0 << -500.0;
        QTest::newRow("only a credit note") << 0.0 << -300.0;
    }
    void chartAxisHoldsTheTallestBar() {
        QFETCH(double, paid);
        QFETCH(double, unpaid);
        YearTurnover t;
        t.year = 2026;
        for (int m = 1; m <= 12; ++m)
            t.months << TurnoverRow{m, 1, 0, 0, 10, 5, 5};
        t.months.last() = TurnoverRow{12, 2, 0, 0, paid + unpaid, paid, unpaid};
        TurnoverChart chart;
        chart.show(t);
        chart.QWidget::show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        auto* y = qobject_cast<QValueAxis*>(chart.chart()->axes(Qt::Vertical).value(0));
        QVERIFY(y);
        QVERIFY2(y->max() >= std::max(paid, 0.0) + std::max(unpaid, 0.0),
                 qPrintable(QString::number(y->max())));
        QVERIFY2(y->min() <= std::min(paid, 0.0) + std::min(unpaid, 0.0),
                 qPrintable(QString::number(y->min())));
    }

    // No invoices: this year's empty months. Unreadable invoices: no window.
    void noInvoicesAndUnreadableData() {
        QVERIFY(Db->execute("DELETE FROM tblRacun"));
        Pregled empty(appContext());
        QVERIFY(empty.isLoaded());
        QCOMPARE(empty.findChild<QComboBox*>("Combo1")->currentText(), QString("2031"));
        QCOMPARE(empty.findChild<QTableWidget*>("Grid1")->rowCount(), 13); // no undated row
        refuse(*Db, SQLITE_READ, "tblRacun");
        ModalWatcher watcher;
        Pregled w(appContext());
        QVERIFY(!w.isLoaded());
        QCOMPARE(watcher.seen.size(), 1);
        QVERIFY(watcher.seen[0].startsWith("Ne bo šlo|Pregleda prometa ni mogoče prebrati:"));
    }
};

QTEST_MAIN(TestPregled)
#include "tst_pregled.moc"
