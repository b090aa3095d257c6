// BatchRun: the command line's --read, --apply (--verify) and --run, on the
// engines without any window: SerialLink for the port, ConfigSession for the
// read, the write and the module's identification, ModuleConfig for the
// values (the form of the window, as data), ProfileFile for the profile read
// and written, report:: for the run's row. One line per step on standard
// error, in the window's words (app/outcometext.h) and the interface
// language of the settings file; with --verify the differences on standard
// output; with --progress the station's events (report/progress.h) there too.
// --run runs a command list (console/commandrun.h), after the apply when both
// are given, each step and its outcome on standard output.
// Exit status: 0 done, 1 the module failed or differs, 2 usage or file,
// 3 the port.
#ifndef BATCHRUN_H
#define BATCHRUN_H

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include "app/commandline.h"
#include "console/commandlist.h"
#include "protocol/configsession.h"
#include "protocol/moduleconfig.h"
#include "report/progress.h"
#include "serial/portsettings.h"
#include "serial/seriallink.h"
#include "settings/appsettings.h"

class QSettings;

class BatchRun
{
    Q_DECLARE_TR_FUNCTIONS(Quorvel)

public:
    enum Exit { Done = 0, ModuleFailed = 1, BadFile = 2, PortFailed = 3 };

    // `line` as CommandLine::take accepted it; `settings` (the settings file)
    // gives the language, the line settings and the wire encoding.
    BatchRun(const CommandLine &line, const QSettings &settings);
    BatchRun(const BatchRun &) = delete;
    BatchRun &operator=(const BatchRun &) = delete;

    // The run, then its report row; the exit status.
    int run();

private:
    int runSteps();
    int moduleSteps(bool applying);
    int runList();
    int readBack();
    int exportProfile();
    void importProfile();
    bool waitForNewModule();
    bool identifyModule();
    bool workModeAccepted();
    int printDifferences(const QList<QStringList> &expected);
    QList<QStringList> profileTexts() const;
    bool openPort(QString *why);
    ConfigSession::Result runSession(const std::function<void()> &start, int ms);
    QString awaitAnswer(const QString &cmd, int ms);
    bool readModule(QString *failure);
    bool writeModule(QString *failure);
    void takeReadValues(const QHash<QString, QString> &values);
    void resetForm();
    void printStep(const QString &text);
    void printProgress(progress::Event event, const QString &text = QString());
    void startClock();

    CommandLine line;
    bool english = false;          // the interface language of the settings file
    PortSettings portSettings;     // the settings file's line settings, --baud over them
    // How long each answer of the read, the write and the identification is waited for.
    const int answerTimeoutMs = appsettings::answerTimeoutMs();
    SerialLink link;
    ConfigSession session;
    bool sequenceRunning = false;  // a read or a write runs: a lost port ends it
    QString lostText;              // why the port went away during it

    // The form of the window as data: what an import or a read left.
    ModuleConfig form;
    int workModeIndex = 0;         // the work mode box
    bool workModeChosen = false;   // a profile named a work mode

    QString lastStep;              // the last line printed on standard error
    QStringList differences;       // the differences --verify printed
    QString mac, firmware;         // the module's answers to AT+MAC? and AT+VER?
    CommandList commands;          // --run's list, parsed before the port opens
    bool portOpened = false;       // the run reached its module: it has a report row
    QDateTime start;               // when the run started (or its module was found)
    QElapsedTimer clock;
};

#endif // BATCHRUN_H
