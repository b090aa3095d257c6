// The production station's throughput: the station window, in this process,
// drives 1, 4 and 8 fixtures, each a quorvel-modsim program of its own that
// swaps in a fresh module (SIGUSR1) as soon as the previous one ended, for
// SECONDS each (default 60). Prints modules per hour in total and per
// fixture, the station's own CPU (this process; the runs are children), and
// the report's rows counted against the modules the simulators served.
// DELAY_MS makes every simulated module answer each command that much later
// (0: at once, which measures the machine's CPU rather than the station).
//   bench_station [SECONDS [DELAY_MS [FIXTURES...]]]
// With QUORVEL_BENCH_SCANS=1 every module's label is scanned first (the scan
// field's Enter, timed to the fixture's tile painted).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>

#include <sys/resource.h>

#include "station/stationwindow.h"

namespace {

double cpuSeconds()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void serveFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Result
{
    int fixtures = 0;
    int modules = 0, fails = 0, rows = 0, distinctMacs = 0;
    int modulesInTime = 0;   // ended within the measured seconds
    double seconds = 0, cpu = 0;
    QList<double> scanMs;    // scanned code's Enter to its fixture's tile painted, with scans
};

// QUORVEL_BENCH_SCANS=1: each module's label is scanned first, as a scanner
// types it into the scan field, as soon as a fixture waits for one.
bool withScans()
{
    return qEnvironmentVariableIntValue("QUORVEL_BENCH_SCANS") == 1;
}

Result runStation(int fixtures, int seconds, int delayMs, const QString &profile, const QDir &work)
{
    Result result;
    result.fixtures = fixtures;
    QList<QProcess *> sims;
    QStringList ports;
    for (int i = 0; i < fixtures; ++i) {
        auto *sim = new QProcess;
        sim->start(QStringLiteral(QUORVEL_MODSIM_BIN),
                   {QStringLiteral("--delay"), QString::number(delayMs), QStringLiteral("--mac"),
                    QStringLiteral("02:00:00:%1:00:00").arg(fixtures * 16 + i, 2, 16, QLatin1Char('0'))});
        if (!sim->waitForReadyRead(10000))
            qFatal("quorvel-modsim did not start");
        ports << QString::fromLocal8Bit(sim->readLine().trimmed());
        sims << sim;
    }
    const QString report = work.filePath(QStringLiteral("report-%1.csv").arg(fixtures));
    StationWindow station(QStringLiteral(QUORVEL_BIN));
    if (!station.setProfile(profile))
        qFatal("the profile was refused");
    station.setReportFile(report);
    for (const QString &port : std::as_const(ports))
        station.addFixture(port);
    QTimer scanner;
    int scanned = 0;
    if (withScans()) {
        station.setScanFirst(true);
        auto *field = station.findChild<QLineEdit *>(QStringLiteral("lineEdit_scan"));
        QObject::connect(&scanner, &QTimer::timeout, &station, [&] {
            for (int i = 0; i < station.fixtureCount(); ++i) {
                if (!station.isRunning() || !station.awaitingScan(i))
                    continue;
                QElapsedTimer took;
                took.start();
                field->setText(QStringLiteral("SN-%1").arg(++scanned));
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QCoreApplication::sendEvent(field, &press);
                station.tile(i)->repaint();
                result.scanMs << double(took.nsecsElapsed()) / 1e6;
            }
        });
        scanner.start(10);
    }
    // A fixture's next module is in place before its next run asks.
    QObject::connect(&station, &StationWindow::moduleFinished, &station, [&](int fixture, bool pass) {
        ++result.modules;
        result.fails += pass ? 0 : 1;
        ::kill(pid_t(sims.at(fixture)->processId()), SIGUSR1);
    });
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    station.start();
    serveFor(seconds * 1000);
    result.modulesInTime = result.modules;
    result.seconds = double(clock.elapsed()) / 1000.0;
    result.cpu = cpuSeconds() - cpuBefore;
    scanner.stop();
    station.stop();
    QElapsedTimer stopping;
    stopping.start();
    while (station.isRunning() && stopping.elapsed() < 30000)
        serveFor(50);
    if (station.isRunning())
        station.stop();
    while (station.isRunning())
        serveFor(50);

    QFile file(report);
    file.open(QIODevice::ReadOnly);
    const QList<QByteArray> records = file.readAll().split('\n');
    QSet<QByteArray> macs;
    for (const QByteArray &record : records.mid(1)) {
        if (record.trimmed().isEmpty())
            continue;
        ++result.rows;
        macs.insert(record.split(',').value(2));
    }
    result.distinctMacs = int(macs.size());
    for (QProcess *sim : std::as_const(sims)) {
        sim->terminate();
        sim->waitForFinished(5000);
        delete sim;
    }
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const int seconds = args.isEmpty() ? 60 : args.first().toInt();
    const int delayMs = args.size() < 2 ? 0 : args.at(1).toInt();
    QList<int> counts;
    for (const QString &a : args.mid(2))
        counts << a.toInt();
    if (counts.isEmpty())
        counts = {1, 4, 8};

    QTemporaryDir work;
    QDir::setCurrent(work.path());
    // The profile: what a first simulated module holds, read by the program itself.
    QProcess sim;
    sim.start(QStringLiteral(QUORVEL_MODSIM_BIN), QStringList());
    if (!sim.waitForReadyRead(10000))
        qFatal("quorvel-modsim did not start");
    const QString port = QString::fromLocal8Bit(sim.readLine().trimmed());
    const QString profile = QDir(work.path()).filePath(QStringLiteral("profile.xml"));
    if (QProcess::execute(QStringLiteral(QUORVEL_BIN), {QStringLiteral("--port"), port, QStringLiteral("--read"), profile}) != 0)
        qFatal("the profile could not be read");
    sim.terminate();
    sim.waitForFinished(5000);

    std::printf("%d s per run, answers after %d ms; modules per hour since Start; station CPU = this process only\n",
                seconds, delayMs);
    std::printf("%8s %8s %6s %12s %14s %10s %12s %10s\n", "fixtures", "modules", "failed", "modules/h",
                "per fixture/h", "vs one", "station CPU", "rows/MACs");
    double one = 0;
    for (int n : std::as_const(counts)) {
        const Result r = runStation(n, seconds, delayMs, profile, QDir(work.path()));
        const double perHour = r.modulesInTime * 3600.0 / r.seconds;
        if (n == 1)
            one = perHour;
        std::printf("%8d %8d %6d %12.0f %14.0f %9.2fx %11.1f%% %5d/%d%s\n", n, r.modules, r.fails, perHour,
                    perHour / n, one > 0 ? perHour / one : 0.0, 100.0 * r.cpu / r.seconds, r.rows, r.distinctMacs,
                    r.rows == r.modules && r.distinctMacs == r.rows ? "" : "  MISMATCH");
        if (!r.scanMs.isEmpty()) {
            QList<double> sorted = r.scanMs;
            std::sort(sorted.begin(), sorted.end());
            std::printf("%8s scan's Enter to its tile painted: median %.2f ms, max %.2f ms over %lld scans\n", "",
                        sorted.at(sorted.size() / 2), sorted.last(), static_cast<long long>(sorted.size()));
        }
        std::fflush(stdout);
    }
    return 0;
}
