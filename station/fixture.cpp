// A fixture's child command line, its tile's state machine, and the
// station's running clock.
#include "station/fixture.h"

#include "protocol/cfgfields.h"
#include "report/csvtable.h"

#include <algorithm>

namespace station {

QStringList childArguments(const ChildRun &run)
{
    QStringList args{QStringLiteral("--wait-new"), run.lastMac, QStringLiteral("--port"), run.port};
    if (!run.baud.isEmpty())
        args << QStringLiteral("--baud") << run.baud;
    args << QStringLiteral("--apply") << run.profile << QStringLiteral("--verify") << QStringLiteral("--report")
         << run.report << QStringLiteral("--progress");
    if (!run.commands.isEmpty())
        args << QStringLiteral("--run") << run.commands;
    if (!run.label.isEmpty()) {
        args << QStringLiteral("--label") << run.label;
        const QString mac = cfgfields::canonicalMac(run.label.trimmed());
        if (!mac.isEmpty())
            args << QStringLiteral("--expect-mac") << mac;
    }
    if (!run.expectVersion.isEmpty())
        args << QStringLiteral("--expect-version") << run.expectVersion;
    if (!run.stationName.isEmpty())
        args << QStringLiteral("--station-name") << run.stationName;
    if (!run.runId.isEmpty())
        args << QStringLiteral("--run-id") << run.runId;
    return args;
}

QString fixturePort(const PortEntry &port)
{
    return port.byIdLink.isEmpty() ? port.portName : port.byIdLink;
}

void FixtureState::stationStarted()
{
    m_halted = false;
    m_haltReason.clear();
    m_restartedAfter.clear();
}

void FixtureState::childStarted()
{
    m_moduleSeen = false;
    m_reported = false;
    m_detail.clear();
    m_firmware.clear();
    if (m_phase != Phase::Pass && m_phase != Phase::Fail)
        m_phase = Phase::Waiting;
}

void FixtureState::progressLine(const progress::Parsed &line)
{
    switch (line.event) {
    case progress::Event::Module:
        // The next module is seen: the previous result goes.
        m_moduleSeen = true;
        m_mac = line.text;
        m_reason.clear();
        m_restartedAfter.clear();   // a module came: the next death may restart the wait again
        m_phase = Phase::Writing;
        break;
    case progress::Event::Firmware:
        m_firmware = line.text;
        break;
    case progress::Event::Writing:
        m_phase = Phase::Writing;
        break;
    case progress::Event::Verifying:
        m_phase = Phase::Verifying;
        break;
    case progress::Event::Detail:
        m_detail = line.text;
        break;
    case progress::Event::Reported:
        m_reported = true;
        break;
    case progress::Event::Waiting:
    case progress::Event::None:
        break;
    }
}

FixtureState::Next FixtureState::childFinished(const ChildEnd &end)
{
    const bool pass = end.abnormal.isEmpty() && end.exitCode == 0;
    if (m_moduleSeen) {
        m_lastMac = m_mac;
        if (pass) {
            ++m_passes;
            m_phase = Phase::Pass;
            m_reason.clear();
        } else {
            ++m_fails;
            m_phase = Phase::Fail;
            m_reason = !end.abnormal.isEmpty() ? end.abnormal : !m_detail.isEmpty() ? m_detail : end.lastError;
        }
        m_moduleSeen = false;
        return Next::Again;
    }
    if (end.byStation)
        return Next::Again;
    // Without a module and not ended by the station: SIGTERM from elsewhere
    // (exit 3, "interrupted") or any other death may be a passing accident,
    // worth one more wait; an exit of its own is a problem of the run.
    QString why;
    if (!end.abnormal.isEmpty() || end.exitCode == 3) {
        why = end.abnormal.isEmpty() ? end.lastError : end.abnormal;
        if (m_restartedAfter.isEmpty()) {
            m_restartedAfter = why;
            return Next::Again;
        }
    } else {
        why = !m_detail.isEmpty() ? m_detail : end.lastError;
    }
    m_halted = true;
    m_haltReason = why;
    m_restartedAfter.clear();
    return Next::Halt;
}

void FixtureState::noChild()
{
    if (m_phase == Phase::Waiting)
        m_phase = Phase::Idle;
}

void RunClock::start(qint64 nowMs)
{
    if (m_startedAt < 0)
        m_startedAt = nowMs;
}

void RunClock::stop(qint64 nowMs)
{
    m_before = runningMs(nowMs);
    m_startedAt = -1;
}

qint64 RunClock::runningMs(qint64 nowMs) const
{
    return m_before + (m_startedAt < 0 ? 0 : nowMs - m_startedAt);
}

double modulesPerHour(int modules, qint64 runningMs)
{
    return runningMs > 0 ? modules * 3600000.0 / double(runningMs) : 0.0;
}

namespace {

constexpr qint64 recentMs = 10 * 60 * 1000;

template<typename T>
T &entry(QList<QPair<QString, T>> &list, const QString &key, const T &initial)
{
    for (auto &e : list) {
        if (e.first == key)
            return e.second;
    }
    list.append({key, initial});
    return list.last().second;
}

} // namespace

void ShiftYield::record(const QString &mac, const QString &fixture, bool pass, const QString &reason, qint64 nowMs)
{
    (pass ? m_passed : m_failed) += 1;
    if (!mac.isEmpty() && !m_firstResult.contains(mac))
        m_firstResult.insert(mac, pass);
    m_endsMs.append(nowMs);
    while (!m_endsMs.isEmpty() && m_endsMs.first() < nowMs - recentMs)
        m_endsMs.removeFirst();
    if (!pass)
        ++entry(m_reasons, reason.isEmpty() ? QStringLiteral("?") : reason, 0);
    QPair<int, int> &counts = entry(m_fixtures, fixture, QPair<int, int>(0, 0));
    (pass ? counts.first : counts.second) += 1;
}

double ShiftYield::firstPassYield() const
{
    if (m_firstResult.isEmpty())
        return -1;
    const auto firstTime = std::count(m_firstResult.cbegin(), m_firstResult.cend(), true);
    return 100.0 * double(firstTime) / double(m_firstResult.size());
}

double ShiftYield::recentPerHour(qint64 nowMs, qint64 shiftStartMs) const
{
    const qint64 from = std::max(shiftStartMs, nowMs - recentMs);
    const auto count = std::count_if(m_endsMs.cbegin(), m_endsMs.cend(), [from](qint64 t) { return t >= from; });
    return modulesPerHour(int(count), nowMs - from);
}

QList<QPair<QString, int>> ShiftYield::topReasons(int count) const
{
    QList<QPair<QString, int>> sorted = m_reasons;
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) { return a.second > b.second; });
    return sorted.mid(0, count);
}

QByteArray ShiftYield::summaryCsv() const
{
    // Quoted and guarded as the report's cells are: a reason that starts like a formula stays text.
    QByteArray out = csvtable::line({QStringLiteral("kind"), QStringLiteral("name"), QStringLiteral("passed"),
                                     QStringLiteral("failed"), QStringLiteral("count"),
                                     QStringLiteral("first_pass_yield")});
    const double fpy = firstPassYield();
    out += csvtable::line({QStringLiteral("shift"), QString(), QString::number(m_passed), QString::number(m_failed),
                           QString::number(m_passed + m_failed),
                           fpy < 0 ? QString() : QString::number(fpy, 'f', 1)});
    for (const auto &f : m_fixtures)
        out += csvtable::line({QStringLiteral("fixture"), csvtable::guarded(f.first), QString::number(f.second.first),
                               QString::number(f.second.second), QString::number(f.second.first + f.second.second),
                               QString()});
    for (const auto &r : topReasons(int(m_reasons.size())))
        out += csvtable::line({QStringLiteral("reason"), csvtable::guarded(r.first), QString(), QString(),
                               QString::number(r.second), QString()});
    return out;
}

} // namespace station
