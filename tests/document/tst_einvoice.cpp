// The e-invoice of a stored invoice: valid against the e-SLOG 2.0 schema
// (xmllint), its figures read back from the XML, every text as typed
// (less what XML cannot hold), and the refusals.

#include "TestSupport.h"

#include "data/Database.h"
#include "document/EInvoice.h"
#include "invoice/CreditNote.h"
#include "invoice/Pricing.h"
#include "text/Messages.h"
#include "windows/N_data.h"

#include <QProcess>
#include <QRegularExpression>
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

// The XML as a tree, for reading the business terms of either format.
struct Node {
    QString name; // local
    QHash<QString, QString> attributes;
    QString text;
    QList<Node> children;

    const Node* child(const QString& n) const {
        for (const Node& c : children)
            if (c.name == n)
                return &c;
        return nullptr;
    }
    QList<const Node*> all(const QString& n) const {
        QList<const Node*> out;
        for (const Node& c : children)
            if (c.name == n)
                out << &c;
        return out;
    }
    // The text at a path of children ("C_C080/D_3036"); empty when none.
    QString at(const QString& path) const {
        const Node* n = this;
        for (const QString& part : path.split(u'/'))
            if (!(n = n->child(part)))
                return {};
        return n->text;
    }
    // The D_4440 .. D_4440_5 of a note, joined.
    QString note() const {
        QString out = at("C_C108/D_4440");
        for (int part = 2; part <= 5; ++part)
            out += at(QStringLiteral("C_C108/D_4440_%1").arg(part));
        return out;
    }
};

Node readTree(const QByteArray& xml) {
    QXmlStreamReader r(xml);
    QList<Node> open{Node{}};
    while (!r.atEnd()) {
        const auto token = r.readNext();
        if (token == QXmlStreamReader::StartElement) {
            Node n;
            n.name = r.name().toString();
            for (const QXmlStreamAttribute& a : r.attributes())
                n.attributes.insert(a.name().toString(), a.value().toString());
            open << n;
        } else if (token == QXmlStreamReader::Characters) {
            open.last().text += r.text();
        } else if (token == QXmlStreamReader::EndElement) {
            Node n = open.takeLast();
            if (!n.children.isEmpty())
                n.text.clear();
            open.last().children << n;
        }
    }
    if (r.hasError() || open.size() != 1 || open.first().children.size() != 1)
        return {};
    return open.first().children.first();
}

// The business terms of EN 16931 an e-invoice carries, by their numbers
// ("BT-1", "BG-4 BT-27", "line 2 BT-131"), as each file writes them.
using Terms = QMap<QString, QString>;

void addTerm(Terms* t, const QString& key, const QString& value) {
    if (!value.isEmpty())
        t->insert(key, value);
}

Terms eslogTerms(const QByteArray& xml) {
    Terms t;
    const Node root = readTree(xml);
    const Node* m = root.child("M_INVOIC");
    if (!m)
        return t;
    addTerm(&t, "BT-1", m->at("S_BGM/C_C106/D_1004"));
    addTerm(&t, "BT-3", m->at("S_BGM/C_C002/D_1001"));
    for (const Node* d : m->all("S_DTM")) {
        const QString q = d->at("C_C507/D_2005");
        addTerm(&t, q == "137" ? "BT-2" : q == "35" ? "BT-72" : "DTM " + q, d->at("C_C507/D_2380"));
    }
    for (const Node* f : m->all("S_FTX")) {
        const QString kind = f->at("D_4451");
        addTerm(&t,
                kind == "DOC"   ? "BT-24"
                : kind == "AAI" ? "BT-22"
                : kind == "AAB" ? "BT-20"
                                : "FTX " + kind,
                f->note());
    }
    for (const Node* g : m->all("G_SG1")) {
        const QString q = g->at("S_RFF/C_C506/D_1153");
        if (q == "PQ")
            addTerm(&t, "BT-83", g->at("S_RFF/C_C506/D_1154"));
        if (q == "OI") {
            addTerm(&t, "BT-25", g->at("S_RFF/C_C506/D_1154"));
            addTerm(&t, "BT-26", g->at("S_DTM/C_C507/D_2380"));
        }
    }
    for (const Node* g : m->all("G_SG2")) {
        const QString role = g->at("S_NAD/D_3035");
        const bool seller = role == "SE";
        const QString bg = seller ? "BG-4 " : "BG-7 ";
        const Node* nad = g->child("S_NAD");
        addTerm(&t, bg + (seller ? "BT-27" : "BT-44"), nad->at("C_C080/D_3036"));
        addTerm(&t, bg + "street", nad->at("C_C059/D_3042"));
        addTerm(&t, bg + "city", nad->at("D_3164"));
        addTerm(&t, bg + "postcode", nad->at("D_3251"));
        addTerm(&t, bg + "country", nad->at("D_3207"));
        if (nad->child("C_C082"))
            addTerm(&t, bg + (seller ? "BT-34" : "BT-49"),
                    nad->at("C_C082/D_1131") + ':' + nad->at("C_C082/D_3039"));
        for (const Node* r : g->all("G_SG3"))
            if (r->at("S_RFF/C_C506/D_1153") == "VA")
                addTerm(&t, bg + (seller ? "BT-31" : "BT-48"), r->at("S_RFF/C_C506/D_1154"));
        for (const Node* c : g->all("G_SG5")) {
            addTerm(&t, bg + "contact", c->at("S_CTA/C_C056/D_3412"));
            for (const Node* com : c->all("S_COM"))
                addTerm(&t, bg + (com->at("C_C076/D_3155") == "TE" ? "phone" : "email"),
                        com->at("C_C076/D_3148"));
        }
        if (seller)
            for (const Node* f : g->all("S_FII")) {
                addTerm(&t, "BT-84", f->at("C_C078/D_3194"));
                addTerm(&t, "BT-86", f->at("C_C088/D_3433"));
            }
    }
    addTerm(&t, "BT-5", m->at("G_SG7/S_CUX/C_C504/D_6345"));
    if (const Node* p = m->child("G_SG8")) {
        addTerm(&t, "BT-9", p->at("S_DTM/C_C507/D_2380"));
        addTerm(&t, "BT-81", p->at("S_PAI/C_C534/D_4461"));
    }
    int n = 0;
    for (const Node* l : m->all("G_SG26")) {
        const QString line = QStringLiteral("line %1 ").arg(++n);
        addTerm(&t, line + "BT-126", l->at("S_LIN/D_1082"));
        addTerm(&t, line + "BT-153", l->at("S_IMD/C_C273/D_7008"));
        addTerm(&t, line + "BT-129", l->at("S_QTY/C_C186/D_6060"));
        addTerm(&t, line + "BT-130", l->at("S_QTY/C_C186/D_6411"));
        addTerm(&t, line + "BT-131", l->at("G_SG27/S_MOA/C_C516/D_5004"));
        addTerm(&t, line + "BT-146", l->at("G_SG29/S_PRI/C_C509/D_5118"));
        addTerm(&t, line + "BT-151", l->at("G_SG34/S_TAX/D_5305"));
        addTerm(&t, line + "BT-152", l->at("G_SG34/S_TAX/C_C243/D_5278"));
    }
    const QHash<QString, QString> totals{
        {"79", "BT-106"}, {"389", "BT-109"}, {"176", "BT-110"}, {"388", "BT-112"}, {"9", "BT-115"}};
    for (const Node* g : m->all("G_SG50"))
        addTerm(&t, totals.value(g->at("S_MOA/C_C516/D_5025"), "MOA"),
                g->at("S_MOA/C_C516/D_5004"));
    for (const Node* g : m->all("G_SG52")) {
        addTerm(&t, "BT-118", g->at("S_TAX/D_5305"));
        addTerm(&t, "BT-119", g->at("S_TAX/C_C243/D_5278"));
        for (const Node* a : g->all("S_MOA"))
            addTerm(&t, a->at("C_C516/D_5025") == "125" ? "BT-116" : "BT-117",
                    a->at("C_C516/D_5004"));
    }
    return t;
}

Terms ublTerms(const QByteArray& xml) {
    Terms t;
    const Node root = readTree(xml);
    const bool credit = root.name == "CreditNote";
    addTerm(&t, "BT-1", root.at("ID"));
    addTerm(&t, "BT-2", root.at("IssueDate"));
    addTerm(&t, "BT-3", root.at(credit ? "CreditNoteTypeCode" : "InvoiceTypeCode"));
    addTerm(&t, "BT-5", root.at("DocumentCurrencyCode"));
    addTerm(&t, "BT-9", root.at("DueDate"));
    addTerm(&t, "BT-22", root.at("Note"));
    addTerm(&t, "BT-20", root.at("PaymentTerms/Note"));
    // What it declares beyond EN 16931 follows a "#".
    addTerm(&t, "BT-24", root.at("CustomizationID").section(u'#', 0, 0));
    addTerm(&t, "BT-25", root.at("BillingReference/InvoiceDocumentReference/ID"));
    addTerm(&t, "BT-26", root.at("BillingReference/InvoiceDocumentReference/IssueDate"));
    addTerm(&t, "BT-72", root.at("Delivery/ActualDeliveryDate"));
    addTerm(&t, "BT-81", root.at("PaymentMeans/PaymentMeansCode"));
    addTerm(&t, "BT-83", root.at("PaymentMeans/PaymentID"));
    addTerm(&t, "BT-84", root.at("PaymentMeans/PayeeFinancialAccount/ID"));
    addTerm(&t, "BT-86",
            root.at("PaymentMeans/PayeeFinancialAccount/FinancialInstitutionBranch/ID"));
    for (const bool seller : {true, false}) {
        const Node* outer =
            root.child(seller ? "AccountingSupplierParty" : "AccountingCustomerParty");
        const Node* p = outer ? outer->child("Party") : nullptr;
        if (!p)
            continue;
        const QString bg = seller ? "BG-4 " : "BG-7 ";
        addTerm(&t, bg + (seller ? "BT-27" : "BT-44"), p->at("PartyLegalEntity/RegistrationName"));
        addTerm(&t, bg + "street", p->at("PostalAddress/StreetName"));
        addTerm(&t, bg + "city", p->at("PostalAddress/CityName"));
        addTerm(&t, bg + "postcode", p->at("PostalAddress/PostalZone"));
        addTerm(&t, bg + "country", p->at("PostalAddress/Country/IdentificationCode"));
        if (const Node* e = p->child("EndpointID"))
            addTerm(&t, bg + (seller ? "BT-34" : "BT-49"),
                    e->attributes.value("schemeID") + ':' + e->text);
        addTerm(&t, bg + (seller ? "BT-31" : "BT-48"), p->at("PartyTaxScheme/CompanyID"));
        addTerm(&t, bg + "contact", p->at("Contact/Name"));
        addTerm(&t, bg + "phone", p->at("Contact/Telephone"));
        addTerm(&t, bg + "email", p->at("Contact/ElectronicMail"));
        // The trading name says the same as the legal one.
        if (p->at("PartyName/Name") != p->at("PartyLegalEntity/RegistrationName"))
            addTerm(&t, bg + "BT-28", p->at("PartyName/Name"));
    }
    int n = 0;
    for (const Node* l : root.all(credit ? "CreditNoteLine" : "InvoiceLine")) {
        const QString line = QStringLiteral("line %1 ").arg(++n);
        const Node* q = l->child(credit ? "CreditedQuantity" : "InvoicedQuantity");
        addTerm(&t, line + "BT-126", l->at("ID"));
        addTerm(&t, line + "BT-153", l->at("Item/Name"));
        addTerm(&t, line + "BT-129", q ? q->text : QString());
        addTerm(&t, line + "BT-130", q ? q->attributes.value("unitCode") : QString());
        addTerm(&t, line + "BT-131", l->at("LineExtensionAmount"));
        addTerm(&t, line + "BT-146", l->at("Price/PriceAmount"));
        addTerm(&t, line + "BT-151", l->at("Item/ClassifiedTaxCategory/ID"));
        addTerm(&t, line + "BT-152", l->at("Item/ClassifiedTaxCategory/Percent"));
    }
    addTerm(&t, "BT-106", root.at("LegalMonetaryTotal/LineExtensionAmount"));
    addTerm(&t, "BT-109", root.at("LegalMonetaryTotal/TaxExclusiveAmount"));
    addTerm(&t, "BT-110", root.at("TaxTotal/TaxAmount"));
    addTerm(&t, "BT-112", root.at("LegalMonetaryTotal/TaxInclusiveAmount"));
    addTerm(&t, "BT-115", root.at("LegalMonetaryTotal/PayableAmount"));
    addTerm(&t, "BT-116", root.at("TaxTotal/TaxSubtotal/TaxableAmount"));
    addTerm(&t, "BT-117", root.at("TaxTotal/TaxSubtotal/TaxAmount"));
    addTerm(&t, "BT-118", root.at("TaxTotal/TaxSubtotal/TaxCategory/ID"));
    addTerm(&t, "BT-119", root.at("TaxTotal/TaxSubtotal/TaxCategory/Percent"));
    return t;
}

// Every UBL file the tests made, checked at the end by the official rules
// in one run of the validator.
QTemporaryDir& ublFolder() {
    static QTemporaryDir dir;
    return dir;
}
QStringList g_ublFiles;

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

    // An invoice of 300 operations of many prices, some with a surcharge,
    // and the lump sum.
    void storeLongInvoice() {
        // clang-format off
        const qint64 id = addInvoice(*Db, {{"StevilkaRacuna", "2009/300"}, {"Ime", "Čebelarstvo Ćorić"},
            {"Davcna", "SI87654321"}, {"Datum", QDate(2009, 12, 5)}, {"Veljavnost", 30},
            {"VrednostTocke", 2.5}, {"ProcentPavsala", 10}, {"StopnjaDDV", 22}});
        // clang-format on
        Transaction t(*Db);
        for (int i = 1; i < 300; ++i) {
            QVERIFY(Db->execute("INSERT INTO tblTarife (TS1, TS2, TarifnaStevilka, "
                                "GeodetskaStoritev) VALUES (70, ?, ?, ?)",
                                {i, QString("70.%1").arg(i), QString("Opravilo št. %1").arg(i)}));
            addLine(*Db, id, operationId(*Db, 70, i), 10 + i % 7, 1 + i % 3,
                    i % 4 ? QVariant() : QVariant(20), 0.0);
        }
        addLine(*Db, id, LumpSumTariffId, {}, {}, {}, 0.0);
        QVERIFY(t.commit());
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
            storeWorkedExample();
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

    // One table of invoices, each written in both formats: the e-SLOG file
    // valid against its schema, the UBL file kept for the official rules
    // (peppolRules), and both saying the same business terms one by one.
    // "format" is the one written for the customer: the register's.
    void formats_data() {
        QTest::addColumn<int>("invoice");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("format");
        const int eslog = int(EInvoiceFormat::Eslog), peppol = int(EInvoiceFormat::Peppol);
        QTest::newRow("worked example") << 0 << 3 << eslog;
        QTest::newRow("letters and & < > \" ' everywhere") << 1 << 3 << eslog;
        QTest::newRow("expense line, line of no amount") << 2 << 2 << eslog;
        QTest::newRow("300 lines") << 3 << 300 << eslog;
        QTest::newRow("credit note") << 4 << 3 << eslog;
        QTest::newRow("stale stored totals") << 5 << 3 << eslog;
        QTest::newRow("register's address and format") << 6 << 3 << peppol;
        QTest::newRow("office's address typed") << 7 << 3 << eslog;
    }
    void formats() {
        QFETCH(int, invoice);
        QFETCH(int, lines);
        QString number = "2009/001";
        const QString odd = QString::fromUtf8("Čšž & <ĆĐ> \"d.o.o.\" 'x'");
        const QVariantMap buyerVat{{"Davcna", "SI 8765 4321"}};
        switch (invoice) {
        case 0:
            storeWorkedExample(buyerVat);
            break;
        case 1: {
            QVariantMap f = buyerVat;
            for (const char* c :
                 {"Ime", "Naslov", "PST", "Posta", "KontaktnaOseba", "Telefon", "Email", "Opombe"})
                f.insert(c, QString(c) + ' ' + odd);
            storeWorkedExample(f);
            QVERIFY(Db->execute("UPDATE tblNastavitve SET Firma = ?, Naslov = ?, PST = ?, "
                                "Posta = ?, Telefon = ?, Email = ?",
                                {"Firma " + odd, "Naslov " + odd, "PST " + odd, "Pošta " + odd,
                                 "Telefon " + odd, "E " + odd}));
            break;
        }
        case 2:
            storeExpenseInvoice();
            QVERIFY(Db->execute("UPDATE tblRacun SET Davcna = 'SI87654321'"));
            number = "R-77";
            break;
        case 3:
            storeLongInvoice();
            number = "2009/300";
            break;
        case 4: {
            storeWorkedExample(buyerVat);
            const qint64 id = Db->scalar("SELECT ID FROM tblRacun").toLongLong();
            const CreditNoteResult made = makeCreditNote(*Db, id, QDate(2026, 12, 7));
            QCOMPARE(int(made.outcome), int(CreditNoteOutcome::Made));
            number = made.number;
            break;
        }
        case 5:
            storeWorkedExample({{"Osnova", 500.0}, {"DDV", 110.0}, {"Davcna", "SI87654321"}});
            break;
        case 6:
            // A private person without a VAT number whom the register
            // knows by an electronic address, with the account it pays from.
            storeWorkedExample({{"Ime", "Ana Kos"}, {"TRR", "SI56 1910 0000 0123 438"}});
            QVERIFY(Db->execute("INSERT INTO tblNarocnik (Ime, Naslov, PST, ElektronskiNaslov, "
                                "OblikaERacuna) VALUES ('ana kos', 'Mestni trg 10', '3230', "
                                "' 9949 : SI11223344 ', 'peppol')"));
            break;
        case 7: {
            // Typed in "Naši podatki", whose check of the office's tax
            // number is answered Da; an address without its scheme is
            // refused there first, and nothing stored.
            storeWorkedExample(buyerVat);
            ModalWatcher watcher;
            watcher.answers << QMessageBox::Yes << QMessageBox::Ok << QMessageBox::Yes;
            N_data w(appContext());
            QVERIFY(w.isLoaded());
            box(&w, "Text3")->setText("SI99887766");
            click(&w, "Command1");
            QCOMPARE(w.result(), int(QDialog::Rejected));
            QCOMPARE(watcher.seen.size(), 2);
            QVERIFY2(watcher.seen.last().startsWith("Elektronski naslov|"),
                     qPrintable(watcher.seen.last()));
            QCOMPARE(Db->scalar("SELECT ElektronskiNaslov FROM tblNastavitve"), QVariant());
            box(&w, "Text3")->setText(" 9949:SI99887766 ");
            click(&w, "Command1");
            QCOMPARE(w.result(), int(QDialog::Accepted));
            break;
        }
        }
        const EInvoiceResult eslog =
            eInvoiceOfStoredInvoice(*Db, number, m_scratch.path(), EInvoiceFormat::Eslog);
        const EInvoiceResult ubl =
            eInvoiceOfStoredInvoice(*Db, number, m_scratch.path(), EInvoiceFormat::Peppol);
        const EInvoiceResult own = eInvoiceOfStoredInvoice(*Db, number, m_scratch.path());
        QVERIFY2(eslog.ok && ubl.ok && own.ok, qPrintable(eslog.error + ubl.error + own.error));
        QCOMPARE(int(eslog.format), int(EInvoiceFormat::Eslog));
        QCOMPARE(int(ubl.format), int(EInvoiceFormat::Peppol));
        QTEST(int(own.format), "format");
        QCOMPARE(own.xml, own.format == EInvoiceFormat::Peppol ? ubl.xml : eslog.xml);
        QCOMPARE(schemaErrors(eslog.xml), QString());
        const QString file = ublFolder().filePath(
            QString(QTest::currentDataTag()).replace(QRegularExpression("\\W+"), "_") + ".xml");
        QVERIFY(writeBytes(file, ubl.xml));
        g_ublFiles << file;

        const Terms fromEslog = eslogTerms(eslog.xml);
        const Terms fromUbl = ublTerms(ubl.xml);
        QStringList keys = fromEslog.keys() + fromUbl.keys();
        keys.removeDuplicates();
        for (const QString& key : keys)
            QVERIFY2(fromEslog.value(key) == fromUbl.value(key),
                     qPrintable(QString("%1: e-SLOG »%2«, UBL »%3«")
                                    .arg(key, fromEslog.value(key), fromUbl.value(key))));
        // What every one of them carries, so that a term both leave out
        // does not pass for one they agree on.
        const bool credit = invoice == 4;
        QStringList needed{"BT-1",       "BT-2",       "BT-3",         "BT-5",       "BT-20",
                           "BT-24",      "BT-72",      "BT-81",        "BT-84",      "BG-4 BT-27",
                           "BG-4 BT-31", "BG-4 BT-34", "BG-4 country", "BG-7 BT-44", "BG-7 BT-49",
                           "BT-106",     "BT-109",     "BT-110",       "BT-112",     "BT-115",
                           "BT-116",     "BT-117",     "BT-118",       "BT-119"};
        needed << (credit ? QStringList{"BT-25", "BT-26"} : QStringList{"BT-9", "BT-83"});
        for (const QString& key : needed)
            QVERIFY2(!fromEslog.value(key).isEmpty(), qPrintable(key));
        QCOMPARE(fromEslog.value("BT-24"), QString("urn:cen.eu:en16931:2017"));
        QCOMPARE(fromEslog.value("BT-3"), QString(credit ? "381" : "380"));
        QCOMPARE(fromEslog.value("BT-1"), number);
        QCOMPARE(fromEslog.value("BT-86"), QString("LJBASI2X"));
        QCOMPARE(fromEslog.keys().filter(QRegularExpression("^line \\d+ BT-131$")).size(), lines);
        for (int l = 1; l <= lines; ++l)
            for (const char* bt :
                 {"BT-126", "BT-153", "BT-129", "BT-130", "BT-131", "BT-146", "BT-151", "BT-152"})
                QVERIFY2(fromEslog.contains(QString("line %1 %2").arg(l).arg(bt)),
                         qPrintable(QString("line %1 %2").arg(l).arg(bt)));
        // The electronic addresses: the VAT number's unless one is kept.
        QCOMPARE(fromEslog.value("BG-4 BT-34"),
                 QString(invoice == 7 ? "9949:SI99887766" : "9949:SI12345678"));
        QCOMPARE(fromEslog.value("BG-7 BT-49"),
                 QString(invoice == 6 ? "9949:SI11223344" : "9949:SI87654321"));
        // The worked example's figures: the lines' own when the stored
        // totals are stale (what a save would store), and on its credit
        // note not negative, with the invoice it takes back and nothing to
        // pay by.
        if (invoice == 0 || invoice == 4 || invoice == 5)
            QCOMPARE(QStringList({fromEslog.value("BT-109"), fromEslog.value("BT-110"),
                                  fromEslog.value("BT-112")}),
                     QStringList({"550.00", "121.00", "671.00"}));
        QCOMPARE(fromEslog.value("BT-83").isEmpty(), credit);
        if (credit)
            QCOMPARE(QStringList({fromEslog.value("BT-2"), fromEslog.value("BT-25"),
                                  fromEslog.value("BT-26")}),
                     QStringList({"2026-12-07", "2009/001", "2009-12-05"}));
        if (invoice == 1) {
            QCOMPARE(fromEslog.value("BG-7 BT-44"), "Ime " + odd);
            QCOMPARE(fromEslog.value("BG-4 BT-27"), "Firma " + odd);
            QCOMPARE(fromEslog.value("BT-22"), "Opombe " + odd);
        }
    }

    // The UBL files of the table above pass the UBL 2.1 schema, the
    // EN 16931 rules and the Peppol BIS Billing 3.0 rules with no error and
    // no warning: one run of the official validator over all of them.
    void peppolRules() {
        if (g_ublFiles.isEmpty())
            QSKIP("no UBL file made: formats did not run");
        const QString script = qEnvironmentVariable("VALMIR_SOURCE_DIR") +
                               QStringLiteral("/../shared/peppol/validate.sh");
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(script, QStringList{"--strict"} + g_ublFiles);
        QVERIFY2(p.waitForFinished(300000), qPrintable(p.errorString()));
        const QString said = QString::fromUtf8(p.readAll());
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 && said.isEmpty(),
                 qPrintable(QString("exit %1:\n%2").arg(p.exitCode()).arg(said)));
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
        // The remark is the note of kind AAI among the document's notes.
        const qsizetype at = path.endsWith("D_4440") ? t["S_FTX/D_4451"].indexOf("AAI")
                             : office                ? 0
                                                     : t[path].size() - 1;
        QString back = t[path].value(at);
        for (int part = 2; path.endsWith("D_4440") && part <= 5; ++part)
            back += t[path + QStringLiteral("_%1").arg(part)].join("");
        QTEST(back, "expected");
    }

    void refusals_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("format");
        const QString title = EInvoiceMessages::Title;
        QTest::newRow("not found")
            << "2009/002"
            << "" << EInvoiceMessages::NotFound.text.arg("2009/002") << title << 0;
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
            QTest::newRow(r.row) << "2009/001" << r.statement << missing(r.what) << title << 0;
        // Peppol delivers to an electronic address: a buyer with none, in
        // the format asked for or in the one the register keeps.
        const QString noAddress = EInvoiceFormatMessages::NoBuyerAddress.text.arg("2009/001");
        const int peppol = int(EInvoiceFormat::Peppol);
        QTest::newRow("Peppol, buyer without VAT number") << "2009/001"
                                                          << "" << noAddress << title << peppol;
        QTest::newRow("Peppol, buyer's VAT number not Slovenian")
            << "2009/001"
            << "UPDATE tblRacun SET Davcna = 'HR12345678901'" << noAddress << title << peppol;
        QTest::newRow("register's format Peppol, no address")
            << "2009/001"
            << "INSERT INTO tblNarocnik (Ime, Naslov, PST, OblikaERacuna) VALUES "
               "('Občina Šentjur', 'Mestni trg 10', '3230', 'peppol')"
            << noAddress << title << 0;
        // What the engine refuses to read is told, never taken for no row.
        for (const char* table : {"tblRacun", "tblRacunTarife", "tblTarife", "tblNastavitve"})
            QTest::addRow("engine refuses %s", table)
                << "2009/001" << QString("refuse %1").arg(table) << "prohibited" << Titles::Database
                << 0;
        QTest::newRow("engine refuses tblNarocnik") << "2009/001"
                                                    << "refuse tblNarocnik"
                                                    << "prohibited" << Titles::Database << 0;
    }
    void refusals() {
        QFETCH(QString, number);
        QFETCH(QString, statement);
        QFETCH(QString, expected);
        QFETCH(int, format);
        storeWorkedExample();
        if (statement.startsWith("refuse "))
            refuse(*Db, SQLITE_READ, statement.mid(7));
        else if (!statement.isEmpty())
            QVERIFY2(Db->execute(statement), qPrintable(Db->lastError()));
        const EInvoiceResult r =
            eInvoiceOfStoredInvoice(*Db, number, m_scratch.path(), EInvoiceFormat(format));
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
