#include "ui/OwnFiles.h"

#include "data/Database.h"
#include "data/SafeTarget.h"
#include "text/Messages.h"
#include "ui/MessageBox.h"

#include <QDir>

namespace valmir {

QStringList liveFiles(const AppContext& context) {
    QStringList files{context.appFolder + QStringLiteral("valmir2009.db"),
                      context.appFolder + QStringLiteral("tmp.db")};
    for (const Database* db : {context.db, context.work})
        if (db)
            files << db->path();
    return files;
}

bool refuseOwnFile(QWidget* parent, const AppContext& context, const QString& path) {
    if (!SafeTarget::isLiveFile(path, liveFiles(context)))
        return false;
    Msg::critical(parent, BackupMessages::OwnFile.text.arg(QDir::toNativeSeparators(path)),
                  BackupMessages::OwnFile.title);
    return true;
}

} // namespace valmir
