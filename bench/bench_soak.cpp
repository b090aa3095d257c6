// Soak: the simulated module, as its own program, streams "NN" CR LF lines at
// a given rate into the shown window; every 20 s the module is killed (an
// unplug) and started again, and the window reopens the port, by itself when
// it does so, otherwise through its Open button. Every 10 s it prints the
// window process's resident memory, the rows in the log, the lines received,
// the CPU share of the window process (user and system time over wall time),
// and the close time of each unplug in that span (kill to port closed).
//
//   bench_soak [--rate N] [--seconds S] [--chunk MS] [--modsim PATH] [--times] [--record] [--ports N]
//   --rate 0 streams as fast as the pty takes the lines (default 6400, the
//   "OK" CR LF lines 256000 baud allows); --chunk 10 writes the lines due
//   every 10 ms in one piece, as a USB adapter delivers them. --times shows
//   the rows' times; --record records the log to a file for the whole run,
//   prints the file's size every 10 s and at the end counts its lines
//   against the lines the window received.
//   --ports N (2 to 16): N modules stream at the rate each, into the first
//   console and N-1 more, with the "All ports" tab shown (times with
//   --times, the timeline recorded with --record); nothing is unplugged.
//   Every 10 s the same figures, the rows those of the timeline; at the end
//   the recording's lines of each port against the lines that port received.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <vector>

#include <sys/resource.h>

#include "app/consoletab.h"
#include "app/consoletabs.h"
#include "app/logview.h"
#include "app/quorvel.h"
#include "app/timelinetab.h"

// The window's private state is reached through the class that tests use
// for access, a friend of the window; this program is its only user here.
class QuorvelTestAccess
{
public:
    static void clickOpen(Quorvel &w, const QString &path)
    {
        w.ui.comboBox_comPort->setEditText(path);
        w.ui.pushButton_openCom->click();
    }
    static bool isOpen(const Quorvel &w) { return w.serialLink.isOpen(); }
    static int rows(const Quorvel &w) { return w.logModel.rowCount(); }
    static void showTimes(Quorvel &w) { w.ui.checkBox_timestamp->setChecked(true); }
    static bool record(Quorvel &w, const QString &path) { return w.logView->startRecording(path); }
    static bool recording(const Quorvel &w) { return w.logView->recording(); }
    static void stopRecording(Quorvel &w) { w.ui.pushButton_recordLog->click(); }
};
using A = QuorvelTestAccess;

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The report's spans: for each, the process's CPU share and the lines a
// second received since the last one; the mean share over all of them.
struct Spans
{
    double lastCpu = cpuSeconds();
    qint64 lastWall = 0;
    qint64 lastReceived = 0;
    double cpuSum = 0;
    int count = 0;

    struct Span
    {
        double cpuShare, linesPerSecond;
    };
    Span next(qint64 wall, qint64 received)
    {
        const double cpu = cpuSeconds();
        const Span span{100.0 * (cpu - lastCpu) / ((wall - lastWall) / 1000.0),
                        (received - lastReceived) * 1000.0 / (wall - lastWall)};
        cpuSum += span.cpuShare;
        ++count;
        lastCpu = cpu;
        lastWall = wall;
        lastReceived = received;
        return span;
    }
    double meanShare() const { return count ? cpuSum / count : 0.0; }
};

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

QString option(const QStringList &args, const QString &name, const QString &fallback)
{
    const int at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
}

// The simulated module streaming `rate` four-byte lines a second into `link`.
void setUpModule(QProcess &module, const QString &modsim, const QString &link, int rate, int chunk)
{
    module.setProgram(modsim);
    module.setArguments({QStringLiteral("--link"), link, QStringLiteral("--stream"), QString::number(rate),
                         QStringLiteral("--line-length"), QStringLiteral("4"), QStringLiteral("--chunk"),
                         QString::number(chunk)});
    module.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

// Starts it; true once the link is in place (the port is its first line on standard output).
bool startModule(QProcess &module)
{
    module.start();
    return module.waitForStarted(5000) && module.waitForReadyRead(5000) && module.readLine().size() > 1;
}

// N modules into N consoles, the timeline shown and recorded.
int severalPorts(Quorvel &w, const QString &modsim, const QString &dirPath, int ports, int rate, int seconds, int chunk,
                 bool times, bool record)
{
    std::vector<std::unique_ptr<QProcess>> modules;
    QStringList links;
    for (int i = 0; i < ports; ++i) {
        links << QDir(dirPath).filePath(QStringLiteral("module%1").arg(i));
        auto module = std::make_unique<QProcess>();
        setUpModule(*module, modsim, links.last(), rate, chunk);
        if (!startModule(*module)) {
            std::printf("cannot start %s\n", qPrintable(modsim));
            return 1;
        }
        modules.push_back(std::move(module));
    }
    auto *tabs = w.findChild<ConsoleTabs *>();
    QuorvelTestAccess::clickOpen(w, links.first());
    QString why;
    for (int i = 1; i < ports; ++i) {
        ConsoleTab *tab = tabs->addConsole();
        tab->setPortText(links.at(i));
        if (!tab->openPort(&why)) {
            std::printf("cannot open %s: %s\n", qPrintable(links.at(i)), qPrintable(why));
            return 1;
        }
        if (times)
            tab->findChild<QCheckBox *>(QStringLiteral("checkBox_timestamp"))->setChecked(true);
    }
    if (times)
        A::showTimes(w);
    TimelineTab *all = tabs->timeline();
    tabs->tabs()->setCurrentWidget(all);
    if (times)
        all->findChild<QCheckBox *>(QStringLiteral("checkBox_timestamp"))->setChecked(true);
    const QString recordPath = QDir(dirPath).filePath(QStringLiteral("all-ports.log"));
    if (record && !all->logView().startRecording(recordPath)) {
        std::printf("cannot record to %s\n", qPrintable(recordPath));
        return 1;
    }
    qint64 received = 0;
    ConsoleSet &set = tabs->set();
    std::vector<qint64> receivedBy(size_t(ports), 0);   // in the order the ports joined
    const QList<int> joined = set.ports();
    for (int i = 0; i < joined.size(); ++i) {
        QObject::connect(set.link(joined.at(i)), &SerialLink::lineReceived, [&received, &receivedBy, i] {
            ++received;
            ++receivedBy[size_t(i)];
        });
    }
    std::printf("soak: %d ports, each %d lines/s of 4 bytes, %d s, the \"All ports\" tab shown%s%s\n", ports, rate,
                seconds, times ? ", times shown" : "", record ? ", recording it to a file" : "");
    std::printf("    s   RSS MiB  timeline rows   lines/s   CPU %%\n");
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    Spans spans;
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        const qint64 wall = clock.elapsed();
        const Spans::Span span = spans.next(wall, received);
        std::printf("  %4lld  %8.1f  %13d  %8.0f  %6.1f\n", wall / 1000, residentKiB() / 1024.0,
                    set.timeline().rowCount(), span.linesPerSecond, span.cpuShare);
        std::fflush(stdout);
        if (wall >= seconds * 1000LL - 500)
            QCoreApplication::quit();
    });
    report.start(10000);
    const int status = QCoreApplication::exec();
    std::printf("  %lld lines received in %.0f s; mean CPU share %.1f %%\n", received, clock.elapsed() / 1000.0,
                spans.meanShare());
    for (auto &module : modules) {
        module->kill();
        module->waitForFinished(5000);
    }
    if (record) {
        const bool stillRecording = all->logView().recording();
        all->findChild<QPushButton *>(QStringLiteral("pushButton_recordLog"))->click();
        QFile file(recordPath);
        QHash<QString, qint64> recordedBy;
        if (file.open(QIODevice::ReadOnly)) {
            while (!file.atEnd()) {
                const QList<QByteArray> fields = file.readLine().split('\t');
                if (fields.size() == 4 && fields.at(2) == "RX")
                    ++recordedBy[QString::fromUtf8(fields.at(1))];
            }
        }
        bool complete = stillRecording;
        for (int i = 0; i < joined.size(); ++i) {
            const QString name = set.name(joined.at(i));
            std::printf("  %s: %lld received, %lld recorded\n", qPrintable(name), receivedBy[size_t(i)],
                        recordedBy.value(name));
            complete &= recordedBy.value(name) == receivedBy[size_t(i)];
        }
        std::printf("  recording: %s\n", complete ? "none missing" : "LINES MISSING");
    }
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int rate = option(args, QStringLiteral("--rate"), QStringLiteral("6400")).toInt();
    const int seconds = option(args, QStringLiteral("--seconds"), QStringLiteral("600")).toInt();
    const int chunk = option(args, QStringLiteral("--chunk"), QStringLiteral("0")).toInt();
    const bool times = args.contains(QStringLiteral("--times"));
    const bool record = args.contains(QStringLiteral("--record"));
    const QString modsim = option(args, QStringLiteral("--modsim"),
                                  QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/modsim/quorvel-modsim"));
    constexpr int unplugEvery = 20;   // s
    constexpr int reportEvery = 10;   // s

    const int ports = option(args, QStringLiteral("--ports"), QStringLiteral("1")).toInt();
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());   // a fresh ./Quorvel.ini
    if (ports > 1) {
        Quorvel w;
        w.show();
        return severalPorts(w, modsim, dir.path(), qMin(ports, 16), rate, seconds, chunk, times, record);
    }
    const QString link = dir.filePath(QStringLiteral("module"));

    QProcess module;
    setUpModule(module, modsim, link, rate, chunk);
    if (!startModule(module)) {
        std::printf("cannot start %s\n", qPrintable(modsim));
        return 1;
    }

    Quorvel w;
    w.show();
    qint64 received = 0;
    QObject::connect(&w, &Quorvel::recvNewLine, [&received] { ++received; });
    A::clickOpen(w, link);
    if (!A::isOpen(w)) {
        std::printf("cannot open %s\n", qPrintable(link));
        return 1;
    }
    if (times)
        A::showTimes(w);
    const QString recordPath = dir.filePath(QStringLiteral("recording.log"));
    if (record && !A::record(w, recordPath)) {
        std::printf("cannot record to %s\n", qPrintable(recordPath));
        return 1;
    }

    std::printf("soak: %s, 4-byte lines%s, %d s, module killed every %d s%s%s\n",
                rate > 0 ? qPrintable(QStringLiteral("%1 lines/s").arg(rate)) : "full speed",
                chunk > 0 ? qPrintable(QStringLiteral(" in %1 ms chunks").arg(chunk)) : " one write each", seconds,
                unplugEvery, times ? ", times shown" : "", record ? ", recording to a file" : "");
    std::printf("    s   RSS MiB      rows   lines/s   CPU %%   %sunplug closed after (ms)\n", record ? "file MiB  " : "");
    std::fflush(stdout);

    QElapsedTimer clock;
    clock.start();
    QElapsedTimer unplugClock;
    QStringList closeTimes;
    bool waitingForClose = false;
    int unplugs = 0;
    int reopenedByItself = 0;

    // Polls the port state finely so that close times are exact to a few ms.
    QTimer watch;
    watch.setTimerType(Qt::PreciseTimer);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (waitingForClose && !A::isOpen(w)) {
            waitingForClose = false;
            closeTimes << QString::number(unplugClock.elapsed());
            if (!startModule(module)) {
                std::printf("cannot restart the module\n");
                QCoreApplication::exit(1);
                return;
            }
            // Give a window that reconnects by itself the chance to, then press Open.
            QTimer::singleShot(1000, [&] {
                if (A::isOpen(w))
                    ++reopenedByItself;
                else
                    A::clickOpen(w, link);
            });
        }
    });
    watch.start(1);

    QTimer unplug;
    QObject::connect(&unplug, &QTimer::timeout, [&] {
        ++unplugs;
        unplugClock.start();
        waitingForClose = true;
        module.kill();
        module.waitForFinished(5000);
    });
    unplug.start(unplugEvery * 1000);

    Spans spans;
    spans.lastWall = clock.elapsed();
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        const qint64 wall = clock.elapsed();
        const Spans::Span span = spans.next(wall, received);
        const QString file = record ? QStringLiteral("%1  ").arg(QFileInfo(recordPath).size() / 1048576.0, 8, 'f', 1)
                                    : QString();
        std::printf("  %4lld  %8.1f  %8d  %8.0f  %6.1f   %s%s\n", wall / 1000, residentKiB() / 1024.0, A::rows(w),
                    span.linesPerSecond, span.cpuShare, qPrintable(file),
                    closeTimes.isEmpty() ? "-" : qPrintable(closeTimes.join(QLatin1Char(' '))));
        std::fflush(stdout);
        closeTimes.clear();
        if (wall >= seconds * 1000LL - 500)
            QCoreApplication::quit();
    });
    report.start(reportEvery * 1000);
    const int status = QCoreApplication::exec();

    std::printf("  %lld lines received in %.0f s; mean CPU share %.1f %%; %d unplugs, %d reopened by the window itself\n",
                received, clock.elapsed() / 1000.0, spans.meanShare(), unplugs, reopenedByItself);
    if (record) {
        const bool stillRecording = A::recording(w);
        A::stopRecording(w);
        QFile file(recordPath);
        qint64 lines = 0, wellFormed = 0;
        if (file.open(QIODevice::ReadOnly)) {
            while (!file.atEnd()) {
                const QByteArray line = file.readLine();
                ++lines;
                wellFormed += line.size() == 30 && line.endsWith('\n') && line.mid(23, 4) == "\tRX\t";
            }
        }
        std::printf("  recording: %s to the end, %lld lines (%lld well formed) against %lld received: %s\n",
                    stillRecording ? "ran" : "STOPPED", lines, wellFormed, received,
                    lines == received && wellFormed == lines ? "none missing" : "LINES MISSING");
    }
    module.kill();
    module.waitForFinished(5000);
    return status;
}
