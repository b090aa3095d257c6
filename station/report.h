// The production report: one CSV record per module run (RFC 4180: fields
// with a comma, a quote or a line break quoted, quotes doubled, CR LF after
// each record, UTF-8), appended under an advisory lock so that any number of
// processes can share one file. writeReportRow is the one place that picks
// where a row goes.
#ifndef REPORT_H
#define REPORT_H

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "station/reportrow.h"

namespace report {

// A field as it stands in a record: quoted only when it must be.
QString csvField(const QString &value);
// The fields joined with "," and ended with CR LF, as UTF-8.
QByteArray csvRecord(const QStringList &fields);
// ISO 8601 to the millisecond with the offset ("+01:00", "-05:30", "+00:00").
QString isoTimeWithOffset(const QDateTime &time);
// The row's values in the order of ReportRow::columns().
QStringList rowFields(const ReportRow &row);

// Appends `record` to the file at `path` in one write while holding an
// exclusive flock on it; `header` goes in front when the file is new or
// empty. On failure *why says what went wrong and nothing was written.
bool appendLocked(const QString &path, const QByteArray &header, const QByteArray &record, QString *why);

// Where a row goes: a CSV file (created, with its header, when missing), or a
// PostgreSQL database (postgresql://…), whose row is spooled while it is away;
// then *why says where the row went. False: the row was not kept anywhere.
bool writeReportRow(const QString &target, const ReportRow &row, QString *why);

} // namespace report

#endif // REPORT_H
