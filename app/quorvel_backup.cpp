// Backups of the modules read: every successful read leaves the module's
// configuration, as a profile, in the module's own folder of the user's data
// folder (the newest 100 kept), so that its previous configuration is on disk
// before anything is written to it. "Restore backup" imports one of them.
#include "app/quorvel.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QSaveFile>

#include "cfgfile/backupstore.h"
#include "cfgfile/profilefile.h"
#include "protocol/cfgfields.h"

// Called at the successful end of a read. A backup that cannot be written
// returns its reason (in the language on screen whenever it is asked), which
// the read's final message adds (the one line of a batch run); nothing else
// changes. None: the backup is stored.
std::function<QString()> Quorvel::storeBackup()
{
    // A module is filed under its MAC, in its one spelling; a module that
    // answered something else has no folder of its own.
    const QString mac = cfgfields::canonicalMac(ui.lineEdit_device_mac->text());
    if (mac.isEmpty())
        return [this] { return tr("没有备份：没有有效的 MAC 地址"); };
    const QString folder = backupstore::modulesFolder() + u'/' + backupstore::folderName(mac);
    lastBackupFolder = folder;
    QString why;
    if (backupstore::makeFolder(folder, &why)) {
        // Written aside and renamed: a backup is whole or absent.
        QSaveFile file(folder + u'/' + backupstore::freeFileName(folder, QDateTime::currentDateTime()));
        // A read does not ask for the work mode: a backup states none.
        const QByteArray document = ProfileFile::document(cfgForm->config(), std::nullopt, englishOnScreen());
        if (file.open(QIODevice::WriteOnly) && file.write(document) >= 0 && file.commit()) {
            backupstore::prune(folder);
            return {};
        }
        why = file.errorString();
    }
    return [this, folder, why] { return tr("备份没有写入 %1（%2）").arg(folder, why); };
}

void Quorvel::on_pushButton_restoreBackup_clicked()
{
    if (cfgBusy())
        return;
    const QString folder = lastBackupFolder.isEmpty() ? backupstore::modulesFolder() : lastBackupFolder;
    QDir().mkpath(folder);   // the dialog would fall back to the working folder
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Restore Cfg From Backup"), folder,
                                                      tr("XML (*.xml)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty())
        importCfgFile(path);
}
