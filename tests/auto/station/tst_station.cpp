// The production station: its pure pieces on their own, and the window driving fixtures of simulated modules.
#include <QCryptographicHash>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QThread>
#include <QTranslator>

#include <csignal>

#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include "station/fixture.h"
#include "report/report.h"
#include "station/stationwindow.h"
#include "tests/common/testsupport.h"

using station::FixtureState;
using testsupport::readFile;
using testsupport::writeFile;

Q_DECLARE_METATYPE(FixtureState::Phase)

namespace {

const QByteArray header = "time,port,mac,firmware,action,profile,profile_sha256,result,exit,detail,ms\r\n";

// The text a tile's label shows, without the zero-width spaces that let its lines break.
QString shown(const QFrame *tile, const char *label)
{
    return tile->findChild<QLabel *>(QLatin1String(label))->text().remove(QChar(0x200B));
}

// The first label of `tile` whose text runs past its edges (a wrapped one's height too), or empty.
QString unfit(const QFrame *tile)
{
    for (const QLabel *label : tile->findChildren<QLabel *>()) {
        if (!label->isVisible() || label->text().isEmpty())
            continue;
        const QRect room = label->contentsRect();
        const QFontMetrics metrics(label->font());
        const QRect need = label->wordWrap()
            ? metrics.boundingRect(QRect(0, 0, room.width(), 100000), Qt::TextWordWrap, label->text())
            : QRect(0, 0, metrics.horizontalAdvance(label->text()), metrics.height());
        if (need.width() > room.width() || need.height() > room.height())
            return QStringLiteral("%1 \"%2\" needs %3 x %4, has %5 x %6")
                .arg(label->objectName(), label->text(), QString::number(need.width()), QString::number(need.height()),
                     QString::number(room.width()), QString::number(room.height()));
    }
    return QString();
}

} // namespace

class tst_Station : public QObject
{
    Q_OBJECT

    QTemporaryDir dataHome;
    std::optional<QTemporaryDir> m_dir;   // each test's working folder, line.xml (a complete profile) in it

    QString file(const char *name) const { return m_dir->filePath(QLatin1String(name)); }

private slots:
    void initTestCase()   // the runs' backups and the default report go to a folder of the test's own
    {
        QVERIFY(dataHome.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    }
    void init()
    {
        QVERIFY(m_dir.emplace().isValid() && QDir::setCurrent(m_dir->path()));
        writeFile(file("line.xml"), testsupport::completeProfile);
    }

    // What cannot take rows is refused at once and left untouched; a lock held elsewhere is waited for: no 2nd header.
    void append_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("said");   // in the refusal; empty: appended
        QTest::newRow("no such folder") << "folder" << "No such file or directory";
        QTest::newRow("link to a report") << "link" << "符号链接";
        QTest::newRow("FIFO without a reader") << "fifo" << "不是普通文件";
        QTest::newRow("device") << "device" << "不是普通文件";
        QTest::newRow("locked by another process") << "locked" << "";
    }
    void append()
    {
        QFETCH(QString, kind);
        QFETCH(QString, said);
        QString path = file(kind == u"folder" ? "no/such/r.csv" : "r.csv");
        const QByteArray name = QFile::encodeName(path);
        int locked = -1;
        if (kind == u"link") {
            writeFile(file("elsewhere.csv"), header + "q\r\n");
            QVERIFY(QFile::link(file("elsewhere.csv"), path));
        } else if (kind == u"fifo") {
            QVERIFY(::mkfifo(name.constData(), 0644) == 0);
        } else if (kind == u"device") {
            path = QStringLiteral("/dev/null");
        } else if (kind == u"locked") {
            writeFile(path, QByteArray());
            locked = ::open(name.constData(), O_WRONLY | O_APPEND);
            QVERIFY(locked >= 0 && ::flock(locked, LOCK_EX) == 0);
        }
        bool ok = !said.isEmpty();   // the wrong answer until the append gives its own
        QString why;
        std::unique_ptr<QThread> appender(QThread::create([&] { ok = report::appendLocked(path, header, "b\r\n", &why); }));
        appender->start();
        if (locked >= 0) {   // once the append waits for the lock, its holder writes the report's first rows
            struct stat st;
            QVERIFY(::fstat(locked, &st) == 0);
            const QRegularExpression awaited(QStringLiteral("-> FLOCK .*:%1 ").arg(qulonglong(st.st_ino)));
            QTRY_VERIFY(awaited.match(QString::fromLatin1(readFile(QStringLiteral("/proc/locks")))).hasMatch());
            const QByteArray first = header + "a\r\n";
            QCOMPARE(::write(locked, first.constData(), size_t(first.size())), ssize_t(first.size()));
            ::close(locked);
        }
        const bool answered = appender->wait(5000);
        const int reader = answered ? -1 : ::open(name.constData(), O_RDONLY | O_NONBLOCK);   // lets a blocked open go on
        const bool ended = appender->wait(10000);
        ::close(reader);
        QVERIFY2(answered && ended, "the append waited");
        QVERIFY2(ok == said.isEmpty() && why.contains(said) && (ok || why.contains(path)), qPrintable(why));
        if (ok)
            QCOMPARE(readFile(path), header + "a\r\nb\r\n");
    }

    // Options left empty are left out; the run id always goes with the run.
    void childArguments()
    {
        const QStringList tail{"--apply", "/p.xml", "--verify", "--report", "/r.csv", "--progress"};
        QCOMPARE(station::childArguments({"ttyUSB0", "", "", "/p.xml", "/r.csv", "", "R1", "", "", ""}),
                 (QStringList{"--wait-new", "", "--port", "ttyUSB0"} + tail + QStringList{"--run-id", "R1"}));
        QCOMPARE(station::childArguments({"ttyUSB0", "9600", "AC:CF:23:00:00:01", "/p.xml", "/r.csv", "V2.1.7", "R1",
                                          "/l.txt", "ac-cf-23-00-00-02", "line 3"}),
                 (QStringList{"--wait-new", "AC:CF:23:00:00:01", "--port", "ttyUSB0", "--baud", "9600"} + tail
                  + QStringList{"--run", "/l.txt", "--label", "ac-cf-23-00-00-02", "--expect-mac", "AC:CF:23:00:00:02",
                                "--expect-version", "V2.1.7", "--station-name", "line 3", "--run-id", "R1"}));
        QCOMPARE(station::childArguments({"ttyUSB0", "", "", "/p.xml", "/r.csv", "", "", "", "SN 7", ""}),
                 (QStringList{"--wait-new", "", "--port", "ttyUSB0"} + tail + QStringList{"--label", "SN 7"}));
    }

    // The shift's yield: a module re-run after a FAIL is not first-pass, the rate looks at the last ten minutes,
    // reasons by count, and the summary a spreadsheet cannot take for formulas. Modules per hour over the running
    // time only: right after a second Start the rate is the stop's.
    void shiftYieldAndRate()
    {
        station::ShiftYield y;
        QCOMPARE(y.firstPassYield(), -1.0);
        y.record(QStringLiteral("A"), QStringLiteral("ttyUSB0"), false, QStringLiteral("AT+APSTA= 回答 ERR=3"), 0);
        y.record(QStringLiteral("A"), QStringLiteral("ttyUSB0"), true, QString(), 60000);
        y.record(QStringLiteral("B"), QStringLiteral("ttyUSB1"), true, QString(), 120000);
        y.record(QStringLiteral("C"), QStringLiteral("ttyUSB1"), false, QStringLiteral("=1+1, \"x\""), 700000);
        y.record(QStringLiteral("D"), QStringLiteral("ttyUSB1"), false, QStringLiteral("=1+1, \"x\""), 710000);
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(y.passed()).arg(y.failed()).arg(y.firstPassYield()), "2 3 25");
        QCOMPARE(y.recentPerHour(710000, 0), 18.0);   // 3 modules in the last 600 s
        station::ShiftYield young;   // a shift not ten minutes old yet: its own time
        young.record(QStringLiteral("E"), QStringLiteral("ttyUSB0"), true, QString(), 70000);
        QCOMPARE(young.recentPerHour(100000, 40000), 60.0);   // 1 module in 60 s
        QCOMPARE(y.topReasons(1), (QList<QPair<QString, int>>{{"=1+1, \"x\"", 2}}));
        QCOMPARE(y.summaryCsv(), QByteArray("kind,name,passed,failed,count,first_pass_yield\r\n"
                                            "shift,,2,3,5,25.0\r\n"
                                            "fixture,ttyUSB0,1,1,2,\r\n"
                                            "fixture,ttyUSB1,1,2,3,\r\n"
                                            "reason,\"'=1+1, \"\"x\"\"\",,,2,\r\n"
                                            "reason,AT+APSTA= 回答 ERR=3,,,1,\r\n"));

        station::RunClock clock;
        clock.start(0);
        clock.stop(3600000);
        QCOMPARE(clock.runningMs(9000000), qint64(3600000));
        clock.start(7200000);
        QCOMPARE(clock.runningMs(7200005), qint64(3600005));
        QCOMPARE(station::modulesPerHour(60, clock.runningMs(7200005)), 60.0 * 3600000 / 3600005);
    }

    // Each module's label scanned first: no run starts without its scan; a scanned MAC is the module's or nothing
    // is written to it; a scan can name its fixture; the codes are in the rows.
    void scannedLabels()
    {
        ModSim a;
        QString why;
        QVERIFY2(a.start(&why), qPrintable(why));
        a.setMac(QStringLiteral("AC:CF:23:00:00:0F"));
        StationWindow w(QStringLiteral(QUORVEL_BIN));
        QVERIFY(w.setProfile(file("line.xml")));
        w.setReportFile(file("r.csv"));
        w.addFixture(a.slavePath());
        w.setScanFirst(true);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.start();
        QVERIFY(w.isRunning() && w.awaitingScan(0));
        auto *scanField = w.findChild<QLineEdit *>(QStringLiteral("lineEdit_scan"));
        QTRY_VERIFY(scanField->hasFocus());
        w.findChild<QPushButton *>(QStringLiteral("pushButton_shiftReport"))->setFocus();   // a click left it there
        QTRY_VERIFY(scanField->hasFocus());
        QCOMPARE(w.runningChildren(), 0);
        w.takeScan(QStringLiteral("FIXTURE:2:AC:CF:23:00:00:10"));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("label_totals"))->text(),
                 QStringLiteral("没有工位 2，扫描的标签“AC:CF:23:00:00:10”没有使用"));
        QCOMPARE(w.runningChildren(), 0);

        w.takeScan(QStringLiteral(" ac-cf-23-00-00-0f "));
        QTRY_COMPARE_WITH_TIMEOUT(w.fixtureState(0).phase(), FixtureState::Phase::Pass, 30000);
        QTRY_VERIFY(w.awaitingScan(0));
        a.swapModule();   // AC:CF:23:00:00:10 now, labelled as another
        a.clearTrace();
        w.takeScan(QStringLiteral("fixture:1:AC:CF:23:00:00:99"));
        QTRY_COMPARE_WITH_TIMEOUT(w.fixtureState(0).phase(), FixtureState::Phase::Fail, 30000);
        QCOMPARE(w.fixtureState(0).reason(),
                 QStringLiteral("模块的 MAC 为 AC:CF:23:00:00:10，标签为 AC:CF:23:00:00:99，不是同一个模块；没有写入"));
        QVERIFY(!a.receivedBytes().contains('='));
        QTRY_VERIFY(w.awaitingScan(0));
        const QList<QStringList> rows = testsupport::csvRows(file("r.csv"));
        QCOMPARE(rows.size(), 3);
        const int label = int(ReportRow::columns().indexOf("label"));
        QCOMPARE(rows.at(1).at(label) + u' ' + rows.at(2).at(label), QStringLiteral("ac-cf-23-00-00-0f AC:CF:23:00:00:99"));
        const QString yield = w.findChild<QLabel *>(QStringLiteral("label_yield"))->text();
        QVERIFY2(yield.startsWith(QStringLiteral("合格 1 · 不合格 1 · 一次通过率 50.0% · ")) && yield.contains(u"\n常见原因：模块的 MAC"),
                 qPrintable(yield));
        w.stop();
        QVERIFY(!w.isRunning());
    }

    // A fixture added by its adapter's stable name (the port box offers it) keeps working when the adapter comes
    // back as another device.
    void replugByStableName()
    {
        PortEntry usb;
        usb.portName = QStringLiteral("ttyUSB0");
        QCOMPARE(station::fixturePort(usb), QStringLiteral("ttyUSB0"));
        usb.byIdLink = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
        QCOMPARE(station::fixturePort(usb), usb.byIdLink);

        const QString stable = file("usb-Line_Adapter_A1-if00-port0");
        QString why;
        auto first = std::make_unique<ModSim>();
        QVERIFY2(first->start(&why) && first->makeLink(stable, &why), qPrintable(why));
        const QString nextMac = ModSim::nextMac(first->mac());
        StationWindow w(QStringLiteral(QUORVEL_BIN));
        QVERIFY(w.setProfile(file("line.xml")));
        w.setReportFile(file("r.csv"));
        w.addFixture(stable);
        w.start();
        QTRY_COMPARE_WITH_TIMEOUT(w.totalPasses(), 1, 30000);
        ModSim second;   // the adapter's next device, another one than the first's
        QVERIFY2(second.start(&why), qPrintable(why));
        QVERIFY(second.slavePath() != first->slavePath());
        second.setMac(nextMac);
        first.reset();   // unplugged: the stable name dangles
        QVERIFY2(second.makeLink(stable, &why), qPrintable(why));   // plugged in again
        QTRY_COMPARE_WITH_TIMEOUT(w.totalPasses(), 2, 30000);
        QCOMPARE(w.fixtureState(0).mac(), nextMac);
        w.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isRunning(), 15000);
    }

    // A supervisor's setup: what it gives is on screen and locked, Start works at once, a profile changed since it
    // was set up is refused naming both hashes; Save writes the same keys back.
    void lockedSetup()
    {
        ModSim a;
        QString why;
        QVERIFY2(a.start(&why), qPrintable(why));
        const QString sha = QString::fromLatin1(
            QCryptographicHash::hash(testsupport::completeProfile, QCryptographicHash::Sha256).toHex());
        const QString setupPath = file("setup.ini");
        writeFile(setupPath, ("[station]\nprofile=line.xml\nprofileSha256=" + sha + "\nreport=r.csv\nstationName=line 3\n"
                              "fixtures=" + a.slavePath() + "@115200;/dev/quorvel-none@9600\n; a comment\n").toUtf8());
        {
            StationWindow w(QStringLiteral(QUORVEL_BIN));
            QVERIFY2(w.loadSetup(setupPath, &why), qPrintable(why));
            QCOMPARE(w.fixtureCount(), 2);
            QCOMPARE(w.reportFile(), file("r.csv"));
            const auto enabled = [&w](const char *name) { return w.findChild<QWidget *>(QLatin1String(name))->isEnabled(); };
            QVERIFY(!enabled("pushButton_chooseProfile") && !enabled("pushButton_addFixture") && !enabled("lineEdit_report"));
            QVERIFY(enabled("lineEdit_firmware"));   // not in the setup: editable
            w.start();
            QVERIFY(w.isRunning());
            QTRY_COMPARE_WITH_TIMEOUT(w.fixtureState(0).phase(), FixtureState::Phase::Pass, 30000);
            w.stop();
            QTRY_VERIFY_WITH_TIMEOUT(!w.isRunning(), 15000);
            QVERIFY(!enabled("pushButton_chooseProfile") && enabled("lineEdit_firmware"));   // after the run too
            const QString saved = file("saved.ini");
            QVERIFY2(w.saveSetup(saved, &why), qPrintable(why));
            QSettings back(saved, QSettings::IniFormat);
            QCOMPARE(back.value("station/profileSha256").toString() + u' ' + back.value("station/stationName").toString()
                         + u' ' + back.value("station/fixtures").toString(),
                     sha + " line 3 " + a.slavePath() + "@115200;/dev/quorvel-none@9600");
        }
        writeFile(file("line.xml"), testsupport::completeProfile + ' ');
        StationWindow w(QStringLiteral(QUORVEL_BIN));
        QVERIFY2(w.loadSetup(setupPath, &why), qPrintable(why));
        w.start();
        QVERIFY(!w.isRunning());
        QVERIFY2(w.findChild<QLabel *>(QStringLiteral("label_totals"))->text().endsWith(QStringLiteral("，站点设置要求 ") + sha),
                 qPrintable(w.findChild<QLabel *>(QStringLiteral("label_totals"))->text()));
        QVERIFY(!w.loadSetup(file("none.ini"), &why));
    }

    // A child run's lines and end per row: the tile's phase, counts, reason and notice, and whether another starts.
    void tileStates_data()
    {
        // "start", progress lines, "exit N[: last error]", "died WHY", "stopped N" (by Stop), "nochild"
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<FixtureState::Phase>("phase");
        QTest::addColumn<QString>("counts");   // passes/fails
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("notice");   // "restarted: WHY", "halted: WHY" or ""
        QTest::addColumn<bool>("again");
        using P = FixtureState::Phase;
        const QStringList pass{"start", "@waiting", "@module M1", "@writing", "@verifying", "@reported", "exit 0"};
        QTest::newRow("the result stays while the next child waits")
            << pass + QStringList{"start", "@waiting"} << P::Pass << "1/0" << "" << "" << true;
        QTest::newRow("a wait Stop ended counts nothing")
            << pass + QStringList{"start", "@waiting", "stopped 3", "nochild"} << P::Pass << "1/0" << "" << "" << true;
        QTest::newRow("a death while waiting restarts the wait once") << pass + QStringList{"start", "@waiting",
            "died crashed"} << P::Pass << "1/0" << "" << "restarted: crashed" << true;
        QTest::newRow("SIGTERM from elsewhere while waiting restarts it too")
            << QStringList{"start", "@waiting", "exit 3: 等待模块时被中断"} << P::Waiting << "0/0" << ""
            << "restarted: 等待模块时被中断" << true;
        QTest::newRow("a second death halts the fixture, the PASS on show stays")
            << pass + QStringList{"start", "died crashed", "start", "died killed -9", "nochild"} << P::Pass << "1/0"
            << "" << "halted: killed -9" << false;
        QTest::newRow("a module between two deaths allows another restart; its detail is the reason")
            << QStringList{"start", "died crashed", "start", "@module M1", "@detail ERR=3", "exit 1", "start",
                           "died again"} << P::Fail << "0/1" << "ERR=3" << "restarted: again" << true;
        QTest::newRow("a run refused without a module halts at once, not as a FAIL")
            << QStringList{"start", "@detail 配置文件不完整", "exit 2", "nochild"} << P::Idle << "0/0" << ""
            << "halted: 配置文件不完整" << false;
        QTest::newRow("without a detail its last error line is the reason")
            << pass + QStringList{"start", "exit 2: 不能写入报告", "nochild"} << P::Pass << "1/0" << ""
            << "halted: 不能写入报告" << false;
    }
    void tileStates()
    {
        QFETCH(QStringList, script);
        FixtureState s;
        bool again = true;
        for (const QString &step : std::as_const(script)) {
            const QString word = step.section(u' ', 0, 0), rest = step.section(u' ', 1);
            if (step == QLatin1String("start")) {
                s.childStarted();
            } else if (step == QLatin1String("nochild")) {
                s.noChild();
            } else if (step.startsWith(u'@')) {
                s.progressLine(progress::parse(step.toUtf8()));
            } else {
                station::ChildEnd end;
                end.exitCode = rest.section(u':', 0, 0).toInt();
                end.lastError = rest.section(QStringLiteral(": "), 1);
                end.abnormal = word == u"died" ? rest : QString();
                end.byStation = word == u"stopped";
                again = s.childFinished(end) == FixtureState::Next::Again;
            }
        }
        QTEST(s.phase(), "phase");
        QTEST(QStringLiteral("%1/%2").arg(s.passes()).arg(s.fails()), "counts");
        QTEST(s.reason(), "reason");
        QTEST(s.halted() ? QStringLiteral("halted: ") + s.haltReason()
              : s.restartedAfter().isEmpty() ? QString() : QStringLiteral("restarted: ") + s.restartedAfter(),
              "notice");
        QTEST(again, "again");
    }

    // Fixtures through module swaps, Stop, a restart in English, deaths of waiting runs and closing: tiles,
    // counts and one report row per module, the killed run's included.
    void stationDrivesFixtures()
    {
        ModSim a, b, c;
        QString why;
        QVERIFY2(a.start(&why) && b.start(&why) && c.start(&why), qPrintable(why));
        a.setMac(QStringLiteral("AC:CF:23:00:00:0F"));
        b.setMac(QStringLiteral("AC:CF:23:00:01:00"));
        const QString profile = file("line.xml"), reportPath = file("reports/today.csv");
        StationWindow w(QStringLiteral(QUORVEL_BIN));
        QVERIFY(!w.setProfile(file("none.xml")));
        QVERIFY(w.setProfile(profile));
        w.setReportFile(reportPath);
        w.addFixture(a.slavePath());
        writeFile(profile, testsupport::completeProfile + ' ');   // edited after it was chosen: no Start
        w.start();
        QVERIFY(!w.isRunning());
        writeFile(profile, testsupport::completeProfile);
        w.addFixture(b.slavePath());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSignalSpy finished(&w, &StationWindow::moduleFinished);
        QSignalSpy written(&w, &StationWindow::rowWritten);
        w.start();
        QVERIFY(w.isRunning());

        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 30000);
        QCOMPARE(w.fixtureState(0).phase(), FixtureState::Phase::Pass);
        QCOMPARE(w.fixtureState(1).phase(), FixtureState::Phase::Pass);
        a.setError(QStringLiteral("AT+APSTA="), 3);
        a.swapModule();
        b.swapModule();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 4, 30000);
        QVERIFY2(w.fixtureState(0).reason().contains(QStringLiteral("AT+APSTA=")), qPrintable(w.fixtureState(0).reason()));
        QCOMPARE(w.totalPasses(), 3);
        QCOMPARE(w.totalFails(), 1);
        QCOMPARE(shown(w.tile(0), "phase"), QStringLiteral("不合格"));
        QVERIFY(w.tile(0)->styleSheet().contains(QStringLiteral("#c62828")));
        QCOMPARE(shown(w.tile(1), "phase"), QStringLiteral("合格"));

        // The first Stop ends the waiting run, not the one hanging in its write; the second kills it, with a row.
        b.setSilent(QStringLiteral("AT+APSTA="));
        b.swapModule();
        QTRY_COMPARE_WITH_TIMEOUT(w.fixtureState(1).phase(), FixtureState::Phase::Writing, 15000);
        w.stop();
        QTRY_COMPARE_WITH_TIMEOUT(w.runningChildren(), 1, 15000);
        QVERIFY(w.isRunning());
        w.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isRunning(), 15000);
        QCOMPARE(w.fixtureState(1).phase(), FixtureState::Phase::Fail);
        QCOMPARE(w.totalFails(), 2);
        QTRY_COMPARE(written.size(), 1);   // the killed run's row, from the station
        QVERIFY(written.first().at(0).toBool());

        // Again in English (whatever the settings file says), a third fixture on a long port whose module keeps
        // other values: the rate goes on from the stop's, and nothing is cut off at the tile's minimum width.
        QTranslator english;
        QVERIFY(english.load(QStringLiteral(":/Quorvel/en_lang")));
        QCoreApplication::installTranslator(&english);
        writeFile(file("Quorvel.ini"), "[LANG]\nlang=English\n");   // Chinese on screen
        // The station's own file named outright, as on Windows: its runs still read the run folder's copy.
        qputenv("QUORVEL_SETTINGS", QFile::encodeName(file("Quorvel.ini")));
        const QString longPort = file("usb-Line_3_Serial_Adapter_USB_UART_0042-if00-port0");
        QVERIFY2(c.makeLink(longPort, &why), qPrintable(why));
        c.setIgnored(QStringLiteral("AT+STAMOD="));
        c.setIgnored(QStringLiteral("AT+APSTA="));
        c.setDelay(60);   // the read-back lasts long enough to be seen
        w.addFixture(longPort);
        for (int i = 0; i < 3; ++i)
            w.tile(i)->setFixedWidth(w.tile(i)->minimumWidth());
        QFrame *tile = w.tile(0), *narrow = w.tile(2);
        const double atStop = w.modulesPerHour();
        w.start();
        QVERIFY2(w.modulesPerHour() > 0 && w.modulesPerHour() <= atStop,
                 qPrintable(QStringLiteral("%1 after %2").arg(w.modulesPerHour()).arg(atStop)));
        QTRY_VERIFY2_WITH_TIMEOUT(w.fixtureState(2).phase() == FixtureState::Phase::Verifying && unfit(narrow).isEmpty(),
                                  qPrintable(shown(narrow, "phase") + " / " + shown(narrow, "port") + " / "
                                             + w.fixtureState(2).reason() + " / " + unfit(narrow)), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(w.fixtureState(2).phase(), FixtureState::Phase::Fail, 30000);
        QVERIFY2(w.fixtureState(2).reason().size() > 60 && w.fixtureState(2).reason().contains(QStringLiteral(": file \"")),
                 qPrintable(w.fixtureState(2).reason()));
        qunsetenv("QUORVEL_SETTINGS");
        QTRY_VERIFY_WITH_TIMEOUT(shown(narrow, "port").contains(QStringLiteral("waiting for the next module")), 15000);
        QTRY_COMPARE(unfit(narrow), QString());

        // Fixture 0's waiting run dies: waited again, said on the tile. A second death stops the fixture alone,
        // its FAIL on show and the deaths uncounted; Start runs it again.
        const auto waitingChild = [&w](const QString &mac) {   // the running child that waits for another than mac
            for (const QProcess *p : w.findChildren<QProcess *>()) {
                if (p->state() == QProcess::Running && p->arguments().join(u' ').contains("--wait-new " + mac + ' '))
                    return pid_t(p->processId());
            }
            return pid_t(0);
        };
        pid_t first = 0, second = 0;
        QTRY_VERIFY_WITH_TIMEOUT((first = waitingChild(a.mac())) > 0, 15000);
        QCOMPARE(::kill(first, SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT((second = waitingChild(a.mac())) > 0 && second != first, 15000);
        QVERIFY2(shown(tile, "notice").contains(QStringLiteral("waiting again")), qPrintable(shown(tile, "notice")));
        QCOMPARE(::kill(second, SIGHUP), 0);
        QTRY_VERIFY_WITH_TIMEOUT(w.fixtureState(0).halted(), 15000);
        QVERIFY(w.isRunning());
        QVERIFY2(shown(tile, "port").endsWith(QStringLiteral(" · stopped")), qPrintable(shown(tile, "port")));
        QVERIFY2(shown(tile, "notice").startsWith(QStringLiteral("Fixture stopped: ")), qPrintable(shown(tile, "notice")));
        QCOMPARE(shown(tile, "phase"), QStringLiteral("FAIL"));
        QCOMPARE(shown(tile, "counts"), QStringLiteral("Pass 1 · Fail 1"));
        QTRY_COMPARE(unfit(tile), QString());
        w.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isRunning(), 15000);
        w.start();
        QVERIFY(!w.fixtureState(0).halted());
        QVERIFY(shown(tile, "notice").isEmpty());

        // Closing the window asks first: No keeps it running, Yes ends the runs.
        for (const QMessageBox::StandardButton press : {QMessageBox::No, QMessageBox::Yes}) {
            QString asked;
            QTimer::singleShot(0, [&asked, press] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                asked = box->text();
                box->button(press)->click();
            });
            QCOMPARE(w.close(), press == QMessageBox::Yes);
            QVERIFY2(asked.contains(QStringLiteral("Kill every fixture")), qPrintable(asked));
            QCOMPARE(w.isRunning(), press == QMessageBox::No);
        }

        // One header and whole rows, though the first two runs began the report at once.
        const QList<QStringList> rows = testsupport::csvRows(reportPath);
        QCOMPARE(rows.size(), 7);
        QCOMPARE(rows.first(), ReportRow::columns());
        QStringList macs;
        for (const QStringList &row : rows.mid(1))
            macs << row.at(2) + u' ' + row.at(8) + u' ' + row.at(9) + u' ' + QString::number(row.size());
        macs.sort();
        QCOMPARE(macs, (QStringList{"AC:CF:23:00:00:0F pass 0 12", "AC:CF:23:00:00:10 fail 1 12",
                                    "AC:CF:23:00:01:00 pass 0 12", "AC:CF:23:00:01:01 pass 0 12",
                                    "AC:CF:23:00:01:02 fail -1 12", c.mac() + " fail 1 12"}));
    }
};

QTEST_MAIN(tst_Station)
#include "tst_station.moc"
