// The answers still owed to commands the user sent from the console or a
// control button. A sequence that starts meanwhile must not take such an
// answer for its own: its owner asks take() first. A command left
// unanswered for an answer time-out has no answer to come.
#ifndef CONSOLEANSWERS_H
#define CONSOLEANSWERS_H

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

class ConsoleAnswers
{
public:
    // One more command sent; every owed answer is awaited `timeoutMs` from now.
    void expect(int timeoutMs);
    // `bytes` went out on the port; a line (it ends in CR LF) sent while no
    // sequence `held` the port is owed an answer.
    void sent(const QByteArray &bytes, bool held, int timeoutMs);
    // Whether `line` ("OK…" or "ERR…") answers one of them: then it is consumed.
    bool take(const QString &line);

private:
    int due = 0;
    QDeadlineTimer deadline;
};

#endif // CONSOLEANSWERS_H
