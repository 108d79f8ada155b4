#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace valmir {

struct AppContext;
struct Message;

// What the invoice and the reminder share on their way out: the documents
// folder, the PDF made by LibreOffice and the message in the mail program.
// Both wait with the window painting, under a busy cursor and a progress
// box that keeps the window from a second click.

// Where a document goes in the documents folder of the settings, the
// folder made if missing; a file of that name is replaced only when the
// user says so. The path, or empty after the message that says why not
// (nothing is said when the user keeps the old file).
QString DocumentTarget(QWidget* parent, const AppContext& context, const QString& fileName);

// The PDF `fileName` in the documents folder, of the document that
// `writeDocument` writes (its path, or empty once it has told why not).
// The target and LibreOffice are settled before the document is written;
// `converting` stands in the progress box, which can cancel, and
// `conversionFailed` goes before LibreOffice's own words. The PDF's path,
// or empty after the message that says why not (nothing is said when the
// user cancelled or chose not to replace).
QString SaveDocumentPdf(QWidget* parent, const AppContext& context, const QString& fileName,
                        const QString& converting, const Message& conversionFailed,
                        const std::function<QString()>& writeDocument);

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
