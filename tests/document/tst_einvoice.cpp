// The e-invoice of a stored invoice: valid against the e-SLOG 2.0 schema
// (xmllint), its figures read back from the XML, every text as typed
// (less what XML cannot hold), and the refusals.

#include "TestSupport.h"

#include "document/EInvoice.h"
#include "invoice/CreditNote.h"
#include "invoice/Pricing.h"
#include "text/Messages.h"

#include <QProcess>
#include <QXmlStreamReader>

using namespace valmir;
using namespace valmir::test;

namespace {

// The texts of the XML's elements by their path below M_INVOIC
// ("G_SG26/S_LIN/D_1082"), in document order.
using Texts = QHash<QString, QStringList>;

Texts readTexts(const QByteArray& xml) {
    QXmlStreamReader r(xml);
    Texts out;
    QStringList path;
    QList<bool> leaf; // no element inside it (yet)
    QString text;
    while (!r.atEnd()) {
        const auto token = r.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (!leaf.isEmpty())
                leaf.last() = false;
            path << r.name().toString();
            leaf << true;
            text.clear();
        } else if (token == QXmlStreamReader::Characters) {
            text += r.text();
        } else if (token == QXmlStreamReader::EndElement) {
            if (leaf.takeLast())
                out[path.mid(2).join(u'/')] << text;
            path.removeLast();
        }
    }
    if (r.hasError())
        out[QStringLiteral("error")] << r.errorString();
    return out;
}

// xmllint's verdict on the document: empty when it validates.
QString schemaErrors(const QByteArray& xml) {
    const QString schema = qEnvironmentVariable("VALMIR_SOURCE_DIR") +
                           QStringLiteral("/../shared/eslog/eSLOG20_INVOIC_v200.xsd");
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/racun.xml");
    if (!QFileInfo::exists(schema) || !writeBytes(file, xml))
        return QStringLiteral("no schema at ") + schema;
    QProcess p;
    p.start("xmllint", {"--noout", "--nonet", "--schema", schema, file});
    if (!p.waitForFinished(60000))
        return "xmllint did not run (scripts/install-deps.sh installs it): " + p.errorString();
    return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardError());
}

const QStringList WorkedLines{
    "T1 Meritev parcele (skupen elaborat)|2|210|420.00|22S", "T2 Zakoličba|1|80|80.00|22S",
    "Ostali stroški v pavšalni vrednosti 10 % geodetske storitve|1|50|50.00|22S"};

} // namespace

class TestEInvoice : public FixtureTest {
    Q_OBJECT

    QTemporaryDir m_scratch;

    void prepare() override {
        QVERIFY(Db->execute(
            "UPDATE tblNastavitve SET Firma='Geodetska pisarna Žerjav d.o.o.', "
            "Naslov='Šentjurska 5', PST='3230', Posta='Šentjur', Telefon='03 123 45 67', "
            "Email='info@geo.si', Davcna='SI 1234 5678', TRR='SI56 0201 0001 2345 641', "
            "BIC='LJBASI2X'"));
        // The editor's working table holds a line of its own: it must stay.
        addWorkLine({1, 1, 1, 10, 1, {}});
    }

    // The worked example as saved: 2 x 100 points at 2,5 with 20 % and the
    // 70 % of the unified report, 32 points, the lump sum of 10 %, 22 %.
    void storeWorkedExample(const QVariantMap& changes = {}) {
        // clang-format off
        QVariantMap f{{"StevilkaRacuna", "2009/001"}, {"Ime", "Občina Šentjur"},
                      {"Naslov", "Mestni trg 10"}, {"PST", "3230"}, {"Posta", "Šentjur"},
                      {"KontaktnaOseba", "Špela Šuštar"}, {"Datum", QDate(2009, 12, 5)},
                      {"Veljavnost", 30}, {"VrednostTocke", 2.5}, {"ProcentPavsala", 10},
                      {"EnotenElaborat", true}, {"StopnjaDDV", 22},
                      {"Osnova", 550.0}, {"DDV", 121.0}, {"ZaPlacilo", 671.0}};
        // clang-format on
        f.insert(changes);
        const qint64 id = addInvoice(*Db, f);
        const QString add = "INSERT INTO tblTarife (TS1, TS2, TarifnaStevilka, GeodetskaStoritev, "
                            "\"70proc\") VALUES (?, 1, ?, ?, ?)";
        QVERIFY(Db->execute(add, {62, "T2", "Zakoličba", false}));
        addLine(*Db, id, operationId(*Db, 62, 1), 32, 1, {}, 80.0);
        QVERIFY(Db->execute(add, {61, "T1", "Meritev parcele", true}));
        addLine(*Db, id, operationId(*Db, 61, 1), 100, 2, 20, 420.0);
        addLine(*Db, id, LumpSumTariffId, {}, {}, {}, 50.0);
    }

    // A typed expense instead of the lump sum, 9,5 %, a service line of no
    // quantity (not printed), a validity of 14,5 days.
    void storeExpenseInvoice() {
        // clang-format off
        const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", "R-77"}, {"Ime", "Ana Kos"},
            {"Datum", QDate(2009, 12, 5)}, {"Veljavnost", 14.5}, {"VrednostTocke", 1.1},
            {"StopnjaDDV", 9.5}, {"Osnova", 154.55}, {"DDV", 14.68}, {"ZaPlacilo", 169.23}});
        // clang-format on
        addLine(*Db, id, operationId(*Db, 91, 1), {}, {}, {}, 22.55);
        addLine(*Db, id, operationId(*Db, 1, 2), 60, 0, {}, 0.0);
        addLine(*Db, id, operationId(*Db, 1, 1), 40, 3, {}, 132.0);
    }

    // The e-invoice, validated and read back.
    Texts make(const QString& number) {
        const EInvoiceResult r = eInvoiceOfStoredInvoice(*Db, number, m_scratch.path());
        if (!r.ok)
            return {{"refused", {r.error}}};
        const QString errors = schemaErrors(r.xml);
        return errors.isEmpty() ? readTexts(r.xml) : Texts{{"invalid", {errors}}};
    }

private Q_SLOTS:
    // The figures add up to the stored totals and the payment terms follow
    // the date. Lines read back as "name|quantity|price|amount|rate".
    void figures_data() {
        QTest::addColumn<int>("invoice");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<double>("base");
        QTest::addColumn<double>("vat");
        QTest::addColumn<QString>("due");
        QTest::addColumn<QString>("reference");
        QTest::newRow("worked example") << 0 << WorkedLines << 550.0 << 121.0 << "2010-01-04"
                                        << "SI1220090013";
        // Stored by an older version, no longer fitting its lines: the
        // lines' own totals, which a save would store, so that it adds up.
        QTest::newRow("stale stored totals") << 1 << WorkedLines << 550.0 << 121.0 << "2010-01-04"
                                             << "SI1220090013";
        QTest::newRow("expense line, no lump sum")
            << 2
            << QStringList{"1.1 Pridobitev podatkov zemljiškega katastra|3|44|132.00|9.5S",
                           "S.1 Upravna taksa|1|22.55|22.55|9.5S"}
            << 154.55 << 14.68 << "2009-12-19"
            << "SI12779";
    }
    void figures() {
        QFETCH(int, invoice);
        QFETCH(QStringList, lines);
        QFETCH(double, base);
        QFETCH(double, vat);
        if (invoice == 2)
            storeExpenseInvoice();
        else
            storeWorkedExample(invoice == 0 ? QVariantMap{}
                                            : QVariantMap{{"Osnova", 500.0}, {"DDV", 110.0}});
        Texts t = make(invoice == 2 ? "R-77" : "2009/001");
        QVERIFY2(!t.contains("refused") && !t.contains("invalid"),
                 qPrintable(t.value("refused").join("") + t.value("invalid").join("")));

        QStringList shown;
        double sum = 0;
        const QStringList amounts = t["G_SG26/G_SG27/S_MOA/C_C516/D_5004"];
        for (qsizetype i = 0; i < amounts.size(); ++i) {
            shown << QStringList{t["G_SG26/S_IMD/C_C273/D_7008"].value(i),
                                 t["G_SG26/S_QTY/C_C186/D_6060"].value(i),
                                 t["G_SG26/G_SG29/S_PRI/C_C509/D_5118"].value(i), amounts.at(i),
                                 t["G_SG26/G_SG34/S_TAX/C_C243/D_5278"].value(i) +
                                     t["G_SG26/G_SG34/S_TAX/D_5305"].value(i)}
                         .join(u'|');
            sum += amounts.at(i).toDouble();
        }
        QCOMPARE(shown, lines);
        QHash<QString, double> totals;
        for (qsizetype i = 0; i < t["G_SG50/S_MOA/C_C516/D_5025"].size(); ++i)
            totals.insert(t["G_SG50/S_MOA/C_C516/D_5025"].at(i),
                          t["G_SG50/S_MOA/C_C516/D_5004"].value(i).toDouble());
        const QHash<QString, double> expected{{"79", RoundCents(sum)},
                                              {"389", base},
                                              {"176", vat},
                                              {"388", RoundCents(base + vat)},
                                              {"9", RoundCents(base + vat)}};
        QCOMPARE(totals, expected);
        QCOMPARE(t["G_SG52/S_MOA/C_C516/D_5004"],
                 (QStringList{QString::number(base, 'f', 2), QString::number(vat, 'f', 2)}));

        QCOMPARE(t["S_DTM/C_C507/D_2005"], (QStringList{"137", "35"}));
        QCOMPARE(t["S_DTM/C_C507/D_2380"], (QStringList{"2009-12-05", "2009-12-05"}));
        QCOMPARE(t["G_SG8/S_DTM/C_C507/D_2005"], QStringList{"13"});
        QTEST(t["G_SG8/S_DTM/C_C507/D_2380"].value(0), "due");
        QCOMPARE(t["G_SG1/S_RFF/C_C506/D_1153"], QStringList{"PQ"});
        QTEST(t["G_SG1/S_RFF/C_C506/D_1154"].value(0), "reference");
        QCOMPARE(t["G_SG2/G_SG3/S_RFF/C_C506/D_1154"].value(0), QString("SI12345678"));
        QCOMPARE(t["G_SG2/S_FII/C_C078/D_3194"], QStringList{"SI56020100012345641"});
        QCOMPARE(t["G_SG2/S_FII/C_C088/D_3433"], QStringList{"LJBASI2X"});

        // Neither the editor's working table nor the scratch folder changed.
        QCOMPARE(tableCountWork(), 1);
        QCOMPARE(QDir(m_scratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // The credit note of the worked example is document type 381 that names
    // the invoice it takes back, with the invoice's figures (not negative)
    // and no reference to pay by.
    void creditNote() {
        storeWorkedExample();
        const qint64 invoice = Db->scalar("SELECT ID FROM tblRacun").toLongLong();
        const CreditNoteResult made = makeCreditNote(*Db, invoice, QDate(2026, 12, 7));
        QCOMPARE(int(made.outcome), int(CreditNoteOutcome::Made));
        Texts t = make(made.number);
        QVERIFY2(!t.contains("refused") && !t.contains("invalid"),
                 qPrintable(t.value("refused").join("") + t.value("invalid").join("")));
        QCOMPARE(t["S_BGM/C_C002/D_1001"], QStringList{"381"});
        QCOMPARE(t["G_SG1/S_RFF/C_C506/D_1153"], QStringList{"OI"});
        QCOMPARE(t["G_SG1/S_RFF/C_C506/D_1154"], QStringList{"2009/001"});
        QCOMPARE(t["G_SG1/S_DTM/C_C507/D_2380"], QStringList{"2009-12-05"});
        QCOMPARE(t["S_DTM/C_C507/D_2380"], (QStringList{"2026-12-07", "2026-12-07"}));
        QCOMPARE(t["G_SG50/S_MOA/C_C516/D_5004"],
                 (QStringList{"550.00", "550.00", "121.00", "671.00", "671.00"}));
    }

    // Every text typed into the customer's, the remark's or the office's
    // fields comes back as typed, less what XML cannot hold, and cut to
    // the format's length by characters, not halves of one.
    void textsAsTyped_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("office");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        const QString typed = QString::fromUtf8("Ž&<>\"'\x01😀č\x1b]");
        const QString back = QString::fromUtf8("Ž&<>\"'😀č]");
        const char* nad = "G_SG2/S_NAD/";
        const char* party[][3] = {
            {"Ime", "name", "C_C080/D_3036"},
            {"Naslov", "street", "C_C059/D_3042"},
            {"PST", "postcode", "D_3251"},
            {"Posta", "place", "D_3164"},
        };
        for (const auto& [column, row, path] : party) {
            QTest::addRow("customer %s", row)
                << "tblRacun" << column << false << nad + QString(path) << typed << back;
            QTest::addRow("office %s", row)
                << "tblNastavitve" << (column == QString("Ime") ? "Firma" : column) << true
                << nad + QString(path) << typed << back;
        }
        const QString phone = "G_SG2/G_SG5/S_COM/C_C076/D_3148";
        QTest::newRow("customer phone") << "tblRacun"
                                        << "Telefon" << false << phone << typed << back;
        QTest::newRow("office phone") << "tblNastavitve"
                                      << "Telefon" << true << phone << typed << back;
        QTest::newRow("contact person")
            << "tblRacun"
            << "KontaktnaOseba" << false << "G_SG2/G_SG5/S_CTA/C_C056/D_3412" << typed << back;
        const QString tax = "G_SG2/G_SG3/S_RFF/C_C506/D_1154";
        QTest::newRow("customer tax number") << "tblRacun"
                                             << "Davcna" << false << tax << typed << back;
        QTest::newRow("tax number in its form") << "tblRacun"
                                                << "Davcna" << false << tax << " si 8765 4321"
                                                << "SI87654321";
        const QString remark = "S_FTX/C_C108/D_4440";
        QTest::newRow("remark") << "tblRacun"
                                << "Opombe" << false << remark << typed << back;
        QTest::newRow("remark's line breaks") << "tblRacun"
                                              << "Opombe" << false << remark << "a\r\nb\tc"
                                              << "a\r\nb\tc";
        QTest::newRow("long remark in parts")
            << "tblRacun"
            << "Opombe" << false << remark << QString(1500, u'ž') + "\nx"
            << QString(1500, u'ž') + "\nx";
        const QString emoji = QString::fromUtf8("😀");
        QTest::newRow("long name cut by characters")
            << "tblRacun"
            << "Ime" << false << nad + QString("C_C080/D_3036") << QString(69, u'š') + emoji + "x"
            << QString(69, u'š') + emoji;
    }
    void textsAsTyped() {
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(bool, office);
        QFETCH(QString, path);
        QFETCH(QString, typed);
        storeWorkedExample();
        QVERIFY(Db->execute(QString("UPDATE %1 SET %2 = ?").arg(table, column), {typed}));
        Texts t = make("2009/001");
        QVERIFY2(!t.contains("refused") && !t.contains("invalid"),
                 qPrintable(t.value("refused").join("") + t.value("invalid").join("")));
        // The office comes first, the customer last; a remark's parts join.
        QString back = office ? t[path].value(0) : t[path].value(t[path].size() - 1);
        for (int part = 2; path.endsWith("D_4440") && part <= 5; ++part)
            back += t[path + QStringLiteral("_%1").arg(part)].join("");
        QTEST(back, "expected");
    }

    void refusals_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("title");
        const QString title = EInvoiceMessages::Title;
        QTest::newRow("not found")
            << "2009/002"
            << "" << EInvoiceMessages::NotFound.text.arg("2009/002") << title;
        const auto missing = [](const QString& what) {
            return EInvoiceMessages::Missing.text.arg("2009/001", what);
        };
        const struct {
            const char* row;
            const char* statement;
            QString what;
        } rows[] = {
            {"no lines", "DELETE FROM tblRacunTarife WHERE True", EInvoiceMessages::MissingLines},
            {"no amount on any line", "UPDATE tblRacunTarife SET Kolicina = 0, znesek = 0",
             EInvoiceMessages::MissingLines},
            {"no date", "UPDATE tblRacun SET Datum = NULL", EInvoiceMessages::MissingDate},
            {"no name", "UPDATE tblRacun SET Ime = '  '", EInvoiceMessages::MissingName},
            {"name XML cannot hold", "UPDATE tblRacun SET Ime = '\x01\x02'",
             EInvoiceMessages::MissingName},
            {"no VAT number", "UPDATE tblNastavitve SET Davcna = NULL",
             EInvoiceMessages::MissingVatNumber},
            {"VAT number of 7 digits", "UPDATE tblNastavitve SET Davcna = 'SI1234567'",
             EInvoiceMessages::MissingVatNumber},
            {"no account", "UPDATE tblNastavitve SET TRR = ''", EInvoiceMessages::MissingIban},
            {"account mistyped", "UPDATE tblNastavitve SET TRR = 'SI56 0201 0001 2345 642'",
             EInvoiceMessages::MissingIban},
            {"no settings row", "DELETE FROM tblNastavitve WHERE True",
             EInvoiceMessages::MissingVatNumber + ", " + EInvoiceMessages::MissingIban},
        };
        for (const auto& r : rows)
            QTest::newRow(r.row) << "2009/001" << r.statement << missing(r.what) << title;
        // What the engine refuses to read is told, never taken for no row.
        for (const char* table : {"tblRacun", "tblRacunTarife", "tblTarife", "tblNastavitve"})
            QTest::addRow("engine refuses %s", table)
                << "2009/001" << QString("refuse %1").arg(table) << "prohibited"
                << Titles::Database;
    }
    void refusals() {
        QFETCH(QString, number);
        QFETCH(QString, statement);
        QFETCH(QString, expected);
        storeWorkedExample();
        if (statement.startsWith("refuse "))
            refuse(*Db, SQLITE_READ, statement.mid(7));
        else if (!statement.isEmpty())
            QVERIFY2(Db->execute(statement), qPrintable(Db->lastError()));
        const EInvoiceResult r = eInvoiceOfStoredInvoice(*Db, number, m_scratch.path());
        refuseNothing(*Db);
        QVERIFY(!r.ok);
        QVERIFY(r.xml.isEmpty());
        // The engine's own words follow the message: a refused read on the
        // file, a table renamed away on the server.
        const QString words = Db->onServer() ? "does not exist" : "prohibited";
        QVERIFY2(r.error == expected || (expected == "prohibited" && r.error.contains(words)),
                 qPrintable(r.error));
        QTEST(r.title, "title");
        QCOMPARE(tableCountWork(), 1);
    }

private:
    static int tableCountWork() {
        return WorkDb->scalar("SELECT count(*) FROM tblTarifePregled").toInt();
    }
};

QTEST_MAIN(TestEInvoice)
#include "tst_einvoice.moc"
