#include "document/PdfDocument.h"

#include "document/DocumentBlocks.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <optional>

namespace valmir {

namespace {

// The page in twips, as the RTF's prolog sets it.
constexpr int Resolution = 1440; // device units an inch: one a twip
constexpr double MarginLeft = 1417;
constexpr double MarginRight = 1417;
constexpr double MarginTop = 1150;
constexpr double MarginBottom = 1134;
constexpr double FooterFromBottom = 650;
constexpr double CellGap = 70;   // trgaph: room at either side of a cell's text
constexpr double RuleSpace = 50; // sa50 under a rule
constexpr double ThickRule = 30; // brdrw30
constexpr double ThinRule = 10;
constexpr double AddressColumn = 4600;

const QColor HeadingShade(220, 220, 220);
const QColor TotalsShade(240, 240, 240);

// DejaVu Sans from Debian's fonts-dejavu-core, loaded once; the family
// Qt finds by that name otherwise.
QString fontFamily() {
    static const QString family = [] {
        const QString folder = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
        QString found;
        for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"}) {
            const int id = QFontDatabase::addApplicationFont(folder + QLatin1String(file));
            if (id >= 0 && found.isEmpty())
                found = QFontDatabase::applicationFontFamilies(id).value(0);
        }
        return found.isEmpty() ? QStringLiteral("DejaVu Sans") : found;
    }();
    return family;
}

class PdfBlockWriter {
public:
    explicit PdfBlockWriter(QPdfWriter& device) : m_device(device) {
        m_width = device.width();
        m_height = device.height();
    }

    // Lays the blocks out; with a painter they are drawn as well. The
    // number of pages it took.
    int run(const DocumentBlocks& doc, QPainter* painter, int pages) {
        m_painter = painter;
        m_pages = pages;
        m_page = 1;
        m_y = MarginTop;
        m_base = 20;
        m_shade = block::Shade::None;
        m_numbered = false;
        const auto& blocks = doc.blocks;
        for (qsizetype i = 0; i < blocks.size(); ++i) {
            // What must stay with the block after it goes over together.
            double needed = height(blocks[i]);
            for (qsizetype j = i; j + 1 < blocks.size() && keepsNext(blocks[j]); ++j)
                needed += height(blocks[j + 1]);
            if (m_y + needed > m_height - MarginBottom && m_y > MarginTop)
                newPage();
            std::visit([this](const auto& b) { draw(b); }, blocks[i]);
        }
        footer();
        return m_page;
    }

private:
    static bool keepsNext(const DocumentBlock& b) {
        const auto* p = std::get_if<block::Paragraph>(&b);
        return p && p->keepNext;
    }

    QFont font(int halfPoints, bool bold) const {
        QFont f(fontFamily());
        f.setPointSizeF(halfPoints / 2.0);
        f.setBold(bold);
        return f;
    }
    double lineHeight(const QFont& f) const { return QFontMetricsF(f, &m_device).lineSpacing(); }
    // The height of `text` wrapped into `width`; an empty text is a line.
    double textHeight(const QFont& f, double width, const QString& text, int flags) const {
        const QFontMetricsF fm(f, &m_device);
        if (text.isEmpty())
            return fm.lineSpacing();
        return fm.boundingRect(QRectF(0, 0, width, 1e7), flags | Qt::TextWordWrap, text).height();
    }
    void text(const QFont& f, const QRectF& r, int flags, const QString& t) {
        if (!m_painter || t.isEmpty())
            return;
        m_painter->setFont(f);
        m_painter->drawText(r, flags | Qt::TextWordWrap, t);
    }

    double bodyWidth() const { return m_width - MarginLeft - MarginRight; }
    // The tables stand centred, as \trqc sets them.
    double tableLeft(double tableWidth) const {
        return MarginLeft + (bodyWidth() - tableWidth) / 2;
    }

    void newPage() {
        footer();
        if (m_painter)
            m_device.newPage();
        ++m_page;
        m_y = MarginTop;
    }
    void footer() {
        if (!m_numbered)
            return;
        const QFont f = font(16, false);
        const double h = lineHeight(f);
        text(f, QRectF(MarginLeft, m_height - FooterFromBottom - h, bodyWidth(), h), Qt::AlignRight,
             QStringLiteral("Stran: %1 od %2").arg(m_page).arg(m_pages));
    }

    // --- the heights of the blocks

    double height(const DocumentBlock& b) const {
        return std::visit([this](const auto& x) { return measure(x); }, b);
    }
    double measure(const block::PageNumbers&) const { return 0; }
    double measure(const block::BaseFont&) const { return 0; }
    double measure(const block::Gap&) const { return lineHeight(font(m_base, false)); }
    double measure(const block::Paragraph& p) const {
        const QFont f = font(p.plain ? m_base : p.size, p.bold && !p.plain);
        return (p.linesBefore + p.linesAfter) * lineHeight(f) +
               textHeight(f, bodyWidth(), p.text, 0);
    }
    double measure(const block::RowFormat& f) const {
        return f.linesBefore * lineHeight(font(m_base, false));
    }
    double measure(const block::Row& r) const {
        const QFont f = font(r.size ? r.size : m_base, r.bold);
        double h = 0;
        double from = 0;
        for (int i = 0; i < 5; ++i) {
            const double to = block::ItemColumns[i];
            h = std::max(h, textHeight(f, to - from - 2 * CellGap, r.cells[i].text, 0));
            from = to;
        }
        return h;
    }
    double measure(const block::Rule& r) const {
        return lineHeight(font(2, false)) + (r.thick ? ThickRule : ThinRule) + RuleSpace;
    }
    double measure(const block::Picture& p) const { return p.side; }
    double partyHeight(const block::Party& p) const {
        const double width = AddressColumn - 2 * CellGap;
        double h = textHeight(font(24, true), width, p.name, 0);
        for (const QString& l : p.lines)
            h += textHeight(font(24, false), width, l, 0);
        for (const QString& d : p.details)
            h += textHeight(font(20, false), width, d, 0);
        return h + lineHeight(font(20, false)); // the cell's last, empty paragraph
    }
    double measure(const block::Addresses& a) const {
        if (a.sideBySide)
            return std::max(partyHeight(a.issuer), partyHeight(a.recipient));
        return partyHeight(a.issuer) + lineHeight(font(20, false)) + partyHeight(a.recipient);
    }

    // --- drawing them, each moving down by its height

    void draw(const block::PageNumbers&) { m_numbered = true; }
    void draw(const block::BaseFont& f) { m_base = f.size; }
    void draw(const block::Gap& g) { m_y += measure(g); }
    void draw(const block::Paragraph& p) {
        const QFont f = font(p.plain ? m_base : p.size, p.bold && !p.plain);
        const double line = lineHeight(f);
        const int flags = p.right && !p.plain ? Qt::AlignRight : Qt::AlignLeft;
        const double h = textHeight(f, bodyWidth(), p.text, flags);
        m_y += p.linesBefore * line;
        text(f, QRectF(MarginLeft, m_y, bodyWidth(), h), flags, p.text);
        m_y += h + p.linesAfter * line;
    }
    void draw(const block::RowFormat& f) {
        m_y += measure(f);
        m_shade = f.shade;
    }
    void draw(const block::Row& r) {
        const double h = measure(r);
        const double left = tableLeft(block::ItemColumns[4]);
        if (m_painter && m_shade != block::Shade::None)
            m_painter->fillRect(QRectF(left, m_y, block::ItemColumns[4], h),
                                m_shade == block::Shade::Heading ? HeadingShade : TotalsShade);
        const QFont f = font(r.size ? r.size : m_base, r.bold);
        double from = 0;
        for (int i = 0; i < 5; ++i) {
            const double to = block::ItemColumns[i];
            const block::Cell& c = r.cells[i];
            const int align = c.align == block::Align::Right    ? Qt::AlignRight
                              : c.align == block::Align::Centre ? Qt::AlignHCenter
                                                                : Qt::AlignLeft;
            text(f, QRectF(left + from + CellGap, m_y, to - from - 2 * CellGap, h), align, c.text);
            from = to;
        }
        m_y += h;
    }
    void draw(const block::Rule& r) {
        const double width = r.thick ? ThickRule : ThinRule;
        const double at = m_y + lineHeight(font(2, false)) + width / 2;
        if (m_painter)
            m_painter->fillRect(QRectF(MarginLeft, at - width / 2, bodyWidth(), width), Qt::black);
        m_y += measure(r);
    }
    void draw(const block::Picture& p) {
        if (m_painter) {
            QImage image;
            if (image.loadFromData(p.png, "PNG"))
                m_painter->drawImage(QRectF(MarginLeft, m_y, p.side, p.side), image);
        }
        m_y += p.side;
    }
    void party(const block::Party& p, double left, double top, int align) {
        const double width = AddressColumn - 2 * CellGap;
        double y = top;
        auto line = [&](const QFont& f, const QString& t) {
            const double h = textHeight(f, width, t, align);
            text(f, QRectF(left + CellGap, y, width, h), align, t);
            y += h;
        };
        line(font(24, true), p.name);
        for (const QString& l : p.lines)
            line(font(24, false), l);
        for (const QString& d : p.details)
            line(font(20, false), d);
    }
    void draw(const block::Addresses& a) {
        const double left = tableLeft(block::ItemColumns[4]);
        const double right = left + block::ItemColumns[4] - AddressColumn;
        if (a.sideBySide) {
            party(a.recipient, left, m_y, Qt::AlignLeft);
            party(a.issuer, right, m_y, Qt::AlignRight);
        } else {
            party(a.issuer, left, m_y, Qt::AlignLeft);
            party(a.recipient, left, m_y + partyHeight(a.issuer) + lineHeight(font(20, false)),
                  Qt::AlignLeft);
        }
        m_y += measure(a);
    }

    QPdfWriter& m_device;
    QPainter* m_painter = nullptr;
    double m_width = 0;
    double m_height = 0;
    double m_y = 0;
    int m_page = 1;
    int m_pages = 1;
    int m_base = 20;
    block::Shade m_shade = block::Shade::None;
    bool m_numbered = false; // the pages carry "Stran: 1 od 1"
};

} // namespace

QByteArray pdfOfBlocks(const DocumentBlocks& blocks, QString* error) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
        writer.setResolution(Resolution);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(blocks.title);
        writer.setCreator(blocks.author.isEmpty() ? QStringLiteral("VALMIR")
                                                  : blocks.author + QStringLiteral(" (VALMIR)"));
        PdfBlockWriter layout(writer);
        const int pages = layout.run(blocks, nullptr, 1);
        QPainter painter;
        if (!painter.begin(&writer)) {
            *error = QStringLiteral("QPainter");
            return {};
        }
        painter.setRenderHint(QPainter::LosslessImageRendering);
        layout.run(blocks, &painter, pages);
        if (!painter.end()) {
            *error = QStringLiteral("QPdfWriter");
            return {};
        }
    }
    return bytes;
}

} // namespace valmir
