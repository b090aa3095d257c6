// ConfigSession: the one engine that talks to the module in sequences —
// the configuration read, the write, the read-back that verifies a write,
// the identification of a module on the command line, and a single command
// whose answer must be awaited.
//
// A sequence is a list of steps: a command, the answer form it waits for, and
// a handler that takes the answer. Steps go one at a time; an answer is
// matched to the step by position. One retry rule for all: a step without a
// usable answer (silence for the answer time-out, or an answer its handler
// refuses) is sent again, `tries` times in all, then the sequence ends,
// naming the step's command and its last answer (none: silence). The engine
// sends through a function it is given and takes the received lines its
// owner hands it (takeLine), so it needs no port and no window: the window,
// the command line and the tests drive the same code.
#ifndef CONFIGSESSION_H
#define CONFIGSESSION_H

#include <QHash>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class QTimer;

class ConfigSession : public QObject
{
    Q_OBJECT

public:
    // The answer a step waits for; other lines (echoes, unsolicited lines)
    // pass by while the time-out runs.
    enum class Expect {
        Data,      // a query: "OK" or "ERR" with more text; the handler judges it
        PlainOk,   // a set command: "OK", anything else is a failure
        Any,       // any "OK…" or "ERR…" line; the handler judges it
    };
    struct Step
    {
        QString cmd;   // sent as it is (the sender adds the line end)
        QString name;  // what a failure names; the command when empty (a set command names its prefix)
        Expect expect = Expect::Data;
        // Takes the answer; false: not usable, the step is tried again. None: any matching answer will do.
        std::function<bool(const QString &answer)> handler;
    };
    enum class End { Done, Failed, Cancelled };
    struct Result
    {
        End end = End::Done;
        QString failedCommand;   // the step that ended a failed sequence
        QString failedAnswer;    // its last answer as received; empty: it was not answered
        bool ok() const { return end == End::Done; }
    };

    explicit ConfigSession(QObject *parent = nullptr);

    // Where commands go: the link's send (adds CR LF).
    void setSender(std::function<void(const QString &cmd)> send) { m_send = std::move(send); }
    void setAnswerTimeout(int ms) { m_timeoutMs = ms; }
    static constexpr int defaultTries = 2;

    bool running() const { return m_running; }
    // The command of the step that waits now; empty while idle.
    QString currentCommand() const;

    // Runs `steps`; finished() follows, also for an empty list (at once).
    void run(const QVector<Step> &steps, int tries = defaultTries);
    // The configuration read: every query of the field table. values() holds
    // what the answers gave (field object name -> value) as they come.
    void read();
    // The configuration write of `values` (field object name -> value, as a
    // read gives them): every set command of the field table, built when it
    // is sent from these values and nothing else.
    void write(const QHash<QString, QString> &values);
    // Ends a running sequence without a result of its own (the port went away).
    void cancel();
    // Starts a sequence with `start` (run, read or write) and serves events
    // until it ends: for callers that must have its result before they go on.
    Result wait(const std::function<void()> &start);
    // A step that takes the first "OK…" or "ERR…" answer to `cmd` into *answer.
    static Step anyAnswer(const QString &cmd, QString *answer);

    const QHash<QString, QString> &values() const { return m_values; }

public slots:
    // Every line received while a sequence runs, CR LF included.
    void takeLine(const QString &line);

signals:
    // A step's command went out (the first time or again).
    void commandSent(int index, const QString &cmd);
    // A read's answer gave these values (field object name -> value).
    void valuesRead(const QHash<QString, QString> &values);
    void finished(const ConfigSession::Result &result);

private:
    void sendStep();
    void stepFailed(const QString &answer);
    void finish(End end, const QString &cmd = QString(), const QString &answer = QString());
    bool matches(Expect expect, const QString &line) const;

    std::function<void(const QString &)> m_send;
    QTimer *m_timer = nullptr;
    int m_timeoutMs = 3000;
    QVector<Step> m_steps;
    int m_index = 0;
    int m_tries = defaultTries;
    int m_attempt = 0;
    bool m_running = false;
    QHash<QString, QString> m_values;
};

#endif // CONFIGSESSION_H
