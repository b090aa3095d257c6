// ConsoleTab: a console of its own for one more serial port, a widget that
// works without the window. It owns its port (SerialLink) and its rows and
// counters (ConsoleModel), and shows what the window's first console shows,
// for that port alone: the port box with the open button and its lamp, the
// line settings and the wire encoding, auto-reconnect, the send line (CR LF
// added, or hex bytes as they are) with its completer, Up and Down through
// the lines sent before and periodic sending, and the log with
// its times, hex view, find, copy, save and recording (LogView).
//
// Its widgets carry the object names of the first console's, each tab their
// parent, so tab->findChild<QPushButton *>("pushButton_openCom") finds that
// tab's own. Its texts are the window's (the form's and the window's code's
// source texts and catalogue entries), so both consoles say the same in
// either language.
//
// What the window would show in its status bar for this console (a port that
// cannot be opened, a lost port, a refused send) comes out as statusMessage;
// the port it is about as portChanged, for the tab's title. Its choices go
// to and come from the current group of a QSettings (saveSettings and
// loadSettings). Destroying it closes its port.
#ifndef CONSOLETAB_H
#define CONSOLETAB_H

#include <QString>
#include <QWidget>

#include "app/logview.h"
#include "console/commandhistory.h"
#include "console/consolemodel.h"
#include "serial/seriallink.h"

class PortComboBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class QTimer;

class ConsoleTab : public QWidget
{
    Q_OBJECT

public:
    explicit ConsoleTab(QWidget *parent = nullptr);
    ~ConsoleTab() override;

    SerialLink &link() { return serialLink; }
    ConsoleModel &model() { return logModel; }
    LogView &logView() { return *view; }

    // The port this console is about: the open (or awaited) one, else what the port box says.
    QString portText() const;
    // Chooses `text` in the port box: its item when listed, else as typed.
    void setPortText(const QString &text);
    // Opens the port in the box with the line settings of the boxes; false, with the reason in *why.
    bool openPort(QString *why);
    void closePort();

    // The choices, as keys of the current group of `settings` (the caller's
    // "consoles/<n>"): port, bps, dataBit, parBit, stopBit, encoding,
    // autoReconnect, timestamp, hexView, hexSend, cmd_line, regularly_send_time,
    // history.
    // A missing or damaged value reads as the window's default.
    void saveSettings(QSettings &settings) const;
    void loadSettings(const QSettings &settings);

    // Every text again, in the language now installed.
    void retranslate();

    // A console's port row as the port stands: the open button's caption,
    // the lamp and its tooltip, Send on or off (the window's first console too).
    static void showPort(QLabel *lamp, QPushButton *openButton, QPushButton *send, bool open, const QString &port);

signals:
    void statusMessage(const QString &text, int ms);
    void portChanged(const QString &portText);

private:
    void buildWidgets();
    void connectWidgets();
    void connectLink();
    void takeChoices(const QSettings *settings);
    PortSettings lineSettings() const;
    void openChosenPort();
    void portPicked();
    void portLost();
    void showPortState();
    void notePort();
    void sendLine(bool asked);
    void periodicSending(bool on);
    void say(const QString &text, int ms = 10000) { emit statusMessage(text, ms); }

    SerialLink serialLink;
    ConsoleModel logModel;
    CommandHistory history;   // the command line's Up and Down, kept with the choices

    // The widgets, named as the first console's; the log's are LogView's own.
    struct Widgets : LogView::Widgets
    {
        QLabel *label_comLed;
        PortComboBox *comboBox_comPort;
        QPushButton *pushButton_openCom;
        QLabel *label_bps, *label_stopBit, *label_dataBit, *label_parBit, *label_encoding;
        QComboBox *comboBox_bps, *comboBox_stopBit, *comboBox_dataBit, *comboBox_parBit, *comboBox_encoding;
        QCheckBox *checkBox_regulerSend;
        QLineEdit *lineEdit_regular_time;
        QCheckBox *checkBox_autoReconnect, *checkBox_hexSend;
        QPushButton *pushButton_send;
        QLineEdit *lineEdit_cmd;
        QPushButton *pushButton_clearLog;
    } ui{};

    LogView *view = nullptr;
    QTimer *regularSendTimer = nullptr;
    QString announcedPort;   // the port portChanged last named
};

#endif // CONSOLETAB_H
