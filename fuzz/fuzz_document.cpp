// The invoice document built from random field values: the header boxes,
// the issuer's settings, the compiler's name, lines and service names.
// Whatever they hold, the document is well-formed RTF in Windows-1250
// (see FuzzSupport.h).

#include "FuzzSupport.h"

#include "document/InvoiceDocument.h"
#include "document/Rtf.h"
#include "invoice/InvoiceFields.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace valmir;

namespace {

QString text(FuzzedDataProvider& in, size_t max = 40) {
    return QString::fromStdString(in.ConsumeRandomLengthString(max));
}

// What a number field of the working table may hold: Null, a number, or
// (from an old file) a text.
QVariant number(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0:
        return QVariant();
    case 1:
        return text(in, 8);
    case 2:
        return in.ConsumeFloatingPointInRange(-1e300, 1e300);
    default:
        return double(in.ConsumeIntegralInRange(-100000, 100000)) / 100;
    }
}

QVariant service(FuzzedDataProvider& in) {
    static constexpr double usual[] = {-1, 0, 1, 2, 3, 10, 90, 91, 92, 99};
    return in.ConsumeBool() ? usual[in.ConsumeIntegralInRange<size_t>(0, std::size(usual) - 1)]
                            : double(in.ConsumeIntegralInRange(-5, 200));
}

DocumentInput input(FuzzedDataProvider& in) {
    DocumentInput d;
    for (int i = 0; i < HeaderBoxCount; ++i)
        d.header.text1 << text(in);
    d.header.unifiedReport = in.ConsumeBool();
    d.header.paid = in.ConsumeBool();
    d.header.percentText = text(in, 8);
    d.header.pointValueText = text(in, 8);
    d.staffName = text(in);
    DocumentSettings& s = d.settings;
    for (QString* f : {&s.firm, &s.address, &s.postcode, &s.post, &s.phone, &s.fax, &s.email,
                       &s.taxNumber, &s.bankAccount, &s.bottomText})
        *f = text(in);
    s.sideBySide = in.ConsumeBool();
    s.tolars = in.ConsumeBool();
    const int lines = in.ConsumeIntegralInRange(0, 30);
    for (int i = 0; i < lines && in.remaining_bytes() > 0; ++i) {
        WorkingLine l;
        l.ts1 = service(in);
        l.ts2 = double(in.ConsumeIntegralInRange(0, 50));
        l.tariffId = l.ts1.toDouble() == -1 ? -1 : i + 1;
        l.tariffNumber = text(in, 10);
        l.description = text(in);
        l.points = number(in);
        l.quantity = number(in);
        l.surcharge = number(in);
        l.amount = number(in);
        l.report = in.ConsumeBool();
        l.master = in.ConsumeBool();
        d.lines << l;
        if (in.ConsumeBool())
            d.serviceNames.insert(l.ts1.toDouble(), text(in));
    }
    return d;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const DocumentInput d = input(in);
    // The document as it goes to the file: CloseDocument adds the last
    // line and writes these bytes as they are (the file itself is the
    // writer's test's business; here it would only slow every run down).
    RtfDocument doc;
    writeInvoiceDocument(doc, d);
    doc.WriteLine(QStringLiteral("}"));
    const QByteArray& rtf = doc.bytes();
    if (const char* fault = fuzz::rtfFault(rtf, true))
        fuzz::fail(fault, rtf);
    if (!rtf.startsWith("{\\rtf") || !rtf.endsWith("}\r\n"))
        fuzz::fail("the document does not start and end as RTF", rtf);
    return 0;
}
