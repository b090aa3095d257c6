// The system's serial ports as the port box lists them: one entry per port
// with what tells the technician which adapter it is, read in one go.
#ifndef PORTLIST_H
#define PORTLIST_H

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

struct PortEntry
{
    QString portName;         // what the port box shows: ttyUSB0
    QString systemLocation;   // the device: /dev/ttyUSB0
    QString description;
    QString manufacturer;
    QString serialNumber;
    int vendorId = -1;        // -1: the system does not say
    int productId = -1;
    QString byIdLink;         // the stable /dev/serial/by-id/… name, if there is one
};

// Reads the whole port list once. The window holds one of these; tests hand
// it their own list instead of the system's.
using PortEnumerator = std::function<QList<PortEntry>()>;

// The system's ports, with their by-id links.
QList<PortEntry> systemPortEntries();

// The links in `dir` by the canonical path of the device each one names.
QHash<QString, QString> serialLinksByDevice(const QString &dir);

#endif // PORTLIST_H
