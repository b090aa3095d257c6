// The window's side of the serial link (the link itself: tst_seriallink), over pseudo-terminals to simulated modules.
#include <QSignalSpy>

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include "tests/common/testsupport.h"

extern "C" int ioctl(int fd, unsigned long request, ...);

using A = QuorvelTestAccess;

namespace {

PortEntry listed(const QString &name)   // a port as the system would list it
{
    const QString device = name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
    return {name, device, {}, {}, {}, -1, -1, {}};
}

bool looksOpen(Quorvel &w, bool open)
{
    Ui::QuorvelClass &ui = A::ui(w);
    return A::comIsOpen(w) == open && ui.pushButton_openCom->text() == QString::fromUtf8(open ? "关闭" : "打开")
        && ui.pushButton_send->isEnabled() == open && ui.pushButton_readConfiguration->isEnabled() == open
        && ui.pushButton_writeConfiguartion->isEnabled() == open;
}

uint portSpeed(Quorvel &w)   // as the kernel holds it for the open fd
{
    termios2 t{};
    return ioctl(int(A::serialPort(w)->handle()), TCGETS2, &t) == 0 ? t.c_ospeed : 0;
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

    // Speed set before and while open; 4096 bytes unended are a row and a hint; an unplug reopens if it should.
    void unplug_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("action");
        QTest::newRow("ticked, a read running: reconnects, the read fails, not resumed") << true << "read";
        QTest::newRow("unticked: stays closed") << false << "";
        QTest::newRow("closed by the user before: stays closed") << true << "close";
    }

    void unplug()
    {
        QFETCH(bool, ticked);
        QFETCH(QString, action);
        const bool back = ticked && action != QLatin1String("close");
        Quorvel &w = *m_f->w;
        Ui::QuorvelClass &ui = m_f->ui();
        ModSim &sim = m_f->sim;
        ui.checkBox_autoReconnect->setChecked(ticked);
        ui.comboBox_bps->setCurrentIndex(1);
        QVERIFY(looksOpen(w, false) && m_f->openPort(path("A")) && looksOpen(w, true) && portSpeed(w) == 9600);
        ui.comboBox_bps->setCurrentIndex(7);
        ui.comboBox_parBit->setCurrentIndex(1);
        QVERIFY(portSpeed(w) == 256000 && looksOpen(w, true) && !QApplication::activeModalWidget());
        if (action == QLatin1String("read")) {
            sim.setSilent(QStringLiteral("AT+VER?"));
            ui.pushButton_readConfiguration->click();
        }
        sim.sendRaw(QByteArray(4096, 'x') + "OK=V");
        QTRY_COMPARE(ui.label_recvCnt->text(), QStringLiteral("4100"));
        QCOMPARE(m_f->status(), QStringLiteral("收到 4096 字节仍没有行结束（回车换行），请检查波特率"));
        if (action == QLatin1String("close"))
            ui.pushButton_openCom->click();
        sim.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!A::comIsOpen(w), 1000);
        QVERIFY(looksOpen(w, false) && !A::readCfgRunning(w));
        QVERIFY(action == QLatin1String("close") || m_f->status().contains(path("A")));
        QVERIFY2(sim.start(&m_f->error) && sim.makeLink(path("A"), &m_f->error), qPrintable(m_f->error));
        if (back)
            QTRY_VERIFY_WITH_TIMEOUT(A::comIsOpen(w), 2000);
        else
            QVERIFY(!QTest::qWaitFor([&] { return A::comIsOpen(w); }, 1500) && m_f->openPort(path("A")));
        QVERIFY(looksOpen(w, true) && portSpeed(w) == 256000 && !QApplication::activeModalWidget());
        QVERIFY(!back || m_f->status().contains(path("A")));
        if (action == QLatin1String("read")) {   // the cut read's failure outlasts the reconnect, which the lamp tells
            QCOMPARE(m_f->status(), QStringLiteral("读取配置遇到错误：串口 %1 已断开").arg(path("A")));
            QVERIFY(ui.label_comLed->toolTip().contains(QStringLiteral("已重新连接")));
        }
        QTRY_VERIFY(sim.peerConnected());
        w.sendCmd(QStringLiteral("AT+MAC?"));
        QTRY_COMPARE(A::logRows(w, false), (QByteArrayList{QByteArray(4096, 'x'), "OK=AC:CF:23:5A:10:7E\r\n"}));
    }

    // The list is read at each drop-down, sorted by code; Enter or a pick switches ports; a failed open says why.
    void portBox()
    {
        Quorvel &w = *m_f->w;
        QComboBox *box = m_f->ui().comboBox_comPort;
        ModSim b;
        QVERIFY2(b.start(&m_f->error) && b.makeLink(path("B"), &m_f->error), qPrintable(m_f->error));
        QList<PortEntry> ports{listed(QStringLiteral("ttyS2")), listed(path("A")), listed(QStringLiteral("ttyUSB0")),
                               listed(QStringLiteral("ttyS10"))};
        A::feedPorts(w, [&] { return ports; });
        const auto refresh = [&] {   // opens, closes and switches nothing, keeps the text
            QSerialPort *open = A::serialPort(w);
            const QString text = box->currentText();
            QSignalSpy switched(box, &QComboBox::currentIndexChanged);
            box->showPopup();
            box->hidePopup();
            return switched.isEmpty() && A::serialPort(w) == open && box->currentText() == text;
        };
        const auto enter = [box](const QString &text) {
            box->lineEdit()->selectAll();
            QTest::keyClicks(box->lineEdit(), text);
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        };
        // B typed while A is the current item: Enter on A leaves the index where it was and must still switch.
        box->setCurrentIndex(box->findText(path("A")));
        QVERIFY(m_f->openPort(path("B"), &b));
        enter(path("A"));
        QTRY_VERIFY(!b.peerConnected() && m_f->sim.peerConnected());
        enter(path("B"));
        QTRY_VERIFY(b.peerConnected() && !m_f->sim.peerConnected());
        QVERIFY(refresh() && looksOpen(w, true));
        box->showPopup();
        box->view()->setCurrentIndex(box->view()->model()->index(box->findText(path("A")), 0));
        QTest::keyClick(box->view(), Qt::Key_Return);
        QTRY_VERIFY(!b.peerConnected() && m_f->sim.peerConnected());
        ports.replace(2, listed(QStringLiteral("/dev/aa")));   // before the chosen item
        QVERIFY(refresh() && looksOpen(w, true) && box->itemText(box->currentIndex()) == path("A"));
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items, (QStringList{"/dev/aa", path("A"), "ttyS10", "ttyS2"}));
        m_f->dismissNextBox();
        enter(path("gone"));
        QCOMPARE(m_f->boxText, QStringLiteral("Can not open %1").arg(path("gone")));
        QVERIFY(looksOpen(w, false) && m_f->boxInfo == m_f->status() && m_f->status().contains(path("gone")));
        QVERIFY2(m_f->status().contains(QStringLiteral("不存在")), qPrintable(m_f->status()));
        QTRY_VERIFY(!m_f->sim.peerConnected());
        QVERIFY(refresh() && box->findText(path("gone")) == -1);
    }

    // A new window lists the ports once it is up: a remembered port keeps its item, or its text when the system
    // does not list it; with none remembered the first port is chosen.
    void portListAtStart()
    {
        for (const QString remembered : {"", "ttyUSB1", "ttyGONE7"}) {
            testsupport::writeFile(QStringLiteral("Quorvel.ini"), "[comSettings]\ncomPort=" + remembered.toUtf8() + '\n');
            Quorvel w;
            PortComboBox *box = A::ui(w).comboBox_comPort;
            box->setEnumerator([] { return QList<PortEntry>{listed(QStringLiteral("ttyUSB1")), listed("ttyS0")}; });
            QTRY_COMPARE(box->count(), 2);
            QCOMPARE(box->currentText(), remembered.isEmpty() ? "ttyS0" : remembered);
            QCOMPARE(box->currentIndex(), remembered.isEmpty() ? 0 : box->findText(remembered));
        }
    }

private:
    QString path(const QString &name) const { return m_f->dir.filePath(name); }

    std::unique_ptr<testsupport::ModuleWindow> m_f;
};

QTEST_MAIN(tst_Serial)
#include "tst_serial.moc"
