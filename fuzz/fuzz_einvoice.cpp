// The e-invoice written from random values: every text of the parties,
// the remark, the lines, and numbers of any size. Whatever they hold, the
// XML is well formed (what XML cannot carry is left out).

#include "FuzzSupport.h"

#include "document/EInvoice.h"

#include <QXmlStreamReader>

#include <fuzzer/FuzzedDataProvider.h>

using namespace valmir;

namespace {

// Any bytes, read as UTF-8 (broken sequences included) or as UTF-16 code
// units (lone surrogates included).
QString text(FuzzedDataProvider& in, size_t max = 80) {
    const std::string bytes = in.ConsumeRandomLengthString(max);
    if (in.ConsumeBool())
        return QString::fromStdString(bytes);
    return QString(reinterpret_cast<const QChar*>(bytes.data()), qsizetype(bytes.size() / 2));
}

double amount(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.ConsumeFloatingPointInRange(-1e12, 1e12)
                            : double(in.ConsumeIntegralInRange(-10000000, 10000000)) / 100;
}

EInvoiceParty party(FuzzedDataProvider& in) {
    EInvoiceParty p;
    for (QString* f : {&p.name, &p.street, &p.postcode, &p.place, &p.taxNumber, &p.contact,
                       &p.phone, &p.email})
        *f = text(in);
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    EInvoiceData d;
    d.messageId = text(in, 20);
    d.number = text(in);
    d.date = QDate(2000, 1, 1).addDays(in.ConsumeIntegralInRange(0, 20000));
    d.dueDate = d.date.addDays(in.ConsumeIntegralInRange(0, 400));
    d.seller = party(in);
    d.buyer = party(in);
    d.iban = text(in, 40);
    d.bic = text(in, 11);
    d.paymentReference = text(in, 30);
    d.vatPercent = in.ConsumeFloatingPointInRange(0.0, 100.0);
    d.remark = text(in, 3000);
    d.creditNote = in.ConsumeBool();
    d.precedingNumber = text(in);
    d.precedingDate = in.ConsumeBool() ? d.date.addDays(-30) : QDate();
    const int lines = in.ConsumeIntegralInRange(0, 20);
    for (int i = 0; i < lines && in.remaining_bytes() > 0; ++i)
        d.lines << EInvoiceLine{text(in), amount(in), std::abs(amount(in)), amount(in)};
    d.base = amount(in);
    d.vat = amount(in);
    d.toPay = d.base + d.vat;

    const QByteArray xml = eInvoiceXml(d);
    QXmlStreamReader reader(xml);
    int elements = 0;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement)
            ++elements;
    if (reader.hasError())
        fuzz::fail(qPrintable(QStringLiteral("not well-formed XML: ") + reader.errorString()), xml);
    // The number may be empty here (the caller refuses such an invoice).
    if (elements == 0 || !xml.contains("<M_INVOIC") || !xml.contains("<S_BGM>"))
        fuzz::fail("no invoice in the XML", xml);
    return 0;
}
