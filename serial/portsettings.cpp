// Combo index to line setting. Parity is not in index order: the second item
// is "Even", the third "Odd". 76800, 128000 and 256000 baud are not among
// QSerialPort's named rates; a custom rate is handed to the driver as is.
#include "serial/portsettings.h"

bool baudRateForIndex(int index, qint32 *out)
{
    static const qint32 rates[] = {4800, 9600, 19200, 38400, 76800, 115200, 128000, 256000};
    if (index < 0 || index >= int(std::size(rates)))
        return false;
    *out = rates[index];
    return true;
}

bool dataBitsForIndex(int index, QSerialPort::DataBits *out)
{
    static const QSerialPort::DataBits bits[] = {QSerialPort::Data5, QSerialPort::Data6,
                                                 QSerialPort::Data7, QSerialPort::Data8};
    if (index < 0 || index >= int(std::size(bits)))
        return false;
    *out = bits[index];
    return true;
}

bool parityForIndex(int index, QSerialPort::Parity *out)
{
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                                   QSerialPort::OddParity};
    if (index < 0 || index >= int(std::size(parities)))
        return false;
    *out = parities[index];
    return true;
}

bool stopBitsForIndex(int index, QSerialPort::StopBits *out)
{
    static const QSerialPort::StopBits stops[] = {QSerialPort::OneStop, QSerialPort::TwoStop};
    if (index < 0 || index >= int(std::size(stops)))
        return false;
    *out = stops[index];
    return true;
}
