// Backups of the modules read: every successful read leaves the module's
// configuration, as a profile, in the module's own folder of the user's data
// folder (the newest 100 kept), so that its previous configuration is on disk
// before anything is written to it. "Restore backup" imports one of them.
#include "app/quorvel.h"

#include <QDir>
#include <QFileDialog>

#include "cfgfile/backupstore.h"

// Called at the successful end of a read (backupstore::store, which the
// command line's read calls too). A backup that cannot be written returns
// its reason (in the language on screen whenever it is asked), which the
// read's final message adds; nothing else changes. None: the backup is stored.
std::function<QString()> Quorvel::storeBackup()
{
    return backupstore::store(cfgForm->config(), englishOnScreen(), &lastBackupFolder);
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
