// The serial link end to end over pseudo-terminals with simulated modules:
// open, close, switch, line settings on the real fd, the module vanishing,
// what goes on the wire, what the counters and the log show, and framing.
#include <QDir>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"

extern "C" int ioctl(int fd, unsigned long request, ...);

using A = QuorvelTestAccess;

namespace {

const QColor sendColor(220, 245, 250);
const QColor recvColor(250, 240, 220);

QStringList logRows(Quorvel &w, const QColor &color)
{
    QTableWidget *log = A::ui(w).tableWidget_log;
    QStringList rows;
    for (int r = 0; r < log->rowCount(); ++r) {
        if (log->item(r, 0)->background().color() == color)
            rows << log->item(r, 0)->text();
    }
    return rows;
}

// A port as the system would list it, with no details.
PortEntry listed(const QString &name)
{
    PortEntry port;
    port.portName = name;
    port.systemLocation = name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
    return port;
}

// What the technician sees of the port state, the lamp at the size shown.
bool looksOpen(Quorvel &w, bool open)
{
    Ui::QuorvelClass &ui = A::ui(w);
    const auto scaled = [](const QPixmap &p) {
        return p.scaled(25, 25, Qt::KeepAspectRatioByExpanding, Qt::FastTransformation).toImage();
    };
    const QPixmap lamp(open ? QStringLiteral(":/Quorvel/comGreenLed") : QStringLiteral(":/Quorvel/comGrayLed"));
    return A::comIsOpen(w) == open && !lamp.isNull() && scaled(ui.label_comLed->pixmap()) == scaled(lamp)
        && ui.pushButton_openCom->text() == (open ? QStringLiteral("关闭") : QStringLiteral("打开"))
        && ui.pushButton_send->isEnabled() == open && ui.pushButton_readConfiguration->isEnabled() == open
        && ui.pushButton_writeConfiguartion->isEnabled() == open;
}

// The line speed and control flags as the kernel holds them for the open fd.
termios2 portTermios(Quorvel &w)
{
    termios2 t{};
    ioctl(int(A::serialPort(w)->handle()), TCGETS2, &t);
    return t;
}

} // namespace

class tst_Serial : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_w.reset();
        QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path()));   // no ./Quorvel.ini from elsewhere
        for (auto *sim : {&m_simA, &m_simB}) {
            *sim = std::make_unique<ModSim>();
            QString error;
            QVERIFY2((*sim)->start(&error) && (*sim)->makeLink(path(sim == &m_simA ? "A" : "B"), &error),
                     qPrintable(error));
        }
        m_w = std::make_unique<Quorvel>();
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    }

    // Open, close and open again; line settings while closed and while open
    // (a pseudo-terminal refuses parity, which is not reported).
    void openCloseReopen()
    {
        Quorvel &w = *m_w;
        Ui::QuorvelClass &ui = A::ui(w);
        QVERIFY(looksOpen(w, false));
        QVERIFY(openA());
        QVERIFY(looksOpen(w, true));
        w.sendCmd(QStringLiteral("AT+VER?"));
        QTRY_COMPARE(logRows(w, recvColor), QStringList{QStringLiteral("OK=V2.1.7\r\n")});
        ui.pushButton_openCom->click();
        QVERIFY(looksOpen(w, false));
        QTRY_VERIFY(!m_simA->peerConnected());

        ui.comboBox_bps->setCurrentIndex(1);
        QVERIFY(openA());
        QVERIFY(looksOpen(w, true));
        QCOMPARE(portTermios(w).c_ospeed, 9600u);
        QSerialPort *port = A::serialPort(w);
        ui.comboBox_bps->setCurrentIndex(7);
        QCOMPARE(portTermios(w).c_ospeed, 256000u);   // no named rate
        ui.comboBox_stopBit->setCurrentIndex(1);
        QCOMPARE(uint(portTermios(w).c_cflag) & CSTOPB, uint(CSTOPB));
        ui.comboBox_parBit->setCurrentIndex(1);
        QCOMPARE(A::serialPort(w), port);
        QVERIFY(looksOpen(w, true));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        w.sendCmd(QStringLiteral("AT"));
        QTRY_COMPARE(logRows(w, recvColor).size(), 2);
    }

    // The module streams, then vanishes (its pty closed, its link removed)
    // and comes back at the same link path, maybe held by another program
    // for a while. `back`: the window reopens it by itself.
    void unplug_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("back");
        QTest::newRow("ticked: waits without burning a core, reconnects") << true << "" << true;
        QTest::newRow("ticked, busy at first: says why once, no box, reconnects") << true << "busy" << true;
        QTest::newRow("ticked, a read running: it fails, is not resumed") << true << "read" << true;
        QTest::newRow("unticked: stays closed") << false << "" << false;
        QTest::newRow("closed by the user before: stays closed") << true << "close" << false;
        QTest::newRow("unticked during the wait") << true << "untick" << false;
        QTest::newRow("another port chosen during the wait") << true << "choose" << false;
    }

    void unplug()
    {
        QFETCH(bool, ticked);
        QFETCH(QString, action);
        QFETCH(bool, back);
        Quorvel &w = *m_w;
        Ui::QuorvelClass &ui = A::ui(w);
        ui.checkBox_autoReconnect->setChecked(ticked);
        QVERIFY(openA());
        m_simA->startStream(500, 32);
        QTRY_VERIFY(logRows(w, recvColor).size() > 5);
        if (action == QLatin1String("read")) {
            m_simA->setSilent(QStringLiteral("AT+VER?"));
            ui.pushButton_readConfiguration->click();
            QVERIFY(A::readCfgRunning(w));
        }
        if (action == QLatin1String("close"))
            ui.pushButton_openCom->click();

        m_simA->stop();
        m_simA->stopStream();   // its timer would tick on in this process
        QTRY_VERIFY_WITH_TIMEOUT(!A::comIsOpen(w), 1000);
        QVERIFY(looksOpen(w, false));
        QCOMPARE(A::readCfgRunning(w), false);
        if (action != QLatin1String("close"))
            QVERIFY(w.statusBar()->currentMessage().contains(path("A")));
        if (action == QLatin1String("untick"))
            ui.checkBox_autoReconnect->setChecked(false);
        if (action == QLatin1String("choose")) {
            QTest::keyClicks(ui.comboBox_comPort->lineEdit(), QStringLiteral("2"));   // a path not there
            QTest::keyClick(ui.comboBox_comPort->lineEdit(), Qt::Key_Return);
        }
        if (action.isEmpty() && ticked) {
            // A device that is not coming back costs next to nothing.
            m_simB->stop();   // it would look for a peer meanwhile, in this process
            const double cpu = cpuSeconds();
            QTimer window;
            window.setSingleShot(true);
            QSignalSpy over(&window, &QTimer::timeout);
            window.start(3000);
            QVERIFY(over.wait(10000));
            const double used = cpuSeconds() - cpu;
            QVERIFY2(used < 0.03, qPrintable(QStringLiteral("%1 s of CPU in 3 s").arg(used)));
        }

        QSignalSpy said(w.statusBar(), &QStatusBar::messageChanged);
        QString error;
        QVERIFY2(m_simA->start(&error) && m_simA->makeLink(path("A"), &error), qPrintable(error));
        m_simA->startStream(500, 32);
        if (action == QLatin1String("busy")) {
            QSerialPort holder(path("A"));
            QVERIFY(holder.open(QIODevice::ReadWrite));
            QTRY_COMPARE(said.size(), 1);
            QVERIFY2(said.at(0).at(0).toString().contains(QStringLiteral("正被其他程序使用")),
                     qPrintable(said.at(0).at(0).toString()));
            QVERIFY(!said.wait(1200));   // two more tries, said no more
            QVERIFY(!A::comIsOpen(w));
        }
        if (!back) {
            QVERIFY(!QTest::qWaitFor([&] { return A::comIsOpen(w); }, 1500));
            QVERIFY(looksOpen(w, false));
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(A::comIsOpen(w), 2000);
        QVERIFY(looksOpen(w, true));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(w.statusBar()->currentMessage().contains(path("A")));
        // The stream flows into the log again, whole lines from the first on.
        const qsizetype before = logRows(w, recvColor).size();
        QTRY_VERIFY(logRows(w, recvColor).size() > before + 5);
        static const QRegularExpression streamLine(QStringLiteral("^[0-9]{30}\\r\\n$"));
        const QStringList after = logRows(w, recvColor).mid(before);
        for (const QString &line : after)
            QVERIFY2(streamLine.match(line).hasMatch(), qPrintable(line));
    }

    // The port box holds `items`; `from` is typed and opened ("": the port
    // stays closed); then `to` is typed and Enter pressed (Open clicked when
    // closed) or picked from the list. A failed open names the device and `reason`.
    void switchPort_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("from");
        QTest::addColumn<bool>("pick");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("reason");
        QTest::newRow("Enter on the second module's path") << QStringList{} << "A" << false << "B" << "";
        QTest::newRow("Enter on a missing path") << QStringList{} << "A" << false << "gone" << "不存在";
        QTest::newRow("Enter on a device another program holds")
            << QStringList{} << "B" << false << "busy" << "正被其他程序使用";
        QTest::newRow("pick the second module") << QStringList{"A", "B"} << "A" << true << "B" << "";
        // The list's current item is A, but B was typed and opened: Enter on A
        // leaves the index where it was and must still switch.
        QTest::newRow("Enter on the current item while a typed path is open")
            << QStringList{"A"} << "B" << false << "A" << "";
        QTest::newRow("Open on a missing path") << QStringList{} << "" << false << "gone" << "不存在";
        QTest::newRow("Open on a device without permission") << QStringList{} << "" << false << "denied" << "dialout";
    }

    void switchPort()
    {
        QFETCH(QStringList, items);
        QFETCH(QString, from);
        QFETCH(bool, pick);
        QFETCH(QString, to);
        QFETCH(QString, reason);
        Quorvel &w = *m_w;
        QComboBox *box = A::ui(w).comboBox_comPort;
        QList<PortEntry> ports;
        for (const QString &item : std::as_const(items))
            ports.append(listed(path(item)));
        A::feedPorts(w, [ports] { return ports; });
        if (sim(from)) {
            QVERIFY(testsupport::openPort(w, path(from)));
            QTRY_VERIFY(sim(from)->peerConnected());
        }
        QSerialPort holder(path("A"));
        if (to == QLatin1String("busy"))
            QVERIFY(holder.open(QIODevice::ReadWrite));
        // Root opens anything; as anybody else the device's mode refuses it.
        const bool asRoot = to == QLatin1String("denied") && ::geteuid() == 0;
        if (to == QLatin1String("denied"))
            QVERIFY(::chmod(QFile::encodeName(m_simA->slavePath()).constData(), 0) == 0 && (!asRoot || ::seteuid(65534) == 0));

        m_boxText.clear();
        m_boxInfo.clear();
        if (!sim(to))
            testsupport::dismissNextMessageBox(&m_boxText, QMessageBox::Ok, nullptr, &m_boxInfo);
        if (!sim(from)) {
            QVERIFY(!testsupport::openPort(w, path(to)));
            QVERIFY(!asRoot || ::seteuid(0) == 0);
        } else if (pick) {
            box->showPopup();
            box->view()->setCurrentIndex(box->view()->model()->index(items.indexOf(to), 0));
            QTest::keyClick(box->view(), Qt::Key_Return);
        } else {
            box->lineEdit()->selectAll();
            QTest::keyClicks(box->lineEdit(), path(to));
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        }

        if (sim(from))
            QTRY_VERIFY(!sim(from)->peerConnected());   // the old port is closed
        if (!sim(to)) {
            QCOMPARE(m_boxText, QStringLiteral("Can not open %1").arg(path(to)));
            QVERIFY(looksOpen(w, false));
            QCOMPARE(A::serialPort(w), nullptr);
            const QString status = w.statusBar()->currentMessage();
            QVERIFY2(status.contains(path(to)) && status.contains(reason), qPrintable(status));
            QCOMPARE(m_boxInfo, status);
            // The failed path is no item once the list is read again; the text stays for a fix.
            box->showPopup();
            box->hidePopup();
            QCOMPARE(box->findText(path(to)), -1);
            QCOMPARE(box->currentText(), path(to));
            return;
        }
        QVERIFY(looksOpen(w, true));
        QCOMPARE(box->currentText(), path(to));
        QTRY_VERIFY(sim(to)->peerConnected());
        w.sendCmd(QStringLiteral("AT+MAC?"));
        QTRY_COMPARE(sim(to)->receivedLines(), QList<QByteArray>{"AT+MAC?\r\n"});
        QTRY_COMPARE(logRows(w, recvColor), QStringList{QStringLiteral("OK=AC:CF:23:5A:10:7E\r\n")});
    }

    // The list is read once each time it drops down; a refresh opens and
    // closes nothing, keeps the text (a typed path or a chosen item) and
    // signals no switch, while ports come and go around it.
    void portListRefresh()
    {
        Quorvel &w = *m_w;
        QComboBox *box = A::ui(w).comboBox_comPort;
        const PortEntry usb{QStringLiteral("ttyUSB0"), QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART"),
                            QStringLiteral("FTDI"), QStringLiteral("A50285BI"), 0x0403, 0x6001,
                            QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0")};
        const PortEntry s2 = listed(QStringLiteral("ttyS2"));
        const PortEntry s10 = listed(QStringLiteral("ttyS10"));
        const PortEntry a = listed(path("A"));
        QList<PortEntry> ports{s2, a, s10};
        int reads = 0;
        A::feedPorts(w, [&] {
            ++reads;
            return ports;
        });
        QVERIFY(testsupport::openPort(w, path("B")));   // a typed path
        QSerialPort *open = A::serialPort(w);
        QSignalSpy switched(box, &QComboBox::currentIndexChanged);
        const auto items = [box] {
            QStringList texts;
            for (int i = 0; i < box->count(); ++i)
                texts << box->itemText(i);
            return texts;
        };
        const QList<QList<PortEntry>> stages{{s2, a, usb, s10}, {s2, a, s10}};
        for (const QList<PortEntry> &stage : stages) {
            ports = stage;
            reads = 0;
            box->showPopup();
            box->hidePopup();
            QCOMPARE(reads, 1);
            QCOMPARE(box->currentText(), path("B"));
            QCOMPARE(A::serialPort(w), open);
            QVERIFY(looksOpen(w, true));
        }
        QCOMPARE(items(), (QStringList{path("A"), "ttyS10", "ttyS2"}));   // by character code
        QCOMPARE(switched.size(), 0);

        // A chosen item stays chosen while another one appears before it.
        box->setCurrentIndex(box->findText(path("A")));
        QTRY_VERIFY(m_simA->peerConnected());
        open = A::serialPort(w);
        switched.clear();
        ports = {s2, a, s10, usb, listed(QStringLiteral("/dev/aa"))};
        box->showPopup();
        box->hidePopup();
        QCOMPARE(box->itemText(box->currentIndex()), path("A"));
        QCOMPARE(switched.size(), 0);
        QCOMPARE(A::serialPort(w), open);
        QVERIFY(m_simA->peerConnected() && looksOpen(w, true));

        // Which adapter it is, and the link that names it the same in any socket.
        const QString tip = box->itemData(box->findText(QStringLiteral("ttyUSB0")), Qt::ToolTipRole).toString();
        for (const QString &part : {usb.systemLocation, usb.description, usb.manufacturer, usb.serialNumber,
                                    QStringLiteral("0403:6001"), usb.byIdLink})
            QVERIFY2(tip.contains(part), qPrintable(tip));

        // The by-id links of the system: each one by the device it names, dangling ones left out.
        QTemporaryDir byId;
        QVERIFY(QFile::link(path("A"), byId.filePath("usb-Module_A-if00")));
        QVERIFY(QFile::link(m_dir.filePath("gone"), byId.filePath("usb-Gone-if00")));
        const QString pty = QFileInfo(path("A")).canonicalFilePath();
        QCOMPARE(serialLinksByDevice(byId.path()), (QHash<QString, QString>{{pty, byId.filePath("usb-Module_A-if00")}}));
    }

    // The send button; sendCmd and comSend are proven on the wire by the
    // controls in tst_protocol. The send counter starts at 2147483647 and
    // counts on past it, by the characters of the sent text, which the log shows.
    void sending_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("newLine");
        QTest::addColumn<bool>("logCmd");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("with new line") << "AT+VER" << true << true << QByteArray("AT+VER\r\n");
        QTest::newRow("without new line") << "AT+VER" << false << true << QByteArray("AT+VER");
        QTest::newRow("empty command with new line") << "" << true << true << QByteArray("\r\n");
        QTest::newRow("empty command without new line") << "" << false << true << QByteArray();
        QTest::newRow("log cmd off: written, counted, no row") << "AT" << true << false << QByteArray("AT\r\n");
        QTest::newRow("characters counted, UTF-8 written") << "é" << false << true << QByteArray("\xc3\xa9");
    }

    void sending()
    {
        QFETCH(QString, text);
        QFETCH(bool, newLine);
        QFETCH(bool, logCmd);
        QFETCH(QByteArray, wire);
        Quorvel &w = *m_w;
        Ui::QuorvelClass &ui = A::ui(w);
        ui.label_sendCnt->setText(QStringLiteral("2147483647"));
        ui.checkBox_log_cmd->setChecked(logCmd);
        ui.checkBox_sendNewLine->setChecked(newLine);
        ui.lineEdit_cmd->setText(text);
        // Closed: nothing is written, counted or logged.
        w.sendCmd(text);
        w.comSend(text);
        w.on_pushButton_send_clicked();
        QCOMPARE(ui.label_sendCnt->text(), QStringLiteral("2147483647"));
        QCOMPARE(ui.tableWidget_log->rowCount(), 0);

        QVERIFY(openA());
        ui.pushButton_send->click();
        const QString sent = QString::fromUtf8(wire);
        QCOMPARE(ui.label_sendCnt->text(), QString::number(2147483647LL + sent.size()));
        QTRY_COMPARE(logRows(w, sendColor), logCmd ? QStringList{sent} : QStringList());
        QCOMPARE(ui.lineEdit_cmd->text(), text);
        // A fence written past the program shows that nothing else went out.
        A::serialPort(w)->write("#fence#");
        QTRY_COMPARE(m_simA->receivedBytes(), wire + "#fence#");
    }

    void receiving_data()
    {
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<QList<int>>("rowsAfter");   // rows shown after each read
        QTest::addColumn<QStringList>("lines");
        using L = QList<QByteArray>;
        QTest::newRow("CR and LF in different reads") << L{"OK\r", "\n"} << QList<int>{0, 1} << QStringList{"OK\r\n"};
        QTest::newRow("several lines in one read, all and in order, UTF-8 text")
            << L{"OK\r\nOK=\xe5\x8a\x9e\xe5\x85\xac\xe5\xae\xa4\r\nERR=3\r\n+IND=NOISE,1\r\n"} << QList<int>{4}
            << QStringList{"OK\r\n", "OK=办公室\r\n", "ERR=3\r\n", "+IND=NOISE,1\r\n"};
        QTest::newRow("empty line") << L{"\r\n"} << QList<int>{1} << QStringList{"\r\n"};
        QTest::newRow("lone CR and lone LF are no line end")
            << L{"A\rB\nC", "\r\n"} << QList<int>{0, 1} << QStringList{"A\rB\nC\r\n"};
        QTest::newRow("zero byte ends the text, also as first byte")
            << L{QByteArray("AB\0CD\r\n\0OK\r\nOK\r\n", 16)} << QList<int>{3} << QStringList{"AB", "", "OK\r\n"};
    }

    // The receive counter starts at 2147483647 and counts on past it; the
    // rows show with the count, every line signalled once, in order.
    void receiving()
    {
        QFETCH(QList<QByteArray>, reads);
        QFETCH(QList<int>, rowsAfter);
        QFETCH(QStringList, lines);
        Quorvel &w = *m_w;
        Ui::QuorvelClass &ui = A::ui(w);
        QStringList signalled;
        connect(&w, &Quorvel::recvNewLine, this, [&](const QString &line) { signalled.append(line); });
        QVERIFY(openA());
        ui.label_recvCnt->setText(QStringLiteral("2147483647"));
        qint64 count = 2147483647;
        for (int i = 0; i < reads.size(); ++i) {
            m_simA->sendRaw(reads.at(i));
            count += reads.at(i).size();
            QTRY_COMPARE(ui.label_recvCnt->text(), QString::number(count));
            QCOMPARE(ui.tableWidget_log->rowCount(), rowsAfter.at(i));
        }
        QCOMPARE(logRows(w, recvColor), lines);
        QCOMPARE(A::recvBuffer(w).pending(), 0);
        QCOMPARE(signalled, lines);
    }

    // Bytes that never end a line (a wrong baud rate): every 4096 of them
    // are one row, signalled to nobody, the buffer stays bounded, the status
    // bar suggests the baud rate once; a line end then frames as usual.
    void bytesWithoutLineEnd()
    {
        Quorvel &w = *m_w;
        QStringList signalled;
        connect(&w, &Quorvel::recvNewLine, this, [&](const QString &line) { signalled.append(line); });
        QStringList messages;
        connect(w.statusBar(), &QStatusBar::messageChanged, this, [&](const QString &m) { messages.append(m); });
        QVERIFY(openA());
        const QByteArray noise(3 * 4096 + 10, '\x7f');
        m_simA->sendRaw(noise + "OK\r\n");
        QTRY_COMPARE(logRows(w, recvColor).size(), 4);
        const QString piece(4096, QChar(0x7f));
        QCOMPARE(logRows(w, recvColor), (QStringList{piece, piece, piece, QString(10, QChar(0x7f)) + "OK\r\n"}));
        QCOMPARE(signalled, QStringList{QString(10, QChar(0x7f)) + "OK\r\n"});
        QCOMPARE(messages.count(QStringLiteral("收到 4096 字节仍没有行结束（回车换行），请检查波特率")), 1);
    }

private:
    // "A" and "B" are the simulated modules, "busy" is A held by another
    // program, "denied" is A without permission, anything else does not exist.
    QString path(const QString &name) const
    {
        const bool a = name == QLatin1String("busy") || name == QLatin1String("denied");
        return m_dir.filePath(a ? QStringLiteral("A") : name);
    }
    static double cpuSeconds()
    {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    ModSim *sim(const QString &name) const
    {
        return name == QLatin1String("A") ? m_simA.get() : name == QLatin1String("B") ? m_simB.get() : nullptr;
    }
    bool openA()
    {
        return testsupport::openPort(*m_w, path("A")) && QTest::qWaitFor([this] { return m_simA->peerConnected(); });
    }

    QTemporaryDir m_dir;
    // Written by testsupport::dismissNextMessageBox; they outlive a box that never came.
    QString m_boxText, m_boxInfo;
    std::unique_ptr<ModSim> m_simA, m_simB;
    std::unique_ptr<Quorvel> m_w;
};

QTEST_MAIN(tst_Serial)
#include "tst_serial.moc"
