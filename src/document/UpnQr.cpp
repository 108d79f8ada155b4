#include "document/UpnQr.h"

#include "document/Iban.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QtEndian>

#include <zint.h>

#include <cmath>
#include <memory>

namespace valmir {

namespace {

// ISO 8859-2 bytes 0xA0 to 0xFF as Unicode (below 0xA0 the code page is
// ASCII and control characters).
constexpr char16_t Latin2High[96] = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164,
    0x0179, 0x00AD, 0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102,
    0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170,
    0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

char latin2(char16_t c) {
    if (c < 0x80)
        return static_cast<char>(c);
    for (int i = 0; i < 96; ++i)
        if (Latin2High[i] == c)
            return static_cast<char>(0xA0 + i);
    return '?';
}

// A text of one field: control characters as blanks, blanks around it
// dropped, at most `length` characters.
QString fieldText(const QString& text, int length) {
    QString clean = text;
    for (QChar& c : clean)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    return clean.trimmed().left(length).trimmed();
}

constexpr qint64 MaxCents = 99'999'999'999; // eleven digits

constexpr int PixelsPerModule = 4;

} // namespace

QByteArray toIso8859_2(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text)
        out.append(latin2(c.unicode()));
    return out;
}

QString UpnReference::text() const {
    return reference.isEmpty() ? model : model + u' ' + reference;
}

UpnReference upnReference(const QString& invoiceNumber) {
    QString digits;
    for (QChar c : invoiceNumber)
        if (c >= u'0' && c <= u'9')
            digits += c;
    if (digits.isEmpty())
        return {QStringLiteral("SI99"), QString()};
    // The last digits are kept: they hold the counter that tells invoices of
    // a year apart, while a long number's head is mostly the year or text.
    digits = digits.right(UpnReferenceDigits);
    // Weights 2, 3, 4, ... from the rightmost digit; a remainder of 0 or 1
    // would give 11 or 10, which stand as 0.
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        sum += (digits.at(digits.size() - 1 - i).unicode() - u'0') * int(i + 2);
    const int check = 11 - sum % 11;
    return {QStringLiteral("SI12"), digits + QChar(u'0' + (check >= 10 ? 0 : check))};
}

QStringList upnQrFields(const UpnQrInput& in) {
    const QString iban = slovenianIban(in.iban);
    const qint64 cents = std::llround(in.amount * 100);
    if (iban.isEmpty() || !std::isfinite(in.amount) || cents <= 0 || cents > MaxCents)
        return {};
    auto party = [](const UpnQrParty& p) {
        return QStringList{fieldText(p.name, UpnPartyLength), fieldText(p.street, UpnPartyLength),
                           fieldText(p.place, UpnPartyLength)};
    };
    QStringList f;
    f << QStringLiteral("UPNQR") << QString() << QString() << QString() << QString(); // 1 to 5
    f << party(in.payer);                                                             // 6 to 8
    f << QStringLiteral("%1").arg(cents, 11, 10, QLatin1Char('0'));                   // 9
    f << QString() << QString() << QStringLiteral("OTHR");                            // 10 to 12
    const QString purpose = in.purpose.trimmed().isEmpty()
                                ? QStringLiteral("Račun ") + in.invoiceNumber.trimmed()
                                : in.purpose;
    f << fieldText(purpose, UpnPurposeLength);                        // 13
    f << QString() << iban << upnReference(in.invoiceNumber).field(); // 14 to 16
    f << party(in.recipient);                                         // 17 to 19
    qsizetype sum = f.size(); // one LF after each of the nineteen
    for (const QString& field : f)
        sum += field.size();
    f << QStringLiteral("%1").arg(sum, 3, 10, QLatin1Char('0'));
    return f;
}

QByteArray upnQrPayload(const UpnQrInput& in) {
    const QStringList fields = upnQrFields(in);
    QByteArray out;
    for (const QString& field : fields)
        out += toIso8859_2(field) + '\n';
    return out;
}

UpnQrPicture upnQrPng(const QByteArray& payload) {
    UpnQrPicture picture;
    // libzint writes pictures to files only; a private file of our own
    // (QTemporaryFile makes it for the user alone) carries it over.
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/valmir-upnqr-XXXXXX.png"));
    if (!file.open()) {
        picture.error = file.errorString();
        return picture;
    }
    file.close();
    std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    if (!symbol) {
        picture.error = QStringLiteral("libzint");
        return picture;
    }
    symbol->symbology = BARCODE_UPNQR;
    symbol->input_mode = DATA_MODE;         // the payload is ISO 8859-2 already
    symbol->scale = PixelsPerModule / 2.0f; // raster output draws 2 pixels a module at scale 1
    symbol->output_options |= BARCODE_QUIET_ZONES;
    const QByteArray path = QFile::encodeName(file.fileName());
    if (path.size() >= int(sizeof symbol->outfile)) {
        picture.error = QStringLiteral("libzint: ") + file.fileName();
        return picture;
    }
    qstrncpy(symbol->outfile, path.constData(), sizeof symbol->outfile);
    const int result = ZBarcode_Encode_and_Print(
        symbol.get(), reinterpret_cast<const unsigned char*>(payload.constData()),
        static_cast<int>(payload.size()), 0);
    if (result >= ZINT_ERROR) {
        picture.error = QString::fromLatin1(symbol->errtxt);
        return picture;
    }
    if (!file.open()) {
        picture.error = file.errorString();
        return picture;
    }
    picture.png = file.readAll();
    // The size stands in the PNG's first chunk (IHDR), after the 8-byte
    // signature and the chunk's length and type.
    if (picture.png.size() < 24 || !picture.png.startsWith("\x89PNG")) {
        picture.png.clear();
        picture.error = QStringLiteral("libzint: PNG");
        return picture;
    }
    picture.width = qFromBigEndian<quint32>(picture.png.constData() + 16);
    picture.height = qFromBigEndian<quint32>(picture.png.constData() + 20);
    return picture;
}

} // namespace valmir
