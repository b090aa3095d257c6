// The station's pure pieces: the command line of the child run that serves a
// fixture's next module, the state its tile shows, driven by the child's
// progress lines and its end, and the clock behind modules per hour. No
// widget and no process here.
#ifndef FIXTURE_H
#define FIXTURE_H

#include <QString>
#include <QHash>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QtGlobal>

#include "report/progress.h"
#include "serial/portlist.h"

namespace station {

struct ChildRun
{
    QString port;
    QString baud;            // empty: the settings file's rate
    QString lastMac;         // the module served last on this fixture: wait for another one
    QString profile;
    QString report;
    QString expectVersion;   // empty: any firmware
    QString runId;           // the run's row carries it; the station's own row for the run too
    QString commands;        // a command list run after the apply; empty: none
    QString label;           // the code scanned off the module's label; empty: none
    QString stationName;     // the station's name in database rows; empty: the host's
};

// The arguments of `quorvel` for one module: wait for a new module, apply
// the profile with verify, append the row (with the run's id) to the report,
// report progress; run the command list after the apply, when there is one;
// record the scanned label, and when it is a MAC, work only on that module.
QStringList childArguments(const ChildRun &run);

// The name a fixture is added by: the port's stable by-id name where it has
// one, else its name in the port list.
QString fixturePort(const PortEntry &port);

// How a child run ended.
struct ChildEnd
{
    int exitCode = 0;         // when it exited by itself
    QString abnormal;         // why it did not: the station killed it, or it died (a crash, a signal)
    bool byStation = false;   // the station ended it (Stop, its time limit, closing)
    QString lastError;        // its last line on standard error
};

// How long a child may take once its module answered: two time-outs of
// 3 s for each of the 27 commands an apply with verify sends at most (2
// questions, the work mode, 10 writes, 14 reads), and a margin.
constexpr int childRunLimitMs = 27 * 2 * 3000 + 10000;

class FixtureState
{
public:
    enum class Phase { Idle, Waiting, Writing, Verifying, Pass, Fail };
    enum class Next { Again, Halt };

    // Start pressed: a fixture stopped before runs again.
    void stationStarted();
    // A child started: it waits for a module. A result on show stays until
    // the next module answers.
    void childStarted();
    void progressLine(const progress::Parsed &line);
    // The child ended. With a module, counts it: PASS only when it exited 0
    // by itself. Without one: a wait the station ended changes nothing; a
    // child that died (not by the station) is started once more, and a second
    // death before the next module halts the fixture; a child that exited
    // with a problem of its own (the report, the profile) halts it at once,
    // as another child would fail the same way. A halt leaves the last
    // module's result and the counts as they were.
    Next childFinished(const ChildEnd &end);
    // No child runs any more: a tile still waiting for a module goes idle.
    void noChild();

    Phase phase() const { return m_phase; }
    bool moduleSeen() const { return m_moduleSeen; }   // in the current child run
    bool reported() const { return m_reported; }      // the current child wrote its row
    QString mac() const { return m_mac; }
    QString firmware() const { return m_firmware; }
    QString lastMac() const { return m_lastMac; }     // what the next child waits past
    QString reason() const { return m_reason; }       // why the module on show failed
    QString restartedAfter() const { return m_restartedAfter; }   // the death the wait was restarted after
    bool halted() const { return m_halted; }
    QString haltReason() const { return m_haltReason; }
    int passes() const { return m_passes; }
    int fails() const { return m_fails; }

private:
    Phase m_phase = Phase::Idle;
    bool m_moduleSeen = false;
    bool m_reported = false;
    bool m_halted = false;
    QString m_mac, m_firmware, m_lastMac, m_reason, m_detail, m_restartedAfter, m_haltReason;
    int m_passes = 0;
    int m_fails = 0;
};

// The station's running time over all its Starts: modules per hour counts
// no stopped time. Times are milliseconds of one monotonic clock.
class RunClock
{
public:
    void start(qint64 nowMs);
    void stop(qint64 nowMs);
    qint64 runningMs(qint64 nowMs) const;

private:
    qint64 m_before = 0;      // the earlier Starts' running time
    qint64 m_startedAt = -1;  // -1: stopped
};

// Modules per hour over `runningMs` of running time; 0 before any.
double modulesPerHour(int modules, qint64 runningMs);

// The shift's yield: every module's end as it comes, with its MAC, its
// fixture and the reason of a FAIL. A module's first run decides whether it
// passed first time; running it again after a FAIL and passing does not.
class ShiftYield
{
public:
    void record(const QString &mac, const QString &fixture, bool pass, const QString &reason, qint64 nowMs);
    int passed() const { return m_passed; }
    int failed() const { return m_failed; }
    // Percent of the modules seen whose first run passed; -1 before any.
    double firstPassYield() const;
    // Modules per hour over the last ten minutes (fewer while the shift is younger than that).
    double recentPerHour(qint64 nowMs, qint64 shiftStartMs) const;
    // The commonest reasons of FAILs, most first (ties: the one seen first), at most `count`.
    QList<QPair<QString, int>> topReasons(int count) const;
    // The shift's summary as CSV: a line for the shift, one per fixture, one per reason.
    QByteArray summaryCsv() const;

private:
    int m_passed = 0, m_failed = 0;
    QHash<QString, bool> m_firstResult;   // MAC -> whether its first run passed
    QList<qint64> m_endsMs;               // when modules ended, oldest first
    QList<QPair<QString, int>> m_reasons; // in the order first seen
    QList<QPair<QString, QPair<int, int>>> m_fixtures;   // fixture -> passed, failed, in the order first seen
};

} // namespace station

#endif // FIXTURE_H
