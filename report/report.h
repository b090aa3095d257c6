// The production report: one CSV record per module run (report/csvtable.h:
// RFC 4180, UTF-8, texts guarded against spreadsheet formulas), appended under
// an advisory lock so that any number of processes can share one file.
// writeReportRow is the one place that picks where a row goes.
#ifndef REPORT_H
#define REPORT_H

#include <QByteArray>
#include <QString>

#include "report/reportrow.h"

namespace report {

// Appends `record` to the regular file at `path` in one write while holding an
// exclusive flock on it; `header` goes in front when the file is new or empty.
// A symbolic link, a FIFO, a device or a folder in the report's place is
// refused at once, never followed or waited on. On failure *why says what went
// wrong and nothing was written.
bool appendLocked(const QString &path, const QByteArray &header, const QByteArray &record, QString *why);

// Where a row goes: a CSV file (created, with its header, when missing), or a
// PostgreSQL database (postgresql://…), whose row is spooled while it is away;
// then *why says where the row went. False: the row was not kept anywhere.
bool writeReportRow(const QString &target, const ReportRow &row, QString *why);

} // namespace report

#endif // REPORT_H
