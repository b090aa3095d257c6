// The serial link of the main window: the port list, opening, switching and
// closing the port, the line settings, and both directions of transfer.
// comIsOpen is the one gate: while it is false nothing is sent or received.
#include "app/quorvel.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Whether this user may read and write the device, so that a refused open
// means another program holds it.
bool mayReadWrite(const QString &device)
{
#ifdef Q_OS_UNIX
    // With the effective ids, those the open itself was checked with.
    return ::faccessat(AT_FDCWD, QFile::encodeName(device).constData(), R_OK | W_OK, AT_EACCESS) == 0;
#else
    // A port the system refuses although it exists is held by another program.
    Q_UNUSED(device);
    return true;
#endif
}

QString hexId(int id)
{
    return id < 0 ? QStringLiteral("?") : QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

} // namespace

// Start-up: the port list, and what keeps it and a lost port up to date.
void Quorvel::fillComPortCombo()
{
    connect(ui.checkBox_autoReconnect, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            stopAwaitingPort();
    });
    connect(ui.comboBox_comPort, &PortComboBox::aboutToShowPopup, this, &Quorvel::refreshComPortList);
    // Picking the item that is already current, or Enter on its text, leaves
    // the index alone; with a typed path open it must switch all the same.
    connect(ui.comboBox_comPort, &QComboBox::activated, this, &Quorvel::comPortActivated);
    refreshComPortList();
    if (ui.comboBox_comPort->count() > 0)
        ui.comboBox_comPort->setCurrentIndex(0);
}

// Reads the port list once and puts it in the box without touching what the
// box says or what is open: the text stays, and no change is signalled.
// Typed paths the system does not list (failed or not) leave the list here.
void Quorvel::refreshComPortList()
{
    QList<PortEntry> ports = comPortEnumerator();
    if (ports.size() > 255)
        ports.resize(255);
    // By character code: ttyS10 before ttyS2.
    std::stable_sort(ports.begin(), ports.end(),
                     [](const PortEntry &a, const PortEntry &b) { return a.portName < b.portName; });

    QComboBox *box = ui.comboBox_comPort;
    const QString text = box->currentText();
    const QSignalBlocker quiet(box);
    box->clear();
    for (const PortEntry &port : std::as_const(ports)) {
        box->addItem(port.portName);
        box->setItemData(box->count() - 1, comPortToolTip(port), Qt::ToolTipRole);
    }
    const int found = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    box->setCurrentIndex(found);
    if (found < 0)
        box->setEditText(text);
}

// Which adapter a port is: what the system says of it, and the by-id link
// that names it the same whichever USB socket it is in.
QString Quorvel::comPortToolTip(const PortEntry &port) const
{
    QStringList lines{port.systemLocation};
    const auto add = [&lines](const QString &line, const QString &value) {
        if (!value.isEmpty())
            lines << line.arg(value);
    };
    add(tr("描述：%1"), port.description);
    add(tr("制造商：%1"), port.manufacturer);
    add(tr("序列号：%1"), port.serialNumber);
    if (port.vendorId >= 0 || port.productId >= 0)
        lines << tr("厂商:产品 ID：%1:%2").arg(hexId(port.vendorId), hexId(port.productId));
    add(QStringLiteral("%1"), port.byIdLink);
    return lines.join(QLatin1Char('\n'));
}

QString Quorvel::comDeviceName(const QString &portText)
{
#ifdef Q_OS_UNIX
    return portText.startsWith(QLatin1Char('/')) ? portText : QStringLiteral("/dev/") + portText;
#else
    // Windows opens a port name ("COM3", also "COM10" and above) as "\\.\COM3".
    const QString prefix = QStringLiteral("\\\\.\\");
    return portText.startsWith(prefix) ? portText : prefix + portText;
#endif
}

void Quorvel::getComSetting(PortSettings &comSetting)
{
    baudRateForIndex(ui.comboBox_bps->currentIndex(), &comSetting.BaudRate);
    dataBitsForIndex(ui.comboBox_dataBit->currentIndex(), &comSetting.DataBits);
    parityForIndex(ui.comboBox_parBit->currentIndex(), &comSetting.Parity);
    stopBitsForIndex(ui.comboBox_stopBit->currentIndex(), &comSetting.StopBits);
    comSetting.FlowControl = QSerialPort::NoFlowControl;
    comSetting.Timeout_Millisec = 500;
}

// Opens a new port object on the device and applies the line settings.
// Returns null, with the reason in *why, when the device cannot be opened.
QSerialPort *Quorvel::createOpenedPort(const QString &deviceName, QString *why)
{
    auto *port = new QSerialPort(this);
#ifdef Q_OS_UNIX
    // A link (/dev/serial/by-id/…) and its device are one port: opened by
    // the device itself, the port's lock file is the same whichever name
    // was typed, and a second program is refused either way.
    const QString device = QFileInfo(deviceName).canonicalFilePath();
    port->setPortName(device.isEmpty() ? deviceName : device);
#else
    port->setPortName(deviceName);
#endif
    if (!port->open(QIODevice::ReadWrite)) {
        const QString detail = port->errorString();
        switch (port->error()) {
        case QSerialPort::PermissionError:
            // The detail is the system's text in the user's language; whether
            // the device grants this user read and write tells busy apart.
            if (mayReadWrite(deviceName)) {
                *why = tr("%1 正被其他程序使用（%2）").arg(deviceName, detail);
            } else {
                *why = tr("没有权限打开 %1（%2）：请把用户加入拥有该设备的组（通常是 dialout）后重新登录")
                           .arg(deviceName, detail);
            }
            break;
        case QSerialPort::DeviceNotFoundError:
            *why = tr("设备 %1 不存在").arg(deviceName);
            break;
        default:
            *why = tr("不能打开 %1（%2）").arg(deviceName, detail);
            break;
        }
        delete port;
        return nullptr;
    }
    // Refusals (a pseudo-terminal keeps 8 data bits and no parity) are not
    // reported; the port keeps its previous setting.
    PortSettings comSetting;
    getComSetting(comSetting);
    port->setBaudRate(comSetting.BaudRate);
    port->setDataBits(comSetting.DataBits);
    port->setParity(comSetting.Parity);
    port->setStopBits(comSetting.StopBits);
    port->setFlowControl(comSetting.FlowControl);
    connect(port, &QSerialPort::readyRead, this, &Quorvel::readCom);
    connect(port, &QSerialPort::errorOccurred, this, &Quorvel::comPortError);
    return port;
}

// The reason stays on screen with the box, not only behind it.
void Quorvel::comPortFailed(const QString &portText, const QString &why)
{
    statusBar()->showMessage(why, 10000);
    reportFailure({Outcome::Action::OpenPort, Outcome::End::Failed}, tr("Can not open %1").arg(portText), why);
}

// The one open path of the button, a port switch and a reconnect: `portText`
// as the new serialPort, or no port object and the reason in *why.
bool Quorvel::openComPort(const QString &portText, QString *why)
{
    delete serialPort;
    setModuleValues({});   // whatever answers on this port has not been read yet
    serialPort = createOpenedPort(comDeviceName(portText), why);
    comIsOpen = serialPort != nullptr;
    if (comIsOpen) {
        openPortText = portText;
        recvBuffer = LineFramer();   // half a line from before an unplug is no part of the next
    }
    return comIsOpen;
}

// Opens the port named in the port box; the user asked, so a failure shows the box.
void Quorvel::openChosenPort()
{
    const QString portText = ui.comboBox_comPort->currentText();
    QString why;
    if (!openComPort(portText, &why))
        comPortFailed(portText, why);
    on_comPortToggle(comIsOpen);
    if (comIsOpen)
        emit actionEnded({Outcome::Action::OpenPort});
}

void Quorvel::on_pushButton_openCom_clicked()
{
    stopAwaitingPort();   // the user's own open or close ends a wait
    if (comIsOpen)
        closeComPort();
    else
        openChosenPort();
}

void Quorvel::closeComPort()
{
    if (serialPort)
        serialPort->close();
    comIsOpen = false;
    setModuleValues({});   // the next module on this port may be another one
    on_comPortToggle(false);
}

// What the settings file keeps: the port that was open (or is awaited), not
// text typed into the box without Enter.
QString Quorvel::comPortToRemember() const
{
    return comIsOpen || reconnectTimer->isActive() ? openPortText : ui.comboBox_comPort->currentText();
}

// A device that vanishes keeps raising errors for as long as it stays open;
// the first one closes it, exactly like the close button, and says so once.
void Quorvel::comPortError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (!comIsOpen || sender() != serialPort)
        return;
    closeComPort();
    // A sequence cannot go on without its port, and a reconnect must not
    // take it up again half-way. Its failure shows for its full time.
    if (readCfgRunning || writeCfgRunning)
        failCfgSequence(QString(), QString(), [this, port = openPortText] { return tr("串口 %1 已断开").arg(port); });
    if (readCfgRunning)
        finishReadCfg(false);
    if (writeCfgRunning)
        finishWriteCfg(false);
    refreshComPortList();
    if (ui.checkBox_autoReconnect->isChecked())
        awaitLostPort();
    else
        showPortStatus(tr("串口 %1 已断开，已关闭").arg(openPortText), 10000);
}

// Watches for the lost port's device path to come back. A tick costs one
// look at the path until something is there to open.
void Quorvel::awaitLostPort()
{
    reconnectWhy.clear();
    reconnectTimer->start();
    showPortStatus(tr("串口 %1 已断开，等待它重新接入").arg(openPortText));
}

void Quorvel::tryReconnect()
{
#ifdef Q_OS_UNIX
    if (!QFileInfo::exists(comDeviceName(openPortText)))
        return;
#endif
    // Back, but maybe not ours yet (still probed by another program, or
    // its permissions not yet set): keep waiting, and say why only once.
    QString why;
    if (!openComPort(openPortText, &why)) {
        if (why != reconnectWhy) {
            reconnectWhy = why;
            showPortStatus(tr("串口 %1 还不能打开，继续等待：%2").arg(openPortText, why));
        }
        return;
    }
    reconnectTimer->stop();
    on_comPortToggle(true);
    showPortStatus(tr("串口 %1 已重新连接").arg(openPortText), 10000);
}

void Quorvel::stopAwaitingPort()
{
    if (!reconnectTimer->isActive())
        return;
    reconnectTimer->stop();
    showPortStatus(tr("不再等待串口 %1").arg(openPortText), 5000);
}

void Quorvel::on_comboBox_comPort_currentIndexChanged(int index)
{
    Q_UNUSED(index);
    if (ui.comboBox_comPort->currentText() != openPortText)
        stopAwaitingPort();   // another port chosen
    if (comIsOpen)
        switchComPort();
}

void Quorvel::comPortActivated()
{
    if (ui.comboBox_comPort->currentText() == openPortText)
        return;
    stopAwaitingPort();
    if (comIsOpen)
        switchComPort();
}

void Quorvel::switchComPort()
{
    comIsOpen = false;
    serialPort->close();
    openChosenPort();
}

void Quorvel::on_comboBox_bps_currentIndexChanged(int index)
{
    Q_UNUSED(index);
    PortSettings comSetting;
    getComSetting(comSetting);
    if (comIsOpen)
        serialPort->setBaudRate(comSetting.BaudRate);
}

void Quorvel::on_comboBox_dataBit_currentIndexChanged(int index)
{
    Q_UNUSED(index);
    PortSettings comSetting;
    getComSetting(comSetting);
    if (comIsOpen)
        serialPort->setDataBits(comSetting.DataBits);
}

void Quorvel::on_comboBox_parBit_currentIndexChanged(int index)
{
    Q_UNUSED(index);
    PortSettings comSetting;
    getComSetting(comSetting);
    if (comIsOpen)
        serialPort->setParity(comSetting.Parity);
}

void Quorvel::on_comboBox_stopBit_currentIndexChanged(int index)
{
    Q_UNUSED(index);
    PortSettings comSetting;
    getComSetting(comSetting);
    if (comIsOpen)
        serialPort->setStopBits(comSetting.StopBits);
}

void Quorvel::on_comboBox_encoding_currentIndexChanged(int index)
{
    wireEncoding = wiretext::fromName(ui.comboBox_encoding->itemText(index));
}

void Quorvel::on_comPortToggle(bool open)
{
    ui.pushButton_openCom->setText(open ? tr("关闭") : tr("打开"));
    const QPixmap lamp(open ? QStringLiteral(":/Quorvel/comGreenLed") : QStringLiteral(":/Quorvel/comGrayLed"));
    ui.label_comLed->setPixmap(lamp.scaled(25, 25, Qt::KeepAspectRatioByExpanding, Qt::FastTransformation));
    ui.label_comLed->setToolTip(open ? tr("串口 %1 已打开").arg(openPortText) : tr("串口已关闭"));
    ui.pushButton_send->setEnabled(open);
    updateCfgButtons();
}

void Quorvel::readCom()
{
    if (!comIsOpen || readingCom)
        return;
    const QByteArray bytes = serialPort->readAll();
    if (bytes.isEmpty())
        return;
    recvBuffer.append(bytes);
    countReceived(bytes.size());

    // Every line goes out, in order, each logged and then signalled before
    // the next is cut; a listener may send (nested comSend) meanwhile. A
    // piece cut off without a line end is logged only: it is no answer.
    readingCom = true;
    QByteArray line;
    bool unterminated = false;
    const qint64 cutAt = QDateTime::currentMSecsSinceEpoch();   // the time of every row cut now
    while (recvBuffer.takeLine(&line, &unterminated)) {
        const QString text = lineToText(line, wireEncoding, &recvLineClean);
        logBytes(line, logRecv, cutAt);
        if (!unterminated) {
            emit recvNewLine(text);
        } else if (!unterminatedAnnounced) {
            unterminatedAnnounced = true;
            statusBar()->showMessage(tr("收到 %1 字节仍没有行结束（回车换行），请检查波特率")
                                         .arg(LineFramer::maxLineBytes), 10000);
        }
    }
    readingCom = false;
}

// Text the wire encoding cannot carry would go out with '?' for it: the
// console refuses such text before it comes here, a write checks its fields.
void Quorvel::comSend(QString sendStr)
{
    comSendBytes(wiretext::encode(sendStr, wireEncoding));
}

// Counted as the bytes on the wire, like the receive counter, and logged as
// those bytes: the log shows what went out.
void Quorvel::comSendBytes(const QByteArray &bytes)
{
    if (!comIsOpen)
        return;
    countSent(bytes.size());
    logBytes(bytes, logSend, QDateTime::currentMSecsSinceEpoch());
    serialPort->write(bytes);
}

void Quorvel::sendCmd(QString cmd)
{
    comSend(cmd + QStringLiteral("\r\n"));
}
