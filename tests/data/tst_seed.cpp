#include "TestSupport.h"
#include "data/Recordset.h"
#include "data/Schema.h"
#include "data/Seed.h"

#include <QtTest>

using namespace valmir;

namespace {

// The rows of a shipped seed file, header first.
QList<QStringList> csvRows(const QString& name) {
    QFile f(test::sourcePath("resources/" + name));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QList<QStringList> rows;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n'))
        if (!line.trimmed().isEmpty())
            rows << line.split(u';');
    return rows;
}

} // namespace

class TestSeed : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_path;

private Q_SLOTS:
    void initTestCase() {
        m_path = m_dir.filePath("valmir2009.db");
        QString error;
        QVERIFY2(Seed::createDataDatabase(m_path, &error), qPrintable(error));
        QVERIFY(!QFile::exists(m_path + ".part"));
    }

    void postOfficesAndTariffAsShipped() {
        QString error;
        auto db = Database::open(m_path, Schema::dataPassword(), &error);
        QVERIFY2(db, qPrintable(error));
        QCOMPARE(db->scalar("SELECT count(*) FROM tbPoste").toInt(), 466);
        QCOMPARE(db->scalar("SELECT count(DISTINCT Stev) FROM tbPoste").toInt(), 466);
        QCOMPARE(db->scalar("SELECT Posta FROM tbPoste WHERE Stev=1000").toString(),
                 QString("Ljubljana"));

        const QList<QStringList> services = csvRows("storitve.csv");
        QVERIFY(services.size() > 1);
        auto rs = db->openRecordset("SELECT * FROM tblGeodetskaStoritev ORDER BY TS1",
                                    RecordsetKind::Snapshot);
        QCOMPARE(rs->recordCount(), services.size() - 1);
        for (int i = 1; i < services.size(); ++i) {
            QCOMPARE(rs->value(i - 1, "TS1").toDouble(), services[i][0].toDouble());
            QCOMPARE(rs->value(i - 1, "GeodetskaStoritev").toString(), services[i][1]);
        }
        QVERIFY(!db->scalar("SELECT TS1 FROM tblGeodetskaStoritev WHERE TS1=91").isNull());
        QVERIFY(!db->scalar("SELECT TS1 FROM tblGeodetskaStoritev WHERE TS1=95").isNull());

        const QList<QStringList> tariff = csvRows("tarifa.csv");
        QCOMPARE(tariff.first(), QStringList({"TS1", "TS2", "TarifnaStevilka", "GeodetskaStoritev",
                                              "Tocke", "AktivnaPostavka", "Master", "70proc"}));
        auto ops =
            db->openRecordset("SELECT * FROM tblTarife ORDER BY TS1, TS2", RecordsetKind::Snapshot);
        QCOMPARE(ops->recordCount(), tariff.size() - 1);
        for (int i = 1; i < tariff.size(); ++i) {
            const QStringList& row = tariff[i];
            const int p = i - 1;
            QCOMPARE(ops->value(p, "TS1").toDouble(), row[0].toDouble());
            QCOMPARE(ops->value(p, "TS2").toDouble(), row[1].toDouble());
            // "1.10" is a tariff number, not the number 1.1.
            QCOMPARE(ops->value(p, "TarifnaStevilka").toString(), row[2]);
            QCOMPARE(ops->value(p, "GeodetskaStoritev").toString(), row[3]);
            QCOMPARE(ops->value(p, "Tocke").toDouble(), row[4].toDouble());
            QCOMPARE(ops->value(p, "AktivnaPostavka"), QVariant(row[5] == "1"));
            QCOMPARE(ops->value(p, "Master"), QVariant(row[6] == "1"));
            QCOMPARE(ops->value(p, "70proc"), QVariant(row[7] == "1"));
            QCOMPARE(ops->value(p, "Izbrana"), QVariant(false));
        }
    }

    void settingsRowAndStaff() {
        QString error;
        auto db = Database::open(m_path, Schema::dataPassword(), &error);
        auto rs = db->openRecordset("tblNastavitve", RecordsetKind::Table);
        QCOMPARE(rs->recordCount(), 1);
        QCOMPARE(rs->field("StRacuna").toDouble(), 1.0);
        QCOMPARE(rs->field("VrednostTocke").toDouble(), 0.75);
        QCOMPARE(rs->field("Veljavnost").toDouble(), 30.0);
        QCOMPARE(rs->field("Tolarji"), QVariant(false));
        QCOMPARE(rs->field("GlavaVzporedno"), QVariant(true));
        QCOMPARE(rs->field("NaDnu").toString(), QString("Hvala za zaupanje."));
        for (const char* f :
             {"Firma", "Naslov", "PST", "Posta", "Telefon", "Faks", "Email", "Davcna", "TRR"})
            QVERIFY2(rs->field(f).toString().isEmpty(), f);
        QCOMPARE(db->scalar("SELECT count(*) FROM tblSestavljavci").toInt(), 1);
        QVERIFY(!db->scalar("SELECT Ime FROM tblSestavljavci").toString().isEmpty());
    }

    void dataFileIsEncrypted() {
        QString error;
        QVERIFY(!Database::open(m_path, QString(), &error));
        QVERIFY(!error.isEmpty());
        error.clear();
        QVERIFY(!Database::open(m_path, "7tav350kR", &error));
        QVERIFY(!error.isEmpty());
        QFile f(m_path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.size() > 4096);
        for (const char* plain :
             {"tblRacun", "tbPoste", "CREATE TABLE", "SQLite format", "Ljubljana", "Hvala"})
            QVERIFY2(!bytes.contains(plain), plain);
    }

    void workTemplateIsEmptyAndIndexed() {
        const QString path = m_dir.filePath("tmp.db");
        QString error;
        QVERIFY2(Seed::createWorkTemplate(path, &error), qPrintable(error));
        auto db = Database::open(path, QString(), &error);
        QVERIFY2(db, qPrintable(error));
        QVERIFY(db->hasTables(Schema::workTables()));
        auto rs = db->openRecordset("tblTarifePregled", RecordsetKind::Table);
        QCOMPARE(rs->recordCount(), 0);
        QVERIFY(rs->eof());
        QVERIFY(rs->setIndex("ID"));
        QVERIFY(rs->setIndex("Red"));
        for (const char* f :
             {"ID_tarifa", "Tocke", "Kolicina", "Povisek", "znesek", "TarifnaStevilka", "TS1",
              "TS2", "70proc", "GeodetskaStoritev", "Master"})
            QVERIFY2(rs->fieldIndex(f) >= 0, f);
    }

    // A seed that cannot be written leaves no file that a later start would
    // take for a good database.
    void failedSeedLeavesNothing() {
        const QString path = m_dir.filePath("missing/folder/valmir2009.db");
        QString error;
        QVERIFY(!Seed::createDataDatabase(path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(path));
        QVERIFY(!QFile::exists(path + ".part"));
    }
};

QTEST_GUILESS_MAIN(TestSeed)
#include "tst_seed.moc"
