// The production report's locked append, and where a row goes.
#include "report/report.h"

#include "report/csvtable.h"
#include "report/pgreport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QLockFile>
#endif

namespace report {

namespace {

QString symlinkRefused(const QString &path)
{
    return QCoreApplication::translate("report", "%1 是符号链接：报告不写入链接所指的文件").arg(path);
}

QString notRegularRefused(const QString &path)
{
    return QCoreApplication::translate("report", "%1 不是普通文件（而是命名管道、设备或文件夹）：报告只写入普通文件")
        .arg(path);
}

#ifdef Q_OS_UNIX
QString systemError(const QString &path, const char *what)
{
    return QStringLiteral("%1: %2 (%3)").arg(path, QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}
#endif

} // namespace

#ifndef Q_OS_UNIX
// Without flock: a lock file beside the report serializes the writers. Links
// and files that are not regular are looked at before the open (Qt has no
// O_NOFOLLOW); a pipe or device that got past that is sequential once open.
bool appendLocked(const QString &path, const QByteArray &header, const QByteArray &record, QString *why)
{
    const QFileInfo info(path);
    if (info.isSymLink()) {
        *why = symlinkRefused(path);
        return false;
    }
    if (info.exists() && !info.isFile()) {
        *why = notRegularRefused(path);
        return false;
    }
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.lock()) {
        *why = QStringLiteral("%1.lock: cannot be locked").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *why = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.isSequential()) {
        *why = notRegularRefused(path);
        return false;
    }
    const QByteArray bytes = file.size() == 0 ? header + record : record;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        *why = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
#else
bool appendLocked(const QString &path, const QByteArray &header, const QByteArray &record, QString *why)
{
    // O_NOFOLLOW: a symbolic link in the report's place is refused, not
    // followed to whatever it names. O_NONBLOCK: a FIFO without a reader
    // fails at once instead of waiting for one (and a device opens without
    // waiting for a carrier); fstat then takes nothing but a regular file,
    // for which O_NONBLOCK changes nothing.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (fd < 0) {
        const int openErrno = errno;
        *why = systemError(path, "open");
        struct stat lst;
        if ((openErrno == ELOOP || openErrno == ENXIO) && ::lstat(name.constData(), &lst) == 0)
            *why = S_ISLNK(lst.st_mode) ? symlinkRefused(path) : notRegularRefused(path);
        return false;
    }
    struct stat st;
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!regular) {
        *why = notRegularRefused(path);
        ::close(fd);
        return false;
    }
    // The size is looked at under the lock: of two processes that find the
    // file empty, only the first one writes the header.
    bool ok = false;
    int rc;
    do
        rc = ::flock(fd, LOCK_EX);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        *why = systemError(path, "flock");
    } else if (::fstat(fd, &st) != 0) {
        *why = systemError(path, "fstat");
    } else {
        const QByteArray bytes = st.st_size == 0 ? header + record : record;
        ssize_t n;
        do
            n = ::write(fd, bytes.constData(), size_t(bytes.size()));
        while (n < 0 && errno == EINTR);
        if (n == bytes.size()) {
            ok = true;
        } else {
            *why = n < 0 ? systemError(path, "write") : QStringLiteral("%1: short write").arg(path);
            // A torn record would shift every later one: take it back.
            if (n > 0 && ::ftruncate(fd, st.st_size) != 0)
                *why += QStringLiteral("; ") + systemError(path, "ftruncate");
        }
    }
    if (::close(fd) != 0 && ok) {   // the close releases the lock
        *why = systemError(path, "close");
        ok = false;
    }
    return ok;
}
#endif

namespace {

// The columns of the report at `path` as its header names them. Only a
// regular file is looked into (a FIFO would hang the read; the append refuses
// it and a link anyway); an empty or new one gets today's columns.
QStringList fileColumns(const QString &path)
{
    const QFileInfo info(path);
    QFile file(path);
    if (info.isSymLink() || !info.isFile() || !file.open(QIODevice::ReadOnly))
        return ReportRow::columns();
    QByteArray first = file.readLine(4096);
    if (first.startsWith("\xEF\xBB\xBF"))
        first.remove(0, 3);
    QList<QStringList> records;
    QString unread;
    if (!csvtable::parse(first, &records, &unread) || records.isEmpty()
        || records.first() != ReportRow::columnsWithoutLabel())
        return ReportRow::columns();
    return records.first();
}

} // namespace

bool writeReportRow(const QString &target, const ReportRow &row, QString *why)
{
    // A database takes the row, or its spool does until it is back; `why`
    // then says where the row went.
    if (pgreport::isUri(target))
        return pgreport::insertRow(target, row, why) != pgreport::Stored::Lost;
    // A report begun by an earlier version goes on in its own columns; a
    // label it has no column for is not dropped without a word.
    const QStringList columns = fileColumns(target);
    if (!row.label.isEmpty() && !columns.contains(QStringLiteral("label"))) {
        *why = QCoreApplication::translate("report", "%1 是没有 label 列的旧报告，扫描的标签不能记录：请换一个新的报告文件")
                   .arg(target);
        return false;
    }
    return appendLocked(target, csvtable::line(ReportRow::columns()), csvtable::line(csvtable::fields(row, columns)),
                        why);
}

} // namespace report
