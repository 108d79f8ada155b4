#include "windows/SystemInfo.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace valmir {

QString findSystemInfoTool(const QString& searchPath) {
    const QStringList folders = searchPath.split(QDir::listSeparator(), Qt::SkipEmptyParts);
    if (folders.isEmpty())
        return {};
    for (const char* tool : SystemInfoTools) {
        const QString found =
            QStandardPaths::findExecutable(QString::fromLatin1(tool), folders);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

bool startSystemInfoTool() {
    const QString tool = findSystemInfoTool(qEnvironmentVariable("PATH"));
    return !tool.isEmpty() && QProcess::startDetached(tool, {});
}

} // namespace valmir
