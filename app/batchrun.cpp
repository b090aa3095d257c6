#include "app/batchrun.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

#include "app/consoletext.h"
#include "app/outcometext.h"
#include "cfgfile/backupstore.h"
#include "cfgfile/profilefile.h"
#include "console/commandrun.h"
#include "console/logtext.h"
#include "protocol/answertext.h"
#include "protocol/atanswer.h"
#include "protocol/cfgfields.h"
#include "report/report.h"
#include "settings/appsettings.h"

namespace {

const QString macField = QStringLiteral("lineEdit_device_mac");
const QString versionField = QStringLiteral("lineEdit_deviceSoftwareVer");
const QString workModeField = QStringLiteral("comboBox_defaultWorkMode");

// Why the profile at the end of a read could not be written at `path` (its
// folder is missing or read-only, the name is a folder), or empty when it
// can: the same open, whose file aside is dropped unused.
QString writeProblem(const QString &path)
{
    QSaveFile probe(path);
    return probe.open(QIODevice::WriteOnly) ? QString() : probe.errorString();
}

// How many items a line setting's box has: the indices its function knows.
template<typename T>
int settingCount(bool (*forIndex)(int, T *))
{
    T value;
    int count = 0;
    while (forIndex(count, &value))
        ++count;
    return count;
}

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

BatchRun::BatchRun(const CommandLine &given, const QSettings &settings)
    : line(given)
{
    using appsettings::Key;
    english = appsettings::language(settings) == Language::English;
    // The line settings the window's boxes would show: the settings file's, --baud over its rate.
    const int bps = line.baudIndex >= 0 ? line.baudIndex
                                        : appsettings::index(settings, Key::Bps, settingCount(baudRateForIndex));
    baudRateForIndex(bps, &portSettings.BaudRate);
    dataBitsForIndex(appsettings::index(settings, Key::DataBit, settingCount(dataBitsForIndex)),
                     &portSettings.DataBits);
    parityForIndex(appsettings::index(settings, Key::ParBit, settingCount(parityForIndex)), &portSettings.Parity);
    stopBitsForIndex(appsettings::index(settings, Key::StopBit, settingCount(stopBitsForIndex)),
                     &portSettings.StopBits);
    link.setEncoding(wiretext::fromName(appsettings::text(settings, Key::Encoding)));

    session.setSender([this](const QString &cmd) { link.send(cmd + QStringLiteral("\r\n")); });
    QObject::connect(&link, &SerialLink::lineReceived, &session,
                     [this](const QByteArray &, const QString &text, bool) {
                         if (session.running())
                             session.takeLine(text);
                     });
    QObject::connect(&session, &ConfigSession::valuesRead, &session,
                     [this](const QHash<QString, QString> &values) { takeReadValues(values); });
    // A read or a write cannot go on without its port.
    QObject::connect(&link, &SerialLink::lost, &session, [this] {
        if (!sequenceRunning)
            return;
        lostText = OutcomeText::portLost(link.portText());
        session.cancel();
    });

    form = ModuleConfig::defaults();
    workModeIndex = form.value(workModeField).toInt();
}

void BatchRun::printStep(const QString &text)
{
    lastStep = text;
    printConsoleLine(stderr, text);
}

void BatchRun::printProgress(progress::Event event, const QString &text)
{
    if (!line.progress)
        return;
    std::fputs(progress::line(event, text).constData(), stdout);
    std::fflush(stdout);
}

void BatchRun::startClock()
{
    start = QDateTime::currentDateTime();
    clock.start();
}

bool BatchRun::openPort(QString *why)
{
    return link.open(line.port, portSettings, why);
}

// Runs a sequence that `start` begins on the session, holding the link, and
// serves events until it ends.
ConfigSession::Result BatchRun::runSession(const std::function<void()> &begin, int ms)
{
    link.hold();   // every answer until the end is the sequence's
    session.setAnswerTimeout(ms);
    const ConfigSession::Result result = session.wait(begin);
    link.release();
    session.cancel();
    return result;
}

// Sends `cmd` once and waits until the module answers ("OK…" or "ERR=…") or
// `ms` pass; the answer line, or an empty text when none came.
QString BatchRun::awaitAnswer(const QString &cmd, int ms)
{
    QString answer;
    runSession([&] { session.run({ConfigSession::anyAnswer(cmd, &answer)}, 1); }, ms);
    return answer;
}

// The form's reset: every field at its default, the Wi-Fi role kept, no
// work mode chosen, nothing marked as read wrong.
void BatchRun::resetForm()
{
    ModuleConfig reset = ModuleConfig::defaults();
    for (const cfgfields::Field &f : cfgfields::all()) {
        if (f.kind == cfgfields::Kind::Selector && f.reset < 0)
            reset.set(QLatin1String(f.widget), form.value(QLatin1String(f.widget)));
    }
    form = reset;
    workModeIndex = form.value(workModeField).toInt();
    workModeChosen = false;
}

// What a read's answer gave (cfgfields::parseAnswer), as the form takes it:
// a flag that was neither "1" nor "0" is cleared and marked unreadable, a
// text from a line not valid in the wire encoding that shows a replacement
// character is marked unclean.
void BatchRun::takeReadValues(const QHash<QString, QString> &values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const cfgfields::Field *f = cfgfields::find(it.key());
        if (!f)
            continue;
        const QString &value = it.value();
        switch (f->kind) {
        case cfgfields::Kind::Text:
            form.set(it.key(), value);
            if (!link.lineClean() && value.contains(QChar::ReplacementCharacter))
                form.setUnclean(it.key());
            break;
        case cfgfields::Kind::Selector:   // the item's index, "-1" for a code outside the list
            form.set(it.key(), value);
            break;
        case cfgfields::Kind::Check:
            form.set(it.key(), value == QLatin1String("1") ? QStringLiteral("1") : QStringLiteral("0"));
            if (value == QLatin1String("?"))
                form.setUnreadable(it.key());
            break;
        }
    }
}

// The configuration read into the form; false, with why in *failure, when
// it failed or the port went away.
bool BatchRun::readModule(QString *failure)
{
    resetForm();
    lostText.clear();
    sequenceRunning = true;
    const ConfigSession::Result result = runSession([this] { session.read(); }, answerTimeoutMs);
    sequenceRunning = false;
    if (!lostText.isEmpty()) {
        *failure = lostText;
        return false;
    }
    if (!result.ok())
        *failure = answertext::failure(result.failedCommand, result.failedAnswer);
    return result.ok();
}

// The write of the form's values; false, with why in *failure, as for the read.
bool BatchRun::writeModule(QString *failure)
{
    lostText.clear();
    sequenceRunning = true;
    const QHash<QString, QString> values = form.writtenValues();
    const ConfigSession::Result result = runSession([&] { session.write(values); }, answerTimeoutMs);
    sequenceRunning = false;
    if (!lostText.isEmpty()) {
        *failure = lostText;
        return false;
    }
    if (!result.ok())
        *failure = answertext::failure(result.failedCommand, result.failedAnswer);
    return result.ok();
}

// The profile into the form, as the window's import takes it: the reset,
// then every value the file gave, and its work mode. Nothing is sent: the
// port is not open yet.
void BatchRun::importProfile()
{
    const ProfileFile profile = ProfileFile::read(line.applyFile);
    if (!profile.openError().isEmpty()) {
        printStep(OutcomeText::cannotOpenFile(line.applyFile, profile.openError()));
        return;
    }
    resetForm();
    if (!profile.isProfile()) {
        printStep(ProfileFile::notProfileText());
        return;
    }
    form = profile.config().over(form);
    if (profile.workMode()) {
        workModeIndex = *profile.workMode();
        form.set(workModeField, QString::number(workModeIndex));
    }
    workModeChosen = profile.workMode().has_value();
    printStep(OutcomeText::importEnd(profile, QString()));
}

// The module's answer to the profile's work mode; anything but "OK" stops the apply.
bool BatchRun::workModeAccepted()
{
    const QString command = workModeIndex == 0 ? QStringLiteral("AT+ATTP=0") : QStringLiteral("AT+ATTP=1");
    const QString answer = awaitAnswer(command, answerTimeoutMs);   // as long as the read and write wait for one
    if (!atanswer::matchesWhole(atanswer::plainOk(), answer)) {
        printStep(OutcomeText::workModeRefused(answertext::failure(command, answer)));
        return false;
    }
    printStep(tr("模块已接受默认工作模式"));
    return true;
}

// Every leaf's field texts as the profile file writes them from the form,
// the work mode box's included.
QList<QStringList> BatchRun::profileTexts() const
{
    QList<QStringList> all;
    for (const QString &leaf : cfgfields::leaves())
        all << ProfileFile::leafTexts(form, workModeIndex, leaf, english);
    return all;
}

// Compares every field the file set with what the read brought back; the
// read does not ask for the work mode, and the write does not send the
// addresses of a dynamic IP setting. One line per difference on stdout.
int BatchRun::printDifferences(const QList<QStringList> &expected)
{
    const QList<QStringList> actual = profileTexts();
    const QStringList leaves = cfgfields::leaves();
    const QString ipLeaf = QStringLiteral("WIFI_IP");
    bool dynamicIp = false;
    for (qsizetype l = 0; l < leaves.size(); ++l) {
        const QList<const cfgfields::Field *> fields = cfgfields::leafFields(leaves.at(l));
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (QLatin1String(fields.at(i)->widget) == QLatin1String("comboBox_ip_mode"))
                dynamicIp = expected.at(l).at(i) == cfgfields::items(*fields.at(i), english).value(0);
        }
    }
    int count = 0;
    for (qsizetype l = 0; l < leaves.size(); ++l) {
        const QString &leaf = leaves.at(l);
        if (leaf == QLatin1String("DFWM"))
            continue;
        const QList<const cfgfields::Field *> fields = cfgfields::leafFields(leaf);
        for (qsizetype i = 0; i < fields.size(); ++i) {
            const QString name = QLatin1String(fields.at(i)->widget);
            if (dynamicIp && leaf == ipLeaf && name != QLatin1String("comboBox_ip_mode"))
                continue;
            const QString &want = expected.at(l).at(i);
            const QString &got = actual.at(l).at(i);
            if (want == got)
                continue;
            ++count;
            differences << tr("%1 %2：文件为“%3”，模块为“%4”").arg(leaf, name.mid(name.indexOf(u'_') + 1), want, got);
            printConsoleLine(stdout, differences.last());
        }
    }
    return count;
}

// --wait-new: opens the port, asks AT+MAC? and closes it again, at most
// every half second, until a module answers with a MAC other than the one
// given (any MAC when that is empty). An absent port, one that cannot be
// opened and a silent module are all waited out. The port stays open for
// the run. False when SIGINT or SIGTERM ended the wait.
bool BatchRun::waitForNewModule()
{
    const QString oldMac = *line.waitNew;
    printStep(oldMac.isEmpty() ? tr("等待模块接入 %1").arg(line.port)
                               : tr("等待 %1 以外的模块接入 %2").arg(oldMac, line.port));
    printProgress(progress::Event::Waiting);
    StopSignals stop;
    QElapsedTimer sincePoll;
    while (!stop.stopped) {
        sincePoll.start();
        QString why;
        if (openPort(&why)) {
            const QString answer = awaitAnswer(QStringLiteral("AT+MAC?"), pollAnswerMs);
            QStringList f;
            // An answer that is no MAC identifies no module: waited past, as silence is.
            const QString found = link.isOpen() && atanswer::dataFields(answer, 1, &f) ? cfgfields::canonicalMac(f.first())
                                                                                      : QString();
            if (!found.isEmpty() && found != oldMac) {
                mac = found;
                printProgress(progress::Event::Module, mac);
                return true;
            }
            if (link.isOpen())
                link.close();
            link.stopAwaiting();   // the wait is the reconnect
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
bool BatchRun::identifyModule()
{
    // Each answer must carry one data field; anything else is tried again.
    const auto field = [](QString *into) {
        return [into](const QString &answer) {
            QStringList f;
            if (!atanswer::dataFields(answer, 1, &f))
                return false;
            *into = f.first();
            return true;
        };
    };
    QString version, macAnswer;
    const ConfigSession::Result result = runSession([&] {
        session.run({{QStringLiteral("AT+VER?"), QString(), ConfigSession::Expect::Any, field(&version)},
                     {QStringLiteral("AT+MAC?"), QString(), ConfigSession::Expect::Any, field(&macAnswer)}},
                    ConfigSession::defaultTries);
    }, answerTimeoutMs);
    if (!version.isEmpty() || result.ok())
        firmware = cfgfields::escapedText(version);
    if (!result.ok()) {
        printStep(tr("读取模块信息遇到错误：%1").arg(answertext::failure(result.failedCommand, result.failedAnswer)));
        return false;
    }
    mac = cfgfields::canonicalMac(macAnswer);
    if (mac.isEmpty()) {   // nothing is written to a module not identified; its row says what it answered
        mac = cfgfields::escapedText(macAnswer);
        printStep(tr("模块的 MAC 地址“%1”不是 MAC 地址").arg(mac));
        return false;
    }
    printProgress(progress::Event::Firmware, firmware);
    printProgress(progress::Event::Module, mac);
    return true;
}

// The run, then its report row: written whenever the run reached its
// module, whatever the outcome, after the module's work.
int BatchRun::run()
{
    startClock();
    const int status = runSteps();
    const QString detail = differences.isEmpty() ? lastStep : differences.join(QStringLiteral("; "));
    if (status != Done)
        printProgress(progress::Event::Detail, detail);
    if (line.report.isEmpty())
        return status;
    if (!portOpened)   // no module reached: nothing to record
        return status;

    const bool reading = line.applyFile.isEmpty() && line.runFile.isEmpty();
    const bool listOnly = line.applyFile.isEmpty() && !line.runFile.isEmpty();
    ReportRow row;
    row.time = start;
    row.port = line.port;
    row.mac = mac.isEmpty() ? form.value(macField) : mac;
    row.firmware = firmware.isEmpty() ? form.value(versionField) : firmware;
    row.action = reading ? QStringLiteral("read")
                 : listOnly ? QStringLiteral("run")
                 : !line.runFile.isEmpty() ? QStringLiteral("apply+run")
                 : (line.verify ? QStringLiteral("apply+verify") : QStringLiteral("apply"));
    const QString profile = reading ? line.readFile : listOnly ? line.runFile : line.applyFile;
    row.profile = QFileInfo(profile).fileName();
    if (!reading) {
        QFile file(profile);
        if (file.open(QIODevice::ReadOnly))
            row.profileSha256 = QString::fromLatin1(QCryptographicHash::hash(file.readAll(),
                                                                              QCryptographicHash::Sha256).toHex());
    }
    row.pass = status == Done;
    row.exitCode = status;
    row.detail = status == Done ? QString() : cfgfields::escapedText(atanswer::withoutLineBreaks(detail));
    row.ms = clock.elapsed();
    row.station = line.stationName;
    row.label = line.label;
    row.runId = line.runId;   // empty: the database sink makes one
    QString why;
    if (!report::writeReportRow(line.report, row, &why)) {
        printStep(tr("不能写入报告，模块已处理：%1").arg(why));
        printProgress(progress::Event::Detail, lastStep);
        return BadFile;   // the module's work stands, its record does not
    }
    if (!why.isEmpty())   // where a database row went: inserted, or spooled and why
        printStep(why);
    printProgress(progress::Event::Reported);
    return status;
}

int BatchRun::runSteps()
{
    // A read whose file cannot be written would be lost: find out before
    // the module is asked anything.
    if (!line.readFile.isEmpty()) {
        const QString why = writeProblem(line.readFile);
        if (!why.isEmpty()) {
            printStep(OutcomeText::cannotWriteFile(line.readFile, why));
            return BadFile;
        }
    }

    // A list that does not parse, or sends what the wire encoding cannot
    // carry, is refused before anything reaches the module.
    if (!line.runFile.isEmpty()) {
        QString why;
        std::optional<CommandList> list = CommandList::load(line.runFile, &why);
        for (qsizetype row = 0; list && row < list->steps.size(); ++row) {
            const CommandList::Step &step = list->steps.at(row);
            const qsizetype bad = step.kind == CommandList::Kind::Send
                                      ? logtext::firstUnencodable(step.text, link.encoding()) : -1;
            if (bad >= 0) {
                why = tr("命令列表 %1 第 %2 行：%3 编码不能表示“%4”")
                          .arg(line.runFile)
                          .arg(row + 1)
                          .arg(wiretext::name(link.encoding()),
                               step.text.mid(bad, step.text.at(bad).isHighSurrogate() ? 2 : 1));
                list.reset();
            }
        }
        if (!list) {
            printStep(why);
            return BadFile;
        }
        commands = *list;
    }

    const bool applying = !line.applyFile.isEmpty();
    const bool listOnly = !applying && line.readFile.isEmpty();
    if (applying) {
        // The file is read, and every check that can refuse it made, with the
        // port still closed: nothing reaches the module unless all of it can,
        // and a refusal names every problem at once.
        const QString refusal = ProfileFile::refusal(line.applyFile, english, link.encoding());
        if (!refusal.isEmpty()) {
            printStep(refusal);
            return BadFile;
        }
        importProfile();
    }

    if (line.waitNew) {
        if (!waitForNewModule())
            return PortFailed;
        startClock();   // the module's run starts now
    } else {
        QString why;
        if (!openPort(&why)) {
            printStep(why);
            return PortFailed;
        }
    }
    portOpened = true;
    printStep(tr("已打开串口 %1").arg(line.port));

    if ((applying || listOnly) && !(line.report.isEmpty() && line.expectVersion.isEmpty() && line.expectMac.isEmpty())) {
        if (!identifyModule())
            return ModuleFailed;
        // The module in the fixture is the one whose label was scanned, or nothing is written to it.
        if (!line.expectMac.isEmpty() && mac != line.expectMac) {
            printStep(tr("模块的 MAC 为 %1，标签为 %2，不是同一个模块；没有写入").arg(mac, line.expectMac));
            return ModuleFailed;
        }
        if (!line.expectVersion.isEmpty() && firmware != line.expectVersion) {
            printStep(tr("固件版本为 %1，需要 %2").arg(firmware, line.expectVersion));
            return ModuleFailed;
        }
    }

    if (!listOnly) {
        const int status = moduleSteps(applying);
        if (status != Done || line.runFile.isEmpty())
            return status;
    }
    return runList();
}

// The read (--read), or the apply and its verify (--apply).
int BatchRun::moduleSteps(bool applying)
{
    QList<QStringList> expected;
    if (applying) {
        // A profile without a work mode leaves the module's as it is.
        if (workModeChosen && !workModeAccepted())
            return ModuleFailed;
        expected = profileTexts();
        printProgress(progress::Event::Writing);
        // Nothing is sent while a field could not go out as the form holds it.
        const QStringList problems = form.problemTexts(english, link.encoding());
        if (!problems.isEmpty()) {
            printStep(OutcomeText::writeRefused(problems));
            return BadFile;
        }
        QString failure;
        if (!writeModule(&failure)) {
            printStep(OutcomeText::writeFailed(failure));
            return ModuleFailed;
        }
        printStep(OutcomeText::writeDone());
        if (!line.verify)
            return Done;
        printProgress(progress::Event::Verifying);
    }

    const int read = readBack();
    if (read != Done)
        return read;
    // The module identified at the start is the one read back: one put in its
    // place meanwhile holds another configuration, and has not been written.
    if (!mac.isEmpty() && form.value(macField) != mac) {
        printStep(tr("模块在运行中被更换：开始时 MAC %1，读回时 MAC %2").arg(mac, form.value(macField)));
        return ModuleFailed;
    }

    if (applying) {
        const int count = printDifferences(expected);
        printStep(count == 0 ? tr("核对完成：模块的配置与文件一致") : tr("核对发现 %1 处不同").arg(count));
        return count == 0 ? Done : ModuleFailed;
    }
    // A profile that would not give back what the module holds is no backup
    // of it and no profile for the next one: no file, and the fields named.
    const QStringList problems = ProfileFile::unsavable(form, english, link.encoding());
    if (!problems.isEmpty()) {
        printStep(tr("读取的配置不能原样写入文件：%1；没有写入 %2").arg(problems.join(tr("；")), line.readFile));
        return ModuleFailed;
    }
    return exportProfile();
}

// --run: the list's steps on the open port, holding it; each step that acts
// and its outcome on standard output ("✓" with the line that passed an
// expect, "✗" with why), the end on standard error.
int BatchRun::runList()
{
    CommandRun run;
    run.setTextSender([this](const QString &text) {
        link.send(text + QStringLiteral("\r\n"));
        return QString();
    });
    run.setByteSender([this](const QByteArray &bytes) { link.sendBytes(bytes); });
    QObject::connect(&link, &SerialLink::lineReceived, &run,
                     [&run](const QByteArray &, const QString &text, bool) { run.takeLine(text); });
    QObject::connect(&link, &SerialLink::lost, &run, [this, &run] {
        lostText = OutcomeText::portLost(link.portText());
        run.stop();
    });
    QObject::connect(&run, &CommandRun::stepEnded, &run, [this](int row, bool passed, const QString &detail) {
        const QString step = commands.steps.at(row).source.trimmed();
        printConsoleLine(stdout, QStringLiteral("%1 %2 %3%4")
                                     .arg(row + 1, 3)
                                     .arg(step, passed ? QStringLiteral("✓") : QStringLiteral("✗"),
                                          detail.isEmpty() ? QString() : u' ' + detail));
    });
    printStep(tr("运行命令列表 %1").arg(QFileInfo(line.runFile).fileName()));
    lostText.clear();
    CommandRun::Outcome outcome;
    QEventLoop loop;
    QObject::connect(&run, &CommandRun::finished, &loop, [&](const CommandRun::Outcome &end) {
        outcome = end;
        loop.quit();
    });
    link.hold();   // every answer until the end is the list's
    run.start(commands);
    if (run.running())
        loop.exec();
    link.release();
    if (!lostText.isEmpty()) {
        printStep(lostText);
        return PortFailed;
    }
    if (!outcome.ok()) {
        printStep(tr("命令列表未通过：%1").arg(outcome.why));
        return ModuleFailed;
    }
    printStep(tr("命令列表全部通过"));
    return Done;
}

// The read, as the window's Read ends it: the module's configuration in the
// form and, when it ended well, in a backup; one line that says so.
int BatchRun::readBack()
{
    QString failure;
    const bool ok = readModule(&failure);
    if (ok && cfgfields::canonicalMac(form.value(macField)).isEmpty())
        form.setUnreadable(macField);
    // The module's configuration is on disk before anything is written to it.
    const std::function<QString()> backupFailure = ok ? backupstore::store(form, english) : std::function<QString()>();
    printStep(OutcomeText::readEnd(ok, form.readProblemTexts(english, link.encoding()), failure,
                                   backupFailure ? backupFailure() : QString()));
    return ok ? Done : ModuleFailed;
}

// The form as the profile --read names, as the window's Export writes it.
int BatchRun::exportProfile()
{
    // Written aside and renamed at the end: a failed export leaves an
    // existing file as it was. LF line ends on every system.
    QSaveFile file(line.readFile);
    if (!file.open(QIODevice::WriteOnly)) {
        printStep(OutcomeText::cannotOpenFile(line.readFile, file.errorString()));
        return BadFile;
    }
    // A profile states a work mode only when someone chose one: no read learns it.
    const QByteArray document = ProfileFile::document(
        form, workModeChosen ? std::optional<int>(workModeIndex) : std::nullopt, english);
    QString why;
    const bool written = ProfileFile::commit(file, document, &why);
    if (!written) {
        printStep(OutcomeText::cannotWriteFile(line.readFile, why));
        return BadFile;
    }
    printStep(OutcomeText::exportDone(ProfileFile::lostToCommas(form, english)));
    return Done;
}
