// The serial link end to end over pseudo-terminals with simulated modules:
// open, close, switch, line settings on the real fd, the module vanishing,
// what goes on the wire, what the counters and the log show, and framing.
#include <QSignalSpy>

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include "tests/common/testsupport.h"

extern "C" int ioctl(int fd, unsigned long request, ...);

using A = QuorvelTestAccess;

namespace {

const QColor sendColor(220, 245, 250);
const QColor recvColor(250, 240, 220);

QStringList logRows(Quorvel &w, const QColor &color = recvColor)
{
    QTableWidget *log = A::ui(w).tableWidget_log;
    QStringList rows;
    for (int r = 0; r < log->rowCount(); ++r) {
        if (log->item(r, 0)->background().color() == color)
            rows << log->item(r, 0)->text();
    }
    return rows;
}

// A port as the system would list it.
PortEntry listed(const QString &name, const QString &byIdLink = QString())
{
    const QString device = name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
    return PortEntry{name, device, QString(), QString(), QString(), -1, -1, byIdLink};
}

bool looksOpen(Quorvel &w, bool open)
{
    Ui::QuorvelClass &ui = A::ui(w);
    return A::comIsOpen(w) == open && ui.pushButton_openCom->text() == (open ? QStringLiteral("关闭") : QStringLiteral("打开"))
        && ui.pushButton_send->isEnabled() == open && ui.pushButton_readConfiguration->isEnabled() == open
        && ui.pushButton_writeConfiguartion->isEnabled() == open;
}

// The line speed as the kernel holds it for the open fd.
uint portSpeed(Quorvel &w)
{
    termios2 t{};
    ioctl(int(A::serialPort(w)->handle()), TCGETS2, &t);
    return t.c_ospeed;
}

} // namespace

class tst_Serial : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QUORVEL_START(m_f, false, true);
        QVERIFY2(m_f->sim.makeLink(path("A"), &m_f->error), qPrintable(m_f->error));
    }

    // Opened at the speed chosen before, changed while open (parity, which a
    // pseudo-terminal refuses, quietly); the module sends half a line, vanishes
    // (its pty closed, its link removed) and comes back at the same path, maybe
    // held by another program for a while. The window reopens it if it should,
    // else the user does; the half line is gone either way.
    void unplug_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("action");
        QTest::newRow("ticked: reconnects") << true << "";
        QTest::newRow("ticked, busy at first: says why once, no box, reconnects") << true << "busy";
        QTest::newRow("ticked, a read running: it fails, is not resumed") << true << "read";
        QTest::newRow("unticked: stays closed") << false << "";
        QTest::newRow("closed by the user before: stays closed") << true << "close";
        QTest::newRow("unticked during the wait: stays closed") << true << "untick";
    }

    void unplug()
    {
        QFETCH(bool, ticked);
        QFETCH(QString, action);
        const bool back = ticked && action != QLatin1String("close") && action != QLatin1String("untick");
        Quorvel &w = *m_f->w;
        Ui::QuorvelClass &ui = m_f->ui();
        ModSim &sim = m_f->sim;
        ui.checkBox_autoReconnect->setChecked(ticked);
        ui.comboBox_bps->setCurrentIndex(1);
        QVERIFY(looksOpen(w, false) && openPort("A", sim) && looksOpen(w, true) && portSpeed(w) == 9600);
        ui.comboBox_bps->setCurrentIndex(7);
        ui.comboBox_parBit->setCurrentIndex(1);
        QVERIFY(portSpeed(w) == 256000 && looksOpen(w, true) && !QApplication::activeModalWidget());
        if (action == QLatin1String("read")) {
            sim.setSilent(QStringLiteral("AT+VER?"));
            ui.pushButton_readConfiguration->click();
        }
        sim.sendRaw("OK=V");
        QTRY_COMPARE(ui.label_recvCnt->text(), QStringLiteral("4"));
        if (action == QLatin1String("close"))
            ui.pushButton_openCom->click();
        sim.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!A::comIsOpen(w), 1000);
        QVERIFY(looksOpen(w, false) && !A::readCfgRunning(w));
        QVERIFY(action == QLatin1String("close") || m_f->status().contains(path("A")));
        if (action == QLatin1String("untick"))
            ui.checkBox_autoReconnect->setChecked(false);

        QSignalSpy said(w.statusBar(), &QStatusBar::messageChanged);
        QVERIFY2(sim.start(&m_f->error) && sim.makeLink(path("A"), &m_f->error), qPrintable(m_f->error));
        if (action == QLatin1String("busy")) {
            QSerialPort holder(path("A"));
            QVERIFY(holder.open(QIODevice::ReadWrite));
            QTRY_COMPARE(said.size(), 1);
            const QString why = said.at(0).at(0).toString();
            QVERIFY2(why.contains(QStringLiteral("正被其他程序使用")), qPrintable(why));
            QVERIFY(!said.wait(1200) && !A::comIsOpen(w));   // two more tries, said no more
        }
        if (back)
            QTRY_VERIFY_WITH_TIMEOUT(A::comIsOpen(w), 2000);
        else
            QVERIFY(!QTest::qWaitFor([&] { return A::comIsOpen(w); }, 1500) && openPort("A", sim));
        QVERIFY(looksOpen(w, true) && portSpeed(w) == 256000 && !QApplication::activeModalWidget());
        QVERIFY(!back || m_f->status().contains(path("A")));
        QTRY_VERIFY(sim.peerConnected());
        w.sendCmd(QStringLiteral("AT+MAC?"));
        QTRY_COMPARE(logRows(w), QStringList{QStringLiteral("OK=AC:CF:23:5A:10:7E\r\n")});
    }

    // The port box. Its list is read once each time it drops down, sorted by
    // character code; a refresh opens, closes and switches nothing and keeps the
    // text. Enter on a path or a pick from the list switches ports; a failed
    // open says why in a box and the status bar and leaves the text for a fix.
    void portBox()
    {
        Quorvel &w = *m_f->w;
        QComboBox *box = m_f->ui().comboBox_comPort;
        ModSim b;
        QVERIFY2(b.start(&m_f->error) && b.makeLink(path("B"), &m_f->error), qPrintable(m_f->error));
        const PortEntry usb = listed(QStringLiteral("ttyUSB0"), QStringLiteral("/dev/serial/by-id/usb-FTDI_A5-port0"));
        QList<PortEntry> ports{listed(QStringLiteral("ttyS2")), listed(path("A")), usb, listed(QStringLiteral("ttyS10"))};
        int reads = 0;
        A::feedPorts(w, [&] { return ++reads, ports; });
        QSignalSpy switched(box, &QComboBox::currentIndexChanged);
        const auto refresh = [&] {
            QSerialPort *open = A::serialPort(w);
            const QString text = box->currentText();
            reads = 0;
            switched.clear();
            box->showPopup();
            box->hidePopup();
            return reads == 1 && switched.isEmpty() && A::serialPort(w) == open && box->currentText() == text;
        };
        const auto enter = [box](const QString &text) {
            box->lineEdit()->selectAll();
            QTest::keyClicks(box->lineEdit(), text);
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        };
        const auto failed = [&](const QString &device, const QString &reason) {
            return m_f->boxText == QStringLiteral("Can not open %1").arg(device) && looksOpen(w, false)
                && !A::serialPort(w) && m_f->status().contains(device) && m_f->status().contains(reason)
                && m_f->boxInfo == m_f->status();
        };

        // B typed while A is the current item; Enter on A leaves the index where it was and must still switch.
        box->setCurrentIndex(box->findText(path("A")));
        QVERIFY(openPort("B", b));
        enter(path("A"));
        QTRY_VERIFY(!b.peerConnected() && m_f->sim.peerConnected());
        enter(path("B"));
        QTRY_VERIFY(b.peerConnected() && !m_f->sim.peerConnected());
        QVERIFY(refresh() && looksOpen(w, true));
        // The link that names the adapter the same in any socket.
        QVERIFY(box->itemData(box->findText(usb.portName), Qt::ToolTipRole).toString().contains(usb.byIdLink));

        box->showPopup();
        box->view()->setCurrentIndex(box->view()->model()->index(box->findText(path("A")), 0));
        QTest::keyClick(box->view(), Qt::Key_Return);
        QTRY_VERIFY(!b.peerConnected() && m_f->sim.peerConnected());
        w.sendCmd(QStringLiteral("AT+MAC?"));
        QTRY_COMPARE(m_f->sim.receivedLines(), QList<QByteArray>{"AT+MAC?\r\n"});
        QTRY_COMPARE(logRows(w), QStringList{QStringLiteral("OK=AC:CF:23:5A:10:7E\r\n")});
        ports.replace(2, listed(QStringLiteral("/dev/aa")));   // before the chosen item
        QVERIFY(refresh() && looksOpen(w, true));
        QCOMPARE(box->itemText(box->currentIndex()), path("A"));
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items, (QStringList{"/dev/aa", path("A"), "ttyS10", "ttyS2"}));

        testsupport::dismissNextMessageBox(&m_f->boxText, QMessageBox::Ok, nullptr, &m_f->boxInfo);
        enter(path("gone"));
        QVERIFY2(failed(path("gone"), QStringLiteral("不存在")), qPrintable(m_f->status()));
        QTRY_VERIFY(!m_f->sim.peerConnected());
        QVERIFY(refresh() && box->findText(path("gone")) == -1);
        QSerialPort holder(path("B"));
        QVERIFY(holder.open(QIODevice::ReadWrite));
        testsupport::dismissNextMessageBox(&m_f->boxText, QMessageBox::Ok, nullptr, &m_f->boxInfo);
        QVERIFY(!testsupport::openPort(w, path("B")));
        QVERIFY2(failed(path("B"), QStringLiteral("正被其他程序使用")), qPrintable(m_f->status()));

        // The by-id links of the system: each one by the device it names, dangling ones left out.
        QVERIFY(QDir().mkdir(path("id")) && QFile::link(path("A"), path("id/a")) && QFile::link(path("x"), path("id/x")));
        const QString pty = QFileInfo(path("A")).canonicalFilePath();
        QCOMPARE(serialLinksByDevice(path("id")), (QHash<QString, QString>{{pty, path("id/a")}}));
    }

    // Send with the port closed (nothing at all), then open: the line end as
    // chosen, UTF-8 on the wire, counted by characters on past 2147483647,
    // logged unless switched off.
    void sending()
    {
        Quorvel &w = *m_f->w;
        Ui::QuorvelClass &ui = m_f->ui();
        ui.label_sendCnt->setText(QStringLiteral("2147483647"));
        ui.lineEdit_cmd->setText(QStringLiteral("AT"));
        w.sendCmd(QStringLiteral("AT"));
        w.comSend(QStringLiteral("AT"));
        ui.pushButton_send->click();
        QVERIFY(ui.label_sendCnt->text() == QStringLiteral("2147483647") && ui.tableWidget_log->rowCount() == 0);
        QVERIFY(m_f->openPort());
        const struct {
            const char *text;
            bool newLine, logCmd;
        } presses[] = {{"AT+VER", true, true}, {"é", false, true}, {"", true, true}, {"AT", true, false}};
        for (const auto &press : presses) {
            ui.lineEdit_cmd->setText(QString::fromUtf8(press.text));
            ui.checkBox_sendNewLine->setChecked(press.newLine);
            ui.checkBox_log_cmd->setChecked(press.logCmd);
            ui.pushButton_send->click();
        }
        QCOMPARE(ui.label_sendCnt->text(), QString::number(2147483647LL + 8 + 1 + 2 + 4));
        QTRY_COMPARE(logRows(w, sendColor), (QStringList{"AT+VER\r\n", "é", "\r\n"}));
        QCOMPARE(ui.lineEdit_cmd->text(), QStringLiteral("AT"));
        A::serialPort(w)->write("#fence#");   // nothing else went out before it
        QTRY_COMPARE(m_f->sim.receivedBytes(), QByteArray("AT+VER\r\n\xc3\xa9\r\nAT\r\n#fence#"));
    }

    // What the module sends, read by read: the receive counter counts on past
    // 2147483647, each line is a row and signalled once, in order. Every 4096
    // bytes without a line end (a wrong baud rate) are a row signalled to nobody,
    // and the status bar suggests the baud rate once.
    void receiving()
    {
        Quorvel &w = *m_f->w;
        Ui::QuorvelClass &ui = m_f->ui();
        QStringList signalled, said;
        connect(&w, &Quorvel::recvNewLine, &w, [&](const QString &line) { signalled.append(line); });
        connect(w.statusBar(), &QStatusBar::messageChanged, &w, [&](const QString &m) { said.append(m); });
        QVERIFY(m_f->openPort());
        ui.label_recvCnt->setText(QStringLiteral("2147483647"));
        const QList<QPair<QByteArray, int>> reads{// the bytes of one read, the rows shown after it
                                                  {"A\rB\nC\r", 0},   // lone CR and lone LF end no line
                                                  {"\n", 1},
                                                  {"OK\r\n\r\nOK=\xe5\x8a\x9e\xe5\x85\xac\xe5\xae\xa4\r\nERR=3\r\n", 5},
                                                  {QByteArray("AB\0CD\r\n\0OK\r\nOK\r\n", 16), 8},   // zero ends the text
                                                  {QByteArray(3 * 4096 + 10, '\x7f') + "OK\r\n", 12}};
        qint64 count = 2147483647;
        for (const auto &[bytes, rows] : reads) {
            m_f->sim.sendRaw(bytes);
            count += bytes.size();
            QTRY_COMPARE(ui.label_recvCnt->text(), QString::number(count));
            QCOMPARE(ui.tableWidget_log->rowCount(), rows);
        }
        const QStringList lines{"A\rB\nC\r\n", "OK\r\n", "\r\n", "OK=办公室\r\n", "ERR=3\r\n", "AB", "", "OK\r\n"};
        const QString noise(4096, QChar(0x7f)), tail = QString(10, QChar(0x7f)) + "OK\r\n";
        QCOMPARE(logRows(w), (lines + QStringList{noise, noise, noise, tail}));
        QCOMPARE(signalled, lines + QStringList{tail});
        QCOMPARE(said.count(QStringLiteral("收到 4096 字节仍没有行结束（回车换行），请检查波特率")), 1);
        QCOMPARE(A::recvBuffer(w).pending(), 0);
    }

private:
    QString path(const QString &name) const { return m_f->dir.filePath(name); }
    bool openPort(const QString &name, ModSim &sim)
    {
        return testsupport::openPort(*m_f->w, path(name)) && QTest::qWaitFor([&] { return sim.peerConnected(); });
    }

    std::unique_ptr<testsupport::ModuleWindow> m_f;
};

QTEST_MAIN(tst_Serial)
#include "tst_serial.moc"
