#include "TestSupport.h"
#include "data/Schema.h"
#include "data/Seed.h"

using namespace valmir;

namespace {

// The lines of a shipped seed file, without its header.
QStringList csvLines(const QString& name) {
    const QString path = qEnvironmentVariable("VALMIR_SOURCE_DIR") + "/resources/" + name;
    return QString::fromUtf8(test::readBytes(path)).split(u'\n', Qt::SkipEmptyParts).mid(1);
}

QStringList firstColumn(Database& db, const QString& sql) {
    auto rs = db.openRecordset(sql, RecordsetKind::Snapshot);
    QStringList out;
    for (int p = 0; rs && p < rs->recordCount(); ++p)
        out << rs->value(p, 0).toString();
    return out;
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

    // The post offices, services and tariff are the shipped files, row by
    // row; "1.10" stays a tariff number, not the number 1.1.
    void contentAsShipped() {
        QString error;
        auto db = Database::open(m_path, Schema::dataPassword(), &error);
        QVERIFY2(db, qPrintable(error));
        QCOMPARE(firstColumn(*db, "SELECT printf('%d;%s', Stev, Posta) FROM tbPoste"),
                 csvLines("poste.csv"));
        QCOMPARE(firstColumn(*db, "SELECT printf('%g;%s;%s', TS1, GeodetskaStoritev, Opomba) "
                                  "FROM tblGeodetskaStoritev ORDER BY TS1"),
                 csvLines("storitve.csv"));
        QCOMPARE(firstColumn(*db, "SELECT printf('%g;%g;%s;%s;%g;%d;%d;%d', TS1, TS2, "
                                  "TarifnaStevilka, GeodetskaStoritev, Tocke, AktivnaPostavka, "
                                  "Master, \"70proc\") FROM tblTarife ORDER BY TS1, TS2"),
                 csvLines("tarifa.csv"));
        QCOMPARE(db->scalar("SELECT count(*) FROM tblTarife WHERE Izbrana IS NOT 0").toInt(), 0);
        // One settings row, its firm's fields empty, and one staff member.
        QCOMPARE(firstColumn(*db, "SELECT printf('%g;%g;%g;%d;%d;%s;', StRacuna, VrednostTocke, "
                                  "Veljavnost, Tolarji, GlavaVzporedno, NaDnu) || Firma || Naslov "
                                  "|| PST || Posta || Telefon || Faks || Email || Davcna || TRR "
                                  "FROM tblNastavitve"),
                 QStringList("1;0.75;30;0;1;Hvala za zaupanje.;"));
        QCOMPARE(db->scalar("SELECT count(*) FROM tblSestavljavci WHERE Ime <> ''").toInt(), 1);
    }

    void dataFileIsEncrypted() {
        QString error;
        QVERIFY(!Database::open(m_path, "7tav350kR", &error)); // the key is not case-folded
        QVERIFY(!error.isEmpty());
        const QByteArray bytes = test::readBytes(m_path);
        QVERIFY(bytes.size() > 4096);
        for (const char* plain :
             {"tblRacun", "tbPoste", "CREATE TABLE", "SQLite format", "Ljubljana", "Hvala"})
            QVERIFY2(!bytes.contains(plain), plain);
    }
};

QTEST_GUILESS_MAIN(TestSeed)
#include "tst_seed.moc"
