// The window's side of the serial link (the link itself: tst_seriallink), over pseudo-terminals to simulated modules.
#include "tests/common/testsupport.h"

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

uint portSpeed(Quorvel &w)
{
    return testsupport::portSpeed(A::serialPort(w));
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

    // Speed set before and while open; 4096 bytes unended are a row and a hint; unplugged during a read, the
    // port is awaited and reopened with its settings, and the read fails, not resumed.
    void unplug()
    {
        Quorvel &w = *m_f->w;
        Ui::QuorvelClass &ui = m_f->ui();
        ModSim &sim = m_f->sim;
        ui.checkBox_autoReconnect->setChecked(true);
        ui.comboBox_bps->setCurrentIndex(1);
        QVERIFY(looksOpen(w, false) && m_f->openPort(path("A")) && looksOpen(w, true) && portSpeed(w) == 9600);
        ui.comboBox_bps->setCurrentIndex(7);
        ui.comboBox_parBit->setCurrentIndex(1);
        QVERIFY(portSpeed(w) == 256000 && looksOpen(w, true) && !QApplication::activeModalWidget());
        sim.setSilent(QStringLiteral("AT+VER?"));
        ui.pushButton_readConfiguration->click();
        sim.sendRaw(QByteArray(4096, 'x') + "OK=V");
        QTRY_COMPARE(ui.label_recvCnt->text(), QStringLiteral("4100"));
        QCOMPARE(m_f->status(), QStringLiteral("收到 4096 字节仍没有行结束（回车换行），请检查波特率"));
        sim.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!A::comIsOpen(w), 1000);
        QVERIFY(looksOpen(w, false) && !A::readCfgRunning(w) && m_f->status().contains(path("A")));
        QVERIFY2(sim.start(&m_f->error) && sim.makeLink(path("A"), &m_f->error), qPrintable(m_f->error));
        QTRY_VERIFY_WITH_TIMEOUT(A::comIsOpen(w), 2000);
        QVERIFY(looksOpen(w, true) && portSpeed(w) == 256000 && !QApplication::activeModalWidget());
        // The cut read's failure outlasts the reconnect, which the lamp tells.
        QCOMPARE(m_f->status(), QStringLiteral("读取配置遇到错误：串口 %1 已断开").arg(path("A")));
        QVERIFY(ui.label_comLed->toolTip().contains(QStringLiteral("已重新连接")));
        QTRY_VERIFY(sim.peerConnected());
        w.sendCmd(QStringLiteral("AT+MAC?"));
        QTRY_COMPARE(testsupport::rows(A::logModel(w), false),
                     (QByteArrayList{QByteArray(4096, 'x'), "OK=AC:CF:23:5A:10:7E\r\n"}));
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
