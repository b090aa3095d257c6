// The production report's CSV records and the locked append.
#include "station/report.h"

#include "station/pgreport.h"

#include <QFile>

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

QString csvField(const QString &value)
{
    if (!value.contains(u',') && !value.contains(u'"') && !value.contains(u'\n') && !value.contains(u'\r'))
        return value;
    QString quoted = value;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QByteArray csvRecord(const QStringList &fields)
{
    QStringList out;
    out.reserve(fields.size());
    for (const QString &f : fields)
        out << csvField(f);
    return out.join(u',').toUtf8() + "\r\n";
}

QString isoTimeWithOffset(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+')
        + QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QStringList rowFields(const ReportRow &row)
{
    return {isoTimeWithOffset(row.time),
            row.port,
            row.mac,
            row.firmware,
            row.action,
            row.profile,
            row.profileSha256,
            row.pass ? QStringLiteral("pass") : QStringLiteral("fail"),
            QString::number(row.exitCode),
            row.detail,
            QString::number(row.ms)};
}

#ifdef Q_OS_UNIX
namespace {

QString systemError(const QString &path, const char *what)
{
    return QStringLiteral("%1: %2 (%3)").arg(path, QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace
#endif

#ifndef Q_OS_UNIX
// Without flock: a lock file beside the report serializes the writers.
bool appendLocked(const QString &path, const QByteArray &header, const QByteArray &record, QString *why)
{
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
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        *why = systemError(path, "open");
        return false;
    }
    // The size is looked at under the lock: of two processes that find the
    // file empty, only the first one writes the header.
    bool ok = false;
    struct stat st;
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

bool writeReportRow(const QString &target, const ReportRow &row, QString *why)
{
    // A database takes the row, or its spool does until it is back; `why`
    // then says where the row went.
    if (pgreport::isUri(target))
        return pgreport::insertRow(target, row, why) != pgreport::Stored::Lost;
    return appendLocked(target, csvRecord(ReportRow::columns()), csvRecord(rowFields(row)), why);
}

} // namespace report
