// The command line's batch runs, --read and --apply: the window's own port,
// read, write, import and export code driven step by step on a window that is
// never shown, one line per step on standard error (the status bar's text
// where it has one) and, for --verify, the differences on standard output.
// Exit status: 0 done, 1 the module failed, 2 usage or file, 3 the port.
// With --report each run that reached its module ends with one report row;
// with --wait-new it first waits for a new module on the port; with
// --progress the station gets its events on standard output.
#include "app/quorvel.h"

#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QSaveFile>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

#include "app/commandline.h"
#include "app/consoletext.h"
#include "app/pathcheck.h"
#include "protocol/atanswer.h"
#include "protocol/cfgfields.h"
#include "report/pgreport.h"
#include "report/report.h"

namespace {

enum Exit { Done = 0, ModuleFailed = 1, BadFile = 2, PortFailed = 3 };

// Why the export at the end of a read could not write `path` (its folder
// is missing or read-only, the name is a folder), or empty when it can: the
// same open, whose file aside is dropped unused.
QString writeProblem(const QString &path)
{
    QSaveFile probe(path);
    return probe.open(QIODevice::WriteOnly) ? QString() : probe.errorString();
}

} // namespace

// Checks what main() parsed and puts --port and --baud into the port boxes,
// as a user's choice would be.
QString Quorvel::takeCommandLine(const QCommandLineParser &parser)
{
    CommandLine line;
    const QString wrong = line.take(parser);
    if (!wrong.isEmpty())
        return wrong;
    batchReport = line.report;
    batchStationName = line.stationName;
    batchRunId = line.runId;
    batchExpectVersion = line.expectVersion;
    batchWaitNew = line.waitNew;
    batchProgress = line.progress;
    if (line.baudIndex >= 0)
        ui.comboBox_bps->setCurrentIndex(line.baudIndex);
    if (!line.port.isEmpty()) {
        const int index = ui.comboBox_comPort->findText(line.port, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            ui.comboBox_comPort->setCurrentIndex(index);
        else
            ui.comboBox_comPort->setEditText(line.port);
    }
    return QString();
}

void Quorvel::printStep(const QString &text)
{
    batchLastStep = text;
    printConsoleLine(stderr, text);
}

void Quorvel::printProgress(progress::Event event, const QString &text)
{
    if (!batchProgress)
        return;
    std::fputs(progress::line(event, text).constData(), stdout);
    std::fflush(stdout);
}

void Quorvel::startBatchClock()
{
    batchStart = QDateTime::currentDateTime();
    batchClock.start();
}

// Starts an action as its button does and serves events until the window
// reports how it ended.
Outcome Quorvel::outcomeOf(Outcome::Action action, const std::function<void()> &start)
{
    QEventLoop loop;
    std::optional<Outcome> ended;
    const auto connection = connect(this, &Quorvel::actionEnded, &loop, [&](const Outcome &outcome) {
        if (outcome.action != action)
            return;
        ended = outcome;
        loop.quit();
    });
    start();
    if (!ended && (readCfgRunning || writeCfgRunning))
        loop.exec();
    disconnect(connection);
    if (ended)
        return *ended;
    // Every way out of the actions reports; this is the net under a new one that forgets.
    return Outcome{action, Outcome::End::Refused, {}, {}, tr("没有结果")};
}

// Prints an action's outcome; the run's status for it: 0 done, 1 the module
// failed it, 2 the window refused it (a file, the form, a question), 3 the
// port could not be opened.
int Quorvel::printOutcome(const Outcome &outcome)
{
    printStep(outcome.text);
    if (outcome.ok())
        return Done;
    if (outcome.action == Outcome::Action::OpenPort)
        return PortFailed;
    const bool module = outcome.action == Outcome::Action::Read || outcome.action == Outcome::Action::Write;
    return module && outcome.end == Outcome::End::Failed ? ModuleFailed : BadFile;
}

// The module's answer to the profile's work mode; anything but "OK" stops the apply.
bool Quorvel::workModeAccepted(const QString &answer)
{
    if (!atanswer::matchesWhole(atanswer::plainOk(), answer)) {
        printStep(tr("模块没有接受默认工作模式：%1").arg(cfgFailureText(workModeCommand(), answer)));
        return false;
    }
    printStep(tr("模块已接受默认工作模式"));
    return true;
}

// Compares every field the file set with what the read brought back; the
// work mode is not part of the read, and the addresses of a dynamic IP
// setting are not part of the write. One line per difference on stdout.
int Quorvel::printDifferences(const QList<CfgFileField> &expected)
{
    const auto ipMode = std::find_if(expected.cbegin(), expected.cend(), [](const CfgFileField &f) {
        return f.field == QLatin1String("ip_mode");
    });
    const bool dynamicIp = ipMode != expected.cend() && ipMode->text == ui.comboBox_ip_mode->itemText(0);
    const QList<CfgFileField> actual = cfgFileFields();
    int differences = 0;
    for (qsizetype i = 0; i < expected.size() && i < actual.size(); ++i) {
        const CfgFileField &want = expected.at(i);
        if (want.leaf == QLatin1String("DFWM"))
            continue;
        if (dynamicIp && want.leaf == QLatin1String("WIFI_IP") && want.field != QLatin1String("ip_mode"))
            continue;
        if (want.text == actual.at(i).text)
            continue;
        ++differences;
        batchDifferences << tr("%1 %2：文件为“%3”，模块为“%4”").arg(want.leaf, want.field, want.text, actual.at(i).text);
        printConsoleLine(stdout, batchDifferences.last());
    }
    return differences;
}

namespace {

#ifdef Q_OS_UNIX
int signalPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

// SIGINT and SIGTERM end the wait for a module instead of the process, for
// as long as an object of this class lives.
class StopSignals
{
public:
    StopSignals()
    {
        if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        struct sigaction sa = {};
        sa.sa_handler = onStopSignal;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGINT, &sa, &oldInt);
        ::sigaction(SIGTERM, &sa, &oldTerm);
        notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] {
            char buf[16];
            while (::read(signalPipe[0], buf, sizeof buf) > 0) {
            }
            stopped = true;
            if (loop)
                loop->quit();
        });
    }
    ~StopSignals()
    {
        ::sigaction(SIGINT, &oldInt, nullptr);
        ::sigaction(SIGTERM, &oldTerm, nullptr);
        delete notifier;
    }
    bool stopped = false;
    QEventLoop *loop = nullptr;   // quit by a signal

private:
    struct sigaction oldInt = {}, oldTerm = {};
    QSocketNotifier *notifier = nullptr;
};
#else
// Elsewhere Ctrl+C ends the process as it always does.
struct StopSignals
{
    bool stopped = false;
    QEventLoop *loop = nullptr;
};
#endif

constexpr int pollPeriodMs = 500;   // --wait-new asks the port at most this often
constexpr int pollAnswerMs = 1000;

} // namespace

// --wait-new: opens the port, asks AT+MAC? and closes it again, at most
// every half second, until a module answers with a MAC other than the one
// given (any MAC when that is empty). An absent port, one that cannot be
// opened and a silent module are all waited out. The port stays open for
// the run. False when SIGINT or SIGTERM ended the wait.
bool Quorvel::waitForNewModule()
{
    const QString portText = ui.comboBox_comPort->currentText();
    const QString oldMac = *batchWaitNew;
    printStep(oldMac.isEmpty() ? tr("等待模块接入 %1").arg(portText)
                               : tr("等待 %1 以外的模块接入 %2").arg(oldMac, portText));
    printProgress(progress::Event::Waiting);
    StopSignals stop;
    QElapsedTimer sincePoll;
    while (!stop.stopped) {
        sincePoll.start();
        QString why;
        if (openComPort(portText, &why)) {
            const QString answer = awaitAnswer(QStringLiteral("AT+MAC?"), pollAnswerMs);
            QStringList f;
            // An answer that is no MAC identifies no module: waited past, as silence is.
            const QString mac = serialLink.isOpen() && atanswer::dataFields(answer, 1, &f) ? cfgfields::canonicalMac(f.first())
                                                                                : QString();
            if (!mac.isEmpty() && mac != oldMac) {
                on_comPortToggle(true);
                batchMac = mac;
                printProgress(progress::Event::Module, batchMac);
                return true;
            }
            if (serialLink.isOpen())
                serialLink.close();
            serialLink.stopAwaiting();   // the wait is the reconnect
        }
        const qint64 rest = pollPeriodMs - sincePoll.elapsed();
        if (rest > 0 && !stop.stopped) {
            QEventLoop pause;
            stop.loop = &pause;
            QTimer::singleShot(int(rest), &pause, &QEventLoop::quit);
            pause.exec();
            stop.loop = nullptr;
        }
    }
    printStep(tr("等待模块时被中断"));
    return false;
}

// The module's version and MAC, asked as the read asks them (one retry
// each), before anything is written: the report then names the module even
// when the write fails, and --expect-version can refuse it.
bool Quorvel::identifyModule()
{
    // Each answer must carry one data field; anything else is tried again.
    const auto field = [](QString *into) {
        return [into](const QString &line) {
            QStringList f;
            if (!atanswer::dataFields(line, 1, &f))
                return false;
            *into = f.first();
            return true;
        };
    };
    QString version, mac;
    const ConfigSession::Result result =
        runAwaited({{QStringLiteral("AT+VER?"), QString(), ConfigSession::Expect::Any, field(&version)},
                    {QStringLiteral("AT+MAC?"), QString(), ConfigSession::Expect::Any, field(&mac)}},
                   ConfigSession::defaultTries, cfgAnswerTimeoutMs);
    if (!version.isEmpty() || result.ok())
        batchFirmware = cfgfields::escapedText(version);
    if (!result.ok()) {
        printStep(tr("读取模块信息遇到错误：%1").arg(cfgFailureText(result.failedCommand, result.failedAnswer)));
        return false;
    }
    batchMac = cfgfields::canonicalMac(mac);
    if (batchMac.isEmpty()) {   // nothing is written to a module not identified; its row says what it answered
        batchMac = cfgfields::escapedText(mac);
        printStep(tr("模块的 MAC 地址“%1”不是 MAC 地址").arg(batchMac));
        return false;
    }
    printProgress(progress::Event::Firmware, batchFirmware);
    printProgress(progress::Event::Module, batchMac);
    return true;
}

// The batch run, then its report row: written whenever the run reached its
// module, whatever the outcome, after the module's work.
int Quorvel::runBatch(const QString &readFile, const QString &applyFile, bool verify)
{
    startBatchClock();
    int status = runBatchSteps(readFile, applyFile, verify);
    const QString detail = batchDifferences.isEmpty() ? batchLastStep : batchDifferences.join(QStringLiteral("; "));
    if (status != Done)
        printProgress(progress::Event::Detail, detail);
    if (batchReport.isEmpty())
        return status;
    if (!batchPortOpened)   // no module reached: nothing to record
        return status;

    ReportRow row;
    row.time = batchStart;
    row.port = ui.comboBox_comPort->currentText();
    row.mac = batchMac.isEmpty() ? ui.lineEdit_device_mac->text() : batchMac;
    row.firmware = batchFirmware.isEmpty() ? ui.lineEdit_deviceSoftwareVer->text() : batchFirmware;
    row.action = readFile.isEmpty() ? (verify ? QStringLiteral("apply+verify") : QStringLiteral("apply"))
                                    : QStringLiteral("read");
    const QString profile = readFile.isEmpty() ? applyFile : readFile;
    row.profile = QFileInfo(profile).fileName();
    if (!applyFile.isEmpty()) {
        QFile file(applyFile);
        if (file.open(QIODevice::ReadOnly))
            row.profileSha256 = QString::fromLatin1(QCryptographicHash::hash(file.readAll(),
                                                                              QCryptographicHash::Sha256).toHex());
    }
    row.pass = status == Done;
    row.exitCode = status;
    row.detail = status == Done ? QString() : cfgfields::escapedText(atanswer::withoutLineBreaks(detail));
    row.ms = batchClock.elapsed();
    row.station = batchStationName;
    row.runId = batchRunId;   // empty: the database sink makes one
    QString why;
    if (!report::writeReportRow(batchReport, row, &why)) {
        printStep(tr("不能写入报告，模块已处理：%1").arg(why));
        printProgress(progress::Event::Detail, batchLastStep);
        return BadFile;   // the module's work stands, its record does not
    }
    if (!why.isEmpty())   // where a database row went: inserted, or spooled and why
        printStep(why);
    printProgress(progress::Event::Reported);
    return status;
}

int Quorvel::runBatchSteps(const QString &readFile, const QString &applyFile, bool verify)
{
    batchRun = true;

    // A read whose file cannot be written would be lost: find out before
    // the module is asked anything.
    if (!readFile.isEmpty()) {
        const QString why = writeProblem(readFile);
        if (!why.isEmpty()) {
            printStep(tr("不能写入文件%1（%2）").arg(readFile, why));
            return BadFile;
        }
    }

    QList<CfgFileField> expected;
    if (!applyFile.isEmpty()) {
        // The file is read, and every check that can refuse it made, with the
        // port still closed: nothing reaches the module unless all of it can,
        // and a refusal names every problem at once.
        const QString refusal = ProfileFile::refusal(applyFile, englishOnScreen(), serialLink.encoding());
        if (!refusal.isEmpty()) {
            printStep(refusal);
            return BadFile;
        }
        const Outcome imported = outcomeOf(Outcome::Action::Import, [&] { importCfgFile(applyFile); });
        printStep(imported.text);
    }

    if (batchWaitNew) {
        if (!waitForNewModule())
            return PortFailed;
        startBatchClock();   // the module's run starts now
    } else {
        const Outcome opened = outcomeOf(Outcome::Action::OpenPort, [this] { on_pushButton_openCom_clicked(); });
        if (!opened.ok())
            return printOutcome(opened);
    }
    batchPortOpened = true;
    printStep(tr("已打开串口 %1").arg(ui.comboBox_comPort->currentText()));

    if (!applyFile.isEmpty() && !(batchReport.isEmpty() && batchExpectVersion.isEmpty())) {
        if (!identifyModule())
            return ModuleFailed;
        if (!batchExpectVersion.isEmpty() && batchFirmware != batchExpectVersion) {
            printStep(tr("固件版本为 %1，需要 %2").arg(batchFirmware, batchExpectVersion));
            return ModuleFailed;
        }
    }

    if (!applyFile.isEmpty()) {
        // A profile without a work mode leaves the module's as it is.
        if (workModeChosen && !workModeAccepted(sendWorkMode()))
            return ModuleFailed;
        expected = cfgFileFields();
        printProgress(progress::Event::Writing);
        const int written = printOutcome(outcomeOf(Outcome::Action::Write,
                                                   [this] { on_pushButton_writeConfiguartion_clicked(); }));
        if (written != Done)
            return written;
        if (!verify)
            return Done;
        printProgress(progress::Event::Verifying);
    }

    const int readBack = printOutcome(outcomeOf(Outcome::Action::Read,
                                                [this] { on_pushButton_readConfiguration_clicked(); }));
    if (readBack != Done)
        return readBack;
    // The module identified at the start is the one read back: one put in its
    // place meanwhile holds another configuration, and has not been written.
    if (!batchMac.isEmpty() && ui.lineEdit_device_mac->text() != batchMac) {
        printStep(tr("模块在运行中被更换：开始时 MAC %1，读回时 MAC %2").arg(batchMac, ui.lineEdit_device_mac->text()));
        return ModuleFailed;
    }

    if (!applyFile.isEmpty()) {
        const int differences = printDifferences(expected);
        printStep(differences == 0 ? tr("核对完成：模块的配置与文件一致")
                                   : tr("核对发现 %1 处不同").arg(differences));
        return differences == 0 ? Done : ModuleFailed;
    }
    // A profile that would not give back what the module holds is no backup
    // of it and no profile for the next one: no file, and the fields named.
    const QStringList problems = profileProblems();
    if (!problems.isEmpty()) {
        printStep(tr("读取的配置不能原样写入文件：%1；没有写入 %2").arg(problems.join(tr("；")), readFile));
        return ModuleFailed;
    }
    return printOutcome(outcomeOf(Outcome::Action::Export, [&] { exportCfgFile(readFile); }));
}
