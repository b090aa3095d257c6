// One module of a production line: `quorvel --apply FILE --verify` as a whole
// process against the simulated module answering at once, from process start
// to exit, 20 runs; prints the median beside the time the same bytes (both
// directions, one after the other) take on a 115200 baud line, 10 bits a byte.
// An argument names another quorvel binary to measure (an older build, to
// compare in the same sitting); without one, the build's own.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

#include "tools/modsim/modsim.h"

namespace {

constexpr int runs = 20;

const QByteArray profile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TESSELANE_CFG>"
    "<BASE_GROUP_ELEM><UART>115200,8,None,1,None</UART><DFWM>TP_MODE</DFWM></BASE_GROUP_ELEM>"
    "<WIFI_GROUP_ELEM><WIFI_MODE>STA</WIFI_MODE><WIFI_AP>LineAP,secret99,WAP2,AES,11g,11</WIFI_AP>"
    "<WIFI_STA>PlantNet,plant-pass</WIFI_STA><WIFI_IP>Static IP,10.0.0.7,10.0.0.1,255.255.255.0</WIFI_IP>"
    "<WIFI_DHCP>0,10.0.0.100,10.0.0.200</WIFI_DHCP></WIFI_GROUP_ELEM>"
    "<TP_GROUP_ELEM><TP_TP>UDP,Client,10.0.0.9,9000</TP_TP><TP_FRAME>40,256,30</TP_FRAME></TP_GROUP_ELEM>"
    "</TESSELANE_CFG>\n";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString program = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QUORVEL_BIN);
    QTemporaryDir dir;
    ModSim sim;
    QString why;
    if (!dir.isValid() || !sim.start(&why)) {
        out << "cannot start: " << why << '\n';
        return 1;
    }
    const QString file = dir.filePath(QStringLiteral("profile.xml"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(profile) != profile.size())
        return 1;
    f.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));   // the runs' backups

    QList<double> ms;
    qint64 wireBytes = 0;
    for (int i = 0; i < runs; ++i) {
        sim.factoryReset();
        sim.clearTrace();
        const qint64 sentBefore = sim.sentBytes();
        QProcess proc;
        proc.setWorkingDirectory(dir.path());
        proc.setProcessEnvironment(env);
        QEventLoop loop;   // serves the module meanwhile
        QObject::connect(&proc, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        proc.start(program, {"--port", sim.slavePath(), "--apply", file, "--verify"});
        loop.exec();
        if (proc.state() != QProcess::NotRunning || proc.exitStatus() != QProcess::NormalExit || proc.exitCode() != 0) {
            out << "run " << i << " failed: " << proc.readAllStandardError() << '\n';
            return 1;
        }
        ms.append(clock.nsecsElapsed() / 1e6);
        wireBytes = sim.receivedBytes().size() + (sim.sentBytes() - sentBefore);
    }
    std::sort(ms.begin(), ms.end());
    const double median = (ms.at(runs / 2 - 1) + ms.at(runs / 2)) / 2;
    if (argc > 1)
        out << "binary: " << program << '\n';
    out << "quorvel --apply FILE --verify, process start to exit, " << runs << " runs: median "
        << QString::number(median, 'f', 1) << " ms (min " << QString::number(ms.first(), 'f', 1) << ", max "
        << QString::number(ms.last(), 'f', 1) << ")\n";
    out << "the same " << wireBytes << " bytes at 115200 baud: "
        << QString::number(wireBytes * 10 * 1000.0 / 115200, 'f', 1) << " ms\n";
    return 0;
}
