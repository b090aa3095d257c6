// What recording a run in PostgreSQL costs a module: against a server of its
// own on a Unix socket (password authentication, as a station would use),
// 50 inserts each in a fresh process as every run makes it (driver loaded,
// connected, schema checked, row inserted), 50 in one process after the
// first, and 50 appends of the same row to a CSV file (open, lock, one write,
// close). Prints the medians, the CPU time a run spends on its insert (a
// figure a busy machine changes less than the wall-clock time), and the time
// the database adds over the CSV.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUuid>

#include <algorithm>
#include <sys/file.h>
#include <time.h>

#include "report/csvtable.h"
#include "report/pgreport.h"
#include "tools/pgserver/pgserver.h"

namespace {

constexpr int runs = 50;

ReportRow row()
{
    ReportRow r;
    r.time = QDateTime::currentDateTime();
    r.port = QStringLiteral("/dev/ttyUSB0");
    r.mac = QStringLiteral("AC:CF:23:5A:10:7E");
    r.firmware = QStringLiteral("V1.2.3");
    r.action = QStringLiteral("apply+verify");
    r.profile = QStringLiteral("plant.xml");
    r.profileSha256 = QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");
    r.pass = true;
    r.ms = 176;
    r.station = QStringLiteral("bench");
    r.runId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return r;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

// This process's CPU time, user and system: what the run costs the machine, whatever else runs on it.
double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double insertOnce(const QString &uri, QString *where)
{
    QElapsedTimer t;
    t.start();
    pgreport::insertRow(uri, row(), where);
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    if (argc == 3 && qstrcmp(argv[1], "--one") == 0) {   // one run's insert, timed from inside
        const double cpuBefore = cpuMs();
        QElapsedTimer t;
        t.start();
        QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("load"));   // the driver and libpq
        QSqlDatabase::removeDatabase(QStringLiteral("load"));
        const double load = t.nsecsElapsed() / 1e6;
        QString where;
        const double ms = insertOnce(QString::fromLocal8Bit(argv[2]), &where);
        out << load + ms << ' ' << load << ' ' << cpuMs() - cpuBefore << ' ' << where << '\n';
        return where.startsWith(QLatin1String("Report row inserted")) ? 0 : 1;
    }

    QTemporaryDir home;
    PgServer server;
    const QString pgpass = home.filePath(QStringLiteral("pgpass"));
    QFile pass(pgpass);
    if (!home.isValid() || !pass.open(QIODevice::WriteOnly) || pass.write("*:*:*:postgres:bench-pw\n") <= 0)
        return 1;
    pass.close();
    pass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    qputenv("PGPASSFILE", pgpass.toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    if (!server.start(QStringLiteral("bench-pw"))) {
        out << "cannot start the server: " << server.error << '\n';
        return 1;
    }
    const QString uri = server.uri(QStringLiteral("postgres"), QStringLiteral("postgres"));

    QList<double> cold, load, cpu, warm, csv;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--one"), uri});
        if (!p.waitForFinished(30000) || p.exitCode() != 0) {
            out << "insert failed: " << p.readAll() << '\n';
            return 1;
        }
        const QList<QByteArray> figures = p.readAllStandardOutput().split(' ');
        cold << figures.value(0).toDouble();
        load << figures.value(1).toDouble();
        cpu << figures.value(2).toDouble();
    }
    for (int i = 0; i < runs; ++i) {
        QString where;
        warm << insertOnce(uri, &where);
        if (!where.startsWith(QLatin1String("Report row inserted"))) {
            out << where << '\n';
            return 1;
        }
    }
    const QString csvPath = home.filePath(QStringLiteral("report.csv"));
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        QFile f(csvPath);
        const QByteArray line = csvtable::line(csvtable::fields(row(), ReportRow::columns()));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || flock(f.handle(), LOCK_EX) != 0
            || f.write(line) != line.size())
            return 1;
        f.close();
        csv << t.nsecsElapsed() / 1e6;
    }
    out << "insert per run, fresh process (driver load, connect, schema check, insert): median "
        << median(cold) << " ms of " << runs << ", of which loading the driver " << median(load) << " ms\n";
    out << "CPU time of that process for it (user and system): median " << median(cpu) << " ms\n";
    out << "insert in a process that has inserted before (connect, schema check, insert): median "
        << median(warm) << " ms\n";
    out << "CSV append (open, lock, write, close): median " << median(csv) << " ms\n";
    out << "added per module by the database over the CSV: " << median(cold) - median(csv) << " ms\n";
    return 0;
}
