// The production station: its pure pieces (CSV records, the locked append and
// what it refuses, the child's command line, the tile's states, the running
// clock) on their own, and the window driving fixtures of simulated modules
// through whole quorvel runs.
#include <QFrame>
#include <QLabel>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>
#include <QTranslator>

#include <atomic>
#include <csignal>

#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include "station/csvtable.h"
#include "station/fixture.h"
#include "station/report.h"
#include "station/stationwindow.h"
#include "tests/common/testsupport.h"

using station::FixtureState;
using testsupport::readFile;
using testsupport::writeFile;

Q_DECLARE_METATYPE(FixtureState::Phase)

namespace {

const QByteArray header = "time,port,mac,firmware,action,profile,profile_sha256,result,exit,detail,ms\r\n";

// Whether some process waits for a flock on the file with this inode.
bool flockAwaited(ino_t inode)
{
    const QList<QByteArray> lines = readFile(QStringLiteral("/proc/locks")).split('\n');
    const QByteArray tail = ':' + QByteArray::number(qulonglong(inode)) + ' ';
    for (const QByteArray &line : lines) {
        if (line.contains("-> FLOCK") && line.contains(tail))
            return true;
    }
    return false;
}

// The text a tile's label shows, without the zero-width spaces that let its lines break.
QString shown(const QFrame *tile, const char *label)
{
    return tile->findChild<QLabel *>(QLatin1String(label))->text().remove(QChar(0x200B));
}

// The first label of `tile` whose text runs past its edges, or empty: a wrapped one laid out at its width
// must fit its width and height, the others' one line its width.
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

// The quorvel child of this process that waits for a module other than `mac`, or 0.
pid_t waitingChild(const QString &mac)
{
    for (const QString &task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QList<QByteArray> pids = readFile(QStringLiteral("/proc/self/task/%1/children").arg(task)).split(' ');
        for (const QByteArray &pid : pids) {
            const QByteArray cmdline = readFile(QStringLiteral("/proc/%1/cmdline").arg(QString::fromLatin1(pid)));
            if (!pid.isEmpty() && cmdline.contains(QByteArray("--wait-new") + '\0' + mac.toLatin1() + '\0'))
                return pid_t(pid.toInt());
        }
    }
    return 0;
}

} // namespace

class tst_Station : public QObject
{
    Q_OBJECT

    QTemporaryDir dataHome;

private slots:
    // The runs' backups and the station's default report go to a folder of the test's own.
    void initTestCase()
    {
        QVERIFY(dataHome.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    }

    void csvRecord_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("plain, empty and Chinese as they are")
            << QStringList{"pass", "", "核对完成"} << QByteArray("pass,,核对完成\r\n");
        QTest::newRow("a comma quotes the field") << QStringList{"a,b", "c"} << QByteArray("\"a,b\",c\r\n");
        QTest::newRow("a comma alone, no quote with it") << QStringList{"line,3.xml", "V2"}
                                                           << QByteArray("\"line,3.xml\",V2\r\n");
        QTest::newRow("a quote is doubled") << QStringList{"file \"P\", module \"O\""}
                                            << QByteArray("\"file \"\"P\"\", module \"\"O\"\"\"\r\n");
        QTest::newRow("line breaks quote the field") << QStringList{"a\nb", "c\rd"} << QByteArray("\"a\nb\",\"c\rd\"\r\n");
    }
    void csvRecord()
    {
        QFETCH(QStringList, fields);
        QFETCH(QByteArray, record);
        QCOMPARE(csvtable::line(fields), record);
    }

    void timeHasItsOffset_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("text");
        QTest::newRow("east") << 3600 << "2026-12-07T10:55:37.042+01:00";
        QTest::newRow("west, half hour") << -(5 * 3600 + 1800) << "2026-12-07T10:55:37.042-05:30";
        QTest::newRow("UTC") << 0 << "2026-12-07T10:55:37.042+00:00";
    }
    void timeHasItsOffset()
    {
        QFETCH(int, offset);
        QFETCH(QString, text);
        const QDateTime t(QDate(2026, 12, 7), QTime(10, 55, 37, 42), Qt::OffsetFromUTC, offset);
        QCOMPARE(csvtable::isoTime(t), text);
    }

    // The header goes in front of the first record only: a new file, an empty one; never a second time.
    void appendLocked_data()
    {
        QTest::addColumn<QByteArray>("before");   // "-": no file
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("new file") << QByteArray("-") << header + "r\r\n";
        QTest::newRow("empty file") << QByteArray() << header + "r\r\n";
        QTest::newRow("file with rows") << header + "q\r\n" << header + "q\r\nr\r\n";
    }
    void appendLocked()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.csv"));
        if (before != "-")
            writeFile(path, before);
        QString why;
        QVERIFY2(report::appendLocked(path, header, "r\r\n", &why), qPrintable(why));
        QCOMPARE(readFile(path), after);
    }

    void appendToFolderFails()
    {
        QTemporaryDir dir;
        QString why;
        QVERIFY(!report::appendLocked(dir.filePath(QStringLiteral("no/such/r.csv")), header, "r\r\n", &why));
        QVERIFY2(why.contains(QStringLiteral("no/such/r.csv")), qPrintable(why));
    }

    // What is in the report's place but a regular file is refused at once and left as it was: a link is not
    // followed (its target would get rows without a header), a FIFO or a device is not waited on or written to.
    void appendRefusesWhatIsNoRegularFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("said");
        QTest::newRow("link to a report") << "link" << "符号链接";
        QTest::newRow("FIFO without a reader") << "fifo" << "不是普通文件";
        QTest::newRow("FIFO with a reader") << "fifo+reader" << "不是普通文件";
        QTest::newRow("device") << "device" << "不是普通文件";
    }
    void appendRefusesWhatIsNoRegularFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("elsewhere.csv"));
        QString path = dir.filePath(QStringLiteral("r.csv"));
        const QByteArray fifoName = QFile::encodeName(path);
        int reader = -1;
        if (kind == u"link") {
            writeFile(target, header + "q\r\n");
            QVERIFY(QFile::link(target, path));
        } else if (kind.startsWith(u"fifo")) {
            QVERIFY(::mkfifo(fifoName.constData(), 0644) == 0);
            if (kind == u"fifo+reader")
                reader = ::open(fifoName.constData(), O_RDONLY | O_NONBLOCK);
        } else {
            path = QStringLiteral("/dev/null");
        }
        std::atomic<bool> done = false;
        bool ok = true;
        QString why;
        std::unique_ptr<QThread> appender(QThread::create([&] {
            ok = report::appendLocked(path, header, "r\r\n", &why);
            done = true;
        }));
        appender->start();
        const bool answered = QTest::qWaitFor([&] { return done.load(); }, 5000);
        if (!answered && reader < 0 && kind.startsWith(u"fifo"))
            reader = ::open(fifoName.constData(), O_RDONLY | O_NONBLOCK);   // lets a blocked open go on
        QVERIFY(appender->wait(10000));
        QVERIFY2(answered, "the append waited");
        QVERIFY(!ok);
        QVERIFY2(why.contains(path) && why.contains(said), qPrintable(why));
        if (reader >= 0) {
            char c;
            QVERIFY2(::read(reader, &c, 1) <= 0, "a row went into the FIFO");
            ::close(reader);
        }
        if (kind == u"link")
            QCOMPARE(readFile(target), header + "q\r\n");
    }

    // While another process holds the lock, an append waits for it, and then sees the rows that process wrote:
    // no second header.
    void appendWaitsForTheLock()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.csv"));
        writeFile(path, QByteArray());
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND);
        QVERIFY(fd >= 0 && ::flock(fd, LOCK_EX) == 0);
        struct stat st;
        QVERIFY(::fstat(fd, &st) == 0);
        bool ok = false;
        QString why;
        std::unique_ptr<QThread> appender(QThread::create([&] { ok = report::appendLocked(path, header, "b\r\n", &why); }));
        appender->start();
        QTRY_VERIFY(flockAwaited(st.st_ino));
        const QByteArray first = header + "a\r\n";
        QCOMPARE(::write(fd, first.constData(), size_t(first.size())), ssize_t(first.size()));
        ::close(fd);
        QVERIFY(appender->wait(10000));
        QVERIFY2(ok, qPrintable(why));
        QCOMPARE(readFile(path), header + "a\r\nb\r\n");
    }

    void childArguments_data()
    {
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("lastMac");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("args");
        const QStringList tail{"--apply", "/p.xml", "--verify", "--report", "/r.csv", "--progress"};
        QTest::newRow("first module, any firmware, the settings' rate")
            << "" << "" << "" << QStringList{"--wait-new", "", "--port", "ttyUSB0"} + tail + QStringList{"--run-id", "R1"};
        QTest::newRow("after a module, a rate and a version")
            << "9600" << "AC:CF:23:00:00:01" << "V2.1.7"
            << QStringList{"--wait-new", "AC:CF:23:00:00:01", "--port", "ttyUSB0", "--baud", "9600"} + tail
                   + QStringList{"--expect-version", "V2.1.7", "--run-id", "R1"};
    }
    void childArguments()
    {
        QFETCH(QString, baud);
        QFETCH(QString, lastMac);
        QFETCH(QString, version);
        QFETCH(QStringList, args);
        QCOMPARE(station::childArguments({"ttyUSB0", baud, lastMac, "/p.xml", "/r.csv", version, "R1"}), args);
    }

    // A child run's lines and end, one script per row: the tile's phase, its counts, the module's reason, the
    // fixture's own notice (a restarted wait, a halt), the MAC the next child waits past, and whether another
    // child starts.
    void tileStates_data()
    {
        // "start", progress lines, "exit N[: last error line]", "killed WHY" (by the
        // station), "died WHY" (not by the station), "stopped N" (a wait Stop ended), "nochild"
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<FixtureState::Phase>("phase");
        QTest::addColumn<QString>("counts");   // passes/fails
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("notice");   // "restarted: WHY", "halted: WHY" or ""
        QTest::addColumn<QString>("lastMac");
        QTest::addColumn<bool>("again");
        using P = FixtureState::Phase;
        const QStringList pass{"start", "@waiting", "@module M1", "@writing", "@verifying", "@reported", "exit 0"};
        QTest::newRow("waiting") << QStringList{"start", "@waiting"} << P::Waiting << "0/0" << "" << "" << "" << true;
        QTest::newRow("verifying") << QStringList{"start", "@module M1", "@writing", "@verifying"} << P::Verifying
                                   << "0/0" << "" << "" << "" << true;
        QTest::newRow("pass") << pass << P::Pass << "1/0" << "" << "" << "M1" << true;
        QTest::newRow("the result stays while the next child waits")
            << pass + QStringList{"start", "@waiting"} << P::Pass << "1/0" << "" << "" << "M1" << true;
        QTest::newRow("the next module clears it")
            << pass + QStringList{"start", "@module M2"} << P::Writing << "1/0" << "" << "" << "M1" << true;
        QTest::newRow("fail with the child's detail")
            << QStringList{"start", "@module M1", "@writing", "@detail AT+APSTA= 没有回答", "exit 1"} << P::Fail
            << "0/1" << "AT+APSTA= 没有回答" << "" << "M1" << true;
        QTest::newRow("a killed run is a failure")
            << QStringList{"start", "@module M1", "@writing", "killed timed out"} << P::Fail << "0/1" << "timed out"
            << "" << "M1" << true;
        QTest::newRow("a wait Stop ended counts nothing")
            << pass + QStringList{"start", "@waiting", "stopped 3", "nochild"} << P::Pass << "1/0" << "" << "" << "M1"
            << true;
        QTest::newRow("a death while waiting restarts the wait once")
            << pass + QStringList{"start", "@waiting", "died crashed"} << P::Pass << "1/0" << "" << "restarted: crashed"
            << "M1" << true;
        QTest::newRow("SIGTERM from elsewhere while waiting restarts it too")
            << QStringList{"start", "@waiting", "exit 3: 等待模块时被中断"} << P::Waiting << "0/0" << ""
            << "restarted: 等待模块时被中断" << "" << true;
        QTest::newRow("a second death halts the fixture, the PASS on show stays")
            << pass + QStringList{"start", "died crashed", "start", "died killed -9", "nochild"} << P::Pass << "1/0"
            << "" << "halted: killed -9" << "M1" << false;
        QTest::newRow("a module between two deaths allows another restart")
            << QStringList{"start", "died crashed", "start", "@module M1", "@detail ERR=3", "exit 1", "start",
                           "died again"}
            << P::Fail << "0/1" << "ERR=3" << "restarted: again" << "M1" << true;
        QTest::newRow("a run refused without a module halts at once, not as a FAIL")
            << QStringList{"start", "@detail 配置文件不完整", "exit 2", "nochild"} << P::Idle << "0/0" << ""
            << "halted: 配置文件不完整" << "" << false;
        QTest::newRow("without a detail its last error line is the reason")
            << pass + QStringList{"start", "exit 2: 不能写入报告", "nochild"} << P::Pass << "1/0" << ""
            << "halted: 不能写入报告" << "M1" << false;
    }
    void tileStates()
    {
        QFETCH(QStringList, script);
        FixtureState s;
        bool again = true;
        for (const QString &step : std::as_const(script)) {
            const QString word = step.section(u' ', 0, 0), rest = step.section(u' ', 1);
            station::ChildEnd end;
            if (step == QLatin1String("start"))
                s.childStarted();
            else if (step == QLatin1String("nochild"))
                s.noChild();
            else if (step.startsWith(u'@'))
                s.progressLine(progress::parse(step.toUtf8()));
            else {
                if (word == u"exit") {
                    end.exitCode = rest.section(u':', 0, 0).toInt();
                    end.lastError = rest.section(QStringLiteral(": "), 1);
                } else if (word == u"stopped") {
                    end.exitCode = rest.toInt();
                    end.byStation = true;
                } else {
                    end.abnormal = rest;
                    end.byStation = word == u"killed";
                }
                again = s.childFinished(end) == FixtureState::Next::Again;
            }
        }
        QTEST(s.phase(), "phase");
        QTEST(QStringLiteral("%1/%2").arg(s.passes()).arg(s.fails()), "counts");
        QTEST(s.reason(), "reason");
        QTEST(s.halted() ? QStringLiteral("halted: ") + s.haltReason()
              : s.restartedAfter().isEmpty() ? QString() : QStringLiteral("restarted: ") + s.restartedAfter(),
              "notice");
        QTEST(s.lastMac(), "lastMac");
        QTEST(again, "again");
    }

    // Modules per hour over the running time only: a stop's time is not counted, and right after a second
    // Start the rate is what it was at the stop.
    void runClock_data()
    {
        QTest::addColumn<QStringList>("script");   // "start MS", "stop MS"; the last number: now
        QTest::addColumn<int>("modules");
        QTest::addColumn<qint64>("runningMs");
        QTest::addColumn<double>("perHour");
        QTest::newRow("running") << QStringList{"start 1000", "now 7000"} << 10 << qint64(6000) << 6000.0;
        QTest::newRow("stopped: the clock stands")
            << QStringList{"start 0", "stop 3600000", "now 9000000"} << 60 << qint64(3600000) << 60.0;
        QTest::newRow("right after a second Start, the stop left out")
            << QStringList{"start 0", "stop 3600000", "start 7200000", "now 7200005"} << 60 << qint64(3600005)
            << 60.0 * 3600000 / 3600005;
    }
    void runClock()
    {
        QFETCH(QStringList, script);
        QFETCH(int, modules);
        QFETCH(qint64, runningMs);
        QFETCH(double, perHour);
        station::RunClock clock;
        qint64 now = 0;
        for (const QString &step : std::as_const(script)) {
            now = step.section(u' ', 1).toLongLong();
            if (step.startsWith(QLatin1String("start")))
                clock.start(now);
            else if (step.startsWith(QLatin1String("stop")))
                clock.stop(now);
        }
        QCOMPARE(clock.runningMs(now), runningMs);
        QCOMPARE(station::modulesPerHour(modules, clock.runningMs(now)), perHour);
    }

    // Closing the window while its fixtures run asks first; No keeps it running, Yes ends the runs.
    void closingWhileRunningAsks()
    {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        const QString profile = dir.filePath(QStringLiteral("line.xml"));
        writeFile(profile, testsupport::completeProfile);
        StationWindow w(QStringLiteral(QUORVEL_BIN));
        QVERIFY(w.setProfile(profile));
        w.setReportFile(dir.filePath(QStringLiteral("r.csv")));
        w.addFixture(dir.filePath(QStringLiteral("no-adapter-yet")));   // waits for its port
        w.show();
        w.start();
        QString asked;
        const auto answerNext = [&asked](QMessageBox::StandardButton press) {
            QTimer::singleShot(0, [&asked, press] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                asked = box->text();
                box->button(press)->click();
            });
        };
        answerNext(QMessageBox::No);
        QVERIFY(!w.close());
        QVERIFY(asked.contains(QStringLiteral("终止")));
        QVERIFY(w.isRunning());
        answerNext(QMessageBox::Yes);
        QVERIFY(w.close());
        QVERIFY(!w.isRunning());
    }

    // With the English catalogue installed, the runs report in English too: the tile's reason reads like the tile.
    void runsSpeakTheStationsLanguage()
    {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        writeFile(dir.filePath(QStringLiteral("Quorvel.ini")), "[LANG]\nlang=English\n");   // Chinese on screen
        QTranslator english;
        QVERIFY(english.load(QStringLiteral(":/Quorvel/en_lang")));
        QCoreApplication::installTranslator(&english);
        ModSim sim;
        QString why;
        QVERIFY2(sim.start(&why), qPrintable(why));
        sim.setError(QStringLiteral("AT+APSTA="), 3);
        const QString profile = dir.filePath(QStringLiteral("line.xml"));
        writeFile(profile, testsupport::completeProfile);
        StationWindow w(QStringLiteral(QUORVEL_BIN));
        QVERIFY(w.setProfile(profile));
        w.setReportFile(dir.filePath(QStringLiteral("r.csv")));
        w.addFixture(sim.slavePath());
        w.start();
        QTRY_COMPARE_WITH_TIMEOUT(w.fixtureState(0).phase(), FixtureState::Phase::Fail, 15000);
        QCoreApplication::removeTranslator(&english);
        QVERIFY2(w.fixtureState(0).reason().startsWith(QStringLiteral("Configuration Write Failed: AT+APSTA= answered")),
                 qPrintable(w.fixtureState(0).reason()));
        w.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isRunning(), 15000);
    }

    // Two fixtures, each through a module swap: the second module on fixture 0 refuses the write. The tiles show
    // PASS and FAIL, the counts add up, and the report holds one row per module with its MAC, the killed run's
    // included.
    void stationDrivesTwoFixtures()
    {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        ModSim a, b;
        QString why;
        QVERIFY2(a.start(&why) && b.start(&why), qPrintable(why));
        a.setMac(QStringLiteral("AC:CF:23:00:00:0F"));
        b.setMac(QStringLiteral("AC:CF:23:00:01:00"));
        const QString profile = dir.filePath(QStringLiteral("line.xml"));
        writeFile(profile, testsupport::completeProfile);
        const QString reportPath = dir.filePath(QStringLiteral("reports/today.csv"));

        StationWindow w(QStringLiteral(QUORVEL_BIN));
        QVERIFY(!w.setProfile(dir.filePath(QStringLiteral("none.xml"))));
        QVERIFY(w.setProfile(profile));
        w.setReportFile(reportPath);
        writeFile(profile, testsupport::completeProfile + ' ');   // edited after it was chosen: no Start
        w.addFixture(a.slavePath());
        w.start();
        QVERIFY(!w.isRunning());
        writeFile(profile, testsupport::completeProfile);
        w.addFixture(b.slavePath());
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
        QCOMPARE(w.fixtureState(0).phase(), FixtureState::Phase::Fail);
        QVERIFY2(w.fixtureState(0).reason().contains(QStringLiteral("AT+APSTA=")), qPrintable(w.fixtureState(0).reason()));
        QCOMPARE(w.fixtureState(0).mac(), QStringLiteral("AC:CF:23:00:00:10"));
        QCOMPARE(w.fixtureState(1).phase(), FixtureState::Phase::Pass);
        QCOMPARE(w.fixtureState(1).mac(), QStringLiteral("AC:CF:23:00:01:01"));
        QCOMPARE(w.totalPasses(), 3);
        QCOMPARE(w.totalFails(), 1);
        QVERIFY(w.modulesPerHour() > 0);
        QCOMPARE(w.tile(0)->findChild<QLabel *>(QStringLiteral("phase"))->text(), QStringLiteral("不合格"));
        QVERIFY(w.tile(0)->styleSheet().contains(QStringLiteral("#c62828")));
        QCOMPARE(w.tile(1)->findChild<QLabel *>(QStringLiteral("phase"))->text(), QStringLiteral("合格"));

        // Fixture 1's next module hangs in the write. The first Stop ends the run still waiting for a module
        // and lets the busy one go on; the second kills it, and the station writes its row.
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

        // Started again, the rate goes on from where it stood: the stop's time is not in it.
        const double atStop = w.modulesPerHour();
        w.start();
        QVERIFY2(w.modulesPerHour() > 0 && w.modulesPerHour() <= atStop,
                 qPrintable(QStringLiteral("%1 after %2").arg(w.modulesPerHour()).arg(atStop)));
        w.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isRunning(), 15000);

        const QList<QStringList> rows = testsupport::csvRows(reportPath);
        QCOMPARE(rows.size(), 6);
        QStringList macs;
        for (const QStringList &row : rows.mid(1))
            macs << row.at(2) + u' ' + row.at(7) + u' ' + row.at(8);
        macs.sort();
        QCOMPARE(macs, (QStringList{"AC:CF:23:00:00:0F pass 0", "AC:CF:23:00:00:10 fail 1", "AC:CF:23:00:01:00 pass 0",
                                    "AC:CF:23:00:01:01 pass 0", "AC:CF:23:00:01:02 fail -1"}));
    }

    // A run that dies while it waits for a module, by something other than the station, is started once more and
    // the tile says so; a second death before the next module stops the fixture with that reason, as a fixture's
    // state: the module's PASS stays on show and uncounted deaths are no FAIL.
    void deathWhileWaiting()
    {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        ModSim sim;
        QString why;
        QVERIFY2(sim.start(&why), qPrintable(why));
        const QString profile = dir.filePath(QStringLiteral("line.xml"));
        writeFile(profile, testsupport::completeProfile);
        StationWindow w(QStringLiteral(QUORVEL_BIN));
        QVERIFY(w.setProfile(profile));
        w.setReportFile(dir.filePath(QStringLiteral("r.csv")));
        w.addFixture(sim.slavePath());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSignalSpy finished(&w, &StationWindow::moduleFinished);
        w.start();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
        QFrame *tile = w.tile(0);
        tile->setFixedWidth(tile->minimumWidth());

        pid_t first = 0, second = 0;
        QTRY_VERIFY_WITH_TIMEOUT((first = waitingChild(sim.mac())) > 0, 15000);
        QCOMPARE(::kill(first, SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT((second = waitingChild(sim.mac())) > 0 && second != first, 15000);
        QVERIFY(w.isRunning());
        QVERIFY2(shown(tile, "notice").contains(QStringLiteral("已重新开始等待")), qPrintable(shown(tile, "notice")));
        QCOMPARE(shown(tile, "phase"), QStringLiteral("合格"));

        QCOMPARE(::kill(second, SIGHUP), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isRunning(), 15000);
        QVERIFY(w.fixtureState(0).halted());
        QVERIFY2(shown(tile, "port").endsWith(QStringLiteral(" · 已停止")), qPrintable(shown(tile, "port")));
        QVERIFY2(shown(tile, "notice").startsWith(QStringLiteral("工位已停止：")), qPrintable(shown(tile, "notice")));
        QCOMPARE(shown(tile, "phase"), QStringLiteral("合格"));
        QCOMPARE(shown(tile, "counts"), QStringLiteral("合格 1 · 不合格 0"));
        QCOMPARE(w.totalFails(), 0);
        QTRY_COMPARE(unfit(tile), QString());

        w.start();   // Start again: the fixture runs again
        QVERIFY(!w.fixtureState(0).halted());
        QVERIFY(shown(tile, "notice").isEmpty());
        w.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isRunning(), 15000);
    }

    // At the tile's minimum width, in Chinese and in English, nothing is cut off: the state word while verifying,
    // a long MAC, a long reason, and the port's "waiting for the next module".
    void tileTextsFit_data()
    {
        QTest::addColumn<bool>("english");
        QTest::newRow("Chinese") << false;
        QTest::newRow("English") << true;
    }
    void tileTextsFit()
    {
        QFETCH(bool, english);
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        QTranslator translator;
        if (english) {
            writeFile(dir.filePath(QStringLiteral("Quorvel.ini")), "[LANG]\nlang=中文\n");   // English on screen
            QVERIFY(translator.load(QStringLiteral(":/Quorvel/en_lang")));
            QCoreApplication::installTranslator(&translator);
        }
        ModSim sim;
        QString why;
        QVERIFY2(sim.start(&why), qPrintable(why));
        sim.setIgnored(QStringLiteral("AT+STAMOD="));   // two differences: a reason of several lines
        sim.setIgnored(QStringLiteral("AT+APSTA="));
        sim.setDelay(60);   // the read-back lasts long enough to be seen
        const QString profile = dir.filePath(QStringLiteral("line.xml"));
        writeFile(profile, testsupport::completeProfile);
        StationWindow w(QStringLiteral(QUORVEL_BIN));
        QVERIFY(w.setProfile(profile));
        w.setReportFile(dir.filePath(QStringLiteral("r.csv")));
        w.addFixture(sim.slavePath());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QFrame *tile = w.tile(0);
        tile->setFixedWidth(tile->minimumWidth());
        w.start();
        // Checked while it verifies: the state word is set and fitted at once.
        QTRY_VERIFY2_WITH_TIMEOUT(w.fixtureState(0).phase() == FixtureState::Phase::Verifying && unfit(tile).isEmpty(),
                                  qPrintable(unfit(tile)), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(w.fixtureState(0).phase(), FixtureState::Phase::Fail, 30000);
        QVERIFY(w.fixtureState(0).reason().size() > 60);
        QTRY_VERIFY_WITH_TIMEOUT(shown(tile, "port").contains(english ? QStringLiteral("waiting for the next module")
                                                                     : QStringLiteral("等待下一个模块")),
                                 15000);
        QTRY_COMPARE(unfit(tile), QString());
        w.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isRunning(), 15000);
        QCoreApplication::removeTranslator(&translator);
    }
};

QTEST_MAIN(tst_Station)
#include "tst_station.moc"
