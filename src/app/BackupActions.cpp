#include "app/BackupActions.h"

#include "data/Backup.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/ServerBackup.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "ui/MessageBox.h"
#include "ui/OwnFiles.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>

namespace valmir {

namespace {

// The file the user picks; empty when he cancels.
QString pickFile(QWidget* parent, const QString& title, const QString& start,
                 QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, title, start, BackupMessages::FileFilter);
    dialog.setObjectName(QStringLiteral("FileDialog"));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("db"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

// The copy of the open data, the file's page by page or the server's row
// by row; the latter takes a while with many invoices.
bool writeCopy(Database& db, const QString& path, QString* error) {
    if (!db.onServer())
        return Backup::copyTo(db, path, Schema::dataPassword(), error);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const bool written = ServerBackup::copyToFile(db, path, Schema::dataPassword(), error);
    QApplication::restoreOverrideCursor();
    return written;
}

// The office's data on the server replaced by a copy's. The data there
// are kept as a copy in the folder of copies first, as the file's are,
// taken under the restore's lock once the question is answered, so that
// what others save meanwhile is in it (or waited for); the question tells
// how many others work on the data now.
bool restoreOnServer(QWidget* parent, Database& server, const QString& path,
                     const QString& folder) {
    const QString shown = QDir::toNativeSeparators(path);
    const Message& refused = BackupMessages::Refused;
    const auto refuse = [&](const QString& why) {
        Msg::critical(parent, {refused.text.arg(shown), refused.title}, why);
        return false;
    };
    const QString kept =
        QDir(folder).filePath(QStringLiteral("valmir2009-pred-obnovo-%1.db")
                                  .arg(QDateTime(today(), QTime::currentTime())
                                           .toString(QStringLiteral("yyyy-MM-dd-HHmmss"))));
    QString error;
    if (!QFileInfo(folder).isDir() &&
        !QDir().mkdir(QDir::cleanPath(folder),
                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return refuse(BackupMessages::FolderNotWritable.text.arg(
            QDir::toNativeSeparators(folder), QStringLiteral("mape ni mogoče ustvariti")));
    int others = 0;
    if (!ServerBackup::otherConnections(server, &others, &error))
        return refuse(error);
    const Message& ask = ServerMessages::AskRestoreOffice;
    if (!Msg::confirmDestructive(parent,
                                 ask.text.arg(server.path(), shown,
                                              QDir::toNativeSeparators(folder),
                                              QString::number(others)),
                                 ask.title))
        return false;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    qint64 datesEmptied = 0;
    const bool restored = ServerBackup::restoreFromFile(server, path, Schema::dataPassword(), kept,
                                                        &error, &datesEmptied);
    QApplication::restoreOverrideCursor();
    if (!restored)
        return refuse(error);
    QString told = BackupMessages::Restored.text.arg(shown);
    if (datesEmptied > 0)
        told += u'\n' + ServerMessages::DatesEmptied.text.arg(datesEmptied);
    Msg::information(parent, told, BackupMessages::Restored.title);
    return true;
}

} // namespace

void saveBackupCopy(QWidget* parent, const AppContext& context) {
    if (!context.db)
        return Msg::critical(parent, Messages::NoDatabase);
    const QString path =
        pickFile(parent, BackupMessages::Title, QDir::home().filePath(Backup::dailyName(today())),
                 QFileDialog::AcceptSave);
    if (path.isEmpty() || refuseOwnFile(parent, context, path))
        return;
    QString error;
    if (!writeCopy(*context.db, path, &error))
        return Msg::critical(parent, BackupMessages::NotSaved, error);
    Msg::information(parent, BackupMessages::Saved.text.arg(QDir::toNativeSeparators(path)),
                     BackupMessages::Saved.title);
}

bool restoreBackupCopy(QWidget* parent, const AppContext& context) {
    if (!context.db) {
        Msg::critical(parent, Messages::NoDatabase);
        return false;
    }
    const QString folder = Backup::folderIn(context.appFolder);
    const QString path =
        pickFile(parent, BackupMessages::RestoreTitle,
                 QFileInfo(folder).isDir() ? folder : QDir::homePath(), QFileDialog::AcceptOpen);
    if (path.isEmpty())
        return false;
    const QString shown = QDir::toNativeSeparators(path);
    const Message& refused = BackupMessages::Refused;
    if (const QString why = Backup::refusal(path, Schema::dataPassword()); !why.isEmpty()) {
        Msg::critical(parent, {refused.text.arg(shown), refused.title}, why);
        return false;
    }
    if (context.db->onServer())
        return restoreOnServer(parent, *context.db, path, folder);
    const Message& ask = BackupMessages::AskRestore;
    if (!Msg::confirmDestructive(parent, ask.text.arg(shown, QDir::toNativeSeparators(folder)),
                                 ask.title))
        return false;
    QString error;
    if (!Backup::restore(*context.db, path, Schema::dataPassword(), folder,
                         QDateTime(today(), QTime::currentTime()), &error)) {
        Msg::critical(parent, {refused.text.arg(shown), refused.title}, error);
        return false;
    }
    Msg::information(parent, BackupMessages::Restored.text.arg(shown),
                     BackupMessages::Restored.title);
    return true;
}

} // namespace valmir
