// Quorvel: the main window, the one class that holds the program's behaviour.
//
// Map. The class is declared here and implemented by subsystem:
//   app/       constructor, destructor, closeEvent, settings file, language;
//              the command line's --read/--apply runs (quorvel_batch.cpp)
//   serial/    port list, open/close/switch, line settings, sending, receiving
//   console/   log table, command line and completer, periodic sending
//   protocol/  AT answers and error codes, configuration read and write, controls
//   cfgfile/   XML export and import
// Pure helpers that need no widget (line framing, answer patterns, command
// building, file parsing) sit beside them in the same folders and are tested
// on their own.
//
// Data flows along two roads:
//   outgoing  sendCmd (adds CR LF) -> comSend: counted, logged, written;
//             nothing at all while the port is closed (comIsOpen false).
//   incoming  readCom (readyRead and a 50 ms timer) -> recvBuffer -> every
//             complete CR LF line is logged, then emitted as recvNewLine
//             (4096 bytes without a line end are logged, not emitted);
//             the log shows what was logged at the next repaint (33 ms);
//             commonRspProc listens for the whole run, a running read or
//             write sequence listens with its own handler. The wire
//             encoding (UTF-8 or GBK) applies where a complete line becomes
//             text and where a command becomes bytes.
#ifndef QUORVEL_H
#define QUORVEL_H

#include <QByteArray>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QHash>
#include <QMap>
#include <QPointer>
#include <QSerialPort>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

#include "serial/lineframer.h"
#include "serial/portlist.h"
#include "serial/portsettings.h"
#include "station/progress.h"
#include "ui_quorvel.h"

class QCloseEvent;
class QCommandLineParser;
class QLabel;
class QPushButton;
class QSettings;
class QTimer;
class QTranslator;
class QXmlStreamReader;
class QXmlStreamWriter;
class Quorvel;

// One entry of a configuration command list. In the read list the handler
// parses the answer to `cmd`; in the write list it builds and sends the
// command that starts with `cmd`.
struct CfgCmd
{
    QString cmd;
    bool (Quorvel::*handler)(const QString &line, bool *advance) = nullptr;
};

// Where the settings live. Started from a terminal, "./Quorvel.ini" in the
// working folder, so that each folder keeps its own. Started from a desktop
// menu (the working folder is the home folder, or "/" with some launchers),
// configDir/quorvel/Quorvel.ini ($XDG_CONFIG_HOME) instead of a stray file
// in the home folder, unless a Quorvel.ini is already there.
QString settingsFilePath(const QString &workDir, const QString &homeDir, const QString &configDir);
// One field of a configuration-file leaf: the leaf's element name, the
// field's widget name without its kind ("AP_SSID") and its text in the file.
struct CfgFileField
{
    QString leaf;
    QString field;
    QString text;
};

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

    // command line — app/quorvel_batch.cpp
    QString takeCommandLine(const QCommandLineParser &parser);   // the usage error, or empty
    int runBatch(const QString &readFile, const QString &applyFile, bool verify);
    // Why --apply would refuse the profile before opening any port, or empty.
    static QString profileRefusal(const QString &path);

signals:
    void recvNewLine(QString recvStr);
    // The end of a configuration read or write, after its status message.
    void readCfgFinished(bool ok);
    void writeCfgFinished(bool ok);

private slots:
    // serial — serial/quorvel_serial.cpp
    void getComSetting(PortSettings &comSetting);
    // console — console/quorvel_console.cpp
    void addStrToLog(QString str, Quorvel::logType type);
    // serial — serial/quorvel_serial.cpp
    void on_comPortToggle(bool open);
    // protocol — protocol/quorvel_readcfg.cpp
    void readCfgRecvNewLine(QString recvStr);
    void readCfgTimeout();
    // protocol — protocol/quorvel_writecfg.cpp
    void writeCfgRecvNewLine(QString recvStr);
    void writeCfgTimeout();
    // app — app/quorvel.cpp
    void langSwitch();

public slots:
    // serial — serial/quorvel_serial.cpp
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
    // console — console/quorvel_console.cpp
    void on_pushButton_send_clicked();
    void on_pushButton_clearLog_clicked();
    void on_checkBox_regulerSend_toggled(bool checked);
    // protocol — protocol/quorvel_protocol.cpp
    QString getErrStrFromCode(int code);
    void commonRspProc(QString line);
    // protocol — protocol/quorvel_readcfg.cpp
    void on_pushButton_readConfiguration_clicked();
    // protocol — protocol/quorvel_writecfg.cpp
    void on_pushButton_writeConfiguartion_clicked();
    // cfgfile — cfgfile/quorvel_cfgfile.cpp
    void on_pushButton_Export_clicked();
    void on_pushButton_Import_clicked();
    // protocol — protocol/quorvel_control.cpp
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
    void loadCatalogue(bool english);
    void warnUser(const QString &text);
    void fitValueWidgets();

    // serial — serial/quorvel_serial.cpp
    void fillComPortCombo();
    void refreshComPortList();
    QString comPortToolTip(const PortEntry &port) const;
    static QString comDeviceName(const QString &portText);
    QSerialPort *createOpenedPort(const QString &deviceName, QString *why);
    bool openComPort(const QString &portText, QString *why);
    void openChosenPort();
    void closeComPort();
    QString comPortToRemember() const;
    void awaitLostPort();
    void tryReconnect();
    void stopAwaitingPort();
    void comPortFailed(const QString &portText, const QString &why);
    void comPortError(QSerialPort::SerialPortError error);
    void comPortActivated();
    void switchComPort();
    void addToCounter(QLabel *label, qint64 n);

    // console — console/quorvel_console.cpp
    void initLogTable();
    void initCmdCompleter();
    void flushLog();
    void dropOldLogRows();

    // protocol — protocol/quorvel_protocol.cpp
    void initErrStrMap();
    QString errAnswerText(const QString &line);
    QString awaitAnswer(int msec);
    // protocol — protocol/quorvel_readcfg.cpp
    void initReadCfgCmds();
    void startReadCfg();
    void sendReadCfgCmd();
    void nextReadCfgCmd();
    void finishReadCfg(bool ok);
    void failCfgSequence(const QString &cmd, const QString &answer);
    QString cfgFailureText(const QString &cmd, const QString &answer);
    bool readVerRsp(const QString &line, bool *advance);
    bool readMacRsp(const QString &line, bool *advance);
    bool readApStaRsp(const QString &line, bool *advance);
    bool readNetsRsp(const QString &line, bool *advance);
    bool readCurIpRsp(const QString &line, bool *advance);
    bool readUartRsp(const QString &line, bool *advance);
    bool readApModRsp(const QString &line, bool *advance);
    bool readApKeyRsp(const QString &line, bool *advance);
    bool readStaModRsp(const QString &line, bool *advance);
    bool readIpCfgRsp(const QString &line, bool *advance);
    bool readDhcpRsp(const QString &line, bool *advance);
    bool readTpSockRsp(const QString &line, bool *advance);
    bool readFFrameRsp(const QString &line, bool *advance);
    bool readAFrameRsp(const QString &line, bool *advance);
    // protocol — protocol/quorvel_writecfg.cpp
    void initWriteCfgCmds();
    void startWriteCfg();
    void sendWriteCfgCmd();
    void finishWriteCfg(bool ok);
    void finishVerify(bool ok);
    void sendWriteCfgLine(const QString &prefix, const QStringList &values);
    bool writeApStaCmd(const QString &line, bool *advance);
    bool writeApModCmd(const QString &line, bool *advance);
    bool writeApKeyCmd(const QString &line, bool *advance);
    bool writeStaModCmd(const QString &line, bool *advance);
    bool writeIpCfgCmd(const QString &line, bool *advance);
    bool writeDhcpCmd(const QString &line, bool *advance);
    bool writeTpSockCmd(const QString &line, bool *advance);
    bool writeFFrameCmd(const QString &line, bool *advance);
    bool writeAFrameCmd(const QString &line, bool *advance);
    bool writeUartCmd(const QString &line, bool *advance);
    void enableCfgButtonsAfterSequence();
    // protocol — protocol/quorvel_cfgcheck.cpp
    QString cfgFieldName(const QWidget *field) const;
    QWidget *cfgFieldLabel(const QWidget *field) const;
    QString joinCfgFieldNames(const QStringList &names) const;
    QList<QComboBox *> writtenSelectors() const;
    QList<QLineEdit *> writtenTexts() const;
    QList<QWidget *> writtenFields() const;
    void initCfgFieldChecks();
    void setReadText(QLineEdit *edit, const QString &text);
    void setReadCode(QComboBox *box, const QString &field, int offset);
    void setReadFlag(QCheckBox *box, const QString &field);
    QStringList blankSelectorNames() const;
    QStringList readCfgProblems() const;
    QStringList writeCfgProblems() const;
    QHash<QString, QString> cfgFieldValues() const;
    QString cfgFieldShown(const QWidget *field, const QString &value) const;
    QStringList cfgFieldDifferences(const QHash<QString, QString> &from, const QHash<QString, QString> &to,
                                    const QString &line) const;
    void setModuleValues(const QHash<QString, QString> &values);
    void markChangedFields();
    bool confirmWrite();
    bool askUser(const QString &text, const QString &info, const QString &details, bool yesByDefault);
    void showFinalStatus(std::function<QString()> text, int ms);
    void showPortStatus(const QString &text, int ms = 0);
    void showPendingPortStatus();
    void retranslateStatus();

    // cfgfile — cfgfile/quorvel_cfgfile.cpp
    void exportBaseGroup(QXmlStreamWriter &writer);
    void exportWifiGroup(QXmlStreamWriter &writer);
    void exportTpGroup(QXmlStreamWriter &writer);
    void importBaseGroup(QXmlStreamReader &reader);
    void importWifiGroup(QXmlStreamReader &reader);
    void importTpGroup(QXmlStreamReader &reader);
    void delayMsec(int msec);
    bool exportCfgFile(const QString &path);   // the export after its dialog
    bool importCfgFile(const QString &path);   // the import after its dialog; false: unread or not ours
    QList<CfgFileField> cfgFileFields();       // every field of every leaf, as the export writes it
    QString workModeCommand() const;
    QString sendWorkMode();
    QStringList missingProfileLeaves();  // the leaves of a complete profile the last import lacked
    QStringList profileProblems();             // fields a profile written now would not hold as the form shows
    void showImportGroupTab(int index);
    void setCfgFileBusy(bool busy);
    int cfgGroupWaitMs = 200;           // the pause that lets the user see a group's tab
    unsigned importTabsShown = 0;       // one bit per tab the running import has shown
    bool importWorkModeSet = false;     // a DFWM leaf of the running import named a work mode
    bool workModeChosen = false;        // the work mode box shows a choice (the user's or a profile's)
    bool cfgFileBusy = false;           // an import or export runs (its pauses serve events)
    QStringList importedLeaves;         // the leaves the running import applied whole

    // command line — app/quorvel_batch.cpp
    int waitForSequence(void (Quorvel::*finished)(bool), void (Quorvel::*start)());
    bool workModeAccepted(const QString &answer);
    int printDifferences(const QList<CfgFileField> &expected);
    void printStep(const QString &text);
    void printProgress(progress::Event event, const QString &text = QString());
    int runBatchSteps(const QString &readFile, const QString &applyFile, bool verify);
    bool waitForNewModule();
    bool identifyModule();
    void startBatchClock();
    bool batchRun = false;   // no window, no boxes, no pauses: set for --read and --apply
    QString batchReport;            // --report: where the run's row goes
    QString batchExpectVersion;     // --expect-version
    std::optional<QString> batchWaitNew;   // --wait-new: the MAC of the module to wait past
    bool batchProgress = false;     // --progress
    QString batchLastStep;          // the last line printed on standard error
    QStringList batchDifferences;   // the differences --verify printed
    QString batchMac, batchFirmware;   // the module's answers to AT+MAC? and AT+VER?
    bool batchPortOpened = false;   // the run reached its module: it has a report row
    QDateTime batchStart;           // when the run started (or its module was found)
    QElapsedTimer batchClock;

    // app — app/quorvel.cpp
    QTranslator *translator = nullptr;
    QPushButton *langButton = nullptr;
    QPushButton *stationButton = nullptr;    // pushButton_station, beside langButton
    QPointer<QWidget> stationWindow;         // the production station, once opened
    QSettings *settings = nullptr;
    bool confirmWriteSetting = true;   // "confirmWrite": the list of changes before a Write
    // serial — serial/quorvel_serial.cpp
    bool comIsOpen = false;
    QSerialPort *serialPort = nullptr;
    PortEnumerator comPortEnumerator = systemPortEntries;   // one read of the port list
    QTimer *reconnectTimer = nullptr;   // active while a lost port is awaited
    QString reconnectWhy;               // why the last reopen failed, said once
    // console — console/quorvel_console.cpp
    QTimer *regularSendTimer = nullptr;
    // serial — serial/quorvel_serial.cpp
    QTimer *readComTimer = nullptr;
    // protocol — protocol/quorvel_protocol.cpp
    QMap<int, QString> errStrMap;
    // protocol — protocol/quorvel_readcfg.cpp
    QVector<CfgCmd> readCfgCmds;
    int readCfgIndex = 0;
    bool readCfgRunning = false;
    QTimer *readCfgTimer = nullptr;
    int savedTabIndex = 0;
    int readCfgRetry = 0;
    QString cfgSequenceFailure;   // the command and answer that ended the running read or write
    // protocol — protocol/quorvel_writecfg.cpp
    QVector<CfgCmd> writeCfgCmds;
    int writeCfgIndex = 0;
    bool writeCfgRunning = false;
    QTimer *writeCfgTimer = nullptr;
    int writeCfgRetry = 0;
    bool verifyingWrite = false;               // the read after a write, checking what the module took
    QHash<QString, QString> verifyExpected;    // the values that write sent
    // protocol — protocol/quorvel_cfgcheck.cpp
    // Where the form's values came from: what Write asks before it sends them.
    enum class FormSource { Defaults, Read, ReadFailed, Import, ImportIncomplete };
    QSet<QLineEdit *> uncleanCfgFields;   // filled by a read from a line not valid in the wire encoding
    QSet<QCheckBox *> unreadFlags;        // a read's flag that was neither "0" nor "1"
    FormSource formSource = FormSource::Defaults;
    QStringList formMissingLeaves;        // the leaves an incomplete import lacked
    // The module's values (field object name -> value, as cfgFieldValues gives them) as of the
    // last successful read or write on the open port; empty while they are unknown.
    QHash<QString, QString> moduleValues;
    QDeadlineTimer finalStatusDeadline;   // the final message of a read, write, import or export shows
    std::function<QString()> finalStatusText;   // that message, in the language on screen
    QString pendingPortStatus;            // a port message held back while a final message shows
    QTimer *portStatusTimer = nullptr;

    Ui::QuorvelClass ui;

    // serial — serial/quorvel_serial.cpp
    LineFramer recvBuffer;
    QString openPortText;       // the port box text the open port was opened with
    bool readingCom = false;    // readCom is delivering lines (guards re-entry)
    wiretext::Encoding wireEncoding = wiretext::Encoding::Utf8;
    bool recvLineClean = true;  // the line being delivered decoded without error
    bool unterminatedAnnounced = false;   // the status bar said that a line had no end
    // console — console/quorvel_console.cpp
    QStringList comWordList;
    // Entries reach the table at most at screen rate: they wait here, in
    // order, with the received bytes not yet counted, until logFlushTimer.
    struct LogEntry
    {
        QString text;
        logType type;
    };
    QList<LogEntry> logPending;
    qint64 recvCountPending = 0;
    QTimer *logFlushTimer = nullptr;
    int logMaxRows = 100000;         // "logMaxRows" in the settings file's comSettings
    bool logDropAnnounced = false;   // the status bar said that old rows go

    friend class QuorvelTestAccess;
};

#endif // QUORVEL_H
