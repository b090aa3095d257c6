// SerialLink: one serial port to a module, usable without a window.
//
// It owns the port (comPort), cuts what arrives into CR LF lines
// (recvBuffer: readyRead and a 50 ms poll), turns text into bytes and back
// in the wire encoding, and, when asked, waits for a lost port to come back
// and reopens it. Whoever shows the traffic listens to its signals:
//   traffic        every row of the log: a send, or a received line (or a
//                  piece of maxLineBytes without a line end), with its time
//   bytesRead      every read from the port, for the receive counter
//   lineReceived   every complete line, after its traffic row
//   opened/closed  the port's state; closed also when it was lost
//   lost           the port vanished (why, in the language on screen)
//   notice         what the reconnect is doing, for the status bar
// A session that must have every answer to itself holds the link
// (hold/release); the console asks held() and sends nothing meanwhile.
#ifndef SERIALLINK_H
#define SERIALLINK_H

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include "serial/lineframer.h"
#include "serial/portsettings.h"
#include "serial/wiretext.h"

class SerialLink : public QObject
{
    Q_OBJECT

public:
    enum class Direction { Sent, Received };
    Q_ENUM(Direction)

    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    // The device a port's name stands for: "ttyUSB0" is /dev/ttyUSB0, a path
    // is itself; on Windows "COM10" is \\.\COM10.
    static QString deviceName(const QString &portText);

    // Opens `portText` with `settings`, closing the port open before (closed
    // is signalled). False, with the reason in *why, when it cannot be opened.
    bool open(const QString &portText, const PortSettings &settings, QString *why);
    void close();
    bool isOpen() const { return comOpen; }
    // The name the open (or the awaited) port was opened with.
    QString portText() const { return openPortText; }
    QSerialPort *port() const { return comPort; }
    // The line settings from now on; those that changed go to the open port.
    void setSettings(const PortSettings &settings);

    wiretext::Encoding encoding() const { return wireEncoding; }
    void setEncoding(wiretext::Encoding encoding) { wireEncoding = encoding; }

    // Nothing at all goes out while the port is closed.
    void send(const QString &text);            // in the wire encoding
    void sendBytes(const QByteArray &bytes);   // exactly these bytes
    // Reads what the port has and delivers every complete line.
    void poll();
    // Whether the line being delivered decoded without error.
    bool lineClean() const { return recvLineClean; }
    // Received bytes not yet delivered as a line.
    QByteArray pendingBytes() const { return recvBuffer.pendingBytes(); }

    // After lost: watches for the port's device to come back and reopens it
    // with the same name and settings.
    void awaitReturn();
    bool awaiting() const { return reconnectTimer.isActive(); }
    void stopAwaiting();   // says so when it was waiting

    // Exclusive use. Holds nest; released as often as held.
    void hold();
    void release();
    bool held() const { return holds > 0; }

signals:
    void traffic(SerialLink::Direction direction, const QByteArray &bytes, qint64 msecs);
    void bytesRead(qint64 count);
    void lineReceived(const QByteArray &raw, const QString &text, bool clean);
    // The first piece of maxLineBytes without a line end, with a hint at the cause.
    void unterminated(const QString &hint);
    void opened();
    void closed();
    void lost(const QString &why);
    void notice(const QString &text, int ms);

private:
    QSerialPort *createOpenedPort(const QString &device, QString *why);
    void portError(QSerialPort *port, QSerialPort::SerialPortError error);
    void tryReconnect();

    QSerialPort *comPort = nullptr;   // kept closed after a close, replaced by the next open
    bool comOpen = false;
    QString openPortText;
    PortSettings portSettings;
    wiretext::Encoding wireEncoding = wiretext::Encoding::Utf8;
    // Receiving.
    QTimer readTimer;
    LineFramer recvBuffer;
    bool delivering = false;              // poll is handing out lines (guards re-entry)
    bool recvLineClean = true;
    bool unterminatedSaid = false;        // the hint goes out once
    // The reconnect.
    QTimer reconnectTimer;                // active while a lost port is awaited
    QString reconnectWhy;                 // why the last reopen failed, said once
    int holds = 0;
};

#endif // SERIALLINK_H
