// The database sink of the report and its spool, and the history read from a
// database or a CSV report (see pgreport.h).
#include "report/pgreport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSaveFile>
#ifdef QUORVEL_HAVE_SQL
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#endif
#include <QStandardPaths>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <atomic>

#include "report/csvtable.h"

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("pgreport", text);
}

#ifdef QUORVEL_HAVE_SQL
// Each step brings the schema from the version before it to its own (index + 1).
// A later column is one more step: ALTER TABLE … ADD COLUMN …, and schemaVersion + 1.
const QList<QStringList> &migrations()
{
    static const QList<QStringList> steps = {
        {
            QStringLiteral("CREATE TABLE IF NOT EXISTS quorvel_schema ("
                           " one boolean PRIMARY KEY DEFAULT true CHECK (one),"
                           " version integer NOT NULL)"),
            QStringLiteral("CREATE TABLE IF NOT EXISTS quorvel_module_runs ("
                           " run_id text PRIMARY KEY,"
                           " time timestamptz NOT NULL,"
                           " station text NOT NULL,"
                           " port text NOT NULL,"
                           " mac text NOT NULL,"
                           " firmware text NOT NULL,"
                           " action text NOT NULL,"
                           " profile text NOT NULL,"
                           " profile_sha256 text NOT NULL,"
                           " result text NOT NULL CHECK (result IN ('pass', 'fail')),"
                           " exit integer NOT NULL,"
                           " detail text NOT NULL,"
                           " ms bigint NOT NULL,"
                           " recorded timestamptz NOT NULL DEFAULT clock_timestamp())"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS quorvel_module_runs_mac ON quorvel_module_runs (mac)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS quorvel_module_runs_time ON quorvel_module_runs (time)"),
        },
        {
            // The station's offset from UTC at the run, in seconds east, so that the
            // station's own clock time can be shown; empty for the rows stored before.
            QStringLiteral("ALTER TABLE quorvel_module_runs ADD COLUMN IF NOT EXISTS utc_offset integer"),
        },
        {
            // The code scanned off the module's label; empty for the rows stored before.
            QStringLiteral("ALTER TABLE quorvel_module_runs ADD COLUMN IF NOT EXISTS label text NOT NULL DEFAULT ''"),
        },
    };
    return steps;
}
#endif

// Serialises migrations of one database across stations.
constexpr qint64 migrationLock = 0x51756f7276656cLL;

// One statement, one round trip: the values are literals quoted by the driver
// (as its own prepared statements do), empty text stored as '' rather than NULL.
// The first row of a run is the one kept: a second one (the station's row for a
// run it killed, after the run's own row got in) changes nothing.
const QString insertSql = QStringLiteral(
    "INSERT INTO quorvel_module_runs (run_id, time, utc_offset, station, port, mac, label, firmware, action,"
    " profile, profile_sha256, result, exit, detail, ms)"
    " VALUES (%1) ON CONFLICT (run_id) DO NOTHING");

// Sent with every connection, before the URI's own options (a later -c wins):
// a statement that waits for a lock, or runs, longer than this is cancelled by
// the server, and the row goes to the spool instead of holding up the run.
const QString defaultServerOptions = QStringLiteral("-c statement_timeout=10000 -c lock_timeout=5000");

QStringList spoolColumns()
{
    return ReportRow::columns() << QStringLiteral("station") << QStringLiteral("run_id");
}

// The rows of one spool file (several rows a file are read too).
bool readSpoolFile(const QString &path, QList<ReportRow> *rows, QString *why)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *why = f.errorString();
        return false;
    }
    QList<QStringList> records;
    if (!csvtable::parse(f.readAll(), &records, why))
        return false;
    if (records.isEmpty() || !records.first().contains(QStringLiteral("run_id"))) {
        *why = tr("no header with run_id");
        return false;
    }
    rows->clear();
    for (qsizetype i = 1; i < records.size(); ++i) {
        ReportRow row;
        if (!csvtable::toRow(records.first(), records.at(i), &row, why))
            return false;
        if (row.runId.isEmpty()) {
            *why = tr("a row without a run id");
            return false;
        }
        rows->append(row);
    }
    return true;
}

#ifdef QUORVEL_HAVE_SQL
QString oneLine(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.simplified();
}

// The server cancelled the statement: its time-out, or the lock time-out.
bool timedOut(const QSqlError &error)
{
    return error.nativeErrorCode() == u"57014" || error.nativeErrorCode() == u"55P03";
}

// One named QSqlDatabase connection for the life of the object.
class Connection
{
public:
    explicit Connection(const pgreport::Target &t)
        : m_name(QStringLiteral("quorvel-report-%1").arg(counter++))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        db.setHostName(t.host);
        db.setDatabaseName(t.database);
        db.setUserName(t.user);
        db.setPort(t.port);
        db.setConnectOptions(t.options.join(u';'));
    }
    ~Connection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    bool open(QString *why)
    {
        QSqlDatabase d = db();
        if (d.open())
            return true;
        *why = oneLine(d.lastError());
        return false;
    }

private:
    static inline std::atomic<int> counter{0};
    QString m_name;
};

bool exec(QSqlQuery &q, const QString &sql, QString *why, bool *late = nullptr)
{
    if (q.exec(sql))
        return true;
    *why = oneLine(q.lastError());
    if (late)
        *late = timedOut(q.lastError());
    return false;
}

// The schema's version, 0 when there is none yet. Outside a transaction one
// query that may fail; inside one (where a failure would end the transaction)
// the table is looked up first.
bool readVersion(QSqlDatabase db, bool inTransaction, int *version, QString *why)
{
    QSqlQuery q(db);
    *version = 0;
    if (inTransaction) {
        if (!exec(q, QStringLiteral("SELECT to_regclass('quorvel_schema') IS NOT NULL"), why) || !q.next())
            return false;
        if (!q.value(0).toBool())
            return true;
    }
    if (!q.exec(QStringLiteral("SELECT version FROM quorvel_schema"))) {
        if (!inTransaction && q.lastError().nativeErrorCode() == u"42P01")   // no such table
            return true;
        *why = oneLine(q.lastError());
        return false;
    }
    if (q.next())
        *version = q.value(0).toInt();
    return true;
}

// Creates the tables, or brings them to schemaVersion, under a lock that makes
// stations starting together wait for the first one.
bool ensureSchema(QSqlDatabase db, QString *why)
{
    int version = 0;
    if (!readVersion(db, false, &version, why))
        return false;
    if (version >= pgreport::schemaVersion)
        return true;
    if (!db.transaction()) {
        *why = oneLine(db.lastError());
        return false;
    }
    QSqlQuery q(db);
    bool ok = exec(q, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(migrationLock), why)
              && readVersion(db, true, &version, why);
    for (int step = version; ok && step < pgreport::schemaVersion; ++step) {
        for (const QString &sql : migrations().at(step))
            ok = ok && exec(q, sql, why);
    }
    ok = ok && exec(q, QStringLiteral("INSERT INTO quorvel_schema (version) VALUES (%1)"
                                      " ON CONFLICT (one) DO UPDATE SET version = EXCLUDED.version")
                           .arg(std::max(version, pgreport::schemaVersion)), why);
    if (ok && db.commit())
        return true;
    if (ok)
        *why = oneLine(db.lastError());
    db.rollback();
    return false;
}

// `late`: the server gave up on it in time (a locked table).
bool insert(QSqlDatabase db, const ReportRow &row, QString *why, bool *late = nullptr)
{
    const QSqlDriver *driver = db.driver();
    const auto literal = [driver](const QVariant &value) {
        QSqlField field(QString(), value.metaType());
        field.setValue(value);
        return driver->formatValue(field);
    };
    const auto text = [&literal](const QString &value) {
        return QStringLiteral("COALESCE(%1, '')").arg(literal(value));
    };
    // The instant with the offset it was taken in: without one the server
    // would read the clock time in its own zone.
    const QDateTime time = row.time.isValid() ? row.time : QDateTime::currentDateTime();
    const QStringList values = {
        literal(row.runId),
        QStringLiteral("CAST(%1 AS timestamptz)").arg(literal(csvtable::isoTime(time))),
        literal(time.offsetFromUtc()),
        text(row.station), text(row.port), text(row.mac), text(row.label), text(row.firmware), text(row.action),
        text(row.profile),
        text(row.profileSha256), literal(row.pass ? QStringLiteral("pass") : QStringLiteral("fail")),
        literal(row.exitCode), text(row.detail), literal(row.ms)};
    QSqlQuery q(db);
    return exec(q, insertSql.arg(values.join(QStringLiteral(", "))), why, late);
}

// Inserts what the spool holds, oldest file first, each file removed once its
// rows are in. Another process flushing the same spool is left to it. Notes
// for the caller go to `notes`; a file whose insert failed is named in `failed`
// (`late`: the server timed it out).
int flushSpool(QSqlDatabase db, QStringList *notes, QString *failed, QString *failedWhy, bool *late)
{
    const QString dir = pgreport::spoolDir();
    if (!QDir(dir).exists())
        return 0;
    QLockFile lock(dir + QStringLiteral("/.flush.lock"));
    if (!lock.tryLock(0))
        return 0;
    int inserted = 0;
    const QStringList files = QDir(dir).entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        const QString path = dir + u'/' + name;
        QList<ReportRow> rows;
        QString why;
        if (!readSpoolFile(path, &rows, &why)) {
            QFile::rename(path, path + QStringLiteral(".bad"));
            *notes << tr("the spool file %1 does not read (%2) and was set aside as %1.bad").arg(path, why);
            continue;
        }
        bool ok = true;
        for (const ReportRow &row : std::as_const(rows))
            ok = ok && insert(db, row, &why, late);
        if (!ok) {
            *failed = path;
            *failedWhy = why;
            break;
        }
        QFile::remove(path);
        inserted += rows.size();
    }
    return inserted;
}

#endif // QUORVEL_HAVE_SQL

} // namespace

namespace pgreport {

bool isUri(const QString &target)
{
    return target.startsWith(QLatin1String("postgresql://")) || target.startsWith(QLatin1String("postgres://"));
}

bool parseUri(const QString &uri, Target *target, QString *why)
{
    *target = Target();
    const auto fail = [why](const QString &text) {
        if (why)
            *why = text;
        return false;
    };
    if (!isUri(uri))
        return fail(tr("not a postgresql:// URI"));
    const auto decode = [](const QString &s) { return QUrl::fromPercentEncoding(s.toUtf8()); };
    QString rest = uri.mid(uri.indexOf(QLatin1String("://")) + 3);
    QString query;
    if (const qsizetype q = rest.indexOf(u'?'); q >= 0) {
        query = rest.mid(q + 1);
        rest.truncate(q);
    }
    QString authority = rest;
    if (const qsizetype slash = rest.indexOf(u'/'); slash >= 0) {
        authority = rest.left(slash);
        target->database = decode(rest.mid(slash + 1));
    }
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        const QString userInfo = authority.left(at);
        if (userInfo.contains(u':'))
            return fail(tr("a password does not belong in the URI: give it in PGPASSWORD or ~/.pgpass"));
        target->user = decode(userInfo);
        authority = authority.mid(at + 1);
    }
    QString portText;
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        if (close < 0)
            return fail(tr("an IPv6 address without its closing ]"));
        target->host = authority.mid(1, close - 1);
        if (authority.mid(close + 1).startsWith(u':'))
            portText = authority.mid(close + 2);
    } else if (const qsizetype colon = authority.lastIndexOf(u':'); colon >= 0) {
        target->host = decode(authority.left(colon));
        portText = authority.mid(colon + 1);
    } else {
        target->host = decode(authority);
    }
    // Values go to libpq quoted, so that spaces, quotes and backslashes stay
    // inside them; Qt's driver turns every ";" of the options into a space,
    // and a key of anything but letters and "_" could carry another parameter.
    static const QRegularExpression keyForm(QStringLiteral("^[a-z_]+$"));
    static const QRegularExpression unsafe(QStringLiteral("[;\\x00-\\x1f\\x7f]"));
    const auto quoted = [](QString value) {
        value.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
        return u'\'' + value + u'\'';
    };
    QString serverOptions = defaultServerOptions;
    if (const QString env = qEnvironmentVariable("PGOPTIONS"); !env.isEmpty())   // libpq's own, which options= replaces
        serverOptions += u' ' + env;
    bool timeoutGiven = false;
    for (const QString &pair : query.split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(u'=');
        const QString key = decode(pair.left(eq));
        const QString value = eq < 0 ? QString() : decode(pair.mid(eq + 1));
        if (key == u"password")
            return fail(tr("a password does not belong in the URI: give it in PGPASSWORD or ~/.pgpass"));
        if (key == u"host")
            target->host = value;
        else if (key == u"port")
            portText = value;
        else if (key == u"dbname")
            target->database = value;
        else if (key == u"user")
            target->user = value;
        else if (eq <= 0 || value.isEmpty() || !keyForm.match(key).hasMatch() || value.contains(unsafe))
            return fail(tr("the parameter \"%1\" is not of the form key=value").arg(pair));
        else if (key == u"options")
            serverOptions += u' ' + value;
        else
            target->options << key + u'=' + quoted(value);
        timeoutGiven = timeoutGiven || key == u"connect_timeout";
    }
    if (!timeoutGiven)   // an unreachable host costs the run 5 s, not the system's TCP time-out
        target->options << QStringLiteral("connect_timeout=5");
    target->options << QStringLiteral("options=") + quoted(serverOptions);
    if (!portText.isEmpty()) {
        bool ok = false;
        target->port = portText.toInt(&ok);
        if (!ok || target->port <= 0 || target->port > 65535)
            return fail(tr("the port \"%1\" is not a number from 1 to 65535").arg(portText));
    }
    return true;
}

QString spoolDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/quorvel/spool");
}

QString spooledRun(const QString &runId)
{
    QString id = runId;
    id.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]")), QStringLiteral("_"));
    const QDir dir(spoolDir());
    for (const QString &name : dir.entryList({QStringLiteral("*-") + id + QStringLiteral(".csv")}, QDir::Files, QDir::Name)) {
        QList<ReportRow> rows;
        QString why;
        if (readSpoolFile(dir.filePath(name), &rows, &why)
            && std::any_of(rows.cbegin(), rows.cend(), [&](const ReportRow &r) { return r.runId == runId; }))
            return dir.filePath(name);
    }
    return QString();
}

bool spool(const ReportRow &row, QString *path, QString *why, bool *already)
{
    const QString dir = spoolDir();
    if (!QDir().mkpath(dir)) {
        *why = tr("cannot create %1").arg(dir);
        return false;
    }
    // The first row of a run is the one kept, in the spool as in the table.
    *path = spooledRun(row.runId);
    if (already)
        *already = !path->isEmpty();
    if (!path->isEmpty())
        return true;
    // Named by the run's time in UTC, so that the name order is the order of the runs.
    QString id = row.runId;
    id.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]")), QStringLiteral("_"));
    const QDateTime time = row.time.isValid() ? row.time : QDateTime::currentDateTime();
    *path = dir + u'/' + time.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmsszzz'Z'")) + u'-' + id
            + QStringLiteral(".csv");
    QSaveFile file(*path);
    const QByteArray bytes = csvtable::line(spoolColumns()) + csvtable::line(csvtable::fields(row, spoolColumns()));
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *why = file.errorString();
    return false;
}

Stored insertRow(const QString &uri, const ReportRow &given, QString *where)
{
    ReportRow row = given;
    if (row.runId.isEmpty())
        row.runId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (row.station.isEmpty())
        row.station = QSysInfo::machineHostName();

    QString why;
    QStringList notes;
    bool inserted = false;
    int flushed = 0;
    QString spooledBefore;   // a row of this run, spooled before this one came
    Target target;
#ifdef QUORVEL_HAVE_SQL
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        why = tr("the PostgreSQL driver of Qt (QPSQL) is not installed");
    } else if (parseUri(uri, &target, &why)) {
        Connection connection(target);
        if (connection.open(&why) && ensureSchema(connection.db(), &why)) {
            QString failed, failedWhy;
            bool late = false;
            flushed = flushSpool(connection.db(), &notes, &failed, &failedWhy, &late);
            if (late)   // the table is held up: this row would wait just as long
                why = failedWhy;
            else if (spooledBefore = spooledRun(row.runId); spooledBefore.isEmpty())
                inserted = insert(connection.db(), row, &why);
            // The database takes rows but refused that spooled one: keep it aside, out of the way of the next.
            if (inserted && !failed.isEmpty()) {
                QFile::rename(failed, failed + QStringLiteral(".rejected"));
                notes << tr("the database refused the spooled row in %1 (%2); it was set aside as %1.rejected")
                             .arg(failed, failedWhy);
            }
        }
    }
#else
    Q_UNUSED(target);
    why = tr("this build of Quorvel has no PostgreSQL support");
#endif
    QString line;
    Stored stored = Stored::Inserted;
    if (inserted) {
        line = flushed > 0 ? tr("Report row inserted into %1, after %2 spooled row(s)").arg(uri, QString::number(flushed))
                           : tr("Report row inserted into %1").arg(uri);
    } else {
        QString path, spoolWhy;
        bool already = !spooledBefore.isEmpty();
        path = spooledBefore;
        stored = already || spool(row, &path, &spoolWhy, &already) ? Stored::Spooled : Stored::Lost;
        if (already)
            line = tr("Report row not stored: the spool holds a row of the same run already (%1)").arg(path);
        else if (stored == Stored::Spooled)
            line = tr("Report row spooled to %1 because %2").arg(path, why);
        else
            line = tr("Report row lost: the database failed (%1) and so did the spool (%2: %3)")
                       .arg(why, path, spoolWhy);
    }
    for (const QString &note : std::as_const(notes))
        line += QStringLiteral("; ") + note;
    if (where)
        *where = line;
    return stored;
}

QString normalizedMac(const QString &mac)
{
    static const QRegularExpression form(QStringLiteral("^[0-9A-Fa-f]{2}([:-]?[0-9A-Fa-f]{2}){5}$"));
    if (!form.match(mac).hasMatch())
        return mac;
    QString hex = mac;
    hex.remove(u':').remove(u'-');
    hex = hex.toUpper();
    for (int i = 10; i > 0; i -= 2)
        hex.insert(i, u':');
    return hex;
}

QList<ReportRow> history(const QString &uri, const QString &mac, QString *why)
{
#ifndef QUORVEL_HAVE_SQL
    Q_UNUSED(uri);
    Q_UNUSED(mac);
    *why = tr("this build of Quorvel has no PostgreSQL support");
    return {};
#else
    QList<ReportRow> rows;
    Target target;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        *why = tr("the PostgreSQL driver of Qt (QPSQL) is not installed");
        return rows;
    }
    if (!parseUri(uri, &target, why))
        return rows;
    Connection connection(target);
    int version = 0;
    if (!connection.open(why) || !readVersion(connection.db(), false, &version, why))
        return rows;
    QSqlQuery q(connection.db());
    q.setForwardOnly(true);
    // Tables not yet migrated have no offsets: their times are shown in this computer's zone.
    if (!q.prepare(QStringLiteral(
            "SELECT run_id, CAST(extract(epoch FROM time) * 1000 AS bigint), station, port, mac, firmware,"
            " action, profile, profile_sha256, result, exit, detail, ms, %1, %2 FROM quorvel_module_runs"
            " WHERE mac = ? OR mac = ? ORDER BY time DESC, recorded DESC")
                       .arg(version >= 2 ? QStringLiteral("utc_offset") : QStringLiteral("NULL"),
                            version >= 3 ? QStringLiteral("label") : QStringLiteral("''")))) {
        *why = oneLine(q.lastError());
        return rows;
    }
    q.addBindValue(mac);
    q.addBindValue(normalizedMac(mac));
    if (!q.exec()) {
        *why = oneLine(q.lastError());
        return rows;
    }
    while (q.next()) {
        ReportRow row;
        row.runId = q.value(0).toString();
        const qint64 ms = q.value(1).toLongLong();
        // The station's clock time, with its offset; or this computer's at that moment.
        const int offset = q.value(13).isNull() ? QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc()
                                                : q.value(13).toInt();
        row.time = QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, offset);
        row.station = q.value(2).toString();
        row.port = q.value(3).toString();
        row.mac = q.value(4).toString();
        row.firmware = q.value(5).toString();
        row.action = q.value(6).toString();
        row.profile = q.value(7).toString();
        row.profileSha256 = q.value(8).toString();
        row.pass = q.value(9).toString() == u"pass";
        row.exitCode = q.value(10).toInt();
        row.detail = q.value(11).toString();
        row.ms = q.value(12).toLongLong();
        row.label = q.value(14).toString();
        rows.append(row);
    }
    return rows;
#endif
}

} // namespace pgreport

namespace reporthistory {

QList<ReportRow> read(const QString &target, const QString &mac, QString *why)
{
    if (pgreport::isUri(target))
        return pgreport::history(target, mac, why);
    QList<ReportRow> rows;
    QFile f(target);
    if (!f.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("%1: %2").arg(target, f.errorString());
        return rows;
    }
    QList<QStringList> records;
    QString error;
    if (!csvtable::parse(f.readAll(), &records, &error)) {
        *why = QStringLiteral("%1: %2").arg(target, error);
        return rows;
    }
    if (records.isEmpty())
        return rows;
    const QStringList header = records.first();
    if (!header.contains(QStringLiteral("mac")) || !header.contains(QStringLiteral("time"))) {
        *why = tr("%1: the first line is not a report's header").arg(target);
        return rows;
    }
    const QString wanted = pgreport::normalizedMac(mac);
    // Later lines first, so that runs of the same time stay newest first after the stable sort.
    for (qsizetype i = records.size() - 1; i >= 1; --i) {
        ReportRow row;
        if (!csvtable::toRow(header, records.at(i), &row, &error)) {
            *why = tr("%1: record %2: %3").arg(target, QString::number(i + 1), error);
            return {};
        }
        if (pgreport::normalizedMac(row.mac) == wanted)
            rows.append(row);
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ReportRow &a, const ReportRow &b) { return a.time > b.time; });
    return rows;
}

QByteArray toCsv(const QList<ReportRow> &rows)
{
    const QStringList columns = spoolColumns();
    QByteArray out = csvtable::line(columns);
    for (const ReportRow &row : rows)
        out += csvtable::line(csvtable::fields(row, columns));
    return out;
}

} // namespace reporthistory
