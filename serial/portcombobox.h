// The port box: a combo box of the system's serial ports that reads the
// list again whenever it is about to drop down, each port with a tooltip
// saying which adapter it is. What the box says (a typed device path
// included) stays as it is when the list changes.
#ifndef PORTCOMBOBOX_H
#define PORTCOMBOBOX_H

#include <QComboBox>

#include "serial/portlist.h"

class PortComboBox : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    // Where the list comes from: the system's ports, or whatever a test gives.
    void setEnumerator(PortEnumerator ports) { enumerator = std::move(ports); }
    // Reads the port list once and puts it in the box without touching what
    // the box says or signalling a change. Typed paths the system does not
    // list leave the list here.
    void refresh();
    // The first reading of the list, if no refresh came before it; with no
    // port remembered or typed, the first port listed is chosen.
    void listOnce();
    // Which adapter a port is: what the system says of it, and the by-id
    // link that names it the same whichever USB socket it is in.
    static QString toolTip(const PortEntry &port);

    void showPopup() override
    {
        refresh();
        QComboBox::showPopup();
    }

private:
    PortEnumerator enumerator = systemPortEntries;
    bool listed = false;
};

#endif // PORTCOMBOBOX_H
