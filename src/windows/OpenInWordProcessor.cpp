#include "windows/OpenInWordProcessor.h"

#include "document/WordProcessor.h"
#include "text/Messages.h"
#include "ui/AppContext.h"
#include "ui/MessageBox.h"
#include "windows/N_word.h"

#include <QProcess>

namespace valmir {

bool OpenInWordProcessor(QWidget* parent, const AppContext& context, const QString& documentPath) {
    QVariant location;
    QString error;
    if (!readWordLocation(*context.db, &location, &error)) {
        Msg::critical(parent, WordMessages::NotRead, error);
        return false;
    }
    const QString program = resolveWordProcessor(location.toString());
    if (program.isEmpty()) {
        // The document stays written; the user prints again once the
        // location is right.
        Msg::critical(parent, WordMessages::NotFound);
        N_word dialog(context, parent);
        dialog.exec();
        return false;
    }
    // The document is an argument of its own, so that blanks in either
    // path need no quoting.
    if (!QProcess::startDetached(program, {documentPath})) {
        Msg::critical(parent, WordMessages::CannotOpen);
        return false;
    }
    return true;
}

} // namespace valmir
