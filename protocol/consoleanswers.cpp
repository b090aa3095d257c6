#include "protocol/consoleanswers.h"

#include "protocol/atanswer.h"

void ConsoleAnswers::expect(int timeoutMs)
{
    ++due;
    deadline.setRemainingTime(timeoutMs);
}

void ConsoleAnswers::sent(const QByteArray &bytes, bool held, int timeoutMs)
{
    if (!held && bytes.endsWith("\r\n"))
        expect(timeoutMs);
}

bool ConsoleAnswers::take(const QString &line)
{
    if (due == 0)
        return false;
    if (deadline.hasExpired()) {
        due = 0;
        return false;
    }
    if (!atanswer::matchesWhole(atanswer::okLine(), line) && !atanswer::matchesWhole(atanswer::errLine(), line))
        return false;
    --due;
    return true;
}
