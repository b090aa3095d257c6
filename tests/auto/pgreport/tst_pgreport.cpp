// The report's database sink against a PostgreSQL server started here, with the roles of docs/production.md.
// Runs in UTC.
#include <QLockFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QUuid>

#include "report/pgreport.h"
#include "station/stationwindow.h"
#include "tests/common/testsupport.h"
#include "tools/pgserver/pgserver.h"

#include <ctime>

using namespace Qt::StringLiterals;
using Rows = QList<QStringList>;

namespace {

const QString superPassword = u"super-secret"_s;

ReportRow makeRow(const QString &mac, bool pass, const QDateTime &time)
{
    return {time, u"/dev/ttyUSB0"_s, mac, u"V1.2.3"_s, u"apply+verify"_s, u"plant.xml"_s,
            u"9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08"_s, pass, pass ? 0 : 1,
            pass ? QString() : u"WIFI_STA STA_SSID: file \"Plant, Net\", module \"办公室's\\\\net\""_s,
            pass ? 176 : 2412, u"line-3"_s, QUuid::createUuid().toString(QUuid::WithoutBraces), u"SN-0042"_s};
}

QString newId() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

} // namespace

class tst_pgreport : public QObject
{
    Q_OBJECT

    PgServer server;
    QTemporaryDir home;   // XDG_DATA_HOME (the spool), the password file, the runs' working folder
    QString ownerUri, stationUri, where;
    const QString self = QCoreApplication::applicationFilePath(), bin = QStringLiteral(QUORVEL_BIN);
    QDateTime clock = QDateTime::fromString(u"2026-12-07T08:00:00.000+01:00"_s, Qt::ISODateWithMs);

    QDateTime tick() { return clock = clock.addSecs(1); }
    QStringList spoolFiles() const
    {
        return QDir(pgreport::spoolDir()).entryList({u"*.csv"_s}, QDir::Files | QDir::Hidden);
    }
    // A connection of the superuser, named `name`, to `database`.
    QSqlDatabase connection(const QString &name, const QString &database = u"quorvel"_s)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QPSQL"_s, name);
        db.setHostName(server.socketDir());
        db.setUserName(u"postgres"_s);
        db.setDatabaseName(database);
        return db;
    }
    // Rows of a query run as the superuser; on failure one row with the error.
    Rows sql(const QString &statement, const QString &database = u"quorvel"_s)
    {
        Rows rows;
        {
            QSqlDatabase db = connection(u"check"_s, database);
            QSqlQuery q(db);
            if (!db.open() || !q.exec(statement))
                rows << QStringList{u"error: "_s + db.lastError().text() + q.lastError().text()};
            while (q.next()) {
                rows << QStringList();
                for (int i = 0; i < q.record().count(); ++i)
                    rows.last() << q.value(i).toString();
            }
        }
        QSqlDatabase::removeDatabase(u"check"_s);
        return rows;
    }
    // Runs `statement` in an open transaction of its own connection, holding its locks until release().
    bool hold(const QString &statement)
    {
        QSqlDatabase db = connection(u"holder"_s);
        return db.open() && db.transaction() && QSqlQuery(db).exec(statement);
    }
    void release()
    {
        if (QSqlDatabase::contains(u"holder"_s)) {
            QSqlDatabase::database(u"holder"_s, false).close();   // the transaction ends with it
            QSqlDatabase::removeDatabase(u"holder"_s);
        }
    }
    // The run ids in the database among `ids`, in the order they reached it.
    QStringList stored(const QStringList &ids)
    {
        QStringList out;
        for (const QStringList &row : sql(u"SELECT run_id FROM quorvel_module_runs ORDER BY recorded"_s))
            if (ids.contains(row.value(0)) || row.value(0).startsWith(u"error"_s))
                out << row.value(0);
        return out;
    }
    int waiting() { return sql(u"SELECT count(*) FROM pg_locks WHERE NOT granted"_s).value(0).value(0).toInt(); }
    // `program` run with the VAR=value pairs of `environment`: its exit status (-1: no end), in `out` its output.
    int run(const QString &program, const QStringList &args, QByteArray *out = nullptr, const QStringList &environment = {})
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
    QStringList history(const QString &mac, const QString &target, const QString &zone = u"UTC"_s)
    {
        QByteArray out;
        if (run(bin, {"--history", mac, "--report", target}, &out, {"TZ=" + zone, "PGTZ=" + zone}))
            return {u"failed: "_s + QString::fromUtf8(out)};
        return QString::fromUtf8(out).split(u"\r\n"_s, Qt::SkipEmptyParts);
    }
    pgreport::Stored insert(const QString &uri, const ReportRow &row) { return pgreport::insertRow(uri, row, &where); }

private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        qputenv("XDG_DATA_HOME", home.filePath(u"data"_s).toLocal8Bit());
        qunsetenv("PGPASSWORD");
        // libpq's password file, read as for ~/.pgpass: the password is never part of the URI.
        const QString pgpass = home.filePath(u"pgpass"_s);
        testsupport::writeFile(pgpass, "*:*:*:postgres:" + superPassword.toUtf8() + "\n*:*:*:quorvel_owner:owner-pw\n"
                                       "*:*:*:quorvel_station:station-pw\n");
        QVERIFY(QFile::setPermissions(pgpass, QFile::ReadOwner | QFile::WriteOwner));
        qputenv("PGPASSFILE", pgpass.toLocal8Bit());
        QVERIFY2(server.start(superPassword), qPrintable(server.error));
        for (const QString &statement : {u"CREATE ROLE quorvel_owner LOGIN PASSWORD 'owner-pw'"_s,
                                         u"CREATE ROLE quorvel_station LOGIN PASSWORD 'station-pw'"_s,
                                         u"CREATE DATABASE quorvel OWNER quorvel_owner"_s})
            QCOMPARE(sql(statement, u"postgres"_s), Rows());
        QCOMPARE(sql(u"ALTER DEFAULT PRIVILEGES FOR ROLE quorvel_owner GRANT SELECT, INSERT ON TABLES TO quorvel_station"_s),
                 Rows());
        ownerUri = server.uri(u"quorvel_owner"_s, u"quorvel"_s);
        stationUri = server.uri(u"quorvel_station"_s, u"quorvel"_s);
    }

    // Four stations start together on the empty database, held at the tables' making, with rows in their shared
    // spool: the tables are made once, every row stored once, oldest first.
    void fourProcesses()
    {
        QStringList ids;
        for (int i = 0; i < 6; ++i) {
            const ReportRow row = makeRow(u"AC:CF:23:00:03:0%1"_s.arg(i), true, tick());
            QString path, why;
            QVERIFY2(pgreport::spool(row, &path, &why), qPrintable(why));
            ids << row.runId;
        }
        const auto unhold = qScopeGuard([this] { release(); });
        QVERIFY(hold(u"CREATE TABLE quorvel_schema (one boolean)"_s));
        QList<QProcess *> runs;
        for (int i = 0; i < 4; ++i) {
            runs << new QProcess(this);
            runs.last()->start(self, {u"--insert"_s, ownerUri, ids.emplace_back(newId())});
        }
        QTRY_COMPARE_WITH_TIMEOUT(waiting(), 4, 30000);
        release();
        for (QProcess *p : std::as_const(runs))
            QVERIFY2(p->waitForFinished(60000) && p->exitCode() == 0, p->readAll().constData());
        QCOMPARE(stored(ids).size(), ids.size());
        QCOMPARE(stored(ids.mid(0, 6)), ids.mid(0, 6));
        QCOMPARE(spoolFiles(), QStringList());
        QCOMPARE(sql(u"SELECT version FROM quorvel_schema"_s), Rows{{QString::number(pgreport::schemaVersion)}});
    }

    // Rows spooled with the server away are pushed first by the next row, oldest first, never twice; a run's
    // second row (the station's FAIL after its spooled PASS) neither replaces its first nor slips past a push.
    void spooledAndPushedLater()
    {
        QCOMPARE(spoolFiles(), QStringList());
        QVERIFY2(server.stop(), qPrintable(server.error));
        QStringList ids;
        QList<ReportRow> spooled;
        for (int i = 0; i < 3; ++i) {
            spooled << makeRow(u"AC:CF:23:00:01:0%1"_s.arg(i), i != 1, tick());
            ids << spooled.last().runId;
            QVERIFY2(insert(stationUri, spooled.last()) == pgreport::Stored::Spooled
                         && where.startsWith(u"Report row spooled to "_s + pgreport::spoolDir() + u'/')
                         && where.contains(u" because "_s) && where.contains(u"No such file"_s),
                     qPrintable(where));
        }
        ReportRow again = spooled.first();
        again.time = again.time.addMSecs(-1);
        again.pass = false;
        QCOMPARE(insert(stationUri, again), pgreport::Stored::Spooled);
        QCOMPARE(spoolFiles().size(), 3);
        QTemporaryDir aside;
        for (const QString &name : spoolFiles())
            QVERIFY(QFile::copy(pgreport::spoolDir() + u'/' + name, aside.filePath(name)));

        QVERIFY2(server.resume(), qPrintable(server.error));
        QLockFile flush(pgreport::spoolDir() + u"/.flush.lock"_s);
        QVERIFY(flush.tryLock(0));
        QCOMPARE(insert(stationUri, again), pgreport::Stored::Spooled);
        flush.unlock();
        // The socket's folder percent-encoded in the URI (%2F…): said back as it was given.
        const QString encodedUri =
            u"postgresql://quorvel_station@%1/quorvel"_s.arg(QString::fromLatin1(QUrl::toPercentEncoding(server.socketDir())));
        for (int round = 0; round < 2; ++round) {
            const ReportRow row = makeRow(u"AC:CF:23:00:00:10"_s, true, tick());
            ids << row.runId;
            QVERIFY2(insert(encodedUri, row) == pgreport::Stored::Inserted, qPrintable(where));
            QCOMPARE(where, u"Report row inserted into "_s + encodedUri + u", after 3 spooled row(s)"_s);
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
        QCOMPARE(sql(u"SELECT result FROM quorvel_module_runs WHERE run_id = '%1'"_s.arg(ids.first())), Rows{{u"pass"_s}});
    }

    // Whole runs: --report records a pass and a fail, --history prints them newest first from a database or a
    // CSV report, a module answering formulas is stored as received and printed guarded; a bad --run-id refused.
    void wholeRuns()
    {
        ModSim sim;
        QVERIFY2(sim.start(&where), qPrintable(where));
        const QString profile = home.filePath(u"p.xml"_s), csv = home.filePath(u"r.csv"_s);
        QCOMPARE(run(bin, {"--port", sim.slavePath(), "--read", profile}), 0);
        const QStringList apply{"--port", sim.slavePath(), "--apply", profile, "--verify"};
        const QStringList report = apply + QStringList{"--station-name", "bay-2", "--report"};
        sim.clearTrace();
        QByteArray out;
        QVERIFY2(run(bin, apply + QStringList{"--run-id", "r1"}, &out) == 2 && out.contains("--run-id 只能与 --report 同用"),
                 out.constData());
        QVERIFY2(run(bin, report + QStringList{csv, "--run-id", ""}, &out) == 2 && out.contains("--run-id 不能为空"),
                 out.constData());
        QCOMPARE(sim.receivedLines(), QList<QByteArray>());

        QCOMPARE(run(bin, report + QStringList{ownerUri, "--run-id", "bay-2/run 1"}), 0);
        QCOMPARE(sql(u"SELECT mac, result FROM quorvel_module_runs WHERE run_id = 'bay-2/run 1'"_s),
                 (Rows{{"AC:CF:23:5A:10:7E", "pass"}}));
        for (const QString &target : {stationUri, csv}) {
            sim.setError(u"AT+APSTA="_s, 1, 2);
            QCOMPARE(run(bin, report + QStringList{target}), 1);
            const QStringList lines = history(u"ac:cf:23:5a:10:7e"_s, target);
            QVERIFY2(lines.size() == (target == csv ? 2 : 3) && lines.value(1).contains(u",fail,1,"_s)
                         && lines.value(1).contains(u"AT+APSTA="_s)
                         && (target == csv || (lines.value(2).contains(u",pass,0,"_s)
                                             && lines.value(2).endsWith(u",bay-2,bay-2/run 1"_s))),
                     qPrintable(lines.join(u'\n')));
        }
        sim.setRawFields(u"MAC"_s, {"@SUM(1+1)"});   // no MAC: nothing is written, but the row says what it said
        sim.setFields(u"VER"_s, {u"+cmd|'/C calc'!A0"_s});
        QCOMPARE(run(bin, report + QStringList{stationUri}), 1);
        QCOMPARE(sql(u"SELECT mac, firmware, result FROM quorvel_module_runs WHERE mac LIKE '%SUM%'"_s),
                 (Rows{{"@SUM(1+1)", "+cmd|'/C calc'!A0", "fail"}}));
        const QStringList lines = history(u"@SUM(1+1)"_s, stationUri);
        QVERIFY2(lines.value(1).contains(",'@SUM(1+1),,'+cmd|'/C calc'!A0,"), qPrintable(lines.join(u'\n')));
    }

    // Times are instants with the station's offset: --history lists them in order, each in its station's time.
    void timeZones()
    {
        const QString mac = u"AC:CF:23:00:09:01"_s;
        QByteArray out;
        QVERIFY2(run(self, {"--insert", stationUri, "tokyo-1", mac, "2026-12-07T10:00:00.000"}, &out, {"TZ=Asia/Tokyo"}) == 0,
                 out.constData());   // 01:00 UTC
        QVERIFY2(run(self, {"--insert", stationUri, "utc-1", mac, "2026-12-07T02:00:00.000"}, &out,
                     {"TZ=UTC", "PGTZ=Asia/Tokyo"}) == 0,
                 out.constData());   // 02:00 UTC
        QCOMPARE(sql(u"SELECT run_id, to_char(time AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI'), utc_offset"
                     " FROM quorvel_module_runs WHERE mac = '%1' ORDER BY time"_s.arg(mac)),
                 (Rows{{"tokyo-1", "2026-12-07 01:00", "32400"}, {"utc-1", "2026-12-07 02:00", "0"}}));
        for (const QString &zone : {u"UTC"_s, u"Asia/Tokyo"_s}) {
            const QStringList lines = history(mac, stationUri, zone);
            QVERIFY2(lines.size() == 3 && lines.at(1).startsWith(u"2026-12-07T02:00:00.000+00:00,"_s)
                         && lines.at(2).startsWith(u"2026-12-07T10:00:00.000+09:00,"_s),
                     qPrintable(lines.join(u'\n')));
        }
    }

    // A first-version table (no offsets): --history reads its row in the reader's zone; a station's row waits in
    // the spool (a station may not alter the table); the owner's next row migrates it and pushes the spooled one.
    void versionOneTableMigrated()
    {
        const QString mac = u"AC:CF:23:00:0A:01"_s, v1Line = u"2026-12-07T08:00:00.000+09:00,"_s;
        for (const QString &statement :
             {u"ALTER TABLE quorvel_module_runs DROP COLUMN utc_offset"_s, u"ALTER TABLE quorvel_module_runs DROP COLUMN label"_s,
              u"UPDATE quorvel_schema SET version = 1"_s,
              u"INSERT INTO quorvel_module_runs (run_id, time, station, port, mac, firmware, action, profile,"
              " profile_sha256, result, exit, detail, ms) VALUES ('v1-run', '2026-12-06T23:00:00Z', 'line-1', 'COM3',"
              " '%1', 'V1', 'apply', 'p.xml', '', 'pass', 0, '', 170)"_s.arg(mac)})
            QCOMPARE(sql(statement), Rows());
        QStringList lines = history(mac, stationUri, u"Asia/Tokyo"_s);
        QVERIFY2(lines.size() == 2 && lines.at(1).startsWith(v1Line), qPrintable(lines.join(u'\n')));
        const ReportRow spooled = makeRow(mac, false, tick()), owners = makeRow(mac, true, tick());
        QVERIFY2(insert(stationUri, spooled) == pgreport::Stored::Spooled, qPrintable(where));
        QVERIFY2(insert(ownerUri, owners) == pgreport::Stored::Inserted && where.endsWith(u"after 1 spooled row(s)"_s),
                 qPrintable(where));
        QCOMPARE(sql(u"SELECT run_id, COALESCE(utc_offset::text, 'none') FROM quorvel_module_runs"
                     " WHERE mac = '%1' ORDER BY time"_s.arg(mac)),
                 (Rows{{"v1-run", "none"}, {spooled.runId, "3600"}, {owners.runId, "3600"}}));
        lines = history(mac, stationUri, u"Asia/Tokyo"_s);
        QVERIFY2(lines.size() == 4 && lines.at(1).startsWith(owners.time.toString(Qt::ISODateWithMs))
                     && lines.at(3).startsWith(v1Line),
                 qPrintable(lines.join(u'\n')));
    }

    // A locked table: an insert gives up in time (by default or as the URI's options say) and spools; killed
    // runs end with one row each, their own or the station's, the station's window answering all along.
    void lockedTable()
    {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        ModSim a, b;
        QVERIFY2(a.start(&where) && b.start(&where), qPrintable(where));
        a.setMac(u"AC:CF:23:00:0B:01"_s);
        b.setMac(u"AC:CF:23:00:0B:02"_s);
        const QString profile = dir.filePath(u"line.xml"_s);
        testsupport::writeFile(profile, testsupport::completeProfile);
        const auto unlock = qScopeGuard([this] { release(); });
        QVERIFY(hold(u"LOCK TABLE quorvel_module_runs IN ACCESS EXCLUSIVE MODE"_s));
        for (const auto &[options, said] : {std::pair("", "lock timeout"),
                                            std::pair("&options=-c%20statement_timeout%3D1500"
                                                      "&application_name=bay%203's%20%5C", "statement timeout")}) {
            QByteArray out;
            QVERIFY2(run(self, {"--insert", stationUri + options, newId()}, &out) == 1
                         && out.startsWith("Report row spooled to ")
                         && out.contains(QByteArray("canceling statement due to ") + said),
                     out.constData());
        }
        StationWindow w(bin);
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
        QVERIFY2(longest < 1000, qPrintable(u"the window did not answer for %1 ms"_s.arg(longest)));
        for (const QList<QVariant> &row : std::as_const(written))
            QVERIFY2(row.at(0).toBool(), qPrintable(row.at(1).toString()));
        QVERIFY2(insert(stationUri, makeRow(u"AC:CF:23:00:0B:FF"_s, true, this->tick())) == pgreport::Stored::Inserted,
                 qPrintable(where));   // pushes whatever was spooled
        const Rows rows = sql(u"SELECT mac, count(*), min(result || ' ' || exit) FROM quorvel_module_runs"
                              " WHERE mac IN ('AC:CF:23:00:0B:01', 'AC:CF:23:00:0B:02') GROUP BY mac ORDER BY mac"_s);
        QCOMPARE(rows.size(), 2);
        for (const QStringList &row : rows)
            QVERIFY2(row.value(1) == u"1" && (row.value(2) == u"pass 0" || row.value(2) == u"fail -1"),
                     qPrintable(row.join(u' ')));
    }

    void cleanupTestCase() { QVERIFY2(server.stop(), qPrintable(server.error)); }
};

// `tst_pgreport --insert URI RUN_ID [MAC LOCAL_TIME]` inserts one row at LOCAL_TIME in the zone of TZ, or now.
int main(int argc, char *argv[])
{
    if ((argc == 4 || argc == 6) && qstrcmp(argv[1], "--insert") == 0) {
        QCoreApplication app(argc, argv);
        ReportRow row = makeRow(argc == 6 ? QString::fromLocal8Bit(argv[4]) : u"AC:CF:23:00:04:00"_s, true,
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
