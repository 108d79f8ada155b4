#pragma once

#include "document/DocumentBlocks.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace valmir {

struct AppContext;
struct Message;

// What the invoice and the reminder share on their way out: the documents
// folder, the PDF the program draws and the message in the mail program,
// which is waited for with the window painting, under a busy cursor and a
// progress box that keeps the window from a second click.

// Where a document goes in the documents folder of the settings, the
// folder made if missing; a file of that name is replaced only when the
// user says so. The path, or empty after the message that says why not
// (nothing is said when the user keeps the old file).
QString DocumentTarget(QWidget* parent, const AppContext& context, const QString& fileName);

// The PDF `fileName` in the documents folder, of the document's blocks
// that `makeDocument` gives (or none, once it has told why not). The
// target is settled first; the PDF is drawn in one go and written beside
// it, then takes its place. The PDF's path, or empty after the message
// that says why not (nothing is said when the user chose not to replace).
QString SaveDocumentPdf(QWidget* parent, const AppContext& context, const QString& fileName,
                        const std::function<std::optional<DocumentBlocks>()>& makeDocument);

// Whether the address may go to the mail program: empty (the user fills
// it in there) or one plain address. Anything else is told, naming it.
bool CheckMailAddress(QWidget* parent, const QString& address);

// Opens a new message in the user's mail program through xdg-email with
// `mailArguments` (the PDF attached), after CheckMailAddress. Missing,
// failing to start or ending with an error it is reported with its own
// words, and the PDF stays where it is. One that still runs after a few
// seconds (it stays for the life of a mail program it had to start)
// counts as having opened the message.
bool SendPdf(QWidget* parent, const QString& pdfPath, const QString& address,
             const QStringList& mailArguments);

} // namespace valmir
