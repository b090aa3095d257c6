// Appending a recording of the log to its file; see logrecorder.h.
#include "console/logrecorder.h"

#include <QCoreApplication>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// Whether the name still leads to the file that is open: not removed, and
// not replaced by another file of the same name (a log rotation, an editor
// saving over it), which would take nothing of what is written here.
bool stillThere(QFile &file)
{
#ifdef Q_OS_UNIX
    struct stat named, open;
    return ::stat(QFile::encodeName(file.fileName()).constData(), &named) == 0 && ::fstat(file.handle(), &open) == 0
        && named.st_dev == open.st_dev && named.st_ino == open.st_ino;
#else
    return QFileInfo::exists(file.fileName());
#endif
}

} // namespace

LogRecorder::~LogRecorder()
{
    if (m_file.isOpen()) {
        QString ignored;
        writeOut(&ignored);
    }
}

bool LogRecorder::open(const QString &path, QString *why)
{
    m_file.setFileName(path);
    // Unbuffered: every write reaches the system at once and its error with it.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        *why = m_file.errorString();
        return false;
    }
    m_size = m_file.size();
    return true;
}

bool LogRecorder::writeOut(QString *why)
{
    if (!m_file.isOpen())
        return false;
    if (!stillThere(m_file)) {
        *why = QCoreApplication::translate("Quorvel", "文件已被删除或替换");
        m_file.close();
        return false;
    }
    if (m_waiting.isEmpty())
        return true;
    const qint64 written = m_file.write(m_waiting);
    if (written != m_waiting.size()) {
        *why = m_file.errorString();
        if (written > 0)
            (void)m_file.resize(m_size);   // no half line stays behind
        m_file.close();
        m_waiting.clear();
        return false;
    }
    m_size += written;
    m_waiting.truncate(0);   // its room stays for the next second's lines
    return true;
}
