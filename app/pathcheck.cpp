// The command line's checks of its file arguments; see pathcheck.h.
#include "app/pathcheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace pathcheck {

Kind kindOf(const QString &path, bool followLinks)
{
#ifdef Q_OS_UNIX
    struct stat st;
    const QByteArray name = QFile::encodeName(path);
    if ((followLinks ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) != 0)
        return Kind::Absent;
    if (S_ISLNK(st.st_mode))
        return Kind::Link;
    return S_ISREG(st.st_mode) ? Kind::Regular : Kind::Other;
#else
    const QFileInfo info(path);
    if (!followLinks && info.isSymLink())
        return Kind::Link;
    if (!info.exists())
        return Kind::Absent;
    return info.isFile() ? Kind::Regular : Kind::Other;
#endif
}

bool sameFile(const QString &a, const QString &b)
{
#ifdef Q_OS_UNIX
    struct stat sa, sb;
    if (::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
#else
    const QFileInfo ia(a), ib(b);
    const QString pa = ia.exists() ? ia.canonicalFilePath() : QDir::cleanPath(ia.absoluteFilePath());
    const QString pb = ib.exists() ? ib.canonicalFilePath() : QDir::cleanPath(ib.absoluteFilePath());
    return pa.compare(pb, Qt::CaseInsensitive) == 0;
#endif
}

bool looksLikeReport(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(64);
    if (head.isEmpty())
        return true;   // an empty file gets the header with its first row
    const QByteArray start = head.startsWith("\xEF\xBB\xBF") ? head.mid(3) : head;
    return start.startsWith("time,port,mac,");
}

} // namespace pathcheck
