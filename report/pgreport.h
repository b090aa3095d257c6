// Report rows into a PostgreSQL database, through Qt's QPSQL driver, with
// nothing lost when the database is away: a row that cannot be inserted is
// written to the local spool ($XDG_DATA_HOME/quorvel/spool/*.csv, one file a
// row, written aside and renamed) and inserted by the next insert that reaches
// the database, oldest first, before its own row. Every row carries a run id
// that the table keeps unique, so a spooled row inserted twice (two stations
// sharing a spool, a crash between insert and removal) is stored once.
//
// The target is a connection URI:
//   postgresql://[user@][host][:port][/dbname][?key=value&...]
// host is a name, an address ([…] for IPv6) or, percent-encoded
// (%2Frun%2Fpostgresql), the folder of a Unix socket; ?host=/run/postgresql
// does the same. Other key=value pairs go to libpq as connection parameters
// (sslmode, connect_timeout, …), quoted; "options" (the server's -c settings)
// comes after a default statement and lock time-out, so it can change them.
// A password is never part of the URI: libpq takes it from PGPASSWORD or
// ~/.pgpass (PGPASSFILE).
//
// The table keeps the first row of each run id; so does the spool. A run's
// row and the station's row for the same run (one it had to kill) are thus
// one row, and the run's own wins whenever it got anywhere first.
#ifndef PGREPORT_H
#define PGREPORT_H

#include <QList>
#include <QString>

#include "report/reportrow.h"

namespace pgreport {

// The schema version this program creates and migrates to.
constexpr int schemaVersion = 3;

// Whether `target` names a database (postgresql:// or postgres://) rather than a file.
bool isUri(const QString &target);

// The URI's connection parameters, or false with `why` (a password in the URI,
// a port that is not a number, a parameter that is not key=value, …).
struct Target
{
    QString user, host, database;
    int port = -1;
    QStringList options;   // libpq key='value' pairs, the server's options last
};
bool parseUri(const QString &uri, Target *target, QString *why);

// Inserts `row` (the spooled rows first), or spools it. Fills an empty run id
// and station (host name). `where` gets one line for standard error: where the
// row went, and why when it was spooled or lost. Lost means neither the
// database nor the spool took it (a report that cannot be written).
enum class Stored { Inserted, Spooled, Lost };
Stored insertRow(const QString &uri, const ReportRow &row, QString *where);

// The spool folder, and a row written into it (the file's path in `path`, or
// false with `why`). A row of the same run spooled before stays, and is the
// one `path` names (`already`).
QString spoolDir();
bool spool(const ReportRow &row, QString *path, QString *why, bool *already = nullptr);
// The spool file holding a row of the run `runId`, or empty.
QString spooledRun(const QString &runId);

// The runs of the module `mac` (compared as written, or as AA:BB:… for twelve
// hex digits in any case with any separators), newest first, each time in the
// station's own offset (this computer's for rows stored without one). On
// failure an empty list and `why`.
QList<ReportRow> history(const QString &uri, const QString &mac, QString *why);

// AA:BB:CC:DD:EE:FF for twelve hex digits separated by nothing, colons or
// dashes; anything else as given.
QString normalizedMac(const QString &mac);

} // namespace pgreport

namespace reporthistory {

// The runs of the module `mac` from a database URI or a CSV report file,
// newest first. On failure an empty list and `why`.
QList<ReportRow> read(const QString &target, const QString &mac, QString *why);

// The rows as CSV for standard output: a header, then the report's columns,
// station and run_id.
QByteArray toCsv(const QList<ReportRow> &rows);

} // namespace reporthistory

#endif // PGREPORT_H
