// The report's CSV cells as a spreadsheet sees them and --history reading them back, also as other programs
// write them; the database URIs the report takes, and a row with no database and no spool to go to.
#include "report/pgreport.h"
#include "report/report.h"
#include "tests/common/testsupport.h"

class tst_reporthistory : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("report.csv"));

private slots:
    // One value per row: the cell the report holds (as Python's csv reader reads it), and what --history reads.
    void csvCells_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("cell");
        QTest::newRow("= starts a formula") << "mac" << "=HYPERLINK(\"http://evil/\",\"x\")"
                                            << "'=HYPERLINK(\"http://evil/\",\"x\")";
        QTest::newRow("@ starts one") << "detail" << "@SUM(1+1)" << "'@SUM(1+1)";
        QTest::newRow("a CR in front") << "detail" << "\r=1+2" << "'\r=1+2";
        QTest::newRow("an apostrophe in front stays one") << "firmware" << "'=1" << "''=1";
        QTest::newRow("a comma stays in its column") << "profile" << "line,3.xml" << "line,3.xml";
        QTest::newRow("a line break stays in its cell") << "detail" << "AT+APSTA=\nERR=3" << "AT+APSTA=\nERR=3";
    }
    void csvCells()
    {
        QFETCH(QString, column);
        QFETCH(QString, value);
        QFETCH(QString, cell);
        const QHash<QString, QString ReportRow::*> fields{
            {"mac", &ReportRow::mac}, {"firmware", &ReportRow::firmware}, {"detail", &ReportRow::detail},
            {"profile", &ReportRow::profile}};
        ReportRow row;
        row.time = QDateTime::fromString(QStringLiteral("2026-12-07T08:00:01.000-05:30"), Qt::ISODateWithMs);
        row.mac = QStringLiteral("AC:CF:23:5A:10:7E");
        row.exitCode = -1;   // a number: as it is
        row.*fields.value(column) = value;
        const QString path = dir.filePath(QString::fromUtf8(QTest::currentDataTag()) + QStringLiteral(".csv"));
        QString why;
        QVERIFY2(report::writeReportRow(path, row, &why), qPrintable(why));
        const QList<QStringList> written = testsupport::csvRows(path);
        QCOMPARE(written.size(), 2);
        QCOMPARE(written.at(1).size(), ReportRow::columns().size());
        QCOMPARE(written.at(1).at(ReportRow::columns().indexOf(column)), cell);
        QCOMPARE(written.at(1).at(0), QStringLiteral("2026-12-07T08:00:01.000-05:30"));
        QCOMPARE(written.at(1).at(ReportRow::columns().indexOf(QStringLiteral("exit"))), QStringLiteral("-1"));

        const QList<ReportRow> back = reporthistory::read(path, row.mac, &why);
        QVERIFY2(back.size() == 1, qPrintable(why));
        QCOMPARE(back.first().*fields.value(column), value);
    }

    // A CSV report as other programs write it too: a module's rows newest first, or why the file was refused.
    void csvHistory_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("mac");
        QTest::addColumn<QStringList>("details");   // of the rows read, in order, "ms/exit/result" prefixed; or the refusal
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
        QTest::newRow("quote never closed")
            << QByteArray("time,mac,detail\n2026-12-07T08:00:00Z,AC,ok\n2026-12-07T08:00:01Z,AC,\"cut\n") << "AC"
            << QStringList{"refused: a quote opened on line 3 is never closed"};
        QTest::newRow("not a report") << QByteArray("name,value\nx,1\n") << "AC"
                                      << QStringList{"refused: the first line is not a report's header"};
    }
    // A report begun before the label column goes on in its own columns, and refuses a label it cannot keep; a new
    // one records the label, and --history reads it back.
    void labelColumn()
    {
        const QByteArray old = "time,port,mac,firmware,action,profile,profile_sha256,result,exit,detail,ms\r\n";
        testsupport::writeFile(csv, old);
        ReportRow row;
        row.time = QDateTime::fromString(QStringLiteral("2026-12-08T10:00:00.000+01:00"), Qt::ISODateWithMs);
        row.mac = QStringLiteral("AC:CF:23:5A:10:7E");
        row.action = QStringLiteral("apply+verify");
        QString why;
        QVERIFY2(report::writeReportRow(csv, row, &why), qPrintable(why));
        QCOMPARE(testsupport::csvRows(csv).value(1).size(), 11);
        row.label = QStringLiteral("SN-0042");
        const QByteArray before = testsupport::readFile(csv);
        QVERIFY(!report::writeReportRow(csv, row, &why));
        QCOMPARE(why, QStringLiteral("%1 是没有 label 列的旧报告，扫描的标签不能记录：请换一个新的报告文件").arg(csv));
        QCOMPARE(testsupport::readFile(csv), before);

        QVERIFY(QFile::remove(csv));
        QVERIFY2(report::writeReportRow(csv, row, &why), qPrintable(why));
        QCOMPARE(testsupport::csvRows(csv).value(0), ReportRow::columns());
        const QList<ReportRow> back = reporthistory::read(csv, row.mac, &why);
        QCOMPARE(back.size(), 1);
        QCOMPARE(back.first().label, row.label);
    }

    void csvHistory()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, mac);
        QString why;
        testsupport::writeFile(csv, file);
        const QList<ReportRow> rows = reporthistory::read(csv, mac, &why);
        QStringList got;
        for (const ReportRow &r : rows)
            got << QStringLiteral("%1/%2/%3 %4").arg(r.ms).arg(r.exitCode).arg(r.pass ? "pass" : "fail", r.detail);
        if (!why.isEmpty())
            got << QStringLiteral("refused: ") + why.section(QStringLiteral(": "), 1);   // after the file's path
        QTEST(got, "details");
        if (!rows.isEmpty())
            QCOMPARE(rows.first().time.offsetFromUtc(), 3600);
    }

    void uri_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QString>("pgoptions");   // the environment's PGOPTIONS
        QTest::addColumn<QString>("parsed");      // user|host|port|database|options, or the refusal
        const QString timeouts = QStringLiteral("-c statement_timeout=10000 -c lock_timeout=5000");
        QTest::newRow("host and port; the default time-outs, then PGOPTIONS, then the URI's options")
            << "postgresql://quorvel@db.plant:5433/runs?options=-c%20lock_timeout%3D1s" << "-c work_mem=8MB"
            << "quorvel|db.plant|5433|runs|connect_timeout=5 options='" + timeouts + " -c work_mem=8MB -c lock_timeout=1s'";
        QTest::newRow("socket folder as a parameter; libpq's options quoted, a quote and a backslash inside the value")
            << "postgresql:///runs?host=/tmp/pg&connect_timeout=2&application_name=bay%203's%20%5C" << ""
            << "|/tmp/pg|-1|runs|connect_timeout='2' application_name='bay 3\\'s \\\\' options='" + timeouts + "'";
        QTest::newRow("password in the user part") << "postgresql://u:secret@h/r" << "" << "refused: a password does not belong";
        QTest::newRow("password as a parameter") << "postgresql://u@h/r?password=secret" << ""
                                                 << "refused: a password does not belong";
        QTest::newRow("a key that would bring another parameter")
            << "postgresql://u@h/r?sslmode%3Ddisable%20host=/tmp" << "" << "refused: the parameter";
        QTest::newRow("a semicolon, which the driver makes a separator")
            << "postgresql://u@h/r?application_name=a%3Bhost%3D%2Ftmp" << "" << "refused: the parameter";
    }
    void uri()
    {
        QFETCH(QString, uri);
        QFETCH(QString, pgoptions);
        QFETCH(QString, parsed);
        qputenv("PGOPTIONS", pgoptions.toUtf8());   // empty as good as unset
        pgreport::Target t;
        QString why;
        const bool ok = pgreport::parseUri(uri, &t, &why);
        qunsetenv("PGOPTIONS");
        const QStringList target{t.user, t.host, QString::number(t.port), t.database, t.options.join(u' ')};
        QCOMPARE(ok ? target.join(u'|') : QStringLiteral("refused: ") + why.left(parsed.size() - 9), parsed);
    }

    // No database to reach and no spool to make (its folder under a file): the row is lost, and said so.
    void nowhere()
    {
        testsupport::writeFile(csv, "not a folder");
        qputenv("XDG_DATA_HOME", csv.toLocal8Bit());
        ReportRow row;
        row.mac = QStringLiteral("AC:CF:23:5A:10:7E");
        QString where;
        const QString uri = QStringLiteral("postgresql://u@/r?host=") + dir.filePath(QStringLiteral("none"));
        QCOMPARE(pgreport::insertRow(uri, row, &where), pgreport::Stored::Lost);
        QVERIFY2(where.startsWith(QStringLiteral("Report row lost: ")) && where.contains(QStringLiteral("No such file")),
                 qPrintable(where));
    }
};

QTEST_GUILESS_MAIN(tst_reporthistory)
#include "tst_reporthistory.moc"
