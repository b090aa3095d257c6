// The report's database sink against a real PostgreSQL server started here:
// the tables made once by four processes at once, the spool pushed first and
// exactly once, whole runs and the history, a locked table given up in time,
// stations in other time zones, a table of the first schema version migrated,
// the first row of a run kept, and the station window against a locked table.
// The roles are those docs/production.md tells a factory to make. The test,
// and the server it starts, run in UTC.
#include <QApplication>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QUuid>

#include "report/pgreport.h"
#include "station/stationwindow.h"
#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"
#include "tools/pgserver/pgserver.h"

#include <ctime>

namespace {

const QString superPassword = QStringLiteral("super-secret");
const QString lockRuns = QStringLiteral("LOCK TABLE quorvel_module_runs IN ACCESS EXCLUSIVE MODE");

ReportRow makeRow(const QString &mac, bool pass, const QDateTime &time)
{
    return {time, QStringLiteral("/dev/ttyUSB0"), mac, QStringLiteral("V1.2.3"), QStringLiteral("apply+verify"),
            QStringLiteral("plant.xml"), QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08"),
            pass, pass ? 0 : 1,
            pass ? QString() : QStringLiteral("WIFI_STA STA_SSID: file \"Plant, Net\", module \"办公室's\\\\net\""),
            pass ? 176 : 2412, QStringLiteral("line-3"), QUuid::createUuid().toString(QUuid::WithoutBraces)};
}

} // namespace

class tst_pgreport : public QObject
{
    Q_OBJECT

    PgServer server;
    QTemporaryDir home;   // XDG_DATA_HOME (the spool), the password file, the runs' working folder
    QString ownerUri, stationUri;
    QDateTime clock = QDateTime::fromString(QStringLiteral("2026-12-07T08:00:00.000+01:00"), Qt::ISODateWithMs);

    QDateTime tick() { return clock = clock.addSecs(1); }
    QStringList spoolFiles() const
    {
        return QDir(pgreport::spoolDir()).entryList({QStringLiteral("*.csv")}, QDir::Files | QDir::Hidden);
    }
    // A connection of the superuser, named `name`, to `database`.
    QSqlDatabase connection(const QString &name, const QString &database = QStringLiteral("quorvel"))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(server.socketDir());
        db.setUserName(QStringLiteral("postgres"));
        db.setDatabaseName(database);
        return db;
    }
    // Rows of a query run as the superuser; on failure one row with the error.
    QList<QStringList> sql(const QString &statement, const QString &database = QStringLiteral("quorvel"))
    {
        QList<QStringList> rows;
        {
            QSqlDatabase db = connection(QStringLiteral("check"), database);
            QSqlQuery q(db);
            if (!db.open() || !q.exec(statement))
                rows << QStringList{QStringLiteral("error: ") + db.lastError().text() + q.lastError().text()};
            while (q.next()) {
                QStringList row;
                for (int i = 0; i < q.record().count(); ++i)
                    row << q.value(i).toString();
                rows << row;
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
        return rows;
    }
    // Runs `statement` in an open transaction of a connection of its own, holding the locks it takes as another
    // session's would, until release().
    bool hold(const QString &statement)
    {
        QSqlDatabase db = connection(QStringLiteral("holder"));
        return db.open() && db.transaction() && QSqlQuery(db).exec(statement);
    }
    void release()
    {
        if (QSqlDatabase::contains(QStringLiteral("holder"))) {
            QSqlDatabase::database(QStringLiteral("holder"), false).close();   // the transaction ends with it
            QSqlDatabase::removeDatabase(QStringLiteral("holder"));
        }
    }
    // The run ids in the database among `ids`, in the order they reached it.
    QStringList stored(const QStringList &ids)
    {
        QStringList out;
        for (const QStringList &row : sql(QStringLiteral("SELECT run_id FROM quorvel_module_runs ORDER BY recorded")))
            if (ids.contains(row.value(0)) || row.value(0).startsWith(QStringLiteral("error")))
                out << row.value(0);
        return out;
    }
    // Statements waiting for a lock.
    int waiting()
    {
        return sql(QStringLiteral("SELECT count(*) FROM pg_locks WHERE NOT granted")).value(0).value(0).toInt();
    }
    // Runs `program` (this one is a station's report, see main) to its end, serving events meanwhile, with the
    // VAR=value pairs of `environment`: its exit status (-1: it did not end), and in `out` what it printed.
    int run(const QString &program, const QStringList &args, QByteArray *out = nullptr,
            const QStringList &environment = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &pair : environment)
            env.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home.path());
        QSignalSpy finished(&p, &QProcess::finished);
        p.start(program, args);
        const bool ended = finished.wait(60000);
        if (out)
            *out = p.readAllStandardOutput() + p.readAllStandardError();
        return ended ? p.exitCode() : -1;
    }
    // `quorvel --history MAC --report TARGET` read in the time zone `zone`: its lines.
    QStringList history(const QString &mac, const QString &target, const QString &zone = QStringLiteral("UTC"))
    {
        QByteArray out;
        if (run(QStringLiteral(QUORVEL_BIN), {"--history", mac, "--report", target}, &out, {"TZ=" + zone, "PGTZ=" + zone}))
            return {QStringLiteral("failed: ") + QString::fromUtf8(out)};
        return QString::fromUtf8(out).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
        qunsetenv("PGPASSWORD");
        // libpq's password file, read as for ~/.pgpass: the password is never part of the URI.
        const QString pgpass = home.filePath(QStringLiteral("pgpass"));
        testsupport::writeFile(pgpass, "*:*:*:postgres:" + superPassword.toUtf8() + "\n*:*:*:quorvel_owner:owner-pw\n"
                                       "*:*:*:quorvel_station:station-pw\n");
        QVERIFY(QFile::setPermissions(pgpass, QFile::ReadOwner | QFile::WriteOwner));
        qputenv("PGPASSFILE", pgpass.toLocal8Bit());

        QVERIFY2(server.start(superPassword), qPrintable(server.error));
        // The roles and grants of docs/production.md.
        for (const QString &statement : {
                 QStringLiteral("CREATE ROLE quorvel_owner LOGIN PASSWORD 'owner-pw'"),
                 QStringLiteral("CREATE ROLE quorvel_station LOGIN PASSWORD 'station-pw'"),
                 QStringLiteral("CREATE DATABASE quorvel OWNER quorvel_owner")})
            QCOMPARE(sql(statement, QStringLiteral("postgres")), QList<QStringList>());
        QCOMPARE(sql(QStringLiteral("ALTER DEFAULT PRIVILEGES FOR ROLE quorvel_owner"
                                    " GRANT SELECT, INSERT ON TABLES TO quorvel_station")),
                 QList<QStringList>());
        ownerUri = server.uri(QStringLiteral("quorvel_owner"), QStringLiteral("quorvel"));
        stationUri = server.uri(QStringLiteral("quorvel_station"), QStringLiteral("quorvel"));
    }

    // Four stations start together on the empty database, with rows in their shared spool: the tables are made
    // once (the four held at their making by another session's, and let go together), and every row is stored
    // once, the spool's oldest first.
    void fourProcesses()
    {
        QStringList ids;
        for (int i = 0; i < 6; ++i) {
            const ReportRow row = makeRow(QStringLiteral("AC:CF:23:00:03:0%1").arg(i), true, tick());
            QString path, why;
            QVERIFY2(pgreport::spool(row, &path, &why), qPrintable(why));
            ids << row.runId;
        }
        const auto unhold = qScopeGuard([this] { release(); });
        QVERIFY(hold(QStringLiteral("CREATE TABLE quorvel_schema (one boolean)")));
        QList<QProcess *> runs;
        for (int i = 0; i < 4; ++i) {
            runs << new QProcess(this);
            ids << QUuid::createUuid().toString(QUuid::WithoutBraces);
            runs.last()->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--insert"), ownerUri, ids.last()});
        }
        QTRY_COMPARE_WITH_TIMEOUT(waiting(), 4, 30000);
        release();
        for (QProcess *p : std::as_const(runs))
            QVERIFY2(p->waitForFinished(60000) && p->exitCode() == 0, p->readAll().constData());
        QCOMPARE(stored(ids).size(), ids.size());
        QCOMPARE(stored(ids.mid(0, 6)), ids.mid(0, 6));
        QCOMPARE(spoolFiles(), QStringList());
        QCOMPARE(sql(QStringLiteral("SELECT version FROM quorvel_schema")), QList<QStringList>{{QStringLiteral("2")}});
    }

    // Rows that cannot go in (the server is away) are spooled with the reason said; the next row that goes in
    // pushes them first, oldest first; the same spool pushed a second time stores nothing twice. A run's first row
    // is the one kept: a second row of the run (the station's FAIL for a run it killed after the run's PASS was
    // spooled) is neither spooled again (named earlier, it would be pushed first) nor inserted while another
    // process pushes the spool.
    void spooledAndPushedLater()
    {
        QCOMPARE(spoolFiles(), QStringList());
        QVERIFY2(server.stop(), qPrintable(server.error));
        QStringList ids;
        QList<ReportRow> spooled;
        QString where;
        for (int i = 0; i < 3; ++i) {
            spooled << makeRow(QStringLiteral("AC:CF:23:00:01:0%1").arg(i), i != 1, tick());
            ids << spooled.last().runId;
            QVERIFY2(pgreport::insertRow(stationUri, spooled.last(), &where) == pgreport::Stored::Spooled
                         && where.startsWith(QStringLiteral("Report row spooled to ") + pgreport::spoolDir() + u'/')
                         && where.contains(QStringLiteral(" because ")) && where.contains(QStringLiteral("No such file")),
                     qPrintable(where));
        }
        ReportRow again = spooled.first();
        again.time = again.time.addMSecs(-1);
        again.pass = false;
        QCOMPARE(pgreport::insertRow(stationUri, again, &where), pgreport::Stored::Spooled);
        QCOMPARE(spoolFiles().size(), 3);
        QTemporaryDir aside;
        for (const QString &name : spoolFiles())
            QVERIFY(QFile::copy(pgreport::spoolDir() + u'/' + name, aside.filePath(name)));

        QVERIFY2(server.resume(), qPrintable(server.error));
        QLockFile flush(pgreport::spoolDir() + QStringLiteral("/.flush.lock"));
        QVERIFY(flush.tryLock(0));
        QCOMPARE(pgreport::insertRow(stationUri, again, &where), pgreport::Stored::Spooled);
        flush.unlock();
        // The socket's folder percent-encoded in the URI (%2F…): said back as it was given.
        const QString encodedUri = QStringLiteral("postgresql://quorvel_station@%1/quorvel")
                                       .arg(QString::fromLatin1(QUrl::toPercentEncoding(server.socketDir())));
        for (int round = 0; round < 2; ++round) {
            const ReportRow row = makeRow(QStringLiteral("AC:CF:23:00:00:10"), true, tick());
            ids << row.runId;
            QVERIFY2(pgreport::insertRow(encodedUri, row, &where) == pgreport::Stored::Inserted, qPrintable(where));
            QCOMPARE(where, QStringLiteral("Report row inserted into ") + encodedUri + QStringLiteral(", after 3 spooled row(s)"));
            QCOMPARE(spoolFiles(), QStringList());
            QCOMPARE(stored(ids), ids);
            QString why;
            const QList<ReportRow> back = reporthistory::read(stationUri, spooled.at(1).mac, &why);
            QVERIFY2(back.size() == 1, qPrintable(why));
            QCOMPARE(back.first().detail, spooled.at(1).detail);
            QCOMPARE(reporthistory::toCsv(back), reporthistory::toCsv({spooled.at(1)}));
            for (const QString &name : QDir(aside.path()).entryList(QDir::Files))   // the same spool again
                QVERIFY(round > 0 || QFile::copy(aside.filePath(name), pgreport::spoolDir() + u'/' + name));
        }
        QCOMPARE(sql(QStringLiteral("SELECT result FROM quorvel_module_runs WHERE run_id = '%1'").arg(ids.first())),
                 QList<QStringList>{{QStringLiteral("pass")}});
    }

    // Whole runs against a simulated module: --report with the station's URI records a pass and a fail under
    // --station-name and --run-id, and --history prints them newest first, from the database as from a CSV
    // report. --run-id goes with --report and is not empty; nothing reaches the module otherwise.
    void wholeRuns()
    {
        ModSim sim;
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        const QString bin = QStringLiteral(QUORVEL_BIN), profile = home.filePath(QStringLiteral("p.xml")),
                      csv = home.filePath(QStringLiteral("r.csv"));
        QCOMPARE(run(bin, {"--port", sim.slavePath(), "--read", profile}), 0);
        const QStringList apply{"--port", sim.slavePath(), "--apply", profile, "--verify"};
        const QStringList report = apply + QStringList{"--station-name", "bay-2", "--report"};
        sim.clearTrace();
        QByteArray out;
        QVERIFY2(run(bin, apply + QStringList{"--run-id", "r1"}, &out) == 2 && out.contains("--run-id 只能与 --report 同用"),
                 out.constData());
        QVERIFY2(run(bin, report + QStringList{csv, "--run-id", ""}, &out) == 2
                     && out.contains("--run-id 不能为空"),
                 out.constData());
        QCOMPARE(sim.receivedLines(), QList<QByteArray>());

        QCOMPARE(run(bin, report + QStringList{ownerUri, "--run-id", "bay-2/run 1"}), 0);
        QCOMPARE(sql(QStringLiteral("SELECT mac, result FROM quorvel_module_runs WHERE run_id = 'bay-2/run 1'")),
                 (QList<QStringList>{{"AC:CF:23:5A:10:7E", "pass"}}));
        for (const QString &target : {stationUri, csv}) {
            sim.setError(QStringLiteral("AT+APSTA="), 1, 2);
            QCOMPARE(run(bin, report + QStringList{target}), 1);
            const QStringList lines = history(QStringLiteral("ac:cf:23:5a:10:7e"), target);
            QVERIFY2(lines.size() == (target == csv ? 2 : 3) && lines.value(1).contains(QStringLiteral(",fail,1,"))
                         && lines.value(1).contains(QStringLiteral("AT+APSTA="))
                         && (target == csv || (lines.value(2).contains(QStringLiteral(",pass,0,"))
                                             && lines.value(2).endsWith(QStringLiteral(",bay-2,bay-2/run 1")))),
                     qPrintable(lines.join(u'\n')));
        }

        // A module answering formulas: no MAC, so nothing is written to it, but its row records what it said; the
        // database keeps that as received, --history prints it guarded.
        sim.setRawFields(QStringLiteral("MAC"), {"@SUM(1+1)"});
        sim.setFields(QStringLiteral("VER"), {QStringLiteral("+cmd|'/C calc'!A0")});
        QCOMPARE(run(bin, report + QStringList{stationUri}), 1);
        QCOMPARE(sql(QStringLiteral("SELECT mac, firmware, result FROM quorvel_module_runs WHERE mac LIKE '%SUM%'")),
                 (QList<QStringList>{{"@SUM(1+1)", "+cmd|'/C calc'!A0", "fail"}}));
        const QStringList lines = history(QStringLiteral("@SUM(1+1)"), stationUri);
        QVERIFY2(lines.value(1).contains(",'@SUM(1+1),'+cmd|'/C calc'!A0,"), qPrintable(lines.join(u'\n')));
    }

    // A table another session holds locked: an insert is given up by the server in time, by default or as the
    // URI's options say (with spaces, quotes and backslashes in its values), and the row spooled.
    void lockedTableTimesOut()
    {
        const auto unlock = qScopeGuard([this] { release(); });
        QVERIFY(hold(lockRuns));
        for (const auto &[options, said] : {std::pair("", "lock timeout"),
                                            std::pair("&options=-c%20statement_timeout%3D1500"
                                                      "&application_name=bay%203's%20%5C", "statement timeout")}) {
            QByteArray out;
            QVERIFY2(run(QCoreApplication::applicationFilePath(),
                         {"--insert", stationUri + options, QUuid::createUuid().toString(QUuid::WithoutBraces)}, &out)
                             == 1
                         && out.startsWith("Report row spooled to ")
                         && out.contains(QByteArray("canceling statement due to ") + said),
                     out.constData());
        }
        release();
        for (const QString &name : spoolFiles())
            QVERIFY(QFile::remove(pgreport::spoolDir() + u'/' + name));
    }

    // Times are stored as instants, with the station's offset: a station at UTC+9 writing to a server in UTC, and
    // a station in UTC whose server session speaks Tokyo time. --history puts the newer first and shows each in
    // the station's own time with its offset, wherever it is read.
    void timeZones()
    {
        const QString self = QCoreApplication::applicationFilePath(), mac = QStringLiteral("AC:CF:23:00:09:01");
        QByteArray out;
        QVERIFY2(run(self, {"--insert", stationUri, "tokyo-1", mac, "2026-12-07T10:00:00.000"}, &out, {"TZ=Asia/Tokyo"}) == 0,
                 out.constData());   // 01:00 UTC
        QVERIFY2(run(self, {"--insert", stationUri, "utc-1", mac, "2026-12-07T02:00:00.000"}, &out,
                     {"TZ=UTC", "PGTZ=Asia/Tokyo"}) == 0,
                 out.constData());   // 02:00 UTC
        QCOMPARE(sql(QStringLiteral("SELECT run_id, to_char(time AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI'), utc_offset"
                                    " FROM quorvel_module_runs WHERE mac = '%1' ORDER BY time").arg(mac)),
                 (QList<QStringList>{{"tokyo-1", "2026-12-07 01:00", "32400"}, {"utc-1", "2026-12-07 02:00", "0"}}));
        for (const QString &zone : {QStringLiteral("UTC"), QStringLiteral("Asia/Tokyo")}) {
            const QStringList lines = history(mac, stationUri, zone);
            QVERIFY2(lines.size() == 3 && lines.at(1).startsWith(QStringLiteral("2026-12-07T02:00:00.000+00:00,"))
                         && lines.at(2).startsWith(QStringLiteral("2026-12-07T10:00:00.000+09:00,")),
                     qPrintable(lines.join(u'\n')));
        }
    }

    // A table of the first schema version (no offsets) with a row of that time: --history reads it as it is, its
    // time in the reader's zone; a station's row waits in the spool, as a station may not alter the table; the
    // owner's next row migrates it, keeps the old row, and pushes the spooled one.
    void versionOneTableMigrated()
    {
        const QString mac = QStringLiteral("AC:CF:23:00:0A:01");
        for (const QString &statement :
             {QStringLiteral("ALTER TABLE quorvel_module_runs DROP COLUMN utc_offset"),
              QStringLiteral("UPDATE quorvel_schema SET version = 1"),
              QStringLiteral("INSERT INTO quorvel_module_runs (run_id, time, station, port, mac, firmware, action,"
                             " profile, profile_sha256, result, exit, detail, ms) VALUES ('v1-run',"
                             " '2026-12-06T23:00:00Z', 'line-1', 'COM3', '%1', 'V1', 'apply', 'p.xml', '', 'pass', 0,"
                             " '', 170)").arg(mac)})
            QCOMPARE(sql(statement), QList<QStringList>());
        const QString v1Line = QStringLiteral("2026-12-07T08:00:00.000+09:00,");
        QStringList lines = history(mac, stationUri, QStringLiteral("Asia/Tokyo"));
        QVERIFY2(lines.size() == 2 && lines.at(1).startsWith(v1Line), qPrintable(lines.join(u'\n')));

        const ReportRow spooled = makeRow(mac, false, tick());
        QString where;
        QVERIFY2(pgreport::insertRow(stationUri, spooled, &where) == pgreport::Stored::Spooled, qPrintable(where));
        const ReportRow owners = makeRow(mac, true, tick());
        QVERIFY2(pgreport::insertRow(ownerUri, owners, &where) == pgreport::Stored::Inserted
                     && where.endsWith(QStringLiteral("after 1 spooled row(s)")),
                 qPrintable(where));
        QCOMPARE(sql(QStringLiteral("SELECT run_id, COALESCE(utc_offset::text, 'none') FROM quorvel_module_runs"
                                    " WHERE mac = '%1' ORDER BY time").arg(mac)),
                 (QList<QStringList>{{"v1-run", "none"}, {spooled.runId, "3600"}, {owners.runId, "3600"}}));
        lines = history(mac, stationUri, QStringLiteral("Asia/Tokyo"));
        QVERIFY2(lines.size() == 4 && lines.at(1).startsWith(owners.time.toString(Qt::ISODateWithMs))
                     && lines.at(3).startsWith(v1Line),
                 qPrintable(lines.join(u'\n')));
    }

    // The station runs two fixtures while another session holds the table locked: the runs wait for it, the
    // second Stop kills them there, and the station writes a row for each. The window's event loop serves a timer
    // all along, and the table ends with one row per run: the run's own, when its insert got in first, or the
    // station's.
    void stationWithLockedTable()
    {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        ModSim a, b;
        QString why;
        QVERIFY2(a.start(&why) && b.start(&why), qPrintable(why));
        a.setMac(QStringLiteral("AC:CF:23:00:0B:01"));
        b.setMac(QStringLiteral("AC:CF:23:00:0B:02"));
        const QString profile = dir.filePath(QStringLiteral("line.xml"));
        testsupport::writeFile(profile, testsupport::completeProfile);
        const auto unlock = qScopeGuard([this] { release(); });
        QVERIFY(hold(lockRuns));

        StationWindow w(QStringLiteral(QUORVEL_BIN));
        QVERIFY(w.setProfile(profile));
        w.setReportFile(stationUri);
        w.addFixture(a.slavePath());
        w.addFixture(b.slavePath());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QElapsedTimer sinceTick;
        qint64 longest = 0;
        QTimer tick;
        tick.callOnTimeout(&w, [&] { longest = std::max(longest, sinceTick.restart()); });
        QSignalSpy written(&w, &StationWindow::rowWritten);
        sinceTick.start();
        tick.start(20);
        w.start();
        QTRY_COMPARE_WITH_TIMEOUT(waiting(), 2, 30000);
        w.stop();
        w.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isRunning(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(waiting(), 3, 10000);   // the killed runs' inserts, the station's first row
        release();
        QTRY_COMPARE_WITH_TIMEOUT(written.size(), 2, 30000);
        tick.stop();
        // A write in the window's thread would hold it for the lock time-out, 5 s; a loaded machine, a few 100 ms.
        QVERIFY2(longest < 1000, qPrintable(QStringLiteral("the window did not answer for %1 ms").arg(longest)));
        for (const QList<QVariant> &row : std::as_const(written))
            QVERIFY2(row.at(0).toBool(), qPrintable(row.at(1).toString()));
        QString where;
        QVERIFY2(pgreport::insertRow(stationUri, makeRow(QStringLiteral("AC:CF:23:00:0B:FF"), true, this->tick()), &where)
                     == pgreport::Stored::Inserted,
                 qPrintable(where));   // pushes whatever was spooled
        const QList<QStringList> rows = sql(QStringLiteral(
            "SELECT mac, count(*), min(result || ' ' || exit) FROM quorvel_module_runs"
            " WHERE mac IN ('AC:CF:23:00:0B:01', 'AC:CF:23:00:0B:02') GROUP BY mac ORDER BY mac"));
        QCOMPARE(rows.size(), 2);
        for (const QStringList &row : rows) {
            QCOMPARE(row.value(1), QStringLiteral("1"));
            QVERIFY2(row.value(2) == u"pass 0" || row.value(2) == u"fail -1", qPrintable(row.join(u' ')));
        }
    }

    void cleanupTestCase() { QVERIFY2(server.stop(), qPrintable(server.error)); }
};

// Run as `tst_pgreport --insert URI RUN_ID [MAC LOCAL_TIME]`, the program is one station's report: it inserts
// one row, whose time is LOCAL_TIME in the zone of TZ (as a run's start is), or now.
int main(int argc, char *argv[])
{
    if ((argc == 4 || argc == 6) && qstrcmp(argv[1], "--insert") == 0) {
        QCoreApplication app(argc, argv);
        ReportRow row = makeRow(argc == 6 ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("AC:CF:23:00:04:00"), true,
                                argc == 6 ? QDateTime::fromString(QString::fromLocal8Bit(argv[5]), Qt::ISODateWithMs)
                                          : QDateTime::currentDateTime());
        row.runId = QString::fromLocal8Bit(argv[3]);
        QString where;
        const bool in = pgreport::insertRow(QString::fromLocal8Bit(argv[2]), row, &where) == pgreport::Stored::Inserted;
        fputs(qPrintable(where + u'\n'), stdout);
        return in ? 0 : 1;
    }
    qputenv("TZ", "UTC");   // the server takes its zone from initdb's environment, the history's reader from ours
    ::tzset();
    QApplication app(argc, argv);
    tst_pgreport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pgreport.moc"
