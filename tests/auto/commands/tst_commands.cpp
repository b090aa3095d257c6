// Command lists: the file format as data tables, and runs over a real port to the simulated module (SerialLink on a
// pseudo-terminal), where what the module received is the check.
#include <QSignalSpy>

#include "console/commandlist.h"
#include "console/commandrun.h"
#include "serial/seriallink.h"
#include "tests/common/testsupport.h"

namespace {

// A run wired to a port: text goes out with CR LF, every received line goes to the run.
struct Wire
{
    ModSim sim;
    SerialLink link;
    CommandRun run;
    QString error;

    bool start()
    {
        if (!sim.start(&error) || !link.open(sim.slavePath(), PortSettings(), &error))
            return false;
        run.setTextSender([this](const QString &text) {
            link.send(text + QStringLiteral("\r\n"));
            return QString();
        });
        run.setByteSender([this](const QByteArray &bytes) { link.sendBytes(bytes); });
        QObject::connect(&link, &SerialLink::lineReceived, &run,
                         [this](const QByteArray &, const QString &text, bool) { run.takeLine(text); });
        return QTest::qWaitFor([this] { return sim.peerConnected(); });
    }
    CommandRun::Outcome go(const QString &text, int first = 0, int count = -1)
    {
        QString why;
        const std::optional<CommandList> list = CommandList::parse(text, &why);
        if (!list)
            return {CommandRun::Outcome::End::Stopped, -2, why, {}};
        QSignalSpy done(&run, &CommandRun::finished);
        run.start(*list, first, count);
        if (done.isEmpty() && !done.wait(10000))
            return {CommandRun::Outcome::End::Stopped, -3, QStringLiteral("<no end>"), {}};
        return done.first().first().value<CommandRun::Outcome>();
    }
    QList<QByteArray> received() const { return sim.receivedLines(); }
};

} // namespace

class tst_Commands : public QObject
{
    Q_OBJECT

    std::optional<Wire> w;

    void wire() { QVERIFY2(w.emplace().start(), qPrintable(w->error)); }

private slots:
    void cleanup() { w.reset(); }

    // Each kind of line, as the file has it.
    void parseLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("what");   // send: the text; hex: the bytes; expect, error: pattern and ms; wait: ms
        using K = CommandList::Kind;
        QTest::newRow("comment") << "  # Check it" << int(K::Note) << "";
        QTest::newRow("blank") << "   " << int(K::Note) << "";
        QTest::newRow("send keeps its spaces") << "send  AT+APMOD=Lab AP,5 " << int(K::Send) << "AT+APMOD=Lab AP,5 ";
        QTest::newRow("send nothing") << "send" << int(K::Send) << "";
        QTest::newRow("expect default") << "expect /^OK=V2\\./" << int(K::Expect) << "^OK=V2\\. 1000";
        QTest::newRow("expect with ms, slash inside") << "expect /a/b/  250" << int(K::Expect) << "a/b 250";
        QTest::newRow("error") << "error /^ERR=/" << int(K::Error) << "^ERR= 1000";
        QTest::newRow("wait") << "wait 200" << int(K::Wait) << "200";
        QTest::newRow("hex") << "hex 41 54 0d 0A" << int(K::Hex) << "4154 0d0a";
    }
    void parseLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, what);
        QString why;
        const std::optional<CommandList::Step> step = CommandList::parseLine(line, &why);
        QVERIFY2(step, qPrintable(why));
        QTEST(int(step->kind), "kind");
        QCOMPARE(step->source, line);
        switch (step->kind) {
        case CommandList::Kind::Send:
            QCOMPARE(step->text, what);
            break;
        case CommandList::Kind::Hex:
            QCOMPARE(step->bytes, QByteArray::fromHex(what.toLatin1()));
            break;
        case CommandList::Kind::Expect:
        case CommandList::Kind::Error:
            QCOMPARE(step->pattern.pattern() + u' ' + QString::number(step->ms), what);
            break;
        case CommandList::Kind::Wait:
            QCOMPARE(QString::number(step->ms), what);
            break;
        case CommandList::Kind::Note:
            break;
        }
    }

    // A file that does not parse names its first bad line; the rows before it count blank lines and comments.
    void refusals_data()
    {
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("why");
        QTest::newRow("unknown word") << "sned AT" << "第 3 行：不认识“sned”：一行以 send、expect、wait、hex 或 error 开头，# 开头的是注释";
        QTest::newRow("no slashes") << "expect OK" << "第 3 行：expect 需要写在两个斜杠之间的正则表达式，如 /^OK/";
        QTest::newRow("empty pattern") << "error //" << "第 3 行：error 需要写在两个斜杠之间的正则表达式，如 /^OK/";
        QTest::newRow("bad regex") << "expect /(OK/" << "第 3 行：正则表达式 /(OK/ 有误：missing closing parenthesis";
        QTest::newRow("words after ms") << "expect /OK/ 5s" << "第 3 行：expect 需要写在两个斜杠之间的正则表达式，如 /^OK/";
        QTest::newRow("error with ms") << "error /ERR/ 5" << "第 3 行：error 的正则表达式后面不能再有内容";
        QTest::newRow("wait too long") << "wait 3600001" << "第 3 行：“3600001”不是 0 到 3600000 之间的毫秒数";
        QTest::newRow("wait negative") << "wait -1" << "第 3 行：“-1”不是 0 到 3600000 之间的毫秒数";
        QTest::newRow("hex odd") << "hex 41 5" << "第 3 行：不是十六进制字节，第 4 个字符“5”有误";
        QTest::newRow("hex empty") << "hex" << "第 3 行：hex 后面没有字节";
    }
    void refusals()
    {
        QFETCH(QString, bad);
        QString said;
        QVERIFY(!CommandList::parse(QStringLiteral("# list\n\n") + bad + QStringLiteral("\nsend AT\n"), &said));
        QTEST(said, "why");
    }

    // A file loads and saves back to the same bytes, CR LF lines read as lines; what is not UTF-8 text is refused.
    void files()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("l.txt"));
        const QByteArray text = "# Check a module \xe6\xa8\xa1\xe5\x9d\x97\n\nsend AT+VER?\r\nexpect /^OK=/ 500\n";
        testsupport::writeFile(path, text);
        QString why;
        std::optional<CommandList> list = CommandList::load(path, &why);
        QVERIFY2(list, qPrintable(why));
        QCOMPARE(list->name(), QStringLiteral("Check a module 模块"));
        QCOMPARE(list->steps.size(), 4);
        QCOMPARE(list->steps.at(2).text, QStringLiteral("AT+VER?"));
        QVERIFY(list->save(path, &why));
        QCOMPARE(testsupport::readFile(path), QByteArray(text).replace("\r\n", "\n"));

        testsupport::writeFile(path, "send AT\xff\n");
        QVERIFY(!CommandList::load(path, &why));
        QCOMPARE(why, QStringLiteral("命令列表 %1 不是 UTF-8 文本").arg(path));
        QVERIFY(!CommandList::load(dir.filePath(QStringLiteral("none")), &why));
        QVERIFY2(why.startsWith(QStringLiteral("不能打开命令列表")), qPrintable(why));
    }

    // Sends, expects (other lines skipped), waits and hex bytes go out in order, each once, each after the answer
    // before it.
    void runsInOrder()
    {
        wire();
        w->sim.setEcho(true);   // the echo of each command is a line the expects skip
        QSignalSpy ended(&w->run, &CommandRun::stepEnded);
        const CommandRun::Outcome out = w->go(QStringLiteral("# all kinds\nerror /^ERR=/\nsend AT+VER?\n"
                                                             "expect /^OK=V2\\./ 500\n\nwait 30\n"
                                                             "hex 41 54 2B 4D 41 43 3F 0D 0A\nexpect /^OK=AC/\n"));
        QVERIFY2(out.ok(), qPrintable(out.why));
        QCOMPARE(w->received(), (QList<QByteArray>{"AT+VER?\r\n", "AT+MAC?\r\n"}));
        QStringList rows;
        for (const QList<QVariant> &e : ended)
            rows << QString::number(e.at(0).toInt()) + (e.at(1).toBool() ? u'+' : u'-') + e.at(2).toString();
        QCOMPARE(rows, (QStringList{"1+", "2+", "3+OK=V2.1.7", "5+", "6+", "7+OK=AC:CF:23:5A:10:7E"}));
    }

    // An expect that times out, and one cut short by the error pattern, end the run there: nothing after them is
    // sent, and the failure names the line, the pattern and the last line received.
    void failures()
    {
        wire();
        QElapsedTimer clock;
        clock.start();
        CommandRun::Outcome out = w->go(QStringLiteral("send AT+VER?\nexpect /^OK=V9/ 300\nsend AT+MAC?\n"));
        QCOMPARE(int(out.end), int(CommandRun::Outcome::End::Failed));
        QCOMPARE(out.row, 1);
        QCOMPARE(out.why, QStringLiteral("第 2 行 expect /^OK=V9/：300 ms 内没有收到匹配的行（最后收到：“OK=V2.1.7”）"));
        QVERIFY2(clock.elapsed() >= 290, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(w->received(), QList<QByteArray>{"AT+VER?\r\n"});

        w->sim.clearTrace();
        w->sim.setError(QStringLiteral("AT+VER?"), 4);
        clock.start();
        out = w->go(QStringLiteral("error /^ERR=/\nsend AT+VER?\nexpect /^OK/ 5000\nsend AT+MAC?\n"));
        QCOMPARE(out.row, 2);
        QCOMPARE(out.why, QStringLiteral("第 3 行 expect /^OK/：收到“ERR=4”，符合错误模式 /^ERR=/"));
        QCOMPARE(out.lastLine, QStringLiteral("ERR=4"));
        QVERIFY2(clock.elapsed() < 4000, "the error pattern ends the expect at once");
        QCOMPARE(w->received(), QList<QByteArray>{"AT+VER?\r\n"});

        // The error pattern set above a single step run holds for it; an expect of the error itself passes.
        w->sim.clearTrace();
        out = w->go(QStringLiteral("error /^ERR=/\nsend AT+VER?\nexpect /^ERR=4/\n"), 1);
        QVERIFY2(out.ok(), qPrintable(out.why));
        out = w->go(QStringLiteral("error /^ERR=/\nsend AT+VER?\nexpect /^OK/\n"), 1, 2);
        QCOMPARE(out.row, 2);
    }

    // The documentation's example passes on a module as the simulated one comes, and fails on one off the network.
    void documentedExample()
    {
        wire();
        QString why;
        const std::optional<CommandList> list =
            CommandList::load(QStringLiteral(QUORVEL_SOURCE_DIR "/docs/examples/check-after-configuration.txt"), &why);
        QVERIFY2(list, qPrintable(why));
        QCOMPARE(list->name(), QStringLiteral("Check a module after configuration"));
        const CommandRun::Outcome passed = w->go(list->text());
        QVERIFY2(passed.ok(), qPrintable(passed.why));
        w->sim.setFields(QStringLiteral("NETS"), {"0", "0"});
        QCOMPARE(w->go(list->text()).row, 15);
    }

    // One step runs alone; Stop ends a wait at once, and nothing more goes out.
    void stepAndStop()
    {
        wire();
        const QString list = QStringLiteral("send AT+VER?\nwait 5000\nsend AT+MAC?\n");
        QVERIFY(w->go(list, 2, 1).ok());
        QTRY_COMPARE(w->received(), QList<QByteArray>{"AT+MAC?\r\n"});

        w->sim.clearTrace();
        QSignalSpy done(&w->run, &CommandRun::finished);
        QString why;
        w->run.start(*CommandList::parse(list, &why));
        QCOMPARE(w->run.currentRow(), 1);
        w->run.stop();
        QCOMPARE(done.size(), 1);
        const auto out = done.first().first().value<CommandRun::Outcome>();
        QCOMPARE(int(out.end), int(CommandRun::Outcome::End::Stopped));
        QCOMPARE(out.why, QStringLiteral("在第 2 行停止"));
        QTest::qWait(100);
        QCOMPARE(w->received(), QList<QByteArray>{"AT+VER?\r\n"});
        QVERIFY(!w->run.running());

        // A sender that refuses ends the run at that step.
        w->run.setTextSender([](const QString &) { return QStringLiteral("串口已关闭"); });
        const CommandRun::Outcome refused = w->go(QStringLiteral("wait 0\nsend AT\n"));
        QCOMPARE(refused.why, QStringLiteral("第 2 行 send：串口已关闭"));
    }
};

QTEST_GUILESS_MAIN(tst_Commands)
#include "tst_commands.moc"
