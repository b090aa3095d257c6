// The file a recording of the log goes to. Rows are formatted as they are
// logged and kept here; writeOut() appends them in one write, at least once
// a second and at the end, so a line is either in the file whole or not
// yet. A write that fails (a full disk) is cut back to the last whole line
// and ends the recording, as does a file that was removed or replaced by
// another of its name meanwhile.
#ifndef LOGRECORDER_H
#define LOGRECORDER_H

#include <QByteArray>
#include <QFile>
#include <QString>

class LogRecorder
{
public:
    ~LogRecorder();   // writes what is waiting, says nothing

    // Opens the file for appending; false and *why when it cannot.
    bool open(const QString &path, QString *why);
    void append(const QByteArray &lines) { m_waiting += lines; }
    // What waits for the file, for a caller that appends a line in place.
    QByteArray &waitingBytes() { return m_waiting; }
    qsizetype waiting() const { return m_waiting.size(); }
    // Appends what is waiting; false and *why when the recording must end.
    bool writeOut(QString *why);
    QString path() const { return m_file.fileName(); }
    qint64 size() const { return m_size; }   // of the file, as this recording left it

private:
    QFile m_file;
    QByteArray m_waiting;
    qint64 m_size = 0;
};

#endif // LOGRECORDER_H
