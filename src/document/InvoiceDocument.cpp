#include "document/InvoiceDocument.h"

#include "data/Database.h"
#include "data/Recordset.h"
#include "document/Iban.h"
#include "document/Rtf.h"
#include "document/UpnQr.h"
#include "invoice/CreditNote.h"
#include "invoice/Pricing.h"
#include "text/Messages.h"
#include "text/Module1.h"
#include "text/TextForms.h"

namespace valmir {

namespace {

constexpr double TolarsPerEuro = 239.64;
constexpr int UpnQrTwips = 2268; // 4 cm

const QString RowStart = QStringLiteral("\\trowd\\trgaph70\\trqc\\trkeep");
const QString PlainCells = QStringLiteral("\\cellx4800\\cellx5600\\cellx6600\\cellx7900\\cellx9152");
const QString HeadingCells = QStringLiteral("\\clcbpat6\\cellx4800\\clcbpat6\\cellx5600"
                                            "\\clcbpat6\\cellx6600\\clcbpat6\\cellx7900"
                                            "\\clcbpat6\\cellx9152");
const QString TotalsCells = QStringLiteral("\\clcbpat8\\cellx4800\\clcbpat8\\cellx5600"
                                           "\\clcbpat8\\cellx6600\\clcbpat8\\cellx7900"
                                           "\\clcbpat8\\cellx9152");

QString emptyCentred() { return MakeCell(TextCell, QString(), AlignCentre); }

QString row(const QString& cells) { return QStringLiteral("\\intbl") + cells + QStringLiteral("\\row "); }

// "Skupaj izdatki", "Osnova za DDV" ...: the label right-aligned, the amount
// in the last column.
QString labelRow(const QString& label, double amount) {
    return row(MakeCell(TextCell, label, AlignRight) + emptyCentred() + emptyCentred() +
               emptyCentred() + MakeCell(AmountCell, amount, AlignRight));
}

// A heading row of the item table: the text in the first column.
QString groupHeadingRow(const QString& text) {
    return row(MakeCell(TextCell, text, AlignLeft) + emptyCentred() + emptyCentred() +
               emptyCentred() + MakeCell(TextCell, QString(), AlignRight));
}

QString positiveNumber(double v) { return v > 0 ? plainNumberText(v) : QString(); }

// Writes the document step by step; the members are the values the steps
// hand on to each other.
class InvoiceWriter {
public:
    InvoiceWriter(RtfDocument& doc, const DocumentInput& in)
        : d(doc), in(in), h(in.header), s(in.settings) {
        p = readNumber(h.pointValueText).value_or(0);
        for (const WorkingLine& l : in.lines)
            if (NumberOrZero(l.ts1) < OtherLinesFrom)
                totals.points += NumberOrZero(l.points) * NumberOrZero(l.quantity);
    }

    DocumentTotals write() {
        footer();
        writeAddressBlocks(d, h.text1, s);
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
    // Text1(i) escaped, as typed.
    QString box(int i) const { return rtfEscape(h.text1.value(i)); }

    void footer() {
        d.WriteLine(QStringLiteral("{\\footer\\qr\\f35\\fs16 Stran: {\\field{\\*\\fldinst PAGE }"
                                   "{\\fldrslt 1}} od {\\field{\\*\\fldinst NUMPAGES }}\\par}"));
    }

    void title() {
        if (h.credits) {
            d.WriteLine(QStringLiteral("DOBROPIS št. ") + box(0) + QStringLiteral("\\par"),
                        QStringLiteral("\\b\\fs24"));
            d.WriteLine(rtfEscape(creditedInvoiceText(h.credits->number, h.credits->date)) +
                            QStringLiteral("\\par\\par"),
                        QStringLiteral("\\fs20"));
            return;
        }
        d.WriteLine(QStringLiteral("IZRAČUN CENE GEODETSKE STORITVE št. ") + box(0) + QStringLiteral("\\par\\par"),
                    QStringLiteral("\\b\\fs24"));
    }

    void serviceData() {
        const QString f = QStringLiteral("\\fs20");
        d.WriteLine(QStringLiteral("PODATKI O STORITVI\\par"), QStringLiteral("\\b\\fs20"));
        if (!h.text1.value(11).isEmpty())
            d.WriteLine(QStringLiteral("Naziv storitve: ") + box(11) + QStringLiteral("\\par"), f);
        if (!h.text1.value(12).isEmpty())
            d.WriteLine(QStringLiteral("Številka zadeve: ") + box(12) + QStringLiteral("\\par"), f);
        d.WriteLine(QStringLiteral("Datum: ") + box(8) + QStringLiteral("\\par"), f);
        d.WriteLine(QStringLiteral("Veljavnost: ") + box(15) + QStringLiteral(" dni\\par"), f);
    }

    void pointValue() {
        d.WriteLine(QStringLiteral("\\par Vrednost točke: ") + rtfEscape(h.pointValueText) +
                        QStringLiteral(" €\\par"),
                    QStringLiteral("\\fs16\\qr"));
    }

    void headingRow() {
        d.WriteLine(RowStart);
        d.WriteLine(HeadingCells);
        d.ThickRule();
        d.WriteLine(QStringLiteral("\\intbl{\\ql OPRAVILA\\cell}{\\qc TOČKE\\cell}{\\qc KOLIČINA\\cell}"
                                   "{\\qc POVIŠEK %\\cell}{\\qr ZNESEK €\\cell}\\row "),
                    QStringLiteral("\\b"));
        d.ThickRule();
        plainTable();
    }

    void plainTable() {
        d.SetFontSize(QStringLiteral("16"));
        d.WriteLine(RowStart);
        d.WriteLine(PlainCells);
    }

    // The services subtotal and, when cost lines follow, the heading of the
    // cost section.
    void servicesSubtotal(double sum, bool withCosts) {
        d.ThickRule();
        d.WriteLine(row(MakeCell(TextCell, QStringLiteral("Skupaj storitve"), AlignRight) +
                        MakeCell(TextCell, pointsCaption(totals.points).trimmed(), AlignCentre) +
                        emptyCentred() + emptyCentred() + MakeCell(AmountCell, sum, AlignRight)),
                    QStringLiteral("\\b"));
        if (withCosts) {
            d.SetFontSize(QStringLiteral("16"));
            d.WriteLine(RowStart);
            d.WriteLine(HeadingCells);
            d.ThickRule();
            d.WriteLine(groupHeadingRow(QStringLiteral("STROŠKI")), QStringLiteral("\\b"));
            plainTable();
        }
        d.ThickRule();
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
                        d.ThinRule();
                    d.WriteLine(groupHeadingRow(*name), QStringLiteral("\\b"));
                    d.ThinRule();
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
                d.WriteLine(row(MakeCell(TextCell, name, AlignLeft) +
                                MakeCell(TextCell, positiveNumber(t), AlignCentre) +
                                MakeCell(TextCell, positiveNumber(k), AlignCentre) +
                                MakeCell(TextCell, sc != 0 ? plainNumberText(sc) : QString(), AlignCentre) +
                                MakeCell(AmountCell, a, AlignRight)));
            }
        }
    }

    void sectionTotals() {
        if (!costsStarted) {
            totals.services = RoundCents(runningSum);
            servicesSubtotal(totals.services, false);
        } else {
            totals.costs = RoundCents(runningSum);
            d.ThickRule();
            d.WriteLine(labelRow(QStringLiteral("Skupaj izdatki"), totals.costs),
                        QStringLiteral("\\b"));
            d.ThickRule();
        }
        const InvoiceTotals sums = invoiceTotals(totals.services + totals.costs, h.vatPercent);
        totals.base = sums.base;
        totals.vat = sums.vat;
        totals.toPay = sums.toPay;
    }

    void sums() {
        d.SetFontSize(QStringLiteral("16"));
        d.WriteLine(RowStart);
        d.WriteLine(QStringLiteral("\\par\\par") + TotalsCells);
        d.ThickRule();
        const QString f = QStringLiteral("\\b\\fs20");
        d.WriteLine(labelRow(QStringLiteral("Osnova za DDV"), totals.base), f);
        d.ThickRule();
        d.WriteLine(labelRow(vatCaption(h.vatPercent), totals.vat), f);
        d.ThickRule();
        d.WriteLine(
            labelRow(h.credits ? QStringLiteral("Znesek dobropisa") : QStringLiteral("Za plačilo"),
                     totals.toPay),
            f);
        d.ThickRule();
        // The row definition goes out only with its row: LibreOffice drops
        // every paragraph after a definition that no row uses, and with it
        // the remarks, the closing text and the payment code.
        if (s.tolars) {
            plainTable();
            d.WriteLine(labelRow(QStringLiteral("Znesek v SIT"), totals.toPay * TolarsPerEuro),
                        QStringLiteral("\\fs20"));
        }
    }

    void closing() {
        const QString f = QStringLiteral("\\fs20");
        d.SetFontSize(QStringLiteral("20"));
        d.WriteLine(QStringLiteral("\\par"));
        d.WriteLine(QStringLiteral("\\par"));
        if (totals.anyReportLine)
            d.WriteLine(QStringLiteral("* Skupen elaborat\\par\\par"), f);
        const QString remarks = h.text1.value(7).trimmed();
        if (!remarks.isEmpty())
            d.WriteLine(QStringLiteral("Opombe: ") + rtfEscape(remarks) + QStringLiteral("\\par"), f);
        if (!staffName.isEmpty())
            d.WriteLine(QStringLiteral("Izračun pripravil: ") + rtfEscape(staffName) +
                            QStringLiteral("\\par\\par"),
                        f);
        d.SetFontSize(QStringLiteral("16"));
        d.WriteLine(QStringLiteral("\\par ") + rtfEscape(s.bottomText) + QStringLiteral("\\par"));
        // A credit note asks for no payment.
        if (!h.credits)
            totals.warning = writeUpnQrBlock(d, upnQrInput(in, totals.toPay));
    }

    RtfDocument& d;
    const DocumentInput& in;
    const InvoiceHeader& h;
    const DocumentSettings& s;
    const QString& staffName = in.staffName;
    double p = 0;
    bool costsStarted = false;
    double runningSum = 0;
    DocumentTotals totals;
};

QString recipientBlock(const QStringList& text1) {
    auto box = [&text1](int i) { return rtfEscape(text1.value(i)); };
    QString r = QStringLiteral("\\fs24{\\b ") + box(1) + QStringLiteral("}\\par ") + box(6) +
                QStringLiteral("\\par ") + box(2) + QStringLiteral("\\par ") + box(3) + u' ' +
                box(4) + QStringLiteral("\\par\\fs20 ");
    const std::pair<const char16_t*, int> extra[] = {
        {u"telefon: ", 5}, {u"faks: ", 9}, {u"e-pošta: ", 10}, {u"davčna št.: ", 13}};
    for (const auto& [label, i] : extra)
        if (!text1.value(i).isEmpty())
            r += QString::fromUtf16(label) + box(i) + QStringLiteral("\\par ");
    return r;
}

QString issuerBlock(const DocumentSettings& s) {
    QString r = QStringLiteral("\\fs24{\\b ") + rtfEscape(s.firm) + QStringLiteral("}\\par ") +
                rtfEscape(s.address) + QStringLiteral("\\par ") + rtfEscape(s.postcode) + u' ' +
                rtfEscape(s.post) + QStringLiteral("\\par\\fs20 ");
    const std::pair<const char16_t*, const QString*> extra[] = {{u"telefon: ", &s.phone},
                                                                {u"faks: ", &s.fax},
                                                                {u"e-pošta: ", &s.email},
                                                                {u"davčna št.: ", &s.taxNumber},
                                                                {u"TRR: ", &s.bankAccount}};
    for (const auto& [label, value] : extra)
        if (!value->isEmpty())
            r += QString::fromUtf16(label) + rtfEscape(*value) + QStringLiteral("\\par ");
    return r;
}

} // namespace

void writeAddressBlocks(RtfDocument& d, const QStringList& text1, const DocumentSettings& s) {
    d.SetFontSize(QStringLiteral("20"));
    d.WriteLine(RowStart);
    d.WriteLine(QStringLiteral("\\cellx4600\\cellx9152"));
    if (s.sideBySide) {
        d.WriteLine(QStringLiteral("\\intbl{\\ql ") + recipientBlock(text1) +
                    QStringLiteral("\\cell}{\\qr ") + issuerBlock(s) +
                    QStringLiteral("\\cell}\\row "));
    } else {
        d.WriteLine(QStringLiteral("\\intbl{\\ql ") + issuerBlock(s) +
                    QStringLiteral("\\cell}{\\qr \\cell}\\row "));
        d.WriteLine(QStringLiteral("\\intbl{\\ql \\cell}{\\qr \\cell}\\row "));
        d.WriteLine(QStringLiteral("\\intbl{\\ql ") + recipientBlock(text1) +
                    QStringLiteral("\\cell}{\\qr \\cell}\\row "));
    }
    d.SetFontSize(QStringLiteral("16"));
    d.WriteLine(QStringLiteral("\\par"));
    d.WriteLine(QStringLiteral("\\par"));
}

// About 4 cm wide on paper, which every mobile bank reads.
QString writeUpnQrBlock(RtfDocument& d, const UpnQrInput& order) {
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
    d.WriteLine(QStringLiteral("\\par Plačilo z UPN QR\\par"), QStringLiteral("\\b\\fs20\\keepn"));
    // The reference the code carries, for those who pay by typing it.
    d.WriteLine(QStringLiteral("Sklic: ") + rtfEscape(upnReference(order.invoiceNumber).text()) +
                    QStringLiteral("\\par"),
                QStringLiteral("\\fs20\\keepn"));
    d.WriteLine(
        QStringLiteral("{\\pard\\ql {\\pict\\pngblip\\picw%1\\pich%2\\picwgoal%3\\pichgoal%3")
            .arg(picture.width)
            .arg(picture.height)
            .arg(UpnQrTwips));
    const QByteArray hex = picture.png.toHex();
    for (qsizetype at = 0; at < hex.size(); at += 128)
        d.WriteLine(QString::fromLatin1(hex.mid(at, 128)));
    d.WriteLine(QStringLiteral("}\\par}"));
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

DocumentTotals writeInvoiceDocument(RtfDocument& doc, const DocumentInput& in) {
    doc.WriteProlog();
    return InvoiceWriter(doc, in).write();
}

PrintResult PrintInvoice(Database& db, Database& work, const QString& tempFolder,
                         const InvoiceHeader& header, const QString& staffName) {
    DocumentInput in;
    in.header = header;
    in.staffName = staffName.trimmed();
    if (!readLines(work, &in.lines))
        return {false, {}, DocumentMessages::LinesNotRead.text + u'\n' + work.lastError(),
                DocumentMessages::LinesNotRead.title, {}};
    if (in.lines.isEmpty())
        return {false, {}, DocumentMessages::NoLines.text, DocumentMessages::NoLines.title, {}};
    QString error;
    if (!readDocumentSettings(db, &in.settings, &error) ||
        !readServiceNames(db, &in.serviceNames, &error))
        return {false, {}, error, Titles::Database, {}};

    RtfDocument doc;
    if (!doc.OpenDocument(tempFolder))
        return {false, {}, doc.error(), DocumentMessages::NotOpened.title, {}};
    const DocumentTotals shown = writeInvoiceDocument(doc, in);
    if (!doc.CloseDocument())
        return {false, {}, doc.error(), DocumentMessages::NotWritten.title, {}};
    return {true, doc.path(), {}, {}, shown.warning};
}

} // namespace valmir
