// The serial link of the main window: the port list, opening, switching and
// closing the port, the line settings, and both directions of transfer.
// comIsOpen is the one gate: while it is false nothing is sent or received.
#include "app/quorvel.h"

#include <QFile>
#include <QMessageBox>
#include <QPixmap>
#include <QSerialPortInfo>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <unistd.h>

void Quorvel::fillComPortCombo()
{
    QStringList names;
    for (int index = 0; index < 255; ++index) {
        const QString name = comPortEntry(index, QStringLiteral("value"));
        if (name == QLatin1String("nokey"))
            break;
        names.append(name);
    }
    std::sort(names.begin(), names.end());   // by character code: ttyS10 before ttyS2
    ui.comboBox_comPort->addItems(names);
    // Picking the item that is already current, or Enter on its text, leaves
    // the index alone; with a typed path open it must switch all the same.
    connect(ui.comboBox_comPort, &QComboBox::activated, this, &Quorvel::comPortActivated);
}

QString Quorvel::comPortEntry(int index, const QString &part)
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    if (index < 0 || index >= ports.size())
        return QStringLiteral("nokey");
    if (part == QLatin1String("value"))
        return ports.at(index).portName();
    if (part == QLatin1String("key"))
        return ports.at(index).systemLocation();
    return QStringLiteral("nokey");
}

QString Quorvel::comDeviceName() const
{
    const QString text = ui.comboBox_comPort->currentText();
    return text.startsWith(QLatin1Char('/')) ? text : QStringLiteral("/dev/") + text;
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
    port->setPortName(deviceName);
    if (!port->open(QIODevice::ReadWrite)) {
        const QString detail = port->errorString();
        switch (port->error()) {
        case QSerialPort::PermissionError:
            // The detail is the system's text in the user's language; whether
            // the device grants this user read and write tells busy apart.
            if (::access(QFile::encodeName(deviceName).constData(), R_OK | W_OK) == 0) {
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

void Quorvel::comPortFailed(const QString &portText, const QString &why)
{
    statusBar()->showMessage(why, 10000);
    QMessageBox::warning(this, QStringLiteral("Quorvel"), tr("Can not open %1").arg(portText));
}

// Opens the port named in the port box as the new serialPort; on failure
// says why and leaves no port object.
bool Quorvel::openChosenPort()
{
    const QString portText = ui.comboBox_comPort->currentText();
    QString why;
    serialPort = createOpenedPort(comDeviceName(), &why);
    comIsOpen = serialPort != nullptr;
    if (comIsOpen)
        openPortText = portText;
    else
        comPortFailed(portText, why);
    return comIsOpen;
}

void Quorvel::on_pushButton_openCom_clicked()
{
    if (comIsOpen) {
        closeComPort();
        return;
    }
    delete serialPort;
    serialPort = nullptr;
    on_comPortToggle(openChosenPort());
}

void Quorvel::closeComPort()
{
    if (serialPort)
        serialPort->close();
    comIsOpen = false;
    on_comPortToggle(false);
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
    statusBar()->showMessage(tr("串口 %1 已断开，已关闭").arg(openPortText), 10000);
}

void Quorvel::on_comboBox_comPort_currentIndexChanged(int index)
{
    Q_UNUSED(index);
    if (comIsOpen)
        switchComPort();
}

void Quorvel::comPortActivated()
{
    if (comIsOpen && ui.comboBox_comPort->currentText() != openPortText)
        switchComPort();
}

void Quorvel::switchComPort()
{
    comIsOpen = false;
    serialPort->close();
    delete serialPort;
    serialPort = nullptr;
    on_comPortToggle(openChosenPort());
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

void Quorvel::on_comPortToggle(bool open)
{
    ui.pushButton_openCom->setText(open ? tr("关闭") : tr("打开"));
    const QPixmap lamp(open ? QStringLiteral(":/Quorvel/comGreenLed") : QStringLiteral(":/Quorvel/comGrayLed"));
    ui.label_comLed->setPixmap(lamp.scaled(25, 25, Qt::KeepAspectRatioByExpanding, Qt::FastTransformation));
    ui.pushButton_send->setEnabled(open);
    // A sequence that is running keeps the read and write buttons disabled.
    const bool sequenceRunning = readCfgRunning || writeCfgRunning;
    ui.pushButton_readConfiguration->setEnabled(open && !sequenceRunning);
    ui.pushButton_writeConfiguartion->setEnabled(open && !sequenceRunning);
}

void Quorvel::addToCounter(QLabel *label, qint64 n)
{
    label->setText(QString::number(label->text().toLongLong() + n));
}

void Quorvel::readCom()
{
    if (!comIsOpen || readingCom)
        return;
    const QByteArray bytes = serialPort->readAll();
    if (bytes.isEmpty())
        return;
    recvBuffer.append(bytes);
    // Counted with the log rows, at the next repaint.
    recvCountPending += bytes.size();
    if (!logFlushTimer->isActive())
        logFlushTimer->start();

    // Every line goes out, in order, each logged and then signalled before
    // the next is cut; a listener may send (nested comSend) meanwhile. A
    // piece cut off without a line end is logged only: it is no answer.
    readingCom = true;
    QByteArray line;
    bool unterminated = false;
    while (recvBuffer.takeLine(&line, &unterminated)) {
        const QString text = lineToText(line);
        addStrToLog(text, logRecv);
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

void Quorvel::comSend(QString sendStr)
{
    if (!comIsOpen)
        return;
    addToCounter(ui.label_sendCnt, sendStr.size());
    addStrToLog(sendStr, logSend);
    serialPort->write(sendStr.toLocal8Bit());
}

void Quorvel::sendCmd(QString cmd)
{
    comSend(cmd + QStringLiteral("\r\n"));
}
