#include "document/InvoiceDocument.h"

#include "data/Database.h"
#include "data/Recordset.h"
#include "document/DocumentBlocks.h"
#include "document/Iban.h"
#include "document/InvoiceEmail.h"
#include "document/Rtf.h"
#include "document/UpnQr.h"
#include "invoice/CreditNote.h"
#include "invoice/InvoiceFields.h"
#include "invoice/Pricing.h"
#include "text/Messages.h"
#include "text/Module1.h"
#include "text/TextForms.h"

namespace valmir {

namespace {

constexpr double TolarsPerEuro = 239.64;
constexpr int UpnQrTwips = 2268; // 4 cm

using block::Align;

// A cell as a reader sees it: the text trimmed.
block::Cell cell(const QString& text, Align align) { return {text.trimmed(), align}; }
block::Cell emptyCentred() { return {QString(), Align::Centre}; }

// "Skupaj izdatki", "Osnova za DDV" ...: the label right-aligned, the amount
// in the last column.
block::Row labelRow(const QString& label, double amount, bool bold, int size = 0) {
    return {{cell(label, Align::Right), emptyCentred(), emptyCentred(), emptyCentred(),
             cell(AmountText(amount), Align::Right)},
            bold,
            size};
}

// A heading row of the item table: the text in the first column.
block::Row groupHeadingRow(const QString& text) {
    return {{cell(text, Align::Left), emptyCentred(), emptyCentred(), emptyCentred(),
             cell(QString(), Align::Right)},
            true};
}

QString positiveNumber(double v) { return v > 0 ? plainNumberText(v) : QString(); }

block::Paragraph text(const QString& t, int size = 20, bool bold = false, int linesAfter = 0) {
    block::Paragraph p;
    p.text = t;
    p.size = size;
    p.bold = bold;
    p.linesAfter = linesAfter;
    return p;
}

// Builds the document step by step; the members are the values the steps
// hand on to each other.
class InvoiceWriter {
public:
    InvoiceWriter(DocumentBlocks& doc, const DocumentInput& in)
        : d(doc), in(in), h(in.header), s(in.settings) {
        p = readNumber(h.pointValueText).value_or(0);
        for (const WorkingLine& l : in.lines)
            if (NumberOrZero(l.ts1) < OtherLinesFrom)
                totals.points += NumberOrZero(l.points) * NumberOrZero(l.quantity);
    }

    DocumentTotals write() {
        d << block::PageNumbers{};
        addressBlocks(d, h.text1, s);
        title();
        serviceData();
        pointValue();
        headingRow();
        lines();
        sectionTotals();
        sums();
        closing();
        return totals;
    }

private:
    QString box(int i) const { return h.text1.value(i); }

    void title() {
        if (h.credits) {
            d << text(QStringLiteral("DOBROPIS št. ") + box(0), 24, true)
              << text(creditedInvoiceText(h.credits->number, h.credits->date), 20, false, 1);
            return;
        }
        if (h.quote) {
            d << text(QStringLiteral("PONUDBA št. ") + box(0), 24, true, 1);
            return;
        }
        d << text(QStringLiteral("IZRAČUN CENE GEODETSKE STORITVE št. ") + box(0), 24, true, 1);
    }

    // Until when a quote holds: its date and the days of its validity.
    QString validUntil() const {
        const QVariant until = dueDate(storedValue(box(DateBox), BoxForm::Date),
                                       storedValue(box(ValidityBox), BoxForm::Validity));
        return until.isNull() ? QString() : dateText(until.toDate());
    }

    void serviceData() {
        d << text(QStringLiteral("PODATKI O STORITVI"), 20, true);
        if (!h.text1.value(11).isEmpty())
            d << text(QStringLiteral("Naziv storitve: ") + box(11));
        if (!h.text1.value(12).isEmpty())
            d << text(QStringLiteral("Številka zadeve: ") + box(12));
        d << text(QStringLiteral("Datum: ") + box(8));
        if (h.quote)
            d << text(QStringLiteral("Ponudba velja do ") + validUntil());
        else
            d << text(QStringLiteral("Veljavnost: ") + box(15) + QStringLiteral(" dni"));
    }

    void pointValue() {
        block::Paragraph v =
            text(QStringLiteral("Vrednost točke: ") + h.pointValueText + QStringLiteral(" €"), 16);
        v.right = true;
        v.linesBefore = 1;
        d << v;
    }

    void headingRow() {
        d << block::RowFormat{block::Shade::Heading} << block::Rule{}
          << block::Row{{cell(QStringLiteral("OPRAVILA"), Align::Left),
                         cell(QStringLiteral("TOČKE"), Align::Centre),
                         cell(QStringLiteral("KOLIČINA"), Align::Centre),
                         cell(QStringLiteral("POVIŠEK %"), Align::Centre),
                         cell(QStringLiteral("ZNESEK €"), Align::Right)},
                        true}
          << block::Rule{};
        plainTable();
    }

    void plainTable() { d << block::BaseFont{16} << block::RowFormat{}; }

    // The services subtotal and, when cost lines follow, the heading of the
    // cost section.
    void servicesSubtotal(double sum, bool withCosts) {
        d << block::Rule{}
          << block::Row{{cell(QStringLiteral("Skupaj storitve"), Align::Right),
                         cell(pointsCaption(totals.points), Align::Centre), emptyCentred(),
                         emptyCentred(), cell(AmountText(sum), Align::Right)},
                        true};
        if (withCosts) {
            d << block::BaseFont{16} << block::RowFormat{block::Shade::Heading} << block::Rule{}
              << groupHeadingRow(QStringLiteral("STROŠKI"));
            plainTable();
        }
        d << block::Rule{};
    }

    void lines() {
        double currentService = 0;
        bool noRuleBeforeHeading = true;
        for (const WorkingLine& l : in.lines) {
            const double ts1 = NumberOrZero(l.ts1);
            if (ts1 >= OtherLinesFrom && !costsStarted) {
                totals.services = RoundCents(runningSum);
                servicesSubtotal(totals.services, true);
                runningSum = 0;
                costsStarted = true;
                noRuleBeforeHeading = true;
            }
            if (ts1 != currentService) {
                currentService = ts1;
                const auto name = in.serviceNames.constFind(ts1);
                if (name != in.serviceNames.cend()) { // the lump-sum line's 7777 has none
                    if (!noRuleBeforeHeading)
                        d << block::Rule{false};
                    d << groupHeadingRow(*name) << block::Rule{false};
                    noRuleBeforeHeading = false;
                }
            }
            const double t = NumberOrZero(l.points);
            const double k = NumberOrZero(l.quantity);
            const double sc = NumberOrZero(l.surcharge);
            QString mark;
            double a;
            if (ts1 < OtherLinesFrom) {
                if (h.unifiedReport && l.report) {
                    mark = QStringLiteral(" *");
                    totals.anyReportLine = true;
                }
                a = serviceAmount(l.points, l.quantity, l.surcharge, l.report, p, h.unifiedReport)
                        .amount;
            } else {
                a = roundedAmount(l.amount);
            }
            // What is printed is what is added up.
            runningSum += a;
            if (a > 0) {
                const QString name = NullTrim(l.tariffNumber) + u' ' + NullTrim(l.description) + mark;
                d << block::Row{{cell(name, Align::Left), cell(positiveNumber(t), Align::Centre),
                                 cell(positiveNumber(k), Align::Centre),
                                 cell(sc != 0 ? plainNumberText(sc) : QString(), Align::Centre),
                                 cell(AmountText(a), Align::Right)}};
            }
        }
    }

    void sectionTotals() {
        if (!costsStarted) {
            totals.services = RoundCents(runningSum);
            servicesSubtotal(totals.services, false);
        } else {
            totals.costs = RoundCents(runningSum);
            d << block::Rule{} << labelRow(QStringLiteral("Skupaj izdatki"), totals.costs, true)
              << block::Rule{};
        }
        const InvoiceTotals sums = invoiceTotals(totals.services + totals.costs, h.vatPercent);
        totals.base = sums.base;
        totals.vat = sums.vat;
        totals.toPay = sums.toPay;
    }

    void sums() {
        d << block::BaseFont{16} << block::RowFormat{block::Shade::Totals, 2} << block::Rule{}
          << labelRow(QStringLiteral("Osnova za DDV"), totals.base, true, 20) << block::Rule{}
          << labelRow(vatCaption(h.vatPercent), totals.vat, true, 20) << block::Rule{}
          << labelRow(h.credits ? QStringLiteral("Znesek dobropisa")
                      : h.quote ? QStringLiteral("Skupaj")
                                : QStringLiteral("Za plačilo"),
                      totals.toPay, true, 20)
          << block::Rule{};
        // The row definition goes out only with its row: LibreOffice drops
        // every paragraph after a definition that no row uses, and with it
        // the remarks, the closing text and the payment code.
        if (s.tolars) {
            plainTable();
            d << labelRow(QStringLiteral("Znesek v SIT"), totals.toPay * TolarsPerEuro, false, 20);
        }
    }

    void closing() {
        d << block::BaseFont{20} << block::Gap{} << block::Gap{};
        if (totals.anyReportLine)
            d << text(QStringLiteral("* Skupen elaborat"), 20, false, 1);
        const QString remarks = h.text1.value(7).trimmed();
        if (!remarks.isEmpty())
            d << text(QStringLiteral("Opombe: ") + remarks);
        if (!staffName.isEmpty())
            d << text(QStringLiteral("Izračun pripravil: ") + staffName, 20, false, 1);
        block::Paragraph bottom;
        bottom.text = s.bottomText;
        bottom.plain = true;
        bottom.linesBefore = 1;
        d << block::BaseFont{16} << bottom;
        // A credit note asks for no payment, nor does a quote.
        if (!h.credits && !h.quote)
            totals.warning = upnQrBlocks(d, upnQrInput(in, totals.toPay));
    }

    DocumentBlocks& d;
    const DocumentInput& in;
    const InvoiceHeader& h;
    const DocumentSettings& s;
    const QString& staffName = in.staffName;
    double p = 0;
    bool costsStarted = false;
    double runningSum = 0;
    DocumentTotals totals;
};

block::Party recipient(const QStringList& text1) {
    block::Party r{text1.value(1),
                   {text1.value(6), text1.value(2), text1.value(3) + u' ' + text1.value(4)},
                   {}};
    const std::pair<const char16_t*, int> extra[] = {
        {u"telefon: ", 5}, {u"faks: ", 9}, {u"e-pošta: ", 10}, {u"davčna št.: ", 13}};
    for (const auto& [label, i] : extra)
        if (!text1.value(i).isEmpty())
            r.details << QString::fromUtf16(label) + text1.value(i);
    return r;
}

block::Party issuer(const DocumentSettings& s) {
    block::Party r{s.firm, {s.address, s.postcode + u' ' + s.post}, {}};
    const std::pair<const char16_t*, const QString*> extra[] = {{u"telefon: ", &s.phone},
                                                                {u"faks: ", &s.fax},
                                                                {u"e-pošta: ", &s.email},
                                                                {u"davčna št.: ", &s.taxNumber},
                                                                {u"TRR: ", &s.bankAccount}};
    for (const auto& [label, value] : extra)
        if (!value->isEmpty())
            r.details << QString::fromUtf16(label) + *value;
    return r;
}

} // namespace

void addressBlocks(DocumentBlocks& d, const QStringList& text1, const DocumentSettings& s) {
    d << block::Addresses{issuer(s), recipient(text1), s.sideBySide} << block::BaseFont{16}
      << block::Gap{} << block::Gap{};
}

// About 4 cm wide on paper, which every mobile bank reads.
QString upnQrBlocks(DocumentBlocks& d, const UpnQrInput& order) {
    const QByteArray payload = upnQrPayload(order);
    if (payload.isEmpty()) {
        const QString account = order.iban.trimmed();
        if (order.amount > 0 && !account.isEmpty() && slovenianIban(account).isEmpty())
            return DocumentMessages::QrBadAccount.text.arg(account);
        return {};
    }
    const UpnQrPicture picture = upnQrPng(payload);
    if (picture.png.isEmpty())
        return DocumentMessages::QrNotMade.text.arg(picture.error);
    block::Paragraph heading = text(QStringLiteral("Plačilo z UPN QR"), 20, true);
    heading.linesBefore = 1;
    heading.keepNext = true;
    // The reference the code carries, for those who pay by typing it.
    block::Paragraph reference =
        text(QStringLiteral("Sklic: ") + upnReference(order.invoiceNumber).text());
    reference.keepNext = true;
    d << heading << reference
      << block::Picture{picture.png, picture.width, picture.height, UpnQrTwips};
    return {};
}

bool readDocumentSettings(Database& db, DocumentSettings* out, QString* error) {
    *out = {};
    // The first row, as everywhere the settings are read.
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM tblNastavitve ORDER BY rowid"),
                               RecordsetKind::Snapshot);
    if (!rs || rs->readFailed()) {
        *error = DocumentMessages::SettingsNotRead.text + u'\n' + db.lastError();
        return false;
    }
    if (rs->eof())
        return true; // no settings row yet: an empty issuer
    auto f = [&rs](const char* name) { return NullTrim(rs->field(QString::fromLatin1(name))); };
    out->firm = f("Firma");
    out->address = f("Naslov");
    out->postcode = f("PST");
    out->post = f("Posta");
    out->phone = f("Telefon");
    out->fax = f("Faks");
    out->email = f("Email");
    out->taxNumber = f("Davcna");
    out->bankAccount = f("TRR");
    out->bic = f("BIC");
    out->bottomText = f("NaDnu");
    out->reminderText = f("BesediloOpomina");
    out->sideBySide = NumberOrZero(rs->field(QStringLiteral("GlavaVzporedno"))) != 0;
    out->tolars = NumberOrZero(rs->field(QStringLiteral("Tolarji"))) != 0;
    return true;
}

bool readServiceNames(Database& db, QHash<double, QString>* out, QString* error) {
    out->clear();
    auto rs = db.openRecordset(
        QStringLiteral("SELECT TS1, GeodetskaStoritev FROM tblGeodetskaStoritev ORDER BY rowid"),
        RecordsetKind::Snapshot);
    if (!rs || rs->readFailed()) {
        *error = DocumentMessages::ServicesNotRead.text + u'\n' + db.lastError();
        return false;
    }
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        const QVariant ts1 = rs->field(QStringLiteral("TS1"));
        if (!ts1.isNull() && !out->contains(ts1.toDouble())) // the first one, as a seek finds it
            out->insert(ts1.toDouble(), NullTrim(rs->field(QStringLiteral("GeodetskaStoritev"))));
    }
    return true;
}

UpnQrInput upnQrInput(const DocumentInput& in, double toPay) {
    const QStringList& t = in.header.text1;
    const DocumentSettings& s = in.settings;
    auto place = [](const QString& postcode, const QString& post) {
        return (postcode.trimmed() + u' ' + post.trimmed()).trimmed();
    };
    return {{t.value(1), t.value(2), place(t.value(3), t.value(4))},
            RoundCents(toPay),
            t.value(0),
            s.bankAccount,
            {s.firm, s.address, place(s.postcode, s.post)}};
}

DocumentTotals invoiceBlocks(const DocumentInput& in, DocumentBlocks* out) {
    *out = {};
    out->title = invoiceEmailSubject(in.header.text1.value(0),
                                     in.header.quote                  ? MailedDocument::Quote
                                     : in.header.credits.has_value() ? MailedDocument::CreditNote
                                                                      : MailedDocument::Invoice);
    out->author = in.settings.firm;
    return InvoiceWriter(*out, in).write();
}

DocumentTotals writeInvoiceDocument(RtfDocument& doc, const DocumentInput& in) {
    DocumentBlocks blocks;
    const DocumentTotals totals = invoiceBlocks(in, &blocks);
    doc.WriteProlog();
    writeRtfBlocks(doc, blocks);
    return totals;
}

bool readDocumentInput(Database& db, Database& work, const InvoiceHeader& header,
                       const QString& staffName, DocumentInput* in, PrintResult* failed) {
    *in = {};
    in->header = header;
    in->staffName = staffName.trimmed();
    if (!readLines(work, &in->lines)) {
        *failed = {false,
                   {},
                   DocumentMessages::LinesNotRead.text + u'\n' + work.lastError(),
                   DocumentMessages::LinesNotRead.title,
                   {}};
        return false;
    }
    if (in->lines.isEmpty()) {
        *failed = {false, {}, DocumentMessages::NoLines.text, DocumentMessages::NoLines.title, {}};
        return false;
    }
    QString error;
    if (!readDocumentSettings(db, &in->settings, &error) ||
        !readServiceNames(db, &in->serviceNames, &error)) {
        *failed = {false, {}, error, Titles::Database, {}};
        return false;
    }
    return true;
}

PrintResult PrintInvoice(Database& db, Database& work, const QString& tempFolder,
                         const InvoiceHeader& header, const QString& staffName) {
    DocumentInput in;
    PrintResult failed;
    if (!readDocumentInput(db, work, header, staffName, &in, &failed))
        return failed;
    RtfDocument doc;
    if (!doc.OpenDocument(tempFolder))
        return {false, {}, doc.error(), DocumentMessages::NotOpened.title, {}};
    const DocumentTotals shown = writeInvoiceDocument(doc, in);
    if (!doc.CloseDocument())
        return {false, {}, doc.error(), DocumentMessages::NotWritten.title, {}};
    return {true, doc.path(), {}, {}, shown.warning};
}

} // namespace valmir
