// The session engine on a port to the simulated module, lines framed as the program frames them; what the module
// received is the check.
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include "protocol/cfgfields.h"
#include "protocol/configsession.h"
#include "serial/lineframer.h"
#include "tools/modsim/modsim.h"

namespace {

// The session wired to a real port: commands go out with CR LF, every complete received line goes to takeLine.
struct Wire
{
    ModSim sim;
    QSerialPort port;
    LineFramer framer;
    ConfigSession session;
    QString error;

    bool start()
    {
        if (!sim.start(&error))
            return false;
        port.setPortName(sim.slavePath());
        if (!port.open(QIODevice::ReadWrite)) {
            error = port.errorString();
            return false;
        }
        session.setAnswerTimeout(300);
        session.setSender([this](const QString &cmd) { port.write((cmd + QStringLiteral("\r\n")).toUtf8()); });
        QObject::connect(&port, &QSerialPort::readyRead, &session, [this] {
            framer.append(port.readAll());
            for (QByteArray line; framer.takeLine(&line);)
                session.takeLine(lineToText(line));
        });
        return QTest::qWaitFor([this] { return sim.peerConnected(); });
    }
    QStringList received() const   // the command heads the module received, in order
    {
        QStringList heads;
        for (const QByteArray &line : sim.receivedLines())
            heads << QString::fromLatin1(ModSim::commandHead(line));
        return heads;
    }
    ConfigSession::Result wait()
    {
        QSignalSpy done(&session, &ConfigSession::finished);
        if (!done.wait(10000))
            return {ConfigSession::End::Cancelled, QStringLiteral("<no end>"), {}};
        return done.first().first().value<ConfigSession::Result>();
    }
};

QStringList queryCommands()
{
    QStringList cmds;
    for (const cfgfields::Query &q : cfgfields::queries())
        cmds << QLatin1String(q.cmd);
    return cmds;
}

} // namespace

Q_DECLARE_METATYPE(ConfigSession::Result)

class tst_ConfigSession : public QObject
{
    Q_OBJECT

    std::optional<Wire> w;

private slots:
    void initTestCase() { qRegisterMetaType<ConfigSession::Result>(); }
    void init() { QVERIFY2(w.emplace().start(), qPrintable(w->error)); }
    void cleanup() { w.reset(); }

    // A read past echoes takes every value (off the network, any answer to AT+CURIP? is an unknown address); the
    // write then sends the values it was given, in the table's order.
    void readThenWrite()
    {
        w->sim.setEcho(true);   // echoes pass by: the answer is the next OK line
        w->sim.setFields(QStringLiteral("NETS"), {QStringLiteral("1"), QStringLiteral("0")});
        w->sim.setError(QStringLiteral("AT+CURIP?"), 1);
        QSignalSpy progress(&w->session, &ConfigSession::valuesRead);
        w->session.read();
        QVERIFY(w->wait().ok());
        QCOMPARE(w->received(), queryCommands());
        QHash<QString, QString> values = w->session.values();
        QCOMPARE(values.value("lineEdit_device_mac"), w->sim.mac());
        QCOMPARE(values.value("lineEdit_STA_SSID"), w->sim.fields("STAMOD").value(0));
        QCOMPARE(values.value("lineEdit_STA_KEY"), w->sim.fields("STAMOD").value(1));
        QCOMPARE(values.value("lineEdit_AP_KEY"), w->sim.fields("APKEY").value(2));
        QCOMPARE(values.value("lineEdit_ip"), QStringLiteral("未知"));
        QCOMPARE(progress.size(), queryCommands().size());
        values.insert(QStringLiteral("lineEdit_STA_SSID"), QStringLiteral("PlantNet"));
        w->sim.clearTrace();
        w->session.write(values);
        values.insert(QStringLiteral("lineEdit_STA_SSID"), QStringLiteral("Changed later"));
        QVERIFY(w->wait().ok());
        QCOMPARE(w->received(), cfgfields::setCommands());
        QCOMPARE(w->sim.fields("STAMOD").value(0), QStringLiteral("PlantNet"));
    }

    // A step without a usable answer goes again, twice in all; silent for good, the read ends there, named.
    void retries_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<int>("times");
        QTest::newRow("silent once, then answered") << true << 1;
        QTest::newRow("silent for good") << true << -1;
        QTest::newRow("error once, then answered") << false << 1;
    }
    void retries()
    {
        QFETCH(bool, silent);
        QFETCH(int, times);
        const QString cmd = QStringLiteral("AT+APKEY?");
        silent ? w->sim.setSilent(cmd, times) : w->sim.setError(cmd, 3, times);
        w->session.read();
        const ConfigSession::Result r = w->wait();
        QCOMPARE(r.ok(), times > 0);
        QCOMPARE(w->received().count(cmd), 2);
        QCOMPARE(w->received().last(), r.ok() ? queryCommands().last() : cmd);
        if (!r.ok())
            QCOMPARE(r.failedCommand + u'|' + r.failedAnswer, QStringLiteral("AT+APKEY?|"));
    }

    // Refused for good, each command of the read and of the write goes out twice, ends its sequence named with
    // its answer, and nothing after it is sent.
    void everyStepTriedTwice()
    {
        w->session.read();
        QVERIFY(w->wait().ok());
        const QHash<QString, QString> values = w->session.values();
        const QStringList reads = queryCommands(), writes = cfgfields::setCommands();
        for (const QString &cmd : reads + writes) {
            const bool read = reads.contains(cmd);
            const QStringList &steps = read ? reads : writes;
            w->sim.setError(cmd, 1);
            w->sim.clearTrace();
            read ? w->session.read() : w->session.write(values);
            const ConfigSession::Result r = w->wait();
            QCOMPARE(r.failedCommand + u'|' + r.failedAnswer, cmd + QStringLiteral("|ERR=1\r\n"));
            QCOMPARE(w->received(), steps.mid(0, steps.indexOf(cmd) + 1) << cmd);
            w->sim.setError(cmd, 1, 0);
        }
    }

    // A cancelled session sends nothing more and ignores the answer that was on its way.
    void cancel()
    {
        w->sim.setDelay(100);
        QSignalSpy done(&w->session, &ConfigSession::finished);
        w->session.read();
        w->session.cancel();
        QCOMPARE(done.size(), 1);
        QCOMPARE(done.first().first().value<ConfigSession::Result>().end, ConfigSession::End::Cancelled);
        QVERIFY(!w->session.running());
        QSignalSpy answered(&w->port, &QSerialPort::readyRead);
        QVERIFY(answered.wait(5000));   // the version's answer came, and is nobody's
        QCOMPARE(w->received(), QStringList{QStringLiteral("AT+VER?")});
        QCOMPARE(done.size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_ConfigSession)
#include "tst_configsession.moc"
