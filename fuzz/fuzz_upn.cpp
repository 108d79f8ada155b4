// The UPN QR payload from random field values: the payer, the issuer, the
// amount, the invoice number and the account (random text, or a valid
// account with blanks and small letters). Nothing to pay gives no code;
// otherwise twenty fields each ended by LF, no other control byte, every
// field within its length, the checksum the length of the first nineteen
// with their LFs.

#include "FuzzSupport.h"

#include "document/UpnQr.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>

using namespace valmir;

namespace {

QString text(FuzzedDataProvider& in, size_t max = 60) {
    return QString::fromStdString(in.ConsumeRandomLengthString(max));
}

UpnQrParty party(FuzzedDataProvider& in) { return {text(in), text(in), text(in)}; }

QString account(FuzzedDataProvider& in) {
    if (in.ConsumeBool())
        return text(in, 40);
    QString iban = QStringLiteral("SI56191000000123438");
    if (in.ConsumeBool())
        iban = iban.toLower();
    for (int i = in.ConsumeIntegralInRange(0, 4); i > 0; --i)
        iban.insert(in.ConsumeIntegralInRange<int>(0, int(iban.size())), u' ');
    return iban;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    UpnQrInput u;
    u.payer = party(in);
    u.recipient = party(in);
    u.invoiceNumber = text(in, 40);
    u.iban = account(in);
    switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0:
        u.amount = in.ConsumeFloatingPoint<double>(); // also inf, nan, huge
        break;
    case 1:
        u.amount = double(in.ConsumeIntegral<qint64>()) / 100;
        break;
    default:
        u.amount = double(in.ConsumeIntegralInRange(1, 10000000)) / 100;
    }

    const QStringList fields = upnQrFields(u);
    const QByteArray payload = upnQrPayload(u);
    if (fields.isEmpty() != payload.isEmpty())
        fuzz::fail("the fields and the payload disagree", payload);
    if (fields.isEmpty())
        return 0;
    if (fields.size() != 20 || payload.count('\n') != 20 || !payload.endsWith('\n'))
        fuzz::fail("not twenty fields each ended by LF", payload);
    for (char c : payload)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n')
            fuzz::fail("a control byte inside a field", payload);
    const std::pair<int, int> limits[] = {{5, UpnPartyLength},      {6, UpnPartyLength},
                                          {7, UpnPartyLength},      {12, UpnPurposeLength},
                                          {15, UpnReferenceLength}, {16, UpnPartyLength},
                                          {17, UpnPartyLength},     {18, UpnPartyLength}};
    for (auto [field, length] : limits)
        if (fields.at(field).size() > length)
            fuzz::fail("a field longer than the banks read", fields.at(field).toUtf8());
    qsizetype nineteen = 0;
    for (int i = 0; i < 19; ++i)
        nineteen = payload.indexOf('\n', nineteen) + 1;
    if (fields.at(19) != QStringLiteral("%1").arg(nineteen, 3, 10, QLatin1Char('0')))
        fuzz::fail("the checksum is not the length of the first nineteen fields", payload);
    if (payload.size() > 411)
        fuzz::fail("longer than a UPN QR code holds", payload);
    const double cents = std::round(u.amount * 100);
    if (!(cents > 0) || fields.at(8).toLongLong() != qint64(cents))
        fuzz::fail("the amount field is not the amount in cents", payload);
    return 0;
}
