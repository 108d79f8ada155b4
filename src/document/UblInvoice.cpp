#include "document/UblInvoice.h"

#include "text/Module1.h"

#include <QXmlStreamWriter>

namespace valmir {

namespace {

// The namespaces of UBL 2.1's documents, fixed by OASIS: every name is
// this prefix and the document's or the components' own.
const QString UblNames = QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:");
const QString InvoiceNamespace = UblNames + QStringLiteral("Invoice-2");
const QString CreditNoteNamespace = UblNames + QStringLiteral("CreditNote-2");
const QString Cac = UblNames + QStringLiteral("CommonAggregateComponents-2");
const QString Cbc = UblNames + QStringLiteral("CommonBasicComponents-2");
const QString Customization =
    En16931 + QStringLiteral("#compliant#urn:fdc:peppol.eu:2017:poacc:billing:3.0");
const QString Profile = QStringLiteral("urn:fdc:peppol.eu:2017:poacc:billing:01:1.0");
const QString Currency = QStringLiteral("EUR");

class Writer {
public:
    explicit Writer(QByteArray* out) : w(out) {
        w.setAutoFormatting(true);
        w.setAutoFormattingIndent(1);
    }

    QXmlStreamWriter w;

    void open(const char* name) { w.writeStartElement(Cac, QLatin1String(name)); }
    void close() { w.writeEndElement(); }

    // A basic component of a text; nothing when it holds nothing after
    // cleaning. Returns whether it was written.
    bool text(const char* name, const QString& value, int maxChars) {
        const QString clean = xmlText(value, maxChars);
        if (clean.isEmpty())
            return false;
        w.writeStartElement(Cbc, QLatin1String(name));
        writeEInvoiceText(w, clean);
        w.writeEndElement();
        return true;
    }
    // A value the program makes itself: a code, a date, a number.
    void value(const char* name, const QString& v) {
        w.writeTextElement(Cbc, QLatin1String(name), v);
    }
    void value(const char* name, const char* v) { value(name, QString::fromLatin1(v)); }
    void date(const char* name, const QDate& d) { value(name, d.toString(Qt::ISODate)); }
    void amount(const char* name, double v) {
        w.writeStartElement(Cbc, QLatin1String(name));
        w.writeAttribute(QStringLiteral("currencyID"), Currency);
        w.writeCharacters(eInvoiceAmount(v));
        w.writeEndElement();
    }

    // VAT of the standard category at the rate, as a line's or a
    // subtotal's category.
    void category(const char* name, double percent) {
        open(name);
        value("ID", "S");
        value("Percent", eInvoiceDecimal(percent, 6, 10));
        open("TaxScheme");
        value("ID", "VAT");
        close();
        close();
    }
};

void writeParty(Writer& x, const char* role, const EInvoiceParty& p) {
    x.open(role);
    x.open("Party");
    if (!p.addressId.isEmpty()) {
        x.w.writeStartElement(Cbc, QStringLiteral("EndpointID"));
        x.w.writeAttribute(QStringLiteral("schemeID"), p.addressScheme);
        writeEInvoiceText(x.w, xmlText(p.addressId, EInvoiceChars::Address));
        x.w.writeEndElement();
    }
    const QString name = xmlText(p.name, EInvoiceChars::Name);
    if (!name.isEmpty()) {
        x.open("PartyName");
        x.text("Name", name, EInvoiceChars::Name);
        x.close();
    }
    x.open("PostalAddress");
    x.text("StreetName", p.street, EInvoiceChars::Street);
    x.text("CityName", p.place, EInvoiceChars::Place);
    x.text("PostalZone", p.postcode, EInvoiceChars::Postcode);
    x.open("Country");
    x.value("IdentificationCode", "SI");
    x.close();
    x.close();
    // A VAT identifier begins with its country's code.
    const QString vat = xmlText(p.taxNumber, EInvoiceChars::Reference);
    const auto letter = [](QChar c) { return c >= u'A' && c <= u'Z'; };
    if (vat.size() > 2 && letter(vat.at(0)) && letter(vat.at(1))) {
        x.open("PartyTaxScheme");
        x.text("CompanyID", vat, EInvoiceChars::Reference);
        x.open("TaxScheme");
        x.value("ID", "VAT");
        x.close();
        x.close();
    }
    x.open("PartyLegalEntity");
    x.text("RegistrationName", name, EInvoiceChars::Name);
    x.close();
    const QString contact = xmlText(p.contact, EInvoiceChars::Contact);
    const QString phone = xmlText(p.phone, EInvoiceChars::ContactNo);
    const QString email = xmlText(p.email, EInvoiceChars::ContactNo);
    if (!contact.isEmpty() || !phone.isEmpty() || !email.isEmpty()) {
        x.open("Contact");
        x.text("Name", contact, EInvoiceChars::Contact);
        x.text("Telephone", phone, EInvoiceChars::ContactNo);
        x.text("ElectronicMail", email, EInvoiceChars::ContactNo);
        x.close();
    }
    x.close();
    x.close();
}

void writeLine(Writer& x, int number, const EInvoiceLine& l, double vatPercent, bool credit) {
    x.open(credit ? "CreditNoteLine" : "InvoiceLine");
    x.value("ID", QString::number(number));
    x.w.writeStartElement(Cbc, credit ? QStringLiteral("CreditedQuantity")
                                      : QStringLiteral("InvoicedQuantity"));
    x.w.writeAttribute(QStringLiteral("unitCode"), QStringLiteral("C62"));
    x.w.writeCharacters(eInvoiceDecimal(l.quantity, 6, 18));
    x.w.writeEndElement();
    x.amount("LineExtensionAmount", l.amount);
    x.open("Item");
    x.value("Name", eInvoiceLineName(l, number));
    x.category("ClassifiedTaxCategory", vatPercent);
    x.close();
    x.open("Price");
    x.w.writeStartElement(Cbc, QStringLiteral("PriceAmount"));
    x.w.writeAttribute(QStringLiteral("currencyID"), Currency);
    x.w.writeCharacters(eInvoiceDecimal(l.price, 6, 15));
    x.w.writeEndElement();
    x.close();
    x.close();
}

} // namespace

QByteArray ublInvoiceXml(const EInvoiceData& d) {
    QByteArray out;
    Writer x(&out);
    x.w.writeStartDocument();
    x.w.writeNamespace(Cac, QStringLiteral("cac"));
    x.w.writeNamespace(Cbc, QStringLiteral("cbc"));
    x.w.writeDefaultNamespace(d.creditNote ? CreditNoteNamespace : InvoiceNamespace);
    x.w.writeStartElement(d.creditNote ? CreditNoteNamespace : InvoiceNamespace,
                          d.creditNote ? QStringLiteral("CreditNote") : QStringLiteral("Invoice"));

    x.value("CustomizationID", Customization);
    x.value("ProfileID", Profile);
    if (!x.text("ID", d.number, EInvoiceChars::Number))
        x.value("ID", "1");
    x.date("IssueDate", d.date);
    // A credit note of UBL 2.1 has no due date: it asks for no payment.
    if (!d.creditNote) {
        x.date("DueDate", d.dueDate);
        x.value("InvoiceTypeCode", "380");
    } else {
        x.value("CreditNoteTypeCode", "381");
    }
    x.text("Note", d.remark, EInvoiceChars::NotePart * EInvoiceChars::NoteParts);
    x.value("DocumentCurrencyCode", Currency);
    if (!x.text("BuyerReference", d.buyerReference, EInvoiceChars::Reference))
        x.value("BuyerReference", QStringLiteral("1"));
    if (d.creditNote) {
        x.open("BillingReference");
        x.open("InvoiceDocumentReference");
        if (!x.text("ID", d.precedingNumber, EInvoiceChars::Reference))
            x.value("ID", "1");
        if (d.precedingDate.isValid())
            x.date("IssueDate", d.precedingDate);
        x.close();
        x.close();
    }

    writeParty(x, "AccountingSupplierParty", d.seller);
    writeParty(x, "AccountingCustomerParty", d.buyer);

    // The service was done on the invoice's date.
    x.open("Delivery");
    x.date("ActualDeliveryDate", d.date);
    x.close();

    {
        x.open("PaymentMeans");
        x.w.writeStartElement(Cbc, QStringLiteral("PaymentMeansCode"));
        x.w.writeAttribute(QStringLiteral("name"), QStringLiteral("SEPA credit transfer"));
        x.w.writeCharacters(QStringLiteral("58"));
        x.w.writeEndElement();
        // A credit note asks for no payment: no reference to pay by.
        if (!d.creditNote)
            x.text("PaymentID", d.paymentReference, EInvoiceChars::Reference);
        x.open("PayeeFinancialAccount");
        x.text("ID", d.iban, EInvoiceChars::Account);
        if (!d.bic.isEmpty()) {
            x.open("FinancialInstitutionBranch");
            x.text("ID", d.bic, 11);
            x.close();
        }
        x.close();
        x.close();
    }
    const QString terms =
        xmlText(d.paymentTerms, EInvoiceChars::NotePart * EInvoiceChars::NoteParts);
    if (!terms.isEmpty()) {
        x.open("PaymentTerms");
        x.text("Note", terms, EInvoiceChars::NotePart * EInvoiceChars::NoteParts);
        x.close();
    }

    x.open("TaxTotal");
    x.amount("TaxAmount", d.vat);
    x.open("TaxSubtotal");
    x.amount("TaxableAmount", d.base);
    x.amount("TaxAmount", d.vat);
    x.category("TaxCategory", d.vatPercent);
    x.close();
    x.close();

    double lineTotal = 0;
    for (const EInvoiceLine& l : d.lines)
        lineTotal += l.amount;
    x.open("LegalMonetaryTotal");
    x.amount("LineExtensionAmount", RoundCents(lineTotal));
    x.amount("TaxExclusiveAmount", d.base);
    x.amount("TaxInclusiveAmount", d.toPay);
    x.amount("PayableAmount", d.toPay);
    x.close();

    for (int i = 0; i < d.lines.size(); ++i)
        writeLine(x, i + 1, d.lines.at(i), d.vatPercent, d.creditNote);

    x.w.writeEndElement();
    x.w.writeEndDocument();
    return out;
}

} // namespace valmir
