// Backups of the modules read: every successful read leaves the module's
// configuration, as a profile, in the module's own folder of the user's data
// folder (the newest 100 kept), so that its previous configuration is on disk
// before anything is written to it. "Restore backup" imports one of them.
#include "app/quorvel.h"

#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QSaveFile>
#include <QStatusBar>

#include "cfgfile/backupstore.h"

namespace {

// Keeps a button enabled exactly when another one is: "Restore backup" goes
// off and on with Import, wherever that is switched.
class EnabledMirror : public QObject
{
public:
    EnabledMirror(QWidget *source, QWidget *target) : QObject(source), m_target(target)
    {
        source->installEventFilter(this);
        target->setEnabled(source->isEnabled());
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange)
            m_target->setEnabled(static_cast<QWidget *>(watched)->isEnabled());
        return false;
    }

private:
    QWidget *m_target;
};

} // namespace

void Quorvel::initBackups()
{
    new EnabledMirror(ui.pushButton_Import, ui.pushButton_restoreBackup);
}

// Called at the successful end of a read, after its final message: a backup
// that cannot be written adds its reason to that message (the one line of a
// batch run) and changes nothing else.
void Quorvel::storeBackup()
{
    const QString folder = backupstore::modulesFolder() + u'/'
                           + backupstore::folderName(ui.lineEdit_device_mac->text());
    lastBackupFolder = folder;
    QDir().mkpath(folder);   // a failure shows in the open below
    // Written aside and renamed: a backup is whole or absent.
    QSaveFile file(folder + u'/' + backupstore::freeFileName(folder, QDateTime::currentDateTime()));
    if (file.open(QIODevice::WriteOnly) && file.write(cfgFileDocument(false)) >= 0 && file.commit()) {
        backupstore::prune(folder);
        return;
    }
    showFinalStatus(statusBar()->currentMessage() + tr("；")
                        + tr("备份没有写入 %1（%2）").arg(folder, file.errorString()),
                    10000);
}

void Quorvel::on_pushButton_restoreBackup_clicked()
{
    if (cfgFileBusy || readCfgRunning || writeCfgRunning)
        return;
    const QString folder = lastBackupFolder.isEmpty() ? backupstore::modulesFolder() : lastBackupFolder;
    QDir().mkpath(folder);   // the dialog would fall back to the working folder
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Restore Cfg From Backup"), folder,
                                                      tr("XML (*.xml)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty())
        importCfgFile(path);
}
