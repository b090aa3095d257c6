// Several ports as one timeline (ConsoleSet) over pseudo-terminals to simulated modules.
#include <QBuffer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "console/consoleset.h"
#include "serial/seriallink.h"
#include "tools/modsim/modsim.h"

namespace {

struct Port
{
    std::unique_ptr<ModSim> sim = std::make_unique<ModSim>();
    std::unique_ptr<SerialLink> link = std::make_unique<SerialLink>();
};

QStringList fileLines(const ConsoleModel &model)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    model.writeRows(&out, false);
    QStringList lines = QString::fromUtf8(out.data()).split(u'\n', Qt::SkipEmptyParts);
    for (QString &line : lines)
        line = line.section(u'\t', 1);   // the time left out
    return lines;
}

} // namespace

class tst_ConsoleSet : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    void openPorts(std::vector<Port> &ports, ConsoleSet &set)
    {
        for (size_t i = 0; i < ports.size(); ++i) {
            const QString path = m_dir.filePath(QStringLiteral("tty%1").arg(i));
            QString why;
            QVERIFY2(ports[i].sim->start(&why) && ports[i].sim->makeLink(path, &why), qPrintable(why));
            QVERIFY2(ports[i].link->open(path, PortSettings(), &why), qPrintable(why));
            QTRY_VERIFY(ports[i].sim->peerConnected());
            set.add(ports[i].link.get(), ConsoleSet::shortName(path));
        }
    }

private slots:
    // Rows handed in out of step are shown in the order of their times; rows of one millisecond keep their order.
    void timeOrder()
    {
        ConsoleModel model;
        model.setPortName(1, QStringLiteral("A"));
        model.setPortName(2, QStringLiteral("B"));
        model.append("a1", false, 1005, wiretext::Encoding::Utf8, 1);
        model.append("b1", false, 1003, wiretext::Encoding::Utf8, 2);
        model.append("b2", true, 1005, wiretext::Encoding::Utf8, 2);
        model.append("a2", false, 1004, wiretext::Encoding::Utf8, 1);
        model.flush();
        QStringList order;
        for (int r = 0; r < model.rowCount(); ++r)
            order << QString::fromLatin1(model.row(r).raw) + u'@' + model.portName(model.row(r).port);
        QCOMPARE(order, (QStringList{"b1@B", "a2@A", "a1@A", "b2@B"}));
        QCOMPARE(model.copyText(0, false, false), QStringLiteral("B b1"));
        QCOMPARE(fileLines(model), (QStringList{"B\tRX\tb1", "A\tRX\ta2", "A\tRX\ta1", "B\tTX\tb2"}));
        // A single port's log keeps its files as they were: no port column.
        ConsoleModel single;
        single.append("OK\r\n", false, 1000, wiretext::Encoding::Utf8);
        single.flush();
        QCOMPARE(fileLines(single), QStringList{"RX\tOK"});
    }

    // Eight modules answering at once: every row in the timeline, each tagged by its port, in time order.
    void eightPorts()
    {
        std::vector<Port> ports(8);
        ConsoleSet set;
        openPorts(ports, set);
        const QList<ConsoleSet::Sent> sent = set.sendToAll(QStringLiteral("AT+VER?\r\n"));
        QCOMPARE(sent.size(), 8);
        for (const ConsoleSet::Sent &s : sent)
            QVERIFY2(s.why.isEmpty(), qPrintable(s.why));
        ConsoleModel &all = set.timeline();
        QTRY_COMPARE(all.rowCount(), 16);
        QSet<QString> answered;
        for (int r = 0; r < all.rowCount(); ++r) {
            const ConsoleModel::Row &row = all.row(r);
            if (r > 0)
                QVERIFY(all.row(r - 1).msecs <= row.msecs);
            if (!row.sent)
                answered << all.portName(row.port);
        }
        QCOMPARE(answered.size(), 8);
        QCOMPARE(answered.contains(QStringLiteral("tty7")), true);
        for (Port &p : ports)
            QCOMPARE(p.sim->receivedLines(), QList<QByteArray>{"AT+VER?\r\n"});
    }

    // Send to all: each port in its own encoding; a chosen few; a closed port and an encoding that cannot carry
    // the text are passed by with the reason; a port that vanishes leaves the others going, its rows staying.
    void sendToAll()
    {
        std::vector<Port> ports(3);
        ConsoleSet set;
        openPorts(ports, set);
        ports[1].link->setEncoding(wiretext::Encoding::Gbk);
        const QList<int> ids = set.ports();

        QList<ConsoleSet::Sent> sent = set.sendToAll(QStringLiteral("AT+STAMOD=车间,x\r\n"));
        QTRY_COMPARE(ports[2].sim->receivedBytes(), QByteArray("AT+STAMOD=\xe8\xbd\xa6\xe9\x97\xb4,x\r\n"));
        QCOMPARE(ports[1].sim->receivedBytes(), QByteArray("AT+STAMOD=\xb3\xb5\xbc\xe4,x\r\n"));
        QCOMPARE(ports[0].sim->receivedBytes(), QByteArray("AT+STAMOD=\xe8\xbd\xa6\xe9\x97\xb4,x\r\n"));

        for (Port &p : ports)
            p.sim->clearTrace();
        ports[2].link->close();
        sent = set.sendToAll(QStringLiteral("AT😀\r\n"), {ids[1], ids[2]});
        QCOMPARE(sent.size(), 2);
        QVERIFY2(sent[0].port == ids[1] && sent[0].why.contains(QStringLiteral("GBK")), qPrintable(sent[0].why));
        QVERIFY2(sent[1].port == ids[2] && !sent[1].why.isEmpty(), qPrintable(sent[1].why));
        sent = set.sendToAll(QStringLiteral("AT\r\n"), {ids[0]});
        QTRY_COMPARE(ports[0].sim->receivedLines(), QList<QByteArray>{"AT\r\n"});
        QCOMPARE(ports[1].sim->receivedBytes(), QByteArray());

        // The second module's adapter is pulled: its link is lost; the first goes on. A console closed with its
        // link leaves the set, and its rows stay under its name.
        QSignalSpy lost(ports[1].link.get(), &SerialLink::lost);
        ports[1].sim.reset();
        QVERIFY(lost.wait(5000));
        sent = set.sendToAll(QStringLiteral("AT+MAC?\r\n"));
        QCOMPARE(sent.size(), 3);
        QVERIFY(sent[0].why.isEmpty() && !sent[1].why.isEmpty());
        QTRY_COMPARE(ports[0].sim->receivedLines().size(), 2);
        ports[1].link.reset();
        QCOMPARE(set.ports(), (QList<int>{ids[0], ids[2]}));
        set.timeline().flush();
        bool kept = false;
        for (int r = 0; r < set.timeline().rowCount(); ++r)
            kept |= set.timeline().row(r).port == ids[1] && set.timeline().portName(ids[1]) == QStringLiteral("tty1");
        QVERIFY(kept);
    }
};

QTEST_GUILESS_MAIN(tst_ConsoleSet)
#include "tst_consoleset.moc"
