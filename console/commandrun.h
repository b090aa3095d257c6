// CommandRun: runs the steps of a CommandList, one after the other, on
// whatever sends (a function for text, one for bytes) and whatever hands it
// the received lines (takeLine). It needs no port and no window: the window,
// the command line and the station run the same code.
//
// A send or hex step goes out and the next step starts at once; an expect
// step passes on the first received line its pattern matches, before its
// time-out, and the next step goes out from that same call, so no event
// loop turn sits between an answer and the next command. Lines that match
// neither the expect nor the error pattern are passed by. A failed step ends
// the run, naming its line, its pattern and the last line received.
#ifndef COMMANDRUN_H
#define COMMANDRUN_H

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

#include "console/commandlist.h"

class CommandRun : public QObject
{
    Q_OBJECT

public:
    struct Outcome
    {
        enum class End { Passed, Failed, Stopped } end = End::Passed;
        int row = -1;            // the failed (or stopped) step's row; -1 when all passed
        QString why;             // the failure in words, its line named
        QString lastLine;        // the last line received while the step ran
        bool ok() const { return end == End::Passed; }
    };

    explicit CommandRun(QObject *parent = nullptr);

    // Where text goes (the line end and the wire encoding are the sender's):
    // returns why it could not go, or an empty text.
    void setTextSender(std::function<QString(const QString &text)> send) { m_sendText = std::move(send); }
    void setByteSender(std::function<void(const QByteArray &bytes)> send) { m_sendBytes = std::move(send); }

    // Runs the rows from `first` (`count` of them, -1: to the end); error
    // patterns of earlier rows hold from the start. finished() follows, at
    // once for nothing to run.
    void start(const CommandList &list, int first = 0, int count = -1);
    // Ends a running list now: nothing more is sent.
    void stop();
    bool running() const { return m_running; }
    int currentRow() const { return m_running ? m_row : -1; }

public slots:
    // Every line received, with or without its line end.
    void takeLine(const QString &line);

signals:
    void stepStarted(int row);
    // A step that acts ended: passed or not, and what it took (the matched
    // line, or why it failed).
    void stepEnded(int row, bool passed, const QString &detail);
    void finished(const CommandRun::Outcome &outcome);

private:
    void advance();
    void fail(const QString &why);
    void finish(Outcome::End end, const QString &why = QString());
    void timedOut();

    std::function<QString(const QString &)> m_sendText;
    std::function<void(const QByteArray &)> m_sendBytes;
    CommandList m_list;
    QTimer m_timer;
    QRegularExpression m_error;   // the error pattern in force; empty: none
    QString m_lastLine;
    int m_row = 0;
    int m_end = 0;
    bool m_running = false;
    bool m_waiting = false;       // an expect step waits for its line
    bool m_advancing = false;     // advance() is on the stack (a sender may hand lines back)
};

Q_DECLARE_METATYPE(CommandRun::Outcome)

#endif // COMMANDRUN_H
