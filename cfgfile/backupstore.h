// Where the backups of modules read go, and how many stay: pure file-name
// and folder rules, tested without a window.
#ifndef BACKUPSTORE_H
#define BACKUPSTORE_H

#include <QDateTime>
#include <QString>

#include <functional>

#include "protocol/moduleconfig.h"

namespace backupstore {

constexpr int keptPerModule = 100;

// The folder of all modules' backups: <data>/quorvel/modules, the data
// folder being $XDG_DATA_HOME (~/.local/share when unset) on Linux.
QString modulesFolder();

// A module's folder name, from its MAC address: characters that the file
// system refuses in a name are replaced by '-'.
QString folderName(const QString &mac);

// Makes `folder` and the folders above it that are missing; false, with the
// system's reason in *why (permission denied, a file in the way), when it
// cannot.
bool makeFolder(const QString &folder, QString *why);

// A name for a backup made at `when` that `folder` does not hold yet:
// yyyyMMdd-HHmmss.xml, or with -2, -3, … when that second is taken.
QString freeFileName(const QString &folder, const QDateTime &when);

// Removes the oldest backups of `folder` beyond the newest `keep`. Files
// not named as backups are left alone.
void prune(const QString &folder, int keep = keptPerModule);

// After a successful read: `config`, the module's values, as a profile
// without a work mode (a read does not learn it) in its module's folder,
// which goes to *folder when the module has one. Returns why the backup was
// not written, in the language installed whenever it is asked; none when it
// was stored.
std::function<QString()> store(const ModuleConfig &config, bool english, QString *folder = nullptr);

} // namespace backupstore

#endif // BACKUPSTORE_H
