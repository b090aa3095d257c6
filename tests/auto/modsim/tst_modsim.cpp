// Tests of the simulated module, driven through a plain descriptor on the
// slave side of its pseudo-terminal, the way a program drives a serial port.
#include "tools/modsim/modsim.h"

#include <QtTest>

#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

const char *const words[] = {"VER", "MAC", "APSTA", "NETS", "CURIP", "UART", "APMOD", "APKEY",
                             "STAMOD", "IPCFG", "DHCP", "TPSOCK", "FFRAME", "AFRAME", "ATTP"};

class Port
{
public:
    ~Port() { close(); }
    bool open(const QString &path)
    {
        close();
        fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t;
        if (fd < 0 || ::tcgetattr(fd, &t) != 0)
            return false;
        ::cfmakeraw(&t);
        return ::tcsetattr(fd, TCSANOW, &t) == 0;
    }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        in.clear();
        chunks.clear();
    }
    bool write(const QByteArray &bytes) { return ::write(fd, bytes.constData(), bytes.size()) == bytes.size(); }
    // Takes what has arrived; false once the module side is gone.
    bool pump()
    {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                return n < 0 && errno == EAGAIN;
            in.append(buf, n);
            chunks << QByteArray(buf, n);
        }
    }
    QByteArray line(int ms = 3000)
    {
        (void)QTest::qWaitFor([&] { pump(); return in.contains("\r\n"); }, ms);
        const int end = in.indexOf("\r\n");
        const QByteArray l = end < 0 ? QByteArray() : in.left(end + 2);
        in.remove(0, l.size());
        return l;
    }
    QByteArray ask(const QByteArray &cmd)
    {
        if (!write(cmd + "\r\n"))
            return "write failed";
        const QByteArray l = line();
        return l.isEmpty() ? "no answer" : l.chopped(2);
    }

    int fd = -1;
    QByteArray in;
    QList<QByteArray> chunks;
};

QHash<QString, QStringList> snapshot(const ModSim &sim)
{
    QHash<QString, QStringList> all;
    for (const char *w : words)
        all.insert(w, sim.fields(w));
    return all;
}

} // namespace

class tst_ModSim : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        sim.reset(new ModSim);
        QString error;
        QVERIFY2(sim->start(&error), qPrintable(error));
        QVERIFY(port.open(sim->slavePath()));
    }
    void cleanup()
    {
        port.close();
        sim.reset();
    }

    void queries_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("count");
        const int counts[] = {1, 1, 1, 2, 3, 5, 3, 3, 2, 4, 3, 4, 1, 2, 1};
        for (int i = 0; i < 15; ++i)
            QTest::newRow(words[i]) << QString::fromLatin1(words[i]) << counts[i];
    }
    // A factory module answers every query with the stored, non-empty fields.
    void queries()
    {
        QFETCH(QString, word);
        QFETCH(int, count);
        const QByteArray answer = port.ask("AT+" + word.toLatin1() + "?");
        QVERIFY2(answer.startsWith("OK="), answer.constData());
        const QStringList got = QString::fromUtf8(answer.mid(3)).split(u',');
        QCOMPARE(got.size(), count);
        QCOMPARE(got, sim->fields(word));
        QVERIFY(!got.contains(QString()));
    }

    void settings_data()
    {
        QTest::addColumn<QByteArrayList>("sends");
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("answer");
        // Each of these answers its own fields to the query that follows it;
        // together they take every code field to both ends of its range.
        const char *const roundTrips[] = {
            "AT+UART=7,8,2,2,1", "AT+UART=0,5,0,1,0", "AT+APSTA=1", "AT+APMOD=Lab 2.4G,5,13", "AT+APMOD=,1,1",
            "AT+APKEY=7,5,s3cret key", "AT+APKEY=0,0,", "AT+APKEY=6,2,pa,ss", "AT+STAMOD=家里,pw", "AT+STAMOD=,",
            "AT+IPCFG=1,10.0.0.2,10.0.0.1,255.0.0.0", "AT+DHCP=0,10.0.0.100,10.0.0.199",
            "AT+TPSOCK=1,1,example.net,65535", "AT+FFRAME=", "AT+AFRAME=1024,20", "AT+ATTP=1"};
        for (const QByteArray set : roundTrips) {
            const int eq = set.indexOf('=');
            QTest::newRow(set.constData()) << QByteArrayList{set} << set.left(eq) + '?' << "OK=" + set.mid(eq + 1);
        }
        QTest::newRow("IPCFG dynamic keeps addresses") << QByteArrayList{"AT+IPCFG=1,10.0.0.2,10.0.0.1,255.0.0.0", "AT+IPCFG=0"} << QByteArray("AT+IPCFG?") << QByteArray("OK=0,10.0.0.2,10.0.0.1,255.0.0.0");
        QTest::newRow("network off") << QByteArrayList{"AT+STANET=0"} << QByteArray("AT+NETS?") << QByteArray("OK=1,0");
        QTest::newRow("network off hides address") << QByteArrayList{"AT+STANET=0"} << QByteArray("AT+CURIP?") << QByteArray("ERR=1");
        QTest::newRow("network back on") << QByteArrayList{"AT+STANET=0", "AT+STANET=1"} << QByteArray("AT+CURIP?") << QByteArray("OK=192.168.4.1,192.168.4.1,255.255.255.0");
        QTest::newRow("factory restore") << QByteArrayList{"AT+UART=0,5,1,2,1", "AT+DFRST"} << QByteArray("AT+UART?") << QByteArray("OK=5,8,0,1,0");
    }
    void settings()
    {
        QFETCH(QByteArrayList, sends);
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, answer);
        for (const QByteArray &s : sends)
            QCOMPARE(port.ask(s), QByteArray("OK"));
        QCOMPARE(port.ask(query), answer);
    }

    void rejects_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("answer");
        const QByteArray e1 = "ERR=1";
        const QList<QPair<const char *, const char *>> bad = {
            {"UART 4 fields", "AT+UART=5,8,0,1"}, {"UART 6 fields", "AT+UART=5,8,0,1,0,0"}, {"baud code 8", "AT+UART=8,8,0,1,0"},
            {"data bits 4", "AT+UART=5,4,0,1,0"}, {"data bits 9", "AT+UART=5,9,0,1,0"}, {"parity 3", "AT+UART=5,8,3,1,0"},
            {"stop bits 0", "AT+UART=5,8,0,0,0"}, {"stop bits 3", "AT+UART=5,8,0,3,0"}, {"flow 2", "AT+UART=5,8,0,1,2"},
            {"wireless mode 0", "AT+APMOD=x,0,6"}, {"wireless mode 6", "AT+APMOD=x,6,6"}, {"channel 0", "AT+APMOD=x,4,0"},
            {"channel 14", "AT+APMOD=x,4,14"}, {"auth 8", "AT+APKEY=8,3,k"}, {"crypt 6", "AT+APKEY=4,6,k"},
            {"comma in STA key", "AT+STAMOD=a,b,c"}, {"APSTA 2", "AT+APSTA=2"}, {"APSTA empty", "AT+APSTA="},
            {"APSTA letter", "AT+APSTA=x"}, {"APSTA signed", "AT+APSTA=+1"}, {"APSTA blank", "AT+APSTA= 1"},
            {"static IP without addresses", "AT+IPCFG=1"}, {"IPCFG 2 fields", "AT+IPCFG=0,10.0.0.2"},
            {"IP mode 2", "AT+IPCFG=2,a,b,c"}, {"DHCP 2", "AT+DHCP=2,a,b"}, {"protocol 2", "AT+TPSOCK=2,0,a,1"},
            {"socket role 2", "AT+TPSOCK=0,2,a,1"}, {"ATTP 2", "AT+ATTP=2"}, {"STANET 2", "AT+STANET=2"},
            {"FFRAME 2 fields", "AT+FFRAME=1,2"}, {"AFRAME 1 field", "AT+AFRAME=1"}, {"not AT", "hello"},
            {"lower case", "at+uart?"}, {"query of a setting only", "AT+STANET?"}, {"setting of a query only", "AT+VER=V9"},
            {"action of a setting", "AT+UART"}, {"text after query", "AT+UART?x"}, {"reset with argument", "AT+RST=1"}};
        for (const auto &b : bad)
            QTest::newRow(b.first) << QByteArray(b.second) << e1;
        QTest::newRow("unknown word") << QByteArray("AT+FOO?") << QByteArray("ERR=3");
        QTest::newRow("word never simulated") << QByteArray("AT+HELP") << QByteArray("ERR=3");
        QTest::newRow("LF inside the line") << QByteArray("AT+UART?\nAT") << QByteArray("ERR=5");
    }
    // A refused line changes nothing, not even partly.
    void rejects()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, answer);
        const auto before = snapshot(*sim);
        QCOMPARE(port.ask(line), answer);
        QCOMPARE(snapshot(*sim), before);
    }

    void reset()
    {
        QCOMPARE(port.ask("AT+RST"), QByteArray("OK"));
        QVERIFY(port.write("AT\r\n"));
        QByteArrayList banner;
        for (QByteArray l = port.line(); l != "OK\r\n"; l = port.line()) {
            QVERIFY2(!l.isEmpty() && !l.startsWith("OK") && !l.startsWith("ERR"), l.constData());
            banner << l;
        }
        QVERIFY2(banner.size() >= 2 && banner.size() <= 3, banner.join().constData());
    }

    void transparent_data()
    {
        QTest::addColumn<QByteArrayList>("pluses");
        QTest::newRow("one write") << QByteArrayList{"+++"};
        QTest::newRow("split after one") << QByteArrayList{"+", "++"};
        QTest::newRow("split after two") << QByteArrayList{"++", "+"};
        QTest::newRow("byte by byte") << QByteArrayList{"+", "+", "+"};
    }
    void transparent()
    {
        QFETCH(QByteArrayList, pluses);
        QCOMPARE(port.ask("AT+TPMOD"), QByteArray("OK"));
        QVERIFY(sim->transparent());
        const QByteArray data("1+1=2\r\nAT+UART?\r\n\0end+", 22);
        QVERIFY(port.write(data));
        QVERIFY(QTest::qWaitFor([&] { port.pump(); return port.in.size() >= data.size(); }, 3000));
        QCOMPARE(port.in, data);  // a "+" at the end comes back once no "++" follows
        port.in.clear();
        qsizetype total = sim->receivedBytes().size();
        for (const QByteArray &p : pluses) {
            QVERIFY(port.write(p));
            total += p.size();
            QTRY_COMPARE(sim->receivedBytes().size(), total);
        }
        QCOMPARE(port.line(), QByteArray("OK\r\n"));
        QVERIFY(!sim->transparent());
        QCOMPARE(port.ask("AT"), QByteArray("OK"));
    }

    void faultRules_data()
    {
        QTest::addColumn<QString>("cmd");
        QTest::addColumn<int>("code");  // 0: silent
        QTest::addColumn<int>("times");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArrayList>("answers");
        QTest::newRow("silent twice") << "AT+UART?" << 0 << 2 << QByteArray("AT+UART?") << QByteArrayList{"", "", "OK=5,8,0,1,0\r\n"};
        QTest::newRow("silent always") << "AT+RST" << 0 << -1 << QByteArray("AT+RST") << QByteArrayList{"", "", ""};
        QTest::newRow("error once, any APKEY setting") << "AT+APKEY=" << 2 << 1 << QByteArray("AT+APKEY=1,1,k") << QByteArrayList{"ERR=2\r\n", "OK\r\n"};
        QTest::newRow("error always") << "AT+UART?" << 4 << -1 << QByteArray("AT+UART?") << QByteArrayList{"ERR=4\r\n", "ERR=4\r\n"};
        QTest::newRow("setting rule spares the query") << "AT+UART=" << 4 << -1 << QByteArray("AT+UART?") << QByteArrayList{"OK=5,8,0,1,0\r\n"};
        QTest::newRow("only the head matches") << "AT+UART=5,8,0,1,0" << 0 << -1 << QByteArray("AT+UART=5,8,0,1,0") << QByteArrayList{"OK\r\n"};
        QTest::newRow("non-AT line") << "hello" << 2 << -1 << QByteArray("hello") << QByteArrayList{"ERR=2\r\n"};
    }
    void faultRules()
    {
        QFETCH(QString, cmd);
        QFETCH(int, code);
        QFETCH(int, times);
        QFETCH(QByteArray, line);
        QFETCH(QByteArrayList, answers);
        if (code == 0)
            sim->setSilent(cmd, times);
        else
            sim->setError(cmd, code, times);
        for (const QByteArray &expected : answers) {
            QVERIFY(port.write(line + "\r\nAT+VER?\r\n"));  // the VER answer marks the end
            QByteArray got;
            for (QByteArray l = port.line(); l != "OK=V2.1.7\r\n"; l = port.line()) {
                QVERIFY(!l.isEmpty());
                got += l;
            }
            QCOMPARE(got, expected);
        }
    }

    void delay()
    {
        sim->setDelay(300);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(port.write("AT+VER?\r\nAT+MAC?\r\n"));
        QCOMPARE(port.line(), QByteArray("OK=V2.1.7\r\n"));
        QVERIFY2(clock.elapsed() >= 295, QByteArray::number(clock.elapsed()).constData());
        QCOMPARE(port.line(), QByteArray("OK=AC:CF:23:5A:10:7E\r\n"));
    }

    void split()
    {
        sim->setSplit(true);
        QVERIFY(port.write("AT+UART?\r\n"));
        QCOMPARE(port.line(), QByteArray("OK=5,8,0,1,0\r\n"));
        QVERIFY2(port.chunks.size() >= 7, QByteArray::number(port.chunks.size()).constData());
    }

    void echo()
    {
        sim->setEcho(true);
        QVERIFY(port.write("AT+VER?\r\n"));
        QCOMPARE(port.line(), QByteArray("AT+VER?\r\n"));
        QCOMPARE(port.line(), QByteArray("OK=V2.1.7\r\n"));
    }

    void noise()
    {
        sim->setNoise(20);
        QVERIFY(port.write("AT+MAC?\r\n"));
        int noiseLines = 0, answers = 0;
        while (noiseLines < 3 || answers == 0) {
            const QByteArray l = port.line();
            QVERIFY(!l.isEmpty());
            if (l.startsWith("OK") || l.startsWith("ERR")) {
                QCOMPARE(l, QByteArray("OK=AC:CF:23:5A:10:7E\r\n"));
                ++answers;
            } else {
                ++noiseLines;
            }
        }
    }

    void stream_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("minMs");
        QTest::newRow("100 lines/s") << 100 << 20 << 30 << 250;
        QTest::newRow("as fast as taken") << 0 << 64 << 3000 << 0;
    }
    void stream()
    {
        QFETCH(int, rate);
        QFETCH(int, length);
        QFETCH(int, lines);
        QFETCH(int, minMs);
        QElapsedTimer clock;
        clock.start();
        sim->startStream(rate, length);
        qint64 received = 0;
        bool bad = false;
        auto take = [&] {  // checks every complete line: its length and its number
            port.pump();
            for (int end; !bad && (end = port.in.indexOf("\r\n")) >= 0; port.in.remove(0, end + 2))
                bad = end + 2 != length || port.in.left(end).toLongLong() != received++;
            return bad;
        };
        QVERIFY(QTest::qWaitFor([&] { return take() || received >= lines; }, 10000));
        QVERIFY(!bad);
        QVERIFY2(clock.elapsed() >= minMs, QByteArray::number(clock.elapsed()).constData());
        sim->stopStream();
        QVERIFY(QTest::qWaitFor([&] { return take() || (received == sim->streamedLines() && port.in.isEmpty()); }, 5000));
        QVERIFY(!bad);
    }

    void trace()
    {
        QSignalSpy lines(sim.get(), &ModSim::lineReceived);
        const QByteArrayList writes = {"AT\r", "\nAT+VER?\r\n", "\r\n", QByteArray("hi\0there\r\n", 10),
                                       "AT+TPMOD\r\n", QByteArray("da\0ta\r\n", 7), "+++", "AT\r\n"};
        const QByteArrayList answers = {"", "OK\r\nOK=V2.1.7\r\n", "", "ERR=1\r\n", "OK\r\n", "", "OK\r\n", "OK\r\n"};
        QByteArray all;
        for (int i = 0; i < writes.size(); ++i) {
            QVERIFY(port.write(writes.at(i)));
            all += writes.at(i);
            QByteArray expected = answers.at(i) + (i == 5 ? writes.at(i) : QByteArray());
            QVERIFY(QTest::qWaitFor([&] { port.pump(); return sim->receivedBytes().size() == all.size() && port.in.size() >= expected.size(); }, 3000));
            QCOMPARE(port.in, expected);
            port.in.clear();
        }
        QCOMPARE(sim->receivedBytes(), all);
        const QList<QByteArray> expectedLines = {"AT\r\n", "AT+VER?\r\n", "\r\n", writes.at(3), "AT+TPMOD\r\n", writes.at(5), "+++", "AT\r\n"};
        QCOMPARE(sim->receivedLines(), expectedLines);
        QCOMPARE(lines.size(), expectedLines.size());
    }

    void link()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("qv-sim"));
        QVERIFY(QFile::link(QStringLiteral("/nonexistent"), path));  // stale, from an earlier run
        QVERIFY(sim->makeLink(path));
        QCOMPARE(QFileInfo(path).symLinkTarget(), sim->slavePath());
        Port viaLink;
        QVERIFY(viaLink.open(path));
        QCOMPARE(viaLink.ask("AT"), QByteArray("OK"));
        sim->stop();
        sim->stop();
        QVERIFY(!QFileInfo::exists(path) && QFileInfo(path).symLinkTarget().isEmpty());
        QVERIFY(!viaLink.pump());  // the adapter is gone

        QFile file(dir.filePath(QStringLiteral("plain")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        {
            ModSim other;
            QVERIFY(other.start());
            QVERIFY(!other.makeLink(file.fileName()));
            QVERIFY(other.makeLink(path));
        }
        QVERIFY(file.exists());
        QVERIFY(QFileInfo(path).symLinkTarget().isEmpty());
    }

    // With nobody on the slave side the module neither spins nor keeps what
    // it had to say for the next opener.
    void reopen()
    {
        QCOMPARE(port.ask("AT"), QByteArray("OK"));
        sim->sendRaw("unread\r\n");
        port.close();
        sim->setNoise(10);
        timespec t0, t1;
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t0);
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t1);
        const double cpuMs = (t1.tv_sec - t0.tv_sec) * 1e3 + (t1.tv_nsec - t0.tv_nsec) / 1e6;
        QVERIFY2(cpuMs < 50, QByteArray::number(cpuMs).constData());
        sim->setNoise(0);
        QVERIFY(port.open(sim->slavePath()));
        sim->sendRaw("first\r\n");
        QCOMPARE(port.line(), QByteArray("first\r\n"));
        QCOMPARE(port.ask("AT"), QByteArray("OK"));
    }

private:
    std::unique_ptr<ModSim> sim;
    Port port;
};

QTEST_GUILESS_MAIN(tst_ModSim)
#include "tst_modsim.moc"
