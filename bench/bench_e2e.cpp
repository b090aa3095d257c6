// End to end: the simulated module (on its own thread, as a real module is
// another machine) streams "NN" CR LF lines as fast as the pty takes them;
// the shown window receives them through readCom into the log for 10 s.
// Prints lines per second and the backlog each second; asserts nothing.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "app/quorvel.h"
#include "tools/modsim/modsim.h"

// The window's private state is reached through the class that tests use
// for access, a friend of the window; this program is its only user here.
class QuorvelTestAccess
{
public:
    static void open(Quorvel &w, const QString &path)
    {
        w.ui.comboBox_comPort->setEditText(path);
        w.ui.pushButton_openCom->click();
    }
    static bool isOpen(const Quorvel &w) { return w.serialLink.isOpen(); }
    // Complete lines and bytes waiting in recvBuffer.
    static qint64 waitingLines(const Quorvel &w) { return w.serialLink.pendingBytes().count("\r\n"); }
    static qint64 waitingBytes(const Quorvel &w) { return w.serialLink.pendingBytes().size(); }
    static int rows(const Quorvel &w) { return w.logModel.rowCount(); }
};
using A = QuorvelTestAccess;

namespace {

template <typename F>
auto onThread(QObject *object, F f)
{
    decltype(f()) result{};
    QMetaObject::invokeMethod(object, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());   // a fresh ./Quorvel.ini
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));   // the reads' backups
    const QString link = dir.filePath(QStringLiteral("module"));
    constexpr int lineLength = 4;   // like "OK" CR LF
    constexpr int seconds = 10;

    QThread simThread;
    auto *sim = new ModSim;
    sim->moveToThread(&simThread);
    QObject::connect(&simThread, &QThread::finished, sim, &QObject::deleteLater);
    simThread.start();
    QString error;
    if (!onThread(sim, [&] { return sim->start(&error) && sim->makeLink(link, &error); })) {
        std::printf("cannot start the simulated module: %s\n", qPrintable(error));
        return 1;
    }

    Quorvel w;
    w.show();
    qint64 received = 0;
    QObject::connect(&w, &Quorvel::recvNewLine, [&received] { ++received; });
    A::open(w, link);
    if (!A::isOpen(w)) {
        std::printf("cannot open %s\n", qPrintable(link));
        return 1;
    }
    while (!onThread(sim, [&] { return sim->peerConnected(); }))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    std::printf("end to end, %d-byte lines as fast as the pty takes them, %d s\n", lineLength, seconds);
    std::printf("   s   lines/s   in flight   waiting in recvBuffer\n");
    onThread(sim, [&] { sim->startStream(0, lineLength); return true; });
    QElapsedTimer clock;
    clock.start();
    qint64 lastReceived = 0;
    int second = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        ++second;
        const qint64 streamed = onThread(sim, [&] { return sim->streamedLines(); });
        std::printf("  %2d  %8lld  %10lld  %6lld lines, %lld bytes\n", second, received - lastReceived,
                    streamed - received, A::waitingLines(w), A::waitingBytes(w));
        lastReceived = received;
        if (second == seconds)
            QCoreApplication::quit();
    });
    sampler.start(1000);
    QCoreApplication::exec();
    const double elapsed = clock.nsecsElapsed() / 1e9;
    onThread(sim, [&] { sim->stopStream(); return true; });

    const double rate = received / elapsed;
    std::printf("  received %lld lines in %.2f s: %.0f lines/s (goal: at least 19,200 = 3 x 6,400)\n", received,
                elapsed, rate);
    std::printf("  backlog at the end: %lld complete lines waiting in recvBuffer; log rows %d\n",
                A::waitingLines(w), A::rows(w));
    simThread.quit();
    simThread.wait();
    return 0;
}
