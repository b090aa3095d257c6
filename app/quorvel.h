// Quorvel: the main window. It shows and asks; the work is done by the
// engines it owns, each of which lives without a window:
//   serialLink   (serial/seriallink.h)       the port, line framing, wire
//                encoding, reconnect; held by a running sequence
//   cfgSession   (protocol/configsession.h)  the read, the write, the verify
//                and every awaited command: steps, one retry rule, a result
//   logModel     (console/consolemodel.h)    the log's rows and counters
//   catalogues   (settings/catalogues.h)     the interface language's texts
// and the pure tables beside them: the configuration fields
// (protocol/cfgfields.h), the answer grammar (protocol/atanswer.h), the
// settings keys (settings/appsettings.h). docs/architecture.md draws it.
//
// The class is declared here and implemented in app/, one file a subject:
// quorvel.cpp (construction, settings, language), quorvel_serial.cpp (port
// box, open button, lamp, line settings), quorvel_console.cpp and
// quorvel_logtools.cpp (log view, command line, periodic sending, find, copy,
// save, record), quorvel_protocol.cpp, quorvel_readcfg.cpp,
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
//   outgoing  sendCmd (adds CR LF) -> comSend -> the link: counted, logged,
//             written; nothing at all while the port is closed.
//   incoming  the link (readyRead and a 50 ms poll) cuts CR LF lines; each
//             is logged, then emitted as recvNewLine (4096 bytes without a
//             line end are logged, not emitted); the log shows what was
//             logged at the next repaint (33 ms); commonRspProc listens for
//             the whole run, a running sequence's session takes its answers
//             (cfgSessionLine). The wire encoding (UTF-8 or GBK) applies
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

#include "app/outcome.h"
#include "cfgfile/profilefile.h"
#include "console/consolemodel.h"
#include "console/logrecorder.h"
#include "console/logtext.h"
#include "protocol/configsession.h"
#include "serial/portlist.h"
#include "serial/portsettings.h"
#include "serial/seriallink.h"
#include "settings/appsettings.h"
#include "settings/catalogues.h"
#include "ui_quorvel.h"

class LogDelegate;
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
    void refreshComPortList();
    QString comPortToolTip(const PortEntry &port) const;
    void connectSerialLink();
    bool openComPort(const QString &portText, QString *why);
    void openChosenPort();
    QString comPortToRemember() const;
    void comPortFailed(const QString &portText, const QString &why);
    void comPortLost();
    void comPortActivated();
    void applyComSetting();
    SerialLink serialLink;      // the port, the framing, the wire encoding, the reconnect
    PortEnumerator comPortEnumerator = systemPortEntries;   // one read of the port list

    // console — app/quorvel_console.cpp
    void initLogTable();
    void initCmdCompleter();
    void countReceived(qint64 n);
    void countSent(qint64 n);
    void showNewRows(int firstRow);
    void logBytes(const QByteArray &raw, Quorvel::logType type, qint64 msecs);
    void refuseSend(const QString &why);
    void rememberCmd(const QString &cmd);
    void walkHistory(int step);
    QTimer *regularSendTimer = nullptr;
    QStringList comWordList;
    QStringList cmdHistory;          // sent from the command line, oldest first, at most 100
    int historyPos = 0;              // cmdHistory.size(): the line being typed
    QString historyDraft;            // the line being typed, while walking the history
    // The log's rows and counters; its bound is "logMaxRows" in the settings file's comSettings.
    ConsoleModel logModel;
    // console: times, hex view, copy, find, save and record — app/quorvel_logtools.cpp
    void initLogTools();
    void showTimes(bool on);
    void showHex(bool on);
    void fitLogWidth(int firstRow);
    void copyLogRows();
    void showLogMenu(const QPoint &pos);
    void openFind();
    void closeFind();
    void findRow(int step);
    void countFound();
    void saveLog();
    bool saveLogTo(const QString &path);
    void toggleRecording(bool on);
    bool startRecording(const QString &path);
    void stopRecording();
    void endRecording();
    void writeRecording();
    void showRecording();
    LogDelegate *logDelegate = nullptr;
    std::unique_ptr<LogRecorder> recorder;   // set while recording
    logtext::FileLine recordFormat;
    QTimer *recordTimer = nullptr;
    QLabel *recordLabel = nullptr;   // in the status bar's permanent area

    // protocol — app/quorvel_control.cpp
    bool sendControl(const QString &command, bool lineEnd = true);
    // protocol — app/quorvel_protocol.cpp
    void initAnswerTimeout();
    QString errAnswerText(const QString &line);
    ConfigSession::Result runAwaited(const QVector<ConfigSession::Step> &steps, int tries, int msec);
    QString awaitAnswer(const QString &cmd, int msec);
    bool linkHeld() const;
    void expectConsoleAnswer();
    bool consoleAnswer(const QString &line);
    int consoleAnswersDue = 0;           // console and control commands not answered yet
    QDeadlineTimer consoleAnswerDeadline;   // after which their answers are no longer awaited
    // protocol — app/quorvel_readcfg.cpp
    void startReadCfg();
    void finishReadCfg(bool ok);
    void endCfgSequence(bool *running);
    void failCfgSequence(const QString &cmd, const QString &answer);
    void failCfgSequence(const QString &cmd, const QString &answer, std::function<QString()> text);
    QString cfgFailureText(const QString &cmd, const QString &answer);
    ConfigSession *cfgSession = nullptr;   // the read, the write and every awaited command
    int cfgAnswerTimeoutMs = 3000;   // how long the read, the write and an import wait for each answer
    int savedTabIndex = 0;           // the tab shown before a read, a write, an import or an export
    std::function<QString()> cfgSequenceFailure;   // what ended the running read or write, in the language on screen
    QString cfgFailedCommand, cfgFailedAnswer;   // the command that ended it and its answer (none: silence)
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
    QWidget *cfgWidget(const char *objectName) const;
    bool englishOnScreen() const;
    QString cfgFieldName(const QWidget *field) const;
    QWidget *cfgFieldLabel(const QWidget *field) const;
    QList<QWidget *> writtenFields() const;
    void initCfgFieldChecks();
    void setReadText(QLineEdit *edit, const QString &text);
    void setReadValue(QWidget *field, const QString &value);
    QStringList readCfgProblems() const;
    void forgetReadProblems();
    ModuleConfig formConfig() const;   // the form's values, and what a read could not show
    QHash<QString, QString> cfgFieldValues() const;
    QString cfgFieldShown(const QWidget *field, const QString &value) const;
    QList<QWidget *> changedCfgFields(const QHash<QString, QString> &from, const QHash<QString, QString> &to) const;
    QStringList cfgFieldDifferences(const QHash<QString, QString> &from, const QHash<QString, QString> &to,
                                    const QString &line) const;
    void setModuleValues(const QHash<QString, QString> &values);
    void markChangedFields();
    bool confirmWrite(const ModuleConfig &snapshot);
    // Where the form's values came from: what Write asks before it sends them.
    enum class FormSource { Defaults, Read, ReadFailed, Import, ImportIncomplete };
    QHash<QString, QWidget *> cfgWidgets;   // the field table's widgets by object name
    QSet<QLineEdit *> uncleanCfgFields;   // filled by a read from a line not valid in the wire encoding
    QSet<QCheckBox *> unreadFlags;        // a read's flag that was neither "0" nor "1"
    bool readMacBad = false;              // the last read's MAC answer was no MAC address
    FormSource formSource = FormSource::Defaults;
    // The module's values (field object name -> value, as cfgFieldValues gives them) as of the
    // last successful read or write on the open port; empty while they are unknown.
    QHash<QString, QString> moduleValues;

    // outcomes — app/quorvel_outcome.cpp: everything that reaches the user goes through here
    void reportOutcome(Outcome outcome, std::function<QString()> text, int ms);
    void reportFailure(Outcome outcome, const QString &text, const QString &info = QString());
    void reportDeclined(Outcome::Action action);
    void warnUser(const QString &text, const QString &info = QString());
    bool askUser(const QString &text, const QString &info, const QString &details, bool yesByDefault);
    void showFinalStatus(std::function<QString()> text, int ms);
    void showFinalStatus(const QString &text, int ms) { showFinalStatus([text] { return text; }, ms); }
    void showPortStatus(const QString &text, int ms = 0);
    void showPendingPortStatus();
    void retranslateStatus();
    QDeadlineTimer finalStatusDeadline;   // the final message of a read, write, import or export shows
    std::function<QString()> finalStatusText;   // that message, in the language on screen
    QString pendingPortStatus;            // a port message held back while a final message shows
    QTimer *portStatusTimer = nullptr;

    // cfgfile — app/quorvel_cfgfile.cpp
    void delayMsec(int msec);
    int groupPauseMs() const;
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
