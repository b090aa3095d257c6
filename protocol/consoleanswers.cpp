#include "protocol/consoleanswers.h"

#include "protocol/atanswer.h"

void ConsoleAnswers::expect(int timeoutMs)
{
    ++due;
    deadline.setRemainingTime(timeoutMs);
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
