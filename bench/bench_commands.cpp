// Command lists: how long after the end of an answer line the next command's first byte is on the wire, and how
// long a long list takes to load.
//
// The module is played by a thread of its own on the master side of a pseudo-terminal, with its own clock: it
// writes each answer, notes when the write returned, and notes when the first byte of the next command arrives.
// The program's side is the real thing: SerialLink on the slave, CommandRun over it, in the main thread's event
// loop, exactly as the window and `quorvel --run` run a list.
//
// usage: bench_commands [STEPS]   (1000 send/expect pairs by default)
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include "app/commandpanel.h"
#include "console/commandlist.h"
#include "console/commandrun.h"
#include "serial/seriallink.h"

namespace {

using Clock = std::chrono::steady_clock;

// Answers every CR LF line with "OK=<n>", and measures the gap from each answer's write to the next byte received.
void module(int fd, int steps, std::vector<double> *gapsUs, std::atomic<bool> *stop)
{
    std::string line;
    Clock::time_point answered{};
    bool waitingFirstByte = false;
    int answers = 0;
    char buf[256];
    while (!*stop) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            continue;
        const Clock::time_point now = Clock::now();
        if (waitingFirstByte) {
            gapsUs->push_back(std::chrono::duration<double, std::micro>(now - answered).count());
            waitingFirstByte = false;
        }
        line.append(buf, size_t(n));
        if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0)
            continue;
        line.clear();
        const std::string answer = "OK=" + std::to_string(++answers) + "\r\n";
        if (::write(fd, answer.data(), answer.size()) != ssize_t(answer.size()))
            return;
        answered = Clock::now();
        waitingFirstByte = answers < steps;
    }
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int steps = argc > 1 ? std::max(2, std::atoi(argv[1])) : 1000;

    // Loading: 10,000 steps parsed from text as a file gives them, every pattern a different one (a pattern that
    // repeats is compiled once).
    QElapsedTimer clock;
    double bestLoadMs = 1e9;
    for (int round = 0; round < 5; ++round) {
        QString big = QStringLiteral("# ten thousand steps\nerror /^ERR=/\n");
        for (int i = 0; i < 5000; ++i)
            big += QStringLiteral("send AT+Q%1?\nexpect /^OK=%2,%1$/ 500\n").arg(i).arg(round);
        clock.start();
        QString why;
        const std::optional<CommandList> list = CommandList::parse(big, &why);
        bestLoadMs = std::min(bestLoadMs, clock.nsecsElapsed() / 1e6);
        if (!list || list->steps.size() != 10002) {
            std::fprintf(stderr, "the big list did not parse: %s\n", qPrintable(why));
            return 1;
        }
    }
    std::printf("parse 10,002 rows, 5,000 different patterns: %.1f ms (best of 5)\n", bestLoadMs);
    {
        QString typical = QStringLiteral("# ten thousand steps, one answer form\nerror /^ERR=/\n");
        for (int i = 0; i < 5000; ++i)
            typical += QStringLiteral("send AT+Q%1?\nexpect /^OK=/ 500\n").arg(i);
        QString why;
        clock.start();
        const std::optional<CommandList> list = CommandList::parse(typical, &why);
        std::printf("parse 10,002 rows, one pattern repeated: %.1f ms\n", clock.nsecsElapsed() / 1e6);
        if (!list)
            return 1;
    }

    // The same list into the window's panel, from its file to its first rows painted.
    {
        QTemporaryDir dir;
        QString big = QStringLiteral("# ten thousand steps\nerror /^ERR=/\n");
        for (int i = 0; i < 5000; ++i)
            big += QStringLiteral("send AT+Q%1?\nexpect /^OK=%1$/ 500\n").arg(i);
        QFile file(dir.filePath(QStringLiteral("big.txt")));
        if (!file.open(QIODevice::WriteOnly) || file.write(big.toUtf8()) < 0)
            return 1;
        file.close();
        SerialLink idle;
        CommandPanel panel(idle, [] { return QString(); }, [](const QString &, int) {});
        panel.resize(300, 500);
        panel.show();
        QCoreApplication::processEvents();
        clock.start();
        const bool loaded = panel.load(file.fileName());
        panel.repaint();
        QCoreApplication::processEvents();
        const double panelMs = clock.nsecsElapsed() / 1e6;
        const int count = panel.findChild<QListWidget *>()->count();
        if (!loaded || count != 10002) {
            std::fprintf(stderr, "the panel did not load the list (%d rows)\n", count);
            return 1;
        }
        std::printf("load 10,002 rows into the panel and paint: %.1f ms\n", panelMs);
    }

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("posix_openpt");
        return 1;
    }
    termios raw{};
    ::tcgetattr(master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master, TCSANOW, &raw);
    SerialLink link;
    QString why;
    if (!link.open(QString::fromLocal8Bit(::ptsname(master)), PortSettings(), &why)) {
        std::fprintf(stderr, "cannot open the port: %s\n", qPrintable(why));
        return 1;
    }
    std::vector<double> gaps;
    gaps.reserve(size_t(steps));
    std::atomic<bool> stop{false};
    std::thread peer(module, master, steps, &gaps, &stop);

    QString text;
    for (int i = 0; i < steps; ++i)
        text += QStringLiteral("send AT+Q%1?\nexpect /^OK=%2$/ 2000\n").arg(i).arg(i + 1);
    const CommandList list = *CommandList::parse(text, &why);
    CommandRun run;
    run.setTextSender([&link](const QString &t) {
        link.send(t + QStringLiteral("\r\n"));
        return QString();
    });
    QObject::connect(&link, &SerialLink::lineReceived, &run,
                     [&run](const QByteArray &, const QString &t, bool) { run.takeLine(t); });
    CommandRun::Outcome outcome;
    QObject::connect(&run, &CommandRun::finished, &app, [&](const CommandRun::Outcome &o) {
        outcome = o;
        app.quit();
    });
    // How long the event loop goes without serving a 5 ms timer while the list runs: the window's responsiveness.
    QElapsedTimer tick;
    qint64 worstTickMs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, &app, [&] {
        worstTickMs = std::max(worstTickMs, tick.restart());
    });
    clock.start();
    QTimer::singleShot(0, &run, [&] {
        tick.start();
        ticker.start(5);
        run.start(list);
    });
    app.exec();
    const double totalMs = clock.nsecsElapsed() / 1e6;
    stop = true;
    peer.join();
    if (!outcome.ok()) {
        std::fprintf(stderr, "the run failed: %s\n", qPrintable(outcome.why));
        return 1;
    }
    std::printf("%d steps (send + expect) in %.0f ms; the event loop served a 5 ms timer at least every %lld ms\n",
                steps, totalMs, static_cast<long long>(worstTickMs));
    std::printf("answer end to next command's first byte: median %.3f ms, p99 %.3f ms, max %.3f ms (%zu gaps)\n",
                percentile(gaps, 0.5) / 1000, percentile(gaps, 0.99) / 1000, percentile(gaps, 1.0) / 1000,
                gaps.size());
    ::close(master);
    return 0;
}
