// A fixture's child command line and its tile's state machine.
#include "station/fixture.h"

namespace station {

QStringList childArguments(const ChildRun &run)
{
    QStringList args{QStringLiteral("--wait-new"), run.lastMac, QStringLiteral("--port"), run.port};
    if (!run.baud.isEmpty())
        args << QStringLiteral("--baud") << run.baud;
    args << QStringLiteral("--apply") << run.profile << QStringLiteral("--verify") << QStringLiteral("--report")
         << run.report << QStringLiteral("--progress");
    if (!run.expectVersion.isEmpty())
        args << QStringLiteral("--expect-version") << run.expectVersion;
    return args;
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

FixtureState::Next FixtureState::childFinished(int exitCode, const QString &killedWhy)
{
    const bool pass = killedWhy.isEmpty() && exitCode == 0;
    if (m_moduleSeen) {
        m_lastMac = m_mac;
        if (pass) {
            ++m_passes;
            m_phase = Phase::Pass;
            m_reason.clear();
        } else {
            ++m_fails;
            m_phase = Phase::Fail;
            m_reason = killedWhy.isEmpty() ? m_detail : killedWhy;
        }
        m_moduleSeen = false;
        return Next::Again;
    }
    // No module: a stopped wait (exit 3) changes nothing; anything else is
    // a problem of the run itself, shown and not counted.
    if (killedWhy.isEmpty() && exitCode == 3)
        return Next::Again;
    m_phase = Phase::Fail;
    m_reason = killedWhy.isEmpty() ? m_detail : killedWhy;
    return Next::Halt;
}

} // namespace station
