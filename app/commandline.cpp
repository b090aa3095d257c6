#include "app/commandline.h"

#include <QCommandLineParser>

#include "app/pathcheck.h"
#include "protocol/cfgfields.h"
#include "report/pgreport.h"
#include "serial/portsettings.h"

namespace {

// Why the files of a run cannot be used as given, or empty: a file the run
// replaces (--read) or appends to (--report) must be an ordinary file, or
// not there yet (a device node, a FIFO or a folder would be replaced, hang
// the run, or take its bytes); a report is not reached through a link and
// is a report; and no file is two of them at once.
QString fileProblem(const QString &readFile, const QString &applyFile, const QString &reportFile)
{
    using pathcheck::Kind;
    if (!readFile.isEmpty()) {
        const Kind kind = pathcheck::kindOf(readFile, true);
        if (kind != Kind::Absent && kind != Kind::Regular)
            return CommandLine::tr("--read %1：已存在且不是普通文件，不能写入").arg(readFile);
    }
    if (reportFile.isEmpty())
        return QString();
    for (const QString &other : {readFile, applyFile}) {
        if (!other.isEmpty() && pathcheck::sameFile(reportFile, other))
            return CommandLine::tr("--report %1：与配置文件是同一个文件").arg(reportFile);
    }
    switch (pathcheck::kindOf(reportFile, false)) {
    case Kind::Absent:
        break;
    case Kind::Regular:
        if (!pathcheck::looksLikeReport(reportFile))
            return CommandLine::tr("--report %1：已存在，但不是报告文件（第一行不是报告的表头）").arg(reportFile);
        break;
    case Kind::Link:
        return CommandLine::tr("--report %1：是一个链接，请给出报告文件本身").arg(reportFile);
    case Kind::Other:
        return CommandLine::tr("--report %1：已存在且不是普通文件").arg(reportFile);
    }
    return QString();
}

} // namespace

QString CommandLine::take(const QCommandLineParser &parser)
{
    const auto isSet = [&parser](const char *name) { return parser.isSet(QLatin1String(name)); };
    const auto value = [&parser](const char *name) { return parser.value(QLatin1String(name)); };
    const bool batch = isSet("read") || isSet("apply") || isSet("run");
    // `--station SETUP.ini`: the station's one argument is a supervisor's setup file.
    QStringList extra = parser.positionalArguments();
    if (isSet("station") && !extra.isEmpty())
        setupFile = extra.takeFirst();
    if (!extra.isEmpty())
        return tr("多余的参数：%1").arg(extra.first());
    // A script that says an option twice means one of them; which one is not
    // for the program to guess.
    for (const char *name : {"port", "baud", "read", "apply", "run", "report", "expect-version", "expect-mac", "label",
                             "wait-new", "station-name", "history", "run-id"}) {
        if (parser.values(QLatin1String(name)).size() > 1)
            return tr("--%1 只能给一次").arg(QLatin1String(name));
    }
    // "--apply=" or "--expect-version \"\"" (an unset variable in a script)
    // would read the module, or write to any module, before failing; "--port="
    // must not fall back to the remembered port, or the first in the list.
    for (const char *name : {"port", "read", "apply", "run", "report", "expect-version", "expect-mac", "label",
                             "station-name", "run-id"}) {
        if (isSet(name) && value(name).trimmed().isEmpty())
            return tr("--%1 不能为空").arg(QLatin1String(name));
    }
    if (isSet("read") && isSet("apply"))
        return tr("--read 与 --apply 不能同时使用");
    if (isSet("read") && isSet("run"))
        return tr("--run 不能与 --read 同用");
    if (isSet("run") && !isSet("port"))
        return tr("--run 需要 --port");
    if (batch && !isSet("port"))
        return tr("--read 和 --apply 需要 --port");
    if (batch && isSet("open"))
        return tr("--open 只用于窗口，不能与 --read 或 --apply 同用");
    if (isSet("verify") && !isSet("apply"))
        return tr("--verify 只能与 --apply 同用");
    if (isSet("expect-version") && !isSet("apply") && !isSet("run"))
        return tr("--expect-version 只能与 --apply 或 --run 同用");
    if (isSet("expect-mac") && !isSet("apply") && !isSet("run"))
        return tr("--expect-mac 只能与 --apply 或 --run 同用");
    for (const char *name : {"report", "wait-new", "progress"}) {
        if (isSet(name) && !batch)
            return tr("--%1 只能与 --read 或 --apply 同用").arg(QLatin1String(name));
    }
    if (isSet("station") && (batch || isSet("open")))
        return tr("--station 不能与 --read、--apply 或 --open 同用");
    report = parser.value(QStringLiteral("report"));
    pgreport::Target database;
    QString uriProblem;
    if (pgreport::isUri(report) && !pgreport::parseUri(report, &database, &uriProblem))
        return tr("--report %1：%2").arg(report, uriProblem);
    const QString filesWrong = fileProblem(value("read"), value("apply"),
                                                    pgreport::isUri(report) ? QString() : report);
    if (!filesWrong.isEmpty())
        return filesWrong;
    if (isSet("station-name") && !isSet("report"))
        return tr("--station-name 只能与 --report 同用");
    stationName = parser.value(QStringLiteral("station-name"));
    // The station names each run, so that its own row for a run it had to end and the run's row are one.
    if (isSet("run-id") && !isSet("report"))
        return tr("--run-id 只能与 --report 同用");
    runId = value("run-id");
    if (isSet("label") && !isSet("report"))
        return tr("--label 只能与 --report 同用");
    label = value("label");
    if (isSet("expect-mac")) {
        // Any spelling a label or a person gives: compared in the MAC's one spelling.
        expectMac = cfgfields::canonicalMac(value("expect-mac").trimmed());
        if (expectMac.isEmpty())
            return tr("--expect-mac %1：不是 MAC 地址（六组十六进制数，如 AC:CF:23:5A:10:7E）").arg(value("expect-mac"));
    }
    expectVersion = parser.value(QStringLiteral("expect-version"));
    if (isSet("wait-new")) {
        // Compared in the MAC's one spelling: any case, ":", "-" or nothing between the pairs.
        const QString mac = value("wait-new").trimmed();
        waitNew = cfgfields::canonicalMac(mac);
        if (!mac.isEmpty() && waitNew->isEmpty())
            return tr("--wait-new %1：不是 MAC 地址（六组十六进制数，如 AC:CF:23:5A:10:7E）").arg(mac);
    }
    progress = isSet("progress");
    if (isSet("baud")) {
        const QString baud = parser.value(QStringLiteral("baud"));
        qint32 rate = 0;
        for (int index = 0; baudRateForIndex(index, &rate); ++index) {
            if (QString::number(rate) == baud)
                baudIndex = index;
        }
        if (baudIndex < 0)
            return tr("--baud %1：不是串口框中的波特率").arg(baud);
    }
    port = parser.value(QStringLiteral("port"));
    readFile = value("read");
    applyFile = value("apply");
    runFile = value("run");
    verify = isSet("verify");
    return QString();
}
