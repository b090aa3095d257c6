// Quorvel: the main window. It shows and asks; the work is done by the
// engines it owns, each of which lives without a window:
//   serialLink   (serial/seriallink.h)       the port, line framing, wire
//                encoding, reconnect; held by a running sequence
//   cfgLink      the port the configuration side works on: serialLink, or
//                another console's, bound by the selector of ConsoleTabs
//                (app/consoletabs.h, the consoles as tabs)
//   cfgSession   (protocol/configsession.h)  the read, the write, the verify
//                and every awaited command: steps, one retry rule, a result
//   logModel     (console/consolemodel.h)    the log's rows and counters
//   catalogues   (settings/catalogues.h)     the interface language's texts
// and the window's own parts, each over widgets of the form:
//   cfgForm      (app/configform.h)  the configuration fields <-> ModuleConfig
//   logView      (app/logview.h)     the log view's times, hex, find, save, record
//   statusLine   (app/statusline.h)  the status bar's final messages, port news
//   commandPanel (app/commandpanel.h) the command list beside the log, run on
//                CommandRun (console/commandrun.h); a run holds the link
// and the pure tables beside them: the configuration fields
// (protocol/cfgfields.h), the answer grammar (protocol/atanswer.h), the
// settings keys (settings/appsettings.h). docs/architecture.md draws it.
//
// The class is declared here and implemented in app/, one file a subject:
// quorvel.cpp (construction, settings, language), quorvel_serial.cpp (port
// box, open button, lamp, line settings), quorvel_console.cpp (the log's
// rows, the command line, periodic sending), quorvel_protocol.cpp, quorvel_readcfg.cpp,
// quorvel_writecfg.cpp, quorvel_cfgcheck.cpp, quorvel_control.cpp (answers,
// the read, the write and its checks, the control buttons),
// quorvel_cfgfile.cpp and quorvel_backup.cpp (export, import, backups),
// quorvel_outcome.cpp (every action's end as data, the status bar's final
// message, boxes and questions). The words of those ends that the command
// line prints too are in outcometext.h. The command line's --read and
// --apply do not use this class: BatchRun (app/batchrun.h) drives the same
// engines without any window.
//
// Data flows along two roads, both through serialLink:
//   outgoing  the console's lines: ConsoleSet::lineToSend (hex, line end,
//             wire encoding) -> serialLink, or comSend for a text as it is;
//             the configuration side's commands: sendCmd (adds CR LF) ->
//             cfgLink. Counted, logged, written; nothing while closed.
//   incoming  the link (readyRead and a 50 ms poll) cuts CR LF lines; each
//             is logged, then emitted as recvNewLine (4096 bytes without a
//             line end are logged, not emitted); the log shows what was
//             logged at the next repaint (33 ms); commonRspProc listens for
//             the whole run, a running sequence's session takes its answers
//             (cfgSessionLine), both from cfgLink's lines. The wire encoding (UTF-8 or GBK) applies
//             where a complete line becomes text and where a command
//             becomes bytes.
#ifndef QUORVEL_H
#define QUORVEL_H

#include <QByteArray>
#include <QDeadlineTimer>
#include <QMainWindow>
#include <QHash>
#include <QPointer>
#include <QSerialPort>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

#include "app/commandpanel.h"
#include "app/configform.h"
#include "app/logview.h"
#include "app/outcome.h"
#include "app/statusline.h"
#include "cfgfile/profilefile.h"
#include "console/commandhistory.h"
#include "console/consolemodel.h"
#include "protocol/configsession.h"
#include "protocol/consoleanswers.h"
#include "serial/portlist.h"
#include "serial/portsettings.h"
#include "serial/seriallink.h"
#include "settings/appsettings.h"
#include "settings/catalogues.h"
#include "ui_quorvel.h"

class QCloseEvent;
struct CommandLine;
class QLabel;
class QPushButton;
class QSettings;
class QTimer;
class QTranslator;
class Quorvel;

class Quorvel : public QMainWindow
{
    Q_OBJECT

public:
    enum logType { logSend = 0, logRecv = 1 };
    Q_ENUM(logType)

    explicit Quorvel(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~Quorvel() override;

    // app — app/quorvel.cpp
    void installTranslator();   // into the application; the entry calls it once
    void retranslate();
    void resetCfgWidgets();

    // command line — app/quorvel_serial.cpp: --port and --baud (main.cpp) as the user's choice in the port boxes
    void takePortChoice(const CommandLine &line);

signals:
    void recvNewLine(QString recvStr);
    // The end of a configuration read or write, after its status message.
    void readCfgFinished(bool ok);
    void writeCfgFinished(bool ok);
    // The end of every action the window reports (a port opened or refused, a
    // read, a write, an import, an export), as data; emitted after its status
    // message or box.
    void actionEnded(const Outcome &outcome);

private slots:
    // serial — app/quorvel_serial.cpp
    void getComSetting(PortSettings &comSetting);
    // console — app/quorvel_console.cpp
    void addStrToLog(QString str, Quorvel::logType type);
    // serial — app/quorvel_serial.cpp
    void on_comPortToggle(bool open);
    // protocol — app/quorvel_readcfg.cpp
    void cfgSessionLine(const QString &line);
    void cfgSessionFinished(const ConfigSession::Result &result);
    void takeReadValues(const QHash<QString, QString> &values);
    // app — app/quorvel.cpp
    void langSwitch();

public slots:
    // serial — app/quorvel_serial.cpp
    void on_pushButton_openCom_clicked();
    void readCom();
    void comSend(QString sendStr);
    void sendCmd(QString cmd);
    void on_comboBox_comPort_currentIndexChanged(int index);
    void on_comboBox_bps_currentIndexChanged(int index);
    void on_comboBox_dataBit_currentIndexChanged(int index);
    void on_comboBox_parBit_currentIndexChanged(int index);
    void on_comboBox_stopBit_currentIndexChanged(int index);
    void on_comboBox_encoding_currentIndexChanged(int index);
    // console — app/quorvel_console.cpp
    void on_pushButton_send_clicked();
    void on_pushButton_clearLog_clicked();
    void on_checkBox_regulerSend_toggled(bool checked);
    // protocol — app/quorvel_protocol.cpp
    QString getErrStrFromCode(int code);
    void commonRspProc(QString line);
    // protocol — app/quorvel_readcfg.cpp
    void on_pushButton_readConfiguration_clicked();
    // protocol — app/quorvel_writecfg.cpp
    void on_pushButton_writeConfiguartion_clicked();
    // cfgfile — app/quorvel_cfgfile.cpp
    void on_pushButton_Export_clicked();
    void on_pushButton_Import_clicked();
    // backups — app/quorvel_backup.cpp
    void on_pushButton_restoreBackup_clicked();
    // protocol — app/quorvel_control.cpp
    void on_pushButton_reset_clicked();
    void on_pushButton_restore_clicked();
    void on_comboBox_defaultWorkMode_currentIndexChanged(int index);
    void on_pushButton_startNet_clicked();
    void on_pushButton_leaveNet_clicked();
    void on_pushButton_enter_TP_clicked();
    void on_pushButton_quit_TP_clicked();

protected:
    // app — app/quorvel.cpp
    void closeEvent(QCloseEvent *event) override;

private:
    // app — app/quorvel.cpp
    void openStation();
    void loadSettings();
    void saveSettings();
    void fitValueWidgets();
    Ui::QuorvelClass ui;
    Catalogues catalogues;   // the program's and Qt's own texts in the language on screen
    QPushButton *langButton = nullptr;
    QPushButton *stationButton = nullptr;    // pushButton_station, beside langButton
    QPointer<QWidget> stationWindow;         // the production station, once opened
    QSettings *settings = nullptr;
    Language language = Language::Chinese;   // the interface language on screen
    bool confirmWriteSetting = true;   // "confirmWrite": the list of changes before a Write
    bool settingsProblemSaid = false;   // the settings could not be written, and the user was told

    // serial — app/quorvel_serial.cpp
    void fillComPortCombo();
    void connectSerialLink();
    bool openComPort(const QString &portText, QString *why);
    void openChosenPort();
    QString comPortToRemember() const;
    void comPortFailed(const QString &portText, const QString &why);
    void comPortLost(SerialLink *link);
    void bindConfiguration(SerialLink *link);
    void comPortActivated();
    void applyComSetting();
    SerialLink serialLink;      // the port, the framing, the wire encoding, the reconnect
    // The port the configuration side works on (Read, Write, an import's work
    // mode, the controls): the first console's, or the one comboBox_cfgConsole names.
    SerialLink *cfgLink = &serialLink;

    // console — app/quorvel_console.cpp
    void initCmdCompleter();
    void logBytes(const QByteArray &raw, Quorvel::logType type, qint64 msecs);
    void refuseSend(const QString &why);
    QTimer *regularSendTimer = nullptr;
    CommandHistory cmdHistory;       // sent from the command line, walked with Up and Down
    // The log's rows and counters; its bound is "logMaxRows" in the settings file's comSettings.
    ConsoleModel logModel;
    // The log view's times, hex view, copy, find, save and record.
    LogView *logView = nullptr;
    void initCommandPanel();
    CommandPanel *commandPanel = nullptr;   // the command list beside the log

    // protocol — app/quorvel_control.cpp
    bool sendControl(const QString &command, bool lineEnd = true);
    // protocol — app/quorvel_protocol.cpp
    QString errAnswerText(const QString &line);
    ConfigSession::Result runAwaited(const QVector<ConfigSession::Step> &steps, int tries, int msec);
    ConsoleAnswers consoleAnswers;   // owed to console and control commands, not to a sequence
    // protocol — app/quorvel_readcfg.cpp
    void startReadCfg();
    void finishReadCfg(bool ok);
    void endCfgSequence(bool *running);
    void failCfgSequence(const QString &cmd, const QString &answer);
    void failCfgSequence(const QString &cmd, const QString &answer, std::function<QString()> text);
    ConfigSession *cfgSession = nullptr;   // the read, the write and every awaited command
    // How long the read, the write and an import wait for each answer (QUORVEL_ANSWER_TIMEOUT_MS for slow modules).
    int cfgAnswerTimeoutMs = appsettings::answerTimeoutMs();
    int savedTabIndex = 0;           // the tab shown before a read, a write, an import or an export
    // What ended the running read or write: the command and its answer (none:
    // silence), and the message in the language on screen.
    struct CfgFailure { QString command, answer; std::function<QString()> text; } cfgFailure;
    bool readCfgRunning = false;
    // protocol — app/quorvel_writecfg.cpp
    void startWriteCfg();
    void finishWriteCfg(bool ok);
    void finishVerify(bool ok);
    bool writeCfgRunning = false;
    bool verifyingWrite = false;               // the read after a write, checking what the module took
    QHash<QString, QString> writeValues;       // the values the running (or last) write sends, fixed at its start
    QHash<QString, QString> verifyActual;      // what the verifying read found, by field object name
    // protocol — app/quorvel_cfgcheck.cpp
    bool cfgBusy() const;
    void updateCfgButtons();
    bool englishOnScreen() const;
    bool confirmWrite(const ModuleConfig &snapshot);
    // Where the form's values came from: what Write asks before it sends them.
    enum class FormSource { Defaults, Read, ReadFailed, Import, ImportIncomplete };
    // The form's fields, their values as a ModuleConfig, what a read could not
    // show, and the module's values as of the last read or write.
    ConfigForm *cfgForm = nullptr;
    FormSource formSource = FormSource::Defaults;

    // outcomes — app/quorvel_outcome.cpp: everything that reaches the user goes through here
    void reportOutcome(Outcome outcome, std::function<QString()> text, int ms);
    void reportFailure(Outcome outcome, const QString &text, const QString &info = QString());
    void reportDeclined(Outcome::Action action);
    void warnUser(const QString &text, const QString &info = QString());
    bool askUser(const QString &text, const QString &info, const QString &details, bool yesByDefault);
    StatusLine *statusLine = nullptr;     // the final messages and the port's state

    // cfgfile — app/quorvel_cfgfile.cpp
    void delayMsec(int msec);
    bool exportCfgFile(const QString &path);   // the export after its dialog
    bool importCfgFile(const QString &path);   // the import after its dialog; false: unread or not ours
    QString workModeCommand() const;
    QString sendWorkMode();
    QStringList profileProblems() const;       // fields a profile written now would not hold as the form shows
    void setCfgFileBusy(bool busy);
    int cfgGroupWaitMs = 200;           // the pause that lets the user see a group's tab
    bool workModeChosen = false;        // the work mode box shows a choice (the user's or a profile's)
    bool cfgFileBusy = false;           // an import or export runs (its pauses serve events)
    ProfileFile importedProfile;        // what the last import read (Write names what it lacked or got wrong)

    // backups — app/quorvel_backup.cpp
    std::function<QString()> storeBackup();   // after a successful read: the form as a profile; why it failed, or none
    QString lastBackupFolder;    // the backup folder of the module last read

    friend class QuorvelTestAccess;
};

#endif // QUORVEL_H
