// RFC 4180 tables for the report files, the database's spool and --history:
// one record to one line of bytes, and a whole file back to records. Values
// with a comma, a quote or a line break are quoted; the reader takes CRLF or LF
// line ends, a UTF-8 byte-order mark and quoted line breaks.
//
// A spreadsheet runs a cell that begins with =, +, -, @ (or a tab or CR before
// one) as a formula, quoted or not. A row's text values come from the module
// (MAC, firmware, answers), so in these files a text value beginning with one
// of those, or with the apostrophe itself, gets an apostrophe in front, which
// spreadsheets show as text; reading a row takes that one apostrophe off again,
// so a value goes through any number of write-read turns unchanged. The numbers
// (exit, ms) and the time are written as they are.
#ifndef CSVTABLE_H
#define CSVTABLE_H

#include <QByteArray>
#include <QList>
#include <QStringList>

#include "report/reportrow.h"

namespace csvtable {

// One record as a UTF-8 line ending in CRLF.
QByteArray line(const QStringList &fields);

// A text value as a cell that no spreadsheet runs, and the value back from such a cell.
QString guarded(const QString &text);
QString unguarded(const QString &cell);

// ISO 8601 to the millisecond with the offset ("+01:00", "-05:30", "+00:00").
QString isoTime(const QDateTime &time);

// Every record of `bytes`. A quote left open at the end is an error: false,
// with `why` saying on which line the record began.
bool parse(const QByteArray &bytes, QList<QStringList> *records, QString *why);

// A row as the values of `columns` (names of ReportRow::columns(), "station",
// "run_id"), its texts guarded.
QStringList fields(const ReportRow &row, const QStringList &columns);
// A row from the values of a record under the header `columns`, its texts
// unguarded; unknown columns are ignored and missing ones left empty. False, with `why`, for a
// time or a number that does not read.
bool toRow(const QStringList &columns, const QStringList &record, ReportRow *row, QString *why);

} // namespace csvtable

#endif // CSVTABLE_H
