// --history from a CSV report as other programs write it (quoted commas,
// quotes and line breaks, CRLF or LF, a byte-order mark), the database URIs
// the report takes, and a row with no database and no spool to go to.
#include <QTemporaryDir>
#include <QTest>

#include "station/pgreport.h"

class tst_reporthistory : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString write(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QStringLiteral("report.csv"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void csvHistory_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("mac");
        QTest::addColumn<QStringList>("details");   // of the rows read, in order; "ms/exit/result" prefixed
        const QByteArray header = "time,port,mac,firmware,action,profile,profile_sha256,result,exit,detail,ms\r\n";
        QTest::newRow("quoted comma, quote and line break; newest first; other MACs left out")
            << header + "2026-12-07T08:00:01.000+01:00,/dev/ttyUSB0,AC:CF:23:5A:10:7E,V1,apply+verify,p.xml,ab,pass,0,,170\r\n"
                        "2026-12-07T08:00:03.000+01:00,/dev/ttyUSB0,AC:CF:23:5A:10:7E,V1,apply+verify,p.xml,ab,fail,1,"
                        "\"WIFI_STA STA_SSID: file \"\"Plant, Net\"\", module \"\"办公\r\n室\"\"\",2400\r\n"
                        "2026-12-07T08:00:02.000+01:00,/dev/ttyUSB1,AC:CF:23:5A:10:7F,V1,apply+verify,p.xml,ab,pass,0,,171\r\n"
            << "AC:CF:23:5A:10:7E"
            << QStringList{"2400/1/fail WIFI_STA STA_SSID: file \"Plant, Net\", module \"办公\r\n室\"", "170/0/pass "};
        QTest::newRow("LF, a byte-order mark, no last line end, the MAC typed another way")
            << QByteArray("\xEF\xBB\xBF") + header.chopped(2) + "\n"
                   "2026-12-07T09:00:00+01:00,COM3,ac:cf:23:5a:10:7e,V1,read,m.xml,,fail,3,\"port, busy\",5\n"
                   "2026-12-07T09:00:00+01:00,COM3,AC:CF:23:5A:10:7E,V1,read,m.xml,,pass,0,,6"
            << "AC-CF-23-5A-10-7E" << QStringList{"6/0/pass ", "5/3/fail port, busy"};
    }
    void csvHistory()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, mac);
        QFETCH(QStringList, details);
        QString why;
        const QList<ReportRow> rows = reporthistory::read(write(file), mac, &why);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QStringList got;
        for (const ReportRow &r : rows)
            got << QStringLiteral("%1/%2/%3 %4").arg(r.ms).arg(r.exitCode).arg(r.pass ? "pass" : "fail", r.detail);
        QCOMPARE(got, details);
        if (!rows.isEmpty())
            QCOMPARE(rows.first().time.offsetFromUtc(), 3600);
    }

    void csvHistoryRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("said");
        QTest::newRow("quote never closed")
            << QByteArray("time,mac,detail\n2026-12-07T08:00:00Z,AC,ok\n2026-12-07T08:00:01Z,AC,\"cut\n")
            << "a quote opened on line 3 is never closed";
        QTest::newRow("not a report") << QByteArray("name,value\nx,1\n") << "the first line is not a report's header";
        QTest::newRow("a time that does not read")
            << QByteArray("time,mac\nyesterday,AC\n") << "record 2: time \"yesterday\" does not read";
    }
    void csvHistoryRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, said);
        QString why;
        QVERIFY(reporthistory::read(write(file), QStringLiteral("AC"), &why).isEmpty());
        QVERIFY2(why.contains(said), qPrintable(why));
    }

    void uri_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QString>("parsed");   // user|host|port|database|options, or the refusal
        QTest::newRow("host and port") << "postgresql://quorvel@db.plant:5433/runs"
                                       << "quorvel|db.plant|5433|runs|connect_timeout=5";
        QTest::newRow("socket folder, percent-encoded") << "postgres://st@%2Frun%2Fpostgresql/runs"
                                                         << "st|/run/postgresql|-1|runs|connect_timeout=5";
        QTest::newRow("socket folder as a parameter, libpq options")
            << "postgresql:///runs?host=/tmp/pg&sslmode=disable&connect_timeout=2"
            << "|/tmp/pg|-1|runs|sslmode=disable connect_timeout=2";
        QTest::newRow("password in the user part") << "postgresql://u:secret@h/r" << "refused: a password does not belong";
        QTest::newRow("password as a parameter") << "postgresql://u@h/r?password=secret" << "refused: a password does not belong";
        QTest::newRow("port not a number") << "postgresql://u@h:54x/r" << "refused: the port \"54x\"";
    }
    void uri()
    {
        QFETCH(QString, uri);
        QFETCH(QString, parsed);
        pgreport::Target t;
        QString why;
        if (pgreport::parseUri(uri, &t, &why)) {
            QCOMPARE(QStringList({t.user, t.host, QString::number(t.port), t.database, t.options.join(u' ')})
                         .join(u'|'),
                     parsed);
        } else {
            QVERIFY2(parsed.startsWith(QStringLiteral("refused: ")) && why.startsWith(parsed.mid(9)), qPrintable(why));
        }
    }

    void nowhere_data()
    {
        QTest::addColumn<bool>("spoolBlocked");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("said");
        QTest::newRow("no server: spooled") << false << int(pgreport::Stored::Spooled) << "Report row spooled to ";
        QTest::newRow("no server and no spool: lost") << true << int(pgreport::Stored::Lost) << "Report row lost: ";
    }
    // A database that cannot be reached, and a spool that cannot be made (its folder under a file).
    void nowhere()
    {
        QFETCH(bool, spoolBlocked);
        QFETCH(int, stored);
        QFETCH(QString, said);
        const QString file = write("not a folder");
        qputenv("XDG_DATA_HOME", (spoolBlocked ? file : dir.filePath(QStringLiteral("data"))).toLocal8Bit());
        ReportRow row;
        row.time = QDateTime::currentDateTime();
        row.mac = QStringLiteral("AC:CF:23:5A:10:7E");
        QString where;
        QCOMPARE(int(pgreport::insertRow(QStringLiteral("postgresql://u@/r?host=") + dir.filePath(QStringLiteral("none")),
                                         row, &where)),
                 stored);
        QVERIFY2(where.startsWith(said) && where.contains(QStringLiteral("No such file or directory")), qPrintable(where));
        QCOMPARE(QDir(pgreport::spoolDir()).entryList({QStringLiteral("*.csv")}).size(), spoolBlocked ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(tst_reporthistory)
#include "tst_reporthistory.moc"
