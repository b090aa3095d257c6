// The report's database sink against a real PostgreSQL server started here:
// rows in, rows spooled when the server is away or refuses the password, the
// spool pushed first and exactly once, four processes at once, the history;
// a locked table given up in time, stations in other time zones, a table of
// the first schema version migrated, the first row of a run kept, and the
// station window running fixtures against a locked table.
// The roles are those docs/production.md tells a factory to make. The test,
// and the server it starts, run in UTC.
#include <QApplication>
#include <QFrame>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QUuid>

#include "station/pgreport.h"
#include "station/stationwindow.h"
#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"
#include "tools/pgserver/pgserver.h"

#include <ctime>

namespace {

const QString superPassword = QStringLiteral("super-secret");

ReportRow makeRow(const QString &mac, bool pass, const QDateTime &time)
{
    ReportRow r;
    r.time = time;
    r.port = QStringLiteral("/dev/ttyUSB0");
    r.mac = mac;
    r.firmware = QStringLiteral("V1.2.3");
    r.action = QStringLiteral("apply+verify");
    r.profile = QStringLiteral("plant.xml");
    r.profileSha256 = QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");
    r.pass = pass;
    r.exitCode = pass ? 0 : 1;
    r.detail = pass ? QString() : QStringLiteral("WIFI_STA STA_SSID: file \"Plant, Net\", module \"办公室's\\\\net\"");
    r.ms = pass ? 176 : 2412;
    r.station = QStringLiteral("line-3");
    r.runId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return r;
}

} // namespace

class tst_pgreport : public QObject
{
    Q_OBJECT

    PgServer server;
    QTemporaryDir home;   // XDG_DATA_HOME (the spool) and the password file
    QString ownerUri, stationUri;
    QDateTime clock = QDateTime::fromString(QStringLiteral("2026-12-07T08:00:00.000+01:00"), Qt::ISODateWithMs);

    QDateTime tick() { return clock = clock.addSecs(1); }
    QStringList spoolFiles() const
    {
        return QDir(pgreport::spoolDir()).entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden)
            .filter(QStringLiteral(".csv"));
    }
    // Rows of a query run as the superuser on the database "quorvel"; on failure one row with the error.
    QList<QStringList> sql(const QString &statement, const QString &database = QStringLiteral("quorvel"))
    {
        QList<QStringList> rows;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("check"));
            db.setHostName(server.socketDir());
            db.setUserName(QStringLiteral("postgres"));
            db.setDatabaseName(database);
            QSqlQuery q(db);
            if (!db.open() || !q.exec(statement)) {
                rows << QStringList{QStringLiteral("error: ") + db.lastError().text() + q.lastError().text()};
            }
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
    // Every value of a row, its time as an instant in UTC.
    static QStringList fields(const ReportRow &r)
    {
        return {r.time.toUTC().toString(Qt::ISODateWithMs), r.port, r.mac, r.firmware, r.action, r.profile,
                r.profileSha256, r.pass ? "pass" : "fail", QString::number(r.exitCode), r.detail,
                QString::number(r.ms), r.station, r.runId};
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

    // Holds ACCESS EXCLUSIVE on the runs' table in an open transaction of a connection of its own, as another
    // session's LOCK TABLE does, until release().
    struct TableLock
    {
        explicit TableLock(const QString &socketDir)
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("locker"));
            db.setHostName(socketDir);
            db.setUserName(QStringLiteral("postgres"));
            db.setDatabaseName(QStringLiteral("quorvel"));
            held = db.open() && db.transaction()
                   && QSqlQuery(db).exec(QStringLiteral("LOCK TABLE quorvel_module_runs IN ACCESS EXCLUSIVE MODE"));
        }
        ~TableLock() { release(); }
        void release()
        {
            if (!QSqlDatabase::contains(QStringLiteral("locker")))
                return;
            {
                QSqlDatabase db = QSqlDatabase::database(QStringLiteral("locker"), false);
                db.rollback();
                db.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        }
        bool held = false;
    };
    // Statements waiting for a lock on the runs' table.
    int waitingForTheTable()
    {
        return sql(QStringLiteral("SELECT count(*) FROM pg_locks WHERE NOT granted"
                                  " AND relation = 'quorvel_module_runs'::regclass")).value(0).value(0).toInt();
    }
    // This program as one station's report (see main): inserts a row of `mac`, its time `localTime` read in
    // the zone of `environment`'s TZ, or now; the exit status and what it printed.
    int insertAs(const QStringList &environment, const QString &uri, const QString &runId, const QString &mac,
                 const QString &localTime, QByteArray *out = nullptr)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &pair : environment)
            env.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        p.setProcessEnvironment(env);
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--insert"), uri, runId, mac, localTime});
        QSignalSpy finished(&p, &QProcess::finished);
        const bool ended = finished.wait(30000);
        if (!ended)
            p.kill();
        if (out)
            *out = p.readAll();
        return ended ? p.exitCode() : -1;
    }
    // `quorvel --history MAC --report TARGET` read in the time zone `zone`: its lines.
    QStringList history(const QString &mac, const QString &target, const QString &zone)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TZ"), zone);
        env.insert(QStringLiteral("PGTZ"), zone);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUORVEL_BIN), {QStringLiteral("--history"), mac, QStringLiteral("--report"), target});
        if (!p.waitForFinished(30000) || p.exitCode() != 0)
            return {QStringLiteral("failed: ") + QString::fromUtf8(p.readAll())};
        return QString::fromUtf8(p.readAllStandardOutput()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    void emptySpool()
    {
        for (const QString &name : QDir(pgreport::spoolDir()).entryList(QDir::Files))
            QFile::remove(pgreport::spoolDir() + u'/' + name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
        qunsetenv("PGPASSWORD");
        // libpq's password file, read as for ~/.pgpass: the password is never part of the URI.
        const QString pgpass = home.filePath(QStringLiteral("pgpass"));
        QFile f(pgpass);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("*:*:*:postgres:" + superPassword.toUtf8() + "\n*:*:*:quorvel_owner:owner-pw\n"
                "*:*:*:quorvel_station:station-pw\n");
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
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

    // The owner's first row creates the tables; a station (INSERT and SELECT only) adds a fail; the
    // history has both, newest first, whatever way the MAC is typed.
    void passAndFailRows()
    {
        const ReportRow pass = makeRow(QStringLiteral("AC:CF:23:5A:10:7E"), true, tick());
        const ReportRow other = makeRow(QStringLiteral("AC:CF:23:5A:10:7F"), true, tick());
        const ReportRow fail = makeRow(QStringLiteral("AC:CF:23:5A:10:7E"), false, tick());
        QString where;
        QVERIFY2(pgreport::insertRow(ownerUri, pass, &where) == pgreport::Stored::Inserted, qPrintable(where));
        QCOMPARE(where, QStringLiteral("Report row inserted into ") + ownerUri);
        QVERIFY2(pgreport::insertRow(stationUri, other, &where) == pgreport::Stored::Inserted, qPrintable(where));
        QVERIFY2(pgreport::insertRow(stationUri, fail, &where) == pgreport::Stored::Inserted, qPrintable(where));
        QCOMPARE(sql(QStringLiteral("SELECT version FROM quorvel_schema")), QList<QStringList>{{QStringLiteral("2")}});
        QCOMPARE(sql(QStringLiteral("SELECT indexdef LIKE '%(mac)', indexdef LIKE '%(\"time\")' FROM pg_indexes"
                                    " WHERE tablename = 'quorvel_module_runs' AND indexname <> 'quorvel_module_runs_pkey'"
                                    " ORDER BY 1")),
                 (QList<QStringList>{{QStringLiteral("false"), QStringLiteral("true")},
                                     {QStringLiteral("true"), QStringLiteral("false")}}));

        QString why;
        const QList<ReportRow> rows = reporthistory::read(stationUri, QStringLiteral("ac-cf-23-5a-10-7e"), &why);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(fields(rows.at(0)), fields(fail));
        QCOMPARE(fields(rows.at(1)), fields(pass));
    }

    void spooledAndPushedLater_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("said");
        QTest::newRow("server stopped") << "stop" << "No such file or directory";
        QTest::newRow("wrong password") << "password" << "password authentication failed for user \"quorvel_station\"";
    }
    // Rows that cannot go in are spooled with the reason said; the next row that goes in pushes them
    // first, oldest first; the same spool pushed a second time stores nothing twice.
    void spooledAndPushedLater()
    {
        QFETCH(QString, failure);
        QFETCH(QString, said);
        QVERIFY(spoolFiles().isEmpty());
        if (failure == u"stop")
            QVERIFY2(server.stop(), qPrintable(server.error));
        else
            qputenv("PGPASSWORD", "not-the-password");
        QStringList ids;
        QList<ReportRow> spooled;
        for (int i = 0; i < 3; ++i) {
            const ReportRow row = makeRow(QStringLiteral("AC:CF:23:00:%1:0%2").arg(QTest::currentDataTag()[0] == 's' ? 1 : 2).arg(i),
                                           i != 1, tick());
            ids << row.runId;
            spooled << row;
            QString where;
            QVERIFY2(pgreport::insertRow(stationUri, row, &where) == pgreport::Stored::Spooled, qPrintable(where));
            QVERIFY2(where.startsWith(QStringLiteral("Report row spooled to ") + pgreport::spoolDir() + u'/'),
                     qPrintable(where));
            QVERIFY2(where.contains(QStringLiteral(" because ")) && where.contains(said), qPrintable(where));
        }
        QCOMPARE(spoolFiles().size(), 3);
        QTemporaryDir aside;
        for (const QString &name : spoolFiles())
            QVERIFY(QFile::copy(pgreport::spoolDir() + u'/' + name, aside.filePath(name)));

        qunsetenv("PGPASSWORD");
        QVERIFY2(server.resume(), qPrintable(server.error));
        // The socket's folder percent-encoded in the URI (%2F…): said back as it was given.
        const QString encodedUri = QStringLiteral("postgresql://quorvel_station@%1/quorvel")
                                       .arg(QString::fromLatin1(QUrl::toPercentEncoding(server.socketDir())));
        for (int round = 0; round < 2; ++round) {
            const ReportRow row = makeRow(QStringLiteral("AC:CF:23:00:00:10"), true, tick());
            ids << row.runId;
            QString where;
            QVERIFY2(pgreport::insertRow(encodedUri, row, &where) == pgreport::Stored::Inserted, qPrintable(where));
            QCOMPARE(where, QStringLiteral("Report row inserted into ") + encodedUri + QStringLiteral(", after 3 spooled row(s)"));
            QCOMPARE(QDir(pgreport::spoolDir()).entryList(QDir::Files), QStringList());
            QCOMPARE(stored(ids), ids);
            QString why;
            const QList<ReportRow> back = reporthistory::read(stationUri, spooled.at(1).mac, &why);
            QCOMPARE(back.size(), 1);
            QCOMPARE(fields(back.first()), fields(spooled.at(1)));
            if (round == 0) {
                for (const QString &name : QDir(aside.path()).entryList(QDir::Files))   // the same spool again
                    QVERIFY(QFile::copy(aside.filePath(name), pgreport::spoolDir() + u'/' + name));
            }
        }
    }

    // Four stations start together on an empty database, with rows in their shared spool: the tables
    // are made once, and every row is stored once.
    void fourProcesses()
    {
        QCOMPARE(sql(QStringLiteral("DROP TABLE quorvel_module_runs, quorvel_schema")), QList<QStringList>());
        QStringList ids;
        for (int i = 0; i < 6; ++i) {
            const ReportRow row = makeRow(QStringLiteral("AC:CF:23:00:03:0%1").arg(i), true, tick());
            QString path, why;
            QVERIFY2(pgreport::spool(row, &path, &why), qPrintable(why));
            ids << row.runId;
        }
        QList<QProcess *> runs;
        for (int i = 0; i < 4; ++i) {
            auto *p = new QProcess(this);
            ids << QUuid::createUuid().toString(QUuid::WithoutBraces);
            p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--insert"), ownerUri, ids.last()});
            runs << p;
        }
        QStringList failed;
        for (QProcess *p : std::as_const(runs)) {
            if (!p->waitForFinished(60000) || p->exitCode() != 0)
                failed << QString::fromLocal8Bit(p->readAll());
            delete p;
        }
        QVERIFY2(failed.isEmpty(), qPrintable(failed.join(u'\n')));
        QStringList got = stored(ids);
        QCOMPARE(stored(ids.mid(0, 6)), ids.mid(0, 6));   // the spool oldest first
        got.sort();
        ids.sort();
        QCOMPARE(got, ids);
        QCOMPARE(spoolFiles(), QStringList());
        QCOMPARE(sql(QStringLiteral("SELECT version FROM quorvel_schema")), QList<QStringList>{{QStringLiteral("2")}});
    }

    // Whole runs against a simulated module: --report with the station's URI records a pass and a fail under
    // --station-name, and --history prints them newest first, from the database as from a CSV report.
    void wholeRuns()
    {
        ModSim sim;
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        QTemporaryDir dir;
        const auto run = [&](const QStringList &args, QByteArray *out = nullptr) {
            QProcess p;
            p.setWorkingDirectory(dir.path());
            QSignalSpy finished(&p, &QProcess::finished);
            p.start(QStringLiteral(QUORVEL_BIN), QStringList(args).replaceInStrings(QStringLiteral("SIM"), sim.slavePath()));
            const bool ended = finished.wait(60000);   // serving the module meanwhile
            if (out)
                *out = p.readAllStandardOutput() + p.readAllStandardError();
            return ended ? p.exitCode() : -1;
        };
        const QString profile = dir.filePath(QStringLiteral("p.xml")), csv = dir.filePath(QStringLiteral("r.csv"));
        QCOMPARE(run({"--port", "SIM", "--read", profile}), 0);
        const QStringList apply{"--port", "SIM", "--apply", profile, "--verify", "--station-name", "bay-2", "--report"};
        QCOMPARE(run(apply + QStringList{ownerUri, "--run-id", "bay-2/run 1"}), 0);   // the owner's run makes the tables when missing
        QCOMPARE(sql(QStringLiteral("SELECT mac, result FROM quorvel_module_runs WHERE run_id = 'bay-2/run 1'")),
                 (QList<QStringList>{{"AC:CF:23:5A:10:7E", "pass"}}));
        sim.setError(QStringLiteral("AT+APSTA="), 1, 2);
        QCOMPARE(run(apply + QStringList{stationUri}), 1);
        sim.setError(QStringLiteral("AT+APSTA="), 1, 2);
        QCOMPARE(run(apply + QStringList{csv}), 1);
        for (const QString &target : {stationUri, csv}) {
            QByteArray out;
            QVERIFY2(run({"--history", "ac:cf:23:5a:10:7e", "--report", target}, &out) == 0, out.constData());
            QStringList lines = QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
            QVERIFY2(lines.size() == (target == csv ? 2 : 3), out.constData());
            QVERIFY2(lines.at(1).contains(QStringLiteral(",fail,1,")) && lines.at(1).contains(QStringLiteral("AT+APSTA=")),
                     out.constData());
            if (target == stationUri)
                QVERIFY2(lines.at(2).contains(QStringLiteral(",pass,0,")) && lines.at(2).contains(QStringLiteral("bay-2")),
                         out.constData());
        }

        // A module answering formulas: no MAC, so nothing is written to it, but its row records what it said; the
        // database keeps that as received, --history prints it guarded.
        sim.setRawFields(QStringLiteral("MAC"), {"@SUM(1+1)"});
        sim.setFields(QStringLiteral("VER"), {QStringLiteral("+cmd|'/C calc'!A0")});
        QCOMPARE(run(apply + QStringList{stationUri}), 1);
        QCOMPARE(sql(QStringLiteral("SELECT mac, firmware, result FROM quorvel_module_runs WHERE mac LIKE '%SUM%'")),
                 (QList<QStringList>{{"@SUM(1+1)", "+cmd|'/C calc'!A0", "fail"}}));
        QByteArray out;
        QVERIFY2(run({"--history", "@SUM(1+1)", "--report", stationUri}, &out) == 0, out.constData());
        QVERIFY2(out.contains(",'@SUM(1+1),'+cmd|'/C calc'!A0,"), out.constData());
    }

    // --run-id goes with --report and is not empty; nothing reaches the port otherwise.
    void runIdUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("said");
        QTest::newRow("without --report") << QStringList{"--run-id", "r1"} << "--run-id 只能与 --report 同用";
        QTest::newRow("empty") << QStringList{"--run-id", "", "--report", "r.csv"} << "--run-id 不能为空";
    }
    void runIdUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, said);
        QTemporaryDir dir;
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(QUORVEL_BIN), QStringList{"--port", "/dev/quorvel-no-such-port", "--apply", "p.xml"} + args);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 2);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(err.contains(said), qPrintable(err));
    }

    // A table another session holds locked: the insert is given up by the server in time (by default, or as the
    // URI's options say, with spaces, quotes and backslashes in its values) and the row spooled.
    void lockedTableTimesOut_data()
    {
        QTest::addColumn<QString>("options");       // appended to the station's URI
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("application");   // the name the waiting connection shows the server, when given
        QTest::newRow("the default lock time-out") << "" << "canceling statement due to lock timeout" << "";
        QTest::newRow("the URI's statement time-out; a name with a quote and a backslash")
            << "&options=-c%20statement_timeout%3D1500&application_name=bay%203's%20%5C"
            << "canceling statement due to statement timeout" << "bay 3's \\";
    }
    void lockedTableTimesOut()
    {
        QFETCH(QString, options);
        QFETCH(QString, said);
        QFETCH(QString, application);
        TableLock lock(server.socketDir());
        QVERIFY(lock.held);
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--insert"), stationUri + options, QUuid::createUuid().toString(QUuid::WithoutBraces)});
        QSignalSpy finished(&p, &QProcess::finished);
        if (!application.isEmpty())
            QTRY_COMPARE(sql(QStringLiteral("SELECT application_name FROM pg_stat_activity WHERE wait_event_type = 'Lock'")),
                         QList<QStringList>{{application}});
        const bool ended = finished.wait(30000);
        if (!ended)
            p.kill();
        QVERIFY2(ended, "the insert waited for the lock");
        const QString out = QString::fromUtf8(p.readAll());
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(out.startsWith(QStringLiteral("Report row spooled to ")) && out.contains(said), qPrintable(out));
        lock.release();
        emptySpool();
    }

    // Times are stored as instants, with the station's offset: a station at UTC+9 writing to a server in UTC, and
    // a station in UTC whose server session speaks Tokyo time. --history puts the newer first and shows each in
    // the station's own time with its offset, wherever it is read.
    void timeZones()
    {
        const QString mac = QStringLiteral("AC:CF:23:00:09:01");
        QByteArray out;
        QVERIFY2(insertAs({"TZ=Asia/Tokyo"}, stationUri, "tokyo-1", mac, "2026-12-07T10:00:00.000", &out) == 0,
                 out.constData());   // 01:00 UTC
        QVERIFY2(insertAs({"TZ=UTC", "PGTZ=Asia/Tokyo"}, stationUri, "utc-1", mac, "2026-12-07T02:00:00.000", &out) == 0,
                 out.constData());   // 02:00 UTC
        QCOMPARE(sql(QStringLiteral("SELECT run_id, to_char(time AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI'), utc_offset"
                                    " FROM quorvel_module_runs WHERE mac = '%1' ORDER BY time").arg(mac)),
                 (QList<QStringList>{{"tokyo-1", "2026-12-07 01:00", "32400"}, {"utc-1", "2026-12-07 02:00", "0"}}));
        for (const QString &zone : {QStringLiteral("UTC"), QStringLiteral("Asia/Tokyo")}) {
            const QStringList lines = history(mac, stationUri, zone);
            QVERIFY2(lines.size() == 3, qPrintable(lines.join(u'\n')));
            QVERIFY2(lines.at(1).startsWith(QStringLiteral("2026-12-07T02:00:00.000+00:00,")), qPrintable(lines.at(1)));
            QVERIFY2(lines.at(2).startsWith(QStringLiteral("2026-12-07T10:00:00.000+09:00,")), qPrintable(lines.at(2)));
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
        QStringList lines = history(mac, stationUri, QStringLiteral("Asia/Tokyo"));
        QVERIFY2(lines.size() == 2 && lines.at(1).startsWith(QStringLiteral("2026-12-07T08:00:00.000+09:00,")),
                 qPrintable(lines.join(u'\n')));

        const ReportRow spooled = makeRow(mac, false, tick());
        QString where;
        QVERIFY2(pgreport::insertRow(stationUri, spooled, &where) == pgreport::Stored::Spooled, qPrintable(where));
        const ReportRow owners = makeRow(mac, true, tick());
        QVERIFY2(pgreport::insertRow(ownerUri, owners, &where) == pgreport::Stored::Inserted, qPrintable(where));
        QVERIFY2(where.endsWith(QStringLiteral("after 1 spooled row(s)")), qPrintable(where));
        QCOMPARE(sql(QStringLiteral("SELECT version FROM quorvel_schema")), QList<QStringList>{{QStringLiteral("2")}});
        QCOMPARE(sql(QStringLiteral("SELECT run_id, COALESCE(utc_offset::text, 'none') FROM quorvel_module_runs WHERE mac = '%1' ORDER BY time")
                         .arg(mac)),
                 (QList<QStringList>{{"v1-run", "none"}, {spooled.runId, "3600"}, {owners.runId, "3600"}}));
        lines = history(mac, stationUri, QStringLiteral("Asia/Tokyo"));
        QVERIFY2(lines.size() == 4 && lines.at(1).startsWith(owners.time.toString(Qt::ISODateWithMs))
                     && lines.at(3).startsWith(QStringLiteral("2026-12-07T08:00:00.000+09:00,")),
                 qPrintable(lines.join(u'\n')));
    }

    // A run's first row is the one kept: a second row of the same run (the station's FAIL for a run it killed
    // after the run's PASS got somewhere) never replaces it, whether the first is in the table, waits in a spool
    // another process is pushing, or the second is spooled too (named earlier than the first).
    void firstRowOfARunStays_data()
    {
        QTest::addColumn<QString>("first");   // where the run's PASS is when its FAIL comes
        QTest::addColumn<int>("stored");      // what becomes of the FAIL
        QTest::newRow("in the table") << "table" << int(pgreport::Stored::Inserted);
        QTest::newRow("in the spool, another process pushing it") << "spool, flush locked" << int(pgreport::Stored::Spooled);
        QTest::newRow("in the spool, the server away") << "spool, server stopped" << int(pgreport::Stored::Spooled);
    }
    void firstRowOfARunStays()
    {
        QFETCH(QString, first);
        QFETCH(int, stored);
        QVERIFY(spoolFiles().isEmpty());
        const QDateTime at = tick();
        ReportRow pass = makeRow(QStringLiteral("AC:CF:23:00:0C:01"), true, at.addMSecs(1));
        ReportRow fail = makeRow(pass.mac, false, at);
        fail.runId = pass.runId;
        fail.exitCode = -1;
        QString where, path;
        if (first == u"table")
            QVERIFY2(pgreport::insertRow(stationUri, pass, &where) == pgreport::Stored::Inserted, qPrintable(where));
        else
            QVERIFY2(pgreport::spool(pass, &path, &where), qPrintable(where));
        QLockFile flush(pgreport::spoolDir() + QStringLiteral("/.flush.lock"));
        if (first.endsWith(u"flush locked"))
            QVERIFY(flush.tryLock(0));
        if (first.endsWith(u"server stopped"))
            QVERIFY2(server.stop(), qPrintable(server.error));
        QCOMPARE(int(pgreport::insertRow(stationUri, fail, &where)), stored);
        flush.unlock();
        QVERIFY2(server.resume(), qPrintable(server.error));
        QVERIFY2(pgreport::insertRow(stationUri, makeRow(pass.mac, true, tick()), &where) == pgreport::Stored::Inserted,
                 qPrintable(where));   // pushes what is left in the spool
        QCOMPARE(spoolFiles(), QStringList());
        QCOMPARE(sql(QStringLiteral("SELECT result, exit FROM quorvel_module_runs WHERE run_id = '%1'").arg(pass.runId)),
                 (QList<QStringList>{{"pass", "0"}}));
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
        TableLock lock(server.socketDir());
        QVERIFY(lock.held);

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
        tick.setInterval(20);
        connect(&tick, &QTimer::timeout, &w, [&] { longest = std::max(longest, sinceTick.restart()); });
        QSignalSpy written(&w, &StationWindow::rowWritten);
        sinceTick.start();
        tick.start();
        w.start();
        QTRY_COMPARE_WITH_TIMEOUT(waitingForTheTable(), 2, 30000);
        w.stop();
        w.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isRunning(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(waitingForTheTable(), 3, 10000);   // the killed runs' inserts, the station's first row
        lock.release();
        QTRY_COMPARE_WITH_TIMEOUT(written.size(), 2, 30000);
        tick.stop();
        QVERIFY2(longest < 200, qPrintable(QStringLiteral("the window did not answer for %1 ms").arg(longest)));
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
