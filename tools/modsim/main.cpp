// quorvel-modsim: the simulated Wi-Fi module as a program. Parses the options,
// starts the engine, prints the slave's path as the first line on stdout and
// runs until SIGINT/SIGTERM or --exit-after; the engine removes the link.
// SIGUSR1 puts a fresh module on the port (the next MAC, factory settings).
#include "tools/modsim/modsim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int sig)
{
    const char c = char(sig);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

// SIGINT and SIGTERM end the event loop, so that destructors run; SIGUSR1
// swaps the module.
bool handleSignals(QCoreApplication &app, ModSim &sim)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&sim] {
        char sig;
        while (::read(signalPipe[0], &sig, 1) == 1) {
            if (sig == SIGUSR1)
                sim.swapModule();
            else
                QCoreApplication::quit();
        }
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    return ::sigaction(SIGINT, &sa, nullptr) == 0 && ::sigaction(SIGTERM, &sa, nullptr) == 0
        && ::sigaction(SIGUSR1, &sa, nullptr) == 0;
}

[[noreturn]] void die(const QString &message)
{
    std::fprintf(stderr, "quorvel-modsim: %s\n", qPrintable(message));
    std::exit(1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel-modsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated Wi-Fi module on a pseudo-terminal. Prints the port to open on its first line."));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"), QStringLiteral("Also make PATH a symbolic link to the port."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption exitAfter(QStringLiteral("exit-after"), QStringLiteral("Quit after SECONDS."),
                                       QStringLiteral("SECONDS"));
    const QCommandLineOption delay(QStringLiteral("delay"), QStringLiteral("Answer every command after MS milliseconds."),
                                   QStringLiteral("MS"));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("Do not answer CMD (the first N times, or always). Repeatable."),
                                    QStringLiteral("CMD[:N]"));
    const QCommandLineOption error(QStringLiteral("error"),
                                   QStringLiteral("Answer CMD with ERR=CODE (the first N times, or always). Repeatable."),
                                   QStringLiteral("CMD=CODE[:N]"));
    const QCommandLineOption ignore(QStringLiteral("ignore"),
                                    QStringLiteral("Answer CMD with OK but change nothing (the first N times, or always). "
                                                   "Repeatable."),
                                    QStringLiteral("CMD[:N]"));
    const QCommandLineOption split(QStringLiteral("split"), QStringLiteral("Write answers one byte at a time."));
    const QCommandLineOption echo(QStringLiteral("echo"), QStringLiteral("Echo each command line before its answer."));
    const QCommandLineOption noise(QStringLiteral("noise"), QStringLiteral("Send an unsolicited line every MS milliseconds."),
                                   QStringLiteral("MS"));
    const QCommandLineOption stream(QStringLiteral("stream"),
                                    QStringLiteral("Send RATE lines per second (0: as fast as the port takes them)."),
                                    QStringLiteral("RATE"));
    const QCommandLineOption lineLength(QStringLiteral("line-length"),
                                        QStringLiteral("Bytes per streamed line, CR LF included (default 32)."),
                                        QStringLiteral("N"), QStringLiteral("32"));
    const QCommandLineOption chunk(QStringLiteral("chunk"),
                                   QStringLiteral("Write the streamed lines due every MS milliseconds in one piece."),
                                   QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption trace(QStringLiteral("trace"), QStringLiteral("Append every received line to FILE."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption mac(QStringLiteral("mac"),
                                 QStringLiteral("The module's MAC address (default AC:CF:23:5A:10:7E); each SIGUSR1 "
                                                "swaps in a fresh module with the next one."),
                                 QStringLiteral("MAC"));
    parser.addOptions({mac, link, exitAfter, delay, silent, error, ignore, split, echo, noise, stream, lineLength, chunk, trace});
    parser.process(app);

    auto number = [&parser](const QCommandLineOption &option) {
        bool ok = false;
        const int n = parser.value(option).toInt(&ok);
        if (!ok || n < 0)
            die(QStringLiteral("--%1 needs a number, not \"%2\"").arg(option.names().first(), parser.value(option)));
        return n;
    };

    ModSim sim;
    if (parser.isSet(mac)) {
        static const QRegularExpression macRe(QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
        if (!macRe.match(parser.value(mac)).hasMatch())
            die(QStringLiteral("--mac needs six hexadecimal pairs such as AC:CF:23:00:00:01, not \"%1\"")
                    .arg(parser.value(mac)));
        sim.setMac(parser.value(mac).toUpper());
    }
    if (parser.isSet(delay))
        sim.setDelay(number(delay));
    static const QRegularExpression silentRe(QStringLiteral("^(.+?)(?::(\\d+))?$"));
    for (const QString &s : parser.values(silent)) {
        const QRegularExpressionMatch m = silentRe.match(s);
        sim.setSilent(m.captured(1), m.hasCaptured(2) ? m.captured(2).toInt() : -1);
    }
    static const QRegularExpression errorRe(QStringLiteral("^(.+)=(\\d{1,3})(?::(\\d+))?$"));
    for (const QString &s : parser.values(error)) {
        const QRegularExpressionMatch m = errorRe.match(s);
        if (!m.hasMatch())
            die(QStringLiteral("--error needs CMD=CODE[:N], not \"%1\"").arg(s));
        sim.setError(m.captured(1), m.captured(2).toInt(), m.hasCaptured(3) ? m.captured(3).toInt() : -1);
    }
    for (const QString &s : parser.values(ignore)) {
        const QRegularExpressionMatch m = silentRe.match(s);
        sim.setIgnored(m.captured(1), m.hasCaptured(2) ? m.captured(2).toInt() : -1);
    }
    sim.setSplit(parser.isSet(split));
    sim.setEcho(parser.isSet(echo));
    if (parser.isSet(noise))
        sim.setNoise(number(noise));

    QFile traceFile;
    if (parser.isSet(trace)) {
        traceFile.setFileName(parser.value(trace));
        if (!traceFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            die(QStringLiteral("cannot open %1: %2").arg(traceFile.fileName(), traceFile.errorString()));
    }
    // The file is the program's trace; the engine's copy in memory would only grow.
    QObject::connect(&sim, &ModSim::lineReceived, &sim, [&](const QByteArray &line) {
        if (traceFile.isOpen())
            traceFile.write(line);
        sim.clearTrace();
    });

    if (!handleSignals(app, sim))
        die(QStringLiteral("cannot catch signals"));
    QString why;
    if (!sim.start(&why))
        die(why);
    if (parser.isSet(link) && !sim.makeLink(parser.value(link), &why))
        die(why);
    if (parser.isSet(stream))
        sim.startStream(number(stream), number(lineLength), number(chunk));
    if (parser.isSet(exitAfter)) {
        bool ok = false;
        const double seconds = parser.value(exitAfter).toDouble(&ok);
        if (!ok || seconds < 0)
            die(QStringLiteral("--exit-after needs a number of seconds"));
        QTimer::singleShot(qRound(seconds * 1000), &app, &QCoreApplication::quit);
    }

    std::printf("%s\n", qPrintable(sim.slavePath()));
    std::fflush(stdout);
    return app.exec();
}
