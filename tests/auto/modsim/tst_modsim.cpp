// The simulated module's answers and line faults through a serial port (its fault rules: tst_configsession).
#include "tools/modsim/modsim.h"

#include <QSerialPort>
#include <QtTest>

class tst_ModSim : public QObject
{
    Q_OBJECT
    std::unique_ptr<ModSim> sim;
    std::unique_ptr<QSerialPort> port;

    // The next line with its CR LF, empty if none comes in time.
    QByteArray line()
    {
        return QTest::qWaitFor([this] { return port->canReadLine(); }, 3000) ? port->readLine() : QByteArray();
    }
    QHash<QString, QStringList> snapshot() const   // every stored field
    {
        QHash<QString, QStringList> all;
        for (const char *word : {"VER", "MAC", "APSTA", "NETS", "CURIP", "UART", "APMOD", "APKEY", "STAMOD", "IPCFG",
                                 "DHCP", "TPSOCK", "FFRAME", "AFRAME", "ATTP"})
            all.insert(word, sim->fields(word));
        return all;
    }

private slots:
    void init()
    {
        port.reset();   // closed before its module goes
        sim = std::make_unique<ModSim>();
        QString error;
        QVERIFY2(sim->start(&error), qPrintable(error));
        port = std::make_unique<QSerialPort>(sim->slavePath());
        QVERIFY2(port->open(QIODevice::ReadWrite), qPrintable(port->errorString()));
    }

    void answers_data()
    {
        QTest::addColumn<QByteArrayList>("lines");   // each answered "OK" but the last
        QTest::addColumn<QByteArray>("answer");   // to the last
        // Each setting's own fields come back; together they take every code field to both ends of its range.
        for (const char *set : {"AT+UART=7,8,2,2,1", "AT+UART=0,5,0,1,0", "AT+APSTA=1", "AT+APMOD=Lab 2.4G,5,13",
                                "AT+APMOD=,1,1", "AT+APKEY=7,5,s3cret key", "AT+APKEY=0,0,", "AT+APKEY=6,2,pa,ss",
                                "AT+STAMOD=家里,pw", "AT+STAMOD=,", "AT+IPCFG=1,10.0.0.2,10.0.0.1,255.0.0.0",
                                "AT+DHCP=0,10.0.0.100,10.0.0.199", "AT+TPSOCK=1,1,example.net,65535", "AT+FFRAME=",
                                "AT+AFRAME=1024,20", "AT+ATTP=1"}) {
            const QByteArray setting(set);
            const int eq = setting.indexOf('=');
            QTest::newRow(set) << QByteArrayList{setting, setting.left(eq) + '?'} << "OK=" + setting.mid(eq + 1);
        }
        QTest::newRow("dynamic IP keeps the addresses") << QByteArrayList{"AT+IPCFG=1,10.0.0.2,10.0.0.1,255.0.0.0",
            "AT+IPCFG=0", "AT+IPCFG?"} << QByteArray("OK=0,10.0.0.2,10.0.0.1,255.0.0.0");
        QTest::newRow("factory address") << QByteArrayList{"AT+CURIP?"}
                                         << QByteArray("OK=192.168.4.1,192.168.4.1,255.255.255.0");
        QTest::newRow("network off, no address") << QByteArrayList{"AT+STANET=0", "AT+CURIP?"} << QByteArray("ERR=1");
        // Refused: out of range, a comma in a station key, the wrong shape; an unknown word; a line feed.
        for (const char *bad : {"AT+UART=5,8,0,1", "AT+UART=8,8,0,1,0", "AT+UART=5,4,0,1,0", "AT+UART=5,9,0,1,0",
                                "AT+UART=5,8,3,1,0", "AT+UART=5,8,0,0,0", "AT+UART=5,8,0,3,0", "AT+UART=5,8,0,1,2",
                                "AT+APMOD=x,0,6", "AT+APMOD=x,6,6", "AT+APMOD=x,4,0", "AT+APMOD=x,4,14",
                                "AT+APKEY=8,3,k", "AT+APKEY=4,6,k", "AT+STAMOD=a,b,c", "AT+APSTA=+1", "AT+IPCFG=1",
                                "AT+TPSOCK=2,0,a,1", "hello", "at+uart?", "AT+VER=V9", "AT+UART?x", "AT+UART",
                                "AT+RST=1"})
            QTest::newRow(bad) << QByteArrayList{bad} << QByteArray("ERR=1");
        QTest::newRow("AT+FOO?") << QByteArrayList{"AT+FOO?"} << QByteArray("ERR=3");
        QTest::newRow("AT+UART?\\nAT") << QByteArrayList{"AT+UART?\nAT"} << QByteArray("ERR=5");
    }
    void answers()
    {
        QFETCH(QByteArrayList, lines);
        QFETCH(QByteArray, answer);
        QHash<QString, QStringList> before;
        for (const QByteArray &cmd : lines) {
            before = snapshot();
            port->write(cmd + "\r\n");
            QCOMPARE(line(), (&cmd == &lines.last() ? answer : QByteArray("OK")) + "\r\n");
        }
        if (answer.startsWith("ERR"))   // a refused line changes nothing, not even partly
            QCOMPARE(snapshot(), before);
    }

    // An echo, then the answer after the delay, a byte a write when split; noise only between lines.
    void echoSplitDelayNoise()
    {
        sim->setEcho(true);
        sim->setSplit(true);
        sim->setDelay(300);
        QSignalSpy pieces(port.get(), &QIODevice::readyRead);
        QElapsedTimer clock;
        clock.start();
        port->write("AT+VER?\r\n");
        QCOMPARE(line(), QByteArray("AT+VER?\r\n"));
        QCOMPARE(line(), QByteArray("OK=V2.1.7\r\n"));
        QVERIFY2(clock.elapsed() >= 295 && pieces.size() >= 8, qPrintable(QString::number(pieces.size())));
        sim->setNoise(20);
        port->write("AT+MAC?\r\n");
        const QByteArrayList quiet = {"AT+MAC?\r\n", "OK=AC:CF:23:5A:10:7E\r\n"};
        QByteArrayList got;
        while (!got.contains(quiet.last()) || got.size() < 5) {
            got << line();
            QVERIFY2(got.last().startsWith("+IND=NOISE,") || quiet.contains(got.last()), got.last().constData());
        }
    }
};

QTEST_GUILESS_MAIN(tst_ModSim)
#include "tst_modsim.moc"
