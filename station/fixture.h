// The station's pure pieces for one fixture: the command line of the child
// run that serves its next module, and the state its tile shows, driven by
// the child's progress lines and its end. No widget and no process here.
#ifndef FIXTURE_H
#define FIXTURE_H

#include <QString>
#include <QStringList>

#include "station/progress.h"

namespace station {

struct ChildRun
{
    QString port;
    QString baud;            // empty: the settings file's rate
    QString lastMac;         // the module served last on this fixture: wait for another one
    QString profile;
    QString report;
    QString expectVersion;   // empty: any firmware
};

// The arguments of `quorvel` for one module: wait for a new module, apply
// the profile with verify, append the row to the report, report progress.
QStringList childArguments(const ChildRun &run);

// How long a child may take once its module answered: two time-outs of
// 3 s for each of the 27 commands an apply with verify sends at most (2
// questions, the work mode, 10 writes, 14 reads), and a margin.
constexpr int childRunLimitMs = 27 * 2 * 3000 + 10000;

class FixtureState
{
public:
    enum class Phase { Idle, Waiting, Writing, Verifying, Pass, Fail };
    enum class Next { Again, Halt };

    // A child started: it waits for a module. A result on show stays until
    // the next module answers.
    void childStarted();
    void progressLine(const progress::Parsed &line);
    // The child ended: `exitCode` when it exited, or `killedWhy` (non-empty)
    // when the station killed it or it crashed. Counts the module when one
    // was served. Halt: the run failed without a module (a profile or report
    // problem), so another child would fail the same way.
    Next childFinished(int exitCode, const QString &killedWhy = QString());

    Phase phase() const { return m_phase; }
    bool moduleSeen() const { return m_moduleSeen; }   // in the current child run
    bool reported() const { return m_reported; }      // the current child wrote its row
    QString mac() const { return m_mac; }
    QString firmware() const { return m_firmware; }
    QString lastMac() const { return m_lastMac; }     // what the next child waits past
    QString reason() const { return m_reason; }
    int passes() const { return m_passes; }
    int fails() const { return m_fails; }

private:
    Phase m_phase = Phase::Idle;
    bool m_moduleSeen = false;
    bool m_reported = false;
    QString m_mac, m_firmware, m_lastMac, m_reason, m_detail;
    int m_passes = 0;
    int m_fails = 0;
};

} // namespace station

#endif // FIXTURE_H
