#include "document/Rtf.h"

#include "text/Module1.h"
#include "text/Messages.h"

#include <QDir>

#include <array>

namespace valmir {

namespace {

// Windows-1250 bytes 0x80 to 0xFF as Unicode; 0 where the code page has no
// character.
constexpr char16_t HighHalf[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160,
    0x2039, 0x015A, 0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0,
    0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6,
    0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1,
    0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A,
    0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2,
    0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED,
    0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159,
    0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9
};

// Unicode to Windows-1250, built once from the table above.
struct Encoder {
    std::array<unsigned char, 0x2200> byte{}; // every character of the code page is below U+2200
    Encoder() {
        for (int i = 0; i < 128; ++i)
            byte[i] = static_cast<unsigned char>(i);
        for (int i = 0; i < 128; ++i)
            if (HighHalf[i] != 0)
                byte[HighHalf[i]] = static_cast<unsigned char>(0x80 + i);
    }
    // 0 for a character the code page lacks (NUL itself is never written).
    unsigned char operator()(char16_t c) const { return c < byte.size() ? byte[c] : 0; }
};

const Encoder& encoder() {
    static const Encoder e;
    return e;
}

const QByteArray LineEnd = QByteArrayLiteral("\r\n");

} // namespace

bool inWindows1250(QChar c) { return c.unicode() != 0 && encoder()(c.unicode()) != 0; }

QByteArray toWindows1250(const QString& text) {
    const Encoder& e = encoder();
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const unsigned char b = e(c.unicode());
        out.append(b != 0 ? static_cast<char>(b) : '?');
    }
    return out;
}

QString rtfEscape(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out += u'\\';
            out += c;
        } else if (u == u'\r' || u == u'\n') {
            if (u == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            out += QStringLiteral("\\line ");
        } else if (u == u'\t') {
            out += QStringLiteral("\\tab ");
        } else if (u < 0x20 || u == 0x7F) {
            // other control characters have no place in a printed text
        } else if (inWindows1250(c)) {
            out += c;
        } else {
            // RTF counts \u in signed 16-bit units; a character beyond the
            // first plane goes out as its two surrogates.
            out += QStringLiteral("\\u%1?").arg(static_cast<qint16>(u));
        }
    }
    return out;
}

QString MakeCell(int kind, const QVariant& value, int align) {
    QString text;
    if (!value.isNull()) {
        if (kind == AmountCell)
            text = AmountText(value);
        else if (value.typeId() == QMetaType::QString)
            text = value.toString().trimmed();
        else
            text = NullTrim(value);
    }
    const QString word = align == AlignRight    ? QStringLiteral("\\qr ")
                         : align == AlignCentre ? QStringLiteral("\\qc ")
                                                : QStringLiteral("\\ql ");
    return u'{' + word + rtfEscape(text) + QStringLiteral("\\cell}");
}

bool RtfDocument::OpenDocument(const QString& folder) {
    m_bytes.clear();
    m_error.clear();
    const QDir dir(folder);
    for (int n = 0; n < MaxNames; ++n) {
        m_fileName = n == 0 ? QStringLiteral("racun.rtf") : QStringLiteral("racun%1.rtf").arg(n);
        m_file.setFileName(dir.filePath(m_fileName));
        if (m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            // The invoice names the client and the amounts: for this user's
            // eyes only, also when the document was there from an older run.
            m_file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            m_bytes.reserve(64 * 1024);
            return true;
        }
    }
    m_fileName.clear();
    m_error = DocumentMessages::NotOpened.text.arg(QDir::toNativeSeparators(folder));
    return false;
}

void RtfDocument::WriteLine(const QString& text, const QString& format) {
    if (format.isEmpty())
        m_bytes += toWindows1250(text);
    else
        m_bytes += toWindows1250(u'{' + format + u' ' + text + u'}');
    m_bytes += LineEnd;
}

void RtfDocument::WriteProlog() {
    WriteLine(QStringLiteral("{\\rtf\\ansi\\ansicpg1250\\deff1"));
    WriteLine(QStringLiteral(
        "{\\fonttbl{\\f1\\fswiss\\fcharset238 Arial CE;}{\\f2\\froman\\fcharset238 Times New "
        "Roman CE;}{\\f3\\fnil\\fcharset2\\fprq2{\\*\\panose 05000000000000000000}TARV "
        "Logos;}{\\f35\\fswiss\\fcharset238\\fprq2{\\*\\panose 020b0604030504040204}Tahoma;}}"));
    WriteLine(QStringLiteral(
        "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green255\\blue255;\\red255\\green0\\blue0;"
        "\\red0\\green255\\blue0;\\red0\\green0\\blue255;\\red220\\green220\\blue220;"
        "\\red255\\green255\\blue153;\\red240\\green240\\blue240;}"));
    WriteLine(QStringLiteral("\\paperw11907"));
    WriteLine(QStringLiteral("\\paperh16840"));
    WriteLine(QStringLiteral("\\margl1417"));
    WriteLine(QStringLiteral("\\margr1417"));
    WriteLine(QStringLiteral("\\margt1150"));
    WriteLine(QStringLiteral("\\margb1134"));
    WriteLine(QStringLiteral("\\headery800\\footery650"));
}

void RtfDocument::SetFontSize(const QString& size) {
    WriteLine(QStringLiteral("\\pard\\f35\\fs") + size + u' ');
}

void RtfDocument::ThickRule() { WriteLine(QStringLiteral("{\\pard\\brdrb\\brdrs\\brdrw30\\fs2\\sa50\\par}")); }

void RtfDocument::ThinRule() { WriteLine(QStringLiteral("{\\pard\\brdrb\\brdrs\\fs2\\sa50\\par}")); }

bool RtfDocument::CloseDocument() {
    WriteLine(QStringLiteral("}"));
    // flush() makes a full disk or a broken file show here, not later.
    const bool written = m_file.write(m_bytes) == m_bytes.size() && m_file.flush();
    const QString reason = m_file.errorString();
    m_file.close();
    if (written)
        return true;
    m_error = DocumentMessages::NotWritten.text.arg(QDir::toNativeSeparators(m_file.fileName()),
                                                     reason);
    m_file.remove();
    return false;
}

} // namespace valmir
