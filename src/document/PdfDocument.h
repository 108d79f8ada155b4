#pragma once

#include <QByteArray>
#include <QString>

namespace valmir {

struct DocumentBlocks;

// The document's blocks drawn by the program itself as a PDF: A4 with the
// RTF's margins, DejaVu Sans embedded (č, š, ž, €), PDF/A-1b for the ten
// years an invoice is kept, the blocks' title in the document's
// information. Pages break where a block would cross the bottom margin;
// the UPN QR code stays on the page of its heading. Empty with *error
// when the PDF could not be drawn.
QByteArray pdfOfBlocks(const DocumentBlocks& blocks, QString* error);

} // namespace valmir
