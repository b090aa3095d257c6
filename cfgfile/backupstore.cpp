#include "cfgfile/backupstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "cfgfile/profilefile.h"
#include "protocol/cfgfields.h"

namespace {

// The window's catalogue context: the backup's words were the window's first.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Quorvel)
};

} // namespace

namespace backupstore {

QString modulesFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/quorvel/modules");
}

QString folderName(const QString &mac)
{
    QString name = mac.trimmed();
    for (QChar &c : name) {
#ifdef Q_OS_WIN
        if (c.unicode() < 0x20 || QStringLiteral("<>:\"/\\|?*").contains(c))
            c = u'-';
#else
        if (c == u'/' || c.unicode() == 0)
            c = u'-';
#endif
    }
#ifdef Q_OS_WIN
    while (name.endsWith(u'.') || name.endsWith(u' '))   // Windows drops them
        name.chop(1);
#endif
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("unknown");
    return name;
}

bool makeFolder(const QString &folder, QString *why)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder.toStdU16String()), error);
    if (!error && QFileInfo(folder).isDir())
        return true;
    *why = error ? QString::fromLocal8Bit(error.message().c_str()) : QStringLiteral("not a folder");
    return false;
}

QString freeFileName(const QString &folder, const QDateTime &when)
{
    const QString stamp = when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = stamp + QStringLiteral(".xml");
    for (int n = 2; QFileInfo::exists(folder + u'/' + name); ++n)
        name = QStringLiteral("%1-%2.xml").arg(stamp).arg(n);
    return name;
}

void prune(const QString &folder, int keep)
{
    static const QRegularExpression backupName(QStringLiteral("^(\\d{8}-\\d{6})(?:-(\\d+))?\\.xml$"));
    struct Backup
    {
        QString name, stamp;
        int n;
    };
    QList<Backup> backups;
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.xml")}, QDir::Files);
    for (const QString &name : names) {
        const QRegularExpressionMatch m = backupName.match(name);
        if (m.hasMatch())
            backups.append({name, m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt()});
    }
    if (backups.size() <= keep)
        return;
    // Oldest first: by time, then by the number of that second ("-10" after "-9").
    std::sort(backups.begin(), backups.end(), [](const Backup &a, const Backup &b) {
        return a.stamp != b.stamp ? a.stamp < b.stamp : a.n < b.n;
    });
    for (qsizetype i = 0; i < backups.size() - keep; ++i)
        QFile::remove(folder + u'/' + backups.at(i).name);
}

std::function<QString()> store(const ModuleConfig &config, bool english, QString *folderOut)
{
    // A module is filed under its MAC, in its one spelling; a module that
    // answered something else has no folder of its own.
    const QString mac = cfgfields::canonicalMac(config.value(QStringLiteral("lineEdit_device_mac")));
    if (mac.isEmpty())
        return [] { return Texts::tr("没有备份：没有有效的 MAC 地址"); };
    const QString folder = modulesFolder() + u'/' + folderName(mac);
    if (folderOut)
        *folderOut = folder;
    QString why;
    if (makeFolder(folder, &why)) {
        // Written aside and renamed: a backup is whole or absent.
        QSaveFile file(folder + u'/' + freeFileName(folder, QDateTime::currentDateTime()));
        const QByteArray document = ProfileFile::document(config, std::nullopt, english);
        if (!file.open(QIODevice::WriteOnly))
            why = file.errorString();
        else if (ProfileFile::commit(file, document, &why)) {
            prune(folder);
            return {};
        }
    }
    return [folder, why] { return Texts::tr("备份没有写入 %1（%2）").arg(folder, why); };
}

} // namespace backupstore
