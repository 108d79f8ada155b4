#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <variant>

namespace valmir {

class RtfDocument;

// A document of the office (the price calculation, the credit note, the
// reminder) as the blocks it is made of, top to bottom. The RTF writer
// (writeRtfBlocks) and the PDF writer (pdfOfBlocks) both draw from it, so
// that what the word processor shows and what the PDF says are one text.
//
// Sizes are in half-points, as RTF counts them (20 is 10 pt); widths in
// twips (1/1440 inch). Texts are plain, as the user typed them; each
// writer escapes or lays them out itself.
namespace block {

// "Stran: 1 od 1" at the foot of every page.
struct PageNumbers {};

// One party's address: the name in bold, the lines of the address, then
// the smaller lines of its numbers (telefon, e-pošta, ...).
struct Party {
    QString name;
    QStringList lines;
    QStringList details;
};

// The issuer and the recipient: side by side (the recipient left, the
// issuer right) or the issuer above the recipient, both on the left.
struct Addresses {
    Party issuer;
    Party recipient;
    bool sideBySide = false;
};

// The font size of the text that follows without its own (a Gap, a plain
// Paragraph, a table row without a size).
struct BaseFont {
    int size = 20;
};

// An empty line in the base font.
struct Gap {};

// A paragraph of its own format; `plain` ones take the base font and
// neither bold nor alignment. Empty lines before and after it are in its
// size; keepNext keeps it on the page of what follows.
struct Paragraph {
    QString text;
    int size = 20;
    bool bold = false;
    bool right = false;
    bool keepNext = false;
    bool plain = false;
    int linesBefore = 0;
    int linesAfter = 0;
};

// The item table has five columns, ending at these twips from the left
// edge of the table, which stands centred on the page.
inline constexpr std::array<int, 5> ItemColumns{4800, 5600, 6600, 7900, 9152};
enum class Shade { None, Heading, Totals };
enum class Align { Left, Right, Centre };

// From here on the table's rows are shaded so; `linesBefore` empty lines
// in the base font stand above the rows that follow.
struct RowFormat {
    Shade shade = Shade::None;
    int linesBefore = 0;
};

struct Cell {
    QString text;
    Align align = Align::Left;
};

// A row of the item table: five cells; size 0 is the base font.
struct Row {
    std::array<Cell, 5> cells;
    bool bold = false;
    int size = 0;
};

// A full-width line under the rows above it.
struct Rule {
    bool thick = true;
};

// The UPN QR code: a PNG of width x height pixels shown `side` twips wide
// and high, on the left.
struct Picture {
    QByteArray png;
    int width = 0;
    int height = 0;
    int side = 0;
};

} // namespace block

using DocumentBlock =
    std::variant<block::PageNumbers, block::Addresses, block::BaseFont, block::Gap,
                 block::Paragraph, block::RowFormat, block::Row, block::Rule, block::Picture>;

struct DocumentBlocks {
    QString title;  // the PDF's title: "Račun 2026/001", "Opomin 2026/001"
    QString author; // the issuing office
    QList<DocumentBlock> blocks;

    DocumentBlocks& operator<<(DocumentBlock b) {
        blocks.append(std::move(b));
        return *this;
    }
};

// The blocks written into an opened RtfDocument after its prolog;
// CloseDocument is left to the caller.
void writeRtfBlocks(RtfDocument& doc, const DocumentBlocks& blocks);

} // namespace valmir
