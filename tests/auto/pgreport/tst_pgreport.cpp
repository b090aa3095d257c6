// The report's database sink against a real PostgreSQL server started here:
// rows in, rows spooled when the server is away or refuses the password, the
// spool pushed first and exactly once, four processes at once, the history.
// The roles are those docs/production.md tells a factory to make.
#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include "station/pgreport.h"
#include "tools/modsim/modsim.h"
#include "tools/pgserver/pgserver.h"

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
        QCOMPARE(sql(QStringLiteral("SELECT version FROM quorvel_schema")), QList<QStringList>{{QStringLiteral("1")}});
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
        for (int round = 0; round < 2; ++round) {
            const ReportRow row = makeRow(QStringLiteral("AC:CF:23:00:00:10"), true, tick());
            ids << row.runId;
            QString where;
            QVERIFY2(pgreport::insertRow(stationUri, row, &where) == pgreport::Stored::Inserted, qPrintable(where));
            QCOMPARE(where, QStringLiteral("Report row inserted into %1, after 3 spooled row(s)").arg(stationUri));
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
        QCOMPARE(sql(QStringLiteral("SELECT version FROM quorvel_schema")), QList<QStringList>{{QStringLiteral("1")}});
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
        QCOMPARE(run(apply + QStringList{ownerUri}), 0);   // the owner's run makes the tables when missing
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
    }

    void cleanupTestCase() { QVERIFY2(server.stop(), qPrintable(server.error)); }
};

// Run as `tst_pgreport --insert URI RUN_ID`, the program is one station's report: it inserts one row.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--insert") == 0) {
        ReportRow row = makeRow(QStringLiteral("AC:CF:23:00:04:00"), true, QDateTime::currentDateTime());
        row.runId = QString::fromLocal8Bit(argv[3]);
        QString where;
        const bool in = pgreport::insertRow(QString::fromLocal8Bit(argv[2]), row, &where) == pgreport::Stored::Inserted;
        fputs(qPrintable(where + u'\n'), stdout);
        return in ? 0 : 1;
    }
    tst_pgreport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pgreport.moc"
