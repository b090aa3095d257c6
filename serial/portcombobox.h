// The port box: a combo box that says when its list is about to drop down,
// so that the window can read the ports again first.
#ifndef PORTCOMBOBOX_H
#define PORTCOMBOBOX_H

#include <QComboBox>

class PortComboBox : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        emit aboutToShowPopup();
        QComboBox::showPopup();
    }

signals:
    void aboutToShowPopup();
};

#endif // PORTCOMBOBOX_H
