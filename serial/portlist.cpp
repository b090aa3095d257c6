#include "serial/portlist.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

QHash<QString, QString> serialLinksByDevice(const QString &dir)
{
    QHash<QString, QString> links;
    const QFileInfoList entries = QDir(dir).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        const QString device = entry.canonicalFilePath();   // empty for a dangling link
        if (entry.isSymLink() && !device.isEmpty() && !links.contains(device))
            links.insert(device, entry.absoluteFilePath());
    }
    return links;
}

QList<PortEntry> systemPortEntries()
{
    const QHash<QString, QString> links = serialLinksByDevice(QStringLiteral("/dev/serial/by-id"));
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    QList<PortEntry> entries;
    entries.reserve(ports.size());
    for (const QSerialPortInfo &port : ports) {
        PortEntry e;
        e.portName = port.portName();
        e.systemLocation = port.systemLocation();
        e.description = port.description();
        e.manufacturer = port.manufacturer();
        e.serialNumber = port.serialNumber();
        if (port.hasVendorIdentifier())
            e.vendorId = port.vendorIdentifier();
        if (port.hasProductIdentifier())
            e.productId = port.productIdentifier();
        e.byIdLink = links.value(QFileInfo(e.systemLocation).canonicalFilePath());
        entries.append(e);
    }
    return entries;
}
