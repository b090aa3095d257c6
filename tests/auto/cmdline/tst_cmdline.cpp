// Whole quorvel runs, no window system, against the simulated module served here: status, files, output, bytes sent.
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>

#include <csignal>

#include <sys/stat.h>

#include "report/reportrow.h"
#include "tests/common/testsupport.h"

using Access = QuorvelTestAccess;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

const QByteArray &profile = testsupport::completeProfile;

struct Run { int exitCode; QByteArray out, err; qint64 ms; };

} // namespace

class tst_CmdLine : public QObject
{
    Q_OBJECT
    std::unique_ptr<testsupport::ModuleWindow> m_f;   // its window stays closed while quorvel runs
    bool m_programTimeout = false;   // the run waits for answers as long as the program does by itself

    ModSim &sim() { return m_f->sim; }
    QString path(const QString &name) const { return m_f->dir.filePath(name); }

    // Starts quorvel in the fixture's folder (its settings file there), with no display or platform plugin to be had.
    void start(QProcess &proc, QStringList args)
    {
        proc.setWorkingDirectory(m_f->dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("none-such"));
        // A silent module costs the fixture's time-outs, not the program's.
        if (!m_programTimeout)
            env.insert(QStringLiteral("QUORVEL_ANSWER_TIMEOUT_MS"),
                       QString::number(testsupport::ModuleWindow::answerTimeoutMs));
        proc.setProcessEnvironment(env);
        proc.start(QStringLiteral(QUORVEL_BIN), args.replaceInStrings(QStringLiteral("SIM"), sim().slavePath()));
    }

    // Runs quorvel to its end, serving the simulated module meanwhile.
    Run run(QStringList args)
    {
        QProcess proc;
        QSignalSpy finished(&proc, &QProcess::finished);
        QElapsedTimer clock;
        clock.start();
        start(proc, args);
        const bool ended = finished.wait(30000) && proc.exitStatus() == QProcess::NormalExit;
        return {ended ? proc.exitCode() : -1, proc.readAllStandardOutput(), proc.readAllStandardError(),
                clock.elapsed()};
    }

    QFileInfoList backups() const   // the simulated module's
    {
        return QDir(path(QStringLiteral("data/quorvel/modules/AC:CF:23:5A:10:7E"))).entryInfoList({"*.xml"}, QDir::Files);
    }

    // Clicks Read or Write in the window and waits for its end.
    void runInWindow(QPushButton *button, void (Quorvel::*finished)(bool))
    {
        QSignalSpy done(m_f->w.get(), finished);
        button->click();
        QVERIFY(done.wait(15000));
        QCOMPARE(done.first().at(0).toBool(), true);
    }

private slots:
    void init()
    {
        QUORVEL_START(m_f, false);
        m_programTimeout = false;
    }

    // The module hears from --apply exactly what it hears from Import then Write in the window, and --read
    // writes what Export writes after a Read, byte for byte (a comma inside the access point's name included).
    void applyAndReadAreTheWindows()
    {
        Ui::QuorvelClass &ui = m_f->ui();
        const QString file = path(QStringLiteral("profile.xml"));
        writeFile(file, profile);
        QVERIFY(m_f->openPort());
        QVERIFY(Access::importCfgFile(*m_f->w, file));
        ui.checkBox_verifyWrite->setChecked(false);
        m_f->dismissNextBox(QMessageBox::Yes);   // the module's values are unknown: asked, Yes by default
        runInWindow(ui.pushButton_writeConfiguartion, &Quorvel::writeCfgFinished);
        QVERIFY(m_f->boxText.contains(QStringLiteral("先读取才能看到改动")));
        const QByteArray fromWindow = sim().receivedBytes();
        QVERIFY(fromWindow.contains("AT+ATTP=1\r\n") && fromWindow.contains("AT+UART="));
        ui.pushButton_openCom->click();
        QTRY_VERIFY(!sim().peerConnected());
        sim().factoryReset();
        sim().clearTrace();

        const Run apply = run({"--port", "SIM", "--apply", file});
        QCOMPARE(apply.exitCode, 0);
        QCOMPARE(apply.out, QByteArray());
        QCOMPARE(sim().receivedBytes(), fromWindow);
        QCOMPARE(sim().fields(QStringLiteral("ATTP")), QStringList{"1"});

        sim().setFields(QStringLiteral("APMOD"), {"Line 7, bay 2", "2", "13"});
        sim().setFields(QStringLiteral("TPSOCK"), {"1", "1", "10.1.1.1", "7000"});
        QVERIFY(m_f->openPort());
        runInWindow(ui.pushButton_readConfiguration, &Quorvel::readCfgFinished);
        QVERIFY(Access::exportCfgFile(*m_f->w, path(QStringLiteral("window.xml"))));
        ui.pushButton_openCom->click();
        QTRY_VERIFY(!sim().peerConnected());
        const Run read = run({"--port", "SIM", "--read", path(QStringLiteral("cli.xml"))});
        QCOMPARE(read.exitCode, 0);
        QCOMPARE(read.out, QByteArray());
        QCOMPARE(read.err, QStringLiteral("已打开串口 %1\n读取配置完成\n导出完成\n").arg(sim().slavePath()).toUtf8());
        const QByteArray cli = readFile(path(QStringLiteral("cli.xml")));
        QCOMPARE(cli, readFile(path(QStringLiteral("window.xml"))));
        QVERIFY(!cli.contains("DFWM"));   // no read learns the work mode
        QCOMPARE(backups().size(), 2);   // each read left a backup: the same document
        for (const QFileInfo &file : backups())
            QCOMPARE(readFile(file.filePath()), cli);

        // The data folder a file: the read's line says the backup failed, with the folder's reason; the run succeeds.
        QVERIFY(QDir(path("data")).removeRecursively() && QFile::remove(path(QStringLiteral("cli.xml"))));
        writeFile(path(QStringLiteral("data")), "");
        const Run unbacked = run({"--port", "SIM", "--read", path(QStringLiteral("cli.xml"))});
        QCOMPARE(unbacked.exitCode, 0);
        QCOMPARE(unbacked.err, QStringLiteral("已打开串口 %1\n读取配置完成；备份没有写入 %2（Not a directory）\n导出完成\n")
                                   .arg(sim().slavePath(), path("data/quorvel/modules/AC:CF:23:5A:10:7E")).toUtf8());
        QCOMPARE(readFile(path(QStringLiteral("cli.xml"))), cli);
    }

    // The manual page names every long option --help lists, every exit status it names, and the unknown option's.
    void manualPage()
    {
        const Run help = run({"--help"}), unknown = run({"--no-such-option"});
        QCOMPARE(help.exitCode, 0);
        const QString page = QString::fromUtf8(readFile(QStringLiteral(QUORVEL_MANPAGE)));
        const auto section = [&page](const char *name) { return page.section(name, 1).section("\n.SH ", 0, 0); };
        static const QRegularExpression
            optionLine(QStringLiteral("^ +(-\\S.*?)(?:  |$)"), QRegularExpression::MultilineOption),
            longName(QStringLiteral("--([\\w-]+)")), named(QStringLiteral("\\b(\\d) [a-z]"));
        QStringList listed;
        for (const QRegularExpressionMatch &line : optionLine.globalMatch(QString::fromUtf8(help.out)))
            for (const QRegularExpressionMatch &name : longName.globalMatch(line.captured(1)))
                listed << name.captured(1);
        QVERIFY2(listed.contains("port") && listed.contains("verify"), help.out.constData());
        for (const QString &name : std::as_const(listed))
            QVERIFY2(section(".SH OPTIONS").contains("\\-\\-" + QString(name).replace("-", "\\-")), qPrintable(name));
        const auto entry = [&section](int status) {
            return section(".SH EXIT STATUS").section(QStringLiteral(".TP\n.B %1\n").arg(status), 1).section(".TP", 0, 0);
        };
        int count = 0;
        for (const QRegularExpressionMatch &m : named.globalMatch(
                 QString::fromUtf8(help.out).section(QStringLiteral("Exit status"), 1).section("\n\n", 0, 0)))
            count += !entry(m.captured(1).toInt()).isEmpty();
        QCOMPARE(count, 4);
        QVERIFY2(entry(unknown.exitCode).contains(QStringLiteral("unknown option")), qPrintable(entry(unknown.exitCode)));
    }

    // Every run that ends otherwise than in a written profile: the status, the differences on stdout, a message
    // that names the fault, the file left as it was, and nothing sent by a usage, file or port failure.
    void runs_data()
    {
        QTest::addColumn<QStringList>("args");   // SIM stands for the module's port
        QTest::addColumn<QByteArray>("file");    // written to f.xml first
        QTest::addColumn<QByteArray>("ini");     // Quorvel.ini, SIM for the module's port
        // What the module does: ignores a command ("ignore CMD"), refuses it ("error CMD:CODE"), answers it late
        // ("slow CMD:MS", waited for with the program's own time-out), holds other values ("fields WORD=a;b;c", raw
        // bytes), or is swapped as CMD arrives the Nth time ("swap CMD:N"); several joined by "|". Or a FIFO put at
        // "x", to stay as it was ("x fifo").
        QTest::addColumn<QByteArray>("quiet");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("message");   // on stderr; one ending in a line end is its end
        // r.csv's row, "column=value" or "column~part of the value"; "none": no file. SIM: the module's port.
        QTest::addColumn<QStringList>("report");
        const auto row = [](const char *name, const QStringList &args, const QByteArray &file, int exitCode,
                            const QString &message, const QByteArray &quiet = {}, const QByteArray &out = {},
                            const QByteArray &ini = {}, const QStringList &report = {}) {
            QTest::newRow(name) << args << file << ini << quiet << exitCode << out << message << report;
        };
        QByteArray noWorkMode = profile;
        noWorkMode.replace("<DFWM>TP_MODE</DFWM>", "");
        const QStringList apply{"--port", "SIM", "--apply", "f.xml"}, read{"--port", "SIM", "--read", "f.xml"};
        const QStringList verify = apply + QStringList{"--verify"};

        row("verify, faithful module", verify, profile, 0, "核对完成：模块的配置与文件一致\n");
        row("verify, module keeps its station SSID, one that would clear the screen", verify, profile, 1,
            "核对发现 1 处不同\n", "ignore AT+STAMOD=|fields STAMOD=Office\x1b[2J;office-pass",
            "WIFI_STA STA_SSID：文件为“PlantNet”，模块为“Office\\x1B[2J”\n");
        row("read, a MAC answer that is a formula and control codes: no file, no backup folder", read, profile, 1,
            "设备相关/MAC地址“=HYPERLINK(\"http://evil/\")\\x1B[2J”不是 MAC 地址", "fields MAC==HYPERLINK(\"http://evil/\")\x1b[2J");
        row("read, GBK text as UTF-8: no file", read, profile, 1, "AP设置/SSID不是有效的UTF-8文本",
            "fields APMOD=\xb0\xec\xb9\xab\xca\xd2;4;6");
        row("apply, no work mode in the file: none sent", verify, noWorkMode, 0, "核对完成");
        row("apply without --port, a port remembered", {"--apply", "f.xml"}, profile, 2, "--port", {}, {},
            "[comSettings]\ncomPort=SIM\n");
        row("unreadable file", {"--port", "SIM", "--apply", "none.xml"}, {}, 2,
            "不能打开文件none.xml（此文件或目录不存在）");   // the system's words, in the language on screen
        row("read into a folder that is not there", {"--port", "SIM", "--read", "gone/out.xml"}, {}, 2,
            "不能写入文件gone/out.xml（");
        row("empty --port, a port remembered", {"--port=", "--apply", "f.xml"}, profile, 2, "--port 不能为空", {}, {},
            "[comSettings]\ncomPort=SIM\n");
        row("unknown option", {"--port", "SIM", "--aply", "f.xml"}, profile, 2, "aply");
        row("version", {"--version"}, {}, 0, {}, {}, "Quorvel " QUORVEL_VERSION "\n");

        const QStringList report{"--report", "r.csv"};
        const QString sha = QString::fromLatin1(QCryptographicHash::hash(profile, QCryptographicHash::Sha256).toHex());
        row("report, pass", verify + report, profile, 0, "核对完成", {}, {}, {},
            {"port=SIM", "mac=AC:CF:23:5A:10:7E", "firmware=V2.1.7", "action=apply+verify", "profile=f.xml",
             "profile_sha256=" + sha, "result=pass", "exit=0", "detail="});
        row("report, a difference with a comma and quotes", verify + report, profile, 1, "1 difference",
            "ignore AT+STAMOD=", "WIFI_STA STA_SSID: file \"PlantNet\", module \"OfficeNet\"\n", "[LANG]\nlang=中文\n",
            {"result=fail", "exit=1", "detail=WIFI_STA STA_SSID: file \"PlantNet\", module \"OfficeNet\""});
        row("report, read, its first query answered after 1.2 s: waited for", read + report, profile, 0,
            "读取配置完成\n导出完成\n", "slow AT+VER?:1200", {}, {},
            {"action=read", "profile=f.xml", "profile_sha256=", "result=pass", "firmware=V2.1.7"});
        row("report cannot be written: the module keeps its write", verify + QStringList{"--report", "no/such/r.csv"},
            profile, 2, "不能写入报告，模块已处理", {}, {}, {}, {"none"});
        // The scanned label: the module must be the one it names, in any of its spellings; the code is recorded.
        row("--expect-mac that is no MAC", apply + QStringList{"--expect-mac", "SN-7"}, profile, 2,
            "--expect-mac SN-7：不是 MAC 地址");
        row("--port twice", apply + QStringList{"--port", "SIM"}, profile, 2, "--port 只能给一次");
        row("the report is the profile", apply + QStringList{"--report", "f.xml"}, profile, 2, "与配置文件是同一个文件");
        // Not an ordinary file where the run would write: refused before the port opens.
        row("read into a FIFO", {"--port", "SIM", "--read", "x"}, profile, 2, "--read x：已存在且不是普通文件", "x fifo");
        // Command lists (f.xml holds the list): each step and its outcome on stdout, the end on stderr.
        const QStringList runList{"--port", "SIM", "--run", "f.xml"};
        row("run, the module refuses: the step named", runList + QStringList{"--expect-version", "V2.1.7"},
            "error /^ERR=/\nsend AT+NETS?\nexpect /^OK/\n", 1,
            "命令列表未通过：第 3 行 expect /^OK/：收到“ERR=4”，符合错误模式 /^ERR=/\n", "error AT+NETS?:4",
            "  1 error /^ERR=/ \u2713\n  2 send AT+NETS? \u2713\n  3 expect /^OK/ \u2717 第 3 行 expect /^OK/：收到“ERR=4”，"
            "符合错误模式 /^ERR=/\n");
        row("run, another firmware: nothing of the list sent", runList + report + QStringList{"--expect-version", "V3"},
            "send AT+RST\n", 1, "固件版本为 V2.1.7，需要 V3", {}, {}, {}, {"action=run", "result=fail"});
        // Swapped as the verify's first query arrives: both MACs named, no differences listed, the row the first's.
        row("another module put on between the write and its verify", verify + report, profile, 1,
            "模块在运行中被更换：开始时 MAC AC:CF:23:5A:10:7E，读回时 MAC AC:CF:23:5A:10:7F\n", "swap AT+VER?:2", {},
            {}, {"mac=AC:CF:23:5A:10:7E", "result=fail"});
    }

    void runs()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, ini);
        QFETCH(QByteArray, quiet);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QFETCH(QStringList, report);
        const QString f = path(QStringLiteral("f.xml"));
        if (!file.isEmpty())
            writeFile(f, file);
        if (!ini.isEmpty())
            writeFile(path(QStringLiteral("Quorvel.ini")), ini.replace("SIM", sim().slavePath().toUtf8()));
        QByteArray what;
        const QByteArray xName = QFile::encodeName(path(QStringLiteral("x")));
        struct stat before {}, after {};
        for (const QByteArray &one : quiet.split('|')) {
            what = one.left(one.indexOf(' '));
            const QByteArray command = one.mid(one.indexOf(' ') + 1);
            const QByteArray head = command.left(command.indexOf(':'));   // CMD of "CMD:N"
            const int n = command.mid(command.indexOf(':') + 1).toInt();
            if (what == "x") {
                QCOMPARE(::mkfifo(xName.constData(), 0644), 0);
                QCOMPARE(::stat(xName.constData(), &before), 0);
            } else if (what == "ignore")
                sim().setIgnored(QString::fromLatin1(command));
            else if (what == "error")
                sim().setError(QString::fromLatin1(head), n);
            else if (what == "slow") {
                m_programTimeout = true;
                connect(&sim(), &ModSim::lineReceived, &sim(),
                        [this, head, n](const QByteArray &line) { sim().setDelay(line.startsWith(head) ? n : 0); });
            } else if (what == "swap") {
                connect(&sim(), &ModSim::lineReceived, &sim(), [this, head, left = n](const QByteArray &line) mutable {
                    if (line.startsWith(head) && --left == 0)
                        sim().swapModule();
                });
            } else if (what == "fields")
                sim().setRawFields(QString::fromLatin1(command.left(command.indexOf('='))),
                                   command.mid(command.indexOf('=') + 1).split(';'));
        }
        const Run r = run(args.replaceInStrings(QStringLiteral("f.xml"), f)
                              .replaceInStrings(QRegularExpression(QStringLiteral("^r.csv$")), path(QStringLiteral("r.csv"))));
        QCOMPARE(r.exitCode, exitCode);
        QTEST(r.out, "out");
        QVERIFY2((message.endsWith(u'\n') ? r.err.endsWith(message.toUtf8()) : r.err.contains(message.toUtf8()))
                     && !r.err.contains('\x1b'), r.err.constData());
        if (exitCode != 0 && !file.isEmpty())
            QCOMPARE(readFile(f), file);   // a failed read writes no file
        const bool unwritableReport = args.contains(QStringLiteral("no/such/r.csv"));
        if (exitCode >= 2 && !unwritableReport)
            QCOMPARE(sim().receivedBytes(), QByteArray());
        if (unwritableReport)   // the report's failure comes after the module's work, which stands
            QCOMPARE(sim().fields(QStringLiteral("STAMOD")), (QStringList{"PlantNet", "office-pass"}));
        // A refused firmware: no set command.
        if (args.contains(QStringLiteral("--expect-version")))
            QVERIFY(!sim().receivedBytes().contains('='));
        const QList<QStringList> rows = testsupport::csvRows(path("r.csv"));   // none without the file
        QCOMPARE(rows.size(), report.isEmpty() || report == QStringList{"none"} ? 0 : 2);
        if (!rows.isEmpty()) {
            QCOMPARE(rows.at(0), ReportRow::columns());
            const QStringList &got = rows.at(1);
            QCOMPARE(got.size(), ReportRow::columns().size());
            static const QRegularExpression iso(
                QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$"));
            QVERIFY2(iso.match(got.at(0)).hasMatch(), qPrintable(got.at(0)));
            const int ms = got.at(ReportRow::columns().indexOf("ms")).toInt();
            QVERIFY(ms > 0 && ms < r.ms + 1);
            for (QString want : std::as_const(report)) {
                want.replace(QStringLiteral("SIM"), sim().slavePath());
                const qsizetype mark = want.indexOf(QRegularExpression(QStringLiteral("[=~]")));
                const QString value = got.at(ReportRow::columns().indexOf(want.left(mark)));
                if (want.at(mark) == u'=')
                    QCOMPARE(value, want.mid(mark + 1));
                else
                    QVERIFY2(value.contains(want.mid(mark + 1)), qPrintable(value));
            }
        }
        if (!file.contains("<DFWM>") || what == "error")   // a work mode only from the file, nothing after a refusal
            QVERIFY(!sim().receivedBytes().contains(file.contains("<DFWM>") ? "AT+APSTA=" : "AT+ATTP"));
        // A read that came to its end, --read's or --verify's, left one backup of the module, in its folder only.
        const bool readDone = (args.contains("--read") || args.contains("--verify"))
                              && (exitCode < 2 || message.contains(QStringLiteral("不能写入报告")))
                              && !message.contains("不是 MAC 地址");
        QCOMPARE(backups().size(), readDone && !message.contains(QStringLiteral("更换")) ? 1 : 0);   // else the other's
        const QDir modules(path(QStringLiteral("data/quorvel/modules")));
        QCOMPARE(modules.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), readDone ? 1 : 0);
        if (what == "x")
            QVERIFY(::stat(xName.constData(), &after) == 0 && after.st_mode == before.st_mode
                    && after.st_ino == before.st_ino);
    }

    // --apply --verify --run: the list runs after the verify on the same port, and its failed step is the row's detail.
    void applyThenRun()
    {
        const QString f = path(QStringLiteral("f.xml")), l = path(QStringLiteral("l.txt"));
        writeFile(f, profile);
        writeFile(l, "send AT+STAMOD?\nexpect /^OK=PlantNet,/\nsend AT+MAC?\nexpect /^OK=XX/ 200\n");
        const Run r = run({"--port", "SIM", "--apply", f, "--verify", "--run", l, "--report", path("r.csv")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("核对完成") && r.err.endsWith("命令列表未通过：第 4 行 expect /^OK=XX/：200 ms 内没有收到匹配的行"
                                                           "（最后收到：“OK=AC:CF:23:5A:10:7E”）\n"), r.err.constData());
        const QList<QByteArray> lines = sim().receivedLines();
        QCOMPARE(lines.mid(lines.size() - 2), (QList<QByteArray>{"AT+STAMOD?\r\n", "AT+MAC?\r\n"}));
        const QList<QStringList> rows = testsupport::csvRows(path("r.csv"));
        QCOMPARE(rows.size(), 2);
        const auto cell = [&rows](const char *column) { return rows.at(1).at(ReportRow::columns().indexOf(column)); };
        QCOMPARE(cell("action") + u' ' + cell("profile") + u' ' + cell("result"), QStringLiteral("apply+run f.xml fail"));
        QVERIFY2(cell("detail").startsWith(QStringLiteral("命令列表未通过：第 4 行 expect /^OK=XX/")), qPrintable(cell("detail")));
    }

    // --wait-new given the served MAC without separators, answered in lower case with a CR, the port absent, then
    // there, gone and back: only MAC questions until a new module comes. Ctrl+C ends a wait with exit 3 and no row.
    void waitNew()
    {
        const QString f = path(QStringLiteral("f.xml")), r = path(QStringLiteral("r.csv"));
        const QString link = path(QStringLiteral("fixture"));
        writeFile(f, profile);
        const QString served = sim().mac();
        sim().setRawFields(QStringLiteral("MAC"), {"ac:cf:23:5a:10:7e\r"});
        QProcess proc;
        start(proc, {"--wait-new", "accf235a107e", "--port", link, "--apply", f, "--verify", "--report", r,
                     "--progress"});
        const auto macQuestions = [this] { return sim().receivedLines().count("AT+MAC?\r\n"); };
        QString why;
        QVERIFY2(sim().makeLink(link, &why), qPrintable(why));
        QTRY_VERIFY_WITH_TIMEOUT(macQuestions() >= 1, 10000);
        sim().stop();
        sim().clearTrace();
        QVERIFY2(sim().start(&why) && sim().makeLink(link, &why), qPrintable(why));
        QTRY_VERIFY_WITH_TIMEOUT(macQuestions() >= 2, 10000);
        QCOMPARE(proc.state(), QProcess::Running);
        QCOMPARE(sim().receivedLines().size(), macQuestions());
        sim().swapModule();
        QTRY_COMPARE_WITH_TIMEOUT(proc.state(), QProcess::NotRunning, 30000);
        QCOMPARE(proc.exitCode(), 0);
        const QString fresh = ModSim::nextMac(served);
        QVERIFY(proc.readAllStandardOutput().startsWith("@waiting\n@module " + fresh.toLatin1() + '\n'));
        const QList<QStringList> rows = testsupport::csvRows(r);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(1).at(2), fresh);
        QCOMPARE(rows.at(1).at(ReportRow::columns().indexOf("result")), QStringLiteral("pass"));

        sim().clearTrace();
        QProcess waiting;
        start(waiting, {"--wait-new", fresh, "--port", link, "--apply", f, "--report", r});
        QTRY_VERIFY_WITH_TIMEOUT(macQuestions() >= 2, 10000);
        ::kill(pid_t(waiting.processId()), SIGINT);
        QTRY_COMPARE_WITH_TIMEOUT(waiting.state(), QProcess::NotRunning, 10000);
        QCOMPARE(waiting.exitStatus(), QProcess::NormalExit);
        QCOMPARE(waiting.exitCode(), 3);
        QCOMPARE(sim().receivedLines().size(), macQuestions());
        QCOMPARE(testsupport::csvRows(r).size(), 2);
    }
};

QTEST_MAIN(tst_CmdLine)
#include "tst_cmdline.moc"
