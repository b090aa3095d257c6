// RFC 4180 tables for the report files and the database's spool: one record to
// one line of bytes, and a whole file back to records. Values with a comma, a
// quote or a line break are quoted; the reader takes CRLF or LF line ends, a
// UTF-8 byte-order mark and quoted line breaks.
#ifndef CSVTABLE_H
#define CSVTABLE_H

#include <QByteArray>
#include <QList>
#include <QStringList>

#include "station/reportrow.h"

namespace csvtable {

// One record as a UTF-8 line ending in CRLF.
QByteArray line(const QStringList &fields);

// Every record of `bytes`. A quote left open at the end is an error: false,
// with `why` saying on which line the record began.
bool parse(const QByteArray &bytes, QList<QStringList> *records, QString *why);

// A row as the values of `columns` (names of ReportRow::columns(), "station", "run_id").
QStringList fields(const ReportRow &row, const QStringList &columns);
// A row from the values of a record under the header `columns`; unknown
// columns are ignored and missing ones left empty. False, with `why`, for a
// time or a number that does not read.
bool toRow(const QStringList &columns, const QStringList &record, ReportRow *row, QString *why);

} // namespace csvtable

#endif // CSVTABLE_H
