// The line settings of one serial port, as the four combo boxes of the
// console choose them, and the tables that turn combo indices into
// QtSerialPort's values.
#ifndef PORTSETTINGS_H
#define PORTSETTINGS_H

#include <QSerialPort>

struct PortSettings
{
    qint32 BaudRate = 115200;   // a plain rate: 76800, 128000 and 256000 have no enumerator
    QSerialPort::DataBits DataBits = QSerialPort::Data8;
    QSerialPort::Parity Parity = QSerialPort::NoParity;
    QSerialPort::StopBits StopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl FlowControl = QSerialPort::NoFlowControl;
    long Timeout_Millisec = 500;
};

// Index of each console combo box to its setting. Every function returns
// false and leaves `out` alone for an index outside its list.
bool baudRateForIndex(int index, qint32 *out);
bool dataBitsForIndex(int index, QSerialPort::DataBits *out);
bool parityForIndex(int index, QSerialPort::Parity *out);
bool stopBitsForIndex(int index, QSerialPort::StopBits *out);

#endif // PORTSETTINGS_H
