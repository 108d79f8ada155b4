// valmir_gen: makes a data folder for the benchmarks. The database is the
// program's own (start-up creates and seeds it); this adds years of
// invoices with their lines, an extended tariff and, on request, one
// invoice with many lines for the editor figures. Lines and totals are
// priced by the program's own rules (invoice/Pricing.h, invoice/Vat.h), so
// every invoice holds what a save would have stored.
//
//   valmir_gen --data-dir DIR [--invoices 100000] [--lines 5] [--years 20]
//              [--big-invoice 300] [--tariff-operations 330] [--seed 2009]

#include "app/Globals.h"
#include "app/Startup.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "invoice/InvoiceFields.h"
#include "invoice/Pricing.h"
#include "invoice/Vat.h"
#include "text/Module1.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <random>

using namespace valmir;

namespace {

const char* const FirstNames[] = {
    "Janez",   "Marko",    "Andrej", "Peter",  "Franc",  "Jože",  "Anton",  "Tomaž",
    "Matej",   "Luka",     "Marija", "Ana",    "Maja",   "Irena", "Mojca",  "Nataša",
    "Barbara", "Katarina", "Petra",  "Špela",  "Urška",  "Nina",  "Alenka", "Mateja",
    "Bojan",   "Boštjan",  "Gregor", "Primož", "Rok",    "Žiga",  "Miha",   "Aleš",
    "Jure",    "Simon",    "Stanko", "Milan",  "Zdenka", "Vesna", "Tanja",  "Darja"};
const char* const Surnames[] = {
    "Novak",   "Horvat",  "Kovačič", "Krajnc", "Zupančič", "Potočnik",  "Kovač",   "Mlakar",
    "Kos",     "Vidmar",  "Golob",   "Turk",   "Božič",    "Kralj",     "Korošec", "Zupan",
    "Bizjak",  "Hribar",  "Kotnik",  "Kavčič", "Rozman",   "Kastelic",  "Oblak",   "Žagar",
    "Petek",   "Hočevar", "Kolar",   "Košir",  "Koren",    "Klemenčič", "Zajc",    "Knez",
    "Medved",  "Zupanc",  "Petrič",  "Pirc",   "Hrovat",   "Lah",       "Kuhar",   "Uršič",
    "Tomažič", "Jerman",  "Sever",   "Pavlič", "Breznik",  "Žnidaršič", "Leban",   "Jereb",
    "Rupnik",  "Mrak"};
const char* const Streets[] = {
    "Cankarjeva ulica",  "Prešernova cesta",  "Gregorčičeva ulica", "Trubarjeva cesta",
    "Levstikova ulica",  "Kidričeva cesta",   "Tržaška cesta",      "Celovška cesta",
    "Ljubljanska cesta", "Mariborska cesta",  "Šolska ulica",       "Cesta talcev",
    "Partizanska cesta", "Vrtna ulica",       "Poljska pot",        "Sončna ulica",
    "Gorenjska cesta",   "Kolodvorska ulica", "Gubčeva ulica",      "Ob potoku",
    "Pod gozdom",        "Za vasjo",          "Cesta svobode",      "Na klancu",
    "Vojkova ulica"};
const char* const Works[] = {"Meritev", "Zakoličba", "Označitev",     "Izris",      "Izračun",
                             "Pregled", "Vris",      "Evidentiranje", "Dopolnitev", "Obdelava"};
const char* const Objects[] = {"dodatne mejne točke", "pomožne točke",       "poligonske točke",
                               "objekta na terenu",   "podatkov v katastru", "višinske točke",
                               "gradbene parcele",    "komunalnega voda",    "dovozne poti",
                               "dela stavbe"};
const char* const Remarks[] = {"",
                               "",
                               "",
                               "",
                               "",
                               "",
                               "Plačilo v dveh obrokih.",
                               "Račun poslan po pošti.",
                               "Stranka pokliče pred meritvijo.",
                               "Popust dogovorjen ustno."};

template <typename T, size_t N> const T& pick(std::mt19937& rng, const T (&items)[N]) {
    return items[std::uniform_int_distribution<size_t>(0, N - 1)(rng)];
}

QString u8(const char* s) { return QString::fromUtf8(s); }

// A prepared statement on the raw handle: the generator writes hundreds of
// thousands of rows and must not parse each statement again.
class Insert {
public:
    Insert(sqlite3* db, const char* sql) : m_db(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            fail();
    }
    ~Insert() { sqlite3_finalize(m_stmt); }
    Insert& text(int i, const QString& v) {
        QByteArray b = v.toUtf8();
        sqlite3_bind_text(m_stmt, i, b.constData(), b.size(), SQLITE_TRANSIENT);
        return *this;
    }
    Insert& real(int i, double v) {
        sqlite3_bind_double(m_stmt, i, v);
        return *this;
    }
    Insert& integer(int i, qint64 v) {
        sqlite3_bind_int64(m_stmt, i, v);
        return *this;
    }
    Insert& null(int i) {
        sqlite3_bind_null(m_stmt, i);
        return *this;
    }
    qint64 run() {
        if (sqlite3_step(m_stmt) != SQLITE_DONE)
            fail();
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
        return sqlite3_last_insert_rowid(m_db);
    }

private:
    [[noreturn]] void fail() {
        std::fprintf(stderr, "valmir_gen: %s\n", sqlite3_errmsg(m_db));
        std::exit(2);
    }
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

struct Operation {
    qint64 id;
    int ts1;
    int ts2;
    double points;
    bool report; // "70proc": priced at 70 % on an invoice of one unified report
};

struct PostOffice {
    QString number;
    QString place;
};

struct Customer {
    QString name, address, postNumber, place, phone, fax, email, taxNumber, account, contact;
};

std::vector<Operation> loadOperations(const QString& where) {
    std::vector<Operation> ops;
    auto rs = Db->openRecordset(QStringLiteral("SELECT ID, TS1, TS2, Tocke, \"70proc\" "
                                               "FROM tblTarife ") +
                                    where + QStringLiteral(" ORDER BY TS1, TS2"),
                                RecordsetKind::Snapshot);
    for (int i = 0; rs && i < rs->recordCount(); ++i)
        ops.push_back({rs->value(i, 0).toLongLong(), rs->value(i, 1).toInt(),
                       rs->value(i, 2).toInt(), rs->value(i, 3).toDouble(),
                       rs->value(i, 4).toBool()});
    return ops;
}

std::vector<PostOffice> loadPostOffices() {
    std::vector<PostOffice> list;
    auto rs = Db->openRecordset(QStringLiteral("SELECT Stev, Posta FROM tbPoste"),
                                RecordsetKind::Snapshot);
    for (int i = 0; rs && i < rs->recordCount(); ++i)
        list.push_back(
            {QString::number(rs->value(i, 0).toDouble(), 'f', 0), rs->value(i, 1).toString()});
    return list;
}

QString digits(std::mt19937& rng, int n) {
    QString s;
    for (int i = 0; i < n; ++i)
        s += QChar(u'0' + std::uniform_int_distribution<int>(0, 9)(rng));
    return s;
}

QString asciiFold(QString s) {
    static const QString from = QStringLiteral("čšžČŠŽćĆđĐ");
    static const QString to = QStringLiteral("cszCSZcCdD");
    for (int i = 0; i < from.size(); ++i)
        s.replace(from.at(i), to.at(i));
    return s.toLower().remove(u' ');
}

std::vector<Customer> makeCustomers(std::mt19937& rng, const std::vector<PostOffice>& posts,
                                    int count) {
    std::vector<Customer> list;
    list.reserve(count);
    for (int i = 0; i < count; ++i) {
        Customer c;
        const PostOffice& po =
            posts[std::uniform_int_distribution<size_t>(0, posts.size() - 1)(rng)];
        const QString first = u8(pick(rng, FirstNames));
        const QString last = u8(pick(rng, Surnames));
        const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
        if (kind < 7) {
            c.name = first + u' ' + last;
            c.email = asciiFold(first) + u'.' + asciiFold(last) + QStringLiteral("@siol.net");
        } else if (kind < 9) {
            c.name = last + QStringLiteral(" gradnje d.o.o.");
            c.contact = first + u' ' + last;
            c.email = QStringLiteral("info@") + asciiFold(last) + QStringLiteral("-gradnje.si");
            c.fax = QStringLiteral("0%1/%2 %3 %4")
                        .arg(std::uniform_int_distribution<int>(1, 7)(rng))
                        .arg(digits(rng, 3), digits(rng, 2), digits(rng, 2));
        } else {
            c.name = QStringLiteral("Občina ") + po.place.section(QStringLiteral(" - "), 0, 0);
            c.contact = first + u' ' + last;
            c.email = QStringLiteral("obcina@") + asciiFold(po.place.section(u' ', 0, 0)) +
                      QStringLiteral(".si");
        }
        c.address = u8(pick(rng, Streets)) + u' ' +
                    QString::number(std::uniform_int_distribution<int>(1, 120)(rng));
        c.postNumber = po.number;
        c.place = po.place;
        c.phone = QStringLiteral("0%1/%2 %3 %4")
                      .arg(std::uniform_int_distribution<int>(1, 7)(rng))
                      .arg(digits(rng, 3), digits(rng, 2), digits(rng, 2));
        c.taxNumber =
            kind < 7 && std::uniform_int_distribution<int>(0, 2)(rng) ? QString() : digits(rng, 8);
        c.account = kind < 7
                        ? QString()
                        : QStringLiteral("SI56 0%1 %2 %3 %4")
                              .arg(digits(rng, 3), digits(rng, 4), digits(rng, 4), digits(rng, 3));
        list.push_back(c);
    }
    return list;
}

// Grows the tariff to `wanted` operations, the new ones spread over the
// services 1 to 6 as a larger price list would have them.
int extendTariff(std::mt19937& rng, int wanted) {
    int have = Db->scalar(QStringLiteral("SELECT count(*) FROM tblTarife")).toInt();
    Insert op(Db->handle(),
              "INSERT INTO tblTarife (TS1, TS2, TarifnaStevilka, GeodetskaStoritev, Tocke, "
              "AktivnaPostavka, Master, \"70proc\", Izbrana) VALUES (?, ?, ?, ?, ?, 1, 1, 0, 0)");
    int added = 0;
    for (int n = have; n < wanted; ++n) {
        const int ts1 = 1 + (n % 6);
        const int ts2 = Db->scalar(QStringLiteral("SELECT coalesce(max(TS2), 0) + 1 FROM tblTarife "
                                                  "WHERE TS1 = ?"),
                                   {ts1})
                            .toInt();
        op.integer(1, ts1)
            .integer(2, ts2)
            .text(3, QStringLiteral("%1.%2").arg(ts1).arg(ts2))
            .text(4, u8(pick(rng, Works)) + u' ' + u8(pick(rng, Objects)) +
                         QStringLiteral(", skupina %1").arg(ts2))
            .real(5, 10 * std::uniform_int_distribution<int>(1, 30)(rng))
            .run();
        ++added;
    }
    return added;
}

const char* const InvoiceSql =
    "INSERT INTO tblRacun (StevilkaRacuna, Ime, Naslov, PST, Posta, Telefon, KontaktnaOseba, "
    "Opombe, Datum, Faks, Email, Delovisce, Zadeva, Davcna, Veljavnost, TRR, Sestavljavec, "
    "EnotenElaborat, Placan, ProcentPavsala, VrednostTocke, StopnjaDDV, Osnova, DDV, ZaPlacilo) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
const char* const LineSql =
    "INSERT INTO tblRacunTarife (ID_racun, ID_tarifa, Tocke, Kolicina, Povisek, znesek) "
    "VALUES (?, ?, ?, ?, ?, ?)";

// Every invoice keeps the editor's default lump-sum percentage; only an
// invoice with the lump-sum line charges it.
constexpr double LumpSumPercent = 10;

// Slovenia's general VAT rate on the invoice's date: 20 % until the end of
// June 2013, 22 % since.
double vatPercentOn(const QDate& date) {
    return date < QDate(2013, 7, 1) ? FormerVatPercent : DefaultVatPercent;
}

// What an invoice is priced with, as the editor's controls hold it.
struct Terms {
    double pointValue = 0;
    bool unified = false;
    bool lumpSum = false;
    double vatPercent = DefaultVatPercent;

    PricingInput input() const {
        PricingInput in;
        in.pointValueText = numberBoxText(pointValue);
        in.percentText = numberBoxText(LumpSumPercent);
        in.lumpSum = lumpSum;
        in.unifiedReport = unified;
        in.vatPercent = vatPercent;
        return in;
    }
};

// A line as drawn, before it is priced.
struct DrawnLine {
    qint64 tariffId = 0;
    LineToPrice line;
};

// The amounts the editor's recalculation gives the lines, and the totals
// its save stores with the invoice.
struct PricedInvoice {
    std::vector<double> amounts;
    InvoiceTotals totals;
};

// The program's pricing, not a copy of it: each service line priced alone
// gives its amount, all lines together give the lump sum and the totals.
PricedInvoice price(const std::vector<DrawnLine>& lines, const Terms& terms) {
    const PricingInput input = terms.input();
    QList<LineToPrice> all;
    for (const DrawnLine& d : lines)
        all.append(d.line);
    const PricingResult whole = priceLines(all, input);
    if (!whole.ok) {
        std::fprintf(stderr, "valmir_gen: %s\n", qPrintable(whole.error));
        std::exit(2);
    }
    PricedInvoice r;
    for (const DrawnLine& d : lines) {
        if (d.line.ts1 == LumpSumService)
            r.amounts.push_back(RoundCents(whole.lumpSumAmount));
        else if (d.line.ts1 >= OtherLinesFrom)
            r.amounts.push_back(NumberOrZero(d.line.amount));
        else
            r.amounts.push_back(priceLines({d.line}, input).total);
    }
    r.totals = invoiceTotals(whole.total, terms.vatPercent);
    return r;
}

struct Generator {
    std::mt19937 rng;
    std::vector<Operation> seeded; // the operations of the shipped tariff
    std::vector<QString> serviceNames;
    std::vector<PostOffice> posts;
    std::vector<Customer> customers;

    qint64 writeInvoice(Insert& invoice, const QString& number, const QDate& date, bool paid,
                        int service, const Terms& terms, const InvoiceTotals& totals) {
        const Customer& c =
            customers[std::uniform_int_distribution<size_t>(0, customers.size() - 1)(rng)];
        const PostOffice& ko =
            posts[std::uniform_int_distribution<size_t>(0, posts.size() - 1)(rng)];
        invoice.text(1, number)
            .text(2, c.name)
            .text(3, c.address)
            .text(4, c.postNumber)
            .text(5, c.place)
            .text(6, c.phone)
            .text(7, c.contact)
            .text(8, u8(pick(rng, Remarks)))
            .text(9, date.toString(Qt::ISODate))
            .text(10, c.fax)
            .text(11, c.email)
            .text(12, serviceNames[service])
            .text(13, QStringLiteral("parc. št. %1/%2, k.o. %3")
                          .arg(std::uniform_int_distribution<int>(1, 3000)(rng))
                          .arg(std::uniform_int_distribution<int>(1, 40)(rng))
                          .arg(ko.place.section(QStringLiteral(" - "), 0, 0)))
            .text(14, c.taxNumber)
            .real(15, 30)
            .text(16, c.account)
            .integer(17, 1)
            .integer(18, terms.unified ? 1 : 0)
            .integer(19, paid ? 1 : 0)
            .real(20, LumpSumPercent)
            .real(21, terms.pointValue)
            .real(22, terms.vatPercent)
            .real(23, totals.base)
            .real(24, totals.vat)
            .real(25, totals.toPay);
        return invoice.run();
    }

    void writeLines(Insert& line, qint64 invoiceId, const std::vector<DrawnLine>& lines,
                    const PricedInvoice& priced) {
        for (size_t i = 0; i < lines.size(); ++i) {
            const LineToPrice& l = lines[i].line;
            line.integer(1, invoiceId).integer(2, lines[i].tariffId);
            if (l.ts1 >= OtherLinesFrom) {
                line.null(3).null(4).null(5);
            } else {
                line.real(3, l.points.toDouble()).real(4, l.quantity.toDouble());
                if (l.surcharge.isNull())
                    line.null(5);
                else
                    line.real(5, l.surcharge.toDouble());
            }
            line.real(6, priced.amounts[i]).run();
        }
    }

    // Expense lines carry a typed amount and nothing else; service lines
    // points, a quantity and now and then a surcharge.
    DrawnLine draw(const Operation& op) {
        DrawnLine d;
        d.tariffId = op.id;
        d.line.ts1 = op.ts1;
        d.line.report = op.report;
        if (op.ts1 >= OtherLinesFrom) {
            d.line.amount = RoundCents(std::uniform_int_distribution<int>(500, 8000)(rng) / 100.0);
            return d;
        }
        d.line.points = op.points;
        d.line.quantity = double(std::uniform_int_distribution<int>(1, 4)(rng));
        const int s = std::uniform_int_distribution<int>(0, 9)(rng);
        if (s >= 7)
            d.line.surcharge = 10.0 * (s - 6);
        return d;
    }

    // The lines of an invoice of one main service: that service's
    // operations first, then one expense, then a neighbouring service's.
    std::vector<Operation> linesFor(int service, int lines) {
        std::vector<Operation> main, other, expense;
        const int second = 1 + (service % 6);
        for (const Operation& op : seeded) {
            if (op.ts1 == service)
                main.push_back(op);
            else if (op.ts1 == second)
                other.push_back(op);
            else if (op.ts1 == 91)
                expense.push_back(op);
        }
        std::shuffle(main.begin(), main.end(), rng);
        std::shuffle(other.begin(), other.end(), rng);
        std::shuffle(expense.begin(), expense.end(), rng);
        std::vector<Operation> pool = main;
        if (!expense.empty())
            pool.push_back(expense.front());
        pool.insert(pool.end(), other.begin(), other.end());
        pool.insert(pool.end(), expense.begin() + std::min<size_t>(1, expense.size()),
                    expense.end());
        if (int(pool.size()) > lines)
            pool.resize(lines);
        std::sort(pool.begin(), pool.end(),
                  [](const Operation& a, const Operation& b) { return a.id < b.id; });
        return pool;
    }

    std::vector<DrawnLine> drawLines(const std::vector<Operation>& ops) {
        std::vector<DrawnLine> lines;
        for (const Operation& op : ops)
            lines.push_back(draw(op));
        return lines;
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("valmir"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Makes a VALMIR data folder for the benchmarks."));
    parser.addHelpOption();
    QCommandLineOption dataDir(QStringLiteral("data-dir"), QStringLiteral("Data folder to create."),
                               QStringLiteral("DIR"));
    QCommandLineOption invoices(QStringLiteral("invoices"), QStringLiteral("Invoices to add."),
                                QStringLiteral("N"), QStringLiteral("100000"));
    QCommandLineOption lines(QStringLiteral("lines"), QStringLiteral("Lines per invoice."),
                             QStringLiteral("N"), QStringLiteral("5"));
    QCommandLineOption years(QStringLiteral("years"), QStringLiteral("Years the invoices span."),
                             QStringLiteral("N"), QStringLiteral("20"));
    QCommandLineOption big(QStringLiteral("big-invoice"),
                           QStringLiteral("Also add one invoice with this many lines (0: none)."),
                           QStringLiteral("N"), QStringLiteral("0"));
    QCommandLineOption tariff(QStringLiteral("tariff-operations"),
                              QStringLiteral("Grow the tariff to this many operations."),
                              QStringLiteral("N"), QStringLiteral("330"));
    QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Random seed."),
                            QStringLiteral("N"), QStringLiteral("2009"));
    parser.addOptions({dataDir, invoices, lines, years, big, tariff, seed});
    parser.process(app);

    const QString dir = parser.value(dataDir);
    const int invoiceCount = parser.value(invoices).toInt();
    const int lineCount = parser.value(lines).toInt();
    const int yearCount = std::max(1, parser.value(years).toInt());
    const int bigLines = parser.value(big).toInt();
    if (dir.isEmpty() || invoiceCount < 0 || lineCount < 0) {
        std::fprintf(stderr, "valmir_gen: --data-dir DIR is required\n");
        return 1;
    }
    if (QFile::exists(dir + QStringLiteral("/valmir2009.db"))) {
        std::fprintf(stderr, "valmir_gen: %s already holds a database; give an empty folder\n",
                     qPrintable(dir));
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    QTemporaryDir temp;
    StartupResult started = startUp({dir, temp.path()});
    if (!started.ok) {
        std::fprintf(stderr, "valmir_gen: %s\n", qPrintable(started.message));
        return 1;
    }
    // Only this connection's page cache; the file keeps its defaults.
    Db->execute(QStringLiteral("PRAGMA cache_size = -262144"));

    Generator g;
    g.rng.seed(parser.value(seed).toUInt());
    g.seeded = loadOperations(QString());
    g.posts = loadPostOffices();
    g.customers = makeCustomers(g.rng, g.posts, std::max(50, invoiceCount / 20));
    g.serviceNames.resize(7);
    for (int s = 1; s <= 6; ++s)
        g.serviceNames[s] = Db->scalar(QStringLiteral("SELECT GeodetskaStoritev FROM "
                                                      "tblGeodetskaStoritev WHERE TS1 = ?"),
                                       {s})
                                .toString();

    Transaction tx(*Db);
    const int added = extendTariff(g.rng, parser.value(tariff).toInt());
    Insert invoice(Db->handle(), InvoiceSql);
    Insert line(Db->handle(), LineSql);

    // Invoices are numbered year "/" counter, the counter starting at 1
    // each year; dates run through the year with the counter.
    const int lastYear = QDate::currentDate().year() - 1;
    const int firstYear = lastYear - yearCount + 1;
    const int perYear = (invoiceCount + yearCount - 1) / yearCount;
    int written = 0;
    int lastCounter = 0;
    for (int y = firstYear; y <= lastYear && written < invoiceCount; ++y) {
        const int inYear = std::min(perYear, invoiceCount - written);
        const double pointValue = y < 2007 ? 0.70 : 0.75 + 0.01 * ((y - 2007) / 4);
        for (int k = 1; k <= inYear; ++k) {
            const QDate date = QDate(y, 1, 1).addDays(qint64(k - 1) * 364 / std::max(1, inYear));
            const int paidChance = y < lastYear ? 97 : 100 - 50 * k / inYear;
            const bool paid = std::uniform_int_distribution<int>(1, 100)(g.rng) <= paidChance;
            const int service = std::uniform_int_distribution<int>(1, 6)(g.rng);
            const QString number = QStringLiteral("%1/%2").arg(y).arg(k, 3, 10, QChar(u'0'));
            Terms terms;
            terms.pointValue = pointValue;
            terms.unified = std::uniform_int_distribution<int>(0, 3)(g.rng) == 0;
            terms.vatPercent = vatPercentOn(date);
            const std::vector<DrawnLine> drawn = g.drawLines(g.linesFor(service, lineCount));
            const PricedInvoice priced = price(drawn, terms);
            const qint64 id =
                g.writeInvoice(invoice, number, date, paid, service, terms, priced.totals);
            g.writeLines(line, id, drawn, priced);
            lastCounter = k;
            ++written;
        }
    }

    qint64 bigId = 0;
    if (bigLines > 0) {
        // Every service operation of the (grown) tariff once, and the
        // lump-sum line last, as the editor keeps it.
        std::vector<Operation> services = loadOperations(QStringLiteral("WHERE TS1 < 90"));
        const int serviceLines = std::min<int>(bigLines - 1, services.size());
        services.resize(serviceLines);
        const QDate date(lastYear, 12, 30);
        Terms terms;
        terms.pointValue = 0.79;
        terms.unified = true;
        terms.lumpSum = true;
        terms.vatPercent = vatPercentOn(date);
        std::vector<DrawnLine> drawn = g.drawLines(services);
        DrawnLine lumpSum;
        lumpSum.tariffId = LumpSumTariffId;
        lumpSum.line.ts1 = LumpSumService;
        drawn.push_back(lumpSum);
        const PricedInvoice priced = price(drawn, terms);
        const QString number =
            QStringLiteral("%1/%2").arg(lastYear).arg(lastCounter + 1, 3, 10, QChar(u'0'));
        bigId = g.writeInvoice(invoice, number, date, false, 1, terms, priced.totals);
        g.writeLines(line, bigId, drawn, priced);
        ++lastCounter;
        if (serviceLines + 1 < bigLines)
            std::fprintf(stderr,
                         "valmir_gen: the tariff has only %d service operations; the big "
                         "invoice has %d lines\n",
                         int(services.size()), serviceLines + 1);
    }
    Db->execute(QStringLiteral("UPDATE tblNastavitve SET StRacuna = ?"), {double(lastCounter + 1)});
    if (!tx.commit()) {
        std::fprintf(stderr, "valmir_gen: %s\n", qPrintable(Db->lastError()));
        return 2;
    }
    shutDown();
    std::printf(
        "valmir_gen: %d invoices with %d lines each in %s (%d operations added to the "
        "tariff)%s in %.1f s\n",
        written, lineCount, qPrintable(dir), added,
        bigId ? qPrintable(QStringLiteral("; invoice ID %1 has %2 lines").arg(bigId).arg(bigLines))
              : "",
        clock.elapsed() / 1000.0);
    return 0;
}
