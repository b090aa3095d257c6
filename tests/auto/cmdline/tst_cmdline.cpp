// The command line as a technician's script meets it: whole quorvel
// processes started through QProcess, with no display in their environment,
// against the simulated module served in this process. What counts is the
// exit status, the files, the lines on stdout and stderr, and the bytes the
// module received.
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"

using Access = QuorvelTestAccess;

namespace {

// A complete profile that differs from the simulated module's factory
// values everywhere except the station key.
const QByteArray profile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TESSELANE_CFG>"
    "<BASE_GROUP_ELEM><UART>115200,8,None,1,None</UART><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>"
    "<WIFI_GROUP_ELEM><WIFI_MODE>STA</WIFI_MODE><WIFI_AP>LineAP,secret99,WAP2,AES,11g,11</WIFI_AP>"
    "<WIFI_STA>PlantNet,office-pass</WIFI_STA><WIFI_IP>Static IP,10.0.0.7,10.0.0.1,255.255.255.0</WIFI_IP>"
    "<WIFI_DHCP>0,10.0.0.100,10.0.0.200</WIFI_DHCP></WIFI_GROUP_ELEM>"
    "<TP_GROUP_ELEM><TP_TP>UDP,客户端,10.0.0.9,9000</TP_TP><TP_FRAME>40,256,30</TP_FRAME></TP_GROUP_ELEM>"
    "</TESSELANE_CFG>\n";

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    qint64 ms = 0;
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

class tst_CmdLine : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    ModSim m_sim;

    // Runs quorvel in the temporary folder (its settings file there) with no
    // display at all, serving the simulated module meanwhile.
    Run run(const QStringList &args, int timeoutMs = 30000)
    {
        QProcess proc;
        proc.setWorkingDirectory(m_dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        proc.setProcessEnvironment(env);
        QSignalSpy finished(&proc, &QProcess::finished);
        QElapsedTimer clock;
        clock.start();
        proc.start(QStringLiteral(QUORVEL_BIN), args);
        Run r;
        if (!finished.wait(timeoutMs)) {
            proc.kill();
            proc.waitForFinished();
            r.err = "<still running>";
            return r;
        }
        r.ms = clock.elapsed();
        r.exitCode = proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -1;
        r.out = proc.readAllStandardOutput();
        r.err = proc.readAllStandardError();
        return r;
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path()));
        QString why;
        QVERIFY2(m_sim.start(&why), qPrintable(why));
        QVERIFY(QFile::exists(QStringLiteral(QUORVEL_BIN)));
    }

    void init()
    {
        m_sim.factoryReset();
        m_sim.clearTrace();
        QFile::remove(path(QStringLiteral("Quorvel.ini")));
    }

    // --read writes what Export writes after a Read, byte for byte.
    void readGivesTheExport()
    {
        m_sim.setFields(QStringLiteral("APMOD"), {"Line 7, bay 2", "2", "13"});
        m_sim.setFields(QStringLiteral("TPSOCK"), {"1", "1", "10.1.1.1", "7000"});
        m_sim.setFields(QStringLiteral("DHCP"), {"0", "1.2.3.4", "1.2.3.9"});
        {
            Quorvel w;
            QVERIFY(testsupport::openPort(w, m_sim.slavePath()));
            QSignalSpy done(&w, &Quorvel::readCfgFinished);
            Access::ui(w).pushButton_readConfiguration->click();
            QVERIFY(done.wait(15000));
            QCOMPARE(done.first().at(0).toBool(), true);
            QVERIFY(Access::exportCfgFile(w, path(QStringLiteral("window.xml"))));
        }
        const Run r = run({"--port", m_sim.slavePath(), "--read", path(QStringLiteral("cli.xml"))});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(r.err, QStringLiteral("已打开串口 %1\n读取配置完成\n导出完成\n").arg(m_sim.slavePath()).toUtf8());
        QCOMPARE(readAll(path(QStringLiteral("cli.xml"))), readAll(path(QStringLiteral("window.xml"))));
    }

    // The module hears from --apply exactly what it hears from Import then
    // Write in the window; what --read then brings back is the profile.
    void applyIsTheWindowsImportAndWrite()
    {
        const QString file = path(QStringLiteral("profile.xml"));
        writeFile(file, profile);
        QByteArray fromWindow;
        {
            Quorvel w;
            QVERIFY(testsupport::openPort(w, m_sim.slavePath()));
            Access::importCfgFile(w, file);
            QSignalSpy done(&w, &Quorvel::writeCfgFinished);
            Access::ui(w).pushButton_writeConfiguartion->click();
            QVERIFY(done.wait(15000));
            QCOMPARE(done.first().at(0).toBool(), true);
            fromWindow = m_sim.receivedBytes();
        }
        QVERIFY(fromWindow.contains("AT+ATTP=1\r\n") && fromWindow.contains("AT+UART="));
        m_sim.factoryReset();
        m_sim.clearTrace();

        const Run apply = run({"--port", m_sim.slavePath(), "--apply", file});
        QCOMPARE(apply.exitCode, 0);
        QCOMPARE(apply.out, QByteArray());
        QCOMPARE(m_sim.receivedBytes(), fromWindow);
        QCOMPARE(m_sim.fields(QStringLiteral("ATTP")), QStringList{"1"});

        const Run read = run({"--port", m_sim.slavePath(), "--read", path(QStringLiteral("back.xml"))});
        QCOMPARE(read.exitCode, 0);
        Quorvel w;   // both files through the same import, compared field by field
        QVERIFY(Access::importCfgFile(w, file));
        QList<CfgFileField> want = Access::cfgFileFields(w);
        QVERIFY(Access::importCfgFile(w, path(QStringLiteral("back.xml"))));
        QList<CfgFileField> got = Access::cfgFileFields(w);
        QCOMPARE(got.size(), want.size());
        for (qsizetype i = 0; i < got.size(); ++i) {
            if (want.at(i).leaf != QLatin1String("DFWM"))   // not part of the read
                QCOMPARE(got.at(i).leaf + ' ' + got.at(i).text, want.at(i).leaf + ' ' + want.at(i).text);
        }
    }

    void verify_data()
    {
        QTest::addColumn<QString>("ignored");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("faithful module") << QString() << 0 << QByteArray();
        QTest::newRow("module keeps its station SSID")
            << QStringLiteral("AT+STAMOD=") << 1 << QByteArray("WIFI_STA STA_SSID：文件为“PlantNet”，模块为“OfficeNet”\n");
    }

    void verify()
    {
        QFETCH(QString, ignored);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        if (!ignored.isEmpty())
            m_sim.setIgnored(ignored);
        const QString file = path(QStringLiteral("profile.xml"));
        writeFile(file, profile);
        const Run r = run({"--port", m_sim.slavePath(), "--apply", file, "--verify"});
        m_sim.setIgnored(ignored, 0);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, out);
        QVERIFY2(r.err.endsWith(exitCode ? "核对发现 1 处不同\n" : "核对完成：模块的配置与文件一致\n"), r.err.constData());
    }

    // One query or command unanswered twice: the run ends after the two
    // time-outs of 3 s, not later.
    void silentModule_data()
    {
        QTest::addColumn<QString>("silent");
        QTest::addColumn<bool>("apply");
        QTest::newRow("read, first query") << QStringLiteral("AT+VER?") << false;
        QTest::newRow("apply, first command") << QStringLiteral("AT+APSTA=") << true;
    }

    void silentModule()
    {
        QFETCH(QString, silent);
        QFETCH(bool, apply);
        writeFile(path(QStringLiteral("profile.xml")), profile);
        m_sim.setSilent(silent);
        const Run r = run({"--port", m_sim.slavePath(), apply ? "--apply" : "--read", path(QStringLiteral("profile.xml"))});
        m_sim.setSilent(silent, 0);
        QCOMPARE(r.exitCode, 1);
        // Two 3 s time-outs (the query and its one retry), not one and not three; Qt's
        // coarse timers may fire up to 5 % early, so the bounds sit between those counts.
        QVERIFY2(r.ms >= 4500 && r.ms < 8500, qPrintable(QString::number(r.ms)));
        QVERIFY(r.err.endsWith(apply ? "写入配置遇到错误\n" : "读取配置遇到错误\n"));
        QCOMPARE(readAll(path(QStringLiteral("profile.xml"))), profile);   // a failed read writes no file
    }

    // Usage, file and port failures: the status, a message that names the
    // fault, and nothing sent to the module.
    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("english");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString sim = m_sim.slavePath();
        QByteArray noUart = profile;
        noUart.replace("<UART>115200,8,None,1,None</UART>", "");
        QByteArray badLeaf = profile;
        badLeaf.replace("<WIFI_STA>PlantNet,office-pass</WIFI_STA>", "<WIFI_STA>PlantNet</WIFI_STA>");
        const QStringList apply{"--port", sim, "--apply", "f.xml"};
        QTest::newRow("missing port") << QStringList{"--port", "/dev/quorvel-no-such-port", "--apply", "f.xml"}
                                      << profile << false << 3 << "/dev/quorvel-no-such-port";
        QTest::newRow("foreign root") << apply << QByteArray("<?xml version=\"1.0\"?><OTHER_CFG/>") << false << 2
                                      << "不是Quorvel格式的XML配置文件,导入失败";
        QTest::newRow("truncated file") << apply << profile.left(profile.size() / 2) << false << 2 << "导入遇到错误";
        QTest::newRow("no UART leaf, in English") << apply << noUart << true << 2
                                                  << "The profile is incomplete, it lacks UART: nothing was written to the module";
        QTest::newRow("a leaf with a field short") << apply << badLeaf << false << 2 << "缺少 WIFI_STA";
        QTest::newRow("unreadable file") << QStringList{"--port", sim, "--apply", "none.xml"} << QByteArray() << false
                                         << 2 << "不能打开文件none.xml";
        QTest::newRow("unknown baud") << QStringList{"--port", sim, "--baud", "115201", "--apply", "f.xml"} << profile
                                      << false << 2 << "--baud 115201：不是串口框中的波特率";
        QTest::newRow("unknown option") << QStringList{"--port", sim, "--aply", "f.xml"} << profile << false << 2
                                        << "aply";
        QTest::newRow("verify without apply") << QStringList{"--port", sim, "--read", "f.xml", "--verify"} << profile
                                              << false << 2 << "--verify";
        QTest::newRow("version") << QStringList{"--version"} << QByteArray() << false << 0 << QUORVEL_VERSION;
    }

    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, file);
        QFETCH(bool, english);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        if (!file.isEmpty())
            writeFile(path(QStringLiteral("f.xml")), file);
        if (english)
            writeFile(path(QStringLiteral("Quorvel.ini")), "[LANG]\nlang=中文\n");
        const Run r = run(args);
        QCOMPARE(r.exitCode, exitCode);
        const QByteArray shown = exitCode == 0 ? r.out : r.err;
        QVERIFY2(shown.contains(message.toUtf8()), shown.constData());
        if (exitCode != 0)
            QCOMPARE(r.out, QByteArray());
        QCOMPARE(m_sim.receivedBytes(), QByteArray());
    }
};

QTEST_MAIN(tst_CmdLine)
#include "tst_cmdline.moc"
