// One record of a module's run on a production line: what the command line's
// --report appends to a CSV file or inserts into a database, and what the
// station window and --history read back. No widget and no I/O here.
#ifndef REPORTROW_H
#define REPORTROW_H

#include <QDateTime>
#include <QString>
#include <QStringList>

struct ReportRow
{
    QDateTime time;          // when the run started, local time with its offset
    QString port;            // as given with --port
    QString mac;             // the module's MAC address, empty when it never answered
    QString firmware;        // the module's version answer
    QString action;          // "read", "apply", "apply+verify", "run" (a command list) or "apply+run"
    QString profile;         // the profile's file name (for --read: the file written)
    QString profileSha256;   // of the profile's bytes, lower-case hex; empty for --read
    bool pass = false;
    int exitCode = 0;        // the run's exit status
    QString detail;          // the failed step, the module's answer or the differences, one line
    qint64 ms = 0;           // duration of the run
    QString station;         // the host name or --station-name (database rows)
    QString runId;           // unique per run: a database insert ignores a row already there
    QString label;           // the code scanned off the module's label (--label), empty when none

    // The CSV columns, in order.
    static QStringList columns()
    {
        return {QStringLiteral("time"),   QStringLiteral("port"),   QStringLiteral("mac"),
                QStringLiteral("label"),  QStringLiteral("firmware"), QStringLiteral("action"),
                QStringLiteral("profile"), QStringLiteral("profile_sha256"), QStringLiteral("result"),
                QStringLiteral("exit"),   QStringLiteral("detail"), QStringLiteral("ms")};
    }
    // The columns of a report begun before the label was recorded: such a
    // file is read, and appended to, in its own columns.
    static QStringList columnsWithoutLabel()
    {
        QStringList old = columns();
        old.removeAll(QStringLiteral("label"));
        return old;
    }
};

#endif // REPORTROW_H
