// SerialLink over a pseudo-terminal to a simulated module. (Sending: tst_console::sending.)
#include <QDateTime>

#include "serial/seriallink.h"
#include "tests/common/testsupport.h"

using Direction = SerialLink::Direction;

namespace {

uint portSpeed(const SerialLink &link)
{
    return testsupport::portSpeed(link.port());
}

PortSettings atSpeed(qint32 baud)
{
    PortSettings settings;
    settings.BaudRate = baud;
    return settings;
}

// Everything a link signals, as it comes.
struct Recorder
{
    QList<QByteArray> received;   // rows
    QList<qint64> times;
    QStringList lines, hints, notices, lost;
    QList<bool> clean;
    qint64 read = 0;
    int opened = 0, closed = 0;
    QObject scope;

    explicit Recorder(SerialLink &l)
    {
        QObject::connect(&l, &SerialLink::traffic, &scope, [this](Direction d, const QByteArray &b, qint64 ms) {
            if (d == Direction::Received) {
                received << b;
                times << ms;
            }
        });
        QObject::connect(&l, &SerialLink::bytesRead, &scope, [this](qint64 n) { read += n; });
        QObject::connect(&l, &SerialLink::lineReceived, &scope, [this](const QByteArray &, const QString &t, bool c) {
            lines << t;
            clean << c;
        });
        QObject::connect(&l, &SerialLink::unterminated, &scope, [this](const QString &h) { hints << h; });
        QObject::connect(&l, &SerialLink::notice, &scope, [this](const QString &t, int) { notices << t; });
        QObject::connect(&l, &SerialLink::lost, &scope, [this](const QString &why) { lost << why; });
        QObject::connect(&l, &SerialLink::opened, &scope, [this] { ++opened; });
        QObject::connect(&l, &SerialLink::closed, &scope, [this] { ++closed; });
    }
};

} // namespace

class tst_SerialLink : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_sim = std::make_unique<ModSim>();
        QString error;
        QVERIFY2(m_sim->start(&error) && m_sim->makeLink(path("A"), &error), qPrintable(error));
    }
    void cleanup() { m_sim.reset(); }

    // Each chunk one read: CR LF lines decoded up to a zero byte; rows keep their bytes; 4096 bytes without a
    // line end are a row, never a line, with the baud-rate hint once.
    void receiving_data()
    {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<bool>>("clean");
        QTest::addColumn<QList<QByteArray>>("rows");   // empty: the lines' bytes, UTF-8
        const QByteArray noise(4096, '\x7f'), tail = QByteArray(10, '\x7f') + "OK\r\n";
        QTest::newRow("CR and LF apart, CR LF across reads, several lines in one read") << "UTF-8"
            << QList<QByteArray>{"A\rB\nC\r", "\nOK\r\n\r\nOK=\xe5\x8a\x9e\xe5\x85\xac\xe5\xae\xa4\r\nERR=3\r\n"}
            << QStringList{"A\rB\nC\r\n", "OK\r\n", "\r\n", "OK=办公室\r\n", "ERR=3\r\n"} << QList<bool>(5, true)
            << QList<QByteArray>{};
        QTest::newRow("a zero byte ends the text, not the row") << "UTF-8"
            << QList<QByteArray>{QByteArray("AB\0CD\r\n\0OK\r\n", 12)} << QStringList{"AB", ""}
            << QList<bool>{true, true} << QList<QByteArray>{QByteArray("AB\0CD\r\n", 7), QByteArray("\0OK\r\n", 5)};
        QTest::newRow("GBK") << "GBK" << QList<QByteArray>{"OK=\xb0\xec\xb9\xab\xca\xd2\r\n"}
            << QStringList{"OK=办公室\r\n"} << QList<bool>{true} << QList<QByteArray>{};
        QTest::newRow("not UTF-8") << "UTF-8" << QList<QByteArray>{"OK=\xb0\xec\r\n"}
            << QStringList{"OK=\ufffd\ufffd\r\n"} << QList<bool>{false} << QList<QByteArray>{"OK=\xb0\xec\r\n"};
        QTest::newRow("3 x 4096 + 10 without a line end") << "UTF-8"
            << QList<QByteArray>{QByteArray(3 * 4096 + 10, '\x7f') + "OK\r\n", "OK\r\n"}
            << QStringList{QString(10, QChar(0x7f)) + "OK\r\n", "OK\r\n"} << QList<bool>{true, true}
            << QList<QByteArray>{noise, noise, noise, tail, "OK\r\n"};
    }

    void receiving()
    {
        QFETCH(QString, encoding);
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QStringList, lines);
        QFETCH(QList<QByteArray>, rows);
        if (rows.isEmpty())
            for (const QString &line : lines)
                rows << wiretext::encode(line, wiretext::fromName(encoding));
        SerialLink link;
        link.setEncoding(wiretext::fromName(encoding));
        Recorder r(link);
        QString why;
        QVERIFY2(link.open(path("A"), PortSettings(), &why), qPrintable(why));
        QTRY_VERIFY(m_sim->peerConnected());
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        qint64 total = 0;
        for (const QByteArray &chunk : chunks) {
            m_sim->sendRaw(chunk);
            total += chunk.size();
            QTRY_COMPARE(r.read, total);
        }
        QCOMPARE(r.received, rows);
        QCOMPARE(r.lines, lines);
        QTEST(r.clean, "clean");
        QCOMPARE(r.hints, rows.size() > lines.size() ? QStringList{"收到 4096 字节仍没有行结束（回车换行），请检查波特率"}
                                                      : QStringList{});
        for (const qint64 msecs : std::as_const(r.times))
            QVERIFY(msecs >= before && msecs <= QDateTime::currentMSecsSinceEpoch());
    }

    // Opened at the speed asked, changed while open; reopened; closed once. Refused: gone, or held elsewhere.
    void openCloseRefuse()
    {
        SerialLink link, holder;
        Recorder r(link);
        QString why;
        QVERIFY2(link.open(path("A"), atSpeed(9600), &why), qPrintable(why));
        QVERIFY(link.isOpen() && link.portText() == path("A") && portSpeed(link) == 9600);
        QTRY_VERIFY(m_sim->peerConnected());
        link.setSettings(atSpeed(256000));
        QCOMPARE(portSpeed(link), 256000u);
        QVERIFY(link.open(m_sim->slavePath(), atSpeed(19200), &why));
        QVERIFY(r.opened == 2 && r.closed == 1 && portSpeed(link) == 19200 && link.portText() == m_sim->slavePath());
        link.close();
        link.close();
        QVERIFY(!link.isOpen() && r.closed == 2);
        QTRY_VERIFY(!m_sim->peerConnected());
        QVERIFY(!link.open(path("gone"), PortSettings(), &why) && !link.isOpen());
        QCOMPARE(why, QStringLiteral("设备 %1 不存在").arg(path("gone")));
        QVERIFY2(holder.open(path("A"), PortSettings(), &why), qPrintable(why));
        QVERIFY(!link.open(m_sim->slavePath(), PortSettings(), &why) && !link.isOpen());
        QVERIFY2(why.startsWith(m_sim->slavePath() + QStringLiteral(" 正被其他程序使用（")), qPrintable(why));
    }

    // Unplugged with half a line sent: closed and said. Awaited, reopened at its speed without the half line;
    // a wait ended (said once) leaves it closed.
    void unplug_data()
    {
        QTest::addColumn<bool>("awaited");
        QTest::newRow("awaited") << true;
        QTest::newRow("the wait ended") << false;
    }
    void unplug()
    {
        QFETCH(bool, awaited);
        SerialLink link;
        Recorder r(link);
        QString why, error;
        QVERIFY2(link.open(path("A"), atSpeed(9600), &why), qPrintable(why));
        link.setSettings(atSpeed(256000));
        link.stopAwaiting();   // not waiting: says nothing
        QTRY_VERIFY(m_sim->peerConnected());
        m_sim->sendRaw("OK=V");
        QTRY_COMPARE(r.read, 4);
        m_sim->stop();
        QTRY_COMPARE(r.lost, QStringList{QStringLiteral("串口 %1 已断开").arg(path("A"))});
        QVERIFY(!link.isOpen() && r.closed == 1 && r.notices.isEmpty());
        link.awaitReturn();
        QVERIFY(link.awaiting() && link.portText() == path("A"));
        QStringList notices{QStringLiteral("串口 %1 已断开，等待它重新接入").arg(path("A"))};
        if (!awaited) {
            link.stopAwaiting();
            link.stopAwaiting();
            notices << QStringLiteral("不再等待串口 %1").arg(path("A"));
        }
        QVERIFY2(m_sim->start(&error) && m_sim->makeLink(path("A"), &error), qPrintable(error));
        if (!awaited) {
            QVERIFY(!QTest::qWaitFor([&] { return link.isOpen(); }, 1200) && r.notices == notices);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(link.isOpen(), 2000);
        QVERIFY(!link.awaiting() && r.opened == 2 && portSpeed(link) == 256000);
        QCOMPARE(r.notices, notices << QStringLiteral("串口 %1 已重新连接").arg(path("A")));
        QTRY_VERIFY(m_sim->peerConnected());
        link.send(QStringLiteral("AT+MAC?\r\n"));
        QTRY_COMPARE(r.lines, QStringList{QStringLiteral("OK=AC:CF:23:5A:10:7E\r\n")});
        QCOMPARE(r.lost.size(), 1);
    }

    // Holds nest: the link is free only when every holder has let go, and a stray release frees no one.
    void holds()
    {
        SerialLink link;
        QList<bool> held{link.held()};
        for (const bool hold : {false, true, true, false, false}) {
            hold ? link.hold() : link.release();
            held << link.held();
        }
        QCOMPARE(held, (QList<bool>{false, false, true, true, true, false}));
    }

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    std::unique_ptr<ModSim> m_sim;
};

QTEST_GUILESS_MAIN(tst_SerialLink)
#include "tst_seriallink.moc"
