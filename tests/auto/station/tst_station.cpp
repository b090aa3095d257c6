// The production station: its pure pieces (CSV records, the locked append,
// the child's command line, the tile's states) on their own, and the window
// driving two fixtures of simulated modules through whole quorvel runs.
#include <QFrame>
#include <QLabel>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>
#include <QTranslator>

#include <atomic>

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

} // namespace

class tst_Station : public QObject
{
    Q_OBJECT

private slots:
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
        QTest::newRow("link to nothing") << "dangling" << "符号链接";
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
        if (kind == u"link" || kind == u"dangling") {
            if (kind == u"link")
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
        QCOMPARE(QFileInfo::exists(target), kind == u"link");
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
            << "" << "" << "" << QStringList{"--wait-new", "", "--port", "ttyUSB0"} + tail;
        QTest::newRow("after a module, a rate and a version")
            << "9600" << "AC:CF:23:00:00:01" << "V2.1.7"
            << QStringList{"--wait-new", "AC:CF:23:00:00:01", "--port", "ttyUSB0", "--baud", "9600"} + tail
                   + QStringList{"--expect-version", "V2.1.7"};
    }
    void childArguments()
    {
        QFETCH(QString, baud);
        QFETCH(QString, lastMac);
        QFETCH(QString, version);
        QFETCH(QStringList, args);
        QCOMPARE(station::childArguments({"ttyUSB0", baud, lastMac, "/p.xml", "/r.csv", version}), args);
    }

    // A child run's lines and end, one script per row: the tile's phase, its counts, the reason shown, the MAC
    // the next child waits past, and whether another child starts.
    void tileStates_data()
    {
        QTest::addColumn<QStringList>("script");   // "start", progress lines, "exit N", "killed WHY"
        QTest::addColumn<FixtureState::Phase>("phase");
        QTest::addColumn<QString>("counts");   // passes/fails
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("lastMac");
        QTest::addColumn<bool>("again");
        using P = FixtureState::Phase;
        const QStringList pass{"start", "@waiting", "@module M1", "@writing", "@verifying", "@reported", "exit 0"};
        QTest::newRow("waiting") << QStringList{"start", "@waiting"} << P::Waiting << "0/0" << "" << "" << true;
        QTest::newRow("verifying") << QStringList{"start", "@module M1", "@writing", "@verifying"} << P::Verifying
                                   << "0/0" << "" << "" << true;
        QTest::newRow("pass") << pass << P::Pass << "1/0" << "" << "M1" << true;
        QTest::newRow("the result stays while the next child waits")
            << pass + QStringList{"start", "@waiting"} << P::Pass << "1/0" << "" << "M1" << true;
        QTest::newRow("the next module clears it")
            << pass + QStringList{"start", "@module M2"} << P::Writing << "1/0" << "" << "M1" << true;
        QTest::newRow("fail with the child's detail")
            << QStringList{"start", "@module M1", "@writing", "@detail AT+APSTA= 没有回答", "exit 1"} << P::Fail
            << "0/1" << "AT+APSTA= 没有回答" << "M1" << true;
        QTest::newRow("a killed run is a failure")
            << QStringList{"start", "@module M1", "@writing", "killed timed out"} << P::Fail << "0/1" << "timed out"
            << "M1" << true;
        QTest::newRow("a stopped wait counts nothing")
            << pass + QStringList{"start", "@waiting", "exit 3"} << P::Pass << "1/0" << "" << "M1" << true;
        QTest::newRow("a run refused without a module halts the fixture")
            << QStringList{"start", "@detail 配置文件不完整", "exit 2"} << P::Fail << "0/0" << "配置文件不完整" << ""
            << false;
    }
    void tileStates()
    {
        QFETCH(QStringList, script);
        FixtureState s;
        bool again = true;
        for (const QString &step : std::as_const(script)) {
            if (step == QLatin1String("start"))
                s.childStarted();
            else if (step.startsWith(u'@'))
                s.progressLine(progress::parse(step.toUtf8()));
            else if (step.startsWith(QLatin1String("exit ")))
                again = s.childFinished(step.mid(5).toInt()) == FixtureState::Next::Again;
            else
                again = s.childFinished(0, step.mid(7)) == FixtureState::Next::Again;
        }
        QTEST(s.phase(), "phase");
        QTEST(QStringLiteral("%1/%2").arg(s.passes()).arg(s.fails()), "counts");
        QTEST(s.reason(), "reason");
        QTEST(s.lastMac(), "lastMac");
        QTEST(again, "again");
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

        const QList<QStringList> rows = testsupport::csvRows(reportPath);
        QCOMPARE(rows.size(), 6);
        QStringList macs;
        for (const QStringList &row : rows.mid(1))
            macs << row.at(2) + u' ' + row.at(7) + u' ' + row.at(8);
        macs.sort();
        QCOMPARE(macs, (QStringList{"AC:CF:23:00:00:0F pass 0", "AC:CF:23:00:00:10 fail 1", "AC:CF:23:00:01:00 pass 0",
                                    "AC:CF:23:00:01:01 pass 0", "AC:CF:23:00:01:02 fail -1"}));
    }
};

QTEST_MAIN(tst_Station)
#include "tst_station.moc"
