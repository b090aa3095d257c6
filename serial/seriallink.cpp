// The serial link: opening and closing the port, both directions of
// transfer, and the reconnect of a lost port; see seriallink.h.
// The texts are the window's ("Quorvel" in the catalogues): the user reads
// them in its status bar and boxes.
#include "serial/seriallink.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

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

} // namespace

SerialLink::SerialLink(QObject *parent)
    : QObject(parent)
{
    readTimer.setInterval(50);   // readyRead alone may come late, or not at all after a burst
    connect(&readTimer, &QTimer::timeout, this, &SerialLink::poll);
    reconnectTimer.setInterval(500);
    connect(&reconnectTimer, &QTimer::timeout, this, &SerialLink::tryReconnect);
}

// No signal goes out from here: whoever listened may be half gone already.
SerialLink::~SerialLink()
{
    if (comPort)
        comPort->disconnect(this);
}

QString SerialLink::deviceName(const QString &portText)
{
#ifdef Q_OS_UNIX
    return portText.startsWith(QLatin1Char('/')) ? portText : QStringLiteral("/dev/") + portText;
#else
    // Windows opens a port name ("COM3", also "COM10" and above) as "\\.\COM3".
    const QString prefix = QStringLiteral("\\\\.\\");
    return portText.startsWith(prefix) ? portText : prefix + portText;
#endif
}

// Opens a new port object on the device and applies the line settings.
// Returns null, with the reason in *why, when the device cannot be opened.
QSerialPort *SerialLink::createOpenedPort(const QString &device, QString *why)
{
    auto *port = new QSerialPort(this);
#ifdef Q_OS_UNIX
    // A link (/dev/serial/by-id/…) and its device are one port: opened by
    // the device itself, the port's lock file is the same whichever name
    // was typed, and a second program is refused either way.
    const QString canonical = QFileInfo(device).canonicalFilePath();
    port->setPortName(canonical.isEmpty() ? device : canonical);
#else
    port->setPortName(device);
#endif
    if (!port->open(QIODevice::ReadWrite)) {
        const QString detail = port->errorString();
        switch (port->error()) {
        case QSerialPort::PermissionError:
            // The detail is the system's text in the user's language; whether
            // the device grants this user read and write tells busy apart.
            if (mayReadWrite(device)) {
                *why = QCoreApplication::translate("Quorvel", "%1 正被其他程序使用（%2）").arg(device, detail);
            } else {
                *why = QCoreApplication::translate("Quorvel", "没有权限打开 %1（%2）：请把用户加入拥有该设备的组（通常是 dialout）后重新登录")
                           .arg(device, detail);
            }
            break;
        case QSerialPort::DeviceNotFoundError:
            *why = QCoreApplication::translate("Quorvel", "设备 %1 不存在").arg(device);
            break;
        default:
            *why = QCoreApplication::translate("Quorvel", "不能打开 %1（%2）").arg(device, detail);
            break;
        }
        delete port;
        return nullptr;
    }
    // Refusals (a pseudo-terminal keeps 8 data bits and no parity) are not
    // reported; the port keeps its previous setting.
    port->setBaudRate(portSettings.BaudRate);
    port->setDataBits(portSettings.DataBits);
    port->setParity(portSettings.Parity);
    port->setStopBits(portSettings.StopBits);
    port->setFlowControl(portSettings.FlowControl);
    connect(port, &QSerialPort::readyRead, this, &SerialLink::poll);
    connect(port, &QSerialPort::errorOccurred, this,
            [this, port](QSerialPort::SerialPortError error) { portError(port, error); });
    return port;
}

bool SerialLink::open(const QString &portText, const PortSettings &settings, QString *why)
{
    close();
    delete comPort;
    portSettings = settings;
    comPort = createOpenedPort(deviceName(portText), why);
    if (!comPort)
        return false;
    comOpen = true;
    openPortText = portText;
    recvBuffer = LineFramer();   // half a line from before an unplug is no part of the next
    readTimer.start();
    emit opened();
    return true;
}

void SerialLink::close()
{
    if (!isOpen())
        return;
    comOpen = false;
    readTimer.stop();
    comPort->close();
    emit closed();
}

void SerialLink::setSettings(const PortSettings &settings)
{
    const PortSettings before = portSettings;
    portSettings = settings;
    if (!isOpen())
        return;
    if (settings.BaudRate != before.BaudRate)
        comPort->setBaudRate(settings.BaudRate);
    if (settings.DataBits != before.DataBits)
        comPort->setDataBits(settings.DataBits);
    if (settings.Parity != before.Parity)
        comPort->setParity(settings.Parity);
    if (settings.StopBits != before.StopBits)
        comPort->setStopBits(settings.StopBits);
}

// Text the wire encoding cannot carry would go out with '?' for it: the
// console refuses such text before it comes here, a write checks its fields.
void SerialLink::send(const QString &text)
{
    sendBytes(wiretext::encode(text, wireEncoding));
}

// Shown and counted as the bytes on the wire: the log shows what went out.
void SerialLink::sendBytes(const QByteArray &bytes)
{
    if (!comOpen)
        return;
    emit traffic(Direction::Sent, bytes, QDateTime::currentMSecsSinceEpoch());
    comPort->write(bytes);
}

void SerialLink::poll()
{
    if (!comOpen || delivering)
        return;
    const QByteArray bytes = comPort->readAll();
    if (bytes.isEmpty())
        return;
    recvBuffer.append(bytes);
    emit bytesRead(bytes.size());

    // Every line goes out, in order, its row and then the line before the
    // next is cut; a listener may send meanwhile. A piece cut off without a
    // line end is a row only: it is no answer.
    delivering = true;
    QByteArray line;
    bool cut = false;
    const qint64 cutAt = QDateTime::currentMSecsSinceEpoch();   // the time of every row cut now
    while (recvBuffer.takeLine(&line, &cut)) {
        const QString text = lineToText(line, wireEncoding, &recvLineClean);
        emit traffic(Direction::Received, line, cutAt);
        if (!cut) {
            emit lineReceived(line, text, recvLineClean);
        } else if (!unterminatedSaid) {
            unterminatedSaid = true;
            emit unterminated(
                QCoreApplication::translate("Quorvel", "收到 %1 字节仍没有行结束（回车换行），请检查波特率").arg(LineFramer::maxLineBytes));
        }
    }
    delivering = false;
}

// A device that vanishes keeps raising errors for as long as it stays open;
// the first one closes it and says so once.
void SerialLink::portError(QSerialPort *port, QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (!comOpen || port != comPort)
        return;
    close();
    emit lost(QCoreApplication::translate("Quorvel", "串口 %1 已断开").arg(openPortText));
}

// Watches for the lost port's device path to come back. A tick costs one
// look at the path until something is there to open.
void SerialLink::awaitReturn()
{
    reconnectWhy.clear();
    reconnectTimer.start();
    emit notice(QCoreApplication::translate("Quorvel", "串口 %1 已断开，等待它重新接入").arg(openPortText), 0);
}

void SerialLink::tryReconnect()
{
#ifdef Q_OS_UNIX
    if (!QFileInfo::exists(deviceName(openPortText)))
        return;
#endif
    // Back, but maybe not ours yet (still probed by another program, or
    // its permissions not yet set): keep waiting, and say why only once.
    QString why;
    if (!open(openPortText, portSettings, &why)) {
        if (why != reconnectWhy) {
            reconnectWhy = why;
            emit notice(QCoreApplication::translate("Quorvel", "串口 %1 还不能打开，继续等待：%2").arg(openPortText, why), 0);
        }
        return;
    }
    reconnectTimer.stop();
    emit notice(QCoreApplication::translate("Quorvel", "串口 %1 已重新连接").arg(openPortText), 10000);
}

void SerialLink::stopAwaiting()
{
    if (!reconnectTimer.isActive())
        return;
    reconnectTimer.stop();
    emit notice(QCoreApplication::translate("Quorvel", "不再等待串口 %1").arg(openPortText), 5000);
}

void SerialLink::hold()
{
    ++holds;
}

// A release without its hold (a session ended twice) frees nobody else's hold.
void SerialLink::release()
{
    holds = qMax(0, holds - 1);
}
