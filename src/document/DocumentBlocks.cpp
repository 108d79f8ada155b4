#include "document/DocumentBlocks.h"

#include "document/Rtf.h"

namespace valmir {

namespace {

const QString RowStart = QStringLiteral("\\trowd\\trgaph70\\trqc\\trkeep");

QString rowCells(block::Shade shade) {
    switch (shade) {
    case block::Shade::Heading:
        return QStringLiteral("\\clcbpat6\\cellx4800\\clcbpat6\\cellx5600"
                              "\\clcbpat6\\cellx6600\\clcbpat6\\cellx7900"
                              "\\clcbpat6\\cellx9152");
    case block::Shade::Totals:
        return QStringLiteral("\\clcbpat8\\cellx4800\\clcbpat8\\cellx5600"
                              "\\clcbpat8\\cellx6600\\clcbpat8\\cellx7900"
                              "\\clcbpat8\\cellx9152");
    case block::Shade::None:
        break;
    }
    return QStringLiteral("\\cellx4800\\cellx5600\\cellx6600\\cellx7900\\cellx9152");
}

QString repeated(const QString& text, int times) {
    QString out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// The party as the text of one table cell: the name in bold and the
// address at 12 pt, the numbers at 10 pt, a paragraph each.
QString partyCell(const block::Party& p) {
    QString r = QStringLiteral("\\fs24{\\b ") + rtfEscape(p.name) + QStringLiteral("}\\par ");
    for (qsizetype i = 0; i < p.lines.size(); ++i)
        r += rtfEscape(p.lines[i]) +
             (i + 1 < p.lines.size() ? QStringLiteral("\\par ") : QStringLiteral("\\par\\fs20 "));
    for (const QString& d : p.details)
        r += rtfEscape(d) + QStringLiteral("\\par ");
    return r;
}

QString alignWord(block::Align a) {
    return a == block::Align::Right    ? QStringLiteral("\\qr ")
           : a == block::Align::Centre ? QStringLiteral("\\qc ")
                                       : QStringLiteral("\\ql ");
}

struct RtfBlockWriter {
    RtfDocument& d;

    void operator()(const block::PageNumbers&) const {
        d.WriteLine(QStringLiteral("{\\footer\\qr\\f35\\fs16 Stran: {\\field{\\*\\fldinst PAGE }"
                                   "{\\fldrslt 1}} od {\\field{\\*\\fldinst NUMPAGES }}\\par}"));
    }
    void operator()(const block::Addresses& a) const {
        d.SetFontSize(QStringLiteral("20"));
        d.WriteLine(RowStart);
        d.WriteLine(QStringLiteral("\\cellx4600\\cellx9152"));
        if (a.sideBySide) {
            d.WriteLine(QStringLiteral("\\intbl{\\ql ") + partyCell(a.recipient) +
                        QStringLiteral("\\cell}{\\qr ") + partyCell(a.issuer) +
                        QStringLiteral("\\cell}\\row "));
            return;
        }
        d.WriteLine(QStringLiteral("\\intbl{\\ql ") + partyCell(a.issuer) +
                    QStringLiteral("\\cell}{\\qr \\cell}\\row "));
        d.WriteLine(QStringLiteral("\\intbl{\\ql \\cell}{\\qr \\cell}\\row "));
        d.WriteLine(QStringLiteral("\\intbl{\\ql ") + partyCell(a.recipient) +
                    QStringLiteral("\\cell}{\\qr \\cell}\\row "));
    }
    void operator()(const block::BaseFont& f) const { d.SetFontSize(QString::number(f.size)); }
    void operator()(const block::Gap&) const { d.WriteLine(QStringLiteral("\\par")); }
    void operator()(const block::Paragraph& p) const {
        const QString text = repeated(QStringLiteral("\\par "), p.linesBefore) + rtfEscape(p.text) +
                             QStringLiteral("\\par") +
                             repeated(QStringLiteral("\\par"), p.linesAfter);
        if (p.plain) {
            d.WriteLine(text);
            return;
        }
        const QString format = (p.bold ? QStringLiteral("\\b") : QString()) +
                               QStringLiteral("\\fs") + QString::number(p.size) +
                               (p.right ? QStringLiteral("\\qr") : QString()) +
                               (p.keepNext ? QStringLiteral("\\keepn") : QString());
        d.WriteLine(text, format);
    }
    void operator()(const block::RowFormat& f) const {
        d.WriteLine(RowStart);
        d.WriteLine(repeated(QStringLiteral("\\par"), f.linesBefore) + rowCells(f.shade));
    }
    void operator()(const block::Row& r) const {
        QString text = QStringLiteral("\\intbl");
        for (const block::Cell& c : r.cells)
            text += u'{' + alignWord(c.align) + rtfEscape(c.text) + QStringLiteral("\\cell}");
        text += QStringLiteral("\\row ");
        const QString format =
            (r.bold ? QStringLiteral("\\b") : QString()) +
            (r.size ? QStringLiteral("\\fs") + QString::number(r.size) : QString());
        d.WriteLine(text, format);
    }
    void operator()(const block::Rule& r) const {
        if (r.thick)
            d.ThickRule();
        else
            d.ThinRule();
    }
    void operator()(const block::Picture& p) const {
        d.WriteLine(
            QStringLiteral("{\\pard\\ql {\\pict\\pngblip\\picw%1\\pich%2\\picwgoal%3\\pichgoal%3")
                .arg(p.width)
                .arg(p.height)
                .arg(p.side));
        const QByteArray hex = p.png.toHex();
        for (qsizetype at = 0; at < hex.size(); at += 128)
            d.WriteLine(QString::fromLatin1(hex.mid(at, 128)));
        d.WriteLine(QStringLiteral("}\\par}"));
    }
};

} // namespace

void writeRtfBlocks(RtfDocument& doc, const DocumentBlocks& blocks) {
    const RtfBlockWriter writer{doc};
    for (const DocumentBlock& b : blocks.blocks)
        std::visit(writer, b);
}

} // namespace valmir
