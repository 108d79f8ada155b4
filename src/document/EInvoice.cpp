#include "document/EInvoice.h"

#include "codelists/Customers.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "data/Schema.h"
#include "document/Iban.h"
#include "document/InvoiceDocument.h"
#include "document/Settings.h"
#include "document/UblInvoice.h"
#include "document/UpnQr.h"
#include "invoice/InvoiceFields.h"
#include "invoice/Pricing.h"
#include "invoice/WorkingTable.h"
#include "text/Messages.h"
#include "text/Module1.h"
#include "text/TextForms.h"

#include <QRegularExpression>
#include <QXmlStreamWriter>

#include <cmath>

namespace valmir {

namespace {

// The longest texts the format's fields take (its string1..N types).
constexpr int MessageIdChars = 14; // D_0062

const QString Namespace = QStringLiteral("urn:eslog:2.00");

// Where a text cut to maxChars characters from `from` ends: the format
// counts characters, and a pair of surrogates is one.
qsizetype cutPoint(const QString& text, qsizetype from, int maxChars) {
    qsizetype at = from;
    for (int chars = 0; at < text.size() && chars < maxChars; ++chars)
        at += text.at(at).isHighSurrogate() ? 2 : 1;
    return std::min(at, text.size());
}

bool xmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

QString decimalText(double v, int maxFraction, int totalDigits) {
    return eInvoiceDecimal(v, maxFraction, totalDigits);
}

QString amountText(double v) { return eInvoiceAmount(v); }

class Writer {
public:
    explicit Writer(QByteArray* out) : w(out) {
        w.setAutoFormatting(true);
        w.setAutoFormattingIndent(1);
    }

    QXmlStreamWriter w;

    void open(const char* name) { w.writeStartElement(QLatin1String(name)); }
    void open(const QString& name) { w.writeStartElement(name); }

    void characters(const QString& clean) { writeEInvoiceText(w, clean); }
    void close() { w.writeEndElement(); }

    // A text element; one that holds nothing after cleaning is left out
    // (the format takes no empty texts). Returns whether it was written.
    bool text(const char* name, const QString& value, int maxChars) {
        const QString clean = xmlText(value, maxChars);
        if (clean.isEmpty())
            return false;
        open(name);
        characters(clean);
        close();
        return true;
    }
    void code(const char* name, const char* value) {
        w.writeTextElement(QLatin1String(name), QLatin1String(value));
    }
    void number(const char* name, const QString& value) {
        w.writeTextElement(QLatin1String(name), value);
    }

    // A composite around one text: nothing when the text is empty.
    void wrapped(const char* composite, const char* name, const QString& value, int maxChars) {
        if (xmlText(value, maxChars).isEmpty())
            return;
        open(composite);
        text(name, value, maxChars);
        close();
    }

    void date(const char* qualifier, const QDate& d) {
        open("S_DTM");
        open("C_C507");
        code("D_2005", qualifier);
        number("D_2380", d.toString(Qt::ISODate));
        close();
        close();
    }

    void moa(const char* qualifier, double amount) {
        open("S_MOA");
        open("C_C516");
        code("D_5025", qualifier);
        number("D_5004", amountText(amount));
        close();
        close();
    }

    void reference(const char* qualifier, const QString& value) {
        open("S_RFF");
        open("C_C506");
        code("D_1153", qualifier);
        text("D_1154", value, EInvoiceChars::Reference);
        close();
        close();
    }

    // A free text of the kind, in the five parts a note has.
    void freeText(const char* kind, const QString& value) {
        const QString clean = xmlText(value, EInvoiceChars::NotePart * EInvoiceChars::NoteParts);
        if (clean.isEmpty())
            return;
        open("S_FTX");
        code("D_4451", kind);
        open("C_C108");
        qsizetype at = 0;
        for (int part = 1; at < clean.size(); ++part) {
            const qsizetype end = cutPoint(clean, at, EInvoiceChars::NotePart);
            open(part == 1 ? QStringLiteral("D_4440") : QStringLiteral("D_4440_%1").arg(part));
            characters(clean.mid(at, end - at));
            close();
            at = end;
        }
        close();
        close();
    }

    // VAT of the standard category at the rate.
    void vatRate(double percent) {
        open("S_TAX");
        code("D_5283", "7");
        open("C_C241");
        code("D_5153", "VAT");
        close();
        open("C_C243");
        number("D_5278", decimalText(percent, 6, 10));
        close();
        code("D_5305", "S");
        close();
    }
};

void writeParty(Writer& x, const char* role, const EInvoiceParty& p, const EInvoiceData& d,
                bool seller) {
    x.open("G_SG2");
    x.open("S_NAD");
    x.code("D_3035", role);
    if (!p.addressId.isEmpty()) {
        x.open("C_C082");
        x.text("D_3039", p.addressId, EInvoiceChars::Address);
        x.text("D_1131", p.addressScheme, 6);
        x.close();
    }
    x.wrapped("C_C080", "D_3036", p.name, EInvoiceChars::Name);
    x.wrapped("C_C059", "D_3042", p.street, EInvoiceChars::Street);
    x.text("D_3164", p.place, EInvoiceChars::Place);
    x.text("D_3251", p.postcode, EInvoiceChars::Postcode);
    x.code("D_3207", "SI");
    x.close();
    if (seller) {
        x.open("S_FII");
        x.code("D_3035", "RB");
        x.wrapped("C_C078", "D_3194", d.iban, EInvoiceChars::Account);
        if (!d.bic.isEmpty())
            x.wrapped("C_C088", "D_3433", d.bic, 11);
        x.close();
    } else if (!xmlText(p.account, EInvoiceChars::Account).isEmpty()) {
        x.open("S_FII");
        x.code("D_3035", "BB");
        x.wrapped("C_C078", "D_3194", p.account, EInvoiceChars::Account);
        x.close();
    }
    if (!xmlText(p.taxNumber, EInvoiceChars::Reference).isEmpty()) {
        x.open("G_SG3");
        x.reference("VA", p.taxNumber);
        x.close();
    }
    const QString contact = xmlText(p.contact, EInvoiceChars::Contact);
    const QString phone = xmlText(p.phone, EInvoiceChars::ContactNo);
    const QString email = xmlText(p.email, EInvoiceChars::ContactNo);
    if (!contact.isEmpty() || !phone.isEmpty() || !email.isEmpty()) {
        x.open("G_SG5");
        x.open("S_CTA");
        x.code("D_3139", "IC");
        x.wrapped("C_C056", "D_3412", contact, EInvoiceChars::Contact);
        x.close();
        const std::pair<const QString*, const char*> numbers[] = {{&phone, "TE"}, {&email, "EM"}};
        for (const auto& [value, kind] : numbers) {
            if (value->isEmpty())
                continue;
            x.open("S_COM");
            x.open("C_C076");
            x.text("D_3148", *value, EInvoiceChars::ContactNo);
            x.code("D_3155", kind);
            x.close();
            x.close();
        }
        x.close();
    }
    x.close();
}

void writeLine(Writer& x, int number, const EInvoiceLine& l, double vatPercent) {
    x.open("G_SG26");
    x.open("S_LIN");
    x.number("D_1082", QString::number(number));
    x.close();
    x.open("S_IMD");
    x.code("D_7077", "F");
    x.open("C_C273");
    x.number("D_7008", eInvoiceLineName(l, number));
    x.close();
    x.close();
    x.open("S_QTY");
    x.open("C_C186");
    x.code("D_6063", "47");
    x.number("D_6060", decimalText(l.quantity, 6, 18));
    x.code("D_6411", "C62");
    x.close();
    x.close();
    x.open("G_SG27");
    x.moa("203", l.amount);
    x.close();
    x.open("G_SG29");
    x.open("S_PRI");
    x.open("C_C509");
    x.code("D_5125", "AAA");
    x.number("D_5118", decimalText(l.price, 6, 15));
    x.number("D_5284", QStringLiteral("1"));
    x.code("D_6411", "C62");
    x.close();
    x.close();
    x.close();
    x.open("G_SG34");
    x.vatRate(vatPercent);
    x.moa("125", l.amount);
    x.close();
    x.close();
}

// ---------------------------------------------------------------------------
// The stored invoice

EInvoiceResult refused(const QString& text, const QString& title) {
    return {false, {}, text, title};
}

// A line of the working table, as the document prints and adds it.
struct PricedLine {
    EInvoiceLine line;
    bool printed = false; // the document leaves out lines of no amount
};

PricedLine priceLine(const WorkingLine& l, double pointValue, bool unifiedReport) {
    PricedLine r;
    const double ts1 = NumberOrZero(l.ts1);
    QString name = (NullTrim(l.tariffNumber) + u' ' + NullTrim(l.description)).trimmed();
    double quantity = 1;
    double price = 0;
    double amount = 0;
    if (ts1 < OtherLinesFrom) {
        const bool reduced = unifiedReport && l.report;
        amount =
            serviceAmount(l.points, l.quantity, l.surcharge, l.report, pointValue, unifiedReport)
                .amount;
        // The price of one: the same product without the quantity (the
        // surcharge capped as the pricing caps it).
        const double surcharge = std::min(NumberOrZero(l.surcharge), MaxSurcharge);
        quantity = NumberOrZero(l.quantity);
        price = NumberOrZero(l.points) * pointValue * (1 + surcharge / 100) *
                (reduced ? UnifiedReportFactor : 1.0);
        // The document marks these with a star and a footnote; an e-invoice
        // line has to say it by itself.
        if (reduced)
            name += QStringLiteral(" (skupen elaborat)");
    } else {
        amount = roundedAmount(l.amount);
        price = amount;
    }
    if (price < 0) {
        price = -price;
        quantity = -quantity;
    }
    r.line = {name, quantity, price, amount};
    r.printed = amount != 0;
    return r;
}

struct Priced {
    bool ok = false;
    QString error;
    QString title;
    QList<EInvoiceLine> lines;
    InvoiceTotals totals;
};

// Loads the stored lines into a work database of its own, prices them as
// the editor prices an invoice it opens and reads them in the grid's order.
Priced priceStoredLines(Database& db, const Recordset& invoice, qint64 invoiceId,
                        double vatPercent) {
    Priced r;
    auto fail = [&r](const QString& text, const QString& title) {
        r.error = text;
        r.title = title;
        return r;
    };
    QString error;
    auto work = Database::open(QStringLiteral(":memory:"), QString(), &error, true);
    if (!work || !Schema::createWorkTables(*work))
        return fail(EInvoiceMessages::NoScratch.text + u'\n' + (work ? work->lastError() : error),
                    EInvoiceMessages::NoScratch.title);

    PricingInput input;
    input.pointValueText = numberBoxText(invoice.field(QStringLiteral("VrednostTocke")));
    input.percentText = numberBoxText(invoice.field(QStringLiteral("ProcentPavsala")));
    input.unifiedReport = invoice.field(QStringLiteral("EnotenElaborat")).toBool();
    input.vatPercent = vatPercent;
    const LoadLinesResult loaded = LoadLines(db, *work, invoiceId, input.percentText);
    if (!loaded.ok)
        return fail(DocumentMessages::LinesNotRead.text + u'\n' + loaded.error, Titles::Database);
    input.lumpSum = loaded.hasLumpSumLine;

    {
        auto rows = work->openRecordset(QStringLiteral("tblTarifePregled"), RecordsetKind::Table);
        if (!rows || !rows->setIndex(QStringLiteral("Red")))
            return fail(DocumentMessages::LinesNotRead.text + u'\n' +
                            (rows ? rows->lastError() : work->lastError()),
                        Titles::Database);
        const PricingResult priced = recalculate(*rows, input);
        if (!priced.ok)
            return priced.overflow
                       ? fail(priced.error, Titles::TooLarge)
                       : fail(DocumentMessages::LinesNotRead.text + u'\n' + priced.error,
                              Titles::Database);
    }
    QList<WorkingLine> lines;
    if (!readLines(*work, &lines))
        return fail(DocumentMessages::LinesNotRead.text + u'\n' + work->lastError(),
                    Titles::Database);

    const double pointValue = readNumber(input.pointValueText).value_or(0.0);
    double sum = 0;
    for (const WorkingLine& l : lines) {
        const PricedLine p = priceLine(l, pointValue, input.unifiedReport);
        sum += p.line.amount;
        if (p.printed)
            r.lines.append(p.line);
    }
    r.totals = invoiceTotals(sum, vatPercent);
    r.ok = true;
    return r;
}

QDate storedDate(const QVariant& v) {
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    return readDate(NullTrim(v)).value_or(QDate());
}

} // namespace

QString xmlText(const QString& text, int maxChars) {
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            clean += c; // a pair is always beyond U+FFFF, which XML holds
            clean += text.at(++i);
        } else if (!c.isSurrogate() && xmlChar(c.unicode())) {
            clean += c;
        }
    }
    clean = clean.trimmed();
    clean.truncate(cutPoint(clean, 0, maxChars));
    return clean;
}

QString eInvoiceDecimal(double v, int maxFraction, int totalDigits) {
    const double whole = std::floor(std::abs(v));
    const int wholeDigits = whole < 1 ? 1 : int(std::floor(std::log10(whole))) + 1;
    const int fraction = std::max(0, std::min(maxFraction, totalDigits - wholeDigits));
    QString s = QString::number(v, 'f', fraction);
    if (s.contains(u'.')) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
    }
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

QString eInvoiceAmount(double v) {
    const double cents = RoundCents(v);
    return QString::number(cents == 0 ? 0.0 : cents, 'f', 2);
}

// A carriage return goes as a reference: written as it is, every reader
// would take CR LF for LF.
void writeEInvoiceText(QXmlStreamWriter& w, const QString& clean) {
    const QStringList pieces = clean.split(u'\r');
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            w.writeEntityReference(QStringLiteral("#13"));
        if (!pieces.at(i).isEmpty())
            w.writeCharacters(pieces.at(i));
    }
}

QString eInvoiceLineName(const EInvoiceLine& l, int number) {
    const QString name = xmlText(l.name, EInvoiceChars::Item);
    return name.isEmpty() ? QStringLiteral("Postavka %1").arg(number) : name;
}

QString eInvoiceFormatCode(EInvoiceFormat format) {
    return format == EInvoiceFormat::Peppol ? QStringLiteral("peppol") : QStringLiteral("eslog");
}

EInvoiceFormat eInvoiceFormatOfCode(const QString& code) {
    return code.trimmed().compare(QLatin1String("peppol"), Qt::CaseInsensitive) == 0
               ? EInvoiceFormat::Peppol
               : EInvoiceFormat::Eslog;
}

bool splitElectronicAddress(const QString& typed, QString* scheme, QString* id) {
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{4})\\s*:\\s*(\\S+)\\s*$"));
    const QRegularExpressionMatch m = form.match(typed);
    if (!m.hasMatch())
        return false;
    *scheme = m.captured(1);
    *id = m.captured(2);
    return true;
}

void setElectronicAddress(EInvoiceParty* party, const QString& typed) {
    party->addressScheme.clear();
    party->addressId.clear();
    if (splitElectronicAddress(typed, &party->addressScheme, &party->addressId))
        return;
    party->addressScheme.clear();
    if (isSlovenianVatNumber(party->taxNumber)) {
        party->addressScheme = QStringLiteral("9949");
        party->addressId = party->taxNumber;
    }
}

QString vatNumberForm(const QString& typed) {
    QString form;
    for (QChar c : typed)
        if (!c.isSpace())
            form += c.toUpper();
    static const QRegularExpression eightDigits(QStringLiteral("^\\d{8}$"));
    if (eightDigits.match(form).hasMatch())
        return QStringLiteral("SI") + form;
    static const QRegularExpression slovenian(QStringLiteral("^SI\\d{8}$"));
    return slovenian.match(form).hasMatch() ? form : typed.trimmed();
}

bool isSlovenianVatNumber(const QString& form) {
    static const QRegularExpression slovenian(QStringLiteral("^SI\\d{8}$"));
    return slovenian.match(form).hasMatch();
}

QByteArray eInvoiceXml(const EInvoiceData& d) {
    QByteArray out;
    Writer x(&out);
    x.w.writeStartDocument();
    x.w.writeDefaultNamespace(Namespace);
    x.open("Invoice");
    x.open("M_INVOIC");
    x.w.writeAttribute(QStringLiteral("Id"), QStringLiteral("data"));

    x.open("S_UNH");
    if (!x.text("D_0062", d.messageId, MessageIdChars))
        x.number("D_0062", QStringLiteral("1"));
    x.open("C_S009");
    x.code("D_0065", "INVOIC");
    x.code("D_0052", "D");
    x.code("D_0054", "01B");
    x.code("D_0051", "UN");
    x.close();
    x.close();

    x.open("S_BGM");
    x.open("C_C002");
    x.code("D_1001", d.creditNote ? "381" : "380");
    x.close();
    x.wrapped("C_C106", "D_1004", d.number, EInvoiceChars::Number);
    x.close();

    x.date("137", d.date);
    x.date("35", d.date);

    // That it follows EN 16931, the remark and the payment terms.
    x.freeText("DOC", En16931);
    x.freeText("AAI", d.remark);
    x.freeText("AAB", d.paymentTerms);

    // A credit note asks for no payment: no reference to pay by, but the
    // invoice it takes back (EN 16931's preceding invoice reference).
    if (d.creditNote) {
        x.open("G_SG1");
        x.reference("OI", d.precedingNumber);
        if (d.precedingDate.isValid())
            x.date("384", d.precedingDate);
        x.close();
    } else {
        x.open("G_SG1");
        x.reference("PQ", d.paymentReference);
        x.close();
    }

    writeParty(x, "SE", d.seller, d, true);
    writeParty(x, "BY", d.buyer, d, false);

    x.open("G_SG7");
    x.open("S_CUX");
    x.open("C_C504");
    x.code("D_6347", "2");
    x.code("D_6345", "EUR");
    x.close();
    x.close();
    x.close();

    // Payment terms: due by the date, by SEPA credit transfer.
    x.open("G_SG8");
    x.open("S_PAT");
    x.code("D_4279", "1");
    x.close();
    // A credit note is never due.
    if (!d.creditNote)
        x.date("13", d.dueDate);
    x.open("S_PAI");
    x.open("C_C534");
    x.code("D_4461", "58");
    x.close();
    x.close();
    x.close();

    for (int i = 0; i < d.lines.size(); ++i)
        writeLine(x, i + 1, d.lines.at(i), d.vatPercent);

    double lineTotal = 0;
    for (const EInvoiceLine& l : d.lines)
        lineTotal += l.amount;
    const std::pair<const char*, double> totals[] = {{"79", RoundCents(lineTotal)},
                                                     {"389", d.base},
                                                     {"176", d.vat},
                                                     {"388", d.toPay},
                                                     {"9", d.toPay}};
    for (const auto& [qualifier, amount] : totals) {
        x.open("G_SG50");
        x.moa(qualifier, amount);
        x.close();
    }

    x.open("G_SG52");
    x.vatRate(d.vatPercent);
    x.moa("125", d.base);
    x.moa("124", d.vat);
    x.close();

    x.close(); // M_INVOIC
    x.close(); // Invoice
    x.w.writeEndDocument();
    return out;
}

EInvoiceResult eInvoiceOfStoredInvoice(Database& db, const QString& number,
                                       const QString& scratchFolder, EInvoiceFormat format) {
    // The lines are priced in memory: nothing is written to scratchFolder.
    Q_UNUSED(scratchFolder);
    auto invoice =
        db.openRecordset(QStringLiteral("SELECT * FROM tblRacun WHERE StevilkaRacuna = ?"),
                         RecordsetKind::Snapshot, {number});
    if (!invoice || invoice->readFailed())
        return refused(EInvoiceMessages::NotRead.text.arg(number) + u'\n' + db.lastError(),
                       EInvoiceMessages::NotRead.title);
    if (invoice->eof())
        return refused(EInvoiceMessages::NotFound.text.arg(number),
                       EInvoiceMessages::NotFound.title);
    auto field = [&invoice](const char* name) { return invoice->field(QString::fromLatin1(name)); };
    if (field("Ponudba").toBool())
        return refused(QuoteMessages::NoEInvoice.text.arg(number), QuoteMessages::NoEInvoice.title);

    EInvoiceData d;
    const qint64 invoiceId = field("ID").toLongLong();
    const double vatPercent = invoiceVatPercent(field("StopnjaDDV"));
    d.messageId = QString::number(invoiceId);
    d.number = NullTrim(field("StevilkaRacuna"));
    d.date = storedDate(field("Datum"));
    d.dueDate = dueDate(d.date, field("Veljavnost")).toDate();
    d.buyer = {NullTrim(field("Ime")),
               NullTrim(field("Naslov")),
               NullTrim(field("PST")),
               NullTrim(field("Posta")),
               vatNumberForm(NullTrim(field("Davcna"))),
               NullTrim(field("KontaktnaOseba")),
               NullTrim(field("Telefon")),
               NullTrim(field("Email")),
               {},
               {},
               NullTrim(field("TRR"))};
    d.buyerReference = NullTrim(field("Zadeva"));
    if (xmlText(d.buyerReference, EInvoiceChars::Reference).isEmpty())
        d.buyerReference = NullTrim(field("StevilkaRacuna"));
    d.remark = NullTrim(field("Opombe"));
    d.vatPercent = vatPercent;
    d.paymentReference = upnReference(d.number).field();
    d.creditNote = field("Dobropis").toBool();
    d.precedingNumber = NullTrim(field("IzvirniRacun"));
    d.precedingDate = storedDate(field("IzvirniDatum"));
    Customer customer;
    for (int f = 0; f < CustomerFieldCount; ++f)
        customer.data[f] = NullTrim(invoice->field(QString::fromUtf16(CustomerColumns[f].field)));
    if (invoice->readFailed())
        return refused(EInvoiceMessages::NotRead.text.arg(number) + u'\n' + invoice->lastError(),
                       EInvoiceMessages::NotRead.title);
    d.paymentTerms = d.creditNote ? EInvoiceFormatMessages::CreditNoteTerms.arg(d.precedingNumber)
                                  : EInvoiceFormatMessages::PaymentTerms
                                        .arg(d.dueDate.toString(QStringLiteral("d. M. yyyy")))
                                        .arg(d.date.daysTo(d.dueDate));

    // The register keeps the customer's electronic address and format.
    std::optional<Customer> registered;
    if (!customer.isBlank() && !findCustomer(db, customer, &registered))
        return refused(EInvoiceMessages::NotRead.text.arg(number) + u'\n' + db.lastError(),
                       EInvoiceMessages::NotRead.title);
    setElectronicAddress(&d.buyer, registered ? registered->electronicAddress : QString());
    if (format == EInvoiceFormat::OfCustomer)
        format = eInvoiceFormatOfCode(registered ? registered->invoiceFormat : QString());

    DocumentSettings s;
    QString error;
    if (!readDocumentSettings(db, &s, &error))
        return refused(error, DocumentMessages::SettingsNotRead.title);
    d.seller = {s.firm,  s.address, s.postcode, s.post, vatNumberForm(s.taxNumber), {}, s.phone,
                s.email, {},        {},         {}};
    d.iban = slovenianIban(s.bankAccount);
    static const QRegularExpression bic(QStringLiteral("^[A-Z]{6}[A-Z0-9]{2}([A-Z0-9]{3})?$"));
    const QString bicForm = s.bic.trimmed().toUpper().remove(u' ');
    d.bic = bic.match(bicForm).hasMatch() ? bicForm : QString();
    QString officeAddress;
    if (!readElectronicAddress(db, &officeAddress, &error))
        return refused(DocumentMessages::SettingsNotRead.text + u'\n' + error,
                       DocumentMessages::SettingsNotRead.title);
    setElectronicAddress(&d.seller, officeAddress);

    const Priced priced = priceStoredLines(db, *invoice, invoiceId, vatPercent);
    if (!priced.ok)
        return refused(priced.error, priced.title);
    d.lines = priced.lines;
    d.base = priced.totals.base;
    d.vat = priced.totals.vat;
    d.toPay = priced.totals.toPay;

    QStringList missing;
    if (xmlText(d.number, EInvoiceChars::Number).isEmpty())
        missing << EInvoiceMessages::MissingNumber;
    if (!d.date.isValid())
        missing << EInvoiceMessages::MissingDate;
    if (xmlText(d.buyer.name, EInvoiceChars::Name).isEmpty())
        missing << EInvoiceMessages::MissingName;
    if (d.lines.isEmpty())
        missing << EInvoiceMessages::MissingLines;
    if (!isSlovenianVatNumber(d.seller.taxNumber))
        missing << EInvoiceMessages::MissingVatNumber;
    if (d.iban.isEmpty())
        missing << EInvoiceMessages::MissingIban;
    if (!missing.isEmpty())
        return refused(
            EInvoiceMessages::Missing.text.arg(number, missing.join(QStringLiteral(", "))),
            EInvoiceMessages::Missing.title);
    if (format == EInvoiceFormat::Peppol) {
        // The Peppol network delivers to an electronic address only.
        if (d.buyer.addressId.isEmpty())
            return refused(EInvoiceFormatMessages::NoBuyerAddress.text.arg(number),
                           EInvoiceFormatMessages::NoBuyerAddress.title);
        return {true, ublInvoiceXml(d), {}, {}, EInvoiceFormat::Peppol};
    }
    return {true, eInvoiceXml(d), {}, {}, EInvoiceFormat::Eslog};
}

} // namespace valmir
